// TSock over real loopback connections on kernel-chosen ports.

#include "net/TSock.h"
#include "tests/Loopback.h"
#include "tests/Sentinel.h"

#include <QPointer>
#include <QStringList>
#include <QTest>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

using testing_loopback::hasIPv6Loopback;

constexpr int kWaitMs = 10000;

QString kindName(TSocketInfo kind)
{
    switch (kind) {
    case TSocketInfo::Lookup:
        return "Lookup";
    case TSocketInfo::Connect:
        return "Connect";
    case TSocketInfo::Close:
        return "Close";
    case TSocketInfo::Listen:
        return "Listen";
    case TSocketInfo::Receive:
        return "Receive";
    case TSocketInfo::Send:
        return "Send";
    case TSocketInfo::Accept:
        return "Accept";
    case TSocketInfo::Error:
        return "Error";
    }
    return "?";
}

// Every event of one socket in arrival order, minus the chatty data reports.
struct EventLog {
    QStringList events;
    QList<int> readCounts;

    void attach(TSock* s)
    {
        s->OnConnect = [this](TSock*) { events << "connect"; };
        s->OnDisconnect = [this](TSock*) { events << "disconnect"; };
        s->OnInfo = [this](TSock*, TSocketInfo kind, const QString& msg) {
            if (kind != TSocketInfo::Receive && kind != TSocketInfo::Send)
                events << kindName(kind) + ": " + msg;
        };
        s->OnRead = [this](TSock*, int count) { readCounts << count; };
    }
    bool has(const QString& e) const { return events.contains(e); }
    int count(const QString& e) const { return static_cast<int>(events.count(e)); }
};

QString throwText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ESockException& e) {
        return QString::fromLatin1(e.what());
    }
    return "(nothing thrown)";
}

// A listener on a kernel-chosen port, one client connected to it, and the
// accepted socket on the host side.
struct Link {
    TSock listener;
    TSock client;
    QPointer<TSock> server;
    EventLog clientLog;

    bool open()
    {
        listener.setPortName("0");
        listener.OnAccept = [this](TSock* l) {
            TSock* s = nullptr;
            if (l->Accept(s))
                server = s;
        };
        listener.setListen(true);
        clientLog.attach(&client);
        client.setHostName("127.0.0.1");
        client.setPortName(QString::number(listener.localPort()));
        client.Open();
        return QTest::qWaitFor([this] { return client.Connected() && server; }, kWaitMs);
    }
};

// A byte sent now over `spare` has arrived at its other end: anything that
// reached another loopback connection before it has had its chance to be
// reported too.
bool arrivedAfter(Link& spare)
{
    const int before = spare.server->pendingInput();
    spare.client.Send(".");
    return QTest::qWaitFor([&] { return spare.server->pendingInput() > before; }, kWaitMs);
}

// The lookup of `name` has ended: a second socket asked the same resolver for
// the same name after it, and has its answer.
bool lookupOver(const QString& name, const QString& port)
{
    TSock second;
    EventLog log;
    log.attach(&second);
    second.setHostName(name);
    second.setPortName(port);
    second.Open();
    return QTest::qWaitFor([&] { return log.has("Close: Socket Closed"); }, kWaitMs);
}

// A plain blocking socket bound to a loopback port but not listening: a
// connect to it is refused, and the port cannot be taken by anyone else meanwhile.
struct ClosedPort {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    quint16 port = 0;
    ClosedPort()
    {
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~ClosedPort() { ::close(fd); }
};

// SO_KEEPALIVE, idle, interval and probes of a descriptor.
QList<int> keepAliveOf(int fd)
{
    QList<int> values;
    const std::pair<int, int> options[] = { { SOL_SOCKET, SO_KEEPALIVE }, { IPPROTO_TCP, TCP_KEEPIDLE },
        { IPPROTO_TCP, TCP_KEEPINTVL }, { IPPROTO_TCP, TCP_KEEPCNT } };
    for (const auto& [level, name] : options) {
        int value = -1;
        socklen_t len = sizeof value;
        ::getsockopt(fd, level, name, &value, &len);
        values << value;
    }
    return values;
}

// This machine's name when the resolver gives only loopback addresses for
// it (as /etc/hosts usually does), else empty: tests send only to loopback.
std::string loopbackHostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !*name)
        return {};
    addrinfo hints {};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &result) != 0 || !result)
        return {};
    bool loopback = true;
    for (const addrinfo* ai = result; ai; ai = ai->ai_next) {
        if (ai->ai_family == AF_INET)
            loopback
                = loopback && (ntohl(reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr) >> 24) == 127;
        else if (ai->ai_family == AF_INET6)
            loopback = loopback && IN6_IS_ADDR_LOOPBACK(&reinterpret_cast<const sockaddr_in6*>(ai->ai_addr)->sin6_addr);
    }
    ::freeaddrinfo(result);
    return loopback ? std::string(name) : std::string();
}

QByteArray pattern(qsizetype size, int seed)
{
    QByteArray b(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 131 + seed + i / 4093) & 0xFF);
    return b;
}

} // namespace

