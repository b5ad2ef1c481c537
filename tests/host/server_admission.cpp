// The host shell admitting, refusing and removing connections over real loopback sockets.

#include "server_harness.h"

#include <QtTest>

using namespace harness;

class ServerAdmission : public QObject
{
    Q_OBJECT
private slots:
    void loginAnnouncesNewcomerAndListsOthersInSeatOrder();
    void wrongVersionWarnsSeatOneAndNewcomerOnly();
    void tenthConnectionIsRefusedOthersUnaffected();
    void freedSeatIsReusedByNextConnection();
    void kick_data();
    void kick();
    void peerHangupIsReportedOnce();
    void lateJoinerGetsSnapshotDuringTurn();
    void lateJoinerDuringPauseGetsNoTiles();
};

void ServerAdmission::loginAnnouncesNewcomerAndListsOthersInSeatOrder()
{
    Host host;
    RawClient a, b, c;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    QCOMPARE(c.join(host.port(), "Cy"), 3);

    // The newcomer hears its seat, itself, its token, then everybody else in
    // seat order and who leads.
    const std::vector<std::string> expected { net::msg::sendlogininfo(3), net::msg::newplayerinfo(3, "Cy"), "(token)",
        net::msg::existingplayers(1, "Ann"), net::msg::existingplayers(2, "Bob"), net::msg::leader(1) };
    QVERIFY(c.sync());
    std::vector<std::string> got(c.history().begin(), c.history().begin() + 6);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] == "(token)")
            QVERIFY(QRegularExpression(QStringLiteral("^CMD_seattoken\\+3\\+[0-9a-f]{32}$"))
                        .match(QString::fromStdString(got[i]))
                        .hasMatch());
        else
            QCOMPARE(got[i] + '\xFF', expected[i]);
    }

    // Earlier players hear about each newcomer once.
    QVERIFY(a.waitFor(net::cmd::newplayerinfo, [](const std::string& m) { return m == "CMD_newplayerinfo+3+Cy"; }));
    QCOMPARE(a.count(net::cmd::newplayerinfo), 3);
    QCOMPARE(a.count(net::cmd::existingplayers), 0);
    QCOMPARE(host.game().player(3).name, std::string("Cy"));
}

void ServerAdmission::wrongVersionWarnsSeatOneAndNewcomerOnly()
{
    Host host;
    RawClient a, b, c;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    QCOMPARE(c.join(host.port(), "Old", "1.0.12"), 3);

    QVERIFY(c.waitFor(net::cmd::wrongversion));
    QVERIFY(a.waitFor(net::cmd::havewrongversion, [](const std::string& m) { return fieldsOf(m).at(0) == "Old"; }));
    // The old client stays and can talk; the bystander is told nothing about versions.
    QVERIFY(c.sync());
    QVERIFY(b.seeChat(c.lastSync()));
    QCOMPARE(b.count(net::cmd::havewrongversion) + b.count(net::cmd::wrongversion), 0);
    QCOMPARE(a.count(net::cmd::wrongversion), 0);
}

void ServerAdmission::tenthConnectionIsRefusedOthersUnaffected()
{
    Host host;
    std::vector<std::unique_ptr<RawClient>> nine;
    for (int i = 1; i <= 9; ++i) {
        nine.push_back(std::make_unique<RawClient>());
        QCOMPARE(nine.back()->join(host.port(), "P" + std::to_string(i)), i);
    }
    RawClient tenth;
    QVERIFY(tenth.connectTo(host.port()));
    QVERIFY(tenth.waitFor(net::cmd::full));
    QVERIFY(tenth.waitClosed());
    QCOMPARE(tenth.history().size(), std::size_t(1));

    QCOMPARE(host.game().seatsUsed(), 9);
    QCOMPARE(host.server->openConnections(), 9);
    QVERIFY(nine[0]->sync());
    for (auto& c : nine) {
        QVERIFY(c.get() == nine[0].get() || c->seeChat(nine[0]->lastSync()));
        QCOMPARE(c->count(net::cmd::playerdisconnected), 0);
        QVERIFY(!c->closed());
    }
}

void ServerAdmission::freedSeatIsReusedByNextConnection()
{
    Host host;
    host.setHold(0);
    std::vector<std::unique_ptr<RawClient>> nine;
    for (int i = 1; i <= 9; ++i) {
        nine.push_back(std::make_unique<RawClient>());
        QCOMPARE(nine.back()->join(host.port(), "P" + std::to_string(i)), i);
    }
    nine[3]->close();
    QVERIFY(
        nine[0]->waitFor(net::cmd::playerdisconnected, [](const std::string& m) { return fieldsOf(m).at(0) == "4"; }));

    // The seat's old socket must be gone, not answering for the newcomer.
    RawClient again;
    QCOMPARE(again.join(host.port(), "Again"), 4);
    QVERIFY(again.sync());
    QVERIFY(nine[0]->seeChat(again.lastSync()));
    QCOMPARE(host.server->openConnections(), 9);
}

