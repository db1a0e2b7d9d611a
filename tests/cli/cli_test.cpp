#include "cli/cli.h"
#include "cli/cli_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "document/file_names.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

using test::Cli;
using test::CliRun;

const std::string kFilm =
    "[INFO]\r\n{2}{10}Ahoj\r\n{500}{}{y:i}a|b\r\n{1002}{1100}konec\r\nPoznámka na konci\r\n";

TEST(CliRetime, ThreeWaysToGiveOffsetAndScaleAgree) {
  TempDir dir;
  WriteBytes(dir.File("in.sub"), kFilm);
  WriteBytes(dir.File("sync.sub"), "[INFO]\r\n\r\n{5}{}a\r\nx\r\n{1255}{}b\r\n");
  const std::string expected = "{4}{14}Ahoj\r\n{627}{}{y:i}a|b\r\n{1254}{1377}konec\r\n";
  const std::vector<std::vector<std::string>> ways = {
      {"--offset", "2,5", "--scale", "1,25"},
      {"--offset", "2.5", "--scale", "1.25"},
      {"--frames", "2", "1002", "5", "1255"},
      {"--sync", dir.File("sync.sub")},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way[0] + " " + way[1]);
    std::vector<std::string> args = {"retime", dir.File("in.sub"), "-o", dir.File("out.sub")};
    args.insert(args.end(), way.begin(), way.end());
    CliRun r = Cli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.File("out.sub")), expected);
  }
}

TEST(CliRetime, StandardStreamsAndRows) {
  CliRun r =
      Cli({"retime", "-", "-o", "-", "--offset", "100", "--scale", "1", "--rows", "1,3-3"}, kFilm);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "{102}{110}Ahoj\r\n{500}{}{y:i}a|b\r\n{1102}{1200}konec\r\n");
}

TEST(CliRetime, FailuresSayWhyAndWriteNothing) {
  TempDir dir;
  WriteBytes(dir.File("in.sub"), kFilm);
  WriteBytes(dir.File("bad.sub"), "x\r\n{1}{2}a\r\n{9}{}b\r\n");
  WriteBytes(dir.File("srt.srt"), "1\r\n00:00:01,000 --> 00:00:02,000\r\nAhoj\r\n");
  const std::string in = dir.File("in.sub"), out = dir.File("out.sub");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"retime", in, "-o", out, "--offset", "-", "--scale", "1"}, 1, "Hodnota posunu je chybná!"},
      {{"retime", in, "-o", out, "--offset", "1", "--scale", "1,2,3"},
       1,
       "Hodnota časového měřítka je chybná!"},
      {{"retime", in, "-o", out, "--offset", "0", "--scale", "3000000"}, 1, "2147483647"},
      {{"retime", in, "-o", out, "--frames", "5", "5", "1", "9"},
       1,
       "Číslo posledního snímku musí být větší než číslo prvního snímku!"},
      {{"retime", in, "-o", out, "--frames", "1", "x", "1", "9"},
       1,
       "'x' is not a valid integer value"},
      {{"retime", in, "-o", out, "--sync", dir.File("bad.sub")}, 1, "Nestandardní formát titulků!"},
      {{"retime", in, "-o", out, "--sync", dir.File("none.sub")}, 1, "none.sub"},
      {{"retime", dir.File("srt.srt"), "-o", out, "--offset", "1", "--scale", "1"},
       1,
       "not a frame-based subtitle file"},
      {{"retime", in, "-o", out, "--offset", "1", "--scale", "1", "--rows", "2-9"}, 2, "2-9"},
      {{"retime", in, "-o", out, "--offset", "1"}, 2, "--scale"},
      {{"retime", in, "--offset", "1", "--scale", "1"}, 2, "-o"},
      {{"retime", in, "-o", out, "--frames", "1", "2"}, 2, "--frames"},
      {{"frobnicate"}, 2, "unknown command"},
      {{}, 2, "usage"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    CliRun r = Cli(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_FALSE(FileExists(out));
  }
  EXPECT_EQ(ReadBytes(in), kFilm);
}

