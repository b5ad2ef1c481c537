// Without an avahi daemon everything else must go on: the Join dialog's list
// says why it is empty, a host's announcement waits for a daemon, and nothing
// blocks the event loop. ctest points the system bus at nowhere.

#include "zeroconf/Announcer.h"
#include "zeroconf/Browser.h"
#include "zeroconf/GameListModel.h"

#include "PrivateBus.h"

#include <QDBusConnection>
#include <QTest>
#include <QTimer>

using zeroconf::Announcer;
using zeroconf::Browser;

namespace
{
const QString kCannotList
    = QStringLiteral("Games on your network cannot be listed: the avahi daemon is not running.");
const QString kCannotAnnounce
    = QStringLiteral("Your game cannot be announced on your network: the avahi daemon is not running.");

} // namespace

class NoDaemonTest : public QObject
{
    Q_OBJECT

private:
    // Whatever the reason there is no daemon, both sides say so without a hang,
    // and an announcement can still be changed and withdrawn.
    void checkUnavailable(const QDBusConnection& bus)
    {
        Browser browser(bus);
        zeroconf::GameListModel model(&browser);
        Announcer announcer(bus);
        announcer.publish("Ann's game on box", 7772, { "1.0.13", 1, false });

        // The event loop keeps running meanwhile: a timer set now still fires.
        bool ticked = false;
        QTimer::singleShot(0, this, [&] { ticked = true; });
        QTRY_VERIFY(ticked);
        QTRY_COMPARE(browser.state(), Browser::State::Unavailable);
        QTRY_COMPARE(announcer.state(), Announcer::State::Unavailable);
        QCOMPARE(browser.statusText(), kCannotList);
        QCOMPARE(announcer.statusText(), kCannotAnnounce);
        QVERIFY(browser.games().isEmpty());
        QCOMPARE(model.rowCount(), 0);

        announcer.update({ "1.0.13", 2, true });
        QCOMPARE(announcer.state(), Announcer::State::Unavailable);
        announcer.withdraw();
        QCOMPARE(announcer.state(), Announcer::State::Withdrawn);
        QCOMPARE(announcer.statusText(), QString());
    }

private slots:
    void noSystemBus()
    {
        QVERIFY2(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS").contains("nowhere"),
            "ctest points the system bus at a socket that does not exist");
        checkUnavailable(QDBusConnection::systemBus());
        Browser onTheSystemBus;
        QCOMPARE(onTheSystemBus.state(), Browser::State::Unavailable);
    }

    void busWithoutAvahi()
    {
        PrivateBus bus;
        if (bus.address().isEmpty())
            QSKIP("no dbus-daemon to run a private bus");
        const auto connection = bus.connect("private");
        QVERIFY(connection.isConnected());
        checkUnavailable(connection);
    }

    void nameOwnedBySomethingElse()
    {
        // A program that took avahi's name but does not answer as avahi does.
        PrivateBus bus;
        if (bus.address().isEmpty())
            QSKIP("no dbus-daemon to run a private bus");
        QVERIFY(bus.connect("impostor").registerService("org.freedesktop.Avahi"));
        checkUnavailable(bus.connect("private"));
    }
};

QTEST_GUILESS_MAIN(NoDaemonTest)
#include "NoDaemonTest.moc"
