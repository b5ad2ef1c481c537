#include "GameRecord.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace zeroconf
{

namespace
{

// DNS caps one TXT string at 255 bytes; a longer one did not come from DNS.
constexpr std::size_t kMaxTxtString = 255;
// A record set cannot hold more than 65535 bytes; this many strings is plenty
// for any honest host and bounds the work a hostile one can cause.
constexpr std::size_t kMaxTxtStrings = 64;
constexpr std::size_t kMaxVersionLength = 16;
constexpr int kMaxSeatsShown = 99;

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameKey(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

// A decimal count of one or two digits, no sign, no leading zero.
std::optional<int> smallCount(std::string_view digits)
{
    if (digits.empty() || digits.size() > 2 || (digits.size() == 2 && digits[0] == '0'))
        return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

void readPlayers(std::string_view value, GameInfo& info)
{
    const auto slash = value.find('/');
    if (slash == std::string_view::npos)
        return;
    const auto seated = smallCount(value.substr(0, slash));
    const auto seats = smallCount(value.substr(slash + 1));
    if (!seated || !seats || *seats < 1 || *seats > kMaxSeatsShown || *seated > *seats)
        return;
    info.seated = *seated;
    info.seats = *seats;
}

Phase readPhase(std::string_view value)
{
    if (value == "running")
        return Phase::Running;
    if (value == "waiting")
        return Phase::Waiting;
    return Phase::Unknown;
}

} // namespace

bool isPlausibleVersion(std::string_view text)
{
    if (text.empty() || text.size() > kMaxVersionLength)
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+'
            || c == '-' || c == '~';
    });
}

std::vector<std::string> txtRecords(const Announcement& game)
{
    const int seated = std::clamp(game.seated, 0, kTableSeats);
    std::vector<std::string> out { "txtvers=1" };
    if (isPlausibleVersion(game.version))
        out.push_back("version=" + game.version);
    out.push_back("players=" + std::to_string(seated) + "/" + std::to_string(kTableSeats));
    out.push_back(game.running ? "game=running" : "game=waiting");
    return out;
}

GameInfo parseTxt(const std::vector<std::string>& records)
{
    GameInfo info;
    bool seenVersion = false, seenPlayers = false, seenGame = false;
    const std::size_t n = std::min(records.size(), kMaxTxtStrings);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view record = records[i];
        if (record.size() > kMaxTxtString)
            continue;
        const auto eq = record.find('=');
        // A string without "=" is a boolean attribute, one starting with "=" has no key:
        // neither says anything about a game.
        if (eq == std::string_view::npos || eq == 0)
            continue;
        const auto key = record.substr(0, eq);
        const auto value = record.substr(eq + 1);
        if (sameKey(key, "version") && !std::exchange(seenVersion, true)) {
            if (isPlausibleVersion(value))
                info.version = std::string(value);
        } else if (sameKey(key, "players") && !std::exchange(seenPlayers, true)) {
            readPlayers(value, info);
        } else if (sameKey(key, "game") && !std::exchange(seenGame, true)) {
            info.phase = readPhase(value);
        }
    }
    return info;
}

} // namespace zeroconf
