#include "Game.h"

#include <net/Fields.h>
#include <net/Text.h>
#include <rules/Version.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <set>

namespace host
{

namespace
{
std::string seatText(int seat) { return "seat " + std::to_string(seat); }

// Cut to at most `limit` bytes without splitting a UTF-8 character.
std::string cutUtf8(std::string text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

// Received text as UTF-8, cut to at most `limit` bytes without splitting a
// character. Control characters other than tab become '?': names and texts go
// out to every client, whose chat view and log must not obey ESC, BEL or NUL.
std::string utf8Field(std::string_view bytes, std::size_t limit)
{
    std::string text = net::toUtf8(bytes);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            c = '?';
    return cutUtf8(std::move(text), limit);
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y) || (x >= 0x80) != (y >= 0x80))
            return false;
    }
    return true;
}

// Every byte is looked at whatever the first difference: how long a wrong
// guess takes tells nothing about the token.
bool sameToken(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

std::array<std::uint8_t, 16> systemRandomBytes()
{
    std::random_device device;
    std::array<std::uint8_t, 16> bytes {};
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        const auto word = device();
        for (std::size_t k = 0; k < 4; ++k)
            bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
    return bytes;
}

// Chat and actions end in "|" and the sender's colour: an over-long text is
// cut before the colour, so the line keeps the colour it was sent in.
std::string chatField(std::string_view bytes, std::size_t limit)
{
    constexpr std::size_t kMaxColourText = 16;
    const auto bar = bytes.rfind('|');
    if (bar == std::string_view::npos || bytes.size() - bar - 1 > kMaxColourText || bytes.size() <= limit)
        return utf8Field(bytes, limit);
    const std::string colour = utf8Field(bytes.substr(bar + 1), kMaxColourText);
    return utf8Field(bytes.substr(0, bar), limit - colour.size() - 1) + "|" + colour;
}

} // namespace

Game::Game(Link& link, IsWord isWord, std::uint64_t seed, RandomBytes randomBytes)
    : m_link(link)
    , m_isWord(std::move(isWord))
    , m_rng(seed)
    , m_randomBytes(randomBytes ? std::move(randomBytes) : RandomBytes(systemRandomBytes))
    , m_table(link)
{
    namespace cmd = net::cmd;
    auto bind = [this](void (Game::*handler)(std::string_view, int)) {
        return [this, handler](std::string_view rest, int seat) { (this->*handler)(rest, seat); };
    };
    m_dispatcher.add(cmd::logininfo, bind(&Game::receivedlogininfo));
    m_dispatcher.add(cmd::chat, bind(&Game::chat));
    m_dispatcher.add(cmd::action, bind(&Game::action));
    m_dispatcher.add(cmd::kickhim, bind(&Game::kickhim));
    m_dispatcher.add(cmd::startgame, bind(&Game::startgame));
    m_dispatcher.add(cmd::justwatch, bind(&Game::justwatch));
    m_dispatcher.add(cmd::setdice, bind(&Game::setdice));
    m_dispatcher.add(cmd::done, bind(&Game::done));
    m_dispatcher.add(cmd::clearthem, bind(&Game::clearthem));
    m_dispatcher.add(cmd::newtiles, bind(&Game::newtiles));
    m_dispatcher.add(cmd::oldtiles, bind(&Game::oldtiles));
    m_dispatcher.add(cmd::setmakewait, bind(&Game::setmakewait));
    m_dispatcher.add(cmd::finish, bind(&Game::finish));
    m_dispatcher.add(cmd::playasound, bind(&Game::playasound));
    m_dispatcher.add(cmd::rejoin, bind(&Game::rejoin));
    m_dispatcher.add(cmd::ping, bind(&Game::ping));
    m_dispatcher.add(cmd::leave, bind(&Game::goodbye));
    setOptions({});
}

void Game::setOptions(Options options)
{
    options.holdSeconds = std::clamp(options.holdSeconds, 0, kMaxHoldSeconds);
    m_options = std::move(options);
    for (RelayBudget& b : m_relayBudgets)
        b = RelayBudget(m_options.relayLimits);
}

// ---- field checks

std::optional<int> Game::numberField(std::string_view rest, std::size_t index, std::string_view command, int seat)
{
    const auto field = net::fieldAt(rest, index);
    const auto value = field ? net::parseInt(*field) : std::nullopt;
    if (!value)
        complain(seat, std::string(command) + ": field " + std::to_string(index + 1) + " is not a number, ignored");
    return value;
}

std::optional<int> Game::senderSeat(std::string_view rest, int seat, std::string_view command)
{
    const auto claimed = numberField(rest, 0, command, seat);
    if (!claimed || *claimed != seat)
        return std::nullopt;
    return claimed;
}

