// The game at the window: host messages and the player's clicks and keys go
// to the game model; what it asks for is sent, played, written in the chat and
// tallied, and the board is drawn again.

#include "Tchat.h"

#include "ClientConnection.h"
#include "GameBoard.h"
#include "chat/ChatInput.h"
#include "chat/ChatView.h"
#include "chat/Sounds.h"
#include "chat/Speaker.h"
#include "rules/Seats.h"
#include "windows/Ttallylist.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

void Tchat::apply(client::Effects effects)
{
    if (effects.ignored)
        log("ignored: " + *effects.ignored);
    for (const auto& m : effects.send)
        sendToHost(m);
    for (const auto& line : effects.lines)
        addLine(line.text, line.colour);
    for (const auto& sound : effects.sounds)
        playsounds(sound);
    if (effects.focusChat)
        m_mychat->setFocus();
    render();
}

void Tchat::render()
{
    m_board->render(m_game, m_roster);
    syncClock();
}

void Tchat::syncClock()
{
    if (!m_game.clockRunning()) {
        m_timer2->stop();
        return;
    }
    // A fresh deal restarts the second count from the moment the tiles arrived.
    if (!m_timer2->isActive() || m_clockGeneration != m_game.clockGeneration()) {
        m_clockGeneration = m_game.clockGeneration();
        m_timer2->start();
    }
}

void Tchat::Timer2Timer()
{
    const bool ownTurn = m_game.myTurn();
    client::Effects e = m_game.tick();
    if (ownTurn || !m_game.clockRunning()) {
        apply(std::move(e));
        return;
    }
    // Most ticks move only the clock.
    for (const auto& sound : e.sounds)
        playsounds(sound);
    m_board->renderClock(m_game);
}

void Tchat::playsounds(const std::string& name)
{
    if (soundPlayer)
        soundPlayer(name);
    m_sounds->playsounds(QString::fromStdString(name));
}

// ---------------------------------------------------------------- host messages

void Tchat::startthegame(std::string_view rest) { apply(m_game.startthegame(rest)); }
void Tchat::getnextplayer(std::string_view rest) { apply(m_game.getnextplayer(rest)); }
void Tchat::thedice(std::string_view rest) { apply(m_game.thedice(rest)); }
void Tchat::setdice(std::string_view rest) { apply(m_game.setdice(rest)); }
void Tchat::cleartiles(std::string_view rest) { apply(m_game.cleartilesRelay(rest)); }
void Tchat::accepted(std::string_view rest) { apply(m_game.accepted(rest)); }
void Tchat::rejected(std::string_view rest) { apply(m_game.rejected(rest)); }
void Tchat::addaword(std::string_view rest) { apply(m_game.addaword(rest)); }
void Tchat::newtiles(std::string_view rest) { apply(m_game.newtiles(rest)); }
void Tchat::oldtiles(std::string_view rest) { apply(m_game.oldtiles(rest)); }
void Tchat::loadscores(std::string_view rest) { apply(m_game.loadscores(rest)); }
void Tchat::stats(std::string_view rest) { apply(m_game.stats(rest)); }
void Tchat::turnend(std::string_view rest) { apply(m_game.turnend(rest)); }
void Tchat::ifinished(std::string_view rest) { apply(m_game.ifinished(rest)); }
void Tchat::allfinished(std::string_view rest) { apply(m_game.allfinished(rest)); }

void Tchat::scores(std::string_view rest)
{
    client::Effects e = m_game.scores(rest);
    recordTally(e);
    apply(std::move(e));
}

void Tchat::winner(std::string_view rest)
{
    client::Effects e = m_game.winner(rest);
    recordTally(e);
    apply(std::move(e));
}

void Tchat::chatrecieved(std::string_view rest) { m_mainchat->chatrecieved(rest); }

void Tchat::playasound(std::string_view rest)
{
    const auto nameOf = [this](int seat) -> std::string {
        if (rules::isPlayerSeat(seat))
            return m_roster.name(seat);
        const std::string prefix = std::to_string(seat) + ": ";
        for (const auto& spy : m_roster.spies())
            if (spy.rfind(prefix, 0) == 0)
                return spy.substr(prefix.size());
        return {};
    };
    const auto r = chat::playasound(rest, m_sounds->playChatterSounds(), nameOf);
    if (r.ignored)
        log("ignored: " + *r.ignored);
    if (r.sound)
        playsounds(*r.sound);
    if (r.line)
        addLine(*r.line, client::kBlue);
}

// ---------------------------------------------------------------- the player

void Tchat::dice_1MouseDown(int tile, Qt::MouseButton button)
{
    apply(button == Qt::LeftButton ? m_game.leftClick(tile) : m_game.otherClick(tile));
}

void Tchat::button_doneClick() { apply(m_game.hitdone()); }
void Tchat::button_clearClick() { apply(m_game.hitclear()); }
void Tchat::button_newtilesDblClick() { apply(m_game.hitnew()); }
void Tchat::button_oldDblClick() { apply(m_game.hitold()); }
void Tchat::button_finishClick() { apply(m_game.finish()); }
void Tchat::checkbox_typingClick() { apply(m_game.toggleTyping()); }

void Tchat::button_closeClick()
{
    m_game.hideWordLists();
    render();
    m_mychat->setFocus();
}

bool Tchat::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this)
        return FormShortCut(static_cast<QKeyEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}

bool Tchat::FormShortCut(QKeyEvent* keyEvent)
{
    using client::Key;
    Key key = Key::Other;
    char letter = 0;
    switch (keyEvent->key()) {
    case Qt::Key_Tab:
        key = Key::Tab;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        key = Key::Enter;
        break;
    case Qt::Key_Backspace:
        key = Key::Backspace;
        break;
    case Qt::Key_1:
        key = Key::One;
        break;
    case Qt::Key_6:
        key = Key::Six;
        break;
    case Qt::Key_Space:
        key = Key::Space;
        break;
    case Qt::Key_0:
        key = Key::Zero;
        break;
    default:
        if (keyEvent->key() >= Qt::Key_A && keyEvent->key() <= Qt::Key_Z
            && !(keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            key = Key::Letter;
            letter = static_cast<char>('A' + (keyEvent->key() - Qt::Key_A));
        }
        break;
    }
    client::Effects e;
    const bool handled = m_game.key(key, letter, e);
    if (handled)
        apply(std::move(e));
    return handled;
}

void Tchat::recordTally(const client::Effects& e)
{
    Ttallylist* tally = m_windows.tallylist;
    if (!tally)
        return;
    if (e.turnScore && *e.turnScore > tally->highestTurnScore())
        tally->addscore(4, *e.turnScore);
    if (e.tallyGame)
        tally->addgame(QString::fromStdString(*e.tallyGame));
    if (e.gameScore && *e.gameScore > tally->highestGameScore())
        tally->addscore(3, *e.gameScore);
}