class TSockTest : public QObject
{
    Q_OBJECT
private slots:
    void connectAndExchangeBothWays();
    void refusedConnectReportsAndCloses();
    void immediateConnectFailureIsReportedFromTheEventLoop();
    void peerCloseCallsDisconnectBeforeSocketClosed();
    void resetConnectionIsReportedAndClosed();
    void receiveAfterPeerClosedReturnsWhatWasBuffered();
    void readsBeforeReceiveAreJoined();
    void pausedReadingHoldsDataInTheSystemUntilResumed();
    void keepAliveNowOrOnTheNextConnection();
    void listenerTakesBothFamilies();
    void connectsToEitherFamily_data();
    void connectsToEitherFamily();
    void eachAddressIsTriedInTurn_data();
    void eachAddressIsTriedInTurn();
    void nameThatDoesNotResolveIsReportedAndClosed();
    void closeOrDeleteWhileANameIsResolvedIsSafe();
    void receiveCount_data();
    void receiveCount();
    void largeSendToSlowReaderArrivesWholeAndInOrder();
    void sendWhileConnectingIsHeldUntilConnected();
    void usageErrorsRaiseTheirTexts_data();
    void usageErrorsRaiseTheirTexts();
    void listenOnUsedPortFails();
    void restartedListenerRebindsItsPort();
    void unacceptedConnectionIsRefusedNotSpun();
    void acceptOutOfDescriptorsPausesInsteadOfSpinning();
    void closeOrDeleteInsideCallbacksIsSafe_data();
    void closeOrDeleteInsideCallbacksIsSafe();
    void throwingInfoHandlerBecomesErrorHere();
    void nameSettersWhileConnected();
    void errorNames_data();
    void errorNames();
    void errnoMapping_data();
    void errnoMapping();
};

void TSockTest::connectAndExchangeBothWays()
{
    Link link;
    QVERIFY(link.open());
    QCOMPARE(link.clientLog.events,
        QStringList({ "Lookup: Lookup Of Host 127.0.0.1", "Lookup: Lookup Of Port " + link.client.PortName(),
            "Connect: Non-Blocking Socket Connected", "connect" }));
    // The accepted socket knows its peer and the listener's port name, and
    // inherits the listener's read handler.
    QCOMPARE(link.server->HostName(), QString("127.0.0.1"));
    QCOMPARE(link.server->PortName(), QString("0"));
    QVERIFY(link.server->Connected());
    QCOMPARE(link.server->parent(), &link.listener);

    QByteArray atServer;
    link.server->OnRead = [&](TSock* s, int) { atServer += s->Receive(); };
    QVERIFY(link.client.Send("CMD_chat+1+hi\xFF"));
    QVERIFY(QTest::qWaitFor([&] { return atServer == "CMD_chat+1+hi\xFF"; }, kWaitMs));

    QByteArray atClient;
    link.client.OnRead = [&](TSock* s, int) { atClient += s->Receive(); };
    link.server->Send("CMD_sendlogininfo+1\xFF");
    link.server->Send("CMD_full+\xFF");
    QVERIFY(QTest::qWaitFor(
        [&] {
            return atClient
                == "CMD_sendlogininfo+1\xFF"
                   "CMD_full+\xFF";
        },
        kWaitMs));
    QCOMPARE(link.client.pendingOutput(), 0);
}

void TSockTest::refusedConnectReportsAndCloses()
{
    ClosedPort closed;
    TSock client;
    EventLog log;
    log.attach(&client);
    client.setHostName("127.0.0.1");
    client.setPortName(QString::number(closed.port));
    QVERIFY(!client.Open());
    QVERIFY(QTest::qWaitFor([&] { return log.has("Close: Socket Closed"); }, kWaitMs));
    QCOMPARE(log.events.mid(2), QStringList({ "Error: Error #10061 (WSAECONNREFUSED)", "Close: Socket Closed" }));
    QVERIFY(!client.Connected());
    // The failed attempt left no handle behind: a new Open starts afresh.
    QVERIFY(!client.Open());
    QVERIFY(QTest::qWaitFor([&] { return log.count("Close: Socket Closed") == 2; }, kWaitMs));
    QVERIFY(!log.has("connect"));
}

void TSockTest::immediateConnectFailureIsReportedFromTheEventLoop()
{
    // The kernel refuses a stream connect to the broadcast address on the spot.
    TSock client;
    EventLog log;
    log.attach(&client);
    client.setHostName("255.255.255.255");
    client.setPortName("7772");
    QVERIFY(!client.Open());
    // Nothing but the lookups from inside Open: the owner is not called back
    // before it has even seen Open return.
    QCOMPARE(log.events.size(), 2);
    QVERIFY(QTest::qWaitFor([&] { return log.has("Close: Socket Closed"); }, kWaitMs));
    // Linux says "network unreachable"; other kernels may pick another refusal.
    QCOMPARE(log.events.size(), 4);
    QVERIFY2(
        log.events[2].startsWith("Error: Error #100") && !log.events[2].contains("UNKNOWN"), qPrintable(log.events[2]));
    QCOMPARE(log.events[3], QString("Close: Socket Closed"));
    QVERIFY(!client.Connected());
}

