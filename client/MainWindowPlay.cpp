// The game at the window: host messages go to the session and the player's
// clicks and keys to the game model; what they ask for is sent, played,
// written in the chat and tallied, and the board is drawn again.

#include "MainWindow.h"

#include "ClientConnection.h"
#include "GameBoard.h"
#include "TileWidget.h"
#include "chat/ChatInput.h"
#include "chat/ChatOutbox.h"
#include "chat/ChatView.h"
#include "chat/Sounds.h"
#include "windows/SpectatorList.h"
#include "windows/TallyWindow.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

void MainWindow::apply(client::Effects effects)
{
    if (effects.ignored)
        logIgnored(*effects.ignored);
    if (effects.seated) {
        m_conn->markSeated();
        m_outbox->setSeat(*effects.seated);
        m_outbox->setConnected(true);
    }
    if (effects.hostRights)
        showHostRights();
    for (const auto& m : effects.send)
        sendToHost(m);
    for (const auto& line : effects.lines)
        addLine(line.text, line.colour);
    if (effects.loggedIn)
        loadSettings();
    if (effects.spyAdded && m_windows.spectators)
        m_windows.spectators->addSpy(effects.spyAdded->seat, QString::fromStdString(effects.spyAdded->name));
    if (effects.spyRemoved && m_windows.spectators)
        m_windows.spectators->removeSpy(effects.spyRemoved->seat, QString::fromStdString(effects.spyRemoved->name));
    for (const auto& spy : effects.spiesGone)
        if (m_windows.spectators)
            m_windows.spectators->removeSpy(spy.seat, QString::fromStdString(spy.name));
    if (effects.mayRejoin)
        m_conn->setReconnect(*effects.mayRejoin);
    if (effects.hostSpeaksAdditions)
        m_conn->startHeartbeat();
    if (effects.backInGame)
        m_conn->linkRestored();
    if (effects.justWatchChecked)
        m_justWatch->setChecked(*effects.justWatchChecked);
    for (const auto& sound : effects.sounds)
        playSound(sound);
    if (effects.focusChat)
        m_chatInput->setFocus();
    recordTally(effects);
    if (effects.gameFull) {
        if (m_joining) {
            joinFailed(QStringLiteral("Game is full"));
            return;
        }
        tell("Game is full");
        hostGone("the game is full");
        return;
    }
    if (m_joining)
        followJoin(effects);
    render();
    announce(effects);
}

void MainWindow::logIgnored(const std::string& why)
{
    if (!m_clock.isValid())
        m_clock.start();
    if (!m_ignoredLog.admit(m_clock.elapsed()))
        return;
    if (const std::size_t held = m_ignoredLog.takeHeldBack())
        log(std::to_string(held) + " more host messages were ignored and not logged");
    log("ignored: " + why);
}

void MainWindow::render()
{
    m_board->render(m_session.game(), m_session.roster());
    syncClock();
    updateMenus();
    // A tile that lost its letter (the turn ended) gives the keyboard back to the chat.
    if (const auto* tile = qobject_cast<TileWidget*>(QApplication::focusWidget());
        tile && (!tile->isVisible() || tile->letter() == 0))
        m_chatInput->setFocus();
}

void MainWindow::syncClock()
{
    if (!m_session.game().clockRunning()) {
        m_turnClock->stop();
        return;
    }
    // A fresh deal restarts the second count from the moment the tiles arrived.
    if (!m_turnClock->isActive() || m_clockGeneration != m_session.game().clockGeneration()) {
        m_clockGeneration = m_session.game().clockGeneration();
        m_turnClock->start();
    }
}

void MainWindow::onClockTick()
{
    const bool ownTurn = m_session.game().myTurn();
    client::Effects e = m_session.game().tick();
    if (ownTurn || !m_session.game().clockRunning()) {
        apply(std::move(e));
        return;
    }
    // Most ticks move only the clock.
    for (const auto& sound : e.sounds)
        playSound(sound);
    m_board->renderClock(m_session.game());
}

void MainWindow::playSound(const std::string& name)
{
    if (soundPlayer)
        soundPlayer(name);
    m_sounds->playSound(QString::fromStdString(name));
}

// ---------------------------------------------------------------- the player

void MainWindow::onTilePressed(int tile, Qt::MouseButton button)
{
    apply(button == Qt::LeftButton ? m_session.game().leftClick(tile) : m_session.game().otherClick(tile));
}

void MainWindow::onDoneClicked() { apply(m_session.game().hitdone()); }
void MainWindow::onClearClicked() { apply(m_session.game().hitclear()); }
void MainWindow::onNewTilesDoubleClicked() { apply(m_session.game().hitnew()); }
void MainWindow::onOldTilesDoubleClicked() { apply(m_session.game().hitold()); }
void MainWindow::onFinishClicked() { apply(m_session.game().finish()); }
void MainWindow::onTypingClicked() { apply(m_session.game().toggleTyping()); }

void MainWindow::onWordListsClosed()
{
    m_session.game().hideWordLists();
    render();
    m_chatInput->setFocus();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this) {
        // A tile holding the keyboard keeps its own keys (the arrows, Space, Enter).
        if (qobject_cast<TileWidget*>(watched) && TileWidget::ownsKey(static_cast<QKeyEvent*>(event)->key()))
            return false;
        return takeGameKey(static_cast<QKeyEvent*>(event));
    }
    // Text an input method composes reaches the chat input without a key press:
    // while letters build words, its letters are game keys too.
    if (event->type() == QEvent::InputMethod && watched == m_chatInput && m_session.game().lettersBuildWords()) {
        const QString text = static_cast<QInputMethodEvent*>(event)->commitString();
        for (const QChar c : text) {
            client::Effects e;
            const char letter = static_cast<char>(c.toUpper().toLatin1());
            m_session.game().key(letter >= 'A' && letter <= 'Z' ? client::Key::Letter : client::Key::Other, letter, e);
            apply(std::move(e));
        }
        return true;
    }
    // A window of ours closed: the keyboard goes home, not nowhere.
    if (event->type() == QEvent::Hide && watched->isWidgetType()) {
        if (isCompanionWindow(watched))
            QTimer::singleShot(0, this, &MainWindow::returnKeyboardHome);
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::takeGameKey(QKeyEvent* keyEvent)
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
        if (!(keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            // By the key, or by its text where the layout gives the key another code.
            const QString text = keyEvent->text().toUpper();
            if (keyEvent->key() >= Qt::Key_A && keyEvent->key() <= Qt::Key_Z) {
                key = Key::Letter;
                letter = static_cast<char>('A' + (keyEvent->key() - Qt::Key_A));
            } else if (text.size() == 1 && text[0] >= QLatin1Char('A') && text[0] <= QLatin1Char('Z')) {
                key = Key::Letter;
                letter = text[0].toLatin1();
            }
        }
        break;
    }
    client::Effects e;
    const bool handled = m_session.game().key(key, letter, e);
    if (handled)
        apply(std::move(e));
    return handled;
}

void MainWindow::recordTally(const client::Effects& e)
{
    TallyWindow* tally = m_windows.tally;
    if (!tally)
        return;
    if (e.turnScore && *e.turnScore > tally->highestTurnScore())
        tally->addscore(4, *e.turnScore);
    if (e.tallyGame)
        tally->addgame(QString::fromStdString(*e.tallyGame));
    if (e.gameScore && *e.gameScore > tally->highestGameScore())
        tally->addscore(3, *e.gameScore);
}
