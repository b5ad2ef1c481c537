#include "ClientConnection.h"

#include "client/ConnectionText.h"
#include "net/TSock.h"
#include "net/Text.h"

#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace
{
// A peer that vanished without a word (a pulled cable, a dead machine) ends
// the link after 30 s, whether or not the host speaks heartbeats.
constexpr int kKeepIdleSeconds = 15;
constexpr int kKeepIntervalSeconds = 5;
constexpr int kKeepProbes = 3;
} // namespace

ClientConnection::ClientConnection(QObject* parent)
    : QObject(parent)
    , m_backoff(QRandomGenerator::global()->generate(), client::Backoff::Ms(kHoldSeconds) * 1000)
{
    m_clock.start();
    m_sock = new TSock(this);
    m_sock->setObjectName("sock");
    m_sock->OnRead = [this](TSock*, int) { onReadable(); };
    m_sock->OnInfo = [this](TSock*, TSocketInfo info, const QString& msg) { onSocketInfo(info, msg); };
    m_sock->setKeepAlive(kKeepIdleSeconds, kKeepIntervalSeconds, kKeepProbes);

    m_retryTimer = new QTimer(this);
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &ClientConnection::reconnectNow);
    m_heartbeatTimer = new QTimer(this);
    m_heartbeatTimer->setSingleShot(true);
    connect(m_heartbeatTimer, &QTimer::timeout, this, &ClientConnection::onHeartbeatDue);
}

ClientConnection::~ClientConnection()
{
    // The sockets report "Socket Closed" while they are destroyed: nobody may listen then.
    shutdown();
    if (m_lobby) {
        m_lobby->OnRead = nullptr;
        m_lobby->OnInfo = nullptr;
    }
}

QString ClientConnection::address() const { return m_sock->HostName(); }
quint16 ClientConnection::port() const { return static_cast<quint16>(m_sock->PortName().toUInt()); }

void ClientConnection::open(const QString& address, quint16 port)
{
    // A link opened anew is a new game: nothing of mending the last one goes on.
    m_retryTimer->stop();
    m_heartbeatTimer->stop();
    m_backoff.stop();
    m_heartbeat.stop();
    m_reconnect = false;
    m_leaving = false;
    // The same link object may open again after the player left a game on purpose.
    m_sock->OnRead = [this](TSock*, int) { onReadable(); };
    m_sock->OnInfo = [this](TSock*, TSocketInfo info, const QString& msg) { onSocketInfo(info, msg); };
    m_framer.reset();
    m_queue.discardSeat(0);
    m_hostClosed = m_seated = m_failed = m_endSignalled = m_ended = false;
    m_failure.clear();
    m_sock->setHostName(address);
    m_sock->setPortName(QString::number(port));
    try {
        m_sock->Open();
    } catch (const ESockException& e) {
        // An address that does not resolve is as unreachable as a host that refuses.
        log(std::string("connect: ") + e.what());
        m_failed = true;
        const QString why = QString::fromStdString(client::cannotConnectText(e.what(), address.toStdString(), port));
        QTimer::singleShot(0, this, [this, why] { fail(why); });
    }
}

void ClientConnection::fail(const QString& why)
{
    m_failure = why;
    emit cannotConnect(why);
}

void ClientConnection::holdLobbyLink(quint16 port)
{
    if (m_lobby)
        return;
    m_lobby = new TSock(this);
    m_lobby->setObjectName("Sock11");
    m_lobby->setHostName("127.0.0.1");
    m_lobby->setPortName(QString::number(port));
    try {
        m_lobby->Open();
    } catch (const ESockException& e) {
        log(std::string("lobby link: ") + e.what());
    }
}

void ClientConnection::send(const std::string& framed)
{
    if (!m_sock)
        return;
    try {
        m_sock->Send(QByteArray(framed.data(), static_cast<qsizetype>(framed.size())));
    } catch (const ESockException& e) {
        log(std::string("send: ") + e.what());
    }
}

void ClientConnection::leave(const std::vector<std::string>& goodbye)
{
    m_leaving = true;
    for (const std::string& m : goodbye)
        send(m);
    shutdown();
}

void ClientConnection::shutdown()
{
    m_retryTimer->stop();
    m_heartbeatTimer->stop();
    m_backoff.stop();
    m_heartbeat.stop();
    if (!m_sock)
        return;
    m_sock->OnRead = nullptr;
    m_sock->OnInfo = nullptr;
    m_sock->Close();
    m_queue.discardSeat(0);
    m_endSignalled = true;
}

bool ClientConnection::connected() const { return m_sock && m_sock->Connected(); }

void ClientConnection::onReadable()
{
    QByteArray bytes;
    try {
        bytes = m_sock->Receive();
    } catch (const ESockException& e) {
        log(std::string("receive: ") + e.what());
        return;
    }
    if (!bytes.isEmpty())
        m_heartbeat.heard(now());
    std::vector<std::string> lines;
    const auto status
        = m_framer.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), lines);
    for (auto& line : lines)
        m_queue.push(0, std::move(line));
    scheduleDispatch();
    applyBackPressure();
    if (m_endSignalled)
        return;
    if (status == net::Framer::Status::Overflow) {
        log("the host sent more than 64 KiB without a message end");
        m_hostClosed = true;
        m_sock->OnRead = nullptr;
        m_sock->Close();
        endWhenDrained();
    }
}

bool ClientConnection::readingPaused() const { return m_sock && m_sock->readPaused(); }

void ClientConnection::applyBackPressure()
{
    if (m_queue.size() < m_limits.messages && m_queue.cost(0) < m_limits.bytes)
        return;
    if (!m_floodingSince.isValid())
        m_floodingSince.start();
    else if (m_floodingSince.elapsed() > m_limits.floodMs) {
        dropFlood();
        return;
    }
    // What the host sends meanwhile waits in the system, and then in the host.
    m_sock->setReadPaused(true);
}

