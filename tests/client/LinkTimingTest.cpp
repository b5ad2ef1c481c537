// When a window tries again after a broken link, and when it decides the host
// has stopped answering, with time and randomness handed in: the attempts'
// pace, the hold they keep to, and the heartbeat's pings and verdicts as the
// connection's timer would drive them.

#include "client/Backoff.h"
#include "client/Heartbeat.h"
#include "net/Commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

using client::Backoff;
using client::Heartbeat;
using Ms = std::int64_t;

namespace
{

// Every attempt of one spell, each failing at once: the times they start.
std::vector<Ms> attemptTimes(Backoff& b, Ms lostAt)
{
    std::vector<Ms> times;
    b.start(lostAt);
    Ms now = lostAt;
    while (const auto wait = b.nextWait(now)) {
        now += *wait;
        times.push_back(now);
    }
    return times;
}

} // namespace

TEST(Backoff, ThePaceOfTheAttempts)
{
    struct Row {
        const char* fault;
        std::function<bool(const std::vector<Ms>& waits)> holds;
    };
    const Row rows[] = {
        { "the first attempt kept the player waiting or came at once",
            [](const auto& w) { return w[0] >= 400 && w[0] <= 600; } },
        { "the waits did not double at first",
            [](const auto& w) { return w[1] >= 800 && w[1] <= 1200 && w[2] >= 1600 && w[2] <= 2400 && w[3] >= 3200; } },
        { "a wait grew past five seconds",
            [](const auto& w) { return *std::max_element(w.begin(), w.end()) <= Backoff::kLongestWait; } },
        { "later attempts came faster than every four seconds",
            [](const auto& w) { return std::all_of(w.begin() + 4, w.end(), [](Ms x) { return x >= 4000; }); } },
    };
    for (std::uint32_t seed : { 1u, 2u, 77u, 4000000000u }) {
        Backoff b(seed);
        std::vector<Ms> waits;
        b.start(0);
        Ms now = 0;
        while (const auto wait = b.nextWait(now)) {
            waits.push_back(*wait);
            now += *wait;
        }
        ASSERT_GT(waits.size(), 5u);
        for (const Row& r : rows)
            EXPECT_TRUE(r.holds(waits)) << r.fault << " (seed " << seed << ")";
    }
}

