#include "speech_film/speech_film.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <stdexcept>

namespace velorin::test {

namespace {

constexpr int kRate = 22050;  // espeak-ng's own rate

const char* const kSentences[] = {
    "Dobrý den.",
    "Kde jsi byl celou noc?",
    "To ti nemůžu říct, ještě ne.",
    "Pojď sem, rychle!",
    "Myslím, že nás někdo sleduje.",
    "Vlak odjíždí v sedm hodin ráno z hlavního nádraží.",
    "Ano.",
    "Nevěřím ani jednomu tvému slovu.",
    "Přinesl jsem ti kávu a noviny.",
    "Kolik je hodin?",
    "Řekni mi pravdu, Petře, už toho mám dost.",
    "Ticho!",
    "Zítra bude pršet, tak si vezmi deštník.",
    "Tohle jsem nechtěl, opravdu ne.",
    "Počkej na mě u mostu.",
    "Proč mi nikdo nic neřekl?",
    "Všechno bude v pořádku, uvidíš.",
    "Ne, díky.",
    "Ten dopis přišel až včera večer, bez razítka a bez podpisu.",
    "Zavolej doktora.",
    "Musíme odejít, dokud je ještě světlo.",
    "Co tady děláš?",
    "Naše babička pekla nejlepší koláče v celé vesnici.",
    "Já vím.",
    "Klíče jsou na stole vedle lampy.",
    "Nikdy jsem tam nebyl a nikdy tam nepojedu.",
    "Dobrou noc.",
    "Policie už je na cestě, zůstaňte v klidu.",
    "Slyšíš to?",
    "Ráno jsme vyrazili k horám a večer jsme byli zpátky.",
};
constexpr size_t kSentenceCount = sizeof kSentences / sizeof kSentences[0];

// A small generator of its own, so that every library gives the same films.
struct Random {
  uint64_t state;
  explicit Random(uint32_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 33);
  }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * (Next() / 2147483648.0); }
  size_t Below(size_t n) { return Next() % n; }
};

void Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string line;
    for (const std::string& a : argv) line += a + " ";
    throw std::runtime_error("failed: " + line);
  }
}

// Samples of a 16-bit mono WAV file as floats.
std::vector<float> ReadWav(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    uint32_t size = 0;
    std::memcpy(&size, bytes.data() + at + 4, 4);
    if (bytes.compare(at, 4, "data") == 0) {
      const size_t n = std::min<size_t>(size, bytes.size() - at - 8) / 2;
      std::vector<float> out(n);
      for (size_t i = 0; i < n; ++i) {
        int16_t v = 0;
        std::memcpy(&v, bytes.data() + at + 8 + 2 * i, 2);
        out[i] = static_cast<float>(v) / 32768.0f;
      }
      return out;
    }
    at += 8 + size + (size & 1);
  }
  throw std::runtime_error(path + ": no data in the WAV file");
}

// One spoken sentence with where its sound starts and ends.
struct Clip {
  std::vector<float> samples;
  size_t onset = 0, end = 0;
};

Clip SpeakClip(const std::string& dir, size_t sentence, int voice) {
  const std::string wav =
      dir + "/say_" + std::to_string(sentence) + "_" + std::to_string(voice) + ".wav";
  if (!std::filesystem::exists(wav)) {
    static const char* const speeds[] = {"150", "175", "135", "165"};
    static const char* const pitches[] = {"50", "30", "70", "40"};
    Run({"espeak-ng", "-v", voice % 2 ? "cs+m3" : "cs", "-s", speeds[voice], "-p", pitches[voice],
         "-w", wav, kSentences[sentence]});
  }
  Clip c;
  c.samples = ReadWav(wav);
  const float threshold = 0.01f;
  size_t i = 0;
  while (i < c.samples.size() && std::fabs(c.samples[i]) < threshold) ++i;
  c.onset = i;
  size_t j = c.samples.size();
  while (j > i && std::fabs(c.samples[j - 1]) < threshold) --j;
  c.end = j;
  return c;
}

