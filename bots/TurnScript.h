#pragma once
// What a computer player does with a rack: which words, in what order, and
// when each tile goes down, as a timed list of the messages a person's client
// would send. Plain data, so the pace and the choices are tested without sockets.

#include "Level.h"

#include <solver/WordFinder.h>

#include <random>
#include <string>
#include <vector>

namespace bots
{

struct TurnSituation {
    std::string rack; // the tiles' letters in tile order
    bool zirked = false;
    bool fastGame = false;
    bool mayBuyTiles = false; // the game allows it and the spare set is not bought yet
    int secondsLeft = 60; // of the turn, from now
};

struct Action {
    enum class Kind { Place, Done, BuyTiles, Finish };
    Kind kind = Kind::Done;
    int atMs = 0; // from the start of the script
    int position = 0; // Place: 1-based place in the word
    int tile = 0; // Place: tile number
    std::vector<int> tiles; // Done: the word's tiles in order
    std::string word; // Done: what those tiles spell
};

struct TurnScript {
    std::vector<Action> actions; // in time order
    // Set when the script buys the spare set: the turn goes on with a new script
    // for the new tiles.
    bool buying = false;
};

// The words this level would play from `rack`, in the order it sends them,
// at most `maxWords`. Every one is a word the host takes after the ones before it.
std::vector<solver::FoundWord> chooseWords(
    Level level, const std::string& rack, bool zirked, int maxWords, std::mt19937_64& rng);

TurnScript planTurnScript(Level level, const TurnSituation& situation, std::mt19937_64& rng);

// What the planner makes of an average rack of this many tiles: the bar a
// rack has to clear before the expert keeps it.
int typicalTotal(int tiles, bool zirked);

} // namespace bots
