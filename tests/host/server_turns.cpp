// Whole turns through the host shell: real sockets, the rules, and a clock the test ticks.

#include "server_harness.h"

#include <QtTest>

using namespace harness;

class ServerTurns : public QObject
{
    Q_OBJECT
private slots:
    void slowTurnFromDiceToNextPlayer();
    void fastTurnFromDiceToNextTurn();
    void currentPlayerLeavingPassesTheTurn();
    void lastPlayerLeavingEndsTheGameAndStopsTheClock();
    void winnerIsAnnouncedAndTheClockStops();
};

namespace
{

// Ticks until `client` has seen `command`, at most `limit` ticks; returns the
// ticks used (-1: never). After each tick a sync makes sure everything the tick
// sent has arrived, so the count does not depend on how fast the machine is.
int tickUntil(Host& host, RawClient& client, std::string_view command, int limit = 100)
{
    const int before = client.count(command);
    for (int ticks = 1; ticks <= limit; ++ticks) {
        host.tick();
        if (!client.sync())
            return -1;
        if (client.count(command) > before)
            return ticks;
    }
    return -1;
}

std::vector<int> positions(std::initializer_list<int> list) { return std::vector<int>(list); }

} // namespace

void ServerTurns::slowTurnFromDiceToNextPlayer()
{
    Host host;
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    a.write(net::msg::startgame(1, options(false, 10)));

    QVERIFY(b.waitFor(net::cmd::startgame, [](const std::string& m) { return fieldsOf(m).at(0) == "Ann"; }));
    QVERIFY(b.waitFor(net::cmd::nextplayer, [](const std::string& m) { return fieldsOf(m).at(0) == "1"; }));
    const auto dice = a.waitFor(net::cmd::thedice);
    QVERIFY(dice);
    QCOMPARE(fieldsOf(*dice).at(0), std::string("1"));
    QCOMPARE(fieldsOf(*dice).at(1), std::string("false"));
    const std::string letters = lettersOf(*dice);
    QCOMPARE(letters.size(), std::size_t(10));
    QVERIFY(host.server->turnTimerActive());

    // The watcher sees the word being built, the player does not get an echo.
    a.write(net::msg::setdice(1, 1, 3));
    QVERIFY(b.waitFor(net::cmd::setdice, [](const std::string& m) { return m == "CMD_setdice+1+3"; }));

    const std::string word = letters.substr(0, 3);
    host.words->insert(word);
    a.write(net::msg::done(1, positions({ 1, 2, 3 })));
    const auto accepted = b.waitFor(net::cmd::accepted);
    QVERIFY(accepted);
    QCOMPARE(*accepted, "CMD_accepted+3+" + word);
    QVERIFY(a.waitFor(net::cmd::accepted));
    QCOMPARE(a.count(net::cmd::setdice), 0);

    // Not Bob's turn: his word is not judged at all.
    b.write(net::msg::done(2, positions({ 4, 5, 6 })));
    QVERIFY(b.sync());
    QCOMPARE(b.count(net::cmd::rejected) + b.count(net::cmd::accepted), 1);

    // 10 seconds and the four of grace, then the score and the end of the turn.
    QCOMPARE(tickUntil(host, a, net::cmd::turnend), 14);
    const auto scores = b.waitFor(net::cmd::scores);
    QVERIFY(scores);
    QCOMPARE(fieldsOf(*scores).at(0), std::string("1"));
    QCOMPARE(fieldsOf(*scores).at(1), std::string("60"));
    QCOMPARE(fieldsOf(*scores).at(4), std::string("60"));
    QVERIFY(b.waitFor(net::cmd::turnend));

    // Five seconds of pause, then Bob plays.
    QCOMPARE(tickUntil(host, b, net::cmd::nextplayer), 5);
    QCOMPARE(host.game().turn().currentSeat, 2);
    const auto next = a.waitFor(net::cmd::thedice);
    QVERIFY(next);
    QCOMPARE(fieldsOf(*next).at(0), std::string("2"));
}

