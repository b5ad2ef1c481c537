#include "TSock.h"

#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QtGlobal>

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace
{

// At most this much is taken per read notification; the rest raises another.
constexpr int kReadChunk = 32768;
constexpr int kBacklog = 5;

// Errors that have no Windows Sockets counterpart land here, outside every
// documented range, so they read "UNKNOWN ERROR" and never pass for another code.
constexpr int kUnmappedBase = 20000;

struct ErrnoCode {
    int posix;
    int wsa;
};

// EPIPE means the peer is gone (we never shut a socket down for writing), which
// is what Windows reports as a reset connection.
// clang-format off
const ErrnoCode kErrnoCodes[] = {
    {EINTR, 10004}, {EBADF, 10009}, {EACCES, 10013}, {EPERM, 10013}, {EFAULT, 10014}, {EINVAL, 10022},
    {EMFILE, 10024}, {ENFILE, 10024}, {EWOULDBLOCK, 10035}, {EAGAIN, 10035}, {EINPROGRESS, 10036},
    {EALREADY, 10037}, {ENOTSOCK, 10038}, {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040}, {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042}, {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047}, {EADDRINUSE, 10048}, {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050}, {ENETUNREACH, 10051}, {ENETRESET, 10052}, {ECONNABORTED, 10053}, {ECONNRESET, 10054},
    {EPIPE, 10054}, {ENOBUFS, 10055}, {ENOMEM, 10055}, {EISCONN, 10056}, {ENOTCONN, 10057},
    {ESHUTDOWN, 10058}, {ETOOMANYREFS, 10059}, {ETIMEDOUT, 10060}, {ECONNREFUSED, 10061}, {ELOOP, 10062},
    {ENAMETOOLONG, 10063}, {EHOSTDOWN, 10064}, {EHOSTUNREACH, 10065}, {ENOTEMPTY, 10066}, {EUSERS, 10068},
    {EDQUOT, 10069}, {ESTALE, 10070}, {EREMOTE, 10071},
};

// The Windows Sockets names of the documented codes: 10035 to 10071 in a row...
const char* const kNames10035[] = {
    "WSAEWOULDBLOCK", "WSAEINPROGRESS", "WSAEALREADY", "WSAENOTSOCK", "WSAEDESTADDRREQ", "WSAEMSGSIZE",
    "WSAEPROTOTYPE", "WSAENOPROTOOPT", "WSAEPROTONOSUPPORT", "WSAESOCKTNOSUPPORT", "WSAEOPNOTSUPP",
    "WSAEPFNOSUPPORT", "WSAEAFNOSUPPORT", "WSAEADDRINUSE", "WSAEADDRNOTAVAIL", "WSAENETDOWN",
    "WSAENETUNREACH", "WSAENETRESET", "WSAECONNABORTED", "WSAECONNRESET", "WSAENOBUFS", "WSAEISCONN",
    "WSAENOTCONN", "WSAESHUTDOWN", "WSAETOOMANYREFS", "WSAETIMEDOUT", "WSAECONNREFUSED", "WSAELOOP",
    "WSAENAMETOOLONG", "WSAEHOSTDOWN", "WSAEHOSTUNREACH", "WSAENOTEMPTY", "WSAEPROCLIM", "WSAEUSERS",
    "WSAEDQUOT", "WSAESTALE", "WSAEREMOTE",
};
static_assert(sizeof(kNames10035) / sizeof(kNames10035[0]) == 10071 - 10035 + 1);

// ...and the ones outside that run.
const struct {
    int code;
    const char* name;
} kNamesOther[] = {
    {10004, "WSAEINTR"}, {10009, "WSAEBADF"}, {10013, "WSAEACCES"}, {10014, "WSAEFAULT"}, {10022, "WSAEINVAL"},
    {10024, "WSAEMFILE"}, {10091, "WSASYSNOTREADY"}, {10092, "WSAVERNOTSUPPORTED"}, {10093, "WSANOTINITIALISED"},
    {10101, "WSAEDISCON"}, {11001, "WSAHOST_NOT_FOUND"}, {11002, "WSATRY_AGAIN"}, {11003, "WSANO_RECOVERY"},
    {11004, "WSANO_DATA"},
};
// clang-format on

// The process-wide cache of resolved host names: a name that resolved once
// never costs the resolver again.
std::mutex g_hostCacheMutex;
std::unordered_map<std::string, in_addr_t>& hostCache()
{
    static std::unordered_map<std::string, in_addr_t> cache;
    return cache;
}

bool startsWithDigit(const QString& s) { return !s.isEmpty() && s.at(0) >= u'0' && s.at(0) <= u'9'; }

bool isTransient(int e) { return e == EAGAIN || e == EWOULDBLOCK || e == EINTR; }

void setNoDelay(int fd)
{
    // Messages are small and latency is what players feel: no Nagle delay.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int newStreamSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

} // namespace

TSock::TSock(QObject* parent)
    : QObject(parent)
{
}

TSock::~TSock()
{
    // The owner may be half destroyed already: close without calling back.
    closeSilently();
}

void TSock::setHostName(const QString& name)
{
    m_hostName = name;
    if (m_connected)
        info(TSocketInfo::Lookup, QStringLiteral("Setting HostName While Connected Has No Effect"));
}

void TSock::setPortName(const QString& name)
{
    m_portName = name;
    if (m_connected)
        info(TSocketInfo::Lookup, QStringLiteral("Setting PortName While Connected Has No Effect"));
}

void TSock::info(TSocketInfo kind, const QString& msg)
{
    if (!OnInfo)
        return;
    // A copy: the handler may delete this socket, and with it OnInfo.
    const InfoEvent handler = OnInfo;
    try {
        handler(this, kind, msg);
    } catch (...) {
        throw ESockException("Error here");
    }
}

// ---- name resolution

namespace
{

in_addr_t resolveHost(const QString& name)
{
    if (name.isEmpty())
        return htonl(INADDR_ANY);
    const std::string text = name.toStdString();
    in_addr addr {};
    if (startsWithDigit(name)) {
        // Dotted text is never handed to a resolver. inet_aton takes the same
        // forms as inet_addr but tells "255.255.255.255" from garbage.
        if (::inet_aton(text.c_str(), &addr) == 0)
            throw ESockException("Host Lookup - Could Not Find Host Entry");
        return addr.s_addr;
    }
    {
        std::lock_guard lock(g_hostCacheMutex);
        const auto it = hostCache().find(text);
        if (it != hostCache().end())
            return it->second;
    }
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(text.c_str(), nullptr, &hints, &result) != 0 || !result)
        throw ESockException("Host Lookup - Could Not Find Host Entry");
    const in_addr_t found = reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(result);
    std::lock_guard lock(g_hostCacheMutex);
    hostCache()[text] = found;
    return found;
}

// Returns the port in network order.
in_port_t resolvePort(const QString& name)
{
    if (startsWithDigit(name)) {
        bool ok = false;
        const uint port = name.toUInt(&ok, 10);
        if (!ok || port > 65535)
            throw ESockException("Port Lookup - Could Not Find Service Entry");
        return htons(static_cast<uint16_t>(port));
    }
    const std::string text = name.toStdString();
    const servent* service = text.empty() ? nullptr : ::getservbyname(text.c_str(), "tcp");
    if (!service)
        throw ESockException("Port Lookup - Could Not Find Service Entry");
    return static_cast<in_port_t>(service->s_port);
}

} // namespace