bool Game::mayPlay(int seat) const
{
    if (!m_turn.gameRunning || m_turn.turnPhase != 1 || !isPlayingSeat(seat))
        return false;
    return m_settings.fastGame || seat == m_turn.currentSeat;
}

net::GameOptions Game::gameOptions() const
{
    net::GameOptions o;
    o.team = m_settings.teamGame;
    o.playToScore = m_settings.playToScore;
    o.timePerTurn = m_settings.timePerTurn;
    o.zirkedAt = m_settings.zirkedAt;
    o.newTiles = m_settings.allowNewTiles;
    o.typing = m_settings.allowTyping;
    o.fast = m_settings.fastGame;
    return o;
}

std::vector<char> Game::letters(const TileSet& set, int count) const
{
    std::vector<char> out;
    for (int i = 1; i <= count && i <= rules::kDiceCount; ++i)
        out.push_back(set[static_cast<std::size_t>(i)]);
    return out;
}

// ---- admission and removal

int Game::accepted()
{
    const int seat = m_table.freeSeat();
    if (seat == 0 && m_table.anyHeld() && !at(kRefusedSeat).connected) {
        // A full house with a held seat: this may be its player. The tenth
        // connection may take a held seat back, and do nothing else.
        m_table.clearSeat(kRefusedSeat);
        at(kRefusedSeat).connected = true;
        m_link.send(kRefusedSeat, net::msg::sendlogininfo(kRefusedSeat));
        m_link.log("connection in seat 10, for a rejoin only");
        return kRefusedSeat;
    }
    if (seat == 0) {
        m_link.send(kRefusedSeat, net::msg::full());
        m_link.drop(kRefusedSeat);
        m_link.log("connection refused: game is full");
        return kRefusedSeat;
    }
    // Whatever the seat held before is gone: a newcomer starts at nothing.
    m_table.clearSeat(seat);
    at(seat).connected = true;
    m_relayBudgets[static_cast<std::size_t>(seat)].reset(m_link.clockMs());
    m_toldOverBudget[static_cast<std::size_t>(seat)] = false;
    m_link.send(seat, net::msg::sendlogininfo(seat));
    m_link.log("connection in " + seatText(seat));
    return seat;
}

void Game::loginDeadline(int seat)
{
    if ((isSeat(seat) || seat == kRefusedSeat) && at(seat).connected && !at(seat).loggedIn) {
        m_link.log(seatText(seat) + " did not log in in time, dropped");
        m_link.drop(seat);
    }
}

void Game::closed(int seat)
{
    if (seat == kRefusedSeat) {
        m_table.clearSeat(seat); // nobody was ever told of it
        return;
    }
    if (!isSeat(seat) || !at(seat).connected)
        return;
    const Player& p = at(seat);
    // A link that failed is held for its player; one the host closed is not.
    if (p.loggedIn && !p.removing && m_options.holdSeconds > 0)
        holdSeat(seat);
    else
        leave(seat);
}

void Game::removed(int seat)
{
    if (!isSeat(seat) || !at(seat).connected)
        return;
    at(seat).removing = true;
    closed(seat);
}

void Game::holdSeat(int seat)
{
    Player& p = at(seat);
    p.connected = false;
    p.held = true;
    p.holdLeft = m_options.holdSeconds;
    m_link.log(seatText(seat) + " (" + p.name + ") lost the connection; the seat is held for "
        + std::to_string(p.holdLeft) + " s");
    sendAllBut(seat, net::msg::seatheld(seat, p.holdLeft));
    m_link.setHoldTimer(true);
    // Its score, words and place stay, and its turn runs its clock. Only the
    // others' finishing no longer waits for it.
    checkAllFinished();
}

void Game::holdTick()
{
    for (int s = 1; s <= kMaxSeat; ++s) {
        Player& p = at(s);
        if (!p.held || --p.holdLeft > 0)
            continue;
        m_link.log(seatText(s) + " (" + p.name + "): the hold ran out");
        leave(s);
    }
    if (!m_table.anyHeld())
        m_link.setHoldTimer(false);
}

void Game::leave(int seat)
{
    const std::string name = at(seat).name;
    sendAllBut(seat, net::msg::playerdisconnected(seat, name));
    m_link.log(seatText(seat) + " (" + name + ") left");
    m_table.clearSeat(seat);
    if (seat == m_leader)
        setLeader(pickLeader());

    if (!m_turn.gameRunning)
        return;
    if (m_table.occupiedPlayingSeats() == 0) {
        stopGame("no players left, game ended");
        return;
    }
    if (!m_settings.fastGame && seat == m_turn.currentSeat && seat != 1)
        findplayer();
}

