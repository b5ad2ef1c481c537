// What a seat may relay to everybody, the heartbeat, and the host's own notices.

#include "HostTable.h"

#include <host/RelayBudget.h>

#include <gtest/gtest.h>

using namespace hosttest;

namespace
{

TEST(RelayBudget, LinesAndBytesAreBothBudgeted)
{
    const host::RelayBudget::Limits limits {
        .linesPerSecond = 2, .lineBurst = 4, .bytesPerSecond = 100, .byteBurst = 1000
    };
    struct Row {
        const char* fault;
        std::vector<std::pair<std::int64_t, std::size_t>> lines; // at ms, bytes
        std::vector<bool> admitted;
    };
    const Row rows[] = {
        { "a burst of lines up to the line burst", { { 0, 1 }, { 0, 1 }, { 0, 1 }, { 0, 1 }, { 0, 1 } },
            { true, true, true, true, false } },
        { "lines come back at their rate", { { 0, 1 }, { 0, 1 }, { 0, 1 }, { 0, 1 }, { 499, 1 }, { 500, 1 } },
            { true, true, true, true, false, true } },
        { "one full-size line at once, then bytes at their rate",
            { { 0, 1000 }, { 0, 1 }, { 9000, 901 }, { 9000, 900 } }, { true, false, false, true } },
        { "a refused line costs nothing", { { 0, 1001 }, { 0, 1000 } }, { false, true } },
        { "a quiet sender saves no more than the burst",
            { { 0, 1 }, { 3600000, 1 }, { 3600000, 1 }, { 3600000, 1 }, { 3600000, 1 }, { 3600000, 1 } },
            { true, true, true, true, true, false } },
        { "a clock that goes back gives nothing", { { 10000, 1000 }, { 0, 100 }, { 10000, 100 } },
            { true, false, false } },
    };
    for (const Row& r : rows) {
        host::RelayBudget budget(limits);
        std::vector<bool> admitted;
        for (const auto& [at, bytes] : r.lines)
            admitted.push_back(budget.admit(at, bytes));
        EXPECT_EQ(admitted, r.admitted) << r.fault;
    }
}

TEST(RelayBudget, AFloodOfLargestLinesReachesOthersAtAPersonsPace)
{
    HostTable t;
    t.seat(2);
    const std::string big(host::kMaxRelayText, 'x');
    std::size_t relayed = 0;
    // 45 largest lines a second for 20 seconds, each kind in turn.
    for (int i = 0; i < 900; ++i) {
        t.link.now = i * 1000 / 45;
        const auto kind = i % 3;
        t.say(2,
            kind == 0       ? net::msg::chat(2, big)
                : kind == 1 ? net::msg::action(2, big)
                            : net::msg::playasound(2, big));
    }
    for (const auto& [seat, bytes] : t.link.writes)
        relayed += seat == 1 ? bytes.size() : 0;
    // One full line at once and a few hundred bytes a second after it.
    EXPECT_LT(relayed, 2 * host::kMaxRelayText + 20 * 600);
    EXPECT_EQ(t.link.to(2, net::cmd::notice).size(), 1u) << "the sender is told once, not per line";
}

TEST(RelayBudget, TheSenderIsToldOncePerSpellAndANewPlayerStartsAfresh)
{
    HostTable t;
    t.seat(3);
    const std::string big(host::kMaxRelayText, 'x');
    t.say(2, net::msg::chat(2, big));
    t.say(2, net::msg::chat(2, big));
    t.say(2, net::msg::chat(2, big));
    EXPECT_EQ(t.link.to(2, net::cmd::notice).size(), 1u);
    t.say(2, net::msg::chat(2, "and this"));
    EXPECT_EQ(t.link.to(1, net::cmd::chat).size(), 2u) << "a short line fits what is left";
    EXPECT_TRUE(t.link.to(2, net::cmd::notice).front().starts_with("CMD_notice+You are sending faster"));
    EXPECT_TRUE(t.link.to(3, net::cmd::notice).empty()) << "nobody else hears of it";
    // Others are not charged for one sender's lines.
    t.say(3, net::msg::chat(3, big));
    EXPECT_EQ(t.link.to(1, net::cmd::chat).size(), 3u);
    t.link.now += 70000; // refilled
    t.say(2, net::msg::chat(2, big));
    t.say(2, net::msg::chat(2, big));
    EXPECT_EQ(t.link.to(2, net::cmd::notice).size(), 2u) << "a new spell over the budget is told again";
    t.leave(2);
    t.join("Dan");
    t.say(2, net::msg::chat(2, big));
    EXPECT_TRUE(t.link.to(1, net::cmd::chat).back().ends_with(big)) << "the seat's next player has a full budget";
}

TEST(Heartbeat, APingIsAnsweredWithItsOwnNumber)
{
    struct Row {
        const char* fault;
        std::string message;
        std::vector<std::string> answer;
    };
    const Row rows[] = {
        { "a number comes back as it was", "CMD_ping+17", { "CMD_pong+17" } },
        { "any short token comes back", "CMD_ping+a-1.b", { "CMD_pong+a-1.b" } },
        { "an empty number still answers", "CMD_ping+", { "CMD_pong+" } },
        { "an overlong number is ignored", "CMD_ping+" + std::string(33, '9'), {} },
        { "control characters are ignored", "CMD_ping+1\x1b", {} },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(2);
        t.link.clear();
        t.say(2, r.message);
        EXPECT_EQ(t.link.to(2), r.answer) << r.fault;
        EXPECT_TRUE(t.link.to(1).empty()) << r.fault;
        EXPECT_EQ(t.link.heartbeats, r.answer.empty() ? std::vector<int> {} : std::vector<int> { 2 }) << r.fault;
    }
    HostTable t;
    const int fresh = t.game.accepted();
    t.say(fresh, "CMD_ping+1");
    EXPECT_EQ(t.link.to(fresh, net::cmd::pong), std::vector<std::string> { "CMD_pong+1" })
        << "a connection still deciding between login and rejoin is answered too";
}

TEST(LoginNotice, EveryPlayerIsToldOnceAtLogin)
{
    HostTable t;
    host::Options o = t.game.options();
    o.loginNotice = "This game uses a custom word list of 3 words";
    t.game.setOptions(o);
    t.join("Ann");
    t.say(1, net::msg::logininfo(1, rules::kVersion, "Ann again"));
    t.join("Bob");
    EXPECT_EQ(t.link.to(1, net::cmd::notice),
        std::vector<std::string> { "CMD_notice+This game uses a custom word list of 3 words" });
    EXPECT_EQ(t.link.to(2, net::cmd::notice).size(), 1u);
}

} // namespace
