#include "zeroconf/ShownText.h"

#include <gtest/gtest.h>

#include <string>

using namespace zeroconf;

TEST(ShownText, NetworkTextIsShownPlainAndCapped)
{
    struct Row {
        const char* fault;
        std::string bytes;
        std::size_t maxBytes;
        std::string expected;
    };
    const Row rows[] = {
        { "plain text altered", "Ann's game on box", 63, "Ann's game on box" },
        { "letters beyond ASCII lost", "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB2", 63,
            "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB2" },
        { "line breaks and escapes pass", "a\nb\tc\x1b[2Jd\r", 63, "a?b?c?[2Jd?" },
        { "NUL passes", std::string("a\0b", 3), 63, "a?b" },
        { "DEL and C1 controls pass", "a\x7F" "b\xC2\x85" "c\xC2\x9B", 63, "a?b?c?" },
        { "right-to-left override flips the row", "Eve\xE2\x80\xAEgnp.exe", 63, "Eve?gnp.exe" },
        { "bidi marks and embeddings pass", "\xE2\x80\x8F\xE2\x80\xAA\xD8\x9C" "x", 63, "???x" },
        { "isolates pass", "\xE2\x81\xA6" "a\xE2\x81\xA9", 63, "?a?" },
        { "invisible characters hide in names", "A\xE2\x80\x8B" "B\xEF\xBB\xBF" "C\xE2\x80\x8D" "D", 63, "A?B?C?D" },
        { "line separator breaks the row", "a\xE2\x80\xA8" "b", 63, "a?b" },
        { "invisible tag characters pass", "a\xF3\xA0\x80\x81" "b", 63, "a?b" },
        { "stray bytes pass", "\xFF\xFE" "ok\x80", 63, "??ok?" },
        { "sequence cut at the end passes", "ab\xE2\x82", 63, "ab??" },
        { "overlong slash passes", "\xC0\xAF", 63, "??" },
        { "overlong three-byte form passes", "\xE0\x80\xAF", 63, "???" },
        { "encoded surrogate passes", "\xED\xA0\x80", 63, "???" },
        { "code point past U+10FFFF passes", "\xF4\x90\x80\x80", 63, "????" },
        { "cap splits a character", "\xC3\xA9\xC3\xA9\xC3\xA9", 5, "\xC3\xA9\xC3\xA9" },
        { "cap splits a four-byte character", "ab\xF0\x9F\x8E\xB2", 5, "ab" },
        { "cap ignores replacements", "\x01\x01\x01", 2, "??" },
        { "cap of zero returns text", "abc", 0, "" },
    };
    for (const auto& row : rows) {
        const std::string shown = shownText(row.bytes, row.maxBytes);
        EXPECT_EQ(shown, row.expected) << row.fault;
        EXPECT_LE(shown.size(), row.maxBytes) << row.fault;
    }
}

TEST(ShownText, ServiceNamesFitOneLabelAndNameTheHost)
{
    struct Row {
        const char* fault;
        std::string player;
        std::string host;
        std::string expected;
    };
    const std::string longHost(70, 'h');
    const std::string host50(50, 'h');
    std::string accents;
    for (int i = 0; i < 40; ++i)
        accents += "\xC3\xA9";
    std::string accentsFitting;
    for (int i = 0; i < 25; ++i)
        accentsFitting += "\xC3\xA9";
    const Row rows[] = {
        { "usual name mangled", "Ann", "ann-laptop", "Ann's game on ann-laptop" },
        { "long name pushes the host out", std::string(80, 'x'), "box",
            std::string(63 - 14, 'x') + "'s game on box" },
        { "long name cut inside a character", accents, "h", accentsFitting + "'s game on h" },
        { "spaces left before the apostrophe", "Ann" + std::string(60, ' ') + "x", "box",
            "Ann's game on box" },
        { "no name gives a dangling possessive", "", "box", "Game on box" },
        { "blank name gives a dangling possessive", "   ", "box", "Game on box" },
        { "control characters published", "A\nn\xE2\x80\xAE", "b\x01x", "A?n?'s game on b?x" },
        { "no host name leaves the sentence open", "Ann", "", "Ann's game on this computer" },
        { "long host overflows the label", "Ann", longHost, "Game on " + std::string(63 - 8, 'h') },
        { "no room for one character gives a bare possessive", "\xF0\x9F\x8E\xB2", host50,
            "Game on " + host50 },
    };
    for (const auto& row : rows) {
        const std::string name = serviceName(row.player, row.host);
        EXPECT_EQ(name, row.expected) << row.fault;
        EXPECT_LE(name.size(), kMaxInstanceNameBytes) << row.fault;
        EXPECT_EQ(fitUtf8(name, kMaxInstanceNameBytes), name) << row.fault << ": not whole UTF-8";
    }
}
