// The board's cost at a large size: the time from a resize to the board laid
// out and painted (one frame is 16 ms), the frame once the window settles
// (the chat's history wrapped anew, the background scaled to the exact size),
// the wake-ups of the window's thread while it sits idle after a turn (the
// goal is none), and for comparison the same resizes of a window that only
// copies a picture: what the window system costs before the board draws.
// Each resize also reports the CPU time of the window's thread (steadier than
// the clock on a busy machine) and how many pieces of work the window's
// thread handed to Qt's global thread pool and how many of its frames first
// touched memory fresh from the system; BENCH_PAINT_PROFILE=1 adds how
// long each widget's own paint event took, by class and object name.
//
//   bench_board_layout [rounds, default 200] [idle seconds, default 10] [WxH, default 3840x2160]
//
// The board holds a full turn (tests/client/FullTurn.h) and 300 chat lines.
// Each round resizes the window by a few pixels either way, so every round
// lays out anew, then paints it at once (QWidget::repaint); the last series
// grows the window step by step, as a drag does. Run it on the
// platform to be measured: under Xvfb (xvfb-run -s "-screen 0 3840x2160x24")
// or with QT_QPA_PLATFORM=offscreen.

#include "FullTurn.h"
#include "Percentiles.h"
#include "ThreadWakeups.h"
#include "chat/ChatView.h"
#include "client/GameBoard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPaintEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fstream>
#include <map>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

// Every piece of work the window's thread hands to Qt's global thread pool
// (Qt's raster engine shares out tall fills and then waits for them) comes
// through here: this program's definition is found before Qt Core's.
namespace
{
long g_handOffs = 0;
}
void QThreadPool::start(std::function<void()> functionToRun, int priority)
{
    using Start = void (*)(QThreadPool*, std::function<void()>, int);
    static const auto next = reinterpret_cast<Start>(dlsym(RTLD_NEXT, "_ZN11QThreadPool5startESt8functionIFvvEEi"));
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
        ++g_handOffs;
    next(this, std::move(functionToRun), priority);
}

namespace
{

using Clock = std::chrono::steady_clock;

double threadCpuMicros()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// With BENCH_PAINT_PROFILE set: each widget's own paint event, timed (its children are painted apart).
struct ProfilingApplication : QApplication {
    using QApplication::QApplication;
    bool profiling = false;
    std::map<QString, double> paintMicros;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (!profiling || event->type() != QEvent::Paint || !receiver->isWidgetType())
            return QApplication::notify(receiver, event);
        const auto t0 = Clock::now();
        const bool done = QApplication::notify(receiver, event);
        // A scroll area's viewport and other unnamed parts are known by their owner.
        QString name = QString("%1 %2").arg(receiver->metaObject()->className(), receiver->objectName());
        if (const QObject* owner = receiver->parent(); owner && (receiver->objectName().isEmpty() || receiver->objectName().startsWith("qt_")))
            name += QString(" in %1 %2").arg(owner->metaObject()->className(), owner->objectName());
        paintMicros[name] += std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        return done;
    }
    void reportPaints(int frames)
    {
        std::vector<std::pair<double, QString>> byTime;
        for (const auto& [widget, micros] : paintMicros)
            byTime.push_back({ micros, widget });
        std::sort(byTime.rbegin(), byTime.rend());
        for (std::size_t i = 0; i < byTime.size() && i < 20; ++i)
            std::printf("    %6.3f ms a frame in %s\n", byTime[i].first / frames / 1000, qPrintable(byTime[i].second));
        paintMicros.clear();
    }
};

// Pages the window's thread has touched for the first time (minor faults):
// a frame that writes into memory fresh from the system pays for each.
long freshPages()
{
    rusage usage {};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

// With BENCH_WORST set, the frames behind the p99 too: the worst few, where
// in the series they came and, given `pages`, how many fresh pages each touched.
void report(const char* what, std::vector<double> micros, const std::vector<long>* pages = nullptr)
{
    std::vector<std::pair<double, std::size_t>> worst;
    for (std::size_t i = 0; i < micros.size(); ++i)
        worst.push_back({ micros[i], i });
    const Stats s = percentiles(std::move(micros));
    std::printf("%s: p50 %.2f ms, p99 %.2f ms\n", what, s.p50 / 1000, s.p99 / 1000);
    if (!qEnvironmentVariableIsSet("BENCH_WORST"))
        return;
    std::sort(worst.rbegin(), worst.rend());
    std::printf("    worst:");
    for (std::size_t i = 0; i < worst.size() && i < 5; ++i) {
        std::printf(" %.2f ms (#%zu", worst[i].first / 1000, worst[i].second);
        if (pages)
            std::printf(", %ld fresh pages", (*pages)[worst[i].second]);
        std::printf(")");
    }
    std::printf("\n");
}

// What this machine charges for a window image's first writes: as large a
// block written once into memory fresh from the system, then again. A frame
// that paints a window image Qt has just allocated pays the difference.
void printFreshMemoryCost(QSize size)
{
    const std::size_t bytes = static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height()) * 4;
    std::vector<double> fresh, again;
    for (int i = 0; i < 7; ++i) {
        void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED)
            return;
        const auto t0 = Clock::now();
        std::memset(block, i + 1, bytes);
        const auto t1 = Clock::now();
        std::memset(block, i + 2, bytes);
        const auto t2 = Clock::now();
        munmap(block, bytes);
        fresh.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        again.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
    }
    std::printf("writing %d x %d x 4 bytes: into fresh memory p50 %.2f ms, into the same memory again p50 %.2f ms\n",
        size.width(), size.height(), percentiles(fresh).p50 / 1000, percentiles(again).p50 / 1000);
}

} // namespace

