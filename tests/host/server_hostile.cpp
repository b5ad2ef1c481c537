// Hostile and broken peers: the host stays up, drops only the offender, and the
// other players notice nothing.

#include "server_harness.h"

#include <QtTest>

#include <random>

using namespace harness;

class ServerHostile : public QObject
{
    Q_OBJECT
private slots:
    void hostileMessages_data();
    void hostileMessages();
    void messagesSplitAnywhereAreJoinedPerConnection();
    void oversizedUnterminatedStreamDropsOnlyThatConnection();
    void floodingConnectionIsDropped();
    void silentConnectionIsClosedAfterTheLoginDeadline();
    void connectionThatNeverReadsIsDroppedPastTheCap();
    void peerTextCannotWriteControlCharactersIntoTheLog();
};

namespace
{

const std::string ff(1, '\xFF');

// Three players in a slow game, seat 1 on turn, everything delivered.
struct Table {
    Host host;
    RawClient a, b, c;
    std::string letters;

    bool open()
    {
        if (a.join(host.port(), "Ann") != 1 || b.join(host.port(), "Bob") != 2 || c.join(host.port(), "Cy") != 3)
            return false;
        a.write(net::msg::startgame(1, options(false, 60)));
        const auto dice = a.waitFor(net::cmd::thedice);
        if (!dice || !b.waitFor(net::cmd::thedice) || !c.waitFor(net::cmd::thedice))
            return false;
        letters = lettersOf(*dice);
        return a.sync() && b.seeChat(a.lastSync()) && c.seeChat(a.lastSync());
    }
};

std::string garbage(std::size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (char& ch : out)
        ch = static_cast<char>(rng() & 0xFF);
    return out;
}

} // namespace

void ServerHostile::hostileMessages_data()
{
    QTest::addColumn<int>("from"); // seat of the connection that sends it
    QTest::addColumn<QByteArray>("bytes"); // sent as they stand
    QTest::addColumn<bool>("answered"); // the sender may get "CMD_rejected" back

    auto row = [](const char* name, int from, const std::string& bytes, bool answered = false) {
        QTest::newRow(name) << from << QByteArray::fromStdString(bytes) << answered;
    };
    row("chat claiming another seat", 2, "CMD_chat+1+I am Ann" + ff);
    row("kick claiming seat one", 2, "CMD_kickhim+1+3" + ff);
    row("word for the player on turn from another seat", 2, "CMD_done+1+1+2+3" + ff);
    row("tile placement for the player on turn from another seat", 2, "CMD_setdice+1+1+1" + ff);
    row("game start from a seat other than one", 2, net::msg::startgame(2, options(true)));
    row("seat field out of range", 2, "CMD_chat+99+x" + ff + "CMD_done+-1+1" + ff + "CMD_finish+10" + ff);
    row("non-numeric seat field", 2, "CMD_chat+two+x" + ff + "CMD_justwatch++1" + ff);
    row("non-numeric tile positions", 1, "CMD_done+1+a+b+c" + ff + "CMD_setdice+1+x+1" + ff);
    row("tile positions out of range", 1, "CMD_done+1+0+14+99" + ff, true);
    row("a tile used three times", 1, "CMD_done+1+1+1+1" + ff, true);
    row("a word longer than any row", 1, "CMD_done+1+1+2+3+4+5+6+7+8+9+10+1" + ff, true);
    row("numbers beyond int", 1, "CMD_done+1+99999999999+1+2" + ff + "CMD_kickhim+1+4294967299" + ff);
    row("empty messages and missing plus", 2, ff + ff + "CMD_chat" + ff + "+" + ff);
    row("wrong case command", 2, "cmd_kickhim+1+3" + ff + "CMD_KICKHIM+1+3" + ff);
    row("unknown commands", 2, "CMD_winner+Bob" + ff + "CMD_scores+2+99999" + ff + "CMD_full+" + ff);
    row("random bytes with terminators", 2, garbage(4000, 7) + ff + garbage(3000, 11) + ff);
    row("carriage returns and line feeds", 2, "CMD_chat+2+a\r\nCMD_kickhim+1+3\r\n" + ff);
}

