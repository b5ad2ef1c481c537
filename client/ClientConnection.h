#pragma once
// The client's link to the game host: the socket, the framer and the receive
// queue. It hands on one message per event-loop turn and says when the
// connection fails or ends. It also holds the lobby's link open when asked;
// nothing else touches a socket. The window and the computer players each have one.
// The queue is bounded as the host bounds its own: past the bound the
// connection stops reading, so the host's writes wait (TCP's back-pressure),
// and a host that keeps the queue full is dropped.

#include "client/Backoff.h"
#include "client/Heartbeat.h"
#include "net/Framing.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QTimer;
class TSock;
enum class TSocketInfo;

class ClientConnection : public QObject
{
    Q_OBJECT
public:
    explicit ClientConnection(QObject* parent = nullptr);
    ~ClientConnection() override;

    // Who this link is in the log ("zirky" unless set).
    void setLogName(const QString& name) { m_logName = name.toStdString(); }
    // Every message from the host is echoed to stderr (a debugging and scripting aid).
    void setEcho(bool echo) { m_echo = echo; }

    // Starts connecting; failure arrives as cannotConnect. Reconnection is off
    // until the owner turns it on for this link.
    void open(const QString& address, quint16 port);
    void send(const std::string& framed);
    // Closes without telling anyone, and forgets what was not handed on yet.
    void shutdown();
    bool connected() const;

    QString address() const;
    quint16 port() const;
    // The host was seen at least once (it gave us a seat).
    void markSeated() { m_seated = true; }
    bool wasSeated() const { return m_seated; }
    // Why the host could not be reached, once cannotConnect said so.
    const QString& failure() const { return m_failure; }
    // The host hung up and everything it sent before has been handed on.
    bool hostLeft() const { return m_ended; }
    // Why this side closed the connection (a host that flooded it), for the
    // player; empty when the host hung up or nothing is wrong.
    const QString& dropReason() const { return m_dropReason; }

    // What may wait in the receive queue (give or take one read): messages,
    // and bytes with net::kQueuedMessageOverhead each. An honest host sends a
    // few dozen messages a second, each handed on in an event-loop turn, and
    // never comes near. Past either the connection stops reading until the
    // queue is down to half; one that is still being filled past them
    // `floodMs` after it first was is dropped.
    struct QueueLimits {
        std::size_t messages = 10000;
        std::size_t bytes = 4 * 1024 * 1024;
        int floodMs = 10000;
    };
    void setQueueLimits(const QueueLimits& limits) { m_limits = limits; }
    std::size_t queuedMessages() const { return m_queue.size(); }
    std::size_t queuedBytes() const { return m_queue.cost(0); }
    bool readingPaused() const;

    // ---- a broken link (with a host that speaks the protocol additions)
    // While on, a seated link that breaks is made again, with backoff, for as
    // long as the host holds the seat: the owner has a seat token to present.
    void setReconnect(bool on) { m_reconnect = on; }
    // The host answers heartbeats: ping it, and notice when it falls silent.
    void startHeartbeat();
    // The seat is back (or the player is in again as a newcomer): the attempts end.
    void linkRestored();
    // Leaving on purpose: the goodbye goes out, then the link closes for good.
    void leave(const std::vector<std::string>& goodbye);
    // How long a host holds a lost player's seat (unless its operator chose
    // otherwise): how long the window keeps trying.
    static constexpr int kHoldSeconds = 120;
    // Tests that cannot wait two minutes shorten the hold they try for.
    void setHoldSeconds(int seconds);

    // The lobby program sees this connection to 127.0.0.1 while the game lives:
    // nothing is sent or read on it, and a missing lobby is no error.
    void holdLobbyLink(quint16 port);
    bool lobbyLinkHeld() const { return m_lobby != nullptr; }

signals:
    // One message from the host, terminator removed, in arrival order.
    void lineReceived(const std::string& line);
    // The host could not be reached: a sentence for the player.
    void cannotConnect(const QString& why);
    // The host hung up (or broke the protocol) and every message it sent before has been dispatched.
    // With reconnection on, only once it is no use trying any more.
    void ended(bool unexpected);
    // The seated link broke, or the host stopped answering; attempts to mend it follow.
    void linkLost(bool hostSilent);
    // Attempt `attempt` at a new connection to take the seat back begins.
    void reconnecting(int attempt);
    // The hold is over without the seat back: `ended` follows.
    void gaveUp(int holdSeconds);

private:
    void onReadable();
    void onSocketInfo(TSocketInfo info, const QString& msg);
    void scheduleDispatch();
    void handOnNext();
    void endWhenDrained();
    // After queueing: stop reading past the bound, and drop a host that keeps it full.
    void applyBackPressure();
    // After handing a message on: read again once the queue is down to half.
    void resumeWhenDrained();
    void dropFlood();
    void log(const std::string& line) const;
    void fail(const QString& why);
    qint64 now() const { return m_clock.elapsed(); }
    void onHeartbeatDue();
    void scheduleHeartbeat();
    // After a loss or a failed attempt: the next attempt, or giving up.
    void retryLater();
    void reconnectNow();

    TSock* m_sock = nullptr;
    TSock* m_lobby = nullptr;
    net::Framer m_framer;
    net::ReceiveQueue m_queue;
    bool m_dispatchScheduled = false;
    bool m_hostClosed = false;
    bool m_seated = false;
    bool m_failed = false;
    bool m_endSignalled = false;
    bool m_ended = false;
    QString m_failure;
    QString m_dropReason;
    QueueLimits m_limits;
    QElapsedTimer m_floodingSince; // the queue first reached its bound; invalid once it emptied
    bool m_echo = false;
    std::string m_logName = "zirky";

    QElapsedTimer m_clock;
    client::Backoff m_backoff;
    client::Heartbeat m_heartbeat;
    QTimer* m_retryTimer = nullptr;
    QTimer* m_heartbeatTimer = nullptr;
    bool m_reconnect = false;
    bool m_leaving = false;
    bool m_hostSilent = false;
};
