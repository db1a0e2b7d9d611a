#include "document/subtitle_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <thread>

#include "document/error.h"
#include "document/file_names.h"
#include "test_support.h"

namespace velorin {
namespace {

// Lowers the file size limit (a full disk that needs no root); files written
// past it fail with "File too large" instead of a signal.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit lower = old_;
    lower.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  sighandler_t oldHandler_;
};

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
      {"srt goes to conversion",
       "1\r\n00:00:01,000 --> 00:00:02,000\r\nx\r\n",
       ReadKind::NotSubtitleFile,
       {}},
      {"leading blank is not a subtitle line", " {1}{2}x\r\n", ReadKind::NotSubtitleFile, {}},
      {"binary", std::string("\0\1{1}{2}\n", 9), ReadKind::NotSubtitleFile, {}},
      {"nul inside a line",
       std::string("{1}{2}a\0b\n", 10),
       ReadKind::Loaded,
       {std::string("{1}{2}a\0b", 9)}},
      {"byte-order mark", "\xEF\xBB\xBF{1}{2}a\r\n", ReadKind::Loaded, {"{1}{2}a"}},
      {"lone cr stays in the line", "{1}{2}a\rb\n", ReadKind::Loaded, {"{1}{2}a\rb"}},
      {"cr at the very end stays too",
       "{1}{2}a\r\n{3}{4}b\r",
       ReadKind::Loaded,
       {"{1}{2}a", "{3}{4}b\r"}},
      // "{1}{2}ž\r\n[x]\r\n{3}{4}😀" in UTF-16, as Notepad saves "Unicode".
      {"utf-16 little-endian",
       std::string("\xFF\xFE{\0" "1\0}\0{\0" "2\0}\0~\x01\r\0\n\0[\0x\0]\0\r\0\n\0"
                   "{\0" "3\0}\0{\0" "4\0}\0=\xD8\0\xDE", 46),
       ReadKind::Loaded,
       {"{1}{2}ž", "{3}{4}\xF0\x9F\x98\x80"}},
      {"utf-16 big-endian, a lone surrogate and an odd last byte",
       std::string("\xFE\xFF\0{\0" "1\0}\0{\0}\xD8\0\0x\0\n\0{\0}\0{\0}\0", 27),
       ReadKind::Loaded,
       {"{1}{}\xEF\xBF\xBDx", "{}{}\xEF\xBF\xBD"}},
      {"utf-16 srt goes to conversion", std::string("\xFF\xFE" "1\0\r\0\n\0", 8),
       ReadKind::NotSubtitleFile, {}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.File("f.sub");
    WriteBytes(path, c.bytes);
    ReadOutcome r = ReadSubtitleLines(path);
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(r.utf16, c.bytes.starts_with("\xFF\xFE") || c.bytes.starts_with("\xFE\xFF"));
    if (c.kind != ReadKind::NotSubtitleFile) {
      EXPECT_EQ(r.lines, c.lines);
    }
    ReadOutcome m = ParseSubtitleText(c.bytes);
    EXPECT_EQ(m.kind, r.kind);
    EXPECT_EQ(m.lines, r.lines);
    // Arriving a byte or two at a time (a pipe) changes nothing.
    for (size_t piece : {1, 2}) {
      SubtitleLineReader reader;
      for (size_t i = 0; i < c.bytes.size(); i += piece)
        reader.Feed(std::string_view(c.bytes).substr(i, piece));
      ReadOutcome p = reader.Finish();
      EXPECT_EQ(p.kind, r.kind);
      EXPECT_EQ(p.utf16, r.utf16);
      EXPECT_EQ(p.lines, r.lines);
    }
    // Handed over one by one, or indexed in the bytes: the same lines.
    Lines scanned;
    ReadOutcome s = ScanSubtitleLines(path, [&](std::string_view l) { scanned.emplace_back(l); });
    EXPECT_EQ(s.kind, r.kind);
    EXPECT_EQ(scanned, r.lines);
    SubtitleText t = IndexSubtitleText(c.bytes);
    EXPECT_EQ(t.kind, r.kind);
    Lines indexed;
    t.ForEachLine([&](std::string_view l) { indexed.emplace_back(l); });
    EXPECT_EQ(indexed, r.lines);
    EXPECT_EQ(t.count, r.lines.size());
    if (!indexed.empty()) {
      EXPECT_EQ(t.first, r.lines.front());
      EXPECT_EQ(t.last, r.lines.back());
    }
  }
}

