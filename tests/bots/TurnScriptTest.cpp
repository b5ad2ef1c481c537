#include <bots/Level.h>
#include <bots/TurnScript.h>

#include <rules/Dice.h>
#include <rules/Judge.h>
#include <rules/Points.h>
#include <dict/WordList.h>
#include <solver/WordFinder.h>

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
    return rules::scoreTurn(table, zirked).change();
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

// Whether the level knows a word of `rack` it may play (Zirked: longer than three letters).
bool knowsAWord(Level level, const std::string& rack, bool zirked)
{
    for (const auto& f : solver::WordFinder::builtIn().find(rack))
        if (!f.mark.offensive && f.mark.rarity <= bots::styleOf(level).rarest && !(zirked && f.length() == 3))
            return true;
    return false;
}

// Any turn the host allows: a short one hurries the pace but brings no burst
// of words, and a word the level has is down before the clock ends, never
// after a Finish. No time at all sends nothing.
TEST(TurnScript, ShortTurnsStillGetAWord)
{
    std::mt19937_64 racks(21);
    std::mt19937_64 rng(22);
    struct Row {
        const char* fault;
        int seconds;
    } rows[] = {
        { "a one-second turn, the shortest the host allows", 1 },
        { "a three-second turn", 3 },
        { "a five-second turn, where the hard level used to finish with nothing", 5 },
        { "an eight-second turn, shorter than three words at the easy pace", 8 },
    };
    for (const auto& row : rows)
        for (Level level : kLevels)
            for (bool fast : { false, true })
                for (int round = 0; round < 8; ++round) {
                    bots::TurnSituation s;
                    s.zirked = round % 4 == 3;
                    s.rack = roll(racks, s.zirked ? 13 : 10);
                    s.fastGame = fast;
                    s.mayBuyTiles = true;
                    s.secondsLeft = row.seconds;
                    if (!knowsAWord(level, s.rack, s.zirked))
                        continue;
                    SCOPED_TRACE(std::string(row.fault) + ", " + bots::levelName(level) + (fast ? " fast " : " slow ")
                        + s.rack);
                    const auto script = bots::planTurnScript(level, s, rng);
                    EXPECT_FALSE(script.buying) << "no time to make up for 300 points";
                    int words = 0;
                    int lastDone = -1'000'000;
                    for (const Action& a : script.actions) {
                        EXPECT_LE(a.atMs, row.seconds * 1000);
                        if (a.kind == Action::Kind::Done) {
                            ++words;
                            EXPECT_GE(a.atMs - lastDone, bots::kMinWordGapMs * bots::kFastestPace)
                                << "a burst: " << a.word;
                            lastDone = a.atMs;
                        }
                        if (a.kind == Action::Kind::Finish) {
                            EXPECT_GT(words, 0) << "finished before playing a word it had";
                        }
                    }
                    EXPECT_GT(words, 0);
                }

    bots::TurnSituation none;
    none.rack = "RETAINSLOT";
    none.secondsLeft = 0;
    for (Level level : kLevels)
        EXPECT_TRUE(bots::planTurnScript(level, none, rng).actions.empty());
}

// Easy plays only words of Debian's common list, Medium only words of the
// large one, and no level ever plays an offensive word, even on racks made
// around one.
TEST(TurnScript, WordsLieInTheLevelsListAndNeverOffend)
{
    std::mt19937_64 racks(31);
    std::mt19937_64 rng(32);
    std::vector<std::string> rackList;
    for (const char* offensive : { "SHIT", "CUNT", "NIGGER", "RAPIST", "WHORES", "FUCKERS" }) {
        std::string rack = offensive;
        rack += std::string("QZXJVKQZXJ").substr(0, 10 - rack.size());
        rackList.push_back(rack);
        bool found = false;
        for (const auto& f : solver::WordFinder::builtIn().find(rack))
            found = found || f.word == offensive;
        ASSERT_TRUE(found) << offensive << ": the rack must hold the word for the test to mean anything";
    }
    for (int i = 0; i < 60; ++i)
        rackList.push_back(roll(racks, 10));
    const dict::Rarity rarest[] = { dict::Rarity::Common, dict::Rarity::Uncommon, dict::Rarity::Rare, dict::Rarity::Rare };
    std::array<int, 4> played {};
    for (const auto& rack : rackList)
        for (std::size_t l = 0; l < 4; ++l)
            for (int tries = 0; tries < 5; ++tries)
                for (const auto& w : bots::chooseWords(kLevels[l], rack, false, 40, rng)) {
                    const auto mark = dict::builtInMarkOf(w.word);
                    ASSERT_TRUE(mark.has_value()) << w.word;
                    EXPECT_FALSE(mark->offensive) << bots::levelName(kLevels[l]) << " played " << w.word;
                    EXPECT_LE(mark->rarity, rarest[l]) << bots::levelName(kLevels[l]) << " played " << w.word;
                    ++played[l];
                }
    for (std::size_t l = 0; l < 4; ++l)
        EXPECT_GT(played[l], 100) << bots::levelName(kLevels[l]);
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
