// The game program: one copy per user, the windows created once in their
// fixed order, and the main window reading the command line when it shows.

#include "app/HostAnnouncement.h"
#include "app/InstanceGuard.h"
#include "app/LaunchPlan.h"
#include "app/QuitSignals.h"
#include "app/Settings.h"
#include "bots/ComputerSeats.h"
#include "client/MainWindow.h"
#include "host/HostServer.h"
#include "net/Commands.h"
#include "net/TSock.h"
#include "rules/Seats.h"
#include "rules/Version.h"
#include "windows/AboutWindow.h"
#include "windows/Background.h"
#include "windows/DownloadWindow.h"
#include "windows/HelpWindow.h"
#include "windows/PhraseListWindow.h"
#include "windows/SpectatorList.h"
#include "windows/StartGameDialog.h"
#include "windows/TallyWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{

// Beside the program when that directory is writable (as the lobby expects),
// otherwise in the user's configuration directory.
std::string settingsPath()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    QString dir = programDir;
    if (!QFileInfo(programDir).isWritable()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QDir().mkpath(dir);
    }
    return QDir(dir).filePath(app::kSettingsFileName).toStdString();
}

// Beside the program when that directory is writable, otherwise in the user's
// data directory.
QString tallyPath()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    QString dir = programDir;
    if (!QFileInfo(programDir).isWritable()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(dir);
    }
    return QDir(dir).filePath(QString::fromLatin1(TallyWindow::kFileName));
}

quint16 gamePort()
{
    // A testing aid: lets a second build run beside a game on 7772.
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("ZIRKY_PORT", &ok);
    return (ok && port > 0 && port < 65536) ? static_cast<quint16>(port) : static_cast<quint16>(rules::kGamePort);
}

} // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(QString::fromLocal8Bit(argv[i]).toStdString());

    switch (app::earlyExit(args)) {
    case app::EarlyExit::Help:
        std::fputs(app::usageText().c_str(), stdout);
        return 0;
    case app::EarlyExit::Version:
        std::printf("Zirky %.*s\n", static_cast<int>(rules::kVersion.size()), rules::kVersion.data());
        return 0;
    case app::EarlyExit::None:
        break;
    }

    // Qt reads words such as "-platform" or "-reverse" as its own options; a
    // player's name from the lobby must never be taken for one.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName("Zirky");
    QApplication::setQuitOnLastWindowClosed(false);

    InstanceGuard guard;
    // A link clicked while a copy runs opens in that copy.
    const app::LaunchPlan plan = app::planLaunch(args);
    if (plan.role == app::LaunchPlan::Role::Invite)
        guard.setHandOver(QString::fromStdString(plan.inviteLink));
    if (guard.anotherInstanceRunning())
        return 0;

    const QPixmap background = zirkyBackground();
    const quint16 port = gamePort();

    // The game host exists only in the copy that hosts: a copy that joins
    // never writes the word list or opens the port. One at a time.
    std::unique_ptr<HostServer> server;
    std::unique_ptr<bots::ComputerSeats> computers;
    std::unique_ptr<HostAnnouncement> announcement;
    MainWindow* window = nullptr;
    MainWindow::Options options;
    options.args = args;
    options.hostPort = port;
    options.settingsPath = settingsPath();
    options.addComputer = [&server, &computers](int level, const std::vector<std::string>& taken) {
        if (!server)
            return;
        if (!computers)
            computers = std::make_unique<bots::ComputerSeats>("127.0.0.1", server->port(), std::vector<bots::Level> {});
        computers->addPlayer(static_cast<bots::Level>(level), taken);
    };
    options.stopHost = [&server, &computers, &announcement] {
        announcement.reset();
        computers.reset();
        server.reset();
    };
    options.startHost = [&server, &announcement, &window, stop = options.stopHost](
                            const MainWindow::HostRequest& request) {
        stop();
        MainWindow::HostStart result;
        result.port = request.port;
        server = std::make_unique<HostServer>(request.port);
        try {
            server->listener->setListen(true);
        } catch (const ESockException& e) {
            result.error = QString::fromUtf8(e.what());
            server.reset();
            return result;
        }
        server->setCleanWords(request.cleanWords);
        result.listening = true;
        result.port = server->port();
        result.dictionaryError = server->dictionaryError();
        if (request.announce) {
            announcement = std::make_unique<HostAnnouncement>(*server, QString::fromStdString(request.playerName));
            QObject::connect(announcement.get(), &HostAnnouncement::statusChanged, window,
                [&window](const QString& text) { window->showAnnouncement(text); });
        }
        return result;
    };
    options.setCleanWords = [&server](bool clean) {
        if (server)
            server->setCleanWords(clean);
    };
    options.othersAtMyGame = [&server](int mySeat) {
        int others = 0;
        for (int seat = 1; server && seat <= rules::kMaxSeat; ++seat) {
            const host::Player& p = server->game().player(seat);
            if (seat != mySeat && p.loggedIn && !bots::isComputerName(p.name))
                ++others;
        }
        return others;
    };
    options.announcementText = [&announcement] { return announcement ? announcement->statusText() : QString(); };

    MainWindow chat(background, options);
    window = &chat;
    TallyWindow tally(background);
    tally.setTallyPath(tallyPath());
    AboutWindow about(background);
    HelpWindow help(background);
    PhraseListWindow phrases(background);
    SpectatorList spectators(background);
    StartGameDialog startDialog(background);
    DownloadWindow download(background);
    chat.attach({ &tally, &about, &help, &phrases, &spectators, &startDialog, &download });

    guard.onActivate = [&chat] { restoreAndRaise(&chat); };
    guard.onOpenLink = [&chat](const QString& link) { chat.openInviteLink(link); };
    QObject::connect(&chat, &MainWindow::closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);
    // Ctrl+C or a session's SIGTERM closes the window as "Exit" would.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &chat, [&chat] { chat.close(); });
    chat.show();
    return application.exec();
}
