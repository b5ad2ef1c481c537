// The settings file as the main window uses it: read when the host confirms
// our login, written by the option menus and on close, never losing what
// other programs keep in the same file.

#include "../client/ClientHarness.h"

#include "app/IniFile.h"
#include "client/BoardLayout.h"
#include "net/Commands.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

namespace
{

QString readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

std::string iniValue(const QString& path, const char* key)
{
    app::IniFile ini;
    ini.load(path.toStdString());
    return ini.value("zirky", key).value_or("<missing>");
}

// A joined client logged in as seat 2 through a scripted host.
struct LoggedIn {
    explicit LoggedIn(const QByteArray& fileText = {})
        : h({ "Ann", "127.0.0.1", "false" }, host.port())
    {
        if (!fileText.isNull())
            writeFile(h.settingsPath(), fileText);
        h.start();
        ok = host.waitForClient();
        host.send(net::msg::sendlogininfo(2) + net::msg::newplayerinfo(2, "Ann"));
        ok = ok && QTest::qWaitFor([this] { return h.window->loadCount() == 1; }, 5000);
    }
    ScriptedHost host;
    ClientHarness h;
    bool ok = false;
};

} // namespace

class OptionsTest : public QObject
{
    Q_OBJECT
private slots:
    void missingFileGivesTheDefaults();
    void storedValuesAndTheirQuirks();
    void optionMenusSaveAndKeepOtherSections();
    void textColourRoundTrip();
    void closeWithoutMovingWritesNothing();
    void closeAfterMovingWritesGeometry();
    void oversizedWindowIsSavedSmaller();
    void optionBeforeLoginKeepsStoredValues();
    void optionSavesWhereTheWindowIsNow();
    void windowPlacedBeforeLoginNeverOverwritesTheStoredPlace();
    void textColourIsWrittenAsTheColourShown();
    void windowStoredOffEveryScreenComesBack();
};

void OptionsTest::missingFileGivesTheDefaults()
{
    LoggedIn c;
    QVERIFY(c.ok);
    QVERIFY2(!QFile::exists(c.h.settingsPath()), "reading creates nothing");
    MainWindow* window = c.h.window.get();
    QCOMPARE(window->windowGeometry(), (app::Geometry { 3, 3, 795, 568 }));
    QVERIFY(window->action("N81")->isChecked());
    QVERIFY(window->action("PlaySounds1")->isChecked());
    QVERIFY(window->action("PlayChatterSounds1")->isChecked());
    QVERIFY(window->action("Classic1")->isChecked());
    QVERIFY(!window->action("TilesinTwoRows1")->isChecked());
    QVERIFY(!window->action("Turnoff0key1")->isChecked());
    const auto start = c.h.startDialog->currentSettings();
    QCOMPARE(start.playtoscore, std::string("5000"));
    QCOMPARE(start.timeperturn, std::string("60"));
    QCOMPARE(start.zirkedat, std::string("2000"));
    QVERIFY(start.newtiles && start.fastgame && start.typing);
    QCOMPARE(window->textColor(), QColor(Qt::black));
}

void OptionsTest::storedValuesAndTheirQuirks()
{
    LoggedIn c("[zirky]\nTextsize=9\nTyping=yes\nNewtiles=yes\nFastgame=no\nTurnsound=1\nPlaysounds=false\n"
               "Tworows=true\nTextcolor=$000000FF\nLeft=40\nTop=30\nWidth=700\nHeight=560\nPlaytoscore=7000\n"
               "Timeperturn=soon\n");
    QVERIFY(c.ok);
    MainWindow* window = c.h.window.get();
    for (const char* item : { "N81", "N101", "N121", "N141" })
        QVERIFY2(!window->action(item)->isChecked(), item); // 9 has no menu item
    QCOMPARE(window->chatView()->textSize(), 9);
    QVERIFY(window->action("New1")->isChecked());
    QVERIFY(!window->action("Classic1")->isChecked());
    QCOMPARE(window->turnSound(), 1);
    QVERIFY(!window->action("PlaySounds1")->isChecked());
    QVERIFY(window->action("TilesinTwoRows1")->isChecked());
    QCOMPARE(window->textColor(), QColor(255, 0, 0)); // $000000FF is red in BGR
    const app::Geometry g = window->windowGeometry();
    QCOMPARE(g.left, 40);
    QCOMPARE(g.top, 30);
    QCOMPARE(g.height, 560);
    // 700 is narrower than the smallest board: the window grows to hold it.
    QCOMPARE(window->centralWidget()->width(), boardlayout::kDesignWidth);
    QCOMPARE(window->findChild<QWidget*>("panel_board")->width(), boardlayout::kDesignWidth);
    const auto start = c.h.startDialog->currentSettings();
    QVERIFY2(!start.typing, "Typing is on only for exactly true");
    QVERIFY2(start.newtiles, "Newtiles is off only for exactly false");
    QVERIFY2(start.fastgame, "Fastgame is off only for exactly false");
    QCOMPARE(start.playtoscore, std::string("7000"));
    QCOMPARE(start.timeperturn, std::string("60")); // unparsable: field unchanged
}

