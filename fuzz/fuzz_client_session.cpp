// The client's session fed whatever a hostile host may send. The input is the
// host's byte stream: it is cut into lines at each 0xFF, as the window's
// connection cuts it, and each line goes to client::Session::receive. A line
// that starts with the byte 0x01 is not from the host but the player and the
// clock: each byte after it is one of the player's moves or a tick of the turn
// clock, so that what the host said is also acted on.
//
// Nothing may crash or grow without bound; everything the session sends back
// is one well-formed message that a window may send, naming a seat the host
// gave; everything meant for the screen is valid UTF-8; every seat, tile and
// length the model reports is in range.

#include "client/Session.h"
#include "net/Commands.h"
#include "net/Fields.h"
#include "net/Framing.h"
#include "net/Text.h"
#include "rules/Options.h"
#include "rules/Seats.h"
#include "rules/Words.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace
{

constexpr char kPlayerLine = '\x01';
// What the model keeps, whatever the host sends: a box's and a word list's
// lines, the spectator seats, the words missed.
constexpr std::size_t kMaxBoxLines = 50;
constexpr std::size_t kMaxListLines = 200;
constexpr std::size_t kMaxSpectators = rules::kMaxSeat - rules::kPlayerSeats;
constexpr std::size_t kMaxMissed = 10;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void checkText(std::string_view text) { check(net::isValidUtf8(text)); }

bool inRange(int n, int lo, int hi) { return n >= lo && n <= hi; }

int number(std::string_view field)
{
    const auto n = net::parseInt(field);
    check(n.has_value());
    return *n;
}

// One message for the host: its command may come from a window, it names a
// seat the host could have given, and a word or tile move is one the host
// could take.
void checkSent(const std::string& bytes, const client::Session& s)
{
    check(bytes.size() >= 2 && bytes.back() == net::kTerminator);
    const std::string_view line(bytes.data(), bytes.size() - 1);
    check(line.find(net::kTerminator) == std::string_view::npos);
    check(line.find_first_of("\r\n") == std::string_view::npos);
    const net::SplitLine split = net::splitCommand(line);
    check(net::clientSends(split.command));
    const std::vector<std::string_view> f = net::splitFields(split.rest);
    check(inRange(number(f[0]), 1, rules::kMaxSeat));
    if (split.command == net::cmd::done) {
        check(f.size() >= 2 && f.size() <= 1 + rules::kMaxWordLength);
        unsigned tiles = 0;
        for (std::size_t i = 1; i < f.size(); ++i) {
            const int tile = number(f[i]);
            check(inRange(tile, 1, rules::kZirkedTiles) && !(tiles & 1u << tile));
            tiles |= 1u << tile;
        }
    } else if (split.command == net::cmd::setdice) {
        check(f.size() == 3 && inRange(number(f[1]), 0, rules::kMaxWordLength));
        check(inRange(number(f[2]), 1, rules::kZirkedTiles));
    }
    // The leader may set another seat to watch; everything else speaks for this seat.
    if (split.command != net::cmd::justwatch)
        check(number(f[0]) == s.roster().mySeat());
}

void checkEffects(const client::Effects& e, const client::Session& s)
{
    for (const std::string& m : e.send)
        checkSent(m, s);
    for (const client::ChatLine& l : e.lines)
        checkText(l.text);
    if (e.seated)
        check(rules::isSeat(*e.seated));
    for (const auto& spy : { e.spyAdded, e.spyRemoved }) {
        if (spy) {
            check(inRange(spy->seat, rules::kPlayerSeats + 1, rules::kMaxSeat));
            checkText(spy->name);
        }
    }
    if (e.left)
        check(rules::isSeat(*e.left));
    if (e.turnStarted)
        check(inRange(*e.turnStarted, 0, rules::kPlayerSeats));
    if (e.dealt)
        check(inRange(e.dealt->seat, 0, rules::kMaxSeat) && e.dealt->letters.size() <= rules::kZirkedTiles);
    if (e.verdict) {
        checkText(e.verdict->word);
        checkText(e.verdict->reason);
    }
    if (e.scored)
        check(rules::isPlayerSeat(e.scored->seat));
    if (e.tallyGame)
        checkText(*e.tallyGame);
}

// What the board and the lists show.
void checkTable(const client::Session& s)
{
    const client::Roster& r = s.roster();
    const client::Game& g = s.game();
    check(r.mySeat() == 0 || rules::isSeat(r.mySeat()));
    check(r.spies().size() <= kMaxSpectators);
    for (const std::string& spy : r.spies())
        checkText(spy);
    for (int seat = 1; seat <= rules::kPlayerSeats; ++seat) {
        checkText(r.name(seat));
        const client::WordList& list = g.wordList(seat);
        check(list.lines.size() <= kMaxListLines);
        checkText(list.name);
        for (const std::string& line : list.lines)
            checkText(line);
    }
    for (int length = rules::kMinWordLength; length <= rules::kMaxWordLength; ++length) {
        check(g.box(length).words.size() <= kMaxBoxLines);
        for (const std::string& word : g.box(length).words)
            checkText(word);
    }
    check(inRange(g.whoseTurn(), 0, rules::kPlayerSeats));
    check(inRange(g.turnMarkerSeat(), 0, rules::kPlayerSeats));
    check(inRange(g.settings().timePerTurn, 0, rules::kLongestTurn));
    check(inRange(g.clockSeconds(), 0, rules::kLongestTurn) && g.clockBarWidth() >= 0);
    check(g.missedWords().size() <= kMaxMissed);
    for (const solver::MissedWord& m : g.missedWords())
        check(rules::isWordLength(m.length) && m.word.size() == static_cast<std::size_t>(m.length));
    for (const std::string* text : { &g.status(), &g.resultText(), &g.winnerText(), &g.teamText() })
        checkText(*text);
    for (const std::string& info : g.infoTexts())
        checkText(info);
}

// The rack and the word being built: distinct tiles, each where the rack says it is.
void checkRack(const client::Rack& rack)
{
    const std::vector<int> word = rack.word();
    check(static_cast<int>(word.size()) == rack.wordLength() && rack.wordLength() <= rules::kMaxWordLength);
    unsigned inWord = 0; // bit n: tile n is in the word
    for (std::size_t i = 0; i < word.size(); ++i) {
        check(inRange(word[i], 1, rules::kZirkedTiles) && !(inWord & 1u << word[i]));
        inWord |= 1u << word[i];
        check(rack.tile(word[i]).wordPosition == static_cast<int>(i) + 1);
    }
    unsigned places = 0;
    for (int n = 1; n <= rules::kZirkedTiles; ++n) {
        const client::Tile& t = rack.tile(n);
        check(inRange(t.place, 1, rules::kZirkedTiles) && !(places & 1u << t.place));
        places |= 1u << t.place;
        check(inRange(t.shownInWord, 0, rules::kMaxWordLength));
        check(t.wordPosition == 0 || (inWord & 1u << n));
    }
}

// The player's moves and the clock, one byte each.
void play(std::string_view moves, client::Session& s)
{
    client::Game& g = s.game();
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const auto op = static_cast<unsigned char>(moves[i]);
        // The byte after the move, where the move needs one.
        const auto arg = [&] { return i + 1 < moves.size() ? static_cast<unsigned char>(moves[++i]) : 0u; };
        client::Effects e;
        switch (op % 20) {
        case 0:
            e = g.leftClick(static_cast<int>(arg() % 15));
            break;
        case 1:
            e = g.otherClick(static_cast<int>(arg() % 15));
            break;
        case 2:
            e = g.backspace();
            break;
        case 3:
            e = g.hitclear();
            break;
        case 4:
            e = g.hitdone();
            break;
        case 5:
            e = g.shuffle();
            break;
        case 6:
            e = g.hitnew();
            break;
        case 7:
            e = g.hitold();
            break;
        case 8:
            e = g.finish();
            break;
        case 9:
            e = g.toggleTyping();
            break;
        case 10: {
            const auto key = static_cast<client::Key>(arg() % 9);
            g.key(key, static_cast<char>(arg()), e);
            break;
        }
        case 11:
        case 12:
            e = g.tick();
            break;
        case 13:
            e = g.chooseTwoRows(arg() & 1);
            break;
        case 14: {
            const unsigned flags = arg();
            s.setChatterSounds(flags & 1);
            g.setTurnSoundNew(flags & 2);
            g.setTurnOff0(flags & 4);
            g.setShowMissed(flags & 8);
            s.setHosting(flags & 16);
            break;
        }
        case 15:
            e = s.removePlayer(static_cast<int>(arg() % 12) - 1);
            break;
        case 16: {
            const unsigned seat = arg();
            e = s.setJustWatch(static_cast<int>(seat % 12) - 1, seat & 0x80);
            break;
        }
        case 17:
            e = s.toggleJustWatch(arg() & 1);
            break;
        case 18: {
            net::GameOptions o;
            o.fast = arg() & 1;
            o.timePerTurn = 1 + static_cast<int>(arg() % 120);
            e = s.startGame(o);
            break;
        }
        default:
            s.disconnected();
            break;
        }
        checkEffects(e, s);
        checkRack(g.rack());
    }
    checkTable(s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    client::Session session(7);
    session.setLoginName("Bob");
    // Working out the words missed costs more than all the rest of a turn; a
    // player line turns it on where an input wants it (move 14), for one turn.
    session.game().setShowMissed(false);
    net::Framer framer;
    std::vector<std::string> lines;
    // An unterminated tail waits for bytes that never come, as on the wire.
    if (framer.feed(std::string_view(reinterpret_cast<const char*>(data), size), lines) == net::Framer::Status::Overflow)
        return 0; // the window leaves such a host
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == kPlayerLine) {
            play(std::string_view(line).substr(1), session);
            continue;
        }
        const client::Effects e = session.receive(line);
        checkEffects(e, session);
        checkTable(session);
        checkRack(session.game().rack());
        // Once a turn, at most, until a player line asks again.
        if (e.turnOver)
            session.game().setShowMissed(false);
    }
    return 0;
}
