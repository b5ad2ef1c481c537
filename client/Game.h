#pragma once
// The client's mirror of the game: what the host has told it (settings, whose
// turn, the tiles, the words and scores) and what the player does with it.
// Every host message and every player action comes in as a call and goes out
// as Effects (messages to send, sounds, chat lines, tally entries); what the
// board shows is read from here, so the window only renders. Nothing the host
// sends can make it index out of range.

#include "client/Effects.h"
#include "client/Rack.h"
#include "client/Roster.h"
#include "net/GameOptions.h"
#include "rules/Words.h"
#include "solver/MissedWords.h"

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace client
{

struct WordBox {
    std::vector<std::string> words;
    std::uint32_t textColour = kGreen;
    std::uint32_t background = kWhite;
    int points = 0;
    bool full = false;
    bool closed = false; // the 3-letter box while the player on turn is Zirked
};

struct SeatBoard {
    std::string score = "0";
    std::string bonus;
    bool newTiles = false; // the bought-new-tiles marker
};

struct WordList {
    std::string name;
    std::vector<std::string> lines; // "7: EXAMPLE", longest first
    std::string count = "0 words";
    std::string score = "for +0";
};

// Which buttons of the own turn are on show.
struct TurnButtons {
    bool done = false;
    bool clear = false;
    bool newTiles = false;
    bool oldTiles = false;
    bool finish = false;
    bool typing = false; // the typing check box
};

// Keys as the window hands them over (letters upper case).
enum class Key { Letter, Tab, Enter, Backspace, One, Six, Space, Zero, Other };

class Game
{
public:
    Game(const Roster& roster, std::uint32_t seed);

    // ---- the player's options that change play
    void setTurnSoundNew(bool isNew) { m_turnSoundNew = isNew; }
    void setTurnOff0(bool off) { m_turnOff0 = off; }
    void setHostRights(bool host);
    // After a turn, the best words of its rack this player did not play.
    void setShowMissed(bool show) { m_showMissed = show; }
    // The stored option, as read from the settings file.
    void useTwoRows(bool twoRows) { m_rack.setTwoRows(twoRows); }
    // The player flipped "Tiles in Two Rows": a word in progress is cleared as "Clear" would.
    Effects chooseTwoRows(bool twoRows);

    // ---- host messages (the rest after the command word)
    Effects startthegame(std::string_view rest);
    Effects getnextplayer(std::string_view rest);
    Effects thedice(std::string_view rest);
    Effects setdice(std::string_view rest);
    Effects cleartilesRelay(std::string_view rest);
    Effects accepted(std::string_view rest);
    Effects rejected(std::string_view rest);
    Effects addaword(std::string_view rest);
    Effects newtiles(std::string_view rest);
    Effects oldtiles(std::string_view rest);
    Effects loadscores(std::string_view rest);
    Effects stats(std::string_view rest);
    Effects scores(std::string_view rest);
    Effects turnend(std::string_view rest);
    Effects winner(std::string_view rest);
    Effects ifinished(std::string_view rest);
    Effects allfinished(std::string_view rest);

    // ---- after a broken link
    // A rejoin was accepted: the host tells the game again as it stands now,
    // so whatever the board showed of the turn goes, and the catch-up's words
    // fill the boxes without a verdict each.
    void beginCatchUp();
    // "CMD_clock": the host's turn clock, grace included, during the catch-up.
    Effects restoreClock(std::string_view rest);
    void endCatchUp();
    bool catchingUp() const { return m_catchingUp; }
    // The seat emptied or changed hands: its score and marks are not the next player's.
    void clearSeat(int seat);
    // The window comes in again as a newcomer: nothing of the game it knew stays.
    void forgetGame();
    // The state of the link, in the status line ("Reconnecting… 2").
    void showLinkState(std::string text) { setStatus(std::move(text), kRed); }

    // ---- the player's actions
    Effects leftClick(int tile); // take from the rack, or take the last tile back
    Effects otherClick(int tile); // right or middle button: shuffle, or take the last tile back
    Effects backspace();
    Effects hitclear();
    Effects hitdone();
    Effects shuffle();
    Effects hitnew();
    Effects hitold();
    Effects finish();
    Effects toggleTyping();
    // takeGameKey: whether the key was taken from the chat input.
    bool key(Key key, char letter, Effects& out);
    // The turn clock's one-second tick.
    Effects tick();

    // ---- what the board shows
    const Rack& rack() const { return m_rack; }
    // The game as the host announced it (nothing allowed before it did).
    const net::GameOptions& settings() const { return m_settings; }
    int whoseTurn() const { return m_whoseTurn; }
    bool myTurn() const;
    bool started() const { return m_started; }
    const WordBox& box(int length) const { return m_boxes[static_cast<std::size_t>(length - rules::kMinWordLength)]; }
    int currentSum() const;
    const SeatBoard& seat(int seat) const { return m_seats[static_cast<std::size_t>(seat - 1)]; }
    const WordList& wordList(int seat) const { return m_wordLists[static_cast<std::size_t>(seat - 1)]; }
    const TurnButtons& buttons() const { return m_buttons; }
    bool typingOn() const { return m_typingOn; }
    // The typing box's words and colour: what the keys do now.
    std::string_view typingText() const;
    std::uint32_t typingColour() const { return m_typingOn ? kGreen : kTypingOffGrey; }
    // Letters typed now would build the word rather than reach the chat.
    bool lettersBuildWords() const { return myTurn() && m_settings.typing && m_typingOn; }
    bool startButton() const { return m_startButton; }
    const std::string& status() const { return m_status; }
    std::uint32_t statusColour() const { return m_statusColour; }
    const std::string& resultText() const { return m_result; }
    const std::string& winnerText() const { return m_winnerText; }
    bool winnerShown() const { return m_winnerShown; }
    bool wordListsShown() const { return m_wordListsShown; }
    void hideWordLists() { m_wordListsShown = m_missedShown = false; }
    const std::vector<solver::MissedWord>& missedWords() const { return m_missed; }
    bool missedShown() const { return m_missedShown; }
    int turnMarkerSeat() const { return m_markerSeat; }
    bool turnMarkerShown() const { return m_markerShown; }
    // The settings panel's texts, in order: play to, time, Zirked at, typing, new tiles, fast.
    const std::array<std::string, 6>& infoTexts() const { return m_info; }
    const std::string& teamText() const { return m_teamText; }
    bool clockRunning() const { return m_clockRunning; }
    // The last seconds of a running turn.
    bool clockHurry() const;
    // Counts the deals that started the clock, so the window can restart its timer in step.
    int clockGeneration() const { return m_clockGeneration; }
    int clockSeconds() const { return m_seconds; }
    int clockBarWidth() const { return m_barWidth; }
    const std::string& timeText() const { return m_timeText; }

    // The board in a sentence, for a player who cannot see it.
    std::string summary() const;

    static int boxPoints(int length, int words);
    static std::string clockText(int seconds);

private:
    WordBox& boxAt(int length) { return m_boxes[static_cast<std::size_t>(length - rules::kMinWordLength)]; }
    SeatBoard& seatAt(int seat) { return m_seats[static_cast<std::size_t>(seat - 1)]; }
    const std::string& nameOf(int seat) const;
    void clearall();
    void endturn(Effects& e);
    void emptyBoxes();
    void addToBox(int length, std::string word, Effects& e);
    void useOptions(const net::GameOptions& options);
    void ownTurnButtons();
    void noTurnButtons();
    void setStatus(std::string text, std::uint32_t colour);
    void startClock(int seconds);
    void resetClock(std::string text);
    // A seat's total after a turn: the player may have become Zirked, or stopped being it.
    void followZirked(int seat, int total, bool announce, Effects& e);
    void takeTile(int tile, Effects& e);
    void takeBack(int tile, Effects& e);
    Effects bought(std::string_view rest, bool fresh);
    // Whether a turn's points, bonus and word count are ones the rules can give.
    static bool turnReachable(int points, int bonus, int words);
    // Whether the player in `seat` is the one `winner` names.
    bool wonBy(int seat, const std::string& winner) const;
    void send(Effects& e, std::string message) const;

    const Roster& m_roster;
    std::mt19937 m_random;
    Rack m_rack;
    net::GameOptions m_settings { .team = false,
        .playToScore = 0,
        .timePerTurn = 0,
        .zirkedAt = 0,
        .newTiles = false,
        .typing = false,
        .fast = false };
    int m_whoseTurn = 0;
    bool m_started = false;
    bool m_host = false;
    bool m_turnSoundNew = false;
    bool m_turnOff0 = false;
    bool m_typingOn = false;
    bool m_startButton = false;
    std::array<WordBox, rules::kWordLengths> m_boxes {};
    std::array<SeatBoard, rules::kPlayerSeats> m_seats {};
    std::array<WordList, rules::kPlayerSeats> m_wordLists {};
    TurnButtons m_buttons;
    std::string m_status;
    std::uint32_t m_statusColour = kStatusPlain;
    std::string m_result;
    std::string m_winnerText;
    bool m_winnerShown = false;
    bool m_wordListsShown = false;
    int m_markerSeat = 0;
    bool m_markerShown = false;
    std::array<std::string, 6> m_info;
    std::string m_teamText;
    bool m_clockRunning = false;
    std::array<bool, rules::kPlayerSeats> m_zirked {};
    // The rack held last this turn (the bought set after buying), for the words the player missed.
    std::string m_turnRack;
    bool m_turnZirked = false;
    bool m_tookPart = false;
    bool m_showMissed = true;
    bool m_missedShown = false;
    std::vector<solver::MissedWord> m_missed;
    bool m_catchingUp = false;
    bool m_clockRestored = false; // the catch-up set the clock: its deal does not reset it
    bool m_turnRetold = false; // the catch-up named whose turn it is: a turn runs
    int m_clockGeneration = 0;
    int m_seconds = 0;
    int m_barWidth = 0;
    std::string m_timeText = "Time: 0:00";
};

} // namespace client
