#pragma once
// Words and their boxes: every length from 3 to 10 letters is a category that
// holds at most five words of one player's turn.

#include <array>
#include <string>

namespace rules
{

inline constexpr int kMinWordLength = 3;
inline constexpr int kMaxWordLength = 10;
inline constexpr int kWordLengths = kMaxWordLength - kMinWordLength + 1; // one box each
inline constexpr int kWordsPerLength = 5; // a box is full with this many

// words[length - kMinWordLength][slot]; an empty string is an empty slot.
using WordTable = std::array<std::array<std::string, kWordsPerLength>, kWordLengths>;

constexpr bool isWordLength(int length) { return length >= kMinWordLength && length <= kMaxWordLength; }

} // namespace rules
