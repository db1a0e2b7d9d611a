#include "convert/srt_export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "convert/srt_import.h"
#include "document/error.h"
#include "test_support.h"

namespace velorin {
namespace {

constexpr FrameRate k25(25000);

using Lines = std::vector<std::string>;

TEST(FormatSrtTime, MillisecondsRoundedAndFieldsPadded) {
  const struct {
    int32_t frame;
    FrameRate rate;
    std::string text;
  } cases[] = {
      {0, FrameRate(25000), "00:00:00,000"},
      {37, FrameRate(25000), "00:00:01,480"},
      {12345, FrameRate(25000), "00:08:13,800"},
      {90000, FrameRate(25000), "01:00:00,000"},
      {1, FrameRate(23976), "00:00:00,042"},
      {1990, FrameRate(23976), "00:01:23,000"},  // 82,99967 s
      {100, FrameRate(29970), "00:00:03,337"},
      {9000000, FrameRate(25000), "100:00:00,000"},
      {2147483647, FrameRate(23976), "24880:00:53,345"},
      {-37, FrameRate(25000), "-00:00:01,480"},
      {INT32_MIN, FrameRate(25000), "-23860:55:45,920"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSrtTime(c.frame, c.rate), c.text) << c.frame;
}

TEST(SrtFileName, CutAtTheFirstFullStopOfTheFileName) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\titulky\\film.sub", "C:\\titulky\\film.srt"},
      {"film.cz.sub", "film.srt"},
      {"C:\\my.films\\film.sub", "C:\\my.films\\film.srt"},
      {"/home/a.b/film", "/home/a.b/film.srt"},
  };
  for (const auto& [target, srt] : cases) EXPECT_EQ(SrtFileName(target), srt);
}

TEST(ComposeSrtBytes, BlocksNumberedByPositionWithTheNonEmptyDisplayLines) {
  const struct {
    Lines lines;
    std::string bytes;
  } cases[] = {
      {{"{25}{75}Ahoj|světe", "{100}{}Konec"},
       "1\r\n00:00:01,000 --> 00:00:03,000\r\nAhoj\r\nsvěte\r\n\r\n"
       "2\r\n00:00:04,000 --> 00:00:00,000\r\nKonec\r\n\r\n"},
      {{"{}{}{Y:i}Ahoj||svět"}, "1\r\n00:00:00,000 --> 00:00:00,000\r\n{Y:i}Ahoj\r\nsvět\r\n\r\n"},
      {{"{1}{2}", "{3}{4}a|b|c|d|e|f"},
       "1\r\n00:00:00,040 --> 00:00:00,080\r\n\r\n"
       "2\r\n00:00:00,120 --> 00:00:00,160\r\na\r\nb\r\nc\r\nd\r\ne\r\n\r\n"},
      {{}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ComposeSrtBytes(c.lines, k25), c.bytes);
}

TEST(WriteSrtFile, WritesTheBytesAndAFailureKeepsTheOldFile) {
  test::TempDir dir;
  const std::string path = dir.File("film.srt");
  Lines lines;
  for (int i = 1; i <= 30000; ++i)  // more than one chunk
    lines.push_back("{" + std::to_string(i * 10) + "}{" + std::to_string(i * 10 + 5) + "}x|y");
  WriteSrtFile(path, lines, k25);
  EXPECT_EQ(test::ReadBytes(path), ComposeSrtBytes(lines, k25));

  // A frame that cannot be read at the end stops the export after most of
  // the file has gone to disk: the old file must stay whole.
  test::WriteBytes(path, "old\r\n");
  lines.push_back("{99999999999}{}z");
  EXPECT_THROW(WriteSrtFile(path, lines, k25), Error);
  EXPECT_EQ(test::ReadBytes(path), "old\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(SrtRoundTrip, ExportThenImportAt25GivesTheLinesBack) {
  const Lines lines = {"{25}{75}Ahoj|světe", "{100}{}Konec", "{}{50}a", "{29}{30}<i>x</i>|y"};
  EXPECT_EQ(ConvertSrt(ComposeSrtBytes(lines, k25), k25).lines, lines);
}

// Every frame written as SRT reads back as the same frame at 25 fps (times
// fall exactly on frames) and at most one frame low at the other rates.
TEST(Conversion, ExportedTimesReadBackToTheirFrames) {
  for (FrameRate rate : kFrameRates) {
    SCOPED_TRACE(rate.Text());
    for (int32_t frame = 1; frame < 200000; ++frame) {
      FrameValue v = ParseSrtTimes(FormatSrtTime(frame, rate), rate).start;
      int64_t back = v / 1000;
      if (rate == k25 ? back != frame : back != frame && back != frame - 1) {
        ADD_FAILURE() << frame << " -> " << FormatSrtTime(frame, rate) << " -> " << back;
        break;
      }
    }
  }
}

TEST(IsSameFile, ThroughLinksAndByName) {
  test::TempDir dir;
  test::WriteBytes(dir.File("a.srt"), "a");
  test::WriteBytes(dir.File("b.srt"), "a");
  ASSERT_EQ(::symlink("a.srt", dir.File("l.srt").c_str()), 0);
  EXPECT_TRUE(IsSameFile(dir.File("a.srt"), dir.File("l.srt")));
  EXPECT_TRUE(IsSameFile(dir.File("a.srt"), dir.Path() + "/./a.srt"));
  EXPECT_FALSE(IsSameFile(dir.File("a.srt"), dir.File("b.srt")));
  EXPECT_FALSE(IsSameFile(dir.File("a.srt"), dir.File("new.srt")));
}

}  // namespace
}  // namespace velorin
