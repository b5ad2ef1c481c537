#include "RelayBudget.h"

#include <algorithm>

namespace host
{

RelayBudget::RelayBudget(const Limits& limits)
    : m_limits(limits)
    , m_lines(limits.lineBurst)
    , m_bytes(limits.byteBurst)
{
}

void RelayBudget::reset(std::int64_t nowMs)
{
    m_lines = m_limits.lineBurst;
    m_bytes = m_limits.byteBurst;
    m_at = nowMs;
    m_started = true;
}

void RelayBudget::refill(std::int64_t nowMs)
{
    if (!m_started) {
        reset(nowMs);
        return;
    }
    // A clock that goes back (or stands) gives nothing.
    const double seconds = static_cast<double>(std::max<std::int64_t>(0, nowMs - m_at)) / 1000.0;
    m_at = std::max(m_at, nowMs);
    m_lines = std::min(m_limits.lineBurst, m_lines + seconds * m_limits.linesPerSecond);
    m_bytes = std::min(m_limits.byteBurst, m_bytes + seconds * m_limits.bytesPerSecond);
}

bool RelayBudget::admit(std::int64_t nowMs, std::size_t bytes)
{
    refill(nowMs);
    const double cost = static_cast<double>(bytes);
    if (m_lines < 1 || m_bytes < cost)
        return false;
    m_lines -= 1;
    m_bytes -= cost;
    return true;
}

} // namespace host
