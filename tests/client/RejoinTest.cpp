// A window's session wired to the real host rules, message for message: a
// broken link, the token presented on a new connection, and the catch-up that
// must leave the window's model as the host has the game; what a refused or
// removed player does; seats held for others, the leader, and whose score a
// seat shows.

#include "client/Session.h"
#include "Lines.h"
#include "net/Commands.h"
#include "tests/host/HostTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

using client::Effects;
using client::Session;
using hosttest::HostTable;

namespace
{

// What the host sends the window's connection goes into the session, and what
// the session sends goes to the host from that connection.
struct Wire {
    HostTable host;
    Session session { 5 };
    int conn = 0; // the seat the host knows the window's connection by
    std::map<int, std::size_t> taken; // per seat: messages already handed to the session
    std::size_t movesSeen = 0;
    std::vector<Effects> seen; // since the last connect

    explicit Wire(const std::string& name) { session.setLoginName(name); }

    void connect()
    {
        seen.clear();
        conn = host.game.accepted();
        pump();
    }
    void pump()
    {
        for (;;) {
            const auto inbox = host.link.to(conn);
            std::size_t& next = taken[conn];
            if (next >= inbox.size())
                return;
            Effects e = session.receive(inbox[next++]);
            for (const std::string& m : e.send) {
                host.say(conn, m);
                // A rejoin moves the connection into the held seat.
                for (; movesSeen < host.link.moves.size(); ++movesSeen)
                    if (host.link.moves[movesSeen].first == conn)
                        conn = host.link.moves[movesSeen].second;
            }
            seen.push_back(std::move(e));
        }
    }
    // The link breaks where the host sees it too: the seat is held.
    void lose()
    {
        pump();
        host.game.closed(conn);
        session.linkLost(false);
    }
    void reconnect(int attempt = 1)
    {
        session.reconnecting(attempt);
        connect();
    }

    std::vector<std::string> lines() const
    {
        std::vector<std::string> out;
        for (const Effects& e : seen)
            for (const auto& l : e.lines)
                out.push_back(l.text);
        return out;
    }
    std::vector<std::string> sounds() const
    {
        std::vector<std::string> out;
        for (const Effects& e : seen)
            out.insert(out.end(), e.sounds.begin(), e.sounds.end());
        return out;
    }
    bool any(bool Effects::*flag) const
    {
        return std::any_of(seen.begin(), seen.end(), [&](const Effects& e) { return e.*flag; });
    }
    const client::Game& game() const { return session.game(); }
};

std::string lettersOf(const client::Game& g, int count)
{
    std::string s;
    for (int n = 1; n <= count; ++n)
        s += g.rack().tile(n).letter;
    return s;
}

std::string lettersOf(const rules::TileSet& set, int count) { return std::string(set.begin() + 1, set.begin() + 1 + count); }

// Ann (seat 1, by the host's own rules) and the window as Bob (seat 2).
void annAndBob(Wire& w)
{
    w.host.join("Ann");
    w.connect();
    ASSERT_EQ(w.session.roster().mySeat(), 2);
    ASSERT_TRUE(w.session.mayRejoin());
}

void start(Wire& w, bool fast, int seconds = 60)
{
    hosttest::StartOptions o;
    o.fast = fast;
    o.seconds = seconds;
    w.host.start(o);
    w.pump();
}

} // namespace