bool TSock::setKeepAlive(int idleSeconds, int intervalSeconds, int probes)
{
    if (m_fd < 0 || m_listening)
        return false;
    const int on = 1;
    // Without a user timeout, data that is never acknowledged is retried for
    // a quarter of an hour, and keepalive never starts while data is unacknowledged.
    const unsigned timeoutMs = static_cast<unsigned>(idleSeconds + intervalSeconds * probes) * 1000u;
    return ::setsockopt(m_fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) == 0
        && ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds) == 0
        && ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds) == 0
        && ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes) == 0
        && ::setsockopt(m_fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &timeoutMs, sizeof timeoutMs) == 0;
}

void TSock::setReadPaused(bool paused)
{
    m_readPaused = paused;
    if (m_readNotifier && m_fd >= 0 && m_connected && !m_listening)
        m_readNotifier->setEnabled(!paused);
}

// ---- notifiers

void TSock::attachNotifiers(bool readEnabled)
{
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(readEnabled);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { onReadable(); });
    if (!m_listening) {
        m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
        connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { onWritable(); });
        updateWriteNotifier();
    }
}

void TSock::dropNotifiers()
{
    // Deleted later: this may run inside one of their own activations.
    for (QSocketNotifier** n : { &m_readNotifier, &m_writeNotifier }) {
        if (*n) {
            (*n)->setEnabled(false);
            (*n)->disconnect(this);
            (*n)->deleteLater();
            *n = nullptr;
        }
    }
}

