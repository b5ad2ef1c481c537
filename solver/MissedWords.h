#pragma once
// The words a player could still have played when the turn ended, the most
// valuable first: what a player learns from after the turn.

#include "WordFinder.h"

#include <rules/Points.h>

#include <string>
#include <string_view>
#include <vector>

namespace solver
{

struct MissedWord {
    std::string word;
    int length = 0;
    int points = 0; // what the turn would have scored more with this word in it
    dict::Rarity rarity = dict::Rarity::Common;
};

// Up to `count` words of `rack` that the host's judge would still have taken
// after the turn's accepted words `played`: no word played already, none beside
// its plural or singular, none in a full box, no three-letter word for a Zirked
// player. `rack` is what the player held at the end (the bought set after
// buying new tiles). Best first by points; among equals the more common words
// (what a player learns most from), then longer, then alphabetical. Offensive
// words are never suggested.
std::vector<MissedWord> missedWords(
    const WordFinder& finder, std::string_view rack, const rules::WordTable& played, bool zirked, int count = 10);

} // namespace solver
