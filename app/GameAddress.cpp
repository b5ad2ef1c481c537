#include "GameAddress.h"

#include "rules/Version.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace app
{

namespace
{

// Longer than any name DNS allows with a port and a link's scheme around it.
constexpr std::size_t kMaxAddressText = 300;
constexpr std::size_t kMaxHostName = 253;
constexpr std::size_t kMaxLabel = 63;
constexpr std::size_t kMaxZone = 15; // an interface name
// How much of what the player typed a message repeats.
constexpr std::size_t kShownBytes = 60;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::optional<int> parsePort(std::string_view text)
{
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), isDigit))
        return std::nullopt;
    int port = 0;
    for (char c : text)
        port = port * 10 + (c - '0');
    if (port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

// Four decimal parts, each 0 to 255: the resolver's older forms ("127.1",
// hexadecimal parts) reach surprising addresses and are not taken.
bool isIPv4Literal(std::string_view text)
{
    int parts = 0;
    while (true) {
        const auto dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), isDigit))
            return false;
        if (std::stoi(std::string(part)) > 255)
            return false;
        ++parts;
        if (dot == std::string_view::npos)
            break;
        text.remove_prefix(dot + 1);
    }
    return parts == 4;
}

bool isZone(std::string_view zone)
{
    return !zone.empty() && zone.size() <= kMaxZone && std::all_of(zone.begin(), zone.end(), [](char c) {
        return isAlpha(c) || isDigit(c) || c == '.' || c == '_' || c == '-';
    });
}

// The address part and the zone ("fe80::1%eth0"), or nothing.
std::optional<in6_addr> ipv6Address(std::string_view text)
{
    const auto percent = text.find('%');
    if (percent != std::string_view::npos && !isZone(text.substr(percent + 1)))
        return std::nullopt;
    const std::string address(text.substr(0, percent));
    in6_addr out {};
    if (address.empty() || ::inet_pton(AF_INET6, address.c_str(), &out) != 1)
        return std::nullopt;
    return out;
}

bool isIPv6Literal(std::string_view text) { return ipv6Address(text).has_value(); }

// Letters, digits, hyphens and underscores in dot-separated labels; text of
// digits and dots alone is meant as an IPv4 address and must be one.
bool isHostName(std::string_view text)
{
    if (!text.empty() && text.back() == '.')
        text.remove_suffix(1);
    if (text.empty() || text.size() > kMaxHostName)
        return false;
    if (std::all_of(text.begin(), text.end(), [](char c) { return isDigit(c) || c == '.'; }))
        return false;
    while (true) {
        const auto dot = text.find('.');
        const std::string_view label = text.substr(0, dot);
        if (label.empty() || label.size() > kMaxLabel || label.front() == '-' || label.back() == '-')
            return false;
        if (!std::all_of(label.begin(), label.end(),
                [](char c) { return isAlpha(c) || isDigit(c) || c == '-' || c == '_'; }))
            return false;
        if (dot == std::string_view::npos)
            return true;
        text.remove_prefix(dot + 1);
    }
}

// "scheme://" at the start; the scheme's letters as RFC 3986 allows them.
std::optional<std::string_view> schemeOf(std::string_view text)
{
    const auto end = text.find("://");
    if (end == std::string_view::npos || end == 0 || !isAlpha(text.front()))
        return std::nullopt;
    const std::string_view scheme = text.substr(0, end);
    const bool valid = std::all_of(scheme.begin(), scheme.end(),
        [](char c) { return isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.'; });
    return valid ? std::optional(scheme) : std::nullopt;
}

ParsedAddress refused(AddressProblem problem) { return { std::nullopt, problem }; }

ParsedAddress withHost(std::string host, std::string_view portText, bool hasPort, int defaultPort)
{
    int port = defaultPort;
    if (hasPort) {
        const auto parsed = parsePort(portText);
        if (!parsed)
            return refused(AddressProblem::BadPort);
        port = *parsed;
    }
    return { GameAddress { std::move(host), port }, AddressProblem::None };
}

// HOST, HOST:PORT, [IPV6], [IPV6]:PORT, or (typed, not in a link) a bare IPv6 literal.
ParsedAddress parseAuthority(std::string_view text, bool inLink, int defaultPort)
{
    if (text.empty())
        return refused(AddressProblem::BadHost);
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return refused(AddressProblem::BadHost);
        std::string inner(text.substr(1, close - 1));
        // A link writes the zone's "%" as "%25".
        if (inLink) {
            const auto escaped = inner.find("%25");
            if (escaped != std::string::npos)
                inner.replace(escaped, 3, "%");
        }
        if (!isIPv6Literal(inner))
            return refused(AddressProblem::BadHost);
        const std::string_view after = text.substr(close + 1);
        if (!after.empty() && after.front() != ':')
            return refused(AddressProblem::BadHost);
        return withHost(std::move(inner), after.empty() ? after : after.substr(1), !after.empty(), defaultPort);
    }
    const auto colons = std::count(text.begin(), text.end(), ':');
    if (colons > 1) {
        // "::1" or "fe80::1%eth0": all of it is the address. A link must use brackets.
        if (inLink || !isIPv6Literal(text))
            return refused(AddressProblem::BadHost);
        return withHost(std::string(text), {}, false, defaultPort);
    }
    const auto colon = text.find(':');
    const std::string_view host = text.substr(0, colon);
    if (!isIPv4Literal(host) && !isHostName(host))
        return refused(AddressProblem::BadHost);
    return withHost(std::string(host), colon == std::string_view::npos ? std::string_view {} : text.substr(colon + 1),
        colon != std::string_view::npos, defaultPort);
}

// The longest start of `text` within kShownBytes that does not split a UTF-8 character.
std::string shown(std::string_view text)
{
    if (text.size() <= kShownBytes)
        return std::string(text);
    std::size_t end = kShownBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end)) + "...";
}

} // namespace