void TSock::updateWriteNotifier()
{
    // An idle socket must cost no wake-ups: write readiness is wanted only
    // while connecting or while output waits.
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(
            m_fd >= 0 && (m_connecting || (m_connected && (!m_outgoing.isEmpty() || m_sendError))));
}

// ---- operations

bool TSock::Open()
{
    if (m_fd >= 0)
        return m_connected;

    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    if (!m_hostName.isEmpty())
        info(TSocketInfo::Lookup, QStringLiteral("Lookup Of Host ") + m_hostName);
    addr.sin_addr.s_addr = resolveHost(m_hostName);
    info(TSocketInfo::Lookup, QStringLiteral("Lookup Of Port ") + m_portName);
    addr.sin_port = resolvePort(m_portName);

    m_incoming.clear();
    m_outgoing.clear();
    m_sendError = 0;
    m_connected = false;
    m_connecting = true;
    ++m_generation;

    const int fd = newStreamSocket();
    if (fd < 0) {
        deferConnectFailure(errno);
        return false;
    }
    setNoDelay(fd);
    m_fd = fd;
    const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    const int error = rc == 0 ? 0 : errno;
    if (rc == 0 || error == EINPROGRESS) {
        // Even an immediate success is announced from the event loop, like any other.
        attachNotifiers(false);
        return false;
    }
    deferConnectFailure(error);
    return false;
}

void TSock::deferConnectFailure(int error)
{
    // Reported from the event loop, so the owner sees the same order of
    // events whatever the kernel decided, and never from inside Open.
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, error] {
            if (m_generation != generation || !m_connecting)
                return;
            try {
                finishConnect(error);
            } catch (const std::exception& e) {
                qWarning("TSock: connect event handler failed: %s", e.what());
            }
        },
        Qt::QueuedConnection);
}

void TSock::setListen(bool listen)
{
    if (!listen) {
        if (!m_listening)
            return;
        Close();
        info(TSocketInfo::Listen, QStringLiteral("Listening Stopped"));
        return;
    }
    if (m_fd >= 0 && !m_listening)
        throw ESockException("Listen - Socket Already In Use");
    if (m_listening) {
        info(TSocketInfo::Listen, QStringLiteral("Listening Already Running"));
        return;
    }

    info(TSocketInfo::Lookup, QStringLiteral("Lookup Of Port ") + m_portName);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = resolvePort(m_portName);

    const int fd = newStreamSocket();
    if (fd < 0)
        throw ESockException("Listen - Error Binding Socket");
    // A restarted host must be able to rebind while old connections linger in TIME_WAIT.
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        throw ESockException("Listen - Error Binding Socket");
    }
    if (::listen(fd, kBacklog) != 0) {
        ::close(fd);
        throw ESockException("Listen - Error Starting Listen");
    }
    m_fd = fd;
    ++m_generation;
    m_listening = true;
    m_connected = false;
    m_connecting = false;
    attachNotifiers(true);
    info(TSocketInfo::Listen, QStringLiteral("Listening Started"));
}

bool TSock::Accept(TSock*& newSock)
{
    if (!m_listening)
        throw ESockException("Accept - Socket Not In Listening Mode");
    m_acceptCalled = true;
    sockaddr_in peer {};
    socklen_t len = sizeof peer;
    const int fd = ::accept4(m_fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM)
            pauseAccepting();
        info(TSocketInfo::Accept, QStringLiteral("Could Not Accept Connection"));
        return false;
    }
    m_peerAddress = peer.sin_addr.s_addr;
    setNoDelay(fd);

    auto* sock = new TSock(this);
    sock->m_fd = fd;
    sock->m_generation = 1;
    sock->m_connected = true;
    sock->OnRead = OnRead;
    sock->OnWrite = OnWrite;
    sock->OnDisconnect = OnDisconnect;
    sock->OnInfo = OnInfo;
    sock->m_portName = m_portName;
    char dotted[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, dotted, sizeof dotted);
    sock->m_hostName = QString::fromLatin1(dotted);
    sock->attachNotifiers(true);
    newSock = sock;
    info(TSocketInfo::Accept, QStringLiteral("Created New TSock Structure"));
    return true;
}

