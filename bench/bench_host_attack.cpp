// A real zirky-host over loopback under the attacks one peer can make, with
// eight attacking connections and one honest player who sends a heartbeat
// every 25 ms and times its answer (at a host without heartbeats: a chat line
// every 20 ms, timed until it is relayed back):
//   idle         nobody attacks (the reference)
//   0xFF flood   all eight send lone terminators as fast as the host takes them
//   msg flood    one of the eight sends chat lines as fast as it can
//   msg flood x8 all eight do
//   bad fields   all eight send 40 messages a second (inside the message
//                budget) with a bad number field, for the log
//   big lines    one sends the largest chat lines (32 KiB) 45 times a second,
//                inside the message budget, while another reads like a window
//                that takes 270 ms to draw each such line (32 KiB per 270 ms)
// For each: the honest player's round trip (p50, p99, worst), the host's
// resident memory (peak during, and a few seconds after), its log growth per
// attacking connection per minute, and how many attackers it dropped; for big
// lines also whether the slow reader was dropped and what reached it a second.
//
//   bench_host_attack [seconds per attack, default 20] [path to zirky-host] [log seconds, default 60]
//                     [only the attacks whose name holds this text]

#include "HostProcess.h"
#include "Percentiles.h"
#include "net/Commands.h"
#include "net/Framing.h"
#include "rules/Version.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <set>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using bench::rssKiB;
using bench::sendAll;

int connectTo(int port)
{
    const int fd = bench::connectLoopback(port, true);
    if (fd < 0) {
        std::perror("connect");
        std::exit(1);
    }
    return fd;
}

// Reads messages of one connection; returns false when the host closed it or
// nothing matching came within `timeoutMs`.
struct Reader {
    int fd = -1;
    std::string pending;
    std::set<int> gone; // seats the host said lost their connection, on the way

    void note(const std::string& message)
    {
        for (const char* prefix : { "CMD_playerdisconnected+", "CMD_seatheld+" })
            if (message.rfind(prefix, 0) == 0)
                gone.insert(std::atoi(message.c_str() + std::strlen(prefix)));
    }

    bool waitFor(const std::string& prefix, std::string* found = nullptr, int timeoutMs = 30000)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        char buf[65536];
        for (;;) {
            for (auto end = pending.find(net::kTerminator); end != std::string::npos;
                 end = pending.find(net::kTerminator)) {
                std::string message = pending.substr(0, end);
                pending.erase(0, end + 1);
                note(message);
                if (message.rfind(prefix, 0) == 0) {
                    if (found)
                        *found = std::move(message);
                    return true;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return false;
            pollfd p { fd, POLLIN, 0 };
            if (::poll(&p, 1, static_cast<int>(left)) <= 0)
                continue;
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                return false;
            pending.append(buf, static_cast<std::size_t>(n));
        }
    }
};

struct Player {
    int fd = -1;
    int seat = 0;
    bool heartbeats = false; // the host answers CMD_ping (it sent a seat token)
    Reader reader;
};

Player join(int port, const std::string& name)
{
    Player p;
    p.fd = connectTo(port);
    p.reader.fd = p.fd;
    std::string hello;
    if (!p.reader.waitFor("CMD_sendlogininfo+", &hello)) {
        std::fprintf(stderr, "no seat for %s\n", name.c_str());
        std::exit(1);
    }
    p.seat = std::atoi(hello.c_str() + std::strlen("CMD_sendlogininfo+"));
    sendAll(p.fd, net::msg::logininfo(p.seat, rules::kVersion, name));
    if (!p.reader.waitFor("CMD_newplayerinfo+" + std::to_string(p.seat) + "+")) {
        std::fprintf(stderr, "no login for %s\n", name.c_str());
        std::exit(1);
    }
    p.heartbeats = p.reader.waitFor("CMD_seattoken+", nullptr, 500);
    return p;
}

struct Host {
    pid_t pid = 0;
    int port = 0;
    int logFd = -1;
    std::atomic<long> logBytes { 0 };
    std::thread logReader;

