#include "layout/line_breaking.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "document/subtitle_line.h"
#include "layout/tags.h"

namespace velorin {

namespace {

// A byte that continues a UTF-8 sequence rather than starting a character.
bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

struct Blank {
  size_t position;  // 1-based, in characters
  size_t offset;    // in bytes
};

std::vector<Blank> Blanks(std::string_view text, bool utf8, size_t* length) {
  std::vector<Blank> blanks;
  size_t position = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (utf8 && IsContinuation(text[i])) continue;
    ++position;
    if (text[i] == ' ') blanks.push_back({position, i});
  }
  if (length) *length = position;
  return blanks;
}

// The blank nearest to target, the leftmost of equals; null when there is none.
const Blank* Nearest(const std::vector<Blank>& blanks, size_t target) {
  const Blank* best = nullptr;
  size_t bestDistance = 0;
  for (const Blank& b : blanks) {
    size_t distance = b.position > target ? b.position - target : target - b.position;
    if (!best || distance < bestDistance) {
      best = &b;
      bestDistance = distance;
    }
  }
  return best;
}

size_t RoundHalfEven(double value) {
  double lower = std::floor(value);
  double diff = value - lower;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(lower, 2.0) != 0)) lower += 1;
  return static_cast<size_t>(lower);
}

}  // namespace

size_t CharacterCount(std::string_view text, bool utf8) {
  if (!utf8) return text.size();
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuation(c); }));
}

size_t FindNearestSpace(std::string_view text, size_t target, bool utf8) {
  const std::vector<Blank> blanks = Blanks(text, utf8, nullptr);
  const Blank* b = Nearest(blanks, target);
  return b ? b->position : 0;
}

std::string BreakIntoLines(std::string_view text, int breaks, bool utf8) {
  std::string out(text);
  if (breaks <= 0) return out;
  size_t length = 0;
  const std::vector<Blank> blanks = Blanks(text, utf8, &length);
  if (blanks.empty()) return out;
  std::vector<const Blank*> chosen;
  for (int k = 1; k <= breaks; ++k) {
    double target = static_cast<double>(length) / (breaks + 1) * k;
    chosen.push_back(Nearest(blanks, RoundHalfEven(target)));
  }
  for (const Blank* b : chosen)
    if (b->position > 0 && b->position < length) out[b->offset] = '|';
  return out;
}

LineTags CollectLineTags(std::string_view text) {
  std::array<std::string, 5> old = SplitIntoFiveLines(text);
  LineTags tags;
  for (size_t j = 0; j < old.size(); ++j) tags.lines[j] = SplitLeadingTags(old[j]).tags;
  TagScopes first = SeparateTagScopes(tags.lines[0]);
  tags.whole = std::move(first.whole);
  tags.lines[0] = std::move(first.line);
  return tags;
}

void InheritLineTags(LineTags& tags, const std::array<std::string, 5>& newLines) {
  for (size_t j = 1; j < newLines.size(); ++j)
    if (tags.lines[j].empty() && !newLines[j].empty()) tags.lines[j] = tags.lines[j - 1];
}

std::string RebuildWithTags(const LineTags& tags, const std::array<std::string, 5>& newLines) {
  std::string out;
  if (std::all_of(newLines.begin(), newLines.end(), [](const auto& l) { return l.empty(); }))
    return out;
  out = tags.whole + tags.lines[0] + newLines[0];
  for (size_t j = 1; j < newLines.size(); ++j) {
    if (newLines[j].empty()) continue;
    out.push_back('|');
    out += tags.lines[j];
    out += newLines[j];
  }
  return out;
}

std::optional<std::string> ChangeTextLineCount(std::string_view text, int breaks, bool maximum,
                                               bool utf8) {
  LineTags tags = CollectLineTags(text);
  JoinedLines plain = JoinLinesWithSpaces(StripTags(text));
  if (maximum && breaks > plain.count) return std::nullopt;
  std::array<std::string, 5> lines = SplitIntoFiveLines(BreakIntoLines(plain.text, breaks, utf8));
  InheritLineTags(tags, lines);
  return RebuildWithTags(tags, lines);
}

void ChangeLineCount(SubtitleList& list, int breaks, bool maximum, const ProgressFn& progress) {
  const int count = list.Count();
  const size_t total = static_cast<size_t>(count);
  for (int row = 0; row < count; ++row) {
    if (progress && static_cast<size_t>(row) % kProgressStride == 0)
      progress(static_cast<size_t>(row), total);
    if (!list.Selected(row)) continue;
    SubtitleFields f = ParseSubtitleLine(list.Line(row));
    std::optional<std::string> text = ChangeTextLineCount(f.text, breaks, maximum, list.IsUtf8());
    if (text) list.Replace(row, ComposeSubtitleLine(f.first, f.second, *text));
  }
  if (progress) progress(total, total);
}

}  // namespace velorin
