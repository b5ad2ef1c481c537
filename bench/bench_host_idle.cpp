// Wake-ups of an idle zirky-host: the change of voluntary plus involuntary
// context switches of all its threads over a stretch of seconds, first with no
// connection, then with two logged-in players who say nothing, then (for
// comparison) with a game running, whose turn clock ticks once a second.
//
//   bench_host_idle [seconds per phase, default 10] [path to zirky-host]

#include "HostProcess.h"
#include "net/Commands.h"
#include "net/Framing.h"
#include "rules/Version.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

// Context switches of every thread of `pid` so far.
long contextSwitches(pid_t pid)
{
    long total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(tasks.c_str());
    if (!dir)
        return -1;
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream status(tasks + "/" + entry->d_name + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::atol(line.substr(line.find(':') + 1).c_str());
        }
    }
    ::closedir(dir);
    return total;
}

double wakeupsPerSecond(pid_t pid, int seconds)
{
    const long before = contextSwitches(pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long after = contextSwitches(pid);
    return static_cast<double>(after - before) / seconds;
}

int connectTo(int port)
{
    const int fd = bench::connectLoopback(port, false);
    if (fd < 0) {
        std::perror("connect");
        std::exit(1);
    }
    return fd;
}

// Reads until a message starting with `prefix` arrived.
void waitFor(int fd, const std::string& prefix)
{
    std::string pending;
    char buf[4096];
    for (;;) {
        for (auto end = pending.find(net::kTerminator); end != std::string::npos;
             end = pending.find(net::kTerminator)) {
            const std::string message = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (message.rfind(prefix, 0) == 0)
                return;
        }
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            std::fprintf(stderr, "host closed the connection\n");
            std::exit(1);
        }
        pending.append(buf, static_cast<std::size_t>(n));
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::string program = bench::hostProgram(argc > 2 ? argv[2] : nullptr);

    const bench::StartedHost host = bench::startHost(program);
    if (!host.ok())
        return 1;
    const pid_t pid = host.pid;
    const int port = host.port;
    // Keep reading its log so that it never blocks on a full pipe.
    std::thread logReader([fd = host.stderrFd] {
        char sink[4096];
        while (::read(fd, sink, sizeof sink) > 0) { }
    });

    std::this_thread::sleep_for(std::chrono::seconds(1)); // start-up settles
    const double none = wakeupsPerSecond(pid, seconds);

    std::vector<int> players;
    for (int seat = 1; seat <= 2; ++seat) {
        const int fd = connectTo(port);
        waitFor(fd, "CMD_sendlogininfo+");
        bench::sendAll(fd, net::msg::logininfo(seat, rules::kVersion, "Idle" + std::to_string(seat)));
        waitFor(fd, "CMD_newplayerinfo+" + std::to_string(seat) + "+");
        players.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double two = wakeupsPerSecond(pid, seconds);

    net::GameOptions options;
    options.timePerTurn = 600;
    bench::sendAll(players[0], net::msg::startgame(1, options));
    waitFor(players[0], "CMD_thedice+");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double playing = wakeupsPerSecond(pid, seconds);

    for (int fd : players)
        ::close(fd);
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    logReader.join();
    ::close(host.stderrFd);

    std::printf("zirky-host wake-ups per second over %d s (voluntary + involuntary context switches)\n", seconds);
    std::printf("  %-40s %6.2f /s\n", "idle, no connection", none);
    std::printf("  %-40s %6.2f /s\n", "idle, 2 players logged in", two);
    std::printf("  %-40s %6.2f /s\n", "game running (1 s turn clock)", playing);
    std::printf("exit code after SIGTERM: %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}
