#include "Backdrop.h"

#include <QPaintEngine>
#include <QPainter>
#include <QThreadPool>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <cstdint>
#include <memory>
#include <mutex>

namespace faces
{

namespace
{

void collect(const QWidget* widget, QPoint at, const QRect& clip, std::vector<Placed>& faces)
{
    for (const QObject* o : widget->children()) {
        const auto* child = qobject_cast<const QWidget*>(o);
        if (!child || child->isWindow() || child->isHidden())
            continue;
        const QRect r(at + child->pos(), child->size());
        const QRect inside = r & clip;
        if (inside.isEmpty())
            continue;
        if (const std::optional<Look> look = faceOf(child))
            faces.push_back({ r, inside, *look });
        collect(child, r.topLeft(), inside, faces);
    }
}

// One colour blended over a stretch of a row, or several in turn, as one:
// out = (in * keep + add) / 256 for each of red, green and blue, where keep
// is at most 256 and add at most 255 * (256 - keep) + 128: every sum fits in
// 16 bits, so red and blue go through together in one 32-bit word.
struct Blend {
    std::uint32_t keep = 256;
    std::uint32_t addRedBlue = 0; // red's in the upper half
    std::uint32_t addGreen = 0;
    bool none = true;
    bool operator==(const Blend&) const = default;
};

// A stretch of a row with the same blend all along it.
struct Stretch {
    int left;
    int right; // last pixel
    Blend blend;
};

// Rows from `top` up to `bottom` that the same faces' plain parts cross.
struct Band {
    int top;
    int bottom;
    std::vector<Stretch> stretches; // left to right, touching, over all of the band's room
};

Blend blendOf(const std::vector<const FillPiece*>& over)
{
    Blend b;
    if (over.empty())
        return b;
    double keep = 1;
    double add[3] = { 0, 0, 0 };
    for (const FillPiece* f : over) {
        const double a = f->colour.alphaF();
        const double c[3] = { f->colour.redF(), f->colour.greenF(), f->colour.blueF() };
        keep *= 1 - a;
        for (int i = 0; i < 3; ++i)
            add[i] = add[i] * (1 - a) + c[i] * 255 * a;
    }
    b.none = false;
    b.keep = static_cast<std::uint32_t>(std::lround(keep * 256));
    const auto fixed = [&](double v) {
        // Rounded to the nearest level, and never past what the keep leaves room for.
        const long most = 255L * (256 - static_cast<long>(b.keep)) + 128;
        return static_cast<std::uint32_t>(std::clamp(std::lround(v * 256) + 128, 0L, most));
    };
    b.addRedBlue = (fixed(add[0]) << 16) | fixed(add[2]);
    b.addGreen = fixed(add[1]);
    return b;
}

std::vector<Band> bandsFor(const std::vector<FillPiece>& fills, const QRect& room)
{
    std::vector<int> ys { room.top(), room.bottom() + 1 };
    for (const FillPiece& f : fills) {
        ys.push_back(std::clamp(f.rect.top(), room.top(), room.bottom() + 1));
        ys.push_back(std::clamp(f.rect.bottom() + 1, room.top(), room.bottom() + 1));
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::vector<Band> bands;
    for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
        Band band { ys[i], ys[i + 1] - 1, {} };
        std::vector<const FillPiece*> active;
        std::vector<int> xs { room.left(), room.right() + 1 };
        for (const FillPiece& f : fills)
            if (f.rect.top() <= band.top && f.rect.bottom() >= band.bottom) {
                active.push_back(&f);
                xs.push_back(std::clamp(f.rect.left(), room.left(), room.right() + 1));
                xs.push_back(std::clamp(f.rect.right() + 1, room.left(), room.right() + 1));
            }
        std::sort(xs.begin(), xs.end());
        xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
        std::vector<const FillPiece*> over;
        for (std::size_t j = 0; j + 1 < xs.size(); ++j) {
            over.clear();
            for (const FillPiece* f : active)
                if (f->rect.left() <= xs[j] && f->rect.right() >= xs[j + 1] - 1)
                    over.push_back(f);
            const Blend b = blendOf(over);
            Stretch* last = band.stretches.empty() ? nullptr : &band.stretches.back();
            if (last && last->blend == b)
                last->right = xs[j + 1] - 1;
            else
                band.stretches.push_back({ xs[j], xs[j + 1] - 1, b });
        }
        bands.push_back(std::move(band));
    }
    return bands;
}

// `lower` taking `weight` of 256 from `upper`, with Qt's own rounding when it
// scales a picture up (every channel, alpha too, truncated).
[[gnu::always_inline]] inline std::uint32_t lerpPixel(std::uint32_t a, std::uint32_t b, std::uint32_t keep, std::uint32_t weight)
{
    const std::uint32_t redBlue = (((a & 0x00ff00ffu) * keep + (b & 0x00ff00ffu) * weight) >> 8) & 0x00ff00ffu;
    const std::uint32_t alphaGreen = (((a >> 8) & 0x00ff00ffu) * keep + ((b >> 8) & 0x00ff00ffu) * weight) & 0xff00ff00u;
    return alphaGreen | redBlue;
}

[[gnu::always_inline]] inline std::uint32_t blendPixel(std::uint32_t p, const Blend& b)
{
    const std::uint32_t redBlue = (((p & 0x00ff00ffu) * b.keep + b.addRedBlue) >> 8) & 0x00ff00ffu;
    const std::uint32_t green = ((((p >> 8) & 0xffu) * b.keep + b.addGreen)) & 0x0000ff00u;
    return 0xff000000u | redBlue | green;
}

// `lerpPixel` and then `blendPixel` in one step, rounded once: the two rows
// take `upperKeep` and `lowerKeep` of 256, together the blend's keep.
[[gnu::always_inline]] inline std::uint32_t lerpBlendPixel(
    std::uint32_t a, std::uint32_t b, std::uint32_t upperKeep, std::uint32_t lowerKeep, const Blend& blend)
{
    const std::uint32_t redBlue
        = (((a & 0x00ff00ffu) * upperKeep + (b & 0x00ff00ffu) * lowerKeep + blend.addRedBlue) >> 8) & 0x00ff00ffu;
    const std::uint32_t green
        = ((((a >> 8) & 0xffu) * upperKeep + ((b >> 8) & 0xffu) * lowerKeep + blend.addGreen)) & 0x0000ff00u;
    return 0xff000000u | redBlue | green;
}

// Pixels a step of the lanes takes.
constexpr int kLanePixels = 8;

// The lanes are GCC's and Clang's vector types; elsewhere the pixels go one by one.
#if defined(__GNUC__)
#define ZIRKY_PIXEL_LANES 1

// Eight pixels as sixteen 16-bit lanes: blue and red, or green and alpha,
// each channel's products and sums fit a lane (at most 255 * 256 + 128),
// so a step multiplies sixteen lanes at once where 32-bit words gave eight.
using Lanes = std::uint16_t __attribute__((vector_size(32)));
// Lane vectors never cross a call (the helpers are always inlined), so how one would be passed never matters.
#pragma GCC diagnostic ignored "-Wpsabi"

[[gnu::always_inline]] inline Lanes loadLanes(const std::uint32_t* p)
{
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void storeLanes(std::uint32_t* p, const Lanes& v) { std::memcpy(p, &v, sizeof v); }

// `keep` and `weight` the same for every pixel (std::uint16_t) or each its own (Lanes).
template <class Weight>
[[gnu::always_inline]] inline Lanes lerpLanes(const Lanes& a, const Lanes& b, Weight keep, Weight weight)
{
    return static_cast<Lanes>((((a & 0xff) * keep + (b & 0xff) * weight) >> 8) | (((a >> 8) * keep + (b >> 8) * weight) & 0xff00));
}

// The same 32-bit word in every pixel's place: as the lanes read a pixel,
// its lower half is the lane of blue (or green), its upper half red's (or alpha's).
[[gnu::always_inline]] inline Lanes everyPixel(std::uint32_t word)
{
    using Words = std::uint32_t __attribute__((vector_size(32)));
    // Reinterpreted in its register: copied through memory, GCC builds it on
    // the stack a word at a time and stalls the first load of it, which cost
    // more than the pixels of the many short runs.
    return reinterpret_cast<Lanes>(Words {} + word);
}

// A blend's constants, lane by lane.
struct BlendLanes {
    std::uint16_t keep;
    Lanes addLow; // blue, red
    Lanes addHigh; // green, nothing for alpha
    Lanes opaque; // alpha
    explicit BlendLanes(const Blend& b)
        : keep(static_cast<std::uint16_t>(b.keep))
        , addLow(everyPixel(b.addRedBlue))
        , addHigh(everyPixel(b.addGreen))
        , opaque(everyPixel(0xff000000u))
    {
    }
};

[[gnu::always_inline]] inline Lanes blendLanes(const Lanes& p, const BlendLanes& b)
{
    return static_cast<Lanes>((((p & 0xff) * b.keep + b.addLow) >> 8) | (((p >> 8) * b.keep + b.addHigh) & 0xff00) | b.opaque);
}

// lerpBlendPixel, eight at once.
[[gnu::always_inline]] inline Lanes lerpBlendLanes(
    const Lanes& a, const Lanes& b, std::uint16_t upperKeep, std::uint16_t lowerKeep, const BlendLanes& blend)
{
    return static_cast<Lanes>((((a & 0xff) * upperKeep + (b & 0xff) * lowerKeep + blend.addLow) >> 8)
        | (((a >> 8) * upperKeep + (b >> 8) * lowerKeep + blend.addHigh) & 0xff00) | blend.opaque);
}
#endif

// Built for AVX2 too, picked when the processor has it.
//
// A row of the picture, or two blended (`weight` > 0), with `blend` over it
// (none: the picture alone), written to `out` in one pass.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
[[gnu::target_clones("avx2", "default")]]
#endif
void blendRun(const std::uint32_t* __restrict upper, const std::uint32_t* __restrict lower, std::uint32_t weight,
    std::uint32_t* __restrict out, int n, const Blend* blend)
{
    const auto keep = static_cast<std::uint16_t>(256 - weight);
    int i = 0;
#ifdef ZIRKY_PIXEL_LANES
    const auto w = static_cast<std::uint16_t>(weight);
#endif
    if (blend && weight == 0) {
#ifdef ZIRKY_PIXEL_LANES
        const BlendLanes lanes(*blend);
        for (; i + kLanePixels <= n; i += kLanePixels)
            storeLanes(out + i, blendLanes(loadLanes(upper + i), lanes));
#endif
        for (; i < n; ++i)
            out[i] = blendPixel(upper[i], *blend);
    } else if (blend) {
        // The rows' shares of what the blend keeps of the picture: one
        // multiplication a channel fewer than blending the blended rows.
        const std::uint32_t upperKeep = (blend->keep * (256 - weight) + 128) >> 8;
        const std::uint32_t lowerKeep = blend->keep - upperKeep;
#ifdef ZIRKY_PIXEL_LANES
        const BlendLanes lanes(*blend);
        const auto upperLanes = static_cast<std::uint16_t>(upperKeep);
        const auto lowerLanes = static_cast<std::uint16_t>(lowerKeep);
        for (; i + kLanePixels <= n; i += kLanePixels)
            storeLanes(out + i, lerpBlendLanes(loadLanes(upper + i), loadLanes(lower + i), upperLanes, lowerLanes, lanes));
#endif
        for (; i < n; ++i)
            out[i] = lerpBlendPixel(upper[i], lower[i], upperKeep, lowerKeep, *blend);
    } else if (weight == 0) {
        std::copy(upper, upper + n, out);
    } else {
#ifdef ZIRKY_PIXEL_LANES
        for (; i + kLanePixels <= n; i += kLanePixels)
            storeLanes(out + i, lerpLanes(loadLanes(upper + i), loadLanes(lower + i), keep, w));
#endif
        for (; i < n; ++i)
            out[i] = lerpPixel(upper[i], lower[i], keep, weight);
    }
}

// What a blend that keeps nothing of the picture gives.
std::uint32_t opaquePixel(const Blend& b)
{
    return 0xff000000u | ((b.addRedBlue >> 8) & 0x00ff00ffu) | (b.addGreen & 0x0000ff00u);
}

// The rows `rows` of the region `area` (all inside the bands' room).
void composeRows(uchar* bits, qsizetype stride, QPoint offset, const QRegion& area, const std::vector<Band>& bands,
    const ScaledPicture& picture, std::uint32_t plain)
{
    std::vector<std::uint32_t> plainRow;
    for (const QRect& r : area) {
        auto band = std::find_if(bands.begin(), bands.end(), [&](const Band& b) { return b.bottom >= r.top(); });
        for (int y = r.top(); y <= r.bottom(); ++y) {
            while (band != bands.end() && band->bottom < y)
                ++band;
            if (band == bands.end())
                break;
            auto* out = reinterpret_cast<std::uint32_t*>(bits + (y + offset.y()) * stride) + offset.x();
            ScaledPicture::Rows in;
            if (picture.isNull()) {
                if (plainRow.size() < static_cast<std::size_t>(r.right() + 1))
                    plainRow.assign(static_cast<std::size_t>(r.right() + 1), plain);
                in.upper = plainRow.data();
            } else {
                in = picture.rows(y);
            }
            auto s = std::find_if(band->stretches.begin(), band->stretches.end(),
                [&](const Stretch& st) { return st.right >= r.left(); });
            for (int x = r.left(); x <= r.right() && s != band->stretches.end(); ++s) {
                const int to = std::min(r.right(), s->right);
                if (s->blend.keep == 0) // opaque: what lies beneath is not read
                    std::fill(out + x, out + to + 1, opaquePixel(s->blend));
                else
                    blendRun(in.upper + x, in.lower + x, in.weight, out + x, to + 1 - x,
                        s->blend.none ? nullptr : &s->blend);
                x = to + 1;
            }
        }
    }
}

// Below this many pixels a second thread costs more than it saves.
constexpr qint64 kSharedPixels = 400'000;
// Pieces of a shared frame: about 0.2 ms each at 3840 x 2160.
constexpr int kSharedChunks = 24;

// Where each row of a picture `to` rows tall comes from in one `from` rows
// tall (to >= from), as Qt's smooth scaling places them: pixel centres
// mapped in 16.16 fixed point, the first and last rows taken whole.
void placeRows(int from, int to, std::vector<int>& upper, std::vector<std::uint8_t>& weight)
{
    upper.resize(static_cast<std::size_t>(to));
    weight.resize(static_cast<std::size_t>(to));
    qint64 at = 0x8000LL * from / to - 0x8000;
    const qint64 step = (static_cast<qint64>(from) << 16) / to;
    for (int y = 0; y < to; ++y, at += step) {
        const qint64 row = at >> 16;
        upper[static_cast<std::size_t>(y)] = static_cast<int>(std::max<qint64>(0, row));
        weight[static_cast<std::size_t>(y)]
            = row < 0 || row >= from - 1 ? 0 : static_cast<std::uint8_t>((at >> 8) & 0xff);
    }
}

// Output pixels [first, end) of a widened row blend source pixels `left`
// and `right`, each by its own weight.
struct WideRun {
    int left;
    int right;
    int first;
    int end;
};

// Row `in` widened into `out` (room for kLanePixels pixels past the row's
// end): in each run the pair is read once and spread over eight pixels at a
// time, the next taking weights[x] (the weight twice, once a half) of 256;
// a run's last step spills into the next run's pixels, which it then writes.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
[[gnu::target_clones("avx2", "default")]]
#endif
void widenRow(const std::uint32_t* __restrict in, const std::vector<WideRun>& runs,
    const std::uint32_t* __restrict weights, std::uint32_t* __restrict out)
{
    for (const WideRun& run : runs) {
        const std::uint32_t a = in[run.left];
        const std::uint32_t b = in[run.right];
#ifdef ZIRKY_PIXEL_LANES
        const Lanes upper = everyPixel(a);
        const Lanes lower = everyPixel(b);
        for (int x = run.first; x < run.end; x += kLanePixels) {
            const Lanes weight = loadLanes(weights + x);
            const Lanes keep = 256 - weight;
            storeLanes(out + x, lerpLanes(upper, lower, keep, weight));
        }
#else
        for (int x = run.first; x < run.end; ++x)
            out[x] = lerpPixel(a, b, 256 - (weights[x] & 0xffffu), weights[x] & 0xffffu);
#endif
    }
}

// `source` (Format_RGB32) scaled to `width` pixels wide, its height kept, as
// QImage::scaled with Qt::SmoothTransformation places and blends the pixels:
// that pass blends every row with the next as well, with nothing of it,
// which made it the slowest part of a frame in which a widening window
// outgrows its picture.
QImage widen(const QImage& source, int width)
{
    std::vector<int> left;
    std::vector<std::uint8_t> weight;
    placeRows(source.width(), width, left, weight);
    std::vector<std::uint32_t> weights(static_cast<std::size_t>(width + kLanePixels), 0);
    std::vector<WideRun> runs;
    for (int x = 0; x < width; ++x) {
        const auto at = static_cast<std::size_t>(x);
        weights[at] = weight[at] * 0x00010001u;
        if (runs.empty() || runs.back().left != left[at])
            runs.push_back({ left[at], std::min(left[at] + 1, source.width() - 1), x, x + 1 });
        else
            runs.back().end = x + 1;
    }
    QImage wide(width, source.height(), QImage::Format_RGB32);
    if (wide.isNull())
        return wide;
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width + kLanePixels));
    for (int y = 0; y < source.height(); ++y) {
        widenRow(reinterpret_cast<const std::uint32_t*>(source.constScanLine(y)), runs, weights.data(), row.data());
        std::memcpy(wide.scanLine(y), row.data(), static_cast<std::size_t>(width) * sizeof(std::uint32_t));
    }
    return wide;
}

} // namespace

