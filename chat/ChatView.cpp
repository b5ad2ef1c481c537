#include "ChatView.h"

#include "Smileys.h"
#include "net/Text.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTimer>

#include <algorithm>
#include <tuple>

#include <cmath>
#include <cstdio>

namespace
{

// Which of the fifteen styles a run of text is drawn in.
constexpr int kStyleProperty = QTextFormat::UserProperty + 1;
// The smiley number (10..27) a picture stands for, for copying it as text.
constexpr int kSmileyProperty = QTextFormat::UserProperty + 2;
const QString kLinkScheme = QStringLiteral("zirky-link");
const QString kSmileyScheme = QStringLiteral("smiley");
const QColor kLinkColour(0, 0, 255);
// The band behind the game's own lines; no player's line is drawn on one.
const QColor kGameLineBand(255, 246, 214);

QTextBlockFormat lineFormat(bool gameLine)
{
    QTextBlockFormat f;
    // Left to right whatever the first letters of a name: a line is never turned around.
    f.setLayoutDirection(Qt::LeftToRight);
    if (gameLine)
        f.setBackground(kGameLineBand);
    return f;
}

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

} // namespace

QColor colorFromBgr(std::uint32_t bgr)
{
    return QColor(
        static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t bgrFromColor(const QColor& c)
{
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8)
        | (static_cast<std::uint32_t>(c.blue()) << 16);
}

ChatView::ChatView(QWidget* parent)
    : QTextBrowser(parent)
{
    setObjectName("mainchat");
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    // A flood of one long word must wrap rather than widen the view.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    tell = [this](const QString& text) { QMessageBox::information(this, QStringLiteral("Zirky"), text); };
    connect(this, &QTextBrowser::anchorClicked, this, &ChatView::mainchatJump);

    m_popup = new QMenu(this);
    m_popup->setObjectName("popup_mainchat");
    QAction* selectAllItem = m_popup->addAction("Select All", this, &QTextEdit::selectAll);
    selectAllItem->setObjectName("SelectAll1");
    QAction* copyItem = m_popup->addAction("Copy", this, &QTextEdit::copy);
    copyItem->setObjectName("Copy1");
    copyItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    QAction* clearItem = m_popup->addAction("Clear Main Chat", this, &ChatView::clearMainChat);
    clearItem->setObjectName("ClearMainChat1");
    m_popup->addSeparator();
    m_scrollOffItem = m_popup->addAction("Chat Scroll Off");
    m_scrollOffItem->setObjectName("ScrollOff2");
    m_scrollOffItem->setCheckable(true);
    m_scrollOffItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(m_scrollOffItem, &QAction::toggled, this, &ChatView::setScrollOff);
    // The shortcuts work while the view has the focus, without the menu open.
    for (QAction* a : { copyItem, m_scrollOffItem }) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }

    m_drawTimer = new QTimer(this);
    m_drawTimer->setSingleShot(true);
    connect(m_drawTimer, &QTimer::timeout, this, &ChatView::drawWhileInBudget);
    m_period.start();
    m_settleTimer = new QTimer(this);
    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(kSettleMs);
    connect(m_settleTimer, &QTimer::timeout, this, &ChatView::settle);

    setTextSize(8);
}

bool ChatView::logToStderr()
{
    static const bool on = qEnvironmentVariable("ZIRKY_LOG_CHAT") == "1";
    return on;
}

int ChatView::smileySize() const { return QFontMetrics(document()->defaultFont()).height() + 4; }

