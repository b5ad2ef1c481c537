#pragma once
// Names that travel by DNS-SD: the one a host picks for its game, and the ones
// a listener shows, which come from anyone on the network.

#include <string>
#include <string_view>

namespace zeroconf
{

// DNS-SD service instance names are one DNS label.
inline constexpr std::size_t kMaxInstanceNameBytes = 63;
inline constexpr std::size_t kMaxHostNameBytes = 255;

// Bytes from the network made safe to show as plain text: every byte that is
// not part of valid UTF-8, every control character and every character that
// reorders or hides text (bidi overrides, isolates, zero-width marks) becomes
// "?". The result is at most maxBytes long and never ends in a split character.
std::string shownText(std::string_view bytes, std::size_t maxBytes);

// The longest start of valid UTF-8 text that fits in maxBytes without
// splitting a character.
std::string_view fitUtf8(std::string_view utf8, std::size_t maxBytes);

// "Ann's game on HOST", at most 63 bytes: a long player name is shortened
// first so that the host name stays readable.
std::string serviceName(std::string_view playerName, std::string_view hostName);

} // namespace zeroconf
