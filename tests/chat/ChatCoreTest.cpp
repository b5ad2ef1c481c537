#include "chat/ChatLine.h"
#include "chat/PhraseRows.h"
#include "chat/Speaker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace
{

using chat::Piece;
using Kind = chat::Piece::Kind;

Piece text(std::string t) { return { Kind::Text, std::move(t), 0 }; }
Piece link(std::string t) { return { Kind::Link, std::move(t), 0 }; }
Piece smiley(int n) { return { Kind::Smiley, {}, n }; }

const std::string kEnd = "\xFF";

TEST(ChatLineParse, StylesHeadsAndBodies)
{
    struct Row {
        const char* name;
        std::string line;
        int style;
        std::string head;
        std::vector<Piece> body;
    };
    const std::vector<Row> rows = {
        { "system line has style 0 and no head", "0+You are Connected.", 0, "", { text("You are Connected.") } },
        { "seat 1 chats in style 6", "1+Ann chats: hi", 6, "Ann chats:", { text("hi") } },
        { "seat 9 (a spectator) chats in style 14", "9+Spy chats: hi", 14, "Spy chats:", { text("hi") } },
        { "seat beyond the styles falls back to a system line", "10+X chats: hi", 0, "", { text("X chats: hi") } },
        { "negative number is a system line", "-3+odd: x", 0, "", { text("odd: x") } },
        { "a system line split into a heading at an address", "0+The address ::1 cannot be found.", 0, "",
            { text("The address ::1 cannot be found.") } },
        { "a system line naming a player split at the name", "0+Ann: <Chatter Sound> Cough", 0, "",
            { text("Ann: <Chatter Sound> Cough") } },
        { "no number keeps the whole text", "hello+world", 0, "", { text("hello+world") } },
        { "no plus at all", "plain", 0, "", { text("plain") } },
        { "the head ends at the first colon only", "2+Bob chats: a: b", 7, "Bob chats:", { text("a: b") } },
        { "an action has no colon and no head", "3+Cy waves", 8, "", { text("Cy waves") } },
        { "a time in a system line is not cut into a head", "0+Ann's seat is held for 2:00", 0, "",
            { text("Ann's seat is held for 2:00") } },
        { "an IPv6 address is not cut into a head", "0+The address ::1 cannot be found.", 0, "",
            { text("The address ::1 cannot be found.") } },
        { "a phrase sent as says: gets a head", "3+Cy says: Good One!", 8, "Cy says:", { text("Good One!") } },
        { "empty text", "4+", 9, "", {} },
        { "a link keeps its blank out of the underline", "1+Ann chats: see www.a.org now", 6,
            "Ann chats:", { text("see "), link("www.a.org"), text(" now") } },
        { "link found in any case", "1+A chats: HTTP://X.COM", 6, "A chats:", { link("HTTP://X.COM") } },
        { "an address in an action is not cut into a head", "3+Cy likes http://x.org/a", 8, "",
            { text("Cy likes "), link("http://x.org/a") } },
        { "a smiley in an action is not cut into a head", "3+Cy :)#12 grins", 8, "",
            { text("Cy "), smiley(2), text(" grins") } },
        { "smileys 10 and 27 are the first and last pictures", "1+A chats: :)#10:)#27", 6,
            "A chats:", { smiley(0), smiley(17) } },
        { "a smiley outside 10..27 shows picture 0", "1+A chats: x:)#28y:)#09", 6,
            "A chats:", { text("x"), smiley(0), text("y"), smiley(0) } },
        { "a smiley code without digits eats two characters", "1+A chats: :)#abcd", 6,
            "A chats:", { smiley(0), text("cd") } },
        { "a smiley code at the very end", "1+A chats: bye :)#", 6, "A chats:", { text("bye "), smiley(0) } },
        { "a smiley never splits a multi-byte character", "1+A chats: :)#\xC3\xA9\xC3\xA9x", 6,
            "A chats:", { smiley(0), text("x") } },
    };
    for (const Row& row : rows) {
        const auto parsed = chat::parseLine(row.line);
        EXPECT_EQ(parsed.style, row.style) << row.name;
        EXPECT_EQ(parsed.head, row.head) << row.name;
        EXPECT_EQ(parsed.body, row.body) << row.name;
    }
}

TEST(ChatLineParse, ALongLineIsClippedOnACharacterBoundary)
{
    const std::string ellipsis = "\xE2\x80\xA6";
    struct Row {
        const char* fault;
        std::string line;
        std::size_t max;
        std::string shown;
    };
    const Row rows[] = {
        { "a line that fits was clipped", "1+A chats: hi", 13, "1+A chats: hi" },
        { "a long line was kept whole", std::string(100, 'x'), 10, std::string(7, 'x') + ellipsis },
        { "a two-byte character was cut in half", "abcdef\xC3\xA9ghij", 10, "abcdef" + ellipsis },
        { "a four-byte character was cut in half", "ab\xF0\x9F\x98\x80xyz", 8, "ab" + ellipsis },
    };
    for (const Row& r : rows)
        EXPECT_EQ(chat::clipForDisplay(r.line, r.max), r.shown) << r.fault;
    EXPECT_LE(chat::clipForDisplay(std::string(32 * 1024, 'x')).size(), chat::kMaxShownBytes);
}

TEST(ChatLineParse, MarkupFromAPeerStaysText)
{
    // The view draws pieces as text; nothing here may become a tag or an entity.
    const auto parsed = chat::parseLine("2+Eve chats: <b>x</b> &amp; <img src=a.png> <a href=\"file:///etc\">");
    ASSERT_EQ(parsed.body.size(), 1u);
    EXPECT_EQ(parsed.body[0], text("<b>x</b> &amp; <img src=a.png> <a href=\"file:///etc\">"));
}

TEST(ChatLineParse, AFloodLineComesAsFewRuns)
{
    std::string line = "1+A chats: ";
    for (int i = 0; i < 4000; ++i)
        line += "word ";
    const auto parsed = chat::parseLine(line);
    EXPECT_EQ(parsed.body.size(), 1u);
}

TEST(ChatLineParse, ALinePackedWithLinksAndSmileysDrawsAtMostTwoHundred)
{
    for (const std::string piece : { ":)#12 ", "www.x.org ", ":)#12 www.x.org " }) {
        std::string line = "1+A chats: ";
        while (line.size() < 32 * 1024)
            line += piece;
        const auto parsed = chat::parseLine(line);
        std::size_t drawn = 0;
        std::string shown;
        for (const auto& p : parsed.body) {
            drawn += p.kind != chat::Piece::Kind::Text;
            if (p.kind != chat::Piece::Kind::Smiley)
                shown += p.text;
        }
        EXPECT_EQ(drawn, 200u) << piece;
        const std::string first = piece.substr(0, piece.find(' '));
        EXPECT_NE(shown.rfind(first), std::string::npos) << "the rest shows as the text it is";
    }
}

TEST(ChatPayload, ColourAndLine)
{
    struct Row {
        const char* name;
        std::string rest;
        std::string line;
        std::uint32_t colour;
    };
    const std::vector<Row> rows = {
        { "named colour", "2+Bob chats: hi|clGreen", "2+Bob chats: hi", 0x008000 },
        { "hexadecimal colour", "2+Bob chats: hi|$00FF0000", "2+Bob chats: hi", 0xFF0000 },
        { "no bar gives red", "2+Bob chats: hi", "2+Bob chats: hi", chat::kRed },
        { "unreadable colour gives red", "2+Bob chats: hi|sparkly", "2+Bob chats: hi", chat::kRed },
        { "a bar the player typed stays in the line", "2+Bob chats: a|b|clNavy", "2+Bob chats: a|b", 0x800000 },
        { "Latin-1 bytes are shown as their characters", "2+Bj\xF6rn chats: hej|clBlack", "2+Bj\xC3\xB6rn chats: hej",
            0 },
        { "a right-to-left override turned the file name around", "2+Bob chats: txt\xE2\x80\xAE" "exe.txt|clBlack",
            "2+Bob chats: txt?exe.txt", 0 },
        { "a terminal escape reached the screen", "2+Bob chats: \x1B[31mred\x07|clBlack", "2+Bob chats: ?[31mred?", 0 },
        { "an isolate let a name take the line over", "2+\xE2\x81\xA7" "Bob chats: hi|clBlack", "2+?Bob chats: hi", 0 },
    };
    for (const Row& row : rows) {
        const auto p = chat::splitPayload(row.rest);
        EXPECT_EQ(p.line, row.line) << row.name;
        EXPECT_EQ(p.colour, row.colour) << row.name;
    }
}

TEST(ChatLinks, OnlyHttpAndHttpsEverOpen)
{
    struct Row {
        const char* name;
        std::string shown;
        std::optional<std::string> opened;
    };
    const std::vector<Row> rows = {
        { "plain http", "http://example.org/a?b=c", "http://example.org/a?b=c" },
        { "https", "https://example.org", "https://example.org" },
        { "www gets http in front", "www.example.org", "http://www.example.org" },
        { "scheme in capitals", "HTTP://Example.org", "http://Example.org" },
        { "trailing blanks and sentence marks", "www.a.org/x).  ", "http://www.a.org/x" },
        { "balanced brackets stay", "http://w.org/A_(b)", "http://w.org/A_(b)" },
        { "an address inside markup is cut at the quote", "href=\"http://a.org/\">", "http://a.org/" },
        { "javascript is never run", "javascript:alert('www.')", std::nullopt },
        { "file scheme with an address after it opens only that address", "file:///etc/passwd#http://x.org",
            "http://x.org" },
        { "file scheme alone", "file:///etc/passwd", std::nullopt },
        { "a local path", "/usr/bin/www.sh", std::nullopt },
        { "www inside a name is no address", "my-www.x.org", std::nullopt },
        { "an address in brackets", "(www.a.org)", "http://www.a.org" },
        { "no host", "http://", std::nullopt },
        { "no host after a user", "http://user@/x", std::nullopt },
        { "control characters end the address", "http://a.org\x01rm", "http://a.org" },
        { "not a link at all", "hello", std::nullopt },
    };
    for (const Row& row : rows)
        EXPECT_EQ(chat::safeUrl(row.shown), row.opened) << row.name;
}

TEST(ChatLinks, TableSlotsWrapAndNeverAnswerForAReusedSlot)
{
    chat::LinkTable table;
    EXPECT_EQ(table.lastSlot(), -1);
    const auto first = table.add("www.first.org");
    EXPECT_EQ(table.lastSlot(), 0);
    std::uint64_t last = first;
    for (int i = 1; i <= 100; ++i)
        last = table.add("www.l" + std::to_string(i) + ".org");
    EXPECT_EQ(table.lastSlot(), 100);
    EXPECT_EQ(table.find(first), "www.first.org"); // slot 0 is filled once and kept
    const auto second = first + 1;
    EXPECT_EQ(table.find(second), "www.l1.org");
    table.add("www.wrapped.org");
    EXPECT_EQ(table.lastSlot(), 1);
    // Slot 1 now holds another link: the old serial must not open it.
    EXPECT_EQ(table.find(second), std::nullopt);
    EXPECT_EQ(table.find(last), "www.l100.org");
    EXPECT_EQ(table.find(0), std::nullopt);
}

TEST(ChatStyles, APlayersLinesShareOneColourButSystemLinesDoNot)
{
    chat::StyleColours styles;
    EXPECT_FALSE(styles.apply(7, 0x0000FF)); // first line of seat 2
    EXPECT_FALSE(styles.apply(7, 0x0000FF)); // same colour: nothing to redo
    EXPECT_TRUE(styles.apply(7, 0x008000)); // seat 2 changed colour
    EXPECT_EQ(styles.colour(7), 0x008000u);
    EXPECT_FALSE(styles.apply(0, 0xFF0000));
    EXPECT_FALSE(styles.apply(0, 0x800000));
    EXPECT_FALSE(styles.apply(99, 1));
}

// ---- sending

struct FakeClock {
    std::chrono::steady_clock::time_point now {};
    chat::Speaker::Clock fn()
    {
        return [this] { return now; };
    }
};

TEST(ChatSend, TypedTextRules)
{
    struct Row {
        const char* name;
        int seat;
        bool connected;
        std::string typed;
        std::optional<std::string> message;
        bool cleared;
    };
    const std::vector<Row> rows = {
        { "plain chat", 2, true, "hello", "CMD_chat+2+hello|clRed" + kEnd, true },
        { "chat may hold plus signs", 2, true, "1+1", "CMD_chat+2+1+1|clRed" + kEnd, true },
        { "line breaks and the terminator never reach the wire", 2, true, "a\nb\xFF", "CMD_chat+2+ab|clRed" + kEnd,
            true },
        { "spectators chat too", 8, true, "hi", "CMD_chat+8+hi|clRed" + kEnd, true },
        { "/me is an action", 2, true, "/me waves", "CMD_action+2+waves|clRed" + kEnd, true },
        { "/me with extra blanks", 2, true, "/me   waves", "CMD_action+2+waves|clRed" + kEnd, true },
        { "/me alone says nothing", 2, true, "/me", std::nullopt, true },
        { "/meow is no action", 2, true, "/meow", std::nullopt, true },
        { "other slash texts go nowhere", 2, true, "/kick bob", std::nullopt, true },
        { "empty input sends nothing", 2, true, "", std::nullopt, false },
        { "not connected: nothing sent, text kept", 2, false, "hello", std::nullopt, false },
        { "no seat yet", 0, true, "hello", std::nullopt, false },
    };
    for (const Row& row : rows) {
        chat::Speaker s;
        s.setSeat(row.seat);
        s.setConnected(row.connected);
        s.setColourText("clRed");
        const auto r = s.sendit(row.typed);
        EXPECT_EQ(r.message, row.message) << row.name;
        EXPECT_EQ(r.clearInput, row.cleared) << row.name;
    }
}

TEST(ChatSend, PhraseCooldownIsMeasuredNotCounted)
{
    FakeClock clock;
    chat::Speaker s(clock.fn());
    s.setSeat(3);
    s.setConnected(true);
    s.setColourText("$00FF8000");
    using std::chrono::milliseconds;

    EXPECT_EQ(s.phrase("Good One!"), "CMD_action+3+says: Good One!|$00FF8000" + kEnd);
    clock.now += milliseconds(1);
    EXPECT_EQ(s.phrase("Good One!"), std::nullopt) << "a double click sends one phrase";
    clock.now += milliseconds(99);
    EXPECT_EQ(s.phrase("Nice Try!"), std::nullopt) << "100 ms is not yet more than 100 ms";
    clock.now += milliseconds(1);
    EXPECT_EQ(s.phrase("/me cheers"), "CMD_action+3+cheers|$00FF8000" + kEnd) << "/me phrase is an action";
    clock.now += milliseconds(50);
    EXPECT_FALSE(s.phraseReady());

    // A refused click while not connected does not start a cool-down.
    chat::Speaker off(clock.fn());
    off.setSeat(3);
    EXPECT_EQ(off.phrase("Thanks!"), std::nullopt);
    off.setConnected(true);
    EXPECT_TRUE(off.phrase("Thanks!").has_value());
}

TEST(ChatSend, ChatterSoundsOnlyFromPlayers)
{
    struct Row {
        const char* name;
        int seat;
        bool connected;
        int number;
        std::optional<std::string> message;
    };
    const std::vector<Row> rows = {
        { "player sends wave 3", 2, true, 3, "CMD_playasound+2+wave3+" + kEnd },
        { "seat 6 is still a player", 6, true, 20, "CMD_playasound+6+wave20+" + kEnd },
        { "a spectator cannot", 7, true, 3, std::nullopt },
        { "not connected", 2, false, 3, std::nullopt },
        { "no such sound", 2, true, 21, std::nullopt },
        { "the <Cancel> item", 2, true, 0, std::nullopt },
    };
    for (const Row& row : rows) {
        chat::Speaker s;
        s.setSeat(row.seat);
        s.setConnected(row.connected);
        EXPECT_EQ(s.chatterSound(row.number), row.message) << row.name;
    }
}

TEST(ChatReceive, ChatterSoundPlaysOrBecomesALine)
{
    const auto name = [](int seat) { return seat == 4 ? std::string("Dee") : std::string("?"); };
    struct Row {
        const char* name;
        std::string rest;
        bool on;
        std::optional<std::string> sound;
        std::optional<std::string> line;
        bool ignored;
    };
    const std::vector<Row> rows = {
        { "played when chatter is on", "4+wave5+", true, "wave5", std::nullopt, false },
        { "any case", "4+WAVE20", true, "wave20", std::nullopt, false },
        { "a line when chatter is off", "4+wave5+", false, std::nullopt, "0+Dee: <Chatter Sound> Where have you been?",
            false },
        { "first caption", "4+wave1", false, std::nullopt, "0+Dee: <Chatter Sound> Doh", false },
        { "unknown sound dropped", "4+wave21", true, std::nullopt, std::nullopt, true },
        { "leading zero dropped", "4+wave05", true, std::nullopt, std::nullopt, true },
        { "a game sound name is not a chatter sound", "4+gameover", true, std::nullopt, std::nullopt, true },
        { "a path is not a sound", "4+../../x.wav", true, std::nullopt, std::nullopt, true },
        { "seat out of range", "12+wave1", true, std::nullopt, std::nullopt, true },
        { "no fields", "", true, std::nullopt, std::nullopt, true },
    };
    for (const Row& row : rows) {
        const auto r = chat::playasound(row.rest, row.on, name);
        EXPECT_EQ(r.sound, row.sound) << row.name;
        EXPECT_EQ(r.line, row.line) << row.name;
        EXPECT_EQ(r.ignored.has_value(), row.ignored) << row.name;
    }
}

TEST(ChatPhrases, StoredPhrasesReplaceOnlyWhenNotEmpty)
{
    std::array<std::string, chat::kPhraseCount> stored;
    stored[2] = "Good luck!";
    const auto phrases = chat::phrasesFrom(stored);
    EXPECT_EQ(phrases[0], "Way To Go!");
    EXPECT_EQ(phrases[2], "Good luck!");
    EXPECT_EQ(phrases[8], "Good Game Everyone!");
}

} // namespace