void ClientConnection::resumeWhenDrained()
{
    if (m_queue.empty())
        m_floodingSince.invalidate(); // it kept up: whatever filled it has stopped
    if (!m_sock->readPaused() || m_queue.size() > m_limits.messages / 2 || m_queue.cost(0) > m_limits.bytes / 2)
        return;
    m_sock->setReadPaused(false);
}

void ClientConnection::dropFlood()
{
    log("the host kept the receive queue full (" + std::to_string(m_queue.size()) + " messages, "
        + std::to_string(m_queue.cost(0)) + " bytes) for over " + std::to_string(m_limits.floodMs / 1000)
        + " s: connection closed");
    m_dropReason = QString::fromUtf8(client::kHostFlooded.data(), static_cast<qsizetype>(client::kHostFlooded.size()));
    // What it flooded us with is not worth handing on.
    m_queue.discardSeat(0);
    m_framer.reset();
    m_sock->OnRead = nullptr;
    m_sock->Close();
    m_hostClosed = true;
    endWhenDrained();
}

void ClientConnection::onSocketInfo(TSocketInfo info, const QString& msg)
{
    if (info == TSocketInfo::Close) {
        // What the host said before it hung up ("CMD_full" above all) is still read first.
        m_hostClosed = true;
        endWhenDrained();
        return;
    }
    if (info == TSocketInfo::Error && !m_seated && !m_failed) {
        m_failed = true;
        log("connect: " + msg.toStdString());
        fail(QString::fromStdString(client::cannotConnectText(msg.toStdString(), address().toStdString(), port())));
    }
}

void ClientConnection::endWhenDrained()
{
    if (!m_hostClosed || !m_queue.empty() || m_endSignalled)
        return;
    m_endSignalled = true;
    if (m_seated && m_reconnect && !m_leaving) {
        m_heartbeat.stop();
        m_heartbeatTimer->stop();
        if (!m_backoff.running()) {
            m_backoff.start(now());
            emit linkLost(std::exchange(m_hostSilent, false));
        }
        retryLater();
        return;
    }
    m_ended = true;
    // A failed connect was reported already; only a host we had is "lost".
    emit ended(m_seated);
}

void ClientConnection::retryLater()
{
    if (const auto wait = m_backoff.nextWait(now())) {
        m_retryTimer->start(static_cast<int>(*wait));
        return;
    }
    log("the seat was not taken back within the hold");
    emit gaveUp(static_cast<int>(m_backoff.holdMs() / 1000));
    m_ended = true;
    emit ended(true);
}

void ClientConnection::reconnectNow()
{
    if (!m_backoff.running() || m_leaving)
        return;
    m_framer.reset();
    m_hostClosed = false;
    m_endSignalled = false;
    m_ended = false;
    emit reconnecting(m_backoff.attempts());
    // A host that takes the connection but never says a word is no host.
    m_heartbeat.awaitGreeting(now());
    scheduleHeartbeat();
    try {
        m_sock->Open();
    } catch (const ESockException& e) {
        log(std::string("reconnect: ") + e.what());
        QTimer::singleShot(0, this, [this] {
            m_hostClosed = true;
            endWhenDrained();
        });
    }
}

void ClientConnection::linkRestored()
{
    m_backoff.stop();
    m_retryTimer->stop();
}

void ClientConnection::setHoldSeconds(int seconds)
{
    m_backoff = client::Backoff(QRandomGenerator::global()->generate(), client::Backoff::Ms(seconds) * 1000);
}

void ClientConnection::startHeartbeat()
{
    m_heartbeat.start(now());
    scheduleHeartbeat();
}

void ClientConnection::scheduleHeartbeat()
{
    if (const auto at = m_heartbeat.wakeAt())
        m_heartbeatTimer->start(static_cast<int>(std::max<qint64>(0, *at - now())));
    else
        m_heartbeatTimer->stop();
}

void ClientConnection::onHeartbeatDue()
{
    // Messages still waiting to be handed on mean this side is behind, not that the host is silent.
    if (!m_queue.empty())
        m_heartbeat.heard(now());
    const client::Heartbeat::Due due = m_heartbeat.poll(now());
    if (due.ping)
        send(*due.ping);
    if (due.silent) {
        log(m_backoff.running() ? "the host did not greet a new connection" : "the host stopped answering");
        // Mid-attempt it is one more failed attempt; otherwise the player is told.
        m_hostSilent = !m_backoff.running();
        m_sock->Close(); // reports "Socket Closed": the link ends as any other
        return;
    }
    scheduleHeartbeat();
}

void ClientConnection::scheduleDispatch()
{
    if (m_dispatchScheduled || m_queue.empty())
        return;
    m_dispatchScheduled = true;
    // One message per event-loop turn, never inside the socket event itself.
    QTimer::singleShot(0, this, &ClientConnection::handOnNext);
}

void ClientConnection::handOnNext()
{
    m_dispatchScheduled = false;
    if (m_queue.empty())
        return;
    const net::QueuedLine line = m_queue.take();
    if (m_echo) {
        std::fprintf(stderr, "host: %s\n", net::printable(line.text).c_str());
        std::fflush(stderr);
    }
    emit lineReceived(line.text);
    if (m_endSignalled)
        return;
    resumeWhenDrained();
    scheduleDispatch();
    endWhenDrained();
}

void ClientConnection::log(const std::string& line) const
{
    std::fprintf(stderr, "%s: %s\n", m_logName.c_str(), line.c_str());
}