void Game::receive(int seat, std::string_view line)
{
    if (seat == kRefusedSeat) {
        if (at(seat).connected)
            receiveAtTheDoor(line);
        return;
    }
    // Identity comes from the connection: a seat without one has nothing to say.
    if (!isSeat(seat) || !at(seat).connected)
        return;
    m_dispatcher.dispatch(line, seat);
}

void Game::receiveAtTheDoor(std::string_view line)
{
    const net::SplitLine split = net::splitCommand(line);
    if (split.command == net::cmd::rejoin) {
        rejoin(split.rest, kRefusedSeat);
    } else if (split.command == net::cmd::ping) {
        ping(split.rest, kRefusedSeat);
    } else {
        // A login (or anything else) finds the house as full as it is.
        sendTo(kRefusedSeat, net::msg::full());
        m_link.drop(kRefusedSeat);
        m_link.log("seat 10 did not rejoin: game is full");
    }
}

void Game::receivedlogininfo(std::string_view rest, int seat)
{
    if (!senderSeat(rest, seat, net::cmd::logininfo))
        return;
    const std::string version(net::fieldAt(rest, 1).value_or(""));
    Player& p = at(seat);
    const bool again = p.loggedIn;
    const std::string wanted = utf8Field(net::fieldsAfter(rest, 2), kMaxNameBytes);
    p.name = distinctName(wanted, seat);
    p.connected = true;
    p.loggedIn = true;
    if (!again) {
        p.seatedOrder = ++m_logins;
        p.token = newToken();
    }
    // Clients log in once; a connection that repeats it is not to fill the log.
    const std::string line = seatText(seat) + ": " + p.name + " (version " + version.substr(0, 20) + ")";
    if (again)
        complain(seat, "login again " + line);
    else
        m_link.log("login " + line);

    sendAll(net::msg::newplayerinfo(seat, p.name));
    if (!again)
        sendTo(seat, net::msg::seattoken(seat, p.token));
    if (p.name != wanted)
        sendTo(seat, net::msg::notice("Another player is called " + wanted + "; you play as " + p.name + "."));
    sendRoster(seat);
    checkVersion(seat, version);
    if (!again && !m_options.loginNotice.empty())
        sendTo(seat, net::msg::notice(m_options.loginNotice));
    if (m_turn.gameRunning)
        sendSnapshot(seat);
    if (isPlayingSeat(seat))
        resumeIfStalled();
}

std::string Game::distinctName(const std::string& wanted, int seat) const
{
    const auto taken = [&](const std::string& name) {
        for (int s = 1; s <= kMaxSeat; ++s)
            if (s != seat && at(s).loggedIn && sameNameIgnoringCase(at(s).name, name))
                return true;
        return false;
    };
    if (!taken(wanted))
        return wanted;
    // At most eight others are seated, so one of the first nine numbers is free.
    for (int n = 2;; ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        std::string name = cutUtf8(wanted, kMaxNameBytes - suffix.size()) + suffix;
        if (!taken(name))
            return name;
    }
}

std::string Game::newToken()
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (std::uint8_t byte : m_randomBytes()) {
        token.push_back(kHex[byte >> 4]);
        token.push_back(kHex[byte & 0x0F]);
    }
    return token;
}

int Game::tokenSeat(std::string_view token) const
{
    if (!net::isSeatToken(token))
        return 0;
    int found = 0;
    for (int s = 1; s <= kMaxSeat; ++s) {
        const Player& p = at(s);
        const bool match = sameToken(p.token, token);
        if (match && p.loggedIn)
            found = s;
    }
    return found;
}

void Game::sendRoster(int seat)
{
    // Connections that have not logged in yet are listed too, with no name.
    for (int s = 1; s <= m_table.seatsUsed(); ++s)
        if (s != seat && m_table.occupied(s))
            sendTo(seat, net::msg::existingplayers(s, at(s).name));
    for (int s = 1; s <= m_table.seatsUsed(); ++s)
        if (s != seat && at(s).held)
            sendTo(seat, net::msg::seatheld(s, at(s).holdLeft));
    if (m_options.dedicated && m_leader == 0 && isPlayingSeat(seat)
        && (!m_options.mayLead || m_options.mayLead(at(seat).name)))
        setLeader(seat); // tells everybody, this player too
    else if (leader() != 0)
        sendTo(seat, net::msg::leader(leader()));
}

void Game::checkVersion(int seat, std::string_view version)
{
    if (version == rules::kVersion)
        return;
    if (isSeat(leader()))
        sendTo(leader(), net::msg::havewrongversion(at(seat).name));
    sendTo(seat, net::msg::wrongversion());
}

