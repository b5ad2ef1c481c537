#include "windows/StartGameDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <optional>
#include <string>

using Opt = std::optional<std::string>;
Q_DECLARE_METATYPE(Opt)

namespace
{

QPixmap plainPicture()
{
    QPixmap picture(40, 30);
    picture.fill(Qt::white);
    return picture;
}

} // namespace

class StartGameDialogTest : public QObject
{
    Q_OBJECT

    QSpinBox* spin(StartGameDialog& form, const char* name)
    {
        auto* found = form.findChild<QSpinBox*>(QString::fromLatin1(name));
        if (!found)
            qFatal("spin edit %s missing", name);
        return found;
    }
    QCheckBox* box(StartGameDialog& form, const char* name)
    {
        auto* found = form.findChild<QCheckBox*>(QString::fromLatin1(name));
        if (!found)
            qFatal("check box %s missing", name);
        return found;
    }

private slots:
    void controlsCarryDocumentedRangesAndSteps_data();
    void controlsCarryDocumentedRangesAndSteps();
    void freshWindowShowsDesignValues();
    void missingSettingsGiveFileDefaults();
    void storedFlagsAreReadLiterally_data();
    void storedFlagsAreReadLiterally();
    void storedNumbersAreReadStrictly_data();
    void storedNumbersAreReadStrictly();
    void hiddenFastBoxNeverRequestsFastGame();
    void optionsCarryShownValues();
    void startCallsMainWindowThenHides();
    void startTakesNumberStillBeingTyped_data();
    void startTakesNumberStillBeingTyped();
    void valuesOutsideTheRangeAreRefusedInWords_data();
    void valuesOutsideTheRangeAreRefusedInWords();
    void closingStartsNothing();
    void showsCentredOnMainWindow();
};

void StartGameDialogTest::controlsCarryDocumentedRangesAndSteps_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("caption");
    QTest::newRow("play-to range or step wrong") << "playtoscore" << 5000 << 50000 << 1000 << "Play To Score:";
    QTest::newRow("time range or step wrong") << "timeperturn" << 60 << 120 << 5 << "Time Limit Per Turn:";
    QTest::newRow("zirked range or step wrong") << "zirked" << 1000 << 5000 << 1000 << "Zirked At:";
}

void StartGameDialogTest::controlsCarryDocumentedRangesAndSteps()
{
    QFETCH(QString, name);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, step);
    QFETCH(QString, caption);
    StartGameDialog form(plainPicture());
    auto* edit = spin(form, name.toLatin1().constData());
    // The arrows and steps stay inside the range, whatever the field lets be typed.
    edit->setValue(min);
    edit->stepDown();
    QCOMPARE(edit->value(), min);
    edit->stepUp();
    QCOMPARE(edit->value(), min + step);
    edit->setValue(max);
    edit->stepUp();
    QCOMPARE(edit->value(), max);
    QCOMPARE(edit->singleStep(), step);
    // The range is shown before anything is typed.
    auto* range = form.findChild<QLabel*>(name + "_range");
    QVERIFY(range);
    QCOMPARE(range->text(), QStringLiteral("%1 to %2").arg(min).arg(max));

    // The caption labels its own spin edit (a swapped caption would mislabel a setting).
    const QString labelName = name == "zirked" ? QStringLiteral("label_zirked") : "label_" + name;
    auto* label = form.findChild<QLabel*>(labelName);
    QVERIFY(label);
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->buddy(), edit);
}

void StartGameDialogTest::freshWindowShowsDesignValues()
{
    StartGameDialog form(plainPicture());
    QCOMPARE(form.windowTitle(), QStringLiteral("Zirky - Start Game"));
    QVERIFY(form.windowFlags() & Qt::Tool);
    QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(form.isHidden());
    QCOMPARE(spin(form, "playtoscore")->value(), 5000);
    QCOMPARE(spin(form, "timeperturn")->value(), 60);
    QCOMPARE(spin(form, "zirked")->value(), 5000);
    QVERIFY(box(form, "new")->isChecked());
    QVERIFY(!box(form, "typing")->isChecked());
    QVERIFY(!box(form, "fast")->isChecked());
    QCOMPARE(box(form, "new")->text(), QStringLiteral("Allow New Tiles"));
    QCOMPARE(box(form, "typing")->text(), QStringLiteral("Allow Typing"));
    QCOMPARE(box(form, "fast")->text(), QStringLiteral("Fast Game"));
    QVERIFY(form.findChild<QPushButton*>("button_start"));
}

