// The chat view on the offscreen platform: what a line turns into, links,
// the bounded history and the pop-up's items.

#include "chat/ChatLine.h"
#include "chat/ChatView.h"

#include <QAction>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

namespace
{

struct Run {
    QString text;
    QTextCharFormat format;
};

// The runs of one line (block), in order.
QList<Run> runs(const QTextBlock& block)
{
    QList<Run> out;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        out.push_back({ it.fragment().text(), it.fragment().charFormat() });
    return out;
}

QTextBlock lastBlock(const ChatView& v) { return v.document()->lastBlock(); }

// Where a line's first link is drawn, in viewport coordinates.
QPoint linkPoint(ChatView& v, const QTextBlock& block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().charFormat().isAnchor()) {
            QTextCursor c(v.document());
            c.setPosition(it.fragment().position() + 1);
            return v.cursorRect(c).center();
        }
    }
    return {};
}

} // namespace

class ChatViewTest : public QObject
{
    Q_OBJECT
private slots:
    void peerMarkupIsShownAsText();
    void headsAreBoldAndAPlayersColourIsShared();
    void aColourChangeRepaintsOnlyTheNewestLines();
    void smileysArePicturesAndNothingElseIsFetched();
    void aClickOpensTheAddressThatWasShown();
    void onlyWebAddressesOpen();
    void handPointerOverALink();
    void historyIsBounded();
    void longLinesAreClippedAndTheHistoryBoundedByItsText();
    void theGamesLinesAreSetApartFromAnythingAPlayerWrites();
    void clearMainChatEmptiesTheView();
    void scrollOffKeepsThePlaceAndFollowsTheItem();
    void copyGivesSmileysBackAsCodes();
    void textSizeReachesEveryStyle();
    void aDraggedWindowRewrapsTheHistoryOnceItSettles();
    void aHiddenViewTakesItsZoomWhenItShows();
};

void ChatViewTest::peerMarkupIsShownAsText()
{
    ChatView v;
    const QString evil = "<b>x</b> &amp; <img src=\"/etc/passwd\"> <a href=\"file:///etc\">y</a>";
    v.addLine("2+Eve chats: " + evil, Qt::red);
    QCOMPARE(lastBlock(v).text(), "Eve chats: " + evil);
    for (const Run& r : runs(lastBlock(v))) {
        QVERIFY2(!r.format.isImageFormat(), "a tag became a picture");
        // The only anchor in the line may be one the view made itself.
        if (r.format.isAnchor())
            QVERIFY(r.format.anchorHref().startsWith("zirky-link:"));
    }
    // No run of the body is bold: "<b>" did nothing.
    const QList<Run> line = runs(lastBlock(v));
    for (qsizetype i = 1; i < line.size(); ++i)
        QVERIFY(line[i].format.fontWeight() != QFont::Bold);
}

void ChatViewTest::headsAreBoldAndAPlayersColourIsShared()
{
    ChatView v;
    v.addLine("2+Bob chats: first", Qt::red);
    v.addLine("0+Bob is Connected.", Qt::blue);
    v.addLine("0+Ann has left.", QColor(0, 0, 128));
    v.addLine("3+Cy chats: mine", Qt::darkGreen);
    v.addLine("2+Bob chats: again", Qt::magenta);
    v.drawWaitingLines();

    const QTextBlock bob1 = v.document()->firstBlock();
    const QList<Run> first = runs(bob1);
    QCOMPARE(first[0].text, QString("Bob chats: "));
    QCOMPARE(first[0].format.fontWeight(), int(QFont::Bold));
    // Bob's earlier line took his new colour, head and body.
    QCOMPARE(first[0].format.foreground().color(), QColor(Qt::magenta));
    QCOMPARE(first[1].format.foreground().color(), QColor(Qt::magenta));
    // Nobody else's lines changed.
    QCOMPARE(runs(bob1.next())[0].format.foreground().color(), QColor(Qt::blue));
    QCOMPARE(runs(bob1.next().next())[0].format.foreground().color(), QColor(0, 0, 128));
    QCOMPARE(runs(bob1.next().next().next())[0].format.foreground().color(), QColor(Qt::darkGreen));
}

