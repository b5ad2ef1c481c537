#pragma once
// When a window tries again after its link to the host broke: soon at first,
// then less often (0.5 s, 1, 2, 4, then every 5 s), each wait shaken by up to
// a fifth either way so that windows cut off together do not knock together,
// and only for as long as the host holds the seat.

#include <cstdint>
#include <optional>
#include <random>

namespace client
{

class Backoff
{
public:
    using Ms = std::int64_t;
    static constexpr Ms kFirstWait = 500;
    static constexpr Ms kLongestWait = 5000;
    // What a host holds a lost player's seat for unless its operator said otherwise.
    static constexpr Ms kDefaultHold = 120000;

    explicit Backoff(std::uint32_t seed, Ms holdMs = kDefaultHold);

    // The link broke at `now`: the hold starts, and no attempt was made yet.
    void start(Ms now);
    bool running() const { return m_running; }
    // Attempts announced by nextWait in this spell (the one it just announced included).
    int attempts() const { return m_attempts; }
    // The wait from `now` before the next attempt; nothing (and the spell is
    // over) when that attempt could not begin before the hold runs out.
    std::optional<Ms> nextWait(Ms now);
    // The seat is back, or it is no use trying any more.
    void stop() { m_running = false; }
    Ms holdMs() const { return m_hold; }

private:
    std::mt19937 m_random;
    Ms m_hold;
    Ms m_since = 0;
    int m_attempts = 0;
    bool m_running = false;
};

} // namespace client
