#pragma once
// An INI settings file that other programs share: reading keeps every line we
// do not own (sections, keys, comments, junk) exactly as it was, and writing
// replaces the file atomically so a crash mid-write never loses it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app
{

class IniFile
{
public:
    // Files above this size are not ours to rewrite: they are read as empty
    // and refuse to save, so a runaway file is never truncated by us.
    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

    enum class LoadResult { Loaded, Missing, TooLarge, Unreadable };

    // Any bytes parse; lines that are neither "[section]" nor "key=value" are kept verbatim.
    static IniFile parse(std::string_view text);
    // Reads only a regular file: anything else (a named pipe above all, which
    // would block) is Unreadable and never replaced by save. Temporary files
    // that an interrupted save left beside it are removed first.
    LoadResult load(const std::string& path);
    // Removes what saves killed half-way left in the settings file's folder
    // (files no running save holds); returns how many.
    static std::size_t removeStaleTemporaries(const std::string& path);

    // Section and key names compare case-insensitively (as private profile files do);
    // the first matching section and key win. The value is trimmed of blanks.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Replaces the first matching key's value in place, or appends the key at
    // the end of the section (after its last key), or appends the section.
    void set(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;

    // Writes beside the target and renames into place (app::replaceFile;
    // through symbolic links, which stay links). A new file is readable by its
    // owner only. False (with a reason) when the file could not be written;
    // the old file is then untouched.
    bool save(const std::string& path, std::string* error = nullptr) const;

    bool writable() const { return !m_tooLarge && !m_notRegular; }

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        Kind kind = Kind::Other;
        std::string raw; // the line as read, without its line ending
        std::string name; // section name or key name (trimmed)
    };
    // Index of the first line of the first section named `section`, or npos.
    std::size_t findSection(std::string_view section) const;
    std::size_t findKey(std::size_t sectionLine, std::string_view key) const;
    static Line classify(std::string raw);

    std::vector<Line> m_lines;
    bool m_crlf = false;
    bool m_finalNewline = true;
    bool m_bom = false; // a UTF-8 byte order mark before the first line, kept on write
    bool m_tooLarge = false;
    bool m_notRegular = false;
};

} // namespace app
