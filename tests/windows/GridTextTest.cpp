// The grid text inside the tally file: exact layout, and counts that lie.

#include "windows/GridText.h"

#include <gtest/gtest.h>

using windows::Grid;
using windows::GridTextError;
using windows::readGridText;
using windows::writeGridText;

TEST(GridText, WritesCountsThenCellsColumnByColumn)
{
    const Grid grid { 3, { { "0", "1", "2" }, { "Bob", "4", "" } } };
    const std::string text = writeGridText(grid);
    EXPECT_EQ(text, "3\r\n2\r\n0\r\nBob\r\n1\r\n4\r\n2\r\n\r\n");
    const Grid back = readGridText(text);
    EXPECT_EQ(back.columns, 3u);
    EXPECT_EQ(back.rows, grid.rows);
}

TEST(GridText, ALineBreakInACellCannotShiftTheCellsAfterIt)
{
    const Grid grid { 2, { { "0", "5" }, { "Mal\r\nlory", "7" } } };
    const Grid back = readGridText(writeGridText(grid));
    EXPECT_EQ(back.rows[1][0], "Mallory");
    EXPECT_EQ(back.rows[1][1], "7");
}

TEST(GridText, ReadsWhatOtherWritersProduce)
{
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        { "BareLineFeeds", "2\n1\nAnn\n3\n" },
        { "NoLineEndAtTheEnd", "2\r\n1\r\nAnn\r\n3" },
        { "EmptyLinesAfterTheCells", "2\r\n1\r\nAnn\r\n3\r\n\r\n\r\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Grid grid = readGridText(c.text);
        ASSERT_EQ(grid.rows.size(), 1u);
        EXPECT_EQ(grid.rows[0], (std::vector<std::string> { "Ann", "3" }));
    }
}

TEST(GridText, RejectsTextWhoseCountsLie)
{
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        { "Empty", "" },
        { "NoRowCount", "9\r\n" },
        { "CountNotANumber", "nine\r\n1\r\n" },
        { "NegativeCount", "-1\r\n1\r\n" },
        { "CountWithTrailingSpace", "1 \r\n1\r\nx\r\n" },
        { "FewerCellsThanCounted", "2\r\n2\r\na\r\nb\r\nc\r\n" },
        { "MoreCellsThanCounted", "1\r\n1\r\na\r\nb\r\n" },
        { "HugeCountsInATinyText", "100000\r\n100000\r\n" },
        { "HugeColumnCountWithNoRows", "1736894071\r\n0\r\n" },
        { "CountBeyondSizeT", "99999999999999999999999\r\n1\r\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(readGridText(c.text), GridTextError);
    }
}
