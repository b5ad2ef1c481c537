#include "Heartbeat.h"

#include "net/Commands.h"

#include <algorithm>

namespace client
{

void Heartbeat::awaitGreeting(Ms now)
{
    m_mode = Mode::Greeting;
    m_greeted = false;
    m_lastHeard = now;
}

void Heartbeat::start(Ms now)
{
    m_lastHeard = std::max(m_lastHeard, now);
    if (m_mode == Mode::Pinging)
        return;
    m_mode = Mode::Pinging;
    m_nextPing = now + kPingEvery;
}

void Heartbeat::heard(Ms now)
{
    m_lastHeard = std::max(m_lastHeard, now);
    m_greeted = true;
}

Heartbeat::Ms Heartbeat::silenceLimit() const
{
    return m_mode == Mode::Greeting && !m_greeted ? kGreetingLimit : kSilenceLimit;
}

Heartbeat::Due Heartbeat::poll(Ms now)
{
    Due due;
    if (m_mode == Mode::Off)
        return due;
    if (now - m_lastHeard >= silenceLimit()) {
        m_mode = Mode::Off;
        due.silent = true;
        return due;
    }
    if (m_mode == Mode::Pinging && now >= m_nextPing) {
        due.ping = net::msg::ping(std::to_string(++m_pings));
        // A late wake-up does not bunch the next pings together.
        m_nextPing = std::max(m_nextPing + kPingEvery, now + kPingEvery / 2);
    }
    return due;
}

std::optional<Heartbeat::Ms> Heartbeat::wakeAt() const
{
    if (m_mode == Mode::Off)
        return std::nullopt;
    const Ms silentAt = m_lastHeard + silenceLimit();
    return m_mode == Mode::Pinging ? std::min(silentAt, m_nextPing) : silentAt;
}

} // namespace client
