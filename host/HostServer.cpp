#include "host/HostServer.h"

#include "dict/TDictn.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <exception>
#include <random>

namespace
{

// The text a socket reports when its connection is gone; the host acts on no other.
const QString kSocketClosed = QStringLiteral("Socket Closed");

bool isSeat(int seat) { return seat >= 1 && seat <= host::kMaxSeat; }

std::uint64_t freshSeed()
{
    std::random_device device;
    return (std::uint64_t { device() } << 32) ^ device();
}

} // namespace

HostServer::HostServer(quint16 port, QObject* parent)
    : QObject(parent)
{
    m_dictionary = std::make_unique<dict::TDictn>();
    const dict::TDictn* words = m_dictionary.get();
    init(port, [words](std::string_view word) { return words->Lookup(word); });
}

HostServer::HostServer(quint16 port, host::Game::IsWord isWord, QObject* parent)
    : QObject(parent)
{
    init(port, std::move(isWord));
}

void HostServer::init(quint16 port, host::Game::IsWord isWord)
{
    m_game = std::make_unique<host::Game>(static_cast<host::Link&>(*this), std::move(isWord), freshSeed());

    listener = new TSock(this);
    listener->setPortName(QString::number(port));
    listener->OnAccept = [this](TSock* sender) { onAccept(sender); };

    // Zero interval: one message per event-loop turn, and only while there is work.
    m_dispatchTimer = new QTimer(this);
    m_dispatchTimer->setInterval(0);
    connect(m_dispatchTimer, &QTimer::timeout, this, &HostServer::dispatchQueued);

    m_turnTimer = new QTimer(this);
    m_turnTimer->setInterval(1000);
    m_turnTimer->setTimerType(Qt::PreciseTimer);
    connect(m_turnTimer, &QTimer::timeout, this, &HostServer::onTurnClockTick);

    for (int seat = 1; seat <= host::kMaxSeat; ++seat) {
        Seat& s = m_seats[static_cast<std::size_t>(seat)];
        s.loginTimer = new QTimer(this);
        s.loginTimer->setSingleShot(true);
        connect(s.loginTimer, &QTimer::timeout, this, [this, seat] { onLoginTimeout(seat); });
        s.resumeTimer = new QTimer(this);
        s.resumeTimer->setSingleShot(true);
        connect(s.resumeTimer, &QTimer::timeout, this, [this, seat] { resumeReading(seat); });
    }
    m_clock.start();
}

HostServer::~HostServer()
{
    // The rules must not hear about connections closing while the host goes away.
    for (TSock* sock : findChildren<TSock*>()) {
        sock->OnAccept = nullptr;
        sock->OnInfo = nullptr;
        sock->OnRead = nullptr;
        sock->OnDisconnect = nullptr;
        sock->OnWrite = nullptr;
    }
    delete listener;
    listener = nullptr;
}

quint16 HostServer::port() const { return listener ? listener->localPort() : 0; }

host::Game& HostServer::game() { return *m_game; }

QString HostServer::dictionaryError() const
{
    if (!m_dictionary || m_dictionary->opened())
        return {};
    return QString::fromStdString(m_dictionary->error());
}

int HostServer::openConnections() const
{
    return static_cast<int>(std::count_if(m_seats.begin(), m_seats.end(), [](const Seat& s) { return s.sock; }));
}

void HostServer::setManualTurnClock(bool manual)
{
    m_manualTurnClock = manual;
    setTurnTimer(m_turnClockWanted);
}

void HostServer::setLoginTimeout(int milliseconds) { m_loginTimeout = std::max(0, milliseconds); }
void HostServer::setSendCap(qsizetype bytes) { m_sendCap = bytes; }
void HostServer::setQueueCap(std::size_t bytes) { m_queueCap = bytes; }
void HostServer::setRateLimit(const RateLimit& limit) { m_rate = limit; }
void HostServer::setComplaintLimit(int lines) { m_complaintLines = std::max(1, lines); }

void HostServer::setLoginQueueLimit(int perAddress, bool exemptLoopback)
{
    m_loginQueuePerAddress = std::max(0, perAddress);
    m_loginQueueExemptsLoopback = exemptLoopback;
}

void HostServer::setKeepAlive(int idleSeconds, int intervalSeconds, int probes)
{
    m_keepIdle = std::max(1, idleSeconds);
    m_keepInterval = std::max(1, intervalSeconds);
    m_keepProbes = std::max(1, probes);
}

TSock* HostServer::seatSocket(int seat) const
{
    return isSeat(seat) ? m_seats[static_cast<std::size_t>(seat)].sock : nullptr;
}

