#pragma once
// What the player is told when the game host cannot be reached or goes away:
// plain words with the address and port, never a socket error number.

#include <string>
#include <string_view>

namespace client
{

// `report` is the socket's own text ("Error #10061 (WSAECONNREFUSED)", or a
// host lookup failure).
std::string cannotConnectText(std::string_view report, std::string_view address, int port);

inline constexpr std::string_view kConnectionLost = "The connection to the game host was lost.";
inline constexpr std::string_view kHostSilent = "The host stopped answering.";

} // namespace client
