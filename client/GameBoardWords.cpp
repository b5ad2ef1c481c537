// The board for a screen reader: every control named for what it is and does,
// and the tiles, boxes, seats and clock described again whenever the model
// changes them. The sentences themselves come from Wording.

#include "GameBoard.h"

#include "TileWidget.h"
#include "Wording.h"
#include "chat/ChatInput.h"
#include "chat/ChatView.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace
{

// Renaming posts a change to every screen reader: only when the words changed.
void name(QWidget* w, const std::string& text)
{
    const QString t = QString::fromStdString(text);
    if (w->accessibleName() != t)
        w->setAccessibleName(t);
}

} // namespace

void GameBoard::nameControls()
{
    m_logo->setAccessibleName("Zirky");
    m_logo->setAccessibleDescription("Opens the maker's web site");
    m_status->setAccessibleDescription("What happens now");
    m_result->setAccessibleDescription("The last result");
    m_timerBar->setAccessibleName("Time left, as a bar");
    m_timerTrack->setAccessibleName("Turn clock");
    m_playArea->setAccessibleName("Your tiles and word");
    m_winnerPanel->setAccessibleName("Winner");
    m_wordLists->setAccessibleName("Everyone's words this turn");
    m_missedPanel->setAccessibleName("Words you missed this turn");
    m_closeLists->setAccessibleName("Close the word lists");
    if (auto* close = findChild<QPushButton*>("button_closemissed"))
        close->setAccessibleName("Close the words you missed");
    m_missed->setAccessibleName("Words you missed");
    m_chatView->setAccessibleName("Chat");
    m_chatInput->setAccessibleName("Chat input");
    m_chatInput->setAccessibleDescription("Type and press Enter to chat");
    for (int seat = 1; seat <= rules::kPlayerSeats; ++seat) {
        Seat& s = m_seats[static_cast<std::size_t>(seat - 1)];
        s.eyes->setAccessibleName(QString("Seat %1 is just watching").arg(seat));
        s.fresh->setAccessibleName(QString("Seat %1 bought new tiles").arg(seat));
    }
}

void GameBoard::describe(const client::Game& game, const client::Roster& roster)
{
    const client::Rack& rack = game.rack();
    for (int n = 1; n <= rules::kZirkedTiles; ++n) {
        const client::Tile& t = rack.tile(n);
        name(tile(n), client::tileWords(n, t.picture ? t.letter : 0, t.shownInWord));
    }
    for (int length = rules::kMinWordLength; length <= rules::kMaxWordLength; ++length) {
        const client::WordBox& model = game.box(length);
        const Box& box = m_boxes[static_cast<std::size_t>(length - rules::kMinWordLength)];
        name(box.list, client::boxWords(length, model.words, model.points, model.full, model.closed));
        name(box.points, std::to_string(length) + " Letters: " + client::countOf(model.points, "point", "points"));
    }
    for (int seat = 1; seat <= rules::kPlayerSeats; ++seat) {
        const Seat& s = m_seats[static_cast<std::size_t>(seat - 1)];
        const client::SeatBoard& model = game.seat(seat);
        const std::string& who = roster.name(seat);
        const client::SeatFacts facts { .seat = seat,
            .name = who,
            .score = model.score,
            .bonus = model.bonus,
            .free = who == client::kWaiting,
            .mine = seat == roster.mySeat(),
            .onTurn = game.whoseTurn() == seat,
            .watching = roster.watching(seat),
            .boughtTiles = model.newTiles };
        const std::string said = client::seatWords(facts);
        name(s.name, said);
        name(s.box, said);
        name(s.score, "Seat " + std::to_string(seat) + " score: " + model.score);
        name(s.bonus,
            model.bonus.empty() ? std::string() : "Seat " + std::to_string(seat) + " this turn: " + model.bonus);
    }
    for (int seat = 1; seat <= rules::kPlayerSeats; ++seat) {
        const client::WordList& model = game.wordList(seat);
        const WordColumn& c = m_columns[static_cast<std::size_t>(seat - 1)];
        name(c.words,
            (model.name.empty() ? "Seat " + std::to_string(seat) : model.name) + "'s words: " + model.count + ", "
                + model.score);
    }
    describeClock(game);
}

void GameBoard::describeClock(const client::Game& game)
{
    name(m_time, client::clockWords(game.timeText(), game.clockSeconds(), game.clockRunning()));
}
