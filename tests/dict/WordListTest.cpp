// The records the dictionary searches: how a plain word list becomes them,
// and what the built-in list must look like for a binary search to work.

#include <dict/TDictn.h>
#include <dict/WordList.h>
#include <dict/WordListBuilder.h>

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace
{

std::vector<std::string> words(const std::string& records)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i + dict::kRecordSize <= records.size(); i += dict::kRecordSize) {
        EXPECT_EQ(records[i], dict::kRecordMark);
        out.push_back(records.substr(i + 1, dict::kWordField));
    }
    return out;
}

TEST(WordListBuilder, SourceLines)
{
    struct Row {
        const char* fault;
        std::string line;
        bool kept;
    };
    const std::vector<Row> rows = {
        { "a plain word", "cat", true },
        { "two letters is the shortest", "at", true },
        { "one letter is too short", "a", false },
        { "fourteen letters fit the field", "abcdefghijklmn", true },
        { "fifteen letters do not", "abcdefghijklmno", false },
        { "proper names are left out", "Paris", false },
        { "possessives are left out", "cat's", false },
        { "accented letters are left out", "caf\xc3\xa9", false },
        { "blanks inside are left out", "ice cream", false },
        { "empty line", "", false },
    };
    for (const Row& r : rows)
        EXPECT_EQ(dict::acceptsSourceLine(r.line), r.kept) << r.fault;
}

TEST(WordListBuilder, RecordsAreUpperPaddedSortedAndUnique)
{
    std::istringstream source("cats\ncat\r\nzebra\nCat\ncat\nab\nx\n");
    const std::string records = dict::buildRecords(source);
    ASSERT_EQ(records.size() % dict::kRecordSize, 0u);
    EXPECT_EQ(words(records),
        (std::vector<std::string> { "AB            ", "CAT           ", "CATS          ", "ZEBRA         " }));
}

TEST(BuiltInWordList, IsWellFormedSortedAndUnique)
{
    const auto list = dict::builtInWordList();
    ASSERT_TRUE(dict::isRecordData(list));
    const std::size_t count = list.size() / dict::kRecordSize;
    EXPECT_GT(count, 100000u);
    for (std::size_t i = 1; i < count; ++i) {
        const auto* previous = list.data() + (i - 1) * dict::kRecordSize + 1;
        const auto* current = list.data() + i * dict::kRecordSize + 1;
        ASSERT_LT(std::memcmp(previous, current, dict::kWordField), 0) << "record " << i << " out of order";
    }
}

TEST(RecordData, Recognised)
{
    struct Row {
        const char* fault;
        std::string bytes;
        bool records;
    };
    const std::string one = std::string(1, dict::kRecordMark) + "CAT           ";
    const std::vector<Row> rows = {
        { "one good record", one, true },
        { "empty data is no list", "", false },
        { "a cut-off record", one + one.substr(0, 7), false },
        { "a record without its mark", one + " " + one.substr(1), false },
        { "plain text", "cat\ndog\nmouse\nhorse\n", false },
    };
    for (const Row& r : rows)
        EXPECT_EQ(
            dict::isRecordData({ reinterpret_cast<const unsigned char*>(r.bytes.data()), r.bytes.size() }), r.records)
            << r.fault;
}

} // namespace