void ChatView::addLine(const QString& line, const QColor& colour)
{
    const QByteArray utf8 = line.toUtf8();
    const std::string_view bytes(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    if (logToStderr()) {
        std::fprintf(stderr, "chat: %s\n", net::printable(bytes).c_str());
        std::fflush(stderr);
    }
    std::string shown = chat::clipForDisplay(bytes);
    m_waitingBytes += shown.size();
    m_waiting.push_back({ std::move(shown), colour });
    // Lines the history would drop as soon as they were drawn are never drawn.
    while (m_waiting.size() > 1
        && (m_waiting.size() > static_cast<std::size_t>(kMaxLines)
            || m_waitingBytes > static_cast<std::size_t>(kMaxCharacters))) {
        m_waitingBytes -= m_waiting.front().line.size();
        m_waiting.pop_front();
    }
    drawWhileInBudget();
}

bool ChatView::budgetLeft()
{
    if (m_period.elapsed() >= kDrawPeriodMs) {
        m_period.restart();
        m_spentNs = 0;
    }
    return m_spentNs < qint64 { kDrawBudgetMs } * 1'000'000;
}

void ChatView::drawWhileInBudget()
{
    // A colour change goes first: it comes at most every kRecolourEveryMs,
    // and a flood of lines must not hold it back for ever.
    const bool recolourDue = !m_lastRecolour.isValid() || m_lastRecolour.elapsed() >= kRecolourEveryMs;
    if (!m_recolour.empty() && recolourDue && budgetLeft()) {
        QElapsedTimer spent;
        spent.start();
        recolourWaitingStyles();
        m_spentNs += spent.nsecsElapsed();
    }
    // Lines are laid out a few at a time (a long one alone), so that the budget is checked often.
    constexpr int kLinesAtOnce = 50;
    constexpr std::size_t kBytesAtOnce = 1024;
    bool drew = false;
    while (!m_waiting.empty() && budgetLeft()) {
        QElapsedTimer spent;
        spent.start();
        QTextCursor cursor(document());
        cursor.beginEditBlock();
        std::size_t bytes = 0;
        for (int n = 0; n < kLinesAtOnce && bytes < kBytesAtOnce && !m_waiting.empty(); ++n) {
            drawLine(m_waiting.front());
            bytes += m_waiting.front().line.size();
            m_waitingBytes -= m_waiting.front().line.size();
            m_waiting.pop_front();
        }
        cursor.endEditBlock();
        trimHistory();
        m_spentNs += spent.nsecsElapsed();
        drew = true;
    }
    if (drew && !m_scrollOff)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    scheduleDrawing();
}

void ChatView::scheduleDrawing()
{
    if (m_waiting.empty() && m_recolour.empty()) {
        m_drawTimer->stop();
        return;
    }
    qint64 wait = 0;
    if (!budgetLeft())
        wait = kDrawPeriodMs - m_period.elapsed();
    if (m_waiting.empty() && m_lastRecolour.isValid())
        wait = std::max(wait, kRecolourEveryMs - m_lastRecolour.elapsed());
    wait = std::clamp<qint64>(wait, 0, std::max(kDrawPeriodMs, kRecolourEveryMs));
    if (!m_drawTimer->isActive() || m_drawTimer->remainingTime() > wait)
        m_drawTimer->start(static_cast<int>(wait));
}

void ChatView::drawWaitingLines()
{
    m_drawTimer->stop();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    while (!m_waiting.empty()) {
        drawLine(m_waiting.front());
        m_waiting.pop_front();
    }
    m_waitingBytes = 0;
    cursor.endEditBlock();
    trimHistory();
    recolourWaitingStyles();
    if (!m_scrollOff)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ChatView::drawLine(const Waiting& waiting)
{
    const chat::ParsedLine parsed = chat::parseLine(waiting.line);
    const QColor& colour = waiting.colour;
    if (m_styles.apply(parsed.style, bgrFromColor(colour)))
        m_recolour[parsed.style] = colour;
    const bool gameLine = parsed.style == chat::kSystemStyle;

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (document()->isEmpty())
        cursor.setBlockFormat(lineFormat(gameLine));
    else
        cursor.insertBlock(lineFormat(gameLine));

    QTextCharFormat plain;
    plain.setForeground(colour);
    plain.setFontPointSize(shownTextSize());
    plain.setFontItalic(gameLine);
    plain.setProperty(kStyleProperty, parsed.style);
    if (!parsed.head.empty()) {
        QTextCharFormat head = plain;
        head.setFontWeight(QFont::Bold);
        cursor.insertText(fromUtf8(parsed.head) + ' ', head);
    }
    for (const chat::Piece& piece : parsed.body) {
        switch (piece.kind) {
        case chat::Piece::Kind::Text:
            cursor.insertText(fromUtf8(piece.text), plain);
            break;
        case chat::Piece::Kind::Link: {
            QTextCharFormat link;
            link.setFontPointSize(shownTextSize());
            link.setForeground(kLinkColour);
            link.setFontUnderline(true);
            link.setFontItalic(gameLine);
            link.setAnchor(true);
            link.setAnchorHref(kLinkScheme + ':' + QString::number(m_links.add(piece.text)));
            link.setProperty(kStyleProperty, chat::kLinkStyle);
            cursor.insertText(fromUtf8(piece.text), link);
            break;
        }
        case chat::Piece::Kind::Smiley: {
            QTextImageFormat picture;
            picture.setName(kSmileyScheme + ':' + QString::number(piece.smiley));
            picture.setWidth(smileySize());
            picture.setHeight(smileySize());
            picture.setVerticalAlignment(QTextCharFormat::AlignMiddle);
            picture.setProperty(kSmileyProperty, piece.smiley + chat::kFirstSmiley);
            picture.setProperty(kStyleProperty, parsed.style);
            cursor.insertImage(picture);
            break;
        }
        }
    }
}

bool ChatView::isGameLine(const QTextBlock& block)
{
    return block.blockFormat().hasProperty(QTextFormat::BackgroundBrush);
}

void ChatView::trimHistory()
{
    QTextDocument* doc = document();
    const int lines = doc->blockCount();
    const int characters = doc->characterCount();
    // Whole lines go, and in batches: taking lines off the top lays the view out again.
    int keepFrom = 0;
    if (lines > kMaxLines + kTrimBatch)
        keepFrom = doc->findBlockByNumber(lines - kMaxLines).position();
    if (characters > kMaxCharacters + kMaxCharacters / 10) {
        const int excess = characters - kMaxCharacters;
        QTextBlock keep = doc->findBlock(excess);
        if (keep.position() < excess && keep.next().isValid())
            keep = keep.next();
        keepFrom = std::max(keepFrom, keep.position());
    }
    if (keepFrom <= 0)
        return;
    // The line that becomes the first keeps its own band (or none).
    const bool gameLine = isGameLine(doc->findBlock(keepFrom));
    QTextCursor top(doc);
    top.beginEditBlock();
    top.setPosition(keepFrom, QTextCursor::KeepAnchor);
    top.removeSelectedText();
    top.setBlockFormat(lineFormat(gameLine));
    top.endEditBlock();
}

void ChatView::recolourWaitingStyles()
{
    if (m_recolour.empty())
        return;
    // Ranges first: recolouring can join neighbouring runs under an iterator.
    // Only the newest lines are repainted, and all waiting styles in one pass:
    // a peer that changes colour with every line must not cost a pass per line.
    constexpr int kRecolouredLines = 100;
    constexpr int kRecolouredCharacters = 16 * 1024;
    QList<std::tuple<int, int, QColor>> ranges;
    int seen = 0;
    int characters = 0;
    for (QTextBlock block = document()->lastBlock();
         block.isValid() && seen < kRecolouredLines && characters < kRecolouredCharacters;
         block = block.previous(), ++seen) {
        characters += block.length();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            const auto colour = m_recolour.find(f.property(kStyleProperty).toInt());
            if (!f.isImageFormat() && colour != m_recolour.end())
                ranges.push_back({ fragment.position(), fragment.position() + fragment.length(), colour->second });
        }
    }
    m_recolour.clear();
    m_lastRecolour.start();
    QTextCursor edit(document());
    edit.beginEditBlock(); // laid out once, after every run has its colour
    for (const auto& [from, to, colour] : ranges) {
        QTextCharFormat paint;
        paint.setForeground(colour);
        edit.setPosition(from);
        edit.setPosition(to, QTextCursor::KeepAnchor);
        edit.mergeCharFormat(paint);
    }
    edit.endEditBlock();
}

void ChatView::setTextSize(int points)
{
    if (points <= 0)
        return;
    m_textSize = points;
    applyTextSize();
}

void ChatView::setZoom(qreal zoom)
{
    // Re-sizing every line of a long history is not free: a drag that barely
    // changes the scale leaves the text as it is.
    if (zoom <= 0 || std::abs(zoom - m_zoom) < 0.01)
        return;
    m_zoom = zoom;
    // Hidden, the history would be laid out anew at every step of a drag for nobody to see.
    if (!m_held && isVisible())
        applyTextSize();
}

void ChatView::showEvent(QShowEvent* event)
{
    QTextBrowser::showEvent(event);
    applyTextSize();
}

bool ChatView::atBottom() const
{
    const QScrollBar* bar = verticalScrollBar();
    return bar->value() >= bar->maximum() - 1;
}

void ChatView::keepBottomInView()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
    // The document lays itself out again for the new width afterwards: follow
    // it once more then, unless the reader has scrolled away meanwhile.
    const int pinned = bar->value();
    QTimer::singleShot(0, this, [this, pinned] {
        QScrollBar* bar = verticalScrollBar();
        if (bar->value() == pinned)
            bar->setValue(bar->maximum());
    });
}

