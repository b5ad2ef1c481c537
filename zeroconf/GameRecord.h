#pragma once
// A game as it is announced on the local network by DNS-SD: the service type,
// the TXT records a host publishes, and what a listener makes of them.
// zeroconf/README.md lists the keys.

#include <string>
#include <string_view>
#include <vector>

namespace zeroconf
{

inline constexpr std::string_view kServiceType = "_zirky._tcp";
inline constexpr int kTableSeats = 6;

// What a host says about its game.
struct Announcement {
    std::string version; // the text the host compares at login, "1.0.13"
    int seated = 0; // players in seats, out of kTableSeats
    bool running = false; // a game is under way

    bool operator==(const Announcement&) const = default;
};

// The TXT strings of an announcement, "key=value" each. The seat count is
// clamped to the table and a version that a listener would refuse is left out.
std::vector<std::string> txtRecords(const Announcement& game);

enum class Phase { Unknown, Waiting, Running };

// What a listener understood; anything missing or malformed stays unknown.
struct GameInfo {
    std::string version; // empty: unknown
    int seated = -1; // -1: unknown (then seats is -1 too)
    int seats = -1;
    Phase phase = Phase::Unknown;

    bool operator==(const GameInfo&) const = default;
};

// Reads TXT strings as they came from the network, which may hold anything:
// keys in any case, repeated keys (the first one counts), strings longer than
// DNS allows, values that are not what the key promises.
GameInfo parseTxt(const std::vector<std::string>& records);

// "1.0.13": letters, digits and . + - ~ only, at most 16 of them.
bool isPlausibleVersion(std::string_view text);

} // namespace zeroconf
