#include "IniFile.h"

#include "AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace app
{

namespace
{

constexpr std::size_t npos = static_cast<std::size_t>(-1);

std::string_view trim(std::string_view s)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool sameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string dirOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Where a save must land: the file a symbolic link points to, so the link (and
// whoever reads the file it names) keeps seeing our settings.
std::string resolveLinks(const std::string& path)
{
    std::string p = path;
    for (int hops = 0; hops < 16; ++hops) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), buf, sizeof buf - 1);
        if (n <= 0)
            return p;
        const std::string target(buf, static_cast<std::size_t>(n));
        p = target.front() == '/' ? target : dirOf(p) + "/" + target;
    }
    return p;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Temporary files of a save: this prefix and six characters from mkstemp.
constexpr std::string_view kTempPrefix = ".draviklobby.";

} // namespace

IniFile::Line IniFile::classify(std::string raw)
{
    Line line;
    const std::string_view t = trim(raw);
    if (!t.empty() && t.front() == '[') {
        const auto close = t.find(']');
        // "[zirky" without "]" is junk, not a section: a torn header must not
        // swallow the keys that follow into a section nobody asked for.
        if (close != std::string_view::npos) {
            line.kind = Kind::Section;
            line.name = std::string(trim(t.substr(1, close - 1)));
        }
    } else if (!t.empty() && t.front() != ';' && t.front() != '#') {
        const auto eq = t.find('=');
        if (eq != std::string_view::npos && eq > 0) {
            const std::string_view key = trim(t.substr(0, eq));
            if (!key.empty()) {
                line.kind = Kind::Key;
                line.name = std::string(key);
            }
        }
    }
    line.raw = std::move(raw);
    return line;
}

IniFile IniFile::parse(std::string_view text)
{
    IniFile ini;
    // Editors that save with a byte order mark must not hide the first section.
    if (text.substr(0, kBom.size()) == kBom) {
        ini.m_bom = true;
        text.remove_prefix(kBom.size());
    }
    if (text.empty())
        return ini;
    ini.m_finalNewline = text.back() == '\n';
    // Most lines decide, not the first: a stray carriage return on one line
    // must not turn a file of bare line feeds into one of CR LF on the next save.
    std::size_t feeds = 0, crlf = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++feeds;
            crlf += i > 0 && text[i - 1] == '\r' ? 1 : 0;
        }
    }
    ini.m_crlf = crlf * 2 > feeds;
    std::size_t start = 0;
    while (start < text.size()) {
        auto nl = text.find('\n', start);
        const bool last = nl == std::string_view::npos;
        if (last)
            nl = text.size();
        std::string_view raw = text.substr(start, nl - start);
        // The line ending is the file's; a carriage return in a file of bare
        // line feeds belongs to the line, or each save would eat one more.
        if (ini.m_crlf && !last && !raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        ini.m_lines.push_back(classify(std::string(raw)));
        start = nl + 1;
    }
    return ini;
}

IniFile::LoadResult IniFile::load(const std::string& path)
{
    *this = IniFile();
    removeStaleTemporaries(path);
    // Non-blocking: a named pipe in the file's place must not hang the game.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? LoadResult::Missing : LoadResult::Unreadable;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // A pipe, a device or a directory is nothing we may read or replace.
        ::close(fd);
        m_notRegular = true;
        return LoadResult::Unreadable;
    }
    std::string data;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return LoadResult::Unreadable;
        }
        if (n == 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
        if (data.size() > kMaxFileBytes) {
            ::close(fd);
            m_tooLarge = true;
            return LoadResult::TooLarge;
        }
    }
    ::close(fd);
    *this = parse(data);
    return LoadResult::Loaded;
}

std::size_t IniFile::removeStaleTemporaries(const std::string& linkPath)
{
    return app::removeStaleTemporaries(dirOf(resolveLinks(linkPath)), kTempPrefix);
}

std::size_t IniFile::findSection(std::string_view section) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == Kind::Section && sameText(m_lines[i].name, section))
            return i;
    return npos;
}

std::size_t IniFile::findKey(std::size_t sectionLine, std::string_view key) const
{
    for (std::size_t i = sectionLine + 1; i < m_lines.size() && m_lines[i].kind != Kind::Section; ++i)
        if (m_lines[i].kind == Kind::Key && sameText(m_lines[i].name, key))
            return i;
    return npos;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    const std::size_t s = findSection(section);
    if (s == npos)
        return std::nullopt;
    const std::size_t k = findKey(s, key);
    if (k == npos)
        return std::nullopt;
    const std::string_view raw = m_lines[k].raw;
    return std::string(trim(raw.substr(raw.find('=') + 1)));
}

void IniFile::set(std::string_view section, std::string_view key, std::string_view value)
{
    // A value must stay on its own line.
    std::string clean;
    for (char c : value)
        if (c != '\n' && c != '\r')
            clean.push_back(c);

    std::size_t s = findSection(section);
    if (s == npos) {
        if (!m_lines.empty() && !trim(m_lines.back().raw).empty())
            m_lines.push_back(classify(""));
        m_lines.push_back(classify("[" + std::string(section) + "]"));
        m_lines.push_back(classify(std::string(key) + "=" + clean));
        return;
    }
    const std::size_t k = findKey(s, key);
    if (k != npos) {
        m_lines[k] = classify(m_lines[k].name + "=" + clean);
        return;
    }
    // After the section's last key, so trailing blank lines and comments that
    // introduce the next section stay with it.
    std::size_t insertAt = s + 1;
    for (std::size_t i = s + 1; i < m_lines.size() && m_lines[i].kind != Kind::Section; ++i)
        if (m_lines[i].kind == Kind::Key)
            insertAt = i + 1;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), classify(std::string(key) + "=" + clean));
}

std::string IniFile::text() const
{
    std::string out = m_bom ? std::string(kBom) : std::string();
    const char* eol = m_crlf ? "\r\n" : "\n";
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        out += m_lines[i].raw;
        if (i + 1 < m_lines.size() || m_finalNewline)
            out += eol;
    }
    return out;
}

bool IniFile::save(const std::string& linkPath, std::string* error) const
{
    const std::string path = resolveLinks(linkPath);
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (m_tooLarge)
        return fail("the settings file is too large to rewrite safely");
    if (m_notRegular)
        return fail("the settings file is not a regular file");

    std::string why;
    if (!replaceFile(path, text(), kTempPrefix, &why))
        return fail("the settings file could not be saved: " + why);
    return true;
}

} // namespace app
