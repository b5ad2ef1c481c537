#pragma once
// What the player is told when the game host cannot be reached or goes away:
// plain words with the address and port, never a socket error number.

#include <string>
#include <string_view>

namespace client
{

// `report` is the socket's own text ("Error #10061 (WSAECONNREFUSED)", a
// name the resolver could not turn into an address, "Error #11001" to
// "#11004", or a literal it refused outright).
std::string cannotConnectText(std::string_view report, std::string_view address, int port);

// This copy could not host: another program holds the port.
std::string portInUseText(int port);

inline constexpr std::string_view kConnectionLost = "The connection to the game host was lost.";
inline constexpr std::string_view kHostFlooded
    = "The game host sent far more than a game ever needs, faster than it could be read, so the connection to it was closed.";
inline constexpr std::string_view kHostSilent = "The host stopped answering.";

} // namespace client
