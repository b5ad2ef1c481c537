// The tally file: compress and decompress throughput over tally text, and the
// time the window takes to save a tally of 1,000 opponents (grid text,
// compression, a temporary file beside the tally, flushed and renamed).

#include "windows/GridText.h"
#include "windows/Lzrw1.h"
#include "windows/TallyRecord.h"
#include "windows/TallyWindow.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace
{

namespace lzrw1 = windows::lzrw1;

windows::TallyRecord tallyOf(int opponents)
{
    std::mt19937 random(1);
    windows::TallyRecord record;
    std::vector<std::string> names;
    for (int i = 0; i < opponents; ++i) {
        names.push_back("Player" + std::to_string(random() % 100000) + "_" + std::to_string(i));
        record.addOpponent(names.back());
    }
    for (int game = 0; game < 2000; ++game) {
        std::vector<std::string> inGame;
        for (int seat = 0; seat < 5; ++seat)
            inGame.push_back(names[random() % names.size()]);
        record.addgame(random() % 3 == 0 ? std::string(windows::kAddToMine) : inGame[0], inGame);
    }
    return record;
}

// About 1 MiB of tally text: a large tally repeated, as the codec would see it.
const lzrw1::Bytes& tallyText()
{
    static const lzrw1::Bytes text = [] {
        const std::string one = windows::writeGridText(tallyOf(1000).toGrid());
        lzrw1::Bytes out;
        while (out.size() < (1u << 20))
            out.insert(out.end(), one.begin(), one.end());
        return out;
    }();
    return text;
}

void BM_Compress(benchmark::State& state)
{
    const lzrw1::Bytes& text = tallyText();
    for (auto _ : state)
        benchmark::DoNotOptimize(lzrw1::compress(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["ratio"] = static_cast<double>(lzrw1::compress(text).size()) / static_cast<double>(text.size());
}
BENCHMARK(BM_Compress)->Unit(benchmark::kMillisecond);

void BM_Decompress(benchmark::State& state)
{
    const lzrw1::Bytes file = lzrw1::compress(tallyText());
    for (auto _ : state)
        benchmark::DoNotOptimize(lzrw1::decompress(file));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * tallyText().size()));
}
BENCHMARK(BM_Decompress)->Unit(benchmark::kMillisecond);

void BM_SaveTallyOf1000Opponents(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(TallyWindow::kFileName);
    {
        const std::string text = windows::writeGridText(tallyOf(1000).toGrid());
        const lzrw1::Bytes bytes
            = lzrw1::compress(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            state.SkipWithError("cannot write the tally");
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    TallyWindow window { QPixmap() };
    window.setTallyPath(path);
    if (window.record().rowCount() != 1001)
        state.SkipWithError("tally not loaded");
    for (auto _ : state) {
        if (!window.saveTally())
            state.SkipWithError("save failed");
    }
    window.setTallyPath(QString());
}
BENCHMARK(BM_SaveTallyOf1000Opponents)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