bool TSock::Send(const QByteArray& text)
{
    if (m_fd < 0)
        throw ESockException("Send - Socket Not Connected");
    if (m_listening)
        throw ESockException("Send - Cannot Send On A Listener Socket");
    m_outgoing.append(text);
    if (m_outgoing.isEmpty())
        return true;
    const quint64 generation = m_generation;
    QPointer<TSock> self(this);
    info(TSocketInfo::Send, QStringLiteral("Non-Blocking Outgoing Data"));
    if (!self || m_generation != generation)
        return true;
    // While connecting the bytes wait; they go out once the connection stands.
    if (m_connected)
        flush();
    return true;
}

void TSock::flush()
{
    if (m_fd < 0 || !m_connected || m_sendError || m_outgoing.isEmpty()) {
        updateWriteNotifier();
        return;
    }
    const ssize_t n = ::send(m_fd, m_outgoing.constData(), static_cast<size_t>(m_outgoing.size()), MSG_NOSIGNAL);
    if (n > 0)
        m_outgoing.remove(0, n);
    else if (n < 0 && !isTransient(errno))
        m_sendError = errno;
    updateWriteNotifier();
}

QByteArray TSock::Receive(int count)
{
    if (m_listening)
        throw ESockException("Receive - Cannot Receive On A Listener Socket");
    // Bytes that arrived before the close can still be taken.
    if (m_fd < 0 && m_incoming.isEmpty())
        throw ESockException("Receive - Socket Not Connected");
    if (count < 0 || count >= m_incoming.size()) {
        QByteArray all;
        all.swap(m_incoming);
        return all;
    }
    QByteArray head = m_incoming.left(count);
    m_incoming.remove(0, count);
    return head;
}

void TSock::closeSilently()
{
    dropNotifiers();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    ++m_generation;
    m_connected = false;
    m_connecting = false;
    m_listening = false;
    m_sendError = 0;
    // Unsent bytes belonged to the closed connection; a later Open starts clean.
    m_outgoing.clear();
}

bool TSock::Close()
{
    const bool wasListening = m_listening;
    const bool hadHandle = m_fd >= 0;
    bool ok = false;
    if (hadHandle) {
        dropNotifiers();
        ok = ::close(m_fd) == 0;
        m_fd = -1;
    }
    closeSilently();
    if (!wasListening) {
        try {
            info(TSocketInfo::Close, QStringLiteral("Socket Closed"));
        } catch (const std::exception& e) {
            qWarning("TSock: close report handler failed: %s", e.what());
        }
    }
    return ok;
}

quint16 TSock::localPort() const
{
    if (m_fd < 0)
        return 0;
    sockaddr_in addr {};
    socklen_t len = sizeof addr;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return 0;
    return ntohs(addr.sin_port);
}

// ---- events

void TSock::onReadable()
{
    try {
        if (m_listening) {
            handleAccept();
            return;
        }
        if (m_fd < 0 || !m_connected)
            return;
        char buffer[kReadChunk];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n == 0) {
            peerClosed();
            return;
        }
        if (n < 0) {
            const int error = errno;
            if (!isTransient(error)) {
                // A reset connection must not linger half dead.
                failConnection(error);
                return;
            }
        } else {
            m_incoming.append(buffer, n);
        }
        QPointer<TSock> self(this);
        info(TSocketInfo::Receive, QStringLiteral("Non-Blocking Incoming Data"));
        if (!self || !OnRead)
            return;
        const ReadEvent handler = OnRead;
        handler(this, static_cast<int>(qMin<qsizetype>(m_incoming.size(), INT_MAX)));
    } catch (const std::exception& e) {
        qWarning("TSock: read event handler failed: %s", e.what());
    }
}

