// Where everything on the board goes. The default window (scale 1) keeps the
// board's design; a larger window draws it larger, places and fonts alike,
// and gives its extra width to the left column (boxes, chat) and its extra
// height to the chat. The player's text size makes every text larger as far
// as the room allows. Texts are measured, not assumed: a box is as wide as its
// words, the result line takes a second line when it needs one, the phrase
// buttons wrap, and the end-of-turn lists split into columns.

#include "GameBoard.h"

#include "BoardPieces.h"
#include "BoardLayout.h"
#include "TileWidget.h"
#include "chat/ChatInput.h"
#include "chat/ChatView.h"
#include "chat/Faces.h"
#include "chat/PhraseBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

namespace
{

// The default window's design, in its pixels.
constexpr int kMargin = 4;
constexpr int kRightWidth = 168;
constexpr int kColumnGap = 6;
constexpr int kHeaderHeight = 46;
constexpr int kPlayHeight = 150;
constexpr int kPlayWidth = 590; // the play area's own design, centred in a wider one
constexpr int kBoxGap = 3;
constexpr int kMinChatHeight = 90; // about six lines of the default chat
// Text the board may shrink to where even the design's room is short.
constexpr double kSmallestText = 0.6;

int px(double v) { return static_cast<int>(std::lround(v)); }

// The application's text size, the design's size for texts without one of their own.
qreal basePixels()
{
    const QFontInfo info(QApplication::font());
    return std::max(8, info.pixelSize());
}

QFont sized(qreal designPixels, double k, QFont::Weight weight = QFont::Normal, bool italic = false)
{
    QFont f = QApplication::font();
    f.setPixelSize(std::max(6, px(designPixels * k)));
    f.setWeight(weight);
    f.setItalic(italic);
    return f;
}

void useFont(QWidget* w, const QFont& f)
{
    if (w->font() != f)
        w->setFont(f);
}

void place(QWidget* w, const QRect& r)
{
    if (w->geometry() != r)
        w->setGeometry(r);
}

// Each resize asks again how wide the same texts are in the same few fonts,
// a dozen times over while the fits are tried, and shaping a text is most of
// what measuring it costs: the answers are kept, a few thousand at most.
qreal textWidth(const QFont& f, const QString& text)
{
    static QHash<std::pair<QFont, QString>, qreal> known;
    std::pair<QFont, QString> key { f, text };
    if (const auto it = known.constFind(key); it != known.cend())
        return *it;
    if (known.size() >= 4096)
        known.clear();
    const qreal width = QFontMetricsF(f).horizontalAdvance(text);
    known.insert(std::move(key), width);
    return width;
}

// Where a seat `seatWidth` wide puts its number's badge, its score and its
// bonus: the same sums serve the fit and the placing, so what fits is never
// cut by a pixel of rounding.
struct ScoreRow {
    int nameLeft;
    int scoreWidth;
    int bonusWidth;
};
// A seat's width in the right column: its panel's margins taken off.
int seatWidth(double s, int column) { return column - px(12 * s); }

ScoreRow scoreRow(double s, int seatWidth, int badge, const QFont& scoreFont, const QString& score)
{
    const int nameLeft = px(4 * s) + badge + px(4 * s);
    const int scoreWidth = std::max(px(58 * s), px(textWidth(scoreFont, score)) + px(6 * s));
    return { nameLeft, scoreWidth, seatWidth - px(4 * s) - nameLeft - scoreWidth };
}

// A push button's width around `text` in its style, frame and margins included.
int buttonWidth(const QPushButton* b, const QFont& f, const QString& text)
{
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = text;
    option.fontMetrics = QFontMetrics(f);
    const QSize content = QFontMetrics(f).size(Qt::TextShowMnemonic, text);
    return b->style()->sizeFromContents(QStyle::CT_PushButton, &option, content, b).width();
}

// A check box's width around its text in `f`, its box and spacing included.
int checkBoxWidth(const QCheckBox* c, const QFont& f)
{
    QStyleOptionButton option;
    option.initFrom(c);
    option.text = c->text();
    option.fontMetrics = QFontMetrics(f);
    const QSize content = option.fontMetrics.size(Qt::TextShowMnemonic, c->text());
    return c->style()->sizeFromContents(QStyle::CT_CheckBox, &option, content, c).width();
}

// The room a list's line needs beside its text: frame, item margins.
int listPadding(const QListWidget* list)
{
    return 2 * list->frameWidth() + 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1)
        + 4;
}

int lineHeight(const QFont& f) { return QFontMetrics(f).height() + 2; }