void Game::setLeader(int seat)
{
    if (seat == m_leader)
        return;
    m_leader = seat;
    if (seat != 0)
        m_link.log(seatText(seat) + " (" + at(seat).name + ") now leads the game");
    sendAll(net::msg::leader(seat));
}

int Game::pickLeader() const
{
    int best = 0;
    for (int s = 1; s <= kPlayingSeats; ++s) {
        const Player& p = at(s);
        if (!p.loggedIn || (m_options.mayLead && !m_options.mayLead(p.name)))
            continue;
        const auto rank = [&](int seat) { return std::make_pair(!at(seat).connected, at(seat).seatedOrder); };
        if (best == 0 || rank(s) < rank(best))
            best = s;
    }
    return best;
}

void Game::sendStatsAndScores(int seat, int shown)
{
    if (!isPlayingSeat(shown))
        shown = 1;
    sendTo(seat, net::msg::stats(shown, gameOptions(), m_turn.gameState));
    std::string scores;
    for (int s = 1; s <= kPlayingSeats; ++s)
        scores += net::msg::loadscores(s, at(s).score);
    sendTo(seat, scores); // the six in one write
}

void Game::sendSnapshot(int seat)
{
    int shown = 0;
    int count = 0;
    const TileSet* set = &m_currentTiles;
    if (m_settings.fastGame) {
        shown = seat;
        count = tileCount(at(seat).zirked);
        if (at(seat).boughtNewTiles)
            set = &m_spareTiles;
    } else {
        shown = m_turn.currentSeat;
        count = tileCount(at(shown).zirked);
        if (at(shown).boughtNewTiles)
            set = &m_spareTiles;
    }
    if (!isPlayingSeat(shown))
        shown = 1;
    sendStatsAndScores(seat, shown);
    if (m_turn.gameState == "play")
        sendTo(seat,
            net::msg::thedice(shown, count == kZirkedTiles ? net::kDiceThirteen : net::kDiceTen, letters(*set, count)));
}

void Game::rejoin(std::string_view rest, int seat)
{
    if (!senderSeat(rest, seat, net::cmd::rejoin))
        return;
    Player& fresh = at(seat);
    if (fresh.loggedIn || fresh.rejoinTried) {
        complain(
            seat, seatText(seat) + (fresh.loggedIn ? ": rejoin after its login" : ": a second rejoin") + ", ignored");
        return;
    }
    fresh.rejoinTried = true;
    const int target = tokenSeat(net::fieldAt(rest, 1).value_or(""));
    if (target == 0) {
        complain(seat, seatText(seat) + ": rejoin refused: no seat holds its token");
        sendTo(seat, net::msg::rejoinrefused("No seat is held for this token."));
        if (seat == kRefusedSeat) {
            sendTo(seat, net::msg::full());
            m_link.drop(seat);
        }
        return;
    }
    // The connection takes the seat over, and the old connection, if the
    // host still thinks it alive, goes without a word to anyone.
    m_link.moveConnection(seat, target);
    m_table.clearSeat(seat);
    Player& p = at(target);
    const bool wasHeld = p.held;
    p.connected = true;
    p.held = false;
    p.holdLeft = 0;
    p.removing = false;
    p.rejoinTried = true;
    p.token = newToken(); // the one just used is spent
    m_toldOverBudget[static_cast<std::size_t>(target)] = false;
    m_link.log(seatText(target) + " (" + p.name + ") rejoined from " + seatText(seat));
    if (wasHeld)
        sendAllBut(target, net::msg::seatback(target));
    if (!m_table.anyHeld())
        m_link.setHoldTimer(false);

    sendTo(target, net::msg::rejoined(target));
    sendTo(target, net::msg::newplayerinfo(target, p.name));
    sendRoster(target);
    checkVersion(target, net::fieldAt(rest, 2).value_or(""));
    if (m_turn.gameRunning)
        sendCatchUp(target);
    sendTo(target, net::msg::seattoken(target, p.token));
}

void Game::sendCatchUp(int seat)
{
    const bool turnRunning = m_turn.turnPhase == 1 && !m_stalled;
    // Whose rack and words the window shows: its own in a fast game (a
    // spectator has none), the current player's in a slow one.
    const int owner = m_settings.fastGame ? (isPlayingSeat(seat) ? seat : 0) : m_turn.currentSeat;
    sendStatsAndScores(seat, m_settings.fastGame ? seat : m_turn.currentSeat);
    if (turnRunning) {
        sendTo(seat, net::msg::nextplayer(m_settings.fastGame ? seat : m_turn.currentSeat));
        sendTo(seat, net::msg::clock(m_turn.turnClock));
    }
    if (isPlayingSeat(owner)) {
        for (int length = rules::kMinWordLength; length <= rules::kMaxWordLength; ++length)
            for (const std::string& word : at(owner).words[static_cast<std::size_t>(length - rules::kMinWordLength)])
                if (!word.empty())
                    sendTo(seat, net::msg::accepted(length, word));
    }
    if (turnRunning && isPlayingSeat(owner))
        sendRack(seat, owner);
}

