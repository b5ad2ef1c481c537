// The marks beside the word list: how common each word is and which are
// offensive, built from Debian's nested lists and a published offensive list.

#include <dict/WordList.h>
#include <dict/WordListBuilder.h>
#include <dict/WordMarks.h>

#include <gtest/gtest.h>

#include <sstream>

namespace
{

using dict::Rarity;
using dict::WordMark;

std::span<const unsigned char> bytes(const std::string& s)
{
    return { reinterpret_cast<const unsigned char*>(s.data()), s.size() };
}

TEST(WordMarks, BuiltFromTheLevelListsAndTheOffensiveList)
{
    std::istringstream huge("cat\ncats\nfeline\nfelid\nslur\nslurs\nslures\nslurry\nboxes\nbox\nzebra\n");
    const std::string records = dict::buildRecords(huge);
    dict::MarkSources sources;
    sources.common = { "cat", "box" };
    sources.uncommon = { "cat", "box", "feline", "cats" };
    sources.offensive = { "slur", "box" };
    const std::string marks = dict::buildMarks(records, sources);
    // Eleven records, two a byte: the last byte holds one.
    ASSERT_EQ(marks.size(), 6u);
    struct Row {
        const char* fault;
        std::string word;
        WordMark mark;
    } rows[] = {
        { "a word of the common list is common", "CAT", { Rarity::Common, false } },
        { "a word of the large list only is uncommon", "FELINE", { Rarity::Uncommon, false } },
        { "a plural the common list lacks is as rare as its list says", "CATS", { Rarity::Uncommon, false } },
        { "a word of neither is rare", "FELID", { Rarity::Rare, false } },
        { "a listed word is offensive", "SLUR", { Rarity::Rare, true } },
        { "its plural with S is offensive", "SLURS", { Rarity::Rare, true } },
        { "its plural with ES is offensive", "SLURES", { Rarity::Rare, true } },
        { "a longer word that merely starts with it is not", "SLURRY", { Rarity::Rare, false } },
        { "a common word can be offensive", "BOX", { Rarity::Common, true } },
        { "the last record of an odd count keeps its mark", "ZEBRA", { Rarity::Rare, false } },
    };
    for (const auto& row : rows) {
        std::size_t index = 0;
        while (index * dict::kRecordSize < records.size()
            && records.substr(index * dict::kRecordSize + 1, row.word.size() + 1) != row.word + " ")
            ++index;
        ASSERT_LT(index * dict::kRecordSize, records.size()) << row.word;
        EXPECT_EQ(dict::markAt(bytes(marks), index), row.mark) << row.fault;
    }
    EXPECT_EQ(dict::markAt(bytes(marks), 11), WordMark {}) << "past the marks a word is common and inoffensive";
    EXPECT_EQ(dict::markAt({}, 0), (WordMark { Rarity::Common, false }));

    // Without the level lists nothing is known to be rare.
    const std::string unlevelled = dict::buildMarks(records, {});
    for (std::size_t i = 0; i < records.size() / dict::kRecordSize; ++i)
        EXPECT_EQ(dict::markAt(bytes(unlevelled), i), WordMark {}) << i;
}

TEST(WordMarks, StringArrays)
{
    using Strings = std::vector<std::string>;
    struct Row {
        const char* fault;
        std::string json;
        std::optional<Strings> strings;
    } rows[] = {
        { "a plain list", "[\n  \"anal\",\n  \"2 girls\"\n]\n", Strings { "anal", "2 girls" } },
        { "an empty list", " [ ] ", Strings {} },
        { "escapes", R"(["a\"b", "c\\d", "e\/f", "\u00e9", "\ud83d"])",
            Strings { "a\"b", "c\\d", "e/f", "\xc3\xa9", "\xef\xbf\xbd" } },
        { "raw UTF-8 passes through", "[\"\xf0\x9f\x96\x95\"]", Strings { "\xf0\x9f\x96\x95" } },
        { "not an array", "{\"a\": 1}", std::nullopt },
        { "a number in the array", "[\"a\", 1]", std::nullopt },
        { "an unterminated string", "[\"abc", std::nullopt },
        { "an unterminated array", "[\"abc\"", std::nullopt },
        { "a trailing comma", "[\"abc\",]", std::nullopt },
        { "text after the array", "[\"abc\"] x", std::nullopt },
        { "a bad escape", R"(["\q"])", std::nullopt },
        { "a cut-off unicode escape", R"(["\u00"])", std::nullopt },
        { "a control character inside a string", "[\"a\nb\"]", std::nullopt },
        { "a backslash at the very end", "[\"\\", std::nullopt },
        { "empty text", "", std::nullopt },
    };
    for (const auto& row : rows)
        EXPECT_EQ(dict::parseStringArray(row.json), row.strings) << row.fault;
}

TEST(BuiltInWordMarks, OneMarkPerWordAndTheKnownWordsMarked)
{
    EXPECT_EQ(dict::builtInWordMarks().size(), (dict::builtInWordList().size() / dict::kRecordSize + 1) / 2);
    struct Row {
        const char* word;
        std::optional<WordMark> mark;
    } rows[] = {
        { "CAT", WordMark { Rarity::Common, false } },
        { "quake", WordMark { Rarity::Common, false } },
        { "HYENAS", WordMark { Rarity::Common, false } },
        { "BAROSCOPE", WordMark { Rarity::Uncommon, false } },
        { "UPO", WordMark { Rarity::Rare, false } },
        { "EUOI", WordMark { Rarity::Rare, false } },
        { "ALEHOOF", WordMark { Rarity::Rare, false } },
        { "NIGGER", WordMark { Rarity::Common, true } },
        { "NIGGERS", WordMark { Rarity::Common, true } },
        { "FUCKER", WordMark { Rarity::Common, true } },
        { "NIGGARDLY", WordMark { Rarity::Common, false } },
        { "SCUNTHORPE", std::nullopt },
        { "ZZZQ", std::nullopt },
        { "", std::nullopt },
        { "CATCATCATCATCAT", std::nullopt },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(dict::builtInMarkOf(row.word), row.mark) << row.word;
        EXPECT_EQ(dict::isOffensive(row.word), row.mark && row.mark->offensive) << row.word;
    }
}

} // namespace
