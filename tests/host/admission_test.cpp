// Seats, login, the latecomer's snapshot, removal: what every player's roster depends on.

#include "HostTable.h"
#include "rules/Version.h"

#include <gtest/gtest.h>

using namespace hosttest;
using host::kRefusedSeat;

namespace
{

TEST(Admission, SeatsAreHandedOutInOrderAndReused)
{
    HostTable t;
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(t.game.accepted(), i);
    t.game.closed(4);
    EXPECT_EQ(t.game.accepted(), 4) << "a freed seat must be reused before the table grows";
    EXPECT_EQ(t.game.seatsUsed(), 9);
}

TEST(Admission, TenthConnectionIsRefusedAndNothingChanges)
{
    HostTable t;
    for (int i = 1; i <= 9; ++i)
        t.game.accepted();
    t.link.clear();
    EXPECT_EQ(t.game.accepted(), kRefusedSeat);
    EXPECT_EQ(t.link.to(kRefusedSeat), std::vector<std::string> { "CMD_full+" });
    EXPECT_EQ(t.link.dropped, std::vector<int> { kRefusedSeat });
    EXPECT_EQ(t.game.seatsUsed(), 9);
    EXPECT_FALSE(t.game.player(kRefusedSeat).connected);
    for (int s = 1; s <= 9; ++s)
        EXPECT_TRUE(t.link.to(s).empty());
}

TEST(Admission, AcceptSendsTheSeatNumber)
{
    HostTable t;
    t.game.accepted();
    EXPECT_EQ(t.link.to(1), std::vector<std::string> { "CMD_sendlogininfo+1" });
}

TEST(Admission, LoginAnnouncesToAllAndListsTheOthersInSeatOrder)
{
    HostTable t;
    t.seat(3);
    t.leave(2);
    t.link.clear();
    const int s = t.join("Dora");
    ASSERT_EQ(s, 2);
    EXPECT_EQ(t.link.to(2),
        (std::vector<std::string> { "CMD_sendlogininfo+2", "CMD_newplayerinfo+2+Dora", "CMD_seattoken+2+" + nthToken(3),
            "CMD_existingplayers+1+P1", "CMD_existingplayers+3+P3", "CMD_leader+1" }));
    EXPECT_EQ(t.link.to(1), std::vector<std::string> { "CMD_newplayerinfo+2+Dora" });
    EXPECT_EQ(t.link.to(3), std::vector<std::string> { "CMD_newplayerinfo+2+Dora" });
}

TEST(Admission, WrongVersionIsReportedToSeatOneAndTheNewcomerOnly)
{
    HostTable t;
    t.seat(2);
    t.link.clear();
    const int s = t.join("Old", "1.0.12");
    EXPECT_EQ(t.link.to(1, "CMD_havewrongversion"), std::vector<std::string> { "CMD_havewrongversion+Old" });
    EXPECT_EQ(t.link.to(s, "CMD_wrongversion"), std::vector<std::string> { "CMD_wrongversion+" });
    EXPECT_TRUE(t.link.to(2, "CMD_havewrongversion").empty());
    EXPECT_TRUE(t.game.player(s).connected) << "a version mismatch does not remove the newcomer";
}

TEST(Admission, LoginClaimingAnotherSeatIsDropped)
{
    HostTable t;
    t.seat(1);
    const int s = t.game.accepted();
    t.link.clear();
    t.say(s, net::msg::logininfo(1, rules::kVersion, "Mallory"));
    EXPECT_EQ(t.link.messageCount(), 0u);
    EXPECT_EQ(t.game.player(1).name, "P1");
    EXPECT_FALSE(t.game.player(s).loggedIn);
}

TEST(Admission, LoginDeadlineDropsOnlySeatsThatNeverLoggedIn)
{
    HostTable t;
    t.seat(1);
    const int quiet = t.game.accepted();
    t.game.loginDeadline(1);
    t.game.loginDeadline(quiet);
    t.game.loginDeadline(0);
    t.game.loginDeadline(42);
    EXPECT_EQ(t.link.dropped, std::vector<int> { quiet });
}

TEST(Admission, WithoutAHoldACloseAnnouncesToOthersAndClearsTheSeat)
{
    HostTable t;
    t.setHold(0);
    t.seat(3);
    t.say(2, net::msg::justwatch(2, true));
    t.link.clear();
    t.game.closed(2);
    EXPECT_EQ(t.link.to(1), std::vector<std::string> { "CMD_playerdisconnected+2+P2" });
    EXPECT_EQ(t.link.to(3), std::vector<std::string> { "CMD_playerdisconnected+2+P2" });
    EXPECT_TRUE(t.link.to(2).empty());
    EXPECT_FALSE(t.game.player(2).connected);
    EXPECT_TRUE(t.game.player(2).name.empty());
    EXPECT_FALSE(t.game.player(2).watching);
    t.link.clear();
    t.game.closed(2);
    EXPECT_EQ(t.link.messageCount(), 0u) << "a second close of the same seat is not announced again";
}

TEST(Admission, KickActsOnlyForSeatOne)
{
    struct Row {
        const char* fault;
        int connection;
        std::string message;
        std::vector<int> dropped;
    };
    const std::vector<Row> rows = {
        { "seat one kicks a connected seat", 1, net::msg::kickhim(1, 3), { 3 } },
        { "another seat may not kick", 2, net::msg::kickhim(2, 3), {} },
        { "another seat may not pretend to be seat one", 2, net::msg::kickhim(1, 3), {} },
        { "kicking a seat that is not connected does nothing", 1, net::msg::kickhim(1, 5), {} },
        { "a target out of range is not used as an index", 1, net::msg::kickhim(1, 99), {} },
        { "a target that is not a number ends the handler", 1, "CMD_kickhim+1+x+", {} },
    };
    for (const Row& r : rows) {
        HostTable t;
        t.seat(3);
        t.link.clear();
        t.say(r.connection, r.message);
        EXPECT_EQ(t.link.dropped, r.dropped) << r.fault;
    }
}

class Latecomer : public ::testing::Test
{
protected:
    HostTable t;
};

TEST_F(Latecomer, DuringPlayGetsStatsScoresInOneSendAndTheRack)
{
    t.seat(2);
    t.start();
    const int s = t.join("Late");
    const auto& msgs = t.link.to(s);
    ASSERT_GE(msgs.size(), 11u);
    EXPECT_EQ(t.link.to(s, "CMD_stats"), std::vector<std::string> { "CMD_stats+1+f+100000+60+100000+t+t+f+play+" });
    // The six scores travel together, as the clients expect one write.
    int scoreWrites = 0;
    for (const auto& [seat, bytes] : t.link.writes)
        if (seat == s && bytes.rfind("CMD_loadscores", 0) == 0) {
            ++scoreWrites;
            EXPECT_EQ(bytes,
                net::msg::loadscores(1, 0) + net::msg::loadscores(2, 0) + net::msg::loadscores(3, 0)
                    + net::msg::loadscores(4, 0) + net::msg::loadscores(5, 0) + net::msg::loadscores(6, 0));
        }
    EXPECT_EQ(scoreWrites, 1);
    const auto dice = t.link.to(s, "CMD_thedice");
    ASSERT_EQ(dice.size(), 1u);
    EXPECT_EQ(dice[0],
        line(net::msg::thedice(
            1, "false", std::vector<char>(t.game.currentTiles().begin() + 1, t.game.currentTiles().begin() + 11))));
}

TEST_F(Latecomer, DuringThePauseGetsNoTiles)
{
    t.seat(2);
    t.start();
    t.ticks(64);
    ASSERT_EQ(t.game.turn().gameState, "wait");
    const int s = t.join("Late");
    EXPECT_EQ(t.link.to(s, "CMD_stats").size(), 1u);
    EXPECT_EQ(t.link.to(s, "CMD_loadscores").size(), 6u);
    EXPECT_TRUE(t.link.to(s, "CMD_thedice").empty());
}

TEST_F(Latecomer, ShownSeatAboveSixIsSentAsOne)
{
    t.seat(8);
    t.start({ .fast = true });
    const int s = t.join("Ninth");
    ASSERT_EQ(s, 9);
    const auto stats = t.link.to(s, "CMD_stats");
    ASSERT_EQ(stats.size(), 1u);
    EXPECT_EQ(stats[0].rfind("CMD_stats+1+", 0), 0u) << stats[0];
    const auto dice = t.link.to(s, "CMD_thedice");
    ASSERT_EQ(dice.size(), 1u);
    EXPECT_EQ(dice[0].rfind("CMD_thedice+1+false+", 0), 0u) << dice[0];
}

TEST_F(Latecomer, NoSnapshotWithoutARunningGame)
{
    t.seat(1);
    const int s = t.join("Early");
    EXPECT_TRUE(t.link.to(s, "CMD_stats").empty());
    EXPECT_TRUE(t.link.to(s, "CMD_loadscores").empty());
}

} // namespace
