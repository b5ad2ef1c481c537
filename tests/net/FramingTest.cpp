#include "net/Framing.h"
#include "net/Commands.h"
#include "net/Dispatcher.h"
#include "net/Fields.h"
#include "net/Text.h"

#include <gtest/gtest.h>

using namespace net;

namespace
{
std::vector<std::string> feedAll(Framer& f, std::string_view bytes)
{
    std::vector<std::string> out;
    EXPECT_EQ(f.feed(bytes, out), Framer::Status::Ok);
    return out;
}
} // namespace

TEST(Framing, MessageLayoutAlwaysHasPlusAfterCommand)
{
    EXPECT_EQ(msg::turnend(), std::string("CMD_turnend+\xFF"));
    EXPECT_EQ(msg::setdiceRelay(0, 7), std::string("CMD_setdice+0+7\xFF"));
    EXPECT_EQ(msg::kickhim(1, 4), std::string("CMD_kickhim+1+4+\xFF"));
    EXPECT_EQ(
        msg::rejected("CAT", "+ Rejected. Word Exists"), std::string("CMD_rejected+CAT+ Rejected. Word Exists\xFF"));
}

TEST(Framing, EveryMessageCutAtEveryByteArrivesWhole)
{
    const std::string a = msg::chat(3, "hello + goodbye");
    const std::string b = msg::thedice(2, kDiceTen, { 'W', 'A', 'K', 'E', 'N', 'Y', 'R', 'O', 'R', 'V' });
    const std::string stream = a + b;
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        Framer f;
        auto out = feedAll(f, std::string_view(stream).substr(0, cut));
        auto more = feedAll(f, std::string_view(stream).substr(cut));
        out.insert(out.end(), more.begin(), more.end());
        ASSERT_EQ(out.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(out[0] + '\xFF', a);
        EXPECT_EQ(out[1] + '\xFF', b);
        EXPECT_EQ(f.pending(), 0u);
    }
}

TEST(Framing, EdgeCasesOfTheTerminator)
{
    Framer f;
    // Two terminators in a row give an empty message; three in one read stay in order.
    auto out = feedAll(f,
        "CMD_a+\xFF\xFF"
        "CMD_b+1\xFF"
        "CMD_c+\xFF");
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], "CMD_a+");
    EXPECT_EQ(out[1], "");
    EXPECT_EQ(out[2], "CMD_b+1");
    EXPECT_EQ(out[3], "CMD_c+");
}

TEST(Framing, OversizedUnterminatedStreamIsAViolation)
{
    Framer f;
    std::vector<std::string> out;
    const std::string chunk(kMaxPendingBytes / 4, 'x');
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(f.feed(chunk, out), Framer::Status::Ok);
    EXPECT_EQ(f.feed("y", out), Framer::Status::Overflow);
    EXPECT_EQ(f.pending(), 0u);
    EXPECT_TRUE(out.empty());
}

TEST(Framing, OverlongMessageIsAViolationHoweverTcpSplitsIt)
{
    const std::string overlong = std::string(kMaxPendingBytes + 1, 'x') + '\xFF';
    for (std::size_t firstRead : { std::size_t { 0 }, std::size_t { 10 }, kMaxPendingBytes }) {
        Framer f;
        std::vector<std::string> out;
        auto status = f.feed(std::string_view(overlong).substr(0, firstRead), out);
        if (status == Framer::Status::Ok)
            status = f.feed(std::string_view(overlong).substr(firstRead), out);
        EXPECT_EQ(status, Framer::Status::Overflow) << "first read " << firstRead;
        EXPECT_TRUE(out.empty());
    }
    // Exactly at the cap is still a message.
    Framer f;
    std::vector<std::string> out;
    EXPECT_EQ(f.feed(std::string(kMaxPendingBytes, 'x') + '\xFF', out), Framer::Status::Ok);
    EXPECT_EQ(out.size(), 1u);
}