TEST(Rejoin, TheCatchUpLeavesTheModelAsTheHostHasIt)
{
    struct Row {
        const char* fault;
        std::function<void(Wire&)> before; // with the link up
        std::function<void(Wire&)> away; // while the seat is held
    };
    const auto nothing = [](Wire&) {};
    const std::vector<Row> rows = {
        { "a slow turn of our own lost its rack, words, bought tiles or clock",
            [](Wire& w) {
                start(w, false);
                w.host.finishTurn();
                w.host.say(1, net::msg::chat(1, "x")); // Ann is there
                w.host.playWords(2, 3, 2);
                w.host.say(2, net::msg::newtiles(2));
                w.host.playWords(2, 4, 1);
                w.host.ticks(7);
            },
            [](Wire& w) { w.host.ticks(3); } },
        { "another's slow turn was shown as it stood when the link broke",
            [](Wire& w) {
                start(w, false);
                w.host.playWords(1, 3, 1);
            },
            [](Wire& w) {
                w.host.playWords(1, 4, 2);
                w.host.ticks(12);
            } },
        { "a fast turn lost our words or showed another's",
            [](Wire& w) {
                start(w, true);
                w.host.playWords(2, 5, 1);
                w.host.playWords(1, 3, 3);
            },
            [](Wire& w) { w.host.ticks(20); } },
        { "a turn that ended while away left the old turn on the board",
            [](Wire& w) {
                start(w, false, 60);
                w.host.playWords(1, 3, 2);
            },
            [](Wire& w) {
                w.host.finishTurn();
                w.host.playWords(2, 4, 1); // the held player's own turn runs
                w.host.ticks(5);
            } },
        { "the pause between turns showed a running clock",
            [](Wire& w) {
                start(w, true);
                w.host.playWords(2, 3, 1);
            },
            [](Wire& w) {
                while (w.host.game.turn().turnPhase == 1)
                    w.host.game.tick();
            } },
        { "no game running showed a game", nothing, nothing },
    };
    for (const Row& r : rows) {
        Wire w("Bob");
        annAndBob(w);
        r.before(w);
        w.lose();
        r.away(w);
        const std::string oldToken = w.session.seatToken();
        w.reconnect();

        const host::Game& h = w.host.game;
        SCOPED_TRACE(r.fault);
        ASSERT_TRUE(h.player(2).connected) << "the seat was not taken back";
        EXPECT_FALSE(h.player(3).connected) << "the fresh seat was kept";
        EXPECT_EQ(w.session.roster().mySeat(), 2);
        EXPECT_TRUE(w.session.roster().connected());
        EXPECT_EQ(w.session.roster().name(1), "Ann");
        EXPECT_EQ(w.session.roster().name(2), "Bob");
        EXPECT_TRUE(w.any(&Effects::backInGame));
        EXPECT_NE(w.session.seatToken(), oldToken) << "the spent token was kept";
        EXPECT_EQ(w.session.seatToken().size(), net::kSeatTokenLength);
        EXPECT_TRUE(w.sounds().empty()) << "the catch-up played " << w.sounds().front();
        EXPECT_TRUE(clienttest::has(w.lines(), "0+You are back in your seat."));
        EXPECT_FALSE(clienttest::has(w.lines(), "0+Ann is Connected.")) << "a player we knew was announced again";

        const client::Game& g = w.game();
        EXPECT_EQ(g.started(), h.turn().gameRunning);
        for (int s = 1; s <= 6; ++s)
            EXPECT_EQ(g.seat(s).score, std::to_string(h.player(s).score)) << "seat " << s;
        const bool turnRuns = h.turn().gameRunning && h.turn().turnPhase == 1;
        EXPECT_EQ(g.clockRunning(), turnRuns);
        if (!h.turn().gameRunning)
            continue;
        EXPECT_EQ(g.settings().timePerTurn, h.settings().timePerTurn);
        EXPECT_EQ(g.settings().fast, h.settings().fastGame);
        const int owner = h.settings().fastGame ? 2 : h.turn().currentSeat;
        for (int length = 3; length <= 10; ++length) {
            std::vector<std::string> words;
            for (const std::string& word : h.player(owner).words[static_cast<std::size_t>(length - 3)])
                if (!word.empty())
                    words.push_back(word);
            EXPECT_EQ(g.box(length).words, words) << "box " << length;
        }
        if (!turnRuns) {
            EXPECT_EQ(g.whoseTurn(), 0);
            EXPECT_FALSE(g.buttons().done);
            for (int n = 1; n <= 13; ++n)
                EXPECT_FALSE(g.rack().tile(n).picture) << "an old rack stayed on show: tile " << n;
            continue;
        }
        EXPECT_EQ(g.whoseTurn(), owner);
        EXPECT_EQ(g.clockSeconds(), h.turn().turnClock - rules::kTurnGrace);
        const rules::TileSet& set = h.player(owner).boughtNewTiles ? h.spareTiles() : h.currentTiles();
        EXPECT_EQ(lettersOf(g, 10), lettersOf(set, 10));
        EXPECT_EQ(g.myTurn(), owner == 2);
        EXPECT_EQ(g.buttons().done, owner == 2);
        EXPECT_EQ(g.buttons().oldTiles, owner == 2 && h.player(2).boughtNewTiles);
    }
}

