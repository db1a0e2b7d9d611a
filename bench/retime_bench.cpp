// Linear retiming of whole documents and of single lines.
#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "document/subtitle_file.h"
#include "sync/retiming.h"

namespace {

void BM_RecalculateFramesAll(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto lines = velorin::ParseSubtitleText(velorin::bench::MakeDocument(n)).lines;
  for (auto _ : state) {
    state.PauseTiming();
    velorin::SubtitleList doc;
    doc.Assign(lines);
    state.ResumeTiming();
    auto status = velorin::RecalculateFrames(doc, "2,5", "1,25", false);
    benchmark::DoNotOptimize(status);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RecalculateFramesAll)
    ->Arg(2000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

void BM_RecalculateFramesSelected(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto lines = velorin::ParseSubtitleText(velorin::bench::MakeDocument(n)).lines;
  for (auto _ : state) {
    state.PauseTiming();
    velorin::SubtitleList doc;
    doc.Assign(lines);
    for (int i = 0; i < n; i += 2) doc.SetSelected(i, true);
    state.ResumeTiming();
    auto status = velorin::RecalculateFrames(doc, "-100", "1,0427", true);
    benchmark::DoNotOptimize(status);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RecalculateFramesSelected)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_RetimeLine(benchmark::State& state) {
  std::string line = "{123456}{123500}{Y:i}To je kr\xe1sn\xe9|a co ty?";
  for (auto _ : state) benchmark::DoNotOptimize(velorin::RetimeLine(line, 2, 1.25));
}
BENCHMARK(BM_RetimeLine);

void BM_FormatAndParseDecimal(benchmark::State& state) {
  for (auto _ : state) {
    auto v = velorin::ComputeRetiming(2, 1002, 5, 1255);
    benchmark::DoNotOptimize(velorin::ParseDecimal(velorin::FormatDecimal(v.scale)));
  }
}
BENCHMARK(BM_FormatAndParseDecimal);

}  // namespace

BENCHMARK_MAIN();
