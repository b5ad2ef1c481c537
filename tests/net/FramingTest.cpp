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
    // Two terminators in a row would be an empty message, which means nothing
    // and is never passed on; three messages in one read stay in order.
    auto out = feedAll(f,
        "\xFF"
        "CMD_a+\xFF\xFF"
        "CMD_b+1\xFF\xFF\xFF"
        "CMD_c+\xFF");
    EXPECT_EQ(out, (std::vector<std::string> { "CMD_a+", "CMD_b+1", "CMD_c+" }));
    EXPECT_EQ(f.takeEmpties(), 4u) << "the sender is still charged for what it sent";
    // A flood of lone terminators, however it is split, yields nothing and keeps nothing.
    const std::string flood(100000, '\xFF');
    EXPECT_TRUE(feedAll(f, std::string_view(flood).substr(0, 777)).empty());
    EXPECT_TRUE(feedAll(f, std::string_view(flood).substr(777)).empty());
    EXPECT_EQ(f.pending(), 0u);
    EXPECT_EQ(f.takeEmpties(), flood.size());
    // A message whose terminator arrives alone in the next read is still whole.
    EXPECT_TRUE(feedAll(f, "CMD_d+").empty());
    EXPECT_EQ(feedAll(f, "\xFF\xFF"), std::vector<std::string> { "CMD_d+" });
    EXPECT_EQ(f.takeEmpties(), 1u);
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

TEST(ReceiveQueue, ConnectionsAreServedInTurnOneMessageEach)
{
    struct Row {
        const char* fault;
        std::vector<std::pair<int, std::string>> pushed;
        std::vector<std::pair<int, std::string>> taken;
    };
    const Row rows[] = {
        { "a backlog delays another connection's message",
            { { 3, "f1" }, { 3, "f2" }, { 3, "f3" }, { 3, "f4" }, { 5, "honest" } },
            { { 3, "f1" }, { 5, "honest" }, { 3, "f2" }, { 3, "f3" }, { 3, "f4" } } },
        { "arrival order lost while nobody has a backlog", { { 7, "a" }, { 2, "b" }, { 5, "c" } },
            { { 7, "a" }, { 2, "b" }, { 5, "c" } } },
        { "one connection's own order broken", { { 0, "x" }, { 0, "y" }, { 0, "z" } },
            { { 0, "x" }, { 0, "y" }, { 0, "z" } } },
        { "two backlogs not interleaved", { { 1, "a1" }, { 1, "a2" }, { 2, "b1" }, { 2, "b2" }, { 4, "c1" } },
            { { 1, "a1" }, { 2, "b1" }, { 4, "c1" }, { 1, "a2" }, { 2, "b2" } } },
    };
    for (const Row& row : rows) {
        ReceiveQueue q;
        for (const auto& [seat, text] : row.pushed)
            q.push(seat, text);
        std::vector<std::pair<int, std::string>> taken;
        while (!q.empty()) {
            QueuedLine line = q.take();
            taken.emplace_back(line.seat, line.text);
        }
        EXPECT_EQ(taken, row.taken) << row.fault;
        EXPECT_EQ(q.size(), 0u) << row.fault;
    }

    // A connection that sends again after its backlog is served waits behind
    // those already waiting, not ahead of them.
    ReceiveQueue q;
    q.push(1, "a1");
    q.push(1, "a2");
    q.push(2, "b1");
    EXPECT_EQ(q.take().text, "a1");
    q.push(3, "c1");
    EXPECT_EQ(q.take().text, "b1");
    q.push(2, "b2");
    EXPECT_EQ(q.take().text, "a2");
    EXPECT_EQ(q.take().text, "c1");
    EXPECT_EQ(q.take().text, "b2");
}

TEST(ReceiveQueue, CostCountsEveryMessageNotOnlyItsBytes)
{
    ReceiveQueue q;
    for (int i = 0; i < 1000; ++i)
        q.push(4, "x");
    q.push(6, std::string(500, 'y'));
    EXPECT_EQ(q.queued(4), 1000u);
    // A thousand one-byte messages cost far more than a thousand bytes.
    EXPECT_EQ(q.cost(4), 1000 * (1 + kQueuedMessageOverhead));
    EXPECT_EQ(q.cost(6), 500 + kQueuedMessageOverhead);
    q.take(); // seat 4's first
    q.take(); // seat 6's only
    EXPECT_EQ(q.cost(4), 999 * (1 + kQueuedMessageOverhead));
    EXPECT_EQ(q.cost(6), 0u);
    q.discardSeat(4);
    EXPECT_EQ(q.cost(4), 0u);
    EXPECT_EQ(q.queued(4), 0u);
    EXPECT_TRUE(q.empty());
    // A discarded connection that sends again is served again.
    q.push(4, "again");
    EXPECT_EQ(q.take().text, "again");
}

TEST(ReceiveQueue, AMovedConnectionKeepsItsPlaceAndItsOrderUnderItsNewSeat)
{
    struct Row {
        const char* fault;
        std::vector<std::pair<int, std::string>> pushed;
        int from;
        int to;
        std::vector<std::pair<int, std::string>> taken;
    };
    const Row rows[] = {
        { "lines left under the old seat", { { 8, "ping" }, { 8, "chat" } }, 8, 2, { { 2, "ping" }, { 2, "chat" } } },
        { "the moved connection jumps the line", { { 1, "a" }, { 8, "x" }, { 3, "b" } }, 8, 2,
            { { 1, "a" }, { 2, "x" }, { 3, "b" } } },
        { "a move onto a seat with lines mixes two connections", { { 8, "x" }, { 2, "old" } }, 8, 2,
            { { 8, "x" }, { 2, "old" } } },
        { "a move of nothing invents lines", { { 1, "a" } }, 8, 2, { { 1, "a" } } },
    };
    for (const Row& row : rows) {
        ReceiveQueue q;
        for (const auto& [seat, text] : row.pushed)
            q.push(seat, text);
        q.moveSeat(row.from, row.to);
        std::vector<std::pair<int, std::string>> taken;
        while (!q.empty()) {
            QueuedLine line = q.take();
            taken.emplace_back(line.seat, line.text);
        }
        EXPECT_EQ(taken, row.taken) << row.fault;
    }
}
