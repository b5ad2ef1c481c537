// The tally list window on the offscreen platform: who is counted, what a
// restart keeps, the questions, and a tally file that is damaged or whose
// writer is killed mid-save.

#include "windows/TallyWindow.h"
#include "tests/MidWrite.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <memory>

namespace
{

// A window as the main window sets it up, with the questions answered by the test.
struct Harness {
    explicit Harness(const QString& path, QStringList players = {})
        : players(std::move(players))
        , window(std::make_unique<TallyWindow>(QPixmap()))
    {
        window->playersInGame = [this] { return this->players; };
        window->ask = [this](const QString& q) {
            questions << q;
            return answer;
        };
        window->tellPlayer = [this](const QString& line) { told << line; };
        if (!path.isEmpty())
            window->setTallyPath(path);
    }

    QListWidget* list(const char* name) const { return window->findChild<QListWidget*>(name); }
    QString text(const QString& label) const { return window->findChild<QLabel*>(label)->text(); }
    int tag(const QString& label) const { return window->findChild<QLabel*>(label)->property("tag").toInt(); }

    QStringList items(const char* name) const
    {
        QStringList out;
        for (int i = 0; i < list(name)->count(); ++i)
            out << list(name)->item(i)->text();
        return out;
    }

    // The player ticks names under "Players In Current Game".
    void tally(const QStringList& names)
    {
        window->showTally();
        for (const QString& n : names) {
            const auto found = list("checklist")->findItems(n, Qt::MatchExactly);
            QVERIFY2(!found.isEmpty(), qPrintable(n));
            found.first()->setCheckState(Qt::Checked);
        }
    }

    // Detail panel rows 1..8 as one string, after selecting the opponent.
    QString details(const QString& name)
    {
        const auto found = list("listbox_tally")->findItems(name, Qt::MatchExactly);
        if (found.isEmpty())
            return QStringLiteral("not tallied");
        list("listbox_tally")->setCurrentItem(found.first());
        QStringList out;
        for (int i = 1; i <= 8; ++i)
            out << text(QStringLiteral("label_%1").arg(i));
        return out.join(QLatin1Char(' '));
    }

    QString mine() const
    {
        QStringList out;
        for (int i = 1; i <= 4; ++i)
            out << text(QStringLiteral("mylabel_%1").arg(i));
        return out.join(QLatin1Char(' '));
    }

    QStringList players;
    bool answer = true;
    QStringList questions;
    QStringList told;
    std::unique_ptr<TallyWindow> window;
};

void grabIfAsked(QWidget* window, const char* name)
{
    // Pictures for a reviewer: ZIRKY_TALLY_SHOTS=<folder>.
    const QString folder = qEnvironmentVariable("ZIRKY_TALLY_SHOTS");
    if (folder.isEmpty())
        return;
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return;
    window->grab().save(QDir(folder).filePath(QString::fromLatin1(name)));
}

// Child mode: saves a tally of 1,001 rows over and over until killed.
int saveLoop(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList names;
    for (int i = 0; i < 1000; ++i)
        names << QStringLiteral("Player%1").arg(i);
    Harness h(QString::fromLocal8Bit(argv[2]), names);
    if (h.window->record().rowCount() == 1)
        h.tally(names);
    std::puts("ready");
    std::fflush(stdout);
    h.window->addgame(QStringLiteral("Player7"));
    std::puts("saved a game");
    std::fflush(stdout);
    for (;;)
        h.window->addgame(QStringLiteral("Player7"));
}

} // namespace

class TallyWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void noFileStartsWithZeros();
    void restartKeepsTotalsAndZeroesSessionCounters();
    void addgameCountsOnlyTalliedPlayers_data();
    void addgameCountsOnlyTalliedPlayers();
    void deletingAsksAndMovesLaterRowsUp();
    void resetAsksFirst();
    void resultsAreSavedAtOnceBesideTheTally();
    void unreadableFileIsSetAsideAndToldOnce();
    void lineBreakInANameIsRemoved();
    void killedWhileSavingLeavesAWholeTally();
    void theTallyIsItsOwnersAlone();
};

