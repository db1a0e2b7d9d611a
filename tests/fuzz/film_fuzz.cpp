// A film's sound from any bytes: listened to in parts (as a long film is,
// where its header claims one), it is refused with a SpeechDetectionError or
// gives a track no longer than the longest film listened to, with progress
// from 0 to 1. The same bytes as the slice energies of two overlapping parts
// give a shift within the search or none.
#include <unistd.h>

#include <cmath>
#include <fstream>

#include "film/part_overlap.h"
#include "film/speech_detector.h"
#include "fuzz_support.h"

using namespace velorin;

namespace {

void Listen(const uint8_t* data, size_t size) {
  static const char* const kKinds[] = {".mkv", ".mp4", ".wav", ".m4a", ".ogg", ".avi"};
  const std::string path = "/tmp/velorin_film_fuzz_" + std::to_string(::getpid()) +
                           kKinds[size > 0 ? data[0] % 6 : 0];
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (size > 1) out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  double last = 0;
  try {
    const SpeechTrack track = MakeFfmpegSpeechDetector(nullptr, 2)->Detect(path, [&](double done) {
      FUZZ_CHECK(done >= 0 && done <= 1);
      last = done;
      return true;
    });
    FUZZ_CHECK(track.speech.size() <= 12 * 3600 * 100 + 1);
    FUZZ_CHECK(std::isfinite(track.frameRate) && track.frameRate >= 0);
    FUZZ_CHECK(last == 1);
  } catch (const SpeechDetectionError& e) {
    fuzz::CheckMessage(e);
  }
  ::unlink(path.c_str());
}

void Overlap(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const size_t most = input.ConsumeIntegralInRange<size_t>(0, 60);
  const size_t count = input.ConsumeIntegralInRange<size_t>(0, 400);
  std::vector<float> a, b;
  const size_t half = input.remaining_bytes() / 4;
  for (size_t i = 0; i < half; ++i) a.push_back(static_cast<float>(input.ConsumeIntegral<uint16_t>()) * 1e4F);
  while (input.remaining_bytes() >= 2) b.push_back(static_cast<float>(input.ConsumeIntegral<uint16_t>()) * 1e4F);
  const size_t aFrom = a.empty() ? 0 : data[0] % a.size();
  const size_t bFrom = b.empty() ? 0 : data[size - 1] % b.size();
  if (const std::optional<std::ptrdiff_t> shift = OverlapShift({a, aFrom, b, bFrom, count}, most))
    FUZZ_CHECK(std::abs(*shift) <= static_cast<std::ptrdiff_t>(most));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0 && data[0] >= 0xF0)
    Overlap(data + 1, size - 1);
  else
    Listen(data, size);
  return 0;
}