void TSockTest::peerCloseCallsDisconnectBeforeSocketClosed()
{
    Link link;
    QVERIFY(link.open());
    EventLog serverLog;
    serverLog.attach(link.server);
    link.client.Close();
    QVERIFY(QTest::qWaitFor([&] { return serverLog.has("Close: Socket Closed"); }, kWaitMs));
    QCOMPARE(serverLog.events, QStringList({ "disconnect", "Close: Socket Closed" }));
    QVERIFY(!link.server->Connected());
    // Closing twice reports twice and never throws.
    QVERIFY(!link.server->Close());
    QCOMPARE(serverLog.count("Close: Socket Closed"), 2);
}

void TSockTest::resetConnectionIsReportedAndClosed()
{
    // The peer is a plain socket that aborts with a reset instead of a clean close.
    const int lfd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::bind(lfd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    QCOMPARE(::listen(lfd, 1), 0);
    socklen_t len = sizeof a;
    ::getsockname(lfd, reinterpret_cast<sockaddr*>(&a), &len);

    TSock client;
    EventLog log;
    log.attach(&client);
    client.setHostName("127.0.0.1");
    client.setPortName(QString::number(ntohs(a.sin_port)));
    client.Open();
    QVERIFY(QTest::qWaitFor([&] { return client.Connected(); }, kWaitMs));
    const int peer = ::accept(lfd, nullptr, nullptr);
    QVERIFY(peer >= 0);
    linger abort { 1, 0 };
    ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(peer);
    ::close(lfd);

    QVERIFY(QTest::qWaitFor([&] { return log.has("Close: Socket Closed"); }, kWaitMs));
    const QStringList tail = log.events.mid(log.events.indexOf("connect") + 1);
    QCOMPARE(tail, QStringList({ "Error: Error #10054 (WSAECONNRESET)", "disconnect", "Close: Socket Closed" }));
    QVERIFY(!client.Connected());
}

void TSockTest::receiveAfterPeerClosedReturnsWhatWasBuffered()
{
    Link link;
    QVERIFY(link.open());
    link.server->Send("last words\xFF");
    link.server->Close();
    QVERIFY(QTest::qWaitFor([&] { return link.clientLog.has("Close: Socket Closed"); }, kWaitMs));
    QCOMPARE(link.client.Receive(), QByteArray("last words\xFF"));
    QCOMPARE(throwText([&] { link.client.Receive(); }), QString("Receive - Socket Not Connected"));
}

void TSockTest::readsBeforeReceiveAreJoined()
{
    Link link;
    QVERIFY(link.open());
    link.server->Send("ab");
    QVERIFY(QTest::qWaitFor([&] { return !link.clientLog.readCounts.isEmpty(); }, kWaitMs));
    link.server->Send("cde");
    QVERIFY(QTest::qWaitFor([&] { return link.client.pendingInput() == 5; }, kWaitMs));
    QCOMPARE(link.clientLog.readCounts.first(), 2);
    QCOMPARE(link.clientLog.readCounts.last(), 5);
    QCOMPARE(link.client.Receive(), QByteArray("abcde"));
    QCOMPARE(link.client.pendingInput(), 0);
}

void TSockTest::pausedReadingHoldsDataInTheSystemUntilResumed()
{
    Link link, spare;
    QVERIFY(link.open() && spare.open());
    QByteArray atServer;
    int reads = 0;
    link.server->OnRead = [&](TSock* s, int) {
        ++reads;
        atServer += s->Receive();
    };
    link.server->setReadPaused(true);
    QVERIFY(link.client.Send("while paused"));
    QVERIFY(arrivedAfter(spare));
    QCOMPARE(reads, 0);
    // A peer that hangs up meanwhile is noticed after the pause, after its data.
    link.client.Close();
    QVERIFY(arrivedAfter(spare));
    QVERIFY(link.server->Connected());
    link.server->setReadPaused(false);
    QVERIFY(QTest::qWaitFor([&] { return !link.server || !link.server->Connected(); }, kWaitMs));
    QCOMPARE(atServer, QByteArray("while paused"));
}

void TSockTest::keepAliveNowOrOnTheNextConnection()
{
    Link link;
    QVERIFY(link.open());
    QVERIFY(link.server->setKeepAlive(60, 10, 6));
    QCOMPARE(keepAliveOf(link.server->handle()), QList<int>({ 1, 60, 10, 6 }));
    QVERIFY(!link.listener.setKeepAlive(60, 10, 6));
    QVERIFY2(!link.client.setKeepAlive(0, 10, 6), "no probing at all is no keepalive");

    // A client asks before it connects: the connection Open makes has it.
    TSock early;
    QVERIFY(early.setKeepAlive(7, 3, 4));
    early.setHostName("127.0.0.1");
    early.setPortName(QString::number(link.listener.localPort()));
    early.Open();
    QVERIFY(QTest::qWaitFor([&] { return early.Connected(); }, kWaitMs));
    QCOMPARE(keepAliveOf(early.handle()), QList<int>({ 1, 7, 3, 4 }));
}

void TSockTest::listenerTakesBothFamilies()
{
    TSock listener;
    EventLog log;
    log.attach(&listener);
    listener.setPortName("0");
    listener.setListen(true);
    if (!hasIPv6Loopback()) {
        QVERIFY(!listener.listensOnIPv6());
        QVERIFY(log.has("Listen: Listening On IPv4 Only"));
        QSKIP("this kernel has no ::1: only the IPv4 fallback was checked");
    }
    QVERIFY(listener.listensOnIPv6());
    QVERIFY(!log.has("Listen: Listening On IPv4 Only"));
    // The one port answers on both loopbacks.
    for (const char* address : { "127.0.0.1", "::1" }) {
        TSock client;
        client.setHostName(address);
        client.setPortName(QString::number(listener.localPort()));
        client.Open();
        QVERIFY2(QTest::qWaitFor([&] { return client.Connected(); }, kWaitMs), address);
    }
}

void TSockTest::connectsToEitherFamily_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QStringList>("known"); // addresses given for a name, if any
    QTest::addColumn<QString>("peerSeen");
    QTest::addColumn<bool>("needsIPv6");
    QTest::newRow("IPv4 literal") << "127.0.0.1" << QStringList() << "127.0.0.1" << false;
    QTest::newRow("IPv4 in a short form inet_addr takes") << "127.1" << QStringList() << "127.0.0.1" << false;
    QTest::newRow("IPv6 literal") << "::1" << QStringList() << "::1" << true;
    QTest::newRow("IPv6 literal in brackets") << "[::1]" << QStringList() << "::1" << true;
    QTest::newRow("IPv4-mapped IPv6 literal is seen as IPv4")
        << "::ffff:127.0.0.1" << QStringList() << "127.0.0.1" << true;
    QTest::newRow("name with an IPv6 address") << "zirky-test-six" << QStringList { "::1" } << "::1" << true;
    QTest::newRow("name with an IPv4 address")
        << "zirky-test-four" << QStringList { "127.0.0.1" } << "127.0.0.1" << false;
    QTest::newRow("localhost is the loopback without a resolver")
        << "localhost" << QStringList() << "127.0.0.1" << false;
    // The system's own resolver, on its thread: this machine's name, where it
    // names a loopback address (it is skipped otherwise).
    QTest::newRow("a name through the resolver") << "(this machine)" << QStringList() << "" << false;
}

