#include "ConnectionText.h"

#include "net/Fields.h"

namespace client
{

namespace
{

// The number in "Error #10061 (...)", or 0.
int errorNumber(std::string_view report)
{
    const auto hash = report.find('#');
    if (hash == std::string_view::npos)
        return 0;
    const auto rest = report.substr(hash + 1);
    const auto end = rest.find(' ');
    return net::parseInt(rest.substr(0, end)).value_or(0);
}

} // namespace

std::string cannotConnectText(std::string_view report, std::string_view address, int port)
{
    const std::string where = std::string(address) + " port " + std::to_string(port);
    if (report.find("Lookup") != std::string_view::npos)
        return "The address " + std::string(address) + " cannot be found.";
    switch (errorNumber(report)) {
    case 11001: // the resolver knows no such name
    case 11002: // it could not ask now
    case 11003: // it failed
    case 11004: // the name has no address
        return "The address " + std::string(address) + " cannot be found.";
    case 10061:
        return "No game is running at " + where + ".";
    case 10060:
        return "The game at " + where + " did not answer.";
    case 10065:
    case 10051:
        return "The computer at " + std::string(address) + " cannot be reached.";
    case 10054:
        return "The game at " + where + " closed the connection.";
    default:
        return "Could not connect to the game at " + where + ".";
    }
}

std::string portInUseText(int port)
{
    return "Cannot host the game: TCP port " + std::to_string(port)
        + " is already in use on this computer (is another game already hosting?).";
}

} // namespace client
