#include "Game.h"

#include <net/Fields.h>
#include <net/Text.h>
#include <rules/Version.h>

#include <set>

namespace host
{

namespace
{
std::string seatText(int seat) { return "seat " + std::to_string(seat); }

// Received text as UTF-8, cut to at most `limit` bytes without splitting a
// character. Control characters other than tab become '?': names and texts go
// out to every client, whose chat view and log must not obey ESC, BEL or NUL.
std::string utf8Field(std::string_view bytes, std::size_t limit)
{
    std::string text = net::toUtf8(bytes);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            c = '?';
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
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

Game::Game(Link& link, IsWord isWord, std::uint64_t seed)
    : m_link(link)
    , m_isWord(std::move(isWord))
    , m_rng(seed)
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

net::GameOptions Game::options() const
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
    if (seat == 0) {
        m_link.send(kRefusedSeat, net::msg::full());
        m_link.drop(kRefusedSeat);
        m_link.log("connection refused: game is full");
        return kRefusedSeat;
    }
    Player& p = at(seat);
    p.connected = true;
    p.loggedIn = false;
    p.name.clear();
    p.watching = false;
    m_link.send(seat, net::msg::sendlogininfo(seat));
    m_link.log("connection in " + seatText(seat));
    return seat;
}

void Game::loginDeadline(int seat)
{
    if (isSeat(seat) && at(seat).connected && !at(seat).loggedIn) {
        m_link.log(seatText(seat) + " did not log in in time, dropped");
        m_link.drop(seat);
    }
}

void Game::closed(int seat)
{
    if (!isSeat(seat) || !at(seat).connected)
        return;
    Player& p = at(seat);
    sendAllBut(seat, net::msg::playerdisconnected(seat, p.name));
    m_link.log(seatText(seat) + " (" + p.name + ") left");
    p.connected = false;
    p.loggedIn = false;
    p.name.clear();
    p.watching = false;

    if (!m_turn.gameRunning)
        return;
    if (m_table.connectedPlayingSeats() == 0) {
        stopGame("no players left, game ended");
        return;
    }
    if (!m_settings.fastGame && seat == m_turn.currentSeat && seat != 1)
        findplayer();
}

void Game::receive(int seat, std::string_view line)
{
    // Identity comes from the connection: a seat without one has nothing to say.
    if (!isSeat(seat) || !at(seat).connected)
        return;
    m_dispatcher.dispatch(line, seat);
}

void Game::receivedlogininfo(std::string_view rest, int seat)
{
    if (!senderSeat(rest, seat, net::cmd::logininfo))
        return;
    const std::string version(net::fieldAt(rest, 1).value_or(""));
    Player& p = at(seat);
    const bool again = p.loggedIn;
    p.name = utf8Field(net::fieldsAfter(rest, 2), kMaxNameBytes);
    p.connected = true;
    p.loggedIn = true;
    // Clients log in once; a connection that repeats it is not to fill the log.
    const std::string line = seatText(seat) + ": " + p.name + " (version " + version.substr(0, 20) + ")";
    if (again)
        complain(seat, "login again " + line);
    else
        m_link.log("login " + line);

    sendAll(net::msg::newplayerinfo(seat, p.name));
    for (int s = 1; s <= m_table.seatsUsed(); ++s)
        if (s != seat && at(s).connected)
            sendTo(seat, net::msg::existingplayers(s, at(s).name));

    if (version != rules::kVersion) {
        sendTo(1, net::msg::havewrongversion(p.name));
        sendTo(seat, net::msg::wrongversion());
    }
    if (m_turn.gameRunning)
        sendSnapshot(seat);
    if (isPlayingSeat(seat))
        resumeIfStalled();
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
    sendTo(seat, net::msg::stats(shown, options(), m_turn.gameState));
    std::string scores;
    for (int s = 1; s <= kPlayingSeats; ++s)
        scores += net::msg::loadscores(s, at(s).score);
    sendTo(seat, scores);
    if (m_turn.gameState == "play")
        sendTo(seat,
            net::msg::thedice(shown, count == kZirkedTiles ? net::kDiceThirteen : net::kDiceTen, letters(*set, count)));
}

void Game::kickhim(std::string_view rest, int seat)
{
    if (seat != 1 || !senderSeat(rest, seat, net::cmd::kickhim))
        return;
    const auto target = numberField(rest, 1, net::cmd::kickhim, seat);
    if (!target || !isSeat(*target) || !at(*target).connected)
        return;
    m_link.log(seatText(*target) + " (" + at(*target).name + ") removed by the host");
    m_link.drop(*target);
}

// ---- relays

void Game::chat(std::string_view rest, int seat)
{
    if (!at(seat).loggedIn || !senderSeat(rest, seat, net::cmd::chat))
        return;
    sendAll(
        net::msg::chatRelay(seat, at(seat).name + " chats: " + chatField(net::fieldsAfter(rest, 1), kMaxRelayText)));
}

void Game::action(std::string_view rest, int seat)
{
    if (!at(seat).loggedIn || !senderSeat(rest, seat, net::cmd::action))
        return;
    sendAll(net::msg::actionRelay(seat, at(seat).name + " " + chatField(net::fieldsAfter(rest, 1), kMaxRelayText)));
}

void Game::playasound(std::string_view rest, int seat)
{
    if (!at(seat).loggedIn || !senderSeat(rest, seat, net::cmd::playasound))
        return;
    sendAll(net::msg::playasoundRelay(seat, utf8Field(net::fieldsAfter(rest, 1), kMaxRelayText)));
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
    if (seat != 1 || !senderSeat(rest, seat, net::cmd::setmakewait))
        return;
    m_turn.makeWait = net::fieldAt(rest, 1).value_or("") == "t";
}

// ---- game start and tiles

void Game::startgame(std::string_view rest, int seat)
{
    if (seat != 1 || !senderSeat(rest, seat, net::cmd::startgame))
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
        if (!at(p).connected)
            s.teamGame = false;

    m_settings = s;
    m_turn.gameRunning = true;
    m_stalled = false;
    sendAll(net::msg::startgameRelay(at(1).name, options()));
    for (int p = 1; p <= kPlayingSeats; ++p) {
        at(p).score = 0;
        at(p).watching = false;
        at(p).zirked = false;
    }
    m_turn.currentSeat = 0;
    m_link.log("game started by " + at(1).name + (s.fastGame ? " (fast" : " (slow") + (s.teamGame ? ", team)" : ")"));
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
        sendVerdict(seat, word, std::string(rules::kRejected));
        return;
    }

