// Playing with others from the window, over real loopback sockets: one window
// hosts from File > Host Game..., others join from File > Join Game... by
// typing the address (IPv4 and IPv6) or from an invite link on the command
// line; a join that cannot work says why in the dialog and the window stays;
// leaving a game others play at asks first.

#include "ClientHarness.h"

#include "../Loopback.h"
#include "app/IniFile.h"
#include "app/Settings.h"
#include "net/Commands.h"
#include "windows/HostGameDialog.h"
#include "windows/JoinGameDialog.h"
#include "windows/WhereToJoinWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace
{

QString nameAt(ClientHarness& h, int seat)
{
    return h.window->findChild<QLabel*>(QString("label_playername%1").arg(seat))->text();
}

// A port nobody listens on a moment later.
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

// File > Host Game..., the fields typed as a player types them, and Enter.
void hostFromTheMenu(ClientHarness& h, const QString& name, quint16 port, bool clean = false)
{
    h.window->action("HostGame1")->trigger();
    HostGameDialog* d = h.window->hostDialog();
    QTRY_VERIFY(d->isVisible());
    d->nameField()->clear();
    QTest::keyClicks(d->nameField(), name);
    d->portField()->clear();
    QTest::keyClicks(d->portField(), QString::number(port));
    d->cleanWordsBox()->setChecked(clean);
    QTest::keyClick(d->nameField(), Qt::Key_Return);
}

// File > Join Game..., the address and the name typed, and Enter.
JoinGameDialog* joinFromTheMenu(ClientHarness& h, const QString& address, const QString& name)
{
    h.window->action("JoinGame1")->trigger();
    JoinGameDialog* d = h.window->joinDialog();
    [&] { QTRY_VERIFY(d->isVisible()); }();
    d->nameField()->clear();
    QTest::keyClicks(d->nameField(), name);
    d->addressField()->clear();
    QTest::keyClicks(d->addressField(), address);
    QTest::keyClick(d->addressField(), Qt::Key_Return);
    return d;
}

app::ZirkySettings storedSettings(ClientHarness& h)
{
    app::IniFile ini;
    ini.load(h.settingsPath().toStdString());
    return app::readSettings(ini);
}

} // namespace

class HostJoinTest : public QObject
{
    Q_OBJECT
private slots:
    void hostFromOneWindowJoinFromAnother();
    void inviteLinkOnTheCommandLineJoins();
    void joinOverIPv6();
    void joinThatCannotWorkSaysWhyAndTheWindowStays_data();
    void joinThatCannotWorkSaysWhyAndTheWindowStays();
    void anotherVersionIsToldInTheDialogAndTheGameGoesOn();
    void hostOnAPortInUseKeepsTheCurrentGame();
    void leavingAGameOthersPlayAtAsksFirst();
    void aGameThatEndsLeavesTheWindowOpen();
    void leavingForAnotherGameFreesTheSeatAtOnce();
};

