#include "WordListBuilder.h"

#include <algorithm>
#include <vector>

namespace dict
{

bool acceptsSourceLine(std::string_view line)
{
    if (line.size() < kMinWord || line.size() > kWordField)
        return false;
    return std::all_of(line.begin(), line.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

std::string buildRecords(std::istream& source)
{
    std::vector<std::string> fields;
    std::string line;
    while (std::getline(source, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!acceptsSourceLine(line))
            continue;
        std::string field(kWordField, ' ');
        for (std::size_t i = 0; i < line.size(); ++i)
            field[i] = static_cast<char>(line[i] - 'a' + 'A');
        fields.push_back(std::move(field));
    }
    // Blank sorts below every letter, so a word comes before its continuations.
    std::sort(fields.begin(), fields.end());
    fields.erase(std::unique(fields.begin(), fields.end()), fields.end());
    std::string out;
    out.reserve(fields.size() * kRecordSize);
    for (const std::string& f : fields) {
        out += kRecordMark;
        out += f;
    }
    return out;
}

} // namespace dict
