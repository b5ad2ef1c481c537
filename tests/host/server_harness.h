#pragma once
// Raw loopback clients for the host shell tests: plain BSD sockets that speak
// framed messages, so the host is checked against a socket that is not its own.

#include "host/HostServer.h"
#include "net/Commands.h"
#include "net/Fields.h"
#include "net/Framing.h"
#include "rules/Version.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace harness
{

inline constexpr int kWait = 10000; // upper bound for anything to arrive; never a measured time

// The command word of a message ("CMD_chat" of "CMD_chat+1+x").
inline std::string commandOf(const std::string& message) { return std::string(net::splitCommand(message).command); }

// The fields of a message after its command word.
inline std::vector<std::string> fieldsOf(const std::string& message)
{
    std::vector<std::string> out;
    for (auto f : net::splitFields(net::splitCommand(message).rest))
        out.emplace_back(f);
    return out;
}

class RawClient
{
public:
    RawClient() = default;
    ~RawClient() { abort(); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    // `receiveBuffer` > 0 shrinks the kernel's receive buffer (a slow reader).
    // With `ipv6`, over ::1 rather than 127.0.0.1.
    bool connectTo(quint16 port, int receiveBuffer = 0, bool ipv6 = false)
    {
        m_fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0)
            return false;
        if (receiveBuffer > 0)
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sockaddr_in6 addr6 {};
        addr6.sin6_family = AF_INET6;
        addr6.sin6_port = htons(port);
        addr6.sin6_addr = in6addr_loopback;
        const int rc = ipv6 ? ::connect(m_fd, reinterpret_cast<const sockaddr*>(&addr6), sizeof addr6)
                            : ::connect(m_fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        if (rc != 0)
            return false;
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
        m_readNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_readNotifier.get(), &QSocketNotifier::activated, [this] { readAll(); });
        m_writeNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
        m_writeNotifier->setEnabled(false);
        QObject::connect(m_writeNotifier.get(), &QSocketNotifier::activated, [this] { flush(); });
        return true;
    }

    // Connects and logs in; returns the seat (0 when something went wrong).
    int join(quint16 port, const std::string& name, std::string_view version = rules::kVersion, bool ipv6 = false)
    {
        if (!connectTo(port, 0, ipv6))
            return 0;
        const auto hello = waitFor(net::cmd::sendlogininfo);
        if (!hello)
            return 0;
        m_seat = std::stoi(fieldsOf(*hello).at(0));
        m_name = name;
        write(net::msg::logininfo(m_seat, version, name));
        const std::string me = std::to_string(m_seat);
        if (!waitFor(net::cmd::newplayerinfo, [&](const std::string& m) { return fieldsOf(m).at(0) == me; }))
            return 0;
        return m_seat;
    }

    // Queues bytes; they go out as the kernel takes them, without blocking the host.
    void write(const std::string& bytes)
    {
        m_out += bytes;
        flush();
    }
    std::size_t unsent() const { return m_out.size(); }

    // Stops reading: the kernel buffers fill and the host has to cope.
    void stopReading()
    {
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
    }

    // Reads at most `bytes` every `everyMs`, like a window that takes its time
    // to draw what it reads (but never stops reading).
    void readSlowly(std::size_t bytes, int everyMs)
    {
        stopReading();
        m_slowBytes = bytes;
        m_slowTimer = std::make_unique<QTimer>();
        QObject::connect(m_slowTimer.get(), &QTimer::timeout, [this] { readAll(m_slowBytes); });
        m_slowTimer->start(everyMs);
    }

    // The seat token the host gave this client last, or empty.
    std::string token() const
    {
        for (auto it = m_history.rbegin(); it != m_history.rend(); ++it)
            if (commandOf(*it) == net::cmd::seattoken)
                return fieldsOf(*it).at(1);
        return {};
    }

    // Connects, and takes back a held seat with `token` instead of logging in;
    // returns the seat taken back, or 0.
    int rejoin(quint16 port, const std::string& token, bool ipv6 = false)
    {
        if (!connectTo(port, 0, ipv6))
            return 0;
        const auto hello = waitFor(net::cmd::sendlogininfo);
        if (!hello)
            return 0;
        write(net::msg::rejoin(std::stoi(fieldsOf(*hello).at(0)), token, rules::kVersion));
        const auto back = waitFor(net::cmd::rejoined);
        if (!back)
            return 0;
        m_seat = std::stoi(fieldsOf(*back).at(0));
        return waitFor(net::cmd::seattoken) ? m_seat : 0;
    }

    // Waits for the next message with this command (and matching `accept`),
    // consuming it and every message before it. Nothing when it never comes.
    template <class Pred> std::optional<std::string> waitFor(std::string_view command, Pred accept, int timeout = kWait)
    {
        std::optional<std::string> found;
        (void)QTest::qWaitFor(
            [&] {
                while (!m_inbox.empty()) {
                    std::string m = std::move(m_inbox.front());
                    m_inbox.pop_front();
                    if (commandOf(m) == command && accept(m)) {
                        found = std::move(m);
                        return true;
                    }
                }
                return false;
            },
            timeout);
        return found;
    }
    std::optional<std::string> waitFor(std::string_view command, int timeout = kWait)
    {
        return waitFor(
            command, [](const std::string&) { return true; }, timeout);
    }

    // Sends a chat line and waits for the host to relay it back: everything this
    // client sent before has then been handled, and everything the host sent
    // this client before the relay has arrived.
    bool sync()
    {
        m_lastSync = "sync-" + std::to_string(m_seat) + "-" + std::to_string(++m_syncs);
        const std::string tag = m_lastSync;
        write(net::msg::chat(m_seat, tag));
        return waitFor(net::cmd::chat, [&](const std::string& m) {
            return endsWith(m, tag) && fieldsOf(m).at(0) == std::to_string(m_seat);
        }).has_value();
    }

    // The tag of this client's last sync, for the others to wait for.
    const std::string& lastSync() const { return m_lastSync; }

    // Waits for a chat relay carrying `tag` that some client sent.
    bool seeChat(const std::string& tag)
    {
        return waitFor(net::cmd::chat, [&](const std::string& m) { return endsWith(m, tag); }).has_value();
    }

    bool waitClosed(int timeout = kWait)
    {
        return QTest::qWaitFor([&] { return m_closed; }, timeout);
    }
    bool closed() const { return m_closed; }
    // Orderly goodbye.
    void close()
    {
        if (m_fd >= 0)
            ::shutdown(m_fd, SHUT_WR);
    }
    // Gone at once with a reset, as a socket closed with bytes unread goes.
    void reset()
    {
        if (m_fd >= 0) {
            const linger hard { 1, 0 };
            ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        abort();
    }
    // Gone at once.
    void abort()
    {
        m_slowTimer.reset();
        m_readNotifier.reset();
        m_writeNotifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_closed = true;
    }

    // How many messages with this command arrived so far, consumed or not.
    int count(std::string_view command) const
    {
        int n = 0;
        for (const auto& m : m_history)
            n += commandOf(m) == command ? 1 : 0;
        return n;
    }
    const std::vector<std::string>& history() const { return m_history; }
    const std::vector<std::string>& reads() const { return m_reads; }
    std::size_t received() const { return m_received; }

    int seat() const { return m_seat; }
    const std::string& name() const { return m_name; }

private:
    static bool endsWith(const std::string& m, const std::string& tail)
    {
        return m.size() >= tail.size() && m.compare(m.size() - tail.size(), tail.size(), tail) == 0;
    }

    void readAll(std::size_t limit = 0)
    {
        char buffer[65536];
        std::size_t taken = 0;
        for (;;) {
            const std::size_t room = limit == 0 ? sizeof buffer : std::min(sizeof buffer, limit - taken);
            if (room == 0 || m_fd < 0)
                return;
            const ssize_t n = ::recv(m_fd, buffer, room, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                m_closed = true;
                m_readNotifier->setEnabled(false);
                if (m_slowTimer)
                    m_slowTimer->stop();
                return;
            }
            if (n < 0)
                return;
            taken += static_cast<std::size_t>(n);
            m_received += static_cast<std::size_t>(n);
            m_reads.emplace_back(buffer, static_cast<std::size_t>(n));
            std::vector<std::string> lines;
            m_framer.feed(std::string_view(buffer, static_cast<std::size_t>(n)), lines);
            for (auto& l : lines) {
                m_history.push_back(l);
                m_inbox.push_back(std::move(l));
            }
        }
    }

    void flush()
    {
        while (!m_out.empty() && m_fd >= 0) {
            const ssize_t n = ::send(m_fd, m_out.data(), m_out.size(), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            m_out.erase(0, static_cast<std::size_t>(n));
        }
        if (m_writeNotifier)
            m_writeNotifier->setEnabled(!m_out.empty() && m_fd >= 0);
    }

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    std::unique_ptr<QTimer> m_slowTimer;
    std::size_t m_slowBytes = 0;
    std::string m_out;
    std::size_t m_received = 0;
    net::Framer m_framer;
    std::deque<std::string> m_inbox;
    std::vector<std::string> m_history;
    std::vector<std::string> m_reads;
    bool m_closed = false;
    int m_seat = 0;
    int m_syncs = 0;
    std::string m_lastSync;
    std::string m_name;
};

// A host on a kernel-chosen port whose words come from a set the test controls
// and whose turn clock only moves when the test ticks it.
struct Host {
    std::shared_ptr<std::set<std::string>> words = std::make_shared<std::set<std::string>>();
    std::unique_ptr<HostServer> server;
    QStringList log;

    Host()
    {
        auto set = words;
        server = std::make_unique<HostServer>(
            quint16(0), [set](std::string_view w) { return set->count(std::string(w)) > 0; });
        QObject::connect(server.get(), &HostServer::logLine, [this](const QString& l) { log << l; });
        server->setManualTurnClock(true);
        server->listener->setListen(true);
    }
    quint16 port() const { return server->port(); }
    host::Game& game() { return server->game(); }
    // 0: a lost connection leaves at once, as before seats were held.
    void setHold(int seconds)
    {
        host::Options o = game().options();
        o.holdSeconds = seconds;
        game().setOptions(o);
    }
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            server->onTurnClockTick();
    }
    bool logged(const QString& part) const
    {
        for (const auto& l : log)
            if (l.contains(part))
                return true;
        return false;
    }
};

// Options for a game start message.
inline net::GameOptions options(bool fast, int seconds = 10)
{
    net::GameOptions o;
    o.fast = fast;
    o.timePerTurn = seconds;
    o.playToScore = 5000;
    o.zirkedAt = 2000;
    return o;
}

// The letters of a "CMD_thedice" message, in tile order.
inline std::string lettersOf(const std::string& thedice)
{
    std::string letters;
    const auto f = fieldsOf(thedice);
    for (std::size_t i = 2; i < f.size(); ++i)
        letters += f[i];
    return letters;
}

// Waits for "listening on port N" in a zirky-host process's log; 0 when it never comes.
inline quint16 listeningPort(QProcess& host, QByteArray& log)
{
    static const QRegularExpression pattern(QStringLiteral("listening on port (\\d+)"));
    quint16 port = 0;
    (void)QTest::qWaitFor(
        [&] {
            log += host.readAllStandardError();
            const auto match = pattern.match(QString::fromUtf8(log));
            if (match.hasMatch())
                port = static_cast<quint16>(match.captured(1).toUInt());
            return port != 0 || host.state() == QProcess::NotRunning;
        },
        kWait);
    return port;
}

#ifdef ZIRKY_HOST_PROGRAM
// The zirky-host of this build, as CMake built it for this test; ZIRKY_HOST
// in the environment names another binary to test instead.
inline QString hostProgram()
{
    const QString other = qEnvironmentVariable("ZIRKY_HOST");
    return other.isEmpty() ? QStringLiteral(ZIRKY_HOST_PROGRAM) : other;
}
#endif

} // namespace harness
