#include "app/IniFile.h"
#include "tests/MidWrite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeAll(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

class TempDir : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/zirky-ini-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/draviklobby.ini";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir, path;
};

using app::IniFile;

TEST(IniFileRead, ValuesFromHandWrittenFiles)
{
    struct Row {
        const char* fault;
        const char* text;
        const char* section;
        const char* key;
        const char* expected; // nullptr: no value
    };
    const Row rows[] = {
        { "plain key", "[zirky]\nTop=12\n", "zirky", "Top", "12" },
        { "section name case ignored", "[ZIRKY]\nTop=12\n", "zirky", "Top", "12" },
        { "key case ignored", "[zirky]\ntop=12\n", "zirky", "Top", "12" },
        { "blanks around key and value", "[zirky]\n  Top =  12  \n", "zirky", "Top", "12" },
        { "CRLF line ends", "[zirky]\r\nTop=12\r\n", "zirky", "Top", "12" },
        { "value keeps its own =", "[zirky]\nPhrase1=a=b\n", "zirky", "Phrase1", "a=b" },
        { "key of another section not taken", "[lobby]\nTop=7\n[zirky]\nLeft=1\n", "zirky", "Top", nullptr },
        { "first of duplicate keys wins", "[zirky]\nTop=1\nTop=2\n", "zirky", "Top", "1" },
        { "comment is not a key", "[zirky]\n;Top=9\n", "zirky", "Top", nullptr },
        { "torn header does not open a section", "[zirky\nTop=9\n", "zirky", "Top", nullptr },
        { "torn header keeps the previous section", "[zirky]\n[lobby\nTop=9\n", "zirky", "Top", "9" },
        { "empty value is a value", "[zirky]\nTop=\n", "zirky", "Top", "" },
        { "no final newline", "[zirky]\nTop=5", "zirky", "Top", "5" },
        { "binary junk around", "\x01\xff\xfe\n[zirky]\n\x7f\x02=\nTop=5\n\xff", "zirky", "Top", "5" },
        { "key line before any section", "Top=5\n[zirky]\n", "zirky", "Top", nullptr },
        { "byte order mark before the first section", "\xEF\xBB\xBF[zirky]\nTop=12\n", "zirky", "Top", "12" },
        { "byte order mark before the first key", "\xEF\xBB\xBF; notes\n[zirky]\nTop=12\n", "zirky", "Top", "12" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        const IniFile ini = IniFile::parse(r.text);
        const auto v = ini.value(r.section, r.key);
        if (r.expected == nullptr)
            EXPECT_FALSE(v.has_value());
        else
            EXPECT_EQ(v.value_or("<none>"), r.expected);
    }
}

TEST(IniFileRead, HugeLinesAndJunkDoNotBreakParsing)
{
    std::string text = "[zirky]\n" + std::string(1 << 20, 'x') + "\nTop=4\n" + std::string(5000, '[') + "\n";
    for (int c = 0; c < 256; ++c)
        text.push_back(static_cast<char>(c));
    const IniFile ini = IniFile::parse(text);
    EXPECT_EQ(ini.value("zirky", "Top").value_or(""), "4");
    // Compared without printing: a failure must not dump a megabyte.
    EXPECT_TRUE(ini.text() == text) << "every byte survives a read and write";
}

TEST(IniFileWrite, OnlyOurKeysChange)
{
    const std::string original = "; shared by the lobby\n"
                                 "[lobby]\n"
                                 "Name=Ann\n"
                                 "\n"
                                 "[zirky]\n"
                                 "Top=1\n"
                                 "Custom=keep me\n"
                                 "\n"
                                 "[other]\n"
                                 "Top=99\n";
    IniFile ini = IniFile::parse(original);
    ini.set("zirky", "Top", "50");
    ini.set("zirky", "Left", "60");
    EXPECT_EQ(ini.text(),
        "; shared by the lobby\n"
        "[lobby]\n"
        "Name=Ann\n"
        "\n"
        "[zirky]\n"
        "Top=50\n"
        "Custom=keep me\n"
        "Left=60\n"
        "\n"
        "[other]\n"
        "Top=99\n");
}

TEST(IniFileWrite, MissingSectionIsAppended)
{
    IniFile ini = IniFile::parse("[lobby]\r\nName=Ann\r\n");
    ini.set("zirky", "Top", "3");
    ini.set("zirky", "Left", "4");
    EXPECT_EQ(ini.text(), "[lobby]\r\nName=Ann\r\n\r\n[zirky]\r\nTop=3\r\nLeft=4\r\n")
        << "keys keep the order they were written in and the file keeps its line ends";
}

TEST(IniFileWrite, ByteOrderMarkStaysAndTheSectionIsNotDuplicated)
{
    IniFile ini = IniFile::parse("\xEF\xBB\xBF[zirky]\nTop=1\n");
    ini.set("zirky", "Top", "2");
    EXPECT_EQ(ini.text(), "\xEF\xBB\xBF[zirky]\nTop=2\n");
}

TEST(IniFileWrite, StrayCarriageReturnsSurviveEverySave)
{
    // Found by the settings fuzz target: each save ate one carriage return
    // from lines of a file with bare line feeds, so the file crept.
    for (const std::string& original : { std::string("[lobby]\nName=Ann\r\r\n[zirky]\nTop=1\nend\r"),
             std::string("[zirky]\r\nTop=1\r\nNote=x\r\r\nend\r"),
             std::string("[lobby]\r\nName=Ann\n[zirky]\nTop=1\n") }) {
        std::string text = original;
        for (int save = 0; save < 3; ++save) {
            IniFile ini = IniFile::parse(text);
            ini.set("zirky", "Top", "1");
            EXPECT_EQ(ini.text(), original) << "save " << save;
            EXPECT_EQ(ini.value("zirky", "Top"), "1");
            text = ini.text();
        }
    }
}

TEST(IniFileWrite, ValueCannotInjectLines)
{
    IniFile ini;
    ini.set("zirky", "Textcolor", "clRed\n[evil]\nTop=1");
    const IniFile back = IniFile::parse(ini.text());
    EXPECT_EQ(back.value("zirky", "Textcolor").value_or(""), "clRed[evil]Top=1");
    EXPECT_FALSE(back.value("evil", "Top").has_value());
}

TEST_F(TempDir, SaveReplacesTheFileAndLeavesNoTemporary)
{
    writeAll(path, "[lobby]\nName=Ann\n");
    IniFile ini;
    ASSERT_EQ(ini.load(path), IniFile::LoadResult::Loaded);
    ini.set("zirky", "Top", "8");
    std::string error;
    ASSERT_TRUE(ini.save(path, &error)) << error;
    EXPECT_EQ(readAll(path), "[lobby]\nName=Ann\n\n[zirky]\nTop=8\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 1) << "the temporary file must be renamed, not left behind";
}

TEST_F(TempDir, FailedSaveLeavesTargetAndNoTemporary)
{
    // The rename cannot replace a directory: the save must fail, say so, and clean up.
    std::filesystem::create_directory(path);
    writeAll(path + "/inside", "keep");
    IniFile ini = IniFile::parse("[zirky]\nTop=2\n");
    std::string error;
    EXPECT_FALSE(ini.save(path, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readAll(path + "/inside"), "keep");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 1) << "the temporary file must not be left behind";
}

TEST_F(TempDir, SaveThroughASymlinkUpdatesTheLinkedFile)
{
    // A player who keeps one settings file for the lobby and the game links it here.
    const std::string real = dir + "/shared.ini";
    writeAll(real, "[lobby]\nName=Ann\n");
    std::filesystem::create_symlink("shared.ini", path);
    IniFile ini;
    ASSERT_EQ(ini.load(path), IniFile::LoadResult::Loaded);
    ini.set("zirky", "Top", "8");
    std::string error;
    ASSERT_TRUE(ini.save(path, &error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(path)) << "the link must stay a link";
    EXPECT_EQ(readAll(real), "[lobby]\nName=Ann\n\n[zirky]\nTop=8\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 2) << "no temporary file left behind";
}

TEST_F(TempDir, MissingFileLoadsEmptyAndOversizedFileIsNeverRewritten)
{
    IniFile ini;
    EXPECT_EQ(ini.load(path), IniFile::LoadResult::Missing);
    EXPECT_FALSE(ini.value("zirky", "Top").has_value());

    const std::string big = "[zirky]\nTop=5\n" + std::string(IniFile::kMaxFileBytes, ';');
    writeAll(path, big);
    EXPECT_EQ(ini.load(path), IniFile::LoadResult::TooLarge);
    EXPECT_FALSE(ini.value("zirky", "Top").has_value());
    ini.set("zirky", "Top", "9");
    EXPECT_FALSE(ini.save(path));
    EXPECT_EQ(std::filesystem::file_size(path), big.size());
}

std::vector<std::string> namesIn(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void makeOld(const std::string& path)
{
    const timespec times[2] = { { 1000000000, 0 }, { 1000000000, 0 } };
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

TEST_F(TempDir, SavesKilledHalfWayLeaveNothingBehindAfterTheNextLoad)
{
    writeAll(path, "[zirky]\nTop=1\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        IniFile ini = IniFile::parse("[zirky]\nTop=1\n");
        for (int i = 0;; ++i) {
            ini.set("zirky", "Top", std::to_string(i));
            ini.save(path);
        }
    }
    // Killed while it holds its temporary file open: in the middle of a save.
    const bool caught = midwrite::stopWhileWriting(child, dir);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(caught) << "the child was never caught saving";
    ASSERT_EQ(namesIn(dir).size(), 2u) << "the kill left its temporary file beside the settings";
    // And what a kill before this one could have left too.
    writeAll(dir + "/.draviklobby.Ab12Cd", "[zirky]\nTop=half");
    for (const std::string& name : namesIn(dir))
        if (name != "draviklobby.ini")
            makeOld(dir + "/" + name);

    IniFile ini;
    ASSERT_EQ(ini.load(path), IniFile::LoadResult::Loaded);
    EXPECT_TRUE(ini.value("zirky", "Top").has_value()) << "the settings file itself survives whole";
    EXPECT_EQ(namesIn(dir), std::vector<std::string> { "draviklobby.ini" });
}

TEST_F(TempDir, CleanUpSparesSavesInProgressAndOtherFiles)
{
    writeAll(path, "[zirky]\nTop=1\n");
    struct Row {
        const char* fault;
        std::string name;
        bool old;
        bool locked; // a save in progress holds it
        bool kept;
    };
    const std::vector<Row> rows = {
        { "a stale temporary is kept", ".draviklobby.x1Y2z3", true, false, false },
        { "a save in progress loses its temporary", ".draviklobby.q9W8e7", true, true, true },
        { "a temporary created this instant is taken", ".draviklobby.n0W0n0", false, false, true },
        { "another program's file is taken", ".draviklobby.backup.old", true, false, true },
        { "the lobby's own file is taken", "lobby.ini", true, false, true },
    };
    std::vector<int> locks;
    for (const Row& r : rows) {
        writeAll(dir + "/" + r.name, "x");
        if (r.old)
            makeOld(dir + "/" + r.name);
        if (r.locked) {
            const int fd = ::open((dir + "/" + r.name).c_str(), O_RDONLY);
            ASSERT_EQ(::flock(fd, LOCK_EX), 0);
            locks.push_back(fd);
        }
    }
    EXPECT_EQ(IniFile::removeStaleTemporaries(path), 1u);
    for (const Row& r : rows)
        EXPECT_EQ(std::filesystem::exists(dir + "/" + r.name), r.kept) << r.fault;
    for (int fd : locks)
        ::close(fd);
}

TEST_F(TempDir, ANamedPipeIsNeitherWaitedForNorReplaced)
{
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    IniFile ini;
    // Without a writer a blocking open of the pipe would never return.
    EXPECT_EQ(ini.load(path), IniFile::LoadResult::Unreadable);
    ini.set("zirky", "Top", "3");
    std::string error;
    EXPECT_FALSE(ini.save(path, &error));
    EXPECT_FALSE(error.empty());
    struct stat st;
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

} // namespace

TEST_F(TempDir, ANewFileIsItsOwnersAloneAndAReplacedOneKeepsItsPermissions)
{
    struct Row {
        const char* fault;
        std::optional<mode_t> before; // nothing: no file yet
        mode_t after;
    };
    const Row rows[] = {
        { "a new settings file readable by everyone", std::nullopt, 0600 },
        { "a file the player shared with a group taken from it", 0640, 0640 },
        { "a file the player made public made private", 0644, 0644 },
    };
    for (const Row& r : rows) {
        std::filesystem::remove(path);
        if (r.before) {
            writeAll(path, "[lobby]\n");
            ASSERT_EQ(::chmod(path.c_str(), *r.before), 0);
        }
        std::string error;
        ASSERT_TRUE(IniFile::parse("[zirky]\nTop=2\n").save(path, &error)) << error;
        struct stat st;
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, r.after) << r.fault;
    }
}