void TSock::pauseAccepting()
{
    // Out of descriptors or memory the waiting connection stays queued and the
    // listener stays readable: without a pause the event loop would spin.
    if (!m_readNotifier)
        return;
    m_readNotifier->setEnabled(false);
    QPointer<TSock> self(this);
    const quint64 generation = m_generation;
    QTimer::singleShot(kAcceptPauseMs, this, [self, generation] {
        if (self && self->m_generation == generation && self->m_listening && self->m_readNotifier)
            self->m_readNotifier->setEnabled(true);
    });
}

void TSock::handleAccept()
{
    QPointer<TSock> self(this);
    const quint64 generation = m_generation;
    m_acceptCalled = false;
    if (OnAccept) {
        const NotifyEvent handler = OnAccept;
        handler(this);
    }
    if (!self || m_generation != generation || !m_listening || m_acceptCalled)
        return;
    // Nobody took the waiting connection: refuse it, or the listener would be
    // woken for it forever.
    const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
}

void TSock::onWritable()
{
    try {
        if (m_fd < 0)
            return;
        if (m_connecting) {
            int error = 0;
            socklen_t len = sizeof error;
            if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0)
                error = errno;
            finishConnect(error);
            return;
        }
        if (!m_connected)
            return;
        flush();
        if (m_sendError) {
            failConnection(m_sendError);
            return;
        }
        QPointer<TSock> self(this);
        info(TSocketInfo::Send, QStringLiteral("Non-Blocking Outgoing Data"));
        if (!self || !OnWrite)
            return;
        const NotifyEvent handler = OnWrite;
        handler(this);
    } catch (const std::exception& e) {
        qWarning("TSock: write event handler failed: %s", e.what());
    }
}

void TSock::reportError(int posixErrno)
{
    // Called on the way to closing: a throwing handler must not stop the close.
    try {
        info(TSocketInfo::Error, errorReport(errorCode(posixErrno)));
    } catch (const std::exception& e) {
        qWarning("TSock: error report handler failed: %s", e.what());
    }
}

void TSock::finishConnect(int error)
{
    QPointer<TSock> self(this);
    const quint64 generation = m_generation;
    m_connecting = false;
    if (error != 0) {
        // No OnConnect; closing reports "Socket Closed", which ends the client window.
        if (m_writeNotifier)
            m_writeNotifier->setEnabled(false);
        reportError(error);
        if (self && m_generation == generation)
            Close();
        return;
    }
    m_connected = true;
    if (m_readNotifier)
        m_readNotifier->setEnabled(!m_readPaused);
    updateWriteNotifier();
    info(TSocketInfo::Connect, QStringLiteral("Non-Blocking Socket Connected"));
    if (!self || m_generation != generation || !OnConnect)
        return;
    const NotifyEvent handler = OnConnect;
    handler(this);
}

void TSock::failConnection(int posixErrno)
{
    QPointer<TSock> self(this);
    const quint64 generation = m_generation;
    // Quiet the notifiers first: a broken socket stays ready, and a handler
    // that runs a nested event loop must not see this again.
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    reportError(posixErrno);
    if (self && m_generation == generation)
        peerClosed();
}

void TSock::peerClosed()
{
    QPointer<TSock> self(this);
    const quint64 generation = m_generation;
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    if (OnDisconnect) {
        const NotifyEvent handler = OnDisconnect;
        try {
            handler(this);
        } catch (const std::exception& e) {
            qWarning("TSock: disconnect handler failed: %s", e.what());
        }
    }
    if (!self)
        return;
    // Also when the handler closed the socket itself (then "Socket Closed" is
    // reported twice), but never a connection it opened anew.
    if (m_generation == generation || m_fd < 0)
        Close();
}

// ---- error texts

int TSock::errorCode(int posixErrno)
{
    for (const ErrnoCode& entry : kErrnoCodes) {
        if (entry.posix == posixErrno)
            return entry.wsa;
    }
    return kUnmappedBase + posixErrno;
}

QString TSock::errorName(int code)
{
    if (code >= 10035 && code <= 10071)
        return QString::fromLatin1(kNames10035[code - 10035]);
    for (const auto& entry : kNamesOther) {
        if (entry.code == code)
            return QString::fromLatin1(entry.name);
    }
    return QStringLiteral("UNKNOWN ERROR");
}

QString TSock::errorReport(int code)
{
    return QStringLiteral("Error #") + QString::number(code) + QStringLiteral(" (") + errorName(code)
        + QStringLiteral(")");
}
