// The main window over real loopback connections: launch by command line,
// the roster as the host reports it, removal and watching, and a host that
// misbehaves or goes away.

#include "ClientHarness.h"
#include "FloodingHost.h"
#include "client/ConnectionText.h"

#include "net/Commands.h"
#include "windows/TallyRecord.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTextBlock>

#include <cstdio>
#include <unistd.h>
#include <QTextCursor>

#include <algorithm>
#include <map>

namespace
{

bool contains(const std::vector<std::string>& v, const std::string& s)
{
    return std::find(v.begin(), v.end(), s + '\xFF') != v.end() || std::find(v.begin(), v.end(), s) != v.end();
}

std::string unframed(const std::string& framed) { return framed.substr(0, framed.size() - 1); }

QLabel* label(MainWindow* window, const QString& name) { return window->findChild<QLabel*>(name); }

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void commandLine_data();
    void commandLine();
    void soloGameLogsInToItsOwnHost();
    void hostingOnATakenPortDoesNotPretend();
    void loginAndRoster();
    void spectatorsOwnArrival();
    void hostileHostMessagesAreIgnored();
    void peerTextReachesTheLogOnlyAsPrintable();
    void aFloodOfIgnoredMessagesLogsAFewLines();
    void hostGoneEndsTheProgram_data();
    void hostGoneEndsTheProgram();
    void gameIsFullIsReadBeforeTheWindowCloses_data();
    void gameIsFullIsReadBeforeTheWindowCloses();
    void kickMenuRules();
    void removalAndWatchCommands();
    void startButton();
    void joinerInSeatOneHoldsTheHostsRights();
    void menuItemsOpenTheirWindows_data();
    void menuItemsOpenTheirWindows();
    void choicesOfOneKindExcludeEachOther();
    void everyMoveAndWindowHasItsOwnKey();
    void exitAndF1DoWhatTheySay();
    void chatLinesAreTextNeverMarkup();
    void resultsReachTheTally();
    void joiningAHostThatIsNotThere_data();
    void joiningAHostThatIsNotThere();
};

void MainWindowTest::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("hosts");
    QTest::addColumn<bool>("connects");
    QTest::addColumn<QString>("connectsTo");
    QTest::addColumn<bool>("lobby");
    QTest::addColumn<bool>("fastHidden");

    QTest::newRow("true hosts and connects to loopback, not to the given address")
        << QStringList { "Ann", "192.0.2.7", "true" } << true << true << "127.0.0.1" << true << false;
    QTest::newRow("any other role joins the given address")
        << QStringList { "Ann", "localhost", "false" } << false << true << "localhost" << true << false;
    QTest::newRow("role word is case-sensitive")
        << QStringList { "Ann", "localhost", "TRUE" } << false << true << "localhost" << true << false;
    QTest::newRow("s hides the fast game")
        << QStringList { "Ann", "localhost", "x", "s" } << false << true << "localhost" << true << true;
    QTest::newRow("S does not hide the fast game")
        << QStringList { "Ann", "localhost", "x", "S" } << false << true << "localhost" << true << false;
    QTest::newRow("one argument neither hosts nor joins")
        << QStringList { "Ann" } << false << false << "" << false << false;
    QTest::newRow("two arguments neither host nor join")
        << QStringList { "Ann", "localhost" } << false << false << "" << false << false;
}

void MainWindowTest::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(bool, hosts);
    QFETCH(bool, connects);
    QFETCH(QString, connectsTo);
    QFETCH(bool, lobby);
    QFETCH(bool, fastHidden);

    ScriptedHost host;
    std::vector<std::string> argv;
    for (const QString& a : args)
        argv.push_back(a.toStdString());
    // A host row connects to the in-process host; a join row to the scripted one.
    ClientHarness h(argv, hosts ? 0 : host.port());
    h.start();

    QTRY_VERIFY(h.chatText().startsWith("Loading Multi-player Game.. Please Wait."));
    QCOMPARE(h.window->session().hostRights(), hosts);
    QCOMPARE(h.window->findChild<QPushButton*>("button_start")->isVisible(), hosts);
    QCOMPARE(h.window->action("StartGame1")->isEnabled(), hosts);
    QCOMPARE(h.spectators->removeAction()->isEnabled(), hosts);
    QCOMPARE(h.startDialog->fastHidden(), fastHidden);
    QVERIFY(!h.download->isVisible());
    QCOMPARE(h.window->connection()->lobbyLinkHeld(), lobby);
    if (lobby)
        QVERIFY(h.lobby.waitForNewConnection(5000));
    if (connects) {
        QCOMPARE(h.window->connection()->address(), connectsTo);
        QCOMPARE(h.window->session().loginName(), std::string("Ann"));
        if (hosts)
            QTRY_VERIFY(h.chatText().contains("You are Connected."));
        else
            QVERIFY(host.waitForClient());
    } else {
        QVERIFY(h.window->session().loginName().empty());
        QVERIFY(!h.window->connection()->connected());
        QCOMPARE(h.chatText(), QString("Loading Multi-player Game.. Please Wait."));
    }
}