void ChatViewTest::aColourChangeRepaintsOnlyTheNewestLines()
{
    // A flooder alternating colours over long lines froze the window for seconds.
    ChatView v;
    for (int i = 0; i < 300; ++i)
        v.addLine("2+Bob chats: line " + QString::number(i), Qt::red);
    v.addLine("2+Bob chats: now blue", Qt::blue);
    v.drawWaitingLines();
    const QTextBlock last = v.document()->lastBlock();
    QCOMPARE(runs(last.previous())[1].format.foreground().color(), QColor(Qt::blue));
    QCOMPARE(runs(v.document()->findBlockByNumber(299 - 90))[1].format.foreground().color(), QColor(Qt::blue));
    QCOMPARE(runs(v.document()->firstBlock())[1].format.foreground().color(), QColor(Qt::red));
}

void ChatViewTest::smileysArePicturesAndNothingElseIsFetched()
{
    ChatView v;
    v.addLine("1+Ann chats: hi :)#12 and :)#99", Qt::black);
    QStringList pictures;
    for (const Run& r : runs(lastBlock(v)))
        if (r.format.isImageFormat())
            pictures << r.format.toImageFormat().name();
    QCOMPARE(pictures, QStringList({ "smiley:2", "smiley:0" }));
    const QImage face = v.document()->resource(QTextDocument::ImageResource, QUrl("smiley:2")).value<QImage>();
    QVERIFY(!face.isNull());
    // A name a line could carry never reaches the disk.
    QVERIFY(!v.loadResource(QTextDocument::ImageResource, QUrl("file:///usr/share/pixmaps/debian-logo.png")).isValid());
    QVERIFY(!v.loadResource(QTextDocument::ImageResource, QUrl("debian-logo.png")).isValid());
}

void ChatViewTest::aClickOpensTheAddressThatWasShown()
{
    ChatView v;
    QStringList opened;
    v.openUrl = [&](const QUrl& u) {
        opened << u.toString();
        return true;
    };
    v.tell = [](const QString& t) { QFAIL(qPrintable("unexpected message: " + t)); };
    v.resize(500, 300);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    v.setScrollOff(true);
    v.addLine("0+www.zero.org", Qt::black); // slot 0 is used once and never again
    v.addLine("1+Ann chats: look www.first.org please", Qt::black);
    const QTextBlock firstLine = v.document()->firstBlock().next();
    // More links than the table holds: the first link's slot is reused.
    for (int i = 0; i < 150; ++i)
        v.addLine(QStringLiteral("2+Bob chats: http://l%1.org").arg(i), Qt::black);
    v.drawWaitingLines();
    v.verticalScrollBar()->setValue(0);
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, linkPoint(v, firstLine));
    QCOMPARE(opened, QStringList({ "http://www.first.org" }));

    v.verticalScrollBar()->setValue(v.verticalScrollBar()->maximum());
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, linkPoint(v, lastBlock(v)));
    QCOMPARE(opened.last(), "http://l149.org");
}

void ChatViewTest::onlyWebAddressesOpen()
{
    ChatView v;
    QStringList opened, told;
    v.openUrl = [&](const QUrl& u) {
        opened << u.toString();
        return true;
    };
    v.tell = [&](const QString& t) { told << t; };
    const auto clickLast = [&] {
        for (const Run& r : runs(lastBlock(v)))
            if (r.format.isAnchor())
                v.mainchatJump(QUrl(r.format.anchorHref()));
    };
    v.addLine("2+Eve chats: javascript:alert('www.')", Qt::black);
    clickLast();
    v.addLine("2+Eve chats: /usr/bin/www.sh", Qt::black);
    clickLast();
    QVERIFY(opened.isEmpty());
    QCOMPARE(told, QStringList({ "Cannot open Webpage", "Cannot open Webpage" }));

    // The system refusing to open an address is told too.
    v.openUrl = [](const QUrl&) { return false; };
    v.addLine("2+Eve chats: https://example.org", Qt::black);
    clickLast();
    QCOMPARE(told.size(), 3);
}

