#pragma once
// The thirteen tiles and the word being built from them: which place of the
// rack each tile stands on, which tiles are in the word and in what order. The
// board turns places into pixels.

#include "rules/Dice.h"
#include "rules/Words.h"

#include <array>
#include <random>
#include <string>
#include <vector>

namespace client
{

inline constexpr char kNoLetter = '*';

struct Tile {
    char letter = kNoLetter;
    bool visible = true; // tiles 11..13 only while the player on turn is Zirked
    bool picture = false; // a letter is drawn on it
    int wordPosition = 0; // the own word: 0 on the rack, else 1-based place in the word
    int place = 0; // the rack place 1..13 it goes to when on the rack; shuffling swaps places
    int shownInWord = 0; // where it is shown in the word row (ours, or another's as relayed); 0: on the rack
};

class Rack
{
public:
    Rack();

    // Tile n, 1..13.
    const Tile& tile(int n) const { return m_tiles[static_cast<std::size_t>(n - 1)]; }
    int wordLength() const { return m_wordLength; }
    // Tile numbers of the word, in word order.
    std::vector<int> word() const;
    bool twoRows() const { return m_twoRows; }
    // The extra tiles are on show (tile 13 decides, as the player sees it).
    bool extraShown() const { return tile(rules::kZirkedTiles).visible; }
    // With two rows, places 1 to 3 and 11 to 13 make the lower row.
    static bool lowerRow(int place) { return place <= 3 || place >= 11; }

    // A new set of letters: every tile back to its own place, pictures drawn for the dealt ones.
    void deal(const std::vector<char>& letters);
    void showExtra(bool shown);
    void clearPictures();
    // Lays all thirteen out anew and forgets any shuffle.
    void setTwoRows(bool twoRows);

    // The player's own moves; false when the rules leave the rack as it was.
    bool take(int n);
    bool takeBack(int n); // only the word's last tile comes back
    bool takeBackLast();
    void cleartiles();
    void shufflethem(std::mt19937& random);
    // The first tile, in number order, showing `letter` that is visible and on the rack; 0 if none.
    int freeTileWith(char letter) const;

    // The tiles that show a letter as the eye reads them: the word first, in
    // word order, then the rack by place (a shuffle changes it).
    std::vector<int> readingOrder() const;
    // The letters of the word being built, and of the rack in reading order.
    std::string wordLetters() const;
    std::string rackLetters() const;

    // Another player's move, as the host relays it: spot 0 is back on the rack.
    bool echo(int spot, int n);

private:
    Tile& at(int n) { return m_tiles[static_cast<std::size_t>(n - 1)]; }
    void movetiles();
    void changespot(int a, int b);

    std::array<Tile, rules::kZirkedTiles> m_tiles {};
    std::array<int, rules::kMaxWordLength> m_slots {}; // tile numbers, 0 = empty
    int m_wordLength = 0;
    bool m_twoRows = false;
};

} // namespace client
