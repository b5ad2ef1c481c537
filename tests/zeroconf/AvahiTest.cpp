// Announcing and browsing through a real avahi daemon. Run only by
// tools/zeroconf-netns-test.sh, which gives this program a private network
// namespace, a private system bus and an avahi daemon of its own on loopback;
// anywhere else it skips. The announcing side runs as a second process (this
// program with --announcer), as a host and a joining player would.

#include "zeroconf/Announcer.h"
#include "zeroconf/Browser.h"
#include "zeroconf/GameListModel.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QFile>
#include <QMetaEnum>
#include <QProcess>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>

#include <cstdio>

using zeroconf::Announcer;
using zeroconf::Browser;
using zeroconf::FoundGame;
using zeroconf::GameInfo;
using zeroconf::Phase;

namespace
{

constexpr int kSettleMs = 20000; // probing, announcing and a daemon restart take seconds

void say(const QByteArray& line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Publishes records exactly as given, bypassing Announcer's own cleaning: what
// a hostile host on the network could send.
bool publishRaw(quint16 port, const QString& name, const QByteArrayList& txt)
{
    qDBusRegisterMetaType<QByteArrayList>();
    auto bus = QDBusConnection::systemBus();
    auto call = [&](const QString& path, const QString& interface, const QString& method, const QVariantList& args) {
        auto message = QDBusMessage::createMethodCall("org.freedesktop.Avahi", path, interface, method);
        message.setArguments(args);
        return bus.call(message);
    };
    const auto made = call("/", "org.freedesktop.Avahi.Server", "EntryGroupNew", {});
    if (made.type() != QDBusMessage::ReplyMessage)
        return false;
    const QString group = made.arguments().at(0).value<QDBusObjectPath>().path();
    const QString entryGroup = "org.freedesktop.Avahi.EntryGroup";
    const auto added = call(group, entryGroup, "AddService",
        { -1, -1, 0u, name, "_zirky._tcp", QString(), QString(), QVariant::fromValue(port), QVariant::fromValue(txt) });
    if (added.type() != QDBusMessage::ReplyMessage) {
        say("error " + added.errorMessage().toUtf8());
        return false;
    }
    return call(group, entryGroup, "Commit", {}).type() == QDBusMessage::ReplyMessage;
}

// The announcing process: commands on standard input, one a line, and every
// state change of its Announcer on standard output ("state Published NAME").
//   publish PORT SEATED RUNNING NAME    update SEATED RUNNING    withdraw
//   raw PORT NAME-HEX TXT-HEX...        (ends when its input closes)
int runAnnouncer()
{
    Announcer announcer;
    QObject::connect(&announcer, &Announcer::stateChanged, [&](Announcer::State state) {
        say(QByteArray("state ") + QMetaEnum::fromType<Announcer::State>().valueToKey(int(state)) + " "
            + announcer.publishedName().toUtf8());
    });
    QFile input;
    input.open(stdin, QIODevice::ReadOnly);
    QSocketNotifier notifier(0, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        const QByteArray line = input.readLine().trimmed();
        if (line.isEmpty() && input.atEnd()) {
            QCoreApplication::exit(0);
            return;
        }
        const QList<QByteArray> words = line.split(' ');
        const QByteArray& command = words.at(0);
        if (command == "publish" && words.size() >= 5) {
            const zeroconf::Announcement game { "1.0.13", words.at(2).toInt(), words.at(3) == "1" };
            announcer.publish(QString::fromUtf8(words.mid(4).join(' ')), words.at(1).toUShort(), game);
        } else if (command == "update" && words.size() == 3) {
            announcer.update({ "1.0.13", words.at(1).toInt(), words.at(2) == "1" });
        } else if (command == "withdraw") {
            announcer.withdraw();
        } else if (command == "raw" && words.size() >= 3) {
            QByteArrayList txt;
            for (const auto& word : words.mid(3))
                txt.append(QByteArray::fromHex(word));
            say(publishRaw(words.at(1).toUShort(), QString::fromUtf8(QByteArray::fromHex(words.at(2))), txt)
                    ? "raw published"
                    : "raw refused");
        } else {
            say("error unknown command " + line);
        }
    });
    return QCoreApplication::exec();
}

class AnnouncerProcess
{
public:
    AnnouncerProcess()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), { "--announcer" });
        m_started = m_process.waitForStarted();
    }
    ~AnnouncerProcess()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }
    bool started() const { return m_started; }
    void send(const QByteArray& line) { m_process.write(line + "\n"); }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    // Waits for a line starting with prefix, consuming the lines before it.
    QByteArray waitFor(const QByteArray& prefix)
    {
        QByteArray found;
        (void)QTest::qWaitFor(
            [&] {
                while (m_process.canReadLine()) {
                    const QByteArray line = m_process.readLine().trimmed();
                    if (line.startsWith(prefix)) {
                        found = line;
                        return true;
                    }
                }
                return false;
            },
            kSettleMs);
        return found;
    }

