#pragma once
// The player's long-running record: his own totals (row 0) and, per tallied
// opponent, games together and who won them, in all and since the program
// started. Laid out as the nine-column grid the tally file holds.

#include "GridText.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace windows
{

// The winner given to addgame when the local player won.
inline constexpr std::string_view kAddToMine = "addtomine";

// Columns of the grid. Row 0 uses 1 to 4 as its own totals; opponent rows use
// 1 to 4 in all and 5 to 8 since the program started.
inline constexpr int kGames = 1;
inline constexpr int kHisWins = 2;
inline constexpr int kMyWins = 3;
inline constexpr int kNeitherWon = 4;
inline constexpr int kSessionOffset = 4;
inline constexpr int kTotalGames = 1;
inline constexpr int kTotalWins = 2;
inline constexpr int kHighestGame = 3;
inline constexpr int kHighestTurn = 4;

struct TallyRow {
    std::string name;
    // counts[c - 1] is grid column c.
    std::array<std::int64_t, 8> counts {};
};

class TallyRecord
{
public:
    static constexpr std::size_t kColumns = 9;

    // Row 0, columns 1 to 4; anything else reads 0.
    std::int64_t mine(int column) const;
    // Grid rows 1 and up, in order.
    const std::vector<TallyRow>& opponents() const { return m_rows; }
    std::size_t rowCount() const { return m_rows.size() + 1; }
    // The grid's text for one cell ("" outside the grid).
    std::string cell(std::size_t row, std::size_t column) const;
    // Grid row of a tallied name, -1 when not tallied.
    int rowOf(std::string_view name) const;

    // Appends a row of zeros for the name (line breaks removed); returns its grid
    // row, or -1 when nothing is left of the name or it is tallied already.
    int addOpponent(std::string_view name);
    // Removes grid row `row` (1 and up); later rows move up by one.
    void moverow(std::size_t row);

    // One finished game: `winner` is a name or kAddToMine. Only names in `inGame`
    // that are tallied are counted, each once.
    void addgame(std::string_view winner, const std::vector<std::string>& inGame);
    // Row 0's highest game (kHighestGame) or turn (kHighestTurn) score; false for other columns.
    bool addscore(int column, std::int64_t value);
    // Row 0 to zeros and no opponents.
    void reset();

    Grid toGrid() const;
    // The record a grid holds, with every since-start counter at 0. Throws
    // GridTextError when the grid is not a tally.
    static TallyRecord fromGrid(const Grid& grid);

    static std::string cleanName(std::string_view name);

private:
    std::array<std::int64_t, 4> m_mine {};
    std::vector<TallyRow> m_rows;
};

} // namespace windows