void ChatView::resizeEvent(QResizeEvent* event)
{
    // Judged before the hold below changes how the text wraps: that alone can
    // move the bottom. A hold that begins here follows as the view did.
    const bool follow = following(atBottom());
    const int top = follow ? -1 : topPosition();
    // Counted from the end of the last one: a slow re-wrap does not make the
    // next step of a drag look like a new one. Only the view's own size counts:
    // a scroll bar coming or going narrows the text but is no drag.
    const bool resized = size() != m_lastSize;
    const bool dragged = resized && m_lastResize.isValid() && m_lastResize.elapsed() < kSettleMs;
    const int wrappedAt = static_cast<int>(document()->textWidth());
    if (dragged && !m_held && event->size().width() != event->oldSize().width() && wrappedAt > 0) {
        m_held = true;
        m_heldFollowing = follow;
        // A narrower view cuts the held lines' ends for a moment, rather than scrolling sideways.
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setLineWrapMode(QTextEdit::FixedPixelWidth);
        setLineWrapColumnOrWidth(wrappedAt);
    }
    if (m_held)
        m_settleTimer->start();
    QTextBrowser::resizeEvent(event);
    if (follow)
        keepBottomInView();
    else
        showAtTop(top);
    if (resized)
        m_lastResize.restart();
    m_lastSize = size();
}