HostPort parseHostPort(std::string_view text, bool lowPortsAllowed)
{
    const auto port = parsePort(trim(text));
    if (!port)
        return { 0, "The port must be a number from 1 to 65535 (the game's own is " + std::to_string(rules::kGamePort) + ")." };
    if (*port < 1024 && !lowPortsAllowed)
        return { 0, "Ports below 1024 are kept for the system: choose one from 1024 to 65535 (the game's own is "
                + std::to_string(rules::kGamePort) + ")." };
    return { *port, {} };
}

bool looksLikeInviteLink(std::string_view text)
{
    text = trim(text);
    const std::string_view scheme = text.substr(0, kInviteScheme.size() + 1);
    return scheme.size() == kInviteScheme.size() + 1 && scheme.back() == ':'
        && equalsIgnoringCase(scheme.substr(0, kInviteScheme.size()), kInviteScheme)
        && !(text.size() > scheme.size() && isDigit(text[scheme.size()])); // "zirky:7772" is a host named zirky
}

ParsedAddress parseGameAddress(std::string_view text, int defaultPort)
{
    text = trim(text);
    if (text.empty())
        return refused(AddressProblem::Empty);
    if (text.size() > kMaxAddressText)
        return refused(AddressProblem::TooLong);
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; }))
        return refused(AddressProblem::BadHost);

    const auto scheme = schemeOf(text);
    if (!scheme) {
        if (looksLikeInviteLink(text))
            return refused(AddressProblem::NotAZirkyLink);
        return parseAuthority(text, false, defaultPort);
    }
    if (!equalsIgnoringCase(*scheme, kInviteScheme))
        return refused(AddressProblem::NotAZirkyLink);
    std::string_view rest = text.substr(scheme->size() + 3);
    // A browser or a chat program may add a slash after the host.
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    if (rest.find_first_of("/?#@") != std::string_view::npos)
        return refused(AddressProblem::LinkExtras);
    // Outside an IPv6 zone a link has no business with escapes.
    const auto close = rest.find(']');
    const auto percent = rest.find('%');
    if (percent != std::string_view::npos && (close == std::string_view::npos || percent > close))
        return refused(AddressProblem::BadHost);
    return parseAuthority(rest, true, defaultPort);
}

std::string addressProblemText(AddressProblem problem, std::string_view text)
{
    const std::string quoted = "\"" + shown(trim(text)) + "\"";
    switch (problem) {
    case AddressProblem::None:
        return {};
    case AddressProblem::Empty:
        return "Type the address of the game: the name or address of the computer that hosts it, "
               "with :PORT when the game is not on port "
            + std::to_string(rules::kGamePort) + ".";
    case AddressProblem::TooLong:
        return "That address is too long to be a computer's name or address.";
    case AddressProblem::NotAZirkyLink:
        return quoted + " is not a Zirky invite link: those read zirky://HOST or zirky://HOST:PORT.";
    case AddressProblem::LinkExtras:
        return "The invite link " + quoted + " holds more than a computer and a port.";
    case AddressProblem::BadHost:
        return quoted + " is not the name or address of a computer.";
    case AddressProblem::BadPort:
        return "The port in " + quoted + " must be a number from 1 to 65535.";
    }
    return {};
}

std::string inviteLink(const GameAddress& address)
{
    std::string host = address.host;
    if (host.find(':') != std::string::npos) {
        if (const auto percent = host.find('%'); percent != std::string::npos)
            host.replace(percent, 1, "%25");
        host = "[" + host + "]";
    }
    std::string link = std::string(kInviteScheme) + "://" + host;
    if (address.port != rules::kGamePort)
        link += ":" + std::to_string(address.port);
    return link;
}

std::string addressText(const GameAddress& address)
{
    const bool ipv6 = address.host.find(':') != std::string::npos;
    return (ipv6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

std::vector<GameAddress> reachableAddresses(
    const std::vector<std::string>& interfaceAddresses, std::string_view hostName, int port)
{
    std::vector<GameAddress> ipv4, ipv6;
    const auto add = [port](std::vector<GameAddress>& to, const std::string& host) {
        GameAddress a { host, port };
        if (std::find(to.begin(), to.end(), a) == to.end())
            to.push_back(std::move(a));
    };
    for (const std::string& text : interfaceAddresses) {
        if (isIPv4Literal(text)) {
            if (text.rfind("127.", 0) != 0 && text != "0.0.0.0")
                add(ipv4, text);
            continue;
        }
        const auto a = ipv6Address(text);
        if (!a)
            continue;
        const bool loopback = IN6_IS_ADDR_LOOPBACK(&*a) != 0;
        const bool unspecified = IN6_IS_ADDR_UNSPECIFIED(&*a) != 0;
        const bool linkLocal = IN6_IS_ADDR_LINKLOCAL(&*a) != 0;
        if (!loopback && !unspecified && !linkLocal)
            add(ipv6, text.substr(0, text.find('%')));
    }
    std::vector<GameAddress> out = std::move(ipv4);
    out.insert(out.end(), ipv6.begin(), ipv6.end());
    hostName = trim(hostName);
    if (isHostName(hostName) && !equalsIgnoringCase(hostName, "localhost"))
        out.push_back({ std::string(hostName), port });
    return out;
}

} // namespace app