void Game::sendRack(int seat, int owner)
{
    const Player& p = at(owner);
    const int count = tileCount(p.zirked);
    sendTo(seat,
        net::msg::thedice(
            owner, count == kZirkedTiles ? net::kDiceThirteen : net::kDiceTen, letters(m_currentTiles, count)));
    if (!p.boughtNewTiles)
        return;
    // As it went in play: the purchase, then the spare rack.
    sendTo(seat, net::msg::newtilesRelay(owner, p.score));
    sendTo(seat, net::msg::thedice(owner, net::kDiceNew, letters(m_spareTiles, count)));
}

void Game::ping(std::string_view rest, int seat)
{
    const std::string_view n = net::fieldAt(rest, 0).value_or("");
    const bool plain = n.size() <= kMaxPingText
        && std::all_of(n.begin(), n.end(), [](char c) { return c > 0x20 && c < 0x7F && c != '+'; });
    if (!plain) {
        complain(seat, seatText(seat) + ": heartbeat with a malformed number, ignored");
        return;
    }
    sendTo(seat, net::msg::pong(n));
    m_link.heartbeat(seat);
}

void Game::kickhim(std::string_view rest, int seat)
{
    if (!isLeader(seat) || !senderSeat(rest, seat, net::cmd::kickhim))
        return;
    const auto target = numberField(rest, 1, net::cmd::kickhim, seat);
    if (!target || !isSeat(*target) || !m_table.occupied(*target))
        return;
    m_link.log(seatText(*target) + " (" + at(*target).name + ") removed by " + seatText(seat));
    // Removed is gone: no hold, whether the connection is still there or not.
    if (at(*target).held) {
        leave(*target);
        if (!m_table.anyHeld())
            m_link.setHoldTimer(false);
        return;
    }
    at(*target).removing = true;
    // Its window would otherwise take the closing for a broken link and come back.
    sendTo(*target, net::msg::removed(*target));
    m_link.drop(*target);
}

void Game::goodbye(std::string_view rest, int seat)
{
    if (!senderSeat(rest, seat, net::cmd::leave))
        return;
    m_link.log(seatText(seat) + (at(seat).loggedIn ? " (" + at(seat).name + ")" : "") + " says goodbye");
    at(seat).removing = true;
    m_link.drop(seat);
}

// ---- relays

bool Game::admitRelay(int seat, std::size_t bytes)
{
    bool& told = m_toldOverBudget[static_cast<std::size_t>(seat)];
    if (m_relayBudgets[static_cast<std::size_t>(seat)].admit(m_link.clockMs(), bytes)) {
        told = false;
        return true;
    }
    if (!told) {
        told = true;
        complain(seat, seatText(seat) + ": relays more than its budget; lines not passed on");
        sendTo(seat,
            net::msg::notice("You are sending faster than the others can read; what you send is not passed on "
                             "until you slow down."));
    }
    return false;
}

void Game::chat(std::string_view rest, int seat)
{
    if (!at(seat).loggedIn || !senderSeat(rest, seat, net::cmd::chat))
        return;
    const std::string text = chatField(net::fieldsAfter(rest, 1), kMaxRelayText);
    if (admitRelay(seat, text.size()))
        sendAll(net::msg::chatRelay(seat, at(seat).name + " chats: " + text));
}

void Game::action(std::string_view rest, int seat)
{
    if (!at(seat).loggedIn || !senderSeat(rest, seat, net::cmd::action))
        return;
    const std::string text = chatField(net::fieldsAfter(rest, 1), kMaxRelayText);
    if (admitRelay(seat, text.size()))
        sendAll(net::msg::actionRelay(seat, at(seat).name + " " + text));
}

void Game::playasound(std::string_view rest, int seat)
{
    if (!at(seat).loggedIn || !senderSeat(rest, seat, net::cmd::playasound))
        return;
    const std::string sound = utf8Field(net::fieldsAfter(rest, 1), kMaxRelayText);
    if (admitRelay(seat, sound.size()))
        sendAll(net::msg::playasoundRelay(seat, sound));
}

void Game::setdice(std::string_view rest, int seat)
{
    if (!senderSeat(rest, seat, net::cmd::setdice) || m_settings.fastGame || !mayPlay(seat))
        return;
    const auto position = numberField(rest, 1, net::cmd::setdice, seat);
    if (!position)
        return;
    const auto tile = numberField(rest, 2, net::cmd::setdice, seat);
    if (!tile)
        return;
    if (*position < 0 || *position > rules::kMaxWordLength || *tile < 1 || *tile > tileCount(at(seat).zirked))
        return;
    sendAllBut(seat, net::msg::setdiceRelay(*position, *tile));
}

