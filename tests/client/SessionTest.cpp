// The client's session fed the host's own lines: every message reaches what it
// changes, logging in and the host's rights, what the player may ask for, and
// chatter sounds named after their sender.

#include "client/Session.h"
#include "Lines.h"
#include "net/Commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using client::Effects;
using client::Session;

namespace
{

using clienttest::has;
using clienttest::unframed;

std::vector<std::string> texts(const Effects& e)
{
    std::vector<std::string> out;
    for (const auto& l : e.lines)
        out.push_back(l.text);
    return out;
}

// Seat 2 of a slow game Ann started, with Ann, Bob (us) and Cy seated.
struct Seated {
    Session session { 99 };
    Seated()
    {
        session.setLoginName("Bob");
        for (const std::string& m : { net::msg::sendlogininfo(2), net::msg::newplayerinfo(2, "Bob"),
                 net::msg::existingplayers(1, "Ann"), net::msg::existingplayers(3, "Cy") })
            feed(m);
    }
    Effects feed(const std::string& framed) { return session.receive(unframed(framed)); }
};

net::GameOptions slowGame() { return {}; }

} // namespace

TEST(Session, EveryHostMessageReachesWhatItChanges)
{
    using Check = std::function<bool(const Effects&, const Session&)>;
    struct Row {
        const char* fault;
        std::vector<std::string> before;
        std::string message;
        Check changed;
    };
    const auto& game = [](const Session& s) -> const client::Game& { return s.game(); };
    const std::vector<Row> rows = {
        { "a newcomer not announced", {}, net::msg::newplayerinfo(4, "Dee"),
            [](const Effects& e, const Session& s) {
                return s.roster().name(4) == "Dee" && texts(e) == std::vector<std::string> { "0+Dee is Connected." }
                && has(e.sounds, "entered");
            } },
        { "a player already here not taken in", {}, net::msg::existingplayers(5, "Eve"),
            [](const Effects&, const Session& s) { return s.roster().name(5) == "Eve"; } },
        { "a spectator not listed", {}, net::msg::newplayerinfo(7, "Spy"),
            [](const Effects& e, const Session&) {
                return e.spyAdded == client::SpyEntry { 7, "Spy" } && has(texts(e), "0+Spy is spying.");
            } },
        { "a departure not shown", {}, net::msg::playerdisconnected(3, "Cy"),
            [](const Effects& e, const Session& s) {
                return s.roster().name(3) == "<Waiting>"
                    && texts(e) == std::vector<std::string> { "0+Cy disconnected." };
            } },
        { "a watch notice lost", {}, net::msg::justwatching(2, true),
            [](const Effects& e, const Session& s) { return e.justWatchChecked == true && s.roster().watching(2); } },
        { "another's old version not mentioned", {}, net::msg::havewrongversion("Old"),
            [](const Effects& e, const Session&) {
                return texts(e) == std::vector<std::string> { "0+Old has a different version of the game then you." };
            } },
        { "our own old version not mentioned", {}, net::msg::wrongversion(),
            [](const Effects& e, const Session&) {
                return texts(e)
                    == std::vector<std::string> { "0+You have a differnt version of the game then the host." };
            } },
        { "chat not shown in its sender's colour", {}, net::msg::chatRelay(1, "Ann chats: a|b|clGreen"),
            [](const Effects& e, const Session&) {
                return e.lines == std::vector<client::ChatLine> { { "1+Ann chats: a|b", client::kGreen } };
            } },
        { "own chat without a colour not shown in red, in the second person", {},
            net::msg::chatRelay(2, "Bob chats: no colour"),
            [](const Effects& e, const Session&) {
                return e.lines == std::vector<client::ChatLine> { { "2+You chat: no colour", client::kRed } };
            } },
        { "an action not shown", {}, net::msg::actionRelay(3, "Cy waves|$000000FF"),
            [](const Effects& e, const Session&) {
                return e.lines == std::vector<client::ChatLine> { { "3+Cy waves", client::kRed } };
            } },
        { "a chatter sound not played", {}, net::msg::playasoundRelay(1, "wave3"),
            [](const Effects& e, const Session&) { return e.sounds == std::vector<std::string> { "wave3" }; } },
        { "a game start not followed", {}, net::msg::startgameRelay("Ann", slowGame()),
            [&](const Effects& e, const Session& s) {
                return game(s).started() && texts(e) == std::vector<std::string> { "0+Ann has started a SLOW game." };
            } },
        { "a late joiner's snapshot lost", {}, net::msg::stats(3, slowGame(), "play"),
            [&](const Effects&, const Session& s) { return game(s).started() && game(s).whoseTurn() == 3; } },
        { "the next player not followed", { net::msg::startgameRelay("Ann", slowGame()) }, net::msg::nextplayer(3),
            [&](const Effects&, const Session& s) { return game(s).status() == "Cy's turn."; } },
        { "tiles not dealt", { net::msg::startgameRelay("Ann", slowGame()), net::msg::nextplayer(1) },
            net::msg::thedice(1, net::kDiceTen, { 'C', 'A', 'T', 'S', 'D', 'O', 'G', 'E', 'I', 'R' }),
            [&](const Effects&, const Session& s) {
                return game(s).rack().tile(1).letter == 'C' && game(s).clockRunning();
            } },
        { "another's tile move not shown",
            { net::msg::startgameRelay("Ann", slowGame()), net::msg::nextplayer(1),
                net::msg::thedice(1, net::kDiceTen, { 'C', 'A', 'T', 'S', 'D', 'O', 'G', 'E', 'I', 'R' }) },
            net::msg::setdiceRelay(1, 4),
            [&](const Effects& e, const Session& s) {
                return game(s).rack().tile(4).shownInWord == 1 && has(e.sounds, "puttile");
            } },
        { "another's clear not shown",
            { net::msg::startgameRelay("Ann", slowGame()), net::msg::nextplayer(1),
                net::msg::thedice(1, net::kDiceTen, { 'C', 'A', 'T', 'S', 'D', 'O', 'G', 'E', 'I', 'R' }),
                net::msg::setdiceRelay(1, 4) },
            net::msg::clearthemRelay(),
            [&](const Effects&, const Session& s) { return game(s).rack().tile(4).shownInWord == 0; } },
        { "an accepted word not boxed", { net::msg::startgameRelay("Ann", slowGame()), net::msg::nextplayer(1) },
            net::msg::accepted(4, "CATS"),
            [&](const Effects&, const Session& s) {
                return game(s).box(4).words == std::vector<std::string> { "CATS" }
                && game(s).status() == "CATS ACCEPTED";
            } },
        { "a rejection not shown", { net::msg::startgameRelay("Ann", slowGame()), net::msg::nextplayer(1) },
            net::msg::rejected("CATZ", "+ Rejected"),
            [&](const Effects& e, const Session& s) {
                return game(s).status() == "CATZ Rejected" && has(e.sounds, "badword");
            } },
        { "another's word not listed", { net::msg::startgameRelay("Ann", slowGame()) },
            net::msg::addaword(3, 5, "TIGER"),
            [&](const Effects&, const Session& s) {
                return game(s).wordList(3).lines == std::vector<std::string> { "5: TIGER" };
            } },
        { "bought tiles not shown", { net::msg::startgameRelay("Ann", slowGame()) }, net::msg::newtilesRelay(3, 1700),
            [&](const Effects&, const Session& s) {
                return game(s).seat(3).score == "1700" && game(s).resultText() == "Cy bought new tiles for 300 points!";
            } },
        { "the old tiles bought back not shown", { net::msg::startgameRelay("Ann", slowGame()) },
            net::msg::oldtilesRelay(1, 400),
            [&](const Effects&, const Session& s) {
                return game(s).resultText() == "Ann bought the old tiles for 300 points!";
            } },
        { "a late joiner's scores lost", { net::msg::stats(3, slowGame(), "play") }, net::msg::loadscores(3, 4100),
            [&](const Effects&, const Session& s) { return game(s).seat(3).score == "4100"; } },
        { "the end of a turn not shown", { net::msg::startgameRelay("Ann", slowGame()), net::msg::nextplayer(1) },
            net::msg::turnend(),
            [&](const Effects& e, const Session& s) {
                return game(s).status() == "Posting Scores.. One Moment Please!" && has(e.sounds, "showlist");
            } },
        { "scores not posted", { net::msg::startgameRelay("Ann", slowGame()) },
            net::msg::scores(2, 450, 300, 6, 750, 2, 750),
            [&](const Effects& e, const Session& s) { return game(s).seat(2).score == "750" && e.turnScore == 750; } },
        { "a finish vote not shown", { net::msg::startgameRelay("Ann", slowGame()) }, net::msg::ifinished(1),
            [&](const Effects& e, const Session& s) {
                return game(s).seat(1).bonus == "finished" && has(e.sounds, "pass");
            } },
        { "everyone's vote not shown", { net::msg::startgameRelay("Ann", slowGame()) }, net::msg::allfinished(),
            [](const Effects& e, const Session&) {
                return texts(e) == std::vector<std::string> { "0+Everyone has voted to finish this round." };
            } },
        { "a notice from the host not shown apart from chat", {},
            net::msg::notice("This game uses a custom word list of 3 words"),
            [](const Effects& e, const Session&) {
                return e.lines
                    == std::vector<client::ChatLine> { { "0+This game uses a custom word list of 3 words",
                        client::kMaroon } };
            } },
        { "the winner not shown", { net::msg::startgameRelay("Ann", slowGame()) }, net::msg::winner("Ann"),
            [&](const Effects& e, const Session& s) {
                return game(s).winnerText() == "Ann has Won the Game!" && e.tallyGame == "Ann";
            } },
    };
    for (const Row& r : rows) {
        Seated t;
        for (const std::string& m : r.before)
            t.feed(m);
        const Effects e = t.feed(r.message);
        EXPECT_FALSE(e.ignored) << r.fault << ": " << e.ignored.value_or("");
        EXPECT_TRUE(r.changed(e, t.session)) << r.fault;
    }
}

