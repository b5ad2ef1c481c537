// The client's game model driven by the host's real wire lines and by the
// player's clicks and keys, with no window and no socket.

#include "Lines.h"
#include "client/Session.h"
#include "net/Commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using client::Effects;
using client::Game;
using client::Key;

namespace
{

using clienttest::has;
using clienttest::unframed;

// One client at the table, fed by framed host messages through its session.
struct Table {
    client::Session session { 12345 };
    Game& game = session.game();
    Effects last;

    explicit Table(int mySeat = 1, std::vector<std::string> names = { "Ann", "Bob", "Cy" })
    {
        if (static_cast<std::size_t>(mySeat) <= names.size())
            session.setLoginName(names[static_cast<std::size_t>(mySeat - 1)]);
        session.setHosting(mySeat == 1);
        host(net::msg::sendlogininfo(mySeat));
        for (std::size_t i = 0; i < names.size(); ++i)
            host(net::msg::newplayerinfo(static_cast<int>(i + 1), names[i]));
    }

    Effects host(const std::string& framed)
    {
        last = session.receive(unframed(framed));
        return last;
    }

    void start(bool fast = false, int time = 60, bool newTiles = true, bool typing = true)
    {
        net::GameOptions o;
        o.fast = fast;
        o.timePerTurn = time;
        o.newTiles = newTiles;
        o.typing = typing;
        host(net::msg::startgameRelay("Ann", o));
    }

    // Seat `seat` is on turn with these letters.
    void turn(int seat, const std::string& letters = "CATSDOGEIR", std::string_view kind = net::kDiceTen)
    {
        host(net::msg::nextplayer(seat));
        host(net::msg::thedice(seat, kind, std::vector<char>(letters.begin(), letters.end())));
    }

    Effects type(const std::string& keys)
    {
        Effects all;
        for (char c : keys) {
            Effects e;
            EXPECT_TRUE(game.key(Key::Letter, c, e));
            all.send.insert(all.send.end(), e.send.begin(), e.send.end());
        }
        return all;
    }

    std::string word() const
    {
        std::string w;
        for (int n : game.rack().word())
            w += game.rack().tile(n).letter;
        return w;
    }
};

} // namespace

TEST(ClientGame, StartAndTurnsFollowTheHost)
{
    Table t(2);
    t.start(false);
    EXPECT_EQ(t.last.lines.at(0).text, "0+Ann has started a SLOW game.");
    EXPECT_EQ(t.game.infoTexts()[5], "Fast Game: No");
    EXPECT_EQ(t.game.infoTexts()[3], "Allow Typing: On");

    // A spectator's seat on turn is shown as seat 1's.
    t.host(net::msg::nextplayer(9));
    EXPECT_EQ(t.game.whoseTurn(), 1);
    EXPECT_EQ(t.game.status(), "Ann's turn.");
    EXPECT_TRUE(t.game.turnMarkerShown());
    EXPECT_EQ(t.game.turnMarkerSeat(), 1);
    EXPECT_FALSE(t.game.buttons().done);

    t.turn(2);
    EXPECT_EQ(t.game.status(), "Your Turn.");
    EXPECT_TRUE(t.game.buttons().done && t.game.buttons().clear && t.game.buttons().finish);
    EXPECT_TRUE(t.game.buttons().newTiles);
    EXPECT_FALSE(t.game.buttons().oldTiles);
    EXPECT_EQ(t.last.sounds, std::vector<std::string> { "turn" });
    for (int n = 1; n <= 10; ++n)
        EXPECT_TRUE(t.game.rack().tile(n).visible && t.game.rack().tile(n).picture) << n;
    for (int n = 11; n <= 13; ++n)
        EXPECT_FALSE(t.game.rack().tile(n).visible) << n;
    EXPECT_TRUE(t.game.clockRunning());

    // Zirked: thirteen tiles, the three-letter box maroon, and the sound only for the one on turn.
    t.game.setTurnSoundNew(true);
    t.turn(2, "ABCDEFGHIJKLM", net::kDiceThirteen);
    EXPECT_EQ(t.last.sounds, std::vector<std::string> { "zirked" });
    EXPECT_TRUE(t.game.rack().tile(13).visible);
    EXPECT_EQ(t.game.rack().tile(13).letter, 'M');
    EXPECT_EQ(t.game.box(3).background, client::kMaroon);
    EXPECT_EQ(t.game.box(4).background, client::kWhite);
    t.turn(2);
    EXPECT_EQ(t.last.sounds, std::vector<std::string> { "turnnew" });
    EXPECT_EQ(t.game.box(3).background, client::kWhite);
    t.turn(1);
    EXPECT_TRUE(t.last.sounds.empty());

    // A fast game has no turn marker, and the own seat is on turn for everyone.
    t.start(true);
    EXPECT_EQ(t.last.lines.at(0).text, "0+Ann has started a FAST game.");
    t.turn(2);
    EXPECT_FALSE(t.game.turnMarkerShown());
    EXPECT_TRUE(t.game.myTurn());
}

