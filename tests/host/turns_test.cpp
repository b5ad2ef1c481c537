// Game start, dealing, buying tiles, the turn clock, finishing, watching and the win check.

#include "HostTable.h"

#include <rules/Dice.h>

#include <gtest/gtest.h>

using namespace hosttest;

namespace
{

std::vector<char> rack(const rules::TileSet& set, int count)
{
    return std::vector<char>(set.begin() + 1, set.begin() + 1 + count);
}

TEST(Dice, EveryTileComesFromItsOwnDieAndEveryFaceShows)
{
    std::mt19937_64 rng(1);
    std::array<std::set<char>, rules::kDiceCount> seen;
    for (int roll = 0; roll < 600; ++roll) {
        const auto tiles = rules::rollDice(rng);
        for (int die = 0; die < rules::kDiceCount; ++die) {
            const auto& faces = rules::kDiceTable[static_cast<std::size_t>(die)];
            const char c = tiles[static_cast<std::size_t>(die + 1)];
            ASSERT_NE(std::find(faces.begin(), faces.end(), c), faces.end()) << "die " << die + 1;
            seen[static_cast<std::size_t>(die)].insert(c);
        }
    }
    for (int die = 0; die < rules::kDiceCount; ++die) {
        const auto& faces = rules::kDiceTable[static_cast<std::size_t>(die)];
        EXPECT_EQ(seen[static_cast<std::size_t>(die)], std::set<char>(faces.begin(), faces.end())) << die + 1;
    }
}

TEST(GameStart, AnnouncesSettingsAndDealsTheFirstSlowTurn)
{
    HostTable t;
    t.seat(3);
    t.link.clear();
    t.start({ .playTo = 5000, .seconds = 45, .zirkedAt = 2000, .newTiles = false });
    const auto dice = line(net::msg::thedice(1, "false", rack(t.game.currentTiles(), 10)));
    for (int s = 1; s <= 3; ++s)
        EXPECT_EQ(t.link.to(s),
            (std::vector<std::string> { "CMD_startgame+P1+f+5000+45+2000+f+t+f+", "CMD_nextplayer+1", dice }))
            << s;
    EXPECT_TRUE(t.game.turn().gameRunning);
    EXPECT_EQ(t.game.turn().turnClock, 49);
    EXPECT_EQ(t.game.turn().gameState, "play");
    EXPECT_TRUE(t.link.timer);
}

TEST(GameStart, TeamNeedsAllSixPlayingSeats)
{
    struct Row {
        const char* fault;
        int players;
        bool team;
    };
    const std::vector<Row> rows = {
        { "five players cannot play a team game", 5, false },
        { "six players can", 6, true },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(r.players);
        t.link.clear();
        t.start({ .team = true });
        EXPECT_EQ(t.game.settings().teamGame, r.team) << r.fault;
        EXPECT_EQ(t.link.to(1).at(0).rfind(r.team ? "CMD_startgame+P1+t+" : "CMD_startgame+P1+f+", 0), 0u) << r.fault;
    }
}

TEST(GameStart, BadStartsChangeNothing)
{
    struct Row {
        const char* fault;
        int connection;
        std::string message;
    };
    const std::vector<Row> rows = {
        { "play-to score is not a number", 1, "CMD_startgame+1+f+lots+60+2000+t+t+f+" },
        { "seconds are not a number", 1, "CMD_startgame+1+f+5000++2000+t+t+f+" },
        { "Zirked-at is not a number", 1, "CMD_startgame+1+f+5000+60+2k+t+t+f+" },
        { "fields missing", 1, "CMD_startgame+1+f+5000+60" },
        { "seconds that overflow the turn clock", 1, "CMD_startgame+1+f+5000+2147483647+2000+t+t+f+" },
        { "no seconds at all", 1, "CMD_startgame+1+f+5000+0+2000+t+t+f+" },
        { "only seat one starts a game", 2, "CMD_startgame+2+f+5000+60+2000+t+t+f+" },
        { "seat two pretending to be seat one", 2, "CMD_startgame+1+f+5000+60+2000+t+t+f+" },
        { "a negative play-to score", 1, "CMD_startgame+1+f+-5000+60+2000+t+t+f+" },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(2);
        t.link.clear();
        t.game.receive(r.connection, r.message);
        EXPECT_FALSE(t.game.turn().gameRunning) << r.fault;
        EXPECT_EQ(t.link.messageCount(), 0u) << r.fault;
        EXPECT_FALSE(t.link.timer) << r.fault;
    }
}

// The host passes on the options as it read them, never a peer's own flag text:
// a 65,000-byte flag would cost every client its connection.
TEST(GameStart, FlagsGoOutAsTheyWereRead)
{
    HostTable t;
    t.seat(2);
    t.link.clear();
    t.say(1, "CMD_startgame+1+f+5000+60+2000+yes+" + std::string(65000, 't') + "+f+");
    ASSERT_TRUE(t.game.turn().gameRunning);
    net::GameOptions read;
    read.newTiles = true;
    read.typing = false;
    EXPECT_EQ(
        t.link.to(2, net::cmd::startgame), std::vector<std::string> { line(net::msg::startgameRelay("P1", read)) });
}

TEST(GameStart, SecondStartDuringAGameIsIgnored)
{
    HostTable t;
    t.seat(2);
    t.start();
    t.playWords(1, 4, 1);
    t.link.clear();
    t.start({ .fast = true });
    EXPECT_EQ(t.link.messageCount(), 0u);
    EXPECT_FALSE(t.game.settings().fastGame);
    EXPECT_FALSE(t.game.player(1).words[1][0].empty());
}

TEST(GameStart, NewGameResetsScoresWatchingAndZirked)
{
    HostTable t;
    t.seat(2);
    t.start({ .playTo = 100, .zirkedAt = 100 });
    t.playWords(1, 4, 1);
    t.finishTurn();
    t.finishTurn();
    t.ticks(100);
    ASSERT_FALSE(t.game.turn().gameRunning) << "seat 1 should have won";
    t.say(2, net::msg::justwatch(2, true));
    t.start();
    EXPECT_EQ(t.game.player(1).score, 0);
    EXPECT_FALSE(t.game.player(1).zirked);
    EXPECT_FALSE(t.game.player(2).watching);
    EXPECT_EQ(t.game.turn().currentSeat, 1);
}

TEST(FastDeal, EverybodyGetsTheSameFirstTenLettersZirkedGetThirteen)
{
    HostTable t;
    t.seat(3);
    t.start({ .fast = true, .zirkedAt = 60 });
    t.playWords(2, 3, 1); // 60 points: seat 2 becomes Zirked
    t.link.clear();
    t.finishTurn();
    ASSERT_TRUE(t.game.player(2).zirked);
    const auto& tiles = t.game.currentTiles();
    EXPECT_EQ(
        t.link.to(1, "CMD_thedice"), std::vector<std::string> { line(net::msg::thedice(1, "false", rack(tiles, 10))) });
    EXPECT_EQ(
        t.link.to(2, "CMD_thedice"), std::vector<std::string> { line(net::msg::thedice(2, "true", rack(tiles, 13))) });
    EXPECT_EQ(
        t.link.to(3, "CMD_thedice"), std::vector<std::string> { line(net::msg::thedice(3, "false", rack(tiles, 10))) });
    EXPECT_EQ(t.link.to(2, "CMD_nextplayer"), std::vector<std::string> { "CMD_nextplayer+2" });
}

TEST(Buying, NewTilesThenOldTilesChargeEachTime)
{
    HostTable t;
    t.seat(2);
    t.start();
    t.link.clear();
    t.say(1, net::msg::newtiles(1));
    EXPECT_EQ(t.game.player(1).score, -300) << "scores may go below zero";
    const auto spare = line(net::msg::thedice(1, "new", rack(t.game.spareTiles(), 10)));
    EXPECT_EQ(t.link.to(2), (std::vector<std::string> { "CMD_newtiles+1+-300", spare }));
    t.say(1, net::msg::newtiles(1));
    EXPECT_EQ(t.game.player(1).score, -300) << "a second purchase in one turn is ignored";
    t.link.clear();
    t.say(1, net::msg::oldtiles(1));
    EXPECT_EQ(t.game.player(1).score, -600);
    EXPECT_EQ(t.link.to(1),
        (std::vector<std::string> {
            "CMD_oldtiles+1+-600", line(net::msg::thedice(1, "old", rack(t.game.currentTiles(), 10))) }));
    EXPECT_EQ(t.link.to(2),
        (std::vector<std::string> {
            "CMD_oldtiles+1+-600", line(net::msg::thedice(1, "old", rack(t.game.currentTiles(), 10))) }))
        << "in a slow game the others watch the player's rack, so they see it go back too";
}

TEST(Buying, WhoIsShownTheRackAfterBuyingBack)
{
    struct Row {
        const char* fault;
        bool fast;
        std::vector<int> shown; // seats that get the "old" tiles
    };
    const std::vector<Row> rows = {
        { "slow game: watchers kept the spare letters while the player used the dealt ones", false, { 1, 2, 3 } },
        { "fast game: the other players' racks are their own and must not change", true, { 1 } },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(3);
        t.start({ .fast = r.fast });
        t.say(1, net::msg::newtiles(1));
        t.link.clear();
        t.say(1, net::msg::oldtiles(1));
        for (int s = 1; s <= 3; ++s) {
            const bool shown = std::find(r.shown.begin(), r.shown.end(), s) != r.shown.end();
            const auto dice = t.link.to(s, "CMD_thedice");
            EXPECT_EQ(dice.size(), shown ? 1u : 0u) << r.fault << ", seat " << s;
            if (shown && !dice.empty()) {
                EXPECT_EQ(dice.front(), line(net::msg::thedice(1, "old", rack(t.game.currentTiles(), 10))))
                    << r.fault << ", seat " << s;
            }
        }
    }
}

TEST(Buying, RefusedPurchases)
{
    struct Row {
        const char* fault;
        bool newTiles;
        int connection;
        std::string message;
    };
    const std::vector<Row> rows = {
        { "old tiles without a purchase", true, 1, net::msg::oldtiles(1) },
        { "buying is switched off", false, 1, net::msg::newtiles(1) },
        { "not the player's turn", true, 2, net::msg::newtiles(2) },
        { "seat field of another player", true, 2, net::msg::newtiles(1) },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(2);
        t.start({ .newTiles = r.newTiles });
        t.link.clear();
        t.say(r.connection, r.message);
        EXPECT_EQ(t.link.messageCount(), 0u) << r.fault;
        EXPECT_EQ(t.game.player(1).score, 0) << r.fault;
        EXPECT_EQ(t.game.player(2).score, 0) << r.fault;
    }
}

TEST(Buying, FastGameSpareSetGoesToTheBuyerAlone)
{
    HostTable t;
    t.seat(2);
    t.start({ .fast = true });
    t.link.clear();
    t.say(2, net::msg::newtiles(2));
    EXPECT_EQ(t.link.to(1), std::vector<std::string> { "CMD_newtiles+2+-300" });
    EXPECT_EQ(t.link.to(2).size(), 2u);
}

TEST(Clock, SixtySecondTurnLastsSixtyFourTicks)
{
    HostTable t;
    t.seat(2);
    t.start({ .seconds = 60 });
    t.link.clear();
    t.ticks(63);
    EXPECT_EQ(t.game.turn().turnPhase, 1);
    EXPECT_TRUE(t.link.to(1, "CMD_turnend").empty());
    t.ticks(1);
    EXPECT_EQ(t.game.turn().turnPhase, 2);
    EXPECT_EQ(t.game.turn().gameState, "wait");
    EXPECT_EQ(t.link.to(1, "CMD_turnend"), std::vector<std::string> { "CMD_turnend+" });
}

TEST(Clock, PauseLengths)
{
    struct Row {
        const char* fault;
        bool fast;
        int players;
        int pause;
    };
    const std::vector<Row> rows = {
        { "slow game pauses five", false, 3, 5 },
        { "fast, one seat", true, 1, 10 },
        { "fast, two seats", true, 2, 15 },
        { "fast, three seats", true, 3, 20 },
        { "fast, four seats", true, 4, 25 },
        { "fast, five seats", true, 5, 30 },
        { "fast, spectators do not count", true, 9, 30 },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(r.players);
        t.start({ .fast = r.fast, .seconds = 10 });
        t.ticks(14);
        ASSERT_EQ(t.game.turn().turnPhase, 2) << r.fault;
        EXPECT_EQ(t.game.turn().turnClock, r.pause) << r.fault;
        t.link.clear();
        t.ticks(r.pause - 1);
        EXPECT_TRUE(t.link.to(1, "CMD_nextplayer").empty()) << r.fault;
        t.ticks(1);
        EXPECT_EQ(t.link.to(1, "CMD_nextplayer").size(), 1u) << r.fault;
    }
}

TEST(Clock, SlowTurnsRotateAndSkipEmptyAndWatchingSeats)
{
    HostTable t;
    t.seat(4);
    t.leave(2);
    t.start();
    t.say(3, net::msg::justwatch(3, true));
    std::vector<int> order { t.game.turn().currentSeat };
    for (int i = 0; i < 3; ++i) {
        t.finishTurn();
        order.push_back(t.game.turn().currentSeat);
    }
    EXPECT_EQ(order, (std::vector<int> { 1, 4, 1, 4 }));
}

TEST(Clock, SlowGameWithNobodyToPlayStopsAfterOneRoundAndResumes)
{
    HostTable t;
    t.seat(2);
    t.start();
    t.say(1, net::msg::justwatch(1, true)); // granted: seat 2 still plays
    t.leave(2);
    t.finishTurn();
    EXPECT_TRUE(t.game.stalled());
    EXPECT_FALSE(t.link.timer);
    EXPECT_TRUE(t.game.turn().gameRunning);
    t.link.clear();
    t.ticks(50);
    EXPECT_EQ(t.link.messageCount(), 0u);
    t.say(1, net::msg::justwatch(1, false));
    EXPECT_FALSE(t.game.stalled());
    EXPECT_EQ(t.game.turn().currentSeat, 1);
    EXPECT_EQ(t.game.turn().turnPhase, 1);
    EXPECT_TRUE(t.link.timer);
}

TEST(Clock, StalledGameResumesWhenAPlayerLogsIn)
{
    HostTable t;
    t.seat(2);
    t.start();
    t.say(1, net::msg::justwatch(1, true));
    t.leave(2);
    t.finishTurn();
    ASSERT_TRUE(t.game.stalled());
    const int s = t.join("Back");
    EXPECT_EQ(s, 2);
    EXPECT_FALSE(t.game.stalled());
    EXPECT_EQ(t.game.turn().currentSeat, 2);
}

TEST(Clock, GameEndsWhenEveryPlayingSeatHasLeft)
{
    HostTable t;
    t.seat(7);
    t.start();
    for (int s = 1; s <= 6; ++s)
        t.leave(s);
    EXPECT_FALSE(t.game.turn().gameRunning);
    EXPECT_FALSE(t.link.timer);
    t.seat(1);
    t.start();
    EXPECT_TRUE(t.game.turn().gameRunning) << "the next players can start a new game";
}

TEST(Clock, CurrentPlayerLeavingPassesTheTurnAtOnceUnlessSeatOne)
{
    HostTable t;
    t.seat(3);
    t.start();
    t.finishTurn();
    ASSERT_EQ(t.game.turn().currentSeat, 2);
    t.link.clear();
    t.leave(2);
    EXPECT_EQ(t.game.turn().currentSeat, 3);
    EXPECT_EQ(t.link.to(1, "CMD_nextplayer"), std::vector<std::string> { "CMD_nextplayer+3" });

    HostTable u;
    u.seat(3);
    u.start();
    u.link.clear();
    u.leave(1);
    EXPECT_EQ(u.game.turn().currentSeat, 1);
    EXPECT_TRUE(u.link.to(2, "CMD_nextplayer").empty());
}

TEST(Finish, SlowPlayerEndsTheTurnAtTheNextTick)
{
    HostTable t;
    t.seat(2);
    t.start();
    t.say(2, net::msg::finish(2));
    EXPECT_EQ(t.game.turn().turnClock, 64) << "only the player on turn may finish";
    t.say(1, net::msg::finish(1));
    t.ticks(1);
    EXPECT_EQ(t.game.turn().turnPhase, 2);
}

TEST(Finish, FastGameEndsWhenEveryConnectedPlayerFinished)
{
    HostTable t;
    t.seat(3);
    t.start({ .fast = true });
    t.link.clear();
    t.say(1, net::msg::finish(1));
    t.say(3, net::msg::finish(3));
    EXPECT_EQ(t.link.to(2), (std::vector<std::string> { "CMD_ifinished+1+", "CMD_ifinished+3+" }));
    EXPECT_EQ(t.game.turn().turnClock, 64);
    t.say(2, net::msg::finish(2));
    EXPECT_EQ(t.link.to(2, "CMD_allfinished"), std::vector<std::string> { "CMD_allfinished+" });
    EXPECT_EQ(t.game.turn().gameState, "wait");
    EXPECT_EQ(t.game.turn().turnClock, 1);
}

TEST(Watching, Requests)
{
    struct Row {
        const char* fault;
        int players;
        int connection;
        std::string message;
        int seat;
        bool watching;
        bool announced;
    };
    const std::vector<Row> rows = {
        { "granted while another of seats 1-4 plays", 2, 2, net::msg::justwatch(2, true), 2, true, true },
        { "refused for the last player among seats 1-4", 1, 1, net::msg::justwatch(1, true), 1, false, false },
        { "a player in seat 5 does not let the last of seats 1-4 watch", 5, 1, net::msg::justwatch(1, true), 1, false,
            false },
        { "seat one may set another seat watching", 3, 1, net::msg::justwatch(3, true), 3, true, true },
        { "another seat may not set seat one watching", 3, 2, net::msg::justwatch(1, true), 1, false, false },
        { "spectator seats cannot watch", 7, 7, net::msg::justwatch(7, true), 7, false, false },
        { "an unknown mode does nothing", 2, 2, "CMD_justwatch+2+3", 2, false, false },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(r.players);
        if (r.players == 5)
            for (int s = 2; s <= 4; ++s)
                t.leave(s);
        t.link.clear();
        t.say(r.connection, r.message);
        EXPECT_EQ(t.game.player(r.seat).watching, r.watching) << r.fault;
        EXPECT_EQ(!t.link.to(1, "CMD_justwatching").empty(), r.announced) << r.fault;
    }
}

TEST(Watching, OnTheirOwnTurnTheClockRunsOut)
{
    HostTable t;
    t.seat(2);
    t.start();
    t.say(1, net::msg::justwatch(1, true));
    EXPECT_EQ(t.game.turn().turnClock, 1);
    t.link.clear();
    t.say(1, net::msg::justwatch(1, false));
    EXPECT_EQ(t.link.to(2), std::vector<std::string> { "CMD_justwatching+1+2" });
}

TEST(WinCheck, Outcomes)
{
    struct Row {
        const char* fault;
        bool team;
        std::vector<int> fourLetterWords; // per seat 1..n, each word 120
        std::string winner; // empty: nobody yet
    };
    const std::vector<Row> rows = {
        { "exactly the play-to score wins", false, { 1, 0, 0 }, "P1" },
        { "two tied at the top: nobody wins", false, { 1, 1, 0 }, "" },
        { "highest wins over a lower score above the mark", false, { 1, 2, 0 }, "P2" },
        { "a tie below the top does not block the winner", false, { 2, 1, 1 }, "P1" },
        { "team win names both partners", true, { 1, 0, 0, 0, 0, 0 }, "P1 and P3" },
        { "team tie between seats 1 and 2: nobody wins", true, { 1, 1, 0, 0, 0, 0 }, "" },
    };
    for (const Row& r : rows) {
        HostTable t;
        const int players = static_cast<int>(r.fourLetterWords.size());
        t.seat(players);
        t.start({ .team = r.team, .playTo = 120 });
        for (int s = 1; s <= players; ++s) {
            ASSERT_EQ(t.game.turn().currentSeat, s) << r.fault;
            t.playWords(s, 4, r.fourLetterWords[static_cast<std::size_t>(s - 1)]);
            t.ticks(64);
            if (s < players)
                t.ticks(5);
        }
        t.link.clear();
        t.ticks(5); // the round wraps to seat 1: the win check runs
        const auto winners = t.link.to(1, "CMD_winner");
        if (r.winner.empty()) {
            EXPECT_TRUE(winners.empty()) << r.fault;
            EXPECT_TRUE(t.game.turn().gameRunning) << r.fault;
            EXPECT_EQ(t.game.turn().currentSeat, 1) << r.fault;
        } else {
            EXPECT_EQ(winners, std::vector<std::string> { "CMD_winner+" + r.winner }) << r.fault;
            EXPECT_FALSE(t.game.turn().gameRunning) << r.fault;
            EXPECT_FALSE(t.link.timer) << r.fault;
            EXPECT_TRUE(t.link.to(1, "CMD_nextplayer").empty()) << r.fault;
        }
    }
}

} // namespace
