// zirky-host --bots: computer players take the seats after the first person,
// in the order given, leave with the last person and come back for the next.

#include "host/server_harness.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace harness;

class HostBots : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void seatsComputersAfterTheFirstPerson();
    void badLevelsAreCommandLineErrors_data();
    void badLevelsAreCommandLineErrors();

private:
    QString m_program;
};

namespace
{

// Waits for the host to announce `name` in `seat`.
bool seesPlayer(RawClient& c, int seat, const std::string& name)
{
    return c
        .waitFor(net::cmd::newplayerinfo,
            [&](const std::string& m) {
                const auto f = fieldsOf(m);
                return f.size() >= 2 && f[0] == std::to_string(seat) && f[1] == name;
            })
        .has_value();
}

} // namespace

void HostBots::initTestCase()
{
    m_program = hostProgram();
    QVERIFY2(QFileInfo(m_program).isExecutable(), qPrintable(m_program + " is not a program"));
}

void HostBots::seatsComputersAfterTheFirstPerson()
{
    QTemporaryDir workDir;
    QVERIFY(workDir.isValid());
    QProcess host;
    host.setWorkingDirectory(workDir.path());
    // No hold: when Ann goes, nobody is left at once.
    host.start(m_program, { "--port", "0", "--bots", "easy,Hard,easy", "--hold-seat", "0" });
    QVERIFY(host.waitForStarted(kWait));
    QByteArray log;
    const quint16 port = listeningPort(host, log);
    QVERIFY2(port != 0, log.constData());

    {
        RawClient ann;
        QCOMPARE(ann.join(port, "Ann"), 1);
        QVERIFY(seesPlayer(ann, 2, "Easy Computer"));
        QVERIFY(seesPlayer(ann, 3, "Hard Computer"));
        QVERIFY(seesPlayer(ann, 4, "Easy Computer 2"));
        QVERIFY(ann.sync());
        QCOMPARE(ann.count(net::cmd::newplayerinfo), 4);
    } // Ann goes: nobody is left to play with
    QVERIFY(QTest::qWaitFor(
        [&] {
            log += host.readAllStandardError();
            return log.count("left") >= 3;
        },
        kWait));

    RawClient bob;
    QCOMPARE(bob.join(port, "Bob"), 1);
    QVERIFY(seesPlayer(bob, 2, "Easy Computer"));
    QVERIFY(seesPlayer(bob, 3, "Hard Computer"));
    QVERIFY(seesPlayer(bob, 4, "Easy Computer 2"));
    host.terminate();
    QVERIFY(host.waitForFinished(kWait));
}

void HostBots::badLevelsAreCommandLineErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    QTest::newRow("unknown level") << QStringList { "--bots", "easy,wizard" } << "bad computer level 'wizard'";
    QTest::newRow("empty list") << QStringList { "--bots=" } << "bad computer level ''";
    QTest::newRow("missing list") << QStringList { "--bots" } << "--bots needs a list of levels";
    QTest::newRow("more than the free playing seats")
        << QStringList { "--bots", "easy,easy,easy,easy,easy,easy" } << "at most 5 computer players";
}

void HostBots::badLevelsAreCommandLineErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    QProcess host;
    host.start(m_program, QStringList { "--port", "0" } + arguments);
    QVERIFY(host.waitForFinished(kWait));
    QCOMPARE(host.exitCode(), 2);
    const QByteArray err = host.readAllStandardError();
    QVERIFY2(err.contains(says.toUtf8()), err.constData());
}

QTEST_GUILESS_MAIN(HostBots)
#include "tst_hostbots.moc"
