#include "Settings.h"

#include "ColorText.h"
#include "GameAddress.h"
#include "net/Fields.h"
#include "rules/Version.h"

#include <algorithm>
#include <cctype>

namespace app
{

namespace
{

int readInt(const IniFile& ini, const char* key, int fallback)
{
    const auto text = ini.value(kSettingsSection, key);
    if (!text)
        return fallback;
    const auto n = net::parseInt(*text);
    return n ? *n : fallback;
}

int readBounded(const IniFile& ini, const char* key, int fallback, int lo, int hi)
{
    const int v = readInt(ini, key, fallback);
    return (v < lo || v > hi) ? fallback : v;
}

std::string readText(const IniFile& ini, const char* key, const std::string& fallback)
{
    auto text = ini.value(kSettingsSection, key);
    return text ? *text : fallback;
}

const char* boolText(bool b) { return b ? "true" : "false"; }

template <auto Field> void copyField(const ZirkySettings& from, ZirkySettings& to) { to.*Field = from.*Field; }

// The options the player may change before the file is read, and how each is taken over.
struct Option {
    unsigned bit;
    void (*copy)(const ZirkySettings& from, ZirkySettings& to);
};
constexpr unsigned kSounds = 1, kChatter = 2, kTurnSound = 4, kTwoRows = 8, kZeroKey = 16, kTextColor = 32,
                   kTextSize = 64, kMissed = 128, kPlayerName = 256, kCleanWords = 512, kRecent = 1024;
constexpr Option kOptions[] = {
    { kSounds, copyField<&ZirkySettings::playSounds> },
    { kChatter, copyField<&ZirkySettings::chatterSounds> },
    { kTurnSound, copyField<&ZirkySettings::turnSound> },
    { kTwoRows, copyField<&ZirkySettings::twoRows> },
    { kZeroKey, copyField<&ZirkySettings::turnOff0Key> },
    { kTextColor, copyField<&ZirkySettings::textColor> },
    { kTextSize, copyField<&ZirkySettings::textSize> },
    { kMissed, copyField<&ZirkySettings::missedWords> },
    { kPlayerName, copyField<&ZirkySettings::playerName> },
    { kCleanWords, copyField<&ZirkySettings::cleanWords> },
    { kRecent, copyField<&ZirkySettings::recentGames> },
};

std::string recentKey(std::size_t i) { return "Recent" + std::to_string(i + 1); }

// Host names are the same in any letter case.
bool sameGame(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool listed(const std::vector<std::string>& games, std::string_view game)
{
    return std::any_of(games.begin(), games.end(), [game](const std::string& g) { return sameGame(g, game); });
}

// The file is anyone's to edit: only addresses that read back as one are
// offered, each once, in the form the Join dialog writes.
std::vector<std::string> readRecentGames(const IniFile& ini)
{
    std::vector<std::string> games;
    for (std::size_t i = 0; i < kRecentGames; ++i) {
        const auto text = ini.value(kSettingsSection, recentKey(i));
        if (!text)
            continue;
        const auto parsed = parseGameAddress(*text, rules::kGamePort);
        if (!parsed.address || looksLikeInviteLink(*text))
            continue;
        std::string game = addressText(*parsed.address);
        if (!listed(games, game))
            games.push_back(std::move(game));
    }
    return games;
}

} // namespace

ZirkySettings readSettings(const IniFile& ini)
{
    ZirkySettings s;
    s.geometry.top = readBounded(ini, "Top", kDefaultTop, -kMaxWindowSide, kMaxWindowSide);
    s.geometry.left = readBounded(ini, "Left", kDefaultLeft, -kMaxWindowSide, kMaxWindowSide);
    s.geometry.width = readBounded(ini, "Width", kDefaultWidth, kMinWindowSide, kMaxWindowSide);
    s.geometry.height = readBounded(ini, "Height", kDefaultHeight, kMinWindowSide, kMaxWindowSide);
    s.textSize = readBounded(ini, "Textsize", 8, kMinTextSize, kMaxTextSize);
    s.textColor = readText(ini, "Textcolor", "clblack");
    s.playToScore = readText(ini, "Playtoscore", s.playToScore);
    s.timePerTurn = readText(ini, "Timeperturn", s.timePerTurn);
    s.zirkedAt = readText(ini, "Zirkedat", s.zirkedAt);
    s.newTiles = readText(ini, "Newtiles", "true");
    s.fastGame = readText(ini, "Fastgame", "true");
    s.typing = readText(ini, "Typing", "true");
    for (int i = 0; i < 9; ++i)
        s.phrases[static_cast<std::size_t>(i)] = readText(ini, ("Phrase" + std::to_string(i + 1)).c_str(), "");
    // Switches that are on by default stay on for anything but "false";
    // those off by default come on only for "true".
    s.playSounds = readText(ini, "Playsounds", "true") != "false";
    s.turnOff0Key = readText(ini, "Turnoff0key", "false") == "true";
    s.twoRows = readText(ini, "Tworows", "false") == "true";
    s.missedWords = readText(ini, "Missedwords", "true") != "false";
    s.turnSound = readText(ini, "Turnsound", "0") == "1" ? 1 : 0;
    s.chatterSounds = readText(ini, "ChatterSounds", "true") != "false";
    s.playerName = readText(ini, "Playername", "");
    s.cleanWords = readText(ini, "Cleanwords", "false") == "true";
    s.recentGames = readRecentGames(ini);
    return s;
}

void writeSettings(IniFile& ini, const ZirkySettings& s)
{
    const auto put = [&](const char* key, const std::string& value) { ini.set(kSettingsSection, key, value); };
    put("Top", std::to_string(s.geometry.top));
    put("Left", std::to_string(s.geometry.left));
    put("Width", std::to_string(s.geometry.width));
    put("Height", std::to_string(s.geometry.height));
    put("Textsize", std::to_string(s.textSize));
    put("Textcolor", s.textColor);
    put("Playtoscore", s.playToScore);
    put("Timeperturn", s.timePerTurn);
    put("Zirkedat", s.zirkedAt);
    put("Newtiles", s.newTiles);
    put("Fastgame", s.fastGame);
    put("Typing", s.typing);
    put("Playsounds", boolText(s.playSounds));
    put("Turnoff0key", boolText(s.turnOff0Key));
    put("Tworows", boolText(s.twoRows));
    put("Turnsound", std::to_string(s.turnSound));
    put("ChatterSounds", boolText(s.chatterSounds));
    put("Missedwords", boolText(s.missedWords));
    put("Playername", s.playerName);
    put("Cleanwords", boolText(s.cleanWords));
    // Every slot is written, so a list that got shorter leaves no old entry behind.
    for (std::size_t i = 0; i < kRecentGames; ++i)
        put(recentKey(i).c_str(), i < s.recentGames.size() ? s.recentGames[i] : std::string());
}

void writePhrases(IniFile& ini, const std::array<std::string, 9>& phrases)
{
    for (std::size_t i = 0; i < phrases.size(); ++i)
        ini.set(kSettingsSection, "Phrase" + std::to_string(i + 1), phrases[i]);
}

void PlayerSettings::load(const IniFile& ini)
{
    m_values = readSettings(ini);
    m_values.textColor = colorText(parseColorText(m_values.textColor).value_or(0));
    ++m_loads;
}

void PlayerSettings::setPlaySounds(bool on) { change<&ZirkySettings::playSounds>(on, kSounds); }
void PlayerSettings::setChatterSounds(bool on) { change<&ZirkySettings::chatterSounds>(on, kChatter); }
void PlayerSettings::setTurnSound(int setting) { change<&ZirkySettings::turnSound>(setting, kTurnSound); }
void PlayerSettings::setTwoRows(bool on) { change<&ZirkySettings::twoRows>(on, kTwoRows); }
void PlayerSettings::setTurnOff0Key(bool on) { change<&ZirkySettings::turnOff0Key>(on, kZeroKey); }
void PlayerSettings::setTextColor(std::uint32_t bgr) { change<&ZirkySettings::textColor>(colorText(bgr), kTextColor); }
void PlayerSettings::setTextSize(int size) { change<&ZirkySettings::textSize>(size, kTextSize); }
void PlayerSettings::setMissedWords(bool on) { change<&ZirkySettings::missedWords>(on, kMissed); }
void PlayerSettings::setPlayerName(std::string name)
{
    change<&ZirkySettings::playerName>(std::move(name), kPlayerName);
}
void PlayerSettings::setCleanWords(bool on) { change<&ZirkySettings::cleanWords>(on, kCleanWords); }

void PlayerSettings::rememberGame(const std::string& address)
{
    std::vector<std::string> games = m_values.recentGames;
    games.erase(std::remove_if(games.begin(), games.end(), [&](const std::string& g) { return sameGame(g, address); }),
        games.end());
    games.insert(games.begin(), address);
    if (games.size() > kRecentGames)
        games.resize(kRecentGames);
    change<&ZirkySettings::recentGames>(std::move(games), kRecent);
}

void PlayerSettings::setStartWindow(const StartWindowValues& start)
{
    m_values.playToScore = start.playtoscore;
    m_values.timePerTurn = start.timeperturn;
    m_values.zirkedAt = start.zirkedat;
    m_values.newTiles = boolText(start.newtiles);
    m_values.fastGame = boolText(start.fastgame);
    m_values.typing = boolText(start.typing);
}

ZirkySettings PlayerSettings::toSave(const IniFile& stored, std::optional<Geometry> windowAt) const
{
    const ZirkySettings onDisk = readSettings(stored);
    ZirkySettings out = m_values;
    if (!loaded()) {
        // Saved before the host confirmed us (an option clicked, the window
        // closed): the file keeps everything the player has not touched.
        out = onDisk;
        for (const Option& o : kOptions)
            if (m_touched & o.bit)
                o.copy(m_values, out);
        // Games joined now go first; the ones the file knew stay behind them.
        if (m_touched & kRecent)
            for (const std::string& game : onDisk.recentGames)
                if (out.recentGames.size() < kRecentGames && !listed(out.recentGames, game))
                    out.recentGames.push_back(game);
    }
    out.geometry = windowAt.value_or(onDisk.geometry);
    return out;
}

} // namespace app
