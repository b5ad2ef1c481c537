#pragma once
// Whether this kernel has IPv6 on its loopback (some containers do not): the
// IPv6 rows of the network tests skip, saying so, where it has not.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_loopback
{

inline bool hasIPv6Loopback()
{
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in6 a {};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

} // namespace testing_loopback
