#include "MissedWords.h"

#include <rules/Judge.h>

#include <algorithm>

namespace solver
{

std::vector<MissedWord> missedWords(
    const WordFinder& finder, std::string_view rack, const rules::WordTable& played, bool zirked, int count)
{
    const int before = rules::scoreTurn(played, zirked).change();
    std::vector<MissedWord> out;
    rules::WordTable with = played;
    for (const FoundWord& f : finder.find(rack)) {
        if (f.mark.offensive)
            continue;
        // Every word the finder gives is in the list; the judge decides the rest.
        const rules::Verdict v = rules::judgeWord(f.word, played, zirked, [](std::string_view) { return true; });
        if (!v.accepted)
            continue;
        std::string& slot = with[static_cast<std::size_t>(f.length() - rules::kMinWordLength)][static_cast<std::size_t>(v.slot)];
        slot.assign(f.word);
        out.push_back({ std::string(f.word), f.length(), rules::scoreTurn(with, zirked).change() - before, f.mark.rarity });
        slot.clear();
    }
    std::sort(out.begin(), out.end(), [](const MissedWord& a, const MissedWord& b) {
        if (a.points != b.points)
            return a.points > b.points;
        if (a.rarity != b.rarity)
            return a.rarity < b.rarity;
        return a.length != b.length ? a.length > b.length : a.word < b.word;
    });
    // One word a spelling, should the finder's list hold one twice.
    out.erase(
        std::unique(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.word == b.word; }), out.end());
    if (static_cast<int>(out.size()) > std::max(count, 0))
        out.resize(static_cast<std::size_t>(std::max(count, 0)));
    return out;
}

} // namespace solver
