// Lookups per second and probes per lookup over the built-in list, with the
// list on disk (one pread per probe) and in memory (when the file is not ours
// to trust), plus the cost of opening: writing the file, or checking a
// stranger's file record by record.

#include <dict/TDictn.h>
#include <dict/WordList.h>
#include <dict/WordListBuilder.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

std::string makeTempDir()
{
    std::string pattern = (fs::temp_directory_path() / "zirky-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    return pattern;
}

// Every 37th word of the list, half of them as they are, half with the last
// letter changed so that most of those miss.
std::vector<std::string> sampleWords()
{
    const auto list = dict::builtInWordList();
    std::vector<std::string> out;
    bool miss = false;
    for (std::size_t i = 0; i + dict::kRecordSize <= list.size(); i += 37 * dict::kRecordSize) {
        std::string w(reinterpret_cast<const char*>(list.data() + i + 1), dict::kWordField);
        w.erase(w.find_last_not_of(' ') + 1);
        if (miss)
            w.back() = w.back() == 'Q' ? 'X' : 'Q';
        miss = !miss;
        out.push_back(w);
    }
    return out;
}

void runLookups(benchmark::State& state, const dict::TDictn& d)
{
    static const std::vector<std::string> words = sampleWords();
    std::size_t i = 0;
    long probes = 0;
    long found = 0;
    for (auto _ : state) {
        const bool hit = d.Lookup(words[i]);
        benchmark::DoNotOptimize(hit);
        found += hit ? 1 : 0;
        probes += d.lastProbes();
        if (++i == words.size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["probes/lookup"]
        = benchmark::Counter(static_cast<double>(probes), benchmark::Counter::kAvgIterations);
    state.counters["found%"]
        = benchmark::Counter(100.0 * static_cast<double>(found), benchmark::Counter::kAvgIterations);
}

void BM_LookupFile(benchmark::State& state)
{
    const std::string dir = makeTempDir();
    {
        dict::TDictn d(dir);
        if (!d.fileBacked())
            state.SkipWithError("the list could not be written");
        else
            runLookups(state, d);
    }
    fs::remove_all(dir);
}

void BM_LookupMemory(benchmark::State& state)
{
    // A file that is not a record file makes the dictionary search the built-in bytes.
    const std::string dir = makeTempDir();
    std::ofstream(fs::path(dir) / "English") << "not a word list\n";
    {
        dict::TDictn d(dir);
        if (d.fileBacked())
            state.SkipWithError("expected the in-memory list");
        else
            runLookups(state, d);
    }
    fs::remove_all(dir);
}

void BM_OpenCreatingTheFile(benchmark::State& state)
{
    const std::string dir = makeTempDir();
    for (auto _ : state) {
        dict::TDictn d(dir);
        benchmark::DoNotOptimize(d.opened());
    }
    fs::remove_all(dir);
}

void BM_OpenCheckingAnExistingFile(benchmark::State& state)
{
    const std::string dir = makeTempDir();
    const auto list = dict::builtInWordList();
    std::ofstream(fs::path(dir) / "English", std::ios::binary)
        .write(reinterpret_cast<const char*>(list.data()), static_cast<std::streamsize>(list.size()));
    for (auto _ : state) {
        dict::TDictn d(dir);
        benchmark::DoNotOptimize(d.fileBacked());
    }
    fs::remove_all(dir);
}

} // namespace

BENCHMARK(BM_LookupFile);
BENCHMARK(BM_LookupMemory);
BENCHMARK(BM_OpenCreatingTheFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCheckingAnExistingFile)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