void ChatViewTest::handPointerOverALink()
{
    ChatView v;
    v.resize(400, 200);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    v.addLine("1+Ann chats: www.a.org", Qt::black);
    QTest::mouseMove(v.viewport(), linkPoint(v, lastBlock(v)));
    QTRY_COMPARE(v.viewport()->cursor().shape(), Qt::PointingHandCursor);
}

void ChatViewTest::historyIsBounded()
{
    ChatView v;
    const int flood = 3 * ChatView::kMaxLines + 7;
    int most = 0;
    for (int i = 0; i < flood; ++i) {
        v.addLine(QStringLiteral("1+Ann chats: line %1").arg(i), Qt::black);
        most = std::max(most, v.document()->blockCount());
        QVERIFY(v.waitingLines() <= ChatView::kMaxLines);
    }
    v.drawWaitingLines();
    QVERIFY(most <= ChatView::kMaxLines + ChatView::kTrimBatch);
    QVERIFY(v.document()->blockCount() >= ChatView::kMaxLines);
    QCOMPARE(v.document()->lastBlock().text(), QStringLiteral("Ann chats: line %1").arg(flood - 1));
    // Whole lines go: the oldest line left is a complete one.
    QVERIFY(v.document()->firstBlock().text().startsWith("Ann chats: line "));
}

void ChatViewTest::longLinesAreClippedAndTheHistoryBoundedByItsText()
{
    // The longest lines the host relays, as fast as a hostile host sends them.
    ChatView v;
    const QString huge = "2+Bob chats: " + QString(32 * 1024, 'x');
    for (int i = 0; i < 2000; ++i)
        v.addLine(huge + QString::number(i), i % 2 ? Qt::red : Qt::blue);
    v.drawWaitingLines();
    QVERIFY(v.document()->characterCount() <= ChatView::kMaxCharacters + ChatView::kMaxCharacters / 10);
    for (QTextBlock b = v.document()->begin(); b.isValid(); b = b.next())
        QVERIFY(b.text().toUtf8().size() <= qsizetype(chat::kMaxShownBytes));
    QVERIFY2(v.document()->lastBlock().text().endsWith(QChar(0x2026)), "the newest line is not the last shown");
    // The newest lines share the newest colour.
    QCOMPARE(runs(lastBlock(v).previous())[1].format.foreground().color(), QColor(Qt::red));
}

void ChatViewTest::theGamesLinesAreSetApartFromAnythingAPlayerWrites()
{
    struct Row {
        const char* fault;
        QString line;
        bool gameLine;
    };
    const Row rows[] = {
        { "the game's own line not set apart", "0+Everyone has voted to finish this round.", true },
        { "a player called Everyone passed for the game", "1+Everyone has voted to finish this round.", false },
        { "a player's line with a colon passed for the game", "2+Bob chats: You are Connected.", false },
        { "a notice with an address split and not set apart", "0+The address ::1 cannot be found.", true },
    };
    ChatView v;
    for (const Row& r : rows) {
        v.addLine(r.line, Qt::blue);
        v.drawWaitingLines();
        const QTextBlock block = lastBlock(v);
        QCOMPARE(block.text(), r.line.mid(2));
        const bool band = block.blockFormat().hasProperty(QTextFormat::BackgroundBrush);
        QVERIFY2(band == r.gameLine, r.fault);
        for (const Run& run : runs(block))
            QVERIFY2(run.format.fontItalic() == r.gameLine, r.fault);
        QCOMPARE(block.blockFormat().layoutDirection(), Qt::LeftToRight);
    }

    // Trimming the history leaves each line its own band.
    ChatView trimmed;
    for (int i = 0; i < ChatView::kMaxLines + ChatView::kTrimBatch + 3; ++i)
        trimmed.addLine(i % 2 ? QStringLiteral("0+game %1").arg(i) : QStringLiteral("1+Ann chats: %1").arg(i), Qt::blue);
    trimmed.drawWaitingLines();
    for (QTextBlock b = trimmed.document()->begin(); b.isValid(); b = b.next())
        QVERIFY2(b.blockFormat().hasProperty(QTextFormat::BackgroundBrush) == b.text().startsWith("game"),
            qPrintable(b.text()));
}

