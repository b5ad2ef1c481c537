// Playing with others at any time: the Host Game and Join Game dialogs, invite
// links, where others join a game this copy hosts, and leaving one table for
// another without leaving the program.

#include "MainWindow.h"

#include "ClientConnection.h"
#include "MessageHook.h"
#include "app/PlayerName.h"
#include "chat/ChatOutbox.h"
#include "client/ConnectionText.h"
#include "net/TSock.h"
#include "rules/Version.h"
#include "windows/HostGameDialog.h"
#include "windows/JoinGameDialog.h"
#include "windows/SpectatorList.h"
#include "windows/StartGameDialog.h"
#include "windows/WhereToJoinWindow.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

#include <memory>

#include <unistd.h>

namespace
{

// After the login: what the host says about the version comes right behind it.
constexpr int kSettleMs = 400;
// The where-to-join line in the chat names at most this many addresses.
constexpr std::size_t kAddressesInChat = 3;

// Whether this copy could listen on `port` now (a probe, closed at once).
bool portIsFree(quint16 port)
{
    TSock probe;
    probe.setPortName(QString::number(port));
    try {
        probe.setListen(true);
    } catch (const ESockException&) {
        return false;
    }
    return true;
}

void bringUp(QWidget* w)
{
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

// ---------------------------------------------------------------- the dialogs

HostGameDialog* MainWindow::hostDialog()
{
    if (!m_hostDialog) {
        m_hostDialog = new HostGameDialog(m_background, this);
        m_hostDialog->lowPortsAllowed = ::geteuid() == 0;
        m_hostDialog->onHost = [this](const HostGameDialog::Request& r) { hostFromDialog(r.name, r.port, r.cleanWords); };
    }
    return m_hostDialog;
}

JoinGameDialog* MainWindow::joinDialog()
{
    if (!m_joinDialog) {
        m_joinDialog = new JoinGameDialog(m_background, this);
        m_joinDialog->onJoin
            = [this](const JoinGameDialog::Request& r) { joinFromDialog(r.address, r.name); };
        m_joinDialog->onAbandon = [this] {
            if (!m_joining)
                return;
            addLine("0+You gave up joining: " + app::addressText(*m_joining), client::kBlue);
            leaveTable();
        };
    }
    return m_joinDialog;
}

WhereToJoinWindow* MainWindow::whereToJoin()
{
    if (!m_whereToJoin) {
        m_whereToJoin = new WhereToJoinWindow(m_background, this);
        m_whereToJoin->copyLink = [this](const QString& link) {
            if (copyToClipboard)
                copyToClipboard(link);
        };
        // A window of its own, first shown over the board rather than in a corner of the screen.
        m_whereToJoin->adjustSize();
        m_whereToJoin->move(geometry().center() - m_whereToJoin->rect().center());
    }
    return m_whereToJoin;
}

void MainWindow::onHostGameChosen()
{
    HostGameDialog* d = hostDialog();
    d->prepare(QString::fromStdString(rememberedName()),
        m_options.hostPort ? m_options.hostPort : static_cast<quint16>(rules::kGamePort), currentSettings().cleanWords);
    bringUp(d);
}

void MainWindow::onJoinGameChosen() { openInviteLink({}); }

void MainWindow::openInviteLink(const QString& link)
{
    JoinGameDialog* d = joinDialog();
    d->defaultPort = m_options.hostPort ? m_options.hostPort : rules::kGamePort;
    QStringList recent;
    for (const std::string& game : currentSettings().recentGames)
        recent << QString::fromStdString(game);
    // While a join is under way the dialog keeps saying so.
    if (!m_joining)
        d->prepare(link, QString::fromStdString(rememberedName()), recent);
    bringUp(d);
}

app::ZirkySettings MainWindow::currentSettings() const
{
    // Read afresh: the file is read into the window only at login, and the
    // player may have hosted or joined before any login.
    app::IniFile ini;
    ini.load(m_options.settingsPath);
    return m_settings.toSave(ini, std::nullopt);
}

std::string MainWindow::rememberedName() const
{
    const std::string stored = currentSettings().playerName;
    if (app::nameProblem(stored) == app::NameProblem::None)
        return app::trimmedName(stored);
    // The lobby's name for the player, not the solo game's "You".
    if (m_plan.role != app::LaunchPlan::Role::Solo && app::nameProblem(m_plan.playerName) == app::NameProblem::None)
        return m_plan.playerName;
    return app::loginPlayerName();
}

// ---------------------------------------------------------------- hosting and joining

bool MainWindow::confirmLeaving(bool exiting)
{
    const int others = m_hostedPort && m_options.othersAtMyGame
        ? m_options.othersAtMyGame(m_session.roster().mySeat())
        : 0;
    if (others > 0)
        return askToLeave(this, QStringLiteral("Others are playing at your game; leaving ends it for them."));
    if (!exiting && m_session.roster().connected() && m_session.game().started())
        return askToLeave(this, QStringLiteral("A game is under way. Leave it?"));
    return true;
}

void MainWindow::hostFromDialog(const QString& name, quint16 port, bool cleanWords)
{
    if (!confirmLeaving(false))
        return;
    // Another program's port is found out before this copy gives up its own game.
    if (port != m_hostedPort && !portIsFree(port)) {
        hostDialog()->showProblem(QString::fromStdString(client::portInUseText(port)));
        return;
    }
    m_settings.setPlayerName(name.toStdString());
    m_settings.setCleanWords(cleanWords);
    saveSettings();
    leaveTable();
    m_stayOpen = true;
    m_plan.playerName = name.toStdString();
    m_plan.hostAddress = "127.0.0.1";
    addLine("0+Hosting a game on port " + std::to_string(port) + "...", client::kBlue);
    const HostStart host = beginHosting(port, true);
    if (!host.listening) {
        const std::string why = client::portInUseText(host.port);
        addLine("0+" + why, client::kRed);
        hostDialog()->showProblem(QString::fromStdString(why));
        return;
    }
    hostDialog()->finish();
    tellWhereToJoin();
    onWhereToJoinChosen();
}

void MainWindow::joinFromDialog(const app::GameAddress& address, const QString& name)
{
    if (m_joining || !confirmLeaving(false))
        return;
    m_settings.setPlayerName(name.toStdString());
    saveSettings();
    leaveTable();
    m_stayOpen = true;
    m_joining = address;
    m_plan.playerName = name.toStdString();
    m_plan.hostAddress = address.host;
    const std::string where = app::addressText(address);
    joinDialog()->setConnecting(QString::fromStdString("Joining the game at " + where + "\u2026"));
    // A chat line's first colon ends its bold head: the address comes after one.
    addLine("0+Joining the game at: " + where, client::kBlue);
    m_session.setHosting(false);
    showHostRights();
    // A join that has heard nothing by then will not: the system alone would wait minutes.
    m_joinTimer->start(m_joinTimeoutMs);
    openClient(address.host, static_cast<quint16>(address.port));
}

void MainWindow::followJoin(const client::Effects& effects)
{
    if (effects.wrongVersion) {
        // Documented: the game goes on; the player decides, knowing.
        m_joining.reset();
        m_joinTimer->stop();
        m_settleTimer->stop();
        if (m_joinDialog)
            m_joinDialog->showProblem(
                QStringLiteral("You are in the game, but its host runs another version of Zirky than yours (%1): "
                               "some things may not work. Close this window to play on, or join another game.")
                    .arg(QString::fromLatin1(rules::kVersion.data(), qsizetype(rules::kVersion.size()))));
        return;
    }
    if (effects.loggedIn && !m_settleTimer->isActive()) {
        m_joinTimer->stop();
        m_settings.rememberGame(app::addressText(*m_joining));
        saveSettings();
        m_settleTimer->start(kSettleMs);
    }
}

void MainWindow::joinFailed(const QString& why)
{
    log("join failed: " + why.toStdString());
    addLine("0+Could not join: " + why.toStdString(), client::kRed);
    leaveTable();
    if (!m_joinDialog)
        return;
    m_joinDialog->showProblem(why);
    bringUp(m_joinDialog);
}

void MainWindow::gameEnded()
{
    addLine("0+You are not in a game now: File > Host Game... or File > Join Game... starts another.",
        client::kBlue);
    leaveTable();
}

void MainWindow::leaveTable()
{
    m_joining.reset();
    m_joinTimer->stop();
    m_settleTimer->stop();
    // The next login reads the settings file again: the window stays where it is now.
    if (m_remembered && *m_remembered != windowGeometry())
        writeSettingsFile(windowGeometry());

    ClientConnection* old = m_conn;
    old->disconnect(this);
    // A goodbye: the host frees the seat at once instead of holding it for a lost link.
    old->leave(m_session.leave().send);
    if (old->lobbyLinkHeld() && !m_lobbyHolder)
        m_lobbyHolder = old;
    else
        old->deleteLater();
    makeConnection();
    // The players at this copy's host leave with it.
    if (m_hostedPort && m_options.stopHost)
        m_options.stopHost();
    m_hostedPort = 0;
    m_stayOpen = false;
    m_leaving = false;

    freshSession();
    applyPlayOptions();
    m_outbox->setConnected(false);
    m_turnClock->stop();
    m_addComputer->setEnabled(false);
    m_justWatch->setChecked(false);
    m_seatMenu->hide();
    if (m_windows.spectators)
        m_windows.spectators->clearSpies();
    if (m_windows.startDialog)
        m_windows.startDialog->hide();
    if (m_whereToJoin)
        m_whereToJoin->hide();
    showHostingItems();
    showHostRights();
}

// ---------------------------------------------------------------- a game this copy hosts

void MainWindow::showHostingItems()
{
    m_copyInvite->setEnabled(m_hostedPort != 0);
    m_whereToJoinItem->setEnabled(m_hostedPort != 0);
}

void MainWindow::tellWhereToJoin()
{
    const auto addresses = WhereToJoinWindow::thisComputer(m_hostedPort);
    if (addresses.empty()) {
        addLine("0+Nobody else can reach this computer now: it has no network address.", client::kRed);
        return;
    }
    std::string list;
    for (std::size_t i = 0; i < addresses.size() && i < kAddressesInChat; ++i)
        list += (i ? ", " : "") + app::addressText(addresses[i]);
    addLine("0+Others join your game at: " + list + " (View > Where to Join; File > Copy Invite Link)",
        client::kBlue);
}

void MainWindow::onWhereToJoinChosen()
{
    if (!m_hostedPort)
        return;
    WhereToJoinWindow* w = whereToJoin();
    w->setAddresses(WhereToJoinWindow::thisComputer(m_hostedPort));
    w->setAnnouncement(m_options.announcementText ? m_options.announcementText() : QString());
    bringUp(w);
}

void MainWindow::showAnnouncement(const QString& text)
{
    if (m_whereToJoin)
        m_whereToJoin->setAnnouncement(text);
}

void MainWindow::onCopyInviteLinkChosen()
{
    if (!m_hostedPort)
        return;
    const auto addresses = WhereToJoinWindow::thisComputer(m_hostedPort);
    if (addresses.empty()) {
        tell(QStringLiteral("This computer has no network address others could use: is it connected to a network?"));
        return;
    }
    const std::string link = app::inviteLink(addresses.front());
    if (copyToClipboard)
        copyToClipboard(QString::fromStdString(link));
    addLine("0+Invite link copied, for whoever is to join your game: " + link, client::kBlue);
}

void MainWindow::onCleanWordsChosen()
{
    const bool clean = m_cleanWords->isChecked();
    m_settings.setCleanWords(clean);
    saveSettings();
    if (!m_hostedPort || !m_options.setCleanWords)
        return;
    m_options.setCleanWords(clean);
    addLine(clean ? "0+From now on your game refuses offensive words." : "0+From now on your game takes offensive words.",
        client::kBlue);
}
