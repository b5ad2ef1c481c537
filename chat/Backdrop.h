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

#include <cstdint>
#include <vector>

class QPainter;
class QWidget;

namespace faces
{

// The background picture at a window's size, as QImage::scaled with
// Qt::SmoothTransformation gives it (a level or two apart at most), made
// partly as it is painted. Grown taller than its source, it is scaled across
// once and each row is blended from its two nearest at paint: a 4K window
// then reads a picture a quarter of its size instead of one as large as
// itself, which is what the memory's speed, not the processor's, made slow.
class ScaledPicture
{
public:
    ScaledPicture() = default;
    // `picture` as it is, row for row.
    explicit ScaledPicture(const QImage& picture);
    // `source` scaled to `size`.
    ScaledPicture(const QImage& source, QSize size);

    // To a new size; the scaling across is kept while the width stays, and
    // the last few widths' are kept apart: a window maximised and restored
    // goes back to a width it had.
    void scaleTo(QSize size);
    // The widths scaled across and kept, besides this one's: any of them
    // serves a later scaleTo at that width without scaling.
    std::vector<int> keptWidths() const;

    bool isNull() const { return m_across.isNull(); }
    QSize size() const { return { m_across.width(), m_height }; }
    QRect rect() const { return { QPoint(0, 0), size() }; }
    QImage::Format format() const { return m_across.format(); }

    // Where row `y` comes from: `upper`, or `upper` and `lower` blended, the
    // lower taking `weight` of 256.
    struct Rows {
        const std::uint32_t* upper = nullptr;
        const std::uint32_t* lower = nullptr;
        std::uint32_t weight = 0;
    };
    Rows rows(int y) const;

    // Row `y`'s pixels from `left` to `right`: the picture's own, or blended
    // into `scratch` (as long as the picture is wide) at the same places.
    const std::uint32_t* row(int y, int left, int right, std::uint32_t* scratch) const;

    // The whole picture as one image, for a painter: made on the first asking at each size.
    const QImage& image() const;

private:
    QImage m_source;
    QImage m_across; // the source scaled to the width; the picture's rows where m_upper is empty
    std::vector<QImage> m_kept; // earlier widths' scaling across, the latest first
    int m_height = 0;
    std::vector<int> m_upper; // each row's nearest row of m_across above it
    std::vector<std::uint8_t> m_weight; // and how much of the one below it takes, out of 256
    mutable QImage m_image;
    void keepAcross();
};

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

// What composeBackdrop leaves to paint the usual way (paintFaces), and the
// part of it where the picture has been written already, for only the faces.
struct Composed {
    QRegion rest;
    QRegion pictureBeneath;
};

// Writes `pieces` (backdrop coordinates) of the backdrop into `bits` (pixels
// in Format_RGB32 or Format_ARGB32_Premultiplied, `stride` bytes a row, the
// backdrop's origin at `offset`, `size` device pixels in all): `picture`
// (Format_RGB32; `plain` where it is null) with the faces' plain parts
// blended in. With `share`, the rows are shared with a second thread.
Composed composeBackdrop(uchar* bits, qsizetype stride, QSize size, QPoint offset, const QRegion& pieces,
    const ScaledPicture& picture, const QColor& plain, const std::vector<Placed>& faces, bool share);

// The usual way: `picture` (`plain` where it is null or does not reach) over
// `area` unless `pictureBeneath`, then every face, with `p`.
void paintFaces(QPainter& p, const QRegion& area, const ScaledPicture& picture, const QColor& plain,
    const std::vector<Placed>& faces, bool pictureBeneath = false);

// For the backdrop's paint event: the picture and the faces over `exposed`.
void paintBackdrop(
    QPainter& p, QWidget* backdrop, const QRegion& exposed, const ScaledPicture& picture, const QColor& plain);

} // namespace faces