bool ChatView::following(bool atBottom) const
{
    // A view dragged taller runs out of older lines to show and reaches the
    // newest of its own: that does not make a reader who scrolled back a
    // follower, so while held it is judged from where the drag began, and a
    // reader who scrolls up meanwhile stops following.
    return m_held ? m_heldFollowing && atBottom : atBottom;
}

int ChatView::topPosition() const
{
    return cursorForPosition(QPoint(0, 2)).position();
}

void ChatView::showAtTop(int position)
{
    if (position < 0)
        return;
    QTextCursor c(document());
    c.setPosition(std::min(position, document()->characterCount() - 1));
    verticalScrollBar()->setValue(verticalScrollBar()->value() + cursorRect(c).top());
}

void ChatView::settle()
{
    if (!m_held)
        return;
    const bool follow = following(atBottom());
    const int top = topPosition();
    m_held = false;
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    resizeHistoryText();
    if (follow)
        keepBottomInView();
    else
        showAtTop(top);
}

void ChatView::applyTextSize()
{
    const bool follow = following(atBottom());
    if (resizeHistoryText() && follow)
        keepBottomInView();
}

bool ChatView::resizeHistoryText()
{
    const qreal points = shownTextSize();
    if (points == m_appliedPoints)
        return false;
    m_appliedPoints = points;
    QFont f = font();
    f.setPointSizeF(points);
    document()->setDefaultFont(f);
    QTextCursor all(document());
    all.beginEditBlock(); // the history is laid out once, after the text and every picture have their size
    all.select(QTextCursor::Document);
    QTextCharFormat size;
    size.setFontPointSize(points);
    all.mergeCharFormat(size);
    // Pictures follow the text size.
    const int side = smileySize();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat picture = fragment.charFormat().toImageFormat();
            picture.setWidth(side);
            picture.setHeight(side);
            QTextCursor c(document());
            c.setPosition(fragment.position());
            c.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            c.setCharFormat(picture);
        }
    }
    all.endEditBlock();
    return true;
}

