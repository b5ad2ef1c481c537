// The game with the keyboard alone, against the real host over loopback:
// every key goes to whatever widget holds the keyboard, as a player's would,
// and no mouse event is sent. Covers the keyboard's home in the chat input,
// where letters go in each typing state, the menu keys and the rack walked
// with the arrows, up to a solo game played to its winner.

#include "ClientHarness.h"

#include "client/Announcer.h"
#include "client/GameBoard.h"
#include "client/TileWidget.h"
#include "client/Wording.h"
#include "solver/WordFinder.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>

#include <algorithm>

namespace
{

QString text(QWidget* root, const char* name)
{
    auto* l = root->findChild<QLabel*>(name);
    return l ? l->text() : QStringLiteral("<missing %1>").arg(name);
}

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// One key to whatever holds the keyboard now (menu keys included: the
// shortcut map sees the key first, as with a real keyboard).
[[nodiscard]] bool key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    if (!target)
        return false;
    QTest::keyClick(target, static_cast<Qt::Key>(k), mods);
    return true;
}

[[nodiscard]] bool type(const QString& letters)
{
    for (const QChar c : letters)
        if (!key(Qt::Key_A + (c.toUpper().toLatin1() - 'A')))
            return false;
    return true;
}

QLineEdit* chatInput(ClientHarness& h) { return h.window->findChild<QLineEdit*>("mychat"); }

// Ctrl+N, the options by Tab and Space, Enter: a game started without the mouse.
void startByKeys(ClientHarness& h, bool fast, bool typing)
{
    QVERIFY(key(Qt::Key_N, Qt::ControlModifier));
    QTRY_VERIFY(h.startDialog->isVisible());
    QTRY_VERIFY(h.startDialog->isActiveWindow());
    const auto setByKeys = [&](const char* name, bool on) {
        auto* box = h.startDialog->findChild<QCheckBox*>(name);
        for (int i = 0; i < 20 && QApplication::focusWidget() != box; ++i)
            QVERIFY(key(Qt::Key_Tab));
        QCOMPARE(QApplication::focusWidget(), box);
        if (box->isChecked() != on)
            QVERIFY(key(Qt::Key_Space));
        QCOMPARE(box->isChecked(), on);
    };
    setByKeys("fast", fast);
    setByKeys("typing", typing);
    QVERIFY(key(Qt::Key_Return));
    QTRY_VERIFY(!h.startDialog->isVisible());
}

} // namespace

class KeyboardTest : public QObject
{
    Q_OBJECT
private slots:
    void chatHasTheKeyboardFirst();
    void lettersGoWhereTheTypingStateSays();
    void rackWalkedWithArrowsAndMenuKeys();
    void soloGameToTheWinnerByKeysAlone();
};

void KeyboardTest::chatHasTheKeyboardFirst()
{
    ClientHarness h({}, 0);
    h.start();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    QTRY_VERIFY(h.chatText().contains("You are Connected."));
    // The download offer beside the solo game does not take the keyboard.
    QCOMPARE(QApplication::focusWidget(), chatInput(h));
    QVERIFY(type("hi"));
    QVERIFY(key(Qt::Key_Return));
    QTRY_VERIFY(h.chatText().contains("You chat: hi"));

    // A window opened from the keyboard and closed again gives the keyboard back.
    QVERIFY(key(Qt::Key_F1));
    QTRY_VERIFY(h.help->isVisible());
    h.help->close();
    QTRY_COMPARE(QApplication::focusWidget(), chatInput(h));
}