TEST(ReadSubtitleLines, ReadsAPipeWhoseByteOrderMarkComesInPieces) {
  TempDir dir;
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Holding a reader open keeps what is written until the real reader comes.
  const int keeper = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(keeper, 0);
  const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  std::thread writer([&] {
    for (std::string_view piece : {"\xEF", "\xBB", "\xBF{1}{2}a\r", "\n{3}{4}b\n"}) {
      EXPECT_EQ(::write(fd, piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    ::close(fd);
  });
  ReadOutcome r = ReadSubtitleLines(fifo);
  writer.join();
  ::close(keeper);
  EXPECT_EQ(r.kind, ReadKind::Loaded);
  EXPECT_EQ(r.lines, (Lines{"{1}{2}a", "{3}{4}b"}));
}

// A file to convert is known by the first byte of its first significant
// line: a huge file of zeros or a film is not read to its first line end.
TEST(ReadSubtitleLines, StopsAtTheFirstByteOfALineThatIsNoSubtitle) {
  const std::string mega(1 << 20, '\0');
  SubtitleLineReader zeros;
  EXPECT_FALSE(zeros.Feed("\r\n[INFO]\r\n" + mega));
  EXPECT_EQ(zeros.Finish().kind, ReadKind::NotSubtitleFile);
  SubtitleLineReader lone;
  EXPECT_TRUE(lone.Feed("\r"));  // perhaps an empty line's CR LF
  EXPECT_FALSE(lone.Feed("x"));
  SubtitleLineReader subtitle;  // a long subtitle line is read on
  EXPECT_TRUE(subtitle.Feed("{1}{2}" + mega));
  EXPECT_TRUE(subtitle.Feed("\r\nKONEC" + mega));  // after a subtitle: dropped
  EXPECT_EQ(subtitle.Finish().lines.size(), 1u);
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

// Every way a save can be refused or fail half-way, also for root: the old
// file keeps every byte and no temporary file stays.
struct FailedSaveCase {
  const char* name;
  const char* message;
  // Makes the save fail; returns why it cannot here, or "".
  std::function<std::string(const TempDir&, std::vector<std::shared_ptr<void>>&)> arrange;
};
const FailedSaveCase kFailedSaveCases[] = {
    {"read-only file", "Permission denied",
     [](const TempDir& d, auto&) {
       ::chmod(d.File("t.sub").c_str(), 0444);
       return std::string();
     }},
    {"read-only file system", "Read-only file system",
     [](const TempDir& d, auto& keep) {
       if (!test::IsRoot()) return std::string("a read-only bind mount needs root");
       auto mount = std::make_shared<test::ReadOnlyMount>(d.Path());
       keep.push_back(mount);
       return mount->Reason();
     }},
    {"immutable file", "Operation not permitted",
     [](const TempDir& d, auto& keep) {
       if (!test::IsRoot()) return std::string("the immutable attribute needs root");
       auto guard = std::make_shared<test::Immutable>(d.File("t.sub"));
       keep.push_back(guard);
       return guard->Reason();
     }},
    {"disk full while the temporary file is written", "File too large",
     [](const TempDir&, auto& keep) {
       keep.push_back(std::make_shared<FileSizeLimit>(1 << 20));
       return std::string();
     }},
    {"disk full while a linked file is written in place", "File too large",
     [](const TempDir& d, auto& keep) {
       ::link(d.File("t.sub").c_str(), d.File("link.sub").c_str());
       keep.push_back(std::make_shared<FileSizeLimit>(1 << 20));
       return std::string();
     }},
};

class FailedSave : public ::testing::TestWithParam<FailedSaveCase> {};

TEST_P(FailedSave, LeavesTheOldFileIntact) {
  // Three 1 MiB chunks, more than the file size limit lets through.
  const Lines big(3, std::string(1 << 20, 'x'));
  TempDir dir;
  const std::string path = dir.File("t.sub");
  WriteBytes(path, "old\r\n");
  std::vector<std::shared_ptr<void>> keep;
  if (std::string skip = GetParam().arrange(dir, keep); !skip.empty()) GTEST_SKIP() << skip;
  try {
    WriteSubtitleFile(path, big);
    ADD_FAILURE() << "saved";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
  }
  keep.clear();
  EXPECT_EQ(ReadBytes(path), "old\r\n");
  EXPECT_TRUE(test::SaveTemporariesIn(dir.Path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedSave, ::testing::ValuesIn(kFailedSaveCases),
                         [](const auto& c) { return test::CaseName(c.param.name); });

TEST(WriteSubtitleFile, SaveIntoAMissingFolderFails) {
  TempDir dir;
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
