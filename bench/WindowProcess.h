#pragma once
// The game window as a process of its own for the window benchmarks, so that
// its memory is the window's alone: the benchmark runs itself again as
// "--window PORT NAME [start] [MS]" on the offscreen platform. The window
// joins 127.0.0.1:PORT as NAME; with "start" it starts a game whenever none
// runs and it may; with MS it types a chat line that often, "lag N DUE", DUE
// being when the line was due (microseconds of the steady clock, which every
// process on the machine shares), so whoever reads it knows how late it came.

#include "client/MainWindow.h"
#include "client/MessageHook.h"
#include "windows/StartGameDialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace bench
{

inline std::int64_t steadyMicros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Microseconds a typed "lag N DUE" line took to arrive, from chat text that holds one; -1 otherwise.
inline std::int64_t lagOf(const std::string& text, std::int64_t arrived)
{
    const auto at = text.find("lag ");
    if (at == std::string::npos)
        return -1;
    const auto due = text.find(' ', at + 4);
    if (due == std::string::npos)
        return -1;
    return arrived - std::atoll(text.c_str() + due + 1);
}

// The window process's main.
inline int windowMain(int argc, char** argv)
{
    const int port = std::atoi(argv[2]);
    const std::string name = argv[3];
    const bool startGames = argc > 4 && std::string(argv[4]) == "start";
    const int typeEveryMs = argc > 5 ? std::atoi(argv[5]) : 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    setMessageHook(
        [](QWidget*, const QString& text) { std::fprintf(stderr, "window told the player: %s\n", qPrintable(text)); });
    QPixmap background(64, 64);
    background.fill(Qt::white);
    MainWindow::Options options;
    options.args = { name, "127.0.0.1", "false" };
    options.hostPort = static_cast<quint16>(port);
    options.lobbyPort = 1; // nobody listens: no lobby, which is no error
    options.settingsPath = dir.filePath("draviklobby.ini").toStdString();
    MainWindow window(background, options);
    StartGameDialog startDialog(background);
    window.attach({ .startDialog = &startDialog });
    QObject::connect(&window, &MainWindow::closed, &app, &QApplication::quit);
    window.show();

    QTimer starter;
    QObject::connect(&starter, &QTimer::timeout, [&] {
        const client::Session& s = window.session();
        if (s.hostRights() && s.roster().connected() && !s.game().started())
            window.startGame();
    });
    if (startGames)
        starter.start(3000);

    QTimer typer;
    long typed = 0;
    std::int64_t lastFired = 0;
    QObject::connect(&typer, &QTimer::timeout, [&] {
        // Due one period after the last time it fired: a late turn of the event
        // loop shows in this line, and only in this one.
        const std::int64_t now = steadyMicros();
        const std::int64_t due = lastFired == 0 ? now : lastFired + typeEveryMs * 1000LL;
        lastFired = now;
        auto* input = window.findChild<QLineEdit*>("mychat");
        if (!input || !window.session().roster().connected())
            return;
        input->setText(QStringLiteral("lag %1 %2").arg(++typed).arg(due));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(input, &enter);
    });
    if (typeEveryMs > 0) {
        typer.setTimerType(Qt::PreciseTimer);
        typer.start(typeEveryMs);
    }
    return app.exec();
}

// Starts this program as a window; its stderr goes to `logPath`.
inline pid_t startWindow(const std::string& self, int port, const std::string& name, bool startGames, int typeEveryMs,
    const std::string& logPath)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (log >= 0)
        ::dup2(log, 2);
    const std::string portText = std::to_string(port);
    const std::string every = std::to_string(typeEveryMs);
    ::execl(self.c_str(), self.c_str(), "--window", portText.c_str(), name.c_str(), startGames ? "start" : "-",
        every.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
}

// The most memory the process has held so far (VmHWM), -1 once it is gone.
inline long peakKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// Ends the window (it may have ended already) and reaps it.
inline void stopWindow(pid_t pid)
{
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        ::usleep(100000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// What the window told the player, from its log (empty when nothing).
inline std::string toldThePlayer(const std::string& logPath)
{
    std::ifstream log(logPath);
    std::string line;
    std::string told;
    while (std::getline(log, line))
        if (line.rfind("window told the player: ", 0) == 0)
            told = line.substr(24);
    return told;
}

} // namespace bench
