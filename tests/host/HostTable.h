#pragma once
// A host with a recording link and a dictionary that knows every word unless told otherwise.

#include <host/Game.h>
#include <net/Commands.h>
#include <net/Framing.h>
#include <rules/Dice.h>
#include <rules/Version.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace hosttest
{

// Client -> host bytes as the shell hands them over: terminator removed.
inline std::string line(std::string bytes)
{
    if (!bytes.empty() && bytes.back() == net::kTerminator)
        bytes.pop_back();
    return bytes;
}

struct RecordingLink : host::Link {
    std::vector<std::pair<int, std::string>> writes; // one entry per send call
    std::map<int, std::vector<std::string>> inbox; // seat -> messages, terminators removed
    std::vector<int> dropped;
    std::vector<std::string> logs;
    std::vector<std::pair<int, int>> moves; // from, to
    std::vector<int> heartbeats;
    bool timer = false;
    bool holdTimer = false;
    std::int64_t now = 0; // the steady clock, moved by the test

    void send(int seat, const std::string& bytes) override
    {
        writes.emplace_back(seat, bytes);
        std::string current;
        for (char c : bytes) {
            if (c == net::kTerminator) {
                inbox[seat].push_back(current);
                current.clear();
            } else {
                current += c;
            }
        }
    }
    void drop(int seat) override { dropped.push_back(seat); }
    void setTurnTimer(bool running) override { timer = running; }
    void setHoldTimer(bool running) override { holdTimer = running; }
    void moveConnection(int from, int to) override { moves.emplace_back(from, to); }
    std::int64_t clockMs() override { return now; }
    void heartbeat(int seat) override { heartbeats.push_back(seat); }
    void log(const std::string& text) override { logs.push_back(text); }

    void clear()
    {
        writes.clear();
        inbox.clear();
        dropped.clear();
        moves.clear();
    }
    std::vector<std::string> to(int seat) const
    {
        const auto it = inbox.find(seat);
        return it == inbox.end() ? std::vector<std::string> {} : it->second;
    }
    // Messages to `seat` whose command word is `command`.
    std::vector<std::string> to(int seat, std::string_view command) const
    {
        std::vector<std::string> out;
        for (const std::string& m : to(seat))
            if (m.substr(0, m.find('+')) == command)
                out.push_back(m);
        return out;
    }
    std::size_t messageCount() const
    {
        std::size_t n = 0;
        for (const auto& [seat, list] : inbox)
            n += list.size();
        return n;
    }
};

struct StartOptions {
    bool fast = false;
    bool team = false;
    int playTo = 100000;
    int seconds = 60;
    int zirkedAt = 100000;
    bool newTiles = true;
};

// Token bytes 0x00.., 0x01.., 0x02..: the n-th token is n's byte 32 times as hex.
inline std::string nthToken(int n)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 16; ++i) {
        token.push_back(kHex[(n >> 4) & 0x0F]);
        token.push_back(kHex[n & 0x0F]);
    }
    return token;
}

class HostTable
{
public:
    explicit HostTable(std::uint64_t seed = 7)
        : game(
            link,
            [this](std::string_view w) {
                ++lookups;
                return !unknownWords.count(std::string(w));
            },
            seed,
            [this] {
                std::array<std::uint8_t, 16> bytes {};
                bytes.fill(static_cast<std::uint8_t>(tokensMade++));
                return bytes;
            })
    {
    }

    RecordingLink link;
    std::set<std::string> unknownWords;
    int lookups = 0;
    int tokensMade = 0;
    host::Game game;

    int join(const std::string& name, std::string_view version = rules::kVersion)
    {
        const int seat = game.accepted();
        if (seat != host::kRefusedSeat)
            game.receive(seat, line(net::msg::logininfo(seat, version, name)));
        return seat;
    }
    // Seats 1..n logged in as P1..Pn.
    void seat(int n)
    {
        for (int i = 1; i <= n; ++i)
            join("P" + std::to_string(i));
    }
    void say(int seat, const std::string& bytes) { game.receive(seat, line(bytes)); }
    // The connection in `seat` is lost and its hold runs out: the player is gone for good.
    void leave(int seat)
    {
        game.closed(seat);
        for (int s = 0; s <= host::kMaxHoldSeconds && game.player(seat).held; ++s)
            game.holdTick();
    }
    void setHold(int seconds)
    {
        host::Options o = game.options();
        o.holdSeconds = seconds;
        game.setOptions(o);
    }

    void start(const StartOptions& o = {})
    {
        net::GameOptions g;
        g.fast = o.fast;
        g.team = o.team;
        g.playToScore = o.playTo;
        g.timePerTurn = o.seconds;
        g.zirkedAt = o.zirkedAt;
        g.newTiles = o.newTiles;
        say(1, net::msg::startgame(1, g));
    }

    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            game.tick();
    }
    // Runs the clock until the turn in progress has ended and the next has begun.
    void finishTurn()
    {
        for (int guard = 0; guard < 1000 && game.turn().turnPhase == 1; ++guard)
            game.tick();
        for (int guard = 0; guard < 1000 && game.turn().turnPhase == 2; ++guard)
            game.tick();
    }

    std::string wordAt(int seat, const std::vector<int>& positions) const
    {
        const auto& p = game.player(seat);
        const rules::TileSet& set = p.boughtNewTiles ? game.spareTiles() : game.currentTiles();
        std::string w;
        for (int pos : positions)
            w += set[static_cast<std::size_t>(pos)];
        return w;
    }

    // `count` tile-position lists of `length` giving distinct words that are not
    // each other's plural or singular, nor among `taken`.
    std::vector<std::vector<int>> distinctWords(int seat, int length, int count, std::set<std::string>& taken) const
    {
        std::vector<int> positions(10);
        for (int i = 0; i < 10; ++i)
            positions[static_cast<std::size_t>(i)] = i + 1;
        std::vector<std::vector<int>> out;
        if (count <= 0)
            return out;
        do {
            std::vector<int> pick(positions.begin(), positions.begin() + length);
            const std::string w = wordAt(seat, pick);
            const bool related
                = taken.count(w) || taken.count(w + "S") || (w.back() == 'S' && taken.count(w.substr(0, w.size() - 1)));
            if (!related) {
                taken.insert(w);
                out.push_back(pick);
            }
        } while (static_cast<int>(out.size()) < count && std::next_permutation(positions.begin(), positions.end()));
        return out;
    }

    void play(int seat, const std::vector<int>& positions) { say(seat, net::msg::done(seat, positions)); }

    // Plays `count` distinct words of `length` for `seat` in the running turn.
    void playWords(int seat, int length, int count)
    {
        for (const auto& pick : distinctWords(seat, length, count, m_taken[seat]))
            play(seat, pick);
    }
    void newTurnWords() { m_taken.clear(); }

private:
    std::map<int, std::set<std::string>> m_taken;
};

} // namespace hosttest
