// Computer players in whole games through a real host over loopback: they keep
// the category, plural and Zirked rules, build words tile by tile in a slow
// game, take their seats in order, and leave when no person is left.

#include "host/server_harness.h"

#include <bots/ComputerSeats.h>
#include <solver/WordFinder.h>
#include <dict/TDictn.h>

#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <array>
#include <map>
#include <set>

using namespace harness;
using bots::Level;

namespace
{

// Game time runs this many times faster than real time, for the host's clock
// and the computers alike.
constexpr double kSpeed = 25;

// A host judging with the game's own word list, its clock sped up.
struct RealHost {
    QTemporaryDir dir;
    std::unique_ptr<dict::TDictn> words;
    std::unique_ptr<HostServer> server;
    QTimer clock;

    explicit RealHost(double speed = kSpeed)
    {
        words = std::make_unique<dict::TDictn>(dir.path().toStdString());
        auto* d = words.get();
        server = std::make_unique<HostServer>(quint16(0), [d](std::string_view w) { return d->Lookup(w); });
        server->setManualTurnClock(true);
        server->listener->setListen(true);
        QObject::connect(&clock, &QTimer::timeout, server.get(), &HostServer::onTurnClockTick);
        clock.start(static_cast<int>(1000 / speed));
    }
    quint16 port() const { return server->port(); }
};

// Hands `handle` each message `client` received since the last call; `read` keeps the place.
template <class Handle> void readNew(const RawClient& client, std::size_t& read, Handle handle)
{
    const auto& history = client.history();
    for (; read < history.size(); ++read)
        handle(history[read]);
}

struct Seen {
    int accepted = 0;
    QStringList rejected;
    std::map<int, std::set<QString>> turnWords; // by seat: the words of the current turn
    QStringList pluralPairs;
    int zirkedThreeLetter = 0;
};

} // namespace

class Games : public QObject
{
    Q_OBJECT
private slots:
    void fastGameKeepsTheRules();
    void slowGameBuildsWordsTileByTile();
    void shortTurnsGetAWord_data();
    void shortTurnsGetAWord();
    void leaveWhenNoPersonIsLeft();
    void noPlayingSeatFreeMeansNoComputer();
};

void Games::fastGameKeepsTheRules()
{
    RealHost host;
    RawClient ann;
    QCOMPARE(ann.join(host.port(), "Ann"), 1);
    bots::ComputerSeats party(
        QStringLiteral("127.0.0.1"), host.port(), { Level::Easy, Level::Medium, Level::Hard, Level::Expert });
    party.setTimeScale(kSpeed);
    QSignalSpy allSeated(&party, &bots::ComputerSeats::allSeated);
    party.seatAll();
    QVERIFY(allSeated.wait(kWait));

    // Seats in the order given, names saying the level.
    const QStringList expected { "Easy Computer", "Medium Computer", "Hard Computer", "Expert Computer" };
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(party.players()[static_cast<std::size_t>(i)]->seat(), i + 2);
        QCOMPARE(QString::fromStdString(host.server->game().player(i + 2).name), expected[i]);
    }

    Seen seen;
    for (auto* p : party.players()) {
        connect(p, &bots::ComputerPlayer::verdict, this, [&, p](const QString& word, bool ok, const QString& reason) {
            if (!ok) {
                seen.rejected << p->name() + ": " + word + reason;
                return;
            }
            ++seen.accepted;
            auto& mine = seen.turnWords[p->seat()];
            if (mine.count(word + "S") || (word.endsWith('S') && mine.count(word.chopped(1))))
                seen.pluralPairs << word;
            mine.insert(word);
            if (word.size() == 3 && host.server->game().player(p->seat()).zirked)
                ++seen.zirkedThreeLetter;
        });
    }

    // A low Zirked mark, so that most of the turns are played Zirked.
    net::GameOptions o = options(true, 40);
    o.zirkedAt = 600;
    o.playToScore = 1000000;
    ann.write(net::msg::startgame(1, o));
    int zirkedTurns = 0;
    for (int turn = 0; turn < 5; ++turn) {
        QVERIFY(ann.waitFor(net::cmd::nextplayer, 30000));
        seen.turnWords.clear();
        for (int s = 2; s <= 5; ++s)
            zirkedTurns += host.server->game().player(s).zirked ? 1 : 0;
        ann.write(net::msg::finish(1)); // the turn ends once the computers finish too
        QVERIFY(ann.waitFor(net::cmd::turnend, 30000));
    }
    QVERIFY2(seen.rejected.isEmpty(), qPrintable(seen.rejected.join('\n')));
    QVERIFY2(seen.pluralPairs.isEmpty(), qPrintable(seen.pluralPairs.join(' ')));
    QCOMPARE(seen.zirkedThreeLetter, 0);
    QVERIFY(seen.accepted > 20);
    QVERIFY(zirkedTurns > 0);
}

