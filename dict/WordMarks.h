#pragma once
// What the program knows about each word of the built-in list besides its
// spelling: how common it is, and whether it is offensive. Four bits a word,
// kept in record order beside the list, so no word is stored twice.

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dict
{

// The smallest of Debian's nested word lists that holds the word:
// wamerican (Common) within wamerican-large (Uncommon) within wamerican-huge (Rare).
enum class Rarity : std::uint8_t { Common = 0, Uncommon = 1, Rare = 2 };

struct WordMark {
    Rarity rarity = Rarity::Common;
    bool offensive = false;
    bool operator==(const WordMark&) const = default;
};

// The mark of record `index`; past the end of `marks` (a list made without
// marks) a word is common and not offensive.
WordMark markAt(std::span<const unsigned char> marks, std::size_t index);

// What marks a word, in lower case a-z: the level lists and the offensive
// words. An empty level list is one not given, and holds every word: without
// the lists, every word counts as common.
struct MarkSources {
    std::set<std::string> common;
    std::set<std::string> uncommon; // the large list, which holds the common one too
    std::set<std::string> offensive;
};

// Marks for every record of `records` (as buildRecords makes them), packed two
// to a byte. A word is offensive when it is listed, or is a listed word with
// "S" or "ES" added: the host treats a word and its plural as one.
std::string buildMarks(std::string_view records, const MarkSources& sources);

// The lines of a plain word list that acceptsSourceLine keeps, lower case.
std::set<std::string> readWordSet(std::istream& source);

// The strings of a JSON array of strings (the form maintained word lists are
// published in). Nothing when the text is not exactly such an array.
std::optional<std::vector<std::string>> parseStringArray(std::string_view json);

} // namespace dict