QStringList linesOf(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

qreal widest(const QFont& f, const QStringList& texts)
{
    qreal w = 0;
    for (const QString& t : texts)
        w = std::max(w, textWidth(f, t));
    return w;
}

} // namespace

// Scale factors (design pixels to screen pixels) per part of the board: the
// board's scale times as much of the player's text size as each part has room for.
struct GameBoard::Fonts {
    double scale = 1;
    double left = 1; // result, chat input, phrase buttons
    double boxes = 1;
    double play = 1; // the turn buttons
    double right = 1; // seats and game settings
    qreal base = 12;

    QFont caption() const { return sized(base, boxes); }
    QFont boxWord() const { return sized(10, boxes, QFont::Bold); }
    QFont points() const { return sized(base, boxes, QFont::Bold); }
    QFont result() const { return sized(11, left); }
    QFont sum() const { return sized(base, left, QFont::Bold); }
    QFont input() const { return sized(base, left); }
    QFont phrase() const { return sized(base, left); }
    QFont turnButton() const { return sized(base, play, QFont::Bold); }
    QFont start() const { return sized(14, play, QFont::Bold); }
    QFont typing() const { return sized(base, play); }
    QFont seatNumber() const { return sized(base, right, QFont::Bold); }
    QFont seatName() const { return sized(13, right, QFont::Bold); }
    QFont seatScore() const { return sized(14, right, QFont::Bold); }
    QFont seatBonus() const { return sized(base, right, QFont::Bold); }
    QFont info() const { return sized(base, right); }
    QFont team() const { return sized(base, right, QFont::Bold); }
    QFont listName() const { return sized(base, left, QFont::Bold); }
    QFont listText() const { return sized(base, left); }
    QFont missedTitle() const { return sized(11, left, QFont::Bold); }
    QFont missedText() const
    {
        QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        f.setPixelSize(std::max(6, px(11 * left)));
        return f;
    }
};

void GameBoard::setTextSize(int points)
{
    if (points <= 0 || points == m_textSize)
        return;
    m_textSize = points;
    m_chatView->setTextSize(points);
    relayout();
}

void GameBoard::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

bool GameBoard::event(QEvent* event)
{
    // A text changed its size hint (new phrases, a longer label): only if it takes other room.
    if (event->type() == QEvent::LayoutRequest)
        relayoutIfChanged();
    return QWidget::event(event);
}

QPoint GameBoard::tilePosition(const client::Tile& tile, bool twoRows) const
{
    const QPoint design = designTilePosition(tile, twoRows);
    return { m_playLeft + px(design.x() * m_scale), px(design.y() * m_scale) };
}

int GameBoard::wordRowTop() const { return px(kWordRowTop * m_scale); }
int GameBoard::wordLeft(int position) const { return m_playLeft + px(designWordLeft(position) * m_scale); }

QString GameBoard::roomKey() const
{
    // Everything whose text or presence takes room, and nothing that only changes colour.
    QString key = QString("%1x%2/%3|").arg(width()).arg(height()).arg(m_textSize);
    // The clock's digits are all as wide as each other: only its length matters.
    key += m_status->text() + '|' + m_result->text() + '|' + m_sum->text() + '|'
        + QString::number(m_time->text().size()) + '|' + m_phrases->phrases().join('|') + '|';
    key += QString::number(m_winnerPanel->isVisibleTo(this)) + QString::number(m_buttonStart->isVisibleTo(this));
    key += m_winnerLabel->text() + '|' + m_typing->text() + QString::number(m_typing->isVisibleTo(this)) + '|';
    for (const Box& b : m_boxes)
        key += linesOf(b.list).join(',') + b.points->text() + '|';
    for (const Seat& s : m_seats)
        key += s.name->text() + ',' + s.score->text() + ',' + s.bonus->text()
            + QString::number(s.eyes->isVisibleTo(this)) + QString::number(s.fresh->isVisibleTo(this)) + '|';
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const WordColumn& c = m_columns[i];
        key += c.name->text() + ',' + c.count->text() + ',' + c.score->text() + ','
            + QString::number(c.words->count()) + QString::number(m_columnShown[i]) + linesOf(c.words).join(',') + '|';
    }
    key += QString::number(m_wordLists->isVisibleTo(this)) + QString::number(m_missedPanel->isVisibleTo(this));
    key += linesOf(m_missed).join(',') + '|';
    for (const QLabel* l : m_info)
        key += l->text() + ',';
    key += m_team->text();
    return key;
}

void GameBoard::relayoutIfChanged()
{
    if (roomKey() != m_laidOutFor)
        relayout();
}

