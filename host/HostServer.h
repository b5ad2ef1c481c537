#pragma once
// The game host's shell: the listening socket, one TSock per seat, one receive
// queue for every connection (served in turn), prompt dispatch and the
// one-second turn and hold timers. It also keeps one peer from spoiling the
// game for the others: message budgets, keepalive, heartbeat silence, and a
// cap on connections waiting to log in. It moves a rejoining player's new
// connection into the held seat, and gives the rules unpredictable seat tokens.
// It adapts sockets and timers to host::Game; the rules decide everything.

#include "host/Game.h"
#include "net/LogLimit.h"
#include "net/Framing.h"
#include "net/TSock.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QTimer;

namespace dict
{
class TDictn;
}

class HostServer : public QObject, private host::Link
{
    Q_OBJECT
public:
    // port 0 lets the kernel choose (tests); the game uses 7772. Words are
    // looked up in the word list of the working directory.
    explicit HostServer(quint16 port = 7772, QObject* parent = nullptr);
    // Words are looked up in `wordFile` (a record file or one word a line);
    // dictionaryError() says why when it cannot be used.
    HostServer(quint16 port, const QString& wordFile, QObject* parent = nullptr);
    // Tests judge words with their own word set instead of the word list.
    HostServer(quint16 port, host::Game::IsWord isWord, QObject* parent = nullptr);
    ~HostServer() override;

    // The listening socket. hostGame sets listener->setListen(true), which raises
    // ESockException ("Listen - Error Binding Socket") when the port is taken.
    TSock* listener = nullptr;

    quint16 port() const; // the bound port once listening

    host::Game& game();

    // Empty when the word list opened; otherwise the text to show the player
    // ("English.dic dictionary not found!"), or what is wrong with a named
    // word file. Always empty with a test word set.
    QString dictionaryError() const;
    // For the operator's log when the word list is not the built-in one
    // (every player is then told at login); empty otherwise.
    QString wordListNote() const;

    // Whether the host refuses offensive words for everyone ("zirky-host
    // --clean-words", and the hosting copy's setting). Off by default:
    // people may play any word of the list.
    void setCleanWords(bool clean);

    // Connections in the seats 1..9 right now (not the ones being closed).
    int openConnections() const;
    // Messages received but not yet handed to the rules.
    std::size_t queuedMessages() const { return m_queue.size(); }
    // Whether the rules want the turn clock running.
    bool turnTimerActive() const { return m_turnClockWanted; }
    // Tests drive the clock themselves through onTurnClockTick(): the real
    // one-second timer then never starts.
    void setManualTurnClock(bool manual);

    // A connection that has not logged in this long after accept is handed to
    // the rules' login deadline. Default 30 s.
    void setLoginTimeout(int milliseconds);
    // A connection with more than this many bytes waiting unsent is dropped:
    // the host never waits for a slow reader. Default 1 MiB.
    void setSendCap(qsizetype bytes);
    // A connection whose messages waiting in the receive queue cost more than
    // this (bytes plus net::kQueuedMessageOverhead each) is flooding and is
    // dropped. Default 1 MiB.
    void setQueueCap(std::size_t bytes);

    // What one connection may send, as chat servers limit it: `perSecond`
    // messages a second on average and `burst` at once. Past that its reading
    // is paused until it is back within budget (the peer is slowed down); it is
    // dropped when it gets more than `dropAhead` messages ahead, or is still
    // over budget `dropAfterMs` after it was first slowed. perSecond 0: no limit.
    struct RateLimit {
        double perSecond = 50;
        double burst = 100;
        double dropAhead = 1000;
        qint64 dropAfterMs = 30000;
    };
    void setRateLimit(const RateLimit& limit);
    // At most this many connections from one address may be waiting to log in
    // at once; more are closed at accept. Loopback (this machine) is exempt
    // unless `exemptLoopback` is false. Default 3; 0: no limit.
    void setLoginQueueLimit(int perAddress, bool exemptLoopback = true);
    // Keepalive on every seat: a peer that vanishes without a word frees its
    // seat after idle + interval * probes seconds. Default 60, 10, 6 (two minutes).
    void setKeepAlive(int idleSeconds, int intervalSeconds, int probes);
    // A connection that has sent a heartbeat and then nothing at all for this
    // long is treated as lost (its seat is held). Default 35 s.
    void setHeartbeatSilence(int milliseconds);

    // What an announcement of this game on the local network says.
    struct Announcement {
        int seatedPlayers = 0; // logged-in (or held) players in the playing seats
        int playerSeats = host::kPlayingSeats;
        bool gameRunning = false;
        bool operator==(const Announcement&) const = default;
    };
    Announcement announcement() const;
    // Lines about one connection's bad messages: at most `lines` a minute,
    // then one line saying how many more there were. Default 5.
    void setComplaintLimit(int lines);

