#include <solver/WordFinder.h>

#include <dict/WordList.h>
#include <dict/WordListBuilder.h>
#include <rules/Dice.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>

namespace
{

std::string rackOf(const rules::TileSet& tiles, int count)
{
    return std::string(tiles.begin() + 1, tiles.begin() + 1 + count);
}

// Every word of 3 to 10 letters in the records whose letters the rack holds,
// by plain counting over the whole list.
std::multiset<std::string> bruteForce(std::span<const unsigned char> records, const std::string& rack)
{
    std::array<int, 256> have {};
    for (unsigned char c : rack)
        ++have[c];
    std::multiset<std::string> out;
    for (std::size_t i = 0; i + dict::kRecordSize <= records.size(); i += dict::kRecordSize) {
        std::string w(reinterpret_cast<const char*>(records.data() + i + 1), dict::kWordField);
        w.erase(w.find_last_not_of(' ') + 1);
        if (w.size() < 3 || w.size() > 10)
            continue;
        std::array<int, 256> need {};
        bool ok = true;
        for (unsigned char c : w)
            ok = ok && c >= 'A' && c <= 'Z' && ++need[c] <= have[c];
        if (ok)
            out.insert(w);
    }
    return out;
}

// The tile numbers are distinct tiles of the rack that spell the word.
void expectTilesSpell(const solver::FoundWord& f, const std::string& rack)
{
    std::set<int> seen;
    for (std::size_t i = 0; i < f.word.size(); ++i) {
        const int tile = f.tiles[i];
        ASSERT_GE(tile, 1) << f.word;
        ASSERT_LE(tile, static_cast<int>(rack.size())) << f.word;
        EXPECT_EQ(rack[static_cast<std::size_t>(tile - 1)], f.word[i]) << f.word;
        EXPECT_TRUE(seen.insert(tile).second) << f.word << " uses tile " << tile << " twice";
    }
}

std::multiset<std::string> wordsOf(const std::vector<solver::FoundWord>& found)
{
    std::multiset<std::string> out;
    for (const auto& f : found)
        out.insert(std::string(f.word));
    return out;
}

TEST(WordFinder, MatchesBruteForceOnRandomRacks)
{
    const auto records = dict::builtInWordList();
    const solver::WordFinder& finder = solver::WordFinder::builtIn();
    std::mt19937_64 rng(20240611);
    for (int round = 0; round < 24; ++round) {
        const int count = round % 2 == 0 ? 10 : 13;
        const std::string rack = rackOf(rules::rollDice(rng), count);
        SCOPED_TRACE(rack);
        const auto found = finder.find(rack);
        EXPECT_EQ(wordsOf(found), bruteForce(records, rack));
        for (const auto& f : found)
            expectTilesSpell(f, rack);
    }
}

// Racks the dice cannot roll: repeated letters, letters absent from the list,
// no tiles, and marks for missing tiles.
TEST(WordFinder, MatchesBruteForceOnOddRacks)
{
    const auto records = dict::builtInWordList();
    const solver::WordFinder& finder = solver::WordFinder::builtIn();
    for (const std::string rack : { "EEEEEEEEEE", "AAAAAAAAAAAAA", "QQQQQQQQQQ", "", "ST*R*ATE**", "ZZYZXQJKVW",
             "RETAINSLOTH", "ABCDEFGHIJKLM" }) {
        SCOPED_TRACE(rack);
        const auto found = finder.find(rack);
        std::string letters = rack;
        std::replace(letters.begin(), letters.end(), '*', '#');
        EXPECT_EQ(wordsOf(found), bruteForce(records, letters));
        for (const auto& f : found)
            expectTilesSpell(f, rack);
    }
}

std::string recordsFor(const std::string& lines)
{
    std::istringstream in(lines);
    return dict::buildRecords(in);
}

TEST(WordFinder, OwnListGroupsAnagramsAndKeepsLengthLimits)
{
    // "ab" is too short and "abcdefghijk" too long to be a category word.
    const std::string records = recordsFor("act\ncat\ntact\nab\nabcdefghijk\nacts\nscat\ncast\n");
    const solver::WordFinder finder({ reinterpret_cast<const unsigned char*>(records.data()), records.size() });
    struct Row {
        const char* rack;
        std::multiset<std::string> words;
    } rows[] = {
        { "TAC", { "ACT", "CAT" } },
        { "TACT", { "ACT", "CAT", "TACT" } },
        { "STAC", { "ACT", "CAT", "ACTS", "SCAT", "CAST" } },
        { "TA", {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rack);
        EXPECT_EQ(wordsOf(finder.find(row.rack)), row.words);
    }
    EXPECT_EQ(finder.wordCount(), 6u);
}

TEST(WordFinder, TilesPastThirteenAreIgnored)
{
    const std::string records = recordsFor("cat\n");
    const solver::WordFinder finder({ reinterpret_cast<const unsigned char*>(records.data()), records.size() });
    EXPECT_TRUE(finder.find("XXXXXXXXXXXXXCAT").empty());
    const auto found = finder.find("XXXXXXXXXXTCA");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(
        (std::vector<int>(found[0].tiles.begin(), found[0].tiles.begin() + 3)), (std::vector<int> { 12, 13, 11 }));
}

} // namespace
