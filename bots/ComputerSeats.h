#pragma once
// A party of computer players for one host, seated one after another in the
// order given so that their seats follow that order.

#include "ComputerPlayer.h"
#include "Level.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace bots
{

class ComputerSeats : public QObject
{
    Q_OBJECT
public:
    ComputerSeats(const QString& address, quint16 port, std::vector<Level> levels, QObject* parent = nullptr);

    void setTimeScale(double factor) { m_timeScale = factor; }
    // Connects the first player; each next one once the one before has a seat.
    // Does nothing while any of the party is still here.
    void seatAll();
    // One more computer, as the hosting player's "Add Computer Player" does:
    // named apart from everyone in `taken` (the names in the seats now).
    ComputerPlayer* addPlayer(Level level, const std::vector<std::string>& taken);
    // Some of the party is connected or on its way.
    bool active() const { return !m_players.empty(); }
    const std::vector<ComputerPlayer*>& players() const { return m_players; }

signals:
    void seated(bots::ComputerPlayer* player);
    // Every player of the party has a seat (or could not get one).
    void allSeated();
    void logLine(const QString& line);

private:
    void seatNext();
    // A player of the party, connecting now; `then` runs once it has a seat or is gone.
    ComputerPlayer* spawn(Level level, const QString& name, std::function<void()> then);

    QString m_address;
    quint16 m_port;
    std::vector<Level> m_levels;
    std::vector<ComputerPlayer*> m_players;
    std::size_t m_nextLevel = 0;
    double m_timeScale = 1;
    std::uint64_t m_seeds = 0;
};

} // namespace bots
