#include "app/Settings.h"
#include "app/ColorText.h"
#include "app/IniFile.h"
#include "app/LaunchPlan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using app::IniFile;
using app::readSettings;

app::ZirkySettings fromText(const std::string& text) { return readSettings(IniFile::parse(text)); }

TEST(SettingsRead, MissingFileGivesTheDocumentedDefaults)
{
    const auto s = fromText("");
    EXPECT_EQ(s.geometry, (app::Geometry { 3, 3, 795, 568 }));
    EXPECT_EQ(s.textSize, 8);
    EXPECT_TRUE(s.playSounds);
    EXPECT_TRUE(s.chatterSounds);
    EXPECT_EQ(s.turnSound, 0);
    EXPECT_FALSE(s.twoRows);
    EXPECT_FALSE(s.turnOff0Key);
    EXPECT_EQ(s.playToScore, "5000");
    EXPECT_EQ(s.timePerTurn, "60");
    EXPECT_EQ(s.zirkedAt, "2000");
    EXPECT_EQ(s.newTiles, "true");
    EXPECT_EQ(s.fastGame, "true");
    EXPECT_EQ(s.typing, "true");
    EXPECT_EQ(s.textColor, "clblack");
}

TEST(SettingsRead, KeyQuirks)
{
    struct Row {
        const char* fault;
        const char* line;
        bool (*check)(const app::ZirkySettings&);
    };
    const Row rows[] = {
        { "on-by-default switch stays on for no", "Playsounds=no",
            [](const app::ZirkySettings& s) { return s.playSounds; } },
        { "on-by-default switch stays on for FALSE (exact match only)", "Playsounds=FALSE",
            [](const app::ZirkySettings& s) { return s.playSounds; } },
        { "false turns sounds off", "Playsounds=false", [](const app::ZirkySettings& s) { return !s.playSounds; } },
        { "chatter off only for false", "ChatterSounds=0",
            [](const app::ZirkySettings& s) { return s.chatterSounds; } },
        { "off-by-default switch stays off for yes", "Tworows=yes",
            [](const app::ZirkySettings& s) { return !s.twoRows; } },
        { "two rows on for true", "Tworows=true", [](const app::ZirkySettings& s) { return s.twoRows; } },
        { "0 key off only for true", "Turnoff0key=TRUE", [](const app::ZirkySettings& s) { return !s.turnOff0Key; } },
        { "turn sound New only for 1", "Turnsound=1", [](const app::ZirkySettings& s) { return s.turnSound == 1; } },
        { "turn sound 2 falls back to Classic", "Turnsound=2",
            [](const app::ZirkySettings& s) { return s.turnSound == 0; } },
        { "text size 9 kept though no menu item has it", "Textsize=9",
            [](const app::ZirkySettings& s) { return s.textSize == 9; } },
        { "unparsable text size takes the default", "Textsize=big",
            [](const app::ZirkySettings& s) { return s.textSize == 8; } },
        { "zero text size would make text vanish", "Textsize=0",
            [](const app::ZirkySettings& s) { return s.textSize == 8; } },
        { "unparsable width takes the default", "Width=8x0",
            [](const app::ZirkySettings& s) { return s.geometry.width == 795; } },
        { "negative height would hide the window", "Height=-5",
            [](const app::ZirkySettings& s) { return s.geometry.height == 568; } },
        { "overflowing top takes the default", "Top=99999999999999",
            [](const app::ZirkySettings& s) { return s.geometry.top == 3; } },
        { "negative left is a real position on a left-hand screen", "Left=-300",
            [](const app::ZirkySettings& s) { return s.geometry.left == -300; } },
        { "start window texts passed on as stored", "Playtoscore=abc",
            [](const app::ZirkySettings& s) { return s.playToScore == "abc"; } },
        { "typing yes stored as is (the start window reads it as off)", "Typing=yes",
            [](const app::ZirkySettings& s) { return s.typing == "yes"; } },
        { "phrase read", "Phrase3=Good luck!",
            [](const app::ZirkySettings& s) { return s.phrases[2] == "Good luck!"; } },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        EXPECT_TRUE(r.check(fromText(std::string("[zirky]\n") + r.line + "\n")));
    }
}

