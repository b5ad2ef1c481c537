#pragma once
// Message framing: "CMD_" name "+" fields joined by "+", then one 0xFF byte.
// Pure byte handling; no I/O.

#include <cstddef>
#include <deque>
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
    // Overflow: a message (or the unterminated tail) is longer than
    // kMaxPendingBytes; the tail is discarded and the caller is expected to
    // drop the connection.
    Status feed(std::string_view bytes, std::vector<std::string>& out);

    std::size_t pending() const { return m_tail.size(); }
    void reset() { m_tail.clear(); }

private:
    std::string m_tail;
};

// One queued message and the connection it came from (0 on the client side,
// which has only one connection).
struct QueuedLine {
    int seat = 0;
    std::string text;
};

// The receive queue: arrival order, one message taken at a time.
class ReceiveQueue
{
public:
    void push(int seat, std::string text) { m_lines.push_back({ seat, std::move(text) }); }
    bool empty() const { return m_lines.empty(); }
    std::size_t size() const { return m_lines.size(); }
    // An empty queue yields an empty line from seat 0, which dispatches to nothing.
    QueuedLine take();
    // Forget what a closed connection still had queued.
    void discardSeat(int seat);

private:
    std::deque<QueuedLine> m_lines;
};

// The command word is the text before the first "+"; a line without "+" has
// an empty command (and so does nothing).
struct SplitLine {
    std::string_view command;
    std::string_view rest;
};
SplitLine splitCommand(std::string_view line);

} // namespace net