TEST(Rejoin, WhoComesBackAndHow)
{
    struct Row {
        const char* fault;
        std::function<void(Wire&)> between; // after the loss, before the new connection
        bool seated; // false: refused at the door of a full house
        std::string said;
    };
    const auto holdRunsOut = [](Wire& w) {
        for (int s = 0; s < 120; ++s)
            w.host.game.holdTick();
    };
    const std::vector<Row> rows = {
        { "the token was not presented", [](Wire&) {}, true, "0+You are back in your seat." },
        { "an expired hold did not bring us in as a newcomer", holdRunsOut, true,
            "0+Your seat was no longer held; you are in the game again as a new player." },
        { "a refused rejoin at a full house tried to log in",
            [&](Wire& w) {
                holdRunsOut(w);
                for (int i = 2; i <= 9; ++i)
                    w.host.join("P" + std::to_string(i));
                w.host.game.closed(9); // one seat held: the tenth may knock
            },
            false, "0+Your seat was no longer held, and the game is full." },
        { "a held seat could not be taken back from a full house",
            [](Wire& w) {
                for (int i = 3; i <= 9; ++i)
                    w.host.join("P" + std::to_string(i));
            },
            true, "0+You are back in your seat." },
    };
    for (const Row& r : rows) {
        Wire w("Bob");
        annAndBob(w);
        w.lose();
        r.between(w);
        w.reconnect();
        SCOPED_TRACE(r.fault);
        EXPECT_TRUE(clienttest::has(w.lines(), r.said));
        int rejoins = 0;
        for (const Effects& e : w.seen)
            for (const std::string& m : e.send)
                rejoins += m.rfind(std::string(net::cmd::rejoin) + "+", 0) == 0 ? 1 : 0;
        EXPECT_EQ(rejoins, 1) << "one attempt per connection";
        if (!r.seated) {
            EXPECT_TRUE(w.any(&Effects::gameFull));
            EXPECT_FALSE(w.session.mayRejoin());
            continue;
        }
        EXPECT_EQ(w.host.game.player(w.conn).name, "Bob") << "the same name, nobody retypes it";
        EXPECT_EQ(w.session.roster().mySeat(), w.conn);
        EXPECT_TRUE(w.any(&Effects::backInGame));
        EXPECT_EQ(w.session.seatToken(), hosttest::nthToken(w.host.tokensMade - 1)) << "no token for the next break";
    }
}

TEST(Rejoin, AnAttemptBrokenOffMidCatchUpLeavesNothingHalfDone)
{
    struct Row {
        const char* fault;
        bool holdRunsOut;
        std::string said;
    };
    const std::vector<Row> rows = {
        { "a refused rejoin after a broken catch-up claimed the seat was back", true,
            "0+Your seat was no longer held; you are in the game again as a new player." },
        { "a second catch-up after a broken one was not taken whole", false, "0+You are back in your seat." },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        Wire w("Bob");
        annAndBob(w);
        start(w, true);
        w.lose();
        // The first attempt is greeted and accepted, then breaks before the catch-up ends.
        w.session.reconnecting(1);
        w.session.receive(clienttest::unframed(net::msg::sendlogininfo(3)));
        w.session.receive(clienttest::unframed(net::msg::rejoined(2)));
        w.session.receive(clienttest::unframed(net::msg::existingplayers(4, "Zed")));
        if (r.holdRunsOut)
            for (int s = 0; s < 120; ++s)
                w.host.game.holdTick();
        w.reconnect(2);
        const std::vector<std::string> lines = w.lines();
        EXPECT_TRUE(clienttest::has(lines, r.said));
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "0+You are back in your seat."), r.holdRunsOut ? 0 : 1);
        EXPECT_FALSE(clienttest::has(lines, "0+Ann disconnected.")) << "a player still seated was dropped";
        EXPECT_EQ(w.session.roster().name(1), "Ann");
        EXPECT_NE(w.session.roster().name(4), "Zed") << "the broken catch-up's roster stayed";
        EXPECT_TRUE(w.session.roster().connected());
        EXPECT_TRUE(w.session.mayRejoin());
    }
}

