// Peer text on its way to a terminal or a log.

#include "net/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

struct PrintableRow {
    const char* fault;
    std::string in;
    std::string out;
};

TEST(Printable, ControlsThatATerminalOrAReaderWouldObeyShowAsQuestionMarks)
{
    const PrintableRow rows[] = {
        { "a forged log line through a line feed", "x\nzirky: FORGED", "x?zirky: FORGED" },
        { "a carriage return that overwrites the line", "ok\rFAKE", "ok?FAKE" },
        { "a colour escape", "x\x1b[31mred", "x?[31mred" },
        { "a tab and a NUL", "a\tb", "a?b" },
        { "DEL", "a\x7f", "a?" },
        { "C1 CSI as UTF-8 (U+009B)",
            "a\xc2\x9b"
            "31m",
            "a?31m" },
        { "C1 read as Latin-1 from a single-byte peer",
            "a\x9b"
            "b",
            "a?b" },
        { "right-to-left override that turns txt.exe round",
            "file\xe2\x80\xae"
            "exe.txt",
            "file?exe.txt" },
        { "every embedding, override and isolate",
            "\xe2\x80\xaa\xe2\x80\xab\xe2\x80\xac\xe2\x80\xad\xe2\x81\xa6\xe2\x81\xa7\xe2\x81\xa8\xe2\x81\xa9",
            "????????" },
        { "left-to-right and right-to-left marks", "\xe2\x80\x8e\xe2\x80\x8f", "??" },
        { "the Arabic letter mark",
            "a\xd8\x9c"
            "b",
            "a?b" },
    };
    for (const auto& r : rows)
        EXPECT_EQ(net::printable(r.in), r.out) << r.fault;
}

TEST(Printable, OrdinaryTextOfAnyScriptIsKept)
{
    const PrintableRow rows[] = {
        { "plain ASCII with punctuation", "Ann chats: hi + bye!", "Ann chats: hi + bye!" },
        { "accented letters", "Zo\xc3\xab", "Zo\xc3\xab" },
        { "a no-break space is not C1",
            "a\xc2\xa0"
            "b",
            "a\xc2\xa0"
            "b" },
        { "Hebrew itself is no control", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d" },
        { "zero-width joiner beside the marks stays", "\xe2\x80\x8d", "\xe2\x80\x8d" },
        { "four-byte characters", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80" },
        { "Latin-1 from a single-byte peer becomes UTF-8", "Zo\xeb", "Zo\xc3\xab" },
    };
    for (const auto& r : rows)
        EXPECT_EQ(net::printable(r.in), r.out) << r.fault;
}

} // namespace