void HostJoinTest::hostFromOneWindowJoinFromAnother()
{
    // Ann starts as a solo game does, then hosts for others from the menu.
    ClientHarness ann({}, 0);
    ann.start();
    QTRY_COMPARE(nameAt(ann, 1), QString("You"));
    const quint16 port = freePort();
    hostFromTheMenu(ann, "Ann", port, true);
    QTRY_COMPARE(ann.window->hostedPort(), port);
    QTRY_VERIFY(!ann.window->hostDialog()->isVisible());
    QTRY_COMPARE(nameAt(ann, 1), QString("Ann"));
    QCOMPARE(ann.window->session().roster().mySeat(), 1);
    QVERIFY(ann.window->session().hostRights());
    // Announced, with the clean-words choice, and where others join is shown.
    QCOMPARE(ann.hostRequests.back().port, port);
    QVERIFY(ann.hostRequests.back().announce);
    QVERIFY(ann.hostRequests.back().cleanWords);
    QVERIFY(ann.window->whereToJoin()->isVisible());
    QVERIFY(ann.window->action("CopyInviteLink1")->isEnabled());
    QVERIFY(ann.window->action("WhereToJoin1")->isEnabled());
    QCOMPARE(storedSettings(ann).playerName, std::string("Ann"));
    QVERIFY(storedSettings(ann).cleanWords);
    QVERIFY2(ann.questions.isEmpty(), "a solo game nobody else plays at is left without asking");

    ClientHarness bob({ "Bob" }, 0, false);
    bob.start();
    JoinGameDialog* dialog = joinFromTheMenu(bob, QString("127.0.0.1:%1").arg(port), "Bob");
    QTRY_COMPARE(nameAt(bob, 2), QString("Bob"));
    QTRY_COMPARE(nameAt(bob, 1), QString("Ann"));
    QTRY_COMPARE(nameAt(ann, 2), QString("Bob"));
    QTRY_VERIFY(!dialog->isVisible());
    QVERIFY(!bob.window->session().hostRights());
    QCOMPARE(storedSettings(bob).recentGames, std::vector<std::string> { "127.0.0.1:" + std::to_string(port) });
    QCOMPARE(storedSettings(bob).playerName, std::string("Bob"));

    // Ann's invite link names her port.
    ann.window->action("CopyInviteLink1")->trigger();
    if (!WhereToJoinWindow::thisComputer(port).empty()) {
        QCOMPARE(ann.clipboard.size(), 1);
        QVERIFY(ann.clipboard[0].startsWith("zirky://"));
        QVERIFY(ann.clipboard[0].endsWith(QString(":%1").arg(port)));
    }
    QCOMPARE(ann.closed->count(), 0);
    QCOMPARE(bob.closed->count(), 0);
}

void HostJoinTest::inviteLinkOnTheCommandLineJoins()
{
    ClientHarness ann({ "Ann", "x", "true" }, 0);
    ann.start();
    QTRY_COMPARE(nameAt(ann, 1), QString("Ann"));
    const quint16 port = ann.window->hostedPort();

    const std::string link = "zirky://127.0.0.1:" + std::to_string(port);
    ClientHarness cy({ link }, 7772, false);
    // The name this player used last time.
    {
        app::IniFile ini;
        ini.set("zirky", "Playername", "Cy");
        QVERIFY(ini.save(cy.settingsPath().toStdString()));
    }
    cy.start();
    JoinGameDialog* dialog = cy.window->joinDialog();
    QTRY_VERIFY(dialog->isVisible());
    QCOMPARE(dialog->addressField()->text(), QString::fromStdString(link));
    QCOMPARE(dialog->nameField()->text(), QString("Cy"));
    // A link alone connects nowhere: the player says so with Enter.
    QVERIFY(!cy.window->connection()->connected());
    QTest::keyClick(dialog->addressField(), Qt::Key_Return);
    QTRY_COMPARE(nameAt(cy, 2), QString("Cy"));
    QTRY_COMPARE(nameAt(ann, 2), QString("Cy"));
    QTRY_VERIFY(!dialog->isVisible());
}

void HostJoinTest::joinOverIPv6()
{
    if (!testing_loopback::hasIPv6Loopback())
        QSKIP("this machine has no IPv6 loopback");
    ClientHarness ann({ "Ann", "x", "true" }, 0);
    ann.start();
    QTRY_COMPARE(nameAt(ann, 1), QString("Ann"));
    const quint16 port = ann.window->hostedPort();
    for (const QString& address : { QString("[::1]:%1").arg(port) }) {
        ClientHarness dee({ "Dee" }, 0, false);
        dee.start();
        JoinGameDialog* dialog = joinFromTheMenu(dee, address, "Dee");
        QTRY_COMPARE(nameAt(dee, 2), QString("Dee"));
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(dee.window->connection()->address(), QString("::1"));
    }
}

void HostJoinTest::joinThatCannotWorkSaysWhyAndTheWindowStays_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("told"); // {port}: the port joined
    QTest::newRow("nobody listens") << "refused" << "No game is running at 127.0.0.1 port {port}.";
    QTest::newRow("a name nobody knows") << "unknown" << "The address nosuchgame.invalid cannot be found.";
    QTest::newRow("the game is full") << "full" << "Game is full";
    QTest::newRow("the host hung up before seating us") << "hangup"
                                                       << "The game at 127.0.0.1 port {port} closed the connection before "
                                                          "taking you in.";
    QTest::newRow("the host never answers") << "silent" << "The game at 127.0.0.1 port {port} did not answer.";
}