ScaledPicture::ScaledPicture(const QImage& picture)
    : m_source(picture)
    , m_across(picture)
    , m_height(picture.height())
{
}

ScaledPicture::ScaledPicture(const QImage& source, QSize size)
    : m_source(source)
{
    scaleTo(size);
}

namespace
{
// Two: the sizes a window is maximised and restored between. At most two
// pictures the source's height and a 4K window's width: 20 MiB for 800 x 600.
constexpr std::size_t kWidthsKept = 2;
} // namespace

void ScaledPicture::keepAcross()
{
    if (m_across.isNull() || m_across.height() != m_source.height() || m_across.width() == m_source.width())
        return;
    std::erase_if(m_kept, [&](const QImage& kept) { return kept.width() == m_across.width(); });
    m_kept.insert(m_kept.begin(), std::move(m_across));
    if (m_kept.size() > kWidthsKept)
        m_kept.resize(kWidthsKept);
    m_across = QImage();
}

std::vector<int> ScaledPicture::keptWidths() const
{
    std::vector<int> widths;
    for (const QImage& kept : m_kept)
        widths.push_back(kept.width());
    return widths;
}

void ScaledPicture::scaleTo(QSize size)
{
    m_image = QImage();
    if (m_source.isNull() || size.isEmpty()) {
        m_across = QImage();
        m_kept.clear();
        m_height = 0;
        m_upper.clear();
        m_weight.clear();
        return;
    }
    const auto scaled = [&](QSize to) {
        return m_source.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
    };
    m_height = size.height();
    if (size.height() < m_source.height()) {
        // Shrinking averages rows together: Qt does the whole of it.
        keepAcross();
        m_across = scaled(size);
        m_upper.clear();
        m_weight.clear();
        return;
    }
    if (m_across.width() != size.width() || m_across.height() != m_source.height()) {
        keepAcross();
        const auto kept = std::find_if(
            m_kept.begin(), m_kept.end(), [&](const QImage& image) { return image.width() == size.width(); });
        if (kept != m_kept.end()) {
            m_across = std::move(*kept);
            m_kept.erase(kept);
        } else {
            m_across = size.width() >= m_source.width() && m_source.format() == QImage::Format_RGB32
                ? widen(m_source, size.width())
                : scaled(QSize(size.width(), m_source.height()));
        }
    }
    if (size.height() == m_source.height()) {
        m_upper.clear();
        m_weight.clear();
    } else {
        placeRows(m_source.height(), size.height(), m_upper, m_weight);
    }
}

