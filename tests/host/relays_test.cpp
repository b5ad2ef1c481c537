// Chat, actions, sounds and the slow game's tile moves: who hears what, and
// that a connection can only speak for its own seat.

#include "HostTable.h"

#include <net/Framing.h>
#include <net/Text.h>
#include <rules/Version.h>

#include <gtest/gtest.h>

using namespace hosttest;

namespace
{

TEST(Relays, ChatActionAndSoundReachEverybodyWithTheSendersName)
{
    struct Row {
        const char* fault;
        std::string message;
        std::string relayed;
    };
    const std::vector<Row> rows = {
        { "chat carries the name and the text", net::msg::chat(2, "hi all"), "CMD_chat+2+P2 chats: hi all" },
        { "a plus inside chat text is not cut off", net::msg::chat(2, "1+1=2"), "CMD_chat+2+P2 chats: 1+1=2" },
        { "action carries the name then a blank", net::msg::action(2, "waves"), "CMD_action+2+P2 waves" },
        { "a sound name is relayed as sent", net::msg::playasound(2, "WAVE3"), "CMD_playasound+2+WAVE3" },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(3);
        t.link.clear();
        t.say(2, r.message);
        for (int s = 1; s <= 3; ++s)
            EXPECT_EQ(t.link.to(s), std::vector<std::string> { r.relayed }) << r.fault << ", seat " << s;
    }
}

TEST(Relays, SpoofedOrUnconnectedSendersAreDropped)
{
    struct Row {
        const char* fault;
        int connection;
        std::string message;
    };
    const std::vector<Row> rows = {
        { "chat naming another seat", 2, net::msg::chat(1, "I am the host") },
        { "action naming another seat", 3, net::msg::action(2, "quits") },
        { "sound naming another seat", 3, net::msg::playasound(1, "WAVE1") },
        { "message from a seat with no connection", 5, net::msg::chat(5, "ghost") },
        { "message from a seat out of range", 12, net::msg::chat(12, "ghost") },
        { "message from seat zero", 0, net::msg::chat(0, "ghost") },
        { "seat field that is not a number", 2, "CMD_chat+two+hello" },
        { "empty line", 2, "" },
        { "garbage without a command", 2, "\x01\x02garbage" },
        { "lower-case command", 2, "cmd_chat+2+hi" },
        { "makewait from a seat other than one", 2, net::msg::setmakewait(2, true) },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(3);
        t.link.clear();
        t.say(r.connection, r.message);
        EXPECT_EQ(t.link.messageCount(), 0u) << r.fault;
        EXPECT_FALSE(t.game.turn().makeWait) << r.fault;
    }
}

TEST(Relays, NothingIsRelayedFromAConnectionThatHasNotLoggedIn)
{
    const std::vector<std::string> messages
        = { net::msg::chat(3, "buy cheap"), net::msg::action(3, "spams"), net::msg::playasound(3, "WAVE1") };
    for (const std::string& m : messages) {
        HostTable t;
        t.seat(2);
        ASSERT_EQ(t.game.accepted(), 3);
        t.link.clear();
        t.say(3, m);
        EXPECT_EQ(t.link.messageCount(), 0u) << m;
        // Once logged in, the same message goes out with its sender's name.
        t.say(3, net::msg::logininfo(3, rules::kVersion, "Late"));
        t.link.clear();
        t.say(3, m);
        EXPECT_EQ(t.link.to(1).size(), 1u) << m;
    }
}

TEST(Relays, ControlCharactersInNamesAndTextsReachNobody)
{
    struct Row {
        const char* fault;
        std::string name;
        std::string message; // from seat 2
        std::string relayed; // to seat 1
    };
    const std::vector<Row> rows = {
        { "escape sequence in chat", "P2", net::msg::chat(2, "\x1B[2Jgone"), "CMD_chat+2+P2 chats: ?[2Jgone" },
        { "bell and NUL in an action", "P2", net::msg::action(2, std::string("ding\x07\0", 6)),
            "CMD_action+2+P2 ding??" },
        { "line breaks in a sound name", "P2", "CMD_playasound+2+a\r\nb", "CMD_playasound+2+a??b" },
        { "tab is kept", "P2", net::msg::chat(2, "a\tb"), "CMD_chat+2+P2 chats: a\tb" },
        { "escape in the name of every chat line", "\x1B]0;pwned\x07", net::msg::chat(2, "hi"),
            "CMD_chat+2+?]0;pwned? chats: hi" },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.join("P1");
        t.join(r.name);
        t.say(2, r.message);
        EXPECT_EQ(t.link.to(1).back(), r.relayed) << r.fault;
        for (const std::string& m : t.link.to(1))
            for (char c : m)
                EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\t') << r.fault << ": " << m;
    }
}

TEST(Relays, ComplaintsAboutAConnectionsMessagesNameThatConnection)
{
    struct ComplaintLink : RecordingLink {
        std::vector<std::pair<int, std::string>> complaints;
        void badInput(int seat, const std::string& line) override { complaints.emplace_back(seat, line); }
    };
    struct Row {
        const char* fault;
        int from;
        std::string message;
        bool complaint;
    };
    const std::vector<Row> rows = {
        { "seat field that is not a number", 2, "CMD_chat+two+hello", true },
        { "start with too few fields", 1, "CMD_startgame+1+f+", true },
        { "a second login", 2, net::msg::logininfo(2, rules::kVersion, "P2 again"), true },
        { "a good chat line", 2, net::msg::chat(2, "hello"), false },
    };
    for (const Row& r : rows) {
        ComplaintLink link;
        host::Game game(
            link, [](std::string_view) { return true; }, 1);
        for (int s = 1; s <= 2; ++s) {
            ASSERT_EQ(game.accepted(), s);
            game.receive(s, line(net::msg::logininfo(s, rules::kVersion, "P" + std::to_string(s))));
        }
        const std::size_t logged = link.logs.size();
        game.receive(r.from, line(r.message));
        if (r.complaint) {
            ASSERT_EQ(link.complaints.size(), 1u) << r.fault;
            EXPECT_EQ(link.complaints[0].first, r.from) << r.fault;
            EXPECT_EQ(link.logs.size(), logged) << r.fault << ": also logged without limit";
        } else {
            EXPECT_TRUE(link.complaints.empty()) << r.fault;
        }
    }
}

TEST(Relays, SetMakeWaitFromSeatOne)
{
    HostTable t;
    t.seat(2);
    t.say(1, net::msg::setmakewait(1, true));
    EXPECT_TRUE(t.game.turn().makeWait);
    t.say(1, net::msg::setmakewait(1, false));
    EXPECT_FALSE(t.game.turn().makeWait);
}

TEST(Relays, TileMovesGoFromTheCurrentPlayerToEveryoneElse)
{
    HostTable t;
    t.seat(3);
    t.start();
    ASSERT_EQ(t.game.turn().currentSeat, 1);
    t.link.clear();
    t.say(1, net::msg::setdice(1, 0, 4));
    t.say(1, net::msg::clearthem(1));
    EXPECT_TRUE(t.link.to(1).empty());
    for (int s = 2; s <= 3; ++s)
        EXPECT_EQ(t.link.to(s), (std::vector<std::string> { "CMD_setdice+0+4", "CMD_clearthem+" })) << s;
}

TEST(Relays, TileMovesOutOfTurnOrOutOfRangeAreDropped)
{
    struct Row {
        const char* fault;
        int connection;
        std::string message;
    };
    const std::vector<Row> rows = {
        { "not the current player", 2, net::msg::setdice(2, 1, 3) },
        { "clear from a player not on turn", 2, net::msg::clearthem(2) },
        { "tile beyond the rack", 1, net::msg::setdice(1, 1, 11) },
        { "tile zero", 1, net::msg::setdice(1, 1, 0) },
        { "negative word position", 1, net::msg::setdice(1, -1, 3) },
        { "word position beyond the longest word", 1, net::msg::setdice(1, 11, 3) },
        { "tile that is not a number", 1, "CMD_setdice+1+1+x" },
        { "missing tile field", 1, "CMD_setdice+1+1" },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(3);
        t.start();
        t.link.clear();
        t.say(r.connection, r.message);
        EXPECT_EQ(t.link.messageCount(), 0u) << r.fault;
    }
}

// Every client cuts its stream with the same 64 KiB cap as the host and leaves
// the game when a message is longer, so nothing the host relays may grow past it.
TEST(Relays, OversizedInputNeverMakesTheHostSendMoreThanAClientTakes)
{
    const std::string latin1(60000, '\xE9'); // not UTF-8: each byte becomes two
    const std::string ascii(65000, 'a');
    auto euros = [](int n) {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += "\xE2\x82\xAC";
        return out;
    };
    struct Row {
        const char* fault;
        std::string name; // of seat 2
        int from;
        std::string message;
        std::string_view relay; // the command that must still reach seat 3
    };
    const std::vector<Row> rows = {
        { "chat text at the cap plus the name and \" chats: \" overflows", "P2", 2, net::msg::chat(2, ascii),
            net::cmd::chat },
        { "Latin-1 chat doubles in size when made UTF-8", "P2", 2, net::msg::chat(2, latin1), net::cmd::chat },
        { "action text at the cap plus the name overflows", "P2", 2, net::msg::action(2, ascii), net::cmd::action },
        { "sound name made UTF-8 overflows", "P2", 2, net::msg::playasound(2, latin1), net::cmd::playasound },
        { "huge name makes every chat line overflow", ascii, 2, net::msg::chat(2, "hi"), net::cmd::chat },
        { "huge Latin-1 name overflows its own announcement", latin1, 2, net::msg::chat(2, "hi"),
            net::cmd::newplayerinfo },
        { "shortened chat must not end inside a three-byte character", "P2", 2, net::msg::chat(2, euros(12000)),
            net::cmd::chat },
        { "shortened name must not end inside a three-byte character", euros(40), 2, net::msg::chat(2, "hi"),
            net::cmd::chat },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.join("P1");
        t.join(r.name);
        t.join("P3");
        t.say(r.from, r.message);
        std::map<int, net::Framer> framers;
        for (const auto& [seat, bytes] : t.link.writes) {
            std::vector<std::string> out;
            EXPECT_EQ(framers[seat].feed(bytes, out), net::Framer::Status::Ok) << r.fault << ", to seat " << seat;
        }
        EXPECT_FALSE(t.link.to(3, r.relay).empty()) << r.fault << ": the message itself must still get through";
        for (const std::string& m : t.link.to(3))
            EXPECT_TRUE(net::isValidUtf8(m)) << r.fault;
    }
}

TEST(Relays, NoTileMovesInAFastGame)
{
    HostTable t;
    t.seat(2);
    t.start({ .fast = true });
    t.link.clear();
    t.say(1, net::msg::setdice(1, 1, 3));
    EXPECT_EQ(t.link.messageCount(), 0u);
}

} // namespace

TEST(Relays, AnOverlongChatKeepsItsColour)
{
    HostTable t;
    t.join("P1");
    t.join("P2");
    t.say(2, net::msg::chat(2, std::string(60000, 'x') + "|clGreen"));
    t.link.now += 120000; // two full-size lines in a row are past any person's byte budget
    t.say(2, net::msg::action(2, std::string(60000, 'y') + "|clNavy"));
    t.say(2, net::msg::chat(2, "a|b|clNavy"));
    const auto chats = t.link.to(1, net::cmd::chat);
    ASSERT_EQ(chats.size(), 2u);
    EXPECT_TRUE(chats[0].ends_with("|clGreen")) << "the colour survives the cut";
    EXPECT_LE(chats[0].size(), host::kMaxRelayText + 64);
    EXPECT_TRUE(chats[1].ends_with("P2 chats: a|b|clNavy")) << "a short line is relayed as it came";
    const auto actions = t.link.to(1, net::cmd::action);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_TRUE(actions[0].ends_with("|clNavy"));
}