// Background music: a few chords of harmonics with struck notes and a beat.
float MusicSample(size_t n, uint32_t seed) {
  const double t = static_cast<double>(n) / kRate;
  static const double chords[4][3] = {
      {220.0, 277.2, 329.6}, {196.0, 246.9, 293.7}, {174.6, 220.0, 261.6}, {164.8, 207.7, 246.9}};
  const double bar = 2.0;  // seconds a chord
  const auto chord = static_cast<size_t>((t / bar) + seed) % 4;
  const double beat = std::fmod(t, 0.5);
  double v = 0;
  for (double f : chords[chord]) {
    const double env = std::exp(-3.0 * std::fmod(t, bar / 4));
    for (int h = 1; h <= 3; ++h) v += env / h * std::sin(2 * std::numbers::pi * f * h * t);
  }
  // A melody over the chords, a note each quarter of a second.
  static const double melody[] = {440, 494, 523, 587, 659, 587, 523, 494};
  const double note = melody[static_cast<size_t>(t * 4 + seed) % 8];
  v += 0.8 * std::exp(-4.0 * std::fmod(t, 0.25)) * std::sin(2 * std::numbers::pi * note * t);
  // A kick drum.
  v += 1.5 * std::exp(-30.0 * beat) * std::sin(2 * std::numbers::pi * 60 * beat);
  return static_cast<float>(v * 0.12);
}

std::string Frames(double seconds, double rate) {
  return std::to_string(static_cast<long long>(std::llround(seconds * rate)));
}

}  // namespace

bool FilmToolsAvailable() {
  for (const char* tool : {"espeak-ng", "ffmpeg"}) {
    const std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
  }
  return true;
}