void HostServer::say(const QString& line)
{
    // Log lines carry names and texts from the network; the operator reads
    // them on a terminal, where control characters would be obeyed.
    QString shown = line;
    for (QChar& c : shown)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
            c = QLatin1Char('?');
    emit logLine(shown);
}

// ---- connections -----------------------------------------------------------

void HostServer::onAccept(TSock* sender)
{
    TSock* sock = nullptr;
    try {
        if (!sender->Accept(sock) || !sock)
            return;
    } catch (const std::exception& e) {
        say(QStringLiteral("accept failed: %1").arg(QString::fromUtf8(e.what())));
        return;
    }
    // The same handlers serve a socket for its whole life; they look at whether
    // it still holds a seat (callbacks are never swapped inside a callback).
    sock->Tag = 0;
    sock->OnRead = [this](TSock* from, int count) { onRead(from, count); };
    sock->OnDisconnect = [this](TSock* from) { onDisconnect(from); };
    sock->OnInfo = [this](TSock* from, TSocketInfo info, const QString& msg) { onSocketInfo(from, info, msg); };
    sock->OnWrite = [this](TSock* from) { onWritable(from); };
    const QString peer = sock->HostName();
    if (loginQueueFull(peer)) {
        // Squatters would otherwise hold every seat for the login time-out.
        if (m_refusals.admit(nowMs())) {
            if (const std::size_t more = m_refusals.takeHeldBack())
                say(QStringLiteral("%1 more connections refused for the same reason").arg(more));
            say(QStringLiteral("connection from %1 refused: %2 connections from it have not logged in")
                    .arg(peer)
                    .arg(m_loginQueuePerAddress));
        }
        retire(sock, false);
        return;
    }
    sock->setKeepAlive(m_keepIdle, m_keepInterval, m_keepProbes);

    m_accepting = sock;
    m_acceptSends.clear();
    m_acceptDrops.clear();
    int seat = 0;
    try {
        seat = m_game->accepted();
    } catch (const std::exception& e) {
        say(QStringLiteral("accept: rules failed: %1").arg(QString::fromUtf8(e.what())));
        seat = 0;
    }
    m_accepting = nullptr;
    auto sends = std::move(m_acceptSends);
    auto drops = std::move(m_acceptDrops);
    m_acceptSends.clear();
    m_acceptDrops.clear();

    if (!isSeat(seat) || seatSocket(seat)) {
        // Refused (the rules already wrote "CMD_full+" and dropped it) or no usable seat.
        if (seat != host::kRefusedSeat) // a refusal for a full house the rules log themselves
            say(QStringLiteral("connection from %1 refused: no seat").arg(peer));
        try {
            for (const auto& [to, bytes] : sends)
                if (to == seat)
                    sock->Send(QByteArray::fromStdString(bytes));
        } catch (const std::exception&) {
            // It is being refused anyway.
        }
        retire(sock, true);
        return;
    }

    Seat& s = m_seats[static_cast<std::size_t>(seat)];
    resetSeat(s);
    s.sock = sock;
    s.peer = peer;
    sock->Tag = seat;

    for (const auto& [to, bytes] : sends)
        if (to == seat)
            send(seat, bytes);
    if (std::find(drops.begin(), drops.end(), seat) != drops.end()) {
        drop(seat);
        return;
    }
    if (seatSocket(seat) && m_loginTimeout >= 0)
        s.loginTimer->start(m_loginTimeout);
}

void HostServer::onRead(TSock* sender, int /*count*/)
{
    const int seat = sender->Tag;
    QByteArray bytes;
    try {
        bytes = sender->Receive();
    } catch (const std::exception&) {
        return; // nothing buffered and already closed
    }
    if (seatSocket(seat) != sender || m_retired.contains(sender))
        return; // a connection on its way out: what it still says is not heard

    Seat& s = m_seats[static_cast<std::size_t>(seat)];
    std::vector<std::string> lines;
    if (s.framer.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), lines)
        == net::Framer::Status::Overflow) {
        dropSeat(seat, QStringLiteral("sent %1 bytes without a message end").arg(net::kMaxPendingBytes), false);
        return;
    }
    // Lone terminators are never queued, but a peer that sends floods of them
    // spends the host's time all the same.
    const std::size_t empties = s.framer.takeEmpties();
    if (lines.empty() && empties == 0)
        return;
    const std::size_t messages = lines.size();
    for (std::string& line : lines)
        m_queue.push(seat, std::move(line));
    if (m_queue.cost(seat) > m_queueCap) {
        dropSeat(seat,
            QStringLiteral("flooding: %1 messages (%2 bytes of memory) waiting to be handled")
                .arg(m_queue.queued(seat))
                .arg(m_queue.cost(seat)),
            false);
        return;
    }
    if (!chargeMessages(seat, messages + empties))
        return;
    if (messages > 0)
        scheduleDispatch();
}