void Games::slowGameBuildsWordsTileByTile()
{
    RealHost host;
    RawClient ann;
    QCOMPARE(ann.join(host.port(), "Ann"), 1);
    bots::ComputerSeats party(QStringLiteral("127.0.0.1"), host.port(), { Level::Expert, Level::Easy });
    party.setTimeScale(kSpeed);
    QSignalSpy allSeated(&party, &bots::ComputerSeats::allSeated);
    party.seatAll();
    QVERIFY(allSeated.wait(kWait));

    ann.write(net::msg::startgame(1, options(false, 30)));
    // Ann passes her own turns. In the computers' turns she sees each word's
    // tiles placed one after another, the word's length of them, before the verdict.
    int wordsWatched = 0;
    std::set<int> computersSeen;
    QStringList faults;
    std::size_t read = 0;
    std::vector<int> placed;
    int whose = 0;
    QVERIFY(QTest::qWaitFor(
        [&] {
            readNew(ann, read, [&](const std::string& m) {
                const auto c = commandOf(m);
                const auto f = fieldsOf(m);
                if (c == net::cmd::nextplayer) {
                    whose = std::stoi(f.at(0));
                    placed.clear();
                    if (whose == 1)
                        ann.write(net::msg::finish(1));
                } else if (c == net::cmd::setdice && whose != 1) {
                    const int position = std::stoi(f.at(0));
                    if (position != static_cast<int>(placed.size()) + 1)
                        faults << QString::fromStdString(m);
                    placed.push_back(std::stoi(f.at(1)));
                } else if (c == net::cmd::accepted && whose != 1) {
                    if (static_cast<int>(placed.size()) != std::stoi(f.at(0)))
                        faults << QString::fromStdString(m);
                    placed.clear();
                    ++wordsWatched;
                    computersSeen.insert(whose);
                } else if (c == net::cmd::rejected) {
                    faults << QString::fromStdString(m);
                }
            });
            return computersSeen.size() == 2;
        },
        60000));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    QVERIFY(wordsWatched >= 2);
}

void Games::shortTurnsGetAWord_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("fast");
    QTest::newRow("3-second slow turns") << 3 << false;
    QTest::newRow("5-second slow turns") << 5 << false;
    QTest::newRow("3-second fast turn") << 3 << true;
}

