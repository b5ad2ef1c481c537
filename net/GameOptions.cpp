#include "GameOptions.h"

#include "Fields.h"

namespace net
{

namespace
{

const char* tf(bool flag) { return flag ? "t" : "f"; }

std::optional<GameOptions> fail(std::string* why, std::string text)
{
    if (why)
        *why = std::move(text);
    return std::nullopt;
}

} // namespace

std::vector<std::string> gameOptionFields(const GameOptions& o)
{
    return { tf(o.team), std::to_string(o.playToScore), std::to_string(o.timePerTurn), std::to_string(o.zirkedAt),
        tf(o.newTiles), tf(o.typing), tf(o.fast) };
}

std::optional<GameOptions> parseGameOptions(std::string_view rest, std::string* why)
{
    const std::vector<std::string_view> fields = splitFields(rest);
    if (fields.size() < 1 + kGameOptionFields)
        return fail(why, "too few option fields");
    const auto field = [&](std::size_t i) { return fields[1 + i]; };

    struct Number {
        const char* name;
        std::size_t index;
        int min;
        int max;
        int GameOptions::*member;
    };
    const Number numbers[] = {
        { "play-to score", 1, 0, INT32_MAX, &GameOptions::playToScore },
        { "seconds per turn", 2, rules::kShortestTurn, rules::kLongestTurn, &GameOptions::timePerTurn },
        { "Zirked-at score", 3, 0, INT32_MAX, &GameOptions::zirkedAt },
    };
    GameOptions o;
    for (const Number& n : numbers) {
        const auto value = parseInt(field(n.index));
        if (!value)
            return fail(why, std::string(n.name) + " is not a number");
        if (*value < n.min || *value > n.max)
            return fail(why, std::string(n.name) + " out of range");
        o.*n.member = *value;
    }
    o.team = field(0) == "t";
    o.newTiles = field(4) != "f";
    o.typing = field(5) == "t";
    o.fast = field(6) == "t";
    return o;
}

} // namespace net
