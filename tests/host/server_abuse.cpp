// One peer trying to make the host slow or fat for everyone: floods, backlogs,
// squatters and log spam. The offender is slowed or dropped; the others notice
// nothing.

#include "server_harness.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace harness;

class ServerAbuse : public QObject
{
    Q_OBJECT
private slots:
    void loneTerminatorsQueueNothing();
    void anHonestMessageWaitsForNoBacklog();
    void aBurstPastTheBudgetIsSlowedNotDropped();
    void aConnectionFarPastItsBudgetIsDropped();
    void aConnectionThatStaysOverBudgetIsDropped();
    void squattersFromOneAddressAreTurnedAway();
    void badInputLinesAreLimitedPerConnection();
};

namespace
{

// A no-op from any seat but 1: handled, relayed to nobody, logged nowhere.
std::string noop(int seat) { return net::msg::setmakewait(seat, true); }

std::string repeat(const std::string& one, int times)
{
    std::string out;
    out.reserve(one.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i)
        out += one;
    return out;
}

int loggedCount(const Host& host, const QString& part)
{
    int n = 0;
    for (const auto& l : host.log)
        n += l.contains(part) ? 1 : 0;
    return n;
}

} // namespace

void ServerAbuse::loneTerminatorsQueueNothing()
{
    Host host;
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    // A few mean nothing and cost nothing.
    b.write(std::string(50, '\xFF'));
    QVERIFY(b.sync()); // everything before the sync was read
    QCOMPARE(host.server->queuedMessages(), std::size_t(0));
    QVERIFY(a.seeChat(b.lastSync()));
    // A flood of them is a flood like any other: the sender is dropped, not queued.
    b.write(std::string(4 * 1024 * 1024, '\xFF'));
    QVERIFY(b.waitClosed());
    QVERIFY(host.logged(QStringLiteral("past its budget")));
    QCOMPARE(host.server->queuedMessages(), std::size_t(0));
    QVERIFY(a.sync());
}

void ServerAbuse::anHonestMessageWaitsForNoBacklog()
{
    Host host;
    // Neither budget may end the backlog here: only the turn taking is tested.
    host.server->setRateLimit({ .perSecond = 0 });
    host.server->setQueueCap(std::size_t(1) << 30);
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    const int backlog = 20000;
    b.write(repeat(noop(2), backlog));
    QVERIFY(QTest::qWaitFor([&] { return host.server->queuedMessages() > backlog * 3 / 4; }, kWait));
    QVERIFY(a.sync());
    // In arrival order Ann's line would have waited for the whole backlog.
    QVERIFY2(host.server->queuedMessages() > backlog / 2,
        qPrintable(QStringLiteral("%1 left").arg(host.server->queuedMessages())));
    QVERIFY(!b.closed());
}

