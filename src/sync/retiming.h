#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/file_io.h"
#include "document/subtitle_file.h"
#include "document/subtitle_list.h"

namespace velorin {

// Messages of the retiming commands (UTF-8).
inline constexpr std::string_view kMsgLastBeforeFirst =
    "Číslo posledního snímku musí být větší než číslo prvního snímku!";
inline constexpr std::string_view kMsgBadOffset = "Hodnota posunu je chybná!";
inline constexpr std::string_view kMsgBadScale = "Hodnota časového měřítka je chybná!";
inline constexpr std::string_view kMsgNonStandardSync = "Nestandardní formát titulků!";
inline constexpr std::string_view kMsgFrameTooLarge =
    "Přepočítané číslo snímku by bylo větší než 2147483647, takové číslo už nelze uložit. "
    "Titulky zůstaly beze změny; zkontrolujte výsledný posun a časové měřítko.";

// Offset and scale that send firstOld to firstNew and lastOld to lastNew.
struct RetimingValues {
  bool success = false;  // false unless firstOld < lastOld and firstNew < lastNew
  double scale = 0;
  double offset = 0;
};
RetimingValues ComputeRetiming(int32_t firstOld, int32_t lastOld, int32_t firstNew,
                               int32_t lastNew);

// A real number as the offset and scale fields show it: decimal comma, at most
// 15 significant digits, no trailing zeros, no decimal part when whole
// ("2,5", "1,25", "-200"); very large or small values in the exponent form
// "1,5E-7", "1E20".
std::string FormatDecimal(double value);

// Parses what FormatDecimal writes and what a user types: optional sign,
// digits with at most one decimal comma, optional exponent; surrounding blanks
// are ignored. Nothing for anything else ("", "-", ",", "1,2,3", "2.5").
std::optional<double> ParseDecimal(std::string_view text);

// Rounds to the nearest whole number, halves to even.
long double RoundHalfEven(long double value);

// A frame recomputed: frame * scale + offset in extended precision, rounded
// half to even, negative results as 0. May exceed 32 bits; callers check.
long double RetimeFrame(int32_t frame, long double offset, double scale);

// One line recomputed: "{f'}{s'}text", the second field empty when s' < f'.
// Nothing when a result would not fit a 32-bit frame number. Throws Error when
// a frame of the line itself is too large.
std::optional<std::string> RetimeLine(std::string_view line, long double offset, double scale);

// The same appended to out; false, with out unchanged, when a result would not
// fit. Throws as RetimeLine does.
bool AppendRetimedLine(std::string& out, std::string_view line, long double offset, double scale);

enum class RecalcStatus { Done, BadOffset, BadScale, TooLarge };

// The offset and scale fields as the recalculation reads them, or the status
// that stops it: the offset rounded to a whole frame, the scale as typed.
struct RecalcValues {
  RecalcStatus status = RecalcStatus::Done;
  long double offset = 0;
  double scale = 0;
};
RecalcValues ParseRecalcFields(std::string_view offsetText, std::string_view scaleText);

// Applies the offset and scale texts to every line (or only the selected ones,
// which end up deselected). The offset is rounded to a whole frame first.
// Every result is checked before the first line changes, so on any status but
// Done the list is untouched.
RecalcStatus RecalculateFrames(SubtitleList& doc, std::string_view offsetText,
                               std::string_view scaleText, bool selectedOnly,
                               const ProgressFn& progress = {});

// What RecalculateFrames would return for the same arguments, changing
// nothing: lets a caller check several recalculations before running any.
// Throws Error as RecalculateFrames does for a line whose frame is too large.
RecalcStatus CheckRecalculation(const SubtitleList& doc, std::string_view offsetText,
                                std::string_view scaleText, bool selectedOnly);

// RecalculateFrames for a document that is written rather than kept: every
// line, followed by CR LF, goes to append in pieces of 256 KiB,
// recalculated when it takes part (all lines, or those whose flag in
// selection is set). One pass reads and writes; the statuses and errors are
// those RecalculateFrames gives for the same lines. On TooLarge the lines
// after the one that did not fit are only read, and the caller must drop what
// append has received.
RecalcStatus WriteRecalculatedLines(const LineSource& lines, const std::vector<char>* selection,
                                    std::string_view offsetText, std::string_view scaleText,
                                    const ByteSink& append);

// What WriteRecalculatedLines would return for the same arguments, writing
// nothing; throws as it does.
RecalcStatus CheckRecalculatedLines(const LineSource& lines, const std::vector<char>* selection,
                                    std::string_view offsetText, std::string_view scaleText);

// The first frame of a line as digit text: the digits between the second
// character and the first '}' ("{1234}{1300}x" -> "1234", "{}{5}x" -> "").
std::string ExtractFirstFrameDigits(std::string_view line);

// The first and last frame a synchronization file gives.
struct SyncBounds {
  bool found = false;        // a subtitle line came before any foreign line
  bool nonStandard = false;  // a foreign line came first: nothing else is set
  std::string first;         // digits of the first subtitle line
  std::string last;          // digits of the file's final line, whatever it holds
};

// Scans the bytes of a synchronization file: empty and '[' lines before the
// first '{' line are skipped, any other line there makes the file
// non-standard; after it, the final line counts.
SyncBounds ScanSyncBounds(std::string_view bytes);

// The same for a file on disk. Throws Error when it cannot be read.
SyncBounds ReadSyncBounds(const std::string& path);

}  // namespace velorin
