#pragma once
// How the phrase buttons share the room under the chat: in order, each with
// its whole caption, in as few and as low rows as they can.

#include <vector>

namespace chat
{

// One phrase button's caption on one line, and at its best break on two.
struct PhraseWidths {
    double oneLine = 0;
    double twoLines = 0;
};

struct PhrasePlan {
    bool twoLines = false; // captions broken at their best space
    int rows = 1;
    int lastRow = 0; // the sound button's row, at its end
    std::vector<int> row; // per button
    std::vector<double> width; // per button, stretched to fill its row
};

// Buttons keep their order and show their whole caption, flowing into as many
// rows as they need: captions on one line, or broken on two where that makes
// the bar lower (a row is `lines` * `lineHeight` + `padding` high). `last`
// (the sound button, of fixed width) ends the last row.
PhrasePlan planPhrases(const std::vector<PhraseWidths>& buttons, double last, double width, double gap,
    double lineHeight, double padding);

} // namespace chat
