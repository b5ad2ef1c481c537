#pragma once
// The built-in word list: 15-byte records (0x1E, then the word upper case,
// blank-padded to 14), sorted, made at build time; and beside it the marks of
// each record (see WordMarks.h).

#include "WordMarks.h"

#include <optional>
#include <span>
#include <string_view>

namespace dict
{

std::span<const unsigned char> builtInWordList();
// Two records a byte, in the list's order.
std::span<const unsigned char> builtInWordMarks();

// The mark of `word` (any case) in the built-in list; nothing when the list does not hold it.
std::optional<WordMark> builtInMarkOf(std::string_view word);

// Whether the built-in list marks `word` as offensive.
bool isOffensive(std::string_view word);

} // namespace dict