void GameBoard::relayout()
{
    if (m_laying || !m_chatView)
        return;
    m_laying = true;
    const double s = boardlayout::scaleFor(width(), height());
    m_scale = s;
    const double wanted = boardlayout::textFactor(m_textSize);
    const int margin = px(kMargin * s);
    const QRect content = rect().adjusted(margin, margin, -margin, -margin);
    const int right = px(kRightWidth * s);
    const int gap = px(kColumnGap * s);
    const int left = content.width() - right - gap;

    Fonts f;
    f.scale = s;
    f.base = basePixels();
    const double floor = std::min(wanted, kSmallestText);

    // The seats and the game's settings, down the right.
    f.right = s * boardlayout::largestFitting(wanted, floor, [&](double k) {
        Fonts t = f;
        t.right = s * k;
        const int seatH = std::max(px(56 * s), lineHeight(t.seatName()) + lineHeight(t.seatScore()) + px(10 * s));
        const int infoLine = std::max(px(17 * s), lineHeight(t.info()));
        const int needed = 6 * (seatH + px(4 * s)) + px(16 * s) + 7 * infoLine + px(8 * s);
        QStringList infoTexts;
        for (const QLabel* l : m_info)
            infoTexts << l->text();
        // A score and its bonus share a row beside the seat's number.
        const int badge = std::max(px(18 * s), QFontMetrics(t.seatNumber()).height());
        bool scoresFit = true;
        for (const Seat& st : m_seats)
            scoresFit = scoresFit
                && std::ceil(textWidth(t.seatBonus(), st.bonus->text()))
                    <= scoreRow(s, seatWidth(s, right), badge, t.seatScore(), st.score->text()).bonusWidth;
        return needed <= content.height() && scoresFit && widest(t.info(), infoTexts) <= right - px(16 * s)
            && textWidth(t.team(), m_team->text()) <= right - px(16 * s);
    });

    // Finish and the typing box share the lower row's right end: beside the
    // Old Tiles button, or with two rows of tiles beside tile 13's place.
    const auto finishAndTyping = [&](const QFont& plain) {
        QFont bold = plain;
        bold.setWeight(QFont::Bold);
        // The box's style sheet adds to what its style asks: measured once at its present font.
        const int styled = m_typing->sizeHint().width() - checkBoxWidth(m_typing, m_typing->font());
        return std::max(px(58 * s), buttonWidth(m_buttonFinish, bold, m_buttonFinish->text()))
            + checkBoxWidth(m_typing, plain) + styled + px(6 * s);
    };
    // The turn buttons keep their design's places; their captions fit them.
    f.play = s * boardlayout::largestFitting(wanted, floor, [&](double k) {
        const QFont b = sized(f.base, s * k, QFont::Bold);
        return buttonWidth(m_buttonNew, b, m_buttonNew->text()) <= px(84 * s)
            && buttonWidth(m_buttonOld, b, m_buttonOld->text()) <= px(84 * s)
            && buttonWidth(m_buttonClear, b, m_buttonClear->text()) <= px(90 * s)
            && buttonWidth(m_buttonDone, b, m_buttonDone->text()) <= px(54 * s)
            && buttonWidth(m_buttonFinish, b, m_buttonFinish->text()) <= px(58 * s)
            && buttonWidth(m_buttonStart, sized(14, s * k, QFont::Bold), m_buttonStart->text()) <= px(140 * s)
            && finishAndTyping(sized(f.base, s * k)) <= px((kPlayWidth - (m_twoRows ? 445 : 180)) * s);
    });

    // The boxes side by side across the left column: as large as their words allow.
    const double boxesAcross = boardlayout::largestFitting(wanted, 0.5, [&](double k) {
        Fonts t = f;
        t.boxes = s * k;
        const std::vector<int> widths = boxWidths(t);
        int sum = 0;
        for (int w : widths)
            sum += w;
        return sum + 7 * px(kBoxGap * s) <= left;
    });

    // Then down the left column: the chat keeps a few lines whatever the text size.
    const auto leftHeight = [&](const Fonts& t) {
        const int sumW = px(textWidth(t.sum(), m_sum->text())) + px(6 * s);
        const QFontMetrics rm(t.result());
        const int resultH = std::max(
            px(18 * s), rm.boundingRect(QRect(0, 0, left - sumW, 100000), Qt::TextWordWrap, m_result->text()).height() + 2);
        const int inputH = std::max(px(24 * s), QFontMetrics(t.input()).height() + 10);
        const int phraseH = m_phrases->heightFor(left, t.phrase(), px(24 * s));
        return px((kHeaderHeight + kPlayHeight + 2 + 2 + 4 + 3 + 3) * s) + boxesHeight(t) + resultH
            + px(kMinChatHeight * s) + phraseH + inputH;
    };
    const double leftK = boardlayout::largestFitting(wanted, floor, [&](double k) {
        Fonts t = f;
        t.left = s * k;
        t.boxes = s * std::min(k, boxesAcross);
        return leftHeight(t) <= content.height();
    });
    f.left = s * leftK;
    f.boxes = s * std::min(leftK, boxesAcross);

    const int x0 = content.left();
    int y = layoutHeader(f, x0, content.top(), left);
    const QRect playRect(x0, y, left, px(kPlayHeight * s));
    layoutPlayArea(f, playRect);
    y = playRect.bottom() + 1 + px(2 * s);
    const int boxesTop = y;
    layoutBoxes(f, x0, boxesTop, left);
    y += boxesHeight(f) + px(2 * s);

    // The result line, and the sum at its right; the result takes more lines before it runs under the sum.
    useFont(m_sum, f.sum());
    useFont(m_result, f.result());
    const int sumW = px(textWidth(f.sum(), m_sum->text())) + px(6 * s);
    const int resultW = left - sumW - px(4 * s);
    const int resultH = std::max(px(18 * s),
        QFontMetrics(f.result())
                .boundingRect(QRect(0, 0, resultW, 100000), Qt::TextWordWrap, m_result->text())
                .height()
            + 2);
    place(m_result, QRect(x0 + px(4 * s), y, resultW, resultH));
    place(m_sum, QRect(x0 + left - sumW, y, sumW, std::max(px(18 * s), lineHeight(f.sum()))));
    y += resultH + px(4 * s);

    // From the bottom up: chat input, phrase buttons, and the chat takes what is left.
    // (The end-of-turn panels below cover the boxes and the chat, never these.)
    useFont(m_chatInput, f.input());
    const int inputH = std::max(px(24 * s), QFontMetrics(f.input()).height() + 10);
    const QRect input(x0, content.bottom() + 1 - inputH, left, inputH);
    place(m_chatInput, input);
    useFont(m_phrases, f.phrase());
    m_phrases->setMinimumRowHeight(px(24 * s));
    const int phraseH = m_phrases->heightFor(left, f.phrase(), px(24 * s));
    const QRect phrases(x0, input.top() - px(3 * s) - phraseH, left, phraseH);
    place(m_phrases, phrases);
    const QRect chat(x0, y, left, std::max(0, phrases.top() - px(3 * s) - y));
    place(m_chatView, chat);
    m_chatView->setZoom(s);

    layoutSeats(f, QRect(x0 + left + gap, content.top(), right, content.height()));
    // Between turns the play area is idle and the panels may have it too;
    // not while it shows the winner or the start button.
    const bool playAreaIdle = !m_winnerPanel->isVisibleTo(this) && !m_buttonStart->isVisibleTo(this);
    const int panelsTop = playAreaIdle ? playRect.top() : boxesTop - px(4 * s);
    const QRect panelsRoom(x0, panelsTop, left, chat.bottom() + 1 - panelsTop);
    layoutPanels(f, panelsRoom);
    showUncovered(m_wordLists->isVisibleTo(this) ? panelsRoom : QRect());

    m_laidOutFor = roomKey();
    m_laying = false;
}

