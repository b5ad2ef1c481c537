#pragma once
// The board of the main window: the rack and word row, the category boxes, the
// turn controls, the clock, the seats and the panels that show a turn's
// result. It draws what the game model and the roster say and reports the
// player's clicks; it decides nothing.

#include "client/Game.h"
#include "client/Roster.h"

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
class TileWidget;

// A button that also reports double clicks: buying tiles costs points, so one
// stray click must not do it.
class DoubleClickButton;

class GameBoard : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 768;
    static constexpr int kHeight = 506;
    // The rack in the play area: one row of tiles, or two; the word row above it.
    static constexpr int kTileSize = 41;
    static constexpr int kRackTop = 61;
    static constexpr int kLowerRowTop = 103;
    static constexpr int kWordRowTop = 8;
    // Where a tile stands in the play area.
    static QPoint tilePosition(const client::Tile& tile, bool twoRows);
    // Left edge of place 1..10 of the word row.
    static int wordLeft(int position) { return position * kTileSize + 69; }

    // Chat typed at the board and its phrase buttons go out through `outbox`.
    GameBoard(QWidget* parent, ChatOutbox* outbox);

    void render(const client::Game& game, const client::Roster& roster);
    // Clock-only repaint (the one-second tick).
    void renderClock(const client::Game& game);

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
    void layoutWordLists(int width);
    void renderRack(const client::Game& game);
    void renderBoxes(const client::Game& game);
    void renderSeats(const client::Game& game, const client::Roster& roster);
    // The typing box's words where the rack leaves them room: beside Finish
    // under one row of tiles, on two lines right of the upper row under two.
    void placeTypingBox(QString text, bool twoRows);
    // Names and descriptions for a screen reader (GameBoardWords.cpp): the
    // fixed ones once, and what the model says after every change.
    void nameControls();
    void describe(const client::Game& game, const client::Roster& roster);
    void describeClock(const client::Game& game);

    QLabel* m_logo = nullptr;
    QFrame* m_playArea = nullptr;
    std::array<TileWidget*, rules::kZirkedTiles> m_tiles {};
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
    QFrame* m_wordLists = nullptr;
    std::array<WordColumn, rules::kPlayerSeats> m_columns {};
    QPushButton* m_closeLists = nullptr;
    QFrame* m_missedPanel = nullptr;
    QListWidget* m_missed = nullptr;
    ChatView* m_chatView = nullptr;
    ChatInput* m_chatInput = nullptr;
    PhraseBar* m_phrases = nullptr;
    Announcer* m_announcer = nullptr;
};
