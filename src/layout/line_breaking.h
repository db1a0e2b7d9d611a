#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "document/subtitle_file.h"
#include "document/subtitle_list.h"

namespace velorin {

// Lengths and positions here count characters: bytes of a Windows-1250 text,
// code points of a UTF-8 one (utf8 true). Positions are 1-based.

// The length of a text in characters.
size_t CharacterCount(std::string_view text, bool utf8);

// The position of the blank nearest to target, the leftmost of two equally
// near ones; 0 when the text has no blank.
size_t FindNearestSpace(std::string_view text, size_t target, bool utf8 = false);

// Turns up to breaks blanks into '|': the k-th break goes to the blank nearest
// to length / (breaks + 1) x k (rounded half to even), all found on the
// unchanged text. A blank at the very end is never turned, and two targets may
// choose the same blank, so the result can have fewer lines than asked.
std::string BreakIntoLines(std::string_view text, int breaks, bool utf8 = false);

// The tags of a text as re-breaking keeps them: the whole-subtitle tags of the
// first line's prefix, and each display line's own tag prefix (the first
// line's sorted out of its prefix; other tags there are dropped).
struct LineTags {
  std::string whole;
  std::array<std::string, 5> lines;
};
LineTags CollectLineTags(std::string_view text);

// Gives each new line without tags of its own the tags of the line above.
void InheritLineTags(LineTags& tags, const std::array<std::string, 5>& newLines);

// A re-broken text with its tags: whole-subtitle tags and the first line's
// tags, the first line, then '|', tags and text of each further non-empty
// line. Empty when every line is empty. When the first line is empty but a
// later one is not, the text starts with the whole-subtitle and first-line
// tags followed by '|'.
std::string RebuildWithTags(const LineTags& tags, const std::array<std::string, 5>& newLines);

// One text re-broken into breaks + 1 display lines with its tags kept in their
// scopes. Nothing when maximum is set and the text has fewer lines than asked
// (it is then left as it is).
std::optional<std::string> ChangeTextLineCount(std::string_view text, int breaks, bool maximum,
                                               bool utf8 = false);

// Buffers that re-breaking keeps from one row to the next, so that a loop
// over a million rows allocates nothing per row.
struct LineBreakScratch {
  std::string whole, firstLine, plain;
};

// ChangeTextLineCount appended to out; false, out untouched, where that gives
// nothing.
bool AppendTextLineCount(std::string& out, std::string_view text, int breaks, bool maximum,
                         bool utf8, LineBreakScratch& scratch);

// Re-breaks every selected row into breaks + 1 display lines (breaks 0 to 4;
// 0 joins). With maximum set, a row with fewer display lines than asked is not
// touched and keeps its selection; every other selected row is written back
// and loses it. Throws Error at a row whose frames cannot be read; the rows
// before it stay changed.
void ChangeLineCount(SubtitleList& list, int breaks, bool maximum, const ProgressFn& progress = {});

// The same on a document read once: every line to append (each ended by
// CR LF), re-broken when selected (selection has a flag for every row, or is
// null for all). utf8: the whole document is valid UTF-8. Throws as
// ChangeLineCount does; what reached append is then to be thrown away.
void WriteLineCountChanged(const LineSource& lines, const std::vector<char>* selection, int breaks,
                           bool maximum, bool utf8, const ByteSink& append);

// The same for every row, from the rest of a FindFirstSubtitleLine: made on
// several threads at once, the bytes as one pass writes them.
void WriteLineCountChangedInBlocks(std::string_view subtitleLines, int breaks, bool maximum, bool utf8,
                                   const ByteSink& append);

}  // namespace velorin