TEST(ClientGame, TheStarterIsToldInTheirOwnWords)
{
    Table t(1);
    t.start(true);
    EXPECT_EQ(t.last.lines.at(0).text, "0+You have started a FAST game.");
    EXPECT_FALSE(t.game.startButton());
}

TEST(ClientGame, BuildingAWordByClicks)
{
    Table t(2);
    t.start();
    t.turn(2, "CATSDOGEIR");
    auto e = t.game.leftClick(1);
    EXPECT_EQ(e.send, std::vector<std::string> { net::msg::setdice(2, 1, 1) });
    EXPECT_EQ(e.sounds, std::vector<std::string> { "puttile" });
    t.game.leftClick(2);
    t.game.leftClick(3);
    EXPECT_EQ(t.word(), "CAT");
    EXPECT_EQ(t.game.rack().tile(3).wordPosition, 3);
    EXPECT_EQ(t.game.rack().tile(3).shownInWord, 3);

    // Only the last tile of the word comes back.
    e = t.game.leftClick(1);
    EXPECT_TRUE(e.send.empty());
    EXPECT_EQ(t.word(), "CAT");
    e = t.game.otherClick(3);
    EXPECT_EQ(e.send, std::vector<std::string> { net::msg::setdice(2, 0, 3) });
    EXPECT_EQ(e.sounds, std::vector<std::string> { "clear" });
    EXPECT_TRUE(e.focusChat);
    EXPECT_EQ(t.word(), "CA");

    e = t.game.hitdone();
    EXPECT_EQ(e.send, std::vector<std::string> { net::msg::done(2, { 1, 2 }) });
    EXPECT_EQ(t.game.rack().wordLength(), 0);
    // An empty word sends nothing and leaves the rack as it was.
    e = t.game.hitdone();
    EXPECT_TRUE(e.send.empty());

    // The eleventh tile is never taken.
    t.turn(2, "ABCDEFGHIJKLM", net::kDiceThirteen);
    for (int n = 1; n <= 11; ++n)
        t.game.leftClick(n);
    EXPECT_EQ(t.game.rack().wordLength(), 10);
    EXPECT_EQ(t.game.rack().tile(11).wordPosition, 0);

    e = t.game.hitclear();
    EXPECT_EQ(e.send, std::vector<std::string> { net::msg::clearthem(2) });
    EXPECT_EQ(t.game.rack().wordLength(), 0);
}

TEST(ClientGame, NothingHappensOutOfTurn)
{
    Table t(2);
    t.start();
    t.turn(1);
    for (auto e : { t.game.leftClick(1), t.game.otherClick(1), t.game.hitclear(), t.game.hitdone(), t.game.hitnew(),
             t.game.hitold(), t.game.finish(), t.game.backspace() })
        EXPECT_TRUE(e.send.empty() && e.sounds.empty());
    EXPECT_EQ(t.game.rack().wordLength(), 0);
    Effects e;
    for (Key k : { Key::Tab, Key::Enter, Key::Zero, Key::Letter })
        EXPECT_FALSE(t.game.key(k, 'C', e)) << "out of turn every key goes to the chat";
}

TEST(ClientGame, ShufflingKeepsRowsAndSendsTilesHomeToTheirNewPlace)
{
    for (bool twoRows : { false, true }) {
        for (bool zirked : { false, true }) {
            Table t(1);
            t.game.useTwoRows(twoRows);
            t.start();
            t.turn(1, zirked ? "ABCDEFGHIJKLM" : "ABCDEFGHIJ", zirked ? net::kDiceThirteen : net::kDiceTen);
            const int tiles = zirked ? 13 : 10;
            std::multiset<int> places;
            for (int n = 1; n <= tiles; ++n)
                places.insert(t.game.rack().tile(n).place);
            t.game.leftClick(5);
            for (int round = 0; round < 40; ++round) {
                // A right click on a rack tile shuffles and takes nothing.
                auto e = t.game.otherClick(1);
                EXPECT_TRUE(e.send.empty());
                for (int n = 1; n <= tiles; ++n)
                    EXPECT_EQ(twoRows && client::Rack::lowerRow(t.game.rack().tile(n).place),
                        twoRows && client::Rack::lowerRow(n))
                        << "shuffling never changes rows";
            }
            EXPECT_EQ(t.word(), "E");
            EXPECT_EQ(t.game.rack().tile(5).shownInWord, 1) << "a tile in the word stays there while others move";
            t.game.backspace();
            std::multiset<int> after;
            for (int n = 1; n <= tiles; ++n) {
                const auto& tile = t.game.rack().tile(n);
                EXPECT_EQ(tile.shownInWord, 0) << "every tile is back on the rack";
                after.insert(tile.place);
            }
            EXPECT_EQ(after, places) << "the tiles fill the same places, in some order";
        }
    }
}