int GameBoard::layoutHeader(const Fonts& f, int left, int top, int width)
{
    const double s = f.scale;
    QFont logo("Serif");
    logo.setPixelSize(px(35 * s));
    logo.setWeight(QFont::Black);
    logo.setItalic(true);
    useFont(m_logo, logo);
    // As wide as the name and its shadow, clear of the status line beside it.
    const int logoW = std::min(px(138 * s), px(textWidth(logo, m_logo->text()) + 8 * s));
    place(m_logo, QRect(left + px(10 * s), top, logoW, px(kHeaderHeight * s)));

    m_trackWidth = px(200 * s);
    const QRect track(left + width - px(2 * s) - m_trackWidth - px(4 * s), top + px(30 * s), m_trackWidth + px(4 * s),
        px(12 * s));
    place(m_timerTrack, track);
    // The time shows in the rest of its row; its text never outgrows the row's height.
    const double timeK = boardlayout::largestFitting(f.left / s, kSmallestText,
        [&](double k) { return QFontMetrics(sized(f.base, s * k, QFont::Bold)).height() <= px(20 * s); });
    const QFont time = sized(f.base, s * timeK, QFont::Bold);
    useFont(m_time, time);
    const int timeW = px(textWidth(time, m_time->text())) + px(4 * s);
    place(m_time, QRect(track.left() - px(4 * s) - timeW, top + px(24 * s), timeW, px(20 * s)));

    // The status line shrinks before it would be cut.
    // It ends where the time's row begins, both edges rounded from where they fall.
    const QRect status(left + px(150 * s), top + px(2 * s), width - px(150 * s), px(24 * s) - px(2 * s));
    const double statusK = boardlayout::largestFitting(f.left / s, 0.5, [&](double k) {
        const QFont t = sized(14, s * k, QFont::Bold);
        return textWidth(t, m_status->text()) <= status.width() && QFontMetrics(t).height() <= status.height();
    });
    useFont(m_status, sized(14, s * statusK, QFont::Bold));
    place(m_status, status);
    return top + px(kHeaderHeight * s);
}