TEST(Rejoin, TheTokenAndWhatTheSessionSendsWithIt)
{
    using Act = std::function<Effects(Session&)>;
    struct Row {
        const char* fault;
        bool tokenGiven; // the host sent seat 2 its token after the login
        Act act;
        std::vector<std::string> sent;
        bool mayRejoinAfter;
    };
    const std::string token(32, 'a');
    const auto feed = [](std::string m) { return [m](Session& s) { return s.receive(m); }; };
    const auto lostThenSeated = [](std::string seatMessage) {
        return [seatMessage](Session& s) {
            s.linkLost(false);
            s.reconnecting(1);
            return s.receive(seatMessage);
        };
    };
    const std::vector<Row> rows = {
        { "a token for another seat was kept", false, feed(clienttest::unframed(net::msg::seattoken(3, token))), {},
            false },
        { "a malformed token was kept", false, feed("CMD_seattoken+2+" + std::string(32, 'A')), {}, false },
        { "a short token was kept", false, feed("CMD_seattoken+2+abc"), {}, false },
        { "our own token was not kept", false, feed(clienttest::unframed(net::msg::seattoken(2, token))), {}, true },
        { "a new connection logged in instead of presenting the token", true, lostThenSeated("CMD_sendlogininfo+4"),
            { net::msg::rejoin(4, token, rules::kVersion) }, true },
        { "a rejoin from the door of a full house was not tried", true, lostThenSeated("CMD_sendlogininfo+10"),
            { net::msg::rejoin(10, token, rules::kVersion) }, true },
        { "a seat past the door was taken for a rejoin", true, lostThenSeated("CMD_sendlogininfo+11"), {}, true },
        { "an older host's new connection presented a token it never gave", false,
            lostThenSeated("CMD_sendlogininfo+4"), { net::msg::logininfo(4, rules::kVersion, "Bob") }, false },
        { "a connection made for another game presented this game's token", true,
            [](Session& s) {
                s.leave();
                return s.receive("CMD_sendlogininfo+4");
            },
            { net::msg::logininfo(4, rules::kVersion, "Bob") }, false },
        { "a rejoin nobody asked for moved us", true, feed("CMD_rejoined+5"), {}, true },
        { "a refusal nobody asked for made us log in again", true,
            feed("CMD_rejoinrefused+No seat is held for this token."), {}, true },
        { "the removed player kept a token to come back with", true,
            feed(clienttest::unframed(net::msg::removed(2))), {}, false },
        { "another's removal cost us our token", true, feed(clienttest::unframed(net::msg::removed(3))), {}, true },
        { "leaving did not say goodbye", true, [](Session& s) { return s.leave(); }, { net::msg::leave(2) }, false },
        { "a goodbye went to a host already gone", true,
            [](Session& s) {
                s.linkLost(false);
                return s.leave();
            },
            {}, false },
        { "giving up kept the token", true,
            [](Session& s) {
                s.linkLost(true);
                return s.gaveUp(120);
            },
            {}, false },
    };
    for (const Row& r : rows) {
        Session s(3);
        s.setLoginName("Bob");
        s.receive("CMD_sendlogininfo+2");
        s.receive("CMD_newplayerinfo+2+Bob");
        if (r.tokenGiven)
            s.receive(clienttest::unframed(net::msg::seattoken(2, token)));
        const Effects e = r.act(s);
        EXPECT_EQ(e.send, r.sent) << r.fault;
        EXPECT_EQ(s.mayRejoin(), r.mayRejoinAfter) << r.fault;
    }
}

// Scores mean something only in a game.
constexpr const char* kStarted = "CMD_startgame+Ann+f+5000+60+2000+t+t+f";