void Game::clearthem(std::string_view rest, int seat)
{
    if (!senderSeat(rest, seat, net::cmd::clearthem) || m_settings.fastGame || !mayPlay(seat))
        return;
    sendAllBut(seat, net::msg::clearthemRelay());
}

void Game::setmakewait(std::string_view rest, int seat)
{
    if (!isLeader(seat) || !senderSeat(rest, seat, net::cmd::setmakewait))
        return;
    m_turn.makeWait = net::fieldAt(rest, 1).value_or("") == "t";
}

// ---- game start and tiles

void Game::startgame(std::string_view rest, int seat)
{
    if (!isLeader(seat) || !senderSeat(rest, seat, net::cmd::startgame))
        return;
    if (m_turn.gameRunning) {
        complain(seat, "start ignored: a game is already running");
        return;
    }
    // Everything is read and checked before anything changes.
    std::string why;
    const auto asked = net::parseGameOptions(rest, &why);
    if (!asked) {
        complain(seat, "start ignored: " + why);
        return;
    }

    Settings s;
    s.playToScore = asked->playToScore;
    s.timePerTurn = asked->timePerTurn;
    s.zirkedAt = asked->zirkedAt;
    s.allowNewTiles = asked->newTiles;
    s.allowTyping = asked->typing;
    s.fastGame = asked->fast;
    s.teamGame = asked->team;
    for (int p = 1; p <= kPlayingSeats; ++p)
        if (!m_table.occupied(p))
            s.teamGame = false;

    m_settings = s;
    m_turn.gameRunning = true;
    m_stalled = false;
    sendAll(net::msg::startgameRelay(at(seat).name, gameOptions()));
    for (int p = 1; p <= kPlayingSeats; ++p) {
        at(p).score = 0;
        at(p).watching = false;
        at(p).zirked = false;
    }
    m_turn.currentSeat = 0;
    m_link.log(
        "game started by " + at(seat).name + (s.fastGame ? " (fast" : " (slow") + (s.teamGame ? ", team)" : ")"));
    findplayer();
}

void Game::newtiles(std::string_view rest, int seat)
{
    if (!senderSeat(rest, seat, net::cmd::newtiles) || !m_settings.allowNewTiles || !mayPlay(seat))
        return;
    Player& p = at(seat);
    if (p.boughtNewTiles)
        return;
    p.boughtNewTiles = true;
    p.score = addScore(p.score, -kTileCost);
    sendAll(net::msg::newtilesRelay(seat, p.score));
    const std::string spare = net::msg::thedice(seat, net::kDiceNew, letters(m_spareTiles, tileCount(p.zirked)));
    if (m_settings.fastGame)
        sendTo(seat, spare);
    else
        sendAll(spare);
}

void Game::oldtiles(std::string_view rest, int seat)
{
    if (!senderSeat(rest, seat, net::cmd::oldtiles) || !m_settings.allowNewTiles || !mayPlay(seat))
        return;
    Player& p = at(seat);
    if (!p.boughtNewTiles)
        return;
    p.boughtNewTiles = false;
    p.score = addScore(p.score, -kTileCost);
    sendAll(net::msg::oldtilesRelay(seat, p.score));
    // In a slow game everyone watches this rack; they were shown the spare set
    // and must see the dealt one again, or the tile moves they are sent next
    // show the wrong letters.
    const std::string dealt = net::msg::thedice(seat, net::kDiceOld, letters(m_currentTiles, tileCount(p.zirked)));
    if (m_settings.fastGame)
        sendTo(seat, dealt);
    else
        sendAll(dealt);
}

// ---- judging

void Game::sendVerdict(int seat, const std::string& word, const std::string& reason)
{
    const std::string bytes = net::msg::rejected(word, reason);
    if (m_settings.fastGame)
        sendTo(seat, bytes);
    else
        sendAll(bytes);
}