ScaledPicture::Rows ScaledPicture::rows(int y) const
{
    const auto line = [this](int at) { return reinterpret_cast<const std::uint32_t*>(m_across.constScanLine(at)); };
    if (m_upper.empty())
        return { line(y), nullptr, 0 };
    const auto at = static_cast<std::size_t>(y);
    const int upper = m_upper[at];
    if (m_weight[at] == 0)
        return { line(upper), nullptr, 0 };
    return { line(upper), line(upper + 1), m_weight[at] };
}

const std::uint32_t* ScaledPicture::row(int y, int left, int right, std::uint32_t* scratch) const
{
    const Rows in = rows(y);
    if (in.weight == 0)
        return in.upper;
    blendRun(in.upper + left, in.lower + left, in.weight, scratch + left, right + 1 - left, nullptr);
    return scratch;
}

const QImage& ScaledPicture::image() const
{
    if (m_upper.empty() || !m_image.isNull())
        return m_upper.empty() ? m_across : m_image;
    QImage whole(size(), QImage::Format_RGB32);
    for (int y = 0; y < m_height; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(whole.scanLine(y));
        const std::uint32_t* in = row(y, 0, whole.width() - 1, out);
        if (in != out)
            std::copy(in, in + whole.width(), out);
    }
    m_image = whole;
    return m_image;
}

