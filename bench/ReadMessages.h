// Reading a game connection in a benchmark's own thread, without Qt.
#pragma once

#include "net/Framing.h"

#include <atomic>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <vector>

namespace bench
{

// Cuts what arrives on `fd` into messages and hands each on, until `stop` or the peer closes.
// Returns whether the peer closed.
template <class OnMessage> bool readMessages(int fd, const std::atomic<bool>& stop, OnMessage onMessage)
{
    std::string pending;
    std::vector<char> buf(256 * 1024);
    while (!stop) {
        pollfd p { fd, POLLIN, 0 };
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buf.data(), buf.size(), 0);
        if (n <= 0)
            return true;
        pending.append(buf.data(), static_cast<std::size_t>(n));
        std::size_t start = 0;
        for (auto end = pending.find(net::kTerminator, start); end != std::string::npos;
             end = pending.find(net::kTerminator, start)) {
            onMessage(std::string_view(pending).substr(start, end - start));
            start = end + 1;
        }
        pending.erase(0, start);
    }
    return false;
}

} // namespace bench
