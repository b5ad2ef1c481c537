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

    Roster m_roster;
    Game m_game;
    std::string m_loginName;
    bool m_hostRights = false;
    bool m_chatterSounds = true;
    net::Dispatcher<Effects&> m_dispatcher;
};

} // namespace client
