#include "ComputerSeats.h"

#include <QDateTime>

#include <algorithm>
#include <memory>

namespace bots
{

ComputerSeats::ComputerSeats(const QString& address, quint16 port, std::vector<Level> levels, QObject* parent)
    : QObject(parent)
    , m_address(address)
    , m_port(port)
    , m_levels(std::move(levels))
    , m_seeds(static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch()))
{
}

void ComputerSeats::seatAll()
{
    if (active() || m_levels.empty())
        return;
    m_nextLevel = 0;
    seatNext();
}

void ComputerSeats::seatNext()
{
    if (m_nextLevel >= m_levels.size()) {
        emit allSeated();
        return;
    }
    const Level level = m_levels[m_nextLevel];
    // Two of a level are told apart by a number: "Easy Computer", "Easy Computer 2".
    const int number
        = static_cast<int>(std::count(m_levels.begin(), m_levels.begin() + static_cast<long>(m_nextLevel), level)) + 1;
    ++m_nextLevel;
    spawn(level, QString::fromStdString(computerName(level, number)), [this] { seatNext(); });
}

ComputerPlayer* ComputerSeats::addPlayer(Level level, const std::vector<std::string>& taken)
{
    std::vector<std::string> names = taken;
    for (const auto* p : m_players)
        names.push_back(p->name().toStdString());
    return spawn(level, QString::fromStdString(freeComputerName(level, names)), [] {});
}

ComputerPlayer* ComputerSeats::spawn(Level level, const QString& name, std::function<void()> then)
{
    auto* player = new ComputerPlayer(level, name, ++m_seeds * 0x9E3779B97F4A7C15ull, this);
    player->setTimeScale(m_timeScale);
    m_players.push_back(player);
    auto waiting = std::make_shared<bool>(true);
    auto next = [waiting, then] {
        if (*waiting) {
            *waiting = false;
            then();
        }
    };
    connect(player, &ComputerPlayer::joined, this, [this, player, next](int seat) {
        emit logLine(QStringLiteral("%1 took seat %2").arg(player->name()).arg(seat));
        emit seated(player);
        next();
    });
    connect(player, &ComputerPlayer::left, this, [this, player, next] {
        emit logLine(QStringLiteral("%1 left").arg(player->name()));
        m_players.erase(std::remove(m_players.begin(), m_players.end(), player), m_players.end());
        player->deleteLater();
        // One that never got a seat does not hold up the rest.
        next();
    });
    player->connectTo(m_address, m_port);
    return player;
}

} // namespace bots
