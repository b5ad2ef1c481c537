// A window and the real host over loopback when the link between them breaks:
// a relay that resets the window's side in the middle of a game, a stranger
// who takes the window's name while its seat is held, a host that stops
// answering, a player who leaves on purpose or is removed, and the leader on
// a host with no player of its own.

#include "BoardLookup.h"
#include "ClientHarness.h"

#include "client/TileWidget.h"
#include "net/TSock.h"
#include "Lines.h"
#include "tests/host/server_harness.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

using harness::Host;
using harness::RawClient;

namespace
{

// Passes bytes between windows and a host, one pair of sockets per
// connection, until told to break a link the way networks do.
class Relay
{
public:
    explicit Relay(quint16 hostPort)
        : m_hostPort(hostPort)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { accept(); });
    }
    quint16 port() const { return m_server.serverPort(); }
    int connections() const { return m_accepted; }
    // While closed, a window that knocks is hung up on at once.
    void setClosed(bool closed) { m_closed = closed; }

    // The window's side is reset; the host's side stays open and hears nothing
    // more (a dead link often says no word), unless `hostSideToo`.
    void cut(bool hostSideToo)
    {
        for (auto& p : m_pairs) {
            QObject::disconnect(p->window, nullptr, nullptr, nullptr);
            QObject::disconnect(p->host, nullptr, nullptr, nullptr);
            resetAndClose(p->window);
            if (hostSideToo)
                resetAndClose(p->host);
        }
        m_pairs.clear();
    }

private:
    struct Pair {
        QTcpSocket* window = nullptr;
        QTcpSocket* host = nullptr;
    };
    static void resetAndClose(QTcpSocket* s)
    {
        const linger hard { 1, 0 };
        ::setsockopt(static_cast<int>(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        s->abort();
    }
    void accept()
    {
        while (QTcpSocket* window = m_server.nextPendingConnection()) {
            ++m_accepted;
            if (m_closed) {
                window->abort();
                continue;
            }
            auto pair = std::make_unique<Pair>();
            pair->window = window;
            pair->host = new QTcpSocket(window);
            pair->host->connectToHost(QHostAddress::LocalHost, m_hostPort);
            QTcpSocket* toHost = pair->host;
            QObject::connect(window, &QTcpSocket::readyRead, [window, toHost] { toHost->write(window->readAll()); });
            QObject::connect(toHost, &QTcpSocket::readyRead, [window, toHost] { window->write(toHost->readAll()); });
            QObject::connect(window, &QTcpSocket::disconnected, toHost, &QTcpSocket::disconnectFromHost);
            QObject::connect(toHost, &QTcpSocket::disconnected, window, &QTcpSocket::disconnectFromHost);
            m_pairs.push_back(std::move(pair));
        }
    }

    QTcpServer m_server;
    quint16 m_hostPort;
    bool m_closed = false;
    int m_accepted = 0;
    std::vector<std::unique_ptr<Pair>> m_pairs;
};

using boardlookup::box;
using boardlookup::text;
using boardlookup::tile;

// Seconds after which the kernel gives up on a silent peer on the window's
// socket; 0 when keepalive is off.
int keepAliveSeconds(MainWindow* w)
{
    auto* sock = w->connection()->findChild<TSock*>("sock");
    const int fd = sock ? sock->handle() : -1;
    int on = 0, idle = 0, interval = 0, probes = 0;
    socklen_t len = sizeof(int);
    if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, &len) != 0 || !on)
        return 0;
    ::getsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, &len);
    ::getsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, &len);
    ::getsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, &len);
    return idle + interval * probes;
}

// The window plays three tiles from `first` on as a word the host knows.
QString playThreeTiles(ClientHarness& h, Host& host, int first = 1)
{
    QString word;
    for (int n = first; n < first + 3; ++n)
        word += QChar(tile(h.window.get(), n)->letter());
    host.words->insert(word.toStdString());
    const int before = box(h.window.get(), 3)->count();
    for (int n = first; n < first + 3; ++n)
        QTest::mouseClick(tile(h.window.get(), n), Qt::LeftButton);
    h.window->findChild<QPushButton*>("button_done")->click();
    if (!QTest::qWaitFor([&] { return box(h.window.get(), 3)->count() == before + 1; }, harness::kWait))
        return {};
    return word;
}

