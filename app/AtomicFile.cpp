#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace app
{

namespace
{

// A temporary is made, then locked: one younger than this may not be locked yet.
constexpr time_t kTempGraceSeconds = 2;
constexpr std::size_t kTempSuffix = 6; // mkstemp's XXXXXX

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, std::string_view data)
{
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool replaceFile(const std::string& path, std::string_view data, std::string_view tempPrefix, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why + ": " + std::strerror(errno);
        return false;
    };
    const std::string folder = folderOf(path);
    std::string name = folder + "/" + std::string(tempPrefix) + std::string(kTempSuffix, 'X');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return fail("cannot create a temporary file in " + folder);
    // Held until the rename: tells a later clean-up that this file is in use.
    ::flock(fd, LOCK_EX | LOCK_NB);
    struct stat st;
    ::fchmod(fd, ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : S_IRUSR | S_IWUSR);

    const bool written = writeAll(fd, data);
    int savedErrno = errno;
    // On the disk before it takes the old file's name: otherwise a power cut
    // could leave the name on an empty file.
    const bool synced = written && ::fsync(fd) == 0;
    if (written && !synced)
        savedErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !synced || !closed) {
        ::unlink(name.c_str());
        errno = savedErrno;
        return fail("cannot write " + path);
    }
    if (std::rename(name.c_str(), path.c_str()) != 0) {
        savedErrno = errno;
        ::unlink(name.c_str());
        errno = savedErrno;
        return fail("cannot replace " + path);
    }
    // The rename is only durable once the folder is: after a power cut the old
    // name could otherwise come back.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

std::size_t removeStaleTemporaries(const std::string& folder, std::string_view tempPrefix)
{
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return 0;
    std::size_t removed = 0;
    const time_t now = ::time(nullptr);
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (name.size() != tempPrefix.size() + kTempSuffix || name.substr(0, tempPrefix.size()) != tempPrefix)
            continue;
        const std::string full = folder + "/" + std::string(name);
        // A save in progress holds a lock on its temporary file; one whose
        // saver died holds none.
        const int fd = ::open(full.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        struct stat st;
        const bool stale = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime >= kTempGraceSeconds
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (stale && ::unlink(full.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(d);
    return removed;
}

} // namespace app
