#include "layout/line_breaking.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "document/block_writer.h"
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
  // value is a character position, far below 2^53: its floor converts exactly
  // and its parity is the integer's (fmod would cost a library call a row).
  const double lower = std::floor(value);
  const double diff = value - lower;
  const auto whole = static_cast<size_t>(lower);
  return whole + ((diff > 0.5 || (diff == 0.5 && (whole & 1) != 0)) ? 1 : 0);
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

namespace {

// The blanks of a text, found in one pass (a subtitle has a handful), and its
// length in characters.
struct Blanks {
  static constexpr size_t kMax = 64;
  // Left uninitialized: only the first count are ever read.
  struct Entry {
    size_t position, offset;
  } list[kMax];
  size_t count = 0;  // kMax + 1 when there are more than kMax
  size_t length = 0;
  void Add(size_t offset) {
    if (count < kMax) list[count] = {length, offset};
    if (count <= kMax) ++count;
  }
};

// Where ChooseBreaks put its '|': the offsets in rising order, repeats
// included, when every one is listed.
struct Cuts {
  std::array<size_t, 8> at{};
  size_t count = 0;
  bool complete = true;
};

// Turns the chosen blanks of text into '|' in place; every break is looked
// for in the text as it was before any of them.
Cuts ChooseBreaks(std::string& text, const Blanks& blanks, int breaks, bool utf8) {
  Cuts cuts;
  if (breaks <= 0) return cuts;
  const bool listed = blanks.count <= Blanks::kMax;
  const size_t length = blanks.length;
  // The chosen blanks are turned once all are found; more breaks than a
  // subtitle can have are looked for in a copy instead.
  std::array<size_t, 8> chosen{};
  size_t chosenCount = 0;
  std::string copy;
  if (static_cast<size_t>(breaks) > chosen.size() && !listed) copy = text;
  const std::string_view source = copy.empty() ? std::string_view(text) : copy;
  size_t from = 0;  // the first listed blank not before the last target
  for (int k = 1; k <= breaks; ++k) {
    const size_t target = RoundHalfEven(static_cast<double>(length) / (breaks + 1) * k);
    Blank b;
    if (listed) {
      // The nearest, the leftmost of equals, as Nearest finds it: positions
      // rise, so it is the last blank before the target or the first one
      // after. Targets rise too, so each search goes on from the last.
      size_t j = from;
      while (j < blanks.count && blanks.list[j].position < target) ++j;
      from = j;
      if (j > 0 &&
          (j == blanks.count || target - blanks.list[j - 1].position <= blanks.list[j].position - target))
        --j;
      if (j < blanks.count) b = {blanks.list[j].position, blanks.list[j].offset};
    } else {
      b = Nearest(source, target, utf8);
    }
    if (b.position == 0 || b.position >= length) continue;
    if (chosenCount < chosen.size()) {
      chosen[chosenCount++] = b.offset;
    } else {
      text[b.offset] = '|';  // listed blanks or a copy: the search no longer reads text
      cuts.complete = false;
    }
  }
  for (size_t j = 0; j < chosenCount; ++j) text[chosen[j]] = '|';
  // Already in order: the targets rise with k, and the nearest listed blank
  // (the leftmost of equals) never moves left as its target moves right.
  cuts.at = chosen;
  cuts.count = chosenCount;
  return cuts;
}

void BreakInPlace(std::string& text, int breaks, bool utf8) {
  if (breaks <= 0) return;
  Blanks blanks;
  for (size_t i = 0; i < text.size(); ++i) {
    if (utf8 && IsContinuation(text[i])) continue;
    ++blanks.length;
    if (text[i] == ' ') blanks.Add(i);
  }
  ChooseBreaks(text, blanks, breaks, utf8);
}

// The display lines 1..5 of a text as views, as SplitIntoFiveLines cuts them.
std::array<std::string_view, 5> FiveLineViews(std::string_view text) {
  std::array<std::string_view, 5> lines;
  size_t start = 0;
  for (size_t slot = 0; slot < lines.size(); ++slot) {
    const size_t bar = text.find('|', start);
    if (bar == std::string_view::npos) {
      lines[slot] = text.substr(start);
      break;
    }
    lines[slot] = text.substr(start, bar - start);
    start = bar + 1;
  }
  return lines;
}

// FiveLineViews of a text whose only '|' are the cuts, without looking for them.
std::array<std::string_view, 5> LinesAtCuts(std::string_view text, const Cuts& cuts) {
  std::array<std::string_view, 5> lines;
  size_t start = 0, slot = 0;
  for (size_t j = 0; j < cuts.count && slot + 1 < lines.size(); ++j) {
    if (j > 0 && cuts.at[j] == cuts.at[j - 1]) continue;
    lines[slot++] = text.substr(start, cuts.at[j] - start);
    start = cuts.at[j] + 1;
  }
  lines[slot] = text.substr(start);
  return lines;
}

}  // namespace

