#pragma once
// What one turn's words are worth: box points by word count, bonuses for
// neighbouring full boxes, the Zirked penalty and the price of tiles.

#include "Words.h"

namespace rules
{

// Points for a box of `length` holding `count` words (0 for an empty box, or
// any count outside 1 to 5).
int rowPoints(int length, int count);

// Bonus for boxes `length` and `length + 1` both full; 0 where no bonus exists.
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

// The most one turn can score: every box full, every bonus earned.
TurnScore bestTurn();

// The highest score a game of `playToScore` can leave a player with: just
// short of the play-to score before the last turn, then the best turn (a
// team's two partners both score on one shared total in a fast game). Only a
// tie at the top, which the host plays on past, could go beyond it.
int highestGameScore(int playToScore, bool team);

// A Zirked player scoring below this loses kZirkedPenalty instead of scoring.
inline constexpr int kZirkedMinimum = 500;
inline constexpr int kZirkedPenalty = 500;

// Whether a player with this total after a turn is Zirked for the turns that
// follow (it can end again, if buying tiles takes the total back under).
constexpr bool isZirked(int score, int zirkedAt) { return score >= zirkedAt; }

// Buying the spare set of tiles, and buying the dealt set back.
inline constexpr int kTileCost = 300;

} // namespace rules
