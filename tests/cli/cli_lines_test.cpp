// velorin-cli complete and lines.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_run.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::Cli;
using test::CliRun;

const std::string kDoc = "{100}{}Ahoj\r\n{}{}pryč\r\n{500}{600}X|Y\r\n{2000}{}{Y:b}a b c\r\n";

TEST(CliLines, CompleteAndLines) {
  struct Case {
    std::vector<std::string> options;
    std::string input, output;
  } cases[] = {
      {{"complete"}, kDoc, "{100}{175}Ahoj\r\n{500}{625}X|Y\r\n{2000}{2075}{Y:b}a b c\r\n"},
      {{"complete", "--time", "3", "--rows", "3"},  // 1, 1, 3, 5, 7 seconds
       kDoc,
       "{100}{}Ahoj\r\n{500}{525}X|Y\r\n{2000}{}{Y:b}a b c\r\n"},
      {{"complete", "--table", "0,2,3,4,5", "--only-empty"},
       kDoc,
       "{100}{125}Ahoj\r\n{500}{600}X|Y\r\n{2000}{2025}{Y:b}a b c\r\n"},
      {{"complete", "--remove", "--rows", "2-3"},
       kDoc,
       "{100}{}Ahoj\r\n{}{}pryč\r\n{500}{}X|Y\r\n{2000}{}{Y:b}a b c\r\n"},
      {{"lines", "--count", "3", "--max", "--rows", "3-4"}, kDoc, kDoc},
      {{"lines", "--count", "2"},
       kDoc,
       "{100}{}Ahoj\r\n{}{}pryč\r\n{500}{600}X|Y\r\n{2000}{}{Y:b}a|b c\r\n"},
      // Characters are bytes in Windows-1250 and code points in UTF-8.
      {{"lines", "--count", "2"},
       "{1}{}Ahoj jak se m\xE1\x9A\r\n",
       "{1}{}Ahoj jak|se m\xE1\x9A\r\n"},
      {{"lines", "--count", "2"}, "{1}{}abcdefg hi jžžžžžž\r\n", "{1}{}abcdefg|hi jžžžžžž\r\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {c.options[0], "-", "-o", "-"};
    args.insert(args.end(), c.options.begin() + 1, c.options.end());
    CliRun r = Cli(args, c.input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.output) << testing::PrintToString(args);
  }
}

TEST(CliLines, FailuresSayWhyAndWriteNothing) {
  test::TempDir dir;
  test::WriteBytes(dir.File("in.sub"), "{5}{}a\r\n{2147483600}{}b\r\n");
  const std::string in = dir.File("in.sub"), out = dir.File("out.sub");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"lines", in, "-o", out, "--count", "6"}, 2, "from 1 to 5"},
      {{"complete", in, "-o", out, "--table", "1,2,3,4"}, 2, "five numbers"},
      {{"complete", in, "-o", out, "--time", "7", "--step", "100"}, 2, "at most 2 digits"},
      {{"complete", in, "-o", out, "--remove", "--only-empty"}, 2, "--remove takes no"},
      {{"complete", in, "-o", out}, 1, "Číslo druhého snímku by bylo větší než 2147483647"},
  };
  for (const auto& c : cases) {
    CliRun r = Cli(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  EXPECT_EQ(Cli({"lines", in, "-o", out, "--count", "1"}).status, 0);
  EXPECT_EQ(test::ReadBytes(out), "{5}{}a\r\n{2147483600}{}b\r\n");
}

}  // namespace
}  // namespace velorin
