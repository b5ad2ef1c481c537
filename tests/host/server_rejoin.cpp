// Coming back after a lost link, through real sockets: the seat is held, the
// token takes it back over a new connection (over either IP family), the old
// connection gives way silently, a silent heartbeating peer counts as lost,
// and one sender's largest lines cannot get a reading window dropped.

#include "server_harness.h"
#include "tests/Loopback.h"

#include <QSignalSpy>
#include <QtTest>

using namespace harness;
using testing_loopback::hasIPv6Loopback;

class ServerRejoin : public QObject
{
    Q_OBJECT
private slots:
    void aLostLinkIsHeldAndTheTokenTakesItBack_data();
    void aLostLinkIsHeldAndTheTokenTakesItBack();
    void theOldConnectionThatStillLooksAliveGivesWaySilently();
    void aHeldPlayerComesBackIntoAFullHouse();
    void aStrangerWithTheSameNameGetsAnotherSeatAndNothingOfTheHeldOne();
    void aGoodbyeRightBeforeTheCloseFreesTheSeat_data();
    void aGoodbyeRightBeforeTheCloseFreesTheSeat();
    void theHoldRunsOutOnTheHostsOwnClock();
    void heartbeatsAreAnsweredAndTheirSilenceIsALostLink();
    void aFloodOfLargestLinesCannotGetAReadingWindowDropped();
    void theAnnouncementFollowsSeatsAndGames();
};

namespace
{

bool seatIs(const std::string& message, int seat) { return fieldsOf(message).at(0) == std::to_string(seat); }

} // namespace

void ServerRejoin::aLostLinkIsHeldAndTheTokenTakesItBack_data()
{
    QTest::addColumn<bool>("leaveOverIPv6");
    QTest::addColumn<bool>("backOverIPv6");
    QTest::newRow("IPv4 both times") << false << false;
    QTest::newRow("lost over IPv4, back over IPv6") << false << true;
    QTest::newRow("IPv6 both times") << true << true;
}

void ServerRejoin::aLostLinkIsHeldAndTheTokenTakesItBack()
{
    QFETCH(bool, leaveOverIPv6);
    QFETCH(bool, backOverIPv6);
    if ((leaveOverIPv6 || backOverIPv6) && !hasIPv6Loopback())
        QSKIP("this kernel has no ::1: the IPv6 rows cannot run");
    Host host;
    RawClient ann;
    QCOMPARE(ann.join(host.port(), "Ann"), 1);
    std::string token;
    {
        RawClient bob;
        QCOMPARE(bob.join(host.port(), "Bob", rules::kVersion, leaveOverIPv6), 2);
        QVERIFY(bob.sync());
        token = bob.token();
        QCOMPARE(token.size(), net::kSeatTokenLength);
        ann.write(net::msg::startgame(1, options(false, 60)));
        QVERIFY(bob.waitFor(net::cmd::thedice));
    } // gone without a word
    QVERIFY(ann.waitFor(net::cmd::seatheld, [](const std::string& m) { return m == "CMD_seatheld+2+120"; }));
    QVERIFY(host.game().player(2).held);

    RawClient back;
    QCOMPARE(back.rejoin(host.port(), token, backOverIPv6), 2);
    QVERIFY(ann.waitFor(net::cmd::seatback, [](const std::string& m) { return m == "CMD_seatback+2"; }));
    // The catch-up came before the new token: the game, and whose turn it is.
    QVERIFY(back.count(net::cmd::stats) == 1 && back.count(net::cmd::nextplayer) == 1);
    QVERIFY(back.token() != token);
    // The new connection speaks for seat 2 now, and the fresh seat is free again.
    QVERIFY(back.sync());
    QVERIFY(ann.seeChat(back.lastSync()));
    QCOMPARE(host.server->openConnections(), 2);
    QVERIFY(!host.game().player(3).connected);
    RawClient next;
    QCOMPARE(next.join(host.port(), "Cid"), 3);
    QCOMPARE(ann.count(net::cmd::playerdisconnected), 0);
}

void ServerRejoin::theOldConnectionThatStillLooksAliveGivesWaySilently()
{
    Host host;
    RawClient ann, bob;
    QCOMPARE(ann.join(host.port(), "Ann"), 1);
    QCOMPARE(bob.join(host.port(), "Bob"), 2);
    QVERIFY(bob.sync());
    // Something Bob's old connection said last, still waiting to be handled.
    bob.write(net::msg::chat(2, "from the old link"));
    RawClient back;
    QCOMPARE(back.rejoin(host.port(), bob.token()), 2);
    QVERIFY(bob.waitClosed());
    QVERIFY(back.sync());
    QVERIFY(ann.seeChat(back.lastSync()));
    // To Ann, Bob never went away.
    QCOMPARE(
        ann.count(net::cmd::seatheld) + ann.count(net::cmd::seatback) + ann.count(net::cmd::playerdisconnected), 0);
    QCOMPARE(host.server->openConnections(), 2);
    QVERIFY(host.logged(QStringLiteral("gives way")));
}

