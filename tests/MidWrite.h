#pragma once
// Catching another process in the middle of writing a file (Linux): it is
// stopped at a moment it holds a file in the folder open, and seen to hold it
// still while stopped, so that killing it then kills it mid-write.

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include <dirent.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

namespace midwrite
{

// Whether `pid` has a file inside `folder` open; the folder itself does not count.
inline bool hasFileOpenIn(pid_t pid, const std::string& folder)
{
    char real[PATH_MAX];
    if (!::realpath(folder.c_str(), real))
        return false;
    const std::string prefix = std::string(real) + "/";
    DIR* fds = ::opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    if (!fds)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(fds)) {
        char target[PATH_MAX];
        const ssize_t n = ::readlinkat(::dirfd(fds), entry->d_name, target, sizeof target);
        if (n > 0 && std::string_view(target, static_cast<std::size_t>(n)).starts_with(prefix)) {
            found = true;
            break;
        }
    }
    ::closedir(fds);
    return found;
}

// The process's state letter ('R', 'S', 'T' when stopped...); 0 when it is gone.
inline char stateOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::stringstream text;
    text << in.rdbuf();
    const std::string stat = text.str();
    const auto close = stat.rfind(')'); // the name may hold blanks and brackets
    return close == std::string::npos || close + 2 >= stat.size() ? 0 : stat[close + 2];
}

inline void rest()
{
    const timespec pause { 0, 200 * 1000 };
    ::nanosleep(&pause, nullptr);
}

// Stops `pid` while it has a file in `folder` open and leaves it stopped.
// False when it never had, or always moved on before it stopped, in `attempts` tries.
inline bool stopWhileWriting(pid_t pid, const std::string& folder, int attempts = 50000)
{
    for (int i = 0; i < attempts; ++i) {
        if (!hasFileOpenIn(pid, folder)) {
            rest();
            continue;
        }
        if (::kill(pid, SIGSTOP) != 0)
            return false;
        for (char s = stateOf(pid); s != 'T' && s != 't'; s = stateOf(pid)) {
            if (s == 0 || s == 'Z')
                return false;
            rest();
        }
        if (hasFileOpenIn(pid, folder))
            return true;
        ::kill(pid, SIGCONT);
    }
    return false;
}

} // namespace midwrite
