// Line breaking: breaking turns only blanks into '|', at most as many as
// asked and never the last character; a re-broken subtitle keeps its words
// in order and has no more display lines than asked.
#include "document/subtitle_line.h"
#include "fuzz_support.h"
#include "layout/line_breaking.h"
#include "layout/tags.h"

using namespace velorin;

namespace {

// The words of a text, blanks and '|' between them.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '|') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int breaks = input.ConsumeIntegralInRange(0, 4);
  const bool maximum = input.ConsumeBool();
  const bool utf8 = input.ConsumeBool();
  const size_t target = input.ConsumeIntegralInRange<size_t>(0, 300);
  const std::string text = input.ConsumeRemainingBytesAsString();

  const size_t length = CharacterCount(text, utf8);
  FUZZ_CHECK(length <= text.size() && (utf8 || length == text.size()));

  const size_t blank = FindNearestSpace(text, target, utf8);
  FUZZ_CHECK(blank <= length);
  FUZZ_CHECK((blank == 0) == (text.find(' ') == std::string::npos));

  const std::string broken = BreakIntoLines(text, breaks, utf8);
  FUZZ_CHECK(broken.size() == text.size());
  int turned = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (broken[i] == text[i]) continue;
    FUZZ_CHECK(text[i] == ' ' && broken[i] == '|');
    ++turned;
  }
  FUZZ_CHECK(turned <= breaks);
  if (!text.empty()) FUZZ_CHECK(broken.back() == text.back());

  // The whole subtitle re-broken with its tags.
  const std::optional<std::string> rebroken = ChangeTextLineCount(text, breaks, maximum, utf8);
  const JoinedLines plain = JoinLinesWithSpaces(StripTags(text));
  FUZZ_CHECK(rebroken.has_value() == !(maximum && breaks > plain.count));
  if (rebroken) {
    FUZZ_CHECK(DisplayLineCount(*rebroken) <= breaks + 1);
    // Where the lines' tag prefixes are nothing but whole tags, the words are
    // the text's words in their order: none lost, none doubled. (A prefix
    // with a stray brace, "{c{Y:i}", is cut into pieces that need not close.)
    bool cleanTags = true;
    for (const std::string& line : SplitIntoFiveLines(text))
      cleanTags = cleanTags && fuzz::IsTagSequence(SplitLeadingTags(line).tags);
    if (cleanTags) FUZZ_CHECK(Words(StripTags(*rebroken)) == Words(plain.text));
    // The one-pass re-break gives what its steps give one after the other.
    LineTags tags = CollectLineTags(text);
    std::array<std::string, 5> lines = SplitIntoFiveLines(BreakIntoLines(plain.text, breaks, utf8));
    InheritLineTags(tags, lines);
    FUZZ_CHECK(*rebroken == RebuildWithTags(tags, lines));
  }

  // The same on a list row, whose frames may not read.
  SubtitleList list;
  list.Assign({"{1}{2}" + text, text});
  list.SelectAll();
  list.SetUtf8(utf8);
  try {
    ChangeLineCount(list, breaks, maximum);
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }
  FUZZ_CHECK(list.Count() == 2);

  // Read once and written as it goes, the rows come out as the list has them.
  const std::vector<std::string> rows = {"{1}{2}" + text, "{3}{}" + text};
  SubtitleList kept;
  kept.Assign(rows);
  kept.SelectAll();
  kept.SetUtf8(utf8);
  ChangeLineCount(kept, breaks, maximum);
  std::string written;
  WriteLineCountChanged(
      [&](const LineSink& sink) {
        for (const std::string& row : rows) sink(row);
      },
      nullptr, breaks, maximum, utf8, [&](std::string_view piece) { written.append(piece); });
  FUZZ_CHECK(written == ComposeFileBytes(kept.Lines()));
  return 0;
}
