// The game program as the lobby starts it: a separate process with a real
// command line, ended the way a session ends it.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class ProgramTest : public QObject
{
    Q_OBJECT
private slots:
    void commandLineWordsAreNeverQtOptions_data();
    void commandLineWordsAreNeverQtOptions();
};

void ProgramTest::commandLineWordsAreNeverQtOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("firstLine");
    // Qt takes "-platform NAME" for itself and aborts when no such plugin exists.
    QTest::newRow("player named -platform crashed the program at start")
        << QStringList { "-platform", "127.0.0.1.5" } << "0+Loading Multi-player Game.. Please Wait.";
    QTest::newRow("player named -platform on a join crashed the program at start")
        << QStringList { "-platform", "127.0.0.1.5", "x" } << "0+Loading Multi-player Game.. Please Wait.";
}

void ProgramTest::commandLineWordsAreNeverQtOptions()
{
    QFETCH(QStringList, args);
    QFETCH(QString, firstLine);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", home.path());
    env.insert("XDG_RUNTIME_DIR", home.path()); // a single-instance guard of its own
    env.insert("ZIRKY_LOG_CHAT", "1");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home.path());
    program.start(QStringLiteral(ZIRKY_PROGRAM), args);
    QVERIFY(program.waitForStarted(20000));

    QByteArray err;
    const QByteArray expected = "chat: " + firstLine.toUtf8() + "\n";
    QTRY_VERIFY_WITH_TIMEOUT(
        (err += program.readAllStandardError()).contains(expected) || program.state() == QProcess::NotRunning, 20000);
    QVERIFY2(err.contains(expected), err.constData());
    QCOMPARE(program.state(), QProcess::Running);

    program.terminate(); // SIGTERM: closes the window as "Exit" does
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "tst_program.moc"