void TallyWindowTest::noFileStartsWithZeros()
{
    QTemporaryDir dir;
    Harness h(dir.filePath(TallyWindow::kFileName));
    QCOMPARE(h.mine(), QStringLiteral("0 0 0 0"));
    QCOMPARE(h.list("listbox_tally")->count(), 0);
    QCOMPARE(h.window->record().rowCount(), 1u);
    QVERIFY(h.told.isEmpty());
}

void TallyWindowTest::restartKeepsTotalsAndZeroesSessionCounters()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(TallyWindow::kFileName);
    {
        Harness h(path, { "Ann", "Bob" });
        h.tally({ "Ann", "Bob" });
        h.window->addgame("Ann");
        h.window->addgame("addtomine");
        h.window->addscore(3, 900);
        h.window->addscore(4, 120);
        QCOMPARE(h.details("Ann"), QStringLiteral("2 1 1 0 2 1 1 0"));
        grabIfAsked(h.window.get(), "tally-before-restart.png");
    }
    Harness h(path, { "Ann", "Bob" });
    QCOMPARE(h.mine(), QStringLiteral("2 1 900 120"));
    QCOMPARE(h.tag("mylabel_1"), 2);
    QCOMPARE(h.tag("mylabel_3"), 900);
    QCOMPARE(h.window->highestGameScore(), 900);
    QCOMPARE(h.window->highestTurnScore(), 120);
    QCOMPARE(h.items("listbox_tally"), QStringList({ "Ann", "Bob" }));
    QCOMPARE(h.list("listbox_tally")->item(0)->checkState(), Qt::Checked);
    QCOMPARE(h.details("Ann"), QStringLiteral("2 1 1 0 0 0 0 0"));
    QCOMPARE(h.text("label_hisnametop"), QStringLiteral("Ann's Tally"));
    QCOMPARE(h.text("label_hisname"), QStringLiteral("Ann Wins:"));
    grabIfAsked(h.window.get(), "tally-after-restart.png");
}

void TallyWindowTest::addgameCountsOnlyTalliedPlayers_data()
{
    QTest::addColumn<QStringList>("inGame");
    QTest::addColumn<QStringList>("tallied");
    QTest::addColumn<QString>("winner");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("annDetails");
    QTest::addColumn<QStringList>("checked");

    QTest::newRow("untallied winner only counts the game") << QStringList { "Zed" } << QStringList {} << "Zed"
                                                           << "1 0 0 0"
                                                           << "not tallied" << QStringList {};
    QTest::newRow("player in the game but unchecked is not counted")
        << QStringList { "Ann", "Bob" } << QStringList { "Ann" } << "Bob"
        << "1 0 0 0"
        << "1 0 0 1 1 0 0 1" << QStringList { "Ann" };
    QTest::newRow("own win counts for every tallied player")
        << QStringList { "Ann" } << QStringList { "Ann" } << "addtomine"
        << "1 1 0 0"
        << "1 0 1 0 1 0 1 0" << QStringList { "Ann" };
}

void TallyWindowTest::addgameCountsOnlyTalliedPlayers()
{
    QFETCH(QStringList, inGame);
    QFETCH(QStringList, tallied);
    QFETCH(QString, winner);
    QTemporaryDir dir;
    Harness h(dir.filePath(TallyWindow::kFileName), inGame);
    h.tally(tallied);
    h.window->addgame(winner);
    QTEST(h.mine(), "mine");
    QTEST(h.details("Ann"), "annDetails");
    QCOMPARE(h.items("listbox_tally"), tallied);
    // The game's players are listed again, ticked when tallied.
    QStringList checked;
    for (int i = 0; i < h.list("checklist")->count(); ++i) {
        if (h.list("checklist")->item(i)->checkState() == Qt::Checked)
            checked << h.list("checklist")->item(i)->text();
    }
    QTEST(checked, "checked");
}

