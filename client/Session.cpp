#include "Session.h"

#include "Wording.h"
#include "chat/ChatLine.h"
#include "chat/Speaker.h"
#include "net/Commands.h"
#include "net/Text.h"
#include "rules/Version.h"

namespace client
{

Session::Session(std::uint32_t seed)
    : m_game(m_roster, seed)
{
    using G = Effects (Game::*)(std::string_view);
    const auto game = [this](std::string_view command, G method) {
        m_dispatcher.add(
            command, [this, method](std::string_view rest, Effects& out) { out = (m_game.*method)(rest); });
    };
    route(net::cmd::sendlogininfo, &Session::seated);
    route(net::cmd::chat, &Session::chat);
    route(net::cmd::action, &Session::chat);
    route(net::cmd::newplayerinfo, &Session::arrived);
    route(net::cmd::havewrongversion, &Session::otherHasWrongVersion);
    route(net::cmd::wrongversion, &Session::ownWrongVersion);
    route(net::cmd::existingplayers, &Session::arrived);
    route(net::cmd::playerdisconnected, &Session::disconnected);
    game(net::cmd::startgame, &Game::startthegame);
    game(net::cmd::nextplayer, &Game::getnextplayer);
    game(net::cmd::winner, &Game::winner);
    route(net::cmd::full, &Session::full);
    route(net::cmd::justwatching, &Session::justWatching);
    game(net::cmd::thedice, &Game::thedice);
    game(net::cmd::setdice, &Game::setdice);
    game(net::cmd::accepted, &Game::accepted);
    game(net::cmd::rejected, &Game::rejected);
    game(net::cmd::clearthem, &Game::cleartilesRelay);
    game(net::cmd::turnend, &Game::turnend);
    game(net::cmd::scores, &Game::scores);
    game(net::cmd::stats, &Game::stats);
    game(net::cmd::loadscores, &Game::loadscores);
    game(net::cmd::newtiles, &Game::newtiles);
    game(net::cmd::oldtiles, &Game::oldtiles);
    game(net::cmd::addaword, &Game::addaword);
    route(net::cmd::playasound, &Session::chatterSound);
    game(net::cmd::ifinished, &Game::ifinished);
    game(net::cmd::allfinished, &Game::allfinished);
}

void Session::route(std::string_view command, Handler handler)
{
    m_dispatcher.add(command, [this, handler](std::string_view rest, Effects& out) { out = (this->*handler)(rest); });
}

void Session::setLoginName(std::string name)
{
    m_loginName = std::move(name);
    m_game.setLoginName(m_loginName);
}

void Session::setHosting(bool hosting)
{
    m_hostRights = hosting;
    m_game.setHostRights(hosting);
}

Effects Session::receive(std::string_view line)
{
    // Unknown commands change nothing: newer hosts may say more than we know.
    Effects out;
    m_dispatcher.dispatch(line, out);
    return out;
}

// ---------------------------------------------------------------- the table

Effects Session::seated(std::string_view rest)
{
    Effects e;
    const auto seat = m_roster.seated(rest);
    if (!seat) {
        e.ignored = "a seat message with a bad seat";
        return e;
    }
    e.seated = *seat;
    // A dedicated host has no player of its own: whoever joins it first holds
    // seat 1 and the host's rights, so that player starts the games. (A copy
    // that hosts always takes seat 1 itself, so this never touches its joiners.)
    if (*seat == 1 && !m_hostRights) {
        setHosting(true);
        e.hostRights = true;
    }
    e.send.push_back(net::msg::logininfo(*seat, rules::kVersion, m_loginName));
    return e;
}

Effects Session::arrived(std::string_view rest) { return m_roster.playerArrived(rest); }
Effects Session::disconnected(std::string_view rest) { return m_roster.playerDisconnected(rest); }
Effects Session::justWatching(std::string_view rest) { return m_roster.justWatching(rest); }

Effects Session::otherHasWrongVersion(std::string_view rest)
{
    Effects e;
    e.lines.push_back({ "0+" + net::toUtf8(rest) + " has a different version of the game then you.", kBlue });
    return e;
}

Effects Session::ownWrongVersion(std::string_view)
{
    Effects e;
    e.wrongVersion = true;
    e.lines.push_back({ "0+You have a differnt version of the game then the host.", kBlue });
    return e;
}

Effects Session::full(std::string_view)
{
    Effects e;
    e.gameFull = true;
    return e;
}

// ---------------------------------------------------------------- chat

Effects Session::chat(std::string_view rest)
{
    const chat::Payload payload = chat::splitPayload(rest);
    Effects e;
    const int me = m_roster.mySeat();
    e.lines.push_back({ ownLine(payload.line, me, rules::isSeat(me) ? m_roster.nameAt(me) : ""), payload.colour });
    return e;
}

Effects Session::chatterSound(std::string_view rest)
{
    const auto r = chat::playasound(rest, m_chatterSounds, [this](int seat) { return m_roster.nameAt(seat); });
    Effects e;
    e.ignored = r.ignored;
    if (r.sound)
        e.sounds.push_back(*r.sound);
    if (r.line)
        e.lines.push_back({ *r.line, kBlue });
    return e;
}

// ---------------------------------------------------------------- the player's requests

Effects Session::startGame(const net::GameOptions& options)
{
    Effects e;
    if (m_roster.connected())
        e.send.push_back(net::msg::startgame(m_roster.mySeat(), options));
    return e;
}

Effects Session::removePlayer(int seat)
{
    Effects e;
    if (auto m = removeFromGame(m_hostRights, m_roster.connected(), m_roster.mySeat(), seat))
        e.send.push_back(std::move(*m));
    return e;
}

Effects Session::setJustWatch(int seat, bool watch)
{
    Effects e;
    if (auto m = client::setJustWatch(m_roster.connected(), seat, watch))
        e.send.push_back(std::move(*m));
    return e;
}

Effects Session::toggleJustWatch(bool checkedNow)
{
    Effects e;
    if (auto m = client::toggleJustWatch(m_roster.connected(), m_roster.mySeat(), checkedNow))
        e.send.push_back(std::move(*m));
    return e;
}

} // namespace client
