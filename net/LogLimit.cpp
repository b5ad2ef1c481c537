#include "LogLimit.h"

namespace net
{

bool LogLimit::admit(std::int64_t nowMs)
{
    // The window opens with the first line after a quiet spell, so a burst
    // always gets its first lines through.
    if (!m_open || nowMs - m_windowStart >= m_windowMs || nowMs < m_windowStart) {
        m_open = true;
        m_windowStart = nowMs;
        m_written = 0;
    }
    if (m_written < m_lines) {
        ++m_written;
        return true;
    }
    ++m_heldBack;
    return false;
}

std::size_t LogLimit::takeHeldBack()
{
    const std::size_t n = m_heldBack;
    m_heldBack = 0;
    return n;
}

} // namespace net
