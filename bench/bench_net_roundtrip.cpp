// Round trip of one chat message over loopback through the whole receive road
// (TSock, Framer, the receive queue drained one message per event-loop turn,
// the Dispatcher), next to a plain blocking-socket echo measured in the same run.
//
//   bench_net_roundtrip [round trips, default 5000]

#include "Percentiles.h"
#include "net/Commands.h"
#include "net/Dispatcher.h"
#include "net/Framing.h"
#include "net/TSock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

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

// One side's receive road: bytes -> framer -> queue -> one message per turn -> dispatcher.
class Road
{
public:
    explicit Road(std::function<void(std::string_view rest)> onChat)
    {
        m_dispatcher.add(net::cmd::chat, [onChat](std::string_view rest, int) { onChat(rest); });
        m_drain.setSingleShot(true);
        m_drain.setInterval(0);
        QObject::connect(&m_drain, &QTimer::timeout, [this] {
            const net::QueuedLine line = m_queue.take();
            m_dispatcher.dispatch(line.text, line.seat);
            // Started only while something waits, so an idle side sleeps.
            if (!m_queue.empty())
                m_drain.start();
        });
    }

    void sockRead(TSock* sock, int seat)
    {
        const QByteArray bytes = sock->Receive();
        m_lines.clear();
        if (m_framer.feed(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), m_lines)
            != net::Framer::Status::Ok) {
            sock->Close();
            return;
        }
        for (auto& line : m_lines)
            m_queue.push(seat, std::move(line));
        if (!m_queue.empty() && !m_drain.isActive())
            m_drain.start();
    }

private:
    net::Framer m_framer;
    net::ReceiveQueue m_queue;
    net::Dispatcher<int> m_dispatcher;
    std::vector<std::string> m_lines;
    QTimer m_drain;
};

// The host side in its own thread, as a remote peer would be.
void runEchoHost(std::promise<quint16>& port, std::atomic<bool>& stop)
{
    TSock listener;
    TSock* conn = nullptr;
    Road road([&](std::string_view rest) {
        if (conn)
            conn->Send(QByteArray::fromStdString(net::msg::chat(1, rest.substr(rest.find('+') + 1))));
    });
    listener.setPortName("0");
    listener.OnAccept = [&](TSock* l) {
        if (l->Accept(conn))
            conn->OnRead = [&](TSock* s, int) { road.sockRead(s, 1); };
    };
    listener.setListen(true);
    port.set_value(listener.localPort());
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (stop)
            loop.quit();
    });
    watch.start(50);
    loop.exec();
}

std::vector<double> tsockRoundTrips(quint16 port, int count)
{
    const QByteArray message = QByteArray::fromStdString(net::msg::chat(1, "hello there, ready to play?"));
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(count));
    TSock client;
    QEventLoop loop;
    Clock::time_point sent;
    int done = 0;
    Road road([&](std::string_view) {
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - sent).count();
        if (++done > kWarmup)
            micros.push_back(us);
        if (done >= count + kWarmup) {
            loop.quit();
            return;
        }
        sent = Clock::now();
        client.Send(message);
    });
    client.OnRead = [&](TSock* s, int) { road.sockRead(s, 0); };
    client.OnConnect = [&](TSock* s) {
        sent = Clock::now();
        s->Send(message);
    };
    client.OnInfo = [&](TSock*, TSocketInfo kind, const QString& msg) {
        if (kind == TSocketInfo::Error || msg == "Socket Closed") {
            std::fprintf(stderr, "connection ended: %s\n", qPrintable(msg));
            loop.quit();
        }
    };
    client.setHostName("127.0.0.1");
    client.setPortName(QString::number(port));
    client.Open();
    loop.exec();
    client.OnInfo = nullptr;
    return micros;
}

bool sendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Reads until one terminator; returns the message without it.
bool readMessage(int fd, std::string& pending, std::string& message)
{
    char buf[4096];
    for (;;) {
        const auto end = pending.find(net::kTerminator);
        if (end != std::string::npos) {
            message = pending.substr(0, end);
            pending.erase(0, end + 1);
            return true;
        }
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        pending.append(buf, static_cast<size_t>(n));
    }
}

std::vector<double> plainRoundTrips(int count)
{
    const int one = 1;
    const int lfd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(lfd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(lfd, 1) != 0)
        std::abort();
    ::getsockname(lfd, reinterpret_cast<sockaddr*>(&addr), &len);

    std::thread echo([lfd, one] {
        const int fd = ::accept(lfd, nullptr, nullptr);
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::string pending, message;
        while (readMessage(fd, pending, message)) {
            message.push_back(net::kTerminator);
            if (!sendAll(fd, message.data(), message.size()))
                break;
        }
        ::close(fd);
    });

    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        std::abort();
    const std::string message = net::msg::chat(1, "hello there, ready to play?");
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(count));
    std::string pending, reply;
    for (int i = 0; i < count + kWarmup; ++i) {
        const auto start = Clock::now();
        if (!sendAll(fd, message.data(), message.size()) || !readMessage(fd, pending, reply))
            std::abort();
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        if (i >= kWarmup)
            micros.push_back(us);
    }
    ::close(fd);
    echo.join();
    ::close(lfd);
    return micros;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(500, std::atoi(argv[1])) : 5000;

    std::promise<quint16> portPromise;
    std::future<quint16> portFuture = portPromise.get_future();
    std::atomic<bool> stop { false };
    QThread* host = QThread::create([&] { runEchoHost(portPromise, stop); });
    host->start();
    const quint16 port = portFuture.get();

    // Alternating blocks, so a change in the machine's load hits both sides alike.
    constexpr int kBlocks = 5;
    std::vector<double> plainMicros, tsockMicros;
    for (int block = 0; block < kBlocks; ++block) {
        const auto p = plainRoundTrips(count / kBlocks);
        plainMicros.insert(plainMicros.end(), p.begin(), p.end());
        const auto t = tsockRoundTrips(port, count / kBlocks);
        tsockMicros.insert(tsockMicros.end(), t.begin(), t.end());
    }
    const Stats plain = percentiles(plainMicros);
    stop = true;
    host->wait();
    delete host;
    if (tsockMicros.size() < plainMicros.size()) {
        std::fprintf(stderr, "only %zu of %zu round trips completed\n", tsockMicros.size(), plainMicros.size());
        return 1;
    }
    const Stats road = percentiles(tsockMicros);

    std::printf("round trips: %zu each, in %d alternating blocks (each after %d warm-up)\n", plainMicros.size(),
        kBlocks, kWarmup);
    std::printf("%-44s p50 %8.1f us   p99 %8.1f us\n", "plain blocking echo", plain.p50, plain.p99);
    std::printf("%-44s p50 %8.1f us   p99 %8.1f us\n", "TSock + Framer + queue + Dispatcher", road.p50, road.p99);
    std::printf("ratio (TSock / plain): p50 %.2fx   p99 %.2fx\n", road.p50 / plain.p50, road.p99 / plain.p99);
    return 0;
}
