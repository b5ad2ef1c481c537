#pragma once
// The client's own keys in section "zirky" of "draviklobby.ini": defaults,
// the reading rules of each key, and the order in which they are written.

#include "IniFile.h"
#include "rules/Options.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace app
{

inline constexpr const char* kSettingsFileName = "draviklobby.ini";
inline constexpr const char* kSettingsSection = "zirky";
inline constexpr int kDefaultWidth = 795;
inline constexpr int kDefaultHeight = 568;
inline constexpr int kDefaultLeft = 3;
inline constexpr int kDefaultTop = 3;

struct Geometry {
    int left = kDefaultLeft;
    int top = kDefaultTop;
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    friend bool operator==(const Geometry&, const Geometry&) = default;
};

struct ZirkySettings {
    Geometry geometry;
    int textSize = 8;
    std::string textColor = "clblack"; // the colour text as stored
    // The start window's fields as stored texts: its own rules decide what an
    // unreadable number or flag means.
    std::string playToScore = std::to_string(rules::kDefaultPlayToScore);
    std::string timePerTurn = std::to_string(rules::kDefaultTimePerTurn);
    std::string zirkedAt = std::to_string(rules::kDefaultZirkedAt);
    std::string newTiles = "true";
    std::string fastGame = "true";
    std::string typing = "true";
    std::array<std::string, 9> phrases;
    bool playSounds = true;
    bool turnOff0Key = false;
    bool twoRows = false;
    int turnSound = 0; // 0 classic, 1 new
    bool chatterSounds = true;
    bool missedWords = true; // show the best words of the rack nobody played, after a turn
    std::string playerName; // the name last hosted or joined with; empty: none yet
    bool cleanWords = false; // a game this copy hosts refuses offensive words
    std::vector<std::string> recentGames; // "HOST:PORT", the last joined first
};

// The Join dialog offers this many games joined before.
inline constexpr std::size_t kRecentGames = 8;

// Missing or malformed values take their defaults; nothing here can fail.
ZirkySettings readSettings(const IniFile& ini);

// Writes our keys in their fixed order; every other line of the file stays.
void writeSettings(IniFile& ini, const ZirkySettings& settings);

// Writes "Phrase1".."Phrase9" (the phrase window's "Done"); every other line stays.
void writePhrases(IniFile& ini, const std::array<std::string, 9>& phrases);

// The start window as the settings file keeps it: the numbers as shown, and the check boxes.
struct StartWindowValues {
    std::string playtoscore;
    std::string timeperturn;
    std::string zirkedat;
    bool newtiles = true;
    bool fastgame = true;
    bool typing = true;
};

// The player's settings between the file and the option menus. The file is
// read when the host confirms the login; an option the player changes before
// that is marked as theirs, so that saving then keeps everything else the file
// holds. Once read, every value here is the player's.
class PlayerSettings
{
public:
    // Reads our keys from the file. The text colour is kept as the colour
    // shown: one that cannot be read is black, and is written back as black.
    void load(const IniFile& ini);
    bool loaded() const { return m_loads > 0; }
    int loads() const { return m_loads; }
    const ZirkySettings& values() const { return m_values; }

    void setPlaySounds(bool on);
    void setChatterSounds(bool on);
    void setTurnSound(int setting);
    void setTwoRows(bool on);
    void setTurnOff0Key(bool on);
    void setTextColor(std::uint32_t bgr);
    void setTextSize(int size);
    void setMissedWords(bool on);
    void setPlayerName(std::string name);
    void setCleanWords(bool on);
    // A game just joined goes first in the recent games (once; the oldest drops out).
    void rememberGame(const std::string& address);
    // The start window as it stands; its check boxes are stored as "true"/"false".
    void setStartWindow(const StartWindowValues& start);

    // What to write into the file as it is on disk now (`stored`). The
    // geometry is the window's own once it has been placed from the file
    // (`windowAt`); until then the stored one stays.
    ZirkySettings toSave(const IniFile& stored, std::optional<Geometry> windowAt) const;

private:
    // The player's own value for the option marked `bit`.
    template <auto Field, class T> void change(T value, unsigned bit)
    {
        m_values.*Field = std::move(value);
        m_touched |= bit;
    }

    ZirkySettings m_values;
    unsigned m_touched = 0; // options changed before the file was read
    int m_loads = 0;
};

// The smallest and largest window and font sizes we accept from the file:
// anything outside came from a damaged file and would hide the window.
inline constexpr int kMinWindowSide = 100;
inline constexpr int kMaxWindowSide = 20000;
inline constexpr int kMinTextSize = 4;
inline constexpr int kMaxTextSize = 72;

} // namespace app
