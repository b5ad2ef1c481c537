// Who leads the game when seat 1's player is gone, and one name per seated player.

#include "HostTable.h"

#include <gtest/gtest.h>

#include <functional>

using namespace hosttest;

namespace
{

void dedicated(HostTable& t, std::function<bool(std::string_view)> mayLead = {})
{
    host::Options o = t.game.options();
    o.dedicated = true;
    o.mayLead = std::move(mayLead);
    t.game.setOptions(o);
}

bool started(HostTable& t, int seat)
{
    t.say(seat, net::msg::startgame(seat, {}));
    return t.game.turn().gameRunning;
}

TEST(Leader, WhoLeadsAfterWhat)
{
    struct Row {
        const char* fault;
        bool dedicatedHost;
        std::function<void(HostTable&)> story; // Ann 1, Bob 2, Cid 3 are seated first
        int leader;
    };
    const Row rows[] = {
        { "seat 1 leads from the start", true, [](HostTable&) {}, 1 },
        { "a held leader keeps the lead", true, [](HostTable& t) { t.game.closed(1); }, 1 },
        { "seat 1 gone for good: the longest seated remaining leads", true, [](HostTable& t) { t.leave(1); }, 2 },
        { "longest seated, not lowest seat", true,
            [](HostTable& t) {
                t.leave(2);
                t.join("Dan"); // seat 2 again, seated after Cid
                t.leave(1);
            },
            3 },
        { "a newcomer in seat 1 gets none of its rights", true,
            [](HostTable& t) {
                t.leave(1);
                t.join("Eve"); // seat 1 again
            },
            2 },
        { "a live player leads before a held one", true,
            [](HostTable& t) {
                t.game.closed(2);
                t.leave(1);
            },
            3 },
        { "nobody left: the next to log in leads", true,
            [](HostTable& t) {
                t.leave(1);
                t.leave(2);
                t.leave(3);
                t.join("Fay");
            },
            1 },
        { "a hosting copy's own player in seat 1 always leads", false, [](HostTable& t) { t.leave(1); }, 1 },
    };
    for (const Row& r : rows) {
        HostTable t;
        if (r.dedicatedHost)
            dedicated(t);
        t.join("Ann");
        t.join("Bob");
        t.join("Cid");
        r.story(t);
        EXPECT_EQ(t.game.leader(), r.leader) << r.fault;
    }
}

TEST(Leader, OnlyTheLeaderStartsKicksAndSetsWaiting)
{
    HostTable t;
    dedicated(t);
    t.join("Ann");
    t.join("Bob");
    t.leave(1);
    t.join("Eve"); // seat 1, not the leader
    ASSERT_EQ(t.game.leader(), 2);
    EXPECT_FALSE(started(t, 1)) << "seat 1 alone gives no right to start";
    t.say(1, net::msg::kickhim(1, 2));
    EXPECT_TRUE(t.link.dropped.empty());
    t.say(1, net::msg::setmakewait(1, true));
    EXPECT_FALSE(t.game.turn().makeWait);

    t.say(2, net::msg::setmakewait(2, true));
    EXPECT_TRUE(t.game.turn().makeWait);
    t.link.clear();
    EXPECT_TRUE(started(t, 2));
    EXPECT_TRUE(t.link.to(1, net::cmd::startgame).front().starts_with("CMD_startgame+Bob+"))
        << "the start names who started it";
    t.say(2, net::msg::kickhim(2, 1));
    EXPECT_EQ(t.link.dropped, std::vector<int> { 1 });
}

TEST(Leader, EverybodyIsToldAtEveryChangeAndEachNewcomerAtLogin)
{
    HostTable t;
    dedicated(t);
    t.join("Ann");
    EXPECT_EQ(t.link.to(1, net::cmd::leader), std::vector<std::string> { "CMD_leader+1" });
    t.join("Bob");
    t.join("Cid");
    EXPECT_EQ(t.link.to(3, net::cmd::leader), std::vector<std::string> { "CMD_leader+1" });
    t.link.clear();
    t.leave(1);
    EXPECT_EQ(t.link.to(2, net::cmd::leader), std::vector<std::string> { "CMD_leader+2" });
    EXPECT_EQ(t.link.to(3, net::cmd::leader), std::vector<std::string> { "CMD_leader+2" });
    t.link.clear();
    t.join("Eve");
    EXPECT_EQ(t.link.to(1, net::cmd::leader), std::vector<std::string> { "CMD_leader+2" });
    EXPECT_TRUE(t.link.to(2, net::cmd::leader).empty()) << "no change, nothing to tell the others";
}

TEST(Leader, ComputerPlayersArePassedOverWhileAPersonIsSeated)
{
    HostTable t;
    dedicated(t, [](std::string_view name) { return !name.ends_with(" Computer"); });
    t.join("Ann");
    t.join("Easy Computer");
    t.join("Hard Computer");
    t.join("Bob");
    t.leave(1);
    EXPECT_EQ(t.game.leader(), 4);
    t.leave(4);
    EXPECT_EQ(t.game.leader(), 0) << "computers alone lead nobody";
    EXPECT_EQ(t.link.to(2, net::cmd::leader).back(), "CMD_leader+0");
    EXPECT_FALSE(started(t, 2));
}

TEST(Names, SeatedPlayersHaveDistinctNames)
{
    struct Row {
        const char* fault;
        std::vector<std::string> names; // logged in in this order, one seat each
        std::string last; // the name the last one plays under
    };
    const std::string longName(100, 'x');
    const Row rows[] = {
        { "a second Alice", { "Alice", "Alice" }, "Alice (2)" },
        { "a third Alice", { "Alice", "Alice", "Alice" }, "Alice (3)" },
        { "names differing only in case", { "Alice", "ALICE" }, "ALICE (2)" },
        { "someone who chose the renamed name", { "Alice", "Alice", "Alice (2)" }, "Alice (2) (2)" },
        { "the suffix fits in the longest name", { longName, longName }, longName.substr(0, 96) + " (2)" },
        { "different names stay as they are", { "Alice", "Alicia" }, "Alicia" },
    };
    for (const Row& r : rows) {
        HostTable t;
        int seat = 0;
        for (const std::string& name : r.names)
            seat = t.join(name);
        EXPECT_EQ(t.game.player(seat).name, r.last) << r.fault;
        const auto told = t.link.to(1, net::cmd::newplayerinfo);
        EXPECT_EQ(told.back(), "CMD_newplayerinfo+" + std::to_string(seat) + "+" + r.last)
            << r.fault << ": everybody sees the name played under";
        const auto notices = t.link.to(seat, net::cmd::notice);
        if (r.last == r.names.back())
            EXPECT_TRUE(notices.empty()) << r.fault;
        else
            EXPECT_EQ(notices,
                std::vector<std::string> {
                    "CMD_notice+Another player is called " + r.names.back() + "; you play as " + r.last + "." })
                << r.fault;
    }
}

TEST(Names, HeldAndRenamingPlayersKeepNamesApartToo)
{
    HostTable t;
    t.join("Alice");
    t.join("Bob");
    t.game.closed(1);
    EXPECT_EQ(t.game.player(t.join("Alice")).name, "Alice (2)") << "a held player's name is still hers";
    t.say(2, net::msg::logininfo(2, rules::kVersion, "alice"));
    EXPECT_EQ(t.game.player(2).name, "alice (3)") << "logging in again under a taken name";
    t.say(2, net::msg::logininfo(2, rules::kVersion, "alice (3)"));
    EXPECT_EQ(t.game.player(2).name, "alice (3)") << "a player's own name is no clash";
    t.leave(1);
    EXPECT_EQ(t.game.player(t.join("Alice")).name, "Alice") << "a name is free once its player has gone";
}

} // namespace
