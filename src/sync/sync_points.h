#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/file_io.h"
#include "document/subtitle_file.h"
#include "document/subtitle_list.h"

namespace velorin {

// Messages of the advanced synchronization (UTF-8).
inline constexpr std::string_view kMsgSyncChronology =
    "U synchronizačních snímků musí být dodržena chronologie!";
inline constexpr std::string_view kCaptionSyncWarning = "Upozornění";
inline constexpr std::string_view kMsgSyncFileUnusable =
    "Synchronizační soubor obsahuje nestandardní formát titulků a nelze ho použít.";
inline constexpr std::string_view kMsgSyncFrameTooLarge =
    "Přepočítané číslo snímku by bylo větší než 2147483647, takové číslo už nelze uložit. "
    "Titulky zůstaly beze změny; zkontrolujte synchronizační snímky.";

// A synchronization point: the document subtitle at row `position` (from 0),
// whose first frame is `oldFrame`, must appear at `newFrame`.
struct SyncPoint {
  int32_t newFrame = 0;
  int32_t oldFrame = 0;
  int position = 0;
  bool operator==(const SyncPoint&) const = default;
};

// The points in the order the user placed them.
using SyncPoints = std::vector<SyncPoint>;

// A point as the point list shows it: new frame "/" old frame ("1250/1200").
std::string FormatSyncPoint(const SyncPoint& point);

// "(" + count + ")", the count labels beside the lists.
std::string CountLabel(size_t count);

// The point for the document subtitle at row, to appear at newFrame. Throws
// Error for a row outside the lines or a frame too large for 32 bits.
SyncPoint MakeSyncPoint(LineSpan docLines, int row, int32_t newFrame);

struct SyncPointClash {
  bool found = false;
  int32_t frame = 0;  // the frame that is already taken
};

// The first point, in list order, whose new frame is newFrame or else whose
// old frame is oldFrame; within a point the new frame is looked at first.
SyncPointClash FindSyncPointClash(const SyncPoints& points, int32_t newFrame, int32_t oldFrame);

// How a point is placed: "Přidat" appends, "Vložit" goes before the selected
// point. The two commands word their clash message differently.
enum class SyncPlacement { Add, Insert };
std::string SyncClashMessage(int32_t frame, SyncPlacement how);

// Puts point at index `at` (points.size() appends) unless it clashes with a
// point already there; on a clash the points stay as they were. Throws Error
// for an index past the end.
SyncPointClash PlaceSyncPoint(SyncPoints& points, size_t at, const SyncPoint& point);

// Whether the points can be run: new frames, old frames and document positions
// all rise strictly from each point to the next. Rising positions keep every
// subtitle in at most one segment.
bool CheckChronology(const SyncPoints& points);

// "Doplnit": the first and last subtitle of the document paired with the first
// and last line of the synchronization file. Each replaces the first (last)
// point when that shares its new or its old frame, and is otherwise inserted
// before all points (appended). No clash or order check. Throws the
// index-out-of-bounds Error with 0 when either list is empty; the points are
// untouched on every error.
void CompleteSyncPoints(SyncPoints& points, LineSpan docLines, LineSpan syncLines);
// The same from the document's first and last line and its number of rows.
void CompleteSyncPoints(SyncPoints& points, std::string_view docFirst, std::string_view docLast,
                        size_t docCount, LineSpan syncLines);

// The lines of a synchronization file that can be paired: every non-empty
// line beginning with '{', in file order; everything else is skipped. A UTF-8
// byte-order mark at the start is ignored. Empty when the file is unusable.
std::vector<std::string> ScanSyncList(std::string_view bytes);

// The same for a file on disk. Throws Error when it cannot be read.
std::vector<std::string> ReadSyncList(const std::string& path);

// The frame a synchronization line gives a point: its first frame.
int32_t SyncLineFrame(std::string_view line);

// The answer of the synchronization-frame dialog: its field as a frame, or
// nothing for "-1" (closed without OK). Throws Error for anything else that
// is not a frame number.
std::optional<int32_t> SyncFrameAnswer(std::string_view text);

// One stretch between neighbouring points k and k + 1, retimed linearly.
struct SyncSegment {
  int firstRow = 0;  // document rows retimed, both included
  int lastRow = 0;
  // The frame pairs as the main window's E1, E2, E3 and E4 take them.
  int32_t firstOld = 0, lastOld = 0, firstNew = 0, lastNew = 0;
  // Offset and scale exactly as "=" shows them in E5 and E6; the
  // recalculation parses these texts, so every way of running a segment
  // gives the same frames.
  std::string offsetText, scaleText;
};

// The segments of the points: the first runs from the first point's row to
// the second's, each later one from the row after its first point to its
// second point, so an inner point's subtitle belongs to the segment ending at
// it. Nothing when CheckChronology fails.
std::optional<std::vector<SyncSegment>> PlanSyncSegments(const SyncPoints& points);

enum class SyncStatus {
  Done,        // every segment retimed (none with fewer than 2 points)
  Disordered,  // CheckChronology failed
  TooLarge,    // some result would not fit a 32-bit frame
};

// "Synchronizovat" on the document: checks the order and every segment's
// results, and only then retimes each segment through RecalculateFrames on its
// rows, selected for it alone (a selection made before takes no part). On any
// status but Done, and on Error (a point outside the document, a line whose
// frame is too large), lines and selection are as they were. After Done
// nothing is selected.
SyncStatus Synchronize(SubtitleList& doc, const SyncPoints& points,
                       const ProgressFn& progress = {});

// Synchronize on a document of count rows read once and written as it goes:
// every line to append (each ended by CR LF), retimed when a segment holds
// it. The statuses and errors are those Synchronize gives; on any status but
// Done what reached append is to be thrown away.
SyncStatus WriteSynchronizedLines(const LineSource& lines, size_t count, const SyncPoints& points,
                                  const ByteSink& append);

// The message for a status other than Done.
std::string_view SyncStatusMessage(SyncStatus status);

// What the dialog's buttons depend on.
struct SyncDialogState {
  bool subtitleSelected = false;  // a row of the document list
  bool pointSelected = false;     // a row of the point list
  size_t pointCount = 0;
  size_t syncLineCount = 0;  // lines of the synchronization file list
  bool running = false;      // "Synchronizovat" is running
};

// Enabled state of each button, named after it. While the synchronization
// runs nothing that changes the points, the lists or the dialog is enabled.
struct SyncButtons {
  bool pridBut = false;
  bool vlozBut = false;
  bool dopBut = false;
  bool odebBut = false;
  bool odebVseBut = false;
  bool syncBut = false;
  bool prBut = false;
  bool zavBut = false;
  bool operator==(const SyncButtons&) const = default;
};
SyncButtons EnabledSyncButtons(const SyncDialogState& state);

}  // namespace velorin
