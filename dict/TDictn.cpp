#include "TDictn.h"

#include "WordFile.h"
#include "WordList.h"
#include "WordListBuilder.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dict
{

namespace
{

using Field = std::array<char, kWordField>;

// Zero bytes become blanks, surrounding blanks go, the rest is upper-cased
// and blank-padded. False when nothing is left or it cannot fit the field.
bool normalise(std::string_view text, Field& out)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    auto blank = [&](std::size_t i) { return text[i] == ' ' || text[i] == '\0'; };
    while (begin < end && blank(begin))
        ++begin;
    while (end > begin && blank(end - 1))
        --end;
    if (begin == end || end - begin > kWordField)
        return false;
    out.fill(' ');
    for (std::size_t i = begin; i < end; ++i) {
        char c = text[i] == '\0' ? ' ' : text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        out[i - begin] = c;
    }
    return true;
}

std::string joinPath(const std::string& directory, std::string_view name)
{
    std::string path = directory.empty() ? std::string(".") : directory;
    if (path.back() != '/')
        path += '/';
    path += name;
    return path;
}

bool writeAll(int fd, const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool isRecordData(std::span<const unsigned char> bytes)
{
    if (bytes.empty() || bytes.size() % kRecordSize != 0)
        return false;
    for (std::size_t i = 0; i < bytes.size(); i += kRecordSize)
        if (bytes[i] != static_cast<unsigned char>(kRecordMark))
            return false;
    return true;
}

TDictn::TDictn(std::string directory)
    : TDictn(std::move(directory), builtInWordList())
{
}

TDictn::TDictn(std::string directory, std::span<const unsigned char> builtIn)
    : m_path(joinPath(directory, kWordFileName))
{
    open(builtIn);
}

TDictn::TDictn(NamedFile file, std::span<const unsigned char> builtIn)
    : m_path(std::move(file.path))
{
    if (builtIn.empty())
        builtIn = builtInWordList();
    WordFile loaded = loadWordFile(m_path);
    if (!loaded.error.empty()) {
        m_error = std::move(loaded.error);
        return;
    }
    m_owned = std::move(loaded.records);
    m_memory = { reinterpret_cast<const unsigned char*>(m_owned.data()), m_owned.size() };
    m_lastIndex = static_cast<long>(m_owned.size() / kRecordSize) - 1;
    m_custom = m_owned.size() != builtIn.size() || std::memcmp(m_owned.data(), builtIn.data(), builtIn.size()) != 0;
    m_opened = true;
}

TDictn::~TDictn()
{
    if (m_fd < 0)
        return;
    struct stat mine {
    };
    const bool known = ::fstat(m_fd, &mine) == 0;
    ::close(m_fd);
    // Delete only the file this object wrote, and only if it is still that file.
    struct stat now {
    };
    if (m_created && known && ::stat(m_path.c_str(), &now) == 0 && now.st_dev == mine.st_dev
        && now.st_ino == mine.st_ino)
        ::unlink(m_path.c_str());
}

void TDictn::open(std::span<const unsigned char> builtIn)
{
    const bool usableBuiltIn = isRecordData(builtIn);
    struct stat st {
    };
    if (::stat(m_path.c_str(), &st) != 0 && errno == ENOENT && usableBuiltIn)
        writeFile(builtIn);
    if (openFile(builtIn))
        return;
    // A file we cannot read, or one that is not ours to trust, is left alone.
    if (usableBuiltIn) {
        m_memory = builtIn;
        m_lastIndex = static_cast<long>(builtIn.size() / kRecordSize) - 1;
        m_opened = true;
        return;
    }
    m_opened = false;
    m_error = std::string(kNotFoundMessage);
}

bool TDictn::writeFile(std::span<const unsigned char> builtIn)
{
    std::string temp = m_path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, builtIn.data(), builtIn.size()) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    // link() never replaces a file that appeared meanwhile, unlike rename().
    const bool placed = written && closed && ::link(temp.c_str(), m_path.c_str()) == 0;
    ::unlink(temp.c_str());
    m_created = placed;
    return placed;
}

bool TDictn::openFile(std::span<const unsigned char> builtIn)
{
    // Non-blocking: a named pipe in its place would otherwise wait for a writer forever.
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        m_created = false;
        return false;
    }
    struct stat st {
    };
    bool good = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0
        && static_cast<std::size_t>(st.st_size) % kRecordSize == 0;
    // A file that is not the built-in list (someone's own, or planted) is
    // used, but the players are told.
    bool same = good && static_cast<std::size_t>(st.st_size) == builtIn.size();
    if (good) {
        // Every record is checked: a few milliseconds once, against trusting a stranger's file.
        std::vector<unsigned char> chunk(kRecordSize * 4096);
        off_t offset = 0;
        while (good && offset < st.st_size) {
            const ssize_t n = ::pread(fd, chunk.data(), chunk.size(), offset);
            if (n <= 0 || static_cast<std::size_t>(n) % kRecordSize != 0) {
                good = false;
                break;
            }
            good = isRecordData({ chunk.data(), static_cast<std::size_t>(n) });
            same = same && std::memcmp(chunk.data(), builtIn.data() + offset, static_cast<std::size_t>(n)) == 0;
            offset += n;
        }
    }
    if (!good) {
        ::close(fd);
        if (m_created) {
            // Ours, yet unreadable: remove it rather than leave a broken file behind.
            ::unlink(m_path.c_str());
            m_created = false;
        }
        return false;
    }
    m_fd = fd;
    m_lastIndex = static_cast<long>(st.st_size / static_cast<off_t>(kRecordSize)) - 1;
    m_custom = !same;
    m_opened = true;
    return true;
}

bool TDictn::readRecord(long index, char* record) const
{
    ++m_probes;
    if (m_fd >= 0) {
        const off_t offset = static_cast<off_t>(index) * static_cast<off_t>(kRecordSize);
        ssize_t n;
        do
            n = ::pread(m_fd, record, kRecordSize, offset);
        while (n < 0 && errno == EINTR);
        return n == static_cast<ssize_t>(kRecordSize);
    }
    const std::size_t offset = static_cast<std::size_t>(index) * kRecordSize;
    if (offset + kRecordSize > m_memory.size())
        return false;
    std::memcpy(record, m_memory.data() + offset, kRecordSize);
    return true;
}

bool TDictn::Lookup(std::string_view word) const
{
    m_probes = 0;
    if (!m_opened)
        return false;
    Field key {};
    if (!normalise(word, key))
        return false;

    char record[kRecordSize];
    auto compareAt = [&](long index, int& order) {
        if (!readRecord(index, record))
            return false;
        Field value {};
        if (!normalise(std::string_view(record + 1, kWordField), value))
            value.fill(' ');
        order = std::memcmp(value.data(), key.data(), kWordField);
        return true;
    };

    long lo = 0;
    long hi = m_lastIndex;
    while (hi >= lo) {
        const long mid = lo + (hi - lo) / 2;
        int order = 0;
        if (!compareAt(mid, order))
            return false;
        if (order == 0) {
            // Settle on the first of equal records, as the list may repeat a word.
            long first = mid;
            int earlier = 0;
            while (first > 0 && compareAt(first - 1, earlier) && earlier == 0)
                --first;
            return true;
        }
        if (order < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return false;
}

} // namespace dict