TEST(PhraseRows, EveryCaptionWholeInTheLowestBar)
{
    using chat::PhraseWidths;
    struct Row {
        const char* fault;
        std::vector<PhraseWidths> buttons;
        double width;
        bool twoLines;
        int rows;
    };
    const std::vector<PhraseWidths> nine { { 80, 50 }, { 80, 50 }, { 70, 45 }, { 80, 80 }, { 75, 75 }, { 80, 50 },
        { 60, 60 }, { 130, 80 }, { 150, 90 } };
    const Row rows[] = {
        { "captions that fit on one line stay on one line", nine, 1200, false, 1 },
        { "a narrow bar breaks captions before it adds a row", nine, 640, true, 1 },
        { "a bar too narrow even for broken captions flows into rows", nine, 300, false, 4 },
        { "a caption with no space to break at keeps one line", { { 200, 200 }, { 200, 200 } }, 300, false, 2 },
        { "one button wider than the bar still gets a row of its own", { { 500, 500 }, { 50, 50 } }, 300, false, 2 },
    };
    for (const Row& r : rows) {
        const chat::PhrasePlan plan = chat::planPhrases(r.buttons, 30, r.width, 2, 14, 10);
        EXPECT_EQ(plan.twoLines, r.twoLines) << r.fault;
        EXPECT_EQ(plan.rows, r.rows) << r.fault;
        // Order kept, each button at least as wide as its caption, each row within
        // the bar (but for a lone button wider than the bar, which nothing can help).
        std::vector<double> used(static_cast<std::size_t>(plan.rows), 0);
        std::vector<int> count(static_cast<std::size_t>(plan.rows), 0);
        for (std::size_t i = 0; i < r.buttons.size(); ++i) {
            if (i > 0) {
                EXPECT_GE(plan.row[i], plan.row[i - 1]) << r.fault;
            }
            const double caption = plan.twoLines ? std::min(r.buttons[i].oneLine, r.buttons[i].twoLines)
                                                 : r.buttons[i].oneLine;
            EXPECT_GE(plan.width[i], caption) << r.fault;
            const auto at = static_cast<std::size_t>(plan.row[i]);
            used[at] += (count[at]++ > 0 ? 2 : 0) + plan.width[i];
        }
        EXPECT_GE(plan.lastRow, plan.row.back()) << r.fault;
        const auto last = static_cast<std::size_t>(plan.lastRow);
        used[last] += (count[last]++ > 0 ? 2 : 0) + 30;
        for (std::size_t row = 0; row < used.size(); ++row) {
            if (count[row] > 1) {
                EXPECT_LE(used[row], r.width + 0.001) << r.fault;
            }
        }
    }
}
