#include "Level.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace bots
{

namespace
{
using dict::Rarity;
constexpr std::array<Style, 4> kStyles = { {
    { Rarity::Common, 0.12, 6, 3, 5000, 8000, 700, false, false }, // Easy
    { Rarity::Uncommon, 0.35, 7, 5, 3200, 5200, 500, false, false }, // Medium
    { Rarity::Rare, 0.60, 10, 6, 2200, 3400, 350, false, false }, // Hard
    { Rarity::Rare, 1.00, 10, 10, 1500, 2200, 220, true, true }, // Expert
} };
constexpr std::array<const char*, 4> kNames = { "Easy", "Medium", "Hard", "Expert" };
constexpr std::string_view kSuffix = " Computer";
} // namespace

const Style& styleOf(Level level) { return kStyles[static_cast<std::size_t>(level)]; }

std::optional<Level> parseLevel(std::string_view text)
{
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        const std::string_view name = kNames[i];
        if (text.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t c = 0; c < name.size() && same; ++c)
            same = std::tolower(static_cast<unsigned char>(text[c]))
                == std::tolower(static_cast<unsigned char>(name[c]));
        if (same)
            return static_cast<Level>(i);
    }
    return std::nullopt;
}

std::string levelName(Level level) { return kNames[static_cast<std::size_t>(level)]; }

std::string computerName(Level level, int number)
{
    std::string name = levelName(level) + std::string(kSuffix);
    if (number > 1)
        name += " " + std::to_string(number);
    return name;
}

std::string freeComputerName(Level level, const std::vector<std::string>& taken)
{
    for (int number = 1;; ++number) {
        std::string name = computerName(level, number);
        if (std::find(taken.begin(), taken.end(), name) == taken.end())
            return name;
    }
}

bool isComputerName(std::string_view name)
{
    for (const char* level : kNames) {
        const std::string base = std::string(level) + std::string(kSuffix);
        if (name.substr(0, base.size()) != base)
            continue;
        const std::string_view rest = name.substr(base.size());
        if (rest.empty())
            return true;
        if (rest.size() < 2 || rest[0] != ' ' || rest[1] == '0')
            continue;
        bool digits = true;
        for (char c : rest.substr(1))
            digits = digits && c >= '0' && c <= '9';
        if (digits)
            return true;
    }
    return false;
}

} // namespace bots