TEST(Rejoin, OthersSeatsTheLeaderAndWhoseScoreASeatShows)
{
    using Check = std::function<bool(const Effects&, const Session&)>;
    struct Row {
        const char* fault;
        std::vector<std::string> lines; // host lines after the table below is seated
        Check holds;
    };
    const auto said = [](std::string text) {
        return [text](const Effects& e, const Session&) {
            return e.lines.size() == 1 && e.lines[0].text == text && !e.ignored;
        };
    };
    const auto ignored = [](const Effects& e, const Session&) { return e.ignored && e.lines.empty(); };
    const auto score = [](int seat, std::string shown) {
        return [seat, shown](const Effects&, const Session& s) { return s.game().seat(seat).score == shown; };
    };
    const std::vector<Row> rows = {
        { "a held seat not shown with its time", { "CMD_seatheld+1+120" },
            said("0+Ann lost the connection; their seat is held for 2:00") },
        { "a hold's seconds shown as they are", { "CMD_seatheld+3+75" },
            said("0+Cy lost the connection; their seat is held for 1:15") },
        { "a spectator we never saw had no name", { "CMD_seatheld+8+9" },
            said("0+The player in seat 8 lost the connection; their seat is held for 0:09") },
        { "a hold of no time shown", { "CMD_seatheld+1+0" }, ignored },
        { "a hold past any host's limit shown", { "CMD_seatheld+1+3601" }, ignored },
        { "a hold of seat 10 shown", { "CMD_seatheld+10+30" }, ignored },
        { "a player back not shown", { "CMD_seatheld+1+120", "CMD_seatback+1" }, said("0+Ann is back.") },
        // A host that notices the old link's end only after the new one knocked tells the new one too.
        { "our own held seat shown to us as another's", { "CMD_seatheld+2+120" }, ignored },
        { "our own return shown to us as another's", { "CMD_seatback+2" }, ignored },
        { "leading handed to us went unnoticed", { "CMD_leader+2" },
            [](const Effects& e, const Session& s) {
                return s.hostRights() && e.hostRights == true && s.game().startButton() && e.lines.size() == 1;
            } },
        { "leading passed to another kept our start button", { "CMD_leader+2", "CMD_leader+3" },
            [](const Effects& e, const Session& s) {
                return !s.hostRights() && e.hostRights == false && !s.game().startButton();
            } },
        { "nobody leading left us the rights", { "CMD_leader+2", "CMD_leader+0" },
            [](const Effects&, const Session& s) { return !s.hostRights(); } },
        { "a leader past the seats was believed", { "CMD_leader+2", "CMD_leader+12" },
            [](const Effects& e, const Session& s) { return e.ignored && s.hostRights(); } },
        { "a departed player's score stayed on the seat", { kStarted, "CMD_loadscores+3+900", "CMD_playerdisconnected+3+Cy" },
            score(3, "0") },
        { "a newcomer took over the last player's score",
            { kStarted, "CMD_loadscores+3+900", "CMD_playerdisconnected+3+Cy", "CMD_newplayerinfo+3+Dee" }, score(3, "0") },
        { "a stranger named in a seat we missed the departure of kept its score",
            { kStarted, "CMD_loadscores+3+900", "CMD_existingplayers+3+Dee" }, score(3, "0") },
        { "a player named again lost their score", { kStarted, "CMD_loadscores+3+900", "CMD_existingplayers+3+Cy" },
            score(3, "900") },
        { "a turn clock outside a rejoin was believed", { "CMD_clock+50" },
            [](const Effects& e, const Session& s) { return e.ignored && !s.game().clockRunning(); } },
    };
    for (const Row& r : rows) {
        Session s(3);
        s.setLoginName("Bob");
        for (const char* m : { "CMD_sendlogininfo+2", "CMD_newplayerinfo+2+Bob", "CMD_existingplayers+1+Ann",
                 "CMD_existingplayers+3+Cy" })
            s.receive(m);
        Effects last;
        for (const std::string& m : r.lines)
            last = s.receive(m);
        EXPECT_TRUE(r.holds(last, s)) << r.fault << (last.ignored ? ": " + *last.ignored : "");
    }
}
