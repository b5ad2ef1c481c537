#pragma once
// The authoritative game: player table, admission, dealing, judging, scoring,
// turns and the clock. No sockets, timers or sleeps: connections, messages
// and clock seconds come in as calls; everything going out goes through Link.

#include "Link.h"
#include "PlayerTable.h"
#include "RelayBudget.h"

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
using rules::scoreTurn;
using rules::scoreWords;
using rules::tileCount;
using rules::TileSet;
using rules::TurnScore;
using rules::Verdict;

inline constexpr int kSlowPause = 5; // seconds between turns of a slow game
using rules::kTurnGrace; // seconds added to every turn
// Relayed text is held well inside the 64 KiB a client accepts per message:
// one message past that and every client leaves the game.
inline constexpr std::size_t kMaxNameBytes = rules::kMaxNameBytes;
inline constexpr std::size_t kMaxRelayText = 32 * 1024; // chat, action, sound name
inline constexpr int kDefaultHoldSeconds = 120; // a lost connection's seat waits this long for its player
inline constexpr int kMaxHoldSeconds = 3600;
inline constexpr std::size_t kMaxPingText = 32; // a heartbeat's number, echoed back

// How this host runs, beyond the rules every host shares.
struct Options {
    // A seated player whose connection is lost keeps the seat this long; 0: it is freed at once.
    int holdSeconds = kDefaultHoldSeconds;
    // No player of its own: when seat 1's player leaves for good, the longest
    // seated remaining player leads. A hosting copy's own player is always seat 1.
    bool dedicated = false;
    // Who may lead on a dedicated host (computer players would not start a game); empty: anyone.
    std::function<bool(std::string_view name)> mayLead;
    // Told to every player at login, set apart from what players write (a custom word list).
    std::string loginNotice;
    // What one seat may relay to everybody.
    RelayBudget::Limits relayLimits;
};

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
    // Fresh random bytes for seat tokens. The shell gives the system's
    // cryptographic generator; tests give a fixed sequence.
    using RandomBytes = std::function<std::array<std::uint8_t, 16>()>;

    // Without `randomBytes`, tokens come from std::random_device.
    Game(Link& link, IsWord isWord, std::uint64_t seed, RandomBytes randomBytes = {});
    // The command table holds handlers bound to this object.
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // A connection arrived. Returns its seat 1..9; returns kRefusedSeat when
    // all nine are taken, after sending "CMD_full+" to and dropping seat 10 --
    // unless a seat is held and seat 10 is free: then the connection is given
    // seat 10, from which it may take the held seat back and do nothing else.
    int accepted();
    // The connection in `seat` has closed ("Socket Closed"); a logged-in
    // player's seat is held for them.
    void closed(int seat);
    // The shell closed the connection in `seat` for abusing it: no hold.
    void removed(int seat);
    // One message (terminator removed) that arrived on the connection in `seat`.
    void receive(int seat, std::string_view line);
    // Whether a message with this command word does anything here.
    bool handles(std::string_view command) const { return m_dispatcher.handles(command); }
    // One second of the turn timer.
    void tick();
    // One second of the hold timer: holds that run out free their seats.
    void holdTick();
    // Applies to what happens from now on (a hold already running keeps its time).
    void setOptions(Options options);
    const Options& options() const { return m_options; }
    // Called by the shell some time after accept: a seat still not logged in is dropped.
    void loginDeadline(int seat);
    // Words of the list this host refuses for everyone from now on; none when empty.
    void refuseWords(IsWord refused) { m_refused = std::move(refused); }

    // Read access, seats 1..10.
    const Player& player(int seat) const { return m_table.player(seat); }
    int seatsUsed() const { return m_table.seatsUsed(); }
    const Settings& settings() const { return m_settings; }
    const TurnState& turn() const { return m_turn; }
    const TileSet& currentTiles() const { return m_currentTiles; } // [1..13]
    const TileSet& spareTiles() const { return m_spareTiles; } // [1..13]
    // A slow game found nobody able to play and waits for a seat to change.
    bool stalled() const { return m_stalled; }
    // The seat that may start games and remove players; 0: nobody now.
    int leader() const { return m_options.dedicated ? m_leader : 1; }

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
    net::GameOptions gameOptions() const;
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
    void rejoin(std::string_view rest, int seat);
    // A tenth connection, let in while a seat is held: it may only rejoin.
    void receiveAtTheDoor(std::string_view line);
    void ping(std::string_view rest, int seat);
    // The player says goodbye before closing: the seat is freed at once, with no hold.
    void goodbye(std::string_view rest, int seat);

    // A second "Alice" plays as "Alice (2)": the first name no other seated player has.
    std::string distinctName(const std::string& wanted, int seat) const;
    std::string newToken();
    // The seat whose token this is (compared in constant time), or 0.
    int tokenSeat(std::string_view token) const;
    // The roster for `seat`: the other seated players, the held seats and the leader.
    void sendRoster(int seat);
    void checkVersion(int seat, std::string_view version);
    // The game's settings and state as `shown` seat's turn, and the six scores.
    void sendStatsAndScores(int seat, int shown);
    void sendSnapshot(int seat);
    // What a rejoining player missed: the game, the turn, its words and rack.
    void sendCatchUp(int seat);
    void sendRack(int seat, int owner);
    void holdSeat(int seat);
    // The player in `seat` is gone for good: the seat is emptied for whoever comes next.
    void leave(int seat);
    bool isLeader(int seat) const { return seat >= 1 && seat == leader(); }
    void setLeader(int seat);
    // The longest-seated player who may lead, live connections first; 0 for nobody.
    int pickLeader() const;
    // Whether `seat` may relay a line of `bytes` now; tells the sender once when not.
    bool admitRelay(int seat, std::size_t bytes);
    void checkAllFinished();
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
    IsWord m_refused;
    std::mt19937_64 m_rng;
    RandomBytes m_randomBytes;
    Options m_options;
    PlayerTable m_table;
    Settings m_settings;
    TurnState m_turn;
    TileSet m_currentTiles {};
    TileSet m_spareTiles {};
    bool m_stalled = false;
    int m_leader = 0;
    std::uint64_t m_logins = 0;
    std::array<RelayBudget, kRefusedSeat + 1> m_relayBudgets {};
    std::array<bool, kRefusedSeat + 1> m_toldOverBudget {};
    net::Dispatcher<int> m_dispatcher;
};

} // namespace host
