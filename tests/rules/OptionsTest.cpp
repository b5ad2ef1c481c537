// The start window's refusals: a value outside an option's range is named,
// with the range, and never passed on.

#include "rules/Options.h"

#include <gtest/gtest.h>

TEST(Options, ValuesOutsideTheirRangeAreRefusedInWords)
{
    struct Row {
        const char* fault;
        const char* caption;
        rules::OptionRange range;
        std::optional<int> value;
        std::optional<std::string> problem;
    };
    const Row rows[] = {
        { "the least value refused", "Play To Score", rules::kPlayToScoreRange, 5000, std::nullopt },
        { "the most value refused", "Play To Score", rules::kPlayToScoreRange, 50000, std::nullopt },
        { "a value between the steps refused", "Time Limit Per Turn", rules::kTimePerTurnRange, 62, std::nullopt },
        { "one below the least taken", "Play To Score", rules::kPlayToScoreRange, 4999,
            "Play To Score goes from 5000 to 50000: 4999 is too low." },
        { "one above the most taken", "Time Limit Per Turn", rules::kTimePerTurnRange, 121,
            "Time Limit Per Turn goes from 60 to 120: 121 is too high." },
        { "a negative value taken", "Zirked At", rules::kZirkedAtRange, -1000,
            "Zirked At goes from 1000 to 5000: -1000 is too low." },
        { "an empty field taken", "Zirked At", rules::kZirkedAtRange, std::nullopt,
            "Zirked At goes from 1000 to 5000: enter a number in that range." },
    };
    for (const Row& r : rows)
        EXPECT_EQ(rules::optionProblem(r.caption, r.range, r.value), r.problem) << r.fault;
}
