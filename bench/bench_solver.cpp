// The word finder over the built-in list: time to prepare it, memory it holds,
// and the time per rack (10 and 13 tiles rolled from the game's dice) for
// finding every word, for planning the turn and for the words a player missed
// after playing the planned turn, as median and 99th percentile.
// Run pinned to one core for the per-rack figures: taskset -c 0 bench_solver

#include "Percentiles.h"

#include <rules/Dice.h>
#include <solver/MissedWords.h>
#include <solver/TurnPlanner.h>
#include <solver/WordFinder.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

double microsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

void perRack(const solver::WordFinder& finder, int tiles, int racks)
{
    std::mt19937_64 rng(1234 + static_cast<unsigned>(tiles));
    std::vector<std::string> rackList;
    for (int i = 0; i < racks; ++i) {
        const rules::TileSet t = rules::rollDice(rng);
        rackList.emplace_back(t.begin() + 1, t.begin() + 1 + tiles);
    }
    std::vector<solver::FoundWord> found;
    for (int i = 0; i < 200; ++i) // warm the caches and the output buffer
        finder.find(rackList[static_cast<std::size_t>(i) % rackList.size()], found);
    std::vector<double> findTimes;
    std::vector<double> planTimes;
    std::vector<double> missedTimes;
    double words = 0;
    for (const auto& rack : rackList) {
        auto start = Clock::now();
        finder.find(rack, found);
        findTimes.push_back(microsSince(start));
        words += static_cast<double>(found.size());
        start = Clock::now();
        const solver::Plan plan = solver::planTurn(found, { tiles == 13, 40 });
        planTimes.push_back(microsSince(start));
        if (plan.words.size() > found.size())
            std::abort();
        // The planned turn, half of it played: what the window works out after it.
        rules::WordTable played = rules::WordTable();
        for (std::size_t i = 0; i < plan.words.size() / 2; ++i)
            solver::storeWord(plan.words[i].word, played);
        start = Clock::now();
        const auto missed = solver::missedWords(finder, rack, played, tiles == 13);
        missedTimes.push_back(microsSince(start));
        if (missed.size() > found.size())
            std::abort();
    }
    const Stats f = percentiles(findTimes);
    const Stats p = percentiles(planTimes);
    std::printf("%2d tiles, %d racks: find p50 %.1f us, p99 %.1f us; %.0f words a rack on average\n", tiles, racks,
        f.p50, f.p99, words / racks);
    std::printf("%2d tiles, %d racks: plan p50 %.1f us, p99 %.1f us\n", tiles, racks, p.p50, p.p99);
    const Stats m = percentiles(missedTimes);
    std::printf("%2d tiles, %d racks: missed words p50 %.1f us, p99 %.1f us\n", tiles, racks, m.p50, m.p99);
}

} // namespace

int main()
{
    // The first one pays for fresh memory, as the program's start does; later ones reuse it.
    const long before = residentKiB();
    const auto start = Clock::now();
    const solver::WordFinder& finder = solver::WordFinder::builtIn();
    const double firstPrepare = microsSince(start);
    const long after = residentKiB();
    std::vector<double> prepare;
    for (int i = 0; i < 5; ++i) {
        const auto again = Clock::now();
        solver::WordFinder another;
        prepare.push_back(microsSince(again));
    }
    std::printf("prepare: first %.1f ms, again (median of 5) %.1f ms; %zu words, %zu tree nodes, %.1f MiB held; "
                "resident memory grew %.1f MiB over the first\n",
        firstPrepare / 1000, percentiles(prepare).p50 / 1000, finder.wordCount(), finder.nodeCount(),
        static_cast<double>(finder.memoryBytes()) / (1024 * 1024), static_cast<double>(after - before) / 1024);
    perRack(finder, 10, 5000);
    perRack(finder, 13, 5000);
    return 0;
}