    void start(const std::string& program)
    {
        const bench::StartedHost started = bench::startHost(program);
        if (!started.ok())
            std::exit(1);
        pid = started.pid;
        port = started.port;
        logFd = started.stderrFd;
        logReader = std::thread([this, fd = logFd] {
            char sink[65536];
            ssize_t n;
            while ((n = ::read(fd, sink, sizeof sink)) > 0)
                logBytes += n;
        });
    }
    void stop()
    {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        logReader.join();
        ::close(logFd);
    }
};

struct Result {
    const char* name;
    Stats rtt {};
    double worstMs = 0;
    int lost = 0;
    long peakKiB = 0;
    long afterKiB = 0;
    double logPerAttackerMinute = 0;
    int dropped = 0;
    bool slowReaderDropped = false;
    double slowReaderKiBps = 0;
};

enum class Attack { None, Terminators, OneFlood, AllFlood, BadFields, BigLines };

constexpr std::size_t kSlowReadBytes = 32 * 1024;
constexpr int kSlowReadEveryMs = 270;

Result runAttack(
    Host& host, Player& honest, std::vector<Player>& attackers, Attack attack, const char* name, int seconds)
{
    Result r { name };
    std::atomic<bool> stop { false };
    std::atomic<int> dropped { 0 };
    std::atomic<long> peak { 0 };
    std::atomic<bool> sampled { false };
    std::thread sampler([&] {
        while (!sampled) {
            long now = rssKiB(host.pid);
            long seen = peak;
            while (now > seen && !peak.compare_exchange_weak(seen, now)) { }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    // The host writes its log at most a second late: the joins must be out first.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const long logBefore = host.logBytes;

    std::vector<std::thread> threads;
    std::atomic<bool> slowDropped { false };
    std::atomic<long> slowBytes { 0 };
    for (std::size_t i = 0; i < attackers.size(); ++i) {
        const bool active = attack == Attack::Terminators || attack == Attack::AllFlood || attack == Attack::BadFields
            || ((attack == Attack::OneFlood || attack == Attack::BigLines) && i == 0);
        Player& a = attackers[i];
        if (attack == Attack::BigLines && i == 1) {
            // The slow window: a full-size line's worth per drawing time, never more.
            threads.emplace_back([&stop, &slowDropped, &slowBytes, &a] {
                std::vector<char> sink(kSlowReadBytes);
                while (!stop) {
                    std::size_t got = 0;
                    while (got < kSlowReadBytes) {
                        const ssize_t n = ::recv(a.fd, sink.data() + got, kSlowReadBytes - got, MSG_DONTWAIT);
                        if (n == 0 || (n < 0 && errno != EAGAIN)) {
                            slowDropped = true;
                            return;
                        }
                        if (n < 0)
                            break;
                        got += static_cast<std::size_t>(n);
                    }
                    slowBytes += static_cast<long>(got);
                    std::this_thread::sleep_for(std::chrono::milliseconds(kSlowReadEveryMs));
                }
            });
            continue;
        }
        // Every attacker reads what the host sends it, so that none is dropped for not reading.
        threads.emplace_back([&stop, &dropped, &a] {
            char sink[65536];
            while (!stop) {
                pollfd p { a.fd, POLLIN, 0 };
                if (::poll(&p, 1, 100) <= 0)
                    continue;
                const ssize_t n = ::recv(a.fd, sink, sizeof sink, MSG_DONTWAIT);
                if (n == 0 || (n < 0 && errno != EAGAIN)) {
                    ++dropped;
                    return;
                }
            }
        });
        if (!active)
            continue;
        if (attack == Attack::BadFields) {
            // Just inside the message budget, so that only the log limit stands in its way.
            threads.emplace_back([&stop, &a] {
                while (!stop) {
                    if (!sendAll(a.fd, "CMD_chat+x+bad\xFF"))
                        return;
                    std::this_thread::sleep_for(std::chrono::milliseconds(25));
                }
            });
            continue;
        }
        if (attack == Attack::BigLines) {
            const std::string line = net::msg::chat(a.seat, std::string(32 * 1024, 'x'));
            threads.emplace_back([&stop, &a, line] {
                auto next = Clock::now();
                while (!stop) {
                    if (!sendAll(a.fd, line))
                        return; // dropped
                    next += std::chrono::microseconds(1000000 / 45);
                    std::this_thread::sleep_until(next);
                }
            });
            continue;
        }
        std::string block;
        if (attack == Attack::Terminators)
            block.assign(64 * 1024, net::kTerminator);
        else
            while (block.size() < 64 * 1024)
                block += net::msg::chat(a.seat, "flood");
        threads.emplace_back([&stop, &a, block] {
            while (!stop) {
                pollfd p { a.fd, POLLOUT, 0 };
                if (::poll(&p, 1, 100) <= 0)
                    continue;
                const ssize_t n = ::send(a.fd, block.data(), block.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0 && errno != EAGAIN)
                    return; // dropped
            }
        });
    }

    // The honest player: a heartbeat every 25 ms, timed until it is answered.
    // (A host without heartbeats relays a chat line every 20 ms instead; a
    // newer host would not relay so many lines from one person.)
    std::vector<double> micros;
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    int n = 0;
    while (Clock::now() < end) {
        const std::string tag = "honest-" + std::to_string(++n);
        const auto sent = Clock::now();
        sendAll(honest.fd, honest.heartbeats ? net::msg::ping(tag) : net::msg::chat(honest.seat, tag));
        const std::string answer = honest.heartbeats ? "CMD_pong+" : "CMD_chat+" + std::to_string(honest.seat) + "+";
        std::string relay;
        bool back = false;
        while (honest.reader.waitFor(answer, &relay, 30000)) {
            if (relay.size() >= tag.size() && relay.compare(relay.size() - tag.size(), tag.size(), tag) == 0) {
                back = true;
                break;
            }
        }
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - sent).count();
        if (!back) {
            ++r.lost;
            break;
        }
        micros.push_back(us);
        std::this_thread::sleep_for(std::chrono::milliseconds(honest.heartbeats ? 25 : 20));
    }
    stop = true;
    for (auto& t : threads)
        t.join();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long logAfter = host.logBytes;
    r.afterKiB = rssKiB(host.pid);
    sampled = true;
    sampler.join();

    if (!micros.empty()) {
        r.rtt = percentiles(micros);
        r.worstMs = *std::max_element(micros.begin(), micros.end()) / 1000.0;
    }
    r.peakKiB = peak;

    // A dropped reader may still be reading what was sent to it before; the
    // others are told of the drop at once.
    r.slowReaderDropped = attack == Attack::BigLines
        && (slowDropped || (attackers.size() > 1 && honest.reader.gone.count(attackers[1].seat)));
    r.dropped = dropped + (r.slowReaderDropped ? 1 : 0);
    r.slowReaderKiBps = static_cast<double>(slowBytes) / 1024.0 / seconds;
    const int active = attack == Attack::OneFlood ? 1 : static_cast<int>(attackers.size());
    r.logPerAttackerMinute = attack == Attack::None
        ? 0
        : static_cast<double>(logAfter - logBefore) / active / (static_cast<double>(seconds) / 60.0);
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string program = bench::hostProgram(argc > 2 ? argv[2] : nullptr);
    const int logSeconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 60;
    const std::string only = argc > 4 ? argv[4] : "";
    ::signal(SIGPIPE, SIG_IGN);

    std::printf("zirky-host under attack: %s\n", program.c_str());
    std::printf("8 attacking connections, 1 honest player timing its round trips; %d s per attack, %d s for the log\n",
        seconds, logSeconds);
    std::printf("  %-14s %9s %9s %9s %5s %10s %10s %14s %8s\n", "attack", "p50 ms", "p99 ms", "worst ms", "lost",
        "peak MiB", "after MiB", "log B/conn/min", "dropped");

    struct Plan {
        Attack attack;
        const char* name;
        int seconds;
    };
    const Plan plans[] = {
        { Attack::None, "idle", seconds },
        { Attack::Terminators, "0xFF flood", seconds },
        { Attack::OneFlood, "msg flood x1", seconds },
        { Attack::AllFlood, "msg flood x8", seconds },
        { Attack::BadFields, "bad fields x8", logSeconds },
        { Attack::BigLines, "big lines x1", seconds },
    };
    for (const Plan& plan : plans) {
        if (std::string(plan.name).find(only) == std::string::npos)
            continue;
        // A fresh host for each attack: a dropped attacker must not skew the next one.
        Host host;
        host.start(program);
        Player honest = join(host.port, "Honest");
        std::vector<Player> attackers;
        for (int i = 0; i < 8; ++i)
            attackers.push_back(join(host.port, "Attacker" + std::to_string(i + 1)));
        const Result r = runAttack(host, honest, attackers, plan.attack, plan.name, plan.seconds);
        std::printf("  %-14s %9.2f %9.2f %9.1f %5d %10.1f %10.1f %14.0f %8d\n", r.name, r.rtt.p50 / 1000.0,
            r.rtt.p99 / 1000.0, r.worstMs, r.lost, r.peakKiB / 1024.0, r.afterKiB / 1024.0, r.logPerAttackerMinute,
            r.dropped);
        if (plan.attack == Attack::BigLines)
            std::printf("  %-14s slow reader (32 KiB per %d ms): %s; %.1f KiB/s reached it\n", "", kSlowReadEveryMs,
                r.slowReaderDropped ? "DROPPED" : "kept", r.slowReaderKiBps);
        std::fflush(stdout);
        for (Player& a : attackers)
            ::close(a.fd);
        ::close(honest.fd);
        host.stop();
    }
    return 0;
}
