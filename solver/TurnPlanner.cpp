#include "TurnPlanner.h"

#include <rules/Judge.h>

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <unordered_map>

namespace solver
{

namespace
{

constexpr int kRows = rules::kWordLengths;
constexpr int kPerRow = rules::kWordsPerLength;
constexpr int kMostWords = kRows * kPerRow;
constexpr int kUnreachable = std::numeric_limits<int>::min();

std::size_t rowOf(int length) { return static_cast<std::size_t>(length - rules::kMinWordLength); }

// A word and its plural that the host will not both take: which side each pair
// goes to is the one choice the plan has to make across two lengths.
struct Pair {
    int shorter;
    int longer;
};

struct Candidates {
    std::vector<FoundWord> words;
    std::array<std::vector<int>, kRows> free; // words in no pair, by row
    std::array<std::vector<Pair>, kRows> pairs; // by the shorter word's row
};

Candidates collect(const std::vector<FoundWord>& found, bool zirked)
{
    Candidates c;
    const rules::WordTable empty = rules::WordTable();
    for (const FoundWord& f : found)
        if (wouldAccept(f.word, empty, zirked))
            c.words.push_back(f);
    std::sort(c.words.begin(), c.words.end(), [](const FoundWord& a, const FoundWord& b) {
        return a.length() != b.length() ? a.length() < b.length() : a.word < b.word;
    });
    c.words.erase(std::unique(c.words.begin(), c.words.end(),
                      [](const FoundWord& a, const FoundWord& b) { return a.word == b.word; }),
        c.words.end());

    std::unordered_map<std::string_view, int> index;
    for (int i = 0; i < static_cast<int>(c.words.size()); ++i)
        index.emplace(c.words[static_cast<std::size_t>(i)].word, i);
    // 0 free, 1 paired, 2 left out: a third word of a chain (a word, its plural
    // and that one's plural) is left out rather than modelled.
    std::vector<char> state(c.words.size(), 0);
    std::string plural;
    for (int i = 0; i < static_cast<int>(c.words.size()); ++i) {
        const FoundWord& w = c.words[static_cast<std::size_t>(i)];
        if (state[static_cast<std::size_t>(i)] == 2 || w.length() >= rules::kMaxWordLength)
            continue;
        plural.assign(w.word);
        plural += 'S';
        const auto it = index.find(plural);
        if (it == index.end())
            continue;
        const int j = it->second;
        rules::WordTable holdsShort = rules::WordTable();
        rules::WordTable holdsLong = rules::WordTable();
        storeWord(w.word, holdsShort);
        storeWord(plural, holdsLong);
        if (wouldAccept(plural, holdsShort, zirked) && wouldAccept(w.word, holdsLong, zirked))
            continue;
        if (state[static_cast<std::size_t>(i)] == 0) {
            state[static_cast<std::size_t>(i)] = 1;
            state[static_cast<std::size_t>(j)] = 1;
            c.pairs[rowOf(w.length())].push_back({ i, j });
        } else {
            state[static_cast<std::size_t>(j)] = 2;
        }
    }
    for (int i = 0; i < static_cast<int>(c.words.size()); ++i)
        if (state[static_cast<std::size_t>(i)] == 0)
            c.free[rowOf(c.words[static_cast<std::size_t>(i)].length())].push_back(i);
    return c;
}

// Choices for one row: pairs given to it from below and from its own pairs, and words used.
struct Step {
    int carriedIn = 0; // pairs of the row below given to this row
    int ownPairs = 0; // this row's pairs given to it (the rest go up)
    int used = 0;
    int fromState = -1;
};

struct State {
    int carry; // 0..kPerRow: pairs handed to the next row
    bool full;
    int words;
};
constexpr int kStates = (kPerRow + 1) * 2 * (kMostWords + 1);
int encode(int carry, bool full, int words) { return (carry * 2 + (full ? 1 : 0)) * (kMostWords + 1) + words; }
State decode(int s)
{
    const int words = s % (kMostWords + 1);
    const int rest = s / (kMostWords + 1);
    return { rest / 2, rest % 2 == 1, words };
}

} // namespace

bool wouldAccept(std::string_view word, const rules::WordTable& accepted, bool zirked)
{
    return rules::judgeWord(word, accepted, zirked, [](std::string_view) { return true; }).accepted;
}

bool storeWord(std::string_view word, rules::WordTable& table)
{
    const int length = static_cast<int>(word.size());
    if (length < rules::kMinWordLength || length > rules::kMaxWordLength)
        return false;
    for (std::string& slot : table[rowOf(length)])
        if (slot.empty()) {
            slot.assign(word);
            return true;
        }
    return false;
}

Plan planTurn(const std::vector<FoundWord>& found, const PlanOptions& options)
{
    Plan plan;
    const int budget = std::clamp(options.maxWords, 0, kMostWords);
    const Candidates c = collect(found, options.zirked);

    // best[r][state] after deciding rows below r; steps[r][state] how it was reached.
    std::array<std::array<int, kStates>, kRows + 1> best;
    std::array<std::array<Step, kStates>, kRows + 1> steps {};
    for (auto& row : best)
        row.fill(kUnreachable);
    best[0][static_cast<std::size_t>(encode(0, false, 0))] = 0;
    for (int r = 0; r < kRows; ++r) {
        const int length = r + rules::kMinWordLength;
        const int freeWords = static_cast<int>(c.free[static_cast<std::size_t>(r)].size());
        const int pairs = static_cast<int>(c.pairs[static_cast<std::size_t>(r)].size());
        for (int s = 0; s < kStates; ++s) {
            const int value = best[static_cast<std::size_t>(r)][static_cast<std::size_t>(s)];
            if (value == kUnreachable)
                continue;
            const State in = decode(s);
            for (int own = 0; own <= std::min(pairs, kPerRow); ++own) {
                const int up = std::min(pairs - own, kPerRow);
                const int available = freeWords + in.carry + own;
                for (int n = 0; n <= std::min({ kPerRow, available, budget - in.words }); ++n) {
                    const bool full = n == kPerRow;
                    const int gain
                        = rules::rowPoints(length, n) + (in.full && full ? rules::adjacencyBonus(length - 1) : 0);
                    const int next = encode(up, full, in.words + n);
                    auto& slot = best[static_cast<std::size_t>(r + 1)][static_cast<std::size_t>(next)];
                    if (value + gain > slot) {
                        slot = value + gain;
                        steps[static_cast<std::size_t>(r + 1)][static_cast<std::size_t>(next)]
                            = Step { in.carry, own, n, s };
                    }
                }
            }
        }
    }
    int at = -1;
    for (int s = 0; s < kStates; ++s)
        if (best[kRows][static_cast<std::size_t>(s)] != kUnreachable
            && (at < 0 || best[kRows][static_cast<std::size_t>(s)] > best[kRows][static_cast<std::size_t>(at)]))
            at = s;

    // Walk back: which pairs each row was given, then the words it uses.
    std::array<Step, kRows> chosen {};
    for (int r = kRows; r > 0 && at >= 0; --r) {
        chosen[static_cast<std::size_t>(r - 1)] = steps[static_cast<std::size_t>(r)][static_cast<std::size_t>(at)];
        at = chosen[static_cast<std::size_t>(r - 1)].fromState;
    }
    std::vector<FoundWord> picked;
    for (int r = 0; r < kRows; ++r) {
        const Step& step = chosen[static_cast<std::size_t>(r)];
        std::vector<int> pool = c.free[static_cast<std::size_t>(r)];
        const auto& own = c.pairs[static_cast<std::size_t>(r)];
        for (int i = 0; i < step.ownPairs; ++i)
            pool.push_back(own[static_cast<std::size_t>(i)].shorter);
        if (r > 0) {
            // The row below kept its first pairs and handed on the ones after them.
            const auto& below = c.pairs[static_cast<std::size_t>(r - 1)];
            const int kept = chosen[static_cast<std::size_t>(r - 1)].ownPairs;
            for (int i = 0; i < step.carriedIn; ++i)
                pool.push_back(below[static_cast<std::size_t>(kept + i)].longer);
        }
        for (int i = 0; i < step.used && i < static_cast<int>(pool.size()); ++i)
            picked.push_back(c.words[static_cast<std::size_t>(pool[static_cast<std::size_t>(i)])]);
    }
    std::stable_sort(
        picked.begin(), picked.end(), [](const FoundWord& a, const FoundWord& b) { return a.length() > b.length(); });

    // The host's judge has the last word on every pick, in the order they will be sent.
    rules::WordTable table = rules::WordTable();
    for (const FoundWord& w : picked)
        if (wouldAccept(w.word, table, options.zirked) && storeWord(w.word, table))
            plan.words.push_back(w);
    plan.score = rules::scoreTurn(table, options.zirked);
    return plan;
}

} // namespace solver
