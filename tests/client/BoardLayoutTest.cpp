// The board's layout arithmetic: how large it is drawn for a window, how far
// its text may grow, and how the end-of-turn lists share the panel.

#include "client/BoardLayout.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace
{

using boardlayout::planColumns;

TEST(BoardLayout, ScaleFollowsTheTighterSideAndNeverShrinksTheDesign)
{
    struct Row {
        const char* fault;
        int width, height;
        double scale;
    };
    const Row rows[] = {
        { "the default window is drawn at its design size", 787, 522, 1.0 },
        { "a window smaller than the design is not drawn smaller", 600, 400, 1.0 },
        { "a wide window scales by its height, or the board would spill below", 3840, 1044, 2.0 },
        { "a tall window scales by its width, or the board would spill sideways", 1574, 2160, 2.0 },
    };
    for (const Row& r : rows)
        EXPECT_DOUBLE_EQ(boardlayout::scaleFor(r.width, r.height), r.scale) << r.fault;
}

TEST(BoardLayout, TextGrowsAsFarAsItFits)
{
    struct Row {
        const char* fault;
        double wanted, floor, limit; // fits while k <= limit
        double lowest, highest;
    };
    const Row rows[] = {
        { "text that fits keeps the size asked for", 1.75, 0.6, 3.0, 1.75, 1.75 },
        { "text too large for its room shrinks only as far as needed", 1.75, 0.6, 1.2, 1.1, 1.2 },
        { "text that never fits stops at the floor rather than vanishing", 1.75, 0.6, 0.1, 0.6, 0.6 },
        { "a size asked below the floor is kept", 0.5, 0.6, 3.0, 0.6, 0.6 },
    };
    for (const Row& r : rows) {
        const double k = boardlayout::largestFitting(r.wanted, r.floor, [&](double v) { return v <= r.limit; });
        EXPECT_GE(k, r.lowest) << r.fault;
        EXPECT_LE(k, r.highest) << r.fault;
    }
}

TEST(BoardLayout, WordListsShareThePanel)
{
    struct Row {
        const char* fault;
        std::vector<int> lines;
        double part, width;
        int shown;
        int perRow;
        std::vector<int> parts;
        int linesPerPart;
    };
    const Row rows[] = {
        { "short lists stand side by side, one column each", { 4, 6, 2 }, 100, 600, 20, 3, { 1, 1, 1 }, 6 },
        { "a long list runs on in a second column instead of hiding lines", { 30, 5 }, 100, 400, 20, 2, { 2, 1 }, 15 },
        { "spare width goes to the longest list first", { 40, 10, 10 }, 100, 600, 16, 3, { 3, 1, 1 }, 14 },
        { "with no width to spare the columns grow down, never across", { 40, 10 }, 100, 200, 16, 2, { 1, 1 }, 40 },
        { "more players than fit across wrap to a second row of columns", { 5, 5, 5, 5, 5 }, 100, 300, 16, 3,
            { 1, 1, 1, 1, 1 }, 5 },
        { "a part never holds more lines than needed", { 9 }, 100, 1000, 16, 1, { 1 }, 9 },
    };
    for (const Row& r : rows) {
        const auto plan = planColumns(r.lines, r.part, r.width, r.shown);
        EXPECT_EQ(plan.perRow, r.perRow) << r.fault;
        EXPECT_EQ(plan.parts, r.parts) << r.fault;
        EXPECT_EQ(plan.linesPerPart, r.linesPerPart) << r.fault;
        // Never wider than the panel, and every line has a place.
        const int across = std::accumulate(plan.parts.begin(), plan.parts.begin() + plan.perRow, 0);
        EXPECT_LE(across * r.part, r.width) << r.fault;
        for (std::size_t i = 0; i < r.lines.size(); ++i)
            EXPECT_GE(plan.parts[i] * plan.linesPerPart, r.lines[i]) << r.fault;
    }
}

} // namespace

TEST(BoardLayout, ResizingKeepsThePictureWhileItCoversTheWindow)
{
    using boardlayout::pictureSizeWhileResizing;
    using boardlayout::Size;
    // The first picture, and one after growing past the copy: a tenth to spare.
    EXPECT_EQ(pictureSizeWhileResizing({}, { 3840, 2160 }), (Size { 4224, 2376 }));
    EXPECT_EQ(pictureSizeWhileResizing({ 3840, 2160 }, { 3841, 2160 }), (Size { 4226, 2376 }));
    EXPECT_EQ(pictureSizeWhileResizing({ 3840, 2160 }, { 3840, 2161 }), (Size { 4224, 2378 }));
    // Shrinking a little, or back to the copy's own size: the copy stays.
    EXPECT_EQ(pictureSizeWhileResizing({ 4224, 2376 }, { 3840, 2160 }), (Size { 4224, 2376 }));
    EXPECT_EQ(pictureSizeWhileResizing({ 4224, 2376 }, { 3816, 2144 }), (Size { 4224, 2376 }));
    EXPECT_EQ(pictureSizeWhileResizing({ 800, 600 }, { 800, 600 }), (Size { 800, 600 }));
    // Much smaller in either direction: a copy that large would waste memory and show little of the picture.
    EXPECT_EQ(pictureSizeWhileResizing({ 4224, 2376 }, { 1000, 2160 }), (Size { 1100, 2376 }));
    EXPECT_EQ(pictureSizeWhileResizing({ 4224, 2376 }, { 3840, 1000 }), (Size { 4224, 1100 }));
    // No window to cover.
    EXPECT_EQ(pictureSizeWhileResizing({ 800, 600 }, { 0, 600 }), (Size {}));
    // Restored and maximised again: a width scaled for before serves, with a
    // new height to spare; the copy in hand still comes first, and a kept
    // width serves only as the copy would.
    EXPECT_EQ(pictureSizeWhileResizing({ 791, 564 }, { 3840, 2160 }, { 870, 3840 }), (Size { 3840, 2376 }));
    EXPECT_EQ(pictureSizeWhileResizing({ 4224, 2376 }, { 3840, 2160 }, { 3840 }), (Size { 4224, 2376 }));
    EXPECT_EQ(pictureSizeWhileResizing({ 791, 564 }, { 3840, 2160 }, { 4801, 3839 }), (Size { 4224, 2376 }));
    EXPECT_EQ(pictureSizeWhileResizing({ 791, 564 }, { 3840, 2160 }, {}), (Size { 4224, 2376 }));
    EXPECT_EQ(pictureSizeWhileResizing({ 791, 564 }, { 0, 2160 }, { 3840 }), (Size {}));
}
