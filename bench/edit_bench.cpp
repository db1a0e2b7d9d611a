// Sort, repair, tag removal and find over a 1,000,000-subtitle document.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "edit/list_commands.h"
#include "layout/tags.h"

namespace velorin {
namespace {

constexpr int kRows = 1'000'000;

// A realistic document in shuffled order: frames a few seconds apart, two
// display lines, some rows with tags.
std::vector<std::string> MakeLines(bool shuffled) {
  std::vector<std::string> lines;
  lines.reserve(kRows);
  std::mt19937 rng(7);
  for (int i = 0; i < kRows; ++i) {
    int first = 100 + i * 60;
    std::string text = (i % 3 == 0) ? "{Y:b}{c:$0000FF}" : "";
    text += "Titulek " + std::to_string(i) + " s textem|{y:i}a druhy radek";
    lines.push_back("{" + std::to_string(first) + "}{" + std::to_string(first + 50) + "}" + text);
  }
  if (shuffled) std::shuffle(lines.begin(), lines.end(), rng);
  return lines;
}

SubtitleList MakeList(bool shuffled, bool selectAll) {
  SubtitleList list;
  list.Assign(MakeLines(shuffled));
  if (selectAll) list.SelectAll();
  list.SetCursorRow(0);
  return list;
}

void BM_Sort(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    SubtitleList list = MakeList(true, false);
    state.ResumeTiming();
    SortChronologically(list);
    benchmark::DoNotOptimize(list.Lines().data());
  }
}
BENCHMARK(BM_Sort)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Repair(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    SubtitleList list = MakeList(false, true);
    state.ResumeTiming();
    RepairSelected(list);
    benchmark::DoNotOptimize(list.Lines().data());
  }
}
BENCHMARK(BM_Repair)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RemoveTagKind(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    SubtitleList list = MakeList(false, true);
    state.ResumeTiming();
    RemoveTagKind(list, 'Y');
    benchmark::DoNotOptimize(list.Lines().data());
  }
}
BENCHMARK(BM_RemoveTagKind)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RemoveAllFormatting(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    SubtitleList list = MakeList(false, true);
    state.ResumeTiming();
    RemoveAllFormatting(list);
    benchmark::DoNotOptimize(list.Lines().data());
  }
}
BENCHMARK(BM_RemoveAllFormatting)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ApplyWholeTag(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    SubtitleList list = MakeList(false, true);
    state.ResumeTiming();
    ApplyWholeTag(list, 'C', ColorTag(kTagColors[9].color));
    benchmark::DoNotOptimize(list.Lines().data());
  }
}
BENCHMARK(BM_ApplyWholeTag)->Unit(benchmark::kMillisecond)->Iterations(3);

// A search through the whole list that finds nothing.
void BM_FindMiss(benchmark::State& state) {
  SubtitleList list = MakeList(false, false);
  for (auto _ : state) benchmark::DoNotOptimize(FindRow(list, "nenalezeno", true, false));
}
BENCHMARK(BM_FindMiss)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_GoToLast(benchmark::State& state) {
  SubtitleList list = MakeList(false, false);
  for (auto _ : state) benchmark::DoNotOptimize(RowForFrame(list, 1'000'000'000));
}
BENCHMARK(BM_GoToLast)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace velorin

BENCHMARK_MAIN();
