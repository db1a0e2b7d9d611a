#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velorin::test {

// What a generated test film sounds like.
enum class FilmSound {
  Speech,   // Czech sentences spoken by espeak-ng at known times
  Silence,  // digital silence
  Music,    // generated chords and beats, nobody speaks
  None,     // no audio stream at all
};

// A test film to make: a testsrc picture and a made-up sound track.
struct FilmPlan {
  double seconds = 40;
  // The picture's rate as ffmpeg takes it ("25", "24000/1001") and its value.
  std::string rateText = "25";
  double rate = 25;
  FilmSound sound = FilmSound::Speech;
  uint32_t seed = 1;              // picks the sentences, voices and pauses
  double noise = 0;               // background noise level, 0 none, 1 as loud as the speech
  double music = 0;               // background music level under the speech, 0 none
  bool surround = false;          // 5.1 sound, the speech in the centre channel, music around it
  std::string container = "mp4";  // mp4, mkv or avi
  std::string audioCodec;         // ffmpeg's encoder; empty: AAC, for avi MP3
  double firstSpeech = 3;         // seconds of the film before the first sentence
  std::string size = "64x48";     // of the picture
};

// A made film and its subtitles.
struct MadeFilm {
  std::string path;
  // Subtitle lines at the frames where each sentence starts to be spoken in
  // the film ({first}{second}text), the second frame a little after the
  // speech ends.
  std::vector<std::string> lines;
};

// Makes the film in dir with espeak-ng and ffmpeg (both must be installed);
// the same plan always gives the same film. Throws std::runtime_error with
// the failing command when a tool fails.
MadeFilm MakeSpeechFilm(const std::string& dir, const std::string& name, const FilmPlan& plan);

// True when espeak-ng and ffmpeg can be run.
bool FilmToolsAvailable();

}  // namespace velorin::test
