#include "sync/sync_points.h"

#include <gtest/gtest.h>

#include "document/error.h"

namespace velorin {
namespace {

using Lines = std::vector<std::string>;

SubtitleList Doc(Lines lines) {
  SubtitleList doc;
  doc.Assign(std::move(lines));
  return doc;
}

// 21 subtitles: first frames 100 at row 0, 1000 at row 10, 1500 at 15, 2000 at
// 20, each shown for 50 frames.
Lines TwentyOne() {
  Lines lines;
  for (int i = 0; i <= 20; ++i) {
    int f = i <= 10 ? 100 + 90 * i : 1000 + 100 * (i - 10);
    lines.push_back("{" + std::to_string(f) + "}{" + std::to_string(f + 50) + "}t" +
                    std::to_string(i));
  }
  return lines;
}

TEST(Synchronize, ThreePointsRetimeTwoStretches) {
  const SyncPoints points = {{100, 100, 0}, {1000, 1000, 10}, {2200, 2000, 20}};
  auto plan = PlanSyncSegments(points);
  ASSERT_TRUE(plan && plan->size() == 2);
  EXPECT_EQ((*plan)[0].lastRow, 10);
  EXPECT_EQ((*plan)[1].firstRow, 11);
  EXPECT_EQ((*plan)[1].offsetText, "-200");
  EXPECT_EQ((*plan)[1].scaleText, "1,2");

  SubtitleList doc = Doc(TwentyOne());
  ASSERT_EQ(Synchronize(doc, points), SyncStatus::Done);
  EXPECT_EQ(doc.Line(5), "{550}{600}t5");
  EXPECT_EQ(doc.Line(11), "{1120}{1180}t11");
  EXPECT_EQ(doc.Line(15), "{1600}{1660}t15");
  EXPECT_EQ(doc.Line(20), "{2200}{2260}t20");
}

TEST(Synchronize, OnlyTheRowsBetweenThePointsAndOnlyOnce) {
  const struct {
    Lines lines;
    SyncPoints points;
    Lines expected;
  } cases[] = {
      // The offset 2,5 shown in the field is applied as 2.
      {{"{2}{10}a", "{1002}{}b"}, {{5, 2, 0}, {1255, 1002, 1}}, {"{4}{14}a", "{1254}{}b"}},
      // The inner point's subtitle belongs to the first segment only.
      {{"{0}{}a", "{10}{}b", "{20}{}c"},
       {{0, 0, 0}, {100, 10, 1}, {110, 20, 2}},
       {"{0}{0}a", "{100}{}b", "{110}{}c"}},
  };
  for (const auto& c : cases) {
    SubtitleList doc = Doc(c.lines);
    ASSERT_EQ(Synchronize(doc, c.points), SyncStatus::Done);
    EXPECT_EQ(doc.Lines(), c.expected);
  }
}

TEST(Synchronize, ASelectionMadeBeforeTakesNoPartAndTwoRunsRetimeTwice) {
  SubtitleList doc = Doc(TwentyOne());
  for (int row : {0, 2, 9, 15}) doc.SetSelected(row, true);
  const SyncPoints points = {{330, 370, 3}, {825, 820, 8}};  // scale 1,1, offset -77
  ASSERT_EQ(Synchronize(doc, points), SyncStatus::Done);
  const Lines before = TwentyOne();
  for (int row : {0, 1, 2, 9, 15, 20}) EXPECT_EQ(doc.Line(row), before[row]);
  EXPECT_EQ(doc.Line(3), "{330}{385}t3");
  EXPECT_EQ(doc.Line(8), "{825}{880}t8");
  EXPECT_EQ(doc.SelectedCount(), 0);

  ASSERT_EQ(Synchronize(doc, points), SyncStatus::Done);
  EXPECT_EQ(doc.Line(3), "{286}{347}t3");  // 330 * 1,1 - 77 = 286
}

TEST(Synchronize, FailuresChangeNeitherLinesNorSelection) {
  const struct {
    SyncPoints points;
    SyncStatus status;
  } cases[] = {
      {{{500, 400, 0}, {450, 900, 5}}, SyncStatus::Disordered},  // new frames fall
      {{{500, 100, 0}, {500, 900, 5}}, SyncStatus::Disordered},  // equal new frames
      {{{100, 500, 0}, {200, 500, 5}}, SyncStatus::Disordered},  // equal old frames
      // Rising frames, but rows 0, 10, 3, 20 would retime rows 4-10 twice.
      {{{100, 100, 0}, {200, 1000, 10}, {300, 1100, 3}, {400, 2000, 20}}, SyncStatus::Disordered},
      // The first segment fits; the second would overflow, so neither runs.
      {{{0, 100, 0}, {10, 190, 1}, {2147483000, 280, 2}}, SyncStatus::TooLarge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(FormatSyncPoint(c.points[1]));
    SubtitleList doc = Doc(TwentyOne());
    doc.SetSelected(4, true);
    EXPECT_EQ(Synchronize(doc, c.points), c.status);
    EXPECT_EQ(doc.Lines(), TwentyOne());
    EXPECT_EQ(doc.SelectedRows(), std::vector<int>{4});
  }
  // A point beyond the document, a frame too large in a later segment: an
  // error before any change.
  SubtitleList doc = Doc({"{1}{}a", "{9}{}b"});
  EXPECT_THROW(Synchronize(doc, {{1, 1, 0}, {9, 9, 2}}), Error);
  doc = Doc({"{1}{}a", "{9}{}b", "{99999999999}{}c"});
  EXPECT_THROW(Synchronize(doc, {{1, 1, 0}, {5, 9, 1}, {20, 20, 2}}), Error);
  EXPECT_EQ(doc.Line(0), "{1}{}a");
}

TEST(FindSyncPointClash, FirstPointFirstAndNewFrameBeforeOld) {
  const SyncPoints points = {{100, 200, 0}, {300, 400, 5}};
  EXPECT_EQ(FindSyncPointClash(points, 300, 200).frame, 200);  // first point's old frame
  EXPECT_EQ(FindSyncPointClash(points, 100, 400).frame, 100);
  EXPECT_EQ(FindSyncPointClash(points, 999, 400).frame, 400);
  EXPECT_FALSE(FindSyncPointClash(points, 999, 999).found);
  EXPECT_EQ(SyncClashMessage(200, SyncPlacement::Insert),
            "Titulek s číslem snímku 200 se již v seznamu synchronizačních titulků vyskutuje!");

  SyncPoints placed = points;
  EXPECT_FALSE(PlaceSyncPoint(placed, 1, {150, 250, 2}).found);
  EXPECT_TRUE(PlaceSyncPoint(placed, 3, {150, 1, 9}).found);
  EXPECT_EQ(placed, (SyncPoints{{100, 200, 0}, {150, 250, 2}, {300, 400, 5}}));
}

TEST(CompleteSyncPoints, ReplacesAnEndThatSharesAFrameOtherwiseAdds) {
  const Lines doc = {"{10}{}a", "{50}{}b", "{90}{}c"};
  const Lines sync = {"{12}{}x", "{60}{}y", "{99}{}z"};
  const SyncPoint first{12, 10, 0}, last{99, 90, 2};
  const struct {
    SyncPoints before, after;
  } cases[] = {
      {{}, {first, last}},
      {{{55, 50, 1}}, {first, {55, 50, 1}, last}},
      {{{12, 50, 1}, {70, 90, 2}}, {first, last}},  // new frame shared, then old frame
      {{{13, 10, 0}, {99, 50, 1}}, {first, last}},
  };
  for (const auto& c : cases) {
    SyncPoints points = c.before;
    CompleteSyncPoints(points, doc, sync);
    EXPECT_EQ(points, c.after) << c.before.size();
  }
  SyncPoints points = {{55, 50, 1}};
  try {
    CompleteSyncPoints(points, {}, sync);
    ADD_FAILURE() << "an empty document completed";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (0)");
  }
  EXPECT_EQ(points, (SyncPoints{{55, 50, 1}}));
}

TEST(SyncList, BraceLinesOnlyAndTheFrameAnswer) {
  EXPECT_EQ(ScanSyncList("\xEF\xBB\xBF{5}{6}a\r\nx\r\n {7}\r\n\r\n{8}\n"),
            (Lines{"{5}{6}a", "{8}"}));
  EXPECT_EQ(SyncFrameAnswer("-1"), std::nullopt);
  EXPECT_EQ(SyncFrameAnswer("00000000"), 0);
  EXPECT_THROW(SyncFrameAnswer("-2"), Error);
  EXPECT_FALSE(EnabledSyncButtons({true, true, 5, 5, true}).zavBut);
}

}  // namespace
}  // namespace velorin