void MainWindowTest::soloGameLogsInToItsOwnHost()
{
    ClientHarness h({}, 0);
    h.start();
    QTRY_VERIFY(h.chatText().contains("You are Connected."));
    QVERIFY(h.chatText().startsWith("Loading Solo Game..Please wait.\n"));
    QCOMPARE(h.window->launchPlan().playerName, std::string("You"));
    QCOMPARE(h.window->connection()->address(), QString("127.0.0.1"));
    QVERIFY(h.window->session().hostRights());
    QVERIFY(h.download->isVisible());
    QVERIFY(!h.window->connection()->lobbyLinkHeld());
    QCOMPARE(label(h.window.get(), "label_playername1")->text(), QString("You"));
    QCOMPARE(h.window->loadCount(), 1);

    // 0xFF0000 is blue in the wire's byte order, not red.
    const QTextCursor first(h.window->chatView()->document()->firstBlock());
    QTextCursor probe(first);
    probe.movePosition(QTextCursor::Right);
    QCOMPARE(probe.charFormat().foreground().color(), QColor(0, 0, 255));
}

void MainWindowTest::hostingOnATakenPortDoesNotPretend()
{
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::Any, 0));
    ClientHarness h({}, 0, true, squatter.serverPort());
    h.start();
    QTRY_COMPARE(h.messages.size(), 1);
    QVERIFY(h.messages[0].contains(QString::number(squatter.serverPort())));
    QVERIFY(h.messages[0].contains("in use"));
    QVERIFY(!h.window->session().hostRights());
    QVERIFY(!h.window->findChild<QPushButton*>("button_start")->isVisible());
    QVERIFY(!h.window->action("StartGame1")->isEnabled());
    QVERIFY(!squatter.hasPendingConnections());
}

void MainWindowTest::loginAndRoster()
{
    ScriptedHost host;
    ClientHarness h({ "Ann", "127.0.0.1", "false" }, host.port());
    h.start();
    QVERIFY(host.waitForClient());

    host.send(net::msg::sendlogininfo(2));
    QTRY_VERIFY(contains(host.received(), unframed(net::msg::logininfo(2, "1.0.13", "Ann"))));
    QVERIFY(h.window->session().roster().connected());
    QCOMPARE(h.window->loadCount(), 0);

    host.send(net::msg::newplayerinfo(2, "Ann") + net::msg::existingplayers(1, "Hosty"));
    QTRY_VERIFY(h.chatText().contains("Hosty is Connected."));
    QVERIFY(h.chatText().contains("You are Connected."));
    QCOMPARE(h.window->loadCount(), 1);
    QCOMPARE(label(h.window.get(), "label_playername1")->text(), QString("Hosty"));
    QCOMPARE(label(h.window.get(), "label_playername2")->text(), QString("Ann"));
    QCOMPARE(label(h.window.get(), "label_playername3")->text(), QString("<Waiting>"));

    host.send(net::msg::newplayerinfo(2, "Ann"));
    QTRY_COMPARE(h.window->loadCount(), 2); // every own arrival reads the settings again

    host.send(net::msg::newplayerinfo(7, "Spy"));
    QTRY_VERIFY(h.chatText().contains("Spy is spying."));
    QVERIFY(h.spectators->hasSpy(7, "Spy"));

    const int blocks = h.window->chatView()->document()->blockCount();
    host.send(net::msg::playerdisconnected(4, "") + net::msg::playerdisconnected(8, "Ghost")
        + net::msg::playerdisconnected(7, "Spy"));
    QTRY_VERIFY(h.chatText().endsWith("Spy has left."));
    QCOMPARE(h.window->chatView()->document()->blockCount(), blocks + 1); // free seat and stranger: silent
    QVERIFY(!h.spectators->hasSpy(7, "Spy"));

    host.send(net::msg::justwatching(2, true));
    QTRY_VERIFY(h.chatText().endsWith("You are just watching"));
    QVERIFY(h.window->action("JustWatch1")->isChecked());
    QVERIFY(!label(h.window.get(), "image_eyes2")->isHidden());
    // The eyes are drawn when a seat first shows them, at the size they are shown.
    QTRY_COMPARE(label(h.window.get(), "image_eyes2")->pixmap().deviceIndependentSize().toSize(),
        label(h.window.get(), "image_eyes2")->size());
    host.send(net::msg::justwatching(2, false));
    QTRY_VERIFY(h.chatText().endsWith("You are playing again"));
    QVERIFY(!h.window->action("JustWatch1")->isChecked());
    QVERIFY(label(h.window.get(), "image_eyes2")->isHidden());

    host.send(net::msg::playerdisconnected(1, "Hosty"));
    QTRY_VERIFY(h.chatText().endsWith("Hosty disconnected."));
    QCOMPARE(label(h.window.get(), "label_playername1")->text(), QString("<Waiting>"));

    host.send(net::msg::havewrongversion("Old") + net::msg::wrongversion());
    QTRY_VERIFY(h.chatText().endsWith("You have a differnt version of the game then the host."));
    QVERIFY(h.chatText().contains("Old has a different version of the game then you."));
    QCOMPARE(h.closed->count(), 0);
}

