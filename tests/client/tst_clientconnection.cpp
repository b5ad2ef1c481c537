// The client's connection against a host that sends more than it can take in:
// its receive queue stays bounded, what an honest burst sends is all handed on
// in order, and a host that never stops is dropped with a plain reason.

#include "FloodingHost.h"
#include "client/ClientConnection.h"
#include "net/Commands.h"

#include <QSignalSpy>
#include <QTest>

class ClientConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void aFloodingHostIsHeldBackOrDropped_data();
    void aFloodingHostIsHeldBackOrDropped();
};

void ClientConnectionTest::aFloodingHostIsHeldBackOrDropped_data()
{
    QTest::addColumn<int>("messageBytes");
    QTest::addColumn<int>("messages"); // -1: without end
    QTest::addColumn<bool>("outpaces"); // comes in faster than messages are handed on
    QTest::addColumn<bool>("dropped");
    // The limits are the test's own, small ones: 1,000 messages or 1 MiB, and 3 s of flooding.
    QTest::newRow("an honest burst within the bound not handed on whole") << 0 << 900 << false << false;
    QTest::newRow("a burst of many messages grew the queue or was lost") << 0 << 40000 << true << false;
    // Each takes two reads and one turn to hand on: the queue keeps up, and nobody is dropped.
    QTest::newRow("a stream of long messages grew the queue or was lost") << 60000 << 2000 << false << false;
    QTest::newRow("a host that never stops sending was never dropped") << 0 << -1 << true << true;
}

void ClientConnectionTest::aFloodingHostIsHeldBackOrDropped()
{
    QFETCH(int, messageBytes);
    QFETCH(int, messages);
    QFETCH(bool, outpaces);
    QFETCH(bool, dropped);
    const ClientConnection::QueueLimits limits { 1000, 1024 * 1024, 3000 };
    // One read (32 KiB) may come in after the bound was reached.
    const std::size_t readBytes = 32 * 1024;

    std::string message = messageBytes == 0
        ? net::msg::loadscores(3, 123456)
        : net::frame("CMD_chat", { "2", "Bob chats: " + std::string(static_cast<std::size_t>(messageBytes), 'x') });
    FloodingHost host(message, messages);
    ClientConnection conn;
    conn.setQueueLimits(limits);
    QSignalSpy ended(&conn, &ClientConnection::ended);
    long received = 0;
    bool inOrder = true;
    std::size_t mostMessages = 0;
    std::size_t mostBytes = 0;
    bool paused = false;
    message.pop_back();
    connect(&conn, &ClientConnection::lineReceived, this, [&](const std::string& line) {
        ++received;
        inOrder = inOrder && line == message;
        mostMessages = std::max(mostMessages, conn.queuedMessages() + 1);
        mostBytes = std::max(mostBytes, conn.queuedBytes() + line.size() + net::kQueuedMessageOverhead);
        paused = paused || conn.readingPaused();
    });
    conn.open("127.0.0.1", host.port());

    if (dropped) {
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 30000);
        QCOMPARE(conn.dropReason().isEmpty(), false);
        QVERIFY(!conn.connected());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(received, long(messages), 60000);
        QVERIFY2(conn.dropReason().isEmpty(), "an honest burst was taken for a flood");
        QCOMPARE(ended.count(), 0);
    }
    QVERIFY(inOrder);
    const std::size_t perRead = readBytes / message.size() + 1;
    QVERIFY2(mostMessages <= limits.messages + perRead, qPrintable(QString::number(mostMessages)));
    QVERIFY2(mostBytes <= limits.bytes + readBytes + perRead * net::kQueuedMessageOverhead + message.size(),
        qPrintable(QString::number(mostBytes)));
    if (outpaces)
        QVERIFY2(paused, "the connection never stopped reading");
}

QTEST_GUILESS_MAIN(ClientConnectionTest)
#include "tst_clientconnection.moc"
