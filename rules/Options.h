#pragma once
// The options of a game: what a new player's start window offers first and
// the ranges it offers, and the turn lengths the host plays whatever a start
// asked for.

#include <optional>
#include <string>
#include <string_view>

namespace rules
{

struct OptionRange {
    int min = 0;
    int max = 0;
    int step = 1;
};

inline constexpr int kDefaultPlayToScore = 5000;
inline constexpr int kDefaultTimePerTurn = 60;
inline constexpr int kDefaultZirkedAt = 2000;

// What the start window offers.
inline constexpr OptionRange kPlayToScoreRange { 5000, 50000, 1000 };
inline constexpr OptionRange kTimePerTurnRange { 60, 120, 5 };
inline constexpr OptionRange kZirkedAtRange { 1000, 5000, 1000 };

// Why the start window cannot take `value` for the option called `caption`
// ("Play To Score"), in words the player can act on; nothing when it can.
// No value at all is a field left empty or holding no number.
std::optional<std::string> optionProblem(std::string_view caption, const OptionRange& range, std::optional<int> value);
// "5000 to 50000": the range as the start window shows it.
std::string rangeText(const OptionRange& range);

// Seconds per turn the host accepts from any start, and any client shows:
// past a day the turn clock, with its grace, could overflow.
inline constexpr int kShortestTurn = 1;
inline constexpr int kLongestTurn = 24 * 60 * 60;
// Seconds the host's turn clock runs past the time per turn, for the words on
// their way when it ends: windows show the time per turn.
inline constexpr int kTurnGrace = 4;

} // namespace rules