// However short the turn, a computer that has a word on its rack gets one
// accepted before the host's clock ends the turn.
void Games::shortTurnsGetAWord()
{
    QFETCH(int, seconds);
    QFETCH(bool, fast);
    constexpr double kShortSpeed = 4; // close to real time: the short turn is what is tested
    RealHost host(kShortSpeed);
    RawClient ann;
    QCOMPARE(ann.join(host.port(), "Ann"), 1);
    const std::vector<Level> levels { Level::Easy, Level::Hard };
    bots::ComputerSeats party(QStringLiteral("127.0.0.1"), host.port(), levels);
    party.setTimeScale(kShortSpeed);
    QSignalSpy allSeated(&party, &bots::ComputerSeats::allSeated);
    party.seatAll();
    QVERIFY(allSeated.wait(kWait));

    std::map<int, int> accepted; // by seat, this turn
    for (auto* p : party.players())
        connect(p, &bots::ComputerPlayer::verdict, this, [&, p](const QString&, bool ok, const QString&) {
            accepted[p->seat()] += ok ? 1 : 0;
        });
    // Whether the computer in `seat` knows a word of the rack dealt now.
    const auto hasAWord = [&](int seat) {
        const std::string rack(host.server->game().currentTiles().begin() + 1,
            host.server->game().currentTiles().begin() + 11);
        const auto rarest = bots::styleOf(levels[static_cast<std::size_t>(seat - 2)]).rarest;
        for (const auto& f : solver::WordFinder::builtIn().find(rack))
            if (!f.mark.offensive && f.mark.rarity <= rarest)
                return true;
        return false;
    };

    ann.write(net::msg::startgame(1, options(fast, seconds)));
    QStringList faults;
    int turnsWatched = 0;
    std::size_t read = 0;
    int whose = 0;
    bool hadAWord = false;
    const auto turnOver = [&] {
        for (int seat : fast ? std::vector<int> { 2, 3 } : std::vector<int> { whose }) {
            if (seat < 2)
                continue;
            ++turnsWatched;
            if ((fast ? hasAWord(seat) : hadAWord) && accepted[seat] == 0)
                faults << QStringLiteral("seat %1 had a word and played none in a %2-second turn").arg(seat).arg(seconds);
        }
        accepted.clear();
    };
    QVERIFY(QTest::qWaitFor(
        [&] {
            readNew(ann, read, [&](const std::string& m) {
                const auto c = commandOf(m);
                if (c == net::cmd::nextplayer) {
                    whose = std::stoi(fieldsOf(m).at(0));
                    hadAWord = fast || whose < 2 ? false : hasAWord(whose);
                    if (whose == 1)
                        ann.write(net::msg::finish(1));
                } else if (c == net::cmd::turnend) {
                    turnOver();
                }
            });
            return turnsWatched >= 2;
        },
        60000));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

void Games::leaveWhenNoPersonIsLeft()
{
    RealHost host;
    // No hold: a person whose link goes has left at once.
    host::Options noHold = host.server->game().options();
    noHold.holdSeconds = 0;
    host.server->game().setOptions(noHold);
    RawClient ann;
    QCOMPARE(ann.join(host.port(), "Ann"), 1);
    bots::ComputerSeats party(QStringLiteral("127.0.0.1"), host.port(), { Level::Hard, Level::Hard });
    QSignalSpy allSeated(&party, &bots::ComputerSeats::allSeated);
    party.seatAll();
    QVERIFY(allSeated.wait(kWait));
    QCOMPARE(QString::fromStdString(host.server->game().player(3).name), QStringLiteral("Hard Computer 2"));
    // Added by hand, named apart from everyone there.
    QSignalSpy seated(&party, &bots::ComputerSeats::seated);
    auto* third = party.addPlayer(Level::Hard, { "Ann", "Hard Computer" });
    QCOMPARE(third->name(), QStringLiteral("Hard Computer 3"));
    QVERIFY(seated.wait(kWait));
    QCOMPARE(third->seat(), 4);
    RawClient bob;
    QCOMPARE(bob.join(host.port(), "Bob"), 5);

    ann.abort(); // Bob still plays: the computers stay
    QVERIFY(bob.waitFor(net::cmd::playerdisconnected));
    // Bob's new name reaches each computer after Ann's departure did; one
    // that had left on the departure would never hear it.
    bob.write(net::msg::logininfo(5, rules::kVersion, "Bob Again"));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return std::all_of(party.players().begin(), party.players().end(),
                [](const bots::ComputerPlayer* p) { return p->session().roster().name(5) == "Bob Again"; });
        },
        kWait));
    QCOMPARE(party.players().size(), std::size_t(3));

    bob.abort();
    QVERIFY(QTest::qWaitFor([&] { return !party.active(); }, kWait));
    QVERIFY(QTest::qWaitFor([&] { return host.server->openConnections() == 0; }, kWait));
}

void Games::noPlayingSeatFreeMeansNoComputer()
{
    RealHost host;
    std::array<RawClient, 6> people;
    for (int i = 0; i < 6; ++i)
        QCOMPARE(people[static_cast<std::size_t>(i)].join(host.port(), "P" + std::to_string(i + 1)), i + 1);
    bots::ComputerSeats party(QStringLiteral("127.0.0.1"), host.port(), { Level::Easy });
    QSignalSpy allSeated(&party, &bots::ComputerSeats::allSeated);
    party.seatAll();
    QVERIFY(allSeated.wait(kWait));
    QVERIFY(QTest::qWaitFor([&] { return !party.active(); }, kWait));
    QVERIFY(QTest::qWaitFor([&] { return host.server->openConnections() == 6; }, kWait));
    QCOMPARE(people[0].count(net::cmd::newplayerinfo), 6); // it never logged in
}

QTEST_GUILESS_MAIN(Games)
#include "tst_games.moc"
