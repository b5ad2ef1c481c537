// The chat input, the phrase buttons, the chatter-sound menu, the phrase
// window and the sounds, on the offscreen platform.

#include "app/IniFile.h"
#include "chat/CaretRest.h"
#include "chat/ChatInput.h"
#include "chat/ChatOutbox.h"
#include "chat/ChatView.h"
#include "chat/PhraseBar.h"
#include "chat/Sounds.h"
#include "windows/PhraseListWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <sstream>
#include <vector>

namespace
{

// The outbox's messages, as text without the terminator.
struct Sent {
    QStringList messages;
    explicit Sent(ChatOutbox& outbox)
    {
        QObject::connect(&outbox, &ChatOutbox::send, [this](const QByteArray& b) {
            QByteArray t = b;
            t.chop(1);
            messages << QString::fromUtf8(t);
        });
    }
};

std::string readFile(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

class ChatWidgetsTest : public QObject
{
    Q_OBJECT
private slots:
    void enterSendsChatAndActions();
    void pasteAndSmileysAppendAtTheEnd();
    void scrollOffIsOneItemInBothMenus();
    void phraseButtonsSendOnePerCooldown();
    void chatterMenuSendsOnlyForPlayers();
    void phraseWindowStoresPhrasesAndKeepsTheRestOfTheFile();
    void phraseArrangementFollowsEveryChange();
    void soundsFollowTheirOptions();
    void everySoundIsInsideTheProgram();
    void caretRestsWhenNobodyTypesAndBlinksAgainAtAKey();
};

void ChatWidgetsTest::enterSendsChatAndActions()
{
    ChatOutbox outbox;
    Sent sent(outbox);
    ChatInput input(&outbox);
    QCOMPARE(input.objectName(), QString("mychat"));
    QCOMPARE(input.placeholderText(), QString("<Enter Chat Here>"));
    input.setTextColor(QColor(0, 128, 0));

    // Before the host seated us nothing goes out and nothing typed is lost.
    QTest::keyClicks(&input, "early");
    QTest::keyClick(&input, Qt::Key_Return);
    QCOMPARE(input.text(), QString("early"));
    QVERIFY(sent.messages.isEmpty());

    outbox.setSeat(2);
    outbox.setConnected(true);
    QTest::keyClick(&input, Qt::Key_Return);
    input.setText("/me waves");
    QTest::keyClick(&input, Qt::Key_Enter);
    input.setText("/quit");
    QTest::keyClick(&input, Qt::Key_Return);
    QCOMPARE(input.text(), QString());
    QCOMPARE(sent.messages, QStringList({ "CMD_chat+2+early|clGreen", "CMD_action+2+waves|clGreen" }));
}

void ChatWidgetsTest::pasteAndSmileysAppendAtTheEnd()
{
    ChatOutbox outbox;
    ChatInput input(&outbox);
    input.setText("ab");
    input.setCursorPosition(0);
    QApplication::clipboard()->setText("line one\nline two");
    input.findChild<QAction*>("Paste1")->trigger();
    QCOMPARE(input.text(), QString("abline one line two"));
    QCOMPARE(input.cursorPosition(), input.text().size());

    input.clear();
    input.smileyMenu()->findChild<QAction*>("smiley15")->trigger();
    QCOMPARE(input.text(), QString(":)#15"));
    QCOMPARE(input.smileyMenu()->actions().size(), 18);
}

void ChatWidgetsTest::scrollOffIsOneItemInBothMenus()
{
    ChatView view;
    ChatOutbox outbox;
    ChatInput input(&outbox);
    input.setScrollOffAction(view.scrollOffAction());
    QVERIFY(input.popupMenu()->actions().contains(view.scrollOffAction()));
    view.scrollOffAction()->trigger(); // from the input's pop-up
    QVERIFY(view.scrollOff());
    QVERIFY(view.popupMenu()->findChild<QAction*>("ScrollOff2")->isChecked());
}

void ChatWidgetsTest::phraseButtonsSendOnePerCooldown()
{
    std::chrono::steady_clock::time_point now {};
    ChatOutbox outbox(nullptr, [&] { return now; });
    outbox.setSeat(4);
    outbox.setConnected(true);
    Sent sent(outbox);
    PhraseBar bar(&outbox);
    std::array<std::string, 9> stored;
    stored[1] = "/me dances";
    bar.setStoredPhrases(stored);
    QCOMPARE(bar.findChild<QPushButton*>("b_phrase1")->toolTip(), QString("Way To Go!"));
    QCOMPARE(bar.findChild<QPushButton*>("b_phrase10")->toolTip(), QString("See ya!"));

    bar.findChild<QPushButton*>("b_phrase1")->click();
    now += std::chrono::milliseconds(30);
    bar.findChild<QPushButton*>("b_phrase9")->click(); // within the cool-down
    now += std::chrono::milliseconds(200);
    bar.findChild<QPushButton*>("b_phrase2")->click();
    QCOMPARE(sent.messages, QStringList({ "CMD_action+4+says: Way To Go!|clBlack", "CMD_action+4+dances|clBlack" }));
}

void ChatWidgetsTest::chatterMenuSendsOnlyForPlayers()
{
    ChatOutbox outbox;
    outbox.setConnected(true);
    Sent sent(outbox);
    PhraseBar bar(&outbox);
    ChatterMenu* menu = bar.chatterMenu();
    QCOMPARE(menu->findChild<QAction*>("wave5")->text(), QString("Where have you been?"));
    outbox.setSeat(7);
    menu->findChild<QAction*>("wave3")->trigger();
    outbox.setSeat(6);
    menu->findChild<QAction*>("wavecancel")->trigger();
    menu->findChild<QAction*>("wave20")->trigger();
    QCOMPARE(sent.messages, QStringList({ "CMD_playasound+6+wave20+" }));
}

void ChatWidgetsTest::phraseWindowStoresPhrasesAndKeepsTheRestOfTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("draviklobby.ini");
    const std::string before = "; the lobby's own notes\r\n[lobby]\r\nName=Zed\r\n[zirky]\r\nTop=40\r\nPhrase3=Old\r\n"
                               "Custom=kept\r\n";
    {
        std::ofstream out(path.toStdString(), std::ios::binary);
        out << before;
    }
    QPixmap bg(8, 8);
    bg.fill(Qt::gray);
    PhraseListWindow window(bg);
    window.setSettingsPath(path.toStdString());
    QSignalSpy changed(&window, &PhraseListWindow::phrasesChanged);
    window.showPhrases({ "a", "b", "c", "d", "e", "f", "g", "h", "i" });
    auto* third = window.findChild<QLineEdit*>("edit_phrase3");
    QCOMPARE(third->text(), QString("c"));
    third->setText(QString(80, 'x'));
    window.findChild<QPushButton*>("button_done")->click();

    QVERIFY(!window.isVisible());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toStringList()[2], QString(50, 'x'));
    const app::IniFile ini = app::IniFile::parse(readFile(path));
    QCOMPARE(ini.value("zirky", "Phrase3"), std::optional<std::string>(std::string(50, 'x')));
    QCOMPARE(ini.value("zirky", "Phrase9"), std::optional<std::string>("i"));
    QCOMPARE(ini.value("zirky", "Top"), std::optional<std::string>("40"));
    QCOMPARE(ini.value("zirky", "Custom"), std::optional<std::string>("kept"));
    QCOMPARE(ini.value("lobby", "Name"), std::optional<std::string>("Zed"));
    QVERIFY(readFile(path).rfind("; the lobby's own notes\r\n[lobby]\r\n", 0) == 0);
}