void ServerRejoin::aHeldPlayerComesBackIntoAFullHouse()
{
    Host host;
    std::vector<std::unique_ptr<RawClient>> nine;
    for (int i = 1; i <= 9; ++i) {
        nine.push_back(std::make_unique<RawClient>());
        QCOMPARE(nine.back()->join(host.port(), "P" + std::to_string(i)), i);
    }
    QVERIFY(nine[3]->sync());
    const std::string token = nine[3]->token();
    nine[3]->abort();
    QVERIFY(nine[0]->waitFor(net::cmd::seatheld, [](const std::string& m) { return seatIs(m, 4); }));
    // Someone else knocks first and waits at the door; one more is refused
    // at once without disturbing the one at the door.
    RawClient late, another;
    QVERIFY(late.connectTo(host.port()));
    QVERIFY(late.waitFor(net::cmd::sendlogininfo, [](const std::string& m) { return m == "CMD_sendlogininfo+10"; }));
    QVERIFY(another.connectTo(host.port()));
    QVERIFY(another.waitFor(net::cmd::full));
    QVERIFY(another.waitClosed());
    QVERIFY(!late.closed());
    QCOMPARE(late.count(net::cmd::full), 0);
    // A login at the door is told the house is full, as always.
    late.write(net::msg::logininfo(10, rules::kVersion, "Late"));
    QVERIFY(late.waitFor(net::cmd::full));
    QVERIFY(late.waitClosed());
    // The player with the token gets the seat back.
    RawClient back;
    QCOMPARE(back.rejoin(host.port(), token), 4);
    QVERIFY(back.sync());
    QVERIFY(nine[0]->seeChat(back.lastSync()));
    QCOMPARE(host.server->openConnections(), 9);
}

void ServerRejoin::aGoodbyeRightBeforeTheCloseFreesTheSeat_data()
{
    QTest::addColumn<bool>("closeAtOnce");
    QTest::newRow("the close reached the host with the goodbye unread") << true;
    QTest::newRow("the goodbye was handled before the close") << false;
}

void ServerRejoin::aGoodbyeRightBeforeTheCloseFreesTheSeat()
{
    QFETCH(bool, closeAtOnce);
    Host host;
    RawClient ann;
    QCOMPARE(ann.join(host.port(), "Ann"), 1);
    {
        RawClient bob;
        QCOMPARE(bob.join(host.port(), "Bob"), 2);
        QVERIFY(bob.sync());
        bob.write(net::msg::leave(2));
        if (closeAtOnce)
            bob.reset();
        else
            QVERIFY(bob.waitClosed());
    }
    QVERIFY(ann.waitFor(net::cmd::playerdisconnected, [](const std::string& m) { return m == "CMD_playerdisconnected+2+Bob"; }));
    QCOMPARE(ann.count(net::cmd::seatheld), 0);
    QVERIFY(!host.game().player(2).held);
    RawClient next;
    QCOMPARE(next.join(host.port(), "Cid"), 2);
}

void ServerRejoin::aStrangerWithTheSameNameGetsAnotherSeatAndNothingOfTheHeldOne()
{
    Host host;
    RawClient ann;
    QCOMPARE(ann.join(host.port(), "Ann"), 1);
    std::string token;
    {
        RawClient bob;
        QCOMPARE(bob.join(host.port(), "Bob"), 2);
        QVERIFY(bob.sync());
        token = bob.token();
    }
    QVERIFY(ann.waitFor(net::cmd::seatheld));
    RawClient stranger;
    QCOMPARE(stranger.join(host.port(), "Bob"), 3);
    QCOMPARE(host.game().player(3).name, std::string("Bob (2)"));
    QVERIFY(stranger.waitFor(net::cmd::notice,
        [](const std::string& m) { return m == "CMD_notice+Another player is called Bob; you play as Bob (2)."; }));
    // A stranger's guess at the token is refused, and the real one still works.
    RawClient guesser;
    QVERIFY(guesser.connectTo(host.port()));
    const auto hello = guesser.waitFor(net::cmd::sendlogininfo);
    QVERIFY(hello);
    guesser.write(net::msg::rejoin(std::stoi(fieldsOf(*hello).at(0)), std::string(32, '0'), rules::kVersion));
    QVERIFY(guesser.waitFor(net::cmd::rejoinrefused));
    RawClient back;
    QCOMPARE(back.rejoin(host.port(), token), 2);
}

void ServerRejoin::theHoldRunsOutOnTheHostsOwnClock()
{
    Host host;
    host.setHold(1);
    RawClient ann;
    QCOMPARE(ann.join(host.port(), "Ann"), 1);
    {
        RawClient bob;
        QCOMPARE(bob.join(host.port(), "Bob"), 2);
        QVERIFY(bob.sync());
    }
    QVERIFY(ann.waitFor(net::cmd::seatheld, [](const std::string& m) { return m == "CMD_seatheld+2+1"; }));
    QVERIFY(ann.waitFor(
        net::cmd::playerdisconnected, [](const std::string& m) { return m == "CMD_playerdisconnected+2+Bob"; }));
    QVERIFY(!host.game().player(2).loggedIn);
    RawClient next;
    QCOMPARE(next.join(host.port(), "Cid"), 2);
}

