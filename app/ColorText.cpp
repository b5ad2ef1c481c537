#include "ColorText.h"

#include "net/Fields.h"

#include <array>
#include <cstdio>
#include <utility>

namespace app
{

namespace
{

constexpr std::array<std::pair<std::string_view, std::uint32_t>, 20> kNames { {
    { "clBlack", 0x000000 },
    { "clMaroon", 0x000080 },
    { "clGreen", 0x008000 },
    { "clOlive", 0x008080 },
    { "clNavy", 0x800000 },
    { "clPurple", 0x800080 },
    { "clTeal", 0x808000 },
    { "clGray", 0x808080 },
    { "clSilver", 0xC0C0C0 },
    { "clRed", 0x0000FF },
    { "clLime", 0x00FF00 },
    { "clYellow", 0x00FFFF },
    { "clBlue", 0xFF0000 },
    { "clFuchsia", 0xFF00FF },
    { "clAqua", 0xFFFF00 },
    { "clWhite", 0xFFFFFF },
    { "clMoneyGreen", 0xC0DCC0 },
    { "clSkyBlue", 0xF0CAA6 },
    { "clCream", 0xF0FBFF },
    { "clMedGray", 0xA4A0A0 },
} };

bool sameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::optional<std::uint32_t> parseColorText(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    for (const auto& [name, value] : kNames)
        if (sameText(name, text))
            return value;
    if (text.front() == '$') {
        text.remove_prefix(1);
        if (text.empty() || text.size() > 8)
            return std::nullopt;
        std::uint32_t v = 0;
        for (char c : text) {
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return std::nullopt;
            v = (v << 4) | static_cast<std::uint32_t>(d);
        }
        // A high byte means a system or palette colour, which we cannot show.
        if (v > 0xFFFFFF)
            return std::nullopt;
        return v;
    }
    const auto n = net::parseInt(text);
    if (!n || *n < 0 || *n > 0xFFFFFF)
        return std::nullopt;
    return static_cast<std::uint32_t>(*n);
}

std::string colorText(std::uint32_t bgr)
{
    bgr &= 0xFFFFFF;
    for (const auto& [name, value] : kNames)
        if (value == bgr)
            return std::string(name);
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(bgr));
    return buf;
}

} // namespace app
