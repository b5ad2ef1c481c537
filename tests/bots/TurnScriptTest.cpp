#include <bots/Level.h>
#include <bots/TurnScript.h>

#include <rules/Dice.h>
#include <rules/Judge.h>
#include <rules/Points.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace
{

using bots::Action;
using bots::Level;

constexpr Level kLevels[] = { Level::Easy, Level::Medium, Level::Hard, Level::Expert };

std::string roll(std::mt19937_64& rng, int tiles)
{
    const rules::TileSet t = rules::rollDice(rng);
    return std::string(t.begin() + 1, t.begin() + 1 + tiles);
}

// Sends the words to the host's judge in order; every one must be taken.
int judgeAll(const std::vector<std::string>& words, bool zirked)
{
    rules::WordTable table = rules::WordTable();
    for (const auto& w : words) {
        const auto v = rules::judgeWord(w, table, zirked, [](std::string_view) { return true; });
        EXPECT_TRUE(v.accepted) << w << v.reason;
        if (!v.accepted)
            continue;
        table[w.size() - 3][static_cast<std::size_t>(v.slot)] = w;
    }
    const auto s = rules::scoreWords(table);
    return zirked && s.points < rules::kZirkedMinimum ? -rules::kZirkedPenalty : s.points + s.bonus;
}

// Every level, slow and fast, plain and Zirked: the script's words obey the
// turn's rules, its tiles spell them, tiles go down one at a time in a slow game,
// words come no faster than a person's pace, and nothing is due after the clock.
TEST(TurnScript, ObeysRulesAndPaceAtEveryLevel)
{
    std::mt19937_64 rng(5);
    for (Level level : kLevels)
        for (bool fast : { false, true })
            for (bool zirked : { false, true })
                for (int round = 0; round < 6; ++round) {
                    bots::TurnSituation s;
                    s.rack = roll(rng, zirked ? 13 : 10);
                    s.zirked = zirked;
                    s.fastGame = fast;
                    s.secondsLeft = 60;
                    SCOPED_TRACE(bots::levelName(level) + (fast ? " fast " : " slow ") + s.rack);
                    const auto script = bots::planTurnScript(level, s, rng);
                    ASSERT_FALSE(script.buying);
                    std::vector<std::string> words;
                    std::vector<int> placed;
                    int lastAt = 0;
                    int lastDone = -1'000'000;
                    for (const Action& a : script.actions) {
                        EXPECT_GE(a.atMs, lastAt);
                        EXPECT_LE(a.atMs, s.secondsLeft * 1000);
                        lastAt = a.atMs;
                        if (a.kind == Action::Kind::Place) {
                            EXPECT_FALSE(fast) << "nobody watches tiles in a fast game";
                            EXPECT_EQ(a.position, static_cast<int>(placed.size()) + 1);
                            placed.push_back(a.tile);
                        } else if (a.kind == Action::Kind::Done) {
                            EXPECT_GE(a.atMs - lastDone, bots::kMinWordGapMs) << a.word;
                            lastDone = a.atMs;
                            if (!fast) {
                                EXPECT_EQ(placed, a.tiles) << a.word;
                            }
                            placed.clear();
                            std::string spelt;
                            for (int t : a.tiles)
                                spelt += s.rack.at(static_cast<std::size_t>(t - 1));
                            EXPECT_EQ(spelt, a.word);
                            EXPECT_FALSE(zirked && a.word.size() == 3) << a.word;
                            words.push_back(a.word);
                        }
                    }
                    judgeAll(words, zirked);
                    EXPECT_FALSE(script.actions.empty());
                }
}

// The levels are in order of strength over the same racks, and the expert
// plays what the planner would.
TEST(TurnScript, LevelsAreOrderedByStrength)
{
    std::array<long, 4> totals {};
    std::mt19937_64 racks(11);
    std::mt19937_64 rng(12);
    for (int round = 0; round < 40; ++round) {
        bots::TurnSituation s;
        s.rack = roll(racks, 10);
        s.fastGame = true;
        for (std::size_t l = 0; l < 4; ++l) {
            std::vector<std::string> words;
            for (const Action& a : bots::planTurnScript(kLevels[l], s, rng).actions)
                if (a.kind == Action::Kind::Done)
                    words.push_back(a.word);
            totals[l] += judgeAll(words, false);
        }
    }
    EXPECT_LT(totals[0], totals[1]);
    EXPECT_LT(totals[1], totals[2]);
    EXPECT_LT(totals[2], totals[3]);
}

TEST(TurnScript, ExpertBuysTilesOnlyForAPoorRackWhenAllowed)
{
    std::mt19937_64 rng(3);
    struct Row {
        const char* rack;
        bool mayBuy;
        bool buys;
    } rows[] = {
        { "QQJJXXVVZZ", true, true },
        { "QQJJXXVVZZ", false, false },
        { "RETAINSLOT", true, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rack);
        bots::TurnSituation s;
        s.rack = row.rack;
        s.mayBuyTiles = row.mayBuy;
        const auto script = bots::planTurnScript(Level::Expert, s, rng);
        EXPECT_EQ(script.buying, row.buys);
        const bool bought = !script.actions.empty() && script.actions.front().kind == Action::Kind::BuyTiles;
        EXPECT_EQ(bought, row.buys);
        // Only the expert buys.
        EXPECT_FALSE(bots::planTurnScript(Level::Hard, s, rng).buying);
    }
}

TEST(TurnScript, NoTimeLeftMeansNothingSent)
{
    std::mt19937_64 rng(1);
    bots::TurnSituation s;
    s.rack = "RETAINSLOT";
    s.secondsLeft = 1;
    for (Level level : kLevels)
        EXPECT_TRUE(bots::planTurnScript(level, s, rng).actions.empty());
}

TEST(Level, NamesSayTheLevelAndAreRecognised)
{
    struct Row {
        std::string name;
        bool computer;
    } rows[] = {
        { bots::computerName(Level::Easy, 1), true },
        { bots::computerName(Level::Expert, 2), true },
        { bots::computerName(Level::Medium, 12), true },
        { "Easy Computer 0", false },
        { "Easy Computer 2x", false },
        { "Easy Computers", false },
        { "easy computer", false },
        { "Ann", false },
        { "", false },
    };
    for (const auto& row : rows)
        EXPECT_EQ(bots::isComputerName(row.name), row.computer) << row.name;
    EXPECT_EQ(bots::computerName(Level::Hard, 1), "Hard Computer");
    EXPECT_EQ(bots::computerName(Level::Hard, 2), "Hard Computer 2");
    EXPECT_EQ(bots::freeComputerName(Level::Easy, { "Ann", "Hard Computer" }), "Easy Computer");
    EXPECT_EQ(bots::freeComputerName(Level::Easy, { "Easy Computer", "Easy Computer 3" }), "Easy Computer 2");
    EXPECT_EQ(bots::parseLevel("EXPERT"), Level::Expert);
    EXPECT_EQ(bots::parseLevel("medium"), Level::Medium);
    EXPECT_FALSE(bots::parseLevel("expert "));
    EXPECT_FALSE(bots::parseLevel(""));
}

} // namespace