void MainWindowTest::spectatorsOwnArrival()
{
    ScriptedHost host;
    ClientHarness h({ "Zed", "127.0.0.1", "false" }, host.port());
    h.start();
    QVERIFY(host.waitForClient());
    host.send(net::msg::sendlogininfo(8) + net::msg::newplayerinfo(8, "Zed"));
    QTRY_VERIFY(h.chatText().endsWith("You are Connected.\nYou are spying."));
    QVERIFY(h.spectators->hasSpy(8, "Zed"));
    for (int seat = 1; seat <= 6; ++seat)
        QCOMPARE(label(h.window.get(), QString("label_playername%1").arg(seat))->text(), QString("<Waiting>"));
}

void MainWindowTest::hostileHostMessagesAreIgnored()
{
    ScriptedHost host;
    ClientHarness h({ "Ann", "127.0.0.1", "false" }, host.port());
    h.start();
    QVERIFY(host.waitForClient());
    host.send(net::msg::sendlogininfo(2) + net::msg::newplayerinfo(2, "Ann"));
    QTRY_COMPARE(h.window->loadCount(), 1);

    const std::string junk[] = {
        "CMD_newplayerinfo+0+Zero",
        "CMD_newplayerinfo+10+Ten",
        "CMD_newplayerinfo+x+NaN",
        "CMD_newplayerinfo+",
        "CMD_playerdisconnected+-1+X",
        "CMD_playerdisconnected+99+X",
        "CMD_justwatching+7+1",
        "CMD_justwatching+0+1",
        "CMD_justwatching+",
        "CMD_sendlogininfo+0",
        "CMD_sendlogininfo+banana",
        "CMD_thedice+99+true+A",
        "CMD_setdice+-5+77",
        "CMD_scores+1",
        "cmd_full+",
        "CMD_full",
        "",
        "CMD_newplayerinfo+4294967298+Wrap",
    };
    std::string burst;
    for (const auto& j : junk)
        burst += j + '\xFF';
    host.send(burst + net::msg::newplayerinfo(3, "Sentinel"));
    QTRY_VERIFY(h.chatText().endsWith("Sentinel is Connected."));
    QCOMPARE(h.closed->count(), 0);
    QVERIFY(h.messages.isEmpty());
    QCOMPARE(h.window->session().roster().mySeat(), 2);
    QCOMPARE(h.spectators->spyCount(), 0);
    for (int seat : { 1, 4, 5, 6 })
        QCOMPARE(label(h.window.get(), QString("label_playername%1").arg(seat))->text(), QString("<Waiting>"));
    QVERIFY(!h.chatText().contains("Zero") && !h.chatText().contains("Ten") && !h.chatText().contains("Wrap"));
}

namespace
{

// Everything this program writes to stderr while it lives.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        m_file = std::tmpfile();
        ::dup2(::fileno(m_file), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        std::fclose(m_file);
    }
    std::string text() const
    {
        std::fflush(stderr);
        std::string out;
        std::rewind(m_file);
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, m_file)) > 0;)
            out.append(buf, n);
        return out;
    }