TEST(Session, LoggingInAndTheHostsRights)
{
    struct Row {
        const char* fault;
        bool hosting;
        std::string seatText;
        bool rightsAfter;
        std::optional<bool> rightsEffect;
        std::vector<std::string> sent;
    };
    const Row rows[] = {
        { "a joiner seated at 1 by a dedicated host could not start games", false, "1", true, true,
            { net::msg::logininfo(1, "1.0.13", "Ann") } },
        { "a joiner at seat 2 took the host's rights", false, "2", false, std::nullopt,
            { net::msg::logininfo(2, "1.0.13", "Ann") } },
        { "the hosting copy was told of rights it always had", true, "1", true, std::nullopt,
            { net::msg::logininfo(1, "1.0.13", "Ann") } },
        { "a spectator's seat was not logged in", false, "8", false, std::nullopt,
            { net::msg::logininfo(8, "1.0.13", "Ann") } },
        { "seat 0 opened the gate for sending", false, "0", false, std::nullopt, {} },
        { "a seat past the table was taken", true, "10", true, std::nullopt, {} },
        { "a seat that is no number was taken", false, "one", false, std::nullopt, {} },
    };
    for (const Row& r : rows) {
        Session s(1);
        s.setLoginName("Ann");
        s.setHosting(r.hosting);
        const Effects e = s.receive("CMD_sendlogininfo+" + r.seatText);
        EXPECT_EQ(s.hostRights(), r.rightsAfter) << r.fault;
        EXPECT_EQ(e.hostRights, r.rightsEffect) << r.fault;
        EXPECT_EQ(e.send, r.sent) << r.fault;
        EXPECT_EQ(e.seated.has_value(), !r.sent.empty()) << r.fault;
        EXPECT_EQ(s.roster().connected(), !r.sent.empty()) << r.fault;
        EXPECT_EQ(e.ignored.has_value(), r.sent.empty()) << r.fault;
    }
}