void TallyWindowTest::deletingAsksAndMovesLaterRowsUp()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(TallyWindow::kFileName);
    Harness h(path, { "Ann", "Bob", "Cy" });
    h.tally({ "Ann", "Bob", "Cy" });
    h.window->addgame("Cy");

    h.answer = false;
    h.list("listbox_tally")->item(0)->setCheckState(Qt::Unchecked);
    QCOMPARE(h.questions, QStringList { "This will delete Ann's Tally, Are you want to delete it?" });
    QCOMPARE(h.list("listbox_tally")->item(0)->checkState(), Qt::Checked);
    QCOMPARE(h.items("listbox_tally"), QStringList({ "Ann", "Bob", "Cy" }));

    h.answer = true;
    h.list("listbox_tally")->item(0)->setCheckState(Qt::Unchecked);
    QCOMPARE(h.items("listbox_tally"), QStringList({ "Bob", "Cy" }));
    QCOMPARE(h.window->record().rowCount(), 3u);
    QCOMPARE(QString::fromStdString(h.window->record().cell(1, 0)), QStringLiteral("Bob"));
    QCOMPARE(h.details("Cy"), QStringLiteral("1 1 0 0 1 1 0 0"));
    QCOMPARE(h.details("Bob"), QStringLiteral("1 0 0 1 1 0 0 1"));

    Harness again(path);
    QCOMPARE(again.items("listbox_tally"), QStringList({ "Bob", "Cy" }));
}

void TallyWindowTest::resetAsksFirst()
{
    QTemporaryDir dir;
    Harness h(dir.filePath(TallyWindow::kFileName), { "Ann" });
    h.tally({ "Ann" });
    h.window->addgame("addtomine");
    h.window->addscore(3, 400);
    h.details("Ann");
    auto* reset = h.window->findChild<QPushButton*>("button_reset");

    h.answer = false;
    QTest::mouseClick(reset, Qt::LeftButton);
    QCOMPARE(h.questions, QStringList { "Are you sure you want to reset the Tally?" });
    QCOMPARE(h.mine(), QStringLiteral("1 1 400 0"));

    h.answer = true;
    QTest::mouseClick(reset, Qt::LeftButton);
    QCOMPARE(h.mine(), QStringLiteral("0 0 0 0"));
    QCOMPARE(h.tag("mylabel_3"), 0);
    QCOMPARE(h.list("listbox_tally")->count(), 0);
    QCOMPARE(h.window->record().rowCount(), 1u);
    for (int i = 1; i <= 8; ++i)
        QCOMPARE(h.text(QStringLiteral("label_%1").arg(i)), QStringLiteral("0"));
}

void TallyWindowTest::resultsAreSavedAtOnceBesideTheTally()
{
    QTemporaryDir dir;
    QTemporaryDir workDir;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(workDir.path());
    const QString path = dir.filePath(TallyWindow::kFileName);
    Harness h(path, { "Ann" });
    h.tally({ "Ann" });
    h.window->addgame("Ann");
    h.window->addscore(4, 77);
    {
        // Read while the first window still lives: nothing waits for the exit.
        Harness reader(path);
        QCOMPARE(reader.mine(), QStringLiteral("1 0 0 77"));
        QCOMPARE(reader.details("Ann"), QStringLiteral("1 1 0 0 0 0 0 0"));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { TallyWindow::kFileName });
    QCOMPARE(QDir(workDir.path()).entryList(QDir::Files), QStringList {});
    QDir::setCurrent(oldCwd);
}

