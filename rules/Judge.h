#pragma once
// The verdict on one submitted word against the player's words of this turn.

#include "Words.h"

#include <functional>
#include <string>
#include <string_view>

namespace rules
{

// Why a word was refused, as it travels after the word: "+ Rejected: ...".
// Every reason begins with "+ Rejected" so that a window of any version, which
// shows the text after the word as it comes, reads it as a refusal; the rest
// says what the player can do about it.
namespace reason
{
inline constexpr std::string_view kTooShort = "+ Rejected: words need at least 3 letters";
inline constexpr std::string_view kTooLong = "+ Rejected: words have at most 10 letters";
inline constexpr std::string_view kZirkedThree = "+ Rejected: 3-letter words are closed once you are Zirked";
inline constexpr std::string_view kNotAWord = "+ Rejected: not in the word list";
// A word of the list that this host refuses for everyone (zirky-host --clean-words).
inline constexpr std::string_view kRefusedWord = "+ Rejected: this host refuses offensive words";
// Positions that are not the player's own tiles, or one tile used twice.
inline constexpr std::string_view kNotYourTiles = "+ Rejected: those tiles are not on your rack";
std::string alreadyPlayed(std::string_view word);
// `word`'s plural is among the words played: "plural of BEAR already played".
std::string pluralPlayed(std::string_view word);
// `word` is a plural whose singular was played.
std::string singularPlayed(std::string_view word);
std::string boxFull(int length);
} // namespace reason

struct Verdict {
    bool accepted = false;
    std::string reason; // rejection text, starting with "+ Rejected"
    int slot = -1; // where an accepted word goes in its row
};

// `word` is upper case. The dictionary is asked only when the cheaper checks
// pass; `refused` (when set) names words of the list the host does not take.
Verdict judgeWord(std::string_view word, const WordTable& words, bool zirked,
    const std::function<bool(std::string_view)>& isWord, const std::function<bool(std::string_view)>& refused = {});

} // namespace rules