TEST(ClientGame, TwoRowsLayoutAndToggle)
{
    Table t(1);
    t.start();
    t.turn(1, "ABCDEFGHIJKLM", net::kDiceThirteen);
    t.game.otherClick(1);
    t.game.leftClick(11);
    auto e = t.game.chooseTwoRows(true);
    EXPECT_EQ(e.send, std::vector<std::string> { net::msg::clearthem(1) }) << "the word is cleared as Clear does";
    EXPECT_TRUE(t.game.rack().twoRows());
    for (int n = 1; n <= 13; ++n)
        EXPECT_EQ(t.game.rack().tile(n).place, n) << "laying out again forgets the shuffle";
    // Tile 11 taken back returns to its own place in the lower row, like 12 and 13.
    t.game.leftClick(11);
    t.game.backspace();
    EXPECT_EQ(t.game.rack().tile(11).place, 11);
    EXPECT_EQ(t.game.rack().tile(11).shownInWord, 0);
    // Out of turn the option only lays the tiles out again.
    t.turn(2);
    e = t.game.chooseTwoRows(false);
    EXPECT_TRUE(e.send.empty());
    EXPECT_FALSE(t.game.rack().twoRows());
}

TEST(ClientGame, Typing)
{
    Table t(1);
    t.start();
    t.turn(1, "EXEMPLARYZ");
    Effects e;
    EXPECT_FALSE(t.game.key(Key::Letter, 'E', e)) << "typing is off until Tab";
    EXPECT_TRUE(t.game.key(Key::Tab, 0, e));
    EXPECT_TRUE(t.game.typingOn());
    auto sent = t.type("EE");
    EXPECT_EQ(sent.send, (std::vector<std::string> { net::msg::setdice(1, 1, 1), net::msg::setdice(1, 2, 3) }))
        << "the lower-numbered E first";
    t.type("Q");
    EXPECT_EQ(t.word(), "EE") << "a letter with no free tile does nothing";
    EXPECT_TRUE(t.game.key(Key::Backspace, 0, e));
    EXPECT_EQ(t.word(), "E");
    t.type("XMPLARYZ");
    t.type("E");
    EXPECT_EQ(t.game.rack().wordLength(), 10);
    t.type("E");
    EXPECT_EQ(t.game.rack().wordLength(), 10) << "an eleventh letter does nothing";
    e = {};
    EXPECT_TRUE(t.game.key(Key::Enter, 0, e));
    EXPECT_EQ(e.send.size(), 1u);
    EXPECT_EQ(t.game.rack().wordLength(), 0);
    e = {};
    EXPECT_TRUE(t.game.key(Key::Other, 0, e)) << "other keys are swallowed while typing";
    EXPECT_TRUE(e.send.empty());

    // "0" buys new tiles unless the key is turned off; either way it never reaches the chat.
    t.game.setTurnOff0(true);
    e = {};
    EXPECT_TRUE(t.game.key(Key::Zero, 0, e));
    EXPECT_TRUE(e.send.empty());
    t.game.setTurnOff0(false);
    EXPECT_TRUE(t.game.key(Key::Zero, 0, e));
    EXPECT_EQ(e.send, std::vector<std::string> { net::msg::newtiles(1) });
    EXPECT_FALSE(t.game.buttons().newTiles) << "the button hides before the host answers";

    // A host that does not allow typing leaves every key to the chat.
    Table u(1);
    u.start(false, 60, true, false);
    u.turn(1);
    EXPECT_FALSE(u.game.key(Key::Tab, 0, e));
    EXPECT_FALSE(u.game.buttons().typing);
}

TEST(ClientGame, BoxesFillAndScore)
{
    Table t(1);
    t.start();
    t.turn(1);
    const char* words[] = { "CAT", "DOG", "EAR", "RAT", "TIE" };
    for (int i = 0; i < 4; ++i) {
        const auto e = t.host(net::msg::accepted(3, words[i]));
        EXPECT_EQ(e.sounds, std::vector<std::string> { "goodword" });
        EXPECT_EQ(t.game.box(3).textColour, client::kGreen);
    }
    EXPECT_EQ(t.game.status(), "RAT ACCEPTED");
    EXPECT_EQ(t.game.statusColour(), client::kGreen);
    EXPECT_EQ(t.game.box(3).points, 90);
    auto e = t.host(net::msg::accepted(3, words[4]));
    EXPECT_EQ(e.sounds, (std::vector<std::string> { "filled", "goodword" }));
    EXPECT_EQ(t.game.box(3).background, client::kSilver);
    EXPECT_EQ(t.game.box(3).textColour, client::kFullBoxText) << "a full box is no fault: not red";
    EXPECT_TRUE(t.game.box(3).full);
    EXPECT_EQ(t.game.box(3).points, 100);

    for (int i = 0; i < 4; ++i)
        t.host(net::msg::accepted(10, "ABCDEFGHIJ"));
    EXPECT_EQ(t.game.box(10).points, 5000) << "four ten-letter words show 5000, not 5500";
    for (int i = 0; i < 5; ++i)
        t.host(net::msg::accepted(8, "ABCDEFGH"));
    EXPECT_EQ(t.game.box(8).points, 1750) << "the host's figure for five 8-letter words";
    EXPECT_EQ(t.game.currentSum(), 100 + 5000 + 1750);

    e = t.host(net::msg::rejected("CATS", "+ Plural of an existing word!"));
    EXPECT_EQ(t.game.status(), "CATS Plural of an existing word!");
    EXPECT_EQ(t.game.statusColour(), client::kRed);
    EXPECT_EQ(e.sounds, std::vector<std::string> { "badword" });

    // The next turn empties every box and its points.
    t.turn(2);
    EXPECT_TRUE(t.game.box(3).words.empty());
    EXPECT_EQ(t.game.box(3).background, client::kWhite);
    EXPECT_EQ(t.game.currentSum(), 0);
    EXPECT_EQ(t.game.status(), "Bob's turn.");
}

