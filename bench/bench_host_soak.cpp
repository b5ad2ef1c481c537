// A soak of one zirky-host (meant for the AddressSanitizer build) and nine
// scripted players playing games back to back: fast and slow games in turn,
// words, tile moves, bought tiles, chat, watching, and now and then a player
// who leaves and comes back. Prints the host's resident memory every interval
// and whether the sanitizers reported anything in its log.
//
//   bench_host_soak [seconds, default 600] [path to zirky-host] [sample seconds, default 30]

#include "HostProcess.h"
#include "net/Commands.h"
#include "net/Framing.h"
#include "rules/Version.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <poll.h>
#include <random>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using bench::rssKiB;
using bench::sendAll;

std::atomic<long> g_games { 0 };
std::atomic<long> g_words { 0 };
std::atomic<long> g_rejoins { 0 };

// One scripted player for the whole soak; it reconnects whenever it left or was dropped.
void play(int port, int index, std::atomic<bool>& stop)
{
    std::mt19937 rng(static_cast<unsigned>(index * 7919 + 17));
    auto chance = [&](int oneIn) { return std::uniform_int_distribution<int>(1, oneIn)(rng) == 1; };
    while (!stop) {
        const int fd = bench::connectLoopback(port, false);
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            continue;
        }
        std::string pending;
        int seat = 0;
        bool myTurn = false;
        int tiles = 10;
        auto lastGameNews = Clock::now();
        auto nextAction = Clock::now();
        const auto leaveAt = Clock::now() + std::chrono::seconds(std::uniform_int_distribution<int>(60, 240)(rng));
        bool open = true;
        while (open && !stop && Clock::now() < leaveAt) {
            pollfd p { fd, POLLIN, 0 };
            if (::poll(&p, 1, 20) > 0) {
                char buf[65536];
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                pending.append(buf, static_cast<std::size_t>(n));
            }
            for (auto end = pending.find(net::kTerminator); end != std::string::npos;
                 end = pending.find(net::kTerminator)) {
                const std::string m = pending.substr(0, end);
                pending.erase(0, end + 1);
                const auto [command, rest] = net::splitCommand(m);
                if (command == net::cmd::sendlogininfo) {
                    seat = std::atoi(std::string(rest).c_str());
                    sendAll(fd, net::msg::logininfo(seat, rules::kVersion, "Soak" + std::to_string(index)));
                } else if (command == net::cmd::thedice) {
                    lastGameNews = Clock::now();
                    const int shown = std::atoi(std::string(rest).c_str());
                    myTurn = shown == seat || seat <= 6;
                    tiles = rest.find("true") != std::string_view::npos ? 13 : 10;
                } else if (command == net::cmd::turnend || command == net::cmd::nextplayer) {
                    lastGameNews = Clock::now();
                    myTurn = command == net::cmd::nextplayer && std::atoi(std::string(rest).c_str()) == seat;
                } else if (command == net::cmd::winner) {
                    lastGameNews = Clock::now() - std::chrono::seconds(10);
                    myTurn = false;
                    if (seat == 1)
                        ++g_games;
                }
            }
            if (seat == 0 || Clock::now() < nextAction)
                continue;
            nextAction = Clock::now() + std::chrono::milliseconds(std::uniform_int_distribution<int>(50, 400)(rng));
            if (seat == 1 && Clock::now() - lastGameNews > std::chrono::seconds(8)) {
                static std::atomic<int> games { 0 };
                const int gameNo = ++games;
                net::GameOptions o;
                o.fast = gameNo % 2 == 0;
                o.team = gameNo % 3 == 0;
                // Random words are mostly rejected: a low goal still ends games often.
                o.playToScore = gameNo % 4 == 0 ? 300 : 1;
                o.timePerTurn = 4;
                o.zirkedAt = 150;
                sendAll(fd, net::msg::startgame(1, o));
                lastGameNews = Clock::now();
            }
            if (myTurn) {
                std::vector<int> positions;
                const int length = std::uniform_int_distribution<int>(3, 6)(rng);
                for (int i = 0; i < length; ++i)
                    positions.push_back(std::uniform_int_distribution<int>(1, tiles)(rng));
                sendAll(fd, net::msg::done(seat, positions));
                ++g_words;
                if (chance(8))
                    sendAll(fd, net::msg::setdice(seat, 1, positions[0]));
                if (chance(30))
                    sendAll(fd, chance(2) ? net::msg::newtiles(seat) : net::msg::oldtiles(seat));
                if (chance(20))
                    sendAll(fd, net::msg::finish(seat));
            }
            if (chance(25))
                sendAll(fd, net::msg::chat(seat, "soak line " + std::to_string(index)));
            if (chance(200))
                sendAll(fd, net::msg::justwatch(seat, chance(2)));
            if (chance(300))
                sendAll(fd, net::msg::playasound(seat, "WAVE1"));
        }
        ::close(fd);
        ++g_rejoins;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 600;
    const std::string program = bench::hostProgram(argc > 2 ? argv[2] : nullptr);
    const int every = argc > 3 ? std::max(1, std::atoi(argv[3])) : 30;
    ::signal(SIGPIPE, SIG_IGN);

    bench::StartedHost host = bench::startHost(program);
    if (!host.ok())
        return 1;
    const pid_t pid = host.pid;
    const int port = host.port;
    std::string log = std::move(host.log);
    std::mutex logMutex;
    std::thread logReader([&, fd = host.stderrFd] {
        char chunk[65536];
        ssize_t n;
        while ((n = ::read(fd, chunk, sizeof chunk)) > 0) {
            std::lock_guard<std::mutex> lock(logMutex);
            log.append(chunk, static_cast<std::size_t>(n));
        }
    });

    std::printf("soak of %s: 9 scripted players for %d s\n", program.c_str(), seconds);
    std::printf("  %6s %10s %8s %8s %8s\n", "s", "RSS MiB", "games", "words", "rejoins");
    std::atomic<bool> stop { false };
    std::vector<std::thread> players;
    for (int i = 1; i <= 9; ++i) {
        players.emplace_back(play, port, i, std::ref(stop));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const auto start = Clock::now();
    for (int t = every; t <= seconds; t += every) {
        std::this_thread::sleep_until(start + std::chrono::seconds(t));
        std::printf(
            "  %6d %10.1f %8ld %8ld %8ld\n", t, rssKiB(pid) / 1024.0, g_games.load(), g_words.load(), g_rejoins.load());
        std::fflush(stdout);
    }
    stop = true;
    for (auto& p : players)
        p.join();
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    logReader.join();
    ::close(host.stderrFd);

    const bool asan = log.find("ERROR: AddressSanitizer") != std::string::npos
        || log.find("ERROR: LeakSanitizer") != std::string::npos;
    const bool ubsan = log.find("runtime error:") != std::string::npos;
    std::printf("host exit code %d; AddressSanitizer/LeakSanitizer report: %s; UndefinedBehaviorSanitizer report: %s\n",
        WIFEXITED(status) ? WEXITSTATUS(status) : -1, asan ? "YES" : "none", ubsan ? "YES" : "none");
    std::printf("host log: %zu bytes\n", log.size());
    if (asan || ubsan) {
        const auto at = log.find(asan ? "ERROR:" : "runtime error:");
        std::printf("%s\n", log.substr(at > 2000 ? at - 2000 : 0, 6000).c_str());
    }
    return asan || ubsan ? 1 : 0;
}
