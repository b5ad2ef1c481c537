// SIGINT and SIGTERM must reach the event loop as a request to quit (so the
// programs save and clean up), and SIGPIPE must not kill the process.

#include "app/QuitSignals.h"

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

        // A vanished peer's broken pipe is ignored, not fatal.
        ::raise(SIGPIPE);
        QTest::qWait(20);
        QCOMPARE(spy.count(), 2);
    }
};

QTEST_GUILESS_MAIN(QuitSignalsTest)
#include "tst_quitsignals.moc"