bool HostServer::chargeMessages(int seat, std::size_t messages)
{
    if (m_rate.perSecond <= 0)
        return true;
    Seat& s = m_seats[static_cast<std::size_t>(seat)];
    const qint64 now = nowMs();
    s.tokens = std::min(m_rate.burst, s.tokens + static_cast<double>(now - s.refilledAt) * m_rate.perSecond / 1000.0);
    s.refilledAt = now;
    s.tokens -= static_cast<double>(messages);
    if (s.tokens >= 0) {
        s.slowSince = -1;
        return true;
    }
    if (-s.tokens > m_rate.dropAhead) {
        dropSeat(
            seat, QStringLiteral("flooding: %1 messages past its budget").arg(static_cast<qint64>(-s.tokens)), false);
        return false;
    }
    if (s.slowSince < 0) {
        s.slowSince = now;
        badInput(seat,
            QStringLiteral("seat %1 sends faster than %2 messages a second: slowed down")
                .arg(seat)
                .arg(m_rate.perSecond)
                .toStdString());
    } else if (now - s.slowSince > m_rate.dropAfterMs) {
        dropSeat(seat, QStringLiteral("flooding: over its budget for %1 s").arg((now - s.slowSince) / 1000), false);
        return false;
    }
    // What it sends meanwhile waits in the system, and then in the peer.
    s.sock->setReadPaused(true);
    s.resumeTimer->start(static_cast<int>(std::ceil(-s.tokens * 1000.0 / m_rate.perSecond)));
    return true;
}

void HostServer::resumeReading(int seat)
{
    if (TSock* sock = seatSocket(seat))
        sock->setReadPaused(false);
}

bool HostServer::loginQueueFull(const QString& peer) const
{
    if (m_loginQueuePerAddress <= 0 || (m_loginQueueExemptsLoopback && peer.startsWith(QLatin1String("127."))))
        return false;
    int waiting = 0;
    for (int seat = 1; seat <= host::kMaxSeat; ++seat) {
        const Seat& s = m_seats[static_cast<std::size_t>(seat)];
        if (s.sock && s.peer == peer && !m_game->player(seat).loggedIn)
            ++waiting;
    }
    return waiting >= m_loginQueuePerAddress;
}

void HostServer::onDisconnect(TSock* sender)
{
    // The peer hung up: close our end, which reports "Socket Closed".
    if (seatSocket(sender->Tag) == sender)
        sender->Close();
}

void HostServer::onSocketInfo(TSock* sender, TSocketInfo info, const QString& msg)
{
    const int seat = sender->Tag;
    if (m_retired.contains(sender)) {
        if (msg == kSocketClosed) {
            m_retired.remove(sender);
            sender->deleteLater();
        }
        return;
    }
    if (seatSocket(seat) != sender)
        return;
    if (msg == kSocketClosed) {
        releaseSeat(seat); // the rules log the departure
        sender->deleteLater();
    } else if (info == TSocketInfo::Error) {
        say(QStringLiteral("seat %1: %2").arg(seat).arg(msg));
    }
}

void HostServer::releaseSeat(int seat)
{
    Seat& s = m_seats[static_cast<std::size_t>(seat)];
    if (!s.sock)
        return;
    if (const std::size_t held = s.complaints.takeHeldBack())
        say(QStringLiteral("seat %1: %2 more lines about its bad messages were not logged").arg(seat).arg(held));
    resetSeat(s);
    m_queue.discardSeat(seat);
    m_closedSeats.push_back(seat);
    scheduleDispatch();
}

void HostServer::resetSeat(Seat& s)
{
    s.sock = nullptr;
    s.framer.reset();
    s.loginTimer->stop();
    s.resumeTimer->stop();
    s.tokens = m_rate.burst;
    s.refilledAt = nowMs();
    s.slowSince = -1;
    s.complaints = host::LogLimit(m_complaintLines);
}

void HostServer::onWritable(TSock* sender)
{
    if (m_retired.contains(sender) && sender->pendingOutput() == 0)
        sender->Close();
}

