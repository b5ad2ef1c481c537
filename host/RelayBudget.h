#pragma once
// What one seat may have relayed to everybody (chat, actions, sounds): a
// budget of lines and one of bytes, each refilled steadily up to a burst.
// Every line goes to every connection, so one sender must not be able to
// fill everyone's pipe: a person types a few hundred bytes a second at most,
// and may paste one full-size line at once.

#include <cstddef>
#include <cstdint>

namespace host
{

class RelayBudget
{
public:
    struct Limits {
        double linesPerSecond = 4;
        double lineBurst = 20;
        double bytesPerSecond = 512;
        double byteBurst = 33 * 1024; // one full-size line and some
    };

    RelayBudget() = default;
    explicit RelayBudget(const Limits& limits);

    // Whether a line of `bytes` may go out at `nowMs` (a steady clock); if so
    // it is charged to both budgets, otherwise to neither.
    bool admit(std::int64_t nowMs, std::size_t bytes);
    // Full budgets from `nowMs` on: a new player in the seat.
    void reset(std::int64_t nowMs);

private:
    void refill(std::int64_t nowMs);

    Limits m_limits;
    double m_lines = m_limits.lineBurst;
    double m_bytes = m_limits.byteBurst;
    std::int64_t m_at = 0;
    bool m_started = false;
};

} // namespace host
