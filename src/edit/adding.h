#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/subtitle_list.h"
#include "document/text_encoding.h"

namespace velorin {

// Shown when a shifted frame would not fit a frame number (UTF-8).
inline constexpr std::string_view kMsgShiftedFrameTooLarge =
    "Posunuté číslo snímku by bylo větší než 2147483647, takové číslo už nelze uložit. "
    "Titulky zůstaly beze změny; zkontrolujte počet snímků posunu.";

// The lines of a file offered for adding to the document.
struct AddedLines {
  std::vector<std::string> lines;              // bytes as read
  bool utf8 = true;                            // the whole file is valid UTF-8
  TextEncoding encoding = TextEncoding::Utf8;  // as detected
};

// Every line that is neither empty nor a header line ('[' first), unchanged
// and in file order; lines that are not subtitle lines are listed too. CR LF
// and LF end a line; a UTF-8 byte-order mark at the start is skipped.
AddedLines ParseAddedLines(std::string_view bytes);
// The same from a file; throws Error when it cannot be read.
AddedLines ReadAddedLines(const std::string& path);

// The frame offset as typed: an optional '-' followed by digits. Anything else
// (empty, a lone '-', a '-' among the digits) counts as 0.
int64_t ParseFrameOffset(std::string_view text);

enum class ShiftStatus { Done, TooLarge };

// Adds offset to both frames of every line: a negative result becomes 0 and
// both frames are written in decimal, 0 included ({10}{}a by 100 gives
// {110}{100}a). A line that is not a subtitle line becomes one with the text
// its parse found. Every line is read and every result checked before any
// line changes: a frame that cannot be read throws Error, a result above
// 2147483647 gives TooLarge, and in both cases lines stay as they were.
ShiftStatus ShiftLines(std::vector<std::string>& lines, int64_t offset,
                       const ProgressFn& progress = {});

// Appends to the end of doc, in order, every line that begins with '{'
// (only those whose selection flag is set, when selection is given). Lines
// in another encoding than the document's go in re-encoded, so that one file
// never mixes two encodings; a character the document's encoding lacks
// becomes '?' (FirstLineNotFitting finds such lines first). Returns how many
// lines were appended; the new rows are not selected.
int AppendAddedLines(SubtitleList& doc, const std::vector<std::string>& lines,
                     TextEncoding linesEncoding, const std::vector<char>* selection = nullptr);
// The same for lines in UTF-8 (linesUtf8) or Windows-1250.
int AppendAddedLines(SubtitleList& doc, const std::vector<std::string>& lines, bool linesUtf8,
                     const std::vector<char>* selection = nullptr);

// The index of the first line AppendAddedLines would add that holds a
// character the document's encoding cannot write; nothing when all fit.
std::optional<size_t> FirstLineNotFitting(const SubtitleList& doc,
                                          const std::vector<std::string>& lines,
                                          TextEncoding linesEncoding,
                                          const std::vector<char>* selection = nullptr);

// Rewrites every line of doc in UTF-8 and makes UTF-8 its encoding, so that
// lines with any characters can join it. Taken back as one with its lines.
void ConvertDocumentToUtf8(SubtitleList& doc, const ProgressFn& progress = {});

// The question asked before such a conversion, naming the first line that
// does not fit (its text in UTF-8) and the document's encoding.
std::string NotFittingQuestion(std::string_view lineUtf8, TextEncoding documentEncoding);

}  // namespace velorin
