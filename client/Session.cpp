#include "Session.h"

#include "Wording.h"
#include "chat/ChatLine.h"
#include "chat/Speaker.h"
#include "client/ConnectionText.h"
#include "net/Commands.h"
#include "net/Fields.h"
#include "net/Text.h"
#include "rules/Seats.h"
#include "rules/Version.h"

#include <utility>

namespace client
{

namespace
{

Effects ignoring(std::string why)
{
    Effects e;
    e.ignored = std::move(why);
    return e;
}

// What the roster and the game said on the way, after what was said before.
void append(Effects& into, Effects from)
{
    for (auto& m : from.send)
        into.send.push_back(std::move(m));
    for (auto& l : from.lines)
        into.lines.push_back(std::move(l));
    for (auto& s : from.spiesGone)
        into.spiesGone.push_back(std::move(s));
    into.backInGame = into.backInGame || from.backInGame;
}

// "2:00": how long a hold lasts, as a player reads it.
std::string minutesText(int seconds)
{
    const int s = seconds % 60;
    return std::to_string(seconds / 60) + ":" + (s < 10 ? "0" : "") + std::to_string(s);
}

} // namespace

Session::Session(std::uint32_t seed)
    : m_game(m_roster, seed)
{
    using G = Effects (Game::*)(std::string_view);
    const auto game = [this](std::string_view command, G method) {
        m_dispatcher.add(
            command, [this, method](std::string_view rest, Effects& out) { out = (m_game.*method)(rest); });
    };
    // A catch-up never holds the end of a turn or of the game: one that comes
    // means the catch-up is over, whatever the host forgot to say.
    const auto endsCatchUp = [this](std::string_view command, G method) {
        m_dispatcher.add(command, [this, method](std::string_view rest, Effects& out) {
            Effects closing;
            endCatchUp(closing);
            out = (m_game.*method)(rest);
            append(out, std::move(closing));
        });
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
    endsCatchUp(net::cmd::winner, &Game::winner);
    route(net::cmd::full, &Session::full);
    route(net::cmd::justwatching, &Session::justWatching);
    game(net::cmd::thedice, &Game::thedice);
    game(net::cmd::setdice, &Game::setdice);
    game(net::cmd::accepted, &Game::accepted);
    game(net::cmd::rejected, &Game::rejected);
    game(net::cmd::clearthem, &Game::cleartilesRelay);
    endsCatchUp(net::cmd::turnend, &Game::turnend);
    game(net::cmd::scores, &Game::scores);
    game(net::cmd::stats, &Game::stats);
    game(net::cmd::loadscores, &Game::loadscores);
    game(net::cmd::newtiles, &Game::newtiles);
    game(net::cmd::oldtiles, &Game::oldtiles);
    game(net::cmd::addaword, &Game::addaword);
    route(net::cmd::playasound, &Session::chatterSound);
    game(net::cmd::ifinished, &Game::ifinished);
    game(net::cmd::allfinished, &Game::allfinished);
    route(net::cmd::notice, &Session::notice);
    // The additions: peers that do not know them never send them.
    route(net::cmd::seattoken, &Session::seatToken);
    route(net::cmd::rejoined, &Session::rejoined);
    route(net::cmd::rejoinrefused, &Session::rejoinRefused);
    route(net::cmd::seatheld, &Session::seatHeld);
    route(net::cmd::seatback, &Session::seatBack);
    game(net::cmd::clock, &Game::restoreClock);
    route(net::cmd::leader, &Session::leader);
    route(net::cmd::removed, &Session::removed);
}

void Session::route(std::string_view command, Handler handler)
{
    m_dispatcher.add(command, [this, handler](std::string_view rest, Effects& out) { out = (this->*handler)(rest); });
}

void Session::setLoginName(std::string name)
{
    m_loginName = std::move(name);
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
    // A rejoin's catch-up retells the turn so far: none of it is news to play a sound for.
    if (m_catchingUp)
        out.sounds.clear();
    return out;
}

// ---------------------------------------------------------------- the table

Effects Session::seated(std::string_view rest)
{
    if (std::exchange(m_rejoining, false)) {
        // A full house lets one connection in at seat 10, for a rejoin only.
        const auto fresh = net::intAt(rest, 0, 1, rules::kRefusedSeat);
        if (!fresh)
            return ignoring("a seat message with a bad seat");
        m_freshSeat = *fresh;
        Effects e;
        e.send.push_back(net::msg::rejoin(*fresh, m_token, rules::kVersion));
        return e;
    }
    const auto seat = m_roster.seated(rest);
    if (!seat)
        return ignoring("a seat message with a bad seat");
    return logIn(*seat);
}

Effects Session::logIn(int seat)
{
    Effects e;
    e.seated = seat;
    // A dedicated host has no player of its own: whoever joins it first holds
    // seat 1 and the host's rights, so that player starts the games. (A copy
    // that hosts always takes seat 1 itself, so this never touches its joiners.)
    // A host that names its leader corrects this at once.
    if (seat == 1 && !m_hostRights)
        setRights(true, e);
    e.send.push_back(net::msg::logininfo(seat, rules::kVersion, m_loginName));
    return e;
}

void Session::setRights(bool rights, Effects& e)
{
    setHosting(rights);
    e.hostRights = rights;
}

Effects Session::arrived(std::string_view rest)
{
    const auto seat = net::intAt(rest, 0, 1, rules::kPlayerSeats);
    const std::string before = seat ? m_roster.name(*seat) : std::string();
    Effects e = m_roster.playerArrived(rest);
    // Somebody else in the seat now: what the board showed for it was the last player's.
    if (seat && m_roster.name(*seat) != before)
        m_game.clearSeat(*seat);
    return e;
}

Effects Session::disconnected(std::string_view rest)
{
    Effects e = m_roster.playerDisconnected(rest);
    if (e.left)
        m_game.clearSeat(*e.left);
    return e;
}
Effects Session::justWatching(std::string_view rest) { return m_roster.justWatching(rest); }

Effects Session::otherHasWrongVersion(std::string_view rest)
{
    Effects e;
    e.lines.push_back({ "0+" + net::printable(rest) + " has a different version of the game then you.", kBlue });
    return e;
}

Effects Session::ownWrongVersion(std::string_view)
{
    Effects e;
    e.wrongVersion = true;
    e.lines.push_back({ "0+You have a differnt version of the game then the host.", kBlue });
    return e;
}

Effects Session::notice(std::string_view rest)
{
    Effects e;
    e.lines.push_back({ "0+" + net::printable(rest), kMaroon });
    return e;
}

Effects Session::full(std::string_view)
{
    // The host refuses a connection before it seats it; once seated, "full" is no news for us.
    // (A window refused its held seat at the door of a full house is seated no more.)
    if (rules::isSeat(m_roster.mySeat()) && !m_refusedAtTheDoor)
        return ignoring("a full-game notice for a seated window");
    Effects e;
    e.gameFull = true;
    return e;
}

// ---------------------------------------------------------------- a broken link

Effects Session::seatToken(std::string_view rest)
{
    const auto seat = net::intAt(rest, 0, 1, rules::kMaxSeat);
    if (!seat || *seat != m_roster.mySeat())
        return ignoring("a seat token for another seat");
    const std::string_view token = net::fieldAt(rest, 1).value_or("");
    if (!net::isSeatToken(token))
        return ignoring("a malformed seat token");
    m_token = token;
    m_speaksAdditions = true;
    Effects e;
    e.mayRejoin = true;
    e.hostSpeaksAdditions = true;
    // The new token closes a rejoin's catch-up.
    endCatchUp(e);
    return e;
}

Effects Session::rejoined(std::string_view rest)
{
    if (m_freshSeat == 0)
        return ignoring("a rejoin nobody asked for");
    const auto seat = net::intAt(rest, 0, 1, rules::kMaxSeat);
    if (!seat)
        return ignoring("a rejoin to a bad seat");
    m_freshSeat = 0;
    m_roster.rejoined(*seat);
    m_game.beginCatchUp();
    m_catchingUp = true;
    Effects e;
    e.seated = *seat;
    return e;
}

void Session::endCatchUp(Effects& e)
{
    if (!m_catchingUp)
        return;
    m_catchingUp = false;
    std::vector<int> freed;
    append(e, m_roster.endRejoin(freed));
    for (int seat : freed)
        m_game.clearSeat(seat);
    m_game.endCatchUp();
    e.lines.push_back({ "0+You are back in your seat.", kBlue });
    e.backInGame = true;
}

Effects Session::rejoinRefused(std::string_view)
{
    if (m_freshSeat == 0)
        return ignoring("a refused rejoin nobody asked for");
    const int fresh = std::exchange(m_freshSeat, 0);
    m_token.clear();
    Effects e;
    e.mayRejoin = false;
    if (!rules::isSeat(fresh)) {
        // At the door of a full house: the host says so and closes.
        e.lines.push_back({ "0+Your seat was no longer held, and the game is full.", kRed });
        m_refusedAtTheDoor = true;
        return e;
    }
    // The hold ran out: in again as a newcomer, under the same name, from nothing.
    append(e, m_roster.startOver());
    m_game.forgetGame();
    m_roster.seated(std::to_string(fresh));
    e.lines.push_back({ "0+Your seat was no longer held; you are in the game again as a new player.", kRed });
    // A newcomer has none of the rights its last seat had; the host names its leader.
    if (m_hostRights)
        setRights(false, e);
    Effects login = logIn(fresh);
    e.seated = login.seated;
    if (login.hostRights)
        e.hostRights = login.hostRights;
    append(e, std::move(login));
    e.backInGame = true;
    return e;
}

Effects Session::seatHeld(std::string_view rest)
{
    const auto seat = net::intAt(rest, 0, 1, rules::kMaxSeat);
    const auto seconds = net::intAt(rest, 1, 1, 3600);
    if (!seat || !seconds)
        return ignoring("a held seat with a bad seat or time");
    // The host may learn that our old link ended only after our new one knocked.
    if (*seat == m_roster.mySeat())
        return ignoring("our own seat held");
    std::string name = m_roster.nameAt(*seat);
    if (name.empty() || name == kWaiting)
        name = "The player in seat " + std::to_string(*seat);
    Effects e;
    e.lines.push_back(
        { "0+" + name + " lost the connection; their seat is held for " + minutesText(*seconds), kBlue });
    return e;
}

Effects Session::seatBack(std::string_view rest)
{
    const auto seat = net::intAt(rest, 0, 1, rules::kMaxSeat);
    if (!seat || *seat == m_roster.mySeat())
        return ignoring("a seat back with a bad seat");
    Effects e;
    e.lines.push_back({ "0+" + m_roster.nameAt(*seat) + " is back.", kBlue });
    return e;
}

Effects Session::leader(std::string_view rest)
{
    const auto seat = net::intAt(rest, 0, 0, rules::kMaxSeat);
    if (!seat)
        return ignoring("a leader with a bad seat");
    const bool leads = *seat != 0 && *seat == m_roster.mySeat();
    Effects e;
    if (leads == m_hostRights)
        return e;
    setRights(leads, e);
    if (leads && !m_catchingUp)
        e.lines.push_back({ "0+You lead the game now: you may start it and remove players.", kBlue });
    return e;
}

Effects Session::removed(std::string_view rest)
{
    const auto seat = net::intAt(rest, 0, 1, rules::kMaxSeat);
    if (!seat || *seat != m_roster.mySeat())
        return ignoring("a removal of another seat");
    m_token.clear();
    Effects e;
    e.mayRejoin = false;
    e.lines.push_back({ "0+You were removed from the game.", kRed });
    return e;
}

void Session::dropLink()
{
    m_roster.disconnected();
    m_rejoining = false;
    m_freshSeat = 0;
    if (m_catchingUp) {
        // Half a catch-up is worth nothing: the next rejoin starts it over.
        m_catchingUp = false;
        m_game.endCatchUp();
    }
}

Effects Session::linkLost(bool hostSilent)
{
    dropLink();
    Effects e;
    e.lines.push_back({ "0+" + std::string(hostSilent ? kHostSilent : kConnectionLost), kRed });
    return e;
}

Effects Session::reconnecting(int attempt)
{
    // The last attempt may have broken off after the greeting, even mid catch-up.
    dropLink();
    m_rejoining = mayRejoin();
    const std::string text = "Reconnecting… " + std::to_string(attempt);
    m_game.showLinkState(text);
    Effects e;
    // Every attempt shows in the status line; the chat hears of the first few, then of every fifth.
    if (attempt <= 3 || attempt % 5 == 0)
        e.lines.push_back({ "0+" + text, kRed });
    return e;
}

Effects Session::gaveUp(int holdSeconds)
{
    m_rejoining = false;
    m_token.clear();
    m_game.showLinkState("Not connected.");
    Effects e;
    e.mayRejoin = false;
    e.lines.push_back({ "0+Could not get back into the game within " + minutesText(holdSeconds)
            + "; the seat is no longer held.",
        kRed });
    return e;
}

Effects Session::leave()
{
    Effects e;
    if (m_roster.connected())
        e.send.push_back(net::msg::leave(m_roster.mySeat()));
    m_roster.disconnected();
    m_token.clear();
    m_rejoining = false;
    m_freshSeat = 0;
    e.mayRejoin = false;
    return e;
}

// ---------------------------------------------------------------- chat

Effects Session::chat(std::string_view rest)
{
    // A player's line always names the seat it came from: one without would
    // pass for a line of the game's own.
    const auto seat = net::parseInt(net::fieldAt(rest, 0).value_or(""));
    if (!seat || !rules::isSeat(*seat))
        return ignoring("chat from no seat");
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
