#pragma once
// Files this program replaces as a whole (the settings file, the tally): a
// crash, a kill or a power cut at any moment leaves the old file or the new
// one, never half of one, and what a killed save left behind is cleaned up on
// the next start.

#include <cstddef>
#include <string>
#include <string_view>

namespace app
{

// Writes `data` to a temporary file beside `path` (named `tempPrefix` and six
// characters, locked while the save runs), syncs it, renames it over `path`
// and syncs the folder. A new file is readable by its owner only; a file being
// replaced keeps its permissions. False (with a reason) when it could not be
// done; `path` is then untouched and no temporary is left.
bool replaceFile(
    const std::string& path, std::string_view data, std::string_view tempPrefix, std::string* error = nullptr);

// Removes the temporaries (`tempPrefix` and six characters) in `folder` that no
// save holds any more; returns how many. One made this very moment, and not
// yet locked, is left alone.
std::size_t removeStaleTemporaries(const std::string& folder, std::string_view tempPrefix);

} // namespace app