// Runs the host's clock until the next turn has begun.
bool nextTurn(Host& host)
{
    for (int i = 0; i < 200 && host.game().turn().turnPhase == 1; ++i)
        host.tick();
    for (int i = 0; i < 200 && host.game().turn().turnPhase == 2; ++i)
        host.tick();
    return host.game().turn().turnPhase == 1;
}

// Ann (a raw client, seat 1) and the window as Bob (seat 2), through `port`.
struct Table {
    Host host;
    RawClient ann;
    std::unique_ptr<ClientHarness> bob;

    bool seat(quint16 bobPort)
    {
        if (ann.join(host.port(), "Ann") != 1)
            return false;
        bob = std::make_unique<ClientHarness>(std::vector<std::string> { "Bob", "127.0.0.1", "false" }, bobPort, false);
        bob->start();
        return QTest::qWaitFor([&] { return bob->window->session().mayRejoin(); }, harness::kWait)
            && bob->window->session().roster().mySeat() == 2;
    }

    // Ann starts a fast game and the window plays its first word in it.
    bool startAndPlayAWord()
    {
        ann.write(net::msg::startgame(1, harness::options(true, 60)));
        MainWindow* w = bob->window.get();
        return QTest::qWaitFor([&] { return tile(w, 1)->letter() != 0 && w->session().game().myTurn(); }, harness::kWait)
            && !playThreeTiles(*bob, host).isEmpty();
    }
};

} // namespace

class RejoinTest : public QObject
{
    Q_OBJECT
private slots:
    void aWindowCutOffMidGameTakesItsSeatBack_data();
    void aWindowCutOffMidGameTakesItsSeatBack();
    void aHungHostIsToldAndTheSeatTakenBackWhenItWakes();
    void othersSeeTheSeatHeldAndThePlayerBack();
    void theWindowStopsTryingWhenTheHoldIsOver();
    void aSeatNoLongerHeldIsJoinedAfreshUnderTheSameName();
    void leavingOnPurposeFreesTheSeatAtOnce();
    void aLinkLeftOnPurposeOpensAnewElsewhere();
    void aRemovedPlayerDoesNotComeBack();
    void theLongestSeatedPlayerLeadsWhenSeatOneLeaves();
};

void RejoinTest::aWindowCutOffMidGameTakesItsSeatBack_data()
{
    QTest::addColumn<bool>("hostSideToo");
    QTest::newRow("the host still thinks the old link alive") << false;
    QTest::newRow("the seat is held and a stranger takes the name meanwhile") << true;
}

