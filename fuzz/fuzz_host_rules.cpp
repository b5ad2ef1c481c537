// Drives host::Game with whatever the input bytes decide: connections
// arriving and closing, clock ticks, login deadlines, and client messages
// (well-formed ones with fuzzed numbers, and raw ones) from several seats.
// Nothing may crash, and the state must stay within its bounds.

#include <host/Game.h>
#include <net/Commands.h>
#include <net/Framing.h>
#include <rules/Version.h>
#include <rules/Words.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace
{

struct CountingLink : host::Link {
    std::size_t bytes = 0;
    std::size_t sends = 0;
    void send(int seat, const std::string& b) override
    {
        if (seat < 1 || seat > host::kRefusedSeat)
            std::abort();
        // Whole messages, each one a host may send.
        if (b.empty() || b.back() != net::kTerminator)
            std::abort();
        for (std::size_t start = 0; start < b.size();) {
            const std::size_t end = b.find(net::kTerminator, start);
            if (!net::hostSends(net::splitCommand(std::string_view(b).substr(start, end - start)).command))
                std::abort();
            start = end + 1;
        }
        bytes += b.size();
        ++sends;
    }
    void drop(int seat) override
    {
        if (seat < 1 || seat > host::kRefusedSeat)
            std::abort();
        dropped = seat;
    }
    void setTurnTimer(bool running) override { timer = running; }
    void setHoldTimer(bool running) override { holdTimer = running; }
    void moveConnection(int from, int to) override
    {
        if (from < 1 || from > host::kRefusedSeat || to < 1 || to > host::kMaxSeat || from == to)
            std::abort();
    }
    std::int64_t clockMs() override { return now += 7; }
    void log(const std::string&) override { }
    int dropped = 0;
    bool timer = false;
    bool holdTimer = false;
    std::int64_t now = 0;
};

class Input
{
public:
    Input(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    bool empty() const { return m_pos >= m_size; }
    std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    int small(int range) { return static_cast<int>(byte()) % range; }
    // A number that is usually near the interesting range, sometimes anything.
    int number()
    {
        const std::uint8_t kind = byte();
        if (kind < 200)
            return static_cast<int>(kind % 16) - 2;
        int v = 0;
        for (int i = 0; i < 4; ++i)
            v = static_cast<int>(static_cast<unsigned>(v) << 8 | byte());
        return v;
    }
    std::string text()
    {
        const int length = small(24);
        std::string out;
        for (int i = 0; i < length && !empty(); ++i)
            out += static_cast<char>(byte());
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// Every command a window may send: the first word of the raw lines.
const std::vector<std::string_view>& clientCommands()
{
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> out;
        for (const net::Command& c : net::kCatalogue)
            if (net::clientSends(c.name))
                out.push_back(c.name);
        return out;
    }();
    return names;
}

// The tokens the fuzzed host hands out: the n-th is byte n, 16 times, in hex.
std::array<std::uint8_t, 16> countingBytes()
{
    static std::uint8_t n = 0;
    std::array<std::uint8_t, 16> bytes {};
    bytes.fill(n++);
    return bytes;
}

std::string tokenText(int n)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 16; ++i) {
        token.push_back(kHex[(n >> 4) & 0x0F]);
        token.push_back(kHex[n & 0x0F]);
    }
    return token;
}

std::string strip(std::string bytes)
{
    if (!bytes.empty() && bytes.back() == net::kTerminator)
        bytes.pop_back();
    return bytes;
}

std::string wellFormed(Input& in, int seat)
{
    // The claimed seat is usually the connection's own, sometimes not.
    const int claimed = in.small(8) == 0 ? in.number() : seat;
    switch (in.small(14)) {
    case 0:
        return strip(net::msg::logininfo(claimed, in.small(4) ? rules::kVersion : "0.9", in.text()));
    case 1: {
        net::GameOptions o;
        o.team = in.small(2);
        o.fast = in.small(2);
        o.playToScore = static_cast<int>(static_cast<unsigned>(in.number()) * 40u); // any int, wrapped
        o.timePerTurn = in.number();
        o.zirkedAt = static_cast<int>(static_cast<unsigned>(in.number()) * 40u);
        o.newTiles = in.small(2);
        return strip(net::msg::startgame(claimed, o));
    }
    case 2: {
        std::vector<int> tiles;
        const int n = in.small(14);
        for (int i = 0; i < n; ++i)
            tiles.push_back(in.small(6) ? in.small(14) : in.number());
        return strip(net::msg::done(claimed, tiles));
    }
    case 3:
        return strip(net::msg::justwatch(claimed, in.small(2)));
    case 4:
        return strip(net::msg::setdice(claimed, in.number(), in.number()));
    case 5:
        return strip(net::msg::newtiles(claimed));
    case 6:
        return strip(net::msg::oldtiles(claimed));
    case 7:
        return strip(net::msg::finish(claimed));
    case 8:
        return strip(net::msg::kickhim(claimed, in.number()));
    case 9:
        return strip(net::msg::chat(claimed, in.text()));
    case 10:
        return strip(net::msg::clearthem(claimed));
    case 11:
        return strip(net::msg::rejoin(claimed, in.small(4) ? tokenText(in.small(16)) : in.text(), rules::kVersion));
    case 12:
        return strip(net::msg::ping(in.small(4) ? std::to_string(in.number()) : in.text()));
    default:
        return strip(net::msg::setmakewait(claimed, in.small(2)));
    }
}

void checkBounds(const host::Game& g)
{
    if (g.seatsUsed() < 0 || g.seatsUsed() > host::kMaxSeat)
        std::abort();
    const auto& t = g.turn();
    if (t.gameRunning && !g.stalled()) {
        if (t.turnPhase != 1 && t.turnPhase != 2)
            std::abort();
        if (!g.settings().fastGame && (t.currentSeat < 1 || t.currentSeat > host::kPlayingSeats))
            std::abort();
    }
    if (t.gameRunning) {
        bool anyone = false;
        for (int s = 1; s <= host::kPlayingSeats; ++s)
            anyone = anyone || g.player(s).connected || g.player(s).held;
        if (!anyone)
            std::abort(); // a game with no playing seat taken or held must have ended
    }
    if (g.leader() != 0 && (g.leader() > host::kMaxSeat || (g.options().dedicated && !g.player(g.leader()).loggedIn)))
        std::abort();
    for (int s = 1; s <= host::kMaxSeat; ++s) {
        const host::Player& p = g.player(s);
        if (p.held && (p.connected || !p.loggedIn || p.holdLeft <= 0))
            std::abort();
        // Seated players never share a name.
        for (int t = s + 1; t <= host::kMaxSeat && p.loggedIn; ++t) {
            const host::Player& q = g.player(t);
            if (q.loggedIn && p.name.size() == q.name.size()
                && std::equal(p.name.begin(), p.name.end(), q.name.begin(), [](char a, char b) {
                       return std::tolower(static_cast<unsigned char>(a))
                           == std::tolower(static_cast<unsigned char>(b));
                   }))
                std::abort();
        }
    }
    for (int s = 1; s <= host::kMaxSeat; ++s)
        for (const auto& row : g.player(s).words)
            for (const auto& w : row)
                if (w.size() > static_cast<std::size_t>(rules::kMaxWordLength))
                    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CountingLink link;
    host::Game game(
        link, [](std::string_view w) { return w.size() >= 3 && (w[0] + w[1] + w[2]) % 3 != 0; }, 1234, countingBytes);
    Input in(data, size);
    {
        host::Options options;
        options.holdSeconds = in.small(4) * 2;
        options.dedicated = in.small(2);
        game.setOptions(options);
    }
    int steps = 0;
    while (!in.empty() && ++steps < 4000) {
        const int op = in.small(16);
        const int seat = 1 + in.small(10);
        if (op < 2) {
            game.accepted();
        } else if (op == 2) {
            game.closed(seat);
        } else if (op < 5) {
            const int n = 1 + in.small(80);
            for (int i = 0; i < n; ++i)
                game.tick();
        } else if (op == 5) {
            game.loginDeadline(seat);
        } else if (op == 6) {
            // Raw bytes after a real command word.
            const auto& commands = clientCommands();
            std::string line(commands[static_cast<std::size_t>(in.small(static_cast<int>(commands.size())))]);
            line += in.small(4) ? "+" : "";
            line += in.text();
            game.receive(seat, line);
        } else if (op == 7) {
            game.receive(seat, in.text());
        } else if (op == 15) {
            const int n = 1 + in.small(8);
            for (int i = 0; i < n; ++i)
                game.holdTick();
        } else {
            game.receive(seat, wellFormed(in, seat));
        }
        // The shell reports a dropped connection back as closed.
        if (link.dropped != 0) {
            const int dropped = link.dropped;
            link.dropped = 0;
            game.closed(dropped);
        }
        checkBounds(game);
    }
    return 0;
}