TEST(ClientGame, WordListsOrderByLength)
{
    Table t(1);
    t.start(true);
    t.turn(1);
    t.host(net::msg::addaword(2, 4, "FIRST"));
    t.host(net::msg::addaword(2, 4, "AFTER"));
    t.host(net::msg::addaword(2, 6, "LONGER"));
    t.host(net::msg::addaword(2, 3, "END"));
    EXPECT_EQ(t.game.wordList(2).lines, (std::vector<std::string> { "6: LONGER", "4: FIRST", "4: AFTER", "3: END" }));
    EXPECT_EQ(t.game.wordList(2).count, "4 words");
    t.host(net::msg::turnend());
    EXPECT_TRUE(t.game.wordListsShown());
    EXPECT_EQ(t.game.wordList(3).name, "Cy");
    t.turn(1);
    EXPECT_FALSE(t.game.wordListsShown()) << "a player's panel closes with the next turn";
    EXPECT_EQ(t.game.wordList(2).count, "0 words");
    EXPECT_EQ(t.game.wordList(2).score, "for +0");
}

TEST(ClientGame, ScoresAndResults)
{
    Table t(1);
    t.start();
    t.turn(1);
    auto e = t.host(net::msg::scores(1, 450, 300, 6, 2750, 1, 2750));
    EXPECT_FALSE(t.game.clockRunning());
    EXPECT_EQ(t.game.seat(1).score, "2750");
    EXPECT_EQ(t.game.seat(1).bonus, "+750");
    EXPECT_EQ(t.game.wordList(1).score, "for +750");
    EXPECT_EQ(t.game.resultText(), "Ann Scored: 750 points! 6 words made for 450 points plus 300 bonus points!");
    EXPECT_EQ(e.turnScore, 750);

    // The Zirked penalty shows "-500" and no "for +" text.
    t.turn(2);
    t.host(net::msg::scores(2, 450, -500, 5, 1500, 2, 1500));
    EXPECT_EQ(t.game.seat(2).bonus, "-500");
    EXPECT_EQ(t.game.wordList(2).score, "for +0");
    EXPECT_EQ(t.game.resultText(), "Bob Lost 500 points! 5 words made for 450 points but that wasn't enough!");
    EXPECT_EQ(t.game.seat(1).bonus, "") << "a slow game shows only the last bonus";

    t.host(net::msg::newtilesRelay(2, 1200));
    EXPECT_EQ(t.game.seat(2).score, "1200");
    EXPECT_EQ(t.game.resultText(), "Bob bought new tiles for 300 points!");
    EXPECT_FALSE(t.game.seat(2).newTiles) << "the marker is for fast games";
    t.host(net::msg::loadscores(3, 4100));
    EXPECT_EQ(t.game.seat(3).score, "4100");
}

TEST(ClientGame, BuyingTiles)
{
    Table t(1);
    t.start(true);
    t.turn(1, "ABCDEFGHIJ");
    t.game.leftClick(1);
    auto e = t.game.hitnew();
    EXPECT_EQ(e.send, std::vector<std::string> { net::msg::newtiles(1) });
    EXPECT_EQ(t.game.rack().wordLength(), 0);
    t.host(net::msg::thedice(1, net::kDiceNew, { 'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S', 'T' }));
    t.host(net::msg::newtilesRelay(1, -300));
    EXPECT_TRUE(t.game.buttons().oldTiles);
    EXPECT_TRUE(t.game.seat(1).newTiles);
    EXPECT_EQ(t.game.rack().tile(1).letter, 'K');
    EXPECT_EQ(t.game.clockGeneration(), 1) << "bought tiles do not restart the clock";
    e = t.game.hitold();
    EXPECT_EQ(e.send, std::vector<std::string> { net::msg::oldtiles(1) });
    EXPECT_FALSE(t.game.buttons().oldTiles);
}

