#include "Backoff.h"

#include <algorithm>

namespace client
{

Backoff::Backoff(std::uint32_t seed, Ms holdMs)
    : m_random(seed)
    , m_hold(holdMs)
{
}

void Backoff::start(Ms now)
{
    m_since = now;
    m_attempts = 0;
    m_running = true;
}

std::optional<Backoff::Ms> Backoff::nextWait(Ms now)
{
    if (!m_running)
        return std::nullopt;
    // Doubling stops long before it could overflow: the fourth wait is already past the longest.
    const int doublings = std::min(m_attempts, 8);
    const Ms plain = std::min(kFirstWait << doublings, kLongestWait);
    std::uniform_real_distribution<double> shake(0.8, 1.2);
    const Ms wait = std::min(static_cast<Ms>(static_cast<double>(plain) * shake(m_random)), kLongestWait);
    if (now + wait >= m_since + m_hold) {
        m_running = false;
        return std::nullopt;
    }
    ++m_attempts;
    return wait;
}

} // namespace client
