#pragma once
// The seven option fields of the start and statistics messages, written and
// read in this one place. On the wire they follow the message's first field
// (the sender's seat, the starter's name or the seat on turn), in this order:
// team "t"/"f", play-to score, seconds per turn, Zirked-at score, allow new
// tiles, allow typing, fast game "t"/"f".

#include "rules/Options.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net
{

struct GameOptions {
    bool team = false;
    int playToScore = rules::kDefaultPlayToScore;
    int timePerTurn = rules::kDefaultTimePerTurn; // seconds
    int zirkedAt = rules::kDefaultZirkedAt;
    bool newTiles = true;
    bool typing = true;
    bool fast = false;
    friend bool operator==(const GameOptions&, const GameOptions&) = default;
};

inline constexpr std::size_t kGameOptionFields = 7;

// "f", "5000", "60", "2000", "t", "t", "f" for the defaults.
std::vector<std::string> gameOptionFields(const GameOptions& options);

// The seven fields after the first field of `rest` (a message without its
// command word). Flags are read as every peer has always read them: new tiles
// are off only for exactly "f", the other flags on only for exactly "t".
// Nothing, with the reason in `why`, when a field is missing, a number is not
// a plain decimal, a score is negative, or the seconds per turn lie outside
// what the host plays.
std::optional<GameOptions> parseGameOptions(std::string_view rest, std::string* why = nullptr);

} // namespace net
