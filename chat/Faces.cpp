#include "Faces.h"

#include <QBrush>
#include <QHash>
#include <QImage>
#include <QPaintEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>
#include <QStyle>
#include <QApplication>
#include <QStyleFactory>
#include <QStyleOption>
#include <QPointer>

#include <algorithm>
#include <optional>
#include <vector>
#include <cmath>

namespace faces
{

namespace
{

// The painter's system clip in its own coordinates, when it maps exactly: no
// scaling, or a whole-number scale (a screen of device pixel ratio 2) on a
// clip aligned to it, as a widget's always is.
std::optional<QRegion> systemClipHere(QPainter& p)
{
    const QPaintEngine* engine = p.paintEngine();
    const QRegion system = engine ? engine->systemClip() : QRegion();
    const QTransform t = p.deviceTransform();
    const QPoint offset(qRound(t.dx()), qRound(t.dy()));
    if (t.type() <= QTransform::TxTranslate)
        return system.translated(-offset);
    const int k = qRound(t.m11());
    if (t.type() > QTransform::TxScale || k < 2 || t.m11() != k || t.m22() != k || offset.x() % k || offset.y() % k)
        return std::nullopt;
    QRegion mine;
    for (const QRect& d : system) {
        if (d.x() % k || d.y() % k || d.width() % k || d.height() % k)
            return std::nullopt;
        mine += QRect((d.x() - offset.x()) / k, (d.y() - offset.y()) / k, d.width() / k, d.height() / k);
    }
    return mine;
}

// Rows of the painter's coordinates that make one band of `deviceRows` device rows.
int rowsPerBand(const QPainter& p, int deviceRows = kBandRows)
{
    const qreal scale = std::max<qreal>(1, std::abs(p.deviceTransform().m22()));
    return std::max(1, static_cast<int>(deviceRows / scale));
}

// Set while a banded drawing draws: what it draws inside is not banded again.
thread_local bool t_inBands = false;

// Draws `draw` once per band of `r`'s rows, each clipped to its band and
// widened by `room` on every side for what is drawn just outside `r`.
template <class Draw>
void inBands(QPainter& p, const QRect& r, int room, Draw draw, int deviceRows = kBandRows)
{
    const int rows = rowsPerBand(p, deviceRows);
    if (t_inBands || r.height() <= rows || p.deviceTransform().type() > QTransform::TxScale) {
        draw();
        return;
    }
    t_inBands = true;
    for (int y = r.top() - room; y <= r.bottom() + room; y += rows) {
        p.save();
        p.setClipRect(QRect(r.left() - room, y, r.width() + 2 * room, std::min(rows, r.bottom() + room + 1 - y)),
            Qt::IntersectClip);
        draw();
        p.restore();
    }
    t_inBands = false;
}

} // namespace

void fill(QPainter& p, const QRect& r, const QBrush& brush)
{
    // Under a clip of many rectangles a row holds a span for each: fill each
    // rectangle on its own. Where the clip cannot be mapped exactly (a scaled
    // screen), thinner bands leave room for a few rectangles a row.
    const std::optional<QRegion> system = systemClipHere(p);
    const QRegion pieces = system && !system->isEmpty() ? (*system & r) : QRegion(r);
    const int rows = std::max(1, rowsPerBand(p) / (system ? 1 : 4));
    for (const QRect& piece : pieces)
        for (int y = piece.top(); y <= piece.bottom(); y += rows)
            p.fillRect(QRect(piece.left(), y, piece.width(), std::min(rows, piece.bottom() + 1 - y)), brush);
}

void drawScaled(QPainter& p, const QRect& target, const QPixmap& picture)
{
    inBands(p, target, 0, [&] { p.drawPixmap(target, picture); });
}

namespace
{

void fillIn(QPainter& p, const QRect& r, const QColor& colour, const QRect& exposed)
{
    const QRect part = r & exposed;
    if (!part.isEmpty())
        fill(p, part, colour);
}

QPen borderPen(const Look& look)
{
    if (look.width <= 0)
        return Qt::NoPen;
    QPen pen(look.border, look.width);
    if (look.dashed)
        pen.setStyle(Qt::DashLine);
    return pen;
}

// The whole panel as one anti-aliased shape: for panels too small to split.
void drawWhole(QPainter& p, const QRect& r, const Look& look, const QRect& exposed)
{
    p.save();
    p.setClipRect(exposed, Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(borderPen(look));
    p.setBrush(look.fill);
    const qreal inset = look.width / 2.0;
    p.drawRoundedRect(QRectF(r).adjusted(inset, inset, -inset, -inset), look.radius, look.radius);
    p.restore();
}

} // namespace

PanelPieces panelPieces(const QRect& r, const Look& look)
{
    PanelPieces pieces;
    const int w = std::clamp(look.width, 0, 2);
    // Each corner's square holds all of its rounding, its border and their soft edge.
    const int c = static_cast<int>(std::ceil(std::max<qreal>(0, look.radius))) + w + 1;
    if (r.width() < 2 * c + 2 || r.height() < 2 * c + 2) {
        pieces.whole = true;
        return pieces;
    }
    pieces.corners = { QRect(r.left(), r.top(), c, c), QRect(r.right() + 1 - c, r.top(), c, c),
        QRect(r.left(), r.bottom() + 1 - c, c, c), QRect(r.right() + 1 - c, r.bottom() + 1 - c, c, c) };
    const auto add = [&](const QRect& area, const QColor& colour) {
        if (!area.isEmpty() && colour.alpha() > 0)
            pieces.fills.push_back({ area, colour });
    };
    // Inside: the fill covers the rectangle inset by half the border. A border
    // of one pixel leaves its outer row half covered by the fill.
    const int inset = (w + 1) / 2;
    add(QRect(r.left() + inset, r.top() + c, r.width() - 2 * inset, r.height() - 2 * c), look.fill);
    add(QRect(r.left() + c, r.top() + inset, r.width() - 2 * c, c - inset), look.fill);
    add(QRect(r.left() + c, r.bottom() + 1 - c, r.width() - 2 * c, c - inset), look.fill);
    if (w == 1) {
        QColor half = look.fill;
        half.setAlphaF(look.fill.alphaF() / 2);
        add(QRect(r.left() + c, r.top(), r.width() - 2 * c, 1), half);
        add(QRect(r.left() + c, r.bottom(), r.width() - 2 * c, 1), half);
        add(QRect(r.left(), r.top() + c, 1, r.height() - 2 * c), half);
        add(QRect(r.right(), r.top() + c, 1, r.height() - 2 * c), half);
    }
    if (w == 0)
        return pieces;
    // The border's straight stretches, over the fill as a pen is drawn over a
    // brush; a dashed one in Qt's DashLine pattern, four widths on, two off.
    const QRect stretches[] = { QRect(r.left() + c, r.top(), r.width() - 2 * c, w),
        QRect(r.left() + c, r.bottom() + 1 - w, r.width() - 2 * c, w), QRect(r.left(), r.top() + c, w, r.height() - 2 * c),
        QRect(r.right() + 1 - w, r.top() + c, w, r.height() - 2 * c) };
    for (int i = 0; i < 4; ++i) {
        const QRect& s = stretches[i];
        if (!look.dashed) {
            add(s, look.border);
            continue;
        }
        const bool across = i < 2;
        for (int at = across ? s.left() : s.top(); at <= (across ? s.right() : s.bottom()); at += 6 * w) {
            const int on = std::min(4 * w, (across ? s.right() : s.bottom()) + 1 - at);
            add(across ? QRect(at, s.top(), on, s.height()) : QRect(s.left(), at, s.width(), on), look.border);
        }
    }
    return pieces;
}

void drawPanel(QPainter& p, const QRect& r, const Look& look, const QRect& exposed)
{
    const QRect visible = r & exposed;
    if (visible.isEmpty())
        return;
    const PanelPieces pieces = panelPieces(r, look);
    if (pieces.whole) {
        drawWhole(p, r, look, visible);
        return;
    }
    drawCorners(p, r, look, pieces, visible);
    for (const FillPiece& f : pieces.fills)
        fillIn(p, f.rect, f.colour, visible);
}

void drawCorners(QPainter& p, const QRect& r, const Look& look, const PanelPieces& pieces, const QRect& exposed)
{
    // The same rounded shape on a small rectangle in each corner, cut to the
    // corner's square, so that only the squares are rasterised.
    const int c = pieces.corners[0].width();
    const int proxy = 2 * c + 2;
    const QPoint at[] = { r.topLeft(), QPoint(r.right() + 1 - proxy, r.top()), QPoint(r.left(), r.bottom() + 1 - proxy),
        QPoint(r.right() + 1 - proxy, r.bottom() + 1 - proxy) };
    for (int i = 0; i < 4; ++i) {
        const QRect square = pieces.corners[static_cast<std::size_t>(i)] & exposed;
        if (!square.isEmpty())
            drawWhole(p, QRect(at[i], QSize(proxy, proxy)), look, square);
    }
}

namespace
{

// Draws a widget's face at each of its paints, before the widget paints itself.
class FaceFilter : public QObject
{
public:
    explicit FaceFilter(QWidget* widget)
        : QObject(widget)
    {
        setObjectName(QStringLiteral("zirky_face"));
        widget->installEventFilter(this);
    }
    Look look;


    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The widget whose descendants' faces it paints itself (the GUI thread's only).
QPointer<QWidget> g_backdrop;

bool FaceFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Paint || watched != parent())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (g_backdrop && g_backdrop->isAncestorOf(widget))
        return false;
    QPainter p(widget);
    drawPanel(p, widget->rect(), look, static_cast<QPaintEvent*>(event)->rect());
    return false;
}

FaceFilter* existingFaceFilter(const QWidget* widget)
{
    for (QObject* child : widget->children())
        if (auto* f = dynamic_cast<FaceFilter*>(child))
            return f;
    return nullptr;
}

FaceFilter* faceFilterOf(QWidget* widget)
{
    FaceFilter* f = existingFaceFilter(widget);
    return f ? f : new FaceFilter(widget);
}

} // namespace

