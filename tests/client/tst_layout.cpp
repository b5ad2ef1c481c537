// The board laid out at the sizes players use, filled as full as a turn gets:
// no text cut or squeezed, no control on another, the end-of-turn panels
// clear of the chat input and the phrase buttons, and the text size reaching
// the whole board. Geometry is checked against what the texts need, never
// against pixel positions.

#include "FullTurn.h"

#include "chat/Backdrop.h"
#include "chat/ChatView.h"
#include "client/GameBoard.h"
#include "client/TileWidget.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <map>
#include <memory>

namespace
{

QPixmap plainWhite()
{
    QPixmap background(64, 64);
    background.fill(Qt::white);
    return background;
}

struct Board {
    explicit Board(const QPixmap& background = plainWhite())
    {
        MainWindow::Options options;
        options.args = { "Ann" }; // neither hosts nor joins: the test is the host
        options.settingsPath = dir.filePath("draviklobby.ini").toStdString();
        window = std::make_unique<MainWindow>(background, options);
        window->show();
        fullturn::feed(*window, fullturn::dealt());
        fullturn::feed(*window, fullturn::boxesFull());
    }
    void resize(QSize size)
    {
        window->resize(size);
        QCoreApplication::processEvents();
    }
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

// The part of `w` that shows, in window coordinates: cut by every parent.
QRect shownRect(const QWidget* w)
{
    QRect r(w->mapTo(w->window(), QPoint(0, 0)), w->size());
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        r &= QRect(p->mapTo(p->window(), QPoint(0, 0)), p->size());
    return r;
}

bool inside(const QWidget* w, const QWidget* ancestor)
{
    for (const QWidget* p = w; p; p = p->parentWidget())
        if (p == ancestor)
            return true;
    return false;
}

bool isControl(const QWidget* w)
{
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return !l->text().isEmpty() || !l->pixmap().isNull();
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QListWidget*>(w)
        || qobject_cast<const QLineEdit*>(w) || qobject_cast<const ChatView*>(w)
        || qobject_cast<const TileWidget*>(w);
}

QString describe(const QWidget* w) { return w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName(); }

// Every way a visible text can be cut or squeezed, as a list of faults.
QStringList cutTexts(QWidget* root)
{
    QStringList faults;
    for (QLabel* l : root->findChildren<QLabel*>()) {
        if (!l->isVisibleTo(root) || l->text().isEmpty())
            continue;
        const QFontMetrics fm(l->font());
        const QRect room = l->contentsRect();
        const QRect needed = l->wordWrap()
            ? fm.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, l->text())
            : QRect(0, 0, fm.horizontalAdvance(l->text()), fm.height());
        if (needed.width() > room.width() || needed.height() > room.height())
            faults << QString("%1 \"%2\" needs %3x%4 in %5x%6")
                          .arg(describe(l), l->text())
                          .arg(needed.width())
                          .arg(needed.height())
                          .arg(room.width())
                          .arg(room.height());
        const bool scrolledAway = inside(l, root->findChild<QWidget*>("panel_wordcolumns"));
        if (!scrolledAway && shownRect(l) != QRect(l->mapTo(l->window(), QPoint(0, 0)), l->size()))
            faults << describe(l) + " reaches outside its panel";
    }
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(root) || b->text().isEmpty())
            continue;
        const QSize text = b->fontMetrics().size(0, b->text());
        QStyleOptionButton option;
        option.initFrom(b);
        const QRect room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
        const bool fits = qobject_cast<QCheckBox*>(b) ? b->sizeHint().width() <= b->width()
                                                      : text.width() <= room.width() && text.height() <= room.height();
        if (!fits)
            faults << QString("%1 \"%2\" does not fit its button").arg(describe(b), b->text());
    }
    for (QListWidget* list : root->findChildren<QListWidget*>()) {
        if (!list->isVisibleTo(root))
            continue;
        const bool canScroll = list->verticalScrollBar()->isVisibleTo(list);
        for (int i = 0; i < list->count(); ++i) {
            const QRect item = list->visualItemRect(list->item(i));
            const int textW = QFontMetrics(list->font()).horizontalAdvance(list->item(i)->text());
            if (textW > item.width() - 2)
                faults << QString("%1 cuts \"%2\"").arg(describe(list), list->item(i)->text());
            const bool hiddenBelow = !list->viewport()->rect().contains(item);
            if (hiddenBelow && !canScroll)
                faults << QString("%1 hides \"%2\" with no way to scroll to it").arg(describe(list), list->item(i)->text());
        }
    }
    return faults;
}

