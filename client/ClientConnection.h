#pragma once
// The client's one link to the game host: the socket, the framer and the
// receive queue. It hands on one message per event-loop turn and says when the
// connection fails or ends; nothing else touches the socket. The window and
// the computer players each have one.

#include "net/Framing.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <string_view>

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

    // Starts connecting; failure arrives as cannotConnect.
    void open(const QString& address, quint16 port);
    void send(const std::string& framed);
    // Closes without telling anyone, and forgets what was not handed on yet.
    void shutdown();
    bool connected() const;

    TSock* socket() const { return m_sock; }
    QString address() const;
    quint16 port() const;
    // Lines received and not yet dispatched.
    bool idle() const { return m_queue.empty(); }
    bool hostClosed() const { return m_hostClosed; }
    // The host was seen at least once (it gave us a seat).
    void markSeated() { m_seated = true; }

signals:
    // One message from the host, terminator removed, in arrival order.
    void lineReceived(const std::string& line);
    // The host could not be reached: a sentence for the player.
    void cannotConnect(const QString& why);
    // The host hung up (or broke the protocol) and every message it sent before has been dispatched.
    void ended(bool unexpected);

private:
    void sockRead();
    void sockInfo(TSocketInfo info, const QString& msg);
    void scheduleDispatch();
    void processsocktimer();
    void endWhenDrained();
    void log(const std::string& line) const;

    TSock* m_sock = nullptr;
    net::Framer m_framer;
    net::ReceiveQueue m_queue;
    bool m_dispatchScheduled = false;
    bool m_hostClosed = false;
    bool m_seated = false;
    bool m_failed = false;
    bool m_endSignalled = false;
    bool m_echo = false;
    std::string m_logName = "zirky";
};
