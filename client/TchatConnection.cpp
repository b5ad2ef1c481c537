// The client's side of the wire: launch, the connection to the host, the
// dispatch table and the roster, the start of a game, spectators and removal.

#include "Tchat.h"

#include "ClientConnection.h"
#include "MessageHook.h"
#include "chat/ChatInput.h"
#include "chat/ChatOutbox.h"
#include "chat/ChatView.h"
#include "client/ConnectionText.h"
#include "net/Commands.h"
#include "net/TSock.h"
#include "net/Text.h"
#include "rules/Version.h"
#include "windows/Tabout.h"
#include "windows/Tdownload.h"
#include "windows/Tgamestartform.h"
#include "windows/Tspylist.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

void Tchat::processparams()
{
    m_startGame->setEnabled(false);
    m_loginName.clear();

    m_plan = app::planLaunch(m_options.args);
    addLine(m_plan.firstChatLine, client::kBlue);
    if (m_plan.role == app::LaunchPlan::Role::None)
        return; // one or two arguments: neither host nor join
    m_playerName = m_plan.playerName;
    m_hostAddress = m_plan.hostAddress;
    if (m_plan.showDownloadWindow && m_windows.download) {
        // Over the board rather than wherever the desktop puts it.
        QWidget* w = m_windows.download;
        w->adjustSize();
        w->move(frameGeometry().center() - QPoint(w->width() / 2, w->height() / 2));
        w->show();
    }
    if (m_plan.role == app::LaunchPlan::Role::Join)
        joinpress();
    else
        hostpress();
    if (m_plan.openLobbyLink) {
        // The lobby only needs to see the connection while the game lives:
        // nothing is sent or read, and a missing lobby is no error.
        m_sock11 = new TSock(this);
        m_sock11->setObjectName("Sock11");
        m_sock11->setHostName("127.0.0.1");
        m_sock11->setPortName(QString::number(m_options.lobbyPort));
        try {
            m_sock11->Open();
        } catch (const ESockException& e) {
            log(std::string("lobby link: ") + e.what());
        }
    }
    if (m_plan.hideFastGame && m_windows.gamestart)
        m_windows.gamestart->setFastHidden(true);
}

void Tchat::hostpress()
{
    if (!m_options.startHost) {
        log("no game host in this program: cannot host");
        return;
    }
    const HostStart host = m_options.startHost();
    if (!host.listening) {
        // Someone else holds the port: hosting would only connect us to their game.
        log("cannot host: " + host.error.toStdString());
        const QString port = QString::number(host.port);
        addLine("0+Cannot host the game: port " + port.toStdString() + " is in use.", client::kRed);
        tell(QString("Cannot host the game: TCP port %1 is already in use on this computer "
                     "(is another game already hosting?).")
                 .arg(port));
        return;
    }
    m_hostedPort = host.port;
    // Computers join this copy's own host only: its seat-1 player adds them.
    m_addComputer->setEnabled(static_cast<bool>(m_options.addComputer));
    m_loginName = m_playerName;
    openClient("127.0.0.1");
    setHostRights(true);
    // After the connection is under way: the message waits for the player.
    if (!host.dictionaryError.isEmpty())
        tell(host.dictionaryError);
}

void Tchat::AddComputerPlayer1Click(int level)
{
    if (!m_options.addComputer || m_hostedPort == 0 || m_roster.mySeat() != 1)
        return;
    std::vector<std::string> taken;
    for (int seat = 1; seat <= rules::kPlayerSeats; ++seat)
        taken.push_back(m_roster.name(seat));
    for (const auto& spy : m_roster.spies())
        taken.push_back(spy.substr(spy.find(": ") + 2));
    m_options.addComputer(level, taken);
}

void Tchat::joinpress()
{
    m_loginName = m_playerName;
    openClient(m_hostAddress);
    setHostRights(false);
}

void Tchat::setHostRights(bool host)
{
    m_isHost = host;
    m_game.setHostRights(host);
    m_startGame->setEnabled(host);
    if (m_windows.spylist)
        m_windows.spylist->setRemoveEnabled(host);
    render();
}

