// The window's side of the connection: launch, hosting or joining, a host
// that goes away, the start of a game, spectators and removal.

#include "MainWindow.h"

#include "ClientConnection.h"
#include "MessageHook.h"
#include "chat/ChatInput.h"
#include "chat/ChatOutbox.h"
#include "chat/ChatView.h"
#include "client/ConnectionText.h"
#include "net/Commands.h"
#include "net/Text.h"
#include "rules/Version.h"
#include "windows/AboutWindow.h"
#include "windows/DownloadWindow.h"
#include "windows/SpectatorList.h"
#include "windows/StartGameDialog.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

void MainWindow::readCommandLine()
{
    m_plan = app::planLaunch(m_options.args);
    addLine(m_plan.firstChatLine, client::kBlue);
    if (m_plan.role == app::LaunchPlan::Role::None)
        return; // one or two arguments: neither host nor join
    if (m_plan.role == app::LaunchPlan::Role::Invite) {
        openInviteLink(QString::fromStdString(m_plan.inviteLink));
        return;
    }
    if (m_plan.showDownloadWindow && m_windows.download) {
        // Over the board rather than wherever the desktop puts it.
        QWidget* w = m_windows.download;
        w->adjustSize();
        w->move(frameGeometry().center() - QPoint(w->width() / 2, w->height() / 2));
        // Offered, not imposed: the keyboard stays in the game's chat input.
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        w->show();
        returnKeyboardHome();
    }
    if (m_plan.role == app::LaunchPlan::Role::Join)
        joinGame();
    else
        hostGame();
    if (m_plan.openLobbyLink)
        m_conn->holdLobbyLink(m_options.lobbyPort);
    if (m_plan.hideFastGame && m_windows.startDialog)
        m_windows.startDialog->setFastHidden(true);
}

void MainWindow::hostGame()
{
    if (!m_options.startHost) {
        log("no game host in this program: cannot host");
        return;
    }
    // A solo game is nobody else's to find; a game hosted for others is listed.
    const bool forOthers = m_plan.role == app::LaunchPlan::Role::Host;
    // The client goes to the port asked for (tests put a scripted host there).
    const HostStart host = beginHosting(m_options.hostPort, forOthers, m_options.hostPort);
    if (!host.listening) {
        const QString port = QString::number(host.port);
        addLine("0+Cannot host the game: port " + port.toStdString() + " is in use.", client::kRed);
        tell(QString::fromStdString(client::portInUseText(host.port)));
        return;
    }
    if (forOthers)
        tellWhereToJoin();
}

MainWindow::HostStart MainWindow::beginHosting(quint16 port, bool announce, quint16 connectTo)
{
    HostStart host;
    host.port = port;
    if (!m_options.startHost)
        return host;
    host = m_options.startHost({ port, currentSettings().cleanWords, announce, m_plan.playerName });
    if (!host.listening) {
        // Someone else holds the port: hosting would only connect us to their game.
        log("cannot host: " + host.error.toStdString());
        return host;
    }
    m_hostedPort = host.port;
    // Computers join this copy's own host only: its seat-1 player adds them.
    m_addComputer->setEnabled(static_cast<bool>(m_options.addComputer));
    m_session.setHosting(true);
    openClient("127.0.0.1", connectTo ? connectTo : m_hostedPort);
    showHostRights();
    showHostingItems();
    // After the connection is under way: the message waits for the player.
    if (!host.dictionaryError.isEmpty())
        tell(host.dictionaryError);
    return host;
}

void MainWindow::onAddComputerChosen(int level)
{
    if (!m_options.addComputer || m_hostedPort == 0 || m_session.roster().mySeat() != 1)
        return;
    m_options.addComputer(level, m_session.roster().everyone());
}

void MainWindow::joinGame()
{
    m_session.setHosting(false);
    openClient(m_plan.hostAddress, m_options.hostPort ? m_options.hostPort : m_hostedPort);
    showHostRights();
}

