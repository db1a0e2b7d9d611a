#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sync/sync_points.h"

namespace velorin {

// The speech track's resolution: one decision per 10 ms of the film.
inline constexpr double kSpeechStepSeconds = 0.01;

// Where people speak in a film, and the frame rate of its picture.
struct SpeechTrack {
  std::vector<bool> speech;  // one per kSpeechStepSeconds from the film's start
  double frameRate = 0;      // of the first video stream; 0 when there is none
};

// Messages of the automatic synchronization (UTF-8).
inline constexpr std::string_view kMsgAutoNoAudio =
    "Film nemá zvukovou stopu, podle zvuku ho nelze synchronizovat.";
// Followed by why, in FFmpeg's or the system's words, in brackets.
inline constexpr std::string_view kMsgFilmUnreadable = "Zvuk filmu nelze přečíst";
inline constexpr std::string_view kMsgAutoNoSpeech =
    "Ve zvuku filmu nebyla nalezena řeč, podle zvuku ho nelze synchronizovat.";
inline constexpr std::string_view kMsgAutoNoSubtitles =
    "Titulky neobsahují žádný snímek, podle kterého by je šlo synchronizovat.";
// Followed by the confidence in per cent and kMsgAutoUnchanged.
inline constexpr std::string_view kMsgAutoUnclear =
    "Zvuk filmu synchronizaci spolehlivě neurčuje (jistota ";
inline constexpr std::string_view kMsgAutoUnchanged = "Posun a časové měřítko zůstaly beze změny.";

// A subtitle as the alignment sees it: its document row and the seconds it is
// shown, its frames read at the film's frame rate.
struct SubtitleSpan {
  int row = 0;
  double start = 0;
  double end = 0;
};

// The spans of the document's subtitles. A line without a first frame (or
// with frame 0, which is written the same way) takes no part; one without a usable second frame is
// taken as shown until the next subtitle, from half a second to two and a half. Throws Error for a
// frame too large for 32 bits.
std::vector<SubtitleSpan> SubtitleSpans(LineSpan lines, double fps);

// The scales of the frame rates films and subtitles are made for (23,976;
// 24; 25; 29,97; 30), each rate over each other one: 1 first, then from the
// most common (25 and 23,976) on.
std::vector<double> CandidateScales();

enum class AutoSyncStatus {
  Found,        // offset and scale found with enough confidence
  Unclear,      // found, but the sound hardly prefers it to another fit
  NoSpeech,     // the film's sound has no speech, or nothing but "speech"
  NoSubtitles,  // no subtitle with a first frame
};

// One stretch of the document retimed by its own offset (piecewise mode).
struct AutoSyncSegment {
  int firstRow = 0, lastRow = 0;  // document rows, both included
  double offset = 0;              // frames
  double scale = 1;               // the same for every stretch
  double confidence = 0;
};

struct AutoSyncResult {
  AutoSyncStatus status = AutoSyncStatus::NoSpeech;
  // New frame = old frame * scale + offset (offset in frames of the film).
  double offset = 0;
  double scale = 1;
  // How much better the fit is than the best different one: 0 (no better)
  // to 1 (nothing else fits at all).
  double confidence = 0;
  // Outside piecewise mode: Unclear because stretches with offsets of their
  // own fit clearly (a film cut differently), which piecewise mode finds.
  bool cut = false;
  // The main window's fields for this result: E1 and E2 (the first frame of
  // the first and of the last row), E3 and E4 (where they go), and the offset
  // and scale exactly as "=" shows them for these four frames.
  int32_t firstOld = 0, lastOld = 0, firstNew = 0, lastNew = 0;
  std::string offsetText, scaleText;
  // Piecewise mode: the stretches, and synchronization points at the first
  // and last row of each, rising in rows and frames. The offset and scale
  // above stay those of the best single fit; the confidence becomes the
  // lowest of the stretches' when there are several.
  std::vector<AutoSyncSegment> segments;
  SyncPoints points;
};

// The frame rates the alignment takes.
inline constexpr double kMinAutoSyncRate = 1;
inline constexpr double kMaxAutoSyncRate = 300;

// Below this confidence the result is Unclear: on the recorded-speech cases
// (bench/autosync_real) every result put out wrongly scored below 17 %.
inline constexpr double kMinAutoSyncConfidence = 0.2;

// Finds the offset and scale under which the document's subtitles cover the
// film's speech best: every candidate scale correlated at 10 ms steps, the best
// refined to a millisecond and to the scale between the candidates when that
// fits clearly better. With piecewise, also the stretches of the document
// whose best offset differs (a film cut differently) and their points.
// fps is the film's frame rate, kMinAutoSyncRate to kMaxAutoSyncRate. Throws
// Error for a frame too large or a rate out of that range. The work is shared
// among `threads` threads at most (the calling one among them); the result is
// the same to the last bit for any number of them.
AutoSyncResult AlignToSpeech(const std::vector<bool>& speech, LineSpan lines, double fps,
                             bool piecewise = false, unsigned threads = 1);

// The threads a command that waits for nothing else aligns on: one per
// processor, four at most.
unsigned AlignThreadsForCommand();

// The message for Unclear, NoSpeech and NoSubtitles.
std::string AutoSyncMessage(const AutoSyncResult& result);

// The frames and texts of the main window's fields for a mapping (see
// AutoSyncResult): E3 and E4 are picked among the whole frames next to the
// exact ones so that the retiming "=" gives for them (its offset rounded to a
// whole frame) stays nearest to the mapping at both ends.
void FillRetimingFields(AutoSyncResult& result, LineSpan lines);

}  // namespace velorin
