#pragma once
// Turning a plain word list (one word a line) into the dictionary's records.

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

namespace dict
{

inline constexpr std::size_t kRecordSize = 15;
inline constexpr std::size_t kWordField = 14; // bytes 1..14 of a record
inline constexpr char kRecordMark = '\x1E';
inline constexpr std::size_t kMinWord = 2;

// Whether a source line becomes a record: only lowercase a-z, 2 to 14 letters.
bool acceptsSourceLine(std::string_view line);

// Records for the lines of `source` that qualify, upper-cased, blank-padded,
// sorted by the padded field, duplicates removed. A trailing CR is ignored.
std::string buildRecords(std::istream& source);

} // namespace dict
