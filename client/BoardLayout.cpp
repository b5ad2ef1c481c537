#include "BoardLayout.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace boardlayout
{

double scaleFor(int width, int height)
{
    const double s = std::min(static_cast<double>(width) / kDesignWidth, static_cast<double>(height) / kDesignHeight);
    return std::max(1.0, s);
}

double textFactor(int points) { return std::clamp(points / 8.0, 0.75, 2.0); }

double largestFitting(double wanted, double floor, const std::function<bool(double)>& fits)
{
    if (wanted <= floor)
        return floor;
    for (double k = wanted; k > floor; k *= 0.96)
        if (fits(k))
            return k;
    return floor;
}

namespace
{
// Up to a quarter larger: what a drag shrinks by before the picture is scaled again.
bool keeps(int had, int wanted) { return had >= wanted && had <= wanted + wanted / 4; }
} // namespace

Size pictureSizeWhileResizing(Size have, Size window)
{
    if (window.width <= 0 || window.height <= 0)
        return {};
    if (keeps(have.width, window.width) && keeps(have.height, window.height))
        return have;
    // A tenth to spare for growing.
    return { window.width + (window.width + 9) / 10, window.height + (window.height + 9) / 10 };
}

Size pictureSizeWhileResizing(Size have, Size window, const std::vector<int>& keptWidths)
{
    const Size want = pictureSizeWhileResizing(have, window);
    if (want == have || want.width == 0)
        return want;
    for (const int width : keptWidths)
        if (keeps(width, window.width))
            return { width, want.height };
    return want;
}

ColumnPlan planColumns(const std::vector<int>& lines, double partWidth, double width, int linesShown)
{
    ColumnPlan plan;
    const int n = static_cast<int>(lines.size());
    const int across = std::max(1, static_cast<int>(std::floor(width / std::max(1.0, partWidth))));
    plan.parts.assign(lines.size(), 1);
    linesShown = std::max(1, linesShown);
    const int longest = lines.empty() ? 0 : *std::max_element(lines.begin(), lines.end());
    if (n == 0) {
        plan.perRow = 1;
        plan.linesPerPart = 0;
        return plan;
    }
    if (n >= across) {
        plan.perRow = across;
        plan.linesPerPart = longest;
        return plan;
    }
    plan.perRow = n;
    // The fewest lines per part whose parts all fit across; never more parts than a list has lines.
    const auto partsFor = [&](int perPart, std::vector<int>& parts) {
        int total = 0;
        for (int i = 0; i < n; ++i) {
            parts[static_cast<std::size_t>(i)] = std::max(1, (lines[static_cast<std::size_t>(i)] + perPart - 1) / perPart);
            total += parts[static_cast<std::size_t>(i)];
        }
        return total;
    };
    std::vector<int> parts(lines.size(), 1);
    int perPart = std::min(linesShown, std::max(1, longest));
    while (partsFor(perPart, parts) > across)
        ++perPart;
    plan.parts = parts;
    plan.linesPerPart = std::max(1, perPart);
    // Parts hold as many lines as the longest part needs, not more.
    int needed = 1;
    for (int i = 0; i < n; ++i)
        needed = std::max(needed,
            (lines[static_cast<std::size_t>(i)] + parts[static_cast<std::size_t>(i)] - 1)
                / parts[static_cast<std::size_t>(i)]);
    plan.linesPerPart = needed;
    return plan;
}

} // namespace boardlayout
