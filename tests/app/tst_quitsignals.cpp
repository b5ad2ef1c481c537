// SIGINT and SIGTERM must reach the event loop as a request to quit (so the
// programs save and clean up), and SIGPIPE must not kill the process.

#include "app/QuitSignals.h"
#include "tests/Sentinel.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

class QuitSignalsTest : public QObject
{
    Q_OBJECT
private slots:
    void signalsBecomeOneQuitRequestEach()
    {
        QuitSignals signals_;
        QVERIFY(signals_.installed());
        QSignalSpy spy(&signals_, &QuitSignals::quitRequested);

        ::raise(SIGTERM);
        QVERIFY(spy.wait(2000));
        ::raise(SIGINT);
        QTRY_COMPARE(spy.count(), 2);

        // A vanished peer's broken pipe is ignored: raise delivers it before it
        // returns, so getting past it shows it is not fatal, and no handler
        // makes a quit request of it. A quit signal after it still comes
        // through, once.
        struct sigaction pipe = {};
        QCOMPARE(::sigaction(SIGPIPE, nullptr, &pipe), 0);
        QVERIFY(pipe.sa_handler == SIG_IGN);
        ::raise(SIGPIPE);
        ::raise(SIGTERM);
        QVERIFY(spy.wait(2000));
        QVERIFY(sentinel::queuedEventsDelivered());
        QCOMPARE(spy.count(), 3);
    }
};

QTEST_GUILESS_MAIN(QuitSignalsTest)
#include "tst_quitsignals.moc"
