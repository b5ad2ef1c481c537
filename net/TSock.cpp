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
#include <optional>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

namespace
{

// At most this much is taken per read notification; the rest raises another.
constexpr int kReadChunk = 32768;
constexpr int kBacklog = 5;
// How long one address of several may take to answer before the next is tried.
constexpr int kAttemptMs = 3000;

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

// Socket addresses travel as their raw bytes (a sockaddr_in or sockaddr_in6).
using Address = QByteArray;

Address addressOf(const void* sa, socklen_t length)
{
    return Address(static_cast<const char*>(sa), static_cast<qsizetype>(length));
}

const sockaddr* sockaddrOf(const Address& a) { return reinterpret_cast<const sockaddr*>(a.constData()); }

// The process-wide cache of resolved host names: a name that resolved once
// never costs the resolver again. Ports are set per connection.
std::mutex g_hostCacheMutex;
std::unordered_map<std::string, std::vector<Address>>& hostCache()
{
    static std::unordered_map<std::string, std::vector<Address>> cache;
    return cache;
}

bool startsWithDigit(const QString& s) { return !s.isEmpty() && s.at(0) >= u'0' && s.at(0) <= u'9'; }

// The documented codes of a failed name lookup.
int lookupErrorCode(int gaiError)
{
    switch (gaiError) {
    case EAI_NONAME:
        return 11001; // WSAHOST_NOT_FOUND
    case EAI_AGAIN:
        return 11002; // WSATRY_AGAIN
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
        return 11004; // WSANO_DATA
    default:
        return 11003; // WSANO_RECOVERY
    }
}

bool isTransient(int e) { return e == EAGAIN || e == EWOULDBLOCK || e == EINTR; }

void setNoDelay(int fd)
{
    // Messages are small and latency is what players feel: no Nagle delay.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int newStreamSocket(int family) { return ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

// A peer's address as text: dotted for IPv4 (also when it reached a
// dual-stack listener as an IPv4-mapped IPv6 address), else IPv6 text.
QString addressText(const sockaddr_storage& peer)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (peer.ss_family == AF_INET) {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(peer).sin_addr, text, sizeof text);
    } else if (peer.ss_family == AF_INET6) {
        const in6_addr& a6 = reinterpret_cast<const sockaddr_in6&>(peer).sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&a6))
            ::inet_ntop(AF_INET, &a6.s6_addr[12], text, sizeof text);
        else
            ::inet_ntop(AF_INET6, &a6, text, sizeof text);
    }
    return QString::fromLatin1(text);
}

} // namespace

// The resolver works on its own thread; it reports back through a socket pair
// so that the owning thread learns of it in its event loop like any other
// readiness, and a socket that went away meanwhile is simply never told.
struct HostLookup {
    std::string name; // as asked: HostName may change before the answer comes
    std::mutex mutex;
    std::vector<Address> addresses; // port 0
    int error = 0; // a getaddrinfo error, 0 when addresses were found
};

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

// The addresses of a literal (port 0), or nothing when `name` is a name
// for the resolver. Text that starts with a digit, or holds a colon or a
// bracket, is a literal and is never looked up by name; nor is "localhost".
std::optional<std::vector<Address>> literalAddresses(const QString& name)
{
    if (name.isEmpty()) {
        sockaddr_in any {};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        return std::vector<Address> { addressOf(&any, sizeof any) };
    }
    if (name.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        // The loopback by definition; IPv4 first, as most listeners have it.
        sockaddr_in v4 {};
        v4.sin_family = AF_INET;
        v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sockaddr_in6 v6 {};
        v6.sin6_family = AF_INET6;
        v6.sin6_addr = in6addr_loopback;
        return std::vector<Address> { addressOf(&v4, sizeof v4), addressOf(&v6, sizeof v6) };
    }
    if (!startsWithDigit(name) && !name.contains(u':') && !name.contains(u'['))
        return std::nullopt;
    QString text = name;
    if (text.startsWith(u'[') && text.endsWith(u']'))
        text = text.mid(1, text.size() - 2);
    const std::string bytes = text.toStdString();
    // inet_aton takes the same forms as inet_addr but tells "255.255.255.255" from garbage.
    sockaddr_in v4 {};
    v4.sin_family = AF_INET;
    if (::inet_aton(bytes.c_str(), &v4.sin_addr) != 0)
        return std::vector<Address> { addressOf(&v4, sizeof v4) };
    addrinfo hints {};
    hints.ai_family = AF_INET6;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST; // never a resolver, and a scope such as "%lo" is understood
    addrinfo* result = nullptr;
    if (::getaddrinfo(bytes.c_str(), nullptr, &hints, &result) != 0 || !result)
        throw ESockException("Host Lookup - Could Not Find Host Entry");
    std::vector<Address> found { addressOf(result->ai_addr, result->ai_addrlen) };
    ::freeaddrinfo(result);
    return found;
}