void TSockTest::connectsToEitherFamily()
{
    QFETCH(QString, host);
    QFETCH(QStringList, known);
    QFETCH(QString, peerSeen);
    QFETCH(bool, needsIPv6);
    if (needsIPv6 && !hasIPv6Loopback())
        QSKIP("this kernel has no ::1");
    if (host == "(this machine)") {
        host = QString::fromStdString(loopbackHostName());
        if (host.isEmpty())
            QSKIP("this machine's name does not resolve to a loopback address here");
    }
    if (!known.isEmpty())
        TSock::setHostAddresses(host, known);
    TSock listener;
    QPointer<TSock> server;
    listener.setPortName("0");
    listener.OnAccept = [&](TSock* l) {
        TSock* s = nullptr;
        if (l->Accept(s))
            server = s;
    };
    listener.setListen(true);
    TSock client;
    EventLog log;
    log.attach(&client);
    client.setHostName(host);
    client.setPortName(QString::number(listener.localPort()));
    QVERIFY(!client.Open());
    QVERIFY(
        QTest::qWaitFor([&] { return (client.Connected() && server) || log.has("Close: Socket Closed"); }, kWaitMs));
    QVERIFY2(client.Connected(), qPrintable(log.events.join(" | ")));
    QVERIFY(log.has("connect"));
    QVERIFY(!log.events.join("|").contains("Error"));
    if (!peerSeen.isEmpty())
        QCOMPARE(server->HostName(), peerSeen);
    // Bytes go both ways whatever the family.
    QByteArray atServer;
    server->OnRead = [&](TSock* s, int) { atServer += s->Receive(); };
    client.Send("CMD_ping+1\xFF");
    QVERIFY(QTest::qWaitFor([&] { return atServer == "CMD_ping+1\xFF"; }, kWaitMs));
    if (!known.isEmpty())
        TSock::setHostAddresses(host, {});
}

void TSockTest::eachAddressIsTriedInTurn_data()
{
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<bool>("connects");
    // Only 127.0.0.1 listens on the port: ::1 and 127.0.0.2 refuse it.
    QTest::newRow("the first refuses, the second answers") << QStringList { "::1", "127.0.0.1" } << true;
    QTest::newRow("the last one answers") << QStringList { "127.0.0.2", "::1", "127.0.0.1" } << true;
    QTest::newRow("all refuse: one error, then closed") << QStringList { "::1", "127.0.0.2" } << false;
}

void TSockTest::eachAddressIsTriedInTurn()
{
    QFETCH(QStringList, addresses);
    QFETCH(bool, connects);
    if (!hasIPv6Loopback())
        QSKIP("this kernel has no ::1");
    // A plain IPv4 listener on 127.0.0.1 alone.
    const int lfd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::bind(lfd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    QCOMPARE(::listen(lfd, 4), 0);
    socklen_t len = sizeof a;
    ::getsockname(lfd, reinterpret_cast<sockaddr*>(&a), &len);

    TSock::setHostAddresses("zirky-test-several", addresses);
    TSock client;
    EventLog log;
    log.attach(&client);
    client.setHostName("zirky-test-several");
    client.setPortName(QString::number(ntohs(a.sin_port)));
    client.Open();
    QVERIFY(QTest::qWaitFor([&] { return client.Connected() || log.has("Close: Socket Closed"); }, kWaitMs));
    TSock::setHostAddresses("zirky-test-several", {});
    ::close(lfd);
    QCOMPARE(client.Connected(), connects);
    const QStringList errors = log.events.filter("Error");
    if (connects) {
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(" | ")));
        QCOMPARE(log.count("connect"), 1);
    } else {
        QCOMPARE(errors, QStringList({ "Error: Error #10061 (WSAECONNREFUSED)" }));
        QCOMPARE(log.events.last(), QString("Close: Socket Closed"));
        QVERIFY(!log.has("connect"));
    }
}

