#pragma once
// Message framing: "CMD_" name "+" fields joined by "+", then one 0xFF byte.
// Pure byte handling; no I/O.

#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace net
{

inline constexpr char kTerminator = '\xFF';

// A connection that buffers more than this without a terminator is not speaking
// our protocol; its owner drops it rather than let memory grow.
inline constexpr std::size_t kMaxPendingBytes = 64 * 1024;

// "CMD_turnend" + {} -> "CMD_turnend+\xFF"; fields joined by "+".
std::string frame(std::string_view command, const std::vector<std::string>& fields);

// Cuts one connection's byte stream into messages. A tail without terminator
// is kept and joined to the next read, because TCP is free to split a write.
class Framer
{
public:
    enum class Status { Ok, Overflow };

    // Appends every complete message in `bytes` (terminator removed) to `out`.
    // A lone terminator (an empty message) means nothing and is not passed on:
    // queued, a flood of them would cost memory out of all proportion to its bytes.
    // Overflow: a message (or the unterminated tail) is longer than
    // kMaxPendingBytes; the tail is discarded and the caller is expected to
    // drop the connection.
    Status feed(std::string_view bytes, std::vector<std::string>& out);

    std::size_t pending() const { return m_tail.size(); }
    void reset()
    {
        m_tail.clear();
        m_empties = 0;
    }
    // Lone terminators dropped since the last call: the host still counts
    // them against what a connection may send.
    std::size_t takeEmpties()
    {
        const std::size_t n = m_empties;
        m_empties = 0;
        return n;
    }

private:
    std::string m_tail;
    std::size_t m_empties = 0;
};

// One queued message and the connection it came from (0 on the client side,
// which has only one connection).
struct QueuedLine {
    int seat = 0;
    std::string text;
};

// What a queued message costs beyond its text (the string, its heap block and
// the queue's bookkeeping). Budgets count this, or a flood of empty or
// one-byte messages would cost far more memory than its byte count says.
inline constexpr std::size_t kQueuedMessageOverhead = 64;

// The receive queue: each connection's messages in arrival order, and the
// connections served in turn, one message each, so that one sender's backlog
// delays another's message by at most one message per connection. With a
// single connection (the client) it is a plain first-in-first-out queue, and
// while no connection has more than one message waiting it keeps arrival order.
class ReceiveQueue
{
public:
    void push(int seat, std::string text);
    bool empty() const { return m_size == 0; }
    std::size_t size() const { return m_size; }
    // An empty queue yields an empty line from seat 0, which dispatches to nothing.
    QueuedLine take();
    // Forget what a closed connection still had queued; costs in proportion to
    // that connection's messages only.
    void discardSeat(int seat);
    // What `from` still has queued is `to`'s from now on (a connection that
    // moved seats); `to` must have nothing queued.
    void moveSeat(int from, int to);
    // Messages and memory (text plus kQueuedMessageOverhead each) waiting for `seat`.
    std::size_t queued(int seat) const;
    std::size_t cost(int seat) const;

private:
    struct SeatLines {
        std::deque<std::string> lines;
        std::size_t cost = 0;
    };
    std::map<int, SeatLines> m_seats; // only connections with something queued
    std::deque<int> m_turns; // those connections, the next one to serve first
    std::size_t m_size = 0;
};

// The command word is the text before the first "+"; a line without "+" has
// an empty command (and so does nothing).
struct SplitLine {
    std::string_view command;
    std::string_view rest;
};
SplitLine splitCommand(std::string_view line);

} // namespace net
