#include "Framing.h"

#include <algorithm>

namespace net
{

std::string frame(std::string_view command, const std::vector<std::string>& fields)
{
    std::size_t size = command.size() + 2;
    for (const auto& f : fields)
        size += f.size() + 1;
    std::string out;
    out.reserve(size);
    out.append(command);
    out.push_back('+');
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out.push_back('+');
        out.append(fields[i]);
    }
    out.push_back(kTerminator);
    return out;
}

Framer::Status Framer::feed(std::string_view bytes, std::vector<std::string>& out)
{
    while (!bytes.empty()) {
        const auto end = bytes.find(kTerminator);
        if (end == std::string_view::npos) {
            if (m_tail.size() + bytes.size() > kMaxPendingBytes) {
                m_tail.clear();
                return Status::Overflow;
            }
            m_tail.append(bytes);
            return Status::Ok;
        }
        // The cap holds for every message, not only for what waits between
        // reads: otherwise whether a long message passes would depend on how
        // TCP happened to split it.
        if (m_tail.size() + end > kMaxPendingBytes) {
            m_tail.clear();
            return Status::Overflow;
        }
        if (m_tail.empty()) {
            if (end > 0)
                out.emplace_back(bytes.substr(0, end));
            else
                ++m_empties;
        } else {
            m_tail.append(bytes.substr(0, end));
            out.push_back(std::move(m_tail));
            m_tail.clear();
        }
        bytes.remove_prefix(end + 1);
    }
    return Status::Ok;
}

void ReceiveQueue::push(int seat, std::string text)
{
    auto [it, fresh] = m_seats.try_emplace(seat);
    if (fresh || it->second.lines.empty())
        m_turns.push_back(seat);
    it->second.cost += text.size() + kQueuedMessageOverhead;
    it->second.lines.push_back(std::move(text));
    ++m_size;
}

QueuedLine ReceiveQueue::take()
{
    if (m_turns.empty())
        return {};
    const int seat = m_turns.front();
    m_turns.pop_front();
    const auto it = m_seats.find(seat);
    SeatLines& s = it->second;
    QueuedLine line { seat, std::move(s.lines.front()) };
    s.lines.pop_front();
    s.cost -= line.text.size() + kQueuedMessageOverhead;
    --m_size;
    if (s.lines.empty())
        m_seats.erase(it);
    else
        m_turns.push_back(seat); // back of the line: everyone else goes first
    return line;
}

void ReceiveQueue::discardSeat(int seat)
{
    const auto it = m_seats.find(seat);
    if (it == m_seats.end())
        return;
    m_size -= it->second.lines.size();
    m_seats.erase(it);
    m_turns.erase(std::find(m_turns.begin(), m_turns.end(), seat));
}

void ReceiveQueue::moveSeat(int from, int to)
{
    const auto it = m_seats.find(from);
    if (it == m_seats.end() || from == to || m_seats.count(to))
        return;
    SeatLines lines = std::move(it->second);
    m_seats.erase(it);
    m_seats.emplace(to, std::move(lines));
    *std::find(m_turns.begin(), m_turns.end(), from) = to;
}

std::size_t ReceiveQueue::queued(int seat) const
{
    const auto it = m_seats.find(seat);
    return it == m_seats.end() ? 0 : it->second.lines.size();
}

std::size_t ReceiveQueue::cost(int seat) const
{
    const auto it = m_seats.find(seat);
    return it == m_seats.end() ? 0 : it->second.cost;
}

SplitLine splitCommand(std::string_view line)
{
    const auto plus = line.find('+');
    if (plus == std::string_view::npos)
        return {};
    return { line.substr(0, plus), line.substr(plus + 1) };
}

} // namespace net
