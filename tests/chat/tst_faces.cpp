// Panel faces painted in pieces look as one rounded rectangle would: no row
// blended twice, no seam between bands or corners, nothing painted outside
// what was asked for.

#include "chat/Backdrop.h"
#include "chat/Faces.h"
#include "chat/TextCache.h"

#include <QFrame>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QPainter>
#include <QPainterPath>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace
{

// A background with detail in every pixel, so a piece drawn twice, or missed, shows.
QImage background(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb((x * 7) % 256, (y * 5) % 256, ((x + y) * 3) % 256));
    return img;
}

// What the board drew before: one anti-aliased rounded rectangle.
QImage reference(const QImage& under, const QRect& r, const faces::Look& look)
{
    QImage img = under;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(look.border, look.width);
    if (look.dashed)
        pen.setStyle(Qt::DashLine);
    p.setPen(look.width > 0 ? pen : QPen(Qt::NoPen));
    p.setBrush(look.fill);
    const qreal inset = look.width / 2.0;
    p.drawRoundedRect(QRectF(r).adjusted(inset, inset, -inset, -inset), look.radius, look.radius);
    return img;
}

QImage pieces(const QImage& under, const QRect& r, const faces::Look& look, const QRect& exposed)
{
    QImage img = under;
    QPainter p(&img);
    faces::drawPanel(p, r, look, exposed);
    return img;
}

// The largest difference of any channel of any pixel inside `area`.
int largestDifference(const QImage& a, const QImage& b, const QRect& area)
{
    int worst = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst = std::max({ worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                   std::abs(qBlue(p) - qBlue(q)) });
        }
    return worst;
}

} // namespace

class FacesTest : public QObject
{
    Q_OBJECT
private slots:
    void panelsMatchOneRoundedRectangle_data();
    void panelsMatchOneRoundedRectangle();
    void aPartialPaintTouchesOnlyItsPartAndMatchesTheWhole();
    void dashedBordersKeepTheFillAndBreakTheBorder();
    void bandedFillBlendsOnce();
    void backdropWrittenDirectlyMatchesThePainter_data();
    void backdropWrittenDirectlyMatchesThePainter();
    void facesUnderTheBackdropArePaintedOnceInOrder();
    void aScaledPictureLooksAsQtScalesIt_data();
    void aScaledPictureLooksAsQtScalesIt();
    void aWidthScaledForBeforeIsTakenAgain();
    void theBandedStyleDrawsAsItsBase();
    void aWideFrameIsItsStylesOwn();
    void wideButtonsStayTheStylesOwnAsTheKeptOnesAreDropped();
    void cachedWordsDrawAsTheItemStyle();
    void drawingInBandsDrawsAsInOneGo();
};

void FacesTest::panelsMatchOneRoundedRectangle_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("width");
    QTest::addColumn<qreal>("radius");
    QTest::addColumn<QColor>("fill");
    QTest::addColumn<QColor>("border");
    // The board's looks, at the default window's size and at a 4K window's.
    QTest::newRow("seat panel, thin border") << QRect(3, 5, 300, 420) << 1 << 6.0 << QColor(255, 255, 255, 150)
                                             << QColor(40, 60, 90, 120);
    QTest::newRow("end-of-turn panel, thick border")
        << QRect(10, 7, 640, 380) << 2 << 8.0 << QColor(250, 252, 255, 245) << QColor(0x1d, 0x3f, 0x73);
    QTest::newRow("seat box, no border") << QRect(0, 0, 690, 230) << 0 << 4.0 << QColor(255, 255, 255, 140)
                                         << QColor();
    QTest::newRow("turn marker, opaque border") << QRect(2, 2, 150, 70) << 2 << 6.0 << QColor(255, 200, 40, 200)
                                                << QColor(0xb0, 0x7d, 0);
    QTest::newRow("taller than many bands") << QRect(1, 1, 40, 700) << 1 << 6.0 << QColor(255, 255, 255, 150)
                                            << QColor(40, 60, 90, 120);
    QTest::newRow("too small to split") << QRect(4, 4, 20, 12) << 1 << 6.0 << QColor(255, 255, 255, 150)
                                        << QColor(40, 60, 90, 120);
    QTest::newRow("round as a scroll handle") << QRect(4, 4, 12, 300) << 0 << 5.0 << QColor(40, 60, 90, 120)
                                              << QColor();
}

