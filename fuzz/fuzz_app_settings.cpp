// The settings file as anything may have left it: any bytes parse, our keys
// read back as they were written, and saving again changes nothing.

#include "app/IniFile.h"
#include "app/Settings.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{

void check(bool ok)
{
    if (!ok)
        std::abort();
}

bool same(const app::ZirkySettings& a, const app::ZirkySettings& b)
{
    return a.geometry == b.geometry && a.textSize == b.textSize && a.textColor == b.textColor
        && a.playToScore == b.playToScore && a.timePerTurn == b.timePerTurn && a.zirkedAt == b.zirkedAt
        && a.newTiles == b.newTiles && a.fastGame == b.fastGame && a.typing == b.typing && a.phrases == b.phrases
        && a.playSounds == b.playSounds && a.turnOff0Key == b.turnOff0Key && a.twoRows == b.twoRows
        && a.turnSound == b.turnSound && a.chatterSounds == b.chatterSounds;
}

std::string noBreaks(std::string s)
{
    std::erase(s, '\r');
    std::erase(s, '\n');
    return s;
}

app::ZirkySettings withoutBreaks(app::ZirkySettings s)
{
    for (std::string* text :
        { &s.textColor, &s.playToScore, &s.timePerTurn, &s.zirkedAt, &s.newTiles, &s.fastGame, &s.typing })
        *text = noBreaks(*text);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    app::IniFile ini = app::IniFile::parse(text);
    const app::ZirkySettings read = app::readSettings(ini);

    // Writing what was read and reading it again changes nothing, except that
    // a value never keeps a line break of any kind.
    app::writeSettings(ini, read);
    const std::string written = ini.text();
    const app::IniFile again = app::IniFile::parse(written);
    check(same(app::readSettings(again), withoutBreaks(read)));
    // A second write is the same file: saves do not creep.
    app::IniFile twice = again;
    app::writeSettings(twice, app::readSettings(again));
    check(twice.text() == written);

    // A value of any bytes stays on its own line and reads back trimmed.
    const std::string value(text.substr(0, 64));
    app::IniFile one = app::IniFile::parse(text);
    one.set("zirky", "Fuzz", value);
    const auto back = app::IniFile::parse(one.text()).value("zirky", "Fuzz");
    check(back.has_value());
    for (char c : *back)
        check(c != '\n' && c != '\r');
    return 0;
}
