#include "ShownText.h"

#include <algorithm>

namespace zeroconf
{

namespace
{

struct Decoded {
    char32_t codePoint; // meaningful only when valid
    std::size_t length; // bytes taken; 1 for an invalid byte
    bool valid;
};

Decoded decodeAt(std::string_view bytes, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80)
        return { lead, 1, true };
    std::size_t length = 0;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return { 0, 1, false };
    }
    if (i + length > bytes.size())
        return { 0, 1, false };
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(bytes[i + k]);
        if ((c & 0xC0) != 0x80)
            return { 0, 1, false };
        cp = (cp << 6) | (c & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return { 0, 1, false };
    return { cp, length, true };
}

// Characters that a listing must not pass through: they break lines, reorder
// the text around them (a name that flips a column) or hide themselves.
bool isUnsafe(char32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) // C0, DEL, C1
        || cp == 0x061C // Arabic letter mark
        || (cp >= 0x200B && cp <= 0x200F) // zero-width space, joiners, LRM, RLM
        || (cp >= 0x2028 && cp <= 0x202E) // line and paragraph separators, embeddings, overrides
        || (cp >= 0x2060 && cp <= 0x206F) // word joiner, invisible operators, isolates
        || cp == 0xFEFF // zero-width no-break space
        || (cp >= 0xFFF9 && cp <= 0xFFFB) // interlinear annotation
        || cp == 0xFFFE || cp == 0xFFFF || (cp >= 0xE0000 && cp <= 0xE007F); // noncharacters, tags
}

std::string_view trimSpaces(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string shownText(std::string_view bytes, std::size_t maxBytes)
{
    std::string out;
    out.reserve(std::min(bytes.size(), maxBytes));
    for (std::size_t i = 0; i < bytes.size();) {
        const Decoded d = decodeAt(bytes, i);
        const bool keep = d.valid && !isUnsafe(d.codePoint);
        const std::size_t add = keep ? d.length : 1;
        if (out.size() + add > maxBytes)
            break;
        if (keep)
            out.append(bytes.substr(i, d.length));
        else
            out.push_back('?');
        i += d.length;
    }
    return out;
}

std::string_view fitUtf8(std::string_view utf8, std::size_t maxBytes)
{
    std::size_t end = 0;
    while (end < utf8.size()) {
        const Decoded d = decodeAt(utf8, end);
        if (!d.valid || end + d.length > maxBytes)
            break;
        end += d.length;
    }
    return utf8.substr(0, end);
}

std::string serviceName(std::string_view playerName, std::string_view hostName)
{
    const std::string host = shownText(trimSpaces(hostName), kMaxHostNameBytes);
    const std::string on = " on " + (host.empty() ? std::string("this computer") : host);
    const std::string player = shownText(trimSpaces(playerName), kMaxInstanceNameBytes);
    const std::string possessive = "'s game" + on;
    if (possessive.size() < kMaxInstanceNameBytes) {
        const auto shortPlayer = trimSpaces(fitUtf8(player, kMaxInstanceNameBytes - possessive.size()));
        if (!shortPlayer.empty())
            return std::string(shortPlayer) + possessive;
    }
    // No room for the player's name (or none given): the host name alone tells the games apart.
    return std::string(fitUtf8("Game" + on, kMaxInstanceNameBytes));
}

} // namespace zeroconf
