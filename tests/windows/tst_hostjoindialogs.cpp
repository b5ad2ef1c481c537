// The Host Game and Join Game dialogs and the where-to-join window on their
// own: the keyboard goes where the player types first, Enter does what the
// dialog is for, and nothing a player types or the network says gets past
// them unchecked. ctest points the system bus at nowhere, so no avahi daemon
// is ever asked.

#include "windows/HostGameDialog.h"
#include "windows/JoinGameDialog.h"
#include "windows/WhereToJoinWindow.h"
#include "zeroconf/Browser.h"
#include "zeroconf/GameListModel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <optional>

namespace
{

QPixmap background()
{
    QPixmap p(32, 32);
    p.fill(Qt::white);
    return p;
}

void typeInto(QLineEdit* field, const QString& text)
{
    field->clear();
    QTest::keyClicks(field, text);
}

// A game as the network list receives it from the browser.
zeroconf::FoundGame foundGame(const QString& id, const QString& name, const QString& address, quint16 port)
{
    zeroconf::FoundGame g;
    g.id = id;
    g.name = name;
    g.hostName = name + ".local";
    if (!address.isEmpty())
        g.addresses = { QHostAddress(address) };
    g.port = port;
    g.info.version = "1.0.13";
    g.info.seated = 2;
    g.info.seats = 6;
    g.info.phase = zeroconf::Phase::Waiting;
    return g;
}

} // namespace

class HostJoinDialogsTest : public QObject
{
    Q_OBJECT
private slots:
    void hostDialogFields();
    void hostDialogRefusesWhatTheHostCannotUse_data();
    void hostDialogRefusesWhatTheHostCannotUse();
    void joinDialogTypedAddresses_data();
    void joinDialogTypedAddresses();
    void joinDialogStaysOpenUntilJoined();
    void recentGamesJoinOnceByEnterOrDoubleClick();
    void networkListWithoutADaemonSaysSo();
    void networkGamesJoinAndShowHostileTextAsText();
    void whereToJoinOffersEachAddressAsALink();
};

void HostJoinDialogsTest::hostDialogFields()
{
    HostGameDialog dialog(background());
    std::optional<HostGameDialog::Request> asked;
    dialog.onHost = [&asked](const HostGameDialog::Request& r) { asked = r; };
    dialog.prepare("Ann", 7772, true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QCOMPARE(QApplication::focusWidget(), dialog.nameField());
    QCOMPARE(dialog.portField()->text(), QString("7772"));
    QVERIFY(dialog.cleanWordsBox()->isChecked());
    // Tab from the name reaches the port: the fields come in this order.
    QTest::keyClick(dialog.nameField(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.portField());

    typeInto(dialog.nameField(), "  Bob  ");
    typeInto(dialog.portField(), "7773");
    QTest::keyClick(dialog.portField(), Qt::Key_Return);
    QVERIFY(asked);
    QCOMPARE(asked->name, QString("Bob"));
    QCOMPARE(asked->port, quint16(7773));
    QVERIFY(asked->cleanWords);
    // Hosting is the main window's to do: the dialog waits for its word.
    QVERIFY(dialog.isVisible());
    dialog.showProblem("Cannot host the game: TCP port 7773 is already in use on this computer.");
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.problem().contains("7773"));
}

void HostJoinDialogsTest::hostDialogRefusesWhatTheHostCannotUse_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("focused");
    QTest::newRow("an empty name was sent to the host") << "   " << "7772" << "edit_name";
    QTest::newRow("a name the host would cut was sent") << QString(101, 'a') << "7772" << "edit_name";
    QTest::newRow("port 0 let the system pick one nobody knows") << "Ann" << "0" << "edit_port";
    QTest::newRow("a port past the last") << "Ann" << "70000" << "edit_port";
    QTest::newRow("a port with letters") << "Ann" << "77x" << "edit_port";
    QTest::newRow("an empty port") << "Ann" << "" << "edit_port";
}

void HostJoinDialogsTest::hostDialogRefusesWhatTheHostCannotUse()
{
    QFETCH(QString, name);
    QFETCH(QString, port);
    QFETCH(QString, focused);
    HostGameDialog dialog(background());
    int asked = 0;
    dialog.onHost = [&asked](const HostGameDialog::Request&) { ++asked; };
    dialog.prepare("Ann", 7772, false);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.nameField()->setText(name);
    dialog.portField()->setText(port);
    QTest::keyClick(dialog.nameField(), Qt::Key_Return);
    QCOMPARE(asked, 0);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.problem().isEmpty());
    QCOMPARE(QApplication::focusWidget()->objectName(), focused);
}