void ServerHostile::hostileMessages()
{
    QFETCH(int, from);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, answered);

    Table t;
    QVERIFY(t.open());
    RawClient& sender = from == 1 ? t.a : t.b;
    if (answered) {
        // A set word list would accept whatever the abused positions spell.
        for (std::size_t i = 0; i < t.letters.size(); ++i)
            t.host.words->insert(std::string(3, t.letters[i]));
        t.host.words->insert(t.letters.substr(0, 10) + t.letters[0]);
    }
    const std::size_t seenByC = t.c.history().size();

    sender.write(bytes.toStdString());
    QVERIFY(sender.sync());
    QVERIFY(t.c.seeChat(sender.lastSync()));

    // The bystander saw nothing but the sync line (and a rejection in a slow game).
    for (std::size_t i = seenByC; i < t.c.history().size(); ++i) {
        const std::string command = commandOf(t.c.history()[i]);
        QVERIFY2(command == net::cmd::chat || (answered && command == net::cmd::rejected), t.c.history()[i].c_str());
    }
    // Nobody was removed, nothing was judged a word, the turn did not move.
    QVERIFY(!t.a.closed() && !t.b.closed() && !t.c.closed());
    QCOMPARE(t.host.server->openConnections(), 3);
    QCOMPARE(t.host.game().turn().currentSeat, 1);
    QVERIFY(t.host.game().turn().gameRunning);
    QVERIFY(!t.host.game().settings().fastGame);
    for (int seat = 1; seat <= 3; ++seat) {
        QCOMPARE(t.host.game().player(seat).score, 0);
        for (const auto& row : t.host.game().player(seat).words)
            for (const auto& w : row)
                QVERIFY2(w.empty(), w.c_str());
    }
    QCOMPARE(t.a.count(net::cmd::accepted), 0);
}

void ServerHostile::messagesSplitAnywhereAreJoinedPerConnection()
{
    Table t;
    QVERIFY(t.open());
    // Two connections send their chats a byte at a time, interleaved: each must
    // be put together from its own connection's bytes only.
    const std::string fromB = net::msg::chat(2, "split+across+reads");
    const std::string fromC = net::msg::chat(3, "another one");
    for (std::size_t i = 0; i < std::max(fromB.size(), fromC.size()); ++i) {
        if (i < fromB.size())
            t.b.write(fromB.substr(i, 1));
        if (i < fromC.size())
            t.c.write(fromC.substr(i, 1));
        QTest::qWait(1);
    }
    int seenB = 0;
    int seenC = 0;
    auto tally = [&] {
        seenB = seenC = 0;
        for (const auto& m : t.a.history()) {
            seenB += m == "CMD_chat+2+Bob chats: split+across+reads" ? 1 : 0;
            seenC += m == "CMD_chat+3+Cy chats: another one" ? 1 : 0;
        }
        return seenB > 0 && seenC > 0;
    };
    QVERIFY(QTest::qWaitFor(tally, kWait));
    QVERIFY(t.b.sync() && t.c.sync() && t.a.seeChat(t.c.lastSync()));
    tally();
    QCOMPARE(seenB, 1);
    QCOMPARE(seenC, 1);
}

void ServerHostile::oversizedUnterminatedStreamDropsOnlyThatConnection()
{
    Table t;
    QVERIFY(t.open());
    t.b.write(std::string(net::kMaxPendingBytes + 4096, 'A'));
    QVERIFY(t.b.waitClosed());
    QVERIFY(t.a.waitFor(net::cmd::playerdisconnected, [](const std::string& m) { return fieldsOf(m).at(0) == "2"; }));
    QVERIFY(t.a.sync());
    QVERIFY(t.c.seeChat(t.a.lastSync()));
    QCOMPARE(t.c.count(net::cmd::playerdisconnected), 1);
    QVERIFY(!t.a.closed() && !t.c.closed());
    QVERIFY(t.host.logged(QStringLiteral("without a message end")));
}

void ServerHostile::floodingConnectionIsDropped()
{
    Table t;
    QVERIFY(t.open());
    t.host.server->setQueueCap(32 * 1024);
    // Far more complete messages than the host hands out in the same time.
    std::string flood;
    const std::string one = net::msg::action(2, std::string(200, 'x'));
    while (flood.size() < 1024 * 1024)
        flood += one;
    t.b.write(flood);
    QVERIFY(t.b.waitClosed());
    QVERIFY(t.a.waitFor(net::cmd::playerdisconnected, [](const std::string& m) { return fieldsOf(m).at(0) == "2"; }));
    QVERIFY(t.a.sync());
    QVERIFY(t.c.seeChat(t.a.lastSync()));
    QVERIFY(t.host.logged(QStringLiteral("flooding")));
    // What it had queued was forgotten with it.
    QCOMPARE(t.host.server->queuedMessages(), std::size_t(0));
}

