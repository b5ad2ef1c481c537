#include "Roster.h"

#include "net/Commands.h"
#include "net/Fields.h"
#include "net/Text.h"
#include "rules/Seats.h"

#include <algorithm>

namespace client
{

namespace
{

std::optional<int> seatField(std::string_view rest, int lo, int hi)
{
    const auto field = net::fieldAt(rest, 0);
    if (!field)
        return std::nullopt;
    const auto n = net::parseInt(*field);
    if (!n || *n < lo || *n > hi)
        return std::nullopt;
    return n;
}

std::string spyPrefix(int seat) { return std::to_string(seat) + ": "; }
std::string spyLine(int seat, std::string_view name) { return spyPrefix(seat) + std::string(name); }

// The line of the spectator in `seat` (a const or a mutable list).
template <class Spies> auto spyIn(Spies& spies, int seat)
{
    const std::string prefix = spyPrefix(seat);
    return std::find_if(
        spies.begin(), spies.end(), [&](const std::string& spy) { return spy.rfind(prefix, 0) == 0; });
}

SpyEntry spyEntry(const std::string& line)
{
    const auto colon = line.find(": ");
    return { net::parseInt(std::string_view(line).substr(0, colon)).value_or(0), line.substr(colon + 2) };
}

Effects dropped(std::string why)
{
    Effects c;
    c.ignored = std::move(why);
    return c;
}

} // namespace

Roster::Roster() { m_names.fill(std::string(kWaiting)); }

bool Roster::confirm(int seat, const std::string& name, bool mine)
{
    if (rules::isPlayerSeat(seat)) {
        const auto i = static_cast<std::size_t>(seat - 1);
        const bool known = m_unconfirmed[i] && m_names[i] == name;
        if (known || mine) {
            m_unconfirmed[i] = false;
            m_names[i] = name;
        }
        return known || mine;
    }
    const auto it = std::find(m_unconfirmedSpies.begin(), m_unconfirmedSpies.end(), spyLine(seat, name));
    if (it != m_unconfirmedSpies.end()) {
        m_unconfirmedSpies.erase(it);
        return true;
    }
    return mine && std::find(m_spies.begin(), m_spies.end(), spyLine(seat, name)) != m_spies.end();
}

void Roster::rejoined(int seat)
{
    m_mySeat = seat;
    m_connected = true;
    m_confirming = true;
    for (int s = 1; s <= rules::kPlayerSeats; ++s)
        m_unconfirmed[static_cast<std::size_t>(s - 1)] = name(s) != kWaiting;
    m_unconfirmedSpies = m_spies;
}

Effects Roster::endRejoin(std::vector<int>& freed)
{
    Effects c;
    if (!m_confirming)
        return c;
    m_confirming = false;
    for (int s = 1; s <= rules::kPlayerSeats; ++s) {
        const auto i = static_cast<std::size_t>(s - 1);
        if (!m_unconfirmed[i])
            continue;
        m_unconfirmed[i] = false;
        c.lines.push_back({ "0+" + m_names[i] + " disconnected.", kBlue });
        m_names[i] = std::string(kWaiting);
        m_watching[i] = false;
        freed.push_back(s);
    }
    for (const std::string& line : m_unconfirmedSpies) {
        const auto it = std::find(m_spies.begin(), m_spies.end(), line);
        if (it == m_spies.end())
            continue;
        m_spies.erase(it);
        c.spiesGone.push_back(spyEntry(line));
    }
    m_unconfirmedSpies.clear();
    return c;
}

Effects Roster::startOver()
{
    Effects c;
    m_confirming = false;
    m_unconfirmed.fill(false);
    m_unconfirmedSpies.clear();
    m_names.fill(std::string(kWaiting));
    m_watching.fill(false);
    for (const std::string& line : m_spies) {
        c.spiesGone.push_back(spyEntry(line));
    }
    m_spies.clear();
    return c;
}

std::string Roster::nameAt(int seat) const
{
    if (rules::isPlayerSeat(seat))
        return name(seat);
    const auto spy = spyIn(m_spies, seat);
    return spy == m_spies.end() ? std::string() : spy->substr(spyPrefix(seat).size());
}

std::vector<std::string> Roster::everyone() const
{
    std::vector<std::string> out(m_names.begin(), m_names.end());
    for (const auto& spy : m_spies)
        out.push_back(spy.substr(spy.find(": ") + 2));
    return out;
}

std::vector<std::string> Roster::opponents() const
{
    std::vector<std::string> out;
    for (int seat = 1; seat <= rules::kPlayerSeats; ++seat)
        if (seat != m_mySeat && name(seat) != kWaiting)
            out.push_back(name(seat));
    return out;
}

std::optional<int> Roster::seated(std::string_view rest)
{
    const auto seat = seatField(rest, 1, rules::kMaxSeat);
    if (!seat)
        return std::nullopt;
    m_mySeat = *seat;
    m_connected = true;
    return seat;
}

Effects Roster::playerArrived(std::string_view rest)
{
    const auto seat = seatField(rest, 1, rules::kMaxSeat);
    if (!seat)
        return dropped("player arrival with a bad seat");
    const std::string name = net::printable(net::fieldsAfter(rest, 1));
    Effects c;
    const bool mine = *seat == m_mySeat;
    if (m_confirming && confirm(*seat, name, mine)) {
        c.loggedIn = mine;
        return c;
    }
    if (mine) {
        c.lines.push_back({ "0+You are Connected.", kBlue });
        c.loggedIn = true;
    } else {
        c.lines.push_back({ "0+" + name + " is Connected.", kBlue });
        c.sounds.push_back("entered");
    }
    if (*seat > rules::kPlayerSeats) {
        // A spectator seat has one name: a new login there (a name changed on
        // the same connection) takes the old name's place, so the list neither
        // shows both nor grows with every repeat.
        const std::string prefix = std::to_string(*seat) + ": ";
        const auto old = std::find_if(
            m_spies.begin(), m_spies.end(), [&](const std::string& spy) { return spy.rfind(prefix, 0) == 0; });
        if (old != m_spies.end()) {
            c.spyRemoved = SpyEntry { *seat, old->substr(prefix.size()) };
            m_spies.erase(old);
        }
        m_spies.push_back(spyLine(*seat, name));
        c.spyAdded = SpyEntry { *seat, name };
        c.lines.push_back({ mine ? "0+You are spying." : "0+" + name + " is spying.", kBlue });
    } else {
        m_names[static_cast<std::size_t>(*seat - 1)] = name;
    }
    return c;
}

Effects Roster::playerDisconnected(std::string_view rest)
{
    const auto seat = seatField(rest, 1, rules::kMaxSeat);
    if (!seat)
        return dropped("disconnect with a bad seat");
    Effects c;
    c.left = *seat;
    if (*seat <= rules::kPlayerSeats) {
        const auto i = static_cast<std::size_t>(*seat - 1);
        if (m_names[i] != kWaiting)
            c.lines.push_back({ "0+" + m_names[i] + " disconnected.", kBlue });
        m_names[i] = std::string(kWaiting);
        m_watching[i] = false;
        return c;
    }
    const std::string name = net::printable(net::fieldsAfter(rest, 1));
    if (name.empty() || m_spies.empty())
        return c;
    const std::string line = spyLine(*seat, name);
    const auto it = std::find(m_spies.begin(), m_spies.end(), line);
    if (it == m_spies.end())
        return c; // a spectator we never saw leaves silently
    m_spies.erase(it);
    c.spyRemoved = SpyEntry { *seat, name };
    c.lines.push_back({ "0+" + name + " has left.", kNavy });
    return c;
}

Effects Roster::justWatching(std::string_view rest)
{
    const auto seat = seatField(rest, 1, rules::kPlayerSeats);
    if (!seat)
        return dropped("watch notice with a bad seat");
    const auto i = static_cast<std::size_t>(*seat - 1);
    const bool watch = net::fieldAt(rest, 1).value_or("") == "1";
    Effects c;
    m_watching[i] = watch;
    if (*seat == m_mySeat) {
        c.justWatchChecked = watch;
        c.lines.push_back({ watch ? "0+You are just watching" : "0+You are playing again", kWatchGrey });
        return c;
    }
    c.lines.push_back({ "0+" + m_names[i] + (watch ? " is just watching" : " now playing again"), kWatchGrey });
    return c;
}

bool Roster::mayAskToWatch() const
{
    if (!m_connected || !rules::mayJustWatch(m_mySeat))
        return false;
    if (watching(m_mySeat))
        return true; // playing again is always open
    // The host keeps one of seats 1 to 4 playing: alone there, nobody would play.
    for (int s = 1; s <= rules::kWatchSeats; ++s)
        if (s != m_mySeat && name(s) != kWaiting && !watching(s))
            return true;
    return false;
}

KickMenu prepareKickMenu(bool hosting, std::string_view labelText, int seat)
{
    KickMenu m;
    m.removeEnabled = m.setWatchEnabled = m.unsetWatchEnabled = m.spyRemoveEnabled = hosting;
    if (labelText == kWaiting)
        m.removeEnabled = false;
    m.tag = seat;
    return m;
}

std::optional<std::string> removeFromGame(bool hosting, bool connected, int mySeat, int target)
{
    if (!hosting || !connected || target < 1 || target > rules::kMaxSeat)
        return std::nullopt;
    return net::msg::kickhim(mySeat, target);
}

std::optional<std::string> setJustWatch(bool connected, int target, bool watch)
{
    if (!connected || !rules::mayJustWatch(target))
        return std::nullopt;
    return net::msg::justwatch(target, watch);
}

std::optional<std::string> toggleJustWatch(bool connected, int mySeat, bool checkedNow)
{
    return setJustWatch(connected, mySeat, !checkedNow);
}

} // namespace client
