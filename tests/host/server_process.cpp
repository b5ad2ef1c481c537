// The dedicated host program as an operator runs it: command line, log, signals, exit codes.

#include "server_harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace harness;

class ServerProcess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void endsCleanlyOnSignal_data();
    void endsCleanlyOnSignal();
    void commandLineErrors_data();
    void commandLineErrors();
    void portInUseIsAClearError();
    void aCustomWordListIsLoggedAndToldToEveryPlayer_data();
    void aCustomWordListIsLoggedAndToldToEveryPlayer();

private:
    QString m_program;
};

void ServerProcess::initTestCase()
{
    m_program = hostProgram();
    QVERIFY2(QFileInfo(m_program).isExecutable(), qPrintable(m_program + " is not a program"));
}

void ServerProcess::endsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void ServerProcess::endsCleanlyOnSignal()
{
    QFETCH(int, signal);
    QTemporaryDir workDir; // the word list file is made there and removed again
    QVERIFY(workDir.isValid());
    QProcess host;
    host.setWorkingDirectory(workDir.path());
    // No hold: the two leaving end the game at once.
    host.start(m_program, { QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--hold-seat=0") });
    QVERIFY(host.waitForStarted(kWait));
    QByteArray log;
    const quint16 port = listeningPort(host, log);
    QVERIFY2(port != 0, log.constData());

    {
        RawClient first, second;
        QCOMPARE(first.join(port, "Operator"), 1); // no client of its own: the first one gets seat 1
        QCOMPARE(second.join(port, "Guest"), 2);
        first.write(net::msg::startgame(1, options(false, 60)));
        QVERIFY(second.waitFor(net::cmd::thedice));
        QVERIFY(first.sync());
    } // both leave: the running game has nobody left to play
    QVERIFY(QTest::qWaitFor(
        [&] {
            log += host.readAllStandardError();
            return log.contains("game ended");
        },
        kWait));

    // Announced by default; without avahi (the tests' system bus is nowhere) it says so and plays on.
    QVERIFY2(log.contains("cannot be announced on your network: the avahi daemon is not running"), log.constData());

    ::kill(static_cast<pid_t>(host.processId()), signal);
    QVERIFY(host.waitForFinished(kWait));
    log += host.readAllStandardError();
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
    QCOMPARE(host.exitCode(), 0);
    // One line each for the connection, the login, the start and the turn, timestamped.
    for (const char* part : { "connection", "login seat 1: Operator", "game started", "turn: seat 1" })
        QVERIFY2(log.contains(part), log.constData());
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT")).match(QString::fromUtf8(log)).hasMatch(),
        log.constData());
}

void ServerProcess::commandLineErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    QTest::newRow("port not a number") << QStringList { "--port", "abc" } << 2 << "bad port 'abc'";
    QTest::newRow("port beyond 65535") << QStringList { "--port", "70000" } << 2 << "bad port '70000'";
    QTest::newRow("negative port") << QStringList { "--port", "-1" } << 2 << "bad port '-1'";
    QTest::newRow("port value missing") << QStringList { "--port" } << 2 << "--port needs a number";
    QTest::newRow("unknown option") << QStringList { "--portt", "1" } << 2 << "unknown argument";
    QTest::newRow("help explains the options") << QStringList { "--help" } << 0 << "SIGTERM";
    QTest::newRow("help names the hold") << QStringList { "--help" } << 0 << "--hold-seat SECONDS";
    QTest::newRow("hold past an hour") << QStringList { "--hold-seat", "3601" } << 2
                                       << "bad hold time '3601' (seconds from 0 to 3600)";
    QTest::newRow("missing word file") << QStringList { "--port", "0", "--words", "/nonexistent/words" } << 2
                                       << "--words: /nonexistent/words: No such file or directory";
    QTest::newRow("word file that is a folder")
        << QStringList { "--port", "0", "--words", "/" } << 2 << "--words: /: not a regular file";
}

void ServerProcess::commandLineErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    QProcess host;
    host.start(m_program, arguments);
    QVERIFY(host.waitForFinished(kWait));
    QCOMPARE(host.exitCode(), exitCode);
    const QString output = QString::fromUtf8(host.readAllStandardError() + host.readAllStandardOutput());
    QVERIFY2(output.contains(says), qPrintable(output));
}

void ServerProcess::portInUseIsAClearError()
{
    // Someone else holds a port: take one from the kernel and keep it listening.
    const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(holder >= 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    QCOMPARE(::bind(holder, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    QCOMPARE(::listen(holder, 1), 0);
    socklen_t len = sizeof addr;
    QCOMPARE(::getsockname(holder, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    const QString port = QString::number(ntohs(addr.sin_port));

    QProcess host;
    host.start(m_program, { QStringLiteral("--port"), port });
    const bool finished = host.waitForFinished(kWait);
    ::close(holder);
    QVERIFY(finished);
    QCOMPARE(host.exitCode(), 1);
    const QString output = QString::fromUtf8(host.readAllStandardError());
    QVERIFY2(output.contains(QStringLiteral("port %1 is in use").arg(port)), qPrintable(output));
}

void ServerProcess::aCustomWordListIsLoggedAndToldToEveryPlayer_data()
{
    QTest::addColumn<QString>("how"); // "named" with --words, "found" as English in the working folder
    QTest::addColumn<bool>("custom");
    QTest::newRow("named with --words") << "named" << true;
    QTest::newRow("an English someone left in the working folder") << "found" << true;
    QTest::newRow("the built-in list, written by the host itself") << "none" << false;
}

void ServerProcess::aCustomWordListIsLoggedAndToldToEveryPlayer()
{
    QFETCH(QString, how);
    QFETCH(bool, custom);
    QTemporaryDir workDir;
    QVERIFY(workDir.isValid());
    QStringList arguments { QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--no-announce") };
    if (how == "named") {
        QFile list(workDir.filePath(QStringLiteral("mywords.txt")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("cat\nDog\noei\n");
        list.close();
        arguments << QStringLiteral("--words") << list.fileName();
    } else if (how == "found") {
        // Fifteen-byte records, as the host writes them: three words.
        QFile english(workDir.filePath(QStringLiteral("English")));
        QVERIFY(english.open(QIODevice::WriteOnly));
        for (const char* word : { "CAT", "DOG", "OEI" })
            english.write(QByteArray("\x1E") + QByteArray(word).leftJustified(14, ' '));
        english.close();
    }
    QProcess host;
    host.setWorkingDirectory(workDir.path());
    host.start(m_program, arguments);
    QVERIFY(host.waitForStarted(kWait));
    QByteArray log;
    const quint16 port = listeningPort(host, log);
    QVERIFY2(port != 0, log.constData());
    QVERIFY2(log.contains("not announced on the local network"), log.constData());
    QCOMPARE(log.contains("is not the built-in one: 3 words"), custom);

    RawClient ann;
    QCOMPARE(ann.join(port, "Ann"), 1);
    QVERIFY(ann.sync());
    const std::string told = "CMD_notice+This game uses a custom word list of 3 words";
    QCOMPARE(std::count(ann.history().begin(), ann.history().end(), told), custom ? 1 : 0);
    host.terminate();
    QVERIFY(host.waitForFinished(kWait));
}

QTEST_GUILESS_MAIN(ServerProcess)
#include "server_process.moc"