std::string BreakIntoLines(std::string_view text, int breaks, bool utf8) {
  std::string out(text);
  BreakInPlace(out, breaks, utf8);
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

namespace {

// The bytes the joining pass decides on: braces, '|' and the blank.
constexpr std::array<bool, 256> kDecides = [] {
  std::array<bool, 256> t{};
  t['{'] = t['}'] = t['|'] = t[' '] = true;
  return t;
}();

}  // namespace

bool AppendTextLineCount(std::string& out, std::string_view text, int breaks, bool maximum,
                         bool utf8, LineBreakScratch& scratch) {
  // The text joined into one line without tags (as StripTags and
  // JoinLinesWithSpaces make it), how many lines it had, its length and its
  // blanks, all in one pass.
  std::string& plain = scratch.plain;
  plain.resize(text.size());
  char* const begin = plain.data();
  char* to = begin;
  Blanks blanks;
  // Kept in locals: the byte stores below could alias the struct's fields.
  size_t length = 0, blankCount = 0;
  int count = 0;
  bool closed = false;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    char c = *p;
    if (!kDecides[static_cast<unsigned char>(c)]) {
      // Most bytes: copied and counted without a branch of their own.
      *to++ = c;
      length += !(utf8 && IsContinuation(c));
      ++p;
      continue;
    }
    if (c == '{' || c == '}') {
      // Outside a tag a '{' opens one and everything up to the next '}'
      // goes; a '}' alone is dropped; a '{' never closed drops the rest.
      if (c == '{') {
        const void* close = std::memchr(p + 1, '}', static_cast<size_t>(end - p - 1));
        if (!close) break;
        p = static_cast<const char*>(close);
      }
      closed = true;  // the text has a '}'
      ++p;
      continue;
    }
    // A blank, or a '|' that becomes one.
    if (c == '|') ++count;
    ++length;
    if (blankCount < Blanks::kMax)
      blanks.list[blankCount] = {length, static_cast<size_t>(to - begin)};
    if (blankCount <= Blanks::kMax) ++blankCount;
    *to++ = ' ';
    ++p;
  }
  blanks.length = length;
  blanks.count = blankCount;
  plain.resize(static_cast<size_t>(to - begin));
  if (maximum && breaks > count) return false;
  // Each old display line's tag prefix (up to its last '}'), the first line's
  // sorted into whole-subtitle and line tags, as CollectLineTags does.
  std::array<std::string_view, 5> tags{};
  scratch.whole.clear();
  scratch.firstLine.clear();
  if (closed) {
    const std::array<std::string_view, 5> old = FiveLineViews(text);
    for (size_t j = 0; j < old.size(); ++j) {
      // memrchr: string_view::rfind goes back a byte at a time.
      const void* brace = old[j].empty() ? nullptr : ::memrchr(old[j].data(), '}', old[j].size());
      if (brace)
        tags[j] = old[j].substr(0, static_cast<size_t>(static_cast<const char*>(brace) - old[j].data()) + 1);
    }
    SeparateTagScopesInto(tags[0], scratch.whole, scratch.firstLine);
    tags[0] = scratch.firstLine;
  }
  // The joined text has no '|' of its own: those there now are the cuts.
  const Cuts cuts = ChooseBreaks(plain, blanks, breaks, utf8);
  const std::array<std::string_view, 5> lines =
      cuts.complete ? LinesAtCuts(plain, cuts) : FiveLineViews(plain);
  // A new line without tags of its own takes those of the line above.
  for (size_t j = 1; j < lines.size(); ++j)
    if (tags[j].empty() && !lines[j].empty()) tags[j] = tags[j - 1];
  if (std::all_of(lines.begin(), lines.end(), [](std::string_view l) { return l.empty(); }))
    return true;
  out += scratch.whole;
  out += tags[0];
  out += lines[0];
  for (size_t j = 1; j < lines.size(); ++j) {
    if (lines[j].empty()) continue;
    out.push_back('|');
    out += tags[j];
    out += lines[j];
  }
  return true;
}

