#include "Game.h"

#include "Wording.h"
#include "net/Commands.h"
#include "net/Fields.h"
#include "net/Text.h"
#include "rules/Options.h"
#include "rules/Points.h"
#include "rules/Seats.h"
#include "solver/WordFinder.h"

#include <algorithm>

namespace client
{

namespace
{

// A host that keeps sending words must not grow the board without end.
constexpr std::size_t kMaxBoxLines = 50;
constexpr std::size_t kMaxListLines = 200;

std::optional<int> intField(std::string_view rest, std::size_t i, int lo, int hi) { return net::intAt(rest, i, lo, hi); }

std::string field(std::string_view rest, std::size_t i) { return std::string(net::fieldAt(rest, i).value_or("")); }

Effects dropped(std::string why)
{
    Effects e;
    e.ignored = std::move(why);
    return e;
}

// A game message the host may send only while a game runs.
Effects outOfGame(std::string_view what) { return dropped(std::string(what) + " with no game running"); }

// The leading number of a word-list line; a line whose number cannot be read sorts as 100.
int leadingNumber(const std::string& line)
{
    const auto colon = line.find(':');
    const auto n = net::parseInt(std::string_view(line).substr(0, colon));
    return n ? *n : 100;
}

} // namespace

Game::Game(const Roster& roster, std::uint32_t seed)
    : m_roster(roster)
    , m_random(seed)
{
    clearall();
}

void Game::setHostRights(bool host)
{
    m_host = host;
    m_startButton = host && !m_started;
}

bool Game::myTurn() const { return m_whoseTurn != 0 && m_whoseTurn == m_roster.mySeat(); }

const std::string& Game::nameOf(int seat) const { return m_roster.name(seat); }

int Game::boxPoints(int length, int words) { return rules::rowPoints(length, words); }

int Game::currentSum() const
{
    int sum = 0;
    for (const WordBox& b : m_boxes)
        sum += b.points;
    return sum;
}

std::string Game::clockText(int seconds)
{
    const int s = seconds % 60;
    return "Time: " + std::to_string(seconds / 60) + ":" + (s < 10 ? "0" : "") + std::to_string(s);
}

void Game::send(Effects& e, std::string message) const
{
    if (m_roster.connected())
        e.send.push_back(std::move(message));
}

void Game::setStatus(std::string text, std::uint32_t colour)
{
    m_status = std::move(text);
    m_statusColour = colour;
}

std::string_view Game::typingText() const { return client::typingText(m_typingOn); }

bool Game::clockHurry() const { return m_clockRunning && m_seconds <= kHurrySeconds; }

// A stopped clock never shows a turn that is over: the next one's length, or the end of the game.
void Game::resetClock(std::string text)
{
    m_clockRunning = false;
    m_seconds = text.empty() ? m_settings.timePerTurn : 0;
    m_barWidth = m_seconds;
    m_timeText = text.empty() ? clockText(m_seconds) : std::move(text);
}

void Game::followZirked(int seat, int total, bool announce, Effects& e)
{
    bool& zirked = m_zirked[static_cast<std::size_t>(seat - 1)];
    const bool now = rules::isZirked(total, m_settings.zirkedAt);
    if (now == zirked)
        return;
    zirked = now;
    if (!announce)
        return;
    const bool mine = seat == m_roster.mySeat();
    std::string line = mine ? "You are" : nameOf(seat) + " is";
    if (now)
        line += " Zirked! " + std::string(mine ? "From your next turn: " : "From the next turn: ")
            + std::to_string(rules::kZirkedTiles) + " tiles, no " + std::to_string(rules::kMinWordLength)
            + "-letter words, and a turn under " + std::to_string(rules::kZirkedMinimum) + " points costs "
            + std::to_string(rules::kZirkedPenalty) + " points.";
    else
        line += " no longer Zirked.";
    e.lines.push_back({ "0+" + line, kBlue });
}

void Game::clearall()
{
    for (SeatBoard& s : m_seats)
        s = SeatBoard {};
}

void Game::useOptions(const net::GameOptions& options)
{
    m_settings = options;
    // The same words whether the player saw the game start or came in later.
    m_info = { "Play to Score: " + std::to_string(options.playToScore),
        "Time Per Turn: " + std::to_string(options.timePerTurn), "Zirked At: " + std::to_string(options.zirkedAt),
        options.typing ? "Allow Typing: On" : "Allow Typing: Off",
        options.newTiles ? "Allow New Tiles: On" : "Allow New Tiles: Off",
        options.fast ? "Fast Game: Yes" : "Fast Game: No" };
    m_teamText = options.team ? "Team Game!" : "";
}

void Game::ownTurnButtons()
{
    m_buttons.done = m_buttons.clear = m_buttons.finish = true;
    m_buttons.oldTiles = false;
    m_buttons.newTiles = m_settings.newTiles;
    m_buttons.typing = m_settings.typing;
}

void Game::noTurnButtons() { m_buttons = TurnButtons {}; }

void Game::emptyBoxes()
{
    for (WordBox& b : m_boxes) {
        b.words.clear();
        b.points = 0;
        b.textColour = kGreen;
        b.full = false;
        b.background = b.background == kSilver ? kWhite : b.background;
    }
}

void Game::addToBox(int length, std::string word, Effects& e)
{
    WordBox& b = boxAt(length);
    if (b.words.size() >= kMaxBoxLines)
        return;
    b.words.push_back(std::move(word));
    const auto count = static_cast<int>(b.words.size());
    b.full = count >= rules::kWordsPerLength;
    b.textColour = b.full ? kFullBoxText : kGreen;
    if (b.full) {
        b.background = kSilver;
        e.sounds.push_back("filled");
    }
    b.points = boxPoints(length, count);
}

// ---------------------------------------------------------------- game flow

Effects Game::startthegame(std::string_view rest)
{
    std::string why;
    const auto options = net::parseGameOptions(rest, &why);
    if (!options)
        return dropped("game start: " + why);
    const std::string starter = net::printable(field(rest, 0));
    Effects e;
    noTurnButtons();
    m_winnerShown = false;
    useOptions(*options);
    m_started = true;
    m_startButton = false;
    clearall();
    // Nothing of the last game stays on show.
    m_result.clear();
    m_zirked.fill(false);
    resetClock({});
    e.gameStarted = true;

    const std::string what = m_settings.team ? " TEAM game." : (m_settings.fast ? " FAST game." : " SLOW game.");
    const int me = m_roster.mySeat();
    if (rules::isPlayerSeat(me) && nameOf(me) == starter)
        e.lines.push_back({ "0+You have started a" + what, kBlue });
    else
        e.lines.push_back({ "0+" + starter + " has started a" + what, kBlue });
    return e;
}

Effects Game::getnextplayer(std::string_view rest)
{
    if (!m_started)
        return outOfGame("next player");
    const auto seat = intField(rest, 0, 1, rules::kMaxSeat);
    if (!seat)
        return dropped("next player with a bad seat");
    Effects e;
    m_rack.cleartiles();
    if (m_wordListsShown && rules::isPlayerSeat(m_roster.mySeat()))
        m_wordListsShown = false;
    m_missedShown = false;
    m_missed.clear();
    m_tookPart = false;
    for (int s = 1; s <= rules::kPlayerSeats; ++s) {
        m_wordLists[static_cast<std::size_t>(s - 1)].lines.clear();
        m_wordLists[static_cast<std::size_t>(s - 1)].count = "0 words";
        m_wordLists[static_cast<std::size_t>(s - 1)].score = "for +0";
        seatAt(s).newTiles = false;
        // A turn's "+750", "-500" or "finished" was about the turn before.
        seatAt(s).bonus.clear();
    }
    setStatus("", kStatusPlain);
    emptyBoxes();
    resetClock({});

    m_started = true;
    m_turnRetold = m_catchingUp;
    m_whoseTurn = rules::shownTurnSeat(*seat);
    m_markerShown = !m_settings.fast;
    m_markerSeat = m_whoseTurn;
    if (myTurn()) {
        setStatus("Your Turn.", kStatusPlain);
        ownTurnButtons();
        // What the keys will do is the first thing a player typing blind needs to know.
        if (m_settings.typing)
            e.spoken.emplace_back(typingText());
    } else {
        setStatus(nameOf(m_whoseTurn) + "'s turn.", kStatusPlain);
        noTurnButtons();
    }
    e.turnStarted = m_whoseTurn;
    return e;
}

Effects Game::thedice(std::string_view rest)
{
    if (!m_started)
        return outOfGame("tiles");
    const auto seat = intField(rest, 0, 0, rules::kMaxSeat);
    if (!seat)
        return dropped("dice with a bad seat");
    const std::string mode = field(rest, 1);
    const bool fresh = mode == net::kDiceThirteen || mode == net::kDiceTen;
    if (!fresh && mode != net::kDiceNew && mode != net::kDiceOld)
        return dropped("dice of an unknown kind");
    Effects e;
    const bool mine = *seat == m_roster.mySeat();
    if (mode == net::kDiceThirteen) {
        if (mine)
            e.sounds.push_back("zirked");
        m_rack.showExtra(true);
        for (WordBox& b : m_boxes) {
            b.background = kWhite;
            b.closed = false;
        }
        boxAt(rules::kMinWordLength).background = kMaroon;
        boxAt(rules::kMinWordLength).closed = true;
    } else if (mode == net::kDiceTen) {
        if (mine)
            e.sounds.push_back(m_turnSoundNew ? "turnnew" : "turn");
        m_rack.showExtra(false);
        for (WordBox& b : m_boxes) {
            b.background = kWhite;
            b.closed = false;
        }
    }
    std::vector<char> letters;
    const auto fields = net::splitFields(rest);
    for (std::size_t i = 2; i < fields.size() && letters.size() < static_cast<std::size_t>(rules::kZirkedTiles); ++i) {
        if (fields[i].empty())
            continue; // a closing "+" leaves an empty field, not a tile
        letters.push_back(fields[i][0]);
    }
    m_rack.deal(letters);
    e.dealt = Deal { *seat, fresh, mode == net::kDiceThirteen, std::string(letters.begin(), letters.end()) };
    // Words are made from the set held last: after buying, the bought one.
    if (fresh || mine)
        m_turnRack.assign(letters.begin(), letters.end());
    if (fresh) {
        m_turnZirked = mode == net::kDiceThirteen;
        const int me = m_roster.mySeat();
        m_tookPart = rules::isPlayerSeat(me) && !m_roster.watching(me) && (m_settings.fast || mine);
        if (!(m_catchingUp && m_clockRestored))
            startClock(m_settings.timePerTurn);
    }
    return e;
}

Effects Game::setdice(std::string_view rest)
{
    if (!m_started)
        return outOfGame("tile move");
    const auto spot = intField(rest, 0, 0, rules::kMaxWordLength);
    const auto tile = intField(rest, 1, 1, rules::kZirkedTiles);
    if (!spot || !tile)
        return dropped("tile move out of range");
    // Our own word is ours: an echo must not move a tile we are placing.
    if (myTurn())
        return dropped("tile move for our own turn");
    Effects e;
    m_rack.echo(*spot, *tile);
    e.sounds.push_back(*spot > 0 ? "puttile" : "clear");
    return e;
}

Effects Game::cleartilesRelay(std::string_view)
{
    if (!m_started)
        return outOfGame("clear");
    if (myTurn())
        return dropped("clear for our own turn");
    m_rack.cleartiles();
    return {};
}

Effects Game::turnend(std::string_view)
{
    if (!m_started)
        return outOfGame("end of turn");
    Effects e;
    endturn(e);
    e.turnOver = true;
    e.sounds.push_back("showlist");
    for (int s = 1; s <= rules::kPlayerSeats; ++s)
        m_wordLists[static_cast<std::size_t>(s - 1)].name = nameOf(s);
    if (m_settings.fast)
        m_wordListsShown = true;
    if (m_showMissed && m_tookPart && !m_turnRack.empty()) {
        // The boxes hold what the host accepted from this player this turn.
        rules::WordTable played = rules::WordTable();
        for (int length = rules::kMinWordLength; length <= rules::kMaxWordLength; ++length) {
            const auto& words = box(length).words;
            auto& row = played[static_cast<std::size_t>(length - rules::kMinWordLength)];
            for (std::size_t i = 0; i < words.size() && i < row.size(); ++i)
                row[i] = words[i];
        }
        m_missed = solver::missedWords(solver::WordFinder::builtIn(), m_turnRack, played, m_turnZirked, 10);
        m_missedShown = !m_missed.empty();
    }
    m_tookPart = false;
    return e;
}

void Game::endturn(Effects& e)
{
    m_whoseTurn = 0;
    noTurnButtons();
    // Scoring is what a turn's end is for, not a fault: the plain colour.
    setStatus("Posting Scores.. One Moment Please!", kStatusPlain);
    m_rack.cleartiles();
    m_rack.clearPictures();
    e.sounds.push_back("timeup");
}

// ---------------------------------------------------------------- results

Effects Game::accepted(std::string_view rest)
{
    if (!m_started)
        return outOfGame("accepted word");
    const auto length = intField(rest, 0, rules::kMinWordLength, rules::kMaxWordLength);
    if (!length)
        return dropped("accepted word of a bad length");
    const std::string word = net::printable(field(rest, 1));
    Effects e;
    addToBox(*length, word, e);
    if (m_catchingUp)
        return {}; // a word of the turn so far, not a verdict just given
    setStatus(word + " ACCEPTED", kGreen);
    if (!myTurn())
        m_rack.cleartiles();
    e.sounds.push_back("goodword");
    e.verdict = WordVerdict { word, true, {} };
    return e;
}

Effects Game::rejected(std::string_view rest)
{
    if (!m_started)
        return outOfGame("rejected word");
    Effects e;
    const std::string word = net::printable(field(rest, 0));
    // The reason texts begin with a "+", which splits them from the word on the wire.
    const std::string reason = net::printable(net::fieldsAfter(rest, 1));
    setStatus(word + reason, kRed);
    if (!myTurn())
        m_rack.cleartiles();
    e.sounds.push_back("badword");
    e.verdict = WordVerdict { word, false, "+" + reason };
    return e;
}

Effects Game::addaword(std::string_view rest)
{
    if (!m_started)
        return outOfGame("word for the lists");
    const auto seat = intField(rest, 0, 1, rules::kPlayerSeats);
    const auto length = intField(rest, 1, 0, 1000);
    if (!seat || !length)
        return dropped("word for the lists with a bad seat or length");
    WordList& list = m_wordLists[static_cast<std::size_t>(*seat - 1)];
    if (list.lines.size() >= kMaxListLines)
        return dropped("word list full");
    std::string line = std::to_string(*length) + ": " + net::printable(field(rest, 2));
    const auto at = std::find_if(
        list.lines.begin(), list.lines.end(), [&](const std::string& l) { return leadingNumber(l) < *length; });
    list.lines.insert(at, std::move(line));
    list.count = wordCount(static_cast<long long>(list.lines.size()));
    return {};
}

Effects Game::bought(std::string_view rest, bool fresh)
{
    if (!m_started)
        return outOfGame("tile purchase");
    const auto seat = intField(rest, 0, 1, rules::kPlayerSeats);
    const auto total = intField(rest, 1, INT32_MIN, INT32_MAX);
    if (!seat || !total)
        return dropped("tile purchase with a bad seat or score");
    seatAt(*seat).score = std::to_string(*total);
    m_result = nameOf(*seat) + (fresh ? " bought new tiles for 300 points!" : " bought the old tiles for 300 points!");
    if (m_settings.fast)
        seatAt(*seat).newTiles = true;
    if (fresh && *seat == m_roster.mySeat() && myTurn())
        m_buttons.oldTiles = true;
    return {};
}

Effects Game::newtiles(std::string_view rest) { return bought(rest, true); }
Effects Game::oldtiles(std::string_view rest) { return bought(rest, false); }

Effects Game::loadscores(std::string_view rest)
{
    if (!m_started)
        return outOfGame("score");
    const auto seat = intField(rest, 0, 1, rules::kPlayerSeats);
    const auto score = intField(rest, 1, INT32_MIN, INT32_MAX);
    if (!seat || !score)
        return dropped("score with a bad seat or number");
    seatAt(*seat).score = std::to_string(*score);
    // A latecomer learns who is Zirked without being told it as news.
    Effects e;
    followZirked(*seat, *score, false, e);
    return e;
}

Effects Game::stats(std::string_view rest)
{
    const auto seat = intField(rest, 0, 0, rules::kMaxSeat);
    if (!seat)
        return dropped("game snapshot with a bad seat");
    std::string why;
    const auto options = net::parseGameOptions(rest, &why);
    if (!options)
        return dropped("game snapshot: " + why);
    m_started = true;
    m_startButton = false;
    m_whoseTurn = rules::shownTurnSeat(*seat);
    useOptions(*options);
    if (m_settings.fast && myTurn() && field(rest, 1 + net::kGameOptionFields) == "play") {
        setStatus("Your Turn.", kStatusPlain);
        ownTurnButtons();
    } else if (m_whoseTurn != 0) {
        setStatus(nameOf(m_whoseTurn) + "'s turn.", kStatusPlain);
    }
    m_markerSeat = m_whoseTurn;
    m_markerShown = !m_settings.fast && m_whoseTurn != 0;
    Effects e;
    e.turnStarted = m_whoseTurn;
    return e;
}

Effects Game::scores(std::string_view rest)
{
    if (!m_started)
        return outOfGame("turn result");
    const auto seat = intField(rest, 0, 1, rules::kPlayerSeats);
    const auto points = intField(rest, 1, INT32_MIN, INT32_MAX);
    const auto bonus = intField(rest, 2, INT32_MIN, INT32_MAX);
    const auto words = intField(rest, 3, 0, INT32_MAX);
    const auto total = intField(rest, 4, INT32_MIN, INT32_MAX);
    if (!seat || !points || !bonus || !words || !total)
        return dropped("scores with a bad field");
    Effects e;
    m_clockRunning = false;
    if (!m_settings.fast)
        for (SeatBoard& s : m_seats)
            s.bonus.clear();
    const auto second = intField(rest, 5, 1, rules::kPlayerSeats);
    const auto secondTotal = intField(rest, 6, INT32_MIN, INT32_MAX);
    if (second && secondTotal)
        seatAt(*second).score = std::to_string(*secondTotal);
    seatAt(*seat).score = std::to_string(*total);

    const std::string& name = nameOf(*seat);
    const long long sum = static_cast<long long>(*points) + *bonus;
    if (*bonus == -rules::kZirkedPenalty) {
        seatAt(*seat).bonus = "-500";
        m_result = name + " Lost 500 points! " + wordCount(*words) + " made for " + std::to_string(*points)
            + " points but that wasn't enough!";
    } else {
        seatAt(*seat).bonus = "+" + std::to_string(sum);
        m_wordLists[static_cast<std::size_t>(*seat - 1)].score = "for +" + std::to_string(sum);
        if (!m_settings.fast || *seat == m_roster.mySeat())
            m_result = name + " Scored: " + std::to_string(sum) + " points! " + wordCount(*words) + " made for "
                + std::to_string(*points) + " points plus " + std::to_string(*bonus) + " bonus points!";
    }
    followZirked(*seat, *total, true, e);
    if (*seat == m_roster.mySeat()) {
        // The best-turn record takes only what the rules let a turn score.
        if (turnReachable(*points, *bonus, *words))
            e.turnScore = static_cast<int>(sum);
        else
            e.ignored = "a turn score no game reaches, not recorded: " + std::to_string(sum);
    }
    e.scored = TurnResult { *seat, *points, *bonus, *words };
    return e;
}

bool Game::turnReachable(int points, int bonus, int words)
{
    static const rules::TurnScore best = rules::bestTurn();
    return points >= 0 && points <= best.points && words >= 0 && words <= best.words
        && (bonus == -rules::kZirkedPenalty || (bonus >= 0 && bonus <= best.bonus));
}

bool Game::wonBy(int seat, const std::string& winner) const
{
    if (!rules::isPlayerSeat(seat) || nameOf(seat) != winner)
        return false;
    // Two players of one name (an older host lets them in): the winner is the
    // one at the top, so a namesake below it did not win.
    const auto own = net::parseInt(this->seat(seat).score);
    for (int other = 1; other <= rules::kPlayerSeats; ++other) {
        if (other == seat || nameOf(other) != winner)
            continue;
        const auto theirs = net::parseInt(this->seat(other).score);
        if (!own || (theirs && *theirs >= *own))
            return false;
    }
    return true;
}

Effects Game::winner(std::string_view rest)
{
    // Only a running game has a winner, and only once.
    if (!m_started)
        return outOfGame("winner");
    const std::string text = net::printable(rest);
    Effects e;
    e.turnOver = true;
    e.sounds.push_back("gameover");
    setStatus("Game Over!", kStatusPlain);
    m_started = false;
    m_whoseTurn = 0;
    resetClock("Game Over");
    noTurnButtons();
    // A winner may come in the middle of a turn (its player left): nothing of it stays on the board.
    m_rack.cleartiles();
    m_rack.clearPictures();
    m_markerShown = false;
    m_startButton = m_host;
    m_winnerShown = true;
    m_missedShown = false;
    if (text.find(" and ") != std::string::npos) {
        m_winnerText = text + " have Won the Game!";
        return e;
    }
    const int me = m_roster.mySeat();
    const bool won = wonBy(me, text);
    m_winnerText = won ? "You have Won the Game!" : text + " has Won the Game!";
    m_wordListsShown = false;
    if (rules::isPlayerSeat(me)) {
        e.tallyGame = won ? std::string("addtomine") : text;
        const auto own = net::parseInt(seat(me).score);
        if (own && *own <= rules::highestGameScore(m_settings.playToScore, m_settings.team))
            e.gameScore = *own;
        else if (own)
            e.ignored = "a game score no game reaches, not recorded: " + std::to_string(*own);
    }
    return e;
}

Effects Game::ifinished(std::string_view rest)
{
    if (!m_started)
        return outOfGame("finish vote");
    const auto seat = intField(rest, 0, 1, rules::kPlayerSeats);
    if (!seat)
        return dropped("finish vote with a bad seat");
    Effects e;
    if (*seat == m_roster.mySeat()) {
        m_buttons.finish = false;
        e.lines.push_back({ "0+You have voted to finish this round.", kBlue });
    } else {
        e.lines.push_back({ "0+" + nameOf(*seat) + " has voted to finish this round.", kBlue });
    }
    seatAt(*seat).bonus = "finished";
    e.sounds.push_back("pass");
    return e;
}

Effects Game::allfinished(std::string_view)
{
    if (!m_started)
        return outOfGame("everyone's finish vote");
    Effects e;
    e.lines.push_back({ "0+Everyone has voted to finish this round.", kBlue });
    return e;
}

// ---------------------------------------------------------------- after a broken link

void Game::startClock(int seconds)
{
    m_seconds = seconds;
    m_barWidth = seconds;
    m_timeText = clockText(seconds);
    m_clockRunning = true;
    ++m_clockGeneration;
}

void Game::beginCatchUp()
{
    m_catchingUp = true;
    m_clockRestored = false;
    m_turnRetold = false;
    m_started = false;
    m_startButton = m_host;
    m_whoseTurn = 0;
    m_clockRunning = false;
    m_markerShown = false;
    m_winnerShown = false;
    m_wordListsShown = m_missedShown = false;
    m_missed.clear();
    noTurnButtons();
    m_rack.cleartiles();
    m_rack.clearPictures();
    emptyBoxes();
    setStatus("", kStatusPlain);
}

Effects Game::restoreClock(std::string_view rest)
{
    const auto seconds = intField(rest, 0, 0, rules::kLongestTurn + rules::kTurnGrace);
    if (!seconds)
        return dropped("turn clock out of range");
    if (!m_catchingUp)
        return dropped("turn clock outside a rejoin");
    startClock(std::max(0, *seconds - rules::kTurnGrace));
    m_clockRestored = true;
    return {};
}

void Game::endCatchUp()
{
    if (m_catchingUp && m_started && !m_turnRetold) {
        // A game between turns: the snapshot names the last turn's player, but nobody plays now.
        m_whoseTurn = 0;
        m_markerShown = false;
        noTurnButtons();
        setStatus("", kStatusPlain);
    }
    m_catchingUp = false;
    m_clockRestored = false;
    m_turnRetold = false;
}

void Game::clearSeat(int seat)
{
    if (rules::isPlayerSeat(seat))
        seatAt(seat) = SeatBoard {};
}

void Game::forgetGame()
{
    beginCatchUp();
    endCatchUp();
    clearall();
    m_result.clear();
    m_winnerText.clear();
    for (WordList& list : m_wordLists)
        list = WordList {};
}

// ---------------------------------------------------------------- the player's actions

void Game::takeTile(int tile, Effects& e)
{
    if (!m_rack.take(tile))
        return;
    send(e, net::msg::setdice(m_roster.mySeat(), m_rack.wordLength(), tile));
    e.sounds.push_back("puttile");
}

void Game::takeBack(int tile, Effects& e)
{
    if (!m_rack.takeBack(tile))
        return;
    send(e, net::msg::setdice(m_roster.mySeat(), 0, tile));
    e.sounds.push_back("clear");
}

Effects Game::leftClick(int tile)
{
    Effects e;
    if (!myTurn() || tile < 1 || tile > rules::kZirkedTiles || !m_rack.tile(tile).visible)
        return e;
    if (m_rack.tile(tile).wordPosition == 0) {
        takeTile(tile, e);
    } else {
        takeBack(tile, e);
        e.focusChat = true;
    }
    return e;
}

Effects Game::otherClick(int tile)
{
    Effects e;
    if (!myTurn() || tile < 1 || tile > rules::kZirkedTiles || !m_rack.tile(tile).visible)
        return e;
    if (m_rack.tile(tile).wordPosition == 0) {
        m_rack.shufflethem(m_random);
    } else {
        takeBack(tile, e);
        e.focusChat = true;
    }
    return e;
}

Effects Game::backspace()
{
    Effects e;
    if (myTurn() && m_rack.wordLength() > 0)
        takeBack(m_rack.word().back(), e);
    return e;
}

Effects Game::hitclear()
{
    Effects e;
    if (!myTurn())
        return e;
    m_rack.cleartiles();
    send(e, net::msg::clearthem(m_roster.mySeat()));
    e.sounds.push_back("clear");
    e.focusChat = true;
    return e;
}

Effects Game::hitdone()
{
    Effects e;
    if (!myTurn())
        return e;
    e.focusChat = true;
    const std::vector<int> tiles = m_rack.word();
    if (tiles.empty()) {
        setStatus("Nothing to send: take tiles into the word first.", kStatusPlain);
        return e;
    }
    send(e, net::msg::done(m_roster.mySeat(), tiles));
    // The host's verdict comes later; the rack is free for the next word at once.
    m_rack.cleartiles();
    return e;
}

Effects Game::shuffle()
{
    if (myTurn())
        m_rack.shufflethem(m_random);
    return {};
}

Effects Game::hitnew()
{
    Effects e;
    if (!myTurn())
        return e;
    m_rack.cleartiles();
    send(e, net::msg::newtiles(m_roster.mySeat()));
    m_buttons.newTiles = false;
    e.focusChat = true;
    return e;
}

Effects Game::hitold()
{
    Effects e;
    if (!myTurn())
        return e;
    m_rack.cleartiles();
    send(e, net::msg::oldtiles(m_roster.mySeat()));
    m_buttons.oldTiles = false;
    e.focusChat = true;
    return e;
}

Effects Game::finish()
{
    Effects e;
    if (myTurn())
        send(e, net::msg::finish(m_roster.mySeat()));
    return e;
}

Effects Game::toggleTyping()
{
    m_typingOn = !m_typingOn;
    Effects e;
    e.spoken.emplace_back(typingText());
    return e;
}

Effects Game::chooseTwoRows(bool twoRows)
{
    Effects e;
    if (myTurn())
        e = hitclear();
    m_rack.setTwoRows(twoRows);
    return e;
}

bool Game::key(Key key, char letter, Effects& out)
{
    if (!myTurn() || !m_settings.typing)
        return false;
    if (key == Key::Tab) {
        out = toggleTyping();
        return true;
    }
    if (!m_typingOn)
        return false;
    switch (key) {
    case Key::Enter:
        out = hitdone();
        break;
    case Key::Backspace:
        out = backspace();
        break;
    case Key::One:
        out = hitclear();
        break;
    case Key::Six:
    case Key::Space:
        out = shuffle();
        break;
    case Key::Zero:
        if (!m_turnOff0)
            out = hitnew();
        break;
    case Key::Letter:
        if (const int tile = m_rack.freeTileWith(letter))
            takeTile(tile, out);
        else // nothing moves: say why, or the key seems lost
            out.spoken.push_back("No " + std::string(1, letter) + " left on the rack");
        break;
    default:
        break;
    }
    return true;
}

std::string Game::summary() const
{
    std::string out = m_status;
    if (out.empty())
        out = m_started ? "Between turns." : "No game running.";
    if (m_clockRunning)
        out += " " + m_timeText + ".";
    if (myTurn()) {
        const std::string word = m_rack.wordLetters();
        out += " Word: " + (word.empty() ? std::string("none") : word) + ". Rack: " + m_rack.rackLetters() + ".";
        if (m_settings.typing)
            out += " " + std::string(typingText()) + ".";
    }
    return out + " Current: " + std::to_string(currentSum()) + ".";
}

Effects Game::tick()
{
    Effects e;
    if (!m_clockRunning)
        return e;
    --m_seconds;
    m_barWidth = std::max(0, m_seconds);
    if (m_seconds < 0) {
        m_clockRunning = false;
        m_seconds = 0;
        m_timeText = clockText(0);
        if (myTurn())
            endturn(e);
        m_whoseTurn = 0;
        return e;
    }
    if (m_seconds == 20 || m_seconds == 15 || m_seconds <= 10)
        e.sounds.push_back("time");
    if (m_seconds == kHurrySeconds && myTurn())
        e.spoken.push_back(std::to_string(kHurrySeconds) + " seconds left");
    m_timeText = clockText(m_seconds);
    return e;
}

} // namespace client
