// Chat round trip through the game host: eight players connected to a HostServer,
// one of them chats and waits for the host's relay of its own line (and, to
// tell the fan-out from the rest, the same with one player alone). Measured
// next to a plain blocking echo server (the floor loopback allows) and an
// event-loop echo on TSock (the socket layer alone), all in the same run.
//
//   bench_host_roundtrip [round trips, default 5000]

#include "Percentiles.h"
#include "host/HostServer.h"
#include "net/Commands.h"
#include "net/Framing.h"
#include "rules/Version.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int kWarmup = 200;
constexpr int kPlayers = 8;

// ---- a blocking client ------------------------------------------------------

class Client
{
public:
    explicit Client(quint16 port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            std::perror("connect");
            std::exit(1);
        }
    }
    ~Client() { ::close(m_fd); }

    void send(const std::string& bytes)
    {
        const char* data = bytes.data();
        std::size_t size = bytes.size();
        while (size > 0) {
            const ssize_t n = ::send(m_fd, data, size, MSG_NOSIGNAL);
            if (n <= 0) {
                std::perror("send");
                std::exit(1);
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }

    // The next message whose text starts with `prefix`; others are skipped.
    std::string waitFor(std::string_view prefix)
    {
        char buf[4096];
        for (;;) {
            for (auto end = m_pending.find(net::kTerminator); end != std::string::npos;
                 end = m_pending.find(net::kTerminator)) {
                std::string message = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                if (message.compare(0, prefix.size(), prefix) == 0)
                    return message;
            }
            const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0) {
                std::fprintf(stderr, "the host closed the connection\n");
                std::exit(1);
            }
            m_pending.append(buf, static_cast<std::size_t>(n));
        }
    }

    // Throws away whatever has arrived, without waiting.
    void drain()
    {
        char buf[65536];
        while (::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT) > 0) { }
        m_pending.clear();
    }

private:
    int m_fd = -1;
    std::string m_pending;
};

// ---- the servers -------------------------------------------------------------

// Runs `make` in a thread of its own with an event loop until stop() is called.
class LoopThread
{
public:
    template <class Make> explicit LoopThread(Make make)
    {
        std::promise<quint16> ready;
        auto port = ready.get_future();
        m_thread = QThread::create([this, make, &ready] {
            QEventLoop loop;
            auto keep = make(ready);
            m_loop = &loop;
            m_started.set_value();
            loop.exec();
        });
        m_thread->start();
        m_port = port.get();
        m_started.get_future().wait();
    }
    ~LoopThread()
    {
        QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
        m_thread->wait();
        delete m_thread;
    }
    quint16 port() const { return m_port; }

private:
    QThread* m_thread = nullptr;
    QEventLoop* m_loop = nullptr;
    std::promise<void> m_started;
    quint16 m_port = 0;
};

std::unique_ptr<HostServer> makeHost(std::promise<quint16>& ready)
{
    auto host = std::make_unique<HostServer>(quint16(0), [](std::string_view) { return true; });
    host->listener->setListen(true);
    ready.set_value(host->port());
    return host;
}

// Echoes every byte at once from the read event: the socket layer and nothing else.
struct EventEcho {
    TSock listener;
    std::vector<TSock*> connections;
};

std::unique_ptr<EventEcho> makeEventEcho(std::promise<quint16>& ready)
{
    auto echo = std::make_unique<EventEcho>();
    echo->listener.setPortName(QStringLiteral("0"));
    echo->listener.OnAccept = [e = echo.get()](TSock* l) {
        TSock* conn = nullptr;
        if (l->Accept(conn)) {
            conn->OnRead = [](TSock* s, int) { s->Send(s->Receive()); };
            e->connections.push_back(conn);
        }
    };
    echo->listener.setListen(true);
    ready.set_value(echo->listener.localPort());
    return echo;
}

// One connection, blocking reads, every message sent straight back.
quint16 startPlainEcho(std::thread& thread)
{
    const int lfd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(lfd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(lfd, 1) != 0)
        std::exit(1);
    ::getsockname(lfd, reinterpret_cast<sockaddr*>(&addr), &len);
    thread = std::thread([lfd] {
        const int fd = ::accept(lfd, nullptr, nullptr);
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        char buf[4096];
        for (;;) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0 || ::send(fd, buf, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n)
                break;
        }
        ::close(fd);
        ::close(lfd);
    });
    return ntohs(addr.sin_port);
}

// ---- the measurements ----------------------------------------------------------