void GameBoard::layoutPlayArea(const Fonts& f, const QRect& area)
{
    const double s = f.scale;
    place(m_playArea, area);
    m_playLeft = (area.width() - px(kPlayWidth * s)) / 2;
    const auto at = [&](int x, int y, int w, int h) {
        return QRect(m_playLeft + px(x * s), px(y * s), px(w * s), px(h * s));
    };
    place(m_wordPanel, at(106, 4, 418, 49));
    // Rounded down: neighbouring tiles never overlap, whatever the scale.
    const int tile = static_cast<int>(kTileSize * s);
    for (std::size_t i = 0; i < m_tiles.size(); ++i) {
        m_tiles[i]->setTileSize(tile);
        m_tiles[i]->move(tilePosition(m_shownTiles[i], m_twoRows));
    }

    const QFont button = f.turnButton();
    for (QPushButton* b : { m_buttonClear, m_buttonDone, static_cast<QPushButton*>(m_buttonNew),
             static_cast<QPushButton*>(m_buttonOld), m_buttonFinish })
        useFont(b, button);
    place(m_buttonClear, at(8, 14, 90, 30));
    place(m_buttonDone, at(530, 10, 54, 38));
    place(m_buttonNew, at(4, 110, 84, 30));
    place(m_buttonOld, at(92, 110, 84, 30));
    // The typing box and Finish stand at the right end of the lower row, as wide as their texts.
    useFont(m_typing, f.typing());
    const int typingW = m_typing->sizeHint().width();
    const QRect typing(m_playLeft + px(kPlayWidth * s) - typingW - px(2 * s), px(110 * s), typingW, px(30 * s));
    place(m_typing, typing);
    const int finishW = std::max(px(58 * s), buttonWidth(m_buttonFinish, button, m_buttonFinish->text()));
    place(m_buttonFinish, QRect(typing.left() - px(2 * s) - finishW, px(110 * s), finishW, px(30 * s)));

    useFont(m_buttonStart, f.start());
    place(m_buttonStart, at(225, 104, 140, 40));

    const QRect winner = at(60, 56, 470, 44);
    place(m_winnerPanel, winner);
    const QRect inner(px(4 * s), px(2 * s), winner.width() - px(8 * s), winner.height() - px(4 * s));
    // Two winners' names may need two lines, or a smaller size.
    const double winnerK = boardlayout::largestFitting(f.left / s, 0.5, [&](double k) {
        const QRect needed = QFontMetrics(sized(20, s * k, QFont::Bold))
                                 .boundingRect(QRect(0, 0, inner.width(), 100000), Qt::TextWordWrap,
                                     m_winnerLabel->text());
        return needed.height() <= inner.height() && needed.width() <= inner.width();
    });
    useFont(m_winnerLabel, sized(20, s * winnerK, QFont::Bold));
    place(m_winnerLabel, inner);
}