std::vector<Placed> facesOn(const QWidget* backdrop)
{
    std::vector<Placed> faces;
    collect(backdrop, QPoint(0, 0), backdrop->rect(), faces);
    return faces;
}

Composed composeBackdrop(uchar* bits, qsizetype stride, QSize size, QPoint offset, const QRegion& pieces,
    const ScaledPicture& picture, const QColor& plain, const std::vector<Placed>& faces, bool share)
{
    // What cannot be blended in as plain rectangles is left for the painter:
    // corners, whole small panels, and anything the picture does not cover.
    QRegion leftOver;
    std::vector<FillPiece> fills;
    for (const Placed& face : faces) {
        const PanelPieces parts = panelPieces(face.rect, face.look);
        if (parts.whole) {
            leftOver += face.clip;
            continue;
        }
        for (const QRect& corner : parts.corners)
            leftOver += corner & face.clip;
        for (const FillPiece& f : parts.fills)
            if (const QRect r = f.rect & face.clip; !r.isEmpty())
                fills.push_back({ r, f.colour });
    }
    // Inside the device, and never left of or above the backdrop's origin (rows are indexed by it).
    QRegion room = pieces & QRect(-offset, size) & QRect(0, 0, size.width(), size.height());
    if (!picture.isNull())
        room &= picture.rect();
    leftOver = (pieces - room) + (leftOver & pieces);
    const std::uint32_t plainPixel = 0xff000000u | plain.rgb();
    // Beneath what is left, the picture is written now: a painter would need
    // the picture as one image, which a picture made as it is painted is not.
    Composed composed { leftOver, leftOver & room };
    if (!composed.pictureBeneath.isEmpty())
        composeRows(bits, stride, offset, composed.pictureBeneath, bandsFor({}, composed.pictureBeneath.boundingRect()),
            picture, plainPixel);
    const QRegion here = room - leftOver;
    if (here.isEmpty())
        return composed;
    const QRect bounds = here.boundingRect();
    std::vector<Band> bands = bandsFor(fills, bounds);

    qint64 pixels = 0;
    for (const QRect& r : here)
        pixels += static_cast<qint64>(r.width()) * r.height();
    if (!share || pixels < kSharedPixels) {
        composeRows(bits, stride, offset, here, bands, picture, plainPixel);
        return composed;
    }
    // The rows go in chunks to whichever thread takes them first. A helper
    // that is slow to wake (two cores, one busy) delays the frame by no more
    // than the chunk it holds; one that wakes after the last chunk is taken
    // finds nothing to do, and touches nothing.
    struct Shared {
        std::vector<QRegion> chunks;
        std::vector<Band> bands;
        ScaledPicture picture;
        uchar* bits = nullptr;
        qsizetype stride = 0;
        QPoint offset;
        std::uint32_t plain = 0;
        std::atomic<int> next { 0 };
        std::atomic<int> done { 0 };
        std::mutex lock;
        std::condition_variable finished;

        void work()
        {
            const int total = static_cast<int>(chunks.size());
            for (int i = next.fetch_add(1); i < total; i = next.fetch_add(1)) {
                composeRows(bits, stride, offset, chunks[static_cast<std::size_t>(i)], bands, picture, plain);
                if (done.fetch_add(1) + 1 == total) {
                    const std::lock_guard<std::mutex> hold(lock);
                    finished.notify_all();
                }
            }
        }
    };
    auto shared = std::make_shared<Shared>();
    for (int k = 0; k < kSharedChunks; ++k) {
        const int top = bounds.top() + bounds.height() * k / kSharedChunks;
        const int bottom = bounds.top() + bounds.height() * (k + 1) / kSharedChunks;
        if (QRegion chunk = here & QRect(bounds.left(), top, bounds.width(), bottom - top); !chunk.isEmpty())
            shared->chunks.push_back(std::move(chunk));
    }
    shared->bands = std::move(bands);
    shared->picture = picture;
    shared->bits = bits;
    shared->stride = stride;
    shared->offset = offset;
    shared->plain = plainPixel;
    QThreadPool::globalInstance()->start([shared] { shared->work(); });
    shared->work();
    const int total = static_cast<int>(shared->chunks.size());
    std::unique_lock<std::mutex> hold(shared->lock);
    shared->finished.wait(hold, [&] { return shared->done.load() == total; });
    return composed;
}

