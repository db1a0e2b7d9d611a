#include "document/subtitle_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "document/error.h"
#include "document/file_names.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using Lines = std::vector<std::string>;

TEST(ReadSubtitleLines, KeepsBraceLinesAsReadAndSortsOutTheRest) {
  struct Case {
    const char* name;
    std::string bytes;
    ReadKind kind;
    Lines lines;
  };
  const Case cases[] = {
      {"empty", "", ReadKind::NoSubtitles, {}},
      {"only headers", "[INFO]\r\n[END]\r\n\r\n", ReadKind::NoSubtitles, {}},
      {"crlf", "{1}{2}a\r\n{3}{4}b\r\n", ReadKind::Loaded, {"{1}{2}a", "{3}{4}b"}},
      {"lf and no final end", "{1}{2}a\n{3}{4}b", ReadKind::Loaded, {"{1}{2}a", "{3}{4}b"}},
      {"header then lines, trailer dropped",
       "\r\n[x]\r\n{1}{2} a \r\nKONEC\r\n{3}{}b\r\n",
       ReadKind::Loaded,
       {"{1}{2} a ", "{3}{}b"}},
      {"srt goes to conversion", "1\r\n00:00:01,000 --> 00:00:02,000\r\nx\r\n",
       ReadKind::NotSubtitleFile, {}},
      {"leading blank is not a subtitle line", " {1}{2}x\r\n", ReadKind::NotSubtitleFile, {}},
      {"binary", std::string("\0\1{1}{2}\n", 9), ReadKind::NotSubtitleFile, {}},
      {"nul inside a line", std::string("{1}{2}a\0b\n", 10), ReadKind::Loaded,
       {std::string("{1}{2}a\0b", 9)}},
      {"byte-order mark", "\xEF\xBB\xBF{1}{2}a\r\n", ReadKind::Loaded, {"{1}{2}a"}},
      {"lone cr stays in the line", "{1}{2}a\rb\n", ReadKind::Loaded, {"{1}{2}a\rb"}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.File("f.sub");
    WriteBytes(path, c.bytes);
    ReadOutcome r = ReadSubtitleLines(path);
    EXPECT_EQ(r.kind, c.kind);
    if (c.kind != ReadKind::NotSubtitleFile) {
      EXPECT_EQ(r.lines, c.lines);
    }
    ReadOutcome m = ParseSubtitleText(c.bytes);
    EXPECT_EQ(m.kind, r.kind);
    EXPECT_EQ(m.lines, r.lines);
  }
}

TEST(ReadSubtitleLines, HandlesLinesAcrossChunksAndVeryLongLines) {
  TempDir dir;
  std::string longText(100000, 'x');
  std::string bytes;
  Lines expected;
  for (int i = 0; i < 60; ++i) {
    std::string line = "{" + std::to_string(i) + "}{}" + longText + std::to_string(i);
    expected.push_back(line);
    bytes += line + (i % 2 ? "\r\n" : "\n");
  }
  WriteBytes(dir.File("long.sub"), bytes);
  size_t lastDone = 0;
  ReadOutcome r = ReadSubtitleLines(dir.File("long.sub"), [&](size_t done, size_t total) {
    EXPECT_LE(done, total);
    lastDone = done;
  });
  EXPECT_EQ(r.lines, expected);
  EXPECT_EQ(lastDone, bytes.size());
}

TEST(ReadSubtitleLines, TellsUtf8FromEightBitText) {
  EXPECT_TRUE(ParseSubtitleText("{1}{2}žluťoučký\r\n").utf8);
  EXPECT_FALSE(ParseSubtitleText("{1}{2}\x9e\x6c\x75\x9d\r\n").utf8);  // Windows-1250
  EXPECT_TRUE(ParseSubtitleText("{1}{2}plain\r\n").utf8);
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("abcdefgh\xE2\x82"));  // cut short
  EXPECT_TRUE(IsValidUtf8("abcdefghijk€"));
}

TEST(ReadSubtitleLines, MissingFileOrFolderIsAFileError) {
  TempDir dir;
  EXPECT_THROW(ReadSubtitleLines(dir.File("none.sub")), Error);
  EXPECT_THROW(ReadSubtitleLines(dir.Path()), Error);
  try {
    ReadSubtitleLines(dir.File("none.sub"));
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("File not found"), std::string::npos);
  }
}

TEST(WriteSubtitleFile, WritesEveryOrSelectedLineWithCrLf) {
  TempDir dir;
  std::string path = dir.File("out.sub");
  Lines lines = {"{1}{2}a", std::string("{3}{}\xe8\0", 7), "{5}{6}c"};
  WriteSubtitleFile(path, lines);
  EXPECT_EQ(ReadBytes(path), std::string("{1}{2}a\r\n{3}{}\xe8\0\r\n{5}{6}c\r\n", 27));
  std::vector<char> sel = {1, 0, 1};
  WriteSubtitleFile(path, lines, &sel);
  EXPECT_EQ(ReadBytes(path), "{1}{2}a\r\n{5}{6}c\r\n");
  WriteSubtitleFile(path, {});
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_EQ(ComposeFileBytes(lines, &sel), "{1}{2}a\r\n{5}{6}c\r\n");
}