void ChatWidgetsTest::phraseArrangementFollowsEveryChange()
{
    // The bar remembers its last arrangement: each thing it depends on must make a new one.
    ChatOutbox outbox;
    PhraseBar bar(&outbox);
    QFont small = bar.font();
    small.setPixelSize(12);
    QFont large = small;
    large.setPixelSize(30);
    const int width = 700;
    const int base = bar.heightFor(width, small, 24);
    QCOMPARE(bar.heightFor(width, small, 24), base);
    QVERIFY(bar.heightFor(width, large, 24) > base);
    QVERIFY(bar.heightFor(width / 3, small, 24) > base);
    QVERIFY(bar.heightFor(width, small, 60) > base);
    QCOMPARE(bar.heightFor(width, small, 24), base);
    bar.setPhrases(QStringList(9, "A phrase far too long to share a row with any of the others"));
    QVERIFY(bar.heightFor(width, small, 24) > base);
    // The captions shown follow the new phrases too.
    bar.resize(width, bar.heightFor(width, bar.font(), 24));
    QVERIFY(bar.findChild<QPushButton*>("b_phrase1")->text().contains("far too long"));

    // What is kept per font answers as a bar measuring afresh does: across
    // more fonts than are kept, at other widths, and after the sound
    // button's caption changes.
    const auto asFresh = [&](const QFont& f, int w) {
        PhraseBar once(&outbox);
        once.setPhrases(bar.phrases());
        once.button(10)->setText(bar.button(10)->text());
        return once.heightFor(w, f, 24);
    };
    for (const char* round : { "first asked", "asked again" })
        for (int px = 8; px < 80; ++px) {
            QFont f = small;
            f.setPixelSize(px);
            for (int w : { 300, 701, 1900 })
                if (bar.heightFor(w, f, 24) != asFresh(f, w))
                    QFAIL(qPrintable(QString("%1: %2 px at %3 wide").arg(round).arg(px).arg(w)));
        }
    std::vector<int> before;
    for (int w : { 300, 701, 1900 })
        before.push_back(bar.heightFor(w, small, 24));
    bar.button(10)->setText(QString(30, QChar(0x266B)));
    std::vector<int> after;
    for (int w : { 300, 701, 1900 }) {
        after.push_back(bar.heightFor(w, small, 24));
        QCOMPARE(after.back(), asFresh(small, w));
    }
    QVERIFY(after != before); // or the caption proved nothing
}

