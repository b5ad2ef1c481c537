#include "PlayerTable.h"

namespace host
{

PlayerTable::PlayerTable(Link& link)
    : m_link(link)
{
    // Teams are fixed: 1 with 3, 2 with 4; seats 5 and up have no partner.
    at(1).partner = 3;
    at(2).partner = 4;
    at(3).partner = 1;
    at(4).partner = 2;
}

int PlayerTable::freeSeat()
{
    for (int s = 1; s <= m_seatsUsed; ++s)
        if (!occupied(s))
            return s;
    if (m_seatsUsed >= kMaxSeat)
        return 0;
    return ++m_seatsUsed;
}

void PlayerTable::sendTo(int seat, const std::string& bytes)
{
    if ((isSeat(seat) || seat == kRefusedSeat) && at(seat).connected)
        m_link.send(seat, bytes);
}

void PlayerTable::sendAll(const std::string& bytes)
{
    for (int s = 1; s <= m_seatsUsed; ++s)
        sendTo(s, bytes);
}

void PlayerTable::sendAllBut(int seat, const std::string& bytes)
{
    for (int s = 1; s <= m_seatsUsed; ++s)
        if (s != seat)
            sendTo(s, bytes);
}

void PlayerTable::clearSeat(int seat)
{
    const int partner = at(seat).partner;
    at(seat) = Player {};
    at(seat).partner = partner;
}

int PlayerTable::occupiedPlayingSeats() const
{
    int n = 0;
    for (int s = 1; s <= kPlayingSeats; ++s)
        n += occupied(s) ? 1 : 0;
    return n;
}

bool PlayerTable::anyHeld() const
{
    for (int s = 1; s <= kMaxSeat; ++s)
        if (at(s).held)
            return true;
    return false;
}

int PlayerTable::connectedPlayingSeats() const
{
    int n = 0;
    for (int s = 1; s <= kPlayingSeats; ++s)
        n += at(s).connected ? 1 : 0;
    return n;
}

bool PlayerTable::anyoneCanPlay() const
{
    for (int s = 1; s <= kPlayingSeats; ++s)
        if (canPlay(s))
            return true;
    return false;
}

} // namespace host
