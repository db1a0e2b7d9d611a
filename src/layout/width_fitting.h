#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "document/subtitle_line.h"
#include "document/subtitle_list.h"
#include "document/text_encoding.h"
#include "layout/line_breaking.h"
#include "layout/subtitle_font.h"

namespace velorin {

// Measures text as the screen draws it.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // Width in pixels of a UTF-8 text in the font at the font's point size.
  virtual int Width(std::string_view utf8, const SubtitleFont& font) = 0;
};

// Measures each distinct text in a font once: a list of a million rows holds
// far fewer different display lines, and measuring is the costly part of
// every width command. Holds at most about kMaxBytes of texts; beyond that it
// starts afresh.
class CachingMeasurer : public TextMeasurer {
 public:
  static constexpr size_t kMaxBytes = size_t{8} << 20;
  explicit CachingMeasurer(TextMeasurer& measurer) : measurer_(measurer) {}
  int Width(std::string_view utf8, const SubtitleFont& font) override;
  // The width of a display line of the document (bytes: UTF-8 when utf8 is
  // set, otherwise of the eight-bit code page, decoded only when measured).
  int WidthOfBytes(std::string_view bytes, const SubtitleFont& font, bool utf8,
                   TextEncoding eightBit);

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  TextMeasurer& measurer_;
  SubtitleFont font_;
  bool utf8_ = true;
  TextEncoding eightBit_ = kDefaultEightBitEncoding;
  std::unordered_map<std::string, int, Hash, std::equal_to<>> widths_;
  size_t bytes_ = 0;
  std::string decoded_;
};

// What a line is measured against: the font and the screen width in pixels.
struct WidthLimit {
  SubtitleFont font;
  int32_t resolution = 0;
  // The code page of texts that are not UTF-8; the list functions below take
  // the list's own.
  TextEncoding eightBit = kDefaultEightBitEncoding;
};

// The screen width typed into the dialog. Throws the invalid-number error for
// anything but a whole number above 0.
int32_t ParseResolution(std::string_view text);

// Texts below are the document's bytes: UTF-8 when utf8 is set, otherwise
// Windows-1250, decoded before they are measured.

// Whether a display line among the first five is wider than the screen; only
// the text after each line's tag prefix is measured.
bool LineTooWide(std::string_view text, TextMeasurer& measurer, const WidthLimit& limit, bool utf8);

// A subtitle re-broken into more display lines until it fits, five at most.
struct AdjustedSubtitle {
  std::string plain;  // the new lines without tags, '|' between them
  LineTags tags;      // the whole-subtitle tags and the tags of each new line
  std::string text;   // plain with its tags, as written back
  bool fits = false;  // no line of plain is too wide
};

// Re-breaks a text one display line more than it has, then one more, up to
// five lines, stopping at the first count at which every line fits. A text of
// five or more lines is only re-balanced at five.
AdjustedSubtitle AdjustSubtitle(std::string_view text, TextMeasurer& measurer,
                                const WidthLimit& limit, bool utf8);

// The largest even font size from 72 down at which the widest display line of
// the list (all rows, measured at the font's own size) fits the screen; 0 when
// none does. Throws Error at a row whose frames cannot be read.
int32_t LargestFittingSize(const SubtitleList& list, TextMeasurer& measurer,
                           const WidthLimit& limit, const ProgressFn& progress = {});

// The number of rows (selected or not) with a line too wide.
int CountTooWide(const SubtitleList& list, TextMeasurer& measurer, const WidthLimit& limit,
                 const ProgressFn& progress = {});

// Called in manual mode for each row with a line too wide instead of writing
// it: the row, its fields and the proposal. It may change the list.
using ManualAdjustFn =
    std::function<void(int row, const SubtitleFields& fields, const AdjustedSubtitle& proposal)>;

// Re-breaks every row (selected or not) with a line too wide. Without manual
// each such row is written back with its proposal and loses its selection;
// with manual nothing is written here and manual is called instead. Returns the
// number of rows that still do not fit. Throws Error at a row whose frames
// cannot be read; the rows before it stay changed.
int AdjustTooWide(SubtitleList& list, TextMeasurer& measurer, const WidthLimit& limit,
                  const ManualAdjustFn& manual = {}, const ProgressFn& progress = {});

// The dialog's messages (UTF-8).
std::string LargestSizeMessage(int32_t size);
std::string TooWideCountMessage(int32_t size, int count);
std::string NotAdjustedMessage(int count);

}  // namespace velorin