// Controls drawn on one another. An open end-of-turn panel's face is painted
// with the window's background, beneath every widget: what it covers must be
// hidden, or it would show through the panel.
QStringList overlaps(QWidget* root)
{
    QList<QWidget*> covers;
    for (const char* name : { "panel_wordlists", "panel_missed" })
        if (auto* p = root->findChild<QWidget*>(name); p && p->isVisibleTo(root))
            covers << p;
    QList<QWidget*> controls;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || !isControl(w) || shownRect(w).isEmpty())
            continue;
        controls << w;
    }
    QStringList faults;
    for (QWidget* w : root->findChildren<QWidget*>())
        for (QWidget* c : covers)
            if (w->isVisibleTo(root) && !shownRect(w).isEmpty() && !inside(w, c) && !inside(c, w)
                && shownRect(c).intersects(shownRect(w)))
                faults << describe(w) + " shows through " + describe(c);
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i];
            QWidget* b = controls[j];
            if (inside(a, b) || inside(b, a))
                continue;
            if (shownRect(a).intersects(shownRect(b)))
                faults << describe(a) + " overlaps " + describe(b);
        }
    return faults;
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT
private slots:
    void nothingCutNothingOverlapping_data();
    void nothingCutNothingOverlapping();
    void panelsLeaveTheChatInputAndPhrases();
    void textSizeReachesTheWholeBoard();
    void theBoardGrowsWithTheWindow();
    void theBackgroundFitsEverySizeOnceSettled();
    void chatKeepsItsNewestLineInView_data();
    void chatKeepsItsNewestLineInView();
    void nothingCutNothingOverlappingAtAnySize();
};

// Rounding at one scale can put a text a pixel into its neighbour's row or
// cut it by a pixel: sizes spread over the whole range, each text size, with
// the boxes full and with the lists open.
void LayoutTest::nothingCutNothingOverlappingAtAnySize()
{
    Board b;
    QStringList faults;
    for (const bool turnOver : { false, true }) {
        if (turnOver)
            fullturn::feed(*b.window, fullturn::turnOver());
        for (int i = 0; i < 100; ++i) {
            const QSize size(795 + (i * 211) % 3046, 568 + (i * 97) % 1590);
            const int textSize = 8 + 2 * (i % 4);
            b.window->board()->setTextSize(textSize);
            b.resize(size);
            for (const QString& fault : cutTexts(b.window.get()) + overlaps(b.window.get()))
                faults << QString("%1x%2, text size %3%4: %5")
                              .arg(size.width())
                              .arg(size.height())
                              .arg(textSize)
                              .arg(turnOver ? ", lists open" : "", fault);
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 10).join("\n")));
}

void LayoutTest::nothingCutNothingOverlapping_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("textSize");
    QTest::addColumn<bool>("turnOver");

    QTest::newRow("default window: ten-letter words in full boxes") << QSize(795, 568) << 8 << false;
    QTest::newRow("default window: five word lists and the words missed") << QSize(795, 568) << 8 << true;
    QTest::newRow("default window at text size 14 crowds every part") << QSize(795, 568) << 14 << false;
    QTest::newRow("default window at text size 14 with the lists") << QSize(795, 568) << 14 << true;
    QTest::newRow("laptop 1280x800: boxes widen, fonts grow") << QSize(1280, 800) << 8 << false;
    QTest::newRow("laptop 1280x800 with the lists") << QSize(1280, 800) << 10 << true;
    QTest::newRow("tall narrow window: extra height, no extra width") << QSize(800, 1100) << 12 << true;
    QTest::newRow("wide short window: extra width, no extra height") << QSize(1900, 600) << 8 << true;
    QTest::newRow("maximised on 3840x2160") << QSize(3840, 2140) << 8 << false;
    QTest::newRow("maximised on 3840x2160 with the lists at size 12") << QSize(3840, 2140) << 12 << true;
}