void HostJoinTest::joinThatCannotWorkSaysWhyAndTheWindowStays()
{
    QFETCH(QString, how);
    QFETCH(QString, told);
    ScriptedHost host;
    quint16 port = host.port();
    QString address = QString("127.0.0.1:%1").arg(port);
    if (how == "refused") {
        port = freePort();
        address = QString("127.0.0.1:%1").arg(port);
    } else if (how == "unknown") {
        address = "nosuchgame.invalid";
    }
    // The solo game behind the dialog: left for the join, which then fails.
    ClientHarness h({}, 0);
    // A resolver without a network may take its time to say a name is unknown.
    h.window->setJoinTimeout(how == "unknown" ? 60000 : 1500);
    h.start();
    QTRY_COMPARE(nameAt(h, 1), QString("You"));
    JoinGameDialog* dialog = joinFromTheMenu(h, address, "Eve");
    QVERIFY(dialog->connecting());
    if (how == "full" || how == "hangup") {
        QVERIFY(host.waitForClient());
        if (how == "full")
            host.send(net::msg::full());
        host.peer->close();
    } else if (how == "silent") {
        QVERIFY(host.waitForClient());
    }
    const QString expected = QString(told).replace("{port}", QString::number(port));
    QTRY_COMPARE_WITH_TIMEOUT(dialog->problem(), expected, 60000);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->connecting());
    QVERIFY2(h.chatText().contains(expected), qPrintable(h.chatText()));
    // The window stays, at an empty table, ready for another try.
    QCOMPARE(h.closed->count(), 0);
    QVERIFY(h.window->isVisible());
    QCOMPARE(nameAt(h, 1), QString("<Waiting>"));
    QCOMPARE(h.window->hostedPort(), quint16(0));
    QVERIFY(!h.window->session().roster().connected());
    QVERIFY(h.messages.isEmpty());
    QVERIFY(storedSettings(h).recentGames.empty());
}

