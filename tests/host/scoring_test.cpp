// Turn scores: the points table, the adjacency bonuses, the Zirked penalty and team copying.

#include "HostTable.h"

#include <rules/Points.h>

#include <limits>

#include <gtest/gtest.h>

using namespace hosttest;
using rules::scoreWords;
using rules::WordTable;

namespace
{

WordTable rows(std::map<int, int> countsByLength)
{
    WordTable t;
    for (const auto& [length, count] : countsByLength)
        for (int i = 0; i < count; ++i)
            t[static_cast<std::size_t>(length - rules::kMinWordLength)][static_cast<std::size_t>(i)]
                = std::string(static_cast<std::size_t>(length), static_cast<char>('A' + i));
    return t;
}

TEST(Scoring, PointsTableEveryCell)
{
    const int expected[8][5] = {
        { 60, 70, 80, 90, 100 },
        { 120, 140, 160, 180, 200 },
        { 200, 250, 300, 350, 400 },
        { 300, 400, 500, 600, 700 },
        { 500, 650, 800, 950, 1100 },
        { 750, 1000, 1250, 1500, 1750 },
        { 1000, 1500, 2000, 2500, 3000 },
        { 1500, 3000, 5000, 5000, 5000 },
    };
    for (int length = 3; length <= 10; ++length)
        for (int count = 1; count <= 5; ++count) {
            const auto s = scoreWords(rows({ { length, count } }));
            EXPECT_EQ(s.points, expected[length - 3][count - 1]) << length << " letters x " << count;
            EXPECT_EQ(s.words, count);
            EXPECT_EQ(s.bonus, 0) << "one row alone earns no bonus";
        }
}

TEST(Scoring, RowsAndBonuses)
{
    struct Row {
        const char* fault;
        std::map<int, int> counts;
        int points;
        int bonus;
        int words;
    };
    const std::vector<Row> table = {
        { "an empty turn scores nothing", {}, 0, 0, 0 },
        { "five ten-letter words score like three", { { 10, 5 } }, 5000, 0, 5 },
        { "rows add up", { { 3, 1 }, { 4, 2 } }, 60 + 140, 0, 3 },
        { "full 3 and 4", { { 3, 5 }, { 4, 5 } }, 100 + 200, 300, 10 },
        { "full 4 and 5", { { 4, 5 }, { 5, 5 } }, 200 + 400, 500, 10 },
        { "full 5 and 6", { { 5, 5 }, { 6, 5 } }, 400 + 700, 800, 10 },
        { "full 6 and 7", { { 6, 5 }, { 7, 5 } }, 700 + 1100, 1200, 10 },
        { "full 7 and 8", { { 7, 5 }, { 8, 5 } }, 1100 + 1750, 1850, 10 },
        { "full 8 and 9 earn no bonus", { { 8, 5 }, { 9, 5 } }, 1750 + 3000, 0, 10 },
        { "full 9 and 10 earn no bonus", { { 9, 5 }, { 10, 5 } }, 3000 + 5000, 0, 10 },
        { "a row of four next to a full row earns nothing", { { 3, 5 }, { 4, 4 } }, 100 + 180, 0, 9 },
        { "full rows that are not neighbours earn nothing", { { 3, 5 }, { 5, 5 } }, 100 + 400, 0, 10 },
        { "rows 3 to 8 full", { { 3, 5 }, { 4, 5 }, { 5, 5 }, { 6, 5 }, { 7, 5 }, { 8, 5 } },
            100 + 200 + 400 + 700 + 1100 + 1750, 4650, 30 },
    };
    for (const Row& r : table) {
        const auto s = scoreWords(rows(r.counts));
        EXPECT_EQ(s.points, r.points) << r.fault;
        EXPECT_EQ(s.bonus, r.bonus) << r.fault;
        EXPECT_EQ(s.words, r.words) << r.fault;
    }
}

class TurnScoring : public ::testing::Test
{
protected:
    HostTable t;
};

TEST_F(TurnScoring, ScoresMessageAndNewScore)
{
    t.seat(2);
    t.start();
    t.playWords(1, 4, 2);
    t.link.clear();
    t.ticks(64);
    EXPECT_EQ(t.link.to(2, "CMD_scores"), std::vector<std::string> { "CMD_scores+1+140+0+2+140+3+0+" });
    EXPECT_EQ(t.game.player(1).score, 140);
}

TEST_F(TurnScoring, ZirkedPlayerBelowFiveHundredLosesFiveHundred)
{
    t.seat(1);
    t.start({ .zirkedAt = 0 });
    t.finishTurn(); // scoring 0 at "Zirked At" 0 makes the player Zirked
    ASSERT_TRUE(t.game.player(1).zirked);
    t.newTurnWords();
    t.playWords(1, 4, 5); // 200
    t.playWords(1, 5, 2); // 250
    t.link.clear();
    t.ticks(64);
    EXPECT_EQ(t.link.to(1, "CMD_scores"), std::vector<std::string> { "CMD_scores+1+450+-500+7+-500+3+0+" });
    EXPECT_EQ(t.game.player(1).score, -500);
    EXPECT_FALSE(t.game.player(1).zirked) << "dropping below the threshold leaves the Zirked state";
}

TEST_F(TurnScoring, ZirkedPlayerAtFiveHundredScoresNormally)
{
    t.seat(1);
    t.start({ .zirkedAt = 0 });
    t.finishTurn();
    t.newTurnWords();
    t.playWords(1, 4, 2); // 140
    t.playWords(1, 6, 2); // 400
    t.ticks(64);
    EXPECT_EQ(t.game.player(1).score, 540);
    EXPECT_TRUE(t.game.player(1).zirked);
}

TEST_F(TurnScoring, ZirkedFlagIsDecidedAfterTheTurn)
{
    t.seat(1);
    t.start({ .zirkedAt = 100 });
    t.playWords(1, 4, 1); // 120, not yet Zirked while scoring
    t.ticks(64);
    EXPECT_EQ(t.game.player(1).score, 120) << "no penalty on the turn that reaches the threshold";
    EXPECT_TRUE(t.game.player(1).zirked);
}

TEST_F(TurnScoring, TeamPartnerTakesTheScore)
{
    t.seat(6);
    t.start({ .team = true });
    ASSERT_TRUE(t.game.settings().teamGame);
    t.finishTurn(); // seat 1 scores 0
    t.finishTurn(); // seat 2 scores 0
    ASSERT_EQ(t.game.turn().currentSeat, 3);
    t.playWords(3, 4, 1);
    t.link.clear();
    t.ticks(64);
    EXPECT_EQ(t.game.player(3).score, 120);
    EXPECT_EQ(t.game.player(1).score, 120);
    EXPECT_EQ(t.link.to(5, "CMD_scores"), std::vector<std::string> { "CMD_scores+3+120+0+1+120+1+120+" });
}

TEST_F(TurnScoring, NoCopyingOutsideATeamGameOrForSeatsWithoutPartner)
{
    t.seat(6);
    t.start();
    t.playWords(1, 4, 1);
    t.ticks(64);
    EXPECT_EQ(t.game.player(1).score, 120);
    EXPECT_EQ(t.game.player(3).score, 0);
}

} // namespace

TEST(Scoring, ScoresHoldAtTheLimitsInsteadOfWrapping)
{
    EXPECT_EQ(rules::addScore(100, -300), -200);
    EXPECT_EQ(rules::addScore(std::numeric_limits<int>::min() + 100, -300), std::numeric_limits<int>::min());
    EXPECT_EQ(rules::addScore(std::numeric_limits<int>::max() - 1, 5000), std::numeric_limits<int>::max());
}