void RejoinTest::aWindowCutOffMidGameTakesItsSeatBack()
{
    QFETCH(bool, hostSideToo);
    Table t;
    Relay relay(t.host.port());
    QVERIFY(t.seat(relay.port()));
    ClientHarness& bob = *t.bob;
    MainWindow* w = bob.window.get();

    // A fast game: a scored turn, then a word in the next one.
    QVERIFY(t.startAndPlayAWord());
    w->findChild<QPushButton*>("button_finish")->click();
    t.ann.write(net::msg::finish(1));
    // Everybody finished: the host ends the turn on its next second.
    QTRY_COMPARE(t.host.game().turn().turnClock, 1);
    QVERIFY(nextTurn(t.host));
    const int scored = t.host.game().player(2).score;
    QVERIFY(scored > 0);
    QTRY_COMPARE(text(w, "label_score2"), QString::number(scored));
    // The second turn has begun at the window: its boxes emptied and its rack
    // arrived (a rack alone can match the last one where it is looked at).
    QTRY_VERIFY(w->session().game().myTurn() && box(w, 3)->count() == 0 && [&] {
        for (int n = 1; n <= 10; ++n)
            if (tile(w, n)->letter() != t.host.game().currentTiles()[static_cast<std::size_t>(n)])
                return false;
        return true;
    }());
    const QString word = playThreeTiles(bob, t.host);
    QVERIFY(!word.isEmpty());
    t.host.tick(5);

    QElapsedTimer sinceCut;
    sinceCut.start();
    relay.setClosed(hostSideToo);
    relay.cut(hostSideToo);
    QTRY_VERIFY(bob.chatText().contains("The connection to the game host was lost."));
    if (hostSideToo) {
        QVERIFY(t.ann.waitFor(net::cmd::seatheld, [](const std::string& m) { return m == "CMD_seatheld+2+120"; }));
        RawClient stranger;
        QCOMPARE(stranger.join(t.host.port(), "Bob"), 3);
        QCOMPARE(t.host.game().player(3).name, std::string("Bob (2)"));
        QCOMPARE(t.host.game().player(3).score, 0);
        relay.setClosed(false);
        QTRY_VERIFY_WITH_TIMEOUT(bob.chatText().contains("You are back in your seat."), 10000 - sinceCut.elapsed());
        QCOMPARE(w->session().roster().name(3), std::string("Bob (2)"));
        QCOMPARE(text(w, "label_score3"), QString("0"));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(bob.chatText().contains("You are back in your seat."), 10000);
    }
    QVERIFY2(sinceCut.elapsed() < 10000, "the seat was not back within ten seconds");
    qInfo("the seat was back %lld ms after the cut", static_cast<long long>(sinceCut.elapsed()));
    QVERIFY(bob.chatText().contains("Reconnecting… 1"));
    QCOMPARE(bob.closed->count(), 0);

    // The seat, the score, the boxes, the rack and the clock, as the host has them.
    QCOMPARE(w->session().roster().mySeat(), 2);
    QCOMPARE(t.host.game().player(2).name, std::string("Bob"));
    QCOMPARE(text(w, "label_playername2"), QString("Bob"));
    QCOMPARE(text(w, "label_score2"), QString::number(t.host.game().player(2).score));
    QCOMPARE(box(w, 3)->count(), 1);
    QCOMPARE(box(w, 3)->item(0)->text(), word);
    for (int n = 1; n <= 10; ++n)
        QCOMPARE(tile(w, n)->letter(), t.host.game().currentTiles()[static_cast<std::size_t>(n)]);
    const int hostShows = t.host.game().turn().turnClock - rules::kTurnGrace;
    QVERIFY2(std::abs(w->session().game().clockSeconds() - hostShows) <= 1,
        qPrintable(QString("the window shows %1 s, the host %2 s").arg(w->session().game().clockSeconds()).arg(hostShows)));
    QCOMPARE(text(w, "label_status"), QString("Your Turn."));
    // The new link, like the first, notices a vanished peer by itself.
    const int keepAlive = keepAliveSeconds(w);
    QVERIFY2(keepAlive > 0 && keepAlive <= 30, qPrintable(QString("keepalive gives up after %1 s").arg(keepAlive)));
    // And it plays on from there.
    QCOMPARE(playThreeTiles(bob, t.host, 4).size(), 3);
    QCOMPARE(t.host.game().player(2).words[0][1].size(), 3u);

    // A second break mends as the first did, with the token the first rejoin gave.
    relay.cut(false);
    QTRY_COMPARE(bob.chatText().count("You are back in your seat."), 2);
    QCOMPARE(w->session().roster().mySeat(), 2);
    QCOMPARE(box(w, 3)->count(), 2);
    QCOMPARE(text(w, "label_score2"), QString::number(t.host.game().player(2).score));
    QCOMPARE(bob.closed->count(), 0);
}

