// The timeline's peak envelope read from films made here: tone bursts at
// known times, read in one go and in parallel stretches.
#include "film/sound_peaks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "film/sound_summary.h"
#include "test_support.h"

namespace velorin {
namespace {

// Half a second of tone every ten seconds from 5 s on, silence between.
std::string MakeBursts(const std::string& dir, const std::string& name, const std::string& codec,
                       int seconds) {
  const std::string path = dir + "/" + name;
  const std::string cmd =
      "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=32x24:rate=25:d=" +
      std::to_string(seconds) +
      " -f lavfi -i \"aevalsrc='if(between(mod(t,10),5,5.5),0.5*sin(2*PI*440*t),0)':d=" +
      std::to_string(seconds) + ":s=16000\" -c:v mpeg4 -c:a " + codec + " " + path;
  if (std::system(cmd.c_str()) != 0) return {};
  return path;
}

TEST(SoundPeaks, BurstsStandWhereTheyAreInOneGoAndInStretches) {
  test::TempDir dir;
  struct Case {
    const char* name;
    const char* codec;
  } cases[] = {{"pcm.mkv", "pcm_s16le"}, {"aac.mp4", "aac"}, {"mp3.avi", "libmp3lame"}};
  for (const Case& c : cases) {
    const std::string film = MakeBursts(dir.Path(), c.name, c.codec, 150);
    if (film.empty()) GTEST_SKIP() << "ffmpeg cannot make " << c.name;
    const SoundSummary whole(ReadSoundPeaks(film, {}, 1));
    const SoundSummary parts(ReadSoundPeaks(film, {}, 3));
    for (const SoundSummary* s : {&whole, &parts}) {
      EXPECT_NEAR(s->Seconds(), 150, 0.1) << c.name;
      for (double burst = 5; burst < 150; burst += 10) {
        EXPECT_GT(s->Peak(burst + 0.05, burst + 0.45), 100) << c.name << " " << burst;
        EXPECT_LT(s->Peak(burst + 0.6, burst + 4.9), 8) << c.name << " " << burst;
      }
    }
    // The stretches meet without a gap: every millisecond agrees closely.
    int differ = 0;
    const size_t n = std::min(whole.Blocks(), parts.Blocks());
    for (size_t b = 0; b < n; ++b)
      differ += std::abs(whole.FinestPeaks()[b] - parts.FinestPeaks()[b]) > 8;
    EXPECT_LT(differ, 20) << c.name;
  }
}

TEST(SoundPeaks, NoSoundAndNoFileAreTold) {
  test::TempDir dir;
  const std::string mute = dir.File("mute.mkv");
  const std::string cmd =
      "ffmpeg -hide_banner -loglevel error -y -f lavfi -i "
      "testsrc=size=32x24:rate=25:d=2 -c:v mpeg4 " +
      mute;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  for (const auto& [path, failure] : {std::pair{mute, SpeechFailure::NoAudio},
                                      {dir.File("none.mkv"), SpeechFailure::Unreadable}}) {
    try {
      ReadSoundPeaks(path, {});
      ADD_FAILURE() << path;
    } catch (const SpeechDetectionError& e) {
      EXPECT_EQ(e.Failure(), failure) << path;
    }
  }
}

}  // namespace
}  // namespace velorin
