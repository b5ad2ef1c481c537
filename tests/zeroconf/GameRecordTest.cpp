#include "zeroconf/GameRecord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zeroconf;

namespace
{

GameInfo known(std::string version, int seated, int seats, Phase phase)
{
    return GameInfo { std::move(version), seated, seats, phase };
}

const GameInfo kUnknown {};

} // namespace

TEST(GameRecord, WhatAHostAnnouncesIsWhatAListenerReads)
{
    struct Row {
        const char* fault;
        Announcement game;
        GameInfo expected;
    };
    const Row rows[] = {
        { "waiting table loses its seat count", { "1.0.13", 2, false }, known("1.0.13", 2, 6, Phase::Waiting) },
        { "running flag lost", { "1.0.13", 6, true }, known("1.0.13", 6, 6, Phase::Running) },
        { "empty table not announced as 0/6", { "1.0.13", 0, false }, known("1.0.13", 0, 6, Phase::Waiting) },
        { "negative count leaks out", { "1.0.13", -3, false }, known("1.0.13", 0, 6, Phase::Waiting) },
        { "count above the table leaks out", { "1.0.13", 9, true }, known("1.0.13", 6, 6, Phase::Running) },
        { "junk version published", { "1.0 <b>", 1, false }, known("", 1, 6, Phase::Waiting) },
        { "empty version published", { "", 1, false }, known("", 1, 6, Phase::Waiting) },
    };
    for (const auto& row : rows) {
        const auto records = txtRecords(row.game);
        for (const auto& record : records)
            EXPECT_LE(record.size(), 255u) << row.fault;
        EXPECT_EQ(parseTxt(records), row.expected) << row.fault;
    }
}

TEST(GameRecord, HostileRecordsAreRefusedOrUnknown)
{
    struct Row {
        const char* fault;
        std::vector<std::string> records;
        GameInfo expected;
    };
    const std::string oversized = "players=1/6" + std::string(250, ' ');
    std::vector<std::string> flood(64, "x=y");
    flood.push_back("players=2/6");
    const Row rows[] = {
        { "crash on no records", {}, kUnknown },
        { "keys compared with case", { "VERSION=1.0.13", "Players=2/6", "GAME=running" },
            known("1.0.13", 2, 6, Phase::Running) },
        { "values compared without case", { "game=RUNNING" }, kUnknown },
        { "last repeated key wins", { "players=2/6", "players=5/6" }, known("", 2, 6, Phase::Unknown) },
        { "bad first key replaced by a later one", { "players=x", "players=2/6" }, kUnknown },
        { "more seated than seats", { "players=7/6" }, kUnknown },
        { "negative count", { "players=-1/6" }, kUnknown },
        { "signed count", { "players=+2/6" }, kUnknown },
        { "leading zero", { "players=02/6" }, kUnknown },
        { "leading space", { "players= 2/6" }, kUnknown },
        { "trailing space", { "players=2/6 " }, kUnknown },
        { "third number", { "players=2/6/6" }, kUnknown },
        { "table of no seats", { "players=0/0" }, kUnknown },
        { "overflowing number", { "players=99999999999999999999/6" }, kUnknown },
        { "no slash", { "players=2" }, kUnknown },
        { "empty value", { "players=", "game=", "version=" }, kUnknown },
        { "other table sizes hidden", { "players=3/8" }, known("", 3, 8, Phase::Unknown) },
        { "unknown phase taken as waiting", { "game=paused" }, kUnknown },
        { "boolean attribute read as a value", { "players", "game", "version" }, kUnknown },
        { "empty key read as a key", { "=running", "=2/6" }, kUnknown },
        { "key with a space matched", { "players =2/6", "game =running" }, kUnknown },
        { "second = cut off the value", { "version=1.0=13" }, kUnknown },
        { "escape sequence in version", { "version=1.0\x1b[31m" }, kUnknown },
        { "NUL in version", { std::string("version=1.0\0x", 13) }, kUnknown },
        { "version longer than a version", { "version=1.0.13.1.0.13.1.0.13" }, kUnknown },
        { "string longer than DNS allows", { oversized }, kUnknown },
        { "oversized string takes the key", { oversized, "players=2/6" }, known("", 2, 6, Phase::Unknown) },
        { "unbounded record count", flood, kUnknown },
        { "unknown keys disturb known ones", { "txtvers=9", "colour=red", "game=waiting" },
            known("", -1, -1, Phase::Waiting) },
    };
    for (const auto& row : rows)
        EXPECT_EQ(parseTxt(row.records), row.expected) << row.fault;
}
