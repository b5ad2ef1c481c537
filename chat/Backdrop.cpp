#include "Backdrop.h"

#include <QPaintEngine>
#include <QPainter>
#include <QThreadPool>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
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

// Built for AVX2 too, picked when the processor has it: eight pixels a step.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
[[gnu::target_clones("avx2", "default")]]
#endif
void blendRun(const std::uint32_t* __restrict in, std::uint32_t* __restrict out, int n, const Blend& b)
{
    const std::uint32_t keep = b.keep;
    const std::uint32_t addRedBlue = b.addRedBlue;
    const std::uint32_t addGreen = b.addGreen;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t p = in[i];
        const std::uint32_t redBlue = (((p & 0x00ff00ffu) * keep + addRedBlue) >> 8) & 0x00ff00ffu;
        const std::uint32_t green = ((((p >> 8) & 0xffu) * keep + addGreen)) & 0x0000ff00u;
        out[i] = 0xff000000u | redBlue | green;
    }
}

// What a blend that keeps nothing of the picture gives.
std::uint32_t opaquePixel(const Blend& b)
{
    return 0xff000000u | ((b.addRedBlue >> 8) & 0x00ff00ffu) | (b.addGreen & 0x0000ff00u);
}

// The rows `rows` of the region `area` (all inside the bands' room).
void composeRows(uchar* bits, qsizetype stride, QPoint offset, const QRegion& area, const std::vector<Band>& bands,
    const QImage& picture, std::uint32_t plain)
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
            const std::uint32_t* in = nullptr;
            if (picture.isNull()) {
                if (plainRow.size() < static_cast<std::size_t>(r.right() + 1))
                    plainRow.assign(static_cast<std::size_t>(r.right() + 1), plain);
                in = plainRow.data();
            } else {
                in = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
            }
            auto s = std::find_if(band->stretches.begin(), band->stretches.end(),
                [&](const Stretch& st) { return st.right >= r.left(); });
            for (int x = r.left(); x <= r.right() && s != band->stretches.end(); ++s) {
                const int to = std::min(r.right(), s->right);
                if (s->blend.none)
                    std::copy(in + x, in + to + 1, out + x);
                else if (s->blend.keep == 0) // opaque: what lies beneath is not read
                    std::fill(out + x, out + to + 1, opaquePixel(s->blend));
                else
                    blendRun(in + x, out + x, to + 1 - x, s->blend);
                x = to + 1;
            }
        }
    }
}

// Below this many pixels a second thread costs more than it saves.
constexpr qint64 kSharedPixels = 400'000;
// Pieces of a shared frame: about 0.2 ms each at 3840 x 2160.
constexpr int kSharedChunks = 24;

} // namespace

std::vector<Placed> facesOn(const QWidget* backdrop)
{
    std::vector<Placed> faces;
    collect(backdrop, QPoint(0, 0), backdrop->rect(), faces);
    return faces;
}

QRegion composeBackdrop(uchar* bits, qsizetype stride, QSize size, QPoint offset, const QRegion& pieces,
    const QImage& picture, const QColor& plain, const std::vector<Placed>& faces, bool share)
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
    const QRegion here = room - leftOver;
    if (here.isEmpty())
        return leftOver;
    const QRect bounds = here.boundingRect();
    std::vector<Band> bands = bandsFor(fills, bounds);
    const std::uint32_t plainPixel = 0xff000000u | plain.rgb();

    qint64 pixels = 0;
    for (const QRect& r : here)
        pixels += static_cast<qint64>(r.width()) * r.height();
    if (!share || pixels < kSharedPixels) {
        composeRows(bits, stride, offset, here, bands, picture, plainPixel);
        return leftOver;
    }
    // The rows go in chunks to whichever thread takes them first. A helper
    // that is slow to wake (two cores, one busy) delays the frame by no more
    // than the chunk it holds; one that wakes after the last chunk is taken
    // finds nothing to do, and touches nothing.
    struct Shared {
        std::vector<QRegion> chunks;
        std::vector<Band> bands;
        QImage picture;
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
    return leftOver;
}

void paintFaces(
    QPainter& p, const QRegion& area, const QImage& picture, const QColor& plain, const std::vector<Placed>& faces)
{
    for (const QRect& piece : area) {
        p.setClipRect(piece);
        if (picture.isNull())
            fill(p, piece, plain);
        else
            p.drawImage(piece, picture, piece);
        for (const Placed& face : faces)
            if (const QRect r = face.clip & piece; !r.isEmpty())
                drawPanel(p, face.rect, face.look, r);
    }
    p.setClipping(false);
}

void paintBackdrop(QPainter& p, QWidget* backdrop, const QRegion& exposed, const QImage& picture, const QColor& plain)
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
    const QRegion rest = composeBackdrop(bits, image->bytesPerLine(), image->size(),
        QPoint(qRound(t.dx()), qRound(t.dy())), pieces, picture, plain, faces, true);
    paintFaces(p, rest, picture, plain, faces);
}

} // namespace faces
