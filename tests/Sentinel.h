#pragma once
// Proof that something did not happen, without sleeping on it: a sentinel
// goes in after the event under test, and once the sentinel has come out,
// whatever the event could have caused has had its chance to show.

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTest>

#include <memory>

#include <sys/socket.h>
#include <unistd.h>

namespace sentinel
{

constexpr int kWaitMs = 10000;

// Every event posted to this thread before the call has been delivered once
// this returns true: a queued call joins the back of the thread's one queue.
inline bool queuedEventsDelivered()
{
    auto ran = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(QCoreApplication::instance(), [ran] { *ran = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([ran] { return *ran; }, kWaitMs);
}

// Passes of the event loop: on each one it polls every socket it watches, so
// a socket that is ready and still watched is reported on every pass. Each
// pass is proved by a byte through a socket pair of the sentinel's own. Make
// one before a test takes every file descriptor it may have.
class LoopPasses
{
public:
    LoopPasses()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, m_fds) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(m_fds[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            char bytes[64];
            while (::read(m_fds[0], bytes, sizeof bytes) > 0)
                ++m_seen;
        });
    }
    ~LoopPasses()
    {
        m_notifier.reset();
        for (int fd : m_fds)
            if (fd >= 0)
                ::close(fd);
    }
    LoopPasses(const LoopPasses&) = delete;
    LoopPasses& operator=(const LoopPasses&) = delete;

    // `passes` passes, one after another.
    bool run(int passes = 1)
    {
        for (int i = 0; i < passes; ++i) {
            const int before = m_seen;
            const char byte = 1;
            if (!m_notifier || ::write(m_fds[1], &byte, 1) != 1)
                return false;
            if (!QTest::qWaitFor([&] { return m_seen > before; }, kWaitMs))
                return false;
        }
        return true;
    }

private:
    int m_fds[2] = { -1, -1 };
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_seen = 0;
};

// Whatever was queued or ready when this was called has been handled: posted
// events and deferred deletions delivered, ready sockets reported.
inline bool settled()
{
    LoopPasses passes;
    return queuedEventsDelivered() && passes.run(2);
}

} // namespace sentinel
