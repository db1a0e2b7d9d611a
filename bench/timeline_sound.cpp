// What the timeline's sound costs on a film: reading its peak envelope, the
// summary's memory, the cache file written and read back, and (with
// --speech) finding its speech, which runs beside the peaks in the window.
//
//   timeline_sound FILM [--speech]
// A program to read, not a test: nothing here judges the times.
#include <chrono>
#include <cstdio>
#include <string>

#include "film/sound_peaks.h"
#include "film/sound_summary.h"
#include "film/speech_detector.h"

using namespace velorin;

namespace {

double Since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: timeline_sound FILM [--speech]\n");
    return 2;
  }
  const std::string film = argv[1];
  auto t = std::chrono::steady_clock::now();
  std::vector<uint8_t> peaks = ReadSoundPeaks(film, {});
  const double reading = Since(t);
  t = std::chrono::steady_clock::now();
  SoundSummary summary(std::move(peaks));
  const double building = Since(t);
  std::printf(
      "sound: %.1f min\npeaks read: %.2f s\nsummary built: %.1f ms\nsummary held: %.1f MB\n",
      summary.Seconds() / 60, reading, building * 1000, static_cast<double>(summary.MemoryBytes()) / 1e6);
  if (argc > 2 && std::string(argv[2]) == "--speech") {
    t = std::chrono::steady_clock::now();
    SpeechTrack track = MakeFfmpegSpeechDetector()->Detect(film, {});
    std::printf("speech found: %.2f s\n", Since(t));
    summary.SetSpeech(track.speech, kSpeechStepSeconds);
  }
  t = std::chrono::steady_clock::now();
  const std::string cache = SerializeSoundSummary(summary, film);
  const double writing = Since(t);
  t = std::chrono::steady_clock::now();
  const std::optional<SoundSummary> back = ParseSoundSummary(cache, film);
  std::printf("cache file: %.1f MB, made in %.1f ms, read back in %.1f ms (%s)\n",
              static_cast<double>(cache.size()) / 1e6, writing * 1000, Since(t) * 1000, back ? "same" : "FAILED");
  return back ? 0 : 1;
}