void ServerAbuse::aBurstPastTheBudgetIsSlowedNotDropped()
{
    Host host;
    host.server->setRateLimit({ .perSecond = 200, .burst = 20, .dropAhead = 1000, .dropAfterMs = 30000 });
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    QElapsedTimer clock;
    clock.start();
    b.write(repeat(noop(2), 400));
    QVERIFY(b.sync());
    // 380 messages past the burst at 200 a second: slowed for about two seconds.
    QVERIFY2(clock.elapsed() >= 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(host.logged(QStringLiteral("slowed down")));
    QVERIFY(!b.closed());
    QCOMPARE(host.server->openConnections(), 2);
    // Meanwhile the others were heard at once.
    b.write(repeat(noop(2), 400));
    QElapsedTimer honest;
    honest.start();
    QVERIFY(a.sync());
    QVERIFY2(honest.elapsed() < 1000, qPrintable(QString::number(honest.elapsed())));
}

void ServerAbuse::aConnectionFarPastItsBudgetIsDropped()
{
    Host host;
    host.server->setRateLimit({ .perSecond = 50, .burst = 100, .dropAhead = 1000, .dropAfterMs = 30000 });
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    b.write(repeat(net::msg::chat(2, "spam"), 5000));
    QVERIFY(b.waitClosed());
    QVERIFY(host.logged(QStringLiteral("past its budget")));
    QVERIFY(a.sync());
    // The spam that got through before the drop is bounded by the budget.
    QVERIFY2(a.count(net::cmd::chat) < 1200, qPrintable(QString::number(a.count(net::cmd::chat))));
    QCOMPARE(host.server->queuedMessages(), std::size_t(0));
}

void ServerAbuse::aConnectionThatStaysOverBudgetIsDropped()
{
    Host host;
    host.server->setRateLimit({ .perSecond = 100, .burst = 10, .dropAhead = 100000, .dropAfterMs = 1000 });
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    // Always a little more than the budget allows, as long as it is connected.
    QTimer flood;
    QObject::connect(&flood, &QTimer::timeout, [&] { b.write(repeat(noop(2), 4)); });
    flood.start(20);
    QVERIFY(b.waitClosed(5000));
    flood.stop();
    QVERIFY(host.logged(QStringLiteral("over its budget")));
    QVERIFY(a.sync());
}

void ServerAbuse::squattersFromOneAddressAreTurnedAway()
{
    Host host;
    RawClient a;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    {
        // This machine is exempt: a local game may open many windows at once.
        RawClient local[4];
        for (auto& c : local) {
            QVERIFY(c.connectTo(host.port()));
            QVERIFY(c.waitFor(net::cmd::sendlogininfo));
        }
        QVERIFY(!host.logged(QStringLiteral("refused")));
    }
    QVERIFY(QTest::qWaitFor([&] { return host.server->openConnections() == 1; }, kWait));

    host.server->setLoginQueueLimit(3, false);
    RawClient waiting[3];
    int firstSeat = 0;
    for (auto& c : waiting) {
        QVERIFY(c.connectTo(host.port()));
        const auto hello = c.waitFor(net::cmd::sendlogininfo);
        QVERIFY(hello);
        if (!firstSeat)
            firstSeat = std::stoi(fieldsOf(*hello).at(0));
    }
    RawClient fourth;
    QVERIFY(fourth.connectTo(host.port()));
    QVERIFY(fourth.waitClosed());
    QCOMPARE(fourth.count(net::cmd::sendlogininfo), 0);
    QVERIFY(host.logged(QStringLiteral("refused: 3 connections from it have not logged in")));
    // One logs in: the address may have one more waiting.
    waiting[0].write(net::msg::logininfo(firstSeat, rules::kVersion, "Late"));
    QVERIFY(a.waitFor(net::cmd::newplayerinfo));
    RawClient fifth;
    QVERIFY(fifth.connectTo(host.port()));
    QVERIFY(fifth.waitFor(net::cmd::sendlogininfo));
    QVERIFY(!fifth.closed());
}

void ServerAbuse::badInputLinesAreLimitedPerConnection()
{
    Host host;
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    b.write(repeat("CMD_chat+x+hi\xFF", 80) + repeat(net::msg::logininfo(2, rules::kVersion, "Bob"), 20));
    QVERIFY(b.sync());
    // Ann's bad line is hers: Bob's flood used up only his own budget.
    a.write("CMD_chat+y+hi\xFF");
    QVERIFY(a.sync());
    QCOMPARE(loggedCount(host, QStringLiteral("field 1 is not a number")), 6);
    QCOMPARE(loggedCount(host, QStringLiteral("login again")), 0);
    // When it leaves, one line says how many more there were.
    b.abort();
    QVERIFY(QTest::qWaitFor([&] { return host.logged(QStringLiteral("95 more lines")); }, kWait));
    QCOMPARE(loggedCount(host, QStringLiteral("more lines")), 1);
}

QTEST_GUILESS_MAIN(ServerAbuse)
#include "rules/Version.h"
#include "server_abuse.moc"
