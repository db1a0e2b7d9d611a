// How long the automatic synchronization takes on a two-hour film made here,
// stage by stage: reading and decoding the sound, the voice activity
// detector, the alignment (and the piecewise one), the recalculation.
//
//   autosync_speed [folder] [minutes]   (default a temp folder and 120 minutes;
//                                        the film is made once and kept there,
//                                        with its sound as 48 kHz stereo in
//                                        long-48k.m4a and the mistimed
//                                        subtitles in long.sub, for timing
//                                        velorin-cli autosync on them)
//   autosync_speed --film FILM SUBTITLES [PARTS [TRACK]]
//                     (a film of your own and its mistimed subtitles, one
//                     MicroDVD line each; PARTS listened to at once, 1 for the
//                     whole film in one go, 0 as the program chooses; the
//                     speech track, one 0 or 1 per 10 ms, written to TRACK)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "document/subtitle_line.h"
#include "document/subtitle_list.h"
#include "film/speech_detector.h"
#include "speech_film/speech_film.h"
#include "sync/auto_sync.h"
#include "sync/retiming.h"

using namespace velorin;

namespace {

double Since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && argc <= 6 && std::string(argv[1]) == "--film") {
    std::vector<std::string> lines;
    std::ifstream in(argv[3]);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ListenTimes times;
    auto t = std::chrono::steady_clock::now();
    const size_t parts = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 0;
    const SpeechTrack track = MakeFfmpegSpeechDetector(&times, parts)->Detect(argv[2], {});
    const double listening = Since(t);
    // A fingerprint of the track, to tell at a glance whether a change to
    // the listening changed what it hears.
    uint64_t hash = 1469598103934665603ULL;
    size_t speech = 0;
    for (const bool s : track.speech) {
      hash = (hash ^ (s ? 1U : 0U)) * 1099511628211ULL;
      speech += s ? 1 : 0;
    }
    if (argc > 5) {
      std::ofstream out(argv[5]);
      for (const bool s : track.speech) out << (s ? '1' : '0');
    }
    const unsigned threads = AlignThreadsForCommand();
    t = std::chrono::steady_clock::now();
    const AutoSyncResult r = AlignToSpeech(track.speech, lines, 25, false, threads);
    std::printf("%zu part(s): decoding %.2f s, detector %.2f s, listening %.2f s, alignment %.2f s "
                "on %u thread(s); track %zu steps, %zu speech, hash %016llx; %s\n",
                times.parts, times.decoding, times.detecting, listening, Since(t), threads,
                track.speech.size(), speech, static_cast<unsigned long long>(hash),
                r.status == AutoSyncStatus::Found ? "found" : AutoSyncMessage(r).c_str());
    return 0;
  }
  const std::string dir =
      argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "velorin-autosync").string();
  const double minutes = argc > 2 ? std::atof(argv[2]) : 120;
  test::FilmPlan plan;
  plan.seconds = minutes * 60;
  plan.seed = 7;
  plan.noise = 0.1;
  auto t = std::chrono::steady_clock::now();
  const test::MadeFilm film = test::MakeSpeechFilm(dir, "long", plan);
  std::printf("film: %.0f minutes, %zu subtitles, made in %.1f s (not part of the program)\n",
              minutes, film.lines.size(), Since(t));

  // The subtitles as made for a 23,976 fps copy, 40 s late.
  const double scale = 25 / (24000.0 / 1001);
  std::vector<std::string> wrong;
  for (const std::string& l : film.lines) {
    const SubtitleFields f = ParseSubtitleLine(l);
    auto back = [&](int32_t x) {
      return static_cast<int32_t>(std::lround((x + 40 * plan.rate) / scale));
    };
    wrong.push_back(ComposeSubtitleLine(back(f.first), back(f.second), f.text));
  }
  // The sound as films carry it, 48 kHz stereo AAC (the film made above has
  // 22 kHz mono, which decodes in a fraction of the time), and the
  // subtitles beside it: `velorin-cli autosync` is timed on the two.
  const std::string sound = dir + "/long-48k.m4a", subtitles = dir + "/long.sub";
  if (!std::filesystem::exists(sound) &&
      std::system(("ffmpeg -nostdin -y -loglevel error -i '" + film.path +
                   "' -vn -ac 2 -ar 48000 -c:a aac -b:a 160k '" + sound + "'")
                      .c_str()) != 0) {
    std::fprintf(stderr, "ffmpeg could not make %s\n", sound.c_str());
    return 2;
  }
  {
    std::ofstream out(subtitles, std::ios::binary);
    for (const std::string& l : wrong) out << l << "\r\n";
  }
  std::printf("sound: %s; subtitles: %s\n", sound.c_str(), subtitles.c_str());

  ListenTimes times;
  t = std::chrono::steady_clock::now();
  const SpeechTrack track = MakeFfmpegSpeechDetector(&times)->Detect(sound, {});
  const double listening = Since(t);
  t = std::chrono::steady_clock::now();
  const unsigned threads = AlignThreadsForCommand();
  const AutoSyncResult r = AlignToSpeech(track.speech, wrong, plan.rate, false, threads);
  const double aligning = Since(t);
  t = std::chrono::steady_clock::now();
  const AutoSyncResult pieces =
      AlignToSpeech(track.speech, wrong, plan.rate, true, threads);
  const double piecewise = Since(t) - aligning;
  SubtitleList doc;
  doc.Assign(wrong);
  t = std::chrono::steady_clock::now();
  const RecalcStatus status = RecalculateFrames(doc, r.offsetText, r.scaleText, false);
  const double recalculating = Since(t);

  std::printf(
      "| stage | seconds |\n|---|---|\n"
      "| reading, decoding, resampling to 8 kHz | %.2f |\n"
      "| voice activity detector (%zu steps of 10 ms) | %.2f |\n"
      "| alignment (%zu scales correlated, refined) | %.2f |\n"
      "| piecewise alignment, on top of that | %.2f |\n"
      "| recalculation of %zu subtitles | %.3f |\n"
      "| total for the command (without the piecewise mode) | %.2f |\n",
      times.decoding, track.speech.size(), times.detecting, CandidateScales().size(), aligning,
      piecewise, wrong.size(), recalculating, listening + aligning + recalculating);
  std::printf("found offset %s, scale %s, confidence %.0f %%, %zu stretch(es); %s\n",
              r.offsetText.c_str(), r.scaleText.c_str(), r.confidence * 100, pieces.segments.size(),
              status == RecalcStatus::Done ? "retimed" : "not retimed");
  return r.status == AutoSyncStatus::Found ? 0 : 1;
}
