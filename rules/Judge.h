#pragma once
// The verdict on one submitted word against the player's words of this turn.

#include "Words.h"

#include <functional>
#include <string>
#include <string_view>

namespace rules
{

inline constexpr std::string_view kRejected = "+ Rejected";
inline constexpr std::string_view kWordExists = "+ Rejected. Word Exists";
inline constexpr std::string_view kPluralExists = "+ Rejected. Plural form exists";
inline constexpr std::string_view kSingularExists = "+ Rejected. Singular form exists";
// A word of the list that this host refuses for everyone (zirky-host --clean-words).
inline constexpr std::string_view kRefusedWord = "+ Rejected. This host refuses offensive words";

struct Verdict {
    bool accepted = false;
    std::string reason; // rejection text, starting with "+"
    int slot = -1; // where an accepted word goes in its row
};

// `word` is upper case. The dictionary is asked only when the cheaper checks
// pass; `refused` (when set) names words of the list the host does not take.
Verdict judgeWord(std::string_view word, const WordTable& words, bool zirked,
    const std::function<bool(std::string_view)>& isWord, const std::function<bool(std::string_view)>& refused = {});

} // namespace rules