void ServerAdmission::kick_data()
{
    QTest::addColumn<int>("from"); // the connection that sends the kick
    QTest::addColumn<int>("claimed"); // the seat it writes into the message
    QTest::addColumn<bool>("removed");
    QTest::newRow("seat one removes the target") << 1 << 1 << true;
    QTest::newRow("kick from seat two is ignored") << 2 << 2 << false;
    QTest::newRow("seat two claiming to be seat one is ignored") << 2 << 1 << false;
}

void ServerAdmission::kick()
{
    QFETCH(int, from);
    QFETCH(int, claimed);
    QFETCH(bool, removed);

    Host host;
    RawClient a, b, c;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    QCOMPARE(c.join(host.port(), "Cy"), 3);
    RawClient& sender = from == 1 ? a : b;
    RawClient& other = from == 1 ? b : a;
    sender.write(net::msg::kickhim(claimed, 3));
    QVERIFY(sender.sync());
    QVERIFY(other.seeChat(sender.lastSync()));

    if (removed) {
        QVERIFY(c.waitClosed());
        // The host closes the socket from inside the rules' own handler: the
        // rules must still hear of it exactly once.
        QVERIFY(a.sync());
        QVERIFY(b.seeChat(a.lastSync()));
        QCOMPARE(a.count(net::cmd::playerdisconnected), 1);
        QCOMPARE(b.count(net::cmd::playerdisconnected), 1);
        QVERIFY(!host.game().player(3).connected);
        QCOMPARE(host.server->openConnections(), 2);
    } else {
        QVERIFY(c.seeChat(sender.lastSync()));
        QVERIFY(!c.closed());
        QCOMPARE(a.count(net::cmd::playerdisconnected) + b.count(net::cmd::playerdisconnected), 0);
        QVERIFY(host.game().player(3).connected);
    }
}

void ServerAdmission::peerHangupIsReportedOnce()
{
    Host host;
    host.setHold(0);
    RawClient a, b, c;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    QCOMPARE(c.join(host.port(), "Cy"), 3);
    // Whatever it still had on the wire, its departure is reported once.
    b.write(net::msg::chat(2, "last words") + net::msg::chat(2, "more"));
    b.abort();
    QVERIFY(a.waitFor(
        net::cmd::playerdisconnected, [](const std::string& m) { return m == "CMD_playerdisconnected+2+Bob"; }));
    QVERIFY(a.sync());
    QVERIFY(c.seeChat(a.lastSync()));
    QCOMPARE(a.count(net::cmd::playerdisconnected), 1);
    QCOMPARE(c.count(net::cmd::playerdisconnected), 1);
    QVERIFY(!host.game().player(2).connected);
    QVERIFY(host.game().player(2).name.empty());
}

// Starts a slow game from seat 1 and waits until both players have the first tiles.
static bool startSlowGame(RawClient& starter, std::vector<RawClient*> others, int seconds = 10)
{
    starter.write(net::msg::startgame(starter.seat(), options(false, seconds)));
    if (!starter.waitFor(net::cmd::thedice))
        return false;
    for (RawClient* o : others)
        if (!o->waitFor(net::cmd::thedice))
            return false;
    return true;
}

void ServerAdmission::lateJoinerGetsSnapshotDuringTurn()
{
    Host host;
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    QVERIFY(startSlowGame(a, { &b }));

    RawClient late;
    QCOMPARE(late.join(host.port(), "Late"), 3);
    const auto stats = late.waitFor(net::cmd::stats);
    QVERIFY(stats);
    QCOMPARE(fieldsOf(*stats).at(0), std::string("1"));
    QCOMPARE(fieldsOf(*stats).at(8), std::string("play"));
    const auto dice = late.waitFor(net::cmd::thedice);
    QVERIFY(dice);
    QCOMPARE(
        lettersOf(*dice), std::string(host.game().currentTiles().begin() + 1, host.game().currentTiles().begin() + 11));
    QCOMPARE(late.count(net::cmd::loadscores), 6);

    // The six scores travel in one write, back to back.
    std::string scores;
    for (int s = 1; s <= 6; ++s)
        scores += net::msg::loadscores(s, 0);
    bool together = false;
    for (const std::string& chunk : late.reads())
        together = together || chunk.find(scores) != std::string::npos;
    QVERIFY2(together, "the six CMD_loadscores did not arrive in one read");
}

void ServerAdmission::lateJoinerDuringPauseGetsNoTiles()
{
    Host host;
    RawClient a, b;
    QCOMPARE(a.join(host.port(), "Ann"), 1);
    QCOMPARE(b.join(host.port(), "Bob"), 2);
    QVERIFY(startSlowGame(a, { &b }));
    a.write(net::msg::finish(1)); // the turn ends at the next tick
    QVERIFY(a.sync());
    host.tick();
    QVERIFY(a.waitFor(net::cmd::turnend));
    QCOMPARE(host.game().turn().gameState, std::string("wait"));

    RawClient late;
    QCOMPARE(late.join(host.port(), "Late"), 3);
    const auto stats = late.waitFor(net::cmd::stats);
    QVERIFY(stats);
    QCOMPARE(fieldsOf(*stats).at(8), std::string("wait"));
    QVERIFY(late.sync());
    QCOMPARE(late.count(net::cmd::loadscores), 6);
    QCOMPARE(late.count(net::cmd::thedice), 0);
}

QTEST_GUILESS_MAIN(ServerAdmission)
#include "server_admission.moc"