TEST(SettingsWrite, KeysInTheirFixedOrder)
{
    IniFile ini;
    app::ZirkySettings s;
    s.geometry = { 10, 20, 800, 600 };
    s.turnSound = 1;
    s.typing = "false";
    app::writeSettings(ini, s);
    EXPECT_EQ(ini.text(),
        "[zirky]\n"
        "Top=20\nLeft=10\nWidth=800\nHeight=600\nTextsize=8\nTextcolor=clblack\n"
        "Playtoscore=5000\nTimeperturn=60\nZirkedat=2000\nNewtiles=true\nFastgame=true\n"
        "Typing=false\nPlaysounds=true\nTurnoff0key=false\nTworows=false\nTurnsound=1\n"
        "ChatterSounds=true\nMissedwords=true\nPlayername=\nCleanwords=false\n"
        "Recent1=\nRecent2=\nRecent3=\nRecent4=\nRecent5=\nRecent6=\nRecent7=\nRecent8=\n");
}

TEST(SettingsWrite, RoundTripKeepsPhrasesAndOtherSections)
{
    IniFile ini = IniFile::parse("[zirky]\nPhrase1=hello\nActioncolor=clRed\n[lobby]\nTop=1\n");
    app::ZirkySettings s = readSettings(ini);
    s.twoRows = true;
    app::writeSettings(ini, s);
    const IniFile back = IniFile::parse(ini.text());
    EXPECT_EQ(back.value("zirky", "Phrase1").value_or(""), "hello");
    EXPECT_EQ(back.value("zirky", "Actioncolor").value_or(""), "clRed");
    EXPECT_EQ(back.value("lobby", "Top").value_or(""), "1");
    EXPECT_TRUE(readSettings(back).twoRows);
}

// A file with every one of our keys away from its default.
const char* const kStoredFile = "[zirky]\nTop=40\nLeft=50\nWidth=810\nHeight=590\nTextsize=14\nTextcolor=clRed\n"
                                "Playtoscore=7000\nTimeperturn=90\nZirkedat=3000\nNewtiles=false\nFastgame=false\n"
                                "Typing=false\nPlaysounds=false\nTurnoff0key=true\nTworows=true\nTurnsound=1\n"
                                "ChatterSounds=false\nMissedwords=false\nPlayername=Bob\nCleanwords=true\n"
                                "Recent1=old.example:7772\nRecent2=[::1]:7773\n";

// One option the player changed, and how it reads in what is saved.
struct Change {
    const char* fault;
    void (*change)(app::PlayerSettings&);
    bool (*saved)(const app::ZirkySettings&);
};

const Change kChanges[] = {
    { "play sounds", [](app::PlayerSettings& p) { p.setPlaySounds(true); },
        [](const app::ZirkySettings& s) { return s.playSounds; } },
    { "chatter sounds", [](app::PlayerSettings& p) { p.setChatterSounds(true); },
        [](const app::ZirkySettings& s) { return s.chatterSounds; } },
    { "turn sound", [](app::PlayerSettings& p) { p.setTurnSound(0); },
        [](const app::ZirkySettings& s) { return s.turnSound == 0; } },
    { "two rows", [](app::PlayerSettings& p) { p.setTwoRows(false); },
        [](const app::ZirkySettings& s) { return !s.twoRows; } },
    { "0 key", [](app::PlayerSettings& p) { p.setTurnOff0Key(false); },
        [](const app::ZirkySettings& s) { return !s.turnOff0Key; } },
    { "text colour", [](app::PlayerSettings& p) { p.setTextColor(0x8040FF); },
        [](const app::ZirkySettings& s) { return s.textColor == "$008040FF"; } },
    { "text size", [](app::PlayerSettings& p) { p.setTextSize(10); },
        [](const app::ZirkySettings& s) { return s.textSize == 10; } },
    { "missed words", [](app::PlayerSettings& p) { p.setMissedWords(true); },
        [](const app::ZirkySettings& s) { return s.missedWords; } },
    { "player name", [](app::PlayerSettings& p) { p.setPlayerName("Ann"); },
        [](const app::ZirkySettings& s) { return s.playerName == "Ann"; } },
    { "clean words", [](app::PlayerSettings& p) { p.setCleanWords(false); },
        [](const app::ZirkySettings& s) { return !s.cleanWords; } },
    { "recent game", [](app::PlayerSettings& p) { p.rememberGame("new.example:7772"); },
        [](const app::ZirkySettings& s) { return s.recentGames.front() == "new.example:7772"; } },
};