void TSockTest::nameThatDoesNotResolveIsReportedAndClosed()
{
    TSock client;
    EventLog log;
    log.attach(&client);
    client.setHostName("no-such-host.invalid"); // a name no resolver may answer
    client.setPortName("7772");
    QVERIFY(!client.Open());
    QVERIFY(QTest::qWaitFor([&] { return log.has("Close: Socket Closed"); }, kWaitMs));
    QCOMPARE(log.events.size(), 4);
    // Not found, or no resolver to ask: a lookup code either way, never a crash or a hang.
    QVERIFY2(log.events[2].startsWith("Error: Error #1100"), qPrintable(log.events[2]));
    QVERIFY(!log.events[2].contains("UNKNOWN"));
    QVERIFY(!client.Connected());
    // Nothing was cached for the name: the next Open asks again.
    QVERIFY(!client.Open());
    QVERIFY(QTest::qWaitFor([&] { return log.count("Close: Socket Closed") == 2; }, kWaitMs));
}

void TSockTest::closeOrDeleteWhileANameIsResolvedIsSafe()
{
    TSock listener;
    listener.setPortName("0");
    listener.setListen(true);
    const QString port = QString::number(listener.localPort());
    // A fresh name each time, so that the lookup really is in flight.
    for (int round = 0; round < 2; ++round) {
        const QString name = QStringLiteral("zirky-close-%1.invalid").arg(round);
        EventLog log;
        auto* client = new TSock;
        log.attach(client);
        client->setHostName(name);
        client->setPortName(port);
        client->Open();
        QVERIFY2(!client->Open(), "a second Open while resolving starts nothing");
        QCOMPARE(throwText([&] { client->setListen(true); }), QString("Listen - Socket Already In Use"));
        QVERIFY(client->Send("held")); // queued as while connecting
        if (round == 0) {
            client->Close();
            QCOMPARE(log.events.last(), QString("Close: Socket Closed"));
            const int seen = static_cast<int>(log.events.size());
            QVERIFY(lookupOver(name, port)); // nobody may hear of its end
            QCOMPARE(static_cast<int>(log.events.size()), seen);
            delete client;
        } else {
            client->OnInfo = nullptr;
            delete client;
            QVERIFY(lookupOver(name, port)); // its end finds no socket
        }
    }
}

void TSockTest::receiveCount_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("minus one takes all") << QList<int> { -1 } << QStringList { "abcdef" };
    QTest::newRow("count at the size takes all") << QList<int> { 6 } << QStringList { "abcdef" };
    QTest::newRow("count above the size takes all") << QList<int> { 100 } << QStringList { "abcdef" };
    QTest::newRow("partial count keeps the rest in order")
        << QList<int> { 2, 3, -1 } << QStringList { "ab", "cde", "f" };
    QTest::newRow("zero takes nothing") << QList<int> { 0, -1 } << QStringList { "", "abcdef" };
    QTest::newRow("other negative counts take all") << QList<int> { -7 } << QStringList { "abcdef" };
}

void TSockTest::receiveCount()
{
    QFETCH(QList<int>, counts);
    QFETCH(QStringList, parts);
    Link link;
    QVERIFY(link.open());
    link.server->Send("abcdef");
    QVERIFY(QTest::qWaitFor([&] { return link.client.pendingInput() == 6; }, kWaitMs));
    for (int i = 0; i < counts.size(); ++i)
        QCOMPARE(QString::fromLatin1(link.client.Receive(counts[i])), parts[i]);
}

void TSockTest::largeSendToSlowReaderArrivesWholeAndInOrder()
{
    Link link;
    QVERIFY(link.open());
    const QByteArray first = pattern(12 * 1024 * 1024, 1);
    const QByteArray second = pattern(300 * 1024, 7);
    QByteArray received;
    int reads = 0;
    // A slow reader: it takes its bytes only on every third notification.
    qsizetype left = 0, largestRead = 0;
    link.client.OnRead = [&](TSock* s, int count) {
        largestRead = std::max<qsizetype>(largestRead, count - left);
        if (++reads % 3 == 0)
            received += s->Receive();
        left = s->pendingInput();
    };
    QVERIFY(link.server->Send(first));
    // More than any loopback buffer: the tail must wait in the socket.
    QVERIFY(link.server->pendingOutput() > 0);
    link.server->Send(second);
    link.server->Send("end\xFF");
    const QByteArray expected = first + second + "end\xFF";
    QVERIFY(QTest::qWaitFor([&] { return received.size() + link.client.pendingInput() >= expected.size(); }, 60000));
    received += link.client.Receive();
    QCOMPARE(received.size(), expected.size());
    QVERIFY(received == expected);
    QCOMPARE(link.server->pendingOutput(), 0);
    // One notification takes at most 32 KiB; the rest waits for the next.
    QVERIFY(largestRead > 0);
    QVERIFY(largestRead <= 32768);
}