void LayoutTest::nothingCutNothingOverlapping()
{
    QFETCH(QSize, size);
    QFETCH(int, textSize);
    QFETCH(bool, turnOver);
    Board b;
    b.window->board()->setTextSize(textSize);
    b.resize(size);
    if (turnOver) {
        fullturn::feed(*b.window, fullturn::turnOver());
        QVERIFY(b.window->findChild<QWidget*>("panel_wordlists")->isVisible());
        QVERIFY(b.window->findChild<QWidget*>("panel_missed")->isVisible());
        QVERIFY(b.window->findChild<QLabel*>("memo_ending")->text().contains("1300 bonus"));
    }
    QCoreApplication::processEvents();
    const QStringList cut = cutTexts(b.window.get());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join("\n")));
    const QStringList on = overlaps(b.window.get());
    QVERIFY2(on.isEmpty(), qPrintable(on.join("\n")));
    // The row of boxes never reaches past the left column, and ends with it when the boxes are widened.
    const auto rightOf = [&](const char* name) {
        const QWidget* w = b.window->findChild<QWidget*>(name);
        return w->mapTo(b.window.get(), QPoint(w->width() - 1, 0)).x();
    };
    QVERIFY2(rightOf("list_10") <= rightOf("mainchat"),
        qPrintable(QString("the boxes end at %1, the column at %2").arg(rightOf("list_10")).arg(rightOf("mainchat"))));
    if (size.width() > 795)
        QCOMPARE(rightOf("list_10"), rightOf("mainchat"));
    // Every tile of the rack shows, inside the play area.
    const QWidget* play = b.window->findChild<QWidget*>("panel_game");
    for (TileWidget* t : b.window->findChildren<TileWidget*>())
        if (t->isVisible())
            QVERIFY2(play->rect().contains(t->geometry()), qPrintable(t->objectName()));
}

