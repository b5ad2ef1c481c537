#include "ComputerPlayer.h"

#include "client/ClientConnection.h"
#include "net/Commands.h"
#include "rules/Seats.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace bots
{

namespace
{
qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }
} // namespace

ComputerPlayer::ComputerPlayer(Level level, const QString& name, std::uint64_t seed, QObject* parent)
    : QObject(parent)
    , m_level(level)
    , m_name(name)
    , m_rng(seed)
    , m_session(static_cast<std::uint32_t>(seed))
{
    m_session.setLoginName(name.toStdString());
    // A computer reads no hints about the words it missed.
    m_session.game().setShowMissed(false);
    m_conn = new ClientConnection(this);
    m_conn->setLogName("zirky: " + name);
    connect(m_conn, &ClientConnection::lineReceived, this, &ComputerPlayer::received);
    connect(m_conn, &ClientConnection::cannotConnect, this, &ComputerPlayer::leave);
    connect(m_conn, &ClientConnection::ended, this, &ComputerPlayer::leave);
    m_scriptTimer = new QTimer(this);
    m_scriptTimer->setSingleShot(true);
    m_scriptTimer->setTimerType(Qt::PreciseTimer);
    connect(m_scriptTimer, &QTimer::timeout, this, &ComputerPlayer::step);
}

ComputerPlayer::~ComputerPlayer() { m_conn->shutdown(); }

void ComputerPlayer::connectTo(const QString& address, quint16 port) { m_conn->open(address, port); }

void ComputerPlayer::leave()
{
    if (m_leaving)
        return;
    m_leaving = true;
    m_scriptTimer->stop();
    m_conn->shutdown();
    // Never from inside a socket event: the owner may delete this player on it.
    QTimer::singleShot(0, this, [this] { emit left(); });
}

void ComputerPlayer::send(const std::string& framed)
{
    if (!m_leaving && m_conn->connected())
        m_conn->send(framed);
}

void ComputerPlayer::received(const std::string& line)
{
    if (m_leaving)
        return;
    const client::Effects e = m_session.receive(line);
    if (e.seated) {
        if (!rules::isPlayerSeat(*e.seated)) {
            // Only a watching seat is free: a computer has nothing to do there, and
            // a person may want the seat.
            std::fprintf(stderr, "zirky: %s: no playing seat free\n", qPrintable(m_name));
            leave();
            return;
        }
        m_conn->markSeated();
    }
    for (const std::string& m : e.send)
        send(m);
    if (e.loggedIn && !m_loggedIn) {
        m_loggedIn = true;
        emit joined(seat());
    }
    if (e.gameFull || e.wrongVersion || (e.left && !anyPersonPlaying())) {
        leave();
        return;
    }
    if (e.gameStarted) {
        m_zirked = false;
        turnOver();
    }
    if (e.turnStarted)
        startTurn();
    if (e.dealt)
        play(*e.dealt);
    if (e.verdict)
        answer(*e.verdict);
    if (e.scored && e.scored->seat == seat())
        emit scored(e.scored->points, e.scored->bonus, e.scored->words);
    if (e.turnOver)
        turnOver();
}

bool ComputerPlayer::anyPersonPlaying() const
{
    const client::Roster& roster = m_session.roster();
    for (int s = 1; s <= rules::kPlayerSeats; ++s)
        if (s != seat() && roster.name(s) != client::kWaiting && !isComputerName(roster.name(s)))
            return true;
    return false;
}

void ComputerPlayer::startTurn()
{
    turnOver();
    m_bought = false;
    m_turnStartedMs = nowMs();
}

int ComputerPlayer::scaled(int ms) const { return static_cast<int>(ms / m_timeScale); }

void ComputerPlayer::play(const client::Deal& deal)
{
    const client::Game& game = m_session.game();
    if (deal.seat != seat() || !game.myTurn() || !rules::isPlayerSeat(seat()))
        return;
    if (deal.fresh)
        m_zirked = deal.zirked;
    m_scriptTimer->stop();
    m_pending.clear();
    TurnSituation situation;
    situation.rack = deal.letters;
    situation.zirked = m_zirked;
    situation.fastGame = game.settings().fast;
    situation.mayBuyTiles = deal.fresh && game.settings().newTiles && !m_bought;
    // The game's seconds, less what has gone by since the turn began (after buying tiles).
    const qint64 gone = static_cast<qint64>((nowMs() - m_turnStartedMs) * m_timeScale);
    situation.secondsLeft = game.settings().timePerTurn - static_cast<int>(gone / 1000);
    runScript(planTurnScript(m_level, situation, m_rng));
}

void ComputerPlayer::runScript(const TurnScript& script)
{
    m_script = script;
    m_next = 0;
    m_scriptStartedMs = nowMs();
    step();
}

void ComputerPlayer::step()
{
    const int me = seat();
    while (m_next < m_script.actions.size() && !m_leaving) {
        const Action& a = m_script.actions[m_next];
        const qint64 due = m_scriptStartedMs + scaled(a.atMs);
        const qint64 now = nowMs();
        if (due > now) {
            m_scriptTimer->start(static_cast<int>(due - now));
            return;
        }
        ++m_next;
        switch (a.kind) {
        case Action::Kind::Place:
            send(net::msg::setdice(me, a.position, a.tile));
            break;
        case Action::Kind::Done:
            m_pending.push_back(a.word);
            send(net::msg::done(me, a.tiles));
            break;
        case Action::Kind::BuyTiles:
            m_bought = true;
            send(net::msg::newtiles(me));
            break;
        case Action::Kind::Finish:
            send(net::msg::finish(me));
            break;
        }
    }
}

void ComputerPlayer::answer(const client::WordVerdict& v)
{
    if (!m_session.game().myTurn())
        return;
    const auto it = std::find(m_pending.begin(), m_pending.end(), v.word);
    if (it == m_pending.end())
        return;
    m_pending.erase(it);
    emit verdict(QString::fromStdString(v.word), v.accepted, QString::fromStdString(v.reason));
}

void ComputerPlayer::turnOver()
{
    m_scriptTimer->stop();
    m_script = {};
    m_next = 0;
    m_pending.clear();
}

} // namespace bots