std::optional<std::vector<Address>> cachedAddresses(const QString& name)
{
    std::lock_guard lock(g_hostCacheMutex);
    const auto it = hostCache().find(name.toStdString());
    if (it == hostCache().end())
        return std::nullopt;
    return it->second;
}

void resolveOnThisThread(HostLookup& lookup, const std::string& name)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &result);
    std::vector<Address> found;
    for (const addrinfo* ai = result; rc == 0 && ai; ai = ai->ai_next)
        if (ai->ai_family == AF_INET || ai->ai_family == AF_INET6)
            found.push_back(addressOf(ai->ai_addr, ai->ai_addrlen));
    if (result)
        ::freeaddrinfo(result);
    std::lock_guard lock(lookup.mutex);
    lookup.error = rc != 0 ? rc : found.empty() ? EAI_NODATA : 0;
    lookup.addresses = std::move(found);
}

// `address` with `port` (network order) set.
Address withPort(Address address, in_port_t port)
{
    if (sockaddrOf(address)->sa_family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(address.data())->sin6_port = port;
    else
        reinterpret_cast<sockaddr_in*>(address.data())->sin_port = port;
    return address;
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

void TSock::setHostAddresses(const QString& name, const QStringList& addresses)
{
    std::vector<Address> found;
    for (const QString& text : addresses) {
        const auto literal = literalAddresses(text);
        if (literal)
            found.insert(found.end(), literal->begin(), literal->end());
    }
    std::lock_guard lock(g_hostCacheMutex);
    if (found.empty())
        hostCache().erase(name.toStdString());
    else
        hostCache()[name.toStdString()] = std::move(found);
}

bool TSock::setKeepAlive(int idleSeconds, int intervalSeconds, int probes)
{
    if (m_listening || idleSeconds < 1 || intervalSeconds < 1 || probes < 1)
        return false;
    m_keepIdle = idleSeconds;
    m_keepInterval = intervalSeconds;
    m_keepProbes = probes;
    return m_fd < 0 || applyKeepAlive(m_fd);
}

bool TSock::applyKeepAlive(int fd) const
{
    if (m_keepIdle < 1)
        return true;
    const int on = 1;
    // Without a user timeout, data that is never acknowledged is retried for
    // a quarter of an hour, and keepalive never starts while data is unacknowledged.
    const unsigned timeoutMs = static_cast<unsigned>(m_keepIdle + m_keepInterval * m_keepProbes) * 1000u;
    return ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) == 0
        && ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &m_keepIdle, sizeof m_keepIdle) == 0
        && ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &m_keepInterval, sizeof m_keepInterval) == 0
        && ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &m_keepProbes, sizeof m_keepProbes) == 0
        && ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &timeoutMs, sizeof timeoutMs) == 0;
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
    if (m_fd >= 0 || m_lookup)
        return m_connected;

    if (!m_hostName.isEmpty())
        info(TSocketInfo::Lookup, QStringLiteral("Lookup Of Host ") + m_hostName);
    auto known = literalAddresses(m_hostName);
    if (!known)
        known = cachedAddresses(m_hostName);
    info(TSocketInfo::Lookup, QStringLiteral("Lookup Of Port ") + m_portName);
    const in_port_t port = resolvePort(m_portName);

    m_incoming.clear();
    m_outgoing.clear();
    m_sendError = 0;
    m_connected = false;
    m_connecting = true;
    m_connectError = 0;
    ++m_generation;
    m_candidates.clear();
    m_nextCandidate = 0;
    m_connectPort = port;
    if (!known) {
        startLookup(m_hostName);
        return false;
    }
    for (const Address& a : *known)
        m_candidates.push_back(withPort(a, port));
    connectNext();
    return false;
}