TEST(CliRetime, OutputThroughALinkOrIntoAPipeKeepsWhatIsThere) {
  TempDir dir;
  WriteBytes(dir.File("in.sub"), kFilm);
  const std::string expected = "{3}{11}Ahoj\r\n{501}{}{y:i}a|b\r\n{1003}{1101}konec\r\n";
  auto retimeTo = [&](const std::string& out) {
    return Cli({"retime", dir.File("in.sub"), "-o", out, "--offset", "1", "--scale", "1"});
  };

  // A link: the file it leads to gets the result, the link stays a link.
  WriteBytes(dir.File("real.sub"), "old\r\n");
  ASSERT_EQ(::symlink("real.sub", dir.File("link.sub").c_str()), 0);
  EXPECT_EQ(retimeTo(dir.File("link.sub")).status, 0);
  struct stat st {};
  ASSERT_EQ(::lstat(dir.File("link.sub").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes(dir.File("real.sub")), expected);

  // A named pipe is written into, not replaced by a plain file; with nobody
  // reading it the command fails at once.
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  CliRun noReader = retimeTo(fifo);
  EXPECT_EQ(noReader.status, 1);
  EXPECT_NE(noReader.err.find(fifo), std::string::npos) << noReader.err;
  int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(retimeTo(fifo).status, 0);
  char buf[256];
  ssize_t n = ::read(reader, buf, sizeof buf);
  ::close(reader);
  EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), expected);
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(CliInfo, FirstLastAndCount) {
  EXPECT_EQ(Cli({"info", "-"}, "{10}{20}a\r\n{30}{40}{Y:b}bb|ccc\r\n").out,
            "first: 10\nlast: 30\ncount: 2\nformatting: yes\nformatted: 1\nmax lines: 2\n"
            "longest line: 30\n");
  EXPECT_EQ(Cli({"info", "-"}, "[x]\r\n\r\n").out,
            "first: \nlast: \ncount: 0\nformatting: no\nformatted: 0\nmax lines: 0\n"
            "longest line: \n");
  CliRun missing = Cli({"info", "/nonexistent/x.sub"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("File not found"), std::string::npos);
}

TEST(CliInfo, AnAnswerThatCannotBeWrittenIsAFailure) {
  // Output that fails (a full disk, a closed pipe) must not end with status 0.
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"info", "-"},
           {"--help"},
           {"--version"},
           {"retime", "-", "-o", "-", "--offset", "1", "--scale", "1"}}) {
    SCOPED_TRACE(args[0]);
    std::istringstream in(kFilm);
    std::ostream broken(nullptr);
    std::ostringstream err;
    EXPECT_EQ(RunCli(args, in, broken, err), 1);
    EXPECT_NE(err.str().find("cannot write"), std::string::npos) << err.str();
  }
  // A frame too large for the last line: an error and no half answer.
  CliRun r = Cli({"info", "-"}, "{1}{2}a\r\n{99999999999}{}b\r\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("not a valid integer value"), std::string::npos);
}

TEST(CliRetime, RowRangesThatAreNotRangesAreNamed) {
  const std::pair<std::string, std::string> cases[] = {
      {"2-1", "is not a row or a range of rows"},
      {"1--2", "is not a row or a range of rows"},
      {"x", "is not a row or a range of rows"},
      {"0", "is outside rows 1-3"},
      {"3-4", "is outside rows 1-3"},
      {"", "no rows given"},
  };
  for (const auto& [rows, message] : cases) {
    CliRun r =
        Cli({"retime", "-", "-o", "-", "--offset", "1", "--scale", "1", "--rows", rows}, kFilm);
    EXPECT_EQ(r.status, 2) << rows;
    EXPECT_NE(r.err.find(message), std::string::npos) << rows << ": " << r.err;
  }
}

TEST(CliHelp, HelpAndVersionGoToStandardOutput) {
  CliRun help = Cli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("velorin-cli retime IN -o OUT"), std::string::npos);
  CliRun version = Cli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("velorin-cli ", 0), 0u);
}

TEST(CliHelp, EverySubcommandExplainsItsOptions) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"retime", "--help"}, "--frames E1 E2 E3 E4"},
      {{"sync", "-h"}, "[--point ROW=FRAME]..."},
      {{"info", "--help"}, "velorin-cli info IN\n"},
      {{"complete", "in.sub", "-o", "out.sub", "--help"}, "--only-empty"},
      {{"lines", "--help"}, "--count N"},
      {{"import", "--help"}, "-o, --output OUT"},
      {{"export", "--help"}, "--fps RATE"},
      {{"autosync", "--help"}, "[--fps RATE]"},
      {{"spell", "--help"}, "[--dict NAME]"},
  };
  CliRun all = Cli({"--help"});
  for (const auto& [args, shown] : cases) {
    SCOPED_TRACE(args[0]);
    CliRun r = Cli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("usage:\n  velorin-cli " + args[0] + " IN", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(shown), std::string::npos) << r.out;
    EXPECT_NE(all.out.find("\n" + args[0] + ": "), std::string::npos);
    // The help is read in a terminal.
    std::istringstream lines(r.out + all.out);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << line;
  }
}

// The program itself, to check that main wires the real standard streams.
TEST(CliProgram, RetimesThroughPipes) {
  TempDir dir;
  WriteBytes(dir.File("in.sub"), kFilm);
  std::string cmd = std::string(VELORIN_CLI_PATH) +
                    " retime - -o - --frames 100 1100 200 1450 < '" + dir.File("in.sub") + "' > '" +
                    dir.File("out.sub") + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  // 2 -> 77,5 -> 78 (75 + 2,5 rounded to even), 10 -> 87,5 -> 88.
  EXPECT_EQ(ReadBytes(dir.File("out.sub")).substr(0, 14), "{78}{88}Ahoj\r\n");
}

}  // namespace
}  // namespace velorin
