#include "layout/line_breaking.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "document/progress.h"
#include "document/subtitle_line.h"
#include "layout/tags.h"

namespace velorin {

namespace {

// A byte that continues a UTF-8 sequence rather than starting a character.
bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

struct Blank {
  size_t position = 0;  // 1-based, in characters; 0 when there is none
  size_t offset = 0;    // in bytes
};

// The blank nearest to target, the leftmost of equals.
Blank Nearest(std::string_view text, size_t target, bool utf8) {
  Blank best;
  size_t bestDistance = 0;
  size_t position = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (utf8 && IsContinuation(text[i])) continue;
    ++position;
    if (text[i] != ' ') continue;
    size_t distance = position > target ? position - target : target - position;
    if (best.position == 0 || distance < bestDistance) {
      best = {position, i};
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
  return Nearest(text, target, utf8).position;
}

std::string BreakIntoLines(std::string_view text, int breaks, bool utf8) {
  std::string out(text);
  if (breaks <= 0) return out;
  // The blanks of the text in one pass (a subtitle has a handful); every
  // break is looked for among them, in the unchanged text.
  constexpr size_t kMaxBlanks = 64;
  std::array<Blank, kMaxBlanks> blanks;
  size_t blankCount = 0, length = 0;
  for (size_t i = 0; i < text.size() && blankCount <= kMaxBlanks; ++i) {
    if (utf8 && IsContinuation(text[i])) continue;
    ++length;
    if (text[i] == ' ' && blankCount++ < kMaxBlanks) blanks[blankCount - 1] = {length, i};
  }
  const bool listed = blankCount <= kMaxBlanks;
  if (!listed) length = CharacterCount(text, utf8);
  for (int k = 1; k <= breaks; ++k) {
    const size_t target = RoundHalfEven(static_cast<double>(length) / (breaks + 1) * k);
    Blank b;
    if (listed) {
      // The nearest, the leftmost of equals, as Nearest finds it.
      size_t bestDistance = 0;
      for (size_t j = 0; j < blankCount; ++j) {
        const size_t p = blanks[j].position;
        const size_t distance = p > target ? p - target : target - p;
        if (b.position == 0 || distance < bestDistance) b = blanks[j], bestDistance = distance;
      }
    } else {
      b = Nearest(text, target, utf8);
    }
    if (b.position > 0 && b.position < length) out[b.offset] = '|';
  }
  return out;
}

LineTags CollectLineTags(std::string_view text) {
  // Leading tags end at a line's last '}': without one there are none.
  if (text.find('}') == std::string_view::npos) return {};
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
  const bool braces = text.find_first_of("{}") != std::string_view::npos;
  JoinedLines plain = JoinLinesWithSpaces(braces ? StripTags(text) : std::string(text));
  if (maximum && breaks > plain.count) return std::nullopt;
  std::array<std::string, 5> lines = SplitIntoFiveLines(BreakIntoLines(plain.text, breaks, utf8));
  InheritLineTags(tags, lines);
  return RebuildWithTags(tags, lines);
}

void ChangeLineCount(SubtitleList& list, int breaks, bool maximum, const ProgressFn& progress) {
  ForEachSelectedRow(list, progress, [&](int row) {
    SubtitleFields f = ParseSubtitleLine(list.Line(row));
    std::optional<std::string> text = ChangeTextLineCount(f.text, breaks, maximum, list.IsUtf8());
    if (text) list.Replace(row, ComposeSubtitleLine(f.first, f.second, *text));
  });
}

}  // namespace velorin