void OptionsTest::optionMenusSaveAndKeepOtherSections()
{
    LoggedIn c("; lobby settings\n[lobby]\nName=Ann\n[zirky]\nPhrase1=Hi all\nActioncolor=clRed\n");
    QVERIFY(c.ok);
    MainWindow* window = c.h.window.get();
    const QString path = c.h.settingsPath();

    window->action("PlaySounds1")->trigger();
    QCOMPARE(iniValue(path, "Playsounds"), std::string("false"));
    window->action("New1")->trigger();
    QCOMPARE(iniValue(path, "Turnsound"), std::string("1"));
    window->action("N121")->trigger();
    QCOMPARE(iniValue(path, "Textsize"), std::string("12"));
    QVERIFY(!window->action("N81")->isChecked());
    window->action("N121")->trigger(); // clicking the checked size keeps it checked
    QVERIFY(window->action("N121")->isChecked());
    window->action("TilesinTwoRows1")->trigger();
    QCOMPARE(iniValue(path, "Tworows"), std::string("true"));
    window->action("Turnoff0key1")->trigger();
    QCOMPARE(iniValue(path, "Turnoff0key"), std::string("true"));
    window->action("PlayChatterSounds1")->trigger();
    QCOMPARE(iniValue(path, "ChatterSounds"), std::string("false"));

    const QString text = readFile(path);
    QVERIFY(text.startsWith("; lobby settings\n[lobby]\nName=Ann\n[zirky]\nPhrase1=Hi all\nActioncolor=clRed\n"
                            "Top=3\nLeft=3\nWidth=795\nHeight=568\nTextsize=12\nTextcolor=clBlack\n"
                            "Playtoscore=5000\nTimeperturn=60\nZirkedat=2000\nNewtiles=true\nFastgame=true\n"
                            "Typing=true\nPlaysounds=false\nTurnoff0key=true\nTworows=true\nTurnsound=1\n"
                            "ChatterSounds=false\n"));

    // "Chat Scroll Off" and "Reset Screen Location" save nothing by themselves.
    window->move(100, 120);
    window->action("ResetScreenLocation1")->trigger();
    window->action("ScrollOff1")->trigger();
    QVERIFY(window->chatView()->scrollOff());
    QCOMPARE(readFile(path), text);
    QCOMPARE(window->windowGeometry(), (app::Geometry { 3, 3, 795, 568 }));
}

void OptionsTest::textColourRoundTrip()
{
    LoggedIn c;
    QVERIFY(c.ok);
    MainWindow* window = c.h.window.get();
    window->pickColor = [](const QColor&) { return std::optional<QColor>(); };
    window->action("TextColor1")->trigger();
    QVERIFY2(!QFile::exists(c.h.settingsPath()), "a cancelled dialog saves nothing");

    QColor offered;
    window->pickColor = [&offered](const QColor& initial) {
        offered = initial;
        return std::optional<QColor>(QColor(0x40, 0x80, 0xFF));
    };
    window->action("TextColor1")->trigger();
    QCOMPARE(offered, QColor(Qt::black));
    QCOMPARE(iniValue(c.h.settingsPath(), "Textcolor"), std::string("$00FF8040"));
    QCOMPARE(window->findChild<QLineEdit*>("mychat")->palette().color(QPalette::Text), QColor(0x40, 0x80, 0xFF));
}

void OptionsTest::closeWithoutMovingWritesNothing()
{
    {
        LoggedIn c("[zirky]\nLeft=20\nTop=25\n");
        QVERIFY(c.ok);
        c.h.window->close();
        QCOMPARE(readFile(c.h.settingsPath()), QString("[zirky]\nLeft=20\nTop=25\n"));
    }
    {
        // Never logged in at all.
        ClientHarness h({ "Ann" }, 0);
        h.start();
        h.window->close();
        QVERIFY(!QFile::exists(h.settingsPath()));
        QCOMPARE(h.closed->count(), 1);
    }
}

void OptionsTest::closeAfterMovingWritesGeometry()
{
    LoggedIn c("[other]\nKeep=1\n");
    QVERIFY(c.ok);
    c.h.window->move(50, 60);
    c.h.window->close();
    QCOMPARE(iniValue(c.h.settingsPath(), "Left"), std::string("50"));
    QCOMPARE(iniValue(c.h.settingsPath(), "Top"), std::string("60"));
    QVERIFY(readFile(c.h.settingsPath()).startsWith("[other]\nKeep=1\n"));
}

