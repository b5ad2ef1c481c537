#pragma once
// A host on a loopback port the kernel picks that floods its one client from
// a thread of its own, with plain blocking writes: when the client stops
// reading, the writes wait, as a real host's would.

#include <QtGlobal>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// Once the client is in, it writes `messages` framed copies of one message,
// or writes them for ever when `messages` is negative.
class FloodingHost
{
public:
    FloodingHost(std::string message, long messages)
        : m_message(std::move(message))
        , m_messages(messages)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_listener, 1);
        socklen_t len = sizeof a;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~FloodingHost()
    {
        m_stop = true;
        ::shutdown(m_listener, SHUT_RDWR);
        if (m_peer >= 0)
            ::shutdown(m_peer, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
        if (m_peer >= 0)
            ::close(m_peer);
    }
    quint16 port() const { return m_port; }
    long sent() const { return m_sent; }

private:
    void run()
    {
        m_peer = ::accept(m_listener, nullptr, nullptr);
        if (m_peer < 0)
            return;
        std::string block;
        for (int i = 0; i < 500; ++i)
            block += m_message;
        const long perBlock = 500;
        while (!m_stop && (m_messages < 0 || m_sent < m_messages)) {
            const long n = m_messages < 0 ? perBlock : std::min(perBlock, m_messages - m_sent);
            const std::string_view out(block.data(), static_cast<std::size_t>(n) * m_message.size());
            std::size_t done = 0;
            while (done < out.size()) {
                const ssize_t w = ::send(m_peer, out.data() + done, out.size() - done, MSG_NOSIGNAL);
                if (w <= 0)
                    return; // dropped, or the test is over
                done += static_cast<std::size_t>(w);
            }
            m_sent += n;
        }
    }

    std::string m_message;
    long m_messages;
    int m_listener = -1;
    std::atomic<int> m_peer { -1 };
    quint16 m_port = 0;
    std::atomic<bool> m_stop { false };
    std::atomic<long> m_sent { 0 };
    std::thread m_thread;
};

