// The single-instance guard: a second copy hands over to the first, and a
// socket file left by a crashed copy does not lock the game out.

#include "app/InstanceGuard.h"

#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

class GuardTest : public QObject
{
    Q_OBJECT
private slots:
    void secondCopyActivatesTheFirst();
    void staleSocketIsReplaced();
    void disabledGuardNeverBlocks();
    void junkOnTheSocketDoesNotActivate();
    void inviteLinkIsHandedToTheFirstCopy_data();
    void inviteLinkIsHandedToTheFirstCopy();
};

void GuardTest::secondCopyActivatesTheFirst()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("kivard");
    InstanceGuard first(name);
    QVERIFY(!first.anotherInstanceRunning());
    QVERIFY(first.listening());
    int activations = 0;
    first.onActivate = [&activations] { ++activations; };

    InstanceGuard second(name);
    QVERIFY(second.anotherInstanceRunning());
    QVERIFY(!second.listening());
    QTRY_COMPARE(activations, 1);
}

void GuardTest::staleSocketIsReplaced()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("kivard");
    // A bound socket nobody listens on: what a crashed copy leaves behind.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    const QByteArray path = name.toLocal8Bit();
    QVERIFY(static_cast<std::size_t>(path.size()) < sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    QVERIFY(QFile::exists(name));

    InstanceGuard guard(name);
    QVERIFY(!guard.anotherInstanceRunning(200));
    QVERIFY(guard.listening());
    InstanceGuard second(name);
    QVERIFY(second.anotherInstanceRunning());
}

void GuardTest::disabledGuardNeverBlocks()
{
    InstanceGuard a(QString {});
    InstanceGuard b(QString {});
    QVERIFY(!a.anotherInstanceRunning());
    QVERIFY(!b.anotherInstanceRunning());
    QVERIFY(!a.listening());
}

void GuardTest::junkOnTheSocketDoesNotActivate()
{
    QTemporaryDir dir;
    const QString name = dir.filePath("kivard");
    InstanceGuard first(name);
    QVERIFY(!first.anotherInstanceRunning());
    int activations = 0;
    first.onActivate = [&activations] { ++activations; };
    QLocalSocket junk;
    junk.connectToServer(name);
    QVERIFY(junk.waitForConnected(1000));
    junk.write(QByteArray(200, 'x'));
    junk.flush();
    QTRY_COMPARE(junk.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(activations, 0);

    QWidget w;
    w.showMinimized();
    restoreAndRaise(&w);
    QVERIFY(!w.isMinimized());
    QVERIFY(w.isVisible());
}

void GuardTest::inviteLinkIsHandedToTheFirstCopy_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("received");
    QTest::newRow("the link was lost on the way") << "zirky://[::1]:7773" << "zirky://[::1]:7773";
    QTest::newRow("letters outside ASCII were mangled") << QString::fromUtf8("zirky://b\u00f6x") << QString::fromUtf8("zirky://b\u00f6x");
    QTest::newRow("a line break in the link ended the request early")
        << "zirky://a\nactivate" << "zirky://a activate";
    QTest::newRow("a link longer than any request overran the first copy")
        << "zirky://" + QString(3000, 'a') << "zirky://" + QString(1024 - 1 - 5 - 8, 'a');
}

void GuardTest::inviteLinkIsHandedToTheFirstCopy()
{
    QFETCH(QString, link);
    QFETCH(QString, received);
    QTemporaryDir dir;
    const QString name = dir.filePath("kivard");
    InstanceGuard first(name);
    QVERIFY(!first.anotherInstanceRunning());
    int activations = 0;
    QStringList links;
    first.onActivate = [&activations] { ++activations; };
    first.onOpenLink = [&links](const QString& l) { links << l; };

    InstanceGuard second(name);
    second.setHandOver(link);
    QVERIFY(second.anotherInstanceRunning());
    QTRY_COMPARE(links, QStringList { received });
    QCOMPARE(activations, 1);

    // A copy started without a link only brings the first one forward.
    InstanceGuard third(name);
    QVERIFY(third.anotherInstanceRunning());
    QTRY_COMPARE(activations, 2);
    QCOMPARE(links.size(), 1);
}

QTEST_MAIN(GuardTest)
#include "tst_guard.moc"
