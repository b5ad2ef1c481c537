// The game window (a process of its own, offscreen) against a host that floods
// it, and against a real zirky-host while its other players send the largest
// chat lines as fast as the host lets them. The window types a chat line every
// 100 ms (every 500 ms through the real host, inside its chat budget); what
// is measured:
//   peak MiB      the window's peak resident memory (VmHWM)
//   lag           how late its typed chat reached the host (p50, p99, worst)
//   ended         when the window closed the connection, or "kept"
// The floods (each against a fresh window, from a scripted host that seated it):
//   idle          nothing (the reference)
//   scores        CMD_loadscores, 2,000 to a write, without pause
//   big chat      32 KiB chat lines of one word, a new colour on each, without pause
//   spy logins    a spectator logging in under a new name, without pause
//   real host     zirky-host; six players send 32 KiB chat lines 45 times a
//                 second each; says whether the host dropped the window and
//                 how much of the chat reached a seventh player
//
//   bench_window_flood [seconds per flood, default 20] [path to zirky-host]

#include "HostProcess.h"
#include "Percentiles.h"
#include "ReadMessages.h"
#include "WindowProcess.h"
#include "net/Commands.h"
#include "net/Framing.h"
#include "rules/Version.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <poll.h>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using bench::sendAll;

using bench::readMessages;

struct Result {
    std::string name;
    long peakKiB = 0;
    std::vector<double> lagMicros;
    double endedAfter = -1; // seconds; -1: kept to the end
    std::string told;
    long sent = 0;
    std::string note;
};

void print(const Result& r)
{
    Stats s {};
    double worst = 0;
    if (!r.lagMicros.empty()) {
        s = percentiles(r.lagMicros);
        worst = *std::max_element(r.lagMicros.begin(), r.lagMicros.end());
    }
    char ended[32];
    if (r.endedAfter < 0)
        std::snprintf(ended, sizeof ended, "kept");
    else
        std::snprintf(ended, sizeof ended, "after %.1f s", r.endedAfter);
    std::printf("  %-11s %9.1f %9.1f %9.1f %9.1f %6zu %12ld  %s\n", r.name.c_str(), r.peakKiB / 1024.0, s.p50 / 1000.0,
        s.p99 / 1000.0, worst / 1000.0, r.lagMicros.size(), r.sent, ended);
    if (!r.told.empty())
        std::printf("  %-11s window told the player: %s\n", "", r.told.c_str());
    if (!r.note.empty())
        std::printf("  %-11s %s\n", "", r.note.c_str());
    std::fflush(stdout);
}

enum class Flood { Idle, Scores, BigChat, SpyLogins };

// A listening socket on a loopback port the kernel picks.
int listenLoopback(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, 1);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

// One block of the flood, `n` its number.
std::string floodBlock(Flood flood, long n, long& messages)
{
    std::string block;
    switch (flood) {
    case Flood::Scores:
        for (int i = 0; i < 2000; ++i)
            block += net::msg::loadscores(3, static_cast<int>(n * 2000 + i));
        messages = 2000;
        break;
    case Flood::BigChat: {
        static const std::string word(32 * 1024 - 64, 'x');
        block = net::msg::chatRelay(3, "Eve chats: " + word + (n % 2 ? "|$000000FF" : "|$00FF0000"));
        messages = 1;
        break;
    }
    case Flood::SpyLogins:
        block = net::msg::newplayerinfo(7, "Spy" + std::to_string(n));
        messages = 1;
        break;
    case Flood::Idle:
        messages = 0;
        break;
    }
    return block;
}

