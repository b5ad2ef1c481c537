#include "GridText.h"

#include <algorithm>
#include <charconv>

namespace windows
{

namespace
{

void appendLine(std::string& out, std::string_view cell)
{
    for (char c : cell) {
        if (c != '\r' && c != '\n')
            out.push_back(c);
    }
    out += "\r\n";
}

class LineReader
{
public:
    explicit LineReader(std::string_view text)
        : m_text(text)
    {
    }

    std::string_view next()
    {
        if (m_at >= m_text.size())
            throw GridTextError("Grid text: ends early");
        const std::size_t end = m_text.find('\n', m_at);
        std::string_view line
            = m_text.substr(m_at, end == std::string_view::npos ? std::string_view::npos : end - m_at);
        m_at = end == std::string_view::npos ? m_text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }

    bool atEnd() const { return m_at >= m_text.size(); }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

std::size_t readCount(LineReader& lines, const char* what)
{
    const std::string_view line = lines.next();
    std::size_t value = 0;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (line.empty() || ec != std::errc {} || end != line.data() + line.size())
        throw GridTextError(std::string("Grid text: bad ") + what);
    return value;
}

} // namespace

std::string writeGridText(const Grid& grid)
{
    std::string out;
    appendLine(out, std::to_string(grid.columns));
    appendLine(out, std::to_string(grid.rows.size()));
    for (std::size_t c = 0; c < grid.columns; ++c) {
        for (const auto& row : grid.rows)
            appendLine(out, c < row.size() ? std::string_view(row[c]) : std::string_view());
    }
    return out;
}

Grid readGridText(std::string_view text, std::size_t maxCells)
{
    LineReader lines(text);
    Grid grid;
    grid.columns = readCount(lines, "column count");
    const std::size_t rowCount = readCount(lines, "row count");
    // Checked before anything is allocated: the counts come from the file.
    const std::size_t cells = grid.columns == 0 ? rowCount : grid.columns * rowCount;
    // Each count on its own too: a row of a million columns is no grid either,
    // even with no rows.
    if (grid.columns > maxCells || rowCount > maxCells || (grid.columns != 0 && rowCount > maxCells / grid.columns)
        || cells > maxCells)
        throw GridTextError("Grid text: too many cells");
    // Nor is more allocated than the text can fill.
    if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1 < cells + 2)
        throw GridTextError("Grid text: ends early");
    grid.rows.assign(rowCount, std::vector<std::string>(grid.columns));
    for (std::size_t c = 0; c < grid.columns; ++c) {
        for (std::size_t r = 0; r < rowCount; ++r)
            grid.rows[r][c] = std::string(lines.next());
    }
    // Only the last line's own end may follow; more lines mean the counts lie.
    while (!lines.atEnd()) {
        if (!lines.next().empty())
            throw GridTextError("Grid text: more lines than cells");
    }
    return grid;
}

} // namespace windows