void LayoutTest::panelsLeaveTheChatInputAndPhrases()
{
    Board b;
    fullturn::feed(*b.window, fullturn::turnOver());
    for (const QSize size : { QSize(795, 568), QSize(1280, 800), QSize(2560, 1440) }) {
        b.resize(size);
        const QRect input = shownRect(b.window->findChild<QWidget*>("mychat"));
        const QRect phrases = shownRect(b.window->findChild<QWidget*>("panel_phrases"));
        for (const char* panel : { "panel_wordlists", "panel_missed" }) {
            const QRect p = shownRect(b.window->findChild<QWidget*>(panel));
            QVERIFY2(!p.intersects(input) && !p.intersects(phrases), panel);
        }
        // No column for the free seat 4, and none of the lists scrolls on its own.
        QVERIFY(!b.window->findChild<QWidget*>("listbox_words4")->isVisibleTo(b.window.get()));
        for (int seat : { 1, 2, 3, 5, 6 }) {
            auto* list = b.window->findChild<QListWidget*>(QString("listbox_words%1").arg(seat));
            QVERIFY(list->isVisibleTo(b.window.get()));
            QVERIFY(!list->verticalScrollBar()->isVisible() && !list->horizontalScrollBar()->isVisible());
        }
    }
    // What the panels cover is not drawn, and comes back when they close,
    // the chat still at its newest line though lines came meanwhile.
    const auto shown = [&](const char* name) { return b.window->findChild<QWidget*>(name)->isVisible(); };
    QVERIFY(!shown("mainchat") && !shown("list_7"));
    QVERIFY(shown("mychat") && shown("panel_phrases") && shown("label_status"));
    ChatView* chat = b.window->chatView();
    for (int i = 0; i < 60; ++i)
        chat->addLine(QString("0+line %1 while the lists are open").arg(i), Qt::blue);
    chat->drawWaitingLines();
    QTest::mouseClick(b.window->findChild<QPushButton*>("button_close"), Qt::LeftButton);
    if (shown("panel_missed"))
        QTest::mouseClick(b.window->findChild<QPushButton*>("button_closemissed"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(shown("mainchat") && shown("list_7") && shown("panel_game"));
    QScrollBar* bar = chat->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QTRY_COMPARE(bar->value(), bar->maximum());
}

void LayoutTest::textSizeReachesTheWholeBoard()
{
    Board b;
    // Full boxes say so in their captions ("3 Letters: full"): the window is
    // wide enough for eight of them at the largest text.
    b.resize(QSize(1920, 1080));
    const auto pixels = [&](const char* name) { return b.window->findChild<QWidget*>(name)->fontInfo().pixelSize(); };
    const char* texts[] = { "label_status", "label_playername2", "label_score2", "label_playto", "label_thesum",
        "b_phrase1", "mychat", "label_caption3" };
    std::map<std::string, int> before;
    for (const char* name : texts)
        before[name] = pixels(name);
    const qreal chatBefore = b.window->chatView()->shownTextSize();
    const int menuBefore = QFontInfo(b.window->menuBar()->font()).pixelSize();
    b.window->findChild<QAction*>("N141")->trigger();
    QCoreApplication::processEvents();
    for (const char* name : texts)
        QVERIFY2(pixels(name) > before[name], name);
    QVERIFY(QFontInfo(b.window->menuBar()->font()).pixelSize() > menuBefore);
    QCOMPARE(b.window->findChild<QMenu*>("View1")->font(), b.window->menuBar()->font());
    QVERIFY(b.window->chatView()->shownTextSize() > chatBefore);
    const QStringList cut = cutTexts(b.window.get());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join("\n")));
}

