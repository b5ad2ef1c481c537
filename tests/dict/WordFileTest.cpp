// A word list named by the operator, and telling a custom list from the built-in one.

#include <dict/TDictn.h>
#include <dict/WordFile.h>
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

struct TempDir {
    fs::path path;
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "zirky-words-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~TempDir() { fs::remove_all(path); }
    std::string write(const std::string& name, const std::string& content) const
    {
        std::ofstream(path / name, std::ios::binary) << content;
        return (path / name).string();
    }
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

const std::string kBuiltIn = records("cat\ndog\nemu\n");

TEST(WordFile, WhatIsRefusedAndWhy)
{
    struct Row {
        const char* fault;
        std::string content; // written to "list"; "(missing)" and "(folder)" stand for no file
        std::string says;
    };
    const std::string good = records("cat\ndog\n");
    const Row rows[] = {
        { "a missing file", "(missing)", "list: No such file or directory" },
        { "a folder", "(folder)", "list: not a regular file" },
        { "an empty file", "", "list: empty" },
        { "blank lines only", "\n  \n\r\n", "list: no words in it" },
        { "a line with a digit, named by its number", "cat\n\nd0g\n", "list: line 3 is not a word of 2 to 14" },
        { "a word of one letter", "a\n", "list: line 1 is not a word" },
        { "a word of fifteen letters", "abcdefghijklmno\n", "list: line 1 is not a word" },
        { "two words on a line", "cat dog\n", "list: line 1 is not a word" },
        { "a cut-off record file", good.substr(0, good.size() - 1), "whole number of 15-byte records" },
        { "a record without its mark", good.substr(0, 15) + "#" + good.substr(16), "record 2 is no word" },
        { "a record holding no word", good + "\x1E" + std::string(14, ' '), "record 3 is no word" },
        { "a record in lower case",
            "\x1E"
            "cat"
                + std::string(11, ' '),
            "record 1 is no word" },
    };
    for (const Row& r : rows) {
        TempDir dir;
        std::string path = (dir.path / "list").string();
        if (r.content == "(folder)")
            fs::create_directory(path);
        else if (r.content != "(missing)")
            dir.write("list", r.content);
        const dict::WordFile loaded = dict::loadWordFile(path);
        EXPECT_TRUE(loaded.records.empty()) << r.fault;
        EXPECT_NE(loaded.error.find(r.says), std::string::npos) << r.fault << ": " << loaded.error;
        EXPECT_EQ(loaded.error.rfind(path, 0), 0u) << r.fault << ": the error names the file";
        const dict::TDictn d(dict::TDictn::NamedFile { path }, bytes(kBuiltIn));
        EXPECT_FALSE(d.opened()) << r.fault;
        EXPECT_EQ(d.error(), loaded.error) << r.fault;
        EXPECT_FALSE(d.Lookup("cat")) << r.fault;
    }
}

TEST(WordFile, TextAndRecordListsAreReadInAnyOrderAndCase)
{
    struct Row {
        const char* fault;
        std::string content;
        std::size_t words;
    };
    const Row rows[] = {
        { "plain text, mixed case, Windows line ends, blanks and repeats", "Zebra\r\n\n  cat \nDOG\ncat\nemu", 4 },
        { "records out of order", records("zebra\n") + records("cat\ndog\n"), 3 },
    };
    for (const Row& r : rows) {
        TempDir dir;
        const std::string path = dir.write("list", r.content);
        const dict::TDictn d(dict::TDictn::NamedFile { path }, bytes(kBuiltIn));
        ASSERT_TRUE(d.opened()) << r.fault << ": " << d.error();
        EXPECT_EQ(d.wordCount(), r.words) << r.fault;
        for (const char* word : { "cat", "DOG", "zebra" })
            EXPECT_TRUE(d.Lookup(word)) << r.fault << ": " << word;
        EXPECT_FALSE(d.Lookup("cow")) << r.fault;
        EXPECT_TRUE(d.custom()) << r.fault;
        EXPECT_FALSE(d.fileBacked()) << r.fault;
        EXPECT_FALSE(d.createdFile()) << r.fault << ": a named list is never deleted";
    }
}

TEST(WordFile, ACustomListIsToldFromTheBuiltInOne)
{
    struct Row {
        const char* fault;
        std::string english; // the "English" found in the working folder; "(none)": none
        bool custom;
    };
    const Row rows[] = {
        { "the list this host wrote itself", "(none)", false },
        { "an English left by another host, same words", kBuiltIn, false },
        { "a planted English with one word more", records("cat\ndog\nemu\noei\n"), true },
        { "a planted English of the same size", records("cat\ndog\nemz\n"), true },
        { "a malformed English: the built-in list answers", "garbage", false },
    };
    for (const Row& r : rows) {
        TempDir dir;
        if (r.english != "(none)")
            dir.write("English", r.english);
        const dict::TDictn d(dir.path.string(), bytes(kBuiltIn));
        ASSERT_TRUE(d.opened()) << r.fault;
        EXPECT_EQ(d.custom(), r.custom) << r.fault;
        EXPECT_EQ(d.wordCount(), r.custom ? r.english.size() / dict::kRecordSize : 3u) << r.fault;
    }
    // Named explicitly, the built-in words are no custom list either.
    TempDir dir;
    const dict::TDictn named(dict::TDictn::NamedFile { dir.write("mine", "emu\ndog\ncat\n") }, bytes(kBuiltIn));
    EXPECT_FALSE(named.custom());
}

} // namespace