void ServerRejoin::heartbeatsAreAnsweredAndTheirSilenceIsALostLink()
{
    Host host;
    host.server->setHeartbeatSilence(400);
    RawClient ann, quiet, beating;
    QCOMPARE(ann.join(host.port(), "Ann"), 1);
    QCOMPARE(quiet.join(host.port(), "Quiet"), 2);
    QCOMPARE(beating.join(host.port(), "Beat"), 3);
    beating.write(net::msg::ping("41"));
    QVERIFY(beating.waitFor(net::cmd::pong, [](const std::string& m) { return m == "CMD_pong+41"; }));
    // Heartbeats keep the link; then the peer falls silent without closing.
    for (int i = 0; i < 4; ++i) {
        QTest::qWait(200);
        beating.write(net::msg::ping(std::to_string(i)));
    }
    QVERIFY(!host.game().player(3).held);
    beating.stopReading();
    QVERIFY(ann.waitFor(net::cmd::seatheld, [](const std::string& m) { return seatIs(m, 3); }));
    QVERIFY(host.logged(QStringLiteral("silent for")));
    // A connection that never sent a heartbeat is never judged by its silence.
    QVERIFY(!quiet.closed());
    QVERIFY(host.game().player(2).connected);
}

void ServerRejoin::aFloodOfLargestLinesCannotGetAReadingWindowDropped()
{
    // The window draws a full-size chat line in about a quarter of a second,
    // so it reads about 32 KiB every 270 ms. The flooder sends the largest
    // lines 45 times a second, inside the host's message budget, for 5 s:
    // 7 MiB, past the host's 1 MiB cap for what one reader may owe.
    Host host;
    RawClient flooder, window;
    QCOMPARE(flooder.join(host.port(), "Flood"), 1);
    QVERIFY(window.connectTo(host.port(), 16 * 1024));
    const auto hello = window.waitFor(net::cmd::sendlogininfo);
    QVERIFY(hello);
    window.write(net::msg::logininfo(2, rules::kVersion, "Reader"));
    QVERIFY(flooder.waitFor(net::cmd::newplayerinfo, [](const std::string& m) { return seatIs(m, 2); }));
    window.readSlowly(32 * 1024, 270);

    const std::string line = net::msg::chat(1, std::string(host::kMaxRelayText, 'x'));
    QTimer sender;
    int sent = 0;
    QObject::connect(&sender, &QTimer::timeout, [&] {
        flooder.write(line);
        ++sent;
    });
    sender.start(1000 / 45);
    QTest::qWait(5000);
    sender.stop();
    QVERIFY(sent > 100);
    QVERIFY2(!window.closed(), "the reading window was dropped");
    QVERIFY(!host.logged(QStringLiteral("not reading")));
    QVERIFY(host.game().player(2).connected);
    // The sender was told, once, and everything the window was sent fits a person's pace.
    QVERIFY(flooder.waitFor(net::cmd::notice));
    QCOMPARE(flooder.count(net::cmd::notice), 1);
    QVERIFY2(window.received() < 2 * host::kMaxRelayText + 10 * 1024, qPrintable(QString::number(window.received())));
}

void ServerRejoin::theAnnouncementFollowsSeatsAndGames()
{
    Host host;
    host.setHold(0);
    QList<HostServer::Announcement> seen;
    QObject::connect(
        host.server.get(), &HostServer::announcementChanged, [&](const HostServer::Announcement& a) { seen << a; });
    RawClient spectators[7];
    for (int i = 0; i < 7; ++i)
        QCOMPARE(spectators[i].join(host.port(), "P" + std::to_string(i + 1)), i + 1);
    spectators[0].write(net::msg::startgame(1, options(true, 60)));
    QVERIFY(spectators[1].waitFor(net::cmd::thedice));
    spectators[1].abort();
    QVERIFY(spectators[0].waitFor(net::cmd::playerdisconnected));
    QVERIFY(spectators[0].sync());
    const QList<QPair<int, bool>> expected { { 1, false }, { 2, false }, { 3, false }, { 4, false }, { 5, false },
        { 6, false }, { 6, true }, { 5, true } };
    QList<QPair<int, bool>> got;
    for (const auto& a : seen) {
        QCOMPARE(a.playerSeats, 6);
        got << qMakePair(a.seatedPlayers, a.gameRunning);
    }
    QCOMPARE(got, expected); // the spectator in seat 7 is no seated player, and nothing repeats
}

QTEST_GUILESS_MAIN(ServerRejoin)
#include "server_rejoin.moc"
