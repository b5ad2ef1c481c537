// Hostile peers: arbitrary bytes from several connections, cut at arbitrary
// points, go through framing, the shared receive queue (served in turn) and the host's command
// table with the field helpers. Nothing may crash, no bytes may go missing,
// and no connection may make the framer hold more than the cap.

#include "net/Commands.h"
#include "net/Dispatcher.h"
#include "net/Fields.h"
#include "net/Framing.h"
#include "net/Text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

constexpr int kConnections = 3;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// What the host's handlers do with a message: split it, read numbers, take the
// rest as text and clean what would be sent back.
void handle(std::string_view rest, int seat)
{
    check(seat >= 1 && seat <= kConnections);
    const std::vector<std::string_view> fields = net::splitFields(rest);
    check(!fields.empty());
    std::size_t joined = fields.size() - 1;
    for (std::string_view f : fields) {
        joined += f.size();
        if (const auto n = net::parseInt(f))
            check(net::parseInt(std::to_string(*n)) == n);
    }
    check(joined == rest.size());
    // Handlers read a handful of leading fields by index.
    for (std::size_t i = 0; i <= fields.size() && i < 16; ++i) {
        const auto field = net::fieldAt(rest, i);
        check(field.has_value() == (i < fields.size()));
        if (field)
            check(*field == fields[i]);
    }
    const std::string_view tail = net::fieldsAfter(rest, 1);
    check(tail.size() <= rest.size());
    const std::string text = net::toUtf8(tail);
    check(net::isValidUtf8(text));
    for (bool lastTakesRest : { false, true }) {
        const std::string clean = net::cleanField(text, lastTakesRest);
        for (char c : clean)
            check(c != '\xFF' && c != '\r' && c != '\n' && (lastTakesRest || c != '+'));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    net::Dispatcher<int> host;
    for (std::string_view name : { net::cmd::logininfo, net::cmd::chat, net::cmd::action, net::cmd::kickhim,
             net::cmd::startgame, net::cmd::justwatch, net::cmd::setdice, net::cmd::done, net::cmd::clearthem,
             net::cmd::newtiles, net::cmd::oldtiles, net::cmd::setmakewait, net::cmd::finish, net::cmd::playasound })
        host.add(name, handle);

    std::array<net::Framer, kConnections> framers;
    // Per connection: bytes fed since the last reset, and bytes accounted for.
    std::array<std::size_t, kConnections> fed {}, framed {};
    net::ReceiveQueue queue;
    std::vector<std::string> lines;

    while (in.remaining_bytes() > 0) {
        const int conn = in.ConsumeIntegralInRange<int>(0, kConnections - 1);
        std::string piece;
        if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
            // A flood without terminator, as a peer that is not speaking our protocol sends.
            piece.assign(in.ConsumeIntegralInRange<std::size_t>(0, net::kMaxPendingBytes + 64),
                static_cast<char>(in.ConsumeIntegralInRange<int>(0, 0xFE)));
        } else {
            piece = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, in.remaining_bytes()));
        }
        lines.clear();
        const auto status = framers[conn].feed(piece, lines);
        check(framers[conn].pending() <= net::kMaxPendingBytes);
        if (status == net::Framer::Status::Overflow) {
            // The owner drops the connection and what it still had queued.
            check(framers[conn].pending() == 0);
            queue.discardSeat(conn + 1);
            framers[conn].reset();
            fed[conn] = framed[conn] = 0;
            continue;
        }
        fed[conn] += piece.size();
        // Every terminator ends a message; the empty ones are dropped, not queued.
        const auto terminators = static_cast<std::size_t>(std::count(piece.begin(), piece.end(), net::kTerminator));
        check(terminators >= lines.size());
        check(framers[conn].takeEmpties() == terminators - lines.size());
        framed[conn] += terminators - lines.size();
        const std::size_t costBefore = queue.cost(conn + 1);
        std::size_t added = 0;
        for (auto& line : lines) {
            check(!line.empty());
            added += line.size() + net::kQueuedMessageOverhead;
            check(line.find(net::kTerminator) == std::string::npos);
            framed[conn] += line.size() + 1;
            queue.push(conn + 1, std::move(line));
        }
        check(fed[conn] == framed[conn] + framers[conn].pending());
        check(queue.cost(conn + 1) == costBefore + added);
        // The host takes one message per turn; let a few turns pass.
        for (int turns = in.ConsumeIntegralInRange<int>(0, 3); turns > 0 && !queue.empty(); --turns) {
            const net::QueuedLine line = queue.take();
            host.dispatch(line.text, line.seat);
        }
    }
    while (!queue.empty()) {
        const net::QueuedLine line = queue.take();
        host.dispatch(line.text, line.seat);
    }
    return 0;
}
