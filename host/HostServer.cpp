#include "host/HostServer.h"

#include "dict/TDictn.h"
#include "dict/WordList.h"
#include "net/Text.h"

#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <exception>
#include <random>
#include <sys/random.h>
#include <utility>

namespace
{

// The text a socket reports when its connection is gone; the host acts on no other.
const QString kSocketClosed = QStringLiteral("Socket Closed");

// Seat 10 holds a connection only while it may take a held seat back.
bool isSeat(int seat) { return seat >= 1 && seat <= host::kRefusedSeat; }

bool isLoopback(const QString& peer) { return peer.startsWith(QLatin1String("127.")) || peer == QLatin1String("::1"); }

std::uint64_t freshSeed()
{
    std::random_device device;
    return (std::uint64_t { device() } << 32) ^ device();
}

// Seat tokens from the system's cryptographic generator: whoever sees many
// tokens learns nothing about the next one.
std::array<std::uint8_t, 16> tokenBytes()
{
    std::array<std::uint8_t, 16> bytes {};
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EINTR)
            break;
    }
    if (got < bytes.size()) {
        // Without getrandom (an old kernel), the library's device reads the same source.
        std::random_device device;
        for (std::uint8_t& b : bytes)
            b = static_cast<std::uint8_t>(device());
    }
    return bytes;
}

} // namespace

HostServer::HostServer(quint16 port, QObject* parent)
    : QObject(parent)
{
    m_dictionary = std::make_unique<dict::TDictn>();
    const dict::TDictn* words = m_dictionary.get();
    init(port, [words](std::string_view word) { return words->Lookup(word); });
}

