#include "Options.h"

namespace rules
{

std::string rangeText(const OptionRange& range)
{
    return std::to_string(range.min) + " to " + std::to_string(range.max);
}

std::optional<std::string> optionProblem(std::string_view caption, const OptionRange& range, std::optional<int> value)
{
    const std::string allowed = std::string(caption) + " goes from " + rangeText(range);
    if (!value)
        return allowed + ": enter a number in that range.";
    if (*value < range.min)
        return allowed + ": " + std::to_string(*value) + " is too low.";
    if (*value > range.max)
        return allowed + ": " + std::to_string(*value) + " is too high.";
    return std::nullopt;
}

} // namespace rules
