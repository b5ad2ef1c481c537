// The client's side of what the host sends: any bytes, cut anywhere, through
// the client's framer and queue into the roster's handlers for the seat,
// arrival, departure and watch messages. Nothing may crash, and the roster
// never names a seat outside the table.

#include "client/Roster.h"
#include "net/Commands.h"
#include "net/Framing.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void checkChange(const client::Effects& change)
{
    if (change.spyAdded)
        check(change.spyAdded->seat >= 1 && change.spyAdded->seat <= rules::kMaxSeat);
    if (change.spyRemoved)
        check(change.spyRemoved->seat >= 1 && change.spyRemoved->seat <= rules::kMaxSeat);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    client::Roster roster;
    net::Framer framer;
    net::ReceiveQueue queue;
    std::vector<std::string> lines;
    while (in.remaining_bytes() > 0) {
        const std::string piece = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, 4096));
        lines.clear();
        if (framer.feed(piece, lines) == net::Framer::Status::Overflow)
            break; // the client leaves the game
        for (auto& line : lines)
            queue.push(0, std::move(line));
        while (!queue.empty()) {
            const net::QueuedLine line = queue.take();
            check(line.seat == 0 && !line.text.empty());
            const auto [command, rest] = net::splitCommand(line.text);
            if (command == net::cmd::sendlogininfo) {
                if (const auto seat = roster.seated(rest))
                    check(*seat >= 1 && *seat <= rules::kMaxSeat);
            } else if (command == net::cmd::newplayerinfo || command == net::cmd::existingplayers) {
                checkChange(roster.playerArrived(rest));
            } else if (command == net::cmd::playerdisconnected) {
                checkChange(roster.playerDisconnected(rest));
            } else if (command == net::cmd::justwatching) {
                checkChange(roster.justWatching(rest));
            }
        }
        for (int seat = 1; seat <= rules::kPlayerSeats; ++seat) {
            (void)roster.name(seat);
            (void)roster.watching(seat);
        }
    }
    return 0;
}