void HostServer::retire(TSock* sock, bool flush)
{
    sock->Tag = 0;
    m_retired.insert(sock);
    if (flush && sock->Connected() && sock->pendingOutput() > 0) {
        // A peer that never reads does not keep the socket forever.
        QTimer::singleShot(m_lingerMs, sock, [sock] { sock->Close(); });
        return;
    }
    sock->Close(); // reports "Socket Closed", which deletes it
    if (m_retired.remove(sock))
        sock->deleteLater();
}

void HostServer::dropSeat(int seat, const QString& why, bool flush)
{
    TSock* sock = seatSocket(seat);
    if (!sock)
        return;
    say(QStringLiteral("seat %1 (%2): dropped: %3").arg(seat).arg(m_seats[static_cast<std::size_t>(seat)].peer, why));
    releaseSeat(seat);
    retire(sock, flush);
}

void HostServer::onLoginTimeout(int seat)
{
    if (!seatSocket(seat))
        return;
    try {
        m_game->loginDeadline(seat);
    } catch (const std::exception& e) {
        say(QStringLiteral("login deadline: rules failed: %1").arg(QString::fromUtf8(e.what())));
    }
}

// ---- dispatch and clock ----------------------------------------------------

void HostServer::scheduleDispatch()
{
    if (!m_dispatchTimer->isActive())
        m_dispatchTimer->start();
}

void HostServer::dispatchQueued()
{
    // Closes first: a seat must be free in the rules before a newcomer can take it,
    // and the rules hear about it outside any handler of theirs.
    while (!m_closedSeats.empty()) {
        const int seat = m_closedSeats.front();
        m_closedSeats.erase(m_closedSeats.begin());
        try {
            m_game->closed(seat);
        } catch (const std::exception& e) {
            say(QStringLiteral("seat %1: close: rules failed: %2").arg(seat).arg(QString::fromUtf8(e.what())));
        }
    }
    if (!m_queue.empty()) {
        const net::QueuedLine line = m_queue.take();
        try {
            m_game->receive(line.seat, line.text);
        } catch (const std::exception& e) {
            // A handler that fails stops there; the queue goes on with the next message.
            badInput(line.seat,
                QStringLiteral("seat %1: message not handled: %2")
                    .arg(line.seat)
                    .arg(QString::fromUtf8(e.what()))
                    .toStdString());
        }
    }
    if (m_queue.empty() && m_closedSeats.empty())
        m_dispatchTimer->stop();
}

void HostServer::onTurnClockTick()
{
    try {
        m_game->tick();
    } catch (const std::exception& e) {
        say(QStringLiteral("turn clock: rules failed: %1").arg(QString::fromUtf8(e.what())));
    }
}

// ---- host::Link ------------------------------------------------------------

void HostServer::send(int seat, const std::string& bytes)
{
    TSock* sock = seatSocket(seat);
    if (!sock) {
        if (m_accepting)
            m_acceptSends.emplace_back(seat, bytes);
        return; // closed and not yet reported: nobody is listening
    }
    try {
        sock->Send(QByteArray::fromStdString(bytes));
    } catch (const std::exception& e) {
        dropSeat(seat, QStringLiteral("send failed: %1").arg(QString::fromUtf8(e.what())), false);
        return;
    }
    if (sock->pendingOutput() > m_sendCap)
        dropSeat(seat, QStringLiteral("not reading: %1 bytes wait unsent").arg(sock->pendingOutput()), false);
}

void HostServer::drop(int seat)
{
    if (seatSocket(seat)) {
        // What the rules said last (a reason, "CMD_full+") still goes out.
        dropSeat(seat, QStringLiteral("closed by the host"), true);
        return;
    }
    if (m_accepting)
        m_acceptDrops.push_back(seat);
}

void HostServer::setTurnTimer(bool running)
{
    m_turnClockWanted = running;
    if (running && !m_manualTurnClock)
        m_turnTimer->start();
    else
        m_turnTimer->stop();
}

void HostServer::badInput(int seat, const std::string& line)
{
    if (!seatSocket(seat)) {
        say(QString::fromStdString(line));
        return;
    }
    host::LogLimit& limit = m_seats[static_cast<std::size_t>(seat)].complaints;
    if (!limit.admit(nowMs()))
        return;
    if (const std::size_t held = limit.takeHeldBack())
        say(QStringLiteral("seat %1: %2 more lines about its bad messages were not logged").arg(seat).arg(held));
    say(QString::fromStdString(line));
}

void HostServer::log(const std::string& line)
{
    // The rules name the seat; only the shell knows where the connection came from.
    if (m_accepting)
        say(QString::fromStdString(line) + QStringLiteral(" from ") + m_accepting->HostName());
    else
        say(QString::fromStdString(line));
}