// Every key but the one changed reads as the stored file has it.
void expectStoredExcept(const app::ZirkySettings& out, const Change& changed)
{
    const app::ZirkySettings stored = fromText(kStoredFile);
    for (const Change& c : kChanges) {
        if (&c != &changed) {
            EXPECT_EQ(c.saved(out), c.saved(stored)) << changed.fault << " changed, " << c.fault << " lost";
        }
    }
    EXPECT_EQ(out.playToScore, "7000") << changed.fault;
    EXPECT_EQ(out.newTiles, "false") << changed.fault;
    EXPECT_EQ(out.geometry, stored.geometry) << changed.fault;
}

TEST(PlayerSettings, BeforeTheFileIsReadOnlyWhatThePlayerChangedIsSaved)
{
    for (const Change& c : kChanges) {
        app::PlayerSettings p;
        c.change(p);
        p.setStartWindow({ "5000", "60", "2000", true, true, true }); // the window's defaults, not the player's
        const auto out = p.toSave(IniFile::parse(kStoredFile), std::nullopt);
        EXPECT_TRUE(c.saved(out)) << c.fault << " not saved";
        expectStoredExcept(out, c);
        EXPECT_FALSE(p.loaded());
    }
}

TEST(PlayerSettings, OnceReadEveryValueIsThePlayers)
{
    app::PlayerSettings p;
    p.load(IniFile::parse(kStoredFile));
    p.setTextSize(12);
    p.setStartWindow({ "31000", "75", "1000", true, false, true });
    // Another program rewrote the file meanwhile: our keys are ours, as the window shows them.
    const auto out
        = p.toSave(IniFile::parse("[zirky]\nTextsize=8\nPlaysounds=true\n"), app::Geometry { 1, 2, 900, 600 });
    EXPECT_EQ(out.textSize, 12);
    EXPECT_FALSE(out.playSounds) << "the value read at login was lost";
    EXPECT_TRUE(out.twoRows);
    EXPECT_EQ(out.playToScore, "31000");
    EXPECT_EQ(out.timePerTurn, "75");
    EXPECT_EQ(out.zirkedAt, "1000");
    EXPECT_EQ(out.newTiles, "true") << "check boxes are stored as true/false";
    EXPECT_EQ(out.fastGame, "false");
    EXPECT_EQ(out.typing, "true");
    EXPECT_EQ(out.geometry, (app::Geometry { 1, 2, 900, 600 }));
    EXPECT_EQ(p.loads(), 1);
    p.load(IniFile::parse(kStoredFile));
    EXPECT_EQ(p.loads(), 2) << "every login reads the file again";
    EXPECT_EQ(p.values().textSize, 14);
}

TEST(PlayerSettings, TheTextColourIsKeptAsTheColourShown)
{
    struct Row {
        const char* fault;
        const char* stored;
        const char* kept;
    };
    const Row rows[] = {
        { "an unreadable colour written back instead of the black shown", "Textcolor=purple haze\n", "clBlack" },
        { "a colour name kept in the file's spelling", "Textcolor=clred\n", "clRed" },
        { "a named colour written as a number", "Textcolor=$000000FF\n", "clRed" },
        { "a missing colour written in lower case", "", "clBlack" },
    };
    for (const Row& r : rows) {
        app::PlayerSettings p;
        p.load(IniFile::parse(std::string("[zirky]\n") + r.stored));
        EXPECT_EQ(p.values().textColor, r.kept) << r.fault;
        EXPECT_EQ(p.toSave(IniFile::parse(""), std::nullopt).textColor, r.kept) << r.fault;
    }
}

