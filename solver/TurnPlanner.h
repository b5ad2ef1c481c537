#pragma once
// Choosing a turn's words from what a rack can build: the most category points
// and bonuses with at most five words a length, no word beside its plural or
// singular, and for a Zirked player no three-letter words. The rules the host
// plays by (rules::judgeWord, rules::scoreWords) decide what is allowed and what it is worth.

#include "WordFinder.h"

#include <rules/Points.h>

#include <string_view>
#include <vector>

namespace solver
{

struct PlanOptions {
    bool zirked = false;
    // Words the player has time to enter; the plan picks the best this many.
    int maxWords = rules::kWordLengths * rules::kWordsPerLength;
};

struct Plan {
    std::vector<FoundWord> words; // in the order to submit them, most valuable first
    rules::TurnScore score; // as the host scores the turn
    // What the turn adds to the player's score, the Zirked penalty included.
    int total() const { return score.change(); }
};

// The best turn from `found` (as WordFinder returns it for one rack).
Plan planTurn(const std::vector<FoundWord>& found, const PlanOptions& options = {});

// Whether the host would take `word` next, given the words already accepted this
// turn (every word from the finder is in the list, so only the turn's rules are asked).
bool wouldAccept(std::string_view word, const rules::WordTable& accepted, bool zirked);

// Stores an accepted word in its row; false when the row is full or the length has none.
bool storeWord(std::string_view word, rules::WordTable& table);

} // namespace solver
