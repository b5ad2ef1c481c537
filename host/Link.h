#pragma once
// What the game rules ask of whoever owns the connections and the clock.
// The rules call these synchronously; the shell (HostServer) or a test implements them.

#include <cstdint>
#include <string>

namespace host
{

class Link
{
public:
    virtual ~Link() = default;
    // Queue framed bytes (one or more whole messages) for the connection in `seat` (1..10).
    virtual void send(int seat, const std::string& bytes) = 0;
    // Close the connection in `seat`. For seats 1..9 the shell later reports it
    // back through Game::closed(seat), as for any other closed connection.
    virtual void drop(int seat) = 0;
    // Start or stop the one-second turn timer that calls Game::tick().
    virtual void setTurnTimer(bool running) = 0;
    // Start or stop the one-second timer that calls Game::holdTick() while seats are held.
    virtual void setHoldTimer(bool running) = 0;
    // The connection in `from` (fresh, never logged in) now serves `to`, and
    // `from` is free. Whatever connection `to` still had is closed without a
    // word and never reported through Game::closed().
    virtual void moveConnection(int from, int to) = 0;
    // A steady clock in milliseconds, for the budgets of what a seat may relay.
    virtual std::int64_t clockMs() = 0;
    // The connection in `seat` sends heartbeats, so a long silence from it
    // means a dead link; the shell may then close it like any lost connection.
    virtual void heartbeat(int /*seat*/) { }
    // One line for the operator's log (stderr in zirky-host); never shown to players.
    virtual void log(const std::string& line) = 0;
    // A line about a message from `seat` that was wrong and ignored. A peer can
    // send such messages as fast as it likes, so the shell may hold some back.
    virtual void badInput(int /*seat*/, const std::string& line) { log(line); }
};

} // namespace host