private:
    int m_saved = -1;
    std::FILE* m_file = nullptr;
};

} // namespace

void MainWindowTest::peerTextReachesTheLogOnlyAsPrintable()
{
    ScriptedHost host;
    ClientHarness h({ "Ann", "127.0.0.1", "false" }, host.port());
    h.window->connection()->setEcho(true); // every host message to stderr, as ZIRKY_LOG_GAME=1
    h.start();
    QVERIFY(host.waitForClient());
    host.send(net::msg::sendlogininfo(2) + net::msg::newplayerinfo(2, "Ann"));
    QTRY_COMPARE(h.window->loadCount(), 1);

    struct Row {
        const char* fault;
        std::string message;
    };
    const Row rows[] = {
        { "a chatter sound's name forged a log line and coloured the terminal",
            "CMD_playasound+3+x\"\nzirky: FORGED by host\x1B[31m\xFF" },
        { "a C1 control and a right-to-left override reached the terminal",
            "CMD_playasound+3+\xC2\x9B" "31m\xE2\x80\xAE" "exe.txt\xFF" },
        { "a player's name forged a log line", net::msg::newplayerinfo(3, "Eve\nzirky: FORGED by Eve") },
        { "chat forged a log line", "CMD_chat+3+Eve chats: \nzirky: FORGED\x1B]0;title\x07|clBlack\xFF" },
    };
    int sentinel = 0;
    for (const Row& r : rows) {
        StderrCapture capture;
        const std::string name = "Sentinel" + std::to_string(++sentinel);
        host.send(r.message + net::msg::newplayerinfo(4, name));
        QTRY_VERIFY(h.chatText().contains(QString::fromStdString(name + " is Connected.")));
        const std::string log = capture.text();
        QVERIFY2(log.find("host: CMD_") != std::string::npos, "nothing was echoed: the test proves nothing");
        QVERIFY2(log.find("\nzirky: FORGED") == std::string::npos, r.fault);
        for (const char* raw : { "\x1B", "\x07", "\xC2\x9B", "\xE2\x80\xAE" })
            QVERIFY2(log.find(raw) == std::string::npos, r.fault);
    }
    QVERIFY(!h.chatText().contains(QChar(0x202E)));
}

void MainWindowTest::aFloodOfIgnoredMessagesLogsAFewLines()
{
    ScriptedHost host;
    ClientHarness h({ "Ann", "127.0.0.1", "false" }, host.port());
    h.start();
    QVERIFY(host.waitForClient());
    host.send(net::msg::sendlogininfo(2) + net::msg::newplayerinfo(2, "Ann"));
    QTRY_COMPARE(h.window->loadCount(), 1);

    StderrCapture capture;
    std::string flood;
    for (int i = 0; i < 3000; ++i)
        flood += net::msg::loadscores(3, i); // no game runs: each is ignored
    host.send(flood + net::msg::newplayerinfo(4, "Sentinel"));
    QTRY_VERIFY(h.chatText().contains("Sentinel is Connected."));
    const std::string log = capture.text();
    QVERIFY2(std::count(log.begin(), log.end(), '\n') <= 6, log.c_str());
    QVERIFY(log.find("ignored: score with no game running") != std::string::npos);
}

void MainWindowTest::hostGoneEndsTheProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::newRow("host closes the connection") << "close"
                                                << "";
    QTest::newRow("host floods without a message end") << "flood"
                                                       << "";
    QTest::newRow("game is full") << "full"
                                  << "Game is full";
    QTest::newRow("host lost after seating us") << "seated-close"
                                                << "The connection to the game host was lost.";
    QTest::newRow("host floods the window without end") << "endless"
                                                        << QString::fromUtf8(client::kHostFlooded.data());
}