void TSock::connectNext()
{
    while (hasMoreCandidates()) {
        const Address address = m_candidates[m_nextCandidate++];
        const int fd = newStreamSocket(sockaddrOf(address)->sa_family);
        if (fd < 0) {
            m_connectError = errno;
            continue;
        }
        setNoDelay(fd);
        applyKeepAlive(fd);
        m_fd = fd;
        ++m_generation;
        const int rc = ::connect(fd, sockaddrOf(address), static_cast<socklen_t>(address.size()));
        const int error = rc == 0 ? 0 : errno;
        if (rc == 0 || error == EINPROGRESS) {
            // Even an immediate success is announced from the event loop, like any other.
            attachNotifiers(false);
            if (hasMoreCandidates()) {
                // An address that swallows the attempt (a black-holed IPv6
                // route) must not keep the next one waiting for minutes.
                if (!m_attemptTimer) {
                    m_attemptTimer = new QTimer(this);
                    m_attemptTimer->setSingleShot(true);
                    connect(m_attemptTimer, &QTimer::timeout, this, [this] {
                        if (m_connecting && m_fd >= 0 && hasMoreCandidates())
                            abandonAttempt(ETIMEDOUT);
                    });
                }
                m_attemptTimer->start(kAttemptMs);
            }
            return;
        }
        ::close(fd);
        m_fd = -1;
        m_connectError = error;
    }
    deferConnectFailure(m_connectError);
}

void TSock::abandonAttempt(int error)
{
    if (m_attemptTimer)
        m_attemptTimer->stop();
    dropNotifiers();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_connectError = error;
    connectNext();
}

void TSock::startLookup(const QString& name)
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        deferConnectFailure(errno);
        return;
    }
    auto lookup = std::make_shared<HostLookup>();
    lookup->name = name.toStdString();
    const int done = pair[1];
    try {
        std::thread([lookup, done] {
            resolveOnThisThread(*lookup, lookup->name);
            const char byte = 1;
            // MSG_NOSIGNAL: the socket may be gone, and with it the other end.
            (void)::send(done, &byte, 1, MSG_NOSIGNAL);
            ::close(done);
        }).detach();
    } catch (const std::system_error&) {
        ::close(pair[0]);
        ::close(pair[1]);
        deferConnectFailure(EAGAIN);
        return;
    }
    m_lookup = std::move(lookup);
    m_lookupFd = pair[0];
    m_lookupNotifier = new QSocketNotifier(m_lookupFd, QSocketNotifier::Read, this);
    connect(m_lookupNotifier, &QSocketNotifier::activated, this, [this] { lookupDone(); });
}

void TSock::cancelLookup()
{
    if (m_lookupNotifier) {
        m_lookupNotifier->setEnabled(false);
        m_lookupNotifier->disconnect(this);
        m_lookupNotifier->deleteLater();
        m_lookupNotifier = nullptr;
    }
    if (m_lookupFd >= 0)
        ::close(m_lookupFd);
    m_lookupFd = -1;
    m_lookup.reset();
}

void TSock::lookupDone()
{
    const std::shared_ptr<HostLookup> lookup = m_lookup;
    cancelLookup();
    if (!lookup)
        return;
    std::vector<Address> found;
    int error = 0;
    {
        std::lock_guard lock(lookup->mutex);
        found = lookup->addresses;
        error = lookup->error;
    }
    try {
        if (error != 0) {
            failOpen(lookupErrorCode(error));
            return;
        }
        {
            std::lock_guard lock(g_hostCacheMutex);
            hostCache()[lookup->name] = found;
        }
        m_candidates.clear();
        m_nextCandidate = 0;
        for (const Address& a : found)
            m_candidates.push_back(withPort(a, m_connectPort));
        connectNext();
    } catch (const std::exception& e) {
        qWarning("TSock: lookup event handler failed: %s", e.what());
    }
}

