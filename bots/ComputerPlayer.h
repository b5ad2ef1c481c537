#pragma once
// A computer player: an ordinary client of the host, on the client's own
// connection and session. It logs in with the game's version, follows the
// host through the session and sends only what a person's copy sends (tile
// placements, words, clearing, buying tiles, finishing), at a person's pace.
// It leaves when no person is left playing.

#include "Level.h"
#include "TurnScript.h"

#include "client/Session.h"

#include <QObject>
#include <QString>

#include <random>
#include <string>

class ClientConnection;
class QTimer;

namespace bots
{

class ComputerPlayer : public QObject
{
    Q_OBJECT
public:
    ComputerPlayer(Level level, const QString& name, std::uint64_t seed, QObject* parent = nullptr);
    ~ComputerPlayer() override;

    // Starts connecting; the login follows the host's greeting.
    void connectTo(const QString& address, quint16 port);
    // Tests and the strength table run games faster than real time: every
    // delay of the computer is divided by `factor` (1 = a person's pace). The
    // host's clock must be sped up alike.
    void setTimeScale(double factor) { m_timeScale = factor > 0 ? factor : 1; }
    // Closes the connection; `left` follows.
    void leave();

    Level level() const { return m_level; }
    const QString& name() const { return m_name; }
    int seat() const { return m_session.roster().mySeat(); }
    // What this computer knows of the table and the game, as its window would.
    const client::Session& session() const { return m_session; }
    bool loggedIn() const { return m_loggedIn; }

signals:
    // The host confirmed the login.
    void joined(int seat);
    // The connection is gone (left on purpose, refused, or the host went away).
    void left();
    // The host's answer to one of this player's words.
    void verdict(const QString& word, bool accepted, const QString& reason);
    // This player's result for a turn, as the host posted it.
    void scored(int points, int bonus, int words);

private:
    void received(const std::string& line);
    void send(const std::string& framed);
    void play(const client::Deal& deal);
    void answer(const client::WordVerdict& verdict);
    void startTurn();
    void turnOver();
    // Nobody left to play with: computers do not keep a game going on their own.
    bool anyPersonPlaying() const;

    void runScript(const TurnScript& script);
    void step();
    int scaled(int ms) const;

    Level m_level;
    QString m_name;
    std::mt19937_64 m_rng;
    ClientConnection* m_conn = nullptr;
    client::Session m_session;
    QTimer* m_scriptTimer = nullptr;
    double m_timeScale = 1;
    bool m_loggedIn = false;
    bool m_leaving = false;

    // This turn.
    bool m_zirked = false;
    bool m_bought = false;
    qint64 m_turnStartedMs = 0;
    TurnScript m_script;
    std::size_t m_next = 0;
    qint64 m_scriptStartedMs = 0;
    std::vector<std::string> m_pending; // words sent and not answered yet
};

} // namespace bots
