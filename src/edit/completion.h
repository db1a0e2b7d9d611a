#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "document/subtitle_file.h"
#include "document/subtitle_list.h"

namespace velorin {

// Display times in whole seconds for subtitles of 1, 2, 3, 4 and 5 display
// lines. A second counts 25 frames whatever the film's frame rate.
using CompletionSeconds = std::array<int32_t, 5>;

inline constexpr int32_t kCompletionFramesPerSecond = 25;

// Shown when a completed second frame would not fit a frame number (UTF-8).
inline constexpr std::string_view kMsgSecondFrameTooLarge =
    "Číslo druhého snímku by bylo větší než 2147483647, takové číslo už nelze uložit. "
    "Titulky zůstaly beze změny.";

// The table the completion dialog fills in from its longest time t and its
// step k (each 1 when its field is empty). Proportional: t - 2k, t - k, t,
// t + k, t + 2k, the first three raised to 1 when below 1; otherwise t
// (raised to 1) for every count. 7 and 2 give 3, 5, 7, 9, 11.
CompletionSeconds CompletionTable(int32_t t, int32_t k, bool proportional);

// The longest time or the step as the table's recomputation reads its field:
// 1 when empty. Throws the invalid-number error for text that is not a number.
int32_t CompletionFieldValue(std::string_view field);

// One entry of the table as the completion reads it: exactly "0" counts as one
// second, anything else its number. Throws the invalid-number error for an
// empty entry or one that is not a whole number.
int32_t CompletionEntrySeconds(std::string_view entry);

enum class CompletionStatus { Done, TooLarge };

// Gives every selected row (only those without a second frame when onlyEmpty)
// a second frame by its number of display lines: first + 25 x seconds, but one
// before the next row's first frame when it would reach past it. Rows with more
// than five display lines take the five-line time. Every row of the list whose
// first frame is 0 or whose text is empty is removed first, selected or not.
// Every row is read and every result checked before the list changes: a line
// that cannot be read throws Error, a second frame that would not fit gives
// TooLarge, and in both cases the list stays as it was. Rewritten rows lose
// their selection; the other rows keep theirs.
CompletionStatus CompleteSecondFrames(SubtitleList& list, const CompletionSeconds& seconds,
                                      bool onlyEmpty, const ProgressFn& progress = {});

// The same on a document read once and written as it goes: the rows of lines
// that stay go to append (each ended by CR LF), in order, the completed ones
// rewritten. selection has a flag for every row, or is null for all. Each row
// is read whatever happens, so that a line that cannot be read throws as
// above; on TooLarge what reached append is to be thrown away.
CompletionStatus WriteCompletedLines(const LineSource& lines, const std::vector<char>* selection,
                                     const CompletionSeconds& seconds, bool onlyEmpty,
                                     const ByteSink& append);

// RemoveSecondFrames on a document read once, every line to append.
void WriteWithoutSecondFrames(const LineSource& lines, const std::vector<char>* selection,
                              const ByteSink& append);

// Empties the second frame of every selected row; the rows lose their
// selection. Throws Error at a row whose frames cannot be read; the rows
// before it stay changed.
void RemoveSecondFrames(SubtitleList& list, const ProgressFn& progress = {});

}  // namespace velorin