// "Game is full" ends a window the host refused, never one it seated.
TEST(Session, OnlyARefusedWindowIsFull)
{
    struct Row {
        const char* fault;
        std::vector<std::string> before;
        bool full;
    };
    const Row rows[] = {
        { "a tenth connection refused at once not told", {}, true },
        { "a connection refused from the seat past the table not told", { net::msg::sendlogininfo(10) }, true },
        { "a seated player told the game is full", { net::msg::sendlogininfo(4) }, false },
        { "a seated spectator told the game is full", { net::msg::sendlogininfo(9) }, false },
    };
    for (const Row& r : rows) {
        Session s(1);
        for (const std::string& m : r.before)
            s.receive(unframed(m));
        EXPECT_EQ(s.receive(unframed(net::msg::full())).gameFull, r.full) << r.fault;
    }
}

TEST(Session, WhatThePlayerMayAskFor)
{
    using Ask = std::function<Effects(Session&)>;
    struct Row {
        const char* fault;
        bool hosting;
        int seat; // 0: not seated yet
        Ask ask;
        std::vector<std::string> sent;
    };
    const std::vector<Row> rows = {
        { "a start sent before the host seated us", true, 0, [](Session& s) { return s.startGame({}); }, {} },
        { "the start not sent", true, 1, [](Session& s) { return s.startGame({}); }, { net::msg::startgame(1, {}) } },
        { "a removal sent before the host seated us", true, 0, [](Session& s) { return s.removePlayer(5); }, {} },
        { "the host could not remove a player", true, 1, [](Session& s) { return s.removePlayer(5); },
            { net::msg::kickhim(1, 5) } },
        { "the host could not remove a spectator", true, 1, [](Session& s) { return s.removePlayer(8); },
            { net::msg::kickhim(1, 8) } },
        { "a player without the host's rights removed someone", false, 2, [](Session& s) { return s.removePlayer(5); },
            {} },
        { "seat 5 set to just watch", true, 1, [](Session& s) { return s.setJustWatch(5, true); }, {} },
        { "seat 4 could not be set to watch", true, 1, [](Session& s) { return s.setJustWatch(4, true); },
            { net::msg::justwatch(4, true) } },
        { "an unchecked Just Watch did not ask to watch", false, 2, [](Session& s) { return s.toggleJustWatch(false); },
            { net::msg::justwatch(2, true) } },
        { "a checked Just Watch did not ask to play again", false, 3,
            [](Session& s) { return s.toggleJustWatch(true); }, { net::msg::justwatch(3, false) } },
    };
    for (const Row& r : rows) {
        Session s(1);
        s.setHosting(r.hosting);
        if (r.seat != 0)
            s.receive(unframed(net::msg::sendlogininfo(r.seat)));
        EXPECT_EQ(r.ask(s).send, r.sent) << r.fault;
    }
}

