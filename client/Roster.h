#pragma once
// What the client knows about the table: its own seat, the six players'
// names and watch marks, and the spectators. Each roster message from the
// host is turned into the changes the window shows; nothing the host sends
// can make it index out of range.

#include "client/Effects.h"
#include "rules/Seats.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace client
{

using rules::kMaxSeat;
using rules::kPlayerSeats;
inline constexpr std::string_view kWaiting = "<Waiting>";

class Roster
{
public:
    Roster();

    int mySeat() const { return m_mySeat; }
    bool connected() const { return m_connected; }
    // Seat 1..6; "<Waiting>" when free.
    const std::string& name(int seat) const { return m_names.at(static_cast<std::size_t>(seat - 1)); }
    bool watching(int seat) const { return m_watching.at(static_cast<std::size_t>(seat - 1)); }
    const std::vector<std::string>& spies() const { return m_spies; }
    // Who is in `seat` 1..9: a player seat's name ("<Waiting>" when free), a
    // spectator's name, or nothing for a spectator never seen.
    std::string nameAt(int seat) const;
    // Everyone here: the six seats (free ones as "<Waiting>") and the spectators.
    std::vector<std::string> everyone() const;
    // The other players in seats 1 to 6, free seats left out.
    std::vector<std::string> opponents() const;

    // "CMD_sendlogininfo": the seat the host gave us. Nothing for a seat out of range.
    std::optional<int> seated(std::string_view rest);
    // "CMD_newplayerinfo" and "CMD_existingplayers". While a rejoin's roster
    // comes in, whoever the window already knew in that seat is not announced again.
    Effects playerArrived(std::string_view rest);
    Effects playerDisconnected(std::string_view rest);
    Effects justWatching(std::string_view rest);

    // "Just Watch" can act: while watching, to play again; while playing, only
    // from seats 1 to 4 and when another of them plays on (not in a solo game).
    bool mayAskToWatch() const;

    // The connection is gone: nothing may be sent any more.
    void disconnected() { m_connected = false; }

    // A rejoin: this connection holds `seat` again, and the host now names
    // everyone seated; whoever it does not name left while the link was down.
    void rejoined(int seat);
    // The host has named everyone. Player seats it did not name are free again
    // (their numbers go to `freed`), and unnamed spectators are gone.
    Effects endRejoin(std::vector<int>& freed);
    // The window is a newcomer after all: it knows nobody until the host says.
    Effects startOver();

private:
    // A rejoin's roster names someone: whether the window knew them there (or it is its own seat).
    bool confirm(int seat, const std::string& name, bool mine);

    int m_mySeat = 0;
    bool m_connected = false;
    std::array<std::string, rules::kPlayerSeats> m_names;
    std::array<bool, rules::kPlayerSeats> m_watching {};
    std::vector<std::string> m_spies;
    // While a rejoin's roster comes in: who the host has not named again yet.
    bool m_confirming = false;
    std::array<bool, rules::kPlayerSeats> m_unconfirmed {};
    std::vector<std::string> m_unconfirmedSpies;
};

// The pop-up menu on a player's name label, as prepared when it opens.
struct KickMenu {
    bool removeEnabled = false;
    bool setWatchEnabled = false;
    bool unsetWatchEnabled = false;
    bool spyRemoveEnabled = false;
    int tag = 0; // the seat of the label
};
KickMenu prepareKickMenu(bool hosting, std::string_view labelText, int seat);

// Messages the removal and watch commands send, or nothing when not allowed.
std::optional<std::string> removeFromGame(bool hosting, bool connected, int mySeat, int target);
std::optional<std::string> setJustWatch(bool connected, int target, bool watch);
// "Just Watch" in the menu asks for the opposite of the check shown.
std::optional<std::string> toggleJustWatch(bool connected, int mySeat, bool checkedNow);

} // namespace client