void TSock::failOpen(int code)
{
    QPointer<TSock> self(this);
    const quint64 generation = m_generation;
    m_connecting = false;
    try {
        info(TSocketInfo::Error, errorReport(code));
    } catch (const std::exception& e) {
        qWarning("TSock: error report handler failed: %s", e.what());
    }
    if (self && m_generation == generation)
        Close();
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
    if ((m_fd >= 0 || m_lookup) && !m_listening)
        throw ESockException("Listen - Socket Already In Use");
    if (m_listening) {
        info(TSocketInfo::Listen, QStringLiteral("Listening Already Running"));
        return;
    }

    info(TSocketInfo::Lookup, QStringLiteral("Lookup Of Port ") + m_portName);
    const in_port_t port = resolvePort(m_portName);

    // One socket for both families where the system has IPv6: IPv4 peers
    // arrive as IPv4-mapped addresses. A port someone holds is an error
    // either way; anything else about IPv6 means it is not there.
    bool ipv6 = false;
    int fd = newStreamSocket(AF_INET6);
    if (fd >= 0) {
        const int off = 0;
        const int one = 1;
        sockaddr_in6 addr {};
        addr.sin6_family = AF_INET6;
        addr.sin6_addr = in6addr_any;
        addr.sin6_port = port;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) == 0
            && ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
            ipv6 = true;
        } else {
            const int error = errno;
            ::close(fd);
            fd = -1;
            if (error == EADDRINUSE || error == EACCES)
                throw ESockException("Listen - Error Binding Socket");
        }
    }
    if (!ipv6) {
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
        addr.sin_port = port;
        fd = newStreamSocket(AF_INET);
        if (fd < 0)
            throw ESockException("Listen - Error Binding Socket");
        // A restarted host must be able to rebind while old connections linger in TIME_WAIT.
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            throw ESockException("Listen - Error Binding Socket");
        }
    }
    if (::listen(fd, kBacklog) != 0) {
        ::close(fd);
        throw ESockException("Listen - Error Starting Listen");
    }
    m_fd = fd;
    ++m_generation;
    m_listening = true;
    m_ipv6 = ipv6;
    m_connected = false;
    m_connecting = false;
    attachNotifiers(true);
    if (!ipv6)
        info(TSocketInfo::Listen, QStringLiteral("Listening On IPv4 Only"));
    info(TSocketInfo::Listen, QStringLiteral("Listening Started"));
}

bool TSock::Accept(TSock*& newSock)
{
    if (!m_listening)
        throw ESockException("Accept - Socket Not In Listening Mode");
    m_acceptCalled = true;
    sockaddr_storage peer {};
    socklen_t len = sizeof peer;
    const int fd = ::accept4(m_fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM)
            pauseAccepting();
        info(TSocketInfo::Accept, QStringLiteral("Could Not Accept Connection"));
        return false;
    }
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
    sock->m_hostName = addressText(peer);
    sock->attachNotifiers(true);
    newSock = sock;
    info(TSocketInfo::Accept, QStringLiteral("Created New TSock Structure"));
    return true;
}

bool TSock::Send(const QByteArray& text)
{
    // While a name is resolved the bytes wait as they do while connecting.
    if (m_fd < 0 && !m_lookup)
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
    cancelLookup();
    if (m_attemptTimer)
        m_attemptTimer->stop();
    m_candidates.clear();
    m_nextCandidate = 0;
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
    sockaddr_storage addr {};
    socklen_t len = sizeof addr;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return 0;
    return ntohs(addr.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(addr).sin6_port
                                            : reinterpret_cast<const sockaddr_in&>(addr).sin_port);
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
    if (m_attemptTimer)
        m_attemptTimer->stop();
    if (error != 0 && m_fd >= 0 && hasMoreCandidates()) {
        abandonAttempt(error);
        return;
    }
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
