// A lost connection's seat is held for its player, who takes it back with the
// seat token; nobody else ever gets it, and nothing is ever counted twice.

#include "HostTable.h"

#include <gtest/gtest.h>

#include <functional>

using namespace hosttest;

namespace
{

std::string rejoinLine(int freshSeat, const std::string& token)
{
    return net::msg::rejoin(freshSeat, token, rules::kVersion);
}

std::vector<char> rack(const rules::TileSet& set, int count)
{
    return std::vector<char>(set.begin() + 1, set.begin() + 1 + count);
}

// The token the host gave `seat` most recently, from what it sent.
std::string tokenOf(const RecordingLink& link, int seat)
{
    const auto sent = link.to(seat, net::cmd::seattoken);
    return sent.empty() ? std::string() : sent.back().substr(sent.back().rfind('+') + 1);
}

// Ann (1) and Bob (2) seated; Bob's connection is lost and his seat held.
struct BobHeld {
    HostTable t;
    std::string bobToken;
    BobHeld()
    {
        t.join("Ann");
        t.join("Bob");
        bobToken = tokenOf(t.link, 2);
        t.game.closed(2);
    }
};

TEST(SeatHold, ALostConnectionKeepsSeatScoreAndWordsForItsPlayer)
{
    HostTable t;
    t.seat(3);
    t.start();
    t.playWords(1, 4, 2);
    t.finishTurn(); // seat 1 scored; seat 2 plays now
    t.playWords(2, 3, 1);
    const int score1 = t.game.player(1).score;
    ASSERT_GT(score1, 0);
    t.link.clear();

    t.game.closed(1);
    EXPECT_EQ(t.link.to(2), std::vector<std::string> { "CMD_seatheld+1+120" });
    EXPECT_EQ(t.link.to(3), std::vector<std::string> { "CMD_seatheld+1+120" });
    EXPECT_TRUE(t.link.holdTimer);
    const host::Player& p = t.game.player(1);
    EXPECT_TRUE(p.held && !p.connected && p.loggedIn);
    EXPECT_EQ(p.name, "P1");
    EXPECT_EQ(p.score, score1);
    EXPECT_EQ(t.game.accepted(), 4) << "a held seat is not free for a newcomer";

    t.game.closed(2); // the player on turn: the turn runs on its clock, it does not pass at once
    EXPECT_EQ(t.game.turn().currentSeat, 2);
    EXPECT_FALSE(t.game.player(2).words[0][0].empty());
    t.finishTurn();
    EXPECT_EQ(t.game.turn().currentSeat, 3);
    EXPECT_GT(t.game.player(2).score, 0) << "a held player's words of the turn still score";
}

TEST(SeatHold, WhenTheHoldRunsOutThePlayerLeavesAndTheNextOneStartsAtNothing)
{
    HostTable t;
    t.seat(2);
    t.start();
    t.playWords(1, 5, 3);
    t.finishTurn();
    ASSERT_GT(t.game.player(1).score, 0);
    t.game.closed(1);
    t.link.clear();
    t.ticks(0);
    for (int s = 1; s < 120; ++s)
        t.game.holdTick();
    EXPECT_TRUE(t.game.player(1).held) << "held for 120 seconds, not one less";
    EXPECT_TRUE(t.link.to(2, net::cmd::playerdisconnected).empty());
    t.game.holdTick();
    EXPECT_EQ(t.link.to(2, net::cmd::playerdisconnected), std::vector<std::string> { "CMD_playerdisconnected+1+P1" });
    EXPECT_FALSE(t.link.holdTimer);
    const int s = t.join("Carl");
    ASSERT_EQ(s, 1);
    EXPECT_EQ(t.game.player(1).score, 0) << "a newcomer never inherits the last player's score";
    EXPECT_FALSE(t.game.player(1).zirked);
    EXPECT_EQ(t.link.to(1, net::cmd::loadscores).front(), "CMD_loadscores+1+0");
}

TEST(SeatHold, NoHoldForAPlayerTheHostRemovedOrWithTheHoldSwitchedOff)
{
    struct Row {
        const char* fault;
        int hold;
        std::function<void(HostTable&)> end; // ends seat 2's connection
        bool held;
    };
    const Row rows[] = {
        { "a lost connection is held", 120, [](HostTable& t) { t.game.closed(2); }, true },
        { "with --hold-seat 0 a lost connection frees the seat", 0, [](HostTable& t) { t.game.closed(2); }, false },
        { "a kicked player is not held", 120,
            [](HostTable& t) {
                t.say(1, net::msg::kickhim(1, 2));
                t.game.closed(2); // the shell reports the close it was asked for
            },
            false },
        { "a player who said goodbye was held", 120,
            [](HostTable& t) {
                t.say(2, net::msg::leave(2));
                t.game.closed(2);
            },
            false },
        { "a goodbye in another's name freed their seat", 120,
            [](HostTable& t) {
                t.say(3, net::msg::leave(2));
                t.game.closed(2);
            },
            true },
        { "kicking a held seat frees it at once", 120,
            [](HostTable& t) {
                t.game.closed(2);
                t.say(1, net::msg::kickhim(1, 2));
            },
            false },
        { "a connection that never logged in is not held", 120,
            [](HostTable& t) {
                t.leave(2);
                t.game.accepted();
                t.game.closed(2);
            },
            false },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.setHold(r.hold);
        t.seat(3);
        r.end(t);
        EXPECT_EQ(t.game.player(2).held, r.held) << r.fault;
        EXPECT_EQ(t.game.player(2).loggedIn, r.held) << r.fault;
        EXPECT_EQ(t.game.accepted() == 2, !r.held) << r.fault << ": the seat's freedom";
    }
}

TEST(SeatHold, AGoodbyeFreesTheSeatAtOnceAndARemovedPlayerIsToldSoFirst)
{
    HostTable t;
    t.seat(3);
    t.link.clear();
    t.say(2, net::msg::leave(2));
    EXPECT_EQ(t.link.dropped, std::vector<int> { 2 }) << "the host did not close the leaver's connection";
    t.game.closed(2);
    EXPECT_EQ(t.link.to(1), std::vector<std::string> { "CMD_playerdisconnected+2+P2" });
    EXPECT_TRUE(t.link.to(1, net::cmd::seatheld).empty());
    EXPECT_FALSE(t.game.player(2).loggedIn);

    t.link.clear();
    t.say(1, net::msg::kickhim(1, 3));
    EXPECT_EQ(t.link.to(3), std::vector<std::string> { "CMD_removed+3" })
        << "a removed window cannot tell its closing from a broken link";
    EXPECT_EQ(t.link.dropped, std::vector<int> { 3 });
    t.game.closed(3);
    EXPECT_EQ(t.link.to(1, net::cmd::playerdisconnected), std::vector<std::string> { "CMD_playerdisconnected+3+P3" });
}

TEST(SeatHold, NewcomersSeeHeldSeatsAndTheGameOutlivesAllLinksForTheHoldOnly)
{
    HostTable t;
    t.seat(2);
    t.start({ .fast = true });
    t.game.closed(2);
    for (int s = 0; s < 20; ++s)
        t.game.holdTick();
    t.link.clear();
    const int c = t.join("Carl");
    ASSERT_EQ(c, 3);
    const auto toCarl = t.link.to(c);
    EXPECT_NE(std::find(toCarl.begin(), toCarl.end(), "CMD_existingplayers+2+P2"), toCarl.end());
    EXPECT_NE(std::find(toCarl.begin(), toCarl.end(), "CMD_seatheld+2+100"), toCarl.end())
        << "the hold's time left, not its length";

    t.game.closed(1);
    t.game.closed(c);
    EXPECT_TRUE(t.game.turn().gameRunning) << "everybody's link may drop at once; their seats wait";
    for (int s = 0; s < 120; ++s)
        t.game.holdTick();
    EXPECT_FALSE(t.game.turn().gameRunning) << "once every hold has run out the game ends";
}

TEST(SeatHold, OthersInAFastGameDoNotWaitForAHeldPlayerToFinish)
{
    HostTable t;
    t.seat(3);
    t.start({ .fast = true });
    t.say(1, net::msg::finish(1));
    t.say(3, net::msg::finish(3));
    t.link.clear();
    t.game.closed(2);
    EXPECT_EQ(t.link.to(1, net::cmd::allfinished).size(), 1u);
    EXPECT_EQ(t.game.turn().turnClock, 1);
}

TEST(Rejoin, TokenRules)
{
    enum class Outcome { Back, Refused, Ignored };
    struct Row {
        const char* fault;
        std::function<std::string(BobHeld&, int fresh)> attempt; // the line the fresh connection sends
        std::function<void(BobHeld&, int fresh)> before = {}; // what happened on it first
        Outcome outcome;
    };
    const Row rows[] = {
        { "the right token takes the held seat back", [](BobHeld& b, int f) { return rejoinLine(f, b.bobToken); }, {},
            Outcome::Back },
        { "a wrong token is refused", [](BobHeld&, int f) { return rejoinLine(f, nthToken(99)); }, {},
            Outcome::Refused },
        { "the right token in capitals is no token",
            [](BobHeld& b, int f) {
                std::string upper = b.bobToken;
                for (char& c : upper)
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                return rejoinLine(f, upper + "A");
            },
            {}, Outcome::Refused },
        { "a prefix of the token is refused", [](BobHeld& b, int f) { return rejoinLine(f, b.bobToken.substr(0, 31)); },
            {}, Outcome::Refused },
        { "an empty token is refused", [](BobHeld&, int f) { return rejoinLine(f, ""); }, {}, Outcome::Refused },
        { "a token replayed after a rejoin is dead", [](BobHeld& b, int f) { return rejoinLine(f, b.bobToken); },
            [](BobHeld& b, int) {
                const int first = b.t.game.accepted();
                b.t.say(first, rejoinLine(first, b.bobToken));
                b.t.game.closed(2); // lost again: held, under a new token
            },
            Outcome::Refused },
        { "the token of an expired hold is dead", [](BobHeld& b, int f) { return rejoinLine(f, b.bobToken); },
            [](BobHeld& b, int) {
                for (int s = 0; s < 120; ++s)
                    b.t.game.holdTick();
            },
            Outcome::Refused },
        { "one attempt per connection: the right token second is ignored",
            [](BobHeld& b, int f) { return rejoinLine(f, b.bobToken); },
            [](BobHeld& b, int f) { b.t.say(f, rejoinLine(f, nthToken(99))); }, Outcome::Ignored },
        { "a rejoin after a login is ignored", [](BobHeld& b, int f) { return rejoinLine(f, b.bobToken); },
            [](BobHeld& b, int f) { b.t.say(f, net::msg::logininfo(f, rules::kVersion, "Mallory")); },
            Outcome::Ignored },
        { "a rejoin naming another connection's seat is ignored",
            [](BobHeld& b, int) { return rejoinLine(1, b.bobToken); }, {}, Outcome::Ignored },
        { "a login with the held player's name never gets the seat",
            [](BobHeld&, int f) { return net::msg::logininfo(f, rules::kVersion, "Bob"); }, {}, Outcome::Ignored },
    };
    for (const Row& r : rows) {
        BobHeld b;
        const int fresh = b.t.game.accepted();
        ASSERT_EQ(fresh, 3);
        if (r.before)
            r.before(b, fresh);
        const bool bobStillHeld = b.t.game.player(2).held;
        b.t.link.clear();
        b.t.say(fresh, r.attempt(b, fresh));
        const auto toFresh = b.t.link.to(fresh);
        const auto toBob = b.t.link.to(2);
        switch (r.outcome) {
        case Outcome::Back:
            EXPECT_EQ(b.t.link.moves, (std::vector<std::pair<int, int>> { { fresh, 2 } })) << r.fault;
            ASSERT_FALSE(toBob.empty()) << r.fault;
            EXPECT_EQ(toBob.front(), "CMD_rejoined+2") << r.fault;
            EXPECT_EQ(b.t.link.to(1, net::cmd::seatback), std::vector<std::string> { "CMD_seatback+2" }) << r.fault;
            EXPECT_TRUE(b.t.game.player(2).connected && !b.t.game.player(2).held) << r.fault;
            EXPECT_FALSE(b.t.game.player(fresh).connected) << r.fault << ": the fresh seat is free again";
            EXPECT_NE(tokenOf(b.t.link, 2), b.bobToken) << r.fault << ": the token is rotated";
            break;
        case Outcome::Refused:
            EXPECT_EQ(toFresh, std::vector<std::string> { "CMD_rejoinrefused+No seat is held for this token." })
                << r.fault;
            EXPECT_TRUE(b.t.link.moves.empty()) << r.fault;
            EXPECT_EQ(b.t.game.player(2).held, bobStillHeld) << r.fault;
            EXPECT_TRUE(b.t.game.player(fresh).connected) << r.fault << ": it keeps its fresh seat";
            break;
        case Outcome::Ignored:
            EXPECT_TRUE(b.t.link.moves.empty()) << r.fault;
            EXPECT_TRUE(b.t.link.to(fresh, net::cmd::rejoinrefused).empty()) << r.fault;
            EXPECT_TRUE(b.t.link.to(fresh, net::cmd::rejoined).empty()) << r.fault;
            EXPECT_EQ(b.t.game.player(2).held, bobStillHeld) << r.fault;
            break;
        }
        // Whatever happened, Bob's score and name live in one seat only.
        int bobs = 0;
        for (int s = 1; s <= host::kMaxSeat; ++s)
            bobs += b.t.game.player(s).loggedIn && b.t.game.player(s).name == "Bob" ? 1 : 0;
        EXPECT_LE(bobs, 1) << r.fault;
    }
}

TEST(Rejoin, AFullHouseLetsATenthConnectionInOnlyToTakeBackAHeldSeat)
{
    enum class Outcome { Back, Full };
    struct Row {
        const char* fault;
        bool held; // seat 4's player lost the link
        std::function<std::string(const std::string& token)> says; // the tenth connection's first words
        Outcome outcome;
    };
    const Row rows[] = {
        { "the held seat's player comes back into a full house", true,
            [](const std::string& token) { return rejoinLine(10, token); }, Outcome::Back },
        { "a login at the door finds the house full", true,
            [](const std::string&) { return net::msg::logininfo(10, rules::kVersion, "Late"); }, Outcome::Full },
        { "a wrong token at the door is refused, then the house is full", true,
            [](const std::string&) { return rejoinLine(10, nthToken(77)); }, Outcome::Full },
        { "a chat at the door is no way in", true, [](const std::string&) { return net::msg::chat(10, "hi"); },
            Outcome::Full },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(9);
        const std::string token = nthToken(3); // seat 4's
        t.game.closed(4);
        t.link.clear();
        ASSERT_EQ(t.game.accepted(), host::kRefusedSeat) << r.fault;
        EXPECT_EQ(t.link.to(host::kRefusedSeat), std::vector<std::string> { "CMD_sendlogininfo+10" }) << r.fault;
        EXPECT_TRUE(t.link.dropped.empty()) << r.fault;
        EXPECT_EQ(t.game.accepted(), host::kRefusedSeat) << r.fault << ": one at the door at a time";
        EXPECT_EQ(t.link.dropped, std::vector<int> { host::kRefusedSeat }) << r.fault;
        t.link.clear();
        t.say(host::kRefusedSeat, r.says(token));
        if (r.outcome == Outcome::Back) {
            EXPECT_EQ(t.link.moves, (std::vector<std::pair<int, int>> { { host::kRefusedSeat, 4 } })) << r.fault;
            EXPECT_TRUE(t.game.player(4).connected) << r.fault;
            EXPECT_FALSE(t.game.player(host::kRefusedSeat).connected) << r.fault;
        } else {
            EXPECT_EQ(t.link.to(host::kRefusedSeat, net::cmd::full).size(), 1u) << r.fault;
            EXPECT_EQ(t.link.dropped, std::vector<int> { host::kRefusedSeat }) << r.fault;
            EXPECT_TRUE(t.link.moves.empty()) << r.fault;
            EXPECT_TRUE(t.game.player(4).held) << r.fault;
        }
        for (int s = 1; s <= host::kMaxSeat; ++s)
            if (s != 4) {
                EXPECT_TRUE(t.link.to(s, net::cmd::newplayerinfo).empty()) << r.fault << ": nobody hears of the door";
            }
        t.game.closed(host::kRefusedSeat);
        EXPECT_FALSE(t.game.player(host::kRefusedSeat).connected) << r.fault;
    }
    // With nothing held, a tenth connection is refused as it always was.
    HostTable t;
    t.seat(9);
    t.link.clear();
    EXPECT_EQ(t.game.accepted(), host::kRefusedSeat);
    EXPECT_EQ(t.link.to(host::kRefusedSeat), std::vector<std::string> { "CMD_full+" });
}

TEST(Rejoin, TheRightTokenTakesOverASeatWhoseOldConnectionStillLooksAlive)
{
    HostTable t;
    t.join("Ann");
    t.join("Bob");
    const std::string token = tokenOf(t.link, 2);
    const int fresh = t.game.accepted();
    t.link.clear();
    t.say(fresh, rejoinLine(fresh, token));
    EXPECT_EQ(t.link.moves, (std::vector<std::pair<int, int>> { { fresh, 2 } }));
    // Nobody was told Bob left or came back: to them he never went away.
    EXPECT_TRUE(t.link.to(1).empty());
    EXPECT_TRUE(t.link.dropped.empty()) << "the shell closes the old connection silently as part of the move";
    EXPECT_EQ(t.link.to(2).front(), "CMD_rejoined+2");
}

TEST(Rejoin, ASlowGameCatchUpRestoresTheTurnTheClockTheWordsAndTheBoughtRack)
{
    HostTable t;
    t.join("Ann");
    t.join("Bob");
    t.start({ .seconds = 60 });
    t.finishTurn(); // Bob's turn
    ASSERT_EQ(t.game.turn().currentSeat, 2);
    t.say(2, net::msg::newtiles(2));
    t.playWords(2, 3, 2);
    t.ticks(10);
    const std::string token = tokenOf(t.link, 2);
    t.game.closed(2);
    t.game.holdTick();
    t.ticks(1); // the turn's clock goes on while the seat is held
    const int fresh = t.game.accepted();
    t.link.clear();
    t.say(fresh, rejoinLine(fresh, token));

    const host::Player& bob = t.game.player(2);
    std::vector<std::string> expected { "CMD_rejoined+2", "CMD_newplayerinfo+2+Bob", "CMD_existingplayers+1+Ann",
        "CMD_leader+1", "CMD_stats+2+f+100000+60+100000+t+t+f+play+" };
    for (int s = 1; s <= 6; ++s)
        expected.push_back("CMD_loadscores+" + std::to_string(s) + "+" + std::to_string(t.game.player(s).score));
    expected.push_back("CMD_nextplayer+2");
    expected.push_back("CMD_clock+" + std::to_string(t.game.turn().turnClock));
    for (const std::string& w : bob.words[0])
        if (!w.empty())
            expected.push_back("CMD_accepted+3+" + w);
    expected.push_back(line(net::msg::thedice(2, "false", rack(t.game.currentTiles(), 10))));
    expected.push_back("CMD_newtiles+2+" + std::to_string(bob.score));
    expected.push_back(line(net::msg::thedice(2, "new", rack(t.game.spareTiles(), 10))));
    expected.push_back("CMD_seattoken+2+" + tokenOf(t.link, 2));
    EXPECT_EQ(t.link.to(2), expected);
    EXPECT_EQ(t.game.turn().turnClock, 64 - 10 - 1);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), "CMD_accepted+3+" + bob.words[0][0]), 1);
}

