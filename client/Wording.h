#pragma once
// The board in words: counts with their grammar, the player's own lines in the
// second person, the typing state, and the sentences a screen reader speaks for
// a tile, a box, a seat and the clock. Plain C++, so that every rule of the
// wording is tested without a window.

#include <string>
#include <string_view>
#include <vector>

namespace client
{

// "1 word", "2 words", "0 words".
std::string countOf(long long n, std::string_view one, std::string_view many);
inline std::string wordCount(long long n) { return countOf(n, "word", "words"); }

// What "You" does: the first word of `phrase` loses the third person
// ("waves" -> "wave", "says: hi" -> "say: hi", "is" -> "are"); the rest stays.
std::string secondPerson(std::string_view phrase);

// A chat or action line from the host ("3+Ann chats: hi") as this player reads
// it: their own lines in the second person ("3+You chat: hi", "3+You wave"),
// everyone else's as they came.
std::string ownLine(std::string_view line, int mySeat, std::string_view myName);

// The typing check box, which says what the keys do now.
inline constexpr std::string_view kTypingOn = "Typing: ON \u2014 letters build words";
inline constexpr std::string_view kTypingOff = "Typing: OFF \u2014 keys go to the chat";
inline std::string_view typingText(bool on) { return on ? kTypingOn : kTypingOff; }

// A box's caption: "5 Letters", with "full" or "closed" so that the colour is
// never the only sign.
std::string boxCaption(int length, bool full, bool closed);

// What a screen reader says for one tile: its letter and where it is.
// `wordPlace` 0: on the rack; otherwise its place in the word being built.
std::string tileWords(int number, char letter, int wordPlace);

// One box: its length, its words and what they are worth.
std::string boxWords(int length, const std::vector<std::string>& words, int points, bool full, bool closed);

// One seat as a screen reader reads it.
struct SeatFacts {
    int seat = 0;
    std::string name; // "<Waiting>" for a free seat
    std::string score;
    std::string bonus; // "+750", "-500", "finished" or empty
    bool free = false;
    bool mine = false;
    bool onTurn = false;
    bool watching = false;
    bool boughtTiles = false;
};
std::string seatWords(const SeatFacts& s);

// The clock: "Time: 0:42", and in the last ten seconds of a running turn also
// "hurry" (the bar's colour is not the only sign).
std::string clockWords(const std::string& timeText, int seconds, bool running);
inline constexpr int kHurrySeconds = 10;

} // namespace client
