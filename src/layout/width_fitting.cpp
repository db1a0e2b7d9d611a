#include "layout/width_fitting.h"

#include <algorithm>

#include "document/error.h"
#include "document/text_encoding.h"
#include "layout/tags.h"

namespace velorin {

namespace {

// Width of a display line's text (bytes of the document) in the font.
int MeasureBytes(std::string_view text, TextMeasurer& measurer, const SubtitleFont& font, bool utf8,
                 TextEncoding eightBit) {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (utf8 || ascii) return measurer.Width(text, font);
  return measurer.Width(DecodeText(text, eightBit), font);
}

// The limit with the list's code page.
WidthLimit For(const SubtitleList& list, WidthLimit limit) {
  if (!list.IsUtf8()) limit.eightBit = list.Encoding();
  return limit;
}

// Calls fn(text after the tag prefix) for each of the first five display
// lines that has any; an empty text has no width.
template <typename Fn>
void ForEachLineText(std::string_view text, Fn&& fn) {
  for (const std::string& line : SplitIntoFiveLines(text)) {
    // The same cut as SplitLeadingTags, without copying.
    size_t brace = line.rfind('}');
    std::string_view rest = brace == std::string::npos ? std::string_view(line)
                                                       : std::string_view(line).substr(brace + 1);
    if (!rest.empty()) fn(rest);
  }
}

}  // namespace

int32_t ParseResolution(std::string_view text) {
  int32_t value = ToInt32(text);
  // A screen of no width would make every line too wide and re-break the
  // whole document.
  if (value <= 0) ThrowInvalidInteger(std::string(text));
  return value;
}

bool LineTooWide(std::string_view text, TextMeasurer& measurer, const WidthLimit& limit,
                 bool utf8) {
  bool tooWide = false;
  ForEachLineText(text, [&](std::string_view line) {
    if (!tooWide &&
        MeasureBytes(line, measurer, limit.font, utf8, limit.eightBit) > limit.resolution)
      tooWide = true;
  });
  return tooWide;
}

AdjustedSubtitle AdjustSubtitle(std::string_view text, TextMeasurer& measurer,
                                const WidthLimit& limit, bool utf8) {
  AdjustedSubtitle out;
  out.tags = CollectLineTags(text);
  JoinedLines joined = JoinLinesWithSpaces(StripTags(text));
  const std::string plain = std::move(joined.text);
  // One display line more than now, at most five.
  int breaks = std::min(joined.count + 1, 4);
  do {
    out.plain = BreakIntoLines(plain, breaks, utf8);
    ++breaks;
    out.fits = !LineTooWide(out.plain, measurer, limit, utf8);
  } while (!out.fits && breaks <= 4);
  std::array<std::string, 5> lines = SplitIntoFiveLines(out.plain);
  InheritLineTags(out.tags, lines);
  out.text = RebuildWithTags(out.tags, lines);
  return out;
}

int32_t LargestFittingSize(const SubtitleList& list, TextMeasurer& measurer,
                           const WidthLimit& given, const ProgressFn& progress) {
  const WidthLimit limit = For(list, given);
  const bool utf8 = list.IsUtf8();
  const size_t count = list.Lines().size();
  std::string widest;
  int widestWidth = 0;
  for (size_t i = 0; i < count; ++i) {
    if (progress && i % kProgressStride == 0) progress(i, count);
    SubtitleFields f = ParseSubtitleLine(list.Lines()[i]);
    ForEachLineText(f.text, [&](std::string_view line) {
      int width = MeasureBytes(line, measurer, limit.font, utf8, limit.eightBit);
      // On equal widths the earlier line stays.
      if (width > widestWidth) {
        widestWidth = width;
        widest.assign(line);
      }
    });
  }
  SubtitleFont font = limit.font;
  font.size = 72;
  while (font.size > 0 &&
         MeasureBytes(widest, measurer, font, utf8, limit.eightBit) > limit.resolution)
    font.size -= 2;
  if (progress) progress(count, count);
  return font.size;
}

int CountTooWide(const SubtitleList& list, TextMeasurer& measurer, const WidthLimit& given,
                 const ProgressFn& progress) {
  const WidthLimit limit = For(list, given);
  const bool utf8 = list.IsUtf8();
  const size_t count = list.Lines().size();
  int tooWide = 0;
  for (size_t i = 0; i < count; ++i) {
    if (progress && i % kProgressStride == 0) progress(i, count);
    if (LineTooWide(ParseSubtitleLine(list.Lines()[i]).text, measurer, limit, utf8)) ++tooWide;
  }
  if (progress) progress(count, count);
  return tooWide;
}

int AdjustTooWide(SubtitleList& list, TextMeasurer& measurer, const WidthLimit& given,
                  const ManualAdjustFn& manual, const ProgressFn& progress) {
  const WidthLimit limit = For(list, given);
  int notAdjusted = 0;
  // The count is read every time: the manual edit may add or remove rows.
  for (int row = 0; row < list.Count(); ++row) {
    const size_t done = static_cast<size_t>(row), total = static_cast<size_t>(list.Count());
    if (progress && done % kProgressStride == 0) progress(done, total);
    SubtitleFields f = ParseSubtitleLine(list.Line(row));
    if (!LineTooWide(f.text, measurer, limit, list.IsUtf8())) continue;
    AdjustedSubtitle proposal = AdjustSubtitle(f.text, measurer, limit, list.IsUtf8());
    if (!proposal.fits) ++notAdjusted;
    if (manual)
      manual(row, f, proposal);
    else
      list.Replace(row, ComposeSubtitleLine(f.first, f.second, proposal.text));
  }
  if (progress) progress(static_cast<size_t>(list.Count()), static_cast<size_t>(list.Count()));
  return notAdjusted;
}

std::string LargestSizeMessage(int32_t size) {
  return "Všechny titulky se vejdou na obrazovku při velikosti písma " + std::to_string(size) + ".";
}

std::string TooWideCountMessage(int32_t size, int count) {
  return "Počet titulků, které se při velikosti písma " + std::to_string(size) +
         " nevejdnou na obrazovku je " + std::to_string(count) + ".";
}

std::string NotAdjustedMessage(int count) {
  return "Počet titulků, které nešlo upravit je " + std::to_string(count) + ".";
}

}  // namespace velorin