MadeFilm MakeSpeechFilm(const std::string& dir, const std::string& name, const FilmPlan& plan) {
  std::filesystem::create_directories(dir);
  MadeFilm film;
  film.path = dir + "/" + name + "." + plan.container;

  // The sentences and where they are spoken: a pause of 0.3 to 3 seconds
  // before each, now and then a longer one.
  struct Placed {
    size_t clip;
    double start;  // where the speech starts in the film
  };
  std::vector<Clip> clips;
  std::map<std::pair<size_t, int>, size_t> clipIndex;
  std::vector<Placed> placed;
  Random rnd(plan.seed);
  if (plan.sound == FilmSound::Speech) {
    double t = plan.firstSpeech;
    while (true) {
      const size_t sentence = rnd.Below(kSentenceCount);
      const int voice = static_cast<int>(rnd.Below(4));
      auto [it, added] = clipIndex.try_emplace({sentence, voice}, clips.size());
      if (added) clips.push_back(SpeakClip(dir, sentence, voice));
      const Clip& c = clips[it->second];
      const double length = static_cast<double>(c.end - c.onset) / kRate;
      if (t + length + 1 > plan.seconds) break;
      placed.push_back({it->second, t});
      const double linger = rnd.Uniform(0.2, 0.8);  // subtitles stay up a little longer
      film.lines.push_back("{" + Frames(t, plan.rate) + "}{" +
                           Frames(t + length + linger, plan.rate) + "}" + kSentences[sentence]);
      t += length + (rnd.Below(8) == 0 ? rnd.Uniform(4, 10) : rnd.Uniform(0.3, 3));
    }
  }

  // The picture with the sound streamed in, a block at a time.
  const std::string rateText = std::to_string(kRate);
  std::vector<std::string> argv = {"ffmpeg",
                                   "-v",
                                   "error",
                                   "-y",
                                   "-f",
                                   "lavfi",
                                   "-i",
                                   "testsrc=size=" + plan.size + ":rate=" + plan.rateText +
                                       ":duration=" + std::to_string(plan.seconds)};
  const bool audio = plan.sound != FilmSound::None;
  const int channels = plan.surround ? 6 : 1;
  if (audio) {
    for (const char* a : {"-f", "s16le", "-ar"}) argv.push_back(a);
    argv.push_back(rateText);
    argv.push_back("-ac");
    argv.push_back(std::to_string(channels));
    if (plan.surround) argv.insert(argv.end(), {"-channel_layout", "5.1"});
    argv.insert(argv.end(), {"-i", "pipe:0"});
  }
  argv.insert(argv.end(), {"-c:v", plan.container == "mp4" ? "libx264" : "mpeg4"});
  if (plan.container == "mp4")
    argv.insert(argv.end(), {"-preset", "ultrafast", "-crf", "40"});
  else
    argv.insert(argv.end(), {"-q:v", "20"});
  if (audio) {
    const std::string codec = !plan.audioCodec.empty()  ? plan.audioCodec
                              : plan.container == "avi" ? "libmp3lame"
                                                        : "aac";
    argv.insert(argv.end(), {"-c:a", codec, "-b:a", plan.surround ? "192k" : "64k"});
  } else {
    argv.push_back("-an");
  }
  argv.insert(argv.end(), {"-t", std::to_string(plan.seconds), film.path});

  std::string command;
  for (const std::string& a : argv) command += "'" + a + "' ";
  FILE* pipe = popen(command.c_str(), "w");
  if (!pipe) throw std::runtime_error("cannot start ffmpeg");
  const auto total = static_cast<size_t>(plan.seconds * kRate);
  const size_t block = kRate * 10;
  std::vector<float> speech(block), music(block);
  std::vector<int16_t> out(block * channels);
  Random noiseRnd(plan.seed + 7);
  size_t next = 0;  // first placed clip that may reach into the block
  for (size_t from = 0; audio && from < total; from += block) {
    const size_t n = std::min(block, total - from);
    std::fill(speech.begin(), speech.end(), 0.0f);
    std::fill(music.begin(), music.end(), 0.0f);
    for (size_t k = next; k < placed.size(); ++k) {
      const Clip& c = clips[placed[k].clip];
      const auto at = static_cast<long long>(std::llround(placed[k].start * kRate)) -
                      static_cast<long long>(c.onset);
      if (at >= static_cast<long long>(from + n)) break;
      const long long endAt = at + static_cast<long long>(c.samples.size());
      if (endAt <= static_cast<long long>(from)) {
        if (k == next) ++next;
        continue;
      }
      for (long long s = std::max<long long>(at, static_cast<long long>(from));
           s < std::min<long long>(endAt, static_cast<long long>(from + n)); ++s)
        speech[static_cast<size_t>(s) - from] += c.samples[static_cast<size_t>(s - at)];
    }
    const double musicLevel = plan.sound == FilmSound::Music ? 1.0 : plan.music;
    for (size_t i = 0; i < n; ++i) {
      if (musicLevel > 0)
        music[i] = static_cast<float>(musicLevel) * MusicSample(from + i, plan.seed);
      if (plan.noise > 0)
        speech[i] += static_cast<float>(plan.noise * 0.3 * noiseRnd.Uniform(-1, 1));
    }
    auto clip16 = [](float v) {
      return static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32000.0f));
    };
    for (size_t i = 0; i < n; ++i) {
      if (plan.surround) {
        // FL FR FC LFE BL BR: the speech in the centre, the music around.
        const int16_t m = clip16(music[i]);
        const int16_t vals[6] = {m, m, clip16(speech[i]), 0, m, m};
        std::copy(vals, vals + 6, out.begin() + static_cast<long>(i * 6));
      } else {
        out[i] = clip16(speech[i] + music[i]);
      }
    }
    if (std::fwrite(out.data(), sizeof(int16_t) * channels, n, pipe) != n) break;
  }
  if (pclose(pipe) != 0) throw std::runtime_error("ffmpeg failed: " + command);
  return film;
}

}  // namespace velorin::test