void FacesTest::panelsMatchOneRoundedRectangle()
{
    QFETCH(QRect, rect);
    QFETCH(int, width);
    QFETCH(qreal, radius);
    QFETCH(QColor, fill);
    QFETCH(QColor, border);
    const faces::Look look { fill, border, width, radius, false };
    const QImage under = background(rect.adjusted(0, 0, 8, 8).size() + QSize(rect.left(), rect.top()));
    const QImage want = reference(under, rect, look);
    const QImage got = pieces(under, rect, look, under.rect());
    // Rounding of coverage may differ by a level or two; a piece blended twice or missed is far more.
    QVERIFY2(largestDifference(want, got, under.rect()) <= 3,
        qPrintable(QString("differs by %1").arg(largestDifference(want, got, under.rect()))));
}

void FacesTest::aPartialPaintTouchesOnlyItsPartAndMatchesTheWhole()
{
    const QRect r(0, 0, 500, 400);
    const faces::Look look { QColor(255, 255, 255, 150), QColor(40, 60, 90, 120), 1, 6, false };
    const QImage under = background(r.size());
    const QImage whole = pieces(under, r, look, r);
    // Through a corner, along an edge, and wholly inside.
    for (const QRect& exposed : { QRect(0, 0, 37, 23), QRect(100, 390, 250, 10), QRect(200, 100, 50, 50) }) {
        const QImage part = pieces(under, r, look, exposed);
        QCOMPARE(largestDifference(part, whole, exposed), 0);
        QImage outside = part;
        QPainter(&outside).drawImage(exposed.topLeft(), under.copy(exposed));
        QCOMPARE(largestDifference(outside, under, r), 0);
    }
}

void FacesTest::dashedBordersKeepTheFillAndBreakTheBorder()
{
    const QRect r(0, 0, 400, 120);
    const faces::Look look { QColor(255, 255, 255, 90), QColor(40, 60, 90, 110), 1, 4, true };
    const QImage under = background(r.size());
    const QImage got = pieces(under, r, look, r);
    const QImage want = reference(under, r, look);
    // Inside the border the fill is the same.
    QCOMPARE(largestDifference(got, want, r.adjusted(2, 2, -2, -2)), 0);
    // The top border is drawn and left out in turns: four pixels on, two off.
    const QImage plain = pieces(under, r, { look.fill, look.border, 1, 4, false }, r);
    int drawn = 0;
    int left = 0;
    for (int x = 20; x < 380; ++x)
        (got.pixel(x, 0) == plain.pixel(x, 0) ? drawn : left)++;
    QVERIFY(drawn > 0 && left > 0);
    QVERIFY(std::abs(drawn - 2 * left) <= 6);
}

void FacesTest::bandedFillBlendsOnce()
{
    const QImage under = background(QSize(200, 300));
    QImage want = under;
    QPainter(&want).fillRect(QRect(5, 3, 190, 290), QColor(255, 255, 255, 150));
    QImage got = under;
    {
        QPainter p(&got);
        faces::fill(p, QRect(5, 3, 190, 290), QColor(255, 255, 255, 150));
    }
    QCOMPARE(largestDifference(got, want, under.rect()), 0);
}

void FacesTest::backdropWrittenDirectlyMatchesThePainter_data()
{
    QTest::addColumn<bool>("share");
    QTest::addColumn<int>("picture"); // 0: none, 1: as it is, 2: grown from a smaller one as it is painted
    QTest::newRow("one thread") << false << 1;
    QTest::newRow("two threads") << true << 1;
    QTest::newRow("two threads, no picture") << true << 0;
    QTest::newRow("one thread, grown picture") << false << 2;
    QTest::newRow("two threads, grown picture") << true << 2;
}

