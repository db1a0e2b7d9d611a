// velorin-cli spell.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_run.h"
#include "document/text_encoding.h"
#include "test_support.h"

namespace velorin {
namespace {

using test::Cli;
using test::CliRun;

// The user's personal words and the dictionary folders stay the test's own.
class CliSpell : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = getenv("XDG_DATA_HOME")) oldData_ = old;
    setenv("XDG_DATA_HOME", data_.Path().c_str(), 1);
    unsetenv("DICPATH");
  }
  void TearDown() override {
    if (oldData_) setenv("XDG_DATA_HOME", oldData_->c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
  }
  test::TempDir data_;
  std::optional<std::string> oldData_;
};

const std::string kDoc =
    "{10}{20}Příliš žluťoučký kůň\r\n{30}{40}{y:i}Tohle je chybba|a tadi 12:30\r\n"
    "{50}{60}<i>Velorin</i>\r\n";

TEST_F(CliSpell, UnknownWordsWithRowAndColumn) {
  const std::string unknown = "2:23: chybba\n2:32: tadi\n3:12: Velorin\n";
  const struct {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out;
  } cases[] = {
      {{"spell", "-"}, kDoc, 1, unknown},
      // Windows-1250 bytes give the same words and columns.
      {{"spell", "-", "--dict", "cs_CZ"}, Utf8ToCp1250(kDoc), 1, unknown},
      {{"spell", "-"}, "{1}{2}Dobrý den\r\n", 0, ""},
      {{"spell", "-", "--dict", "en_US"}, "{1}{2}Hello|{Y:b}wrold\n", 1, "1:18: wrold\n"},
      {{"spell", "-"}, "", 0, ""},
  };
  for (const auto& c : cases) {
    const CliRun r = Cli(c.args, c.input);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, c.out) << c.input;
  }
  // A word of the personal dictionary is known.
  std::filesystem::create_directories(data_.Path() + "/velorin");
  test::WriteBytes(data_.Path() + "/velorin/words-cs_CZ.txt", "Velorin\n");
  EXPECT_EQ(Cli({"spell", "-"}, kDoc).out, "2:23: chybba\n2:32: tadi\n");
}

TEST_F(CliSpell, TroubleIsStatusTwo) {
  test::TempDir empty;
  const std::string file = empty.File("a.sub");
  test::WriteBytes(file, "{1}{2}ahoj\n");
  const struct {
    std::vector<std::string> args;
    std::string input;
    const char* dicpath;
    std::string err;
  } cases[] = {
      {{"spell", "-", "--dict", "xx_XX"}, kDoc, nullptr,
       "velorin-cli: no spelling dictionary 'xx_XX' is installed (installed: cs_CZ, en_US)\n"},
      {{"spell", file}, "", empty.Path().c_str(),
       "velorin-cli: no spelling dictionary is installed (hunspell-cs, hunspell-en-us and the "
       "like install them)\n"},
      {{"spell", "-"}, "1\n00:00:01,000 --> 00:00:02,000\nx\n", nullptr,
       "velorin-cli: -: not a frame-based subtitle file (its first significant line does not "
       "begin with '{')\n"},
      {{"spell", empty.File("none.sub")}, "", nullptr, ""},
  };
  for (const auto& c : cases) {
    if (c.dicpath) setenv("DICPATH", c.dicpath, 1);
    const CliRun r = Cli(c.args, c.input);
    unsetenv("DICPATH");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out, "");
    if (!c.err.empty()) EXPECT_EQ(r.err, c.err);
    else EXPECT_NE(r.err, "");
  }
}

}  // namespace
}  // namespace velorin
