#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/cli.h"
#include "document/file_names.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::Utf16Bytes;
using test::WriteBytes;

struct CliResult {
  int status;
  std::string out, err;
};

CliResult Cli(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  int status = RunCli(args, in, out, err);
  return {status, out.str(), err.str()};
}

const std::string kSrt =
    "1\r\n00:00:01,500 --> 00:00:04,000\r\nAhoj\r\nsvěte\r\n\r\n"
    "2\r\n00:00:05,000 --> 00:00:06,160\r\n<i>Konec</i>\r\n";
const std::string kFrames = "{37}{100}Ahoj|světe\r\n{125}{154}<i>Konec</i>\r\n";

TEST(CliImportExport, ConvertsAsTheWindowDoes) {
  TempDir dir;
  WriteBytes(dir.File("film.srt"), kSrt);
  WriteBytes(dir.File("srt.txt"), "\xEF\xBB\xBF" + kSrt);
  WriteBytes(dir.File("codes.txt"), "00:00:01.50,00:00:04.00 Ahoj|světe\r\n00:00:05:Konec\r\n");
  WriteBytes(dir.File("film.sub"), kFrames);
  const struct {
    std::vector<std::string> args;
    std::string input, output;
  } cases[] = {
      {{"import", dir.File("film.srt"), "-o", "-", "--fps", "25"}, "", kFrames},
      {{"import", dir.File("srt.txt"), "-o", "-", "--fps", "25,000"}, "", kFrames},
      {{"import", "-", "-o", "-", "--fps", "25.000"}, kSrt, kFrames},
      {{"import", dir.File("codes.txt"), "-o", "-", "--fps", "25"},
       "",
       "{37}{100}Ahoj|světe\r\n{125}{}Konec\r\n"},
      {{"import", "-", "-o", "-", "--fps", "23.976"},
       "1\n00:00:10,000 --> 00:00:20,000\nx\n",
       "{239}{479}x\r\n"},
      {{"export", dir.File("film.sub"), "-o", "-", "--fps", "25"},
       "",
       "1\r\n00:00:01,480 --> 00:00:04,000\r\nAhoj\r\nsvěte\r\n\r\n"
       "2\r\n00:00:05,000 --> 00:00:06,160\r\n<i>Konec</i>\r\n\r\n"},
      {{"export", "-", "-o", "-", "--fps", "23,976"},
       "{1}{1990}x\r\n",
       "1\r\n00:00:00,042 --> 00:01:23,000\r\nx\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args.back());
    CliResult r = Cli(c.args, c.input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.output);
  }
  // Into files, through the safe write.
  EXPECT_EQ(Cli({"import", dir.File("film.srt"), "-o", dir.File("out.sub"), "--fps", "25"}).status,
            0);
  EXPECT_EQ(ReadBytes(dir.File("out.sub")), kFrames);
  EXPECT_EQ(Cli({"export", dir.File("out.sub"), "-o", dir.File("out.srt"), "--fps", "25"}).status,
            0);
  EXPECT_EQ(ReadBytes(dir.File("out.srt")),
            Cli({"export", dir.File("film.sub"), "-o", "-", "--fps", "25"}).out);
}

TEST(CliImportExport, RefusalsSayWhyAndWriteNothing) {
  TempDir dir;
  WriteBytes(dir.File("film.srt"), kSrt);
  WriteBytes(dir.File("film.sub"), kFrames);
  WriteBytes(dir.File("big.srt"), kSrt + "\r\n3\r\n99999:00:00,000 --> 99999:00:01,000\r\nx\r\n");
  WriteBytes(dir.File("empty.sub"), "[INFO]\r\n");
  WriteBytes(dir.File("counters.srt"), "1\r\n\r\n2\r\n\r\n");
  WriteBytes(dir.File("zeros.txt"), std::string(100000, '\0'));
  const std::string out = dir.File("out");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"import", dir.File("film.srt"), "-o", out, "--fps", "0"}, 2, "'0' is not one of"},
      {{"import", dir.File("film.srt"), "-o", out, "--fps", "25fps"}, 2, "'25fps' is not one of"},
      {{"export", dir.File("film.sub"), "-o", out, "--fps", "26"}, 2, "'26' is not one of"},
      {{"import", dir.File("film.srt"), "-o", out}, 2, "--fps"},
      {{"export", dir.File("film.sub"), "--fps", "25"}, 2, "-o OUT"},
      {{"import", dir.File("film.sub"), "-o", out, "--fps", "25"}, 1, "already a frame-based"},
      {{"import", dir.File("empty.sub"), "-o", out, "--fps", "25"}, 1, "nothing to convert"},
      {{"import", dir.File("big.srt"), "-o", out, "--fps", "25"},
       1,
       "big.srt:11: '8999910000' is not a valid integer value"},
      {{"export", dir.File("film.srt"), "-o", out, "--fps", "25"}, 1, "not a frame-based"},
      {{"import", dir.File("none.srt"), "-o", out, "--fps", "25"}, 1, "File not found"},
      {{"import", dir.File("counters.srt"), "-o", out, "--fps", "25"},
       1,
       "counters.srt: no subtitle found (no SRT time line with a time or text), nothing converted"},
      {{"import", dir.File("zeros.txt"), "-o", out, "--fps", "25"},
       1,
       "zeros.txt: not a text file (NUL bytes among its first 4096), nothing to convert"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(out));
  }
  EXPECT_NE(Cli({"--help"}).out.find("velorin-cli export IN -o OUT --fps RATE"), std::string::npos);
}