void HostJoinDialogsTest::joinDialogTypedAddresses_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("host"); // empty: refused
    QTest::addColumn<int>("port");
    QTest::newRow("a name alone did not take the usual port") << "box" << "Ann" << "box" << 7772;
    QTest::newRow("a port after the name") << "box:7773" << "Ann" << "box" << 7773;
    QTest::newRow("IPv6 loopback taken for a port") << "::1" << "Ann" << "::1" << 7772;
    QTest::newRow("IPv6 in brackets with a port") << "[::1]:7773" << "Ann" << "::1" << 7773;
    QTest::newRow("an invite link pasted in") << "zirky://192.0.2.7:7773" << "Ann" << "192.0.2.7" << 7773;
    QTest::newRow("an address that does not parse was tried") << "box:99999" << "Ann" << "" << 0;
    QTest::newRow("a link of another kind was tried") << "http://box" << "Ann" << "" << 0;
    QTest::newRow("no address was tried") << "" << "Ann" << "" << 0;
    QTest::newRow("no name was sent") << "box" << " " << "" << 0;
    QTest::newRow("a name past the host's limit was sent") << "box" << QString(101, 'x') << "" << 0;
}

void HostJoinDialogsTest::joinDialogTypedAddresses()
{
    QFETCH(QString, typed);
    QFETCH(QString, name);
    QFETCH(QString, host);
    QFETCH(int, port);
    JoinGameDialog dialog(background());
    std::optional<JoinGameDialog::Request> asked;
    dialog.onJoin = [&asked](const JoinGameDialog::Request& r) { asked = r; };
    dialog.prepare({}, name, {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), dialog.addressField());
    QTest::keyClick(dialog.addressField(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.nameField());

    typeInto(dialog.addressField(), typed);
    QTest::keyClick(dialog.addressField(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    if (host.isEmpty()) {
        QVERIFY(!asked);
        QVERIFY(!dialog.problem().isEmpty());
        return;
    }
    QVERIFY(asked);
    QCOMPARE(QString::fromStdString(asked->address.host), host);
    QCOMPARE(asked->address.port, port);
    QCOMPARE(asked->name, name.trimmed());
    QVERIFY(dialog.problem().isEmpty());
}

void HostJoinDialogsTest::joinDialogStaysOpenUntilJoined()
{
    JoinGameDialog dialog(background());
    int asked = 0, abandoned = 0;
    dialog.onJoin = [&asked](const JoinGameDialog::Request&) { ++asked; };
    dialog.onAbandon = [&abandoned] { ++abandoned; };
    dialog.prepare("box", "Ann", {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    QTest::keyClick(dialog.addressField(), Qt::Key_Return);
    QCOMPARE(asked, 1);
    dialog.setConnecting("Joining the game at box port 7772\u2026");
    // A second Enter while connecting does not start a second connection.
    QTest::keyClick(dialog.addressField(), Qt::Key_Return);
    QTest::mouseClick(dialog.findChild<QPushButton*>("button_join"), Qt::LeftButton);
    QCOMPARE(asked, 1);
    dialog.showProblem("No game is running at box port 7772.");
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.connecting());
    QCOMPARE(dialog.addressField()->text(), QString("box"));
    QTest::keyClick(dialog.nameField(), Qt::Key_Return);
    QCOMPARE(asked, 2);

    // Escape while connecting gives the attempt up; the main window hears of it once.
    dialog.setConnecting("Joining\u2026");
    QTest::keyClick(dialog.addressField(), Qt::Key_Escape);
    QCOMPARE(abandoned, 1);
    QVERIFY(!dialog.isVisible());

    dialog.prepare("box", "Ann", {});
    dialog.show();
    dialog.setConnecting("Joining\u2026");
    dialog.finish();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(abandoned, 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // A link handed over by another program is checked at once.
    dialog.prepare("zirky://box/path", "Ann", {});
    QVERIFY(dialog.problem().contains("zirky://box/path"));
}

void HostJoinDialogsTest::recentGamesJoinOnceByEnterOrDoubleClick()
{
    JoinGameDialog dialog(background());
    QStringList asked;
    dialog.onJoin = [&asked](const JoinGameDialog::Request& r) {
        asked << QString::fromStdString(app::addressText(r.address));
    };
    dialog.prepare({}, "Ann", { "box:7773", "[::1]:7772" });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QListWidget* recent = dialog.recentList();
    QCOMPARE(recent->count(), 2);

    // A click only shows the address in the field.
    const QRect second = recent->visualItemRect(recent->item(1));
    QTest::mouseClick(recent->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(dialog.addressField()->text(), QString("[::1]:7772"));
    QVERIFY(asked.isEmpty());

    recent->setFocus();
    recent->setCurrentRow(0);
    QTest::keyClick(recent, Qt::Key_Return);
    QCOMPARE(asked, QStringList { "box:7773" });

    dialog.showProblem("refused"); // ready again
    QTest::mouseDClick(recent->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(asked, (QStringList { "box:7773", "[::1]:7772" }));
}

void HostJoinDialogsTest::networkListWithoutADaemonSaysSo()
{
    QVERIFY2(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS").contains("nowhere"),
        "ctest points the system bus at a socket that does not exist");
    JoinGameDialog dialog(background());
    dialog.prepare({}, "Ann", {});
    dialog.show();
    QVERIFY(dialog.browser());
    QTRY_COMPARE(dialog.networkStatus(),
        QStringLiteral("Games on your network cannot be listed: the avahi daemon is not running."));
    // Everything else works: a typed address still joins.
    int asked = 0;
    dialog.onJoin = [&asked](const JoinGameDialog::Request&) { ++asked; };
    typeInto(dialog.addressField(), "box");
    QTest::keyClick(dialog.addressField(), Qt::Key_Return);
    QCOMPARE(asked, 1);
    // Nobody looks: nothing is asked of the network.
    dialog.hide();
    QVERIFY(!dialog.browser());
}

void HostJoinDialogsTest::networkGamesJoinAndShowHostileTextAsText()
{
    JoinGameDialog dialog(background());
    QStringList asked;
    dialog.onJoin = [&asked](const JoinGameDialog::Request& r) {
        asked << QString::fromStdString(app::addressText(r.address));
    };
    dialog.prepare({}, "Ann", {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    zeroconf::Browser* browser = dialog.browser();
    QVERIFY(browser);
    QTRY_VERIFY(!dialog.networkStatus().isEmpty());

    // What the browser passes on is already cut and cleaned; the dialog must
    // still show it as text and never as markup.
    emit browser->gameAdded(foundGame("a", "<b>Ann</b>'s game on box", "192.0.2.7", 7773));
    emit browser->gameAdded(foundGame("b", "Bob's game on pc", "fe80::1%lo", 7772));
    emit browser->gameAdded(foundGame("c", "Still resolving", QString(), 0));
    QTreeView* list = dialog.networkList();
    QAbstractItemModel* model = list->model();
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(0, zeroconf::GameListModel::NameColumn).data().toString(),
        QString("<b>Ann</b>'s game on box"));
    QCOMPARE(model->index(0, zeroconf::GameListModel::PlayersColumn).data().toString(), QString("2/6"));
    const QString tip = model->index(0, 0).data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains("&lt;b&gt;Ann&lt;/b&gt;") && !tip.contains("<b>Ann"), qPrintable(tip));

    list->setFocus();
    list->setCurrentIndex(model->index(0, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(asked, QStringList { "192.0.2.7:7773" });
    dialog.showProblem("refused");
    list->setCurrentIndex(model->index(1, 0));
    QTest::keyClick(list, Qt::Key_Enter);
    QCOMPARE(asked, (QStringList { "192.0.2.7:7773", "[fe80::1%lo]:7772" }));
    dialog.showProblem("refused");
    list->setCurrentIndex(model->index(2, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(asked.size(), 2);
    QVERIFY(!dialog.problem().isEmpty());

    emit browser->gameRemoved("a");
    emit browser->gameRemoved("b");
    emit browser->gameRemoved("c");
    QCOMPARE(model->rowCount(), 0);
}

void HostJoinDialogsTest::whereToJoinOffersEachAddressAsALink()
{
    WhereToJoinWindow window(background());
    QStringList copied;
    window.copyLink = [&copied](const QString& link) { copied << link; };
    window.setAddresses({ { "192.168.1.5", 7773 }, { "2001:db8::5", 7773 }, { "box", 7773 } });
    QListWidget* list = window.addressList();
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->item(1)->text(), QString("[2001:db8::5]:7773"));
    QCOMPARE(window.inviteLink(), QString("zirky://192.168.1.5:7773"));
    list->setCurrentRow(1);
    QCOMPARE(window.inviteLink(), QString("zirky://[2001:db8::5]:7773"));
    QTest::mouseClick(window.findChild<QPushButton*>("button_copylink"), Qt::LeftButton);
    QCOMPARE(copied, QStringList { "zirky://[2001:db8::5]:7773" });
    QVERIFY(window.findChild<QLabel*>("label_router")->text().contains("7773"));

    // Offline: nothing to copy, and the list says why it is empty.
    window.setAddresses({});
    QCOMPARE(window.inviteLink(), QString());
    QVERIFY(!window.findChild<QPushButton*>("button_copylink")->isEnabled());
    QCOMPARE(list->count(), 1);

    // This computer's own list never offers loopback.
    for (const app::GameAddress& a : WhereToJoinWindow::thisComputer(7772))
        QVERIFY2(a.host != "127.0.0.1" && a.host != "::1", a.host.c_str());
}

QTEST_MAIN(HostJoinDialogsTest)
#include "tst_hostjoindialogs.moc"
