#pragma once
// What this player may say, and the message that says it: typed chat and
// "/me" actions, the phrase buttons with their cool-down, and chatter sounds.
// Also the received chatter sound, which plays or becomes a chat line.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace chat
{

inline constexpr int kPhraseCount = 9;
inline constexpr int kMaxPhraseLength = 50;
inline constexpr int kChatterCount = 20;
// Two phrase clicks closer than this send one phrase.
inline constexpr std::chrono::milliseconds kPhraseCooldown { 100 };

inline constexpr std::array<std::string_view, kPhraseCount> kDefaultPhrases = { "Way To Go!", "Good One!", "Nice Try!",
    "Excellent!", "Brilliant!", "Wow, WTG!", "Thanks!", "Way To Go Teamie!", "Good Game Everyone!" };

// Menu captions of "wave1" .. "wave20".
inline constexpr std::array<std::string_view, kChatterCount> kChatterCaptions = { "Doh", "Cough", "Hello", "Thank You",
    "Where have you been?", "Snoring", "Sneezing", "Sorry", "Welcome", "Yeehaa", "Yippee", "Oh No", "Applause", "Honk",
    "Oooh", "Razzberry", "Cheer", "Woman Laughing", "Man Laughing", "Crying" };

// The game's event sounds, by the names the game plays them with.
inline constexpr std::array<std::string_view, 14> kGameSounds = { "badword", "clear", "entered", "filled", "gameover",
    "goodword", "pass", "puttile", "zirked", "showlist", "time", "timeup", "turn", "turnnew" };

// "wave7" (any case) -> 7; nothing for anything but wave1 .. wave20.
std::optional<int> chatterNumber(std::string_view name);

// "turn" for the classic turn sound (setting 0), "turnnew" for the new one.
std::string_view turnSoundName(int setting);

// A stored phrase replaces the default when it is not empty.
std::array<std::string, kPhraseCount> phrasesFrom(const std::array<std::string, kPhraseCount>& stored);

struct SendResult {
    std::optional<std::string> message; // the framed bytes for the host
    bool clearInput = false;
};

class Speaker
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // The clock is monotonic; tests pass their own.
    explicit Speaker(Clock clock = std::chrono::steady_clock::now);

    void setSeat(int seat) { m_seat = seat; }
    void setConnected(bool connected) { m_connected = connected; }
    // The sender's colour as it travels ("clBlack" or "$00BBGGRR").
    void setColourText(std::string text) { m_colourText = std::move(text); }
    int seat() const { return m_seat; }
    bool connected() const { return m_connected; }
    const std::string& colourText() const { return m_colourText; }

    // Enter in the chat input: plain text is chat, "/me text" an action, any
    // other "/" text goes nowhere. Nothing is sent before the host seated us;
    // the input then keeps its text.
    SendResult sendit(std::string_view typed) const;

    // A phrase button: "/me text" as that action, anything else as "says: phrase".
    // Nothing while the previous phrase is cooling down.
    std::optional<std::string> phrase(std::string_view phrase);
    bool phraseReady() const;

    // Chatter-sound menu item 1..20; spectators cannot send them.
    std::optional<std::string> chatterSound(int number) const;

private:
    std::optional<std::string> action(std::string_view text) const;

    Clock m_clock;
    int m_seat = 0;
    bool m_connected = false;
    std::string m_colourText = "clBlack";
    std::optional<std::chrono::steady_clock::time_point> m_lastPhrase;
};

// A chatter sound from the host, "seat+waveN".
struct ReceivedChatter {
    std::optional<std::string> sound; // "wave7": play it
    std::optional<std::string> line; // or show this system line (blue)
    std::optional<std::string> ignored; // or drop the message, for this reason
};
ReceivedChatter playasound(
    std::string_view rest, bool chatterSoundsOn, const std::function<std::string(int seat)>& nameOfSeat);

} // namespace chat
