#pragma once
// The authoritative game: player table, admission, dealing, judging, scoring,
// turns and the clock. No sockets, timers or sleeps: connections, messages
// and clock seconds come in as calls; everything going out goes through Link.

#include "Link.h"

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>

namespace host {

inline constexpr int kMaxSeat = 9;       // seats that hold connections
inline constexpr int kRefusedSeat = 10;  // used only while refusing a tenth connection
inline constexpr int kPlayingSeats = 6;  // seats that get turns
inline constexpr int kMinLength = 3;
inline constexpr int kMaxLength = 10;
inline constexpr int kWordsPerLength = 5;

struct Player {
    std::string name;
    bool connected = false;
    bool loggedIn = false;
    int score = 0;
    bool watching = false;
    bool finished = false;
    bool zirked = false;
    int partner = 0;
    bool boughtNewTiles = false;
    // words[length - kMinLength][slot]; an empty string is an empty slot
    std::array<std::array<std::string, kWordsPerLength>, kMaxLength - kMinLength + 1> words;
};

struct Settings {
    int playToScore = 0;
    int timePerTurn = 0;
    int zirkedAt = 0;
    std::string allowNewTiles; // "t"/"f" as sent; buying allowed unless exactly "f"
    std::string allowTyping;
    bool fastGame = false;
    bool teamGame = false;
};

struct TurnState {
    bool gameRunning = false;
    int currentSeat = 0;
    std::string gameState; // "play" / "wait"
    int turnPhase = 0;      // 1 running, 2 pause
    int turnClock = 0;
    bool makeWait = false;
};

class Game {
public:
    using IsWord = std::function<bool(std::string_view word)>;

    Game(Link& link, IsWord isWord, std::uint64_t seed);

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
    const Player& player(int seat) const { return m_players.at(static_cast<std::size_t>(seat)); }
    int seatsUsed() const { return m_seatsUsed; }
    const Settings& settings() const { return m_settings; }
    const TurnState& turn() const { return m_turn; }
    const std::array<char, 14>& currentTiles() const { return m_currentTiles; } // [1..13]
    const std::array<char, 14>& spareTiles() const { return m_spareTiles; }     // [1..13]

private:
    Link& m_link;
    IsWord m_isWord;
    std::mt19937_64 m_rng;
    std::array<Player, kRefusedSeat + 1> m_players{}; // index 0 unused
    int m_seatsUsed = 0;
    Settings m_settings;
    TurnState m_turn;
    std::array<char, 14> m_currentTiles{};
    std::array<char, 14> m_spareTiles{};
    // The implementer adds what the handlers need.
};

} // namespace host
