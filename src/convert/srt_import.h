#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/error.h"
#include "document/subtitle_list.h"
#include "sync/frame_rate.h"

namespace velorin {

// Turning SRT files and files of time-code lines into frame-based subtitle
// lines. Everything works on the file's bytes; the text is copied unchanged.
//
// Times are decimal seconds and frame rates exact thousandths (FrameRate), so
// the frame of a time is computed exactly: 00:00:01,160 at 25 fps is frame
// 29, not 28.999... .

// Seconds times the rate, in thousandths of a frame, rounded down.
using FrameValue = int64_t;

// The frame field a value gives: empty below half a frame, otherwise the whole
// frames in decimal (37.5 gives "37", 0.7 gives "0", 0.3 gives ""). Throws the
// invalid-number error when the frame does not fit 32 bits.
std::string FrameFieldText(FrameValue value);

// Whether the bytes of a file hold SRT: true when the first line of at least
// four characters that does not begin with '[' contains "-->". Lines of
// nothing but blanks and tabs are passed over, a UTF-8 byte-order mark is
// ignored. Without such a line, the last line decides.
bool IsSrtText(std::string_view bytes);

// Whether a path ends in ".srt" (any case).
bool HasSrtExtension(std::string_view path);

// True for a path ending in ".srt" (any case); otherwise the text test on the
// start of the file, read only as far as needed. Throws Error when the file
// cannot be read.
bool IsSrtFile(const std::string& path);

struct ConvertedTimes {
  FrameValue start = 0;
  FrameValue end = 0;
};

// The start and end frame values of an SRT time line such as
// "00:00:01,500 --> 00:00:04,000". Hours, minutes, seconds and fraction are
// digit fields: ':' moves to the next field, ',' or '.' to the fraction,
// "->" to the end time; other characters are passed over. Digits beyond the
// fraction field are dropped, and whatever follows the end time's fraction
// (position coordinates such as "X1:100") is ignored. Throws the
// invalid-number error when a field does not fit 32 bits.
ConvertedTimes ParseSrtTimes(std::string_view timeLine, FrameRate rate);

struct TimeCodeLine {
  FrameValue start = 0;
  FrameValue end = 0;
  std::string_view text;  // points into the line
};

// One line "h:m:s[.ff],h:m:s[.ff] text" (either time may be missing): six
// number fields and two fractions of exactly two digits; the text begins at
// the first character that cannot be part of a time, or after the ':' that
// follows the seconds. Numbers beyond the sixth are dropped. Throws the
// invalid-number error when a field does not fit 32 bits.
TimeCodeLine ParseTimeCodeLine(std::string_view line, FrameRate rate);

// Appends "{first}{second}text" to lines. When both values are below half a
// frame the text has no time of its own: it is added to the end of the last
// line, or starts a line with empty frames when there is none yet; an empty
// text then adds nothing.
void AddConvertedSubtitle(std::vector<std::string>& lines, std::string_view text, FrameValue start,
                          FrameValue end);

struct ConvertedDocument {
  std::vector<std::string> lines;
  bool utf8 = true;  // the file's text is valid UTF-8 (how it is shown)
};

// A conversion that stopped on a number too large. what() is the program's
// invalid-number message; Line() the 1-based line of the file it stopped on.
class ConversionError : public Error {
 public:
  ConversionError(const std::string& message, size_t line) : Error(message), line_(line) {}
  size_t Line() const { return line_; }

 private:
  size_t line_;
};

// Whether a line is an SRT time line: "-->" with a time before and after it,
// a time being digits with ':', ',' and '.' between them, blanks allowed;
// whatever follows the second time (coordinates) does not matter.
bool IsSrtTimeLine(std::string_view line);

// Converts a whole SRT file, as its blocks are meant rather than as strictly
// as they should be written. A time line starts a block wherever it stands:
// with or without a counter line or an empty line before it. The block's
// text lines, however many, become its display lines joined with '|'; blank
// lines among them stay as empty display lines, unless only a new block (or
// the end) follows them. A digits-only line right before a time line is its
// counter. LF, CR LF, CR CR LF and a bare CR end lines. Before the first time
// line of that form, blocks are taken by shape: a counter line, a time line
// of any form, text up to an empty line. UTF-16 with a byte-order mark is
// read as its UTF-8. Either returns every subtitle or throws ConversionError
// and returns nothing.
ConvertedDocument ConvertSrt(std::string_view bytes, FrameRate rate,
                             const ProgressFn& progress = {});

// Converts a whole file of time-code lines, one subtitle per line; empty lines
// and '[' lines are skipped, UTF-16 is read as its UTF-8. All or nothing, as
// ConvertSrt.
ConvertedDocument ConvertTimeCodeLines(std::string_view bytes, FrameRate rate,
                                       const ProgressFn& progress = {});

// The same conversions handing each line to emit as soon as it is complete,
// so that a large file can be written without holding all its lines; they
// return whether the text is valid UTF-8. On ConversionError the lines
// handed over so far are to be discarded.
using ConvertedLineFn = std::function<void(std::string_view line)>;
bool ConvertSrtInto(std::string_view bytes, FrameRate rate, const ConvertedLineFn& emit,
                    const ProgressFn& progress = {});
bool ConvertTimeCodeLinesInto(std::string_view bytes, FrameRate rate, const ConvertedLineFn& emit,
                              const ProgressFn& progress = {});

}  // namespace velorin