TEST(ClientGame, TheClock)
{
    Table t(1);
    t.start(false, 90);
    t.turn(1);
    auto e = t.game.tick();
    EXPECT_EQ(t.game.timeText(), "Time: 1:29");
    EXPECT_EQ(t.game.clockBarWidth(), 89);
    std::vector<int> soundsAt, spokenAt;
    for (int i = 0; i < 100 && t.game.clockRunning(); ++i) {
        const int before = t.game.clockSeconds();
        e = t.game.tick();
        if (has(e.sounds, "time"))
            soundsAt.push_back(before - 1);
        if (!e.spoken.empty())
            spokenAt.push_back(before - 1);
    }
    EXPECT_EQ(soundsAt, (std::vector<int> { 20, 15, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0 }));
    EXPECT_EQ(spokenAt, std::vector<int> { 10 }) << "the last ten seconds are said once, not by colour alone";
    // Time ran out on our own turn: ended here, nothing sent; the host's clock decides.
    EXPECT_TRUE(e.send.empty());
    EXPECT_EQ(e.sounds, std::vector<std::string> { "timeup" });
    EXPECT_EQ(t.game.status(), "Posting Scores.. One Moment Please!");
    EXPECT_EQ(t.game.whoseTurn(), 0);
    EXPECT_EQ(t.game.timeText(), "Time: 0:00");
    EXPECT_FALSE(t.game.buttons().done);
    EXPECT_TRUE(t.game.tick().sounds.empty()) << "a stopped clock stays quiet";
}

TEST(ClientGame, TheWinner)
{
    {
        Table t(1);
        t.session.setHosting(true);
        t.start();
        EXPECT_FALSE(t.game.startButton());
        t.host(net::msg::loadscores(1, 5200));
        auto e = t.host(net::msg::winner("Ann"));
        EXPECT_EQ(t.game.winnerText(), "You have Won the Game!");
        EXPECT_TRUE(t.game.winnerShown());
        EXPECT_EQ(e.tallyGame, "addtomine");
        EXPECT_EQ(e.gameScore, 5200);
        EXPECT_EQ(e.sounds, std::vector<std::string> { "gameover" });
        EXPECT_TRUE(t.game.startButton()) << "the host may start the next game";
        t.start();
        EXPECT_FALSE(t.game.winnerShown());
    }
    {
        Table t(2);
        t.start();
        auto e = t.host(net::msg::winner("Ann"));
        EXPECT_EQ(t.game.winnerText(), "Ann has Won the Game!");
        EXPECT_EQ(e.tallyGame, "Ann");
        EXPECT_FALSE(t.game.startButton());
        t.start();
        e = t.host(net::msg::winner("Ann and Cy"));
        EXPECT_EQ(t.game.winnerText(), "Ann and Cy have Won the Game!");
        EXPECT_FALSE(e.tallyGame) << "a shared win records nothing";
    }
    {
        Table spectator(8);
        spectator.start();
        EXPECT_FALSE(spectator.host(net::msg::winner("Ann")).tallyGame) << "a spectator keeps no tally";
    }
}

TEST(ClientGame, FinishVotesAndTheLateJoinersSnapshot)
{
    Table t(2);
    t.start(true);
    t.turn(2);
    EXPECT_EQ(t.game.finish().send, std::vector<std::string> { net::msg::finish(2) });
    auto e = t.host(net::msg::ifinished(2));
    EXPECT_FALSE(t.game.buttons().finish);
    EXPECT_EQ(e.lines.at(0).text, "0+You have voted to finish this round.");
    EXPECT_EQ(t.game.seat(2).bonus, "finished");
    e = t.host(net::msg::ifinished(3));
    EXPECT_EQ(e.lines.at(0).text, "0+Cy has voted to finish this round.");
    EXPECT_EQ(e.sounds, std::vector<std::string> { "pass" });
    e = t.host(net::msg::allfinished());
    EXPECT_EQ(e.lines.at(0).text, "0+Everyone has voted to finish this round.");

    Table late(3);
    net::GameOptions o;
    o.fast = true;
    o.typing = false;
    late.host(net::msg::stats(3, o, "play"));
    EXPECT_EQ(late.game.status(), "Your Turn.");
    EXPECT_TRUE(late.game.buttons().done);
    EXPECT_FALSE(late.game.startButton());
}

// A player who saw the game start and one who came in later read the same panel.
TEST(ClientGame, TheSettingsPanelReadsTheSameForEveryone)
{
    struct Row {
        const char* fault;
        net::GameOptions options;
    };
    const Row rows[] = {
        { "the defaults read differently", {} },
        { "typing and new tiles off read differently", { false, 6000, 90, 3000, false, false, false } },
        { "a fast team game read differently", { true, 50000, 120, 5000, true, true, true } },
    };
    for (const Row& r : rows) {
        Table present(2);
        present.host(net::msg::startgameRelay("Ann", r.options));
        Table late(3);
        late.host(net::msg::stats(1, r.options, "play"));
        EXPECT_EQ(present.game.infoTexts(), late.game.infoTexts()) << r.fault;
        EXPECT_EQ(present.game.teamText(), late.game.teamText()) << r.fault;
        EXPECT_EQ(present.game.settings(), r.options) << r.fault;
        EXPECT_EQ(late.game.settings(), r.options) << r.fault;
    }
    Table t(2);
    t.start();
    EXPECT_EQ(t.game.infoTexts(),
        (std::array<std::string, 6> { "Play to Score: 5000", "Time Per Turn: 60", "Zirked At: 2000", "Allow Typing: On",
            "Allow New Tiles: On", "Fast Game: No" }));
}

