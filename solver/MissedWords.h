#pragma once
// The words a player could have played from a turn's rack and did not, the
// most valuable first: what a player learns from after the turn.

#include "WordFinder.h"

#include <string>
#include <string_view>
#include <vector>

namespace solver
{

struct MissedWord {
    std::string word;
    int length = 0;
    int value = 0; // what the word is worth alone in its row
};

// Up to `count` words of `rack` not among `played` (upper case), longest and so
// most valuable first, alphabetical within a length. A Zirked player's three-letter
// words are not offered: the host would not have taken them.
std::vector<MissedWord> missedWords(const WordFinder& finder, std::string_view rack,
    const std::vector<std::string>& played, bool zirked, int count = 10);

} // namespace solver