void ServerHostile::silentConnectionIsClosedAfterTheLoginDeadline()
{
    Host host;
    host.server->setLoginTimeout(300);
    RawClient a;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    RawClient silent;
    QVERIFY(silent.connectTo(host.port()));
    QVERIFY(silent.waitFor(net::cmd::sendlogininfo));
    QVERIFY(silent.waitClosed());
    // Ann logged in before her deadline passed and stays.
    QVERIFY(a.sync());
    QVERIFY(!a.closed());
    QCOMPARE(host.server->openConnections(), 1);
    QVERIFY(!host.game().player(2).connected);
    // The seat is free again.
    RawClient next;
    QCOMPARE(next.join(host.port(), "Next"), 2);
}

void ServerHostile::connectionThatNeverReadsIsDroppedPastTheCap()
{
    Table t;
    QVERIFY(t.open());
    t.host.server->setSendCap(64 * 1024);
    // Only the send cap is tested here, not what one seat may relay.
    host::Options o = t.host.game().options();
    o.relayLimits = { .linesPerSecond = 1e6, .lineBurst = 1e6, .bytesPerSecond = 1e12, .byteBurst = 1e12 };
    t.host.game().setOptions(o);
    RawClient sleeper;
    QVERIFY(sleeper.connectTo(t.host.port(), 4096));
    QVERIFY(sleeper.waitFor(net::cmd::sendlogininfo));
    sleeper.write(net::msg::logininfo(4, rules::kVersion, "Sleeper"));
    QVERIFY(t.a.waitFor(net::cmd::newplayerinfo, [](const std::string& m) { return fieldsOf(m).at(0) == "4"; }));
    sleeper.stopReading();

    // Long chat lines go to everybody; the sleeper's share piles up at the host.
    const std::string line(60000, 'z');
    bool dropped = false;
    for (int batch = 0; batch < 200 && !dropped; ++batch) {
        for (int i = 0; i < 16; ++i)
            t.a.write(net::msg::chat(1, line));
        QVERIFY(t.a.sync());
        // A reader that stopped looks like a dead link: its seat is held.
        dropped = t.a.count(net::cmd::seatheld) > 0;
    }
    QVERIFY2(dropped, "the host kept buffering for a connection that never reads");
    QVERIFY(t.host.logged(QStringLiteral("not reading")));
    QVERIFY(t.c.seeChat(t.a.lastSync()));
    QCOMPARE(t.host.server->openConnections(), 3);
    QVERIFY(!t.b.closed() && !t.c.closed());
}

void ServerHostile::peerTextCannotWriteControlCharactersIntoTheLog()
{
    // The operator reads the log on a terminal: escape sequences in a name or a
    // version text would move the cursor, retitle the window or hide lines.
    Host host;
    RawClient a;
    // (A version in valid UTF-8, so that its override is read as one.)
    QCOMPARE(a.join(host.port(), "Ann\x1b[2J\x1b]0;owned\x07\x9b", "1.0.13\x1b[1A\x08\x7f\xe2\x80\xae"), 1);
    QVERIFY(a.sync());
    a.write(net::msg::kickhim(1, 1));
    QVERIFY(a.waitClosed());
    QVERIFY(QTest::qWaitFor([&] { return host.logged(QStringLiteral("left")); }, kWait));
    QVERIFY(host.logged(QStringLiteral("Ann")));
    // Nor may a right-to-left override turn the rest of a line round.
    for (const QString& l : host.log)
        for (QChar c : l) {
            const char16_t u = c.unicode();
            const bool bidi = u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E)
                || (u >= 0x2066 && u <= 0x2069);
            QVERIFY2(u >= 0x20 && !(u >= 0x7F && u < 0xA0) && !bidi, qPrintable(l.toHtmlEscaped()));
        }
}

QTEST_GUILESS_MAIN(ServerHostile)
#include "rules/Version.h"
#include "server_hostile.moc"