void MainWindowTest::hostGoneEndsTheProgram()
{
    QFETCH(QString, how);
    QFETCH(QString, message);
    if (how == "endless") {
        // A hostile host sends scores without end from its first byte.
        FloodingHost flood(net::msg::loadscores(3, 1), -1);
        ClientHarness h({ "Ann", "127.0.0.1", "false" }, flood.port());
        h.window->connection()->setQueueLimits({ 1000, 1024 * 1024, 2000 });
        h.start();
        QTRY_COMPARE_WITH_TIMEOUT(h.closed->count(), 1, 30000);
        QCOMPARE(h.messages, QStringList { message });
        return;
    }
    ScriptedHost host;
    ClientHarness h({ "Ann", "127.0.0.1", "false" }, host.port());
    h.start();
    QVERIFY(host.waitForClient());
    if (how == "close")
        host.peer->close();
    else if (how == "flood")
        host.send(std::string(net::kMaxPendingBytes + 10, 'A'));
    else if (how == "seated-close") {
        host.send(net::msg::sendlogininfo(2));
        QTRY_VERIFY(h.window->session().roster().connected());
        host.peer->close();
    } else
        host.send(net::msg::full());
    QTRY_COMPARE(h.closed->count(), 1);
    QVERIFY(!h.window->isVisible());
    if (message.isEmpty())
        QVERIFY(h.messages.isEmpty());
    else
        QCOMPARE(h.messages, QStringList { message });
}

void MainWindowTest::gameIsFullIsReadBeforeTheWindowCloses_data()
{
    QTest::addColumn<bool>("hangUpWhileShown");
    // The host refuses a tenth connection with "CMD_full" and drops it at once.
    QTest::newRow("hang-up read with the message closed the window unannounced") << false;
    QTest::newRow("hang-up while the message is up took it away unread") << true;
}

void MainWindowTest::gameIsFullIsReadBeforeTheWindowCloses()
{
    QFETCH(bool, hangUpWhileShown);
    ScriptedHost host;
    ClientHarness h({ "Ann", "127.0.0.1", "false" }, host.port());
    h.start();
    QVERIFY(host.waitForClient());

    QStringList shown;
    bool openWhileShown = false;
    // Like a real message box: the program keeps running until the player answers.
    const MessageHook harnessHook = setMessageHook([&](QWidget*, const QString& text) {
        shown << text;
        if (hangUpWhileShown)
            host.peer->close();
        // Either the host hangs up or it does not; both are what this test is about.
        (void)QTest::qWaitFor([&] { return !h.window->connection()->connected() || !h.window->isVisible(); }, 5000);
        QCoreApplication::processEvents();
        openWhileShown = h.window->isVisible();
    });
    host.send(net::msg::full());
    if (!hangUpWhileShown)
        host.peer->close();
    QTRY_COMPARE(h.closed->count(), 1);
    setMessageHook(harnessHook);
    QCOMPARE(shown, QStringList { "Game is full" });
    QVERIFY2(openWhileShown, "the window closed under the message");
    QVERIFY(!h.window->isVisible());
}

void MainWindowTest::kickMenuRules()
{
    {
        ScriptedHost host;
        ClientHarness joined({ "Ann", "127.0.0.1", "false" }, host.port());
        joined.start();
        QVERIFY(host.waitForClient());
        host.send(net::msg::sendlogininfo(2) + net::msg::newplayerinfo(1, "Hosty"));
        QTRY_COMPARE(label(joined.window.get(), "label_playername1")->text(), QString("Hosty"));
        joined.window->prepareSeatMenu(1);
        QVERIFY(!joined.window->action("RemoveFromGame1")->isEnabled());
        QVERIFY(!joined.window->action("SettoJustWatch1")->isEnabled());
        QVERIFY(!joined.window->action("UnsetJustWatch1")->isEnabled());
        QVERIFY(!joined.spectators->removeAction()->isEnabled());
    }
    {
        ScriptedHost host;
        ClientHarness hosting({ "Ann", "x", "true" }, host.port());
        hosting.start();
        QVERIFY(host.waitForClient());
        hosting.window->prepareSeatMenu(3); // "<Waiting>"
        QVERIFY(!hosting.window->action("RemoveFromGame1")->isEnabled());
        QVERIFY(hosting.window->action("SettoJustWatch1")->isEnabled());
        QVERIFY(hosting.window->action("UnsetJustWatch1")->isEnabled());
        QVERIFY(hosting.spectators->removeAction()->isEnabled());
        QCOMPARE(hosting.window->seatMenu()->property("tag").toInt(), 3);
        host.send(net::msg::newplayerinfo(3, "Cy"));
        QTRY_COMPARE(label(hosting.window.get(), "label_playername3")->text(), QString("Cy"));
        hosting.window->prepareSeatMenu(3);
        QVERIFY(hosting.window->action("RemoveFromGame1")->isEnabled());
    }
}

