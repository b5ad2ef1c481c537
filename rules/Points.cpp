#include "Points.h"

#include <algorithm>
#include <limits>

namespace rules
{

namespace
{
constexpr int kPoints[kWordLengths][kWordsPerLength] = {
    { 60, 70, 80, 90, 100 }, // 3
    { 120, 140, 160, 180, 200 }, // 4
    { 200, 250, 300, 350, 400 }, // 5
    { 300, 400, 500, 600, 700 }, // 6
    { 500, 650, 800, 950, 1100 }, // 7
    { 750, 1000, 1250, 1500, 1750 }, // 8
    { 1000, 1500, 2000, 2500, 3000 }, // 9
    { 1500, 3000, 5000, 5000, 5000 }, // 10
};
// Boxes 3+4, 4+5, 5+6, 6+7, 7+8; boxes 9 and 10 earn nothing.
constexpr int kBonus[] = { 300, 500, 800, 1200, 1850 };
} // namespace

int rowPoints(int length, int count)
{
    if (!isWordLength(length) || count < 1 || count > kWordsPerLength)
        return 0;
    return kPoints[length - kMinWordLength][count - 1];
}

int adjacencyBonus(int length)
{
    const int i = length - kMinWordLength;
    if (i < 0 || i >= static_cast<int>(std::size(kBonus)))
        return 0;
    return kBonus[i];
}

TurnScore scoreWords(const WordTable& words)
{
    TurnScore s;
    std::array<int, kWordLengths> counts {};
    for (int row = 0; row < kWordLengths; ++row) {
        for (const std::string& w : words[static_cast<std::size_t>(row)])
            if (!w.empty())
                ++counts[static_cast<std::size_t>(row)];
        s.points += rowPoints(row + kMinWordLength, counts[static_cast<std::size_t>(row)]);
        s.words += counts[static_cast<std::size_t>(row)];
    }
    for (int row = 0; row + 1 < kWordLengths; ++row)
        if (counts[static_cast<std::size_t>(row)] == kWordsPerLength
            && counts[static_cast<std::size_t>(row + 1)] == kWordsPerLength)
            s.bonus += adjacencyBonus(row + kMinWordLength);
    return s;
}

TurnScore scoreTurn(const WordTable& words, bool zirked)
{
    TurnScore s = scoreWords(words);
    if (zirked && s.points < kZirkedMinimum) {
        s.penalised = true;
        s.bonus = -kZirkedPenalty;
    }
    return s;
}

TurnScore bestTurn()
{
    WordTable full;
    for (auto& row : full)
        row.fill("W");
    return scoreWords(full);
}

int highestGameScore(int playToScore, bool team)
{
    const int turn = bestTurn().change();
    return addScore(addScore(playToScore - 1, turn), team ? turn : 0);
}

int addScore(int score, int delta)
{
    const long long sum = static_cast<long long>(score) + delta;
    return static_cast<int>(
        std::clamp<long long>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace rules
