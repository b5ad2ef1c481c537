#include "Settings.h"

#include "ColorText.h"
#include "net/Fields.h"

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

void PlayerSettings::setPlaySounds(bool on)
{
    m_values.playSounds = on;
    m_touched |= Sounds;
}

void PlayerSettings::setChatterSounds(bool on)
{
    m_values.chatterSounds = on;
    m_touched |= Chatter;
}

void PlayerSettings::setTurnSound(int setting)
{
    m_values.turnSound = setting;
    m_touched |= TurnSound;
}

void PlayerSettings::setTwoRows(bool on)
{
    m_values.twoRows = on;
    m_touched |= TwoRows;
}

void PlayerSettings::setTurnOff0Key(bool on)
{
    m_values.turnOff0Key = on;
    m_touched |= ZeroKey;
}

void PlayerSettings::setTextColor(std::uint32_t bgr)
{
    m_values.textColor = colorText(bgr);
    m_touched |= TextColor;
}

void PlayerSettings::setTextSize(int size)
{
    m_values.textSize = size;
    m_touched |= TextSize;
}

void PlayerSettings::setMissedWords(bool on)
{
    m_values.missedWords = on;
    m_touched |= Missed;
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
        if (m_touched & Sounds)
            out.playSounds = m_values.playSounds;
        if (m_touched & Chatter)
            out.chatterSounds = m_values.chatterSounds;
        if (m_touched & TurnSound)
            out.turnSound = m_values.turnSound;
        if (m_touched & TwoRows)
            out.twoRows = m_values.twoRows;
        if (m_touched & ZeroKey)
            out.turnOff0Key = m_values.turnOff0Key;
        if (m_touched & TextColor)
            out.textColor = m_values.textColor;
        if (m_touched & TextSize)
            out.textSize = m_values.textSize;
        if (m_touched & Missed)
            out.missedWords = m_values.missedWords;
    }
    out.geometry = windowAt.value_or(onDisk.geometry);
    return out;
}

} // namespace app