TEST(Session, NothingIsSentOnceTheHostIsGone)
{
    Seated t;
    t.feed(net::msg::startgameRelay("Ann", slowGame()));
    t.feed(net::msg::nextplayer(2));
    t.feed(net::msg::thedice(2, net::kDiceTen, { 'C', 'A', 'T', 'S', 'D', 'O', 'G', 'E', 'I', 'R' }));
    t.session.disconnected();
    EXPECT_TRUE(t.session.game().leftClick(1).send.empty());
    EXPECT_TRUE(t.session.game().hitdone().send.empty());
    EXPECT_TRUE(t.session.toggleJustWatch(false).send.empty());
}

TEST(Session, ChatterSoundsNameTheirSender)
{
    struct Row {
        const char* fault;
        bool chatterOn;
        std::string message;
        std::vector<std::string> sounds;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        { "a chatter sound played with chatter off", false, net::msg::playasoundRelay(1, "wave2"), {},
            { "0+Ann: <Chatter Sound> Cough" } },
        { "a spectator's chatter sound without its name", false, net::msg::playasoundRelay(7, "WAVE13"), {},
            { "0+Spy: <Chatter Sound> Applause" } },
        { "a free seat's chatter named other than its label", false, net::msg::playasoundRelay(6, "wave1"), {},
            { "0+<Waiting>: <Chatter Sound> Doh" } },
        { "a chatter sound not played with chatter on", true, net::msg::playasoundRelay(9, "wave20"), { "wave20" },
            {} },
        { "a sound that is no chatter sound played", true, net::msg::playasoundRelay(1, "gameover"), {}, {} },
    };
    for (const Row& r : rows) {
        Seated t;
        t.feed(net::msg::newplayerinfo(7, "Spy"));
        t.session.setChatterSounds(r.chatterOn);
        const Effects e = t.feed(r.message);
        EXPECT_EQ(e.sounds, r.sounds) << r.fault;
        EXPECT_EQ(texts(e), r.lines) << r.fault;
    }
}