void setFace(QWidget* widget, const Look& look)
{
    FaceFilter* f = faceFilterOf(widget);
    if (f->look == look)
        return;
    f->look = look;
    widget->update();
}

void setBackdrop(QWidget* backdrop) { g_backdrop = backdrop; }

std::optional<Look> faceOf(const QWidget* widget)
{
    if (const FaceFilter* f = existingFaceFilter(widget))
        return f->look;
    return std::nullopt;
}

QRegion systemClipOf(QPainter& p)
{
    const std::optional<QRegion> system = systemClipHere(p);
    return system ? *system : QRegion();
}

namespace
{

// What a style draws just outside an element's rectangle (a shadow, a focus frame).
constexpr int kStyleRoom = 16;

template <class Draw>
void styleInBands(bool banded, QPainter* p, const QRect& r, Draw draw)
{
    if (banded && p)
        inBands(*p, r, kStyleRoom, draw, kOutlineBandRows);
    else
        draw();
}

// A scroll bar sets a clip of its own (its groove's), which would undo a
// band's: a tall one is drawn instead a band at a time into a small picture,
// whose own edges cut whatever is drawn, and the bands are laid on the
// painter's device one below the other. Only the bands the painter can
// change are drawn.
template <class Draw>
void throughBandPictures(QPainter& p, const QRect& r, Draw draw)
{
    const QTransform t = p.deviceTransform();
    const QPaintEngine* engine = p.paintEngine();
    const QPaintDevice* device = p.device();
    if (t_inBands || !engine || !device || t.type() > QTransform::TxScale || p.opacity() != 1
        || p.compositionMode() != QPainter::CompositionMode_SourceOver) {
        draw(p);
        return;
    }
    QRect area = t.mapRect(QRectF(r)).toAlignedRect();
    if (const QRegion system = engine->systemClip(); !system.isEmpty())
        area &= system.boundingRect();
    if (p.hasClipping())
        area &= t.mapRect(p.clipBoundingRect()).toAlignedRect();
    if (area.height() <= kBandRows) {
        draw(p);
        return;
    }
    const qreal dpr = device->devicePixelRatio();
    const QTransform toLogical = t.inverted();
    thread_local QImage band;
    if (band.width() < area.width() || band.height() < kBandRows)
        band = QImage(std::max(band.width(), area.width()), kBandRows, QImage::Format_ARGB32_Premultiplied);
    band.setDevicePixelRatio(dpr);
    t_inBands = true;
    for (int y = area.top(); y <= area.bottom(); y += kBandRows) {
        const QRect piece(area.left(), y, area.width(), std::min(kBandRows, area.bottom() + 1 - y));
        band.fill(Qt::transparent);
        {
            QPainter bp(&band);
            bp.setRenderHints(p.renderHints());
            bp.setFont(p.font());
            bp.setPen(p.pen());
            bp.setBrush(p.brush());
            bp.setLayoutDirection(p.layoutDirection());
            // The band's picture scales by the device's pixel ratio itself.
            bp.setWorldTransform(t * QTransform::fromTranslate(-piece.left(), -piece.top())
                * QTransform::fromScale(1 / dpr, 1 / dpr));
            draw(bp);
        }
        p.drawImage(toLogical.mapRect(QRectF(piece)), band, QRectF(0, 0, piece.width(), piece.height()));
    }
    t_inBands = false;
}

bool isFace(QStyle::ControlElement element)
{
    switch (element) {
    case QStyle::CE_PushButtonBevel:
    case QStyle::CE_ScrollBarAddPage:
    case QStyle::CE_ScrollBarSubPage:
    case QStyle::CE_ScrollBarSlider:
    case QStyle::CE_ScrollBarFirst:
    case QStyle::CE_ScrollBarLast:
    case QStyle::CE_ProgressBarGroove:
    case QStyle::CE_Splitter:
        return true;
    default:
        // Text would be laid out again for each band; frames are thin lines,
        // drawn on this thread anyway and only slower cut in bands; and some
        // (a progress bar's contents, a rubber band) set a clip of their own,
        // which would undo the band's.
        return false;
    }
}

bool isFace(QStyle::PrimitiveElement element)
{
    switch (element) {
    case QStyle::PE_PanelButtonCommand:
    case QStyle::PE_PanelButtonBevel:
    case QStyle::PE_PanelButtonTool:
    case QStyle::PE_PanelLineEdit:
    case QStyle::PE_PanelItemViewItem:
    case QStyle::PE_PanelItemViewRow:
    case QStyle::PE_PanelScrollAreaCorner:
    case QStyle::PE_PanelTipLabel:
    case QStyle::PE_PanelMenu:
    case QStyle::PE_Widget:
        return true;
    default:
        return false;
    }
}

// What the base style draws for `element` at `size` from the origin, `option`
// otherwise as given, on a transparent picture, with `like`'s render hints.
template <class Option>
QImage drawnAlone(const QProxyStyle& style, QStyle::PrimitiveElement element, Option option, QSize size,
    const QPainter& like, const QWidget* widget)
{
    option.rect = QRect(QPoint(0, 0), size);
    QImage drawn(size, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    {
        QPainter on(&drawn);
        on.setRenderHints(like.renderHints());
        style.baseStyle()->drawPrimitive(element, &option, &on, widget);
    }
    return drawn;
}

// How much of a small picture's edge is kept whole as its corner when it is stretched.
constexpr int kButtonCorner = 8; // far wider than the style's two-pixel rounding
// What the wide buttons kept may take: a 4K board's dozen buttons at two sizes.
constexpr qsizetype kKeptBevelBytes = 4 << 20;

// A row `width` pixels wide from one of a picture 2 * kButtonCorner + 1 wide:
// its corners as they are, its middle pixel along between them.
void stretchRow(const quint32* in, quint32* out, int width)
{
    std::copy(in, in + kButtonCorner, out);
    std::fill(out + kButtonCorner, out + width - kButtonCorner, in[kButtonCorner]);
    std::copy(in + kButtonCorner + 1, in + 2 * kButtonCorner + 1, out + width - kButtonCorner);
}

// Whether what `style`'s base draws on `painter` can be copied pixel for
// pixel: Fusion's look, which the copies rely on, on an unscaled device.
bool copiesExactly(const QProxyStyle& style, const QPainter* painter)
{
    return painter && painter->device() && painter->deviceTransform().type() <= QTransform::TxTranslate
        && painter->device()->devicePixelRatio() == 1 && style.baseStyle()
        && style.baseStyle()->name().compare("fusion", Qt::CaseInsensitive) == 0;
}

// Fusion's push button is the same in every column between its rounded
// corners: a gradient from top to bottom in a frame. The style keeps it drawn
// for each size, so a window dragged wider drew every button anew at each
// step; drawn once as narrow as its corners, its middle column is copied
// across instead. Where that cannot be exact (another style, a scaled
// painter, a button too small to gain), false: drawn the usual way.
bool drawStretchedButton(const QProxyStyle& style, const QStyleOption* option, QPainter* painter, const QWidget* widget)
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    const QRect r = option ? option->rect : QRect();
    if (!button || !copiesExactly(style, painter) || r.width() < 4 * kButtonCorner || r.height() <= 0)
        return false;
    // The narrow bevels, by what the style draws them from.
    thread_local QHash<QString, QImage> narrowBevels;
    const QString key = QString("%1 %2 %3 %4 %5")
                            .arg(static_cast<uint>(button->state))
                            .arg(static_cast<uint>(button->features))
                            .arg(button->palette.cacheKey())
                            .arg(static_cast<int>(button->direction))
                            .arg(r.height());
    auto found = narrowBevels.constFind(key);
    if (found == narrowBevels.cend()) {
        if (narrowBevels.size() >= 64)
            narrowBevels.clear();
        found = narrowBevels.insert(key,
            drawnAlone(style, QStyle::PE_PanelButtonCommand, *button, QSize(2 * kButtonCorner + 1, r.height()), *painter, widget));
    }
    // And the wide ones made from them: a window at rest, or going back and
    // forth, paints the same few again. A drag makes a new one at each step,
    // so they are dropped together once they hold a few megabytes.
    thread_local QHash<QString, QImage> wideBevels;
    thread_local qsizetype wideBytes = 0;
    const QString wideKey = key + QString(" %1").arg(r.width());
    auto made = wideBevels.constFind(wideKey);
    if (made == wideBevels.cend()) {
        const QImage& bevel = *found;
        QImage wide(r.size(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < r.height(); ++y)
            stretchRow(reinterpret_cast<const quint32*>(bevel.constScanLine(y)),
                reinterpret_cast<quint32*>(wide.scanLine(y)), r.width());
        if (wideBytes + wide.sizeInBytes() > kKeptBevelBytes) {
            wideBevels.clear();
            wideBytes = 0;
        }
        wideBytes += wide.sizeInBytes();
        made = wideBevels.insert(wideKey, wide);
    }
    styleInBands(true, painter, r, [&] { painter->drawImage(r.topLeft(), *made); });
    return true;
}

// Fusion's line edit frame is a thin rounded outline: between its corners
// every row of its top and bottom edges, and every column of its sides, is the
// same. The style draws it anti-aliased at every paint (and a tall field in
// each band), the widest outline on the board; here it is drawn once as
// small as its corners and its edges are copied along, the middle left to
// the panel. False where that cannot be exact, as for buttons.
bool drawStretchedFrame(const QProxyStyle& style, const QStyleOption* option, QPainter* painter, const QWidget* widget)
{
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    const QRect r = option ? option->rect : QRect();
    constexpr int c = kButtonCorner;
    if (!frame || !copiesExactly(style, painter) || r.width() < 4 * c || r.height() < 4 * c)
        return false;
    struct Edges {
        QImage top, bottom, left, right; // corners in the top and bottom ones
    };
    thread_local QHash<QString, Edges> made;
    const QString key = QString("%1 %2 %3 %4 %5x%6")
                            .arg(static_cast<uint>(frame->state))
                            .arg(frame->palette.cacheKey())
                            .arg(frame->lineWidth)
                            .arg(static_cast<int>(frame->direction))
                            .arg(r.width())
                            .arg(r.height());
    auto found = made.constFind(key);
    if (found == made.cend()) {
        const QImage drawn = drawnAlone(style, QStyle::PE_FrameLineEdit, *frame, QSize(2 * c + 1, 2 * c + 1), *painter, widget);
        const auto row = [&](int y, quint32* out) {
            stretchRow(reinterpret_cast<const quint32*>(drawn.constScanLine(y)), out, r.width());
        };
        Edges e { QImage(r.width(), c, QImage::Format_ARGB32_Premultiplied),
            QImage(r.width(), c, QImage::Format_ARGB32_Premultiplied),
            QImage(c, r.height() - 2 * c, QImage::Format_ARGB32_Premultiplied),
            QImage(c, r.height() - 2 * c, QImage::Format_ARGB32_Premultiplied) };
        for (int y = 0; y < c; ++y) {
            row(y, reinterpret_cast<quint32*>(e.top.scanLine(y)));
            row(c + 1 + y, reinterpret_cast<quint32*>(e.bottom.scanLine(y)));
        }
        const auto* middle = reinterpret_cast<const quint32*>(drawn.constScanLine(c));
        for (int y = 0; y < e.left.height(); ++y) {
            std::copy(middle, middle + c, reinterpret_cast<quint32*>(e.left.scanLine(y)));
            std::copy(middle + c + 1, middle + 2 * c + 1, reinterpret_cast<quint32*>(e.right.scanLine(y)));
        }
        if (made.size() >= 16)
            made.clear();
        found = made.insert(key, e);
    }
    painter->drawImage(r.topLeft(), found->top);
    painter->drawImage(QPoint(r.left(), r.bottom() + 1 - c), found->bottom);
    painter->drawImage(QPoint(r.left(), r.top() + c), found->left);
    painter->drawImage(QPoint(r.right() + 1 - c, r.top() + c), found->right);
    return true;
}

} // namespace

void BandedStyle::install()
{
    if (dynamic_cast<BandedStyle*>(QApplication::style()))
        return;
    QStyle* base = QStyleFactory::create(QApplication::style()->name());
    QApplication::setStyle(base ? new BandedStyle(base) : new BandedStyle);
}

void drawInBands(QPainter& p, const QRect& r, const std::function<void()>& draw)
{
    inBands(p, r, 0, draw, kOutlineBandRows);
}

void BandedStyle::drawPrimitive(
    PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element == PE_PanelButtonCommand && drawStretchedButton(*this, option, painter, widget))
        return;
    if (element == PE_FrameLineEdit && drawStretchedFrame(*this, option, painter, widget))
        return;
    styleInBands(isFace(element), painter, option ? option->rect : QRect(), [&] { QProxyStyle::drawPrimitive(element, option, painter, widget); });
}

void BandedStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    styleInBands(isFace(element), painter, option ? option->rect : QRect(), [&] { QProxyStyle::drawControl(element, option, painter, widget); });
}

void BandedStyle::drawComplexControl(
    ComplexControl control, const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    if (control == CC_ScrollBar && painter && option)
        throughBandPictures(*painter, option->rect,
            [&](QPainter& on) { QProxyStyle::drawComplexControl(control, option, &on, widget); });
    else
        QProxyStyle::drawComplexControl(control, option, painter, widget);
}

} // namespace faces
