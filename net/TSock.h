#pragma once
// The asynchronous TCP socket every network link uses: non-blocking BSD
// sockets whose readiness reaches the owning thread's event loop through
// QSocketNotifier. Events are plain assignable callbacks (an accepted socket
// inherits its listener's), called on the owning thread in the documented
// order. Stream mode only, over IPv4 and IPv6: a listener takes both where
// the system has IPv6, and a client connects to either family.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QSocketNotifier;
class QTimer;

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
    // HostName is an IPv4 or IPv6 literal (brackets allowed) or a name; a name
    // is resolved on another thread, so the event loop never waits for the
    // resolver, and each of its addresses is tried in turn. "localhost" is
    // 127.0.0.1, then ::1, without asking. A name that does
    // not resolve ends in an Error report (#11001 to #11004) and "Socket Closed".
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
    // Set before Open, it applies to the connection Open makes. False when
    // the system refused, and always on a listener.
    bool setKeepAlive(int idleSeconds, int intervalSeconds, int probes);
    // While paused, nothing more is read from a connected socket: the peer's
    // data waits in the system and, once that is full, the peer's writes wait.
    void setReadPaused(bool paused);
    bool readPaused() const { return m_readPaused; }
    // The bound port of a listener (useful with PortName "0").
    quint16 localPort() const;
    // A listener that also takes IPv6 connections (false where the system has
    // no IPv6 and it fell back to IPv4 alone, with the Listen report
    // "Listening On IPv4 Only").
    bool listensOnIPv6() const { return m_listening && m_ipv6; }
    // The system's descriptor while there is one, else -1.
    int handle() const { return m_fd; }

    // Addresses to use for `name` instead of asking the resolver, for every
    // socket of the process (IPv4 or IPv6 literals; an empty list forgets the name).
    static void setHostAddresses(const QString& name, const QStringList& addresses);

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
    // Connects to the next address of m_candidates, or reports the last failure.
    void connectNext();
    // Gives up the attempt in progress (its handle goes) and tries the next address.
    void abandonAttempt(int error);
    bool hasMoreCandidates() const { return m_nextCandidate < m_candidates.size(); }
    void startLookup(const QString& name);
    void lookupDone();
    void cancelLookup();
    // A failure reported with a documented code rather than an errno.
    void failOpen(int code);
    bool applyKeepAlive(int fd) const;
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
    bool m_ipv6 = false;
    int m_fd = -1;
    int m_sendError = 0;
    // Bumped whenever the handle changes, so deferred work for an old handle is dropped.
    quint64 m_generation = 0;
    QByteArray m_incoming;
    QByteArray m_outgoing;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;

    // Connecting: the addresses to try (raw socket addresses with the port
    // set), the next one, and the error of the last attempt that failed.
    std::vector<QByteArray> m_candidates;
    std::size_t m_nextCandidate = 0;
    quint16 m_connectPort = 0; // network order
    int m_connectError = 0;
    QTimer* m_attemptTimer = nullptr; // moves on from an address that does not answer
    // A name being resolved: shared with the resolving thread, which signals
    // through m_lookupFd when it is done.
    std::shared_ptr<struct HostLookup> m_lookup;
    int m_lookupFd = -1;
    QSocketNotifier* m_lookupNotifier = nullptr;

    int m_keepIdle = 0; // 0: no keepalive asked for
    int m_keepInterval = 0;
    int m_keepProbes = 0;
};