void MainWindowTest::removalAndWatchCommands()
{
    ScriptedHost host;
    // Hosting (the in-process host listens) but talking to the scripted host, to see what is sent.
    ClientHarness h({ "Ann", "x", "true" }, host.port());
    h.start();
    QVERIFY(host.waitForClient());

    // Nothing goes out before the host gave us a seat.
    h.window->prepareSeatMenu(5);
    h.window->action("RemoveFromGame1")->trigger();
    h.window->action("JustWatch1")->trigger();

    host.send(net::msg::sendlogininfo(1) + net::msg::newplayerinfo(1, "Ann") + net::msg::newplayerinfo(5, "Eve"));
    QTRY_COMPARE(label(h.window.get(), "label_playername5")->text(), QString("Eve"));

    h.window->prepareSeatMenu(5);
    h.window->action("RemoveFromGame1")->trigger();
    h.window->action("SettoJustWatch1")->trigger(); // slot 5 may never watch
    h.window->prepareSeatMenu(3);
    h.window->action("SettoJustWatch1")->trigger();
    h.window->action("UnsetJustWatch1")->trigger();
    h.spectators->onKick(8);
    // Alone in the playing seats: watching would leave nobody to play, so the item is greyed.
    QVERIFY(!h.window->action("JustWatch1")->isEnabled());
    h.window->action("JustWatch1")->trigger();
    host.send(net::msg::newplayerinfo(2, "Bob"));
    QTRY_VERIFY(h.window->action("JustWatch1")->isEnabled());
    h.window->action("JustWatch1")->trigger();
    QVERIFY2(!h.window->action("JustWatch1")->isChecked(), "the check waits for the host's answer");

    const std::vector<std::string> expected = {
        unframed(net::msg::logininfo(1, "1.0.13", "Ann")),
        unframed(net::msg::kickhim(1, 5)),
        unframed(net::msg::justwatch(3, true)),
        unframed(net::msg::justwatch(3, false)),
        unframed(net::msg::kickhim(1, 8)),
        unframed(net::msg::justwatch(1, true)),
    };
    QTRY_COMPARE(host.received().size(), expected.size());
    QCOMPARE(host.received(), expected);

    host.send(net::msg::justwatching(1, true));
    QTRY_VERIFY(h.window->action("JustWatch1")->isChecked());
    h.window->action("JustWatch1")->trigger();
    QTRY_COMPARE(host.received().back(), unframed(net::msg::justwatch(1, false)));
    QVERIFY(h.window->action("JustWatch1")->isChecked());
}

void MainWindowTest::startButton()
{
    ScriptedHost host;
    ClientHarness h({ "Ann", "x", "true", "s" }, host.port());
    h.start();
    QVERIFY(host.waitForClient());
    h.window->findChild<QPushButton*>("button_start")->click();
    QCOMPARE(h.messages, QStringList { "You are not connected" });
    QVERIFY(!h.startDialog->isVisible());

    host.send(net::msg::sendlogininfo(1) + net::msg::newplayerinfo(1, "Ann"));
    QTRY_COMPARE(h.window->loadCount(), 1);
    h.window->action("StartGame1")->trigger();
    QVERIFY(h.startDialog->isVisible());
    h.startDialog->onStartClicked();
    // No settings file: 5000, 60, 2000, new tiles and typing on; the fast game was hidden by "s".
    net::GameOptions o;
    o.fast = false;
    QTRY_COMPARE(host.received().back(), unframed(net::msg::startgame(1, o)));
    QVERIFY(QFile::exists(h.settingsPath()));
}

void MainWindowTest::joinerInSeatOneHoldsTheHostsRights()
{
    // A dedicated host has no player of its own; without this nobody could start a game there.
    ScriptedHost host;
    ClientHarness h({ "Ann", "127.0.0.1", "false" }, host.port());
    h.start();
    QVERIFY(host.waitForClient());
    auto* start = h.window->findChild<QPushButton*>("button_start");
    QVERIFY(start->isHidden());
    QVERIFY(!h.window->action("StartGame1")->isEnabled());

    host.send(net::msg::sendlogininfo(1) + net::msg::newplayerinfo(1, "Ann"));
    QTRY_VERIFY(h.window->session().hostRights());
    QVERIFY(!start->isHidden());
    QVERIFY(h.window->action("StartGame1")->isEnabled());
    h.window->action("StartGame1")->trigger();
    h.startDialog->onStartClicked();
    // The host may not have read anything yet when first asked.
    QTRY_VERIFY(!host.received().empty() && host.received().back().rfind("CMD_startgame+1+f+", 0) == 0);

    // Any other seat of a joiner keeps the controls hidden.
    ScriptedHost other;
    ClientHarness j({ "Bob", "127.0.0.1", "false" }, other.port());
    j.start();
    QVERIFY(other.waitForClient());
    other.send(net::msg::sendlogininfo(2) + net::msg::newplayerinfo(2, "Bob"));
    QTRY_COMPARE(j.window->loadCount(), 1);
    QVERIFY(!j.window->session().hostRights());
    QVERIFY(j.window->findChild<QPushButton*>("button_start")->isHidden());
}