void FacesTest::backdropWrittenDirectlyMatchesThePainter()
{
    QFETCH(bool, share);
    QFETCH(int, picture);
    // A board's worth of faces: panels within panels, a dashed border, a box
    // of an opaque colour, a list's square white page, one too small to take
    // apart, and one cut by its parent.
    const QSize size(1400, 900);
    const faces::ScaledPicture grown(background(QSize(700, 300)), size);
    const faces::ScaledPicture scaled = picture == 2 ? grown : faces::ScaledPicture(picture == 1 ? background(size) : QImage());
    const QColor plain(0xdd, 0xe6, 0xee);
    const faces::Look panel { QColor(255, 255, 255, 150), QColor(40, 60, 90, 120), 1, 6, false };
    const std::vector<faces::Placed> placed {
        { QRect(10, 10, 900, 300), QRect(10, 10, 900, 300), panel },
        { QRect(200, 20, 500, 80), QRect(200, 20, 500, 80), { QColor(255, 255, 255, 90), QColor(40, 60, 90, 110), 1, 4, true } },
        { QRect(950, 10, 400, 860), QRect(950, 10, 400, 860), panel },
        { QRect(960, 30, 380, 120), QRect(960, 30, 380, 120), { QColor(255, 200, 40, 200), QColor(0xb0, 0x7d, 0), 2, 6 } },
        { QRect(965, 33, 370, 114), QRect(965, 33, 370, 114), { QColor(255, 255, 255, 140), {}, 0, 4 } },
        { QRect(20, 330, 110, 400), QRect(20, 330, 110, 400), { QColor(0xc0, 0xc0, 0xc0), QColor(40, 60, 90, 140), 1, 3 } },
        { QRect(140, 330, 14, 10), QRect(140, 330, 14, 10), panel },
        { QRect(30, 120, 400, 170), QRect(30, 120, 400, 170), { Qt::white, {}, 0, 0 } },
        { QRect(300, 600, 900, 400), QRect(300, 600, 600, 250), { QColor(250, 252, 255, 245), QColor(0x1d, 0x3f, 0x73), 2, 8 } },
    };
    // What the widget paints: all but an opaque child, inside a larger window image.
    QRegion pieces(QRect(QPoint(0, 0), size));
    pieces -= QRect(500, 350, 120, 90);
    const QPoint offset(7, 23);
    QImage want(size + QSize(20, 40), QImage::Format_RGB32);
    want.fill(Qt::black);
    QImage got = want;
    {
        QPainter p(&want);
        p.translate(offset);
        faces::paintFaces(p, pieces, scaled, plain, placed);
    }
    const QRegion rest = faces::composeBackdrop(
        got.bits(), got.bytesPerLine(), got.size(), offset, pieces, scaled, plain, placed, share).rest;
    {
        QPainter p(&got);
        p.translate(offset);
        faces::paintFaces(p, rest, scaled, plain, placed);
    }
    if (share) {
        // With the thread pool busy the frame is not held up waiting for it:
        // this thread does every row, and the same ones.
        QThreadPool* pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        QSemaphore blocked, freed;
        pool->start([&] {
            blocked.release();
            freed.acquire();
        });
        blocked.acquire();
        std::atomic<bool> released { false };
        std::thread releaser([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // far longer than the rows take
            released = true;
            freed.release();
        });
        QImage alone = want;
        alone.fill(Qt::black);
        const QRegion restAlone = faces::composeBackdrop(
            alone.bits(), alone.bytesPerLine(), alone.size(), offset, pieces, scaled, plain, placed, true).rest;
        const bool heldUp = released;
        releaser.join();
        pool->waitForDone();
        pool->setMaxThreadCount(threads);
        QVERIFY2(!heldUp, "the frame waited for a thread the pool could not start");
        QCOMPARE(restAlone, rest);
        QPainter p(&alone);
        p.translate(offset);
        faces::paintFaces(p, rest, scaled, plain, placed);
        p.end();
        QCOMPARE(largestDifference(alone, got, got.rect()), 0);
    }
    // Blended in one go where the painter blends layer on layer: a level or two apart at most.
    QVERIFY2(largestDifference(want, got, want.rect()) <= 3,
        qPrintable(QString("differs by %1").arg(largestDifference(want, got, want.rect()))));
    // Nothing outside what the widget paints is touched.
    QCOMPARE(got.pixel(offset + QPoint(550, 400)), qRgb(0, 0, 0));
    QCOMPARE(got.pixel(3, 3), qRgb(0, 0, 0));
    QCOMPARE(got.pixel(offset.x() + size.width() + 5, 100), qRgb(0, 0, 0));
    // An opaque page hides the picture entirely.
    QCOMPARE(got.pixel(offset + QPoint(200, 200)), qRgb(255, 255, 255));
    // The corners are left to the painter, the plain parts are not.
    QVERIFY(rest.contains(QPoint(11, 11)));
    QVERIFY(!rest.contains(QPoint(400, 200)));
}

