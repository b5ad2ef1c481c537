#include "ChatLine.h"

#include "app/ColorText.h"
#include "net/Fields.h"
#include "net/Text.h"

#include <algorithm>
#include <cctype>

namespace chat
{

namespace
{

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Position of `needle` (lower-case ASCII) in `text`, ignoring case.
std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from = 0)
{
    if (needle.size() > text.size())
        return std::string_view::npos;
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        bool same = true;
        for (std::size_t j = 0; j < needle.size() && same; ++j)
            same = lower(text[i + j]) == needle[j];
        if (same)
            return i;
    }
    return std::string_view::npos;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && findNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

// Where an address starts in a word: the earliest of the forms a link is known by.
std::size_t linkStart(std::string_view word)
{
    std::size_t at = std::string_view::npos;
    for (std::string_view form : { "http://", "https://", "www." })
        at = std::min(at, findNoCase(word, form));
    return at;
}

// Where a web address starts in a word: like linkStart, but "www." inside a
// path or a name ("/usr/bin/www.sh", "my-www.x") is not the start of one.
std::size_t addressStart(std::string_view word)
{
    std::size_t at = std::min(findNoCase(word, "http://"), findNoCase(word, "https://"));
    for (std::size_t www = findNoCase(word, "www."); www != std::string_view::npos && www < at;
         www = findNoCase(word, "www.", www + 1)) {
        const char before = www == 0 ? ' ' : word[www - 1];
        if (!std::isalnum(static_cast<unsigned char>(before))
            && std::string_view("/\\._-@:~").find(before) == std::string_view::npos) {
            at = www;
            break;
        }
    }
    return at;
}

// Length in bytes of the UTF-8 character that starts at `i` (1 for a stray byte).
std::size_t charLength(std::string_view text, std::size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return std::min(n, text.size() - i);
}

void addText(std::vector<Piece>& body, std::string_view text)
{
    if (text.empty())
        return;
    if (!body.empty() && body.back().kind == Piece::Kind::Text)
        body.back().text += text;
    else
        body.push_back({ Piece::Kind::Text, std::string(text), 0 });
}

// Links and smileys drawn in one line, at most: beyond this they show as the
// text they are, so a line packed with thousands of them stays quick to draw.
constexpr int kMaxDrawnPieces = 200;

// Words split at blanks, each keeping its blank; a link word becomes a link
// (its blank stays plain so the underline ends with the address).
void addWords(std::vector<Piece>& body, std::string_view text, int& drawn)
{
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find(' ', i);
        end = end == std::string_view::npos ? text.size() : end;
        const std::string_view word = text.substr(i, end - i);
        if (drawn < kMaxDrawnPieces && isLinkWord(word)) {
            body.push_back({ Piece::Kind::Link, std::string(word), 0 });
            ++drawn;
        } else
            addText(body, word);
        std::size_t blanks = end;
        while (blanks < text.size() && text[blanks] == ' ')
            ++blanks;
        addText(body, text.substr(end, blanks - end));
        i = blanks;
    }
}

// The two characters after ":)#" name the picture; anything but 10..27 is picture 0.
int smileyPicture(std::string_view code)
{
    const auto n = net::parseInt(code);
    if (code.size() != 2 || !n || *n < kFirstSmiley || *n >= kFirstSmiley + kSmileyCount)
        return 0;
    return *n - kFirstSmiley;
}

// The colon that ends the head, if the line has a head: the first ":" that
// comes before any link or smiley, so that "http:" or ":)#" never becomes a
// head and the address or picture stays whole. A colon inside a time ("2:00")
// or an IPv6 address ("::1") ends no head either.
std::size_t headEnd(std::string_view rest)
{
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos)
        return colon;
    if (colon + 1 < rest.size()
        && (rest[colon + 1] == ':' || (rest[colon + 1] >= '0' && rest[colon + 1] <= '9')))
        return std::string_view::npos;
    if (rest.compare(colon, kSmileyCode.size(), kSmileyCode) == 0)
        return std::string_view::npos;
    const std::size_t wordEnd = std::min(rest.find(' ', colon), rest.size());
    if (linkStart(rest.substr(0, wordEnd)) != std::string_view::npos)
        return std::string_view::npos;
    return colon;
}

} // namespace

bool isLinkWord(std::string_view word) { return linkStart(word) != std::string_view::npos; }

