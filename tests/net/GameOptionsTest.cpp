// The seven option fields of the start and statistics messages, read from the
// literal lines every peer sends and written back the way they were read.

#include "net/GameOptions.h"
#include "net/Commands.h"
#include "net/Framing.h"

#include <gtest/gtest.h>

using net::GameOptions;

namespace
{

// The options of a whole line as it travels ("CMD_...+first+seven options+...").
std::optional<GameOptions> optionsOf(std::string_view line, std::string* why = nullptr)
{
    return net::parseGameOptions(net::splitCommand(line).rest, why);
}

GameOptions make(bool team, int playTo, int seconds, int zirkedAt, bool newTiles, bool typing, bool fast)
{
    return GameOptions { team, playTo, seconds, zirkedAt, newTiles, typing, fast };
}

} // namespace

TEST(GameOptions, LinesEveryPeerSends)
{
    struct Row {
        const char* fault;
        std::string_view line;
        GameOptions expected;
    };
    const Row rows[] = {
        { "a start window's request read wrong", "CMD_startgame+1+f+5000+60+2000+t+t+f+",
            make(false, 5000, 60, 2000, true, true, false) },
        { "the host's relay read wrong", "CMD_startgame+Ann+t+7000+90+3000+f+f+t+",
            make(true, 7000, 90, 3000, false, false, true) },
        { "a late joiner's snapshot read wrong", "CMD_stats+3+f+5000+120+1000+t+f+t+play+",
            make(false, 5000, 120, 1000, true, false, true) },
        { "the snapshot's game state taken for an option", "CMD_stats+0+f+5000+60+2000+t+t+f+wait",
            make(false, 5000, 60, 2000, true, true, false) },
        { "a line without the closing plus refused", "CMD_startgame+1+f+5000+60+2000+t+t+f",
            make(false, 5000, 60, 2000, true, true, false) },
        { "new tiles turned off by anything but exactly f", "CMD_startgame+1+f+5000+60+2000+x++F",
            make(false, 5000, 60, 2000, true, false, false) },
        { "team, typing or fast turned on by anything but exactly t", "CMD_startgame+1+T+5000+60+2000+f+yes+true",
            make(false, 5000, 60, 2000, false, false, false) },
        { "a one-second turn or scores of 0 refused", "CMD_startgame+1+f+0+1+0+t+t+f",
            make(false, 0, 1, 0, true, true, false) },
        { "a day-long turn refused", "CMD_startgame+1+f+2147483647+86400+2147483647+t+t+f",
            make(false, 2147483647, 86400, 2147483647, true, true, false) },
    };
    for (const Row& r : rows) {
        std::string why;
        const auto o = optionsOf(r.line, &why);
        ASSERT_TRUE(o.has_value()) << r.fault << ": " << why;
        EXPECT_EQ(*o, r.expected) << r.fault;
    }
}

TEST(GameOptions, LinesThatStartNothing)
{
    struct Row {
        const char* fault;
        std::string_view line;
        std::string_view why;
    };
    const Row rows[] = {
        { "a line cut short started a game", "CMD_startgame+1+f+5000+60+2000+t+t", "too few option fields" },
        { "a bare command started a game", "CMD_startgame+", "too few option fields" },
        { "a word for the play-to score read as 0", "CMD_startgame+1+f+lots+60+2000+t+t+f",
            "play-to score is not a number" },
        { "an empty number read as 0", "CMD_startgame+1+f+5000++2000+t+t+f", "seconds per turn is not a number" },
        { "trailing letters after a number ignored", "CMD_startgame+1+f+5000+60s+2000+t+t+f",
            "seconds per turn is not a number" },
        { "a number past int wrapped around", "CMD_startgame+1+f+5000+60+4294967298+t+t+f",
            "Zirked-at score is not a number" },
        { "a turn of no seconds played", "CMD_startgame+1+f+5000+0+2000+t+t+f", "seconds per turn out of range" },
        { "a turn past a day overflowed the clock", "CMD_startgame+1+f+5000+86401+2000+t+t+f",
            "seconds per turn out of range" },
        { "a negative turn played", "CMD_stats+1+f+5000+-60+2000+t+t+f+play", "seconds per turn out of range" },
        { "a negative play-to score ended the game at once", "CMD_startgame+1+f+-1+60+2000+t+t+f",
            "play-to score out of range" },
        { "a negative Zirked-at score Zirked everyone", "CMD_startgame+Ann+f+5000+60+-5+t+t+f+",
            "Zirked-at score out of range" },
    };
    for (const Row& r : rows) {
        std::string why;
        EXPECT_FALSE(optionsOf(r.line, &why).has_value()) << r.fault;
        EXPECT_EQ(why, r.why) << r.fault;
    }
}

TEST(GameOptions, MessagesCarryThemInTheirPlace)
{
    const GameOptions defaults;
    EXPECT_EQ(net::msg::startgame(1, defaults), "CMD_startgame+1+f+5000+60+2000+t+t+f+\xFF");
    EXPECT_EQ(net::msg::startgameRelay("Ann", make(true, 7000, 90, 3000, false, false, true)),
        "CMD_startgame+Ann+t+7000+90+3000+f+f+t+\xFF");
    EXPECT_EQ(net::msg::stats(4, make(false, 6000, 75, 1000, true, false, true), "play"),
        "CMD_stats+4+f+6000+75+1000+t+f+t+play+\xFF");
}

TEST(GameOptions, WhatIsWrittenReadsBackTheSame)
{
    const GameOptions cases[] = {
        GameOptions {},
        make(true, 0, 1, 0, false, false, true),
        make(false, 2147483647, 86400, 2147483647, true, false, false),
        make(true, 50000, 120, 5000, false, true, true),
    };
    for (const GameOptions& o : cases) {
        for (const std::string& framed :
            { net::msg::startgame(2, o), net::msg::startgameRelay("Bob+Co", o), net::msg::stats(9, o, "wait") }) {
            const std::string line = framed.substr(0, framed.size() - 1);
            const auto back = optionsOf(line);
            ASSERT_TRUE(back.has_value()) << line;
            EXPECT_EQ(*back, o) << line;
        }
    }
}