namespace
{

// A window's background widget, as the main window's is.
class BackdropWidget : public QWidget
{
public:
    explicit BackdropWidget(const QImage& picture)
        : m_picture(picture)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        faces::setBackdrop(this);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        faces::paintBackdrop(p, this, event->region(), m_picture, Qt::gray);
    }

private:
    faces::ScaledPicture m_picture;
};

} // namespace

void FacesTest::facesUnderTheBackdropArePaintedOnceInOrder()
{
    const QImage picture = background(QSize(400, 300));
    BackdropWidget backdrop(picture);
    backdrop.resize(picture.size());
    const faces::Look outer { QColor(255, 255, 255, 150), QColor(40, 60, 90, 120), 1, 6, false };
    const faces::Look inner { QColor(255, 200, 40, 200), QColor(0xb0, 0x7d, 0), 2, 6, false };
    auto* panel = new QFrame(&backdrop);
    panel->setGeometry(20, 20, 300, 200);
    faces::setFace(panel, outer);
    auto* box = new QFrame(panel);
    box->setGeometry(30, 40, 120, 100);
    faces::setFace(box, inner);
    // Hidden, a face is not painted.
    auto* hidden = new QFrame(&backdrop);
    hidden->setGeometry(250, 150, 100, 100);
    faces::setFace(hidden, { Qt::red, Qt::red, 1, 4, false });
    hidden->hide();

    const QImage got = backdrop.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage want = picture;
    {
        QPainter p(&want);
        faces::drawPanel(p, QRect(20, 20, 300, 200), outer, want.rect());
        faces::drawPanel(p, QRect(50, 60, 120, 100), inner, want.rect());
    }
    // Blended twice (by the backdrop and again by the widget's own paint) would be far off.
    QVERIFY2(largestDifference(want, got, want.rect()) <= 3,
        qPrintable(QString("differs by %1").arg(largestDifference(want, got, want.rect()))));

    // Away from any backdrop a face paints itself.
    QWidget alone;
    alone.resize(100, 80);
    alone.setAutoFillBackground(true);
    alone.setPalette(QPalette(Qt::black));
    auto* own = new QFrame(&alone);
    own->setGeometry(10, 10, 80, 60);
    faces::setFace(own, { Qt::white, Qt::white, 1, 4, false });
    QCOMPARE(alone.grab().toImage().pixel(50, 40), qRgb(255, 255, 255));
}

void FacesTest::aScaledPictureLooksAsQtScalesIt_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("taller and wider") << QSize(437, 251);
    QTest::newRow("taller, narrower") << QSize(61, 252);
    QTest::newRow("as tall, wider") << QSize(300, 60);
    // More than eight pixels from each pair of the source's: runs longer than a step of the lanes.
    QTest::newRow("taller, nine times as wide") << QSize(731, 200);
    QTest::newRow("as wide, taller") << QSize(80, 97);
    QTest::newRow("one row taller") << QSize(80, 61);
    QTest::newRow("shorter") << QSize(300, 41);
    QTest::newRow("the same") << QSize(80, 60);
}

void FacesTest::aScaledPictureLooksAsQtScalesIt()
{
    QFETCH(QSize, size);
    // Smooth where a picture is and with sharp edges, where rounding shows most.
    QImage source(80, 60, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, (x / 9 + y / 7) % 2 ? qRgb(x * 3, 255 - y * 4, 128) : qRgb(250, (x * y) % 256, y * 4));
    const QImage want = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const faces::ScaledPicture fresh(source, size);
    QCOMPARE(fresh.size(), size);
    QCOMPARE(fresh.image().size(), size);
    QVERIFY2(largestDifference(fresh.image(), want, want.rect()) <= 2,
        qPrintable(QString("differs by %1").arg(largestDifference(fresh.image(), want, want.rect()))));
    // Row by row, any part of a row, as the backdrop reads it.
    std::vector<std::uint32_t> scratch(static_cast<std::size_t>(size.width()), 0xdeadbeef);
    for (int y = 0; y < size.height(); ++y) {
        const int left = y % 3 == 0 ? 0 : size.width() / 3;
        const std::uint32_t* row = fresh.row(y, left, size.width() - 1, scratch.data());
        const auto* whole = reinterpret_cast<const std::uint32_t*>(fresh.image().constScanLine(y));
        for (int x = left; x < size.width(); ++x)
            QCOMPARE(row[x], whole[x]);
    }
    // Scaled again from other sizes, shrunk and grown, to the same result.
    for (const QSize other : { QSize(300, 41), QSize(size.width(), 200), QSize(90, 70) }) {
        faces::ScaledPicture again(source, other);
        QCOMPARE(again.image().size(), other);
        again.scaleTo(size);
        QCOMPARE(again.size(), size);
        QCOMPARE(largestDifference(again.image(), fresh.image(), want.rect()), 0);
    }
    // Nothing to scale: nothing to paint, and no rows to read.
    faces::ScaledPicture none(QImage(), size);
    QVERIFY(none.isNull());
    none.scaleTo(QSize(0, 10));
    QVERIFY(none.isNull());
}