void MainWindow::showHostRights()
{
    const bool host = m_session.hostRights();
    if (m_windows.spectators)
        m_windows.spectators->setRemoveEnabled(host);
    render();
}

void MainWindow::openClient(const std::string& address, quint16 port)
{
    m_session.setLoginName(m_plan.playerName);
    m_conn->open(QString::fromStdString(address), port);
}

void MainWindow::leaveIfHostClosed()
{
    if (!m_conn->hostLeft() || m_messagesOpen != 0)
        return;
    if (m_joining) {
        joinFailed(QString::fromStdString("The game at " + m_joining->host + " port " + std::to_string(m_joining->port)
            + " closed the connection before taking you in."));
        return;
    }
    hostGone(m_conn->wasSeated() ? "the connection to the host closed" : "the host closed before seating us");
}

void MainWindow::tell(const QString& text)
{
    ++m_messagesOpen;
    showMessage(this, text);
    --m_messagesOpen;
    leaveIfHostClosed();
}

void MainWindow::hostGone(const char* why)
{
    if (m_closing || m_leaving)
        return;
    m_leaving = true;
    log(why);
    // A game that vanished would leave the player guessing: say why first.
    if (!m_conn->dropReason().isEmpty())
        showMessage(this, m_conn->dropReason());
    else if (!m_conn->wasSeated() && !m_conn->failure().isEmpty())
        showMessage(this, m_conn->failure());
    else if (m_conn->hostLeft() && m_conn->wasSeated())
        showMessage(this,
            QString::fromUtf8(client::kConnectionLost.data(), static_cast<qsizetype>(client::kConnectionLost.size())));
    m_session.disconnected();
    m_outbox->setConnected(false);
    if (m_stayOpen) {
        // Opened from a dialog or a link: the player chooses what comes next.
        gameEnded();
        return;
    }
    close();
}

void MainWindow::sendToHost(const std::string& bytes) { m_conn->send(bytes); }

void MainWindow::leaveGame()
{
    m_conn->leave(m_session.leave().send);
    m_outbox->setConnected(false);
}

void MainWindow::onStartClicked()
{
    if (m_session.roster().connected()) {
        if (m_windows.startDialog)
            m_windows.startDialog->showCentredOn(this);
    } else {
        tell("You are not connected");
    }
    m_chatInput->setFocus();
}

void MainWindow::startGame()
{
    if (m_windows.startDialog)
        apply(m_session.startGame(m_windows.startDialog->options()));
}

void MainWindow::prepareSeatMenu(int seat)
{
    if (seat < 1 || seat > rules::kPlayerSeats)
        return;
    const auto menu = client::prepareKickMenu(m_session.hostRights(), m_session.roster().name(seat), seat);
    m_removeFromGame->setEnabled(menu.removeEnabled);
    m_setWatch->setEnabled(menu.setWatchEnabled);
    m_unsetWatch->setEnabled(menu.unsetWatchEnabled);
    if (m_windows.spectators)
        m_windows.spectators->setRemoveEnabled(menu.spyRemoveEnabled);
    m_seatMenu->setProperty("tag", menu.tag);
}

void MainWindow::onRemoveFromGameChosen() { apply(m_session.removePlayer(m_seatMenu->property("tag").toInt())); }

void MainWindow::onSetToJustWatchChosen() { apply(m_session.setJustWatch(m_seatMenu->property("tag").toInt(), true)); }

void MainWindow::onUnsetJustWatchChosen() { apply(m_session.setJustWatch(m_seatMenu->property("tag").toInt(), false)); }

void MainWindow::onJustWatchChosen()
{
    // The check shows the host's last answer, not the click: undo Qt's toggle.
    const bool shown = !m_justWatch->isChecked();
    m_justWatch->setChecked(shown);
    apply(m_session.toggleJustWatch(shown));
}
