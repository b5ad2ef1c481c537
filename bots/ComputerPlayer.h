#pragma once
// A computer player: an ordinary client of the host over its own socket. It
// logs in with the game's version, follows the host's messages and sends only
// what a person's copy sends (tile placements, words, clearing, buying tiles,
// finishing), at a person's pace. It leaves when no person is left playing.

#include "Level.h"
#include "TurnScript.h"

#include "net/Framing.h"
#include "net/GameOptions.h"

#include <QObject>
#include <QString>

#include <array>
#include <random>
#include <string>
#include <string_view>

class QTimer;
class TSock;

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
    int seat() const { return m_seat; }
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
    void sockRead();
    void dispatchNext();
    void send(const std::string& framed);
    void handle(std::string_view line);

    void sendlogininfo(std::string_view rest);
    void playerJoined(std::string_view rest);
    void playerLeft(std::string_view rest);
    void startgame(std::string_view rest);
    void stats(std::string_view rest);
    void useOptions(const net::GameOptions& options);
    void nextplayer(std::string_view rest);
    void thedice(std::string_view rest);
    void answer(std::string_view rest, bool accepted);
    void scores(std::string_view rest);
    void turnOver();

    void runScript(const TurnScript& script);
    void step();
    int scaled(int ms) const;
    bool myTurn() const;

    Level m_level;
    QString m_name;
    std::mt19937_64 m_rng;
    TSock* m_sock = nullptr;
    net::Framer m_framer;
    net::ReceiveQueue m_queue;
    bool m_dispatchScheduled = false;
    QTimer* m_scriptTimer = nullptr;
    double m_timeScale = 1;

    int m_seat = 0;
    bool m_loggedIn = false;
    bool m_leaving = false;
    std::array<std::string, 10> m_names; // by seat; empty when nobody sits there

    // The game as announced.
    bool m_fastGame = false;
    bool m_newTilesAllowed = true;
    int m_secondsPerTurn = 60;
    // This turn.
    int m_whoseTurn = 0;
    bool m_zirked = false;
    bool m_bought = false;
    qint64 m_turnStartedMs = 0;
    TurnScript m_script;
    std::size_t m_next = 0;
    qint64 m_scriptStartedMs = 0;
    std::vector<std::string> m_pending; // words sent and not answered yet
};

} // namespace bots
