#include "client/Roster.h"

#include "net/Framing.h"

#include <gtest/gtest.h>

#include <optional>

#include <string>
#include <vector>

namespace
{

using client::ChatLine;
using client::Roster;

std::vector<std::string> texts(const client::Effects& c)
{
    std::vector<std::string> out;
    for (const auto& l : c.lines)
        out.push_back(l.text);
    return out;
}

Roster seatedAt(int seat)
{
    Roster r;
    EXPECT_EQ(r.seated(std::to_string(seat)), seat);
    return r;
}

TEST(RosterLogin, SeatMessage)
{
    Roster r;
    EXPECT_FALSE(r.connected());
    EXPECT_EQ(r.seated("3"), 3);
    EXPECT_TRUE(r.connected());
    EXPECT_EQ(r.mySeat(), 3);

    for (const char* bad : { "", "0", "10", "-1", "x", "3x", " 3", "99999999999" }) {
        Roster fresh;
        EXPECT_FALSE(fresh.seated(bad).has_value()) << "seat '" << bad << "'";
        EXPECT_FALSE(fresh.connected()) << "a bad seat must not open the gate for sending";
    }
}

TEST(RosterArrival, OwnAndOthers)
{
    Roster r = seatedAt(2);
    auto own = r.playerArrived("2+Ann");
    EXPECT_EQ(texts(own), std::vector<std::string> { "0+You are Connected." });
    EXPECT_EQ(own.lines[0].colour, client::kBlue);
    EXPECT_TRUE(own.loggedIn);
    EXPECT_TRUE(own.sounds.empty()) << "no arrival sound for ourselves";
    EXPECT_EQ(r.name(2), "Ann");

    auto again = r.playerArrived("2+Ann");
    EXPECT_TRUE(again.loggedIn) << "every own arrival loads the settings again";

    auto other = r.playerArrived("1+Bob+the+Builder");
    EXPECT_EQ(texts(other), std::vector<std::string> { "0+Bob+the+Builder is Connected." })
        << "the name is the rest after the seat";
    EXPECT_EQ(other.sounds, std::vector<std::string> { "entered" });
    EXPECT_FALSE(other.loggedIn);
    EXPECT_EQ(r.name(1), "Bob+the+Builder");
}

TEST(RosterArrival, Spectators)
{
    Roster me = seatedAt(8);
    auto own = me.playerArrived("8+Zed");
    EXPECT_EQ(texts(own), (std::vector<std::string> { "0+You are Connected.", "0+You are spying." }));
    ASSERT_TRUE(own.spyAdded);
    EXPECT_EQ(*own.spyAdded, (client::SpyEntry { 8, "Zed" }));
    for (int seat = 1; seat <= 6; ++seat)
        EXPECT_EQ(me.name(seat), client::kWaiting) << "a spectator takes no player seat";

    auto other = me.playerArrived("7+Amy");
    EXPECT_EQ(texts(other), (std::vector<std::string> { "0+Amy is Connected.", "0+Amy is spying." }));
    EXPECT_EQ(me.spies(), (std::vector<std::string> { "8: Zed", "7: Amy" }));
}

TEST(RosterArrival, ASpectatorSeatListsOneNameWhateverTheHostRepeats)
{
    struct Row {
        const char* fault;
        std::vector<std::string> arrivals;
        std::vector<std::string> spies;
        std::optional<client::SpyEntry> removedLast;
    };
    const Row rows[] = {
        { "a renamed spectator listed under both names", { "7+Amy", "7+Amelia" }, { "7: Amelia" },
            client::SpyEntry { 7, "Amy" } },
        { "a repeated arrival listed twice", { "9+Zed", "9+Zed", "9+Zed" }, { "9: Zed" },
            client::SpyEntry { 9, "Zed" } },
        { "another seat's spectator taken away", { "7+Amy", "8+Bo", "7+Cy" }, { "8: Bo", "7: Cy" },
            client::SpyEntry { 7, "Amy" } },
        { "a first arrival reported as a departure", { "8+Bo" }, { "8: Bo" }, std::nullopt },
    };
    for (const Row& r : rows) {
        Roster roster = seatedAt(1);
        client::Effects last;
        for (const std::string& arrival : r.arrivals)
            last = roster.playerArrived(arrival);
        EXPECT_EQ(roster.spies(), r.spies) << r.fault;
        EXPECT_EQ(last.spyRemoved, r.removedLast) << r.fault;
    }
}

TEST(RosterArrival, OneLinePerSpectatorSeat)
{
    struct Row {
        const char* fault;
        std::vector<std::string> arrivals; // "seat+name", or "-seat+name" for a departure
        std::vector<std::string> listed;
    };
    const Row rows[] = {
        { "a new login under another name added a second line", { "7+Amy", "7+Amelia" }, { "7: Amelia" } },
        { "the renamed spectator could not leave", { "7+Amy", "7+Amelia", "-7+Amelia" }, {} },
        { "the next spectator in a freed seat listed beside the leaver", { "7+Amy", "-7+Amy", "7+Ben" },
            { "7: Ben" } },
        { "a spectator's line taken by another seat's login", { "7+Amy", "8+Ben", "8+Bo" }, { "7: Amy", "8: Bo" } },
    };
    for (const Row& r : rows) {
        Roster roster = seatedAt(2);
        for (const std::string& a : r.arrivals)
            if (a.front() == '-')
                roster.playerDisconnected(a.substr(1));
            else
                roster.playerArrived(a);
        EXPECT_EQ(roster.spies(), r.listed) << r.fault;
    }

    Roster flooded = seatedAt(2);
    for (int i = 0; i < 100000; ++i)
        flooded.playerArrived(std::to_string(7 + i % 3) + "+Spy" + std::to_string(i));
    EXPECT_EQ(flooded.spies().size(), 3u) << "a flood of logins grew the list";
}

TEST(RosterArrival, Latin1NamesShowAsText)
{
    Roster r = seatedAt(1);
    r.playerArrived("2+Jos\xE9");
    EXPECT_EQ(r.name(2), "Jos\xC3\xA9");
    r.playerArrived("3+J\xC3\xB6rg");
    EXPECT_EQ(r.name(3), "J\xC3\xB6rg") << "valid UTF-8 stays as it is";
}

TEST(RosterDisconnect, Cases)
{
    Roster r = seatedAt(1);
    r.playerArrived("1+Me");
    r.playerArrived("3+Cy");
    r.playerArrived("7+Spy");

    auto free = r.playerDisconnected("4+");
    EXPECT_TRUE(free.lines.empty()) << "a free seat's disconnect adds no line";

    r.justWatching("3+1");
    auto cy = r.playerDisconnected("3+whatever");
    EXPECT_EQ(texts(cy), std::vector<std::string> { "0+Cy disconnected." }) << "the label's name, not the message's";
    EXPECT_EQ(r.name(3), client::kWaiting);
    EXPECT_FALSE(r.watching(3)) << "the watch mark does not stay on the free seat";

    auto unknown = r.playerDisconnected("8+Ghost");
    EXPECT_TRUE(unknown.lines.empty()) << "a spectator we never saw leaves silently";
    EXPECT_FALSE(unknown.spyRemoved);

    auto wrongName = r.playerDisconnected("7+Other");
    EXPECT_TRUE(wrongName.lines.empty());
    EXPECT_EQ(r.spies().size(), 1u);

    auto spy = r.playerDisconnected("7+Spy");
    ASSERT_EQ(spy.lines.size(), 1u);
    EXPECT_EQ(spy.lines[0], (ChatLine { "0+Spy has left.", client::kNavy }));
    ASSERT_TRUE(spy.spyRemoved);
    EXPECT_EQ(*spy.spyRemoved, (client::SpyEntry { 7, "Spy" }));
    EXPECT_TRUE(r.spies().empty());

    auto emptyName = r.playerDisconnected("9+");
    EXPECT_TRUE(emptyName.lines.empty());
}

TEST(RosterWatch, JustWatching)
{
    Roster r = seatedAt(2);
    r.playerArrived("2+Me");
    r.playerArrived("1+Host");

    auto mine = r.justWatching("2+1");
    EXPECT_EQ(mine.lines[0], (ChatLine { "0+You are just watching", client::kWatchGrey }))
        << "the player's own line reads in the second person";
    EXPECT_EQ(mine.justWatchChecked, true);
    EXPECT_TRUE(r.watching(2));

    auto back = r.justWatching("2+2");
    EXPECT_EQ(back.lines[0].text, "0+You are playing again");
    EXPECT_EQ(back.justWatchChecked, false);

    auto other = r.justWatching("1+1");
    EXPECT_FALSE(other.justWatchChecked) << "another seat's watch does not touch our menu";
    EXPECT_TRUE(r.watching(1));
}

// "Just Watch" is offered only where the host would act on it.
TEST(RosterWatch, JustWatchCanActOnlyWithSomeoneLeftToPlay)
{
    struct Row {
        const char* fault;
        int mySeat;
        std::vector<std::string> arrivals; // "seat+name"
        std::vector<std::string> watches; // "seat+1"
        bool offered;
    };
    const Row rows[] = {
        { "offered in a solo game", 1, { "1+You" }, {}, false },
        { "not offered with a second player", 1, { "1+Ann", "2+Bob" }, {}, true },
        { "offered when the only other player already watches", 1, { "1+Ann", "2+Bob" }, { "2+1" }, false },
        { "the way back to playing closed", 1, { "1+Ann", "2+Bob" }, { "1+1" }, true },
        { "a player beyond seat 4 counted as one left to play", 1, { "1+Ann", "5+Eve", "6+Fay" }, {}, false },
        { "offered to seat 5, which the host never lets watch", 5, { "1+Ann", "5+Eve" }, {}, false },
        { "offered to a spectator", 8, { "1+Ann", "2+Bob", "8+Spy" }, {}, false },
    };
    for (const Row& r : rows) {
        Roster roster = seatedAt(r.mySeat);
        for (const auto& a : r.arrivals)
            roster.playerArrived(a);
        for (const auto& w : r.watches)
            roster.justWatching(w);
        EXPECT_EQ(roster.mayAskToWatch(), r.offered) << r.fault;
    }
    Roster gone = seatedAt(1);
    gone.playerArrived("2+Bob");
    gone.disconnected();
    EXPECT_FALSE(gone.mayAskToWatch()) << "offered with the host gone";
}

TEST(RosterHostile, OutOfRangeAndJunkIgnored)
{
    struct Row {
        const char* fault;
        client::Effects (Roster::*handler)(std::string_view);
        const char* rest;
    };
    const Row rows[] = {
        { "arrival seat 0 would index before the table", &Roster::playerArrived, "0+X" },
        { "arrival seat 10", &Roster::playerArrived, "10+X" },
        { "arrival seat not a number", &Roster::playerArrived, "two+X" },
        { "arrival empty", &Roster::playerArrived, "" },
        { "arrival huge seat", &Roster::playerArrived, "4294967297+X" },
        { "disconnect seat -1", &Roster::playerDisconnected, "-1+X" },
        { "disconnect seat 1000", &Roster::playerDisconnected, "1000+X" },
        { "watch for a spectator seat", &Roster::justWatching, "7+1" },
        { "watch seat 0", &Roster::justWatching, "0+1" },
        { "watch no seat", &Roster::justWatching, "+1" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        Roster roster = seatedAt(1);
        const auto change = (roster.*r.handler)(r.rest);
        EXPECT_TRUE(change.ignored.has_value());
        EXPECT_TRUE(change.lines.empty());
        for (int seat = 1; seat <= 6; ++seat)
            EXPECT_EQ(roster.name(seat), client::kWaiting);
        EXPECT_TRUE(roster.spies().empty());
    }
}

TEST(KickMenu, PreparedPerLabel)
{
    struct Row {
        const char* fault;
        bool hosting;
        const char* label;
        bool remove, setWatch, unsetWatch, spyRemove;
    };
    const Row rows[] = {
        { "non-host gets everything disabled", false, "Ann", false, false, false, false },
        { "non-host on a free seat too", false, "<Waiting>", false, false, false, false },
        { "host on a player", true, "Ann", true, true, true, true },
        { "host on a free seat cannot remove but may set watch", true, "<Waiting>", false, true, true, true },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        const auto m = client::prepareKickMenu(r.hosting, r.label, 4);
        EXPECT_EQ(m.removeEnabled, r.remove);
        EXPECT_EQ(m.setWatchEnabled, r.setWatch);
        EXPECT_EQ(m.unsetWatchEnabled, r.unsetWatch);
        EXPECT_EQ(m.spyRemoveEnabled, r.spyRemove);
        EXPECT_EQ(m.tag, 4);
    }
}

TEST(KickMenu, WhatTheCommandsSend)
{
    const std::string ff(1, net::kTerminator);
    EXPECT_EQ(client::removeFromGame(true, true, 1, 5), "CMD_kickhim+1+5+" + ff);
    EXPECT_EQ(client::removeFromGame(true, true, 1, 6), "CMD_kickhim+1+6+" + ff) << "slot 6 can be removed";
    EXPECT_EQ(client::removeFromGame(true, true, 1, 8), "CMD_kickhim+1+8+" + ff) << "spectators too";
    EXPECT_FALSE(client::removeFromGame(false, true, 2, 5)) << "only the host removes";
    EXPECT_FALSE(client::removeFromGame(true, false, 1, 5)) << "nothing is sent unconnected";
    EXPECT_FALSE(client::removeFromGame(true, true, 1, 0));

    EXPECT_EQ(client::setJustWatch(true, 4, true), "CMD_justwatch+4+1" + ff);
    EXPECT_EQ(client::setJustWatch(true, 1, false), "CMD_justwatch+1+2" + ff);
    EXPECT_FALSE(client::setJustWatch(true, 5, true)) << "slot 5 never set to watch";
    EXPECT_FALSE(client::setJustWatch(true, 6, false)) << "slot 6 never set to watch";
    EXPECT_FALSE(client::setJustWatch(false, 2, true));
    EXPECT_FALSE(client::setJustWatch(true, 0, true));

    EXPECT_EQ(client::toggleJustWatch(true, 3, false), "CMD_justwatch+3+1" + ff) << "unchecked asks to watch";
    EXPECT_EQ(client::toggleJustWatch(true, 3, true), "CMD_justwatch+3+2" + ff) << "checked asks to play";
    EXPECT_FALSE(client::toggleJustWatch(true, 7, false)) << "a spectator has no watch to ask for";
}

} // namespace