TEST(WriteSubtitleFile, FailedSaveLeavesTheOldFileIntact) {
  TempDir dir;
  std::string sub = dir.File("ro");
  ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
  std::string path = sub + "/t.sub";
  WriteBytes(path, "old\r\n");
  chmod(sub.c_str(), 0555);
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  EXPECT_THROW(WriteSubtitleFile(path, {"{1}{2}new"}), Error);
  EXPECT_EQ(ReadBytes(path), "old\r\n");
  EXPECT_THROW(WriteSubtitleFile(dir.File("missing/t.sub"), {"x"}), Error);
}

TEST(WriteSubtitleFile, FailedRenameLeavesNoTemporaryFileBehind) {
  // Works as root too: a folder cannot be replaced by a file.
  TempDir dir;
  std::filesystem::create_directory(dir.File("t.sub"));
  WriteBytes(dir.File("t.sub/inner"), "keep");
  EXPECT_THROW(WriteSubtitleFile(dir.File("t.sub"), {"{1}{2}x"}), Error);
  EXPECT_EQ(ReadBytes(dir.File("t.sub/inner")), "keep");
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(WriteSubtitleFile, ReplacesInPlaceKeepingPermissionsAndLeavesNoTemporaryFile) {
  TempDir dir;
  std::string path = dir.File("t.sub");
  WriteBytes(path, "a much longer old content that must go\r\n");
  chmod(path.c_str(), 0640);
  WriteSubtitleFile(path, {"{1}{}x"});
  EXPECT_EQ(ReadBytes(path), "{1}{}x\r\n");
  struct stat st {};
  stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(FileNames, FreeTargetNameInsertsTheFirstFreeNumber) {
  std::set<std::string> existing;
  auto exists = [&](const std::string& p) { return existing.count(p) > 0; };
  EXPECT_EQ(FreeTargetName("/x/film.sub", exists), "/x/film2.sub");
  EXPECT_EQ(FreeTargetName("/x/a.txt", exists), "/x/a2.txt");
  EXPECT_EQ(FreeTargetName("/x/readme", exists), "/x/re2adme");
  EXPECT_EQ(FreeTargetName("/x/F.SUB", exists), "/x/F2.SUB");
  EXPECT_EQ(FreeTargetName("ab", exists), "2ab");
  existing = {"/x/film2.sub"};
  EXPECT_EQ(FreeTargetName("/x/film.srt", exists), "/x/film3.sub");
  EXPECT_EQ(FreeTargetName("/x/film.SrT", exists), "/x/film3.sub");
  existing = {"/x/film2.sub", "/x/film3.sub", "/x/film4.sub"};
  EXPECT_EQ(FreeTargetName("/x/film.sub", exists), "/x/film5.sub");
}

TEST(FileNames, FreeSaveNameStaysInsideTheSubtitlesFolder) {
  std::set<std::string> existing;
  auto exists = [&](const std::string& p) { return existing.count(p) > 0; };
  EXPECT_EQ(FreeSaveName("/home/u/Dokumenty", "novy", exists), "/home/u/Dokumenty/novy.sub");
  EXPECT_EQ(FreeSaveName("/home/u/Dokumenty/", "novy", exists), "/home/u/Dokumenty/novy.sub");
  EXPECT_EQ(FreeSaveName("/d/", "C:\\texty\\film.cz.sub", exists), "/d/film.sub");
  EXPECT_EQ(FreeSaveName("/d/", "../../etc/passwd", exists), "/d/passwd.sub");
  EXPECT_EQ(FreeSaveName("/d/", "C:film", exists), "/d/film.sub");
  EXPECT_EQ(FreeSaveName("/d/", "", exists), "/d/.sub");
  existing = {"/d/film.sub", "/d/film2.sub"};
  EXPECT_EQ(FreeSaveName("/d/", "film", exists), "/d/film3.sub");
  existing = {"/d/.sub"};
  EXPECT_EQ(FreeSaveName("/d/", "", exists), "/d/2.sub");
}

TEST(FileNames, DirectoryAndFileNameParts) {
  EXPECT_EQ(DirectoryPart("/x/y/film.sub"), "/x/y/");
  EXPECT_EQ(DirectoryPart("film.sub"), "");
  EXPECT_EQ(FileNamePart("/x/y/film.sub"), "film.sub");
  EXPECT_EQ(FileNamePart("C:\\a\\b.sub"), "b.sub");
}

}  // namespace
}  // namespace velorin