void Game::done(std::string_view rest, int seat)
{
    if (!senderSeat(rest, seat, net::cmd::done) || !mayPlay(seat))
        return;
    Player& p = at(seat);
    auto fields = net::splitFields(rest);
    // Senders often close a message with "+"; that empty last field is no position.
    if (fields.size() > 1 && fields.back().empty())
        fields.pop_back();
    const int tiles = tileCount(p.zirked);
    const TileSet& set = p.boughtNewTiles ? m_spareTiles : m_currentTiles;

    std::vector<int> positions;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const auto n = net::parseInt(fields[i]);
        if (!n) {
            numberField(rest, i, net::cmd::done, seat);
            return;
        }
        positions.push_back(*n);
    }
    // A rack position outside the player's tiles, or used twice, cannot make a word.
    std::string word;
    bool sound = positions.size() <= static_cast<std::size_t>(rules::kMaxWordLength);
    std::set<int> used;
    for (int pos : positions) {
        if (pos < 1 || pos > tiles || !used.insert(pos).second) {
            sound = false;
            continue;
        }
        word += set[static_cast<std::size_t>(pos)];
    }
    if (!sound) {
        const bool tooMany = positions.size() > static_cast<std::size_t>(rules::kMaxWordLength);
        sendVerdict(seat, word, std::string(tooMany ? rules::reason::kTooLong : rules::reason::kNotYourTiles));
        return;
    }

    const Verdict v = judgeWord(word, p.words, p.zirked, m_isWord, m_refused);
    if (!v.accepted) {
        sendVerdict(seat, word, v.reason);
        return;
    }
    const int length = static_cast<int>(word.size());
    p.words[static_cast<std::size_t>(length - rules::kMinWordLength)][static_cast<std::size_t>(v.slot)] = word;
    if (m_settings.fastGame) {
        sendTo(seat, net::msg::accepted(length, word));
        sendAll(net::msg::addaword(seat, length, word));
    } else {
        sendAll(net::msg::accepted(length, word));
    }
}

// ---- turns, clock and end of game

void Game::findplayer()
{
    m_spareTiles = rollDice(m_rng);
    for (int s = 1; s <= kPlayingSeats; ++s) {
        at(s).boughtNewTiles = false;
        at(s).finished = false;
        at(s).words = rules::WordTable {};
    }
    if (m_settings.fastGame) {
        if (checkforwin())
            return;
        startFastTurn();
        return;
    }
    // One full round at most: with nobody able to play, wait for a seat to change.
    for (int step = 0; step < kPlayingSeats; ++step) {
        m_turn.currentSeat = m_turn.currentSeat >= kPlayingSeats || m_turn.currentSeat < 0 ? 1 : m_turn.currentSeat + 1;
        if (m_turn.currentSeat == 1 && checkforwin())
            return;
        if (m_table.canPlay(m_turn.currentSeat)) {
            startSlowTurn();
            return;
        }
    }
    m_stalled = true;
    m_turn.gameState = "wait";
    m_turn.turnPhase = 0;
    m_link.setTurnTimer(false);
    m_link.log("nobody can play; waiting for a player");
}

void Game::resumeIfStalled()
{
    if (!m_stalled || !m_turn.gameRunning || !m_table.anyoneCanPlay())
        return;
    m_stalled = false;
    findplayer();
}

void Game::startSlowTurn()
{
    m_stalled = false;
    const int seat = m_turn.currentSeat;
    sendAll(net::msg::nextplayer(seat));
    m_turn.gameState = "play";
    const int count = tileCount(at(seat).zirked);
    const TileSet roll = rollDice(m_rng);
    for (int i = 1; i <= count; ++i)
        m_currentTiles[static_cast<std::size_t>(i)] = roll[static_cast<std::size_t>(i)];
    sendAll(net::msg::thedice(
        seat, count == kZirkedTiles ? net::kDiceThirteen : net::kDiceTen, letters(m_currentTiles, count)));
    m_turn.turnPhase = 1;
    m_turn.turnClock = m_settings.timePerTurn + kTurnGrace;
    m_link.setTurnTimer(true);
    m_link.log("turn: " + seatText(seat) + " (" + at(seat).name + ")");
}

void Game::startFastTurn()
{
    for (int s = 1; s <= m_table.seatsUsed(); ++s)
        sendTo(s, net::msg::nextplayer(s));
    dealFast();
    m_turn.turnPhase = 1;
    m_turn.turnClock = m_settings.timePerTurn + kTurnGrace;
    m_link.setTurnTimer(true);
    m_turn.gameState = "play";
    m_link.log("turn: everybody");
}

void Game::dealFast()
{
    // Everybody plays the same roll; the whole roll is kept so that any seat's
    // rack, Zirked or not, reads the letters it was sent.
    m_currentTiles = rollDice(m_rng);
    for (int s = 1; s <= kPlayingSeats; ++s) {
        const int count = tileCount(at(s).zirked);
        sendTo(s,
            net::msg::thedice(
                s, count == kZirkedTiles ? net::kDiceThirteen : net::kDiceTen, letters(m_currentTiles, count)));
    }
}

void Game::tick()
{
    if (!m_turn.gameRunning || (m_turn.turnPhase != 1 && m_turn.turnPhase != 2)) {
        m_link.setTurnTimer(false);
        return;
    }
    m_turn.turnClock -= 1;
    if (m_turn.turnClock > 0)
        return;
    if (m_turn.turnPhase == 1)
        endTurn();
    else {
        m_link.setTurnTimer(false);
        findplayer();
    }
}

