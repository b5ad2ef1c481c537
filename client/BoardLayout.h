#pragma once
// The arithmetic of the board's layout, apart from any widget: how large the
// board is drawn for its room, how large its text may grow there, and how the
// end-of-turn word lists share the panel's width. The board measures its
// texts and hands the numbers in; these decide where things go.

#include <functional>
#include <vector>

namespace boardlayout
{

// The board's design: the default window's client area, where the scale is 1.
inline constexpr int kDesignWidth = 787;
inline constexpr int kDesignHeight = 522;

// How much larger than the design the board is drawn for a client area of
// this size: the smaller of the two ratios, never below 1 (the design is the
// smallest board).
double scaleFor(int width, int height);

// How much larger than the design's 8 points the chosen text size asks the
// text to be: from three quarters up to twice.
double textFactor(int points);

// The largest factor in [floor, wanted] at which `fits` holds, found in steps
// of 4% down from `wanted`; `floor` when none does.
double largestFitting(double wanted, double floor, const std::function<bool(double)>& fits);

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// The size to scale the window's background picture to while the window is
// being resized to `window`, given the copy scaled for an earlier size
// (`have`, empty when none): that copy, drawn from its top-left corner, while
// it covers the window and is not much larger; else a copy a little larger
// than the window, so that a window growing by a few pixels at a time is not
// scaled for again at every step. Scaling a picture to a large window takes
// longer than a frame, so the exact size waits for the window to settle.
Size pictureSizeWhileResizing(Size have, Size window);
// The same, where copies scaled across at `keptWidths` are kept as well
// (the picture's height costs nothing to change, its width a scaling): a
// kept width that would serve the window is taken before a new one.
Size pictureSizeWhileResizing(Size have, Size window, const std::vector<int>& keptWidths);

struct ColumnPlan {
    int perRow = 0; // columns side by side before the next row of columns
    std::vector<int> parts; // per column: how many columns of words it splits into
    int linesPerPart = 0; // lines in each of those
};

// Each player's words in one column at least `partWidth` wide; a long list
// splits into several side by side while the width allows, so that as many
// lines as possible show within `linesShown`. With more players than fit
// across, the columns wrap into further rows (and the panel scrolls).
ColumnPlan planColumns(const std::vector<int>& lines, double partWidth, double width, int linesShown);

} // namespace boardlayout