TEST(ClientGame, OthersWordsMoveOnTheRackOfAWatcher)
{
    Table t(2);
    t.start();
    t.turn(1, "CATSDOGEIR");
    auto e = t.host(net::msg::setdiceRelay(1, 4));
    EXPECT_EQ(t.game.rack().tile(4).shownInWord, 1);
    EXPECT_EQ(t.game.rack().tile(4).wordPosition, 0) << "another's word is not ours to send";
    EXPECT_EQ(e.sounds, std::vector<std::string> { "puttile" });
    e = t.host(net::msg::setdiceRelay(0, 4));
    EXPECT_EQ(t.game.rack().tile(4).shownInWord, 0);
    EXPECT_EQ(e.sounds, std::vector<std::string> { "clear" });
    t.host(net::msg::setdiceRelay(1, 4));
    t.host(net::msg::accepted(4, "SCAT"));
    EXPECT_EQ(t.game.rack().tile(4).shownInWord, 0) << "a verdict returns the watched tiles";
}

// A host is a peer: nothing it sends out of range changes the board or crashes.
TEST(ClientGame, HostileHostMessagesChangeNothing)
{
    Table t(2);
    t.start();
    t.turn(2, "CATSDOGEIR");
    t.game.leftClick(1);
    const std::string before = t.word() + t.game.status() + t.game.seat(1).score;
    const std::string lines[] = {
        "CMD_nextplayer+0",
        "CMD_nextplayer+10",
        "CMD_nextplayer+x",
        "CMD_thedice+2+sideways+A+B",
        "CMD_thedice+-1+true+A",
        "CMD_setdice+11+1",
        "CMD_setdice+1+14",
        "CMD_setdice+1+0",
        "CMD_accepted+2+AT",
        "CMD_accepted+11+ABCDEFGHIJK",
        "CMD_accepted+three+CAT",
        "CMD_addaword+7+3+CAT",
        "CMD_addaword+0+3+CAT",
        "CMD_addaword+1+x+CAT",
        "CMD_newtiles+7+100",
        "CMD_oldtiles+1+99999999999",
        "CMD_loadscores+0+5",
        "CMD_scores+7+1+1+1+1+1+1",
        "CMD_scores+1+1+1+1",
        "CMD_ifinished+9",
        "CMD_stats+1+f+x+60+2000+t+t+f+play",
        "CMD_startgame+Ann+f+5000+0+2000+t+t+f",
        "CMD_startgame+Ann+f+5000+99999999+2000+t+t+f",
        "CMD_setdice+",
        "CMD_thedice",
    };
    for (const auto& line : lines) {
        t.last = t.session.receive(line);
        EXPECT_TRUE(t.last.ignored.has_value() || line == "CMD_thedice") << line;
        EXPECT_TRUE(t.last.send.empty()) << line;
        EXPECT_EQ(t.word() + t.game.status() + t.game.seat(1).score, before) << line;
    }
    // A flood of words is held to a bounded board.
    for (int i = 0; i < 10000; ++i) {
        t.host(net::msg::accepted(5, "FLOOD"));
        t.host(net::msg::addaword(3, 5, "FLOOD"));
    }
    EXPECT_LE(t.game.box(5).words.size(), 50u);
    EXPECT_EQ(t.game.box(5).points, 0) << "more than five words shows 0, as any count outside 1 to 5";
    EXPECT_LE(t.game.wordList(3).lines.size(), 200u);
    // The own word is not moved by an echo meant for watchers.
    EXPECT_EQ(t.word(), "C");
    t.host(net::msg::clearthemRelay());
    EXPECT_EQ(t.word(), "C");
}

TEST(ClientGame, WordsYouMissed)
{
    {
        Table t(1);
        t.start(true);
        t.turn(1, "CATSDOGEIR");
        t.host(net::msg::accepted(4, "DOGS"));
        t.host(net::msg::turnend());
        ASSERT_TRUE(t.game.missedShown());
        const auto& missed = t.game.missedWords();
        EXPECT_LE(missed.size(), 10u);
        EXPECT_GE(missed.size(), 5u);
        for (std::size_t i = 0; i < missed.size(); ++i) {
            EXPECT_NE(missed[i].word, "DOGS") << "a played word is not missed";
            EXPECT_EQ(static_cast<int>(missed[i].word.size()), missed[i].length);
            if (i > 0) {
                EXPECT_GE(missed[i - 1].points, missed[i].points) << "most valuable first";
            }
        }
        t.turn(1);
        EXPECT_FALSE(t.game.missedShown()) << "gone with the next turn";
    }
    {
        // After buying new tiles the words come from the bought set, and the
        // plural of a word played before or after buying is not offered.
        Table t(1);
        t.start(true);
        t.turn(1, "CATSDOGEIR");
        t.host(net::msg::accepted(3, "DOG"));
        t.host(net::msg::newtilesRelay(1, -300));
        const std::string bought = "QUAKESHYNA";
        t.host(net::msg::thedice(1, net::kDiceNew, std::vector<char>(bought.begin(), bought.end())));
        t.host(net::msg::accepted(5, "QUAKE"));
        t.host(net::msg::turnend());
        ASSERT_TRUE(t.game.missedShown());
        for (const auto& m : t.game.missedWords()) {
            std::string left = bought;
            for (char c : m.word) {
                const auto at = left.find(c);
                ASSERT_NE(at, std::string::npos) << m.word << " is not made from the bought tiles";
                left.erase(at, 1);
            }
            EXPECT_NE(m.word, "QUAKES");
        }
    }
    {
        // A slow game shows them to the player whose turn it was, not to the watchers.
        Table watcher(2);
        watcher.start(false);
        watcher.turn(1, "CATSDOGEIR");
        watcher.host(net::msg::turnend());
        EXPECT_FALSE(watcher.game.missedShown());
    }
    {
        Table off(1);
        off.game.setShowMissed(false);
        off.start(true);
        off.turn(1, "CATSDOGEIR");
        off.host(net::msg::turnend());
        EXPECT_FALSE(off.game.missedShown());
    }
}