Result runScripted(const std::string& self, Flood flood, const char* name, int seconds)
{
    Result r;
    r.name = name;
    int port = 0;
    const int listener = listenLoopback(port);
    const std::string logPath = "/tmp/bench_window_flood." + std::to_string(::getpid()) + ".log";
    const pid_t window = bench::startWindow(self, port, "Window", false, 100, logPath);
    const int fd = ::accept(listener, nullptr, nullptr);
    ::close(listener);

    // Seat the window as a host would, then flood it.
    std::atomic<bool> stop { false };
    std::atomic<bool> seated { false };
    std::mutex lagLock;
    const auto start = Clock::now();
    std::atomic<double> closedAfter { -1 };
    std::thread reader([&] {
        const bool closed = readMessages(fd, stop, [&](std::string_view m) {
            const auto [command, rest] = net::splitCommand(m);
            if (command == net::cmd::logininfo) {
                sendAll(fd,
                    net::msg::newplayerinfo(2, "Window") + net::msg::existingplayers(1, "Host")
                        + net::msg::existingplayers(3, "Eve"));
                seated = true;
            } else if (command == net::cmd::chat) {
                const std::int64_t lag = bench::lagOf(std::string(rest), bench::steadyMicros());
                if (lag >= 0) {
                    std::lock_guard<std::mutex> hold(lagLock);
                    r.lagMicros.push_back(static_cast<double>(lag));
                }
            }
        });
        if (closed && !stop) // the window closed it, not the end of the run
            closedAfter = std::chrono::duration<double>(Clock::now() - start).count();
    });
    sendAll(fd, net::msg::sendlogininfo(2));
    while (!seated && Clock::now() - start < std::chrono::seconds(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::atomic<long> sent { 0 };
    std::thread writer([&] {
        for (long n = 0; !stop && flood != Flood::Idle; ++n) {
            long messages = 0;
            if (!sendAll(fd, floodBlock(flood, n, messages)))
                return; // the window closed the connection
            sent += messages;
        }
    });
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        const long peak = bench::peakKiB(window);
        if (peak > 0)
            r.peakKiB = peak;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // What the window said before the run ends (it will say the host left, after).
    r.told = bench::toldThePlayer(logPath);
    stop = true;
    ::shutdown(fd, SHUT_RDWR);
    writer.join();
    reader.join();
    ::close(fd);
    bench::stopWindow(window);
    r.endedAfter = closedAfter;
    r.sent = sent;
    ::unlink(logPath.c_str());
    return r;
}

// A player of the real host, logged in under `name`; -1 when it could not get in.
int joinHost(int port, const std::string& name, int& seat)
{
    const int fd = bench::connectLoopback(port, true);
    if (fd < 0)
        return -1;
    std::string pending;
    char buf[4096];
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        pollfd p { fd, POLLIN, 0 };
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        pending.append(buf, static_cast<std::size_t>(n));
        const auto at = pending.find("CMD_sendlogininfo+");
        const auto end = pending.find(net::kTerminator, at == std::string::npos ? 0 : at);
        if (at != std::string::npos && end != std::string::npos) {
            seat = std::atoi(pending.c_str() + at + 18);
            sendAll(fd, net::msg::logininfo(seat, rules::kVersion, name));
            return fd;
        }
    }
    ::close(fd);
    return -1;
}

Result runRealHost(const std::string& self, const std::string& program, int seconds)
{
    Result r;
    r.name = "real host";
    const bench::StartedHost host = bench::startHost(program, { "--no-announce" });
    if (!host.ok()) {
        r.note = "zirky-host did not start";
        return r;
    }
    std::atomic<bool> stop { false };
    std::thread drainLog([fd = host.stderrFd, &stop] {
        char sink[4096];
        while (!stop && ::read(fd, sink, sizeof sink) > 0) { }
    });
    const std::string logPath = "/tmp/bench_window_flood." + std::to_string(::getpid()) + ".log";
    const pid_t window = bench::startWindow(self, host.port, "Window", false, 500, logPath);
    std::this_thread::sleep_for(std::chrono::seconds(2)); // the window takes seat 1
    int watcherSeat = 0;
    const int watcher = joinHost(host.port, "Watcher", watcherSeat);
    std::vector<std::pair<int, int>> flooders; // descriptor, seat
    for (int i = 0; i < 6; ++i) {
        int seat = 0;
        const int fd = joinHost(host.port, "Flooder" + std::to_string(i + 1), seat);
        if (fd >= 0)
            flooders.emplace_back(fd, seat);
    }
    // The watcher measures the window's chat and what of the flood reaches a player.
    const auto start = Clock::now();
    std::atomic<long> bigBytes { 0 };
    std::atomic<bool> windowLeft { false };
    std::mutex lagLock;
    std::thread reader([&] {
        readMessages(watcher, stop, [&](std::string_view m) {
            const auto [command, rest] = net::splitCommand(m);
            if (command == net::cmd::chat) {
                if (rest.size() > 1024)
                    bigBytes += static_cast<long>(m.size());
                const std::int64_t lag = bench::lagOf(std::string(rest), bench::steadyMicros());
                if (lag >= 0) {
                    std::lock_guard<std::mutex> hold(lagLock);
                    r.lagMicros.push_back(static_cast<double>(lag));
                }
            } else if ((command == net::cmd::playerdisconnected || command == net::cmd::seatheld)
                && rest.substr(0, 2) == "1+") {
                windowLeft = true;
            }
        });
    });
    std::vector<std::thread> threads;
    std::atomic<long> sent { 0 };
    for (const auto& [fd, seat] : flooders) {
        threads.emplace_back([fd, seat, &stop, &sent] {
            // Read what the host sends, so that no flooder is dropped for not reading.
            std::thread sink([fd, &stop] { readMessages(fd, stop, [](std::string_view) {}); });
            const std::string line = net::msg::chat(seat, std::string(32 * 1024 - 64, 'y'));
            auto next = Clock::now();
            while (!stop) {
                if (!sendAll(fd, line))
                    break;
                ++sent;
                next += std::chrono::microseconds(1000000 / 45);
                std::this_thread::sleep_until(next);
            }
            sink.join();
        });
    }
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        const long peak = bench::peakKiB(window);
        if (peak > 0)
            r.peakKiB = peak;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const bool windowAlive = ::waitpid(window, nullptr, WNOHANG) == 0;
    r.told = bench::toldThePlayer(logPath);
    stop = true;
    for (const auto& flooder : flooders)
        ::shutdown(flooder.first, SHUT_RDWR);
    ::shutdown(watcher, SHUT_RDWR);
    for (auto& t : threads)
        t.join();
    reader.join();
    for (const auto& flooder : flooders)
        ::close(flooder.first);
    ::close(watcher);
    bench::stopWindow(window);
    ::kill(host.pid, SIGTERM);
    ::waitpid(host.pid, nullptr, 0);
    drainLog.join();
    ::close(host.stderrFd);
    r.sent = sent;
    ::unlink(logPath.c_str());
    if (windowLeft || !windowAlive)
        r.endedAfter = std::chrono::duration<double>(Clock::now() - start).count();
    char note[160];
    std::snprintf(note, sizeof note, "the host %s the window; %.1f KiB/s of the 32 KiB lines reached a player",
        windowLeft ? "DROPPED" : "kept", static_cast<double>(bigBytes) / 1024.0 / seconds);
    r.note = note;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::string(argv[1]) == "--window")
        return bench::windowMain(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string program = bench::hostProgram(argc > 2 ? argv[2] : nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;

    std::printf("the game window flooded by its host, %d s per flood (lag: typed chat every 100 ms, 500 ms "
                "through the real host)\n",
        seconds);
    std::printf("  %-11s %9s %9s %9s %9s %6s %12s  %s\n", "flood", "peak MiB", "lag p50", "lag p99", "lag max", "lines",
        "sent", "connection");
    print(runScripted(self, Flood::Idle, "idle", seconds));
    print(runScripted(self, Flood::Scores, "scores", seconds));
    print(runScripted(self, Flood::BigChat, "big chat", seconds));
    print(runScripted(self, Flood::SpyLogins, "spy logins", seconds));
    print(runRealHost(self, program, seconds));
    return 0;
}