void ChatWidgetsTest::soundsFollowTheirOptions()
{
    Sounds sounds;
    QSignalSpy played(&sounds, &Sounds::played);
    QVERIFY(sounds.playSounds());
    sounds.playSound("PUTTILE");
    sounds.playSound("no-such-sound");
    sounds.setTurnSound(1);
    sounds.playTurn();
    sounds.setTurnSound(0);
    sounds.playTurn();
    sounds.setPlaySounds(false);
    sounds.playSound("goodword");
    QCOMPARE(played.size(), 3);
    QCOMPARE(played[0][0].toString(), QString("puttile"));
    QCOMPARE(played[1][0].toString(), QString("turnnew"));
    QCOMPARE(played[2][0].toString(), QString("turn"));
}

void ChatWidgetsTest::everySoundIsInsideTheProgram()
{
    Sounds sounds; // the resources live in the chat library
    QCOMPARE(Sounds::names().size(), 34);
    for (const QString& name : Sounds::names()) {
        QFile f(":/sounds/" + name + ".wav");
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(name));
        const QByteArray head = f.read(44);
        QVERIFY2(head.startsWith("RIFF") && head.mid(8, 4) == "WAVE", qPrintable(name));
        QVERIFY2(f.size() > 1000, qPrintable(name));
    }
}

void ChatWidgetsTest::caretRestsWhenNobodyTypesAndBlinksAgainAtAKey()
{
    QStyleHints* hints = QGuiApplication::styleHints();
    hints->setCursorFlashTime(1000);
    QLineEdit field;
    field.show();
    field.setFocus();
    {
        CaretRest rest(60);
        QVERIFY(!rest.resting());
        QTRY_VERIFY(rest.resting());
        QCOMPARE(hints->cursorFlashTime(), 0);

        // A key wakes it; so does a click; each starts the quiet time again.
        QTest::keyClick(&field, Qt::Key_A);
        QVERIFY(!rest.resting());
        QCOMPARE(hints->cursorFlashTime(), 1000);
        QCOMPARE(field.text(), QString("a"));
        QTRY_VERIFY(rest.resting());
        QTest::mouseClick(&field, Qt::LeftButton);
        QVERIFY(!rest.resting());
        QCOMPARE(hints->cursorFlashTime(), 1000);
        QTRY_VERIFY(rest.resting());
    }
    // Gone while resting: the blinking the platform asked for comes back.
    QCOMPARE(hints->cursorFlashTime(), 1000);

    // One is shared by every window of the game.
    CaretRest::watchApplication();
    CaretRest::watchApplication();
    QCOMPARE(qApp->findChildren<CaretRest*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
}

QTEST_MAIN(ChatWidgetsTest)
#include "tst_chatwidgets.moc"
