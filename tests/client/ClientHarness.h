#pragma once
// A main window with its real companion windows, a scripted host on a
// loopback port the kernel picks, and a lobby that only counts connections.

#include "chat/ChatView.h"
#include "client/ClientConnection.h"
#include "client/MainWindow.h"
#include "client/MessageHook.h"
#include "host/HostServer.h"
#include "net/Framing.h"
#include "net/TSock.h"
#include "windows/AboutWindow.h"
#include "windows/DownloadWindow.h"
#include "windows/HelpWindow.h"
#include "windows/PhraseListWindow.h"
#include "windows/SpectatorList.h"
#include "windows/StartGameDialog.h"
#include "windows/TallyWindow.h"

#include <QPixmap>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

// Plays the host's side of the wire by hand.
class ScriptedHost
{
public:
    ScriptedHost() { server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return server.serverPort(); }
    bool waitForClient()
    {
        if (!peer && !server.waitForNewConnection(5000))
            return false;
        if (!peer)
            peer = server.nextPendingConnection();
        return peer != nullptr;
    }
    void send(const std::string& framed)
    {
        peer->write(framed.data(), static_cast<qint64>(framed.size()));
        peer->flush();
    }
    // Messages the client sent so far (terminators removed).
    std::vector<std::string> received()
    {
        if (peer) {
            const QByteArray bytes = peer->readAll();
            framer.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), messages);
        }
        return messages;
    }
    QTcpServer server;
    QTcpSocket* peer = nullptr;
    net::Framer framer;
    std::vector<std::string> messages;
};

struct ClientHarness {
    // hostPort 0: the in-process host's own port (hosting); otherwise a scripted host's.
    explicit ClientHarness(
        std::vector<std::string> args, quint16 hostPort, bool withServer = true, quint16 serverPort = 0)
    {
        lobby.listen(QHostAddress::LocalHost, 0);
        QPixmap bg(64, 64);
        bg.fill(Qt::white);
        MainWindow::Options options;
        options.args = std::move(args);
        options.hostPort = hostPort;
        options.lobbyPort = lobby.serverPort();
        options.settingsPath = settingsPath().toStdString();
        if (withServer) {
            // The command line's host (asked for on hostPort) takes `serverPort`; a dialog names its own.
            options.startHost = [this, hostPort, serverPort](const MainWindow::HostRequest& request) {
                MainWindow::HostStart result;
                const quint16 port = request.port == hostPort ? serverPort : request.port;
                result.port = port;
                server.reset();
                server = std::make_unique<HostServer>(port, [](std::string_view) { return true; });
                try {
                    server->listener->setListen(true);
                } catch (const ESockException& e) {
                    result.error = e.what();
                    server.reset();
                    return result;
                }
                server->setCleanWords(request.cleanWords);
                if (holdSeconds >= 0) {
                    host::Options rules = server->game().options();
                    rules.holdSeconds = holdSeconds;
                    server->game().setOptions(rules);
                }
                hostRequests.push_back(request);
                result.listening = true;
                result.port = server->port();
                return result;
            };
            options.stopHost = [this] { server.reset(); };
            options.othersAtMyGame = [this](int mySeat) {
                int others = 0;
                for (int seat = 1; server && seat <= 9; ++seat)
                    others += seat != mySeat && server->game().player(seat).loggedIn;
                return others;
            };
        }
        window = std::make_unique<MainWindow>(bg, options);
        tally = std::make_unique<TallyWindow>(bg);
        about = std::make_unique<AboutWindow>(bg);
        help = std::make_unique<HelpWindow>(bg);
        phrases = std::make_unique<PhraseListWindow>(bg);
        spectators = std::make_unique<SpectatorList>(bg);
        startDialog = std::make_unique<StartGameDialog>(bg);
        download = std::make_unique<DownloadWindow>(bg);
        window->attach({ tally.get(), about.get(), help.get(), phrases.get(), spectators.get(), startDialog.get(),
            download.get() });
        closed = std::make_unique<QSignalSpy>(window.get(), &MainWindow::closed);
        // Several windows may live at once: each answers what is asked of it.
        previousHook = setMessageHook([this](QWidget* parent, const QString& text) {
            if (parent && parent->window() != window.get() && previousHook)
                return previousHook(parent, text);
            messages << text;
        });
        previousQuestion = setQuestionHook([this](QWidget* parent, const QString& text) {
            if (parent && parent->window() != window.get() && previousQuestion)
                return previousQuestion(parent, text);
            questions << text;
            return leaveWhenAsked;
        });
        window->copyToClipboard = [this](const QString& text) { clipboard << text; };
    }
    ~ClientHarness()
    {
        setMessageHook(previousHook);
        setQuestionHook(previousQuestion);
        window.reset(); // before the host it may be connected to
    }

    QString settingsPath() const { return dir.filePath("draviklobby.ini"); }
    QString chatText() const { return window->chatView()->toPlainText(); }
    // Shows the window (which reads the command line) and lets the launch run.
    void start()
    {
        window->show();
        if (!QTest::qWaitFor([this] { return !chatText().isEmpty(); }, 5000))
            qWarning("the main window never read its command line");
    }

    QTemporaryDir dir;
    QTcpServer lobby;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<TallyWindow> tally;
    std::unique_ptr<AboutWindow> about;
    std::unique_ptr<HelpWindow> help;
    std::unique_ptr<PhraseListWindow> phrases;
    std::unique_ptr<HostServer> server;
    std::unique_ptr<SpectatorList> spectators;
    std::unique_ptr<StartGameDialog> startDialog;
    std::unique_ptr<DownloadWindow> download;
    std::unique_ptr<QSignalSpy> closed;
    QStringList messages;
    MessageHook previousHook;
    // Questions asked, and the player's answer to every one of them.
    QStringList questions;
    bool leaveWhenAsked = true;
    QuestionHook previousQuestion;
    QStringList clipboard;
    std::vector<MainWindow::HostRequest> hostRequests;
    int holdSeconds = -1; // the host's hold of a lost seat; -1: its default
};