void RejoinTest::aHungHostIsToldAndTheSeatTakenBackWhenItWakes()
{
    const QString program = harness::hostProgram();
    QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program + " cannot be run"));
    QTemporaryDir workDir;
    QProcess process;
    process.setWorkingDirectory(workDir.path());
    process.start(program, { QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--no-announce") });
    QVERIFY(process.waitForStarted(harness::kWait));
    const auto pid = static_cast<pid_t>(process.processId());
    // Whatever fails below, the host is woken and ended.
    const std::shared_ptr<void> cleanup(nullptr, [&](void*) {
        ::kill(pid, SIGCONT);
        process.terminate();
        process.waitForFinished(harness::kWait);
    });
    QByteArray log;
    const quint16 port = harness::listeningPort(process, log);
    QVERIFY2(port != 0, log.constData());

    ClientHarness bob({ "Bob", "127.0.0.1", "false" }, port, false);
    bob.start();
    QTRY_VERIFY(bob.window->session().hostSpeaksAdditions());
    const int seat = bob.window->session().roster().mySeat();

    QVERIFY(::kill(pid, SIGSTOP) == 0);
    QElapsedTimer sinceStop;
    sinceStop.start();
    QTRY_VERIFY_WITH_TIMEOUT(bob.chatText().contains("The host stopped answering."), 30000);
    qInfo("the player was told %lld ms after the host stopped", static_cast<long long>(sinceStop.elapsed()));
    QTRY_VERIFY(text(bob.window.get(), "label_status").startsWith("Reconnecting… "));
    QCOMPARE(bob.closed->count(), 0);

    QVERIFY(::kill(pid, SIGCONT) == 0);
    QElapsedTimer sinceWake;
    sinceWake.start();
    QTRY_VERIFY_WITH_TIMEOUT(bob.chatText().contains("You are back in your seat."), 30000);
    qInfo("the seat was back %lld ms after the host woke", static_cast<long long>(sinceWake.elapsed()));
    QCOMPARE(bob.window->session().roster().mySeat(), seat);
    // Waking, the host hears of the old link's end after the new one knocked, and tells it too.
    QTest::qWait(200);
    QVERIFY2(!bob.chatText().contains("Bob lost the connection"), qPrintable(bob.chatText()));
    QCOMPARE(bob.closed->count(), 0);
}

void RejoinTest::othersSeeTheSeatHeldAndThePlayerBack()
{
    Table t;
    Relay relay(t.host.port());
    QVERIFY(t.seat(relay.port()));
    ClientHarness cid({ "Cid", "127.0.0.1", "false" }, t.host.port(), false);
    cid.start();
    QTRY_VERIFY(cid.window->session().mayRejoin());
    QTRY_COMPARE(text(cid.window.get(), "label_playername2"), QString("Bob"));

    relay.setClosed(true);
    relay.cut(true);
    QTRY_VERIFY(cid.chatText().contains("Bob lost the connection; their seat is held for 2:00"));
    QCOMPARE(text(cid.window.get(), "label_playername2"), QString("Bob"));
    relay.setClosed(false);
    QTRY_VERIFY(t.bob->chatText().contains("You are back in your seat."));
    QTRY_VERIFY(cid.chatText().contains("Bob is back."));
    QVERIFY(!cid.chatText().contains("Bob left."));
    QCOMPARE(text(cid.window.get(), "label_playername2"), QString("Bob"));
}

void RejoinTest::theWindowStopsTryingWhenTheHoldIsOver()
{
    Table t;
    Relay relay(t.host.port());
    QVERIFY(t.seat(relay.port()));
    ClientHarness& bob = *t.bob;
    bob.window->connection()->setHoldSeconds(3);
    relay.setClosed(true);
    relay.cut(true);
    QTRY_VERIFY(bob.chatText().contains("Reconnecting… 2"));
    QTRY_COMPARE(bob.closed->count(), 1);
    QVERIFY2(bob.chatText().contains("Could not get back into the game within 0:03; the seat is no longer held."),
        qPrintable(bob.chatText()));
    // Every attempt was turned away at the door, and none came after the hold.
    const int knocks = relay.connections();
    QVERIFY2(knocks >= 3, qPrintable(QString("only %1 connections").arg(knocks)));
    QTest::qWait(1500);
    QCOMPARE(relay.connections(), knocks);
    QVERIFY(t.host.game().player(2).held);
}

void RejoinTest::aSeatNoLongerHeldIsJoinedAfreshUnderTheSameName()
{
    Table t;
    t.host.setHold(0);
    Relay relay(t.host.port());
    QVERIFY(t.seat(relay.port()));
    ClientHarness& bob = *t.bob;
    MainWindow* w = bob.window.get();
    QVERIFY(t.startAndPlayAWord());

    relay.cut(true);
    QVERIFY(t.ann.waitFor(net::cmd::playerdisconnected, [](const std::string& m) { return m == "CMD_playerdisconnected+2+Bob"; }));
    QTRY_VERIFY(bob.chatText().contains("Your seat was no longer held; you are in the game again as a new player."));
    QTRY_VERIFY(t.host.game().player(2).loggedIn && t.host.game().player(2).name == "Bob");
    QCOMPARE(t.host.game().player(2).score, 0);
    // What the window knew of the old seat's game is gone, and it may mend its next broken link too.
    QTRY_VERIFY(w->session().mayRejoin());
    QCOMPARE(w->session().roster().mySeat(), 2);
    QCOMPARE(box(w, 3)->count(), 0);
    QCOMPARE(text(w, "label_playername2"), QString("Bob"));
    QCOMPARE(bob.closed->count(), 0);
    QVERIFY(!bob.chatText().contains("You are back in your seat."));
}

void RejoinTest::leavingOnPurposeFreesTheSeatAtOnce()
{
    Table t;
    QVERIFY(t.seat(t.host.port()));
    t.bob->window->onExitChosen();
    QTRY_COMPARE(t.bob->closed->count(), 1);
    QVERIFY(t.ann.waitFor(net::cmd::playerdisconnected, [](const std::string& m) { return m == "CMD_playerdisconnected+2+Bob"; }));
    QCOMPARE(t.ann.count(net::cmd::seatheld), 0);
    QVERIFY(!t.host.game().player(2).held);
}

void RejoinTest::aLinkLeftOnPurposeOpensAnewElsewhere()
{
    Host first;
    Host second;
    ClientConnection link;
    std::vector<std::string> heard;
    QObject::connect(&link, &ClientConnection::lineReceived, [&](const std::string& line) { heard.push_back(line); });
    QSignalSpy ended(&link, &ClientConnection::ended);
    link.open("127.0.0.1", first.port());
    QTRY_COMPARE(heard.size(), 1u);
    link.markSeated();
    link.send(net::msg::logininfo(1, rules::kVersion, "Ann"));
    QTRY_VERIFY(first.game().player(1).loggedIn);
    link.setReconnect(true);
    link.leave({ net::msg::leave(1) });
    QTRY_VERIFY(!first.game().player(1).loggedIn);
    QVERIFY(!first.game().player(1).held);

    const std::size_t before = heard.size();
    link.open("127.0.0.1", second.port());
    QTRY_COMPARE(heard.size(), before + 1);
    QCOMPARE(heard.back(), clienttest::unframed(net::msg::sendlogininfo(1)));
    QVERIFY(!link.wasSeated());
    // Nothing of the last game's link carries over: this one ends as a new one does.
    second.server.reset();
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended.at(0).at(0).toBool(), false);
}