void Tchat::openClient(const std::string& address)
{
    m_game.setLoginName(m_loginName);
    quint16 port = m_options.hostPort;
    if (port == 0)
        port = m_hostedPort;
    m_conn->open(QString::fromStdString(address), port);
}

void Tchat::leaveIfHostClosed()
{
    if (m_hostClosed && m_messagesOpen == 0)
        hostGone(m_hostLost ? "the connection to the host closed" : "the host closed before seating us");
}

void Tchat::tell(const QString& text)
{
    ++m_messagesOpen;
    showMessage(this, text);
    --m_messagesOpen;
    leaveIfHostClosed();
}

void Tchat::hostGone(const char* why)
{
    if (m_closing || m_leaving)
        return;
    m_leaving = true;
    log(why);
    // A game that vanished would leave the player guessing: say why first.
    if (!m_everSeated && !m_connectError.isEmpty())
        showMessage(this, m_connectError);
    else if (m_hostLost)
        showMessage(this,
            QString::fromUtf8(client::kConnectionLost.data(), static_cast<qsizetype>(client::kConnectionLost.size())));
    m_roster.disconnected();
    m_outbox->setConnected(false);
    close();
}

void Tchat::buildDispatch()
{
    using H = void (Tchat::*)(std::string_view);
    const std::pair<std::string_view, H> table[] = {
        { net::cmd::sendlogininfo, &Tchat::sendloginfo },
        { net::cmd::chat, &Tchat::chatrecieved },
        { net::cmd::action, &Tchat::chatrecieved },
        { net::cmd::newplayerinfo, &Tchat::newplayerinfo },
        { net::cmd::havewrongversion, &Tchat::havewrongversion },
        { net::cmd::wrongversion, &Tchat::wrongversion },
        { net::cmd::existingplayers, &Tchat::newplayerinfo },
        { net::cmd::playerdisconnected, &Tchat::playerdisconnected },
        { net::cmd::startgame, &Tchat::startthegame },
        { net::cmd::nextplayer, &Tchat::getnextplayer },
        { net::cmd::winner, &Tchat::winner },
        { net::cmd::full, &Tchat::gameisfull },
        { net::cmd::justwatching, &Tchat::justwatching },
        { net::cmd::thedice, &Tchat::thedice },
        { net::cmd::setdice, &Tchat::setdice },
        { net::cmd::accepted, &Tchat::accepted },
        { net::cmd::rejected, &Tchat::rejected },
        { net::cmd::clearthem, &Tchat::cleartiles },
        { net::cmd::turnend, &Tchat::turnend },
        { net::cmd::scores, &Tchat::scores },
        { net::cmd::stats, &Tchat::stats },
        { net::cmd::loadscores, &Tchat::loadscores },
        { net::cmd::newtiles, &Tchat::newtiles },
        { net::cmd::oldtiles, &Tchat::oldtiles },
        { net::cmd::addaword, &Tchat::addaword },
        { net::cmd::playasound, &Tchat::playasound },
        { net::cmd::ifinished, &Tchat::ifinished },
        { net::cmd::allfinished, &Tchat::allfinished },
    };
    for (const auto& [command, handler] : table)
        m_conn->addHandler(command, [this, handler](std::string_view rest) { (this->*handler)(rest); });
}

void Tchat::sendToHost(const std::string& bytes) { m_conn->send(bytes); }

QString Tchat::versionText() const
{
    if (m_windows.about)
        return m_windows.about->versionText();
    return QString::fromLatin1(rules::kVersion.data(), static_cast<qsizetype>(rules::kVersion.size()));
}