TEST(Dispatch, CommandMatchingIsExactAndOrdered)
{
    Dispatcher<int> d;
    std::vector<std::string> calls;
    d.add("CMD_turnend",
        [&](std::string_view rest, int seat) { calls.push_back("a" + std::to_string(seat) + std::string(rest)); });
    d.add("CMD_turnend", [&](std::string_view rest, int) { calls.push_back("b" + std::string(rest)); });
    EXPECT_FALSE(d.dispatch("CMD_turnend", 1)); // no "+": empty command
    EXPECT_FALSE(d.dispatch("cmd_turnend+", 1)); // case-sensitive
    EXPECT_FALSE(d.dispatch("", 1));
    EXPECT_FALSE(d.dispatch("+x", 1));
    EXPECT_TRUE(d.dispatch("CMD_turnend+x+y", 2));
    EXPECT_EQ(calls, (std::vector<std::string> { "a2x+y", "bx+y" }));
}

TEST(Fields, StrictIntegersAndRestFields)
{
    EXPECT_EQ(parseInt("42"), 42);
    EXPECT_EQ(parseInt("-500"), -500);
    EXPECT_EQ(parseInt("+7"), 7);
    EXPECT_EQ(parseInt("-2147483648"), -2147483648LL);
    for (const char* bad : { "", "-", "+", " 1", "1 ", "1x", "0x10", "2147483648", "--1", "99999999999999999999" })
        EXPECT_FALSE(parseInt(bad).has_value()) << bad;
    EXPECT_EQ(fieldsAfter("3+Ann chats: a+b", 1), "Ann chats: a+b");
    EXPECT_EQ(fieldsAfter("3", 1), "");
    EXPECT_EQ(fieldAt("1+2+", 2), "");
    EXPECT_FALSE(fieldAt("1+2", 2).has_value());
    EXPECT_EQ(splitFields("a+b+").size(), 3u);
}

TEST(Text, FieldsAreCleanedAndBadUtf8ReadsAsLatin1)
{
    EXPECT_EQ(cleanField("a+b\r\n\xFF"
                         "c"),
        "abc");
    EXPECT_EQ(cleanField("a+b\xFF", true), "a+b");
    // A name cannot inject a second field or message.
    EXPECT_EQ(msg::newplayerinfo(2,
                  "Bo\xFF"
                  "CMD_full+"),
        std::string("CMD_newplayerinfo+2+BoCMD_full+\xFF"));
    EXPECT_EQ(toUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(toUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_FALSE(isValidUtf8("\xC0\x80")); // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80")); // surrogate
}

TEST(ReceiveQueue, DroppingAConnectionKeepsEveryoneElseInOrder)
{
    struct Row {
        const char* fault;
        std::vector<std::pair<int, std::string>> pushed;
        int dropped;
        std::vector<std::pair<int, std::string>> left;
    };
    const Row rows[] = {
        { "other seats lost with the dropped one", { { 1, "a" }, { 2, "b" }, { 1, "c" }, { 3, "d" } }, 1,
            { { 2, "b" }, { 3, "d" } } },
        { "order broken when the dropped seat leads", { { 2, "x" }, { 2, "y" }, { 4, "z" }, { 5, "w" } }, 2,
            { { 4, "z" }, { 5, "w" } } },
        { "lines dropped for a seat with nothing queued", { { 1, "a" }, { 3, "b" } }, 6, { { 1, "a" }, { 3, "b" } } },
        { "everything left when all lines are the dropped seat's", { { 7, "a" }, { 7, "b" } }, 7, {} },
    };
    for (const Row& row : rows) {
        ReceiveQueue q;
        for (const auto& [seat, text] : row.pushed)
            q.push(seat, text);
        q.discardSeat(row.dropped);
        std::vector<std::pair<int, std::string>> left;
        while (!q.empty()) {
            QueuedLine line = q.take();
            left.emplace_back(line.seat, line.text);
        }
        EXPECT_EQ(left, row.left) << row.fault;
        // Taking from an empty queue yields a line that dispatches to nothing.
        const QueuedLine none = q.take();
        EXPECT_EQ(none.seat, 0) << row.fault;
        EXPECT_EQ(none.text, "") << row.fault;
    }
}
