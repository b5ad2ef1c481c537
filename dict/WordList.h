#pragma once
// The built-in word list: 15-byte records (0x1E, then the word upper case,
// blank-padded to 14), sorted, made at build time.

#include <span>

namespace dict
{

std::span<const unsigned char> builtInWordList();

} // namespace dict