void TSockTest::sendWhileConnectingIsHeldUntilConnected()
{
    TSock listener;
    listener.setPortName("0");
    QByteArray atServer;
    listener.OnRead = [&](TSock* s, int) { atServer += s->Receive(); };
    listener.OnAccept = [](TSock* l) {
        TSock* s = nullptr;
        l->Accept(s);
    };
    listener.setListen(true);
    TSock client;
    client.setHostName("127.0.0.1");
    client.setPortName(QString::number(listener.localPort()));
    client.Open();
    QVERIFY(!client.Connected());
    QVERIFY(client.Send("CMD_logininfo+1+1.0.13+Ann\xFF"));
    QVERIFY(QTest::qWaitFor([&] { return atServer == "CMD_logininfo+1+1.0.13+Ann\xFF"; }, kWaitMs));
}

void TSockTest::usageErrorsRaiseTheirTexts_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("text");
    QTest::newRow("send on an unopened socket") << "send-unopened"
                                                << "Send - Socket Not Connected";
    QTest::newRow("receive on an unopened socket") << "receive-unopened"
                                                   << "Receive - Socket Not Connected";
    QTest::newRow("send on a listener") << "send-listener"
                                        << "Send - Cannot Send On A Listener Socket";
    QTest::newRow("receive on a listener") << "receive-listener"
                                           << "Receive - Cannot Receive On A Listener Socket";
    QTest::newRow("accept without listening") << "accept-unlistened"
                                              << "Accept - Socket Not In Listening Mode";
    QTest::newRow("listen on a connecting socket") << "listen-busy"
                                                   << "Listen - Socket Already In Use";
    QTest::newRow("port with trailing letters is no number") << "port:77x"
                                                             << "Port Lookup - Could Not Find Service Entry";
    QTest::newRow("port above 65535 does not wrap") << "port:65537"
                                                    << "Port Lookup - Could Not Find Service Entry";
    QTest::newRow("unknown service name") << "port:no-such-service-here"
                                          << "Port Lookup - Could Not Find Service Entry";
    QTest::newRow("empty port name") << "port:"
                                     << "Port Lookup - Could Not Find Service Entry";
    QTest::newRow("dotted host that is no address") << "host:1.2.3.999"
                                                    << "Host Lookup - Could Not Find Host Entry";
    QTest::newRow("digits first are never resolved as a name") << "host:1example"
                                                               << "Host Lookup - Could Not Find Host Entry";
}

void TSockTest::usageErrorsRaiseTheirTexts()
{
    QFETCH(QString, action);
    QFETCH(QString, text);
    TSock s;
    std::function<void()> f;
    if (action == "send-unopened") {
        f = [&] { s.Send("x"); };
    } else if (action == "receive-unopened") {
        f = [&] { s.Receive(); };
    } else if (action == "send-listener" || action == "receive-listener") {
        s.setPortName("0");
        s.setListen(true);
        f = action == "send-listener" ? std::function<void()>([&] { s.Send("x"); })
                                      : std::function<void()>([&] { s.Receive(); });
    } else if (action == "accept-unlistened") {
        f = [&] {
            TSock* n = nullptr;
            s.Accept(n);
        };
    } else if (action == "listen-busy") {
        ClosedPort closed;
        s.setHostName("127.0.0.1");
        s.setPortName(QString::number(closed.port));
        s.Open();
        f = [&] { s.setListen(true); };
    } else if (action.startsWith("port:")) {
        s.setHostName("127.0.0.1");
        s.setPortName(action.mid(5));
        f = [&] { s.Open(); };
    } else if (action.startsWith("host:")) {
        s.setHostName(action.mid(5));
        s.setPortName("7");
        f = [&] { s.Open(); };
    }
    QVERIFY(f);
    QCOMPARE(throwText(f), text);
    if (action.startsWith("port:") || action.startsWith("host:"))
        QVERIFY(!s.Connected()); // a failed lookup opens nothing
    QVERIFY(!s.Listen() || action.endsWith("-listener"));
}

void TSockTest::listenOnUsedPortFails()
{
    TSock first;
    first.setPortName("0");
    first.setListen(true);
    TSock second;
    second.setPortName(QString::number(first.localPort()));
    QCOMPARE(throwText([&] { second.setListen(true); }), QString("Listen - Error Binding Socket"));
    QVERIFY(!second.Listen());
    // A failed listen leaves the socket free for another try.
    second.setPortName("0");
    second.setListen(true);
    QVERIFY(second.Listen());
}

void TSockTest::restartedListenerRebindsItsPort()
{
    Link link;
    QVERIFY(link.open());
    const QString port = QString::number(link.listener.localPort());
    EventLog listenerLog;
    link.listener.OnInfo
        = [&](TSock*, TSocketInfo k, const QString& m) { listenerLog.events << kindName(k) + ": " + m; };
    // The host side closes first, so its end of the connection lingers in TIME_WAIT.
    link.server->Close();
    QVERIFY(QTest::qWaitFor([&] { return link.clientLog.has("Close: Socket Closed"); }, kWaitMs));
    link.listener.setListen(false);
    QVERIFY(!link.listener.Listen());
    link.listener.setPortName(port);
    link.listener.setListen(true);
    QVERIFY(link.listener.Listen());
    link.listener.setListen(true);
    QCOMPARE(listenerLog.events,
        QStringList({ "Listen: Listening Stopped", "Lookup: Lookup Of Port " + port, "Listen: Listening Started",
            "Listen: Listening Already Running" }));
}

