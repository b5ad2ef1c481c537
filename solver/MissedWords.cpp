#include "MissedWords.h"

#include <rules/Points.h>

#include <algorithm>
#include <set>

namespace solver
{

std::vector<MissedWord> missedWords(
    const WordFinder& finder, std::string_view rack, const std::vector<std::string>& played, bool zirked, int count)
{
    const std::set<std::string_view> had(played.begin(), played.end());
    std::vector<MissedWord> out;
    for (const FoundWord& f : finder.find(rack)) {
        if (had.count(f.word) || (zirked && f.length() == rules::kMinWordLength))
            continue;
        out.push_back({ std::string(f.word), f.length(), rules::rowPoints(f.length(), 1) });
    }
    std::sort(out.begin(), out.end(), [](const MissedWord& a, const MissedWord& b) {
        return a.value != b.value ? a.value > b.value : a.word < b.word;
    });
    // One word a spelling: a list may hold a word twice only if the finder's list does.
    out.erase(
        std::unique(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.word == b.word; }), out.end());
    if (static_cast<int>(out.size()) > std::max(count, 0))
        out.resize(static_cast<std::size_t>(std::max(count, 0)));
    return out;
}

} // namespace solver
