// Undo history on a million rows: recalculation journalled, taken back and
// done again, and the memory ten such steps take.
#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "document/subtitle_file.h"
#include "document/undo_history.h"
#include "sync/retiming.h"

namespace {

void BM_RecalculateUndoRedo(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  velorin::SubtitleList doc;
  doc.Assign(velorin::ParseSubtitleText(velorin::bench::MakeUtf8Document(n)).lines);
  velorin::UndoHistory history;
  doc.SetJournal(&history.Pending());
  for (auto _ : state) {
    velorin::RecalculateFrames(doc, "2,5", "1,25", false);
    history.Commit("Přepočítat vše");
    history.Undo(doc);
    history.Redo(doc);
  }
  state.counters["history_MB"] = static_cast<double>(history.Bytes()) / (1 << 20);
  state.counters["steps"] = static_cast<double>(history.Steps());
}
BENCHMARK(BM_RecalculateUndoRedo)->Arg(1000000)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_Undo(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  velorin::SubtitleList doc;
  doc.Assign(velorin::ParseSubtitleText(velorin::bench::MakeUtf8Document(n)).lines);
  velorin::UndoHistory history;
  doc.SetJournal(&history.Pending());
  velorin::RecalculateFrames(doc, "2,5", "1,25", false);
  history.Commit("Přepočítat vše");
  for (auto _ : state) {
    history.Undo(doc);
    state.PauseTiming();
    history.Redo(doc);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Undo)->Arg(1000000)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
