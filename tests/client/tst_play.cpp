// Whole turns between the real host and real windows over loopback: words
// built with the mouse and the keyboard, the boxes, the scores, and a slow
// game watched from a second window.

#include "BoardLookup.h"
#include "ClientHarness.h"

#include "client/GameBoard.h"
#include "client/TileWidget.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace
{

using boardlookup::box;
using boardlookup::text;
using boardlookup::tile;

// Starts a game from the start window as the host's player would.
void startGame(ClientHarness& h, bool fast, bool typing)
{
    h.window->findChild<QPushButton*>("button_start")->click();
    QTRY_VERIFY(h.startDialog->isVisible());
    h.startDialog->findChild<QCheckBox*>("fast")->setChecked(fast);
    h.startDialog->findChild<QCheckBox*>("typing")->setChecked(typing);
    h.startDialog->findChild<QPushButton*>("button_start")->click();
}

void press(QWidget* w, Qt::Key key, const QString& txt = {})
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, txt);
    QCoreApplication::sendEvent(w, &down);
}

} // namespace

class PlayTest : public QObject
{
    Q_OBJECT
private slots:
    void soloFastTurnFromTilesToScores();
    void slowGameIsWatchedTileByTile();
};

void PlayTest::soloFastTurnFromTilesToScores()
{
    ClientHarness h({}, 0);
    std::vector<std::string> sounds;
    h.window->soundPlayer = [&](const std::string& s) { sounds.push_back(s); };
    h.start();
    QTRY_VERIFY(h.chatText().contains("You are Connected."));
    h.window->show();
    startGame(h, true, true);

    QTRY_COMPARE(text(h.window.get(), "label_status"), QString("Your Turn."));
    QTRY_VERIFY(tile(h.window.get(), 1)->letter() != 0);
    QVERIFY(h.window->turnClock()->isActive());
    QVERIFY(tile(h.window.get(), 10)->isVisible());
    QVERIFY(!tile(h.window.get(), 11)->isVisible());
    QVERIFY(h.window->findChild<QPushButton*>("button_done")->isVisible());
    QVERIFY(!h.window->findChild<QPushButton*>("button_start")->isVisible());

    // Three tiles by mouse, then "Done".
    QString word;
    for (int n = 1; n <= 3; ++n) {
        QTest::mouseClick(tile(h.window.get(), n), Qt::LeftButton);
        word += QChar(tile(h.window.get(), n)->letter());
    }
    QCOMPARE(tile(h.window.get(), 3)->y(), h.window->board()->wordRowTop());
    h.window->findChild<QPushButton*>("button_done")->click();
    QTRY_COMPARE(box(h.window.get(), 3)->count(), 1);
    QCOMPARE(box(h.window.get(), 3)->item(0)->text(), word);
    QCOMPARE(text(h.window.get(), "label_status"), word + " ACCEPTED");
    QCOMPARE(text(h.window.get(), "label_memo3"), QString("60"));
    QCOMPARE(text(h.window.get(), "label_thesum"), QString("Current: 60"));
    QCOMPARE(tile(h.window.get(), 1)->y(), h.window->board()->rackTop());

    // Four tiles by keyboard: Tab turns typing on, letters take tiles, Enter sends.
    QLineEdit* input = h.window->findChild<QLineEdit*>("mychat");
    input->setFocus();
    press(input, Qt::Key_Tab);
    QVERIFY(h.window->findChild<QCheckBox*>("checkbox_typing")->isChecked());
    QString typed;
    for (int n = 4; n <= 7; ++n) {
        const char c = tile(h.window.get(), n)->letter();
        typed += QChar(c);
        press(input, static_cast<Qt::Key>(Qt::Key_A + (c - 'A')), QString(QChar(c)));
    }
    QVERIFY2(input->text().isEmpty(), "game keys never reach the chat input");
    QCOMPARE(h.window->session().game().rack().wordLength(), 4);
    press(input, Qt::Key_Return);
    QTRY_COMPARE(box(h.window.get(), 4)->count(), 1);
    QCOMPARE(box(h.window.get(), 4)->item(0)->text().size(), 4);

    // "Finish" ends a fast turn; the host scores it and shows every player's words.
    h.window->findChild<QPushButton*>("button_finish")->click();
    QTRY_VERIFY(h.chatText().contains("Everyone has voted to finish this round."));
    QTRY_COMPARE(text(h.window.get(), "label_score1"), QString("180"));
    QCOMPARE(text(h.window.get(), "label_bonus1"), QString("+180"));
    QVERIFY(h.window->findChild<QWidget*>("panel_wordlists")->isVisible());
    QCOMPARE(h.window->findChild<QListWidget*>("listbox_words1")->count(), 2);
    QVERIFY(!h.window->turnClock()->isActive());
    for (const char* s : { "turn", "puttile", "goodword", "pass", "timeup", "showlist" })
        QVERIFY2(std::find(sounds.begin(), sounds.end(), s) != sounds.end(), s);
}

void PlayTest::slowGameIsWatchedTileByTile()
{
    ClientHarness host({ "Ann", "127.0.0.1", "true" }, 0);
    host.start();
    QTRY_VERIFY(host.chatText().contains("You are Connected."));
    ClientHarness guest({ "Bob", "127.0.0.1", "false" }, host.server->port(), false);
    guest.start();
    QTRY_VERIFY(guest.chatText().contains("You are Connected."));
    QTRY_COMPARE(text(host.window.get(), "label_playername2"), QString("Bob"));

    startGame(host, false, false);
    QTRY_VERIFY(guest.chatText().contains("Ann has started a SLOW game."));
    QTRY_COMPARE(text(host.window.get(), "label_status"), QString("Your Turn."));
    QTRY_COMPARE(text(guest.window.get(), "label_status"), QString("Ann's turn."));
    QTRY_VERIFY(tile(guest.window.get(), 1)->letter() != 0);
    QCOMPARE(tile(guest.window.get(), 1)->letter(), tile(host.window.get(), 1)->letter());
    QVERIFY(!guest.window->findChild<QPushButton*>("button_done")->isVisible());

    QTest::mouseClick(tile(host.window.get(), 5), Qt::LeftButton);
    QTRY_COMPARE(tile(guest.window.get(), 5)->y(), guest.window->board()->wordRowTop());
    QCOMPARE(tile(guest.window.get(), 5)->x(), guest.window->board()->wordLeft(1));
    QTest::mouseClick(tile(host.window.get(), 2), Qt::LeftButton);
    QTRY_COMPARE(tile(guest.window.get(), 2)->x(), guest.window->board()->wordLeft(2));
    // The guest's own clicks do nothing on another's turn.
    QTest::mouseClick(tile(guest.window.get(), 7), Qt::LeftButton);
    QCOMPARE(tile(guest.window.get(), 7)->y(), guest.window->board()->rackTop());

    host.window->findChild<QPushButton*>("button_clear")->click();
    QTRY_COMPARE(tile(guest.window.get(), 5)->y(), guest.window->board()->rackTop());
    QTRY_COMPARE(tile(guest.window.get(), 2)->y(), guest.window->board()->rackTop());

    // Finishing a slow turn early passes it on to the next seat.
    host.window->findChild<QPushButton*>("button_finish")->click();
    QTRY_VERIFY_WITH_TIMEOUT(text(guest.window.get(), "label_status") == "Your Turn.", 15000);
    QCOMPARE(text(host.window.get(), "label_status"), QString("Bob's turn."));
}

QTEST_MAIN(PlayTest)
#include "tst_play.moc"