void Tchat::sendloginfo(std::string_view rest)
{
    const auto seat = m_roster.seated(rest);
    if (!seat) {
        log("ignored a seat message with a bad seat");
        return;
    }
    m_everSeated = true;
    m_conn->markSeated();
    m_outbox->setSeat(*seat);
    m_outbox->setConnected(true);
    // A dedicated host has no player of its own: whoever joins it first holds
    // seat 1 and the host's rights, so that player starts the games. (A copy
    // that hosts always takes seat 1 itself, so this never touches its joiners.)
    if (*seat == 1 && !m_isHost)
        setHostRights(true);
    sendToHost(net::msg::logininfo(*seat, versionText().toStdString(), m_loginName));
}

void Tchat::apply(const client::RosterChange& change)
{
    if (change.ignored) {
        log("ignored: " + *change.ignored);
        return;
    }
    for (const auto& line : change.lines)
        addLine(line.text, line.colour);
    if (change.loadSettings)
        loadinifile();
    if (change.spyAdded && m_windows.spylist)
        m_windows.spylist->addSpy(change.spyAdded->seat, QString::fromStdString(change.spyAdded->name));
    if (change.spyRemoved && m_windows.spylist)
        m_windows.spylist->removeSpy(change.spyRemoved->seat, QString::fromStdString(change.spyRemoved->name));
    if (change.justWatchChecked)
        m_justWatch->setChecked(*change.justWatchChecked);
    if (change.playEntered)
        playsounds("entered");
    render();
}

void Tchat::newplayerinfo(std::string_view rest) { apply(m_roster.playerArrived(rest)); }
void Tchat::playerdisconnected(std::string_view rest) { apply(m_roster.playerDisconnected(rest)); }
void Tchat::justwatching(std::string_view rest) { apply(m_roster.justWatching(rest)); }

void Tchat::havewrongversion(std::string_view rest)
{
    addLine("0+" + net::toUtf8(rest) + " has a different version of the game then you.", client::kBlue);
}

void Tchat::wrongversion(std::string_view)
{
    addLine("0+You have a differnt version of the game then the host.", client::kBlue);
}

void Tchat::gameisfull(std::string_view)
{
    tell("Game is full");
    hostGone("the game is full");
}

void Tchat::button_startClick()
{
    if (m_roster.connected()) {
        if (m_windows.gamestart)
            m_windows.gamestart->showCentredOn(this);
    } else {
        tell("You are not connected");
    }
    m_mychat->setFocus();
}

void Tchat::startgame()
{
    if (!m_roster.connected() || !m_windows.gamestart)
        return;
    sendToHost(net::msg::startgame(m_roster.mySeat(), m_windows.gamestart->options()));
}

void Tchat::label_playername1ContextPopup(int seat)
{
    if (seat < 1 || seat > rules::kPlayerSeats)
        return;
    const auto menu = client::prepareKickMenu(m_isHost, m_roster.name(seat), seat);
    m_removeFromGame->setEnabled(menu.removeEnabled);
    m_setWatch->setEnabled(menu.setWatchEnabled);
    m_unsetWatch->setEnabled(menu.unsetWatchEnabled);
    if (m_windows.spylist)
        m_windows.spylist->setRemoveEnabled(menu.spyRemoveEnabled);
    m_popupKick->setProperty("tag", menu.tag);
}

void Tchat::RemoveFromGame1Click()
{
    const int target = m_popupKick->property("tag").toInt();
    if (auto m = client::removeFromGame(m_isHost, m_roster.connected(), m_roster.mySeat(), target))
        sendToHost(*m);
}

void Tchat::SettoJustWatch1Click()
{
    if (auto m = client::setJustWatch(m_roster.connected(), m_popupKick->property("tag").toInt(), true))
        sendToHost(*m);
}

void Tchat::UnsetJustWatch1Click()
{
    if (auto m = client::setJustWatch(m_roster.connected(), m_popupKick->property("tag").toInt(), false))
        sendToHost(*m);
}

void Tchat::JustWatch1Click()
{
    // The check shows the host's last answer, not the click: undo Qt's toggle.
    const bool shown = !m_justWatch->isChecked();
    m_justWatch->setChecked(shown);
    if (auto m = client::toggleJustWatch(m_roster.connected(), m_roster.mySeat(), shown))
        sendToHost(*m);
}
