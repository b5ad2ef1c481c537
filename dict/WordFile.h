#pragma once
// A word list the operator names: either the dictionary's own record file
// (like "English") or plain text, one word a line. Either way it is read whole,
// checked, and turned into sorted records; a file that is neither is refused
// with a reason a person can act on.

#include <string>

namespace dict
{

struct WordFile {
    std::string records; // sorted 15-byte records, no duplicates; empty on error
    std::string error; // empty, or what is wrong, naming the file
};

inline constexpr std::size_t kMaxWordFileBytes = 64 * 1024 * 1024;

WordFile loadWordFile(const std::string& path);

} // namespace dict
