#pragma once
// The command catalogue: every command name, and one builder per message so
// that no handler concatenates wire text by hand. Builders clean their text
// fields (no 0xFF, CR, LF; "+" only in a last field that is taken as the rest).

#include "GameOptions.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace net
{

namespace cmd
{
// client -> host
inline constexpr std::string_view logininfo = "CMD_logininfo";
inline constexpr std::string_view chat = "CMD_chat";
inline constexpr std::string_view action = "CMD_action";
inline constexpr std::string_view kickhim = "CMD_kickhim";
inline constexpr std::string_view startgame = "CMD_startgame";
inline constexpr std::string_view justwatch = "CMD_justwatch";
inline constexpr std::string_view setdice = "CMD_setdice";
inline constexpr std::string_view done = "CMD_done";
inline constexpr std::string_view clearthem = "CMD_clearthem";
inline constexpr std::string_view newtiles = "CMD_newtiles";
inline constexpr std::string_view oldtiles = "CMD_oldtiles";
inline constexpr std::string_view setmakewait = "CMD_setmakewait";
inline constexpr std::string_view finish = "CMD_finish";
inline constexpr std::string_view playasound = "CMD_playasound";
// host -> client (chat, action, startgame, setdice, clearthem, newtiles,
// oldtiles and playasound share their names with the client's commands)
inline constexpr std::string_view sendlogininfo = "CMD_sendlogininfo";
inline constexpr std::string_view full = "CMD_full";
inline constexpr std::string_view newplayerinfo = "CMD_newplayerinfo";
inline constexpr std::string_view existingplayers = "CMD_existingplayers";
inline constexpr std::string_view havewrongversion = "CMD_havewrongversion";
inline constexpr std::string_view wrongversion = "CMD_wrongversion";
inline constexpr std::string_view stats = "CMD_stats";
inline constexpr std::string_view loadscores = "CMD_loadscores";
inline constexpr std::string_view thedice = "CMD_thedice";
inline constexpr std::string_view playerdisconnected = "CMD_playerdisconnected";
inline constexpr std::string_view nextplayer = "CMD_nextplayer";
inline constexpr std::string_view accepted = "CMD_accepted";
inline constexpr std::string_view addaword = "CMD_addaword";
inline constexpr std::string_view rejected = "CMD_rejected";
inline constexpr std::string_view justwatching = "CMD_justwatching";
inline constexpr std::string_view ifinished = "CMD_ifinished";
inline constexpr std::string_view allfinished = "CMD_allfinished";
inline constexpr std::string_view turnend = "CMD_turnend";
inline constexpr std::string_view scores = "CMD_scores";
inline constexpr std::string_view winner = "CMD_winner";
// Additions (new commands, so that peers that do not know them ignore them).
// host -> client
inline constexpr std::string_view seattoken = "CMD_seattoken";
inline constexpr std::string_view rejoined = "CMD_rejoined";
inline constexpr std::string_view rejoinrefused = "CMD_rejoinrefused";
inline constexpr std::string_view seatheld = "CMD_seatheld";
inline constexpr std::string_view seatback = "CMD_seatback";
inline constexpr std::string_view clock = "CMD_clock";
inline constexpr std::string_view leader = "CMD_leader";
inline constexpr std::string_view notice = "CMD_notice";
inline constexpr std::string_view pong = "CMD_pong";
inline constexpr std::string_view removed = "CMD_removed";
// client -> host
inline constexpr std::string_view rejoin = "CMD_rejoin";
inline constexpr std::string_view ping = "CMD_ping";
inline constexpr std::string_view leave = "CMD_leave";
} // namespace cmd

// Which way a command travels. Eight names are used both ways, with different
// fields: the host rebuilds every message it relays.
enum class Direction { ToHost, ToClient, Both };

struct Command {
    std::string_view name;
    Direction direction;
    bool added; // not known to older peers, which ignore it
};

// Every command of the protocol, once each; docs/protocol.md describes them
// and a test keeps the two in step.
inline constexpr std::array<Command, 47> kCatalogue = { {
    { cmd::logininfo, Direction::ToHost, false },
    { cmd::chat, Direction::Both, false },
    { cmd::action, Direction::Both, false },
    { cmd::kickhim, Direction::ToHost, false },
    { cmd::startgame, Direction::Both, false },
    { cmd::justwatch, Direction::ToHost, false },
    { cmd::setdice, Direction::Both, false },
    { cmd::done, Direction::ToHost, false },
    { cmd::clearthem, Direction::Both, false },
    { cmd::newtiles, Direction::Both, false },
    { cmd::oldtiles, Direction::Both, false },
    { cmd::setmakewait, Direction::ToHost, false },
    { cmd::finish, Direction::ToHost, false },
    { cmd::playasound, Direction::Both, false },
    { cmd::sendlogininfo, Direction::ToClient, false },
    { cmd::full, Direction::ToClient, false },
    { cmd::newplayerinfo, Direction::ToClient, false },
    { cmd::existingplayers, Direction::ToClient, false },
    { cmd::havewrongversion, Direction::ToClient, false },
    { cmd::wrongversion, Direction::ToClient, false },
    { cmd::stats, Direction::ToClient, false },
    { cmd::loadscores, Direction::ToClient, false },
    { cmd::thedice, Direction::ToClient, false },
    { cmd::playerdisconnected, Direction::ToClient, false },
    { cmd::nextplayer, Direction::ToClient, false },
    { cmd::accepted, Direction::ToClient, false },
    { cmd::addaword, Direction::ToClient, false },
    { cmd::rejected, Direction::ToClient, false },
    { cmd::justwatching, Direction::ToClient, false },
    { cmd::ifinished, Direction::ToClient, false },
    { cmd::allfinished, Direction::ToClient, false },
    { cmd::turnend, Direction::ToClient, false },
    { cmd::scores, Direction::ToClient, false },
    { cmd::winner, Direction::ToClient, false },
    { cmd::seattoken, Direction::ToClient, true },
    { cmd::rejoined, Direction::ToClient, true },
    { cmd::rejoinrefused, Direction::ToClient, true },
    { cmd::seatheld, Direction::ToClient, true },
    { cmd::seatback, Direction::ToClient, true },
    { cmd::clock, Direction::ToClient, true },
    { cmd::leader, Direction::ToClient, true },
    { cmd::notice, Direction::ToClient, true },
    { cmd::pong, Direction::ToClient, true },
    { cmd::removed, Direction::ToClient, true },
    { cmd::rejoin, Direction::ToHost, true },
    { cmd::ping, Direction::ToHost, true },
    { cmd::leave, Direction::ToHost, true },
} };

// The catalogue's entry for a command word ("CMD_chat"); null for any other text.
const Command* findCommand(std::string_view name);
// Whether a host may send `name` to a window, and a window send it to the host.
bool hostSends(std::string_view name);
bool clientSends(std::string_view name);

// A seat token: 32 lowercase hexadecimal characters (128 random bits).
inline constexpr std::size_t kSeatTokenLength = 32;
bool isSeatToken(std::string_view text);

// Kinds of "CMD_thedice".
inline constexpr std::string_view kDiceThirteen = "true";
inline constexpr std::string_view kDiceTen = "false";
inline constexpr std::string_view kDiceNew = "new";
inline constexpr std::string_view kDiceOld = "old";

namespace msg
{
// ---- client -> host
std::string logininfo(int seat, std::string_view version, std::string_view name);
std::string chat(int seat, std::string_view text); // text is the rest
std::string action(int seat, std::string_view text); // text is the rest
std::string kickhim(int sender, int target);
std::string startgame(int sender, const GameOptions& options);
std::string justwatch(int seat, bool watch); // "1" watch, "2" play again
std::string setdice(int seat, int wordPosition, int tile);
std::string done(int seat, const std::vector<int>& tiles);
std::string clearthem(int seat);
std::string newtiles(int seat);
std::string oldtiles(int seat);
std::string setmakewait(int seat, bool wait);
std::string finish(int seat);
std::string playasound(int seat, std::string_view sound);

// ---- host -> clients
std::string sendlogininfo(int seat);
std::string full();
std::string newplayerinfo(int seat, std::string_view name);
std::string existingplayers(int seat, std::string_view name);
std::string havewrongversion(std::string_view name);
std::string wrongversion();
std::string stats(int shownSeat, const GameOptions& options, std::string_view gameState);
std::string loadscores(int seat, int score);
std::string thedice(int seat, std::string_view kind, const std::vector<char>& letters);
std::string playerdisconnected(int seat, std::string_view name);
std::string chatRelay(int seat, std::string_view line); // line = name + " chats: " + text
std::string actionRelay(int seat, std::string_view line); // line = name + " " + text
std::string playasoundRelay(int seat, std::string_view sound);
std::string startgameRelay(std::string_view starter, const GameOptions& options);
std::string nextplayer(int seat);
std::string setdiceRelay(int wordPosition, int tile);
std::string clearthemRelay();
std::string newtilesRelay(int seat, int score);
std::string oldtilesRelay(int seat, int score);
std::string accepted(int length, std::string_view word);
std::string addaword(int seat, int length, std::string_view word);
// reason is one of the literal texts that start with "+", e.g. "+ Rejected"
std::string rejected(std::string_view word, std::string_view reason);
std::string justwatching(int seat, bool watching);
std::string ifinished(int seat);
std::string allfinished();
std::string turnend();
std::string scores(int seat, int points, int bonus, int words, int score, int partner, int partnerScore);
std::string winner(std::string_view text);

// ---- additions; a peer that does not know one ignores it
// host -> client: the secret that takes `seat` back after a lost connection; older clients ignore it.
std::string seattoken(int seat, std::string_view token);
// host -> client: the rejoin worked and this connection now holds `seat`; older clients ignore it.
std::string rejoined(int seat);
// host -> client: no held seat matches the token; log in as new. Older clients ignore it.
std::string rejoinrefused(std::string_view reason); // reason is the rest
// host -> others: `seat` lost its connection and is held `seconds`; older clients ignore it.
std::string seatheld(int seat, int seconds);
// host -> others: the player in `seat` is back; older clients ignore it.
std::string seatback(int seat);
// host -> client: seconds left on the host's turn clock; older clients ignore it.
std::string clock(int seconds);
// host -> clients: `seat` may start games and remove players now; older clients ignore it.
std::string leader(int seat);
// host -> client: a line from the host itself, not from any player; older clients ignore it.
std::string notice(std::string_view text); // text is the rest
// host -> client: the answer to ping `n`; older clients never ping.
std::string pong(std::string_view n);
// host -> client: the leader removed the player in `seat`, just before the host closes
// the connection: the window must not come back by itself. Older clients ignore it.
std::string removed(int seat);
// client -> host: take back the seat of `token`, from the fresh `seat`; older hosts ignore it.
std::string rejoin(int seat, std::string_view token, std::string_view version);
// client -> host: heartbeat `n`; older hosts ignore it (so send it only to a host that sent a token).
std::string ping(std::string_view n);
// client -> host: the player in `seat` leaves on purpose: no hold. Older hosts ignore it.
std::string leave(int seat);
} // namespace msg

} // namespace net
