#include "sync/sync_points.h"

#include "document/error.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "sync/retiming.h"

namespace velorin {

std::string FormatSyncPoint(const SyncPoint& point) {
  return std::to_string(point.newFrame) + "/" + std::to_string(point.oldFrame);
}

std::string CountLabel(size_t count) { return "(" + std::to_string(count) + ")"; }

SyncPoint MakeSyncPoint(LineSpan docLines, int row, int32_t newFrame) {
  if (row < 0 || static_cast<size_t>(row) >= docLines.size()) ThrowIndexOutOfBounds(row);
  return {newFrame, ParseFirstFrame(docLines[static_cast<size_t>(row)]), row};
}

SyncPointClash FindSyncPointClash(const SyncPoints& points, int32_t newFrame, int32_t oldFrame) {
  for (const SyncPoint& p : points) {
    if (p.newFrame == newFrame) return {true, newFrame};
    if (p.oldFrame == oldFrame) return {true, oldFrame};
  }
  return {};
}

std::string SyncClashMessage(int32_t frame, SyncPlacement how) {
  // The spelling "vyskutuje" is kept on purpose: users know the message, and
  // scripts may match it, as it has always been written.
  return "Titulek s číslem snímku " + std::to_string(frame) + " se již v seznamu " +
         (how == SyncPlacement::Add ? "synchronizačních snímků" : "synchronizačních titulků") +
         " vyskutuje!";
}

SyncPointClash PlaceSyncPoint(SyncPoints& points, size_t at, const SyncPoint& point) {
  if (at > points.size()) ThrowIndexOutOfBounds(static_cast<long long>(at));
  SyncPointClash clash = FindSyncPointClash(points, point.newFrame, point.oldFrame);
  if (!clash.found) points.insert(points.begin() + static_cast<std::ptrdiff_t>(at), point);
  return clash;
}

bool CheckChronology(const SyncPoints& points) {
  int64_t newFrame = -1, oldFrame = -1, position = -1;
  for (const SyncPoint& p : points) {
    if (p.newFrame <= newFrame || p.oldFrame <= oldFrame || p.position <= position) return false;
    newFrame = p.newFrame;
    oldFrame = p.oldFrame;
    position = p.position;
  }
  return true;
}

void CompleteSyncPoints(SyncPoints& points, LineSpan docLines, LineSpan syncLines) {
  if (docLines.empty()) ThrowIndexOutOfBounds(0);
  CompleteSyncPoints(points, docLines.front(), docLines.back(), docLines.size(), syncLines);
}

void CompleteSyncPoints(SyncPoints& points, std::string_view docFirst, std::string_view docLast,
                        size_t docCount, LineSpan syncLines) {
  if (syncLines.empty() || docCount == 0) ThrowIndexOutOfBounds(0);
  // Every frame is read before the first change, so a bad line changes nothing.
  const SyncPoint first{ParseFirstFrame(syncLines.front()), ParseFirstFrame(docFirst), 0};
  const SyncPoint last{ParseFirstFrame(syncLines.back()), ParseFirstFrame(docLast),
                       static_cast<int>(docCount - 1)};
  auto sharesFrame = [](const SyncPoint& a, const SyncPoint& b) {
    return a.newFrame == b.newFrame || a.oldFrame == b.oldFrame;
  };
  if (!points.empty() && sharesFrame(points.front(), first))
    points.front() = first;
  else
    points.insert(points.begin(), first);
  if (sharesFrame(points.back(), last))
    points.back() = last;
  else
    points.push_back(last);
}

std::vector<std::string> ScanSyncList(std::string_view raw) {
  const TextBytes text(raw);
  std::string_view bytes = text.View();
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  std::vector<std::string> lines;
  ForEachLine(bytes, [&](std::string_view line) {
    if (!line.empty() && line.front() == '{') lines.emplace_back(line);
    return true;
  });
  return lines;
}

std::vector<std::string> ReadSyncList(const std::string& path) {
  return ScanSyncList(ReadFileBytes(path));
}

int32_t SyncLineFrame(std::string_view line) { return ParseFirstFrame(line); }

std::optional<int32_t> SyncFrameAnswer(std::string_view text) {
  if (text == "-1") return std::nullopt;
  const int32_t frame = ToInt32(text);
  if (frame < 0) ThrowInvalidInteger(std::string(text));
  return frame;
}

std::optional<std::vector<SyncSegment>> PlanSyncSegments(const SyncPoints& points) {
  if (!CheckChronology(points)) return std::nullopt;
  std::vector<SyncSegment> plan;
  for (size_t k = 0; k + 1 < points.size(); ++k) {
    const SyncPoint& a = points[k];
    const SyncPoint& b = points[k + 1];
    SyncSegment s;
    s.firstRow = k == 0 ? a.position : a.position + 1;
    s.lastRow = b.position;
    s.firstOld = a.oldFrame;
    s.lastOld = b.oldFrame;
    s.firstNew = a.newFrame;
    s.lastNew = b.newFrame;
    // Through the field texts, as "=" and the recalculation pass them on.
    RetimingValues v = ComputeRetiming(s.firstOld, s.lastOld, s.firstNew, s.lastNew);
    s.offsetText = FormatDecimal(v.offset);
    s.scaleText = FormatDecimal(v.scale);
    plan.push_back(std::move(s));
  }
  return plan;
}

namespace {

void SelectRows(SubtitleList& doc, int firstRow, int lastRow) {
  doc.ClearSelection();
  for (int row = firstRow; row <= lastRow; ++row) doc.SetSelected(row, true);
}

// A status that the texts FormatDecimal writes cannot cause.
[[noreturn]] void ThrowBadSegment(RecalcStatus status) {
  throw Error(std::string(status == RecalcStatus::BadOffset ? kMsgBadOffset : kMsgBadScale));
}

// Whether every segment can run; the selection is used to pass each range.
SyncStatus CheckSegments(SubtitleList& doc, const SyncPoints& points,
                         const std::vector<SyncSegment>& plan) {
  for (const SyncPoint& p : points)
    if (p.position >= doc.Count()) ThrowIndexOutOfBounds(p.position);
  // The segments do not overlap, so each sees the same rows now as when its
  // turn comes.
  for (const SyncSegment& s : plan) {
    SelectRows(doc, s.firstRow, s.lastRow);
    RecalcStatus status = CheckRecalculation(doc, s.offsetText, s.scaleText, true);
    if (status == RecalcStatus::TooLarge) return SyncStatus::TooLarge;
    if (status != RecalcStatus::Done) ThrowBadSegment(status);
  }
  return SyncStatus::Done;
}

void RestoreSelection(SubtitleList& doc, const std::vector<char>& flags) {
  for (int row = 0; row < doc.Count(); ++row)
    doc.SetSelected(row, flags[static_cast<size_t>(row)] != 0);
}

}  // namespace

SyncStatus Synchronize(SubtitleList& doc, const SyncPoints& points, const ProgressFn& progress) {
  std::optional<std::vector<SyncSegment>> plan = PlanSyncSegments(points);
  if (!plan) return SyncStatus::Disordered;

  // Every segment is checked before the first one runs; a failure leaves the
  // selection as it was, too.
  const std::vector<char> selection = doc.SelectionFlags();
  SyncStatus status = SyncStatus::Done;
  try {
    status = CheckSegments(doc, points, *plan);
  } catch (...) {
    RestoreSelection(doc, selection);
    throw;
  }
  if (status != SyncStatus::Done) {
    RestoreSelection(doc, selection);
    return status;
  }

  const size_t segments = plan->size();
  for (size_t k = 0; k < segments; ++k) {
    const SyncSegment& s = (*plan)[k];
    SelectRows(doc, s.firstRow, s.lastRow);
    ProgressFn part;
    if (progress)
      part = [&](size_t done, size_t total) { progress(k * total + done, segments * total); };
    RecalcStatus result = RecalculateFrames(doc, s.offsetText, s.scaleText, true, part);
    if (result != RecalcStatus::Done) ThrowBadSegment(result);  // checked above
  }
  doc.ClearSelection();
  return SyncStatus::Done;
}

SyncStatus WriteSynchronizedLines(const LineSource& lines, size_t count, const SyncPoints& points,
                                  const ByteSink& append) {
  std::optional<std::vector<SyncSegment>> plan = PlanSyncSegments(points);
  if (!plan) return SyncStatus::Disordered;
  for (const SyncPoint& p : points)
    if (p.position < 0 || static_cast<size_t>(p.position) >= count)
      ThrowIndexOutOfBounds(p.position);
  std::vector<RecalcValues> values;
  values.reserve(plan->size());
  for (const SyncSegment& s : *plan) {
    values.push_back(ParseRecalcFields(s.offsetText, s.scaleText));
    if (values.back().status != RecalcStatus::Done) ThrowBadSegment(values.back().status);
  }
  // The segments follow each other in row order, so one pass meets them in
  // the order Synchronize checks them: a segment whose results do not fit is
  // still read to its end (a line that cannot be read there throws first),
  // and nothing after it is read.
  LineWriter out(append);
  size_t segment = 0, row = 0;
  bool tooLarge = false;
  lines([&](std::string_view line) {
    const auto r = static_cast<int>(row++);
    while (segment < plan->size() && r > (*plan)[segment].lastRow) {
      if (tooLarge) return;
      ++segment;
    }
    const bool inside = segment < plan->size() && r >= (*plan)[segment].firstRow;
    if (tooLarge) {
      if (inside) {
        const SubtitleLineView view(line);
        view.First();
        view.Second();
      }
      return;
    }
    if (!inside) return out.Line(line);
    const RecalcValues& v = values[segment];
    if (!AppendRetimedLine(out.Buffer(), line, v.offset, v.scale)) {
      tooLarge = true;
      return;
    }
    out.EndLine();
  });
  if (tooLarge) return SyncStatus::TooLarge;
  out.Flush();
  return SyncStatus::Done;
}

std::string_view SyncStatusMessage(SyncStatus status) {
  switch (status) {
    case SyncStatus::Disordered:
      return kMsgSyncChronology;
    case SyncStatus::TooLarge:
      return kMsgSyncFrameTooLarge;
    case SyncStatus::Done:
      break;
  }
  return {};
}

SyncButtons EnabledSyncButtons(const SyncDialogState& s) {
  if (s.running) return {};
  SyncButtons b;
  b.pridBut = s.subtitleSelected;
  b.vlozBut = s.subtitleSelected && s.pointSelected;
  b.dopBut = s.syncLineCount > 0;
  b.odebBut = s.pointSelected;
  b.odebVseBut = s.pointCount >= 1;
  b.syncBut = s.pointCount >= 2;
  b.prBut = true;
  b.zavBut = true;
  return b;
}

}  // namespace velorin
