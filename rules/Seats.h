#pragma once
// Who sits where: the one place the seat ranges and the watch rule live, for
// the host and the client alike.

namespace rules
{

inline constexpr int kPlayerSeats = 6; // seats 1..6 play and get turns
inline constexpr int kMaxSeat = 9; // seats 7..9 only watch the game
inline constexpr int kRefusedSeat = 10; // told to a tenth connection as it is refused

constexpr bool isSeat(int seat) { return seat >= 1 && seat <= kMaxSeat; }
constexpr bool isPlayerSeat(int seat) { return seat >= 1 && seat <= kPlayerSeats; }

// A spectator's seat is never anyone's turn: shown as seat 1's.
constexpr int shownTurnSeat(int seat) { return seat > kPlayerSeats ? 1 : seat; }

// A player's name, as the host keeps it and every window shows it, is at most
// this many bytes of UTF-8; a window refuses a longer one before it logs in.
inline constexpr unsigned kMaxNameBytes = 100;

// Only seats 1 to 4 may be set to just watch: the host keeps one of them playing.
inline constexpr int kWatchSeats = 4;
constexpr bool mayJustWatch(int seat) { return seat >= 1 && seat <= kWatchSeats; }

} // namespace rules