// Where each key goes: while letters build words nothing typed may reach the
// chat input, and otherwise every key does.
TEST(ClientGame, KeyRouting)
{
    struct Row {
        const char* fault;
        bool myTurn;
        bool typingAllowed;
        bool typingOn;
        Key key;
        char letter;
        bool taken; // kept from the chat input
        int wordAfter; // tiles in the word afterwards
    };
    const Row rows[] = {
        { "a rack letter reached the chat while typing", true, true, true, Key::Letter, 'C', true, 1 },
        { "a letter not on the rack reached the chat while typing", true, true, true, Key::Letter, 'Q', true, 0 },
        { "a digit with no game meaning reached the chat while typing", true, true, true, Key::Other, 0, true, 0 },
        { "the space bar reached the chat while typing", true, true, true, Key::Space, 0, true, 0 },
        { "Enter reached the chat while typing", true, true, true, Key::Enter, 0, true, 0 },
        { "a letter was kept from the chat with typing off", true, true, false, Key::Letter, 'C', false, 0 },
        { "Tab did not switch typing on", true, true, false, Key::Tab, 0, true, 0 },
        { "a letter was taken when the host allows no typing", true, false, true, Key::Letter, 'C', false, 0 },
        { "Tab was taken when the host allows no typing", true, false, false, Key::Tab, 0, false, 0 },
        { "a letter was taken out of turn", false, true, true, Key::Letter, 'C', false, 0 },
        { "Enter was taken out of turn", false, true, true, Key::Enter, 0, false, 0 },
    };
    for (const Row& r : rows) {
        Table t(1);
        t.start(false, 60, true, r.typingAllowed);
        t.turn(r.myTurn ? 1 : 2, "CATSDOGEIR");
        Effects ignored;
        if (r.typingOn && r.typingAllowed && r.myTurn)
            t.game.key(Key::Tab, 0, ignored);
        else if (r.typingOn)
            t.game.toggleTyping(); // switched on earlier, where the host allowed it
        EXPECT_EQ(t.game.lettersBuildWords(), r.typingOn && r.typingAllowed && r.myTurn) << r.fault;
        Effects e;
        EXPECT_EQ(t.game.key(r.key, r.letter, e), r.taken) << r.fault;
        EXPECT_EQ(t.game.rack().wordLength(), r.wordAfter) << r.fault;
    }
}

TEST(ClientGame, TheTypingBoxSaysWhatTheKeysDo)
{
    Table t(1);
    t.start();
    t.turn(1);
    EXPECT_EQ(t.game.typingText(), "Typing: OFF \u2014 keys go to the chat");
    Effects e;
    t.game.key(Key::Tab, 0, e);
    EXPECT_EQ(t.game.typingText(), "Typing: ON \u2014 letters build words");
    EXPECT_NE(t.game.typingColour(), client::kRed);
    EXPECT_EQ(e.spoken, std::vector<std::string> { "Typing: ON \u2014 letters build words" })
        << "a screen reader hears the switch";
    // The state carries to the next turn, and the turn's start says it.
    t.turn(2);
    t.host(net::msg::nextplayer(1));
    EXPECT_EQ(t.last.spoken, std::vector<std::string> { "Typing: ON \u2014 letters build words" });
    t.host(net::msg::thedice(1, net::kDiceTen, { 'C', 'A', 'T', 'S', 'D', 'O', 'G', 'E', 'I', 'R' }));
    EXPECT_TRUE(t.game.lettersBuildWords());
    e = {};
    t.game.key(Key::Letter, 'Z', e);
    EXPECT_EQ(e.spoken, std::vector<std::string> { "No Z left on the rack" }) << "a lost key is explained";
}