void FacesTest::aWidthScaledForBeforeIsTakenAgain()
{
    // A window maximised and restored, shrunk below the source's height and
    // grown again: each picture is the one made afresh for its size.
    QImage source(80, 60, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgb(x * 3, 255 - y * 4, (x * y) % 256));
    const auto sameAsFresh = [&](const faces::ScaledPicture& p, QSize size) {
        const faces::ScaledPicture fresh(source, size);
        return p.size() == size && p.image() == fresh.image();
    };
    faces::ScaledPicture p(source, QSize(300, 200));
    p.scaleTo(QSize(90, 70));
    QCOMPARE(p.keptWidths(), std::vector<int> { 300 });
    p.scaleTo(QSize(300, 150));
    QVERIFY(sameAsFresh(p, QSize(300, 150)));
    QCOMPARE(p.keptWidths(), std::vector<int> { 90 });
    p.scaleTo(QSize(300, 41)); // shorter than the source: scaled whole, the width across kept
    QVERIFY(sameAsFresh(p, QSize(300, 41)));
    QCOMPARE(p.keptWidths(), (std::vector<int> { 300, 90 }));
    p.scaleTo(QSize(90, 100));
    QVERIFY(sameAsFresh(p, QSize(90, 100)));
    p.scaleTo(QSize(300, 61));
    QVERIFY(sameAsFresh(p, QSize(300, 61)));
    // A drag through many widths keeps only the last few.
    for (int width : { 120, 130, 140, 150 })
        p.scaleTo(QSize(width, 90));
    QVERIFY(sameAsFresh(p, QSize(150, 90)));
    QCOMPARE(p.keptWidths(), (std::vector<int> { 140, 130 }));
    p.scaleTo(QSize());
    QVERIFY(p.isNull());
    QVERIFY(p.keptWidths().empty());
}

void FacesTest::theBandedStyleDrawsAsItsBase()
{
    // A tall button and scroll bars, drawn in bands, look exactly as their
    // style draws them in one go: on a plain screen, at twice the density,
    // and when only a part of the window is painted again. So do wide
    // buttons, drawn narrow and stretched, in each of their states.
    const auto shoot = [](QStyle* style, qreal dpr, QRegion part) {
        QWidget w;
        w.setStyle(style);
        w.resize(560, 700);
        auto* button = new QPushButton("Tall", &w);
        button->setStyle(style);
        button->setGeometry(10, 10, 120, 600);
        for (int i = 0; i < 6; ++i) {
            auto* wide = new QPushButton(QString("Wide %1").arg(i), &w);
            wide->setStyle(style);
            wide->setGeometry(270, 10 + 50 * i, i == 5 ? 30 : 280 - 20 * i, 24 + 9 * i);
            wide->setDefault(i == 1);
            wide->setDown(i == 2);
            wide->setFlat(i == 3);
            wide->setEnabled(i != 4);
        }
        auto* bar = new QScrollBar(Qt::Vertical, &w);
        bar->setStyle(style);
        bar->setRange(0, 1000);
        bar->setValue(400);
        bar->setGeometry(150, 10, 40, 650);
        auto* across = new QScrollBar(Qt::Horizontal, &w);
        across->setStyle(style);
        across->setRange(0, 10);
        across->setGeometry(200, 10, 50, 40);
        auto* small = new QScrollBar(Qt::Vertical, &w);
        small->setStyle(style);
        small->setGeometry(200, 60, 20, 90);
        QImage shot(w.size() * dpr, QImage::Format_ARGB32_Premultiplied);
        shot.setDevicePixelRatio(dpr);
        shot.fill(Qt::black);
        w.render(&shot, QPoint(), part.isEmpty() ? QRegion(w.rect()) : part);
        return shot;
    };
    std::unique_ptr<QStyle> plain(QStyleFactory::create("Fusion"));
    faces::BandedStyle banded(QStyleFactory::create("Fusion"));
    const QRegion middle = QRegion(140, 200, 60, 333) + QRegion(0, 300, 260, 7) + QRegion(300, 15, 40, 150);
    for (const auto& [dpr, part] : { std::pair { 1.0, QRegion() }, { 2.0, QRegion() }, { 1.0, middle }, { 2.0, middle } }) {
        const QImage want = shoot(plain.get(), dpr, part);
        const QImage got = shoot(&banded, dpr, part);
        QCOMPARE(largestDifference(want, got, want.rect()), 0);
    }
}

