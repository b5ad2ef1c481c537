#pragma once
// Starting a real zirky-host for the host benchmarks, talking to it over
// loopback and reading its memory from /proc.

#include <arpa/inet.h>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <vector>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench
{

// Benchmarks live in build/bench and the programs at the top of build/, so an
// empty or missing path means the zirky-host built next to this benchmark.
inline std::string hostProgram(const char* given)
{
    if (given && *given)
        return given;
    std::string self(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    self.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return self.substr(0, self.rfind('/')) + "/../zirky-host";
}

struct StartedHost {
    pid_t pid = 0;
    int port = 0;
    int stderrFd = -1; // the host's log; the caller must keep draining it
    std::string log; // what the host logged up to naming its port

    bool ok() const { return port > 0; }
};

// The host picks a free port itself (--port 0) so runs never collide, and only
// its log tells which one it took. `more` are further options ("--bots", "easy").
inline StartedHost startHost(const std::string& program, const std::vector<std::string>& more = {})
{
    StartedHost host;
    int errPipe[2];
    // Close-on-exec keeps the host from holding its own log pipe open.
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        std::perror("pipe");
        return host;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    // Never announced: a benchmark's host is nobody's game to join.
    std::vector<const char*> args { program.c_str(), "--port", "0", "--no-announce" };
    for (const std::string& option : more)
        args.push_back(option.c_str());
    args.push_back(nullptr);
    const int spawned
        = posix_spawn(&host.pid, program.c_str(), &actions, nullptr, const_cast<char* const*>(args.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(errPipe[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        ::close(errPipe[0]);
        host.pid = 0;
        return host;
    }

    char buf[4096];
    while (host.port == 0) {
        const ssize_t n = ::read(errPipe[0], buf, sizeof buf);
        if (n <= 0) {
            std::fprintf(stderr, "zirky-host ended early:\n%s\n", host.log.c_str());
            ::close(errPipe[0]);
            ::kill(host.pid, SIGTERM);
            ::waitpid(host.pid, nullptr, 0);
            host.pid = 0;
            return host;
        }
        host.log.append(buf, static_cast<std::size_t>(n));
        const auto at = host.log.find("listening on port ");
        if (at != std::string::npos && host.log.find('\n', at) != std::string::npos)
            host.port = std::atoi(host.log.c_str() + at + std::strlen("listening on port "));
    }
    host.stderrFd = errPipe[0];
    return host;
}

// Resident memory is what a leak or an unbounded buffer in the host shows up in.
inline long rssKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// A connection to the host as a player makes it; -1 (errno kept) when nobody listens.
inline int connectLoopback(int port, bool noDelay)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    if (noDelay) {
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return fd;
}

// A short send would cut a message in two; false once the host has gone.
inline bool sendAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace bench
