#pragma once
// The board of the main window: the rack and word row, the category boxes, the
// turn controls, the clock, the seats and the panels that show a turn's
// result. It draws what the game model and the roster say and reports the
// player's clicks; it decides nothing. It lays itself out for its size and
// the player's text size: everything grows and shrinks together, and every
// text gets the room it needs (GameBoardLayout.cpp).

#include "client/Game.h"
#include "client/Roster.h"

#include <QPixmap>
#include <QWidget>

#include <array>

class Announcer;
class ChatInput;
class ChatOutbox;
class ChatView;
class PhraseBar;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class TileWidget;

class DoubleClickButton;

class GameBoard : public QWidget
{
    Q_OBJECT
public:
    // The rack in the play area of the default window: one row of tiles, or
    // two; the word row above it. A larger board scales these.
    static constexpr int kTileSize = 41;
    static constexpr int kRackTop = 61;
    static constexpr int kLowerRowTop = 103;
    static constexpr int kWordRowTop = 8;
    // Where a tile stands in the play area of the default window.
    static QPoint designTilePosition(const client::Tile& tile, bool twoRows);
    // Left edge of place 1..10 of the word row in the default window.
    static int designWordLeft(int position) { return position * kTileSize + 69; }

    // Chat typed at the board and its phrase buttons go out through `outbox`.
    GameBoard(QWidget* parent, ChatOutbox* outbox);

    void render(const client::Game& game, const client::Roster& roster);
    // Clock-only repaint (the one-second tick).
    void renderClock(const client::Game& game);

    // The player's text size (8 is the design's); the chat and every text of the board follow it.
    void setTextSize(int points);
    int textSize() const { return m_textSize; }
    // How much larger than the default window the board is drawn.
    double scale() const { return m_scale; }
    // Where a tile stands in the play area now.
    QPoint tilePosition(const client::Tile& tile, bool twoRows) const;
    int rackTop() const { return tilePosition({}, false).y(); }
    int wordRowTop() const;
    int wordLeft(int position) const;

    ChatView* chatView() const { return m_chatView; }
    ChatInput* chatInput() const { return m_chatInput; }
    PhraseBar* phraseBar() const { return m_phrases; }
    QLabel* nameLabel(int seat) const { return m_seats[static_cast<std::size_t>(seat - 1)].name; }
    QLabel* eyes(int seat) const { return m_seats[static_cast<std::size_t>(seat - 1)].eyes; }
    QPushButton* startButton() const { return m_buttonStart; }
    TileWidget* tile(int n) const { return m_tiles[static_cast<std::size_t>(n - 1)]; }
    // Where news for a screen reader is said.
    Announcer* announcer() const { return m_announcer; }

signals:
    void tilePressed(int tile, Qt::MouseButton button);
    // The keyboard on a tile: Space or Enter, and the arrows.
    void tileActivated(int tile);
    void tileStepped(int tile, int step);
    void doneClicked();
    void clearClicked();
    void newTilesDoubleClicked();
    void oldTilesDoubleClicked();
    void finishClicked();
    void typingClicked();
    void startClicked();
    void wordListsClosed();
    void nameMenuRequested(int seat, const QPoint& globalPos);
    void logoClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Seat {
        QFrame* box = nullptr;
        QLabel* name = nullptr;
        QLabel* score = nullptr;
        QLabel* bonus = nullptr;
        QLabel* eyes = nullptr;
        QLabel* fresh = nullptr;
    };
    struct Box {
        QLabel* caption = nullptr;
        QListWidget* list = nullptr;
        QLabel* points = nullptr;
    };
    struct WordColumn {
        QLabel* name = nullptr;
        QLabel* count = nullptr;
        QLabel* score = nullptr;
        QListWidget* words = nullptr;
    };

    void buildPlayArea();
    void buildBoxes();
    void buildSeats();
    void buildInfo();
    void buildWordLists();
    void buildMissedWords();
    void renderRack(const client::Game& game);
    void renderBoxes(const client::Game& game);
    void renderSeats(const client::Game& game, const client::Roster& roster);
    void placeTurnMarker();

