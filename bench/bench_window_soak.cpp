// A soak of the game window (a process of its own, offscreen) at a real
// zirky-host with five computer players: the window leads and starts a game
// whenever none runs (the start window's settings: a fast game to 5000), and a
// spectator counts the games. Prints the resident memory of the window and of
// the host every interval; both should stay flat.
//
//   bench_window_soak [seconds, default 600] [path to zirky-host] [sample seconds, default 30]

#include "HostProcess.h"
#include "ReadMessages.h"
#include "WindowProcess.h"
#include "net/Commands.h"
#include "net/Framing.h"
#include "rules/Version.h"

#include <atomic>
#include <poll.h>
#include <thread>

int main(int argc, char** argv)
{
    if (argc >= 4 && std::string(argv[1]) == "--window")
        return bench::windowMain(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 600;
    const std::string program = bench::hostProgram(argc > 2 ? argv[2] : nullptr);
    const int sampleSeconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 30;
    ::signal(SIGPIPE, SIG_IGN);
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;

    const bench::StartedHost host
        = bench::startHost(program, { "--no-announce", "--bots", "easy,medium,hard,expert,easy" });
    if (!host.ok())
        return 1;
    std::atomic<bool> stop { false };
    std::atomic<long> hostLogBytes { 0 };
    std::thread drainLog([fd = host.stderrFd, &hostLogBytes] {
        char sink[4096];
        ssize_t n;
        while ((n = ::read(fd, sink, sizeof sink)) > 0)
            hostLogBytes += n;
    });
    const std::string logPath = "/tmp/bench_window_soak." + std::to_string(::getpid()) + ".log";
    const pid_t window = bench::startWindow(self, host.port, "Soaker", true, 0, logPath);
    std::this_thread::sleep_for(std::chrono::seconds(3)); // the window in seat 1, the computers after it

    // A spectator that counts the games and words.
    std::atomic<long> games { 0 };
    std::atomic<long> words { 0 };
    std::thread spectator([&] {
        const int fd = bench::connectLoopback(host.port, false);
        if (fd < 0)
            return;
        bench::readMessages(fd, stop, [&](std::string_view m) {
            const auto [command, rest] = net::splitCommand(m);
            if (command == net::cmd::sendlogininfo)
                bench::sendAll(fd, net::msg::logininfo(std::atoi(std::string(rest).c_str()), rules::kVersion, "Counter"));
            else if (command == net::cmd::winner)
                ++games;
            else if (command == net::cmd::addaword || command == net::cmd::accepted)
                ++words;
        });
        ::close(fd);
    });

    std::printf("soak: a window at %s with five computer players for %d s\n", program.c_str(), seconds);
    std::printf("  %8s %12s %12s %8s %8s %12s\n", "seconds", "window MiB", "host MiB", "games", "words", "host log B");
    const auto start = std::chrono::steady_clock::now();
    for (int at = 0;; at += sampleSeconds) {
        const auto due = start + std::chrono::seconds(at);
        std::this_thread::sleep_until(due);
        const long windowKiB = bench::rssKiB(window);
        std::printf("  %8d %12.1f %12.1f %8ld %8ld %12ld\n", at, windowKiB / 1024.0, bench::rssKiB(host.pid) / 1024.0,
            games.load(), words.load(), hostLogBytes.load());
        std::fflush(stdout);
        if (windowKiB < 0) {
            std::printf("the window ended early; it told the player: %s\n", bench::toldThePlayer(logPath).c_str());
            break;
        }
        if (at >= seconds)
            break;
    }
    stop = true;
    spectator.join();
    bench::stopWindow(window);
    ::kill(host.pid, SIGTERM);
    ::waitpid(host.pid, nullptr, 0);
    drainLog.join();
    ::close(host.stderrFd);
    ::unlink(logPath.c_str());
    return 0;
}
