#pragma once
// Chat lines as the view draws them: "n+text" taken apart into a style, a
// bold head and a body of text runs, links and smileys. Plain C++ so that
// every rule about what a peer's text may turn into is tested without a window.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chat
{

inline constexpr int kStyleCount = 15;
inline constexpr int kSystemStyle = 0;
inline constexpr int kLinkStyle = 4;
inline constexpr int kSeatStyleOffset = 5; // seat n chats in style n + 5
inline constexpr int kFirstSmiley = 10; // ":)#10" is picture 0
inline constexpr int kSmileyCount = 18; // ":)#10" .. ":)#27"
inline constexpr std::string_view kSmileyCode = ":)#";

// 0x00BBGGRR
inline constexpr std::uint32_t kBlue = 0xFF0000;
inline constexpr std::uint32_t kRed = 0x0000FF;

struct Piece {
    enum class Kind { Text, Link, Smiley };
    Kind kind = Kind::Text;
    std::string text; // Text and Link: the characters shown
    int smiley = 0; // Smiley: picture 0 .. 17
    friend bool operator==(const Piece&, const Piece&) = default;
};

struct ParsedLine {
    int style = kSystemStyle;
    // A player's line: up to and including the first ":"; empty when there is
    // none. A system line never has one ("The address ::1 ..." stays whole).
    std::string head;
    // Neighbouring words of the line's own style arrive as one run, so a
    // long line costs a few runs rather than one per word.
    std::vector<Piece> body;
};

// "n+text". A number 1..9 before the first "+" is a seat (style n + 5);
// anything else, or no "+", is a system line (style 0).
ParsedLine parseLine(std::string_view line);

// The most of one line the view keeps: a person types at most 400 characters
// and a name, while a line the host relays may be 32 KiB, which would cost the
// view far more to lay out than anyone can read.
inline constexpr std::size_t kMaxShownBytes = 1536;
// The line cut to at most `maxBytes` bytes on a character boundary, with an
// ellipsis where it was cut.
std::string clipForDisplay(std::string_view line, std::size_t maxBytes = kMaxShownBytes);

// A word (with its blank) that is drawn as a link.
bool isLinkWord(std::string_view word);

// The address a link may open: only http and https. "www." gets "http://" in
// front; the address is taken from where it starts in the word, and trailing
// blanks and closing punctuation are left out. Nothing for any other scheme,
// a local path, control characters or an address without a host.
std::optional<std::string> safeUrl(std::string_view shown);

// A received chat or action: the text up to the last "|" is the line (decoded
// as UTF-8, or Latin-1 when it is not valid UTF-8, with control and
// bidirectional characters shown as "?") and the rest the sender's colour, red
// when missing or unreadable.
struct Payload {
    std::string line;
    std::uint32_t colour = kRed;
};
Payload splitPayload(std::string_view rest);

// The link table: 101 slots filled in turn (0, 1, .. 100, then 1 again).
// Each link keeps a serial number; a slot that has since been reused answers
// nothing for the old serial, so a click never opens another link's text.
class LinkTable
{
public:
    static constexpr int kSlots = 101;

    // Stores the link and returns its serial number.
    std::uint64_t add(std::string text);
    std::optional<std::string> find(std::uint64_t serial) const;
    int lastSlot() const { return m_counter; }

private:
    struct Slot {
        std::uint64_t serial = 0;
        std::string text;
    };
    std::array<Slot, kSlots> m_slots {};
    int m_counter = -1;
    std::uint64_t m_nextSerial = 1;
};

// Each player's style shares one colour: a line in a new colour recolours
// that player's earlier lines too. System lines keep the colour of each line,
// as their colour says what kind of news they are.
class StyleColours
{
public:
    // True when the style's earlier lines must take the new colour.
    bool apply(int style, std::uint32_t colour);
    std::optional<std::uint32_t> colour(int style) const;
    void clear() { m_colours.fill(std::nullopt); }

private:
    std::array<std::optional<std::uint32_t>, kStyleCount> m_colours {};
};

} // namespace chat