void ServerTurns::fastTurnFromDiceToNextTurn()
{
    Host host;
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    a.write(net::msg::startgame(1, options(true, 30)));

    // Everyone is told it is their own turn, with the same letters.
    QVERIFY(a.waitFor(net::cmd::nextplayer, [](const std::string& m) { return fieldsOf(m).at(0) == "1"; }));
    QVERIFY(b.waitFor(net::cmd::nextplayer, [](const std::string& m) { return fieldsOf(m).at(0) == "2"; }));
    const auto diceA = a.waitFor(net::cmd::thedice);
    const auto diceB = b.waitFor(net::cmd::thedice);
    QVERIFY(diceA && diceB);
    QCOMPARE(fieldsOf(*diceB).at(0), std::string("2"));
    QCOMPARE(lettersOf(*diceA), lettersOf(*diceB));

    const std::string word = lettersOf(*diceA).substr(2, 4);
    host.words->insert(word);
    a.write(net::msg::done(1, positions({ 3, 4, 5, 6 })));
    QVERIFY(a.waitFor(net::cmd::accepted, [&](const std::string& m) { return m == "CMD_accepted+4+" + word; }));
    QVERIFY(b.waitFor(net::cmd::addaword, [&](const std::string& m) { return m == "CMD_addaword+1+4+" + word; }));
    b.write(net::msg::done(2, positions({ 3, 4, 5, 6 })));
    QVERIFY(a.waitFor(net::cmd::addaword, [&](const std::string& m) { return m == "CMD_addaword+2+4+" + word; }));
    QCOMPARE(a.count(net::cmd::accepted), 1);

    // A rejection is the player's own business in a fast game.
    a.write(net::msg::done(1, positions({ 1, 2 })));
    QVERIFY(a.waitFor(net::cmd::rejected));
    QVERIFY(a.sync());
    QVERIFY(b.seeChat(a.lastSync()));
    QCOMPARE(b.count(net::cmd::rejected), 0);

    a.write(net::msg::finish(1));
    b.write(net::msg::finish(2));
    QVERIFY(a.waitFor(net::cmd::allfinished));
    QCOMPARE(a.count(net::cmd::ifinished), 2);
    QCOMPARE(tickUntil(host, b, net::cmd::turnend, 3), 1);
    QCOMPARE(b.count(net::cmd::scores), 2);
    const auto scoreA = a.waitFor(net::cmd::scores);
    QVERIFY(scoreA);
    QCOMPARE(fieldsOf(*scoreA).at(1), std::string("120"));

    // Two players: fifteen seconds to look at the scores.
    QCOMPARE(tickUntil(host, a, net::cmd::nextplayer), 15);
    QVERIFY(b.waitFor(net::cmd::nextplayer, [](const std::string& m) { return fieldsOf(m).at(0) == "2"; }));
    QVERIFY(b.waitFor(net::cmd::thedice));
}

void ServerTurns::currentPlayerLeavingPassesTheTurn()
{
    Host host;
    host.setHold(0);
    RawClient a, b, c;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    QCOMPARE(c.join(host.port(), "Cy"), 3);
    a.write(net::msg::startgame(1, options(false, 10)));
    QVERIFY(c.waitFor(net::cmd::thedice));
    a.write(net::msg::finish(1));
    QVERIFY(a.sync());
    QVERIFY(tickUntil(host, c, net::cmd::nextplayer) > 0);
    QCOMPARE(host.game().turn().currentSeat, 2);

    b.abort();
    QVERIFY(c.waitFor(net::cmd::playerdisconnected, [](const std::string& m) { return fieldsOf(m).at(0) == "2"; }));
    const auto next = c.waitFor(net::cmd::nextplayer);
    QVERIFY(next);
    QCOMPARE(fieldsOf(*next).at(0), std::string("3"));
    const auto dice = a.waitFor(net::cmd::thedice, [](const std::string& m) { return fieldsOf(m).at(0) == "3"; });
    QVERIFY(dice);
    QVERIFY(a.sync());
    QCOMPARE(a.count(net::cmd::playerdisconnected), 1);
    QVERIFY(host.server->turnTimerActive());
}

void ServerTurns::lastPlayerLeavingEndsTheGameAndStopsTheClock()
{
    Host host;
    host.setHold(0);
    {
        RawClient a, b;
        QCOMPARE(a.join(host.port(), "Ann"), 1);
        QCOMPARE(b.join(host.port(), "Bob"), 2);
        a.write(net::msg::startgame(1, options(false, 10)));
        QVERIFY(b.waitFor(net::cmd::thedice));
        QVERIFY(host.server->turnTimerActive());
    } // both hang up
    QVERIFY(QTest::qWaitFor([&] { return !host.game().turn().gameRunning; }, kWait));
    QVERIFY(!host.server->turnTimerActive());
    QCOMPARE(host.server->openConnections(), 0);
    QVERIFY(host.logged(QStringLiteral("game ended")));

    // The host is ready for the next group.
    RawClient again;
    QCOMPARE(again.join(host.port(), "Again"), 1);
}

void ServerTurns::winnerIsAnnouncedAndTheClockStops()
{
    Host host;
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    net::GameOptions o = options(false, 10);
    o.playToScore = 50;
    a.write(net::msg::startgame(1, o));
    const auto dice = a.waitFor(net::cmd::thedice);
    QVERIFY(dice);
    host.words->insert(lettersOf(*dice).substr(0, 3));
    a.write(net::msg::done(1, positions({ 1, 2, 3 })));
    QVERIFY(a.waitFor(net::cmd::accepted));
    a.write(net::msg::finish(1));
    QVERIFY(a.sync());
    QVERIFY(tickUntil(host, b, net::cmd::nextplayer) > 0); // Ann scored 60, Bob's turn
    b.write(net::msg::finish(2));
    QVERIFY(b.sync());

    // Back at seat 1 the round is checked: Ann alone is past the mark.
    QVERIFY(tickUntil(host, a, net::cmd::winner) > 0);
    QVERIFY(b.waitFor(net::cmd::winner, [](const std::string& m) { return m == "CMD_winner+Ann"; }));
    QVERIFY(!host.game().turn().gameRunning);
    QVERIFY(!host.server->turnTimerActive());
    QVERIFY(host.logged(QStringLiteral("winner: Ann")));
    // Nothing more happens however long the clock would have run.
    const int before = b.count(net::cmd::nextplayer);
    host.tick(30);
    QVERIFY(a.sync());
    QVERIFY(b.seeChat(a.lastSync()));
    QCOMPARE(b.count(net::cmd::nextplayer), before);
}

QTEST_GUILESS_MAIN(ServerTurns)
#include "server_turns.moc"