HostServer::HostServer(quint16 port, const QString& wordFile, QObject* parent)
    : QObject(parent)
{
    m_dictionary = wordFile.isEmpty()
        ? std::make_unique<dict::TDictn>()
        : std::make_unique<dict::TDictn>(dict::TDictn::NamedFile { wordFile.toStdString() });
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
    m_game = std::make_unique<host::Game>(static_cast<host::Link&>(*this), std::move(isWord), freshSeed(), tokenBytes);
    if (m_dictionary && m_dictionary->opened() && m_dictionary->custom()) {
        host::Options options = m_game->options();
        options.loginNotice
            = "This game uses a custom word list of " + std::to_string(m_dictionary->wordCount()) + " words";
        m_game->setOptions(options);
    }

    listener = new TSock(this);
    listener->setPortName(QString::number(port));
    listener->OnAccept = [this](TSock* sender) { onAccept(sender); };
    listener->OnInfo = [this](TSock*, TSocketInfo info, const QString& msg) {
        if (info == TSocketInfo::Listen && msg == QLatin1String("Listening On IPv4 Only"))
            say(QStringLiteral("IPv6 is not available on this system: listening on IPv4 only"));
    };

    // Zero interval: one message per event-loop turn, and only while there is work.
    m_dispatchTimer = new QTimer(this);
    m_dispatchTimer->setInterval(0);
    connect(m_dispatchTimer, &QTimer::timeout, this, &HostServer::dispatchQueued);

    m_turnTimer = new QTimer(this);
    m_turnTimer->setInterval(1000);
    m_turnTimer->setTimerType(Qt::PreciseTimer);
    connect(m_turnTimer, &QTimer::timeout, this, &HostServer::onTurnClockTick);

    m_holdTimer = new QTimer(this);
    m_holdTimer->setInterval(1000);
    connect(m_holdTimer, &QTimer::timeout, this, &HostServer::onHoldClockTick);

    for (int seat = 1; seat <= host::kRefusedSeat; ++seat) {
        Seat& s = m_seats[static_cast<std::size_t>(seat)];
        s.loginTimer = new QTimer(this);
        s.loginTimer->setSingleShot(true);
        connect(s.loginTimer, &QTimer::timeout, this, [this, seat] { onLoginTimeout(seat); });
        s.resumeTimer = new QTimer(this);
        s.resumeTimer->setSingleShot(true);
        connect(s.resumeTimer, &QTimer::timeout, this, [this, seat] { resumeReading(seat); });
        s.silenceTimer = new QTimer(this);
        s.silenceTimer->setSingleShot(true);
        connect(s.silenceTimer, &QTimer::timeout, this, [this, seat] { onSilenceTimeout(seat); });
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

void HostServer::setCleanWords(bool clean)
{
    m_game->refuseWords(clean ? host::Game::IsWord(dict::isOffensive) : nullptr);
}

QString HostServer::wordListNote() const
{
    if (!m_dictionary || !m_dictionary->opened() || !m_dictionary->custom())
        return {};
    return QStringLiteral("the word list %1 is not the built-in one: %2 words; every player is told so at login")
        .arg(QString::fromStdString(m_dictionary->path()))
        .arg(m_dictionary->wordCount());
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

void HostServer::setHeartbeatSilence(int milliseconds) { m_heartbeatSilenceMs = std::max(1, milliseconds); }

HostServer::Announcement HostServer::announcement() const
{
    Announcement a;
    for (int seat = 1; seat <= host::kPlayingSeats; ++seat)
        a.seatedPlayers += m_game->player(seat).loggedIn ? 1 : 0;
    a.gameRunning = m_game->turn().gameRunning;
    return a;
}

void HostServer::noteChanges()
{
    const Announcement now = announcement();
    if (now == m_announced)
        return;
    m_announced = now;
    emit announcementChanged(now);
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
    emit logLine(QString::fromStdString(net::printable(line.toStdString())));
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

    const bool refused = seat == host::kRefusedSeat && std::find(drops.begin(), drops.end(), seat) != drops.end();
    if (!isSeat(seat) || seatSocket(seat) || refused) {
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
    if (s.heartbeats)
        s.silenceTimer->start(m_heartbeatSilenceMs);
    std::vector<std::string> lines;
    if (s.framer.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), lines)
        == net::Framer::Status::Overflow) {
        dropSeat(seat, QStringLiteral("sent %1 bytes without a message end").arg(net::kMaxPendingBytes), false,
            Ending::Removed);
        return;
    }
    // Lone terminators are never queued, but a peer that sends floods of them
    // spends the host's time all the same.
    const std::size_t empties = s.framer.takeEmpties();
    if (lines.empty() && empties == 0)
        return;
    const std::size_t messages = lines.size();
    for (std::string& line : lines) {
        if (net::splitCommand(line).command == net::cmd::leave)
            s.saidGoodbye = true;
        m_queue.push(seat, std::move(line));
    }
    if (m_queue.cost(seat) > m_queueCap) {
        dropSeat(seat,
            QStringLiteral("flooding: %1 messages (%2 bytes of memory) waiting to be handled")
                .arg(m_queue.queued(seat))
                .arg(m_queue.cost(seat)),
            false, Ending::Removed);
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
        dropSeat(seat, QStringLiteral("flooding: %1 messages past its budget").arg(static_cast<qint64>(-s.tokens)),
            false, Ending::Removed);
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
        dropSeat(seat, QStringLiteral("flooding: over its budget for %1 s").arg((now - s.slowSince) / 1000), false,
            Ending::Removed);
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
    if (m_loginQueuePerAddress <= 0 || (m_loginQueueExemptsLoopback && isLoopback(peer)))
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

void HostServer::releaseSeat(int seat, Ending ending)
{
    Seat& s = m_seats[static_cast<std::size_t>(seat)];
    if (!s.sock)
        return;
    m_removedSeats[static_cast<std::size_t>(seat)] = ending == Ending::Removed || s.saidGoodbye;
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
    s.silenceTimer->stop();
    s.heartbeats = false;
    s.saidGoodbye = false;
    s.tokens = m_rate.burst;
    s.refilledAt = nowMs();
    s.slowSince = -1;
    s.complaints = net::LogLimit(m_complaintLines);
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

void HostServer::dropSeat(int seat, const QString& why, bool flush, Ending ending)
{
    TSock* sock = seatSocket(seat);
    if (!sock)
        return;
    say(QStringLiteral("seat %1 (%2): dropped: %3").arg(seat).arg(m_seats[static_cast<std::size_t>(seat)].peer, why));
    releaseSeat(seat, ending);
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

void HostServer::onSilenceTimeout(int seat)
{
    TSock* sock = seatSocket(seat);
    if (!sock)
        return;
    // Paused by its budget, its bytes wait unread: that is no silence.
    if (sock->readPaused()) {
        m_seats[static_cast<std::size_t>(seat)].silenceTimer->start(m_heartbeatSilenceMs);
        return;
    }
    dropSeat(seat, QStringLiteral("silent for %1 s after sending heartbeats").arg(m_heartbeatSilenceMs / 1000), false);
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
        const bool removed = std::exchange(m_removedSeats[static_cast<std::size_t>(seat)], false);
        try {
            if (removed)
                m_game->removed(seat);
            else
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
    noteChanges();
}

void HostServer::onTurnClockTick() { runClock(&host::Game::tick, "turn"); }

void HostServer::onHoldClockTick() { runClock(&host::Game::holdTick, "hold"); }

void HostServer::runClock(void (host::Game::*tick)(), const char* name)
{
    try {
        ((*m_game).*tick)();
    } catch (const std::exception& e) {
        say(QStringLiteral("%1 clock: rules failed: %2").arg(QLatin1String(name), QString::fromUtf8(e.what())));
    }
    noteChanges();
}

// ---- host::Link ------------------------------------------------------------

void HostServer::send(int seat, const std::string& bytes)
{
    // While a connection is being seated, seat 10 is that connection, not
    // the one that may be waiting at the door to rejoin.
    TSock* sock = m_accepting && seat == host::kRefusedSeat ? nullptr : seatSocket(seat);
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
    if (!(m_accepting && seat == host::kRefusedSeat) && seatSocket(seat)) {
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

void HostServer::setHoldTimer(bool running)
{
    if (!running)
        m_holdTimer->stop();
    else if (!m_holdTimer->isActive())
        m_holdTimer->start();
}

void HostServer::heartbeat(int seat)
{
    if (!seatSocket(seat))
        return;
    Seat& s = m_seats[static_cast<std::size_t>(seat)];
    s.heartbeats = true;
    s.silenceTimer->start(m_heartbeatSilenceMs);
}

void HostServer::moveConnection(int from, int to)
{
    TSock* sock = seatSocket(from);
    if (!sock || !isSeat(to) || from == to)
        return;
    Seat& src = m_seats[static_cast<std::size_t>(from)];
    Seat& dst = m_seats[static_cast<std::size_t>(to)];
    // The player's old connection, if the host still has it, gives way without
    // a word: what it still had queued, or a close not yet reported, is void.
    m_queue.discardSeat(to);
    m_closedSeats.erase(std::remove(m_closedSeats.begin(), m_closedSeats.end(), to), m_closedSeats.end());
    m_removedSeats[static_cast<std::size_t>(to)] = false;
    if (TSock* old = dst.sock) {
        say(QStringLiteral("seat %1 (%2): its old connection gives way to the new one").arg(to).arg(dst.peer));
        resetSeat(dst);
        retire(old, false);
    }
    const bool resumePending = src.resumeTimer->isActive();
    const int resumeIn = src.resumeTimer->remainingTime();
    dst.sock = sock;
    dst.framer = std::move(src.framer);
    dst.peer = src.peer;
    dst.tokens = src.tokens;
    dst.refilledAt = src.refilledAt;
    dst.slowSince = src.slowSince;
    dst.complaints = src.complaints;
    dst.heartbeats = src.heartbeats;
    dst.saidGoodbye = src.saidGoodbye;
    sock->Tag = to;
    resetSeat(src);
    if (resumePending)
        dst.resumeTimer->start(std::max(0, resumeIn));
    if (dst.heartbeats)
        dst.silenceTimer->start(m_heartbeatSilenceMs);
    m_queue.moveSeat(from, to);
}

void HostServer::badInput(int seat, const std::string& line)
{
    if (!seatSocket(seat)) {
        say(QString::fromStdString(line));
        return;
    }
    net::LogLimit& limit = m_seats[static_cast<std::size_t>(seat)].complaints;
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