std::vector<int> GameBoard::boxWidths(const Fonts& f) const
{
    const QFont caption = f.caption();
    const QFont word = f.boxWord();
    const QFont points = f.points();
    // Room for a typical word of the box's length, so that boxes do not jump with every word.
    const qreal letter = textWidth(word, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")) / 26;
    std::vector<int> widths;
    for (int length = rules::kMinWordLength; length <= rules::kMaxWordLength; ++length) {
        const Box& b = m_boxes[static_cast<std::size_t>(length - rules::kMinWordLength)];
        const qreal words = std::max(letter * length, widest(word, linesOf(b.list))) + listPadding(b.list);
        const qreal need = std::max({ textWidth(caption, m_captions[static_cast<std::size_t>(length - 3)]->text()) + 4,
            textWidth(points, QStringLiteral("5000")) + 4, words });
        widths.push_back(static_cast<int>(std::ceil(need)));
    }
    return widths;
}

int GameBoard::boxesHeight(const Fonts& f) const
{
    const int rows = lineHeight(f.boxWord()) * rules::kWordsPerLength + 2 * m_boxes[0].list->frameWidth() + 2;
    return lineHeight(f.caption()) + std::max(px(78 * f.scale), rows) + lineHeight(f.points());
}

void GameBoard::layoutBoxes(const Fonts& f, int left, int top, int width)
{
    const double s = f.scale;
    std::vector<int> widths = boxWidths(f);
    const int gap = px(kBoxGap * s);
    int used = 7 * gap;
    for (int w : widths)
        used += w;
    // Spare width is shared evenly; the boxes stay one family.
    const double extra = std::max(0, width - used) / 8.0;
    const int captionH = lineHeight(f.caption());
    const int listH = boxesHeight(f) - captionH - lineHeight(f.points());
    double x = left;
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        // Both edges rounded from where they fall, so the row ends where the column does.
        const int bx = px(x);
        const int w = px(x + widths[i] + extra) - bx;
        useFont(m_captions[i], f.caption());
        place(m_captions[i], QRect(bx, top, w, captionH));
        useFont(m_boxes[i].list, f.boxWord());
        place(m_boxes[i].list, QRect(bx, top + captionH, w, listH));
        useFont(m_boxes[i].points, f.points());
        place(m_boxes[i].points, QRect(bx, top + captionH + listH, w, lineHeight(f.points())));
        x += widths[i] + extra + gap;
    }
}

void GameBoard::layoutSeats(const Fonts& f, const QRect& column)
{
    const double s = f.scale;
    const int seatH = std::max(px(56 * s), lineHeight(f.seatName()) + lineHeight(f.seatScore()) + px(10 * s));
    const int pitch = seatH + px(4 * s);
    const QRect seats(column.left(), column.top(), column.width(), 6 * pitch + px(10 * s));
    place(m_seatPanel, seats);
    for (int seat = 1; seat <= rules::kPlayerSeats; ++seat)
        layoutSeat(f, seat, QRect(px(6 * s), px(6 * s) + (seat - 1) * pitch, seatWidth(s, seats.width()), seatH));
    placeTurnMarker();

    const QRect info(column.left(), seats.bottom() + 1 + px(6 * s), column.width(),
        column.bottom() - seats.bottom() - px(6 * s));
    place(m_infoPanel, info);
    const int line = std::max(px(17 * s), lineHeight(f.info()));
    for (std::size_t i = 0; i < m_info.size(); ++i) {
        useFont(m_info[i], f.info());
        place(m_info[i], QRect(px(8 * s), px(3 * s) + static_cast<int>(i) * line, info.width() - px(12 * s), line));
    }
    useFont(m_team, f.team());
    place(m_team, QRect(px(8 * s), px(3 * s) + 6 * line, info.width() - px(12 * s), line));
    useFont(m_noGame, sized(f.base, f.right, QFont::Normal, true));
    place(m_noGame, QRect(0, 0, info.width(), info.height()));
}

void GameBoard::layoutSeat(const Fonts& f, int seat, const QRect& box)
{
    const double s = f.scale;
    Seat& st = m_seats[static_cast<std::size_t>(seat - 1)];
    place(st.box, box);
    QLabel* number = m_seatNumbers[static_cast<std::size_t>(seat - 1)];
    const int nameH = std::max(px(24 * s), lineHeight(f.seatName()));
    const int badge = std::max(px(18 * s), QFontMetrics(f.seatNumber()).height());
    useFont(number, f.seatNumber());
    // A round badge: a face, which a new size only repaints (a style sheet's radius would restyle the label).
    faces::setFace(number, { QColor(0x1d, 0x3f, 0x73), {}, 0, badge / 2.0 });
    place(number, QRect(px(4 * s), px(3 * s) + (nameH - badge) / 2, badge, badge));

    // The markers stand at the end of the name's row; the name has the rest.
    int iconsLeft = box.width() - px(4 * s);
    const qreal dpr = devicePixelRatioF();
    const QSize eyesSize(px(26 * s), px(16 * s));
    const QSize freshSize(px(30 * s), px(16 * s));
    const int iconTop = px(3 * s) + (nameH - eyesSize.height()) / 2;
    // Drawn once per size for all six seats, and only while a seat shows it:
    // most games have no watcher, and every step of a drag is a new size.
    const auto giveIcon = [dpr](QLabel* marker, QPixmap& icon, QSize size, QPixmap (*draw)(QSize, qreal)) {
        if (icon.deviceIndependentSize().toSize() != size || icon.devicePixelRatio() != dpr)
            icon = draw(size, dpr);
        if (marker->pixmap().cacheKey() != icon.cacheKey())
            marker->setPixmap(icon);
    };
    if (st.fresh->isVisibleTo(this)) {
        iconsLeft -= freshSize.width();
        place(st.fresh, QRect(QPoint(iconsLeft, iconTop), freshSize));
        giveIcon(st.fresh, m_freshIcon, freshSize, boardicons::newTiles);
        iconsLeft -= px(3 * s);
    }
    if (st.eyes->isVisibleTo(this)) {
        iconsLeft -= eyesSize.width();
        place(st.eyes, QRect(QPoint(iconsLeft, iconTop), eyesSize));
        giveIcon(st.eyes, m_eyesIcon, eyesSize, boardicons::eyes);
        iconsLeft -= px(3 * s);
    }

    const ScoreRow row = scoreRow(s, box.width(), badge, f.seatScore(), st.score->text());
    const int nameLeft = row.nameLeft;
    const QRect name(nameLeft, px(3 * s), iconsLeft - nameLeft, nameH);
    // A long name is drawn smaller rather than cut.
    const double nameK = boardlayout::largestFitting(f.right / s, 0.5,
        [&](double k) { return textWidth(sized(13, s * k, QFont::Bold), st.name->text()) <= name.width(); });
    useFont(st.name, sized(13, s * nameK, QFont::Bold));
    place(st.name, name);
    st.name->setToolTip(st.name->text());

    const int scoreTop = name.bottom() + 1 + px(2 * s);
    const int scoreH = std::max(px(22 * s), lineHeight(f.seatScore()));
    useFont(st.score, f.seatScore());
    place(st.score, QRect(nameLeft, scoreTop, row.scoreWidth, scoreH));
    useFont(st.bonus, f.seatBonus());
    place(st.bonus, QRect(nameLeft + row.scoreWidth, scoreTop, row.bonusWidth, scoreH));
}

