// Messages per second through the wire's pure half: framing a byte stream
// into messages and dispatching each against the host's command table.

#include "net/Commands.h"
#include "net/Dispatcher.h"
#include "net/Fields.h"
#include "net/Framing.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace
{

// A mix as a game produces it: chat, tile placements, word submissions.
std::string gameStream(int messages)
{
    std::string stream;
    for (int i = 0; i < messages; ++i) {
        switch (i % 4) {
        case 0:
            stream += net::msg::chat(1 + i % 6, "nice word + well played");
            break;
        case 1:
            stream += net::msg::setdice(1 + i % 6, i % 11, 1 + i % 13);
            break;
        case 2:
            stream += net::msg::done(1 + i % 6, { 3, 1, 4, 10, 5, 9 });
            break;
        default:
            stream += net::msg::justwatch(1 + i % 6, i % 2 == 0);
            break;
        }
    }
    return stream;
}

net::Dispatcher<int> hostTable(long& sink)
{
    net::Dispatcher<int> d;
    for (std::string_view name : { net::cmd::logininfo, net::cmd::chat, net::cmd::action, net::cmd::kickhim,
             net::cmd::startgame, net::cmd::justwatch, net::cmd::setdice, net::cmd::done, net::cmd::clearthem,
             net::cmd::newtiles, net::cmd::oldtiles, net::cmd::setmakewait, net::cmd::finish, net::cmd::playasound }) {
        d.add(name, [&sink](std::string_view rest, int seat) {
            // What a handler does first: read its seat field.
            if (const auto field = net::fieldAt(rest, 0))
                sink += net::parseInt(*field).value_or(0) + seat;
        });
    }
    return d;
}

// The stream arrives in reads of `chunk` bytes, so messages straddle reads.
void BM_FrameAndDispatch(benchmark::State& state)
{
    const int messages = 1000;
    const std::string stream = gameStream(messages);
    const auto chunk = static_cast<std::size_t>(state.range(0));
    long sink = 0;
    const net::Dispatcher<int> dispatcher = hostTable(sink);
    std::vector<std::string> lines;
    net::ReceiveQueue queue;
    for (auto _ : state) {
        net::Framer framer;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            lines.clear();
            framer.feed(std::string_view(stream).substr(at, chunk), lines);
            for (auto& line : lines)
                queue.push(3, std::move(line));
        }
        while (!queue.empty()) {
            const net::QueuedLine line = queue.take();
            dispatcher.dispatch(line.text, line.seat);
        }
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(state.iterations() * messages);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_FrameAndDispatch)->Arg(64)->Arg(1460)->Arg(32768);

} // namespace

BENCHMARK_MAIN();
