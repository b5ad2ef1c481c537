// The chat view under load: adding one ordinary line while it holds its full
// history, adding one 32 KiB line (the longest the host relays) of several
// kinds, a player's new colour, a flood of the costliest lines with a new
// colour on each, and the memory held after a flood of 100,000 lines.
// Each add is timed together with its drawing and the event-loop turn that
// lays it out and paints it. In the flood, each line arrives in its own
// event-loop turn, as from a host, and the longest turn is how long the
// program could not read its connection.
// Times are the program's own processor time (CLOCK_THREAD_CPUTIME_ID), so
// that other programs on a busy machine do not count.
// Goals: an ordinary line under 1 ms, a 32 KiB line under 50 ms, no turn of
// the flood over 50 ms, memory bounded.

#include "Percentiles.h"
#include "chat/ChatView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace
{

long rssKiB()
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Processor time of this thread, in microseconds.
double cpuMicros()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double addMicros(ChatView& view, const QString& line, const QColor& colour)
{
    const double start = cpuMicros();
    view.addLine(line, colour);
    view.drawWaitingLines();
    QApplication::processEvents();
    return cpuMicros() - start;
}

QString ordinary(int i)
{
    return QStringLiteral("%1+Player%1 chats: that was a nice word, number %2 :)#10").arg(1 + i % 6).arg(i);
}

QString repeatTo32KiB(const QString& unit)
{
    QString text;
    while (text.size() + unit.size() <= 32 * 1024 - 40)
        text += unit;
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    ChatView view;
    view.resize(562, 216);
    view.show();
    QApplication::processEvents();

    for (int i = 0; i < ChatView::kMaxLines; ++i)
        view.addLine(ordinary(i), Qt::black);
    view.drawWaitingLines();
    QApplication::processEvents();

    std::vector<double> samples;
    for (int i = 0; i < 2000; ++i)
        samples.push_back(addMicros(view, ordinary(i), Qt::black));
    Stats s = percentiles(samples);
    std::printf("ordinary line, view holding %d lines: p50 %.0f us, p99 %.0f us (goal < 1000 us)\n",
        ChatView::kMaxLines, s.p50, s.p99);

    const struct {
        const char* name;
        QString text;
    } longLines[] = {
        { "words", repeatTo32KiB("lorem ipsum dolor ") },
        { "one word, no blanks", repeatTo32KiB("x") },
        { "links", repeatTo32KiB("www.a.org ") },
        { "smileys", repeatTo32KiB(":)#12") },
        { "markup", repeatTo32KiB("<b>&amp;</b> ") },
    };
    for (const auto& l : longLines) {
        samples.clear();
        for (int i = 0; i < 10; ++i) {
            // A spectator's seat: no player's earlier lines change colour with it.
            samples.push_back(addMicros(view, "7+Spy chats: " + l.text, Qt::darkGreen));
            // Back to ordinary lines in between, as a flood would be mixed.
            for (int k = 0; k < 20; ++k)
                view.addLine(ordinary(k), Qt::black);
            view.drawWaitingLines();
        }
        s = percentiles(samples);
        std::printf(
            "32 KiB line of %-20s p50 %.1f ms, p99 %.1f ms (goal < 50 ms)\n", l.name, s.p50 / 1000.0, s.p99 / 1000.0);
    }

    // A player changing colour recolours all of that player's lines (here about
    // 1,000 of the 5,000, among them the long lines above).
    samples.clear();
    for (int i = 0; i < 10; ++i)
        samples.push_back(addMicros(view, "7+Spy chats: new colour", i % 2 ? Qt::darkGreen : Qt::darkRed));
    s = percentiles(samples);
    std::printf("a player's new colour, %s: p50 %.1f ms, p99 %.1f ms\n", "all earlier lines recoloured", s.p50 / 1000.0,
        s.p99 / 1000.0);

    // A hostile host's flood: the costliest lines, a new colour on each, one per event-loop turn.
    samples.clear();
    QElapsedTimer whole;
    whole.start();
    const QString costly = "7+Spy chats: " + repeatTo32KiB("x");
    constexpr int kFlood = 1000;
    for (int i = 0; i < kFlood; ++i) {
        const double start = cpuMicros();
        view.addLine(costly, i % 2 ? Qt::darkGreen : Qt::darkRed);
        QApplication::processEvents();
        samples.push_back(cpuMicros() - start);
    }
    const double arrived = static_cast<double>(whole.nsecsElapsed()) / 1e6;
    while (view.waitingLines() > 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double drawn = static_cast<double>(whole.nsecsElapsed()) / 1e6;
    s = percentiles(samples);
    std::printf("flood of %d 32 KiB lines, new colour each: turn p50 %.2f ms, p99 %.1f ms, longest %.1f ms (goal < 50 "
                "ms); all in after %.0f ms, all drawn after %.0f ms\n",
        kFlood, s.p50 / 1000.0, s.p99 / 1000.0, *std::max_element(samples.begin(), samples.end()) / 1000.0, arrived,
        drawn);

    view.clearMainChat();
    QApplication::processEvents();
    const long before = rssKiB();
    for (int i = 0; i < 5000; ++i)
        view.addLine(ordinary(i), Qt::black);
    view.drawWaitingLines();
    QApplication::processEvents();
    const long at5k = rssKiB();
    for (int i = 5000; i < 100000; ++i) {
        view.addLine(ordinary(i), Qt::black);
        if (i % 1000 == 0)
            QApplication::processEvents();
    }
    view.drawWaitingLines();
    QApplication::processEvents();
    const long at100k = rssKiB();
    std::printf("memory (RSS): %ld KiB empty, %ld KiB after 5,000 lines, %ld KiB after 100,000 lines; view holds %d "
                "lines\n",
        before, at5k, at100k, view.document()->blockCount());
    return 0;
}
