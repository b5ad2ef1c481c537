#pragma once
// Whether the host is still there. A window pings a host that has shown it
// speaks the additions (it sent a seat token) every 10 s; when no byte at all
// has come from it for 25 s it has stopped answering: the player hears of it
// within 30 s, and the window is silent to the host for less than the 35 s
// after which the host gives its seat up for lost. A connection made to take a
// seat back must be greeted within 10 s. Older hosts are never pinged nor
// expected to say anything.

#include <cstdint>
#include <optional>
#include <string>

namespace client
{

class Heartbeat
{
public:
    using Ms = std::int64_t;
    static constexpr Ms kPingEvery = 10000;
    static constexpr Ms kSilenceLimit = 25000;
    static constexpr Ms kGreetingLimit = 10000;

    // Nothing is watched (a new connection to a host not known to answer).
    void stop() { m_mode = Mode::Off; }
    // A connection made at `now` to take a seat back: the host must greet it.
    void awaitGreeting(Ms now);
    // The host speaks the additions: pings from now on, and bytes are expected.
    // Again while pinging changes nothing but the time last heard.
    void start(Ms now);
    bool pinging() const { return m_mode == Mode::Pinging; }
    // Bytes came from the host.
    void heard(Ms now);

    struct Due {
        std::optional<std::string> ping; // a framed message to send now
        bool silent = false; // the host stopped answering; nothing is watched any more
    };
    Due poll(Ms now);
    // When poll() has something to do next; nothing while nothing is watched.
    std::optional<Ms> wakeAt() const;

private:
    enum class Mode { Off, Greeting, Pinging };
    Ms silenceLimit() const;

    Mode m_mode = Mode::Off;
    bool m_greeted = false;
    Ms m_lastHeard = 0;
    Ms m_nextPing = 0;
    std::uint64_t m_pings = 0;
};

} // namespace client