// A client and its way of measuring one round trip.
class Measured
{
public:
    virtual ~Measured() = default;
    double roundTrip()
    {
        const auto start = Clock::now();
        once();
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    }
    virtual void between() { }

protected:
    virtual void once() = 0;
    const std::string m_message = net::msg::chat(1, "hello there, ready to play?");
};

class EchoRoundTrip : public Measured
{
public:
    explicit EchoRoundTrip(quint16 port)
        : m_client(port)
    {
    }

protected:
    void once() override
    {
        m_client.send(m_message);
        m_client.waitFor("CMD_chat+");
    }

private:
    Client m_client;
};

// `players` logged in; the first chats and waits for its own line to come back.
class HostRoundTrip : public Measured
{
public:
    HostRoundTrip(quint16 port, int players)
    {
        for (int seat = 1; seat <= players; ++seat) {
            m_players.push_back(std::make_unique<Client>(port));
            Client& c = *m_players.back();
            const std::string hello = c.waitFor(net::cmd::sendlogininfo);
            if (hello != "CMD_sendlogininfo+" + std::to_string(seat)) {
                std::fprintf(stderr, "unexpected seat: %s\n", hello.c_str());
                std::exit(1);
            }
            c.send(net::msg::logininfo(seat, rules::kVersion, "Player" + std::to_string(seat)));
            c.waitFor("CMD_newplayerinfo+" + std::to_string(seat) + "+");
        }
        between();
    }
    // The others' copies are thrown away outside the timed part.
    void between() override
    {
        for (auto& p : m_players)
            p->drain();
    }

protected:
    void once() override
    {
        m_players.front()->send(m_message);
        m_players.front()->waitFor("CMD_chat+1+");
    }

private:
    std::vector<std::unique_ptr<Client>> m_players;
};

// Blocks of round trips in turn, so a change of load on the machine hits all alike.
std::vector<std::vector<double>> measure(std::vector<Measured*> subjects, int count)
{
    constexpr int kBlock = 250;
    std::vector<std::vector<double>> micros(subjects.size());
    for (Measured* m : subjects)
        for (int i = 0; i < kWarmup; ++i)
            m->roundTrip();
    for (int done = 0; done < count; done += kBlock) {
        for (std::size_t k = 0; k < subjects.size(); ++k) {
            for (int i = 0; i < kBlock && done + i < count; ++i)
                micros[k].push_back(subjects[k]->roundTrip());
            subjects[k]->between();
        }
    }
    return micros;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(100, std::atoi(argv[1])) : 5000;

    std::thread plainThread;
    const quint16 plainPort = startPlainEcho(plainThread);
    LoopThread echo(makeEventEcho);
    LoopThread server(makeHost);
    LoopThread lonely(makeHost);
    std::vector<std::vector<double>> micros;
    {
        EchoRoundTrip plainClient(plainPort);
        EchoRoundTrip echoClient(echo.port());
        HostRoundTrip hostClients(server.port(), kPlayers);
        HostRoundTrip oneClient(lonely.port(), 1);
        micros = measure({ &plainClient, &echoClient, &hostClients, &oneClient }, count);
    }
    plainThread.join();
    const Stats plain = percentiles(micros[0]);
    const Stats eventEcho = percentiles(micros[1]);
    const Stats host = percentiles(micros[2]);
    const Stats alone = percentiles(micros[3]);

    std::printf("round trips: %d (after %d warm-up each, in alternating blocks), %d players connected to the host\n",
        count, kWarmup, kPlayers);
    std::printf("%-46s p50 %8.1f us   p99 %8.1f us\n", "plain blocking echo", plain.p50, plain.p99);
    std::printf("%-46s p50 %8.1f us   p99 %8.1f us\n", "TSock echo on an event loop", eventEcho.p50, eventEcho.p99);
    std::printf(
        "%-46s p50 %8.1f us   p99 %8.1f us\n", "HostServer chat relay (queue, rules, 8 sends)", host.p50, host.p99);
    std::printf(
        "%-46s p50 %8.1f us   p99 %8.1f us\n", "HostServer chat relay, 1 player connected", alone.p50, alone.p99);
    std::printf("ratio host / plain echo:      p50 %.2fx   p99 %.2fx\n", host.p50 / plain.p50, host.p99 / plain.p99);
    std::printf(
        "ratio host / event-loop echo: p50 %.2fx   p99 %.2fx\n", host.p50 / eventEcho.p50, host.p99 / eventEcho.p99);
    std::printf("ratio 1-player host / plain:  p50 %.2fx   p99 %.2fx\n", alone.p50 / plain.p50, alone.p99 / plain.p99);
    return 0;
}
