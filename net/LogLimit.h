#pragma once
// A budget of log lines: at most so many in each window of time. What is held
// back is counted, so that one line can later say how much went unlogged.

#include <cstddef>
#include <cstdint>

namespace net
{

class LogLimit
{
public:
    LogLimit() = default;
    explicit LogLimit(int lines, std::int64_t windowMs = 60000)
        : m_lines(lines)
        , m_windowMs(windowMs)
    {
    }

    // Whether a line may be written at `nowMs` (any steady clock in milliseconds).
    bool admit(std::int64_t nowMs);
    // How many lines were held back since the last call; nonzero means a
    // summary line is due.
    std::size_t takeHeldBack();
    std::size_t heldBack() const { return m_heldBack; }

private:
    int m_lines = 5;
    std::int64_t m_windowMs = 60000;
    bool m_open = false;
    std::int64_t m_windowStart = 0;
    int m_written = 0;
    std::size_t m_heldBack = 0;
};

} // namespace net
