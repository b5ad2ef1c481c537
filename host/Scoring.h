#pragma once
// What one turn's words are worth: row points by word count, and bonuses for
// neighbouring full rows.

#include <array>
#include <string>

namespace host
{

inline constexpr int kMinLength = 3;
inline constexpr int kMaxLength = 10;
inline constexpr int kWordsPerLength = 5;
inline constexpr int kRows = kMaxLength - kMinLength + 1;

// words[length - kMinLength][slot]; an empty string is an empty slot
using WordTable = std::array<std::array<std::string, kWordsPerLength>, kRows>;

// Points for a row of `length` holding `count` words (0 for an empty row).
int rowPoints(int length, int count);

// Bonus for rows `length` and `length + 1` both full; 0 where no bonus exists.
int adjacencyBonus(int length);

struct TurnScore {
    int points = 0;
    int bonus = 0; // the Zirked penalty (negative) when `penalised`
    int words = 0;
    bool penalised = false;
    // What the turn adds to the player's score.
    int change() const { return penalised ? bonus : points + bonus; }
};

TurnScore scoreWords(const WordTable& words);
// The turn's result for a player Zirked (or not) when it began: a Zirked player
// under kZirkedMinimum points loses kZirkedPenalty instead of scoring.
TurnScore scoreTurn(const WordTable& words, bool zirked);

// score + delta, held at the limits of int: buying tiles back and forth costs
// 300 each time with no lower bound, so a peer that keeps at it must end up
// stuck at the limit rather than wrapped around to a winning score.
int addScore(int score, int delta);

// A Zirked player scoring below this loses kZirkedPenalty instead of scoring.
inline constexpr int kZirkedMinimum = 500;
inline constexpr int kZirkedPenalty = 500;

} // namespace host
