#pragma once
// A string grid as text: CR LF lines, the column count, the row count, then
// every cell column by column (all rows of column 0, then of column 1, ...).

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace windows
{

struct Grid {
    std::size_t columns = 0;
    // rows[r][c]; every row holds `columns` cells.
    std::vector<std::vector<std::string>> rows;
};

class GridTextError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A line break inside a cell would shift every later cell, so CR and LF are
// left out of what is written.
std::string writeGridText(const Grid& grid);

// Throws GridTextError unless the text holds both counts and exactly that many
// cells. Accepts a bare LF as a line end too.
Grid readGridText(std::string_view text, std::size_t maxCells = 1'000'000);

} // namespace windows
