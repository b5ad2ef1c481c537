#include "PhraseRows.h"

namespace chat
{

namespace
{

// Items in order, a new row whenever the next would not fit.
std::vector<int> flowRows(const std::vector<double>& widths, double width, double gap)
{
    std::vector<int> row(widths.size(), 0);
    int r = 0;
    double used = 0;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (used > 0 && used + gap + widths[i] > width) {
            ++r;
            used = 0;
        }
        used += (used > 0 ? gap : 0) + widths[i];
        row[i] = r;
    }
    return row;
}

} // namespace

PhrasePlan planPhrases(
    const std::vector<PhraseWidths>& buttons, double last, double width, double gap, double lineHeight, double padding)
{
    // The sound button flows with the others, at the end.
    std::vector<double> one;
    std::vector<double> two;
    for (const PhraseWidths& b : buttons) {
        one.push_back(b.oneLine);
        two.push_back(std::min(b.oneLine, b.twoLines));
    }
    one.push_back(last);
    two.push_back(last);
    const std::vector<int> rowsOne = flowRows(one, width, gap);
    const std::vector<int> rowsTwo = flowRows(two, width, gap);
    const auto height = [&](int rows, int lines) { return rows * (lines * lineHeight + padding) + (rows - 1) * gap; };

    PhrasePlan plan;
    plan.twoLines = height(rowsTwo.back() + 1, 2) < height(rowsOne.back() + 1, 1);
    const std::vector<double>& widths = plan.twoLines ? two : one;
    const std::vector<int>& rows = plan.twoLines ? rowsTwo : rowsOne;
    plan.rows = rows.back() + 1;
    plan.lastRow = rows.back();
    plan.row.assign(rows.begin(), rows.end() - 1);
    plan.width.assign(widths.begin(), widths.end() - 1);
    // Each row is filled: its spare width is shared among its phrase buttons.
    for (int r = 0; r < plan.rows; ++r) {
        double used = 0;
        int count = 0;
        for (std::size_t i = 0; i < widths.size(); ++i)
            if (rows[i] == r) {
                used += (used > 0 ? gap : 0) + widths[i];
                if (i + 1 < widths.size())
                    ++count;
            }
        if (count == 0 || used >= width)
            continue;
        const double extra = (width - used) / count;
        for (std::size_t i = 0; i < plan.width.size(); ++i)
            if (plan.row[i] == r)
                plan.width[i] += extra;
    }
    return plan;
}

} // namespace chat
