// The budget of log lines: a burst gets its first lines through, the rest is
// counted once, and a new minute starts afresh.

#include <net/LogLimit.h>

#include <gtest/gtest.h>

#include <vector>

namespace
{

TEST(LogLimit, HoldsBackPastTheBudgetAndCountsWhatItHeld)
{
    struct Row {
        const char* fault;
        std::vector<long> times; // ms of each line
        std::vector<bool> written;
        std::size_t heldAtEnd;
    };
    const std::vector<Row> rows = {
        { "a burst loses its first lines", { 0, 1, 2, 3, 4 }, { true, true, true, false, false }, 2 },
        { "the budget never comes back", { 0, 1, 2, 3, 60000, 60001 }, { true, true, true, false, true, true }, 1 },
        { "a line just before the minute counts in the old window", { 0, 10, 20, 59999 }, { true, true, true, false },
            1 },
        { "a clock that steps back locks the log forever", { 100000, 100001, 100002, 5, 6 },
            { true, true, true, true, true }, 0 },
    };
    for (const Row& r : rows) {
        net::LogLimit limit(3);
        std::vector<bool> written;
        for (long t : r.times)
            written.push_back(limit.admit(t));
        EXPECT_EQ(written, r.written) << r.fault;
        EXPECT_EQ(limit.takeHeldBack(), r.heldAtEnd) << r.fault;
        EXPECT_EQ(limit.takeHeldBack(), 0u) << r.fault << ": counted twice";
    }
}

} // namespace
