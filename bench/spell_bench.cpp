// The spelling check of 100,000 subtitles against the installed Czech
// dictionary, with a fresh checker each time (nothing known in advance):
// - a document with a film's worth of vocabulary many times over: words drawn
//   from the dictionary's own list, the frequent ones more often (Zipf), one
//   in thirty with two letters swapped, as a typist makes them;
// - the few repeated sentences of bench_data.h, where nearly every word is
//   answered from the checker's memory.
#include <benchmark/benchmark.h>

#include <fstream>
#include <random>

#include "bench_data.h"
#include "document/subtitle_file.h"
#include "document/text_encoding.h"
#include "edit/hunspell_checker.h"
#include "edit/spelling.h"

namespace velorin {
namespace {

constexpr int kRows = 100'000;
const std::vector<std::string> kFolders = {"/usr/share/hunspell"};

// The words of cs_CZ.dic (the part before '/'), in the dictionary's order.
std::vector<std::string> DictionaryWords() {
  std::ifstream in("/usr/share/hunspell/cs_CZ.dic");
  std::vector<std::string> words;
  std::string line;
  std::getline(in, line);  // the count
  while (std::getline(in, line)) {
    const std::string word = line.substr(0, line.find('/'));
    if (!word.empty() && word.find_first_of("0123456789.") == std::string::npos)
      words.push_back(word);
  }
  return words;
}

std::vector<std::string> VocabularyDocument() {
  const std::vector<std::string> words = DictionaryWords();
  std::mt19937 random(26);
  // Zipf-like: rank r is drawn with weight 1 / (r + 10).
  std::vector<double> weights(words.size());
  for (size_t r = 0; r < weights.size(); ++r) weights[r] = 1.0 / static_cast<double>(r + 10);
  std::vector<size_t> order(words.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), random);
  std::discrete_distribution<size_t> pick(weights.begin(), weights.end());
  std::vector<std::string> lines;
  for (int row = 0; row < kRows; ++row) {
    std::string line = "{" + std::to_string(100 + row * 60) + "}{" +
                       std::to_string(145 + row * 60) + "}" + (row % 7 == 0 ? "{y:i}" : "");
    for (int w = 0; w < 9; ++w) {
      std::string word = words[order[pick(random)]];
      if (random() % 30 == 0 && word.size() > 3) std::swap(word[1], word[2]);
      line += word + (w == 4 ? "|" : w == 8 ? "." : " ");
    }
    lines.push_back(EncodeText(line, TextEncoding::Windows1250));
  }
  return lines;
}

size_t CheckAll(const std::vector<std::string>& lines, TextEncoding encoding) {
  HunspellChecker checker("cs_CZ", kFolders, "");
  size_t unknown = 0;
  for (const std::string& bytes : lines)
    unknown += UnknownWords(DecodeText(bytes, encoding), checker).size();
  return unknown;
}

void BM_CheckVocabulary(benchmark::State& state) {
  const std::vector<std::string> lines = VocabularyDocument();
  size_t unknown = 0;
  for (auto _ : state) unknown = CheckAll(lines, TextEncoding::Windows1250);
  state.counters["unknown"] = static_cast<double>(unknown);
}
BENCHMARK(BM_CheckVocabulary)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CheckRepeatedSentences(benchmark::State& state) {
  ReadOutcome read = ParseSubtitleText(bench::MakeUtf8Document(kRows));
  std::vector<std::string> lines;
  for (size_t i = 0; i < read.lines.size(); ++i) lines.emplace_back(read.lines[i]);
  size_t unknown = 0;
  for (auto _ : state) unknown = CheckAll(lines, TextEncoding::Utf8);
  state.counters["unknown"] = static_cast<double>(unknown);
}
BENCHMARK(BM_CheckRepeatedSentences)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace velorin

BENCHMARK_MAIN();
