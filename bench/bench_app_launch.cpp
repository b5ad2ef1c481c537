// Time from starting the game program (no arguments: a solo game) until its
// chat shows "You are Connected.", i.e. the host listens, the client has
// connected, logged in and read its settings. Runs the real program on the
// offscreen platform with ZIRKY_LOG_CHAT=1 and watches its stderr.
//
//   bench_app_launch [runs] [program]

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <poll.h>

namespace
{

// One launch; a negative result means the line never came.
double launchOnce(const char* program, const std::string& home, int port)
{
    int pipefd[2];
    if (::pipe(pipefd) != 0)
        return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipefd[1], 2);
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("ZIRKY_LOG_CHAT", "1", 1);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        ::setenv("ZIRKY_PORT", std::to_string(port).c_str(), 1);
        if (::chdir(home.c_str()) != 0)
            ::_exit(126);
        ::execl(program, program, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipefd[1]);
    std::string seen;
    double ms = -1;
    char buf[4096];
    for (;;) {
        pollfd p { pipefd[0], POLLIN, 0 };
        if (::poll(&p, 1, 20000) <= 0)
            break;
        const ssize_t n = ::read(pipefd[0], buf, sizeof buf);
        if (n <= 0)
            break;
        seen.append(buf, static_cast<std::size_t>(n));
        if (seen.find("chat: 0+You are Connected.") != std::string::npos) {
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            break;
        }
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(pipefd[0]);
    if (ms < 0)
        std::fprintf(stderr, "launch failed; program said:\n%s\n", seen.c_str());
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const char* program = argc > 2 ? argv[2] : ZIRKY_PROGRAM;
    char tmpl[] = "/tmp/zirky-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string home = tmpl;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        // A fresh port each run: the previous copy's may linger in TIME_WAIT.
        const double ms = launchOnce(program, home, 27000 + (static_cast<int>(::getpid()) % 2000) + i);
        if (ms < 0)
            return 1;
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("bench_app_launch: launch to \"You are Connected.\" (solo game, offscreen), %d runs\n", runs);
    std::printf("  median %.1f ms   min %.1f ms   max %.1f ms\n", times[times.size() / 2], times.front(), times.back());
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}
