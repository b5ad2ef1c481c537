#pragma once
// What one host message or one of the player's actions comes to, for whoever
// shows the game: messages to send, sounds, chat lines, the tally, and what
// changed at the table. The window carries them out; it never sees a command.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace client
{

// Colours as 0x00BBGGRR.
inline constexpr std::uint32_t kBlue = 0xFF0000;
inline constexpr std::uint32_t kNavy = 0x800000;
inline constexpr std::uint32_t kWatchGrey = 0x78989C;
inline constexpr std::uint32_t kRed = 0x0000FF;
inline constexpr std::uint32_t kGreen = 0x008000;
inline constexpr std::uint32_t kMaroon = 0x000080;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kSilver = 0xC0C0C0;
// The status line's colour where no verdict colours it.
inline constexpr std::uint32_t kStatusPlain = 0x733F1D;
// A full box's words: done, not wrong.
inline constexpr std::uint32_t kFullBoxText = 0x502A10;
inline constexpr std::uint32_t kTypingOffGrey = 0x505050;

struct ChatLine {
    std::string text; // "0+..." : style, "+", text
    std::uint32_t colour = kBlue;
    friend bool operator==(const ChatLine&, const ChatLine&) = default;
};

struct SpyEntry {
    int seat = 0;
    std::string name;
    friend bool operator==(const SpyEntry&, const SpyEntry&) = default;
};

// A rack from the host.
struct Deal {
    int seat = 0;
    bool fresh = false; // a new turn's tiles, not tiles bought within the turn
    bool zirked = false; // thirteen tiles (for a fresh deal)
    std::string letters;
};

// The host's answer to a word.
struct WordVerdict {
    std::string word;
    bool accepted = false;
    std::string reason; // a rejection's text as the host gives it, "+ Rejected..."
};

// One seat's result for a turn.
struct TurnResult {
    int seat = 0;
    int points = 0;
    int bonus = 0;
    int words = 0;
};

struct Effects {
    std::vector<std::string> send; // framed messages for the host
    std::vector<std::string> sounds; // names for playSound
    std::vector<ChatLine> lines;
    bool focusChat = false;
    // Said to a screen reader as it happens, beyond what the board shows in its
    // labels (those speak for themselves when they change).
    std::vector<std::string> spoken;

    // The table
    std::optional<int> seated; // the host gave us this seat: we may speak from now on
    bool loggedIn = false; // the host confirmed our login (again after a reconnect): read the settings
    std::optional<bool> hostRights; // the start button and the removal items are ours, or no longer
    std::optional<SpyEntry> spyAdded;
    std::optional<SpyEntry> spyRemoved;
    std::optional<bool> justWatchChecked; // the host's answer about our own seat
    bool gameFull = false; // refused: the program ends once the player has read it
    std::vector<SpyEntry> spiesGone; // spectators who left while the link was down

    // The link to the host
    std::optional<bool> mayRejoin; // a broken link may be mended with the seat token (or no longer)
    bool hostSpeaksAdditions = false; // it sent a seat token: heartbeats may start
    bool backInGame = false; // the seat is back after a broken link, or we are in again as a newcomer

    // The tally
    std::optional<std::string> tallyGame; // addgame: winner's name or "addtomine"
    std::optional<int> turnScore; // this player's turn sum, for the best-turn record
    std::optional<int> gameScore; // this player's final score, for the best-game record

    // What happened in play, for those who play by it (the computer players)
    bool wrongVersion = false; // the host runs another version of the game
    std::optional<int> left; // the seat of a player or spectator who left
    bool gameStarted = false;
    std::optional<int> turnStarted; // the seat on turn, as shown
    std::optional<Deal> dealt;
    std::optional<WordVerdict> verdict;
    std::optional<TurnResult> scored;
    bool turnOver = false; // the turn ended, or the game did

    std::optional<std::string> ignored; // why a host message changed nothing (for the log)
};

} // namespace client
