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
            out.emplace_back(bytes.substr(0, end));
        } else {
            m_tail.append(bytes.substr(0, end));
            out.push_back(std::move(m_tail));
            m_tail.clear();
        }
        bytes.remove_prefix(end + 1);
    }
    return Status::Ok;
}

QueuedLine ReceiveQueue::take()
{
    if (m_lines.empty())
        return {};
    QueuedLine line = std::move(m_lines.front());
    m_lines.pop_front();
    return line;
}

void ReceiveQueue::discardSeat(int seat)
{
    m_lines.erase(
        std::remove_if(m_lines.begin(), m_lines.end(), [seat](const QueuedLine& l) { return l.seat == seat; }),
        m_lines.end());
}

SplitLine splitCommand(std::string_view line)
{
    const auto plus = line.find('+');
    if (plus == std::string_view::npos)
        return {};
    return { line.substr(0, plus), line.substr(plus + 1) };
}

} // namespace net
