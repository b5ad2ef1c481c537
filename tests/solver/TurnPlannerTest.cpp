#include <solver/TurnPlanner.h>

#include <rules/Judge.h>
#include <rules/Points.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <set>
#include <string>

namespace
{

// Words held for the FoundWords that point into them.
struct Words {
    std::deque<std::string> text;
    std::vector<solver::FoundWord> found;
    void add(const std::string& w)
    {
        text.push_back(w);
        solver::FoundWord f;
        f.word = text.back();
        found.push_back(f);
    }
};

// The best total over every subset the host would accept, sent in some order.
int bruteForceBest(const std::vector<solver::FoundWord>& words, bool zirked, int maxWords)
{
    const int n = static_cast<int>(words.size());
    int best = 0;
    bool any = false;
    for (unsigned mask = 0; mask < (1u << n); ++mask) {
        if (std::popcount(mask) > maxWords)
            continue;
        // Longest first, as any order of a conflict-free set is accepted alike.
        std::vector<std::string_view> set;
        for (int i = 0; i < n; ++i)
            if (mask & (1u << i))
                set.push_back(words[static_cast<std::size_t>(i)].word);
        std::sort(set.begin(), set.end(), [](auto a, auto b) { return a.size() > b.size(); });
        rules::WordTable table = rules::WordTable();
        bool ok = true;
        for (auto w : set) {
            const auto v = rules::judgeWord(w, table, zirked, [](std::string_view) { return true; });
            if (!v.accepted) {
                ok = false;
                break;
            }
            table[static_cast<std::size_t>(w.size() - 3)][static_cast<std::size_t>(v.slot)] = std::string(w);
        }
        if (!ok)
            continue;
        const int total = rules::scoreTurn(table, zirked).change();
        if (!any || total > best)
            best = total;
        any = true;
    }
    return best;
}

// The plan's words, sent in its order, are each accepted by the host's judge
// and score what the plan says.
void expectHostAgrees(const solver::Plan& plan, bool zirked)
{
    rules::WordTable table = rules::WordTable();
    for (const auto& w : plan.words) {
        const auto v = rules::judgeWord(w.word, table, zirked, [](std::string_view) { return true; });
        ASSERT_TRUE(v.accepted) << w.word << v.reason;
        table[static_cast<std::size_t>(w.length() - 3)][static_cast<std::size_t>(v.slot)] = std::string(w.word);
    }
    const auto s = rules::scoreTurn(table, zirked);
    EXPECT_EQ(s.points, plan.score.points);
    EXPECT_EQ(s.bonus, plan.score.bonus);
}

std::string randomWord(std::mt19937_64& rng, int length)
{
    std::string w;
    for (int i = 0; i < length; ++i)
        w += static_cast<char>('A' + std::uniform_int_distribution<int>(0, 25)(rng));
    return w;
}

// Small random sets rich in plural pairs and full rows, against every subset.
TEST(TurnPlanner, MatchesBruteForceOnRandomWordSets)
{
    std::mt19937_64 rng(77);
    for (int round = 0; round < 60; ++round) {
        Words w;
        std::set<std::string> seen;
        const int count = 9 + static_cast<int>(rng() % 7);
        while (static_cast<int>(w.found.size()) < count) {
            const int length = 3 + static_cast<int>(rng() % 3);
            std::string word = randomWord(rng, length);
            if (word.back() == 'S')
                word.back() = 'T';
            if (seen.insert(word).second)
                w.add(word);
            if (rng() % 2 == 0 && static_cast<int>(w.found.size()) < count && seen.insert(word + "S").second)
                w.add(word + "S");
        }
        const bool zirked = round % 3 == 0;
        const int maxWords = round % 4 == 1 ? 3 + static_cast<int>(rng() % 5) : 40;
        SCOPED_TRACE("round " + std::to_string(round));
        const auto plan = solver::planTurn(w.found, { zirked, maxWords });
        EXPECT_LE(static_cast<int>(plan.words.size()), maxWords);
        expectHostAgrees(plan, zirked);
        EXPECT_EQ(plan.total(), bruteForceBest(w.found, zirked, maxWords));
    }
}

TEST(TurnPlanner, CategoryPluralAndZirkedCases)
{
    struct Row {
        const char* name;
        std::vector<std::string> words;
        bool zirked;
        int maxWords;
        int total;
    } rows[] = {
        // Row 4 is full without CATS, so CAT fills row 3 for the 3+4 bonus.
        { "plural goes where it completes a row",
            { "CAT", "DOG", "EEL", "FOX", "GNU", "CATS", "ABCD", "BCDE", "CDEF", "DEFG", "EFGH" }, false, 40,
            100 + 200 + 300 },
        { "a sixth word of a length adds nothing", { "ABCD", "BCDE", "CDEF", "DEFG", "EFGH", "FGHI" }, false, 40, 200 },
        { "Zirked: no three-letter words, and under 500 loses 500", { "CAT", "DOG", "EEL", "ABCD" }, true, 40, -500 },
        { "Zirked with enough points keeps them", { "CAT", "ABCDEFG" }, true, 40, 500 },
        { "one word of time goes to the longest", { "CAT", "ABCD", "ABCDEFGHIJ" }, false, 1, 1500 },
        { "ten-letter row stops growing at three", { "AAAAAAAAAA", "BBBBBBBBBB", "CCCCCCCCCC", "DDDDDDDDDD" }, false,
            40, 5000 },
        { "NEEDLESS and NEEDLES shut each other out on the host", { "NEEDLESS", "NEEDLES" }, false, 40, 750 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Words w;
        for (const auto& s : row.words)
            w.add(s);
        const auto plan = solver::planTurn(w.found, { row.zirked, row.maxWords });
        EXPECT_EQ(plan.total(), row.total);
        expectHostAgrees(plan, row.zirked);
        for (const auto& f : plan.words)
            EXPECT_FALSE(row.zirked && f.length() == 3) << f.word;
    }
}

} // namespace
