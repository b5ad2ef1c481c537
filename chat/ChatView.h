#pragma once
// The read-only chat view `mainchat`: system lines and the players' chat with
// bold coloured heads, smiley pictures and links. A peer's text is always
// shown as the characters it is, never read as markup, and the view keeps
// only the newest lines so that a flood cannot grow memory without end.
// The game's own lines are set apart (a tinted band, in italics), which no
// player's line ever takes. Drawing has a time budget: lines that come faster
// than it allows wait and are drawn together a little later, so that however
// a flood of lines costs to draw, the program goes on reading its connection.

#include "ChatLine.h"

#include <QColor>
#include <QElapsedTimer>
#include <QTextBrowser>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>

class QAction;
class QMenu;
class QTextBlock;
class QTimer;

// 0x00BBGGRR as the wire and the settings file spell colours.
QColor colorFromBgr(std::uint32_t bgr);
std::uint32_t bgrFromColor(const QColor& colour);

class ChatView : public QTextBrowser
{
    Q_OBJECT
public:
    // The view keeps at least the newest kMaxLines lines and never more than
    // kMaxLines + kTrimBatch: old lines go in batches, because taking lines off
    // the top makes the whole view lay itself out again.
    static constexpr int kMaxLines = 5000;
    static constexpr int kTrimBatch = 500;
    // ... and not much more text than this (each line is also clipped, see
    // chat::kMaxShownBytes), so that a flood of long lines stays as small.
    static constexpr int kMaxCharacters = 1'000'000;
    // Drawing takes at most this many milliseconds of each period of
    // kDrawPeriodMs (give or take one line).
    static constexpr int kDrawBudgetMs = 20;
    static constexpr int kDrawPeriodMs = 100;
    // A player's new colour reaches their earlier lines at most this often.
    static constexpr int kRecolourEveryMs = 250;
    static constexpr int kSettleMs = 250;

    explicit ChatView(QWidget* parent = nullptr);

    // "n+text" in the given colour (addlinetochat): drawn now, or as soon as
    // the drawing budget allows.
    void addLine(const QString& line, const QColor& colour);
    void addlinetochat(const QString& line, const QColor& colour) { addLine(line, colour); }
    // Draws every line still waiting, and the colour changes, now.
    void drawWaitingLines();
    int waitingLines() const { return static_cast<int>(m_waiting.size()); }

    // The font size of all fifteen styles, as the player chose it.
    void setTextSize(int points);
    int textSize() const { return m_textSize; }
    // How much larger than chosen the text is drawn (the board's scale for its size).
    void setZoom(qreal zoom);
    // In half points: a window dragged a few pixels keeps its text, and the
    // history is not re-laid out for a size nobody can see the difference of.
    qreal shownTextSize() const { return std::max(1.0, std::round(m_textSize * m_zoom * 2) / 2); }

    // With scrolling off, new lines do not pull the view to the bottom.
    void setScrollOff(bool off);
    bool scrollOff() const { return m_scrollOff; }
    // The pop-up's "Chat Scroll Off" item; the chat input's menu shares it.
    QAction* scrollOffAction() const { return m_scrollOffItem; }

    // Empties the view ("Clear Main Chat").
    void clearMainChat();
    // A click on a link: opens the address that was shown, http or https only.
    void mainchatJump(const QUrl& href);

    QMenu* popupMenu() const { return m_popup; }

    // Only the smiley pictures: nothing a line names is fetched from disk or the network.
    QVariant loadResource(int type, const QUrl& name) override;
    QMimeData* createMimeDataFromSelection() const override;

    // How a link is opened and how a failure is told; tests replace them.
    std::function<bool(const QUrl&)> openUrl;
    std::function<void(const QString&)> tell;

    // ZIRKY_LOG_CHAT=1 echoes every line to stderr (a debugging aid).
    static bool logToStderr();

signals:
    // "Chat Scroll Off" changed here; the main window's item follows.
    void scrollOffChanged(bool off);
    // "Clear Main Chat" was chosen: the focus belongs to the chat input.
    void cleared();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A view that showed its newest line still shows it at its new size; a
    // reader scrolled back keeps the line at the top of the view.
    // Re-wrapping a long history takes longer than a frame: while the window
    // is being dragged through sizes (a resize within kSettleMs of the last),
    // the history keeps the width it was wrapped at and is wrapped anew, and
    // drawn at a new text size, once the window has settled.
    void resizeEvent(QResizeEvent* event) override;
    // A view hidden under the end-of-turn lists takes its text size when it shows again.
    void showEvent(QShowEvent* event) override;

private:
    struct Waiting {
        std::string line; // clipped for display
        QColor colour;
    };
    // Draws waiting lines while the budget of this period lasts; the rest wait for the next.
    void drawWhileInBudget();
    bool budgetLeft();
    void scheduleDrawing();
    void drawLine(const Waiting& line);
    // A line drawn on the game's band.
    static bool isGameLine(const QTextBlock& block);
    void recolourWaitingStyles();
    void applyTextSize();
    // The history at the size shownTextSize() asks for; false when it already was.
    bool resizeHistoryText();
    bool atBottom() const;
    // A view whose bottom is `atBottom` shows the newest line and should go on showing it.
    bool following(bool atBottom) const;
    // The document position of the line at the top of the view.
    int topPosition() const;
    void keepBottomInView();
    void settle();
    // Scrolls the view so that the line holding document position `position` is at its top.
    void showAtTop(int position);
    void trimHistory();
    int smileySize() const;
    QString shownLinkAt(const QPoint& pos, const QString& href) const;

    chat::LinkTable m_links;
    chat::StyleColours m_styles;
    std::deque<Waiting> m_waiting;
    std::size_t m_waitingBytes = 0;
    // Styles whose earlier lines still show an older colour.
    std::map<int, QColor> m_recolour;
    QElapsedTimer m_lastRecolour;
    QTimer* m_drawTimer = nullptr;
    QElapsedTimer m_period; // the drawing period under way
    qint64 m_spentNs = 0; // drawing time spent in it
    int m_textSize = 8;
    qreal m_zoom = 1;
    qreal m_appliedPoints = 0; // what the history is drawn at now
    QElapsedTimer m_lastResize;
    QSize m_lastSize;
    QTimer* m_settleTimer = nullptr;
    bool m_held = false; // wrapped at an earlier width until the window settles
    bool m_heldFollowing = false; // the newest line was in view when the hold began
    bool m_scrollOff = false;
    QPoint m_lastClick;
    QMenu* m_popup = nullptr;
    QAction* m_scrollOffItem = nullptr;
};