void HostJoinTest::anotherVersionIsToldInTheDialogAndTheGameGoesOn()
{
    ScriptedHost host;
    ClientHarness h({ "Eve" }, 0, false);
    h.start();
    JoinGameDialog* dialog = joinFromTheMenu(h, QString("127.0.0.1:%1").arg(host.port()), "Eve");
    QVERIFY(host.waitForClient());
    host.send(net::msg::sendlogininfo(2) + net::msg::newplayerinfo(2, "Eve") + net::msg::existingplayers(1, "Old")
        + net::msg::wrongversion());
    QTRY_VERIFY(dialog->problem().contains("another version"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(nameAt(h, 2), QString("Eve"));
    QVERIFY(h.window->session().roster().connected());
    // Closing the dialog plays on.
    QTest::keyClick(dialog->addressField(), Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QVERIFY(h.window->session().roster().connected());
    QCOMPARE(nameAt(h, 1), QString("Old"));
}

void HostJoinTest::hostOnAPortInUseKeepsTheCurrentGame()
{
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::Any, 0));
    ClientHarness h({}, 0);
    h.start();
    QTRY_COMPARE(nameAt(h, 1), QString("You"));
    const quint16 solo = h.window->hostedPort();
    hostFromTheMenu(h, "Ann", squatter.serverPort());
    HostGameDialog* d = h.window->hostDialog();
    QTRY_VERIFY(d->problem().contains(QString::number(squatter.serverPort())));
    QVERIFY(d->problem().contains("in use"));
    QVERIFY(d->isVisible());
    QCOMPARE(h.window->hostedPort(), solo);
    QCOMPARE(nameAt(h, 1), QString("You"));
    QVERIFY(h.window->session().roster().connected());
    QVERIFY(!squatter.hasPendingConnections());
    // Hosting again on the solo game's own port takes it over.
    QTest::keyClick(d->nameField(), Qt::Key_Escape);
    hostFromTheMenu(h, "Ann", solo);
    QTRY_COMPARE(nameAt(h, 1), QString("Ann"));
    QCOMPARE(h.window->hostedPort(), solo);
}

void HostJoinTest::leavingAGameOthersPlayAtAsksFirst()
{
    ClientHarness ann({ "Ann", "x", "true" }, 0);
    ann.holdSeconds = 0; // a player who leaves is gone at once
    ann.start();
    QTRY_COMPARE(nameAt(ann, 1), QString("Ann"));
    const quint16 port = ann.window->hostedPort();
    ClientHarness bob({ "Bob" }, 0, false);
    bob.start();
    joinFromTheMenu(bob, QString("127.0.0.1:%1").arg(port), "Bob");
    QTRY_COMPARE(nameAt(ann, 2), QString("Bob"));

    // Ann stays: nothing changes for anyone.
    ann.leaveWhenAsked = false;
    ann.window->action("Exit1")->trigger();
    QCOMPARE(ann.questions, QStringList { "Others are playing at your game; leaving ends it for them." });
    QCOMPARE(ann.closed->count(), 0);
    hostFromTheMenu(ann, "Ann", freePort());
    QCOMPARE(ann.questions.size(), 2);
    QCOMPARE(ann.window->hostedPort(), port);
    QTRY_COMPARE(nameAt(bob, 1), QString("Ann"));

    // Bob, at someone else's game that has not started, leaves without a question.
    QTest::keyClick(ann.window->hostDialog()->nameField(), Qt::Key_Escape);
    bob.window->action("Exit1")->trigger();
    QTRY_COMPARE(bob.closed->count(), 1);
    QVERIFY(bob.questions.isEmpty());
    QTRY_COMPARE(nameAt(ann, 2), QString("<Waiting>"));

    // Alone again: Ann exits without a question.
    ann.window->action("Exit1")->trigger();
    QTRY_COMPARE(ann.closed->count(), 1);
    QCOMPARE(ann.questions.size(), 2);
}

void HostJoinTest::aGameThatEndsLeavesTheWindowOpen()
{
    ScriptedHost host;
    ClientHarness h({ "Eve" }, 0, false);
    h.start();
    JoinGameDialog* dialog = joinFromTheMenu(h, QString("127.0.0.1:%1").arg(host.port()), "Eve");
    QVERIFY(host.waitForClient());
    host.send(net::msg::sendlogininfo(3) + net::msg::newplayerinfo(3, "Eve") + net::msg::existingplayers(1, "Hosty"));
    QTRY_VERIFY(!dialog->isVisible());
    host.peer->close();
    QTRY_VERIFY(h.chatText().contains("You are not in a game now"));
    QCOMPARE(h.messages, QStringList { "The connection to the game host was lost." });
    QCOMPARE(h.closed->count(), 0);
    QCOMPARE(nameAt(h, 1), QString("<Waiting>"));
    QVERIFY(!h.window->session().roster().connected());
    // And the next game can be joined from the same window.
    ScriptedHost next;
    joinFromTheMenu(h, QString("127.0.0.1:%1").arg(next.port()), "Eve");
    QVERIFY(next.waitForClient());
    next.send(net::msg::sendlogininfo(2) + net::msg::newplayerinfo(2, "Eve"));
    QTRY_COMPARE(nameAt(h, 2), QString("Eve"));
    QCOMPARE(nameAt(h, 1), QString("<Waiting>")); // nothing of the last table
}

void HostJoinTest::leavingForAnotherGameFreesTheSeatAtOnce()
{
    ClientHarness ann({ "Ann", "x", "true" }, 0); // the host holds a lost seat for its default time
    ann.start();
    QTRY_COMPARE(nameAt(ann, 1), QString("Ann"));
    ClientHarness bob({ "Bob" }, 0, false);
    bob.start();
    JoinGameDialog* dialog = joinFromTheMenu(bob, QString("127.0.0.1:%1").arg(ann.window->hostedPort()), "Bob");
    QTRY_COMPARE(nameAt(ann, 2), QString("Bob"));
    QTRY_VERIFY(!dialog->isVisible()); // taken in

    // Bob goes to another game: he said goodbye, so his seat is free now, not held for minutes.
    ScriptedHost next;
    joinFromTheMenu(bob, QString("127.0.0.1:%1").arg(next.port()), "Bob");
    QVERIFY(next.waitForClient());
    QTRY_COMPARE(nameAt(ann, 2), QString("<Waiting>"));
    QVERIFY2(!ann.chatText().contains("lost the connection"), qPrintable(ann.chatText()));
}

QTEST_MAIN(HostJoinTest)
#include "tst_hostjoin.moc"