void RejoinTest::aRemovedPlayerDoesNotComeBack()
{
    Table t;
    QVERIFY(t.seat(t.host.port()));
    t.ann.write(net::msg::kickhim(1, 2));
    QTRY_COMPARE(t.bob->closed->count(), 1);
    QVERIFY(t.bob->chatText().contains("You were removed from the game."));
    QVERIFY(!t.bob->chatText().contains("Reconnecting"));
    QVERIFY(t.ann.sync());
    QCOMPARE(t.host.server->openConnections(), 1);
    QVERIFY(!t.host.game().player(2).loggedIn);
}

void RejoinTest::theLongestSeatedPlayerLeadsWhenSeatOneLeaves()
{
    Table t;
    host::Options dedicated = t.host.game().options();
    dedicated.dedicated = true;
    t.host.game().setOptions(dedicated);
    QVERIFY(t.seat(t.host.port()));
    MainWindow* w = t.bob->window.get();
    RawClient cid;
    QCOMPARE(cid.join(t.host.port(), "Cid"), 3);
    QVERIFY(t.ann.sync());
    QVERIFY(!w->action("StartGame1")->isEnabled());
    QVERIFY(!w->findChild<QPushButton*>("button_start")->isVisible());

    t.ann.write(net::msg::leave(1));
    QTRY_VERIFY(w->action("StartGame1")->isEnabled());
    QTRY_VERIFY(w->findChild<QPushButton*>("button_start")->isVisible());
    QVERIFY(t.bob->chatText().contains("You lead the game now"));
    QVERIFY(cid.waitFor(net::cmd::leader, [](const std::string& m) { return m == "CMD_leader+2"; }));

    w->onStartClicked();
    QTRY_VERIFY(t.bob->startDialog->isVisible());
    t.bob->startDialog->findChild<QPushButton*>("button_start")->click();
    QVERIFY(cid.waitFor(net::cmd::startgame));
    QVERIFY(t.host.game().turn().gameRunning);
}

QTEST_MAIN(RejoinTest)
#include "tst_rejoin.moc"
