#pragma once
// The four strengths of computer player and what sets them apart: how many of
// the rack's words they see, which lengths they like, how long a word takes
// them, and whether they plan the turn.

#include <dict/WordMarks.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bots
{

enum class Level { Easy, Medium, Hard, Expert };

struct Style {
    dict::Rarity rarest; // the least common words this level knows
    double share; // of the rack's words this level notices
    int longest; // longer words go unnoticed
    int favourite; // the length it looks for first
    int thinkMinMs; // time to come up with a word, before placing tiles
    int thinkMaxMs;
    int tileMs; // per tile placed, in a slow game
    bool plans; // chooses the turn's words with the planner
    bool buysTiles; // buys the spare set for a poor rack
};

// Never less than this between two words, whatever the level: a person's pace.
inline constexpr int kMinWordGapMs = 1500;
// A turn too short for a level's pace hurries every delay alike, as a person
// rushes a short turn, but to no less than this share of it.
inline constexpr double kFastestPace = 0.4;

const Style& styleOf(Level level);

// "easy", "medium", "hard", "expert" in any case; nothing for anything else.
std::optional<Level> parseLevel(std::string_view text);
std::string levelName(Level level); // "Easy"

// "Expert Computer", and for the second of a level "Expert Computer 2".
std::string computerName(Level level, int number);
// The first computerName of the level that none of `taken` holds, so that a
// computer added to a game never shares a name with someone there.
std::string freeComputerName(Level level, const std::vector<std::string>& taken);
// Whether a seat's name is one computerName gives: such seats are not people.
bool isComputerName(std::string_view name);

} // namespace bots
