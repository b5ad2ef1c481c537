#pragma once
// The window's backdrop: the background picture and, over it, every face set
// on the board's panels and boxes (Faces.h), painted by the one widget that
// fills the window beneath them, in the order Qt paints the widgets.
//
// At 3840 x 2160 this is most of a frame's pixels, and painting them is bound
// by the memory's speed, not the processor's: copying the picture and then
// blending each panel over it reads and writes a panel's pixels twice. Here
// the panels' plain parts are blended while the picture is copied, each
// pixel read and written once, and the work is shared with a second thread at
// one go. What is rounded or too small (corners, small panels) is painted the
// usual way afterwards.

#include "chat/Faces.h"

#include <QImage>
#include <QRegion>

#include <vector>

class QPainter;
class QWidget;

namespace faces
{

// A face to paint on the backdrop, in the backdrop's coordinates, cut to
// what its widget may paint (its ancestors' rectangles).
struct Placed {
    QRect rect;
    QRect clip;
    Look look;
};

// The faces of `backdrop`'s shown descendants, in the order Qt paints them: a
// parent before its children, and children from the bottom of the stack up.
std::vector<Placed> facesOn(const QWidget* backdrop);

// Writes `pieces` (backdrop coordinates) of the backdrop into `bits` (pixels
// in Format_RGB32 or Format_ARGB32_Premultiplied, `stride` bytes a row, the
// backdrop's origin at `offset`, `size` device pixels in all): `picture`
// (Format_RGB32, covering the pieces; `plain` where it is null) with the
// faces' plain parts blended in. Returns what is left to paint the usual way
// (paintFaces). With `share`, a second thread takes half of the rows.
QRegion composeBackdrop(uchar* bits, qsizetype stride, QSize size, QPoint offset, const QRegion& pieces,
    const QImage& picture, const QColor& plain, const std::vector<Placed>& faces, bool share);

// The usual way: `picture` (or `plain`) over `area`, then every face, with `p`.
void paintFaces(QPainter& p, const QRegion& area, const QImage& picture, const QColor& plain,
    const std::vector<Placed>& faces);

// For the backdrop's paint event: the picture and the faces over `exposed`.
void paintBackdrop(QPainter& p, QWidget* backdrop, const QRegion& exposed, const QImage& picture, const QColor& plain);

} // namespace faces
