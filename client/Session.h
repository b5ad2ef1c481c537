#pragma once
// The client's side of the protocol, with no window and no socket: every line
// the host sends goes in, and what it comes to goes out as Effects. It owns
// the roster, the game model and the command table, as host::Game owns the
// host's; a new host message is added here and nowhere in the window.

#include "client/Effects.h"
#include "client/Game.h"
#include "client/Roster.h"
#include "net/Dispatcher.h"
#include "net/GameOptions.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace client
{

class Session
{
public:
    explicit Session(std::uint32_t seed);
    // The command table holds handlers bound to this object.
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The name this copy logs in with.
    void setLoginName(std::string name);
    const std::string& loginName() const { return m_loginName; }
    // This copy runs the host: the start button and the removals are its own.
    // A copy that joins gets them when the host seats it at 1.
    void setHosting(bool hosting);
    bool hostRights() const { return m_hostRights; }
    // Chatter sounds from others play, or show as a chat line.
    void setChatterSounds(bool on) { m_chatterSounds = on; }

    // One message from the host, terminator removed.
    Effects receive(std::string_view line);
    // Whether a host message with this command word does anything here.
    bool handles(std::string_view command) const { return m_dispatcher.handles(command); }
    // The host is gone: nothing may be sent any more.
    void disconnected() { m_roster.disconnected(); }

    // ---- a broken link (with a host that speaks the protocol additions)
    // The host sent a seat token: it answers heartbeats.
    bool hostSpeaksAdditions() const { return m_speaksAdditions; }
    // A broken link may be mended: a seat token is held (kept in memory only).
    bool mayRejoin() const { return !m_token.empty(); }
    const std::string& seatToken() const { return m_token; }
    // The link broke, or the host stopped answering: nothing is sent until the seat is back.
    Effects linkLost(bool hostSilent);
    // New connection `attempt` begins: its seat message is answered with the token.
    Effects reconnecting(int attempt);
    // No use trying any more: the hold of `holdSeconds` is over.
    Effects gaveUp(int holdSeconds);
    // The player leaves on purpose (Exit, closing the window, another game):
    // the goodbye to send before closing, and the token is forgotten.
    Effects leave();

    // The player's requests; nothing is sent that the rules would not allow.
    Effects startGame(const net::GameOptions& options);
    Effects removePlayer(int seat);
    Effects setJustWatch(int seat, bool watch);
    // "Just Watch" asks for the opposite of what its check shows.
    Effects toggleJustWatch(bool checkedNow);

    const Roster& roster() const { return m_roster; }
    const Game& game() const { return m_game; }
    // The player's own moves go straight to the model.
    Game& game() { return m_game; }

private:
    using Handler = Effects (Session::*)(std::string_view rest);
    void route(std::string_view command, Handler handler);

    Effects seated(std::string_view rest);
    Effects chat(std::string_view rest);
    Effects arrived(std::string_view rest);
    Effects disconnected(std::string_view rest);
    Effects justWatching(std::string_view rest);
    Effects otherHasWrongVersion(std::string_view rest);
    Effects ownWrongVersion(std::string_view rest);
    Effects full(std::string_view rest);
    // A line from the host itself, shown as one of the game's own.
    Effects notice(std::string_view rest);
    Effects chatterSound(std::string_view rest);
    Effects seatToken(std::string_view rest);
    Effects rejoined(std::string_view rest);
    Effects rejoinRefused(std::string_view rest);
    Effects seatHeld(std::string_view rest);
    Effects seatBack(std::string_view rest);
    Effects turnClock(std::string_view rest);
    Effects leader(std::string_view rest);
    Effects removed(std::string_view rest);

    // The connection is gone: nothing half done on it carries over to the next.
    void dropLink();
    // Logs in from `seat` (1..9) as the host asked, as a newcomer does.
    Effects logIn(int seat);
    void setRights(bool rights, Effects& e);
    // The host has told everything a rejoin missed.
    void endCatchUp(Effects& e);

    Roster m_roster;
    Game m_game;
    std::string m_loginName;
    bool m_hostRights = false;
    bool m_chatterSounds = true;
    std::string m_token;
    bool m_speaksAdditions = false;
    bool m_rejoining = false; // this connection was made to take the seat back
    int m_freshSeat = 0; // the seat the host gave the connection that asked to rejoin, while it waits
    bool m_refusedAtTheDoor = false; // the full house's "full" that follows is news
    bool m_catchingUp = false;
    net::Dispatcher<Effects&> m_dispatcher;
};

} // namespace client