void ChatViewTest::clearMainChatEmptiesTheView()
{
    ChatView v;
    bool cleared = false;
    connect(&v, &ChatView::cleared, [&] { cleared = true; });
    v.addLine("0+one", Qt::blue);
    v.findChild<QAction*>("ClearMainChat1")->trigger();
    QVERIFY(cleared);
    QVERIFY(v.document()->isEmpty());
    v.addLine("0+two", Qt::blue);
    QCOMPARE(v.toPlainText(), QString("two"));
}

void ChatViewTest::scrollOffKeepsThePlaceAndFollowsTheItem()
{
    ChatView v;
    v.resize(300, 120);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QList<bool> told;
    connect(&v, &ChatView::scrollOffChanged, [&](bool off) { told << off; });
    for (int i = 0; i < 50; ++i)
        v.addLine(QStringLiteral("0+line %1").arg(i), Qt::blue);
    v.drawWaitingLines();
    QCOMPARE(v.verticalScrollBar()->value(), v.verticalScrollBar()->maximum());

    v.scrollOffAction()->trigger();
    QVERIFY(v.scrollOff());
    v.verticalScrollBar()->setValue(0);
    v.addLine("0+more", Qt::blue);
    v.drawWaitingLines();
    QCOMPARE(v.verticalScrollBar()->value(), 0);

    v.setScrollOff(false); // from the main window's item
    QVERIFY(!v.scrollOffAction()->isChecked());
    QCOMPARE(told, QList<bool>({ true, false }));
}

void ChatViewTest::copyGivesSmileysBackAsCodes()
{
    ChatView v;
    v.addLine("1+Ann chats: hi :)#12 there", Qt::black);
    v.selectAll();
    std::unique_ptr<QMimeData> data(v.createMimeDataFromSelection());
    QCOMPARE(data->text(), QString("Ann chats: hi :)#12 there"));
}

void ChatViewTest::textSizeReachesEveryStyle()
{
    ChatView v;
    v.addLine("0+system", Qt::blue);
    v.addLine("9+Spy chats: www.a.org :)#10", Qt::black);
    v.setTextSize(14);
    int pictures = 0;
    for (QTextBlock b = v.document()->begin(); b.isValid(); b = b.next()) {
        for (const Run& r : runs(b)) {
            if (r.format.isImageFormat()) {
                ++pictures;
                QVERIFY(r.format.toImageFormat().height() > 14);
            } else {
                QCOMPARE(r.format.fontPointSize(), 14.0);
            }
        }
    }
    QCOMPARE(pictures, 1);
    QCOMPARE(runs(lastBlock(v))[0].format.fontWeight(), int(QFont::Bold));
    v.addLine("1+Ann chats: later", Qt::black);
    QCOMPARE(runs(lastBlock(v))[1].format.fontPointSize(), 14.0);
}