void TallyWindowTest::unreadableFileIsSetAsideAndToldOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(TallyWindow::kFileName);
    const QByteArray older("an older damaged tally");
    const QByteArray damaged = QByteArray("WRZL\x10\0\0\0", 8) + QByteArray("\x05\0\x40\xff\xff", 5);
    for (const auto& [name, bytes] : { std::pair { path + ".bad", older }, std::pair { path, damaged } }) {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // As at start-up: the chat is hooked up after the window has read its file.
    Harness h(QString {});
    h.window->tellPlayer = nullptr;
    h.window->setTallyPath(path);
    h.window->tellPlayer = [&h](const QString& line) { h.told << line; };
    QTRY_COMPARE(h.told.size(), 1);
    QVERIFY2(h.told.first().contains("zirkytally.tld.bad2"), qPrintable(h.told.first()));
    h.window->showTally();
    h.window->addgame("addtomine");
    QCoreApplication::processEvents();
    QCOMPARE(h.told.size(), 1);

    auto contents = [](const QString& name) {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
    };
    QCOMPARE(contents(path + ".bad"), older);
    QCOMPARE(contents(path + ".bad2"), damaged);
    Harness reader(path);
    QCOMPARE(reader.mine(), QStringLiteral("1 1 0 0"));
    QVERIFY(reader.told.isEmpty());
}

void TallyWindowTest::lineBreakInANameIsRemoved()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(TallyWindow::kFileName);
    {
        Harness h(path, { "Mal\r\nlory", "Ann" });
        h.tally({ "Mallory", "Ann" });
        h.window->addgame("Mal\nlory");
    }
    Harness h(path);
    QCOMPARE(h.items("listbox_tally"), QStringList({ "Mallory", "Ann" }));
    QCOMPARE(h.details("Mallory"), QStringLiteral("1 1 0 0 0 0 0 0"));
}

// The temporaries a save of the tally at `path` leaves while it runs.
static QStringList saveTemporaries(const QString& path)
{
    const QFileInfo tally(path);
    QStringList out;
    for (const QString& name : tally.dir().entryList(QDir::Files | QDir::Hidden))
        if (name.size() == tally.fileName().size() + 7 && name.startsWith(tally.fileName() + '.'))
            out << tally.dir().filePath(name);
    return out;
}

void TallyWindowTest::killedWhileSavingLeavesAWholeTally()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(TallyWindow::kFileName);
    std::int64_t games = 0;
    int killedSaving = 0;
    int round = 0;
    for (; round < 40 && killedSaving < 3; ++round) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), { "--save-loop", path });
        QVERIFY(child.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine() || child.state() == QProcess::NotRunning, 60000);
        QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
        // One game saved whole first, so that a slow first save is not the only one ever caught.
        QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine() || child.state() == QProcess::NotRunning, 60000);
        QCOMPARE(child.readLine().trimmed(), QByteArray("saved a game"));
        // Killed while it holds the file it saves open: in the middle of a save.
        QVERIFY2(midwrite::stopWhileWriting(static_cast<pid_t>(child.processId()), dir.path().toStdString()),
            "the child was never caught saving");
        child.kill();
        QVERIFY(child.waitForFinished());

        // A temporary left behind proves the kill came in the middle of a save.
        const QStringList strays = saveTemporaries(path);
        if (!strays.isEmpty())
            ++killedSaving;
        // The next start comes later than a save takes to lock its temporary.
        for (const QString& stray : strays) {
            QFile f(stray);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        }

        Harness h(path);
        QVERIFY2(!QFile::exists(path + ".bad"), "the tally was damaged by the kill");
        QCOMPARE(h.window->record().rowCount(), 1001u);
        const std::int64_t now = h.window->record().mine(1);
        QVERIFY(now >= games);
        games = now;
        QVERIFY2(saveTemporaries(path).isEmpty(), "what the killed save left stayed");
    }
    qInfo("%d of %d kills came during a save", killedSaving, round);
    QVERIFY2(killedSaving >= 3, "no kill came during a save: the test proved nothing");
    QVERIFY(games > 0);
}

void TallyWindowTest::theTallyIsItsOwnersAlone()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(TallyWindow::kFileName);
    Harness h(path, { "Ann" });
    QVERIFY(h.window->saveTally());
    QCOMPARE(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
            | QFileDevice::WriteUser);
}

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--save-loop") == 0)
        return saveLoop(argc, argv);
    QApplication app(argc, argv);
    TallyWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tallywindow.moc"