void LayoutTest::theBackgroundFitsEverySizeOnceSettled()
{
    // Taller than the default window and shorter than a large one, so the
    // window goes between the picture shrunk and grown; with detail in every
    // row, so a picture left at another size shows.
    QImage source(300, 700, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgb((x * 5) % 256, (y * 3) % 256, (x + 2 * y) % 256));
    Board b(QPixmap::fromImage(source));
    QWidget* backdrop = b.window->centralWidget();
    for (const QSize size : { QSize(1280, 800), QSize(795, 568), QSize(2000, 1200), QSize(1990, 1190), QSize(900, 700) }) {
        b.resize(size);
        QTest::qWait(400); // the picture is scaled to the exact size once the window has settled
        const QImage want = source.scaled(backdrop->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // Where no panel lies over it, the backdrop is the picture.
        std::vector<QPoint> bare;
        const std::vector<faces::Placed> placed = faces::facesOn(backdrop);
        for (int y = 2; y < backdrop->height(); y += 7)
            for (int x = 2; x < backdrop->width(); x += 7)
                if (std::none_of(placed.begin(), placed.end(), [&](const faces::Placed& f) { return f.rect.contains(x, y); }))
                    bare.push_back({ x, y });
        QVERIFY2(bare.size() > 20, qPrintable(QString("%1 bare points").arg(bare.size())));
        for (const qreal ratio : { 1.0, 2.0 }) { // written directly, and through a painter
            QImage shown(backdrop->size() * ratio, QImage::Format_RGB32);
            shown.setDevicePixelRatio(ratio);
            shown.fill(Qt::black);
            backdrop->render(&shown, QPoint(), QRegion(), QWidget::DrawWindowBackground);
            for (const QPoint at : bare) {
                const QRgb got = shown.pixel(at * ratio);
                const QRgb expected = want.pixel(at);
                const int off = std::max({ std::abs(qRed(got) - qRed(expected)), std::abs(qGreen(got) - qGreen(expected)),
                    std::abs(qBlue(got) - qBlue(expected)) });
                QVERIFY2(off <= 2,
                    qPrintable(QString("%1x%2 at ratio %3: (%4, %5) is off by %6")
                                   .arg(size.width()).arg(size.height()).arg(ratio).arg(at.x()).arg(at.y()).arg(off)));
            }
        }
    }
}

void LayoutTest::theBoardGrowsWithTheWindow()
{
    Board b;
    b.resize(QSize(795, 568));
    const auto measure = [&](const char* name) {
        const QWidget* w = b.window->findChild<QWidget*>(name);
        return std::make_pair(w->height(), w->fontInfo().pixelSize());
    };
    const auto tileSmall = measure("dice_1");
    const auto nameSmall = measure("label_playername1");
    const auto boxSmall = measure("list_10");
    // The menus keep the system's look at the default size, and grow with the board, the drop-downs too.
    QMenuBar* bar = b.window->menuBar();
    QCOMPARE(bar->font(), QApplication::font(bar));
    const int menuSmall = QFontInfo(bar->font()).pixelSize();
    b.resize(QSize(1600, 1136 + bar->height()));
    QVERIFY(QFontInfo(bar->font()).pixelSize() > menuSmall * 1.8);
    QCOMPARE(b.window->findChild<QMenu*>("TextSize1")->font(), bar->font());
    QVERIFY(b.window->board()->scale() > 1.9);
    QVERIFY(measure("dice_1").first > tileSmall.first * 1.8);
    QVERIFY(measure("label_playername1").second > nameSmall.second * 1.5);
    QVERIFY(measure("list_10").second > boxSmall.second * 1.5);
    QVERIFY(measure("list_10").first > boxSmall.first * 1.5);
    // A tile still stands where the board's rack puts it.
    const client::Tile& first = b.window->session().game().rack().tile(1);
    QCOMPARE(b.window->findChild<TileWidget*>("dice_1")->pos(), b.window->board()->tilePosition(first, false));
    // And the window cannot be made smaller than the default board.
    b.resize(QSize(400, 300));
    QVERIFY(b.window->width() >= 787 && b.window->centralWidget()->height() >= 522);
}

void LayoutTest::chatKeepsItsNewestLineInView_data()
{
    QTest::addColumn<bool>("scrolledBack");
    QTest::newRow("a reader at the newest line stays there") << false;
    QTest::newRow("a reader scrolled back is not pulled down") << true;
}

void LayoutTest::chatKeepsItsNewestLineInView()
{
    QFETCH(bool, scrolledBack);
    Board b;
    ChatView* chat = b.window->chatView();
    for (int i = 0; i < 120; ++i)
        chat->addLine(QString("0+line %1 of a long afternoon of chat").arg(i), Qt::blue);
    // All drawn before the reader scrolls: a line drawn later pulls the view down, as new chat does.
    QCoreApplication::processEvents();
    chat->drawWaitingLines();
    QCOMPARE(chat->waitingLines(), 0);
    QScrollBar* bar = chat->verticalScrollBar();
    QCOMPARE(bar->value(), bar->maximum());
    if (scrolledBack)
        bar->setValue(bar->maximum() / 2);
    const auto atNewest = [&] { return bar->value() == bar->maximum() && bar->maximum() > 0; };
    // A long history is laid out in steps after a change of width or size;
    // judged once it has all been laid out, however slow the machine.
    const auto settled = [&] {
        QTest::qWait(20);
        chat->document()->pageCount();
        QCoreApplication::processEvents();
    };

    b.resize(QSize(1400, 900));
    settled();
    QCOMPARE(atNewest(), !scrolledBack);
    b.window->findChild<QAction*>("N121")->trigger();
    settled();
    QCOMPARE(atNewest(), !scrolledBack);
    b.resize(QSize(800, 570));
    settled();
    QCOMPARE(atNewest(), !scrolledBack);
}

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
