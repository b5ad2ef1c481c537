#pragma once
// The game host's shell: the listening socket, one TSock per seat, one receive
// queue for every connection, prompt dispatch and the one-second turn timer.
// It adapts sockets and timers to host::Game; the rules decide everything.

#include "host/Game.h"
#include "net/Framing.h"
#include "net/TSock.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class QTimer;

namespace dict
{
class TDictn;
}

class TServer : public QObject, private host::Link
{
    Q_OBJECT
public:
    // port 0 lets the kernel choose (tests); the game uses 7772. Words are
    // looked up in the word list of the working directory.
    explicit TServer(quint16 port = 7772, QObject* parent = nullptr);
    // Tests judge words with their own word set instead of the word list.
    TServer(quint16 port, host::Game::IsWord isWord, QObject* parent = nullptr);
    ~TServer() override;

    // The listening socket. hostpress sets Sock1->setListen(true), which raises
    // ESockException ("Listen - Error Binding Socket") when the port is taken.
    TSock* Sock1 = nullptr;

    quint16 port() const; // the bound port once listening

    host::Game& game();

    // Empty when the word list opened; otherwise the text to show the player
    // ("English.dic dictionary not found!"). Always empty with a test word set.
    QString dictionaryError() const;

    // Connections in the seats 1..9 right now (not the ones being closed).
    int openConnections() const;
    // Messages received but not yet handed to the rules.
    std::size_t queuedMessages() const { return m_queue.size(); }
    // Whether the rules want the turn clock running.
    bool turnTimerActive() const { return m_turnClockWanted; }
    // Tests drive the clock themselves through turntimerTimer(): the real
    // one-second timer then never starts.
    void setManualTurnClock(bool manual);

    // A connection that has not logged in this long after accept is handed to
    // the rules' login deadline. Default 30 s.
    void setLoginTimeout(int milliseconds);
    // A connection with more than this many bytes waiting unsent is dropped:
    // the host never waits for a slow reader. Default 1 MiB.
    void setSendCap(qsizetype bytes);
    // A connection with more than this many bytes of messages waiting in the
    // receive queue is flooding and is dropped. Default 1 MiB.
    void setQueueCap(std::size_t bytes);

    // Accept handler of Sock1: give the connection a seat and wire its events.
    void Sock1Accept(TSock* sender);
    // Read handler of every seat socket: cut the bytes into queued messages.
    void Sock1Read(TSock* sender, int count);

public slots:
    // Dispatch: report closed connections to the rules, then hand them one
    // queued message. Runs once per event-loop turn while there is work.
    void socktimerTimer();
    // One second of the turn clock (tests call it to drive the clock).
    void turntimerTimer();

signals:
    // One line for the operator's log.
    void logLine(const QString& line);

private:
    // host::Link, called by the rules, possibly from inside their handlers.
    void send(int seat, const std::string& bytes) override;
    void drop(int seat) override;
    void setTurnTimer(bool running) override;
    void log(const std::string& line) override;

    void init(quint16 port, host::Game::IsWord isWord);
    void Sock1Disconnect(TSock* sender);
    void Sock1Info(TSock* sender, TSocketInfo info, const QString& msg);
    void Sock1Write(TSock* sender);
    void loginTimerTimer(int seat);

    // The socket that holds `seat`, or nullptr when the seat has none (any more).
    TSock* seatSocket(int seat) const;
    // Forget the seat's socket; its rules-side close is reported on the next
    // dispatch turn, never while the rules are still inside a handler.
    void releaseSeat(int seat);
    // Close a socket no seat refers to any more. With `flush`, what is queued for
    // it still goes out first (bounded by a linger time); it deletes itself.
    void retire(TSock* sock, bool flush);
    void dropSeat(int seat, const QString& why, bool flush);
    void scheduleDispatch();
    void say(const QString& line);

    struct Seat {
        TSock* sock = nullptr;
        net::Framer framer;
        std::size_t queuedBytes = 0;
        QTimer* loginTimer = nullptr;
        QString peer;
    };

    std::unique_ptr<dict::TDictn> m_dictionary;
    std::unique_ptr<host::Game> m_game;
    std::array<Seat, host::kMaxSeat + 1> m_seats {}; // index 0 unused
    net::ReceiveQueue m_queue;
    std::vector<int> m_closedSeats; // closed, not yet reported to the rules
    QSet<TSock*> m_retired; // closing, no seat any more; deleted once closed
    QTimer* m_socktimer = nullptr;
    QTimer* m_turntimer = nullptr;

    // While the rules decide a new connection's seat: the socket, and what the
    // rules sent or dropped for seats that have no socket yet.
    TSock* m_accepting = nullptr;
    std::vector<std::pair<int, std::string>> m_acceptSends;
    std::vector<int> m_acceptDrops;

    bool m_turnClockWanted = false;
    bool m_manualTurnClock = false;
    int m_loginTimeout = 30000;
    qsizetype m_sendCap = 1024 * 1024;
    std::size_t m_queueCap = 1024 * 1024;
    int m_lingerMs = 2000;
};
