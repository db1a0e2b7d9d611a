#include "layout/width_fitting.h"

#include <algorithm>
#include <unordered_map>

#include "document/error.h"
#include "document/progress.h"
#include "document/text_encoding.h"
#include "layout/tags.h"

namespace velorin {

namespace {

// Width of a display line's text (bytes of the document) in the font.
int MeasureBytes(std::string_view text, TextMeasurer& measurer, const SubtitleFont& font, bool utf8,
                 TextEncoding eightBit) {
  if (auto* cached = dynamic_cast<CachingMeasurer*>(&measurer))
    return cached->WidthOfBytes(text, font, utf8, eightBit);
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
  // The display lines as SplitIntoFiveLines cuts them, without copying.
  for (int slot = 0; slot < 5; ++slot) {
    const size_t bar = text.find('|');
    const std::string_view line = text.substr(0, bar);
    // The same cut as SplitLeadingTags.
    const size_t brace = line.rfind('}');
    const std::string_view rest = brace == std::string_view::npos ? line : line.substr(brace + 1);
    if (!rest.empty()) fn(rest);
    if (bar == std::string_view::npos) break;
    text.remove_prefix(bar + 1);
  }
}

}  // namespace

int CachingMeasurer::Width(std::string_view utf8, const SubtitleFont& font) {
  return WidthOfBytes(utf8, font, true, eightBit_);
}

int CachingMeasurer::WidthOfBytes(std::string_view bytes, const SubtitleFont& font, bool utf8,
                                  TextEncoding eightBit) {
  if (!(font == font_) || utf8 != utf8_ || eightBit != eightBit_ || bytes_ > kMaxBytes) {
    widths_.clear();
    bytes_ = 0;
    font_ = font;
    utf8_ = utf8;
    eightBit_ = eightBit;
  }
  if (const auto it = widths_.find(bytes); it != widths_.end()) return it->second;
  const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  int width = 0;
  if (utf8 || ascii) {
    width = measurer_.Width(bytes, font);
  } else {
    decoded_ = DecodeText(bytes, eightBit);
    width = measurer_.Width(decoded_, font);
  }
  widths_.emplace(bytes, width);
  bytes_ += bytes.size() + 64;  // the text and about what a map entry costs besides
  return width;
}

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
  CachingMeasurer cached(measurer);
  std::string widest;
  int widestWidth = 0;
  for (size_t i = 0; i < count; ++i) {
    ReportProgress(progress, i, count);
    const SubtitleLineView f(list.Lines()[i]);
    f.First();
    f.Second();  // a row whose frames cannot be read stops the command
    ForEachLineText(f.Text(), [&](std::string_view line) {
      int width = cached.WidthOfBytes(line, limit.font, utf8, limit.eightBit);
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
  CachingMeasurer cached(measurer);
  int tooWide = 0;
  for (size_t i = 0; i < count; ++i) {
    ReportProgress(progress, i, count);
    const SubtitleLineView f(list.Lines()[i]);
    f.First();
    f.Second();
    if (LineTooWide(f.Text(), cached, limit, utf8)) ++tooWide;
  }
  if (progress) progress(count, count);
  return tooWide;
}

int AdjustTooWide(SubtitleList& list, TextMeasurer& measurer, const WidthLimit& given,
                  const ManualAdjustFn& manual, const ProgressFn& progress) {
  const WidthLimit limit = For(list, given);
  int notAdjusted = 0;
  CachingMeasurer cached(measurer);
  struct Proposal {
    std::string text;
    bool fits;
  };
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::unordered_map<std::string, Proposal, Hash, std::equal_to<>> proposals;
  size_t proposalBytes = 0;
  std::string line;
  // The count is read every time: the manual edit may add or remove rows.
  for (int row = 0; row < list.Count(); ++row) {
    const size_t done = static_cast<size_t>(row), total = static_cast<size_t>(list.Count());
    ReportProgress(progress, done, total);
    const SubtitleLineView view(list.Line(row));
    const int32_t first = view.First(), second = view.Second();
    if (!LineTooWide(view.Text(), cached, limit, list.IsUtf8())) continue;
    if (manual) {
      SubtitleFields f{first, second, std::string(view.Text())};
      AdjustedSubtitle proposal = AdjustSubtitle(f.text, cached, limit, list.IsUtf8());
      if (!proposal.fits) ++notAdjusted;
      manual(row, f, proposal);
      continue;
    }
    // The same text gets the same proposal: each distinct one is re-broken once.
    if (proposalBytes > CachingMeasurer::kMaxBytes) {
      proposals.clear();
      proposalBytes = 0;
    }
    auto it = proposals.find(view.Text());
    if (it == proposals.end()) {
      AdjustedSubtitle p = AdjustSubtitle(view.Text(), cached, limit, list.IsUtf8());
      proposalBytes += view.Text().size() + p.text.size() + 64;
      it = proposals.emplace(std::string(view.Text()), Proposal{std::move(p.text), p.fits}).first;
    }
    if (!it->second.fits) ++notAdjusted;
    line.clear();
    AppendSubtitleHead(line, first, second);
    line += it->second.text;
    list.Replace(row, line);
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
