#pragma once
// Is this word in the word list? Answered by binary search over the 15-byte
// records of the file "English", one record read per probe.

#include <span>
#include <string>
#include <string_view>

namespace dict
{

inline constexpr std::string_view kWordFileName = "English";
inline constexpr std::string_view kNotFoundMessage = "English.dic dictionary not found!";

class TDictn
{
public:
    // Opens "English" in `directory`, making it from the built-in list when missing.
    // Where no file can be made (a folder the player may not write), the built-in
    // list is searched in place: it is already mapped with the program, so this
    // costs no memory and leaves no file anywhere.
    explicit TDictn(std::string directory = ".");
    // The same with another built-in list (tests; an empty span means none).
    TDictn(std::string directory, std::span<const unsigned char> builtIn);
    // The word list the operator named (see WordFile.h), read into memory.
    // Nothing is made in its place when it is missing: error() says what is wrong.
    struct NamedFile {
        std::string path;
    };
    explicit TDictn(NamedFile file, std::span<const unsigned char> builtIn = {});
    ~TDictn();
    TDictn(const TDictn&) = delete;
    TDictn& operator=(const TDictn&) = delete;

    // Case and surrounding blanks do not matter; longer than 14 letters is never found.
    bool Lookup(std::string_view word) const;

    // Some word list is available (the file, or the built-in list in memory).
    bool opened() const { return m_opened; }
    // Empty, or kNotFoundMessage when no word list is available at all.
    const std::string& error() const { return m_error; }
    // Records read by the last Lookup.
    int lastProbes() const { return m_probes; }
    // Lookups read the file (rather than the built-in list in memory).
    bool fileBacked() const { return m_fd >= 0; }
    // This object wrote "English" and will delete it.
    bool createdFile() const { return m_created; }
    // Words in the list in use (records, counting any repeats).
    std::size_t wordCount() const { return m_opened ? static_cast<std::size_t>(m_lastIndex + 1) : 0; }
    // The list in use is not the built-in one: players ought to know.
    bool custom() const { return m_custom; }
    const std::string& path() const { return m_path; }

private:
    void open(std::span<const unsigned char> builtIn);
    bool writeFile(std::span<const unsigned char> builtIn);
    bool openFile(std::span<const unsigned char> builtIn);
    bool readRecord(long index, char* record) const;

    std::string m_path;
    int m_fd = -1;
    std::span<const unsigned char> m_memory;
    std::string m_owned; // a named list, read whole
    bool m_custom = false;
    bool m_opened = false;
    bool m_created = false;
    long m_lastIndex = -1;
    std::string m_error;
    mutable int m_probes = 0;
};

// Whether `bytes` look like a record file: a whole number of records, each
// starting with the record mark.
bool isRecordData(std::span<const unsigned char> bytes);

} // namespace dict