    const Verdict v = judgeWord(word, p.words, p.zirked, m_isWord);
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
            if (at(s).connected)
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
    TurnScore t = scoreWords(p.words);
    if (p.zirked && t.points < kZirkedMinimum) {
        p.score = addScore(p.score, -kZirkedPenalty);
        t.bonus = -kZirkedPenalty;
    } else {
        p.score = addScore(p.score, t.points + t.bonus);
    }
    if (m_settings.teamGame && p.partner != 0)
        at(p.partner).score = p.score;
    sendAll(net::msg::scores(seat, t.points, t.bonus, t.words, p.score, p.partner, at(p.partner).score));
    p.zirked = p.score >= m_settings.zirkedAt;
}

bool Game::checkforwin()
{
    int candidate = 0;
    for (int s = 1; s <= kPlayingSeats; ++s) {
        if (!at(s).connected || at(s).score < m_settings.playToScore)
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
    for (int s = 1; s <= kPlayingSeats; ++s)
        if (at(s).connected && !at(s).finished)
            return;
    sendAll(net::msg::allfinished());
    m_turn.gameState = "wait";
    m_turn.turnClock = 1;
}

void Game::justwatch(std::string_view rest, int seat)
{
    const auto target = numberField(rest, 0, net::cmd::justwatch, seat);
    if (!target || (*target != seat && seat != 1))
        return;
    if (!isPlayingSeat(*target) || !at(*target).connected)
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
    for (int s = 1; s <= 4; ++s)
        if (s != *target && at(s).connected && !at(s).watching)
            another = true;
    if (!another)
        return;
    at(*target).watching = true;
    sendAll(net::msg::justwatching(*target, true));
    if (m_turn.gameRunning && !m_settings.fastGame && m_turn.currentSeat == *target && m_turn.turnPhase == 1)
        m_turn.turnClock = 1;
}

} // namespace host