private:
    QProcess m_process;
    bool m_started = false;
};

QStringList addressTexts(const FoundGame& game)
{
    QStringList out;
    for (const auto& a : game.addresses)
        out.append(a.toString());
    return out;
}

FoundGame onPort(const Browser& browser, quint16 port)
{
    for (const auto& game : browser.games())
        if (game.port == port)
            return game;
    return {};
}

// Has the other process publish a game with two seated, and waits until the
// browser lists it.
bool listedFromOtherProcess(AnnouncerProcess& host, const Browser& browser, quint16 port, const QByteArray& name)
{
    host.send("publish " + QByteArray::number(port) + " 2 0 " + name);
    if (host.waitFor("state Published").isEmpty()) {
        qWarning("%s was not published", name.constData());
        return false;
    }
    if (!QTest::qWaitFor([&] { return onPort(browser, port).port == port; }, kSettleMs)) {
        qWarning("%s was published but not listed", name.constData());
        return false;
    }
    return true;
}

} // namespace

class AvahiTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("ZIRKY_AVAHI_RESTART"))
            QSKIP("needs the private avahi daemon that tools/zeroconf-netns-test.sh starts");
    }

    void announcedGameIsListedUpdatedAndWithdrawn()
    {
        Browser browser;
        zeroconf::GameListModel model(&browser);
        QSignalSpy removed(&browser, &Browser::gameRemoved);
        AnnouncerProcess host;
        QVERIFY(host.started());
        host.send("publish 7772 2 0 Ann's game on testbox");
        QCOMPARE(host.waitFor("state Published"), QByteArray("state Published Ann's game on testbox"));

        QTRY_COMPARE_WITH_TIMEOUT(browser.games().size(), 1, kSettleMs);
        QCOMPARE(browser.state(), Browser::State::Browsing);
        FoundGame game = browser.games().front();
        QCOMPARE(game.name, QStringLiteral("Ann's game on testbox"));
        QCOMPARE(game.port, 7772);
        QVERIFY2(game.hostName.endsWith(".local"), qPrintable(game.hostName));
        QCOMPARE(game.info, (GameInfo { "1.0.13", 2, 6, Phase::Waiting }));
        QCOMPARE(model.rowCount(), 1);

        // Listed as soon as one family resolves; both come, IPv4 joined first.
        QTRY_VERIFY2_WITH_TIMEOUT(addressTexts(browser.games().value(0)).contains("::1")
                && addressTexts(browser.games().value(0)).contains("127.0.0.1"),
            qPrintable(addressTexts(browser.games().value(0)).join(' ')), kSettleMs);
        QCOMPARE(browser.games().value(0).joinAddress(), QStringLiteral("127.0.0.1:7772"));

        host.send("update 3 1");
        QTRY_COMPARE_WITH_TIMEOUT(browser.games().value(0).info, (GameInfo { "1.0.13", 3, 6, Phase::Running }), kSettleMs);
        QCOMPARE(model.data(model.index(0, zeroconf::GameListModel::PlayersColumn)).toString(), QStringLiteral("3/6"));
        QCOMPARE(model.data(model.index(0, zeroconf::GameListModel::GameColumn)).toString(), QStringLiteral("running"));
        QVERIFY2(removed.isEmpty(), "an update must not unlist the game");

        host.send("withdraw");
        QCOMPARE(host.waitFor("state Withdrawn"), QByteArray("state Withdrawn Ann's game on testbox"));
        QTRY_COMPARE_WITH_TIMEOUT(browser.games().size(), 0, kSettleMs);
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.at(0).at(0).toString(), game.id);
        QCOMPARE(model.rowCount(), 0);
    }

    void hostThatDiesIsUnlisted()
    {
        Browser browser;
        AnnouncerProcess host;
        QVERIFY(listedFromOtherProcess(host, browser, 7000, "Bo's game on testbox"));
        host.kill(); // no withdrawal: the daemon drops what a vanished client published
        QTRY_COMPARE_WITH_TIMEOUT(onPort(browser, 7000).port, 0, kSettleMs);
    }

    void takenNameIsRenamedByAvahi()
    {
        Browser browser;
        Announcer first, second;
        first.publish("Cy's game on testbox", 7001, { "1.0.13", 1, false });
        QTRY_COMPARE_WITH_TIMEOUT(first.state(), Announcer::State::Published, kSettleMs);
        second.publish("Cy's game on testbox", 7002, { "1.0.13", 4, true });
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), Announcer::State::Published, kSettleMs);
        QCOMPARE(first.publishedName(), QStringLiteral("Cy's game on testbox"));
        QVERIFY2(second.publishedName().startsWith("Cy's game on testbox #"), qPrintable(second.publishedName()));

        QTRY_COMPARE_WITH_TIMEOUT(browser.games().size(), 2, kSettleMs);
        QSet<quint16> ports;
        for (const auto& game : browser.games())
            ports.insert(game.port);
        QCOMPARE(ports, (QSet<quint16> { 7001, 7002 }));

        // An update after the rename goes to the renamed service.
        second.update({ "1.0.13", 5, true });
        QTRY_COMPARE_WITH_TIMEOUT(onPort(browser, 7002).info.seated, 5, kSettleMs);
    }

    void daemonRestartIsSurvived()
    {
        Browser browser;
        AnnouncerProcess host;
        QVERIFY(listedFromOtherProcess(host, browser, 7003, "Di's game on testbox"));
        const QString id = onPort(browser, 7003).id;
        QSignalSpy removed(&browser, &Browser::gameRemoved);

        QCOMPARE(QProcess::execute(qEnvironmentVariable("ZIRKY_AVAHI_RESTART")), 0);

        QVERIFY(!host.waitFor("state Unavailable").isEmpty());
        QVERIFY(!host.waitFor("state Published").isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(onPort(browser, 7003).info, (GameInfo { "1.0.13", 2, 6, Phase::Waiting }), kSettleMs);
        QCOMPARE(browser.state(), Browser::State::Browsing);
        QVERIFY2(std::any_of(removed.cbegin(), removed.cend(), [&](const QList<QVariant>& r) { return r.at(0) == id; }),
            "what the old daemon found went with it");
    }

    void hostileRecordsShowAsPlainText()
    {
        Browser browser;
        AnnouncerProcess host;
        const QByteArray name = "Eve\xE2\x80\xAE" "exe.txt\x1b[2J";
        // (Avahi may pass strings on in another order, so no key is repeated here.)
        const QByteArrayList txt { "players=9/6", "version=1.0\x1b[31m", QByteArray("game=running\0", 13),
            "\xFF\xFE" };
        QByteArray command = "raw 7004 " + name.toHex();
        for (const auto& record : txt)
            command += " " + record.toHex();
        host.send(command);
        QCOMPARE(host.waitFor("raw"), QByteArray("raw published"));

        QTRY_COMPARE_WITH_TIMEOUT(onPort(browser, 7004).port, 7004, kSettleMs);
        const FoundGame game = onPort(browser, 7004);
        QCOMPARE(game.name, QStringLiteral("Eve?exe.txt?[2J"));
        QVERIFY2(game.info == GameInfo {},
            qPrintable(QString("%1 %2/%3 %4").arg(QString::fromStdString(game.info.version)).arg(game.info.seated)
                           .arg(game.info.seats).arg(int(game.info.phase))));
        QCOMPARE(zeroconf::GameListModel::cellText(game, zeroconf::GameListModel::PlayersColumn), QStringLiteral("?"));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc >= 2 && qstrcmp(argv[1], "--announcer") == 0)
        return runAnnouncer();
    AvahiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AvahiTest.moc"
