#pragma once
// The authoritative game: player table, admission, dealing, judging, scoring,
// turns and the clock. No sockets, timers or sleeps: connections, messages
// and clock seconds come in as calls; everything going out goes through Link.

#include "Link.h"
#include "PlayerTable.h"

#include <net/Commands.h>
#include <net/Dispatcher.h>
#include <rules/Dice.h>
#include <rules/Judge.h>
#include <rules/Options.h>
#include <rules/Points.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace host
{

// The host deals, judges and scores by the game's rules.
using rules::addScore;
using rules::judgeWord;
using rules::kTileCost;
using rules::kZirkedMinimum;
using rules::kZirkedPenalty;
using rules::kZirkedTiles;
using rules::rollDice;
using rules::scoreWords;
using rules::tileCount;
using rules::TileSet;
using rules::TurnScore;
using rules::Verdict;

inline constexpr int kSlowPause = 5; // seconds between turns of a slow game
inline constexpr int kTurnGrace = 4; // seconds added to every turn
// Relayed text is held well inside the 64 KiB a client accepts per message:
// one message past that and every client leaves the game.
inline constexpr std::size_t kMaxNameBytes = 100;
inline constexpr std::size_t kMaxRelayText = 32 * 1024; // chat, action, sound name

struct Settings {
    int playToScore = 0;
    int timePerTurn = 0;
    int zirkedAt = 0;
    bool allowNewTiles = true;
    bool allowTyping = true;
    bool fastGame = false;
    bool teamGame = false;
};

struct TurnState {
    bool gameRunning = false;
    int currentSeat = 0;
    std::string gameState; // "play" / "wait"
    int turnPhase = 0; // 1 running, 2 pause
    int turnClock = 0;
    bool makeWait = false;
};

class Game
{
public:
    using IsWord = std::function<bool(std::string_view word)>;

    Game(Link& link, IsWord isWord, std::uint64_t seed);
    // The command table holds handlers bound to this object.
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // A connection arrived. Returns its seat 1..9; returns kRefusedSeat when
    // all nine are taken, after sending "CMD_full+" to and dropping seat 10.
    int accepted();
    // The connection in `seat` has closed ("Socket Closed").
    void closed(int seat);
    // One message (terminator removed) that arrived on the connection in `seat`.
    void receive(int seat, std::string_view line);
    // One second of the turn timer.
    void tick();
    // Called by the shell some time after accept: a seat still not logged in is dropped.
    void loginDeadline(int seat);

    // Read access, seats 1..10.
    const Player& player(int seat) const { return m_table.player(seat); }
    int seatsUsed() const { return m_table.seatsUsed(); }
    const Settings& settings() const { return m_settings; }
    const TurnState& turn() const { return m_turn; }
    const TileSet& currentTiles() const { return m_currentTiles; } // [1..13]
    const TileSet& spareTiles() const { return m_spareTiles; } // [1..13]
    // A slow game found nobody able to play and waits for a seat to change.
    bool stalled() const { return m_stalled; }

private:
    Player& at(int seat) { return m_table.at(seat); }
    const Player& at(int seat) const { return m_table.at(seat); }
    static bool isSeat(int seat) { return PlayerTable::isSeat(seat); }
    static bool isPlayingSeat(int seat) { return PlayerTable::isPlayingSeat(seat); }

    void sendAll(const std::string& bytes) { m_table.sendAll(bytes); }
    void sendAllBut(int seat, const std::string& bytes) { m_table.sendAllBut(seat, bytes); }
    void sendTo(int seat, const std::string& bytes) { m_table.sendTo(seat, bytes); }

    void complain(int seat, const std::string& line) { m_link.badInput(seat, line); }
    // The number in field `index`; logs and yields nothing when it is missing or not a number.
    std::optional<int> numberField(std::string_view rest, std::size_t index, std::string_view command, int seat);
    // The seat field (field 0) when it names the sending connection, else nothing.
    std::optional<int> senderSeat(std::string_view rest, int seat, std::string_view command);
    // Whether `seat` may act on its tiles now: running turn, playing seat, its turn in a slow game.
    bool mayPlay(int seat) const;
    net::GameOptions options() const;
    std::vector<char> letters(const TileSet& set, int count) const;

    // Handlers, one per client command; `seat` is the sending connection.
    void receivedlogininfo(std::string_view rest, int seat);
    void chat(std::string_view rest, int seat);
    void action(std::string_view rest, int seat);
    void kickhim(std::string_view rest, int seat);
    void startgame(std::string_view rest, int seat);
    void justwatch(std::string_view rest, int seat);
    void setdice(std::string_view rest, int seat);
    void done(std::string_view rest, int seat);
    void clearthem(std::string_view rest, int seat);
    void newtiles(std::string_view rest, int seat);
    void oldtiles(std::string_view rest, int seat);
    void setmakewait(std::string_view rest, int seat);
    void finish(std::string_view rest, int seat);
    void playasound(std::string_view rest, int seat);

    void sendSnapshot(int seat);
    void findplayer();
    void startSlowTurn();
    void startFastTurn();
    void dealFast();
    void endTurn();
    void postscore(int seat);
    bool checkforwin();
    void stopGame(const std::string& why);
    void resumeIfStalled();
    void sendVerdict(int seat, const std::string& word, const std::string& reason);

    Link& m_link;
    IsWord m_isWord;
    std::mt19937_64 m_rng;
    PlayerTable m_table;
    Settings m_settings;
    TurnState m_turn;
    TileSet m_currentTiles {};
    TileSet m_spareTiles {};
    bool m_stalled = false;
    net::Dispatcher<int> m_dispatcher;
};

} // namespace host