    // ---- layout (GameBoardLayout.cpp)
    // Everything placed and sized for the board's size, text size and texts.
    void relayout();
    // Only when something that takes room changed since the last layout.
    void relayoutIfChanged();
    QString roomKey() const;
    struct Fonts;
    int layoutHeader(const Fonts& f, int left, int top, int width);
    void layoutPlayArea(const Fonts& f, const QRect& area);
    int boxesHeight(const Fonts& f) const;
    std::vector<int> boxWidths(const Fonts& f) const;
    void layoutBoxes(const Fonts& f, int left, int top, int width);
    void layoutSeats(const Fonts& f, const QRect& column);
    void layoutSeat(const Fonts& f, int seat, const QRect& box);
    void layoutPanels(const Fonts& f, const QRect& room);
    // The end-of-turn panels all but hide what lies wholly under them: it is
    // not drawn at all then (a 4K window has no time to spare for it).
    void showUncovered(const QRect& covered);
    void layoutWordLists(const Fonts& f, const QRect& room);
    // The typing box's words; the layout finds them room.
    void placeTypingBox(const QString& text);
    // Names and descriptions for a screen reader (GameBoardWords.cpp): the
    // fixed ones once, and what the model says after every change.
    void nameControls();
    void describe(const client::Game& game, const client::Roster& roster);
    void describeClock(const client::Game& game);

    QLabel* m_logo = nullptr;
    QFrame* m_playArea = nullptr;
    std::array<TileWidget*, rules::kZirkedTiles> m_tiles {};
    // Where the tiles stand, as last rendered: a new layout moves them to their scaled places.
    std::array<client::Tile, rules::kZirkedTiles> m_shownTiles {};
    bool m_twoRows = false;
    QPushButton* m_buttonStart = nullptr;
    QPushButton* m_buttonDone = nullptr;
    QPushButton* m_buttonClear = nullptr;
    DoubleClickButton* m_buttonNew = nullptr;
    DoubleClickButton* m_buttonOld = nullptr;
    QPushButton* m_buttonFinish = nullptr;
    QCheckBox* m_typing = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_time = nullptr;
    QFrame* m_timerTrack = nullptr;
    QFrame* m_timerBar = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_sum = nullptr;
    QFrame* m_winnerPanel = nullptr;
    QLabel* m_winnerLabel = nullptr;
    std::array<Box, rules::kWordLengths> m_boxes {};
    std::array<Seat, rules::kPlayerSeats> m_seats {};
    QFrame* m_turnMarker = nullptr;
    std::array<QLabel*, 6> m_info {};
    QLabel* m_team = nullptr;
    QLabel* m_noGame = nullptr;
    std::array<QLabel*, rules::kWordLengths> m_captions {};
    std::array<QLabel*, rules::kPlayerSeats> m_seatNumbers {};
    QFrame* m_seatPanel = nullptr;
    QFrame* m_infoPanel = nullptr;
    QFrame* m_wordPanel = nullptr;
    QFrame* m_wordLists = nullptr;
    QScrollArea* m_wordScroll = nullptr;
    QWidget* m_wordColumns = nullptr;
    std::array<WordColumn, rules::kPlayerSeats> m_columns {};
    std::array<bool, rules::kPlayerSeats> m_columnShown {};
    QPushButton* m_closeLists = nullptr;
    QFrame* m_missedPanel = nullptr;
    QLabel* m_missedTitle = nullptr;
    QListWidget* m_missed = nullptr;
    QPushButton* m_closeMissed = nullptr;
    ChatView* m_chatView = nullptr;
    ChatInput* m_chatInput = nullptr;
    PhraseBar* m_phrases = nullptr;

    int m_markerSeat = 0; // 0: no turn marker
    int m_textSize = 8;
    double m_scale = 1;
    // The play area's design block (590 wide at scale 1) starts here.
    int m_playLeft = 0;
    int m_trackWidth = 200;
    QPixmap m_eyesIcon; // the seats' markers at their present size
    QPixmap m_freshIcon;
    QString m_laidOutFor;
    bool m_laying = false;
    Announcer* m_announcer = nullptr;
};