ParsedLine parseLine(std::string_view line)
{
    ParsedLine parsed;
    std::string_view rest = line;
    const std::size_t plus = line.find('+');
    if (plus != std::string_view::npos) {
        if (const auto n = net::parseInt(line.substr(0, plus))) {
            rest = line.substr(plus + 1);
            if (*n >= 1 && *n <= kStyleCount - 1 - kSeatStyleOffset)
                parsed.style = *n + kSeatStyleOffset;
        }
    }

    const std::size_t colon = parsed.style == kSystemStyle ? std::string_view::npos : headEnd(rest);
    if (colon != std::string_view::npos) {
        parsed.head = std::string(rest.substr(0, colon + 1));
        rest.remove_prefix(colon + 1);
        // The head is drawn with its own trailing blank.
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
    }

    std::size_t at = 0;
    int drawn = 0;
    while (at <= rest.size()) {
        const std::size_t code = drawn < kMaxDrawnPieces ? rest.find(kSmileyCode, at) : std::string_view::npos;
        if (code == std::string_view::npos) {
            addWords(parsed.body, rest.substr(at), drawn);
            break;
        }
        addWords(parsed.body, rest.substr(at, code - at), drawn);
        if (drawn >= kMaxDrawnPieces) {
            addWords(parsed.body, rest.substr(code), drawn);
            break;
        }
        ++drawn;
        std::size_t numberEnd = code + kSmileyCode.size();
        for (int k = 0; k < 2 && numberEnd < rest.size(); ++k)
            numberEnd += charLength(rest, numberEnd);
        const std::size_t numberStart = code + kSmileyCode.size();
        parsed.body.push_back(
            { Piece::Kind::Smiley, {}, smileyPicture(rest.substr(numberStart, numberEnd - numberStart)) });
        at = numberEnd;
        if (at == rest.size())
            break;
    }
    return parsed;
}

std::string clipForDisplay(std::string_view line, std::size_t maxBytes)
{
    static constexpr std::string_view kEllipsis = "\xE2\x80\xA6"; // U+2026
    if (line.size() <= maxBytes)
        return std::string(line);
    std::size_t cut = maxBytes > kEllipsis.size() ? maxBytes - kEllipsis.size() : 0;
    // Back to the start of the character the cut falls in.
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(line.substr(0, cut)) + std::string(kEllipsis);
}

std::optional<std::string> safeUrl(std::string_view shown)
{
    const std::size_t start = addressStart(shown);
    if (start == std::string_view::npos)
        return std::nullopt;
    std::string_view url = shown.substr(start);
    // Blanks, control characters and the characters markup is made of end the address.
    std::size_t end = 0;
    while (end < url.size()) {
        const auto c = static_cast<unsigned char>(url[end]);
        if (c <= 0x20 || c == 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '`')
            break;
        ++end;
    }
    url = url.substr(0, end);
    // Closing punctuation after an address belongs to the sentence, not to it.
    while (!url.empty()) {
        const char c = url.back();
        const auto opens = [&](char open) { return std::count(url.begin(), url.end(), open); };
        const bool unmatched = (c == ')' && opens('(') < opens(')')) || (c == ']' && opens('[') < opens(']'))
            || (c == '}' && opens('{') < opens('}'));
        if (std::string_view(".,;:!?'").find(c) == std::string_view::npos && !unmatched)
            break;
        url.remove_suffix(1);
    }

    std::string address;
    if (startsWithNoCase(url, "www."))
        address = "http://" + std::string(url);
    else if (startsWithNoCase(url, "http://"))
        address = "http://" + std::string(url.substr(7));
    else if (startsWithNoCase(url, "https://"))
        address = "https://" + std::string(url.substr(8));
    else
        return std::nullopt;

    const std::size_t hostStart = address.find("//") + 2;
    const std::size_t hostEnd = std::min(address.find_first_of("/?#", hostStart), address.size());
    const std::string_view host = std::string_view(address).substr(hostStart, hostEnd - hostStart);
    // "user@" in front of the host is allowed by the scheme but must still leave a host.
    const std::string_view afterUser = host.substr(host.find('@') == std::string_view::npos ? 0 : host.rfind('@') + 1);
    if (afterUser.empty() || afterUser.front() == '.' || afterUser.front() == ':')
        return std::nullopt;
    return address;
}

Payload splitPayload(std::string_view rest)
{
    Payload p;
    // The colour is always the last thing the sender adds, and a colour text
    // never holds "|": cutting at the last one keeps a "|" the player typed.
    const std::size_t bar = rest.rfind('|');
    if (bar == std::string_view::npos) {
        p.line = net::printable(rest);
        return p;
    }
    p.line = net::printable(rest.substr(0, bar));
    p.colour = app::parseColorText(rest.substr(bar + 1)).value_or(kRed);
    return p;
}

std::uint64_t LinkTable::add(std::string text)
{
    m_counter = m_counter >= kSlots - 1 ? 1 : m_counter + 1;
    Slot& slot = m_slots[static_cast<std::size_t>(m_counter)];
    slot.serial = m_nextSerial++;
    slot.text = std::move(text);
    return slot.serial;
}

std::optional<std::string> LinkTable::find(std::uint64_t serial) const
{
    for (const Slot& slot : m_slots)
        if (slot.serial == serial && serial != 0)
            return slot.text;
    return std::nullopt;
}

bool StyleColours::apply(int style, std::uint32_t colour)
{
    if (style <= kSystemStyle || style >= kStyleCount || style == kLinkStyle)
        return false;
    auto& held = m_colours[static_cast<std::size_t>(style)];
    const bool changed = held && *held != colour;
    held = colour;
    return changed;
}

std::optional<std::uint32_t> StyleColours::colour(int style) const
{
    if (style < 0 || style >= kStyleCount)
        return std::nullopt;
    return m_colours[static_cast<std::size_t>(style)];
}

} // namespace chat