namespace
{

// The menu item a player reaches by these captions, or null.
QAction* menuItem(MainWindow* window, const QStringList& captions)
{
    QList<QAction*> actions = window->menuBar()->actions();
    QAction* found = nullptr;
    for (const QString& caption : captions) {
        const auto it = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == caption; });
        if (it == actions.end())
            return nullptr;
        found = *it;
        actions = found->menu() ? found->menu()->actions() : QList<QAction*> {};
    }
    return found;
}

} // namespace

void MainWindowTest::menuItemsOpenTheirWindows_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("window");
    QTest::newRow("the tally") << QStringList { "View", "View Tally" } << "tally";
    QTest::newRow("the spectators") << QStringList { "View", "Spy List" } << "spectators";
    QTest::newRow("the phrases") << QStringList { "View", "Phrase List" } << "phrases";
    QTest::newRow("the help") << QStringList { "Help", "Content" } << "help";
    QTest::newRow("the about box") << QStringList { "Help", "About" } << "about";
}

void MainWindowTest::menuItemsOpenTheirWindows()
{
    QFETCH(QStringList, captions);
    QFETCH(QString, window);
    ClientHarness h({ "Ann" }, 0, false);
    h.start();
    const std::map<QString, QWidget*> windows { { "tally", h.tally.get() }, { "spectators", h.spectators.get() },
        { "phrases", h.phrases.get() }, { "help", h.help.get() }, { "about", h.about.get() } };
    QAction* item = menuItem(h.window.get(), captions);
    QVERIFY2(item && item->isEnabled() && item->isVisible(), qPrintable(captions.join(" > ")));
    item->trigger();
    for (const auto& [name, w] : windows)
        QCOMPARE(w->isVisible(), name == window);
}

void MainWindowTest::choicesOfOneKindExcludeEachOther()
{
    ClientHarness h({ "Ann" }, 0, false);
    h.start();
    MainWindow* w = h.window.get();
    const auto checked = [&](const QStringList& parent, const QStringList& items) {
        QStringList out;
        for (const QString& item : items)
            if (menuItem(w, parent + QStringList { item })->isChecked())
                out << item;
        return out;
    };
    const QStringList sounds { "Classic", "New" };
    const QStringList sizes { "8", "10", "12", "14" };
    menuItem(w, { "Options", "Turn Sound", "New" })->trigger();
    QCOMPARE(checked({ "Options", "Turn Sound" }, sounds), QStringList { "New" });
    QCOMPARE(w->turnSound(), 1);
    menuItem(w, { "Options", "Turn Sound", "Classic" })->trigger();
    QCOMPARE(checked({ "Options", "Turn Sound" }, sounds), QStringList { "Classic" });
    QCOMPARE(w->turnSound(), 0);
    for (const QString& size : sizes) {
        menuItem(w, { "Options", "Text Size", size })->trigger();
        QCOMPARE(checked({ "Options", "Text Size" }, sizes), QStringList { size });
        QCOMPARE(w->chatView()->textSize(), size.toInt());
    }
}

void MainWindowTest::everyMoveAndWindowHasItsOwnKey()
{
    ClientHarness h({ "Ann" }, 0, false);
    h.start();
    QCOMPARE(h.window->findChild<QAction*>("PlayPhrase1")->text(), QString("Way To Go!"));
    QCOMPARE(h.window->action("Help2")->shortcut(), QKeySequence(Qt::Key_F1));
    // Every move and every window has a key, each key one action.
    QSet<QString> keys;
    for (const char* name : { "StartGame1", "Exit1", "PlayDone1", "PlayTakeBack1", "PlayClear1", "PlayShuffle1",
             "PlayNewTiles1", "PlayOldTiles1", "PlayFinish1", "PlayTilesOrChat1", "PlayCloseLists1", "PlaySayBoard1",
             "JustWatch1", "ViewTally1", "SpyList1", "PrhaseList1", "Help2", "About1", "PlayPhrase9" }) {
        const QKeySequence key = h.window->findChild<QAction*>(name)->shortcut();
        QVERIFY2(!key.isEmpty(), name);
        QVERIFY2(!keys.contains(key.toString()), name);
        keys.insert(key.toString());
    }
}

