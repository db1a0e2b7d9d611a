// velorin-cli complete and lines.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct CliRun {
  int status;
  std::string out, err;
};

CliRun Cli(std::vector<std::string> args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  int status = RunCli(args, in, out, err);
  return {status, out.str(), err.str()};
}

const std::string kDoc =
    "{100}{}Ahoj\r\n{}{}pryč\r\n{500}{600}X|Y\r\n{2000}{}{Y:b}{y:i}Dnes večer půjdeme spolu do "
    "kina\r\n";

TEST(CliLines, CompleteAndLinesOnStandardStreams) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string output;
  } cases[] = {
      {{"complete"},
       kDoc,
       "{100}{175}Ahoj\r\n{500}{625}X|Y\r\n{2000}{2075}{Y:b}{y:i}Dnes večer půjdeme spolu do "
       "kina\r\n"},
      // T = 3, K = 2 gives 1, 1, 3, 5, 7 seconds; unselected rows keep their frames.
      {{"complete", "--time", "3", "--rows", "3"},
       kDoc,
       "{100}{}Ahoj\r\n{500}{525}X|Y\r\n{2000}{}{Y:b}{y:i}Dnes večer půjdeme spolu do kina\r\n"},
      {{"complete", "--time", "3", "--no-step", "--only-empty"},
       kDoc,
       "{100}{175}Ahoj\r\n{500}{600}X|Y\r\n{2000}{2075}{Y:b}{y:i}Dnes večer půjdeme spolu do "
       "kina\r\n"},
      {{"complete", "--table", "0,2,3,4,5"},
       "{10}{}a\r\n{50}{}b|c\r\n",
       "{10}{35}a\r\n{50}{100}b|c\r\n"},
      {{"complete", "--remove", "--rows", "2-3"},
       "{1}{2}a\r\n{3}{4}b\r\n{}{6}c\r\n",
       "{1}{2}a\r\n{3}{}b\r\n{}{}c\r\n"},
      {{"lines", "--count", "3", "--rows", "4"},
       kDoc,
       "{100}{}Ahoj\r\n{}{}pryč\r\n{500}{600}X|Y\r\n{2000}{}{Y:b}{y:i}Dnes večer|{y:i}půjdeme|{y:i}"
       "spolu do kina\r\n"},
      {{"lines", "--count", "1"},
       "{1}{}{Y:b}{y:i}Ahoj|{y:u}světe\r\n",
       "{1}{}{Y:b}{y:i}Ahoj světe\r\n"},
      {{"lines", "--count", "2", "--max"},
       "{1}{}Slovo a slovo\r\n{2}{}a|b c d e\r\n",
       "{1}{}Slovo a slovo\r\n{2}{}a b|c d e\r\n"},
      // Characters, not bytes: code points in UTF-8, bytes in Windows-1250.
      {{"lines", "--count", "2"}, "{1}{}abcdefg hi jžžžžžž\r\n", "{1}{}abcdefg|hi jžžžžžž\r\n"},
      {{"lines", "--count", "2"},
       "{1}{}Ahoj jak se m\xE1\x9A\r\n",
       "{1}{}Ahoj jak|se m\xE1\x9A\r\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {c.args[0], "-", "-o", "-"};
    args.insert(args.end(), c.args.begin() + 1, c.args.end());
    SCOPED_TRACE(testing::PrintToString(args));
    CliRun r = Cli(args, c.input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.output);
  }
}

TEST(CliLines, FilesInAndOut) {
  TempDir dir;
  WriteBytes(dir.File("in.sub"), kDoc);
  CliRun r = Cli({"lines", dir.File("in.sub"), "-o", dir.File("out.sub"), "--count", "2"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir.File("out.sub")),
            "{100}{}Ahoj\r\n{}{}pryč\r\n{500}{600}X|Y\r\n{2000}{}{Y:b}{y:i}Dnes večer "
            "půjdeme|{y:i}spolu do kina\r\n");
}

TEST(CliLines, FailuresSayWhyAndWriteNothing) {
  TempDir dir;
  WriteBytes(dir.File("in.sub"), kDoc);
  WriteBytes(dir.File("big.sub"), "{5}{}a\r\n{2147483600}{}b\r\n");
  const std::string in = dir.File("in.sub"), out = dir.File("out.sub");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"lines", in, "-o", out}, 2, "--count N"},
      {{"lines", in, "-o", out, "--count", "0"}, 2, "from 1 to 5"},
      {{"lines", in, "-o", out, "--count", "6"}, 2, "from 1 to 5"},
      {{"lines", in, "-o", out, "--count", "2", "--rows", "5"}, 2, "outside rows 1-4"},
      {{"complete", in, "-o", out, "--table", "1,2,3,4"}, 2, "five numbers"},
      {{"complete", in, "-o", out, "--table", "1,2,3,4,5,"}, 2, "five numbers"},
      {{"complete", in, "-o", out, "--table", "1,2,3,4,1000"}, 2, "at most 3 digits"},
      {{"complete", in, "-o", out, "--time", "7", "--step", "100"}, 2, "at most 2 digits"},
      {{"complete", in, "-o", out, "--table", "1,2,3,4,5", "--time", "3"}, 2, "either --table"},
      {{"complete", in, "-o", out, "--remove", "--only-empty"}, 2, "--remove takes no"},
      {{"complete", dir.File("big.sub"), "-o", out},
       1,
       "Číslo druhého snímku by bylo větší než 2147483647"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CliRun r = Cli(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

}  // namespace
}  // namespace velorin