void StartGameDialogTest::missingSettingsGiveFileDefaults()
{
    StartGameDialog form(plainPicture());
    form.applySettings({}, {}, {}, {}, {}, {});
    QCOMPARE(spin(form, "playtoscore")->value(), 5000);
    QCOMPARE(spin(form, "timeperturn")->value(), 60);
    // The file's default differs from the window's design value: the file wins.
    QCOMPARE(spin(form, "zirked")->value(), 2000);
    QVERIFY(box(form, "new")->isChecked());
    QVERIFY(box(form, "typing")->isChecked());
    QVERIFY(box(form, "fast")->isChecked());

    const net::GameOptions options = form.options();
    QCOMPARE(options.zirkedAt, 2000);
    QVERIFY(options.typing);
    QVERIFY(options.fast);
}

void StartGameDialogTest::storedFlagsAreReadLiterally_data()
{
    QTest::addColumn<Opt>("newtiles");
    QTest::addColumn<Opt>("fastgame");
    QTest::addColumn<Opt>("typing");
    QTest::addColumn<bool>("wantNew");
    QTest::addColumn<bool>("wantFast");
    QTest::addColumn<bool>("wantTyping");
    QTest::newRow("typing TRUE treated case-blind")
        << Opt("true") << Opt("true") << Opt("TRUE") << true << true << false;
    QTest::newRow("typing yes treated as true") << Opt("true") << Opt("true") << Opt("yes") << true << true << false;
    QTest::newRow("typing empty treated as default") << Opt() << Opt() << Opt("") << true << true << false;
    QTest::newRow("newtiles no turned off") << Opt("no") << Opt("true") << Opt("true") << true << true << true;
    QTest::newRow("newtiles False turned off") << Opt("False") << Opt("0") << Opt("true") << true << true << true;
    QTest::newRow("false not honoured") << Opt("false") << Opt("false") << Opt("false") << false << false << false;
    QTest::newRow("padded false read as false")
        << Opt(" false") << Opt("false ") << Opt(" true") << true << true << false;
}

void StartGameDialogTest::storedFlagsAreReadLiterally()
{
    QFETCH(Opt, newtiles);
    QFETCH(Opt, fastgame);
    QFETCH(Opt, typing);
    QFETCH(bool, wantNew);
    QFETCH(bool, wantFast);
    QFETCH(bool, wantTyping);
    StartGameDialog form(plainPicture());
    // Start from the opposite of what is expected, so a key that is ignored shows up.
    box(form, "new")->setChecked(!wantNew);
    box(form, "fast")->setChecked(!wantFast);
    box(form, "typing")->setChecked(!wantTyping);
    form.applySettings(Opt("5000"), Opt("60"), Opt("2000"), newtiles, fastgame, typing);
    QCOMPARE(box(form, "new")->isChecked(), wantNew);
    QCOMPARE(box(form, "fast")->isChecked(), wantFast);
    QCOMPARE(box(form, "typing")->isChecked(), wantTyping);

    const auto saved = form.currentSettings();
    QCOMPARE(saved.newtiles, wantNew);
    QCOMPARE(saved.fastgame, wantFast);
    QCOMPARE(saved.typing, wantTyping);
}

