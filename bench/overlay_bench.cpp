// One overlay tick while a film plays, on a short and on a 1,000,000-row list:
// the tick reads the player's position and at most one row, so both cost the same.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "film/overlay.h"

namespace {

velorin::SubtitleList MakeList(int rows) {
  std::vector<std::string> lines;
  lines.reserve(rows);
  for (int i = 0; i < rows; ++i)
    lines.push_back("{" + std::to_string(i * 50 + 10) + "}{" + std::to_string(i * 50 + 40) +
                    "}Titulek číslo " + std::to_string(i) + "|druhý řádek");
  velorin::SubtitleList doc;
  doc.Assign(std::move(lines));
  return doc;
}

// Plays through the list: 25 ticks per subtitle, wrapping at the end.
void BM_OverlayTick(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  velorin::SubtitleList doc = MakeList(rows);
  velorin::OverlayState overlay;
  velorin::LoadOverlaySubtitle(overlay, doc, 0);
  int64_t position = 0;
  for (auto _ : state) {
    position += 2;
    if (overlay.cursor >= rows) {
      overlay = {};
      velorin::LoadOverlaySubtitle(overlay, doc, 0);
      position = 0;
    }
    benchmark::DoNotOptimize(
        velorin::UpdateOverlay(overlay, doc, velorin::PlayerMode::Playing, position));
  }
}
BENCHMARK(BM_OverlayTick)->Arg(10)->Arg(1000000);

}  // namespace

BENCHMARK_MAIN();
