// zirky-host's command line: every option, its ranges and the refusals.

#include "app/HostCommandLine.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{

using Args = std::vector<std::string>;

TEST(HostCommandLine, WhatIsAccepted)
{
    struct Row {
        const char* fault;
        Args args;
        std::function<bool(const app::HostCommandLine&)> check;
    };
    const Row rows[] = {
        { "no arguments: the defaults", {},
            [](const auto& o) {
                return o.port == 7772 && o.holdSeconds == 120 && o.wordFile.empty() && o.announce && o.computers.empty()
                    && !o.help;
            } },
        { "port zero lets the system pick", { "--port", "0" }, [](const auto& o) { return o.port == 0; } },
        { "the highest port", { "--port=65535" }, [](const auto& o) { return o.port == 65535; } },
        { "the last of a repeated option counts", { "--port", "1", "--port", "2" },
            [](const auto& o) { return o.port == 2; } },
        { "no hold", { "--hold-seat", "0" }, [](const auto& o) { return o.holdSeconds == 0; } },
        { "the longest hold", { "--hold-seat=3600" }, [](const auto& o) { return o.holdSeconds == 3600; } },
        { "a word file whose name starts with dashes", { "--words", "--odd name" },
            [](const auto& o) { return o.wordFile == "--odd name"; } },
        { "a word file joined with =", { "--words=/tmp/a=b" }, [](const auto& o) { return o.wordFile == "/tmp/a=b"; } },
        { "no announcement", { "--no-announce" }, [](const auto& o) { return !o.announce; } },
        { "clean words", { "--clean-words" }, [](const auto& o) { return o.cleanWords && o.announce; } },
        { "computers in order, any case and spacing", { "--bots", "Easy, hard" },
            [](const auto& o) {
                return o.computers == std::vector<bots::Level> { bots::Level::Easy, bots::Level::Hard };
            } },
        { "help wins over what follows", { "--help", "--port", "x" }, [](const auto& o) { return o.help; } },
        { "everything at once", { "--no-announce", "--hold-seat", "5", "--words", "w", "--port", "9" },
            [](const auto& o) { return !o.announce && o.holdSeconds == 5 && o.wordFile == "w" && o.port == 9; } },
    };
    for (const Row& r : rows) {
        const app::HostCommandLine o = app::parseHostCommandLine(r.args);
        EXPECT_TRUE(o.error.empty()) << r.fault << ": " << o.error;
        EXPECT_TRUE(r.check(o)) << r.fault;
    }
}

TEST(HostCommandLine, WhatIsRefusedAndWhy)
{
    struct Row {
        const char* fault;
        Args args;
        std::string error;
    };
    const Row rows[] = {
        { "a port with letters", { "--port", "77x" }, "bad port '77x' (a number from 0 to 65535)" },
        { "a port past 65535", { "--port", "65536" }, "bad port '65536' (a number from 0 to 65535)" },
        { "a negative port", { "--port=-1" }, "bad port '-1' (a number from 0 to 65535)" },
        { "a port with no value", { "--port" }, "--port needs a number" },
        { "a hold past an hour", { "--hold-seat", "3601" }, "bad hold time '3601' (seconds from 0 to 3600)" },
        { "a negative hold", { "--hold-seat", "-5" }, "bad hold time '-5' (seconds from 0 to 3600)" },
        { "a hold in minutes", { "--hold-seat", "2m" }, "bad hold time '2m' (seconds from 0 to 3600)" },
        { "an empty hold", { "--hold-seat=" }, "bad hold time '' (seconds from 0 to 3600)" },
        { "a hold with no value", { "--hold-seat" }, "--hold-seat needs a number of seconds" },
        { "an enormous hold does not wrap", { "--hold-seat", "4294967416" },
            "bad hold time '4294967416' (seconds from 0 to 3600)" },
        { "words with no file", { "--words" }, "--words needs a file name" },
        { "words with an empty file name", { "--words=" }, "--words needs a file name" },
        { "an unknown level", { "--bots", "easy,genius" },
            "bad computer level 'genius' (easy, medium, hard or expert)" },
        { "six computers", { "--bots", "easy,easy,easy,easy,easy,easy" }, "at most 5 computer players" },
        { "a misspelt option", { "--hold-seats", "5" }, "unknown argument '--hold-seats'" },
        { "a value for a flag", { "--no-announce=yes" }, "unknown argument '--no-announce=yes'" },
        { "a stray word", { "7772" }, "unknown argument '7772'" },
    };
    for (const Row& r : rows)
        EXPECT_EQ(app::parseHostCommandLine(r.args).error, r.error) << r.fault;
}

} // namespace