void StartGameDialogTest::storedNumbersAreReadStrictly_data()
{
    QTest::addColumn<Opt>("playto");
    QTest::addColumn<Opt>("time");
    QTest::addColumn<Opt>("zirked");
    QTest::addColumn<int>("wantPlayto");
    QTest::addColumn<int>("wantTime");
    QTest::addColumn<int>("wantZirked");
    // The window holds 12000 / 90 / 3000 before each row.
    QTest::newRow("valid numbers ignored") << Opt("25000") << Opt("115") << Opt("4000") << 25000 << 115 << 4000;
    QTest::newRow("words reset fields") << Opt("lots") << Opt("slow") << Opt("x") << 12000 << 90 << 3000;
    QTest::newRow("empty text read as zero") << Opt("") << Opt("") << Opt("") << 12000 << 90 << 3000;
    QTest::newRow("trailing junk accepted") << Opt("7000abc") << Opt("65s") << Opt("2000 ") << 12000 << 90 << 3000;
    QTest::newRow("overflow wraps") << Opt("99999999999") << Opt("-99999999999") << Opt("4294967296") << 12000 << 90
                                    << 3000;
    QTest::newRow("below range kept below") << Opt("100") << Opt("5") << Opt("-3") << 5000 << 60 << 1000;
    QTest::newRow("above range kept above") << Opt("90000") << Opt("600") << Opt("9000") << 50000 << 120 << 5000;
    QTest::newRow("missing keys left unchanged") << Opt() << Opt() << Opt() << 5000 << 60 << 2000;
}

void StartGameDialogTest::storedNumbersAreReadStrictly()
{
    QFETCH(Opt, playto);
    QFETCH(Opt, time);
    QFETCH(Opt, zirked);
    QFETCH(int, wantPlayto);
    QFETCH(int, wantTime);
    QFETCH(int, wantZirked);
    StartGameDialog form(plainPicture());
    form.applySettings(Opt("12000"), Opt("90"), Opt("3000"), {}, {}, {});
    form.applySettings(playto, time, zirked, {}, {}, {});
    QCOMPARE(spin(form, "playtoscore")->value(), wantPlayto);
    QCOMPARE(spin(form, "timeperturn")->value(), wantTime);
    QCOMPARE(spin(form, "zirked")->value(), wantZirked);

    const auto saved = form.currentSettings();
    QCOMPARE(saved.playtoscore, std::to_string(wantPlayto));
    QCOMPARE(saved.timeperturn, std::to_string(wantTime));
    QCOMPARE(saved.zirkedat, std::to_string(wantZirked));
}

void StartGameDialogTest::hiddenFastBoxNeverRequestsFastGame()
{
    StartGameDialog form(plainPicture());
    // The "s" argument arrives while the window itself is still hidden.
    form.setFastHidden(true);
    form.applySettings({}, {}, {}, {}, Opt("true"), {});
    QVERIFY(box(form, "fast")->isChecked());
    QVERIFY(!form.options().fast);
    // The stored choice survives for a later unrestricted game.
    QVERIFY(form.currentSettings().fastgame);

    form.show();
    QVERIFY(!box(form, "fast")->isVisible());
    QVERIFY(!form.options().fast);
    form.hide();
    QVERIFY(!form.options().fast);

    form.setFastHidden(false);
    QVERIFY(form.options().fast);
}

void StartGameDialogTest::optionsCarryShownValues()
{
    StartGameDialog form(plainPicture());
    form.applySettings(Opt("30000"), Opt("75"), Opt("3000"), Opt("false"), Opt("false"), Opt("true"));
    spin(form, "playtoscore")->stepUp();
    const net::GameOptions options = form.options();
    QVERIFY(!options.team);
    QCOMPARE(options.playToScore, 31000);
    QCOMPARE(options.timePerTurn, 75);
    QCOMPARE(options.zirkedAt, 3000);
    QVERIFY(!options.newTiles);
    QVERIFY(options.typing);
    QVERIFY(!options.fast);
    QCOMPARE(spin(form, "playtoscore")->text(), QString::number(options.playToScore));
}

void StartGameDialogTest::startCallsMainWindowThenHides()
{
    StartGameDialog form(plainPicture());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    int calls = 0;
    bool visibleDuringStart = false;
    net::GameOptions seen;
    form.onStart = [&] {
        ++calls;
        visibleDuringStart = form.isVisible();
        seen = form.options();
    };
    QTest::mouseClick(form.findChild<QPushButton*>("button_start"), Qt::LeftButton);
    QCOMPARE(calls, 1);
    QVERIFY(visibleDuringStart);
    QVERIFY(form.isHidden());
    QCOMPARE(seen.playToScore, 5000);

    // No main window attached yet: the button must not crash.
    form.onStart = nullptr;
    form.show();
    form.onStartClicked();
    QVERIFY(form.isHidden());
}

