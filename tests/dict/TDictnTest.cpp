// TDictn: lookups over the file and in memory, and the rule that a file this
// object did not write is never trusted, overwritten or deleted.

#include <dict/TDictn.h>
#include <dict/WordListBuilder.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "zirky-dict-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempDir() { fs::remove_all(m_path); }
    const fs::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    fs::path english() const { return m_path / "English"; }

private:
    fs::path m_path;
};

std::string records(const std::string& plain)
{
    std::istringstream in(plain);
    return dict::buildRecords(in);
}

std::span<const unsigned char> bytes(const std::string& s)
{
    return { reinterpret_cast<const unsigned char*>(s.data()), s.size() };
}

void writeFile(const fs::path& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

const std::string kSmall = records("aardvark\nbat\ncat\ncats\ndog\nneedle\nneedles\nabcdefghijklmn\nzebra\nzymurgy\n");

struct LookupRow {
    const char* fault;
    std::string word;
    bool found;
};

const std::vector<LookupRow> kLookups = {
    { "upper case", "CAT", true },
    { "lower case finds the upper-case entry", "cat", true },
    { "mixed case", "cAtS", true },
    { "leading and trailing blanks are ignored", "  dog ", true },
    { "zero bytes count as blanks", std::string("dog\0\0", 5), true },
    { "the first word of the list", "aardvark", true },
    { "the last word of the list", "zymurgy", true },
    { "fourteen letters", "abcdefghijklmn", true },
    { "longer than fourteen is never found", "abcdefghijklmno", false },
    { "a prefix of a word is not the word", "ca", false },
    { "a word between two entries", "cow", false },
    { "before the first entry", "aa", false },
    { "after the last entry", "zzz", false },
    { "empty input", "", false },
    { "blanks only", "   ", false },
    { "a blank inside is part of the key", "ca t", false },
};

void expectLookups(const dict::TDictn& d, const char* mode)
{
    for (const LookupRow& r : kLookups)
        EXPECT_EQ(d.Lookup(r.word), r.found) << mode << ": " << r.fault;
}

TEST(TDictn, MakesTheFileSearchesItAndDeletesIt)
{
    TempDir dir;
    {
        dict::TDictn d(dir.str(), bytes(kSmall));
        EXPECT_TRUE(d.opened());
        EXPECT_TRUE(d.error().empty());
        EXPECT_TRUE(d.fileBacked());
        EXPECT_TRUE(d.createdFile());
        EXPECT_EQ(readFile(dir.english()), kSmall);
        expectLookups(d, "file");
        std::size_t entries = 0;
        for (const auto& e : fs::directory_iterator(dir.path())) {
            (void)e;
            ++entries;
        }
        EXPECT_EQ(entries, 1u) << "no temporary file is left beside the list";
    }
    EXPECT_FALSE(fs::exists(dir.english())) << "the file this object made goes with it";
}

TEST(TDictn, AnExistingGoodFileIsUsedAndKept)
{
    TempDir dir;
    const std::string theirs = records("cat\nemu\n");
    writeFile(dir.english(), theirs);
    {
        dict::TDictn d(dir.str(), bytes(kSmall));
        EXPECT_TRUE(d.fileBacked());
        EXPECT_FALSE(d.createdFile());
        EXPECT_TRUE(d.Lookup("emu")) << "the file on disk is what is searched";
        EXPECT_FALSE(d.Lookup("dog"));
    }
    EXPECT_EQ(readFile(dir.english()), theirs) << "a file this object did not make is not deleted";
}

TEST(TDictn, AMalformedFileIsLeftAloneAndTheBuiltInListAnswers)
{
    struct Row {
        const char* fault;
        std::string content;
    };
    const std::vector<Row> rows = {
        { "plain text", "cat\ndog\n" },
        { "cut-off last record", kSmall.substr(0, kSmall.size() - 3) },
        { "one record without its mark", "X" + kSmall.substr(1) },
        { "a mark missing in the middle", kSmall.substr(0, 45) + "#" + kSmall.substr(46) },
        { "empty file", "" },
    };
    for (const Row& r : rows) {
        TempDir dir;
        writeFile(dir.english(), r.content);
        {
            dict::TDictn d(dir.str(), bytes(kSmall));
            EXPECT_TRUE(d.opened()) << r.fault;
            EXPECT_FALSE(d.fileBacked()) << r.fault;
            EXPECT_FALSE(d.createdFile()) << r.fault;
            expectLookups(d, r.fault);
        }
        ASSERT_TRUE(fs::exists(dir.english())) << r.fault;
        EXPECT_EQ(readFile(dir.english()), r.content) << r.fault;
    }
}

TEST(TDictn, AnEnglishThatIsNotAPlainFileIsLeftAlone)
{
    struct Row {
        const char* fault;
        void (*make)(const fs::path& path);
    };
    const std::vector<Row> rows = {
        { "a directory is no word list", [](const fs::path& p) { fs::create_directory(p); } },
        // Opening a pipe for reading waits for a writer that never comes.
        { "a named pipe must not hang the host at start-up", [](const fs::path& p) { ::mkfifo(p.c_str(), 0600); } },
    };
    for (const Row& r : rows) {
        TempDir dir;
        r.make(dir.english());
        // In a child, so that a hang ends in the watchdog's signal instead of hanging the tests.
        EXPECT_EXIT(
            {
                ::alarm(30);
                dict::TDictn d(dir.str(), bytes(kSmall));
                const bool ok = d.opened() && !d.fileBacked() && !d.createdFile() && d.Lookup("zebra");
                std::exit(ok ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << r.fault;
        EXPECT_TRUE(fs::exists(dir.english())) << r.fault;
    }
}

TEST(TDictn, AnUnwritableDirectoryFallsBackToMemory)
{
    TempDir dir;
    dict::TDictn d((dir.path() / "missing" / "deeper").string(), bytes(kSmall));
    EXPECT_TRUE(d.opened());
    EXPECT_TRUE(d.error().empty());
    EXPECT_FALSE(d.fileBacked());
    expectLookups(d, "memory");
}

TEST(TDictn, AnExistingFolderNobodyMayWriteFallsBackToMemory)
{
    // /proc refuses new files even to root, like an installed game's folder does to a player.
    const std::string folder = "/proc";
    ASSERT_TRUE(fs::is_directory(folder));
    ASSERT_FALSE(fs::exists(fs::path(folder) / "English"));
    dict::TDictn d(folder, bytes(kSmall));
    EXPECT_TRUE(d.opened());
    EXPECT_TRUE(d.error().empty());
    EXPECT_FALSE(d.fileBacked());
    EXPECT_FALSE(d.createdFile());
    expectLookups(d, "memory");
    EXPECT_FALSE(fs::exists(fs::path(folder) / "English"));
}

TEST(TDictn, NoWordListAtAllReportsTheError)
{
    TempDir dir;
    dict::TDictn d(dir.str(), {});
    EXPECT_FALSE(d.opened());
    EXPECT_EQ(d.error(), "English.dic dictionary not found!");
    EXPECT_FALSE(d.Lookup("cat"));
    EXPECT_FALSE(fs::exists(dir.english()));
}

TEST(TDictn, RepeatedRecordsAreFoundAndTheSearchSettlesOnTheFirst)
{
    TempDir dir;
    const std::string one = std::string(1, dict::kRecordMark) + "CAT           ";
    const std::string list = records("ant\nbee\n") + one + one + one + records("dog\nemu\n");
    writeFile(dir.english(), list);
    dict::TDictn d(dir.str(), bytes(kSmall));
    ASSERT_TRUE(d.fileBacked());
    EXPECT_TRUE(d.Lookup("cat"));
    EXPECT_TRUE(d.Lookup("ant"));
    EXPECT_TRUE(d.Lookup("emu"));
    EXPECT_FALSE(d.Lookup("cow"));
}

TEST(TDictn, BuiltInListInATempDirectory)
{
    TempDir dir;
    {
        dict::TDictn d(dir.str());
        ASSERT_TRUE(d.opened());
        EXPECT_TRUE(d.createdFile());
        for (const char* w : { "cat", "CATS", "needle", "needles", "zebra", "aardvark" })
            EXPECT_TRUE(d.Lookup(w)) << w;
        for (const char* w : { "qzxv", "catss", "a", "antidisestablishmentarianism" })
            EXPECT_FALSE(d.Lookup(w)) << w;
        d.Lookup("zebra");
        EXPECT_GT(d.lastProbes(), 0);
        EXPECT_LE(d.lastProbes(), 20) << "a binary search over the list, not a scan";
    }
    EXPECT_FALSE(fs::exists(dir.english()));
}

} // namespace