// What the last game, turn or clock showed does not outlive it.
TEST(ClientGame, NothingStaleWhenTheNextGameOrTurnStarts)
{
    Table t(1);
    t.start(false, 90);
    t.turn(2);
    t.host(net::msg::scores(2, 450, -500, 5, 1500, 2, 1500));
    EXPECT_EQ(t.game.seat(2).bonus, "-500");
    for (int i = 0; i < 30; ++i)
        t.game.tick();
    t.turn(1);
    EXPECT_EQ(t.game.seat(2).bonus, "") << "the -500 of the turn before stayed";
    t.host(net::msg::nextplayer(2));
    EXPECT_EQ(t.game.timeText(), "Time: 1:30") << "the clock stayed frozen between turns";
    EXPECT_FALSE(t.game.clockRunning());

    t.host(net::msg::winner("Bob"));
    EXPECT_EQ(t.game.timeText(), "Game Over") << "the clock did not say the game is over";
    EXPECT_EQ(t.game.clockBarWidth(), 0);
    EXPECT_FALSE(t.game.resultText().empty());

    t.start(false, 75);
    EXPECT_EQ(t.game.resultText(), "") << "the last game's result stayed";
    EXPECT_EQ(t.game.timeText(), "Time: 1:15") << "the clock still said Game Over";
    EXPECT_FALSE(t.game.winnerShown());
}

TEST(ClientGame, NormalEventsAreNotInTheErrorColour)
{
    Table t(1);
    t.start();
    t.turn(1);
    t.host(net::msg::turnend());
    EXPECT_EQ(t.game.status(), "Posting Scores.. One Moment Please!");
    EXPECT_NE(t.game.statusColour(), client::kRed);
    t.host(net::msg::rejected("CATZ", "+ Rejected: not in the word list"));
    EXPECT_EQ(t.game.status(), "CATZ Rejected: not in the word list");
    EXPECT_EQ(t.game.statusColour(), client::kRed) << "a refusal still shows as one";

    // Done with nothing in the word says so rather than doing nothing.
    t.turn(1);
    t.game.hitdone();
    EXPECT_EQ(t.game.status(), "Nothing to send: take tiles into the word first.");
}

TEST(ClientGame, OneWordIsOneWord)
{
    Table t(1);
    t.start(true);
    t.turn(1);
    t.host(net::msg::addaword(2, 4, "SOLO"));
    EXPECT_EQ(t.game.wordList(2).count, "1 word");
    t.host(net::msg::scores(1, 60, 0, 1, 60, 1, 60));
    EXPECT_EQ(t.game.resultText(), "Ann Scored: 60 points! 1 word made for 60 points plus 0 bonus points!");
}

TEST(ClientGame, BecomingZirkedIsAnnounced)
{
    struct Step {
        int seat;
        int total;
        std::string line; // empty: nothing said
    };
    struct Row {
        const char* fault;
        int mySeat;
        std::vector<Step> steps;
    };
    const std::string zirkedYou = "0+You are Zirked! From your next turn: 13 tiles, no 3-letter words, and a turn "
                                  "under 500 points costs 500 points.";
    const std::string zirkedBob = "0+Bob is Zirked! From the next turn: 13 tiles, no 3-letter words, and a turn "
                                  "under 500 points costs 500 points.";
    const Row rows[] = {
        { "reaching the mark was not announced", 1, { { 1, 1900, "" }, { 1, 2000, zirkedYou } } },
        { "another player's reaching it was not announced", 1, { { 2, 2600, zirkedBob } } },
        { "being Zirked was announced every turn", 1, { { 1, 2500, zirkedYou }, { 1, 3200, "" } } },
        { "dropping back under the mark went unsaid", 2,
            { { 2, 2100, zirkedYou }, { 2, 1600, "0+You are no longer Zirked." } } },
    };
    for (const Row& r : rows) {
        Table t(r.mySeat);
        t.start(); // Zirked at 2000
        for (const Step& s : r.steps) {
            const Effects e = t.host(net::msg::scores(s.seat, 100, 0, 1, s.total, s.seat, s.total));
            std::vector<std::string> said;
            for (const auto& l : e.lines)
                said.push_back(l.text);
            EXPECT_EQ(said, s.line.empty() ? std::vector<std::string> {} : std::vector<std::string> { s.line })
                << r.fault;
        }
    }
    // A latecomer learns the scores without hearing old news, and a new game starts everyone afresh.
    Table late(3);
    late.start();
    EXPECT_TRUE(late.host(net::msg::loadscores(1, 4000)).lines.empty());
    EXPECT_TRUE(late.host(net::msg::scores(1, 100, 0, 1, 4100, 1, 4100)).lines.empty());
    late.start();
    EXPECT_EQ(late.host(net::msg::scores(1, 100, 0, 1, 4200, 1, 4200)).lines.size(), 1u);
}

TEST(ClientGame, TheBoardInASentence)
{
    Table t(1);
    t.start(false, 90);
    t.turn(1, "CATSDOGEIR");
    t.game.leftClick(1);
    t.game.leftClick(2);
    EXPECT_EQ(t.game.summary(),
        "Your Turn. Time: 1:30. Word: CA. Rack: TSDOGEIR. Typing: OFF \u2014 keys go to the chat. Current: 0.");
    t.turn(2);
    EXPECT_EQ(t.game.summary(), "Bob's turn. Time: 1:30. Current: 0.");
}