void FacesTest::aWideFrameIsItsStylesOwn()
{
    // A line edit's frame, drawn small and its edges copied along, looks as
    // the style's own: with and without the keyboard, disabled, at sizes from
    // just large enough to far wider than tall, and drawn again.
    std::unique_ptr<QStyle> plain(QStyleFactory::create("Fusion"));
    faces::BandedStyle banded(QStyleFactory::create("Fusion"));
    const QList<QStyle::State> states { QStyle::State_Enabled, QStyle::State_Enabled | QStyle::State_HasFocus,
        QStyle::State_None };
    for (const QSize size : { QSize(33, 32), QSize(300, 40), QSize(1211, 75), QSize(90, 20) })
        for (const QStyle::State state : states)
            for (int round = 0; round < 2; ++round) {
                QStyleOptionFrame option;
                option.rect = QRect(QPoint(5, 3), size);
                option.state = state;
                option.lineWidth = 1;
                option.palette = QApplication::palette();
                QImage want(size + QSize(10, 6), QImage::Format_ARGB32_Premultiplied);
                want.fill(QColor(0xdd, 0xe6, 0xee));
                QImage got = want;
                for (const auto& [style, image] : { std::pair { plain.get(), &want }, { &banded, &got } }) {
                    QPainter p(image);
                    style->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p);
                }
                // Blended through a picture where the style blends straight on: a level or two apart at most.
                QVERIFY2(largestDifference(want, got, want.rect()) <= 2,
                    qPrintable(QString("%1x%2, state %3: differs by %4")
                                   .arg(size.width())
                                   .arg(size.height())
                                   .arg(static_cast<uint>(state))
                                   .arg(largestDifference(want, got, want.rect()))));
            }
}

void FacesTest::wideButtonsStayTheStylesOwnAsTheKeptOnesAreDropped()
{
    // A drag draws each button at a new width every step: far more than the
    // wide pictures kept hold, so they are dropped again and again. Every
    // width, and one drawn again after they were dropped, is still exactly
    // the style's own, in each of a button's looks.
    std::unique_ptr<QStyle> plain(QStyleFactory::create("Fusion"));
    faces::BandedStyle banded(QStyleFactory::create("Fusion"));
    const auto draw = [](QStyle* style, const QStyleOptionButton& option) {
        QImage shot(option.rect.size() + QSize(4, 4), QImage::Format_ARGB32_Premultiplied);
        shot.fill(QColor(0xdd, 0xe6, 0xee));
        QPainter p(&shot);
        style->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &p);
        return shot;
    };
    // Widths met again in other heights and looks, and the whole drag twice.
    for (int round = 0; round < 2; ++round)
        for (int width : { 333, 40, 1500 })
            for (int i = 0; i < 60; ++i) {
                QStyleOptionButton option;
                option.rect = QRect(2, 2, width + 23 * (i / 3), 30 + i % 3 * 31);
                option.state = i % 4 == 0 ? QStyle::State_Enabled | QStyle::State_Sunken : QStyle::State_Enabled;
                option.features = i % 5 == 0 ? QStyleOptionButton::DefaultButton : QStyleOptionButton::None;
                option.palette = QApplication::palette();
                const QImage want = draw(plain.get(), option);
                QCOMPARE(largestDifference(want, draw(&banded, option), want.rect()), 0);
            }
}