// Every command reads UTF-16 input as its UTF-8, as the window does, and
// writes UTF-8.
TEST(CliImportExport, EveryCommandReadsUtf16) {
  TempDir dir;
  WriteBytes(dir.File("le.srt"), Utf16Bytes(kSrt, false));
  WriteBytes(dir.File("be.txt"), Utf16Bytes(kSrt, true));
  WriteBytes(dir.File("le.sub"), Utf16Bytes(kFrames, false));
  WriteBytes(dir.File("be.sub"), Utf16Bytes(kFrames, true));
  const std::string retimed = "{38}{101}Ahoj|světe\r\n{126}{155}<i>Konec</i>\r\n";
  const struct {
    std::vector<std::string> args;
    std::string input, output;
  } cases[] = {
      {{"import", dir.File("le.srt"), "-o", "-", "--fps", "25"}, "", kFrames},
      {{"import", dir.File("be.txt"), "-o", "-", "--fps", "25"}, "", kFrames},
      {{"import", "-", "-o", "-", "--fps", "25"}, Utf16Bytes(kSrt, true), kFrames},
      {{"import", "-", "-o", "-", "--fps", "25"},
       Utf16Bytes("00:00:01.50,00:00:04.00 Ahoj|světe\r\n", false),
       "{37}{100}Ahoj|světe\r\n"},
      {{"info", dir.File("le.sub")},
       "",
       "first: 37\nlast: 125\ncount: 2\nformatting: no\nformatted: 0\nmax lines: 2\n"
       "longest line: 125\n"},
      {{"retime", dir.File("be.sub"), "-o", "-", "--offset", "1", "--scale", "1"}, "", retimed},
      {{"retime", "-", "-o", "-", "--offset", "1", "--scale", "1"},
       Utf16Bytes(kFrames, false),
       retimed},
      {{"retime", dir.File("film.sub"), "-o", "-", "--sync", dir.File("le.sub")}, "", kFrames},
      {{"complete", dir.File("le.sub"), "-o", "-", "--remove"},
       "",
       "{37}{}Ahoj|světe\r\n{125}{}<i>Konec</i>\r\n"},
      {{"lines", dir.File("be.sub"), "-o", "-", "--count", "1"},
       "",
       "{37}{100}Ahoj světe\r\n{125}{154}<i>Konec</i>\r\n"},
      {{"sync", dir.File("le.sub"), "-o", "-", "--point", "1=38", "--point", "2=126"}, "", retimed},
      {{"export", dir.File("be.sub"), "-o", "-", "--fps", "25"},
       "",
       Cli({"export", "-", "-o", "-", "--fps", "25"}, kFrames).out},
  };
  WriteBytes(dir.File("film.sub"), kFrames);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    CliResult r = Cli(c.args, c.input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.output);
  }
}

// The program itself through pipes: import then export at 25 fps gives the
// SRT back, its times exactly (they fall on frames). Standard output named
// as a file is written as '-' is, also when it is a pipe.
TEST(CliImportExport, RoundTripThroughThePrograms) {
  TempDir dir;
  WriteBytes(dir.File("in.srt"), kSrt + "\r\n");
  std::string cli = VELORIN_CLI_PATH;
  std::string cmd = cli + " import - -o /dev/stdout --fps 25 < '" + dir.File("in.srt") + "' | " + cli +
                    " export - -o - --fps 25 > '" + dir.File("out.srt") + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::string expected = kSrt + "\r\n";
  expected.replace(expected.find("01,500"), 6, "01,480");  // 37.5 frames become frame 37
  EXPECT_EQ(ReadBytes(dir.File("out.srt")), expected);
}

}  // namespace
}  // namespace velorin
