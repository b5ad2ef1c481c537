// The record's rules: who is counted after a game, removing a row, and what a
// restart keeps.

#include "windows/TallyRecord.h"

#include <gtest/gtest.h>

using windows::kAddToMine;
using windows::TallyRecord;

namespace
{

// Row r's columns 1 to 8 as one string, for compact expectations.
std::string counters(const TallyRecord& t, std::size_t row)
{
    std::string out;
    for (std::size_t c = 1; c <= 8; ++c)
        out += (c > 1 ? " " : "") + t.cell(row, c);
    return out;
}

TallyRecord withOpponents(std::initializer_list<const char*> names)
{
    TallyRecord t;
    for (const char* n : names)
        t.addOpponent(n);
    return t;
}

} // namespace

TEST(TallyRecord, AddgameCountsOnlyTalliedPlayersOfTheGame)
{
    struct Case {
        const char* name;
        std::string winner;
        std::vector<std::string> inGame;
        std::string row0; // columns 1 to 4
        std::string ann, bob;
    };
    const Case cases[] = {
        { "OpponentWins", "Ann", { "Ann", "Bob" }, "1 0 0 0", "1 1 0 0 1 1 0 0", "1 0 0 1 1 0 0 1" },
        { "LocalPlayerWins", std::string(kAddToMine), { "Ann", "Bob" }, "1 1 0 0", "1 0 1 0 1 0 1 0",
            "1 0 1 0 1 0 1 0" },
        { "UntalliedWinnerOnlyCountsTheGame", "Zed", { "Zed" }, "1 0 0 0", "0 0 0 0 0 0 0 0", "0 0 0 0 0 0 0 0" },
        { "TalliedPlayerNotInThisGameIsNotCounted", "Ann", { "Ann", "Carl" }, "1 0 0 0", "1 1 0 0 1 1 0 0",
            "0 0 0 0 0 0 0 0" },
        { "NameListedTwiceCountsOnce", "Bob", { "Bob", "Bob" }, "1 0 0 0", "0 0 0 0 0 0 0 0", "1 1 0 0 1 1 0 0" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TallyRecord t = withOpponents({ "Ann", "Bob" });
        t.addgame(c.winner, c.inGame);
        EXPECT_EQ(t.cell(0, 1) + " " + t.cell(0, 2) + " " + t.cell(0, 3) + " " + t.cell(0, 4), c.row0);
        EXPECT_EQ(counters(t, 1), c.ann);
        EXPECT_EQ(counters(t, 2), c.bob);
    }
}

TEST(TallyRecord, DeletingTheFirstOfThreeMovesTheOthersUp)
{
    TallyRecord t = withOpponents({ "Ann", "Bob", "Cy" });
    t.addgame("Cy", { "Bob", "Cy" });
    t.moverow(1);
    ASSERT_EQ(t.rowCount(), 3u);
    EXPECT_EQ(t.cell(1, 0), "Bob");
    EXPECT_EQ(t.cell(2, 0), "Cy");
    EXPECT_EQ(counters(t, 2), "1 1 0 0 1 1 0 0");
    EXPECT_EQ(t.rowOf("Ann"), -1);
    // Row 0 and out-of-range rows are not opponents and stay.
    t.moverow(0);
    t.moverow(3);
    EXPECT_EQ(t.rowCount(), 3u);
}

TEST(TallyRecord, AddOpponentRefusesDuplicatesAndRemovesLineBreaks)
{
    TallyRecord t;
    EXPECT_EQ(t.addOpponent("Ann"), 1);
    EXPECT_EQ(t.addOpponent("Ann"), -1);
    EXPECT_EQ(t.addOpponent("\r\n"), -1);
    EXPECT_EQ(t.addOpponent("Bo\nb"), 2);
    EXPECT_EQ(t.cell(2, 0), "Bob");
}

TEST(TallyRecord, RestartKeepsTotalsAndZeroesSessionCounters)
{
    TallyRecord t = withOpponents({ "Ann", "Bob" });
    t.addgame("Ann", { "Ann", "Bob" });
    t.addgame(kAddToMine, { "Bob" });
    t.addscore(windows::kHighestGame, 1234);
    t.addscore(windows::kHighestTurn, 560);
    EXPECT_FALSE(t.addscore(1, 99));

    const TallyRecord back = TallyRecord::fromGrid(t.toGrid());
    EXPECT_EQ(back.cell(0, 1) + " " + back.cell(0, 2) + " " + back.cell(0, 3) + " " + back.cell(0, 4), "2 1 1234 560");
    EXPECT_EQ(counters(back, 1), "1 1 0 0 0 0 0 0");
    EXPECT_EQ(counters(back, 2), "2 0 1 1 0 0 0 0");
}

TEST(TallyRecord, LoadingTakesEmptyCellsAsZeroAndRejectsWhatIsNoTally)
{
    windows::Grid grid { 9,
        { { "0", "3", "", "7", "8", "0", "0", "0", "0" }, { "Ann", "2", "", "1", "1", "2", "0", "1", "1" } } };
    const TallyRecord t = TallyRecord::fromGrid(grid);
    EXPECT_EQ(t.mine(windows::kTotalWins), 0);
    EXPECT_EQ(t.cell(1, 0), "Ann");
    EXPECT_EQ(counters(t, 1), "2 0 1 1 0 0 0 0");

    struct Case {
        const char* name;
        windows::Grid grid;
    };
    const Case bad[] = {
        { "WrongColumnCount", { 8, { std::vector<std::string>(8, "0") } } },
        { "NoRows", { 9, {} } },
        { "CounterNotANumber", { 9, { { "0", "x", "0", "0", "0", "0", "0", "0", "0" } } } },
        { "CounterWithTrailingText",
            { 9,
                { { "0", "1", "0", "0", "0", "0", "0", "0", "0" },
                    { "A", "1z", "0", "0", "0", "0", "0", "0", "0" } } } },
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(TallyRecord::fromGrid(c.grid), windows::GridTextError);
    }
}

TEST(TallyRecord, ResetLeavesRowZeroAlone)
{
    TallyRecord t = withOpponents({ "Ann" });
    t.addgame(kAddToMine, { "Ann" });
    t.reset();
    EXPECT_EQ(t.rowCount(), 1u);
    EXPECT_EQ(t.cell(0, 1), "0");
    EXPECT_EQ(t.cell(0, 2), "0");
}
