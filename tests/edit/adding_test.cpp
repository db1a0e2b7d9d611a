#include "edit/adding.h"

#include <gtest/gtest.h>

#include "document/error.h"
#include "document/undo_history.h"
#include "test_support.h"

namespace velorin {
namespace {

using Lines = std::vector<std::string>;

TEST(Adding, ListsEveryLineButEmptyAndHeaderLines) {
  AddedLines a = ParseAddedLines("\xEF\xBB\xBF[INFO]\r\n\r\n{10}{20}a\r\nxyz\n[x]\n{30}{}b");
  EXPECT_EQ(a.lines, (Lines{"{10}{20}a", "xyz", "{30}{}b"}));
  EXPECT_TRUE(a.utf8);
  EXPECT_FALSE(ParseAddedLines("{1}{2}\x9A").utf8);
  test::TempDir dir;
  EXPECT_THROW(ReadAddedLines(dir.File("missing.sub")), Error);
}

TEST(Adding, OffsetAsTyped) {
  const std::pair<const char*, int64_t> cases[] = {
      {"15", 15}, {"-15", -15}, {"", 0}, {"-", 0}, {"1-5", 0}, {"--5", 0}, {"99999999", 99999999},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseFrameOffset(text), value) << text;
}

TEST(Adding, ShiftWritesBothFramesAndStopsAtZero) {
  struct Case {
    Lines in;
    int64_t offset;
    Lines out;
  } cases[] = {
      {{"{10}{20}a"}, -15, {"{0}{5}a"}},
      {{"{10}{}a"}, 100, {"{110}{100}a"}},
      {{"{10}{}a"}, -100, {"{0}{0}a"}},
      {{"xyz", "{5}{6}{Y:b}t|u"}, 0, {"{0}{0}", "{5}{6}{Y:b}t|u"}},
      // 32 bits would wrap this sum to a negative number.
      {{"{2047483647}{2047483648}a"}, 99999999, {"{2147483646}{2147483647}a"}},
  };
  for (auto& c : cases) {
    Lines lines = c.in;
    ASSERT_EQ(ShiftLines(lines, c.offset), ShiftStatus::Done) << c.in[0];
    EXPECT_EQ(lines, c.out) << c.in[0];
  }
}

TEST(Adding, AShiftThatCannotCompleteChangesNothing) {
  const Lines in = {"{1}{2}a", "{2147483600}{}b", "{3}{4}c"};
  Lines lines = in;
  EXPECT_EQ(ShiftLines(lines, 48), ShiftStatus::TooLarge);
  EXPECT_EQ(lines, in);
  Lines unreadable = {"{1}{2}a", "{99999999999}{}b"};
  EXPECT_THROW(ShiftLines(unreadable, 5), Error);
  EXPECT_EQ(unreadable[0], "{1}{2}a");
}

TEST(Adding, AppendsSubtitleLinesInTheDocumentsEncoding) {
  const Lines added = {"{10}{20}a", "xyz", "", "{30}{40}\xC5\xA1"};  // "š" in UTF-8
  struct Case {
    bool docUtf8;
    const std::vector<char>* selection;
    Lines appended;
  };
  const std::vector<char> second = {0, 0, 0, 1};
  const Case cases[] = {
      {true, nullptr, {"{10}{20}a", "{30}{40}\xC5\xA1"}},
      {false, nullptr, {"{10}{20}a", "{30}{40}\x9A"}},
      {true, &second, {"{30}{40}\xC5\xA1"}},
  };
  for (const Case& c : cases) {
    SubtitleList doc;
    doc.SetUtf8(c.docUtf8);
    doc.Add("{1}{2}x");
    EXPECT_EQ(AppendAddedLines(doc, added, true, c.selection), static_cast<int>(c.appended.size()));
    Lines expected = {"{1}{2}x"};
    expected.insert(expected.end(), c.appended.begin(), c.appended.end());
    EXPECT_EQ(doc.Lines(), expected);
    EXPECT_EQ(doc.SelectedCount(), 0);
  }
}

TEST(Adding, LinesThatDoNotFitTheDocumentsEncodingAreFoundFirst) {
  const Lines added = {"xyz \xC3\xB1", "{1}{2}\xC5\xA1", "{3}{4}\xC3\xB1", "{5}{6}\xE6\x97\xA5"};
  struct Case {
    TextEncoding doc, lines;
    std::vector<char> selection;  // empty: every line
    std::optional<size_t> first;
  } cases[] = {
      {TextEncoding::Windows1250,
       TextEncoding::Utf8,
       {},
       2},  // ñ; the non-subtitle line is no matter
      {TextEncoding::Windows1250, TextEncoding::Utf8, {1, 1, 0, 1}, 3},
      {TextEncoding::Windows1250, TextEncoding::Utf8, {0, 1, 0, 0}, std::nullopt},
      {TextEncoding::Windows1252, TextEncoding::Utf8, {}, 3},  // š and ñ fit, 日 does not
      {TextEncoding::Utf8, TextEncoding::Windows1250, {}, std::nullopt},
  };
  for (const Case& c : cases) {
    SubtitleList doc;
    doc.SetEncoding(c.doc);
    EXPECT_EQ(
        FirstLineNotFitting(doc, added, c.lines, c.selection.empty() ? nullptr : &c.selection),
        c.first)
        << InfoOf(c.doc).name;
  }
}

TEST(Adding, ConvertingToUtf8IsTakenBackWithItsEncoding) {
  UndoHistory history;
  SubtitleList doc;
  doc.SetEncoding(TextEncoding::Windows1252);
  doc.Assign(Lines{"{1}{2}o\xF9", "{3}{4}plain"});
  doc.SetJournal(&history.Pending());
  ConvertDocumentToUtf8(doc);
  AppendAddedLines(doc, {"{5}{6}\xE6\x97\xA5"}, TextEncoding::Utf8);
  history.Commit("Přidat ze souboru");
  EXPECT_EQ(doc.Lines(), (Lines{"{1}{2}o\xC3\xB9", "{3}{4}plain", "{5}{6}\xE6\x97\xA5"}));
  EXPECT_EQ(doc.Encoding(), TextEncoding::Utf8);
  history.Undo(doc);
  EXPECT_EQ(doc.Lines(), (Lines{"{1}{2}o\xF9", "{3}{4}plain"}));
  EXPECT_EQ(doc.Encoding(), TextEncoding::Windows1252);
  history.Redo(doc);
  EXPECT_EQ(doc.Encoding(), TextEncoding::Utf8);
  EXPECT_EQ(doc.Count(), 3);
}

}  // namespace
}  // namespace velorin
