#pragma once
// The thirteen letter dice and the racks rolled from them: ten tiles, or all
// thirteen once the player is Zirked.

#include <array>
#include <random>

namespace rules
{

inline constexpr int kDiceCount = 13;
inline constexpr int kFaces = 6;
inline constexpr int kPlainTiles = 10; // a rack before the player is Zirked
inline constexpr int kZirkedTiles = 13; // dice 11 to 13 reach Zirked players only

// Letters on the faces of die i (index 0 is die 1).
extern const std::array<std::array<char, kFaces>, kDiceCount> kDiceTable;

// Positions 1..13 hold the letters; index 0 is unused so wire positions index directly.
using TileSet = std::array<char, kDiceCount + 1>;

// Tile i from die i, each face equally likely, every die rolled on its own.
TileSet rollDice(std::mt19937_64& rng);

constexpr int tileCount(bool zirked) { return zirked ? kZirkedTiles : kPlainTiles; }

} // namespace rules