void TSockTest::unacceptedConnectionIsRefusedNotSpun()
{
    TSock listener;
    listener.setPortName("0");
    int offered = 0;
    listener.OnAccept = [&](TSock*) { ++offered; }; // declines to accept
    listener.setListen(true);
    TSock client;
    EventLog log;
    log.attach(&client);
    client.setHostName("127.0.0.1");
    client.setPortName(QString::number(listener.localPort()));
    client.Open();
    QVERIFY(QTest::qWaitFor([&] { return log.has("Close: Socket Closed"); }, kWaitMs));
    // Offered once, then taken off the backlog: a listener that kept the
    // connection waiting would be woken for it without end.
    QCOMPARE(offered, 1);
    QVERIFY(log.has("disconnect"));
}

void TSockTest::acceptOutOfDescriptorsPausesInsteadOfSpinning()
{
    TSock listener;
    listener.setPortName("0");
    int offered = 0;
    int accepted = 0;
    QList<TSock*> taken;
    listener.OnAccept = [&](TSock* l) {
        ++offered;
        TSock* s = nullptr;
        if (l->Accept(s)) {
            ++accepted;
            taken << s;
        }
    };
    listener.setListen(true);
    TSock client;
    client.setHostName("127.0.0.1");
    client.setPortName(QString::number(listener.localPort()));
    client.Open();
    sentinel::LoopPasses passes; // its descriptors are taken before the others run out

    // Use up every descriptor the process may have, so accept fails with EMFILE
    // (under a small limit, so a generous system limit costs nothing).
    rlimit saved {};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 256);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &small), 0);
    std::vector<int> hogs;
    for (int fd; (fd = ::dup(0)) >= 0;)
        hogs.push_back(fd);
    QCOMPARE(errno, EMFILE);
    // A listener still watching the waiting connection would be offered it on every pass.
    QVERIFY(QTest::qWaitFor([&] { return offered > 0; }, kWaitMs));
    QVERIFY(passes.run(10));
    QVERIFY2(offered <= 2, qPrintable(QString("offered %1 times").arg(offered)));
    QCOMPARE(accepted, 0);

    for (int fd : hogs)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    QVERIFY(QTest::qWaitFor([&] { return accepted == 1; }, kWaitMs));
    qDeleteAll(taken);
}

void TSockTest::closeOrDeleteInsideCallbacksIsSafe_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("what");
    for (const char* where : { "read", "disconnect", "info-receive", "info-close", "accept" }) {
        for (const char* what : { "close", "deleteLater", "delete" })
            QTest::newRow(QByteArray(what).append(" in ").append(where).constData()) << where << what;
    }
}

void TSockTest::closeOrDeleteInsideCallbacksIsSafe()
{
    QFETCH(QString, where);
    QFETCH(QString, what);
    QPointer<TSock> listener = new TSock;
    listener->setPortName("0");
    QPointer<TSock> server;
    int calls = 0;
    QStringList closeReports;
    const auto act = [&](TSock* s) {
        ++calls;
        if (what == "close")
            s->Close();
        else if (what == "deleteLater")
            s->deleteLater();
        else
            delete s;
    };
    listener->OnAccept = [&](TSock* l) {
        TSock* s = nullptr;
        l->Accept(s);
        server = s;
        if (where == "accept")
            act(l);
    };
    listener->OnRead = [&](TSock* s, int) {
        if (where == "read")
            act(s);
    };
    listener->OnDisconnect = [&](TSock* s) {
        if (where == "disconnect")
            act(s);
    };
    listener->OnInfo = [&](TSock* s, TSocketInfo kind, const QString& msg) {
        if (kind == TSocketInfo::Close)
            closeReports << msg;
        if (s == listener)
            return;
        if ((where == "info-receive" && kind == TSocketInfo::Receive)
            || (where == "info-close" && kind == TSocketInfo::Close && calls == 0))
            act(s);
    };
    listener->setListen(true);

    TSock client;
    EventLog log;
    log.attach(&client);
    client.setHostName("127.0.0.1");
    client.setPortName(QString::number(listener->localPort()));
    client.Open();
    QVERIFY(QTest::qWaitFor([&] { return log.has("connect"); }, kWaitMs));
    if (where == "accept") {
        // The accepted socket died with its listener (or lives on after a close).
        QVERIFY(QTest::qWaitFor([&] { return calls == 1; }, kWaitMs));
    } else {
        QVERIFY(QTest::qWaitFor([&] { return server; }, kWaitMs));
        if (where == "read" || where == "info-receive")
            client.Send("CMD_chat+1+bye\xFF"
                        "CMD_chat+1+again\xFF");
        else
            client.Close();
        QVERIFY(QTest::qWaitFor([&] { return calls > 0; }, kWaitMs));
    }
    // Deferred deletions and any late notifications have had their turn.
    QVERIFY(sentinel::settled());
    QCOMPARE(calls, 1);
    if (what == "close" && where == "disconnect")
        QCOMPARE(closeReports.count("Socket Closed"), 2);
    if (what != "close" && where != "accept")
        QVERIFY(!server);
    if (what == "close" && where != "accept") {
        QVERIFY(server);
        QVERIFY(!server->Connected());
        // A closed accepted socket must have let go of the connection.
        if (where != "disconnect" && where != "info-close")
            QVERIFY(QTest::qWaitFor([&] { return log.has("Close: Socket Closed"); }, kWaitMs));
    }
    if (where == "accept" && what != "close") {
        // The accepted socket went with its listener, and its connection with it.
        QVERIFY(!listener);
        QVERIFY(QTest::qWaitFor([&] { return log.has("Close: Socket Closed"); }, kWaitMs));
    }
    delete listener.data();
}

