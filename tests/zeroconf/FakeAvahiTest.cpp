// The D-Bus conversation with avahi where a real daemon cannot be made to go
// wrong on cue: another host taking the name, the daemon renaming its own
// host, a reply held back while the game changes, refusals, hostile signals.
// The daemon here is a scripted stand-in on a private bus.

#include "zeroconf/Announcer.h"
#include "zeroconf/Browser.h"

#include "PrivateBus.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QTest>

using zeroconf::Announcer;
using zeroconf::Browser;

namespace
{

const QString kServer = "org.freedesktop.Avahi.Server";
const QString kEntryGroup = "org.freedesktop.Avahi.EntryGroup";

class FakeAvahi : public QDBusVirtualObject
{
public:
    struct Call {
        QString path, member;
        QVariantList args;
    };

    explicit FakeAvahi(QDBusConnection bus)
        : m_bus(bus)
    {
        m_bus.registerVirtualObject("/", this, QDBusConnection::SubPath);
        m_bus.registerService("org.freedesktop.Avahi");
    }

    QList<Call> calls;
    QStringList refused; // members answered with an error
    QString held; // a member whose reply waits for release()
    bool hasPrepare = true;
    // As avahi 0.8 does with what its cache already holds: a resolver's Found
    // goes out before the reply that names the object (a browser's ItemNew
    // too here, as a daemon without Prepare sends it).
    bool signalsBeforeReply = false;

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString member = message.member();
        calls.append({ message.path(), member, message.arguments() });
        if (member == held) {
            m_held.append(message);
            return true;
        }
        connection.send(answer(message));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

    void release()
    {
        held.clear();
        for (const auto& message : std::exchange(m_held, {}))
            m_bus.send(answer(message));
    }
    int count(const QString& member) const
    {
        return int(std::count_if(calls.cbegin(), calls.cend(), [&](const Call& c) { return c.member == member; }));
    }
    Call last(const QString& member) const
    {
        for (auto it = calls.crbegin(); it != calls.crend(); ++it)
            if (it->member == member)
                return *it;
        return {};
    }
    QStringList membersSince(int index) const
    {
        QStringList out;
        for (int i = index; i < calls.size(); ++i)
            out.append(calls.at(i).member);
        return out;
    }
    void emitSignal(const QString& path, const QString& interface, const QString& name, const QVariantList& args)
    {
        auto signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(args);
        m_bus.send(signal);
    }

private:
    QDBusMessage answer(const QDBusMessage& message)
    {
        const QString member = message.member();
        if (refused.contains(member))
            return message.createErrorReply("org.freedesktop.Avahi.InvalidServiceNameError", "Invalid service name");
        if (member == "GetState")
            return message.createReply(2);
        if (member == "GetAlternativeServiceName")
            return message.createReply(message.arguments().at(0).toString() + " #2");
        if (member.endsWith("Prepare") && !hasPrepare)
            return message.createErrorReply(QDBusError::UnknownMethod, "No such method");
        if (member == "EntryGroupNew" || member.endsWith("Prepare") || member.endsWith("New")) {
            QString kind = member;
            kind.remove("Prepare").remove("New");
            const QString path = "/Client1/" + kind + QString::number(++m_objects);
            if (signalsBeforeReply)
                signalEarly(kind, path, message.arguments());
            return message.createReply(QVariant::fromValue(QDBusObjectPath(path)));
        }
        return message.createReply();
    }

    void signalEarly(const QString& kind, const QString& path, const QVariantList& args)
    {
        const QString type = "_zirky._tcp";
        if (kind == "ServiceBrowser") {
            emitSignal(path, "org.freedesktop.Avahi.ServiceBrowser", "ItemNew",
                { 2, 0, QString("Ann's game"), type, QString("local"), 0u });
        } else if (kind == "ServiceResolver" && args.size() == 7) {
            const bool v6 = args.at(5).toInt() == 1;
            emitSignal(path, "org.freedesktop.Avahi.ServiceResolver", "Found",
                { args.at(0), args.at(1), args.at(2), type, QString("local"), QString("ann.local"), args.at(5),
                    QString(v6 ? "2001:db8::7" : "192.0.2.7"), QVariant::fromValue(quint16(7772)),
                    QVariant::fromValue(QByteArrayList { "players=2/6" }), 0u });
        }
    }

    QDBusConnection m_bus;
    QList<QDBusMessage> m_held;
    int m_objects = 0;
};

QStringList txtOf(const FakeAvahi::Call& call)
{
    QStringList out;
    for (const auto& record : qdbus_cast<QByteArrayList>(call.args.constLast()))
        out.append(QString::fromUtf8(record));
    return out;
}

} // namespace

class FakeAvahiTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<PrivateBus> m_bus;
    std::unique_ptr<FakeAvahi> m_avahi;
    QDBusConnection m_client { QString() };
    int m_round = 0;

    // A published announcement, its entry group's path.
    QString publishAndEstablish(Announcer& announcer)
    {
        announcer.publish("Ann's game on box", 7772, { "1.0.13", 1, false });
        if (!QTest::qWaitFor([&] { return m_avahi->count("Commit") == 1; }))
            return {};
        const QString group = m_avahi->last("Commit").path;
        m_avahi->emitSignal(group, kEntryGroup, "StateChanged", { 2, QString() });
        if (!QTest::qWaitFor([&] { return announcer.state() == Announcer::State::Published; }))
            return {};
        return group;
    }

private slots:
    void initTestCase() { qDBusRegisterMetaType<QByteArrayList>(); }

    void init()
    {
        m_bus = std::make_unique<PrivateBus>();
        if (m_bus->address().isEmpty())
            QSKIP("no dbus-daemon to run a private bus");
        ++m_round;
        m_avahi = std::make_unique<FakeAvahi>(m_bus->connect(QString("daemon%1").arg(m_round)));
        m_client = m_bus->connect(QString("client%1").arg(m_round));
    }

    void cleanup()
    {
        m_avahi.reset();
        m_client = QDBusConnection(QString());
        m_bus.reset();
    }

    void otherHostTakingTheNameGetsAvahisAlternative()
    {
        Announcer announcer(m_client);
        const QString group = publishAndEstablish(announcer);
        QVERIFY(!group.isEmpty());
        const int before = int(m_avahi->calls.size());

        m_avahi->emitSignal(group, kEntryGroup, "StateChanged", { 3, QString() });
        QTRY_COMPARE(m_avahi->count("Commit"), 2);
        QCOMPARE(m_avahi->membersSince(before),
            (QStringList { "GetAlternativeServiceName", "Reset", "AddService", "Commit" }));
        QCOMPARE(m_avahi->last("AddService").args.at(3).toString(), QStringLiteral("Ann's game on box #2"));
        QCOMPARE(announcer.publishedName(), QStringLiteral("Ann's game on box #2"));
        QCOMPARE(announcer.state(), Announcer::State::Publishing);
        m_avahi->emitSignal(group, kEntryGroup, "StateChanged", { 2, QString() });
        QTRY_COMPARE(announcer.state(), Announcer::State::Published);
    }

    void daemonRenamingItsHostGetsTheServiceAgain()
    {
        Announcer announcer(m_client);
        QVERIFY(!publishAndEstablish(announcer).isEmpty());
        const int before = int(m_avahi->calls.size());
        m_avahi->emitSignal("/", kServer, "StateChanged", { 3, QString() }); // host name collision
        QTRY_COMPARE(announcer.state(), Announcer::State::Publishing);
        m_avahi->emitSignal("/", kServer, "StateChanged", { 1, QString() }); // registering the new name
        m_avahi->emitSignal("/", kServer, "StateChanged", { 2, QString() });
        QTRY_COMPARE(m_avahi->count("Commit"), 2);
        QCOMPARE(m_avahi->membersSince(before), (QStringList { "Reset", "AddService", "Commit" }));
    }

    void changeWhileTheDaemonIsBusyIsNotLost()
    {
        Announcer announcer(m_client);
        m_avahi->held = "AddService";
        announcer.publish("Ann's game on box", 7772, { "1.0.13", 1, false });
        QTRY_COMPARE(m_avahi->count("AddService"), 1);
        announcer.update({ "1.0.13", 4, true });
        announcer.update({ "1.0.13", 5, true });
        m_avahi->release();
        QTRY_COMPARE(m_avahi->count("UpdateServiceTxt"), 1);
        QVERIFY(txtOf(m_avahi->last("UpdateServiceTxt")).contains("players=5/6"));
        QVERIFY(txtOf(m_avahi->last("UpdateServiceTxt")).contains("game=running"));
        QVERIFY(txtOf(m_avahi->last("AddService")).contains("players=1/6"));
    }

    void withdrawnWhileTheDaemonIsBusyLeavesNothing()
    {
        Announcer announcer(m_client);
        m_avahi->held = "EntryGroupNew";
        announcer.publish("Ann's game on box", 7772, { "1.0.13", 1, false });
        QTRY_COMPARE(m_avahi->count("EntryGroupNew"), 1);
        announcer.withdraw();
        QCOMPARE(announcer.state(), Announcer::State::Withdrawn);
        m_avahi->release();
        QTRY_COMPARE(m_avahi->count("Free"), 1);
        QCOMPARE(m_avahi->count("AddService"), 0);
    }

    void refusalIsReportedNotPublished()
    {
        Announcer announcer(m_client);
        m_avahi->refused = QStringList { "AddService" };
        announcer.publish("Ann's game on box", 7772, { "1.0.13", 1, false });
        QTRY_COMPARE(announcer.state(), Announcer::State::Failed);
        QCOMPARE(announcer.statusText(),
            QStringLiteral("Your game cannot be announced on your network: Invalid service name"));
        QCOMPARE(m_avahi->count("Commit"), 0);
    }

    void hostileSignalsListNothingBroken()
    {
        Browser browser(m_client);
        QTRY_COMPARE(browser.state(), Browser::State::Browsing);
        // The browser may be browsing before the daemon has read its start.
        QTRY_COMPARE(m_avahi->count("Start"), 1);
        const QString path = m_avahi->last("Start").path;
        QVERIFY(path.contains("ServiceBrowser"));
        const QString type = "_zirky._tcp";

        // Wrong argument types: dropped, no resolver asked for.
        m_avahi->emitSignal(path, "org.freedesktop.Avahi.ServiceBrowser", "ItemNew", { 2, 0, QString("Eve") });
        // From an object that is not this browser.
        m_avahi->emitSignal("/Client9/ServiceBrowser1", "org.freedesktop.Avahi.ServiceBrowser", "ItemNew",
            { 2, 0, QString("Mallory"), type, QString("local"), 0u });
        m_avahi->emitSignal(path, "org.freedesktop.Avahi.ServiceBrowser", "ItemNew",
            { 2, 0, QString("Eve"), type, QString("local"), 0u });
        QTRY_COMPARE(m_avahi->count("ServiceResolverPrepare"), 2); // IPv4 and IPv6 addresses of one sighting
        QCOMPARE(m_avahi->last("ServiceResolverPrepare").args.at(2).toString(), QStringLiteral("Eve"));
        QTRY_COMPARE(m_avahi->count("Start"), 3);
        const QString resolver = m_avahi->calls.at(m_avahi->calls.size() - 2).path;

        auto found = [&](const QString& address, quint16 port, const QByteArrayList& txt) {
            m_avahi->emitSignal(resolver, "org.freedesktop.Avahi.ServiceResolver", "Found",
                { 2, 0, QString("Eve"), type, QString("local"), QString("eve.local"), 0, address,
                    QVariant::fromValue(port), QVariant::fromValue(txt), 0u });
        };
        found("192.0.2.7", 0, { "players=1/6" }); // port 0: nothing to join
        found("not an address", 7772, { "players=2/6" });
        QTRY_COMPARE(browser.games().size(), 1);
        QCOMPARE(browser.games().front().info.seated, 2);
        QVERIFY(browser.games().front().addresses.isEmpty());
        QCOMPARE(browser.games().front().joinAddress(), QString());
        found("192.0.2.7", 7772, { "players=3/6" });
        QTRY_COMPARE(browser.games().front().joinAddress(), QStringLiteral("192.0.2.7:7772"));
    }

    void floodOfServicesIsCapped()
    {
        Browser browser(m_client);
        QTRY_COMPARE(browser.state(), Browser::State::Browsing);
        // The browser may be browsing before the daemon has read its start.
        QTRY_COMPARE(m_avahi->count("Start"), 1);
        const QString path = m_avahi->last("Start").path;
        for (int i = 0; i < 300; ++i)
            m_avahi->emitSignal(path, "org.freedesktop.Avahi.ServiceBrowser", "ItemNew",
                { 2, 1, QString("game %1").arg(i), QString("_zirky._tcp"), QString("local"), 0u });
        QTRY_COMPARE(m_avahi->count("ServiceResolverPrepare"), 128);
        // The sentinel: the first game goes, and its resolver is freed. The
        // browser reads the daemon's signals in order, so by then it has read
        // the whole flood, and all it asked of the daemon has arrived.
        m_avahi->emitSignal(path, "org.freedesktop.Avahi.ServiceBrowser", "ItemRemove",
            { 2, 1, QString("game 0"), QString("_zirky._tcp"), QString("local"), 0u });
        QTRY_COMPARE(m_avahi->count("Free"), 1);
        QCOMPARE(m_avahi->count("ServiceResolverPrepare"), 128);
    }

    void signalsBeforeTheObjectsPathAreNotLost()
    {
        for (const bool prepare : { true, false }) {
            m_avahi->hasPrepare = prepare;
            m_avahi->signalsBeforeReply = true;
            Browser browser(m_client);
            QTRY_COMPARE(browser.state(), Browser::State::Browsing);
            QTRY_COMPARE_WITH_TIMEOUT(browser.games().value(0).addresses.size(), 2, 2000);
            const auto game = browser.games().front();
            QCOMPARE(game.name, QStringLiteral("Ann's game"));
            QCOMPARE(game.joinAddress(), QStringLiteral("192.0.2.7:7772"));
            QCOMPARE(game.info.seated, 2);
            QCOMPARE(browser.games().size(), 1);
            // The browser and each resolver are started (0.8) once, after their paths are known.
            QTRY_COMPARE(m_avahi->count("Start"), prepare ? 3 : 0);
            m_avahi->calls.clear();
        }
    }

    void daemonWithoutPrepareIsBrowsedAllTheSame()
    {
        m_avahi->hasPrepare = false;
        Browser browser(m_client);
        QTRY_COMPARE(browser.state(), Browser::State::Browsing);
        QCOMPARE(m_avahi->count("ServiceBrowserNew"), 1);
        QCOMPARE(m_avahi->count("Start"), 0);
    }
};

QTEST_GUILESS_MAIN(FakeAvahiTest)
#include "FakeAvahiTest.moc"
