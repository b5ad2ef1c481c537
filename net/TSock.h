#pragma once
// The asynchronous TCP socket every network link uses: non-blocking BSD
// sockets whose readiness reaches the owning thread's event loop through
// QSocketNotifier. Events are plain assignable callbacks (an accepted socket
// inherits its listener's), called on the owning thread in the documented
// order. Stream mode only.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <stdexcept>

class QSocketNotifier;

enum class TSocketInfo { Lookup, Connect, Close, Listen, Receive, Send, Accept, Error };

class ESockException : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TSock : public QObject
{
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(TSock* sender)>;
    using InfoEvent = std::function<void(TSock* sender, TSocketInfo info, const QString& msg)>;
    using ReadEvent = std::function<void(TSock* sender, int count)>;

    explicit TSock(QObject* parent = nullptr);
    ~TSock() override;

    QString HostName() const { return m_hostName; }
    void setHostName(const QString& name);
    QString PortName() const { return m_portName; }
    void setPortName(const QString& name);

    bool Listen() const { return m_listening; }
    void setListen(bool listen); // may throw ESockException
    bool Connected() const { return m_connected; }

    // Starts a non-blocking connect; false until OnConnect (or an Error report).
    bool Open();
    bool Accept(TSock*& newSock);
    bool Send(const QByteArray& text);
    QByteArray Receive(int count = -1);
    bool Close();

    int Tag = 0;

    // Bytes queued but not yet taken by the network: the host drops a reader
    // that lets this grow.
    qsizetype pendingOutput() const { return m_outgoing.size(); }
    qsizetype pendingInput() const { return m_incoming.size(); }
    // Probes an idle connection: after `idleSeconds` without traffic, every
    // `intervalSeconds`, and gives up after `probes` unanswered ones; data left
    // unacknowledged as long also ends it. A peer that vanished without a word
    // (a pulled cable, a dead machine) then ends in an Error report and
    // "Socket Closed", like any broken connection. False when the system refused.
    bool setKeepAlive(int idleSeconds, int intervalSeconds, int probes);
    // While paused, nothing more is read from a connected socket: the peer's
    // data waits in the system and, once that is full, the peer's writes wait.
    void setReadPaused(bool paused);
    bool readPaused() const { return m_readPaused; }
    // The bound port of a listener (useful with PortName "0").
    quint16 localPort() const;

    NotifyEvent OnConnect;
    NotifyEvent OnDisconnect;
    InfoEvent OnInfo;
    ReadEvent OnRead;
    NotifyEvent OnWrite;
    NotifyEvent OnAccept;

    // "Error #10061 (WSAECONNREFUSED)": a POSIX errno mapped onto the
    // documented codes; unmapped errors read "UNKNOWN ERROR".
    static int errorCode(int posixErrno);
    static QString errorName(int code);
    // The whole Error report text for a mapped code: "Error #10061 (WSAECONNREFUSED)".
    static QString errorReport(int code);

private:
    void info(TSocketInfo kind, const QString& msg);
    // implementation detail members are the implementer's
    void attachNotifiers(bool readEnabled);
    void dropNotifiers();
    void updateWriteNotifier();
    void onReadable();
    void onWritable();
    void handleAccept();
    void pauseAccepting();
    void reportError(int posixErrno);
    static constexpr int kAcceptPauseMs = 250;
    void finishConnect(int error);
    void deferConnectFailure(int error);
    // Sends what the kernel takes now; a hard error is kept for the next
    // write notification so the owner is never called back from inside Send.
    void flush();
    // A broken connection: Error report, then the same path as a peer close.
    void failConnection(int posixErrno);
    void peerClosed();
    void closeSilently();

    QString m_hostName;
    QString m_portName;
    bool m_listening = false;
    bool m_connected = false;
    bool m_connecting = false;
    bool m_acceptCalled = false;
    bool m_readPaused = false;
    int m_fd = -1;
    int m_sendError = 0;
    // Bumped whenever the handle changes, so deferred work for an old handle is dropped.
    quint64 m_generation = 0;
    quint32 m_peerAddress = 0; // network order, of the last accepted connection
    QByteArray m_incoming;
    QByteArray m_outgoing;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
};
