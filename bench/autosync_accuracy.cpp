// The automatic synchronization's accuracy on a dozen films made here
// (espeak-ng speaks Czech sentences at known times, ffmpeg muxes them with a
// test picture). Each film's subtitles are moved by a known offset and scale;
// the table shows what was found and how far the retimed subtitles land from
// where their sentences start, in frames, after the recalculation exactly as
// the window applies E5 and E6. Every candidate scale is then tried on every
// film too.
//
//   autosync_accuracy [folder]     (the films are made there, default a temp folder)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "document/subtitle_line.h"
#include "kept_speech_track.h"
#include "film/speech_detector.h"
#include "speech_film/speech_film.h"
#include "sync/auto_sync.h"
#include "sync/retiming.h"

using namespace velorin;
using Lines = std::vector<std::string>;

namespace {

constexpr double kNtsc = 24000.0 / 1001;

struct Case {
  const char* name;
  test::FilmPlan plan;
  double offsetSeconds;  // of the true mapping
  double scale;
};

test::FilmPlan Plan(uint32_t seed, bool ntsc, const char* container, const char* codec,
                    double noise = 0, double music = 0, bool surround = false) {
  test::FilmPlan p;
  p.seconds = 300;
  p.seed = seed;
  p.firstSpeech = 20;  // so that a document 15 s early still starts after frame 0
  if (ntsc) {
    p.rateText = "24000/1001";
    p.rate = kNtsc;
  }
  p.container = container;
  p.audioCodec = codec;
  p.noise = noise;
  p.music = music;
  p.surround = surround;
  return p;
}

Lines Mistimed(const Lines& truth, double offset, double scale) {
  Lines out;
  for (const std::string& l : truth) {
    const SubtitleFields f = ParseSubtitleLine(l);
    auto back = [&](int32_t x) { return static_cast<int32_t>(std::lround((x - offset) / scale)); };
    out.push_back(ComposeSubtitleLine(back(f.first), back(f.second), f.text));
  }
  return out;
}

struct Miss {
  int frames = 0;      // worst retimed first frame against the truth
  double mapping = 0;  // worst distance of the mapping from the true one, in frames
};

Miss Measure(const Lines& wrong, const Lines& truth, const AutoSyncResult& r, double offset,
             double scale) {
  Miss e;
  const long double applied = RoundHalfEven(*ParseDecimal(r.offsetText));
  const double appliedScale = *ParseDecimal(r.scaleText);
  for (size_t i = 0; i < wrong.size(); ++i) {
    const int32_t w = ParseFirstFrame(wrong[i]);
    const auto got = static_cast<int32_t>(RetimeFrame(w, applied, appliedScale));
    e.frames = std::max(e.frames, std::abs(got - ParseFirstFrame(truth[i])));
    e.mapping = std::max(e.mapping, std::fabs((w * scale + offset) - (w * r.scale + r.offset)));
  }
  return e;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir =
      argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "velorin-autosync").string();
  const Case cases[] = {
      {"25 fps, AAC", Plan(101, false, "mp4", ""), -12.5, 1},
      {"25 fps, AAC", Plan(102, false, "mp4", ""), 7.3, 25 / kNtsc},
      {"25 fps, AAC, noise", Plan(103, false, "mp4", "", 0.25), -3, kNtsc / 25},
      {"23,976 fps, Opus", Plan(104, true, "mkv", "libopus"), -20.2, 24 / kNtsc},
      {"23,976 fps, Opus", Plan(105, true, "mkv", "libopus"), 4.4, kNtsc / 24},
      {"25 fps, AAC", Plan(106, false, "mp4", ""), -1.1, 25.0 / 24},
      {"25 fps, AAC, noise", Plan(107, false, "mp4", "", 0.3), 9.9, 24.0 / 25},
      {"23,976 fps, AAC", Plan(108, true, "mp4", ""), -6, 30.0 / 25},
      {"23,976 fps, AAC", Plan(109, true, "mp4", ""), 15, 25.0 / 30},
      {"25 fps, 5.1 AAC, music", Plan(110, false, "mp4", "", 0, 0.5, true), -8.8, 25 / kNtsc},
      {"25 fps, AAC, quiet music", Plan(111, false, "mp4", "", 0, 0.1), 2.2, 1},
      {"23,976 fps, Opus, noise", Plan(112, true, "mkv", "libopus", 0.2), -4.7,
       30000.0 / 1001 / 25},
  };

  std::printf(
      "| film | true offset (frames) | true scale | found offset | found scale | error "
      "(frames) | mapping error (frames) | confidence | all scales: worst error (frames) |\n"
      "|---|---|---|---|---|---|---|---|---|\n");
  int worstOwn = 0, worstAll = 0;
  double listenSeconds = 0, alignSeconds = 0;
  size_t alignments = 0;
  for (const Case& c : cases) {
    const test::MadeFilm film =
        test::MakeSpeechFilm(dir, "film" + std::to_string(c.plan.seed), c.plan);
    auto t0 = std::chrono::steady_clock::now();
    const SpeechTrack track = bench::ListenOrReuse(film.path);
    listenSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double fps = c.plan.rate;
    const double offset = c.offsetSeconds * fps;

    auto run = [&](double scale, AutoSyncResult& r) {
      const Lines wrong = Mistimed(film.lines, offset, scale);
      const auto start = std::chrono::steady_clock::now();
      r = AlignToSpeech(track.speech, wrong, fps, false, bench::AlignThreads());
      alignSeconds +=
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      ++alignments;
      if (r.status != AutoSyncStatus::Found) return Miss{1 << 20, 1e9};
      return Measure(wrong, film.lines, r, offset, scale);
    };
    AutoSyncResult r;
    const Miss own = run(c.scale, r);
    int all = 0;
    for (double s : CandidateScales()) {
      AutoSyncResult other;
      all = std::max(all, run(s, other).frames);
    }
    worstOwn = std::max(worstOwn, own.frames);
    worstAll = std::max(worstAll, all);
    std::printf("| %s, %zu subtitles | %.2f | %.6f | %.2f | %.6f | %d | %.2f | %.0f %% | %d |\n",
                c.name, film.lines.size(), offset, c.scale, r.offset, r.scale, own.frames,
                own.mapping, r.confidence * 100, all);
    std::fflush(stdout);
  }
  std::printf(
      "\nworst error: %d frames (each film's own scale), %d frames (every scale on every film)\n"
      "listening: %.1f s for %zu films of 5 minutes; alignment: %.0f ms on average\n",
      worstOwn, worstAll, listenSeconds, std::size(cases),
      alignSeconds / static_cast<double>(alignments) * 1000);
  return worstAll <= 1 ? 0 : 1;
}
