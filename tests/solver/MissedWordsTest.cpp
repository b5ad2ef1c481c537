#include <solver/MissedWords.h>

#include <dict/WordListBuilder.h>

#include <gtest/gtest.h>

#include <sstream>

namespace
{

std::vector<std::string> wordsOf(const std::vector<solver::MissedWord>& missed)
{
    std::vector<std::string> out;
    for (const auto& m : missed)
        out.push_back(m.word + "/" + std::to_string(m.length));
    return out;
}

TEST(MissedWords, MostValuableFirstLeavingOutWhatWasPlayed)
{
    std::istringstream list("act\ncat\ncast\ncats\nscat\ntacts\ncasts\nat\n");
    const std::string records = dict::buildRecords(list);
    const solver::WordFinder finder({ reinterpret_cast<const unsigned char*>(records.data()), records.size() });
    struct Row {
        const char* name;
        std::vector<std::string> played;
        bool zirked;
        int count;
        std::vector<std::string> missed;
    } rows[] = {
        { "nothing played: longest first, then alphabetical", {}, false, 10,
            { "TACTS/5", "CAST/4", "CATS/4", "SCAT/4", "ACT/3", "CAT/3" } },
        { "played words are not missed", { "CATS", "ACT" }, false, 10, { "TACTS/5", "CAST/4", "SCAT/4", "CAT/3" } },
        { "a Zirked player is not shown three-letter words", {}, true, 10,
            { "TACTS/5", "CAST/4", "CATS/4", "SCAT/4" } },
        { "only as many as asked for", {}, false, 2, { "TACTS/5", "CAST/4" } },
        { "nothing asked for", {}, false, 0, {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(wordsOf(solver::missedWords(finder, "TACTS", row.played, row.zirked, row.count)), row.missed);
    }
}

} // namespace