namespace {

// The head of a re-broken row: copied when it reads as it would be written.
void AppendHead(std::string& out, std::string_view line, const SubtitleLineView& view,
                int32_t first, int32_t second) {
  if (view.FirstField().WrittenAsRead() && view.SecondField().WrittenAsRead())
    out.append(line.substr(0, view.TextStart()));
  else
    AppendSubtitleHead(out, first, second);
}

}  // namespace

std::optional<std::string> ChangeTextLineCount(std::string_view text, int breaks, bool maximum,
                                               bool utf8) {
  LineBreakScratch scratch;
  std::string out;
  if (!AppendTextLineCount(out, text, breaks, maximum, utf8, scratch)) return std::nullopt;
  return out;
}

void ChangeLineCount(SubtitleList& list, int breaks, bool maximum, const ProgressFn& progress) {
  const int count = list.Count();
  const size_t total = static_cast<size_t>(count);
  LineBreakScratch scratch;
  std::string line;
  for (int row = 0; row < count; ++row) {
    ReportProgress(progress, static_cast<size_t>(row), total);
    if (!list.Selected(row)) continue;
    const std::string_view old = list.Line(row);
    const SubtitleLineView view(old);
    const int32_t first = view.First(), second = view.Second();
    line.clear();
    AppendHead(line, old, view, first, second);
    if (AppendTextLineCount(line, view.Text(), breaks, maximum, list.IsUtf8(), scratch))
      list.Replace(row, line);
  }
  if (progress) progress(total, total);
}

namespace {

// One row of a document read once, re-broken, to out without its line end.
void AppendLineCountChanged(std::string& out, std::string_view line, int breaks, bool maximum,
                            bool utf8, LineBreakScratch& scratch) {
  const SubtitleLineView view(line);
  const int32_t first = view.First(), second = view.Second();
  const size_t start = out.size();
  AppendHead(out, line, view, first, second);
  if (!AppendTextLineCount(out, view.Text(), breaks, maximum, utf8, scratch)) {
    // Left as it is.
    out.resize(start);
    out += line;
  }
}

}  // namespace

void WriteLineCountChanged(const LineSource& lines, const std::vector<char>* selection, int breaks,
                           bool maximum, bool utf8, const ByteSink& append) {
  LineWriter out(append);
  LineBreakScratch scratch;
  size_t row = 0;
  lines([&](std::string_view line) {
    if (selection && !(*selection)[row++]) return out.Line(line);
    AppendLineCountChanged(out.Buffer(), line, breaks, maximum, utf8, scratch);
    out.EndLine();
  });
  out.Flush();
}

void WriteLineCountChangedInBlocks(std::string_view subtitleLines, int breaks, bool maximum, bool utf8,
                                   const ByteSink& append) {
  WriteBlocksInOrder(
      subtitleLines,
      [&](std::string_view block, std::string& out) {
        LineBreakScratch scratch;
        ForEachSubtitleLineOf(block, [&](std::string_view line) {
          AppendLineCountChanged(out, line, breaks, maximum, utf8, scratch);
          out += "\r\n";
        });
      },
      append);
}

}  // namespace velorin
