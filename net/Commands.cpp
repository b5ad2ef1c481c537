#include "Commands.h"

#include "Framing.h"
#include "Text.h"

namespace net
{

namespace
{
std::string num(int n) { return std::to_string(n); }
std::string text(std::string_view s) { return cleanField(s, false); }
std::string rest(std::string_view s) { return cleanField(s, true); }

// first field, the seven option fields, then `last` (each sender closes with a "+").
std::vector<std::string> withOptions(std::string first, const GameOptions& options, std::vector<std::string> last)
{
    std::vector<std::string> fields { std::move(first) };
    for (std::string& f : gameOptionFields(options))
        fields.push_back(std::move(f));
    for (std::string& f : last)
        fields.push_back(std::move(f));
    return fields;
}
} // namespace

const Command* findCommand(std::string_view name)
{
    for (const Command& c : kCatalogue)
        if (c.name == name)
            return &c;
    return nullptr;
}

bool hostSends(std::string_view name)
{
    const Command* c = findCommand(name);
    return c && c->direction != Direction::ToHost;
}

bool clientSends(std::string_view name)
{
    const Command* c = findCommand(name);
    return c && c->direction != Direction::ToClient;
}

bool isSeatToken(std::string_view text)
{
    if (text.size() != kSeatTokenLength)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

namespace msg
{

std::string logininfo(int seat, std::string_view version, std::string_view name)
{
    return frame(cmd::logininfo, { num(seat), text(version), rest(name) });
}
std::string chat(int seat, std::string_view t) { return frame(cmd::chat, { num(seat), rest(t) }); }
std::string action(int seat, std::string_view t) { return frame(cmd::action, { num(seat), rest(t) }); }
std::string kickhim(int sender, int target) { return frame(cmd::kickhim, { num(sender), num(target), "" }); }

std::string startgame(int sender, const GameOptions& o)
{
    return frame(cmd::startgame, withOptions(num(sender), o, { "" }));
}

std::string justwatch(int seat, bool watch) { return frame(cmd::justwatch, { num(seat), watch ? "1" : "2" }); }
std::string setdice(int seat, int pos, int tile) { return frame(cmd::setdice, { num(seat), num(pos), num(tile) }); }

std::string done(int seat, const std::vector<int>& tiles)
{
    std::vector<std::string> fields { num(seat) };
    for (int t : tiles)
        fields.push_back(num(t));
    return frame(cmd::done, fields);
}

std::string clearthem(int seat) { return frame(cmd::clearthem, { num(seat) }); }
std::string newtiles(int seat) { return frame(cmd::newtiles, { num(seat) }); }
std::string oldtiles(int seat) { return frame(cmd::oldtiles, { num(seat) }); }
std::string setmakewait(int seat, bool wait) { return frame(cmd::setmakewait, { num(seat), wait ? "t" : "f" }); }
std::string finish(int seat) { return frame(cmd::finish, { num(seat) }); }
std::string playasound(int seat, std::string_view sound) { return frame(cmd::playasound, { num(seat), rest(sound) }); }

std::string sendlogininfo(int seat) { return frame(cmd::sendlogininfo, { num(seat) }); }
std::string full() { return frame(cmd::full, {}); }
std::string newplayerinfo(int seat, std::string_view name)
{
    return frame(cmd::newplayerinfo, { num(seat), rest(name) });
}
std::string existingplayers(int seat, std::string_view name)
{
    return frame(cmd::existingplayers, { num(seat), rest(name) });
}
std::string havewrongversion(std::string_view name) { return frame(cmd::havewrongversion, { rest(name) }); }
std::string wrongversion() { return frame(cmd::wrongversion, {}); }

std::string stats(int shownSeat, const GameOptions& o, std::string_view gameState)
{
    return frame(cmd::stats, withOptions(num(shownSeat), o, { text(gameState), "" }));
}

std::string loadscores(int seat, int score) { return frame(cmd::loadscores, { num(seat), num(score) }); }

std::string thedice(int seat, std::string_view kind, const std::vector<char>& letters)
{
    std::vector<std::string> fields { num(seat), text(kind) };
    for (char c : letters)
        fields.push_back(text(std::string_view(&c, 1)));
    return frame(cmd::thedice, fields);
}

std::string playerdisconnected(int seat, std::string_view name)
{
    return frame(cmd::playerdisconnected, { num(seat), rest(name) });
}
std::string chatRelay(int seat, std::string_view line) { return frame(cmd::chat, { num(seat), rest(line) }); }
std::string actionRelay(int seat, std::string_view line) { return frame(cmd::action, { num(seat), rest(line) }); }
std::string playasoundRelay(int seat, std::string_view sound)
{
    return frame(cmd::playasound, { num(seat), rest(sound) });
}

std::string startgameRelay(std::string_view starter, const GameOptions& o)
{
    return frame(cmd::startgame, withOptions(text(starter), o, { "" }));
}

std::string nextplayer(int seat) { return frame(cmd::nextplayer, { num(seat) }); }
std::string setdiceRelay(int pos, int tile) { return frame(cmd::setdice, { num(pos), num(tile) }); }
std::string clearthemRelay() { return frame(cmd::clearthem, {}); }
std::string newtilesRelay(int seat, int score) { return frame(cmd::newtiles, { num(seat), num(score) }); }
std::string oldtilesRelay(int seat, int score) { return frame(cmd::oldtiles, { num(seat), num(score) }); }
std::string accepted(int length, std::string_view word) { return frame(cmd::accepted, { num(length), text(word) }); }
std::string addaword(int seat, int length, std::string_view word)
{
    return frame(cmd::addaword, { num(seat), num(length), text(word) });
}

std::string rejected(std::string_view word, std::string_view reason)
{
    // The reason texts carry their own leading "+", so the word is followed
    // directly by the reason: "CMD_rejected+CAT+ Rejected".
    std::string out(cmd::rejected);
    out += '+';
    out += text(word);
    out += cleanField(reason, true);
    out += kTerminator;
    return out;
}

std::string justwatching(int seat, bool watching)
{
    return frame(cmd::justwatching, { num(seat), watching ? "1" : "2" });
}
std::string ifinished(int seat) { return frame(cmd::ifinished, { num(seat), "" }); }
std::string allfinished() { return frame(cmd::allfinished, {}); }
std::string turnend() { return frame(cmd::turnend, {}); }

std::string scores(int seat, int points, int bonus, int words, int score, int partner, int partnerScore)
{
    return frame(cmd::scores,
        { num(seat), num(points), num(bonus), num(words), num(score), num(partner), num(partnerScore), "" });
}

std::string winner(std::string_view t) { return frame(cmd::winner, { rest(t) }); }

std::string seattoken(int seat, std::string_view token) { return frame(cmd::seattoken, { num(seat), text(token) }); }
std::string rejoined(int seat) { return frame(cmd::rejoined, { num(seat) }); }
std::string rejoinrefused(std::string_view reason) { return frame(cmd::rejoinrefused, { rest(reason) }); }
std::string seatheld(int seat, int seconds) { return frame(cmd::seatheld, { num(seat), num(seconds) }); }
std::string seatback(int seat) { return frame(cmd::seatback, { num(seat) }); }
std::string clock(int seconds) { return frame(cmd::clock, { num(seconds) }); }
std::string leader(int seat) { return frame(cmd::leader, { num(seat) }); }
std::string notice(std::string_view t) { return frame(cmd::notice, { rest(t) }); }
std::string pong(std::string_view n) { return frame(cmd::pong, { text(n) }); }
std::string rejoin(int seat, std::string_view token, std::string_view version)
{
    return frame(cmd::rejoin, { num(seat), text(token), text(version) });
}
std::string ping(std::string_view n) { return frame(cmd::ping, { text(n) }); }
std::string removed(int seat) { return frame(cmd::removed, { num(seat) }); }
std::string leave(int seat) { return frame(cmd::leave, { num(seat) }); }

} // namespace msg
} // namespace net