int main(int argc, char** argv)
{
    ProfilingApplication app(argc, argv);
    app.profiling = qEnvironmentVariableIsSet("BENCH_PAINT_PROFILE");
    const int rounds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 200;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    QSize size(3840, 2160);
    if (argc > 3) {
        const QStringList wh = QString(argv[3]).split('x');
        if (wh.size() == 2)
            size = QSize(wh[0].toInt(), wh[1].toInt());
    }

    const int chatLines = qEnvironmentVariableIsSet("BENCH_CHAT_LINES") ? qEnvironmentVariableIntValue("BENCH_CHAT_LINES") : 300;
    QTemporaryDir dir;
    MainWindow::Options options;
    options.args = { "Ann" }; // neither hosts nor joins: the lines below are the host
    options.settingsPath = dir.filePath("draviklobby.ini").toStdString();
    QPixmap background(800, 600);
    background.fill(QColor(0xdd, 0xe6, 0xee));
    MainWindow window(background, options);
    window.show();
    fullturn::feed(window, fullturn::dealt());
    fullturn::feed(window, fullturn::boxesFull());
    for (int i = 0; i < chatLines; ++i)
        window.chatView()->addLine(QString("%1+Player%1 chats: a line of chat number %2 :)#12 www.example.org")
                                       .arg(i % 6 + 1)
                                       .arg(i),
            Qt::darkBlue);
    app.processEvents();
    window.repaint();
    const QSize restored = window.size();

    // Maximised from the window's first size: the board at the full size for
    // the first time, every font in it new. Measured once, as a player sees it.
    const auto jump = [&](QSize to) {
        const auto t0 = Clock::now();
        window.resize(to);
        app.sendPostedEvents(nullptr, QEvent::LayoutRequest);
        app.sendPostedEvents(nullptr, QEvent::Resize);
        const long pages0 = freshPages();
        const auto t1 = Clock::now();
        window.repaint();
        if (qEnvironmentVariableIsSet("BENCH_WORST"))
            std::printf("    to %dx%d: laid out %.2f ms, painted %.2f ms, %ld fresh pages\n", to.width(), to.height(),
                std::chrono::duration<double, std::milli>(t1 - t0).count(),
                std::chrono::duration<double, std::milli>(Clock::now() - t1).count(), freshPages() - pages0);
        return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    };
    std::printf("maximised from %dx%d, the first time: %.2f ms\n", restored.width(), restored.height(), jump(size));
    app.processEvents();

    // By a few pixels either way, or `growing`: as a drag that makes the
    // window larger does, 8 pixels wider a step up to the full size, which
    // now and then outgrows the background picture's room to spare.
    const auto measure = [&](const char* what, bool growing = false) {
        std::vector<double> micros, layout, paint, cpu;
        std::vector<long> pages;
        const long handOffsBefore = g_handOffs;
        app.paintMicros.clear();
        for (int i = 0; i < rounds; ++i) {
            const int less = 8 * (rounds - 1 - i);
            const QSize next = growing ? size - QSize(less, less * size.height() / size.width())
                                       : size - QSize(i % 2 * 24, i % 2 * 16);
            const long pages0 = freshPages();
            const double cpu0 = threadCpuMicros();
            const auto t0 = Clock::now();
            window.resize(next);
            app.sendPostedEvents(nullptr, QEvent::LayoutRequest); // the layout the resize asks for
            app.sendPostedEvents(nullptr, QEvent::Resize);
            const auto t1 = Clock::now();
            window.repaint();
            const auto t2 = Clock::now();
            cpu.push_back(threadCpuMicros() - cpu0);
            pages.push_back(freshPages() - pages0);
            micros.push_back(std::chrono::duration<double, std::micro>(t2 - t0).count());
            layout.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            paint.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
        }
        report(what, micros, &pages);
        // What the board's own drawing costs, apart from the window system's
        // first writes into a window image it has just been given (below).
        std::vector<double> settled;
        for (std::size_t i = 0; i < micros.size(); ++i)
            if (pages[i] <= 1000)
                settled.push_back(micros[i]);
        if (!settled.empty() && settled.size() < micros.size()) {
            const Stats s = percentiles(settled);
            std::printf("  the %zu frames that touched no more than 1000 fresh pages: p50 %.2f ms, p99 %.2f ms\n",
                settled.size(), s.p50 / 1000, s.p99 / 1000);
        }
        report("  of which laid out", layout);
        report("  of which painted", paint);
        report("  the window's thread on the CPU", cpu, &pages);
        // A new size can mean a new window image: offscreen, Qt allocates one
        // at each resize, and the allocator hands back memory it had returned
        // to the system; X's shared memory is kept while it is large enough.
        const long faulting = std::count_if(pages.begin(), pages.end(), [](long n) { return n > 1000; });
        std::printf("  frames that touched over 1000 fresh pages (4 MiB): %ld\n", faulting);
        std::printf("  handed to Qt's thread pool: %.1f pieces a frame\n",
            static_cast<double>(g_handOffs - handOffsBefore) / rounds);
        if (app.profiling)
            app.reportPaints(rounds);
        // Nothing happens for a moment: the window has settled at its last size.
        usleep(400'000);
        const auto t0 = Clock::now();
        app.processEvents();
        window.repaint();
        std::printf("  then the window settles: %.2f ms\n",
            std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    };
    std::printf("window %dx%d (%s), board scale %.2f\n", size.width(), size.height(),
        qPrintable(QGuiApplication::platformName()), window.board()->scale());
    measure("resize to laid out and painted, boxes full");
    fullturn::feed(window, fullturn::turnOver());
    app.processEvents();
    measure("resize to laid out and painted, word lists open");
    measure("resize to laid out and painted, word lists open, growing", true);

    // Maximise and restore again: the fonts and pictures of both sizes known.
    {
        std::vector<double> maximised;
        for (int i = 0; i < std::max(2, rounds / 10); ++i) {
            jump(restored);
            app.processEvents();
            maximised.push_back(jump(size) * 1000);
            app.processEvents();
        }
        report("maximised again after restoring", maximised);
    }
    printFreshMemoryCost(size);

    // Idle three times: with the keyboard in the chat input while its caret
    // blinks (Qt's text fields blink while they have the keyboard), after the
    // caret has come to rest (ten seconds without a key), and with no text
    // field holding the keyboard.
    const pid_t mainThread = static_cast<pid_t>(gettid());
    const auto idle = [&](const char* what, int seconds) {
        app.processEvents();
        const long before = threadSwitches(mainThread);
        QEventLoop wait;
        QTimer::singleShot(seconds * 1000, &wait, &QEventLoop::quit);
        wait.exec();
        const double rate = static_cast<double>(threadSwitches(mainThread) - before) / seconds;
        std::printf("idle window after the turn, %s: %.2f wake-ups/s over %d s\n", what, rate, seconds);
    };
    const QString focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "nowhere";
    idle(qPrintable("keyboard in " + focused + ", first 11 s"), 11);
    idle(qPrintable("keyboard in " + focused + ", caret at rest"), idleSeconds);
    if (QWidget* w = QApplication::focusWidget())
        w->clearFocus();
    idle("keyboard nowhere", idleSeconds);

    // What this machine's window system costs for a window this large before
    // the board draws anything: one that only copies a picture as large as
    // itself, resized the same way.
    {
        struct PictureOnly : QWidget {
            QPixmap picture;
            void paintEvent(QPaintEvent* event) override
            {
                QPainter(this).drawPixmap(event->rect(), picture, event->rect());
            }
        } plain;
        plain.setAttribute(Qt::WA_OpaquePaintEvent);
        plain.picture = background.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        plain.resize(size);
        plain.show();
        // Under X a window paints nothing until the server has exposed it.
        QElapsedTimer shown;
        shown.start();
        while (!(plain.windowHandle() && plain.windowHandle()->isExposed()) && shown.elapsed() < 5000)
            app.processEvents(QEventLoop::AllEvents, 50);
        app.processEvents();
        std::vector<double> micros;
        for (int i = 0; i < rounds; ++i) {
            const auto t0 = Clock::now();
            plain.resize(size - QSize(i % 2 * 24, i % 2 * 16));
            app.sendPostedEvents(nullptr, QEvent::LayoutRequest);
            plain.repaint();
            micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        }
        report("the same resize of a window that only copies a picture", micros);
    }
    return 0;
}