void FacesTest::cachedWordsDrawAsTheItemStyle()
{
    // Lists drawn from cached text look exactly as Qt's own item drawing: a
    // styled box list and a plain one, at both densities, after the words and
    // the font change, and with a line the cache leaves to Qt (selected).
    struct Shot {
        std::unique_ptr<QListWidget> list;
        QImage image;
    };
    const auto make = [](bool cached, bool styled) {
        auto list = std::make_unique<QListWidget>();
        list->resize(180, 260);
        list->setTextElideMode(Qt::ElideNone);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (styled)
            list->setStyleSheet("QListWidget { background: transparent; color: #a01010; border: 1px solid transparent; }");
        if (cached)
            list->setItemDelegate(new faces::CachedTextDelegate(list.get()));
        for (const char* word : { "ABSOLVE", "BAROSCOPE", "QUAKES      +250", "Wij & <b>x</b>", "" })
            list->addItem(QString::fromUtf8(word));
        return list;
    };
    const auto shoot = [](QListWidget& list, qreal dpr) {
        QImage shot(list.size() * dpr, QImage::Format_ARGB32_Premultiplied);
        shot.setDevicePixelRatio(dpr);
        shot.fill(Qt::white);
        list.render(&shot);
        return shot;
    };
    for (const bool styled : { false, true }) {
        auto plain = make(false, styled), cached = make(true, styled);
        const auto same = [&](const char* when) {
            for (const qreal dpr : { 1.0, 2.0 }) {
                const QImage want = shoot(*plain, dpr);
                QImage got = shoot(*cached, dpr);
                got = shoot(*cached, dpr); // the second time from the cache
                QVERIFY2(largestDifference(want, got, want.rect()) == 0,
                    qPrintable(QString("%1, %2, pixel ratio %3").arg(when, styled ? "styled" : "plain").arg(dpr)));
            }
        };
        same("as made");
        for (auto* list : { plain.get(), cached.get() }) {
            list->item(1)->setText("BAROSCOPES");
            list->addItem("ZYGOTE");
            QFont big = list->font();
            big.setPixelSize(23);
            list->setFont(big);
            list->item(0)->setSelected(true);
        }
        same("after changes");
    }
}

void FacesTest::drawingInBandsDrawsAsInOneGo()
{
    // A tile's face, scaled, with a shadow, a gradient, outlines and a
    // letter: drawn band by band exactly as drawn whole, at both densities.
    const auto shoot = [](qreal dpr, bool banded) {
        const QSize size(150, 170);
        QImage shot(size * dpr, QImage::Format_ARGB32_Premultiplied);
        shot.setDevicePixelRatio(dpr);
        shot.fill(Qt::transparent);
        QPainter p(&shot);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(20, 60, 160), 2.5, Qt::DashLine));
        const auto draw = [&] {
            p.scale(3.7, 3.7);
            const QRectF r(1.5, 1.5, 37, 42);
            QPainterPath body;
            body.addRoundedRect(r, 5, 5);
            p.fillPath(body.translated(1.5, 1.5), QColor(0, 0, 0, 70));
            QLinearGradient face(r.topLeft(), r.bottomRight());
            face.setColorAt(0, QColor(255, 248, 226));
            face.setColorAt(1, QColor(228, 205, 150));
            p.fillPath(body, face);
            p.drawPath(body);
            p.drawLine(QPointF(5, 3), QPointF(5, 40));
            QFont f;
            f.setPixelSize(25);
            f.setBold(true);
            p.setFont(f);
            p.drawText(r, Qt::AlignCenter, "Q");
        };
        if (banded) {
            faces::drawInBands(p, QRect(QPoint(0, 0), size), draw);
        } else {
            p.save();
            draw();
            p.restore();
        }
        // The painter is as it was: what is drawn after is not clipped or scaled.
        p.fillRect(QRect(140, 160, 10, 10), Qt::red);
        return shot;
    };
    for (const qreal dpr : { 1.0, 2.0 }) {
        const QImage whole = shoot(dpr, false);
        const QImage bands = shoot(dpr, true);
        QVERIFY2(largestDifference(whole, bands, whole.rect()) == 0, qPrintable(QString("pixel ratio %1").arg(dpr)));
    }
}

QTEST_MAIN(FacesTest)
#include "tst_faces.moc"
