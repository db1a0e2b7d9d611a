// The alignment alone, on a speech track kept by autosync_speed (its TRACK
// argument: one 0 or 1 per 10 ms) or by VELORIN_DUMP, so that it can be
// measured again and again without listening to the film.
//
//   autosync_align TRACK SUBTITLES [FPS [RUNS [--points] [--threads N]]]
//
// Prints the time of every run, the fastest, and the result to the last
// digit (offset, scale, confidence, fields, stretches and points), so that
// two builds' results can be compared byte for byte.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "sync/auto_sync.h"

using namespace velorin;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: autosync_align TRACK SUBTITLES [FPS [RUNS [--points] [--threads N]]]\n");
    return 2;
  }
  std::vector<bool> speech;
  {
    std::ifstream in(argv[1]);
    char c;
    while (in.get(c))
      if (c == '0' || c == '1') speech.push_back(c == '1');
  }
  std::vector<std::string> lines;
  {
    std::ifstream in(argv[2]);
    for (std::string l; std::getline(in, l);) {
      if (!l.empty() && l.back() == '\r') l.pop_back();
      lines.push_back(l);
    }
  }
  const double fps = argc > 3 ? std::atof(argv[3]) : 25;
  const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 1;
  bool points = false;
  unsigned threads = 1;
  for (int i = 5; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--points") points = true;
    if (a == "--threads" && i + 1 < argc) threads = static_cast<unsigned>(std::atoi(argv[++i]));
  }
  AutoSyncResult r;
  double fastest = 1e300;
  for (int k = 0; k < runs; ++k) {
    const auto t = std::chrono::steady_clock::now();
    r = AlignToSpeech(speech, lines, fps, points, threads);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
    fastest = std::min(fastest, s);
    std::printf("run %d: %.3f s\n", k + 1, s);
  }
  std::printf("fastest %.3f s (%zu steps, %zu lines, %u thread(s))\n", fastest, speech.size(),
              lines.size(), threads);
  std::printf("status %d cut %d offset %.17g scale %.17g confidence %.17g\n",
              static_cast<int>(r.status), r.cut ? 1 : 0, r.offset, r.scale, r.confidence);
  std::printf("fields %d %d %d %d '%s' '%s'\n", r.firstOld, r.lastOld, r.firstNew, r.lastNew,
              r.offsetText.c_str(), r.scaleText.c_str());
  for (const AutoSyncSegment& s : r.segments)
    std::printf("stretch %d-%d offset %.17g scale %.17g confidence %.17g\n", s.firstRow, s.lastRow,
                s.offset, s.scale, s.confidence);
  for (const SyncPoint& p : r.points)
    std::printf("point %d %d %d\n", p.newFrame, p.oldFrame, p.position);
  return 0;
}
