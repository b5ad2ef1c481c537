#include "ComputerPlayer.h"

#include "net/Commands.h"
#include "net/Fields.h"
#include "net/TSock.h"
#include "rules/Seats.h"
#include "rules/Version.h"

#include <QDateTime>
#include <QTimer>

#include <cstdio>

namespace bots
{

namespace
{
qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

int numberAt(std::string_view rest, std::size_t index, int fallback)
{
    const auto field = net::fieldAt(rest, index);
    const auto value = field ? net::parseInt(*field) : std::nullopt;
    return value.value_or(fallback);
}

std::string textAt(std::string_view rest, std::size_t index)
{
    return std::string(net::fieldAt(rest, index).value_or(""));
}
} // namespace

ComputerPlayer::ComputerPlayer(Level level, const QString& name, std::uint64_t seed, QObject* parent)
    : QObject(parent)
    , m_level(level)
    , m_name(name)
    , m_rng(seed)
{
    m_sock = new TSock(this);
    m_sock->OnRead = [this](TSock*, int) { sockRead(); };
    m_sock->OnInfo = [this](TSock*, TSocketInfo info, const QString& msg) {
        if (info == TSocketInfo::Close || (info == TSocketInfo::Error && !m_loggedIn)) {
            if (info == TSocketInfo::Error)
                std::fprintf(stderr, "zirky: %s: %s\n", qPrintable(m_name), qPrintable(msg));
            leave();
        }
    };
    m_scriptTimer = new QTimer(this);
    m_scriptTimer->setSingleShot(true);
    m_scriptTimer->setTimerType(Qt::PreciseTimer);
    connect(m_scriptTimer, &QTimer::timeout, this, &ComputerPlayer::step);
}

ComputerPlayer::~ComputerPlayer()
{
    m_sock->OnRead = nullptr;
    m_sock->OnInfo = nullptr;
}

void ComputerPlayer::connectTo(const QString& address, quint16 port)
{
    m_sock->setHostName(address);
    m_sock->setPortName(QString::number(port));
    try {
        m_sock->Open();
    } catch (const ESockException& e) {
        std::fprintf(stderr, "zirky: %s cannot connect: %s\n", qPrintable(m_name), e.what());
        QTimer::singleShot(0, this, &ComputerPlayer::leave);
    }
}

void ComputerPlayer::leave()
{
    if (m_leaving)
        return;
    m_leaving = true;
    m_scriptTimer->stop();
    m_sock->OnRead = nullptr;
    m_sock->OnInfo = nullptr;
    m_sock->Close();
    // Never from inside a socket event: the owner may delete this player on it.
    QTimer::singleShot(0, this, [this] { emit left(); });
}

void ComputerPlayer::send(const std::string& framed)
{
    if (m_leaving || !m_sock->Connected())
        return;
    try {
        m_sock->Send(QByteArray(framed.data(), static_cast<qsizetype>(framed.size())));
    } catch (const ESockException& e) {
        std::fprintf(stderr, "zirky: %s: send: %s\n", qPrintable(m_name), e.what());
    }
}

void ComputerPlayer::sockRead()
{
    QByteArray bytes;
    try {
        bytes = m_sock->Receive();
    } catch (const ESockException&) {
        return;
    }
    std::vector<std::string> lines;
    const auto status
        = m_framer.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), lines);
    for (auto& line : lines)
        m_queue.push(0, std::move(line));
    if (status == net::Framer::Status::Overflow) {
        std::fprintf(stderr, "zirky: %s: the host sent more than 64 KiB without a message end\n", qPrintable(m_name));
        leave();
        return;
    }
    if (!m_dispatchScheduled && !m_queue.empty()) {
        m_dispatchScheduled = true;
        QTimer::singleShot(0, this, &ComputerPlayer::dispatchNext);
    }
}

void ComputerPlayer::dispatchNext()
{
    m_dispatchScheduled = false;
    if (m_leaving || m_queue.empty())
        return;
    const net::QueuedLine line = m_queue.take();
    handle(line.text);
    if (!m_queue.empty() && !m_leaving) {
        m_dispatchScheduled = true;
        QTimer::singleShot(0, this, &ComputerPlayer::dispatchNext);
    }
}

void ComputerPlayer::handle(std::string_view line)
{
    namespace cmd = net::cmd;
    const net::SplitLine split = net::splitCommand(line);
    const std::string_view c = split.command;
    const std::string_view rest = split.rest;
    if (c == cmd::sendlogininfo)
        sendlogininfo(rest);
    else if (c == cmd::newplayerinfo || c == cmd::existingplayers)
        playerJoined(rest);
    else if (c == cmd::playerdisconnected)
        playerLeft(rest);
    else if (c == cmd::full || c == cmd::wrongversion)
        leave();
    else if (c == cmd::startgame)
        startgame(rest);
    else if (c == cmd::stats)
        stats(rest);
    else if (c == cmd::nextplayer)
        nextplayer(rest);
    else if (c == cmd::thedice)
        thedice(rest);
    else if (c == cmd::accepted)
        answer(rest, true);
    else if (c == cmd::rejected)
        answer(rest, false);
    else if (c == cmd::scores)
        scores(rest);
    else if (c == cmd::turnend || c == cmd::winner)
        turnOver();
}

void ComputerPlayer::sendlogininfo(std::string_view rest)
{
    const int seat = numberAt(rest, 0, 0);
    if (!rules::isSeat(seat))
        return;
    if (!rules::isPlayerSeat(seat)) {
        // Only a watching seat is free: a computer has nothing to do there, and
        // a person may want the seat.
        std::fprintf(stderr, "zirky: %s: no playing seat free\n", qPrintable(m_name));
        leave();
        return;
    }
    m_seat = seat;
    send(net::msg::logininfo(seat, rules::kVersion, m_name.toStdString()));
}