void MainWindowTest::exitAndF1DoWhatTheySay()
{
    ClientHarness h({ "Ann" }, 0, false);
    h.start();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    QTest::keyClick(h.window.get(), Qt::Key_F1);
    QTRY_VERIFY(h.help->isVisible());
    menuItem(h.window.get(), { "File", "Exit" })->trigger();
    QTRY_COMPARE(h.closed->count(), 1);
    QVERIFY(!h.window->isVisible());
}

void MainWindowTest::chatLinesAreTextNeverMarkup()
{
    ClientHarness h({ "Ann" }, 0, false);
    // A player's line starts with its head in bold; nothing in it is read as markup.
    h.window->chatView()->addLine("0+<b>not bold</b> & <i>", Qt::blue);
    h.window->chatView()->addLine("7+Bob chats: hello", Qt::red);
    QVERIFY(h.chatText().endsWith("<b>not bold</b> & <i>\nBob chats: hello"));
    QTextCursor head(h.window->chatView()->document()->lastBlock());
    head.movePosition(QTextCursor::Right);
    QCOMPARE(head.charFormat().fontWeight(), int(QFont::Bold));
}

void MainWindowTest::resultsReachTheTally()
{
    ScriptedHost host;
    ClientHarness h({ "Ann", "127.0.0.1", "false" }, host.port());
    h.start();
    QVERIFY(host.waitForClient());
    host.send(net::msg::sendlogininfo(1) + net::msg::newplayerinfo(1, "Ann") + net::msg::existingplayers(2, "Bob"));
    QTRY_COMPARE(label(h.window.get(), "label_playername2")->text(), QString("Bob"));
    h.tally->addscore(windows::kHighestTurn, 500);

    host.send(net::msg::startgameRelay("Ann", {}) + net::msg::scores(1, 300, 100, 4, 400, 1, 400)
        + net::msg::scores(1, 700, 100, 4, 1200, 1, 1200));
    QTRY_COMPARE(h.tally->highestTurnScore(), 800);
    host.send(net::msg::scores(1, 100, 0, 1, 1300, 1, 1300));
    host.send(net::msg::winner("Ann"));
    QTRY_VERIFY(h.window->findChild<QLabel*>("label_winner")->text() == "You have Won the Game!");
    QCOMPARE(h.tally->highestTurnScore(), 800); // a lower turn does not replace the best
    QCOMPARE(h.tally->highestGameScore(), 1300);
    QCOMPARE(h.tally->record().mine(windows::kTotalGames), std::int64_t(1));
    QCOMPARE(h.tally->record().mine(windows::kTotalWins), std::int64_t(1));
}

void MainWindowTest::joiningAHostThatIsNotThere_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("listenerGone");
    QTest::addColumn<QString>("told");
    QTest::newRow("nobody listens on the port") << "127.0.0.1" << true << "No game is running at 127.0.0.1 port %1.";
    // Dotted text the socket rejects before any resolver is asked: the window used to stay open forever.
    QTest::newRow("address that cannot be looked up")
        << "127.0.0.1.5" << false << "The address 127.0.0.1.5 cannot be found.";
}

void MainWindowTest::joiningAHostThatIsNotThere()
{
    QFETCH(QString, address);
    QFETCH(bool, listenerGone);
    QFETCH(QString, told);
    quint16 deadPort = 7772;
    if (listenerGone) {
        QTcpServer probe; // a port that was free a moment ago and has nobody listening now
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        deadPort = probe.serverPort();
    }
    ClientHarness h({ "Ann", address.toStdString(), "false" }, deadPort, false);
    h.start();
    QTRY_COMPARE(h.closed->count(), 1);
    // Plain words with the address and port, never a socket error number.
    const QString expected = told.contains("%1") ? told.arg(deadPort) : told;
    QVERIFY(h.chatText().contains(expected));
    QCOMPARE(h.messages, QStringList { expected });
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