void KeyboardTest::lettersGoWhereTheTypingStateSays()
{
    ClientHarness h({}, 0);
    h.start();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    QTRY_VERIFY(h.chatText().contains("You are Connected."));
    QLineEdit* input = chatInput(h);
    auto* typing = h.window->findChild<QCheckBox*>("checkbox_typing");

    // Before any game, letters are chat.
    QVERIFY(type("ab"));
    QCOMPARE(input->text(), QString("ab"));
    input->clear();

    startByKeys(h, true, true);
    QTRY_COMPARE(text(h.window.get(), "label_status"), QString("Your Turn."));
    QTRY_COMPARE(QApplication::focusWidget(), input);
    const client::Game& game = h.window->session().game();
    QTRY_VERIFY(!game.rack().rackLetters().empty());
    const QString rack = QString::fromStdString(game.rack().rackLetters());

    struct Row {
        const char* fault;
        bool typingOn;
        std::string_view shown;
        bool lettersBuild;
    };
    const Row rows[] = {
        { "typing off still swallowing letters meant for the chat", false, client::kTypingOff, false },
        { "a rack letter sent to everyone as chat while typing is on", true, client::kTypingOn, true },
        { "switching back leaving letters with the tiles", false, client::kTypingOff, false },
    };
    for (const Row& r : rows) {
        if (typing->isChecked() != r.typingOn)
            QVERIFY(key(Qt::Key_Tab));
        QVERIFY2(typing->isChecked() == r.typingOn, r.fault);
        QVERIFY2(typing->text().simplified() == qs(r.shown).simplified(), r.fault);
        QVERIFY2(typing->accessibleName() == qs(r.shown), r.fault);
        QVERIFY(type(rack.left(2)));
        if (r.lettersBuild) {
            QVERIFY2(input->text().isEmpty(), r.fault);
            QVERIFY2(game.rack().wordLength() == 2, r.fault);
            QVERIFY(key(Qt::Key_1)); // clears the word while typing is on
            QVERIFY2(game.rack().wordLength() == 0, r.fault);
        } else {
            QVERIFY2(input->text() == rack.left(2).toLower(), r.fault);
            QVERIFY2(game.rack().wordLength() == 0, r.fault);
            input->clear();
        }
        QVERIFY2(QApplication::focusWidget() == input, r.fault);
    }

    // Letters an input method composes come without key presses: still the tiles'.
    QVERIFY(key(Qt::Key_Tab));
    QVERIFY(typing->isChecked());
    QInputMethodEvent composed;
    composed.setCommitString(rack.left(2).toLower());
    QCoreApplication::sendEvent(input, &composed);
    QVERIFY(input->text().isEmpty());
    QCOMPARE(game.rack().wordLength(), 2);
    QVERIFY(key(Qt::Key_1));

    // A letter not on the rack moves nothing and is said, not sent.
    char missing = 'Q';
    for (char c = 'Z'; c >= 'A'; --c)
        if (!rack.contains(QChar(c))) {
            missing = c;
            break;
        }
    QVERIFY(key(Qt::Key_A + (missing - 'A')));
    QVERIFY(input->text().isEmpty());
    auto* announcer = h.window->findChild<QWidget*>("announcer");
    QVERIFY(announcer->accessibleName().contains(QString("No %1 left on the rack").arg(missing)));
}

