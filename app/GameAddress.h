#pragma once
// Where a game is: what a player types in the Join dialog (a host name, a
// host with a port, an IPv4 or IPv6 literal) or an invite link
// ("zirky://HOST[:PORT]"), and the same written back for showing, keeping
// and sharing. Everything typed, pasted or handed over by another program is
// checked here before a socket sees it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app
{

inline constexpr std::string_view kInviteScheme = "zirky";

struct GameAddress {
    std::string host; // a name, or a literal; IPv6 without brackets, with its zone ("fe80::1%eth0")
    int port = 0;
    friend bool operator==(const GameAddress&, const GameAddress&) = default;
};

enum class AddressProblem {
    None,
    Empty,
    TooLong,
    NotAZirkyLink, // another scheme, or "zirky:" without "//"
    LinkExtras, // a link with a user, a path, a query or a fragment
    BadHost, // not a name, not an IPv4 or IPv6 literal
    BadPort, // not a number from 1 to 65535
};

struct ParsedAddress {
    std::optional<GameAddress> address;
    AddressProblem problem = AddressProblem::None;
};

// Surrounding blanks are ignored (pasted text often carries them); a missing
// port is `defaultPort`.
ParsedAddress parseGameAddress(std::string_view text, int defaultPort);

// The sentence the Join dialog shows for a problem with `text`.
std::string addressProblemText(AddressProblem problem, std::string_view text);

// The Host Game dialog's port: a number from 1 to 65535; below 1024 only for
// a program the system lets have those ports. `problem` is empty when it reads.
struct HostPort {
    int port = 0;
    std::string problem;
};
HostPort parseHostPort(std::string_view text, bool lowPortsAllowed);

// Whether the text is meant as a link of ours: a command line with one such
// word opens the Join dialog.
bool looksLikeInviteLink(std::string_view text);

// "zirky://HOST" (with ":PORT" unless it is the game's usual port); an IPv6
// literal goes in brackets with its zone written "%25" as links require.
std::string inviteLink(const GameAddress& address);

// "HOST:PORT", an IPv6 literal in brackets: what the Join dialog shows and
// the settings file keeps for recent games; parseGameAddress reads it back.
std::string addressText(const GameAddress& address);

// The ways others on the network reach this computer, best first, from the
// addresses of its interfaces (as text) and its host name: IPv4 before IPv6
// and names last. Loopback and unspecified addresses reach nobody else, and an
// IPv6 link-local address needs the joiner's own interface name, so those are
// left out; so is anything that is not an address or a usable name.
std::vector<GameAddress> reachableAddresses(
    const std::vector<std::string>& interfaceAddresses, std::string_view hostName, int port);

} // namespace app