void paintFaces(QPainter& p, const QRegion& area, const ScaledPicture& picture, const QColor& plain,
    const std::vector<Placed>& faces, bool pictureBeneath)
{
    for (const QRect& piece : area) {
        p.setClipRect(piece);
        if (!pictureBeneath) {
            const QRect covered = piece & picture.rect();
            if (covered != piece)
                fill(p, piece, plain);
            if (!covered.isEmpty())
                p.drawImage(covered, picture.image(), covered);
        }
        for (const Placed& face : faces)
            if (const QRect r = face.clip & piece; !r.isEmpty())
                drawPanel(p, face.rect, face.look, r);
    }
    p.setClipping(false);
}

void paintBackdrop(
    QPainter& p, QWidget* backdrop, const QRegion& exposed, const ScaledPicture& picture, const QColor& plain)
{
    const std::vector<Placed> faces = facesOn(backdrop);
    const QRegion system = systemClipOf(p);
    const QRegion pieces = system.isEmpty() ? exposed : (system & exposed);

    // Straight into the window's image where it is one that can be written
    // pixel by pixel at this scale; the painter otherwise.
    QPaintDevice* device = p.paintEngine() ? p.paintEngine()->paintDevice() : nullptr;
    auto* image = device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    const QTransform t = p.deviceTransform();
    const bool direct = image && !system.isEmpty() && t.type() <= QTransform::TxTranslate
        && (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32_Premultiplied)
        && (picture.isNull() || picture.format() == QImage::Format_RGB32);
    if (!direct) {
        paintFaces(p, pieces, picture, plain, faces);
        return;
    }
    // The window's painter holds the image: its rows are written through
    // constBits, which leaves the painter's image as it is.
    uchar* bits = const_cast<uchar*>(image->constBits());
    const Composed composed = composeBackdrop(bits, image->bytesPerLine(), image->size(),
        QPoint(qRound(t.dx()), qRound(t.dy())), pieces, picture, plain, faces, true);
    paintFaces(p, composed.pictureBeneath, picture, plain, faces, true);
    paintFaces(p, composed.rest - composed.pictureBeneath, picture, plain, faces);
}

} // namespace faces