void ComputerPlayer::playerJoined(std::string_view rest)
{
    const int seat = numberAt(rest, 0, 0);
    if (!rules::isSeat(seat))
        return;
    m_names[static_cast<std::size_t>(seat)] = std::string(net::fieldsAfter(rest, 1));
    if (seat == m_seat && !m_loggedIn) {
        m_loggedIn = true;
        emit joined(seat);
    }
}

void ComputerPlayer::playerLeft(std::string_view rest)
{
    const int seat = numberAt(rest, 0, 0);
    if (!rules::isSeat(seat))
        return;
    m_names[static_cast<std::size_t>(seat)].clear();
    for (int s = 1; s <= rules::kPlayerSeats; ++s) {
        const std::string& name = m_names[static_cast<std::size_t>(s)];
        if (s != m_seat && !name.empty() && !isComputerName(name))
            return;
    }
    // Nobody left to play with: computers do not keep a game going on their own.
    leave();
}

void ComputerPlayer::startgame(std::string_view rest)
{
    const auto options = net::parseGameOptions(rest);
    if (!options)
        return;
    useOptions(*options);
    m_zirked = false;
    turnOver();
}

void ComputerPlayer::stats(std::string_view rest)
{
    const auto options = net::parseGameOptions(rest);
    if (!options)
        return;
    m_whoseTurn = rules::shownTurnSeat(numberAt(rest, 0, 0));
    useOptions(*options);
    m_turnStartedMs = nowMs();
}

void ComputerPlayer::useOptions(const net::GameOptions& options)
{
    m_secondsPerTurn = options.timePerTurn;
    m_newTilesAllowed = options.newTiles;
    m_fastGame = options.fast;
}

void ComputerPlayer::nextplayer(std::string_view rest)
{
    turnOver();
    m_whoseTurn = rules::shownTurnSeat(numberAt(rest, 0, 0));
    m_bought = false;
    m_turnStartedMs = nowMs();
}

bool ComputerPlayer::myTurn() const { return m_seat != 0 && m_whoseTurn == m_seat; }

int ComputerPlayer::scaled(int ms) const { return static_cast<int>(ms / m_timeScale); }

void ComputerPlayer::thedice(std::string_view rest)
{
    if (numberAt(rest, 0, 0) != m_seat || !myTurn() || !rules::isPlayerSeat(m_seat))
        return;
    const std::string kind = textAt(rest, 1);
    const bool fresh = kind == net::kDiceThirteen || kind == net::kDiceTen;
    if (fresh)
        m_zirked = kind == net::kDiceThirteen;
    else if (kind != net::kDiceNew && kind != net::kDiceOld)
        return;
    std::string rack;
    for (std::size_t i = 2; i < 2 + solver::kMaxRack; ++i) {
        const std::string letter = textAt(rest, i);
        if (letter.empty())
            break;
        rack += letter[0];
    }
    m_scriptTimer->stop();
    m_pending.clear();
    TurnSituation situation;
    situation.rack = rack;
    situation.zirked = m_zirked;
    situation.fastGame = m_fastGame;
    situation.mayBuyTiles = fresh && m_newTilesAllowed && !m_bought;
    // The game's seconds, less what has gone by since the turn began (after buying tiles).
    const qint64 gone = static_cast<qint64>((nowMs() - m_turnStartedMs) * m_timeScale);
    situation.secondsLeft = m_secondsPerTurn - static_cast<int>(gone / 1000);
    runScript(planTurnScript(m_level, situation, m_rng));
}

void ComputerPlayer::runScript(const TurnScript& script)
{
    m_script = script;
    m_next = 0;
    m_scriptStartedMs = nowMs();
    step();
}

void ComputerPlayer::step()
{
    while (m_next < m_script.actions.size() && !m_leaving) {
        const Action& a = m_script.actions[m_next];
        const qint64 due = m_scriptStartedMs + scaled(a.atMs);
        const qint64 now = nowMs();
        if (due > now) {
            m_scriptTimer->start(static_cast<int>(due - now));
            return;
        }
        ++m_next;
        switch (a.kind) {
        case Action::Kind::Place:
            send(net::msg::setdice(m_seat, a.position, a.tile));
            break;
        case Action::Kind::Done:
            m_pending.push_back(a.word);
            send(net::msg::done(m_seat, a.tiles));
            break;
        case Action::Kind::BuyTiles:
            m_bought = true;
            send(net::msg::newtiles(m_seat));
            break;
        case Action::Kind::Finish:
            send(net::msg::finish(m_seat));
            break;
        }
    }
}

void ComputerPlayer::answer(std::string_view rest, bool accepted)
{
    // accepted: length; word. rejected: word; reason (which starts with "+").
    const std::string word = textAt(rest, accepted ? 1 : 0);
    if (!myTurn())
        return;
    const auto it = std::find(m_pending.begin(), m_pending.end(), word);
    if (it == m_pending.end())
        return;
    m_pending.erase(it);
    const std::string reason = accepted ? std::string() : "+" + std::string(net::fieldsAfter(rest, 1));
    emit verdict(QString::fromStdString(word), accepted, QString::fromStdString(reason));
}

void ComputerPlayer::scores(std::string_view rest)
{
    if (numberAt(rest, 0, 0) != m_seat)
        return;
    emit scored(numberAt(rest, 1, 0), numberAt(rest, 2, 0), numberAt(rest, 3, 0));
}

void ComputerPlayer::turnOver()
{
    m_scriptTimer->stop();
    m_script = {};
    m_next = 0;
    m_pending.clear();
}

} // namespace bots