    // Accept handler of listener: give the connection a seat and wire its events.
    void onAccept(TSock* sender);
    // Read handler of every seat socket: cut the bytes into queued messages.
    void onRead(TSock* sender, int count);

public slots:
    // Dispatch: report closed connections to the rules, then hand them one
    // queued message. Runs once per event-loop turn while there is work.
    void dispatchQueued();
    // One second of the turn clock (tests call it to drive the clock).
    void onTurnClockTick();

signals:
    // One line for the operator's log.
    void logLine(const QString& line);
    // The announcement has changed (players came or went, a game started or ended).
    void announcementChanged(const HostServer::Announcement& now);

private:
    // host::Link, called by the rules, possibly from inside their handlers.
    void send(int seat, const std::string& bytes) override;
    void drop(int seat) override;
    void setTurnTimer(bool running) override;
    void setHoldTimer(bool running) override;
    void moveConnection(int from, int to) override;
    std::int64_t clockMs() override { return nowMs(); }
    void heartbeat(int seat) override;
    void log(const std::string& line) override;
    void badInput(int seat, const std::string& line) override;

    void init(quint16 port, host::Game::IsWord isWord);
    void onDisconnect(TSock* sender);
    void onSocketInfo(TSock* sender, TSocketInfo info, const QString& msg);
    void onWritable(TSock* sender);
    void onLoginTimeout(int seat);
    void onSilenceTimeout(int seat);
    void onHoldClockTick();
    // One second of a rules clock; a failure is logged and the host goes on.
    void runClock(void (host::Game::*tick)(), const char* name);
    // Tells whoever announces the game when what it says has changed.
    void noteChanges();
    void resumeReading(int seat);
    // Charges the connection in `seat` for `messages` just read; false when it
    // was dropped for flooding.
    bool chargeMessages(int seat, std::size_t messages);
    bool loginQueueFull(const QString& peer) const;
    qint64 nowMs() const { return m_clock.elapsed(); }

    // The socket that holds `seat`, or nullptr when the seat has none (any more).
    TSock* seatSocket(int seat) const;
    // How a connection ended: lost (its player's seat is held) or removed by
    // the host for abusing it (no hold).
    enum class Ending { Lost, Removed };
    // Forget the seat's socket; its rules-side close is reported on the next
    // dispatch turn, never while the rules are still inside a handler.
    void releaseSeat(int seat, Ending ending = Ending::Lost);
    // Close a socket no seat refers to any more. With `flush`, what is queued for
    // it still goes out first (bounded by a linger time); it deletes itself.
    void retire(TSock* sock, bool flush);
    void dropSeat(int seat, const QString& why, bool flush, Ending ending = Ending::Lost);
    void scheduleDispatch();
    void say(const QString& line);

    struct Seat {
        TSock* sock = nullptr;
        net::Framer framer;
        QTimer* loginTimer = nullptr;
        QTimer* resumeTimer = nullptr; // ends a pause of reading
        QTimer* silenceTimer = nullptr; // runs out when a heartbeating peer falls silent
        bool heartbeats = false;
        // It said goodbye (CMD_leave): when it closes, even before the rules have
        // heard the goodbye, it is gone on purpose and its seat is not held.
        bool saidGoodbye = false;
        QString peer;
        double tokens = 0; // messages it may still send at once
        qint64 refilledAt = 0;
        qint64 slowSince = -1; // over budget since then; -1: within budget
        net::LogLimit complaints;
    };
    void resetSeat(Seat& s);

    std::unique_ptr<dict::TDictn> m_dictionary;
    std::unique_ptr<host::Game> m_game;
    std::array<Seat, host::kRefusedSeat + 1> m_seats {}; // index 0 unused
    net::ReceiveQueue m_queue;
    std::vector<int> m_closedSeats; // closed, not yet reported to the rules
    std::array<bool, host::kRefusedSeat + 1> m_removedSeats {}; // of those, the ones the host removed
    QSet<TSock*> m_retired; // closing, no seat any more; deleted once closed
    QTimer* m_dispatchTimer = nullptr;
    QTimer* m_turnTimer = nullptr;
    QTimer* m_holdTimer = nullptr;

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
    RateLimit m_rate;
    int m_loginQueuePerAddress = 3;
    bool m_loginQueueExemptsLoopback = true;
    int m_keepIdle = 60;
    int m_keepInterval = 10;
    int m_keepProbes = 6;
    int m_heartbeatSilenceMs = 35000;
    Announcement m_announced;
    int m_complaintLines = 5;
    net::LogLimit m_refusals { 5 };
    QElapsedTimer m_clock;
};

Q_DECLARE_METATYPE(HostServer::Announcement)