TEST(Rejoin, CatchUpDependsOnThePhaseAndTheKindOfGame)
{
    struct Row {
        const char* fault;
        bool fast;
        bool inPause; // between turns
        int rejoiner; // who lost the link: seat 1 plays first in a slow game
        std::vector<std::string> commands; // the catch-up's command words, in order
    };
    const std::vector<std::string> running { "CMD_rejoined", "CMD_newplayerinfo", "CMD_existingplayers", "CMD_leader",
        "CMD_stats", "CMD_loadscores", "CMD_loadscores", "CMD_loadscores", "CMD_loadscores", "CMD_loadscores",
        "CMD_loadscores", "CMD_nextplayer", "CMD_clock", "CMD_accepted", "CMD_thedice", "CMD_seattoken" };
    std::vector<std::string> paused(running);
    paused.erase(std::find(paused.begin(), paused.end(), "CMD_nextplayer"),
        std::find(paused.begin(), paused.end(), "CMD_accepted"));
    paused.erase(std::find(paused.begin(), paused.end(), "CMD_thedice"));
    const Row rows[] = {
        { "slow game, the player on turn: its rack and words", false, false, 1, running },
        { "slow game, a watcher: the player on turn's rack and words", false, false, 2, running },
        { "fast game: its own rack and words", true, false, 2, running },
        { "between turns: no turn, clock or rack, the words stay", false, true, 1, paused },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(2);
        t.start({ .fast = r.fast });
        const int wordsBy = r.fast ? r.rejoiner : 1;
        t.playWords(wordsBy, 4, 1);
        if (r.inPause)
            while (t.game.turn().turnPhase == 1)
                t.game.tick();
        const std::string token = tokenOf(t.link, r.rejoiner);
        t.game.closed(r.rejoiner);
        const int fresh = t.game.accepted();
        t.link.clear();
        t.say(fresh, rejoinLine(fresh, token));
        std::vector<std::string> commands;
        for (const std::string& m : t.link.to(r.rejoiner))
            commands.push_back(m.substr(0, m.find('+')));
        EXPECT_EQ(commands, r.commands) << r.fault;
        const auto shown = t.link.to(r.rejoiner, net::cmd::thedice);
        if (!shown.empty()) {
            EXPECT_TRUE(shown[0].starts_with("CMD_thedice+" + std::to_string(wordsBy) + "+")) << r.fault;
        }
    }
}

TEST(Rejoin, ATokenRotatesOnEveryRejoinAndComesFromTheInjectedSource)
{
    HostTable t;
    t.join("Ann");
    EXPECT_EQ(tokenOf(t.link, 1), nthToken(0));
    for (int round = 1; round <= 3; ++round) {
        const std::string token = tokenOf(t.link, 1);
        t.game.closed(1);
        const int fresh = t.game.accepted();
        t.say(fresh, rejoinLine(fresh, token));
        ASSERT_TRUE(t.game.player(1).connected) << round;
        EXPECT_EQ(tokenOf(t.link, 1), nthToken(round)) << round;
    }
}

} // namespace
