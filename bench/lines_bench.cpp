// Second-frame completion, splitting into two lines and the width count over a
// 1,000,000-subtitle Windows-1250 document.
#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "document/subtitle_file.h"
#include "edit/completion.h"
#include "layout/line_breaking.h"
#include "layout/width_fitting.h"

namespace velorin {
namespace {

constexpr int kRows = 1'000'000;

SubtitleList MakeList() {
  SubtitleList list;
  ReadOutcome read = ParseSubtitleText(bench::MakeDocument(kRows));
  list.Assign(std::move(read.lines));
  list.SetUtf8(read.utf8);
  list.SelectAll();
  return list;
}

// Every character as wide as the point size.
class FixedWidthMeasurer : public TextMeasurer {
 public:
  int Width(std::string_view utf8, const SubtitleFont& font) override {
    int chars = 0;
    for (char c : utf8)
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
    return chars * font.size;
  }
};

void BM_CompleteSecondFrames(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    SubtitleList list = MakeList();
    state.ResumeTiming();
    CompleteSecondFrames(list, CompletionTable(7, 2, true), false);
    benchmark::DoNotOptimize(list.Lines().data());
  }
}
BENCHMARK(BM_CompleteSecondFrames)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SplitIntoTwoLines(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    SubtitleList list = MakeList();
    state.ResumeTiming();
    ChangeLineCount(list, 1, false);
    benchmark::DoNotOptimize(list.Lines().data());
  }
}
BENCHMARK(BM_SplitIntoTwoLines)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CountTooWide(benchmark::State& state) {
  SubtitleList list = MakeList();
  FixedWidthMeasurer measurer;
  for (auto _ : state)
    benchmark::DoNotOptimize(CountTooWide(list, measurer, {SubtitleFont{"Arial", 1, 22}, 200}));
}
BENCHMARK(BM_CountTooWide)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LargestFittingSize(benchmark::State& state) {
  SubtitleList list = MakeList();
  FixedWidthMeasurer measurer;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        LargestFittingSize(list, measurer, {SubtitleFont{"Arial", 1, 22}, 640}));
}
BENCHMARK(BM_LargestFittingSize)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace velorin
BENCHMARK_MAIN();