TEST(Backoff, TheAttemptsKeepToTheHold)
{
    struct Row {
        const char* fault;
        Ms hold;
        Ms lostAt;
    };
    const Row rows[] = {
        { "tried past the default two minutes", Backoff::kDefaultHold, 0 },
        { "tried past a short hold", 3000, 0 },
        { "a loss late on the clock was measured from zero", Backoff::kDefaultHold, 1'000'000'000 },
    };
    for (const Row& r : rows) {
        Backoff b(9, r.hold);
        const std::vector<Ms> times = attemptTimes(b, r.lostAt);
        ASSERT_FALSE(times.empty()) << r.fault;
        EXPECT_LT(times.back(), r.lostAt + r.hold) << r.fault;
        // The last attempt is no more than one longest wait before the hold ends.
        EXPECT_GT(times.back() + Backoff::kLongestWait * 6 / 5, r.lostAt + r.hold) << r.fault << ": gave up early";
        EXPECT_FALSE(b.running()) << r.fault;
        EXPECT_EQ(b.attempts(), static_cast<int>(times.size())) << r.fault;
        EXPECT_FALSE(b.nextWait(r.lostAt + r.hold)) << r.fault << ": a spell over went on";
    }
}

TEST(Backoff, ASpellStartsOverAndWindowsCutOffTogetherDoNotKnockTogether)
{
    Backoff b(5);
    b.start(0);
    (void)b.nextWait(0);
    (void)b.nextWait(600);
    (void)b.nextWait(1800);
    b.stop();
    EXPECT_FALSE(b.nextWait(2000)) << "a stopped spell still scheduled attempts";
    b.start(50'000);
    const auto first = b.nextWait(50'000);
    ASSERT_TRUE(first);
    EXPECT_LE(*first, 600) << "a new spell kept the last one's long waits";
    EXPECT_EQ(b.attempts(), 1);

    // Ten windows lose the same host at the same moment.
    std::vector<Ms> firstWaits;
    for (std::uint32_t seed = 100; seed < 110; ++seed) {
        Backoff other(seed);
        other.start(0);
        firstWaits.push_back(*other.nextWait(0));
    }
    std::sort(firstWaits.begin(), firstWaits.end());
    EXPECT_GT(std::unique(firstWaits.begin(), firstWaits.end()) - firstWaits.begin(), 5);
}

namespace
{

// The connection's timer: poll whenever the heartbeat asks to be woken, until
// `until`, with the host's bytes arriving at the times `answers` gives for
// each ping sent (nothing when the host does not answer it).
struct Timeline {
    std::vector<Ms> pings;
    std::optional<Ms> silentAt;
    Ms lastByte = 0; // or the start
};

Timeline drive(Heartbeat& h, Ms until, const std::function<std::optional<Ms>(Ms pingAt)>& answer = {},
    std::vector<Ms> otherBytes = {})
{
    Timeline run;
    std::vector<Ms> arrivals = std::move(otherBytes);
    Ms now = 0;
    for (int guard = 0; guard < 10000; ++guard) {
        const auto wake = h.wakeAt();
        // Bytes due before the next wake-up arrive first, as they would.
        std::sort(arrivals.begin(), arrivals.end());
        if (!arrivals.empty() && (!wake || arrivals.front() <= *wake) && arrivals.front() <= until) {
            now = arrivals.front();
            arrivals.erase(arrivals.begin());
            h.heard(now);
            run.lastByte = now;
            continue;
        }
        if (!wake || *wake > until)
            break;
        now = std::max(now, *wake);
        const Heartbeat::Due due = h.poll(now);
        if (due.ping) {
            EXPECT_EQ(due.ping->rfind(std::string(net::cmd::ping) + "+", 0), 0u) << *due.ping;
            run.pings.push_back(now);
            if (answer)
                if (const auto at = answer(now))
                    arrivals.push_back(*at);
        }
        if (due.silent) {
            run.silentAt = now;
            break;
        }
    }
    return run;
}

std::optional<Ms> promptly(Ms pingAt) { return pingAt + 3; }

} // namespace

TEST(Heartbeat, PingsAndTheVerdictOnASilentHost)
{
    struct Row {
        const char* fault;
        std::function<void(Heartbeat&)> begin; // at time 0
        std::function<std::optional<Ms>(Ms)> answer;
        std::vector<Ms> otherBytes;
        std::vector<Ms> pings;
        std::optional<Ms> silentAt;
    };
    const Ms minute = 60'000;
    const std::vector<Row> rows = {
        { "an older host (no seat token) was pinged or expected to answer", [](Heartbeat&) {}, {}, {}, {},
            std::nullopt },
        { "a host that answers every ping was called silent", [](Heartbeat& h) { h.start(0); }, promptly, {},
            { 10'000, 20'000, 30'000, 40'000, 50'000, 60'000 }, std::nullopt },
        { "a hung host was not reported within 30 s", [](Heartbeat& h) { h.start(0); }, {}, {}, { 10'000, 20'000 },
            Heartbeat::kSilenceLimit },
        { "a host that fell silent after answering was reported late or early", [](Heartbeat& h) { h.start(0); },
            [](Ms at) { return at < 15'000 ? std::optional<Ms>(at + 2000) : std::nullopt; }, {},
            { 10'000, 20'000, 30'000 }, 12'000 + Heartbeat::kSilenceLimit },
        { "a host busy with game messages was pinged anyway and never called silent",
            [](Heartbeat& h) { h.start(0); }, {}, { 4000, 8000, 12000, 16000, 20000, 24000, 28000, 32000, 36000,
                                                  40000, 44000, 48000, 52000, 56000, 60000 },
            { 10'000, 20'000, 30'000, 40'000, 50'000, 60'000 }, std::nullopt },
        { "a new connection never greeted was waited on for more than ten seconds",
            [](Heartbeat& h) { h.awaitGreeting(0); }, {}, {}, {}, Heartbeat::kGreetingLimit },
        { "a greeted connection was given up at the greeting limit", [](Heartbeat& h) { h.awaitGreeting(0); }, {},
            { 1000 }, {}, 1000 + Heartbeat::kSilenceLimit },
        { "a second token restarted the pings' count and timing", [](Heartbeat& h) {
             h.start(0);
             h.start(0);
         },
            promptly, {}, { 10'000, 20'000, 30'000, 40'000, 50'000, 60'000 }, std::nullopt },
        { "stopping left the host watched", [](Heartbeat& h) {
             h.start(0);
             h.stop();
         },
            {}, {}, {}, std::nullopt },
    };
    for (const Row& r : rows) {
        Heartbeat h;
        r.begin(h);
        const Timeline run = drive(h, minute, r.answer, r.otherBytes);
        EXPECT_EQ(run.pings, r.pings) << r.fault;
        EXPECT_EQ(run.silentAt, r.silentAt) << r.fault;
        if (run.silentAt) {
            EXPECT_LE(*run.silentAt - run.lastByte, 30'000) << r.fault << ": the player waited too long to be told";
            EXPECT_FALSE(h.wakeAt()) << r.fault << ": still watching after the verdict";
        }
    }
}

TEST(Heartbeat, ALateWakeUpNeitherBunchesPingsNorMissesTheVerdict)
{
    Heartbeat h;
    h.start(0);
    // The event loop was busy: the first wake-up comes at 17 s instead of 10 s.
    Heartbeat::Due due = h.poll(17'000);
    ASSERT_TRUE(due.ping);
    h.heard(17'005);
    due = h.poll(17'010);
    EXPECT_FALSE(due.ping) << "two pings in one breath";
    ASSERT_TRUE(h.wakeAt());
    EXPECT_GE(*h.wakeAt(), 22'000);
    EXPECT_LE(*h.wakeAt(), 27'000);
    // Woken far too late, past the silence limit: silent, with no ping first.
    due = h.poll(17'005 + Heartbeat::kSilenceLimit + 5000);
    EXPECT_TRUE(due.silent);
    EXPECT_FALSE(due.ping);
}
