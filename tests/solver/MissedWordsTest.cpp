#include <solver/MissedWords.h>

#include <dict/WordList.h>
#include <dict/WordListBuilder.h>
#include <dict/WordMarks.h>
#include <rules/Dice.h>
#include <rules/Judge.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

namespace
{

std::vector<std::string> wordsOf(const std::vector<solver::MissedWord>& missed)
{
    std::vector<std::string> out;
    for (const auto& m : missed)
        out.push_back(m.word + " +" + std::to_string(m.points));
    return out;
}

// The turn's words as the host's judge takes them, one after another; what it refuses is left out.
rules::WordTable accepted(const std::vector<std::string>& words, bool zirked)
{
    rules::WordTable table = rules::WordTable();
    for (const auto& w : words) {
        const auto v = rules::judgeWord(w, table, zirked, [](std::string_view) { return true; });
        if (v.accepted)
            table[w.size() - rules::kMinWordLength][static_cast<std::size_t>(v.slot)] = w;
    }
    return table;
}

bool holds(const std::vector<solver::MissedWord>& missed, std::string_view word)
{
    return std::any_of(missed.begin(), missed.end(), [&](const auto& m) { return m.word == word; });
}

TEST(MissedWords, WhatTheHostWouldStillHaveTakenBestFirst)
{
    std::istringstream list("act\ncat\ncast\ncats\nscat\ntacts\ncasts\nat\n");
    const std::string records = dict::buildRecords(list);
    dict::MarkSources sources;
    sources.common = { "act", "cat", "cats", "tacts" }; // CAST is less common
    sources.offensive = { "scat" };
    const std::string marks = dict::buildMarks(records, sources);
    const solver::WordFinder finder({ reinterpret_cast<const unsigned char*>(records.data()), records.size() },
        { reinterpret_cast<const unsigned char*>(marks.data()), marks.size() });
    struct Row {
        const char* fault;
        std::vector<std::string> played;
        bool zirked;
        int count;
        std::vector<std::string> missed;
    } rows[] = {
        { "points are what each word adds, the commoner word first on a tie; the offensive SCAT is never "
          "suggested",
            {}, false, 10, { "TACTS +200", "CATS +120", "CAST +120", "ACT +60", "CAT +60" } },
        { "a played word is not missed, and a second word in a box adds the row's step", { "ACT" }, false, 10,
            { "TACTS +200", "CATS +120", "CAST +120", "CAT +10" } },
        { "the singular of a played plural is refused", { "CATS" }, false, 10,
            { "TACTS +200", "ACT +60", "CAST +20" } },
        { "the plural of a played singular is refused", { "CAT" }, false, 10,
            { "TACTS +200", "CAST +120", "ACT +10" } },
        { "a full box takes no more", { "AAAA", "BBBB", "CCCC", "DDDD", "EEEE" }, false, 10,
            { "TACTS +200", "ACT +60", "CAT +60" } },
        { "filling a box beside a full one earns the bonus",
            { "AAA", "BBB", "CCC", "DDD", "EEE", "AAAA", "BBBB", "CCCC", "DDDD" }, false, 10,
            { "CATS +320", "CAST +320", "TACTS +200" } },
        { "a Zirked player is offered no three-letter word, and under 500 a word adds nothing", {}, true, 10,
            { "TACTS +0", "CATS +0", "CAST +0" } },
        { "a word lifting a Zirked turn to 500 wins the penalty back", { "AAAAAA", "CCCC" }, true, 10,
            { "TACTS +1120", "CATS +0", "CAST +0" } },
        { "only as many as asked for", {}, false, 2, { "TACTS +200", "CATS +120" } },
        { "nothing asked for", {}, false, 0, {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        const auto missed = solver::missedWords(finder, "TACTS", accepted(row.played, row.zirked), row.zirked, row.count);
        EXPECT_EQ(wordsOf(missed), row.missed);
    }
}

// The hints that taught the wrong thing: each word after the turn's other form,
// and words for a box already full, on racks that hold them.
TEST(MissedWords, NeverAWordTheHostRefusedAfterWhatWasPlayed)
{
    const auto& finder = solver::WordFinder::builtIn();
    struct Row {
        const char* rack;
        std::vector<std::string> played;
        const char* refused;
    } rows[] = {
        { "BAROSCOPES", { "BAROSCOPES" }, "BAROSCOPE" },
        { "ABSOLVERSX", { "ABSOLVERS" }, "ABSOLVER" },
        { "BELABORSXZ", { "BELABOR" }, "BELABORS" },
        { "AVIANSQZXJ", { "AVIAN" }, "AVIANS" },
        { "QUAKESZXJV", { "QUAKE" }, "QUAKES" },
        { "HYENASQZXJ", { "HYENA" }, "HYENAS" },
        { "NEEDLESSXZ", { "NEEDLE", "NEEDLES" }, "NEEDLESS" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rack);
        const auto all = solver::missedWords(finder, row.rack, {}, false, 1000);
        ASSERT_TRUE(holds(all, row.refused)) << "the rack must hold the word for the row to mean anything";
        const auto missed = solver::missedWords(finder, row.rack, accepted(row.played, false), false, 1000);
        EXPECT_FALSE(holds(missed, row.refused));
    }

    // The host takes NEEDLES beside NEEDLE, so it is offered.
    const auto needle = solver::missedWords(finder, "NEEDLESSXZ", accepted({ "NEEDLE" }, false), false, 1000);
    EXPECT_TRUE(holds(needle, "NEEDLES"));

    // Five six-letter words played: no six-letter word is offered.
    std::vector<std::string> six;
    for (const auto& f : finder.find("RETAINSLOT"))
        if (f.length() == 6 && six.size() < 5 && !f.mark.offensive)
            six.emplace_back(f.word);
    ASSERT_EQ(six.size(), 5u);
    const auto missed = solver::missedWords(finder, "RETAINSLOT", accepted(six, false), false, 1000);
    ASSERT_FALSE(missed.empty());
    for (const auto& m : missed)
        EXPECT_NE(m.length, 6) << m.word;
}

// Random turns: random racks, random words played (some after buying new
// tiles), Zirked or not. Every word offered is one the host's judge takes in
// that state with the built-in list, none is offensive, all are made from the
// rack held last, and none the judge would take is left out.
TEST(MissedWords, RandomTurnsOfferExactlyWhatTheJudgeTakes)
{
    const auto& finder = solver::WordFinder::builtIn();
    const auto inList = [](std::string_view w) { return dict::builtInMarkOf(w).has_value(); };
    std::mt19937_64 rng(2024);
    for (int turn = 0; turn < 200; ++turn) {
        const bool zirked = turn % 3 == 0;
        const int tiles = zirked ? 13 : 10;
        const auto roll = [&] {
            const rules::TileSet t = rules::rollDice(rng);
            return std::string(t.begin() + 1, t.begin() + 1 + tiles);
        };
        std::string rack = roll();
        rules::WordTable table = rules::WordTable();
        const int rounds = 1 + static_cast<int>(rng() % 2); // the second round plays the bought tiles
        for (int round = 0; round < rounds; ++round) {
            if (round > 0)
                rack = roll();
            const auto found = finder.find(rack);
            for (int pick = 0; pick < 25 && !found.empty(); ++pick) {
                const auto& f = found[rng() % found.size()];
                const auto v = rules::judgeWord(f.word, table, zirked, inList);
                if (v.accepted)
                    table[static_cast<std::size_t>(f.length() - rules::kMinWordLength)][static_cast<std::size_t>(v.slot)]
                        = std::string(f.word);
            }
        }
        SCOPED_TRACE(rack);
        const auto missed = solver::missedWords(finder, rack, table, zirked, 10000);
        for (std::size_t i = 0; i < missed.size(); ++i) {
            const auto& m = missed[i];
            EXPECT_TRUE(rules::judgeWord(m.word, table, zirked, inList).accepted) << m.word;
            EXPECT_FALSE(dict::isOffensive(m.word)) << m.word;
            std::string left = rack;
            for (char c : m.word) {
                const auto at = left.find(c);
                ASSERT_NE(at, std::string::npos) << m.word << " is not made from " << rack;
                left.erase(at, 1);
            }
            if (i > 0) {
                EXPECT_GE(missed[i - 1].points, m.points) << "best first";
            }
        }
        for (const auto& f : finder.find(rack))
            if (!dict::isOffensive(f.word) && rules::judgeWord(f.word, table, zirked, inList).accepted) {
                EXPECT_TRUE(holds(missed, f.word)) << f.word << " left out";
            }
    }
}

} // namespace
