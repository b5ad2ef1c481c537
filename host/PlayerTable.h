#pragma once
// The host's player records, one per seat, and the broadcasts that go to
// every connected seat.

#include "Link.h"
#include "rules/Seats.h"
#include "rules/Words.h"

#include <array>
#include <cstdint>
#include <string>

namespace host
{

inline constexpr int kMaxSeat = rules::kMaxSeat; // seats that hold connections
inline constexpr int kRefusedSeat = rules::kRefusedSeat; // used only while refusing a tenth connection
inline constexpr int kPlayingSeats = rules::kPlayerSeats; // seats that get turns

struct Player {
    std::string name;
    bool connected = false; // a live connection is in the seat
    bool loggedIn = false; // a player logged in here (and is held while the connection is gone)
    bool held = false; // the connection is gone; the seat waits for its player
    int holdLeft = 0; // seconds the hold still lasts
    std::string token; // the secret that takes the seat back; empty before login
    bool rejoinTried = false; // this connection has had its one rejoin attempt
    bool removing = false; // the host is closing this connection: no hold
    std::uint64_t seatedOrder = 0; // logins so far when this player logged in
    int score = 0;
    bool watching = false;
    bool finished = false;
    bool zirked = false;
    int partner = 0;
    bool boughtNewTiles = false;
    rules::WordTable words;
};

class PlayerTable
{
public:
    explicit PlayerTable(Link& link);

    static bool isSeat(int seat) { return seat >= 1 && seat <= kMaxSeat; }
    static bool isPlayingSeat(int seat) { return seat >= 1 && seat <= kPlayingSeats; }

    // Seats 0..10, unchecked: callers range-check what came off the wire first.
    Player& at(int seat) { return m_players[static_cast<std::size_t>(seat)]; }
    const Player& at(int seat) const { return m_players[static_cast<std::size_t>(seat)]; }
    // Checked access for readers outside the rules.
    const Player& player(int seat) const { return m_players.at(static_cast<std::size_t>(seat)); }

    // The highest seat ever handed out; broadcasts reach seats 1 up to it.
    int seatsUsed() const { return m_seatsUsed; }
    // The first free seat up to seatsUsed, else the next new one; 0 when all
    // nine are taken. A held seat is not free.
    int freeSeat();
    // Empties a seat for whoever comes next: nothing of its last player stays.
    void clearSeat(int seat);

    void sendTo(int seat, const std::string& bytes);
    void sendAll(const std::string& bytes);
    void sendAllBut(int seat, const std::string& bytes);

    // A seat with a live connection or a held player.
    bool occupied(int seat) const { return at(seat).connected || at(seat).held; }
    int connectedPlayingSeats() const;
    int occupiedPlayingSeats() const;
    bool anyHeld() const;
    // A playing seat that is occupied and not watching gets turns (a held
    // player's turn runs its clock as usual).
    bool canPlay(int seat) const { return isPlayingSeat(seat) && occupied(seat) && !at(seat).watching; }
    bool anyoneCanPlay() const;

private:
    Link& m_link;
    std::array<Player, kRefusedSeat + 1> m_players {}; // index 0 unused
    int m_seatsUsed = 0;
};

} // namespace host
