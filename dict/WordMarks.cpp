#include "WordMarks.h"

#include "WordListBuilder.h"

#include <istream>

namespace dict
{

namespace
{

constexpr unsigned kRarityBits = 0x3;
constexpr unsigned kOffensiveBit = 0x4;

unsigned nibble(const WordMark& m)
{
    return static_cast<unsigned>(m.rarity) | (m.offensive ? kOffensiveBit : 0);
}

bool listed(const std::set<std::string>& words, std::string_view word, std::string_view suffix)
{
    if (word.size() <= suffix.size() || word.substr(word.size() - suffix.size()) != suffix)
        return false;
    return words.count(std::string(word.substr(0, word.size() - suffix.size()))) > 0;
}

// Appends the UTF-8 form of a code point. Surrogates (halves of characters
// past U+FFFF) become U+FFFD: entries holding them are never words anyway.
void appendUtf8(std::string& out, unsigned cp)
{
    if (cp >= 0xD800 && cp <= 0xDFFF)
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::optional<unsigned> hex4(std::string_view s)
{
    if (s.size() < 4)
        return std::nullopt;
    unsigned v = 0;
    for (char c : s.substr(0, 4)) {
        v <<= 4;
        if (c >= '0' && c <= '9')
            v |= static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            v |= static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            v |= static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
    }
    return v;
}

struct JsonReader {
    std::string_view text;
    std::size_t at = 0;

    void skipBlanks()
    {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\r' || text[at] == '\t'))
            ++at;
    }
    bool take(char c)
    {
        skipBlanks();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    std::optional<std::string> string()
    {
        if (!take('"'))
            return std::nullopt;
        std::string out;
        while (at < text.size()) {
            const char c = text[at++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at >= text.size())
                return std::nullopt;
            switch (const char e = text[at++]) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                const auto cp = hex4(text.substr(at));
                if (!cp)
                    return std::nullopt;
                at += 4;
                appendUtf8(out, *cp);
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }
};

} // namespace

WordMark markAt(std::span<const unsigned char> marks, std::size_t index)
{
    if (index / 2 >= marks.size())
        return {};
    const unsigned bits = (marks[index / 2] >> (index % 2 == 0 ? 0 : 4)) & 0xF;
    const unsigned rarity = bits & kRarityBits;
    return { rarity > static_cast<unsigned>(Rarity::Rare) ? Rarity::Rare : static_cast<Rarity>(rarity),
        (bits & kOffensiveBit) != 0 };
}

std::string buildMarks(std::string_view records, const MarkSources& sources)
{
    const std::size_t count = records.size() / kRecordSize;
    std::string out((count + 1) / 2, '\0');
    std::string word;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view field = records.substr(i * kRecordSize + 1, kWordField);
        word.clear();
        for (char c : field.substr(0, field.find(' ')))
            word += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        WordMark m { Rarity::Rare, false };
        if (sources.common.empty() || sources.common.count(word))
            m.rarity = Rarity::Common;
        else if (sources.uncommon.empty() || sources.uncommon.count(word))
            m.rarity = Rarity::Uncommon;
        m.offensive = sources.offensive.count(word) || listed(sources.offensive, word, "s")
            || listed(sources.offensive, word, "es");
        out[i / 2] = static_cast<char>(static_cast<unsigned char>(out[i / 2]) | (nibble(m) << (i % 2 == 0 ? 0 : 4)));
    }
    return out;
}

std::set<std::string> readWordSet(std::istream& source)
{
    std::set<std::string> out;
    std::string line;
    while (std::getline(source, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (acceptsSourceLine(line))
            out.insert(line);
    }
    return out;
}

std::optional<std::vector<std::string>> parseStringArray(std::string_view json)
{
    JsonReader r { json };
    if (!r.take('['))
        return std::nullopt;
    std::vector<std::string> out;
    if (!r.take(']')) {
        do {
            auto s = r.string();
            if (!s)
                return std::nullopt;
            out.push_back(std::move(*s));
        } while (r.take(','));
        if (!r.take(']'))
            return std::nullopt;
    }
    r.skipBlanks();
    if (r.at != json.size())
        return std::nullopt;
    return out;
}

} // namespace dict
