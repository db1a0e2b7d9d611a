#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/ascii.h"  // AsciiLowerCase, which the search needle goes through
#include "document/subtitle_list.h"

namespace velorin {

// The line inserted before row k: it fills the gap between the end of row k-1
// (0 for the first row) and the start of row k; when both meet at one frame
// the new subtitle gets that frame as its first and second frame.
std::string InsertedLine(const SubtitleList& list, int row);

// Repairs the selected rows from the top: rows without frames or without any
// text outside braces are removed; a second frame before the first becomes
// first + 80; a second frame reaching into the next row's start is pulled
// back to one before it. Rewritten rows lose their selection.
void RepairSelected(SubtitleList& list, const ProgressFn& progress = {});

// The key a line is sorted by: the first frame padded with zeros to seven
// digits after the opening brace, and the pad count appended as one digit.
std::string SortKey(std::string_view line);

// Sorts all rows by first frame (an empty one counting 0), rows with equal
// first frames by the rest of the line as text; letter case of A-Z does not
// matter and equal keys keep their order. Every line stays byte for byte as
// it was. Afterwards no row is selected; the cursor row keeps its number.
void SortChronologically(SubtitleList& list, const ProgressFn& progress = {});

// What the search compares a line's text with: brace groups removed, '|'
// made spaces, lower-cased (A-Z) unless matchCase.
std::string SearchableText(std::string_view line, bool matchCase);

// The first row after (down) or before (up) the cursor row whose text holds
// needle, or -1. The cursor row itself is never examined and the search
// does not wrap. needle is compared as given (the caller lower-cases it when
// case does not matter). An empty needle never matches.
int FindRow(const SubtitleList& list, std::string_view needle, bool down, bool matchCase,
            const ProgressFn& progress = {});

// The frame number typed into the go-to box; anything that is not a whole
// number counts as 0.
int64_t FrameFromAnswer(std::string_view answer);

// The row go-to selects: the last row starting at or before frame (on a
// sorted list), row 0 for a frame before the first, the last row when no
// later row starts after it. -1 for an empty list.
int RowForFrame(const SubtitleList& list, int64_t frame, const ProgressFn& progress = {});

// The file a new document is saved to: the file-name part of the answer cut
// at its first full stop, with ".sub", inside the subtitles folder.
std::string NewFilePath(const std::string& subtitlesPath, std::string_view answer);

// The line "No&vý" in the edit dialog appends: one frame after the last
// row's second frame, a hundred frames long, no text.
std::string NewLineAfter(const SubtitleList& list);

// The subtitle edit dialog's fields for a text: the five display lines, the
// whole-subtitle tags (formats[0]) and the tags of each line (formats[1..5]).
struct EditFields {
  std::array<std::string, 5> lines;
  std::array<std::string, 6> formats;
};
EditFields EditFieldsFromText(std::string_view text);

// The line the edit dialog writes: frames as typed, then the non-empty lines
// with their tags ('|' between them). The whole-subtitle tags go with a
// non-empty first line only; tag letters are put in the case of their scope.
std::string LineFromEditFields(std::string_view frame1, std::string_view frame2,
                               const EditFields& fields);

// The row a step of the edit dialog's "<" (negative) or ">" (positive) of
// any size leads to, held within the list (row 0 for an empty one).
int SteppedRow(int row, int64_t step, int count);

}  // namespace velorin