TEST(PlayerSettings, RecentGames)
{
    using Games = std::vector<std::string>;
    struct Row {
        const char* fault;
        const char* stored;
        Games joined; // in the order joined
        bool loadFirst;
        Games saved;
    };
    const Row rows[] = {
        { "a join before the file was read dropped the games the file knew", "Recent1=a:1\nRecent2=b:2\n", { "c:3" },
            false, { "c:3", "a:1", "b:2" } },
        { "a game joined again was listed twice", "Recent1=a:1\nRecent2=b:2\n", { "b:2" }, false, { "b:2", "a:1" } },
        { "a game joined again after the file was read was listed twice", "Recent1=a:1\nRecent2=b:2\n", { "b:2" },
            true, { "b:2", "a:1" } },
        { "the list grew without end", "", { "g1:1", "g2:2", "g3:3", "g4:4", "g5:5", "g6:6", "g7:7", "g8:8", "g9:9" }, true,
            { "g9:9", "g8:8", "g7:7", "g6:6", "g5:5", "g4:4", "g3:3", "g2:2" } },
        { "a full file pushed the new game out", "Recent1=g1:1\nRecent2=g2:2\nRecent3=g3:3\nRecent4=g4:4\n"
                                                  "Recent5=g5:5\nRecent6=g6:6\nRecent7=g7:7\nRecent8=g8:8\n",
            { "new:9" }, false, { "new:9", "g1:1", "g2:2", "g3:3", "g4:4", "g5:5", "g6:6", "g7:7" } },
        { "a hand-edited file offered what is not an address",
            "Recent1=zirky://a\nRecent2=no such place\nRecent3=[::1]\nRecent4=a:1\nRecent5=A:1\nRecent6=a:1\n"
            "Recent7=h:99999\n",
            {}, true, { "[::1]:7772", "a:1" } },
        { "a name typed in other letter case was listed twice", "Recent1=Box:1\n", { "box:1" }, false, { "box:1" } },
    };
    for (const Row& r : rows) {
        const IniFile stored = IniFile::parse(std::string("[zirky]\n") + r.stored);
        app::PlayerSettings p;
        if (r.loadFirst)
            p.load(stored);
        for (const std::string& game : r.joined)
            p.rememberGame(game);
        const auto out = p.toSave(stored, std::nullopt);
        EXPECT_EQ(out.recentGames, r.saved) << r.fault;
        // What is written reads back the same.
        IniFile written = stored;
        app::writeSettings(written, out);
        EXPECT_EQ(readSettings(IniFile::parse(written.text())).recentGames, r.saved) << r.fault;
    }
}

TEST(PlayerSettings, TheStoredPlaceStaysUntilTheWindowHasOne)
{
    app::PlayerSettings p;
    p.setTwoRows(true);
    EXPECT_EQ(p.toSave(IniFile::parse(kStoredFile), std::nullopt).geometry, (app::Geometry { 50, 40, 810, 590 }));
    EXPECT_EQ(p.toSave(IniFile::parse(kStoredFile), app::Geometry { 7, 8, 800, 570 }).geometry,
        (app::Geometry { 7, 8, 800, 570 }));
}

TEST(ColorText, ReadAndWrite)
{
    struct Row {
        const char* fault;
        const char* text;
        std::optional<std::uint32_t> expected;
    };
    const Row rows[] = {
        { "default name in lower case", "clblack", 0x000000 },
        { "named colour", "clBlue", 0xFF0000 },
        { "hex value is BGR", "$000000FF", 0x0000FF },
        { "short hex", "$FF", 0x0000FF },
        { "decimal value", "255", 0x0000FF },
        { "system colour cannot be shown", "$FF00000F", std::nullopt },
        { "unknown name", "clSunset", std::nullopt },
        { "empty", "", std::nullopt },
        { "bare dollar", "$", std::nullopt },
        { "hex with junk", "$00GG0000", std::nullopt },
        { "negative number", "-1", std::nullopt },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        EXPECT_EQ(app::parseColorText(r.text), r.expected);
    }
    EXPECT_EQ(app::colorText(0x000000), "clBlack");
    EXPECT_EQ(app::colorText(0x000080), "clMaroon");
    EXPECT_EQ(app::colorText(0x123456), "$00123456");
    for (std::uint32_t c : { 0x0u, 0xFF8040u, 0x010203u, 0xFFFFFFu })
        EXPECT_EQ(app::parseColorText(app::colorText(c)), c) << "what we write we read back";
}