void GameBoard::showUncovered(const QRect& covered)
{
    // Only widgets that nothing else hides or shows: the play area, the boxes, the result line and the chat.
    std::vector<QWidget*> under{ m_playArea, m_result, m_sum, m_chatView };
    for (const Box& b : m_boxes)
        under.insert(under.end(), { b.caption, b.list, b.points });
    // A widget that pokes out of the panels by a pixel or two of rounding is
    // covered all the same: the panels' faces are painted beneath it.
    for (QWidget* w : under)
        w->setVisible(!covered.contains(w->geometry().adjusted(2, 2, -2, -2)));
}

void GameBoard::layoutPanels(const Fonts& f, const QRect& room)
{
    const double s = f.scale;
    int listsWidth = room.width();
    if (m_missedPanel->isVisibleTo(this)) {
        const QFont title = f.missedTitle();
        const QFont text = f.missedText();
        useFont(m_missedTitle, title);
        useFont(m_missed, text);
        useFont(m_closeMissed, f.listText());
        const int close = std::max(px(22 * s), QFontMetrics(f.listText()).height() + 8);
        const int row = lineHeight(text);
        const int titleRow = std::max(close, lineHeight(title));
        const int listTop = px(6 * s) + titleRow + px(4 * s);
        const int listH = room.height() - listTop - px(6 * s);
        const bool scrolls = m_missed->count() * row + 2 * m_missed->frameWidth() > listH;
        const int bar = scrolls ? m_missed->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_missed) : 0;
        const int listW = px(widest(text, linesOf(m_missed))) + listPadding(m_missed) + bar;
        const int titleW = px(textWidth(title, m_missedTitle->text())) + 4;
        const int width = std::max(listW + px(12 * s), titleW + close + px(16 * s));
        place(m_missedPanel, QRect(room.right() + 1 - width, room.top(), width, room.height()));
        place(m_missedTitle, QRect(px(6 * s), px(6 * s), width - close - px(14 * s), titleRow));
        place(m_closeMissed, QRect(width - px(4 * s) - close, px(4 * s), close, close));
        place(m_missed, QRect(px(6 * s), listTop, width - px(12 * s), listH));
        listsWidth -= width + px(4 * s);
    }
    if (m_wordLists->isVisibleTo(this))
        layoutWordLists(f, QRect(room.left(), room.top(), listsWidth, room.height()));
}

