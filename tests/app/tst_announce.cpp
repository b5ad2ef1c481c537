// A host's game on the local network as a listener sees it, through a real
// avahi daemon: listed under the player's name, its player count and phase
// following the table as people arrive, a game starts and everybody leaves,
// and gone when the hosting stops. Run only by tools/zeroconf-netns-test.sh,
// which gives this program a private network namespace, a private system bus
// and an avahi daemon of its own on loopback; anywhere else it skips.

#include "app/HostAnnouncement.h"
#include "zeroconf/Browser.h"

#include "../host/server_harness.h"

#include <QHostInfo>
#include <QSignalSpy>

#include <optional>

using namespace harness;
using zeroconf::Browser;
using zeroconf::FoundGame;
using zeroconf::Phase;

namespace
{

constexpr int kSettleMs = 20000; // probing and announcing take seconds

std::optional<FoundGame> listedOn(const Browser& browser, quint16 port)
{
    for (const FoundGame& game : browser.games())
        if (game.port == port)
            return game;
    return std::nullopt;
}

// "seated/seats phase", or "not listed".
QString shown(const Browser& browser, quint16 port)
{
    const auto game = listedOn(browser, port);
    if (!game)
        return QStringLiteral("not listed");
    const char* phase = game->info.phase == Phase::Running ? "running"
        : game->info.phase == Phase::Waiting               ? "waiting"
                                                           : "unknown";
    return QStringLiteral("%1/%2 %3").arg(game->info.seated).arg(game->info.seats).arg(phase);
}

} // namespace

class AnnounceTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Never the machine's own avahi: that would send multicast on its real network.
        if (qEnvironmentVariableIsEmpty("ZIRKY_AVAHI_RESTART"))
            QSKIP("needs the private avahi daemon that tools/zeroconf-netns-test.sh starts");
    }

    void theListingFollowsTheTable()
    {
        Host host;
        host.setHold(0); // a player who leaves is gone at once
        Browser browser;
        auto announcement = std::make_unique<HostAnnouncement>(*host.server, QStringLiteral("Ann"));
        const QString name = QStringLiteral("Ann's game on ") + QHostInfo::localHostName();
        QTRY_COMPARE_WITH_TIMEOUT(announcement->publishedName(), name, kSettleMs);
        QCOMPARE(announcement->statusText(), QStringLiteral("Your game is listed on your network as \"%1\".").arg(name));
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser, host.port()), QStringLiteral("0/6 waiting"), kSettleMs);
        QCOMPARE(listedOn(browser, host.port())->name, name);
        {
            RawClient ann, bob;
            QCOMPARE(ann.join(host.port(), "Ann"), 1);
            QTRY_COMPARE_WITH_TIMEOUT(shown(browser, host.port()), QStringLiteral("1/6 waiting"), kSettleMs);
            QCOMPARE(bob.join(host.port(), "Bob"), 2);
            QTRY_COMPARE_WITH_TIMEOUT(shown(browser, host.port()), QStringLiteral("2/6 waiting"), kSettleMs);
            ann.write(net::msg::startgame(1, options(false, 60)));
            QVERIFY(bob.waitFor(net::cmd::thedice));
            QTRY_COMPARE_WITH_TIMEOUT(shown(browser, host.port()), QStringLiteral("2/6 running"), kSettleMs);
        } // both leave: the game ends with nobody left
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser, host.port()), QStringLiteral("0/6 waiting"), kSettleMs);

        // The hosting stops: the game leaves the list.
        announcement.reset();
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser, host.port()), QStringLiteral("not listed"), kSettleMs);
    }

    void aDedicatedHostIsNamedAfterTheMachine()
    {
        Host host;
        Browser browser;
        HostAnnouncement announcement(*host.server, QString());
        QTRY_COMPARE_WITH_TIMEOUT(
            announcement.publishedName(), QStringLiteral("Game on ") + QHostInfo::localHostName(), kSettleMs);
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser, host.port()), QStringLiteral("0/6 waiting"), kSettleMs);
    }
};

QTEST_GUILESS_MAIN(AnnounceTest)
#include "tst_announce.moc"