void Game::endTurn()
{
    m_turn.gameState = "wait";
    m_link.setTurnTimer(false);
    if (m_settings.fastGame) {
        for (int s = 1; s <= kPlayingSeats; ++s)
            if (m_table.occupied(s))
                postscore(s);
    } else if (isPlayingSeat(m_turn.currentSeat)) {
        postscore(m_turn.currentSeat);
    }
    sendAll(net::msg::turnend());
    m_turn.turnPhase = 2;
    if (m_settings.fastGame) {
        const int seats = m_table.connectedPlayingSeats();
        m_turn.turnClock = seats <= 1 ? 10 : seats == 2 ? 15 : seats == 3 ? 20 : seats == 4 ? 25 : 30;
    } else {
        m_turn.turnClock = kSlowPause;
    }
    m_link.setTurnTimer(true);
}

void Game::postscore(int seat)
{
    Player& p = at(seat);
    const TurnScore t = scoreTurn(p.words, p.zirked);
    p.score = addScore(p.score, t.change());
    if (m_settings.teamGame && p.partner != 0)
        at(p.partner).score = p.score;
    sendAll(net::msg::scores(seat, t.points, t.bonus, t.words, p.score, p.partner, at(p.partner).score));
    p.zirked = rules::isZirked(p.score, m_settings.zirkedAt);
}

bool Game::checkforwin()
{
    int candidate = 0;
    for (int s = 1; s <= kPlayingSeats; ++s) {
        if (!m_table.occupied(s) || at(s).score < m_settings.playToScore)
            continue;
        if (candidate == 0 || at(s).score > at(candidate).score)
            candidate = s;
    }
    if (candidate == 0)
        return false;
    const int best = at(candidate).score;
    if (m_settings.teamGame) {
        if (at(1).score == at(2).score)
            return false;
    } else {
        for (int s = 1; s <= kPlayingSeats; ++s)
            if (s != candidate && at(s).score == best)
                return false;
    }
    std::string text = at(candidate).name;
    const int partner = at(candidate).partner;
    if (m_settings.teamGame && partner != 0)
        text += " and " + at(partner).name;
    sendAll(net::msg::winner(text));
    m_link.log("winner: " + text);
    stopGame("game over");
    return true;
}

void Game::stopGame(const std::string& why)
{
    m_turn.gameRunning = false;
    m_turn.gameState = "wait";
    m_turn.turnPhase = 0;
    m_stalled = false;
    m_link.setTurnTimer(false);
    m_link.log(why);
}

void Game::finish(std::string_view rest, int seat)
{
    if (!senderSeat(rest, seat, net::cmd::finish) || !mayPlay(seat))
        return;
    if (!m_settings.fastGame) {
        m_turn.turnClock = 1;
        return;
    }
    if (at(seat).finished)
        return;
    at(seat).finished = true;
    sendAll(net::msg::ifinished(seat));
    checkAllFinished();
}

void Game::checkAllFinished()
{
    if (!m_turn.gameRunning || !m_settings.fastGame || m_turn.turnPhase != 1 || m_turn.gameState != "play")
        return;
    // Held players cannot press finish; the others need not wait for them.
    bool anyone = false;
    for (int s = 1; s <= kPlayingSeats; ++s) {
        if (!at(s).connected)
            continue;
        if (!at(s).finished)
            return;
        anyone = true;
    }
    if (!anyone)
        return;
    sendAll(net::msg::allfinished());
    m_turn.gameState = "wait";
    m_turn.turnClock = 1;
}

void Game::justwatch(std::string_view rest, int seat)
{
    const auto target = numberField(rest, 0, net::cmd::justwatch, seat);
    if (!target || (*target != seat && !isLeader(seat)))
        return;
    if (!isPlayingSeat(*target) || !m_table.occupied(*target))
        return;
    const std::string mode(net::fieldAt(rest, 1).value_or(""));
    if (mode == "2") {
        at(*target).watching = false;
        sendAll(net::msg::justwatching(*target, false));
        resumeIfStalled();
        return;
    }
    if (mode != "1")
        return;
    bool another = false;
    for (int s = 1; s <= rules::kWatchSeats; ++s)
        if (s != *target && m_table.occupied(s) && !at(s).watching)
            another = true;
    if (!another)
        return;
    at(*target).watching = true;
    sendAll(net::msg::justwatching(*target, true));
    if (m_turn.gameRunning && !m_settings.fastGame && m_turn.currentSeat == *target && m_turn.turnPhase == 1)
        m_turn.turnClock = 1;
}

} // namespace host