void ChatViewTest::aHiddenViewTakesItsZoomWhenItShows()
{
    // Under the end-of-turn lists the view is hidden while the window may be
    // dragged: its history is sized once, when it shows, and it still ends at
    // the newest line.
    QWidget window;
    auto* v = new ChatView(&window);
    v->resize(500, 200);
    for (int i = 0; i < 80; ++i)
        v->addLine(QString("1+Ann chats: line %1").arg(i), Qt::black);
    window.resize(520, 220);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    v->verticalScrollBar()->setValue(v->verticalScrollBar()->maximum());
    const qreal shown = runs(lastBlock(*v))[1].format.fontPointSize();
    v->hide();
    v->setZoom(2);
    QCOMPARE(runs(lastBlock(*v))[1].format.fontPointSize(), shown);
    v->show();
    QCOMPARE(runs(lastBlock(*v))[1].format.fontPointSize(), v->shownTextSize());
    QVERIFY(v->shownTextSize() > shown);
    QTRY_VERIFY(v->verticalScrollBar()->value() >= v->verticalScrollBar()->maximum() - 1);
}

void ChatViewTest::aDraggedWindowRewrapsTheHistoryOnceItSettles()
{
    ChatView v;
    for (int i = 0; i < 200; ++i)
        v.addLine(QString("1+Ann chats: line %1 long enough to wrap at a narrow width, and then some").arg(i), Qt::black);
    v.resize(600, 300);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QTest::qWait(ChatView::kSettleMs + 50);
    const auto wrappedAt = [&] { return static_cast<int>(v.document()->textWidth()); };
    const auto atBottom = [&] { return v.verticalScrollBar()->value() >= v.verticalScrollBar()->maximum() - 1; };

    // A first resize after a quiet while is a window that was maximised or
    // snapped, not dragged: wrapped at once.
    v.resize(500, 300);
    QCoreApplication::processEvents();
    QCOMPARE(wrappedAt(), v.viewport()->width());
    QTRY_VERIFY(atBottom());

    // A reader who scrolls up before the re-wrap finishes is not pulled back down by it.
    v.resize(520, 300);
    v.verticalScrollBar()->setValue(v.verticalScrollBar()->value() - 200);
    QCoreApplication::processEvents();
    QVERIFY(!atBottom());
    v.verticalScrollBar()->setValue(v.verticalScrollBar()->maximum());

    // Further sizes in quick succession keep the width they began at, and the
    // text size the zoom asks for waits too.
    v.resize(450, 300);
    v.resize(400, 300);
    v.setZoom(2);
    QCoreApplication::processEvents();
    QVERIFY(wrappedAt() > v.viewport()->width());
    QCOMPARE(v.horizontalScrollBar()->isVisible(), false);
    QCOMPARE(runs(lastBlock(v))[1].format.fontPointSize(), 8.0);

    // Settled: the narrower width and the larger text, and the newest line still in view.
    QTRY_COMPARE(wrappedAt(), v.viewport()->width());
    QCOMPARE(runs(lastBlock(v))[1].format.fontPointSize(), 16.0);
    QCOMPARE(v.lineWrapMode(), QTextEdit::WidgetWidth);
    QTRY_VERIFY(atBottom());

    // A reader scrolled back keeps their line at the top through a drag that
    // makes the view taller and the text smaller, and once it settles.
    QTest::qWait(ChatView::kSettleMs + 50);
    const QTextBlock line50 = v.document()->findBlockByNumber(50);
    QTextCursor at50(line50);
    v.verticalScrollBar()->setValue(v.verticalScrollBar()->value() + v.cursorRect(at50).top());
    const auto topLine = [&] { return v.cursorForPosition(QPoint(0, 2)).block().blockNumber(); };
    QCOMPARE(topLine(), 50);
    v.resize(420, 500);
    v.resize(440, 700);
    v.setZoom(1);
    QCoreApplication::processEvents();
    QCOMPARE(topLine(), 50);
    QTRY_COMPARE(v.lineWrapMode(), QTextEdit::WidgetWidth);
    QCOMPARE(runs(lastBlock(v))[1].format.fontPointSize(), 8.0);
    QTest::qWait(50); // anything the settling left to do
    QCOMPARE(topLine(), 50);
    QVERIFY(!atBottom());
}

QTEST_MAIN(ChatViewTest)
#include "tst_chatview.moc"