void TSockTest::throwingInfoHandlerBecomesErrorHere()
{
    Link link;
    QVERIFY(link.open());
    const TSock::InfoEvent faulty
        = [](TSock*, TSocketInfo, const QString&) { throw std::runtime_error("handler bug"); };
    // A throwing handler inside an event must not take the event loop down,
    // and the connection still ends cleanly.
    link.server->OnInfo = faulty;
    int serverReads = 0;
    link.server->OnRead = [&](TSock*, int) { ++serverReads; };
    link.client.Send("x");
    QVERIFY(QTest::qWaitFor([&] { return link.server->pendingInput() == 1; }, kWaitMs));
    QCOMPARE(serverReads, 0); // the event stopped where the handler threw

    link.client.OnInfo = faulty;
    QCOMPARE(throwText([&] { link.client.Send("y"); }), QString("Error here"));
    QCOMPARE(throwText([&] { link.client.setHostName("other"); }), QString("Error here"));
    // Close never raises, whatever the handler does.
    QVERIFY(link.client.Close());
    QVERIFY(QTest::qWaitFor([&] { return !link.server->Connected(); }, kWaitMs));
}

void TSockTest::nameSettersWhileConnected()
{
    Link link;
    QVERIFY(link.open());
    link.clientLog.events.clear();
    link.client.setHostName("localhost");
    link.client.setPortName("0");
    QCOMPARE(link.clientLog.events,
        QStringList({ "Lookup: Setting HostName While Connected Has No Effect",
            "Lookup: Setting PortName While Connected Has No Effect" }));
    // The names are kept for the next Open.
    QCOMPARE(link.client.HostName(), QString("localhost"));
    QCOMPARE(link.client.PortName(), QString("0"));
    TSock idle;
    EventLog idleLog;
    idleLog.attach(&idle);
    idle.setHostName("x");
    QVERIFY(idleLog.events.isEmpty());
}

void TSockTest::errorNames_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("first documented code") << 10004 << "WSAEINTR";
    QTest::newRow("gap before the block") << 10034 << "UNKNOWN ERROR";
    QTest::newRow("block start") << 10035 << "WSAEWOULDBLOCK";
    QTest::newRow("refused, the common one") << 10061 << "WSAECONNREFUSED";
    QTest::newRow("reset") << 10054 << "WSAECONNRESET";
    QTest::newRow("block end") << 10071 << "WSAEREMOTE";
    QTest::newRow("just past the block") << 10072 << "UNKNOWN ERROR";
    QTest::newRow("not initialised") << 10093 << "WSANOTINITIALISED";
    QTest::newRow("disconnected") << 10101 << "WSAEDISCON";
    QTest::newRow("host not found") << 11001 << "WSAHOST_NOT_FOUND";
    QTest::newRow("last documented code") << 11004 << "WSANO_DATA";
    QTest::newRow("past the last code") << 11005 << "UNKNOWN ERROR";
    QTest::newRow("zero") << 0 << "UNKNOWN ERROR";
}

void TSockTest::errorNames()
{
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(TSock::errorName(code), name);
}

void TSockTest::errnoMapping_data()
{
    QTest::addColumn<int>("posix");
    QTest::addColumn<QString>("report");
    QTest::newRow("refused") << ECONNREFUSED << "Error #10061 (WSAECONNREFUSED)";
    QTest::newRow("reset") << ECONNRESET << "Error #10054 (WSAECONNRESET)";
    QTest::newRow("broken pipe reads as a reset peer") << EPIPE << "Error #10054 (WSAECONNRESET)";
    QTest::newRow("timed out") << ETIMEDOUT << "Error #10060 (WSAETIMEDOUT)";
    QTest::newRow("host unreachable") << EHOSTUNREACH << "Error #10065 (WSAEHOSTUNREACH)";
    QTest::newRow("network unreachable") << ENETUNREACH << "Error #10051 (WSAENETUNREACH)";
    QTest::newRow("address in use") << EADDRINUSE << "Error #10048 (WSAEADDRINUSE)";
    QTest::newRow("would block") << EAGAIN << "Error #10035 (WSAEWOULDBLOCK)";
    QTest::newRow("too many files") << EMFILE << "Error #10024 (WSAEMFILE)";
    QTest::newRow("unmapped never passes for a known code")
        << ENODATA << "Error #" + QString::number(20000 + ENODATA) + " (UNKNOWN ERROR)";
}

void TSockTest::errnoMapping()
{
    QFETCH(int, posix);
    QFETCH(QString, report);
    QCOMPARE(TSock::errorReport(TSock::errorCode(posix)), report);
}

QTEST_GUILESS_MAIN(TSockTest)
#include "TSockTest.moc"
