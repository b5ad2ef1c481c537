#include "WordFile.h"

#include "WordListBuilder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace dict
{

namespace
{

WordFile failed(const std::string& path, const std::string& why) { return { {}, path + ": " + why }; }

std::string recordsOf(const std::string& lowerCaseLines)
{
    std::istringstream in(lowerCaseLines);
    return buildRecords(in);
}

// Record files must hold upper-case words, blank-padded; they are sorted
// here, as lookups need, whatever order they came in.
WordFile fromRecords(const std::string& path, const std::string& bytes)
{
    if (bytes.size() % kRecordSize != 0)
        return failed(path,
            "not a word list: its size is not a whole number of " + std::to_string(kRecordSize) + "-byte records");
    std::string lines;
    lines.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); i += kRecordSize) {
        const std::string_view field(bytes.data() + i + 1, kWordField);
        const auto end = field.find_last_not_of(' ');
        const std::string_view word = field.substr(0, end == std::string_view::npos ? 0 : end + 1);
        const bool good = bytes[i] == kRecordMark && word.size() >= kMinWord
            && std::all_of(word.begin(), word.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
        if (!good)
            return failed(path, "not a word list: record " + std::to_string(i / kRecordSize + 1) + " is no word");
        for (char c : word)
            lines.push_back(static_cast<char>(c - 'A' + 'a'));
        lines.push_back('\n');
    }
    return { recordsOf(lines), {} };
}

WordFile fromText(const std::string& path, const std::string& bytes)
{
    std::string lowered;
    lowered.reserve(bytes.size());
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        ++lineNumber;
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        line.erase(0, line.find_first_not_of(" \t"));
        if (line.empty())
            continue;
        for (char& c : line)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        if (!acceptsSourceLine(line)) {
            const std::string shown = line.size() > 40 ? line.substr(0, 40) + "..." : line;
            return failed(path,
                "line " + std::to_string(lineNumber) + " is not a word of " + std::to_string(kMinWord) + " to "
                    + std::to_string(kWordField) + " letters a-z: '" + shown + "'");
        }
        lowered += line;
        lowered += '\n';
    }
    if (lowered.empty())
        return failed(path, "no words in it (one word a line)");
    return { recordsOf(lowered), {} };
}

} // namespace

WordFile loadWordFile(const std::string& path)
{
    // Non-blocking: a named pipe in its place would otherwise wait for a writer forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failed(path, std::strerror(errno));
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed(path, "not a regular file");
    }
    if (static_cast<std::size_t>(st.st_size) > kMaxWordFileBytes) {
        ::close(fd);
        return failed(path, "too large for a word list (more than 64 MiB)");
    }
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return failed(path, std::strerror(error));
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    if (bytes.empty())
        return failed(path, "empty");
    return bytes.front() == kRecordMark ? fromRecords(path, bytes) : fromText(path, bytes);
}

} // namespace dict