TEST(Session, LinesItDoesNotKnowChangeNothing)
{
    for (const std::string line : { "CMD_ping+", "cmd_full+", "CMD_full", "", "+", "CMD_Notice+Hello", "CMD_" }) {
        Seated t;
        const Effects e = t.session.receive(line);
        EXPECT_TRUE(e.send.empty() && e.lines.empty() && e.sounds.empty() && !e.gameFull) << line;
        EXPECT_EQ(t.session.roster().mySeat(), 2) << line;
    }
}

// A computer player sees the game only through these: each must come with the
// message that makes it, and with nothing else.
TEST(Session, WhatHappenedInPlay)
{
    using Check = std::function<bool(const Effects&)>;
    struct Row {
        const char* fault;
        std::vector<std::string> before;
        std::string message;
        Check happened;
    };
    const std::string start = net::msg::startgameRelay("Ann", slowGame());
    const std::vector<Row> rows = {
        { "a game start went unnoticed", {}, start, [](const Effects& e) { return e.gameStarted && !e.turnOver; } },
        { "a turn went unnoticed", { start }, net::msg::nextplayer(8),
            [](const Effects& e) { return e.turnStarted == 1 && !e.gameStarted; } },
        { "a late joiner did not learn whose turn it is", {}, net::msg::stats(2, slowGame(), "play"),
            [](const Effects& e) { return e.turnStarted == 2; } },
        { "a Zirked rack taken for a plain one", { start, net::msg::nextplayer(2) },
            net::msg::thedice(
                2, net::kDiceThirteen, { 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M' }),
            [](const Effects& e) {
                return e.dealt && e.dealt->seat == 2 && e.dealt->fresh && e.dealt->zirked
                    && e.dealt->letters == "ABCDEFGHIJKLM";
            } },
        { "bought tiles taken for a new turn", { start, net::msg::nextplayer(2) },
            net::msg::thedice(2, net::kDiceNew, { 'Q', 'U', 'E', 'S', 'T', 'I', 'O', 'N', 'E', 'D' }),
            [](const Effects& e) { return e.dealt && !e.dealt->fresh && e.dealt->letters == "QUESTIONED"; } },
        { "an accepted word went unnoticed", { start }, net::msg::accepted(4, "CATS"),
            [](const Effects& e) {
                return e.verdict && e.verdict->word == "CATS" && e.verdict->accepted && e.verdict->reason.empty();
            } },
        { "a rejection lost its reason", { start }, net::msg::rejected("CATS", "+ Rejected. Word Exists"),
            [](const Effects& e) {
                return e.verdict && e.verdict->word == "CATS" && !e.verdict->accepted
                    && e.verdict->reason == "+ Rejected. Word Exists";
            } },
        { "a result went to the wrong seat", { start }, net::msg::scores(3, 450, -500, 5, 1500, 3, 1500),
            [](const Effects& e) {
                return e.scored && e.scored->seat == 3 && e.scored->points == 450 && e.scored->bonus == -500
                    && e.scored->words == 5 && !e.turnScore;
            } },
        { "the end of a turn went unnoticed", { start }, net::msg::turnend(),
            [](const Effects& e) { return e.turnOver; } },
        { "the end of the game went unnoticed", { start }, net::msg::winner("Cy"),
            [](const Effects& e) { return e.turnOver; } },
        { "a departure went unnoticed", {}, net::msg::playerdisconnected(9, "Nobody"),
            [](const Effects& e) { return e.left == 9; } },
        { "a departure from no seat counted", {}, net::msg::playerdisconnected(0, "Nobody"),
            [](const Effects& e) { return !e.left && e.ignored; } },
        { "the host's other version went unnoticed", {}, net::msg::wrongversion(),
            [](const Effects& e) { return e.wrongVersion; } },
    };
    for (const Row& r : rows) {
        Seated t;
        for (const std::string& m : r.before)
            t.feed(m);
        EXPECT_TRUE(r.happened(t.feed(r.message))) << r.fault;
    }
}

// A hostile host's game messages that the game as it stands does not allow:
// each is dropped with a reason for the log, and nothing is shown, played,
// sent or tallied.
TEST(Session, GameMessagesTheStateDoesNotAllow)
{
    using Check = std::function<bool(const Session&)>;
    struct Row {
        const char* fault;
        std::vector<std::string> before;
        std::string message;
        Check unchanged;
    };
    const std::string start = net::msg::startgameRelay("Ann", slowGame());
    const auto& game = [](const Session& s) -> const client::Game& { return s.game(); };
    const std::vector<Row> rows = {
        { "tiles dealt with no game running", {}, net::msg::thedice(2, net::kDiceTen, { 'Z', 'Z', 'Z' }),
            [&](const Session& s) { return game(s).rack().tile(1).letter != 'Z' && !game(s).clockRunning(); } },
        { "ZZZ ACCEPTED with no game running", {}, net::msg::accepted(3, "ZZZ"),
            [&](const Session& s) { return game(s).box(3).words.empty() && game(s).status().empty(); } },
        { "a rejection with no game running", {}, net::msg::rejected("ZZZ", "+ Rejected"),
            [&](const Session& s) { return game(s).status().empty(); } },
        { "a turn began with no game running", {}, net::msg::nextplayer(2),
            [&](const Session& s) { return !game(s).started() && !game(s).myTurn(); } },
        { "a turn's scores with no game running", {}, net::msg::scores(2, 450, 300, 6, 750, 2, 750),
            [&](const Session& s) { return game(s).seat(2).score == "0"; } },
        { "a score with no game running", {}, net::msg::loadscores(2, 900),
            [&](const Session& s) { return game(s).seat(2).score == "0"; } },
        { "a purchase with no game running", {}, net::msg::newtilesRelay(3, 900),
            [&](const Session& s) { return game(s).resultText().empty(); } },
        { "a tile move with no game running", {}, net::msg::setdiceRelay(1, 4),
            [&](const Session& s) { return game(s).rack().tile(4).shownInWord == 0; } },
        { "a word for the lists with no game running", {}, net::msg::addaword(3, 5, "TIGER"),
            [&](const Session& s) { return game(s).wordList(3).lines.empty(); } },
        { "the end of a turn with no game running", {}, net::msg::turnend(),
            [&](const Session& s) { return game(s).status().empty(); } },
        { "a finish vote with no game running", {}, net::msg::ifinished(1),
            [&](const Session& s) { return game(s).seat(1).bonus.empty(); } },
        { "everyone's vote with no game running", {}, net::msg::allfinished(), [](const Session&) { return true; } },
        { "a winner with no game running", {}, net::msg::winner("Bob"),
            [&](const Session& s) { return !game(s).winnerShown(); } },
        { "one game's winner counted twice", { start, net::msg::winner("Ann") }, net::msg::winner("Ann"),
            [&](const Session& s) { return game(s).winnerText() == "Ann has Won the Game!"; } },
        { "Game is full closed a seated window", {}, net::msg::full(), [](const Session&) { return true; } },
        { "a line from no seat passed for the game's own", {},
            "CMD_action+0+Everyone has voted to finish this round.|$00FF0000", [](const Session&) { return true; } },
        { "chat whose seat is no number shown", {}, "CMD_chat+x+hi|clBlack", [](const Session&) { return true; } },
    };
    for (const Row& r : rows) {
        Seated t;
        for (const std::string& m : r.before)
            t.feed(m);
        const Effects e = t.feed(r.message);
        EXPECT_TRUE(e.ignored) << r.fault;
        EXPECT_TRUE(e.lines.empty() && e.sounds.empty() && e.send.empty()) << r.fault;
        EXPECT_FALSE(e.gameFull || e.tallyGame || e.gameScore || e.turnScore || e.dealt || e.verdict) << r.fault;
        EXPECT_TRUE(r.unchanged(t.session)) << r.fault;
    }
}

TEST(Session, AWinnerInTheMiddleOfATurnLeavesNothingOfTheTurnDrawn)
{
    Seated t;
    t.feed(net::msg::startgameRelay("Ann", slowGame()));
    t.feed(net::msg::nextplayer(1));
    t.feed(net::msg::thedice(1, net::kDiceTen, { 'C', 'A', 'T', 'S', 'D', 'O', 'G', 'E', 'I', 'R' }));
    t.feed(net::msg::setdiceRelay(1, 4));
    ASSERT_TRUE(t.session.game().turnMarkerShown());
    t.feed(net::msg::winner("Cy"));
    const client::Game& g = t.session.game();
    EXPECT_FALSE(g.turnMarkerShown()) << "the gold frame stayed on the last player";
    EXPECT_FALSE(g.clockRunning());
    for (int tile = 1; tile <= 10; ++tile)
        EXPECT_TRUE(!g.rack().tile(tile).picture && g.rack().tile(tile).shownInWord == 0) << "tile " << tile;
    EXPECT_EQ(g.winnerText(), "Cy has Won the Game!");
}

// The tally learns its own result from the seat the host gave it, and keeps
// only scores the rules can give.
TEST(Session, TheTallyTakesItsResultFromItsSeat)
{
    struct Row {
        const char* fault;
        std::string login;
        std::vector<std::pair<int, std::string>> seated; // we are seat 2
        std::vector<std::string> during; // after the start
        std::string winner;
        std::optional<std::string> tallied;
        std::optional<int> gameScore;
        std::optional<int> turnScore;
    };
    const std::vector<Row> rows = {
        { "another Alice's win counted as ours", "Alice", { { 1, "Alice" }, { 2, "Alice (2)" } },
            { net::msg::loadscores(1, 5100), net::msg::loadscores(2, 3000) }, "Alice", "Alice", 3000, {} },
        { "our win under the name the host gave us not counted", "Alice", { { 1, "Alice" }, { 2, "Alice (2)" } },
            { net::msg::loadscores(2, 5100) }, "Alice (2)", "addtomine", 5100, {} },
        { "a namesake's win counted as ours (an older host)", "Alice", { { 1, "Alice" }, { 2, "Alice" } },
            { net::msg::loadscores(1, 5100), net::msg::loadscores(2, 3000) }, "Alice", "Alice", 3000, {} },
        { "our win beside a namesake not counted", "Alice", { { 1, "Alice" }, { 2, "Alice" } },
            { net::msg::loadscores(1, 3000), net::msg::loadscores(2, 5100) }, "Alice", "addtomine", 5100, {} },
        { "a game score no game reaches recorded", "Bob", { { 2, "Bob" } },
            { net::msg::loadscores(2, 2147483647) }, "Bob", "addtomine", {}, {} },
        { "the most a game of 5000 can leave not recorded", "Bob", { { 2, "Bob" } },
            { net::msg::loadscores(2, 4999 + 16900) }, "Bob", "addtomine", 4999 + 16900, {} },
        { "a turn score no turn reaches recorded", "Bob", { { 2, "Bob" } },
            { net::msg::scores(2, 2147483647, 0, 5, 2147483647, 2, 2147483647) }, "Cy", "Cy", {}, {} },
        { "a bonus no turn earns recorded", "Bob", { { 2, "Bob" } }, { net::msg::scores(2, 100, 4651, 5, 4751, 2, 4751) },
            "Cy", "Cy", 4751, {} },
        { "the best turn there is not recorded", "Bob", { { 2, "Bob" } },
            { net::msg::scores(2, 12250, 4650, 40, 16900, 2, 16900) }, "Cy", "Cy", 16900, 16900 },
        { "a Zirked player's penalty taken for a score no turn reaches", "Bob", { { 2, "Bob" } },
            { net::msg::scores(2, 450, -500, 5, 1500, 2, 1500) }, "Cy", "Cy", 1500, -50 },
    };
    for (const Row& r : rows) {
        Session s(7);
        s.setLoginName(r.login);
        s.receive(unframed(net::msg::sendlogininfo(2)));
        for (const auto& [seat, name] : r.seated)
            s.receive(unframed(net::msg::newplayerinfo(seat, name)));
        s.receive(unframed(net::msg::startgameRelay("Ann", slowGame())));
        std::optional<int> turnScore;
        for (const std::string& m : r.during)
            if (const Effects e = s.receive(unframed(m)); e.turnScore)
                turnScore = e.turnScore;
        const Effects e = s.receive(unframed(net::msg::winner(r.winner)));
        EXPECT_EQ(e.tallyGame, r.tallied) << r.fault;
        EXPECT_EQ(e.gameScore, r.gameScore) << r.fault;
        EXPECT_EQ(turnScore, r.turnScore) << r.fault;
        EXPECT_EQ(s.game().winnerText() == "You have Won the Game!", r.tallied == "addtomine") << r.fault;
    }
}