void KeyboardTest::rackWalkedWithArrowsAndMenuKeys()
{
    ClientHarness h({}, 0);
    h.start();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    QTRY_VERIFY(h.chatText().contains("You are Connected."));
    QVERIFY2(!h.window->action("PlayDone1")->isEnabled(), "no move offered before a game");
    startByKeys(h, true, false);
    QTRY_COMPARE(text(h.window.get(), "label_status"), QString("Your Turn."));
    QVERIFY(!h.window->action("StartGame1")->isEnabled());
    const client::Game& game = h.window->session().game();
    QTRY_VERIFY(game.rack().rackLetters().size() >= 3);

    // F6 puts the keyboard on the first tile; Right steps, Space takes.
    QVERIFY(key(Qt::Key_F6));
    auto* first = qobject_cast<TileWidget*>(QApplication::focusWidget());
    QVERIFY(first);
    QVERIFY(key(Qt::Key_Right));
    auto* second = qobject_cast<TileWidget*>(QApplication::focusWidget());
    QVERIFY(second && second != first);
    QVERIFY(key(Qt::Key_Space));
    QCOMPARE(game.rack().wordLength(), 1);
    QVERIFY(second->inWord());
    QVERIFY(second->accessibleName().contains(QChar(second->letter())));
    QVERIFY2(QApplication::focusWidget() == second, "the keyboard stays on the rack to go on building");
    // The word reads first: Right goes on to the rack, Left back into the word.
    QVERIFY(key(Qt::Key_Right));
    QCOMPARE(QApplication::focusWidget(), first);
    QVERIFY(key(Qt::Key_Return));
    QCOMPARE(game.rack().wordLength(), 2);
    QVERIFY(key(Qt::Key_Left));
    QCOMPARE(QApplication::focusWidget(), second);
    QVERIFY(key(Qt::Key_Return));
    QCOMPARE(game.rack().wordLength(), 2); // only the word's last tile comes back
    QVERIFY(key(Qt::Key_Right));
    QVERIFY(key(Qt::Key_Return));
    QCOMPARE(game.rack().wordLength(), 1);
    QVERIFY(!first->inWord());
    QVERIFY(second->inWord());

    // Menu keys: take another, take one back, clear; back to the chat with F6.
    QVERIFY(key(Qt::Key_Space));
    const int built = game.rack().wordLength();
    QCOMPARE(built, 2);
    QVERIFY(h.window->action("PlayTakeBack1")->isEnabled());
    QVERIFY(key(Qt::Key_B, Qt::ControlModifier));
    QCOMPARE(game.rack().wordLength(), built - 1);
    QVERIFY(key(Qt::Key_F6));
    QCOMPARE(QApplication::focusWidget(), chatInput(h));
    QVERIFY(key(Qt::Key_Escape));
    QCOMPARE(game.rack().wordLength(), 0);

    // Keys that open windows.
    QVERIFY(key(Qt::Key_L, Qt::ControlModifier));
    QTRY_VERIFY(h.tally->isVisible());
    h.tally->close();
    QTRY_COMPARE(QApplication::focusWidget(), chatInput(h));
    QVERIFY(key(Qt::Key_P, Qt::ControlModifier));
    QTRY_VERIFY(h.phrases->isVisible());
    h.phrases->close();
    QTRY_COMPARE(QApplication::focusWidget(), chatInput(h));

    // F10 opens the menus; the arrows reach the options, Escape leaves them.
    QVERIFY(key(Qt::Key_F10));
    QTRY_VERIFY(QApplication::activePopupWidget());
    QCOMPARE(QApplication::activePopupWidget()->objectName(), QString("File1"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
    QTRY_COMPARE(QApplication::activePopupWidget()->objectName(), QString("Play1"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
    QTRY_COMPARE(QApplication::activePopupWidget()->objectName(), QString("Options1"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
}

void KeyboardTest::soloGameToTheWinnerByKeysAlone()
{
    ClientHarness h({}, 0);
    h.start();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    QTRY_VERIFY(h.chatText().contains("You are Connected."));
    // The first score offered to play to is the lowest, so the game ends in a few turns.
    startByKeys(h, true, true);
    const client::Game& game = h.window->session().game();
    const solver::WordFinder& finder = solver::WordFinder::builtIn();
    // The news a screen reader is given (the AT-SPI check hears it go out).
    QStringList news;
    connect(h.window->findChild<Announcer*>("announcer"), &Announcer::said, this,
        [&news](const QString& text) { news << text; });
    auto* typing = h.window->findChild<QCheckBox*>("checkbox_typing");

    int turns = 0;
    for (; turns < 12 && !game.winnerShown(); ++turns) {
        QTRY_VERIFY_WITH_TIMEOUT(game.winnerShown() || text(h.window.get(), "label_status") == "Your Turn.", 30000);
        if (game.winnerShown())
            break;
        QTRY_VERIFY(!game.rack().rackLetters().empty());
        QTRY_COMPARE(QApplication::focusWidget(), chatInput(h));
        if (!typing->isChecked())
            QVERIFY(key(Qt::Key_Tab));
        QVERIFY(typing->isChecked());

        // What the window shows of the rack, and the longest words it builds.
        std::string rack;
        for (int n = 1; n <= rules::kZirkedTiles; ++n) {
            auto* t = h.window->findChild<TileWidget*>(QString("dice_%1").arg(n));
            rack += t->isVisible() && t->letter() ? t->letter() : '*';
        }
        std::vector<solver::FoundWord> found = finder.find(rack);
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
            return a.length() != b.length() ? a.length() > b.length() : a.word < b.word;
        });
        int tried = 0;
        int perLength[rules::kMaxWordLength + 1] {};
        for (const solver::FoundWord& w : found) {
            if (tried >= 8 || !game.myTurn())
                break;
            if (w.length() < 4 || perLength[w.length()] >= 2)
                continue;
            ++perLength[w.length()];
            ++tried;
            QVERIFY(type(qs(w.word)));
            if (game.rack().wordLength() != w.length())
                break; // the turn ended under us
            QVERIFY(key(Qt::Key_Return));
            QTRY_VERIFY(game.rack().wordLength() == 0);
            // Accepted or rejected, the status line says which word and why, and so does the news.
            QTRY_VERIFY(text(h.window.get(), "label_status").contains(qs(w.word)) || !game.myTurn());
            if (game.myTurn())
                QVERIFY2(!news.isEmpty() && news.back().contains(qs(w.word)), qPrintable(news.join(" | ")));
            QVERIFY(chatInput(h)->text().isEmpty());
        }
        if (game.myTurn())
            QVERIFY(key(Qt::Key_F, Qt::ControlModifier));
    }
    QTRY_VERIFY_WITH_TIMEOUT(game.winnerShown(), 30000);
    QVERIFY(qs(game.winnerText()).contains("You"));
    QTRY_VERIFY(
        std::any_of(news.begin(), news.end(), [&](const QString& n) { return n.contains(qs(game.winnerText())); }));
    QVERIFY2(turns >= 1, "won without playing");
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