TEST(LaunchPlan, CommandLineDecides)
{
    using Role = app::LaunchPlan::Role;
    struct Row {
        const char* fault;
        std::vector<std::string> args;
        Role role;
        const char* connectTo;
        const char* name;
        bool lobby;
        bool hideFast;
        const char* firstLine;
    };
    const char* solo = "0+Loading Solo Game..Please wait.";
    const char* multi = "0+Loading Multi-player Game.. Please Wait.";
    const Row rows[] = {
        { "no arguments: solo against our own host", {}, Role::Solo, "127.0.0.1", "You", false, false, solo },
        { "host connects to loopback, not the given address", { "Ann", "10.1.2.3", "true" }, Role::Host, "127.0.0.1",
            "Ann", true, false, multi },
        { "any other third argument joins the given address", { "Ann", "10.1.2.3", "false" }, Role::Join, "10.1.2.3",
            "Ann", true, false, multi },
        { "role word is case-sensitive", { "Ann", "h.example", "True" }, Role::Join, "h.example", "Ann", true, false,
            multi },
        { "s hides the fast game", { "Ann", "h", "true", "s" }, Role::Host, "127.0.0.1", "Ann", true, true, multi },
        { "S does not", { "Ann", "h", "true", "S" }, Role::Host, "127.0.0.1", "Ann", true, false, multi },
        { "extra arguments ignored", { "Ann", "h", "x", "s", "more", "args" }, Role::Join, "h", "Ann", true, true,
            multi },
        { "one argument does nothing more", { "Ann" }, Role::None, "", "", false, false, multi },
        { "two arguments do nothing more", { "Ann", "h" }, Role::None, "", "", false, false, multi },
        { "--help with others is a name", { "--help", "h", "true" }, Role::Host, "127.0.0.1", "--help", true, false,
            multi },
        { "an invite link joined without the player's word", { "zirky://h:7773" }, Role::Invite, "", "", false, false,
            multi },
        { "a broken invite link was taken for a name", { "ZIRKY:h" }, Role::Invite, "", "", false, false, multi },
        { "a name that starts like a link was taken for one", { "zirky:7773" }, Role::None, "", "", false, false,
            multi },
        { "a link among other arguments is a name", { "zirky://h", "h", "true" }, Role::Host, "127.0.0.1",
            "zirky://h", true, false, multi },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.fault);
        const auto plan = app::planLaunch(r.args);
        EXPECT_EQ(plan.role, r.role);
        EXPECT_EQ(plan.connectTo, r.connectTo);
        EXPECT_EQ(plan.playerName, r.name);
        EXPECT_EQ(plan.openLobbyLink, r.lobby);
        EXPECT_EQ(plan.hideFastGame, r.hideFast);
        EXPECT_EQ(plan.firstChatLine, r.firstLine);
        EXPECT_EQ(plan.showDownloadWindow, r.role == Role::Solo);
    }
    EXPECT_EQ(app::planLaunch({ "Ann", "10.1.2.3", "true" }).hostAddress, "10.1.2.3");
    EXPECT_EQ(app::planLaunch({ " zirky://[::1]:7773/" }).inviteLink, " zirky://[::1]:7773/");
}

TEST(LaunchPlan, OnlyALoneHelpOrVersionAnswersOnStdout)
{
    EXPECT_EQ(app::earlyExit({ "--help" }), app::EarlyExit::Help);
    EXPECT_EQ(app::earlyExit({ "--version" }), app::EarlyExit::Version);
    EXPECT_EQ(app::earlyExit({}), app::EarlyExit::None);
    EXPECT_EQ(app::earlyExit({ "--help", "x" }), app::EarlyExit::None);
    EXPECT_EQ(app::earlyExit({ "-h" }), app::EarlyExit::None);
}

} // namespace
