// Loading and saving whole documents, and composing/parsing single lines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>

#include "bench_data.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"

namespace {

std::string TempFile(const char* tag, int n) {
  return "/tmp/velorin-bench-" + std::string(tag) + "-" + std::to_string(n) + ".sub";
}

void BM_ReadSubtitleLines(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::string path = TempFile("read", n);
  std::ofstream(path, std::ios::binary) << velorin::bench::MakeDocument(n);
  for (auto _ : state) {
    auto r = velorin::ReadSubtitleLines(path);
    benchmark::DoNotOptimize(r.lines.data());
  }
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ReadSubtitleLines)
    ->Arg(2000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

void BM_WriteSubtitleFile(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto lines = velorin::ParseSubtitleText(velorin::bench::MakeDocument(n)).lines;
  std::string path = TempFile("write", n);
  for (auto _ : state) velorin::WriteSubtitleFile(path, lines);
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_WriteSubtitleFile)
    ->Arg(2000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

void BM_ParseSubtitleLine(benchmark::State& state) {
  std::string line = "{123456}{123500}{Y:i}To je kr\xe1sn\xe9|a co ty?";
  for (auto _ : state) benchmark::DoNotOptimize(velorin::ParseSubtitleLine(line));
}
BENCHMARK(BM_ParseSubtitleLine);

}  // namespace

BENCHMARK_MAIN();
