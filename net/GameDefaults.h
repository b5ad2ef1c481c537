#pragma once
// The game a new player starts: the start window, the settings file and the
// start message all take their defaults from here.

namespace net
{

inline constexpr int kDefaultPlayToScore = 5000;
inline constexpr int kDefaultTimePerTurn = 60;
inline constexpr int kDefaultZirkedAt = 2000;
inline constexpr const char* kDefaultPlayToScoreText = "5000";
inline constexpr const char* kDefaultTimePerTurnText = "60";
inline constexpr const char* kDefaultZirkedAtText = "2000";

static_assert(kDefaultPlayToScore == 5000 && kDefaultTimePerTurn == 60 && kDefaultZirkedAt == 2000,
    "the texts above spell these numbers");

} // namespace net
