#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "document/file_names.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct SyncRun {
  int status;
  std::string out, err;
};

SyncRun SyncCli(std::vector<std::string> args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  int status = RunCli(args, in, out, err);
  return {status, out.str(), err.str()};
}

const std::string kDoc =
    "[INFO]\r\n{100}{150}a\r\n{1000}{1050}b\r\n{1500}{1550}{y:i}c|d\r\n{2000}{2050}e\r\n";
const std::string kRef = "[INFO]\r\n\r\n{130}{}x\r\nPoznámka\r\n{2230}{}y\r\n";

TEST(CliSync, PointsAndCompletedEnds) {
  TempDir dir;
  WriteBytes(dir.File("in.sub"), kDoc);
  const std::string in = dir.File("in.sub");
  const struct {
    std::vector<std::string> args;
    std::string stdinBytes, expected;
  } cases[] = {
      // Rows 1-2 keep their frames; rows 3-4 get scale 1,2 and offset -200.
      {{"sync", "-", "-o", "-", "--point", "1=100", "--point", "2=1000", "--point", "4=2200"},
       kDoc,
       "{100}{150}a\r\n{1000}{1050}b\r\n{1600}{1660}{y:i}c|d\r\n{2200}{2260}e\r\n"},
      // The given first point shares row 1's frame: completing replaces it.
      {{"sync", in, "-o", "-", "--ref", "-", "--point", "1=7", "--point", "2=1100", "--complete"},
       kRef,
       "{130}{184}a\r\n{1100}{1154}b\r\n{1665}{1721}{y:i}c|d\r\n{2230}{2286}e\r\n"},
  };
  for (const auto& c : cases) {
    SyncRun r = SyncCli(c.args, c.stdinBytes);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.expected);
  }
}

TEST(CliSync, CompletedEndsAloneGiveTheLinearRetimingsBytes) {
  TempDir dir;
  const std::string doc = "{2}{10}Ahoj\r\n{500}{}{y:i}a|b\r\n{1002}{1100}konec\r\n";
  WriteBytes(dir.File("in.sub"), doc);
  WriteBytes(dir.File("ref.sub"), "{5}{}a\r\n{1255}{}b\r\n");
  ASSERT_EQ(SyncCli({"sync", dir.File("in.sub"), "-o", dir.File("a.sub"), "--ref",
                     dir.File("ref.sub"), "--complete"})
                .status,
            0);
  ASSERT_EQ(SyncCli({"retime", dir.File("in.sub"), "-o", dir.File("b.sub"), "--sync",
                     dir.File("ref.sub")})
                .status,
            0);
  EXPECT_EQ(ReadBytes(dir.File("a.sub")), ReadBytes(dir.File("b.sub")));
  EXPECT_EQ(ReadBytes(dir.File("a.sub")),
            "{4}{14}Ahoj\r\n{627}{}{y:i}a|b\r\n{1254}{1377}konec\r\n");
}

TEST(CliSync, FailuresSayWhyAndWriteNothing) {
  TempDir dir;
  WriteBytes(dir.File("in.sub"), kDoc);
  WriteBytes(dir.File("empty.sub"), "[INFO]\r\n\r\n");
  WriteBytes(dir.File("srt.srt"), "1\r\n00:00:01,000 --> 00:00:02,000\r\nAhoj\r\n");
  WriteBytes(dir.File("ref.sub"), kRef);
  const std::string in = dir.File("in.sub"), out = dir.File("out.sub"), ref = dir.File("ref.sub");
  const std::vector<std::string> base = {"sync", in, "-o", out};
  auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> args = base;
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {with({"--point", "1=100", "--point", "2=100"}), 1,
       "Titulek s číslem snímku 100 se již v seznamu synchronizačních snímků vyskutuje!"},
      {with({"--point", "1=500", "--point", "2=450"}), 1,
       "U synchronizačních snímků musí být dodržena chronologie!"},
      {with({"--point", "1=0", "--point", "2=10", "--point", "4=2147483000"}), 1, "2147483647"},
      {with({"--ref", dir.File("srt.srt"), "--complete"}), 1,
       "Synchronizační soubor obsahuje nestandardní formát titulků a nelze ho použít."},
      {{"sync", dir.File("empty.sub"), "-o", out, "--ref", ref, "--complete"},
       1,
       "List index out of bounds (0)"},
      {with({"--point", "1=1", "--point", "5=9"}), 2, "outside rows 1-4"},
      {with({"--point", "1=1", "--point", "2=-5"}), 2, "'2=-5' is not ROW=FRAME"},
      {with({"--point", "1=1"}), 2, "at least two --point"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    SyncRun r = SyncCli(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(out));
  }
  EXPECT_EQ(ReadBytes(in), kDoc);
}

}  // namespace
}  // namespace velorin
