#include "TallyRecord.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace windows
{

namespace
{

void bump(std::int64_t& value)
{
    if (value < std::numeric_limits<std::int64_t>::max())
        ++value;
}

std::int64_t parseCount(const std::string& text)
{
    // An empty cell is a zero (older files leave cells of new rows empty).
    if (text.empty())
        return 0;
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc {} || end != text.data() + text.size())
        throw GridTextError("Tally: not a number: " + text);
    return value;
}

} // namespace

std::int64_t TallyRecord::mine(int column) const { return column >= 1 && column <= 4 ? m_mine[column - 1] : 0; }

std::string TallyRecord::cell(std::size_t row, std::size_t column) const
{
    if (column >= kColumns || row >= rowCount())
        return {};
    if (row == 0)
        return column >= 1 && column <= 4 ? std::to_string(m_mine[column - 1]) : "0";
    const TallyRow& r = m_rows[row - 1];
    return column == 0 ? r.name : std::to_string(r.counts[column - 1]);
}

int TallyRecord::rowOf(std::string_view name) const
{
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].name == name)
            return static_cast<int>(i + 1);
    }
    return -1;
}

std::string TallyRecord::cleanName(std::string_view name)
{
    std::string out;
    for (char c : name) {
        if (c != '\r' && c != '\n')
            out.push_back(c);
    }
    return out;
}

int TallyRecord::addOpponent(std::string_view name)
{
    std::string clean = cleanName(name);
    if (clean.empty() || rowOf(clean) >= 0)
        return -1;
    m_rows.push_back(TallyRow { std::move(clean), {} });
    return static_cast<int>(m_rows.size());
}

void TallyRecord::moverow(std::size_t row)
{
    if (row >= 1 && row <= m_rows.size())
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row - 1));
}

void TallyRecord::addgame(std::string_view winner, const std::vector<std::string>& inGame)
{
    const bool mineWon = winner == kAddToMine;
    bump(m_mine[kTotalGames - 1]);
    if (mineWon)
        bump(m_mine[kTotalWins - 1]);

    std::vector<int> counted;
    for (const std::string& name : inGame) {
        const int row = rowOf(name);
        // A name seen twice in one game still played only one game.
        if (row < 0 || std::find(counted.begin(), counted.end(), row) != counted.end())
            continue;
        counted.push_back(row);
        TallyRow& r = m_rows[row - 1];
        int column = kNeitherWon;
        if (r.name == winner)
            column = kHisWins;
        else if (mineWon)
            column = kMyWins;
        for (int c : { kGames, column }) {
            bump(r.counts[c - 1]);
            bump(r.counts[c + kSessionOffset - 1]);
        }
    }
}

bool TallyRecord::addscore(int column, std::int64_t value)
{
    if (column != kHighestGame && column != kHighestTurn)
        return false;
    m_mine[column - 1] = value;
    return true;
}

void TallyRecord::reset()
{
    m_mine = {};
    m_rows.clear();
}

Grid TallyRecord::toGrid() const
{
    Grid grid;
    grid.columns = kColumns;
    grid.rows.reserve(rowCount());
    for (std::size_t r = 0; r < rowCount(); ++r) {
        std::vector<std::string> row;
        row.reserve(kColumns);
        for (std::size_t c = 0; c < kColumns; ++c)
            row.push_back(cell(r, c));
        grid.rows.push_back(std::move(row));
    }
    return grid;
}

TallyRecord TallyRecord::fromGrid(const Grid& grid)
{
    if (grid.columns != kColumns)
        throw GridTextError("Tally: the grid has " + std::to_string(grid.columns) + " columns");
    if (grid.rows.empty())
        throw GridTextError("Tally: the grid has no rows");
    TallyRecord record;
    for (int c = 1; c <= 4; ++c)
        record.m_mine[c - 1] = parseCount(grid.rows[0][c]);
    for (std::size_t r = 1; r < grid.rows.size(); ++r) {
        // A lone CR may stand inside a line of the file; names never hold one.
        TallyRow row { cleanName(grid.rows[r][0]), {} };
        // Counters since the program started begin at 0; only the totals are kept.
        for (int c = 1; c <= 4; ++c)
            row.counts[c - 1] = parseCount(grid.rows[r][c]);
        record.m_rows.push_back(std::move(row));
    }
    return record;
}

} // namespace windows
