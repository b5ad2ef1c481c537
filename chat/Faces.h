#pragma once
// Faces of the board's panels, boxes and controls, painted so that a large
// window stays quick to draw. Shared by the board and the chat widgets.
//
// Qt's raster engine hands any fill taller than about a hundred rows to its
// global thread pool and then waits for the pool to finish. On two cores the
// hand-off (waking a sleeping thread, and being woken again) costs more than
// the fill itself, and a board at 3840 x 2160 made some three hundred of them
// a frame. Everything here fills in short bands, which Qt does at once on the
// painting thread, and keeps anti-aliased drawing to the small corners.

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include <QColor>
#include <QRect>
#include <QImage>
#include <QRegion>
#include <QProxyStyle>

class QPainter;
class QBrush;

namespace faces
{

// Device rows per band: Qt shares out a fill of 96 spans (rows) or more.
inline constexpr int kBandRows = 64;
// Where anti-aliased edges and outlines are drawn too: each gives a few
// spans a row (one a pixel of partial cover), so fewer rows keep under 96.
inline constexpr int kOutlineBandRows = 20;

// Draws `draw` once for each band of `r`'s rows (painter coordinates), each
// clipped to its band: fills and outlines alike are then drawn at once, on
// the painting thread.
void drawInBands(QPainter& p, const QRect& r, const std::function<void()>& draw);

// Fills `r` with `brush` in bands (translucent colours blend as one fill would).
void fill(QPainter& p, const QRect& r, const QBrush& brush);

// Draws `picture` scaled to `target`, in bands.
void drawScaled(QPainter& p, const QRect& target, const QPixmap& picture);

// A rounded panel: `fill` inside, a `width`-pixel border in `border` (none
// when `width` is 0), corners of `radius`; the border may be dashed.
struct Look {
    QColor fill = QColor(255, 255, 255, 150);
    QColor border = QColor(40, 60, 90, 120);
    int width = 1; // 0, 1 or 2 pixels
    qreal radius = 6;
    bool dashed = false;
    bool operator==(const Look&) const = default;
};

// A panel taken apart: rectangles of one colour each, to be blended in
// order, and the four corner squares that hold everything rounded. A panel
// too small to take apart is `whole`.
struct FillPiece {
    QRect rect;
    QColor colour;
};
struct PanelPieces {
    std::vector<FillPiece> fills;
    std::array<QRect, 4> corners;
    bool whole = false;
};
PanelPieces panelPieces(const QRect& r, const Look& look);
// The corners of a panel taken apart, inside `exposed`.
void drawCorners(QPainter& p, const QRect& r, const Look& look, const PanelPieces& pieces, const QRect& exposed);

// Paints `look` over `r`, as QPainter::drawRoundedRect would with an
// anti-aliased pen of the border's width on the rectangle inset by half of it.
// Only the part inside `exposed` is touched.
void drawPanel(QPainter& p, const QRect& r, const Look& look, const QRect& exposed);

// Paints `look` behind `widget`'s own painting, over its whole rectangle, at
// every paint of the widget; called again, it changes the look. For widgets
// whose style sheet would otherwise draw their background and border.
void setFace(QWidget* widget, const Look& look);

// Makes `backdrop` paint the faces set on its descendants (Backdrop.h)
// beneath them, so that their widgets paint only what lies on them.
void setBackdrop(QWidget* backdrop);
// The face set on `widget`, if any.
std::optional<Look> faceOf(const QWidget* widget);
// The painter's system clip in its own coordinates; empty where it has none
// or it cannot be mapped exactly.
QRegion systemClipOf(QPainter& p);

// The application's style, drawing its tall panels and buttons in bands (each
// band clipped, so every pixel is drawn once, as it would be). A scroll bar
// sets clips of its own (its groove's), which would undo a band's: a tall one
// is drawn a band at a time into a small picture of its own instead. Other
// complex controls are drawn as the style draws them.
class BandedStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    // Puts the present application style inside one, once.
    static void install();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
};

} // namespace faces
