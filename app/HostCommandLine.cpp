#include "HostCommandLine.h"

#include "host/Game.h"
#include "rules/Seats.h"

#include <optional>

namespace app
{

namespace
{

// Decimal digits only, at most `max`.
std::optional<int> decimal(const std::string& text, int max)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

bool parseComputers(const std::string& text, HostCommandLine& out)
{
    std::vector<bots::Level> levels;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        while (!part.empty() && part.front() == ' ')
            part.erase(0, 1);
        while (!part.empty() && part.back() == ' ')
            part.pop_back();
        const auto level = bots::parseLevel(part);
        if (!level) {
            out.error = "bad computer level '" + part + "' (easy, medium, hard or expert)";
            return false;
        }
        levels.push_back(*level);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    // Seat 1 is the first person's; the computers fit in the other playing seats.
    if (static_cast<int>(levels.size()) > rules::kPlayerSeats - 1) {
        out.error = "at most " + std::to_string(rules::kPlayerSeats - 1) + " computer players";
        return false;
    }
    out.computers = std::move(levels);
    return true;
}

} // namespace

HostCommandLine parseHostCommandLine(const std::vector<std::string>& args)
{
    HostCommandLine out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out.help = true;
            return out;
        }
        if (arg == "--no-announce") {
            out.announce = false;
            continue;
        }
        if (arg == "--clean-words") {
            out.cleanWords = true;
            continue;
        }
        // The options that take a value.
        std::string option = arg;
        std::string value;
        bool hasValue = false;
        if (const auto equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            option = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            hasValue = true;
        }
        const char* needs = option == "--port" ? "a number"
            : option == "--bots"               ? "a list of levels"
            : option == "--hold-seat"          ? "a number of seconds"
            : option == "--words"              ? "a file name"
                                               : nullptr;
        if (!needs) {
            out.error = "unknown argument '" + arg + "'";
            return out;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                out.error = option + " needs " + needs;
                return out;
            }
            value = args[++i];
        }
        if (option == "--port") {
            const auto port = decimal(value, 65535);
            if (!port) {
                out.error = "bad port '" + value + "' (a number from 0 to 65535)";
                return out;
            }
            out.port = *port;
        } else if (option == "--bots") {
            if (!parseComputers(value, out))
                return out;
        } else if (option == "--hold-seat") {
            const auto seconds = decimal(value, host::kMaxHoldSeconds);
            if (!seconds) {
                out.error
                    = "bad hold time '" + value + "' (seconds from 0 to " + std::to_string(host::kMaxHoldSeconds) + ")";
                return out;
            }
            out.holdSeconds = *seconds;
        } else {
            if (value.empty()) {
                out.error = "--words needs a file name";
                return out;
            }
            out.wordFile = value;
        }
    }
    return out;
}

std::string hostUsageText()
{
    return R"usage(Usage: zirky-host [--port N] [--bots LEVEL[,LEVEL...]] [--hold-seat SECONDS]
                  [--words FILE] [--no-announce] [--clean-words]

Runs a Zirky game host without a window and without a player of its own.
Players join from the game's File > Join Game... (this machine's name or
address, with the port when it is not 7772, or a zirky://HOST:PORT invite
link), over IPv4 or IPv6. Unless --no-announce, the game is also listed on the
local network (DNS-SD through the avahi daemon) for the Join dialog to find.

  --port N   TCP port to listen on (default 7772; 0 lets the system pick one,
             the log then names it)
  --bots LEVEL[,LEVEL...]
             computer players to seat, in the order given, as soon as the
             first person has logged in (so that person keeps seat 1); each
             LEVEL is easy, medium, hard or expert, at most five of them
             (for example --bots easy,hard). They leave when no person is
             left in seats 1 to 6 and come back for the next person.
  --hold-seat SECONDS
             how long the seat, score and words of a player whose connection
             is lost wait for that player to come back (0 to 3600, default
             120; 0 frees the seat at once)
  --words FILE
             judge words against FILE: one word a line (2 to 14 letters a-z,
             any case), or a record file like "English"
  --no-announce
             do not announce the game on the local network
  --clean-words
             refuse offensive words for everyone, with the reason "Rejected:
             this host refuses offensive words" (computer players never play
             them in any case)
  --help     show this text

The first person to log in leads the game: they start games and may remove
players. When they leave for good, the player seated longest after them
leads. Seats 1 to 6 play, 7 to 9 watch; a tenth connection is turned away.
When no playing seat is taken any more, a running game ends.

A player whose connection is lost keeps the seat for the hold time; their
window comes back with the secret token the host gave it at login. Anyone
else, whatever name they use, gets another seat. Two players never share a
name: a second "Alice" plays as "Alice (2)".

The log goes to stderr, one timestamped line per connection, login, game
start, turn and winner. Without --words, the word list "English" is read from
the working directory; when that file is not the built-in list, the log says
so and every player is told at login. SIGINT or SIGTERM ends the host cleanly
(exit code 0).

Exit codes: 0 after a signal, 1 when the port cannot be opened (for example
"port 7772 is in use"), 2 for a bad command line or a word file that cannot
be used.
)usage";
}

} // namespace app
