#include "Fields.h"

#include <charconv>

namespace net
{

std::vector<std::string_view> splitFields(std::string_view rest)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const auto plus = rest.find('+');
        if (plus == std::string_view::npos) {
            fields.push_back(rest);
            return fields;
        }
        fields.push_back(rest.substr(0, plus));
        rest.remove_prefix(plus + 1);
    }
}

std::string_view fieldsAfter(std::string_view rest, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        const auto plus = rest.find('+');
        if (plus == std::string_view::npos)
            return {};
        rest.remove_prefix(plus + 1);
    }
    return rest;
}

std::optional<std::string_view> fieldAt(std::string_view rest, std::size_t index)
{
    for (std::size_t i = 0; i < index; ++i) {
        const auto plus = rest.find('+');
        if (plus == std::string_view::npos)
            return std::nullopt;
        rest.remove_prefix(plus + 1);
    }
    return rest.substr(0, rest.find('+'));
}

std::optional<int> parseInt(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // Parse as unsigned magnitude so that INT_MIN is accepted and "--1" is not.
    unsigned long long magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    constexpr unsigned long long maxPositive = 2147483647ULL;
    if (magnitude > maxPositive + (negative ? 1 : 0))
        return std::nullopt;
    return negative ? static_cast<int>(-static_cast<long long>(magnitude)) : static_cast<int>(magnitude);
}

std::optional<int> intAt(std::string_view rest, std::size_t index, int lo, int hi)
{
    const auto field = fieldAt(rest, index);
    const auto n = field ? parseInt(*field) : std::nullopt;
    if (!n || *n < lo || *n > hi)
        return std::nullopt;
    return n;
}

} // namespace net
