#include "Dice.h"

namespace rules
{

const std::array<std::array<char, kFaces>, kDiceCount> kDiceTable { {
    { 'W', 'M', 'P', 'O', 'O', 'O' },
    { 'A', 'E', 'E', 'A', 'E', 'A' },
    { 'K', 'R', 'T', 'I', 'B', 'H' },
    { 'E', 'E', 'A', 'A', 'A', 'E' },
    { 'N', 'P', 'F', 'T', 'U', 'I' },
    { 'Y', 'W', 'O', 'B', 'O', 'L' },
    { 'R', 'F', 'I', 'U', 'S', 'H' },
    { 'O', 'R', 'L', 'T', 'D', 'N' },
    { 'R', 'S', 'U', 'M', 'G', 'I' },
    { 'V', 'Z', 'J', 'X', 'Q', 'E' },
    { 'Q', 'S', 'S', 'W', 'Y', 'V' },
    { 'J', 'C', 'D', 'M', 'K', 'G' },
    { 'B', 'F', 'N', 'L', 'P', 'H' },
} };

TileSet rollDice(std::mt19937_64& rng)
{
    std::uniform_int_distribution<int> face(0, kFaces - 1);
    TileSet tiles {};
    for (int die = 0; die < kDiceCount; ++die)
        tiles[static_cast<std::size_t>(die + 1)]
            = kDiceTable[static_cast<std::size_t>(die)][static_cast<std::size_t>(face(rng))];
    return tiles;
}

} // namespace rules