void OptionsTest::oversizedWindowIsSavedSmaller()
{
    LoggedIn c;
    QVERIFY(c.ok);
    const QRect work = c.h.window->screen()->availableGeometry();
    c.h.window->resize(work.width() + 100, work.height() + 50);
    const app::Geometry g = c.h.window->windowGeometry();
    c.h.window->close();
    QCOMPARE(iniValue(c.h.settingsPath(), "Width"), std::to_string(g.width - 15));
    QCOMPARE(iniValue(c.h.settingsPath(), "Height"), std::to_string(g.height - 15));
}

void OptionsTest::optionBeforeLoginKeepsStoredValues()
{
    ClientHarness h({ "Ann" }, 0);
    writeFile(h.settingsPath(),
        "[zirky]\nTextsize=14\nTyping=false\nPlaysounds=false\nLeft=40\nTop=30\nWidth=810\nHeight=590\n");
    h.start();
    h.window->action("Turnoff0key1")->trigger();
    // The window has not been placed from the file yet: where it stands now is not the player's choice.
    QCOMPARE(iniValue(h.settingsPath(), "Left"), std::string("40"));
    QCOMPARE(iniValue(h.settingsPath(), "Top"), std::string("30"));
    QCOMPARE(iniValue(h.settingsPath(), "Width"), std::string("810"));
    QCOMPARE(iniValue(h.settingsPath(), "Height"), std::string("590"));
    QCOMPARE(iniValue(h.settingsPath(), "Turnoff0key"), std::string("true"));
    QCOMPARE(iniValue(h.settingsPath(), "Textsize"), std::string("14"));
    QCOMPARE(iniValue(h.settingsPath(), "Typing"), std::string("false"));
    QCOMPARE(iniValue(h.settingsPath(), "Playsounds"), std::string("false"));
}

void OptionsTest::optionSavesWhereTheWindowIsNow()
{
    LoggedIn c("[zirky]\nLeft=20\nTop=25\n");
    QVERIFY(c.ok);
    c.h.window->move(70, 80);
    c.h.window->action("PlaySounds1")->trigger();
    QCOMPARE(iniValue(c.h.settingsPath(), "Left"), std::string("70"));
    QCOMPARE(iniValue(c.h.settingsPath(), "Top"), std::string("80"));
    // What was just saved is not written again at close.
    const QString saved = readFile(c.h.settingsPath());
    c.h.window->close();
    QCOMPARE(readFile(c.h.settingsPath()), saved);
}

void OptionsTest::windowPlacedBeforeLoginNeverOverwritesTheStoredPlace()
{
    // Before the file is read the window stands where the desktop put it: a
    // window manager's placement is no choice of the player's to remember.
    const QByteArray stored = "[zirky]\nLeft=40\nTop=30\nWidth=810\nHeight=590\n";
    for (const bool clickFirst : { false, true }) {
        ClientHarness h({ "Ann" }, 0);
        writeFile(h.settingsPath(), stored);
        h.start();
        h.window->move(220, 140);
        if (clickFirst)
            h.window->action("Turnoff0key1")->trigger();
        h.window->close();
        for (const auto& [key, value] :
            { std::pair { "Left", "40" }, { "Top", "30" }, { "Width", "810" }, { "Height", "590" } })
            QVERIFY2(iniValue(h.settingsPath(), key) == value, key);
        if (!clickFirst)
            QCOMPARE(readFile(h.settingsPath()), QString(stored));
    }
}

void OptionsTest::textColourIsWrittenAsTheColourShown()
{
    struct Row {
        const char* fault;
        const char* stored;
        const char* written;
    };
    const Row rows[] = {
        { "unreadable colour written back instead of the black shown", "Textcolor=purple haze\n", "clBlack" },
        { "colour name kept in the file's spelling", "Textcolor=clred\n", "clRed" },
        { "named colour written as a number", "Textcolor=$000000FF\n", "clRed" },
        { "missing colour written in lower case", "", "clBlack" },
    };
    for (const Row& r : rows) {
        LoggedIn c(QByteArray("[zirky]\n") + r.stored);
        QVERIFY2(c.ok, r.fault);
        c.h.window->action("Turnoff0key1")->trigger();
        QVERIFY2(iniValue(c.h.settingsPath(), "Textcolor") == r.written, r.fault);
    }
}

void OptionsTest::windowStoredOffEveryScreenComesBack()
{
    LoggedIn c("[zirky]\nLeft=15000\nTop=12000\n");
    QVERIFY(c.ok);
    const app::Geometry g = c.h.window->windowGeometry();
    QCOMPARE(g.left, 3);
    QCOMPARE(g.top, 3);
}

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