void StartGameDialogTest::startTakesNumberStillBeingTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("sent");
    QTest::newRow("typed value lost without leaving the field") << "9000" << 9000;
    QTest::newRow("a value between the steps put back") << "5500" << 5500;
}

void StartGameDialogTest::startTakesNumberStillBeingTyped()
{
    QFETCH(QString, typed);
    QFETCH(int, sent);
    StartGameDialog form(plainPicture());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* edit = spin(form, "playtoscore")->findChild<QLineEdit*>();
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    int seen = 0;
    form.onStart = [&] { seen = form.options().playToScore; };
    form.onStartClicked();
    QCOMPARE(seen, sent);
}

void StartGameDialogTest::valuesOutsideTheRangeAreRefusedInWords_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("problem");
    QTest::newRow("too small play-to score started a game") << "playtoscore"
                                                            << "7"
                                                            << "Play To Score goes from 5000 to 50000: 7 is too low.";
    QTest::newRow("too large play-to score put back silently")
        << "playtoscore"
        << "60000"
        << "Play To Score goes from 5000 to 50000: 60000 is too high.";
    QTest::newRow("too long a turn started a game") << "timeperturn"
                                                    << "600"
                                                    << "Time Limit Per Turn goes from 60 to 120: 600 is too high.";
    QTest::newRow("too low a Zirked mark started a game") << "zirked"
                                                          << "500"
                                                          << "Zirked At goes from 1000 to 5000: 500 is too low.";
}

void StartGameDialogTest::valuesOutsideTheRangeAreRefusedInWords()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, problem);
    StartGameDialog form(plainPicture());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    int starts = 0;
    form.onStart = [&] { ++starts; };
    auto* edit = spin(form, field.toLatin1().constData())->findChild<QLineEdit*>();
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    form.onStartClicked();
    QCOMPARE(starts, 0);
    QVERIFY2(form.isVisible(), "the window closed as if the game had started");
    QCOMPARE(form.problemText(), problem);
    auto* shown = form.findChild<QLabel*>("label_problem");
    QVERIFY(shown && shown->isVisible());
    QCOMPARE(edit->text(), typed); // kept for the player to fix

    // Fixed, the reason goes and Start starts.
    spin(form, field.toLatin1().constData())->stepDown();
    QVERIFY(form.problemText().isEmpty());
    form.onStartClicked();
    QCOMPARE(starts, 1);
    QVERIFY(form.isHidden());
}

void StartGameDialogTest::closingStartsNothing()
{
    StartGameDialog form(plainPicture());
    int calls = 0;
    form.onStart = [&] { ++calls; };
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    spin(form, "timeperturn")->setValue(100);
    QVERIFY(form.close());
    QCOMPARE(calls, 0);
    QVERIFY(form.isHidden());
    // Still usable afterwards: the one instance lives for the whole run.
    form.show();
    QCOMPARE(spin(form, "timeperturn")->value(), 100);
    // Escape from the field being typed in closes, starting nothing; Enter starts.
    spin(form, "timeperturn")->setFocus();
    QTest::keyClick(spin(form, "timeperturn"), Qt::Key_Escape);
    QVERIFY(form.isHidden());
    QCOMPARE(calls, 0);
    form.show();
    spin(form, "timeperturn")->setFocus();
    QTest::keyClick(spin(form, "timeperturn"), Qt::Key_Return);
    QCOMPARE(calls, 1);
}

void StartGameDialogTest::showsCentredOnMainWindow()
{
    QWidget main;
    main.setGeometry(100, 80, 795, 568);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    StartGameDialog form(plainPicture());
    form.showCentredOn(&main);
    QVERIFY(form.isVisible());
    const QPoint offset = form.frameGeometry().center() - main.frameGeometry().center();
    // Integer rounding of odd sizes may leave it a pixel or two out, never more.
    QVERIFY2(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2,
        qPrintable(QStringLiteral("off centre by %1,%2").arg(offset.x()).arg(offset.y())));
}

QTEST_MAIN(StartGameDialogTest)
#include "tst_startgamedialog.moc"