void GameBoard::layoutWordLists(const Fonts& f, const QRect& room)
{
    const double s = f.scale;
    place(m_wordLists, room);
    const int close = std::max(px(22 * s), QFontMetrics(f.listText()).height() + 8);
    useFont(m_closeLists, f.listText());
    place(m_closeLists, QRect(room.width() - px(4 * s) - close, px(4 * s), close, close));
    const QRect area(px(6 * s), px(4 * s), room.width() - px(6 * s) - close - px(8 * s), room.height() - px(8 * s));
    place(m_wordScroll, area);

    const QFont name = f.listName();
    const QFont text = f.listText();
    std::vector<std::size_t> shown;
    std::vector<int> lines;
    QStringList heads;
    QStringList words;
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        WordColumn& c = m_columns[i];
        const bool on = m_columnShown[i];
        for (QWidget* w : std::initializer_list<QWidget*> { c.name, c.count, c.score, c.words })
            w->setVisible(on);
        if (!on)
            continue;
        shown.push_back(i);
        lines.push_back(c.words->count());
        heads << c.count->text() << c.score->text();
        words << linesOf(c.words);
        useFont(c.name, name);
        useFont(c.count, text);
        useFont(c.score, name);
        useFont(c.words, text);
    }
    const int pad = listPadding(m_columns[0].words);
    // Wide enough for a ten-letter word with its length, and for a name.
    const qreal letter = textWidth(text, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")) / 26;
    const qreal longWord = textWidth(text, QStringLiteral("10: ")) + letter * 10;
    qreal part = std::max({ longWord, widest(text, words), widest(name, heads) }) + pad;
    for (std::size_t i : shown)
        part = std::max(part, std::min(textWidth(name, m_columns[i].name->text()) + 4, textWidth(name, QString(16, 'n'))));
    const int row = lineHeight(text);
    const int colGap = px(6 * s);

    // The header is as high as the longest name needs at a column's width (a very long one wraps).
    const auto namesHeight = [&](double columnWidth) {
        int h = lineHeight(name);
        for (std::size_t i : shown)
            h = std::max(h,
                QFontMetrics(name)
                        .boundingRect(QRect(0, 0, static_cast<int>(columnWidth) - 4, 100000), Qt::TextWordWrap,
                            m_columns[i].name->text())
                        .height()
                    + 2);
        return h;
    };
    int nameH = namesHeight(part);
    int headH = nameH + 2 * lineHeight(text) + px(2 * s);

    int viewW = area.width();
    boardlayout::ColumnPlan plan;
    int listH = 0;
    int totalH = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const int linesShown = std::max(1, (area.height() - headH - 2 * m_columns[0].words->frameWidth()) / row);
        // (A whisker of slack: columns that fit exactly must not round to one fewer.)
        plan = boardlayout::planColumns(lines, part + colGap, viewW + colGap + 0.5, linesShown);
        // Half a line to spare: a list wraps its last line to a new column when it fits only just.
        listH = std::max(1, plan.linesPerPart) * row + 2 * m_columns[0].words->frameWidth() + row / 2;
        const int rows = std::max(1, (static_cast<int>(shown.size()) + plan.perRow - 1) / plan.perRow);
        totalH = rows * (headH + listH) + (rows - 1) * colGap;
        if (totalH <= area.height() || pass == 1)
            break;
        // The panel will scroll: its bar takes some width.
        viewW -= m_wordScroll->verticalScrollBar()->sizeHint().width();
    }
    int allParts = 0;
    for (std::size_t k = 0; k < shown.size() && static_cast<int>(k) < plan.perRow; ++k)
        allParts += plan.parts[k];
    // Spare width widens every column of words alike.
    const double used = allParts * (part + colGap) - colGap;
    const double partW = allParts > 0 && used < viewW ? part + (viewW - used) / allParts - 0.5 : part;
    // Wider columns may hold a long name on one line after all.
    nameH = namesHeight(partW);
    headH = nameH + 2 * lineHeight(text) + px(2 * s);
    const int rows = std::max(1, (static_cast<int>(shown.size()) + plan.perRow - 1) / plan.perRow);
    totalH = rows * (headH + listH) + (rows - 1) * colGap;
    const int frame = m_columns[0].words->frameWidth();
    double x = 0;
    int y = 0;
    for (std::size_t k = 0; k < shown.size(); ++k) {
        if (k > 0 && static_cast<int>(k) % plan.perRow == 0) {
            x = 0;
            y += headH + listH + colGap;
        }
        WordColumn& c = m_columns[shown[k]];
        const int parts = plan.parts[k];
        // One frame round all of a player's parts; a gap between them.
        const int cell = px(partW - 2 * frame + (parts > 1 ? colGap : 0));
        const int w = parts * cell + 2 * frame;
        const int cx = px(x);
        place(c.name, QRect(cx, y, w, nameH));
        place(c.count, QRect(cx, y + nameH, w, lineHeight(text)));
        place(c.score, QRect(cx, y + nameH + lineHeight(text), w, lineHeight(text)));
        c.words->setGridSize(QSize(cell, row));
        place(c.words, QRect(cx, y + headH, w, listH));
        x += w + colGap;
    }
    m_wordColumns->resize(viewW, std::max(totalH, 1));
}