void ChatView::setScrollOff(bool off)
{
    if (m_scrollOff == off)
        return;
    m_scrollOff = off;
    m_scrollOffItem->setChecked(off);
    emit scrollOffChanged(off);
}

void ChatView::clearMainChat()
{
    clear();
    m_styles.clear();
    m_waiting.clear();
    m_waitingBytes = 0;
    m_recolour.clear();
    m_drawTimer->stop();
    emit cleared();
}

QString ChatView::shownLinkAt(const QPoint& pos, const QString& href) const
{
    const QTextCursor at = cursorForPosition(pos);
    const QTextBlock block = at.block();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.charFormat().anchorHref() == href && fragment.contains(at.position()))
            return fragment.text();
    }
    return {};
}

void ChatView::mainchatJump(const QUrl& href)
{
    QString shown;
    if (href.scheme() == kLinkScheme) {
        bool ok = false;
        const auto serial = href.path().toULongLong(&ok);
        if (ok)
            if (const auto text = m_links.find(serial))
                shown = fromUtf8(*text);
    }
    // A link older than the table still opens what it shows.
    if (shown.isEmpty())
        shown = shownLinkAt(m_lastClick, href.toString());
    const auto address = chat::safeUrl(shown.toStdString());
    const QUrl url = address ? QUrl(fromUtf8(*address), QUrl::TolerantMode) : QUrl();
    const bool web = url.isValid() && (url.scheme() == "http" || url.scheme() == "https") && !url.host().isEmpty();
    if (!web || !openUrl(url))
        tell(QStringLiteral("Cannot open Webpage"));
}

void ChatView::contextMenuEvent(QContextMenuEvent* event) { m_popup->exec(event->globalPos()); }

void ChatView::mouseReleaseEvent(QMouseEvent* event)
{
    m_lastClick = event->pos();
    QTextBrowser::mouseReleaseEvent(event);
}

QVariant ChatView::loadResource(int type, const QUrl& name)
{
    // Only our own pictures: nothing a line names is ever fetched from disk or the network.
    if (type == QTextDocument::ImageResource && name.scheme() == kSmileyScheme) {
        bool ok = false;
        const int picture = name.path().toInt(&ok);
        if (ok)
            return smileyImage(picture, 64);
    }
    return {};
}

QMimeData* ChatView::createMimeDataFromSelection() const
{
    // Pictures are copied as the codes that make them, so pasted chat shows them again.
    const QTextCursor selection = textCursor();
    QString text;
    const int from = selection.selectionStart();
    const int to = selection.selectionEnd();
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.position() > from)
            text += '\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(from, fragment.position());
            const int end = std::min(to, fragment.position() + fragment.length());
            if (start >= end)
                continue;
            const int smiley = fragment.charFormat().property(kSmileyProperty).toInt();
            if (fragment.charFormat().isImageFormat() && smiley > 0)
                text += QStringLiteral(":)#") + QString::number(smiley);
            else
                text += fragment.text().mid(start - fragment.position(), end - start);
        }
    }
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}
