// The real program against hostile input: every case ends with a message and
// exit status 1 or 2 (never a crash or a signal), prints nothing on standard
// output, and leaves the input and an existing output file byte for byte as
// they were.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "test_support.h"

namespace velorin {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct ProgramRun {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string out, err;
};

// Runs a shell command line in dir; CLI stands for the program.
ProgramRun Shell(const TempDir& dir, const std::string& line) {
  std::string command = line;
  for (size_t at; (at = command.find("CLI")) != std::string::npos;)
    command.replace(at, 3, VELORIN_CLI_PATH);
  const std::string full =
      "cd '" + dir.Path() + "' && { " + command + " ; } >stdout.txt 2>stderr.txt";
  const int raw = std::system(full.c_str());
  ProgramRun r;
  if (WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  r.out = ReadBytes(dir.File("stdout.txt"));
  r.err = ReadBytes(dir.File("stderr.txt"));
  return r;
}

const std::string kFilm = "{2}{10}Ahoj\r\n{500}{}{y:i}a|b\r\n{1002}{1100}konec\r\n";
const std::string kOldOutput = "{1}{2}earlier output\r\n";

TEST(HostileCli, FailsWithAMessageAndKeepsEveryByte) {
  TempDir dir;
  WriteBytes(dir.File("in.sub"), kFilm);
  std::filesystem::create_directory(dir.File("folder"));
  // A last line with a frame of five million digits; a last line of twenty
  // million digits without a line end or a closing brace.
  WriteBytes(dir.File("huge.sub"),
             "{1}{2}a\r\n{3}{4}c\r\n{" + std::string(5000000, '9') + "}{}b\r\n");
  WriteBytes(dir.File("longline.sub"), "{1}{2}a\r\n{" + std::string(20000000, '5'));
  WriteBytes(dir.File("big.srt"), "1\r\n00:00:01,000 --> 00:00:02,000\r\nx\r\n");
  // Far larger than any subtitle file, and no text.
  WriteBytes(dir.File("sparse.sub"), "");
  std::filesystem::resize_file(dir.File("sparse.sub"), (uint64_t{2} << 30) - 1);
  const struct {
    const char* line;
    int status;
    const char* message;
  } cases[] = {
      {"CLI info - <&-", 1, "cannot read standard input"},
      {"CLI info - < folder", 1, "cannot read standard input"},
      {"CLI retime - -o out.sub --offset 1 --scale 1 <&-", 1, "cannot read standard input"},
      {"CLI retime in.sub -o out.sub --sync - < folder", 1, "cannot read standard input"},
      {"CLI sync in.sub -o out.sub --ref - --complete <&-", 1, "cannot read standard input"},
      {"CLI import - -o out.sub --fps 25 < folder", 1, "cannot read standard input"},
      {"CLI info folder", 1, "Is a directory"},
      {"CLI info /dev/zero", 1, "Not a regular file"},
      {"CLI import /dev/urandom -o out.sub --fps 25", 1, "Not a regular file"},
      {"CLI retime in.sub -o out.sub --sync /dev/zero", 1, "Not a regular file"},
      {"CLI retime huge.sub -o out.sub --offset 1 --scale 1", 1, "\u2026' is not a valid integer"},
      {"CLI info huge.sub", 1, "\u2026' is not a valid integer value"},
      {"CLI retime longline.sub -o out.sub --offset 1 --scale 1", 1, "is not a valid integer"},
      {"CLI retime in.sub -o out.sub --frames 99999999999999999999 1 2 3", 1,
       "'99999999999999999999' is not a valid integer value"},
      {"CLI retime in.sub -o out.sub --offset nan --scale 1", 1, "Hodnota posunu je chybná!"},
      {"CLI retime in.sub -o out.sub --offset inf --scale 1", 1, "Hodnota posunu je chybná!"},
      {"CLI retime in.sub -o out.sub --offset 1 --scale 1e999", 1,
       "Hodnota časového měřítka je chybná!"},
      {"CLI retime in.sub -o out.sub --offset 1 --scale -inf", 1,
       "Hodnota časového měřítka je chybná!"},
      {"CLI retime in.sub -o out.sub --offset 1 --scale 1 --rows 1-", 2, "'1-' is not a row"},
      {"CLI retime in.sub -o out.sub --offset 1 --scale 1 --rows ,,", 2, "is not a row"},
      {"CLI retime in.sub -o out.sub --offset 1 --scale 1 --rows 99999999999999999999", 2,
       "is not a row"},
      {"CLI complete in.sub -o out.sub --rows 3-1", 2, "'3-1' is not a row"},
      {"CLI sync in.sub -o out.sub --point 1=99999999999999999999 --point 2=5", 2,
       "is not ROW=FRAME"},
      {"CLI sync in.sub -o out.sub --point 0=5 --point 2=5", 2, "outside rows"},
      {"CLI export in.sub -o out.sub --fps nan", 2, "is not one of the frame rates"},
      {"CLI retime in.sub -o /dev/full --offset 1 --scale 1", 1, "No space left on device"},
      {"CLI retime in.sub -o - --offset 1 --scale 1 > /dev/full", 1,
       "cannot write to standard output"},
      {"CLI export in.sub -o - --fps 25 > /dev/full", 1, "cannot write to standard output"},
      {"CLI retime in.sub -o in.sub --offset nan --scale 1", 1, "Hodnota posunu je chybná!"},
      {"CLI retime in.sub -o folder --offset 1 --scale 1", 1, "Is a directory"},
      {"CLI retime in.sub -o missing/out.sub --offset 1 --scale 1", 1, "File not found"},
      {"CLI unknown-command", 2, "unknown command"},
      // A full disk is the output's error, not blamed on a line of the input.
      {"CLI import big.srt -o /dev/full --fps 25", 1, "velorin-cli: No space left on device: /dev/full\n"},
      // Decided from the first bytes, without reading the rest.
      {"CLI retime - -o out.sub --offset 1 --scale 1 < /dev/zero", 1,
       "-: not a frame-based subtitle file"},
      {"CLI retime sparse.sub -o out.sub --offset 1 --scale 1", 1,
       "sparse.sub: not a frame-based subtitle file"},
      {"CLI info sparse.sub", 1, "sparse.sub: not a frame-based subtitle file"},
      {"CLI import - -o out.sub --fps 25 < /dev/zero", 1, "-: not a text file"},
      {"CLI import sparse.sub -o out.sub --fps 25", 1, "sparse.sub: not a text file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    WriteBytes(dir.File("out.sub"), kOldOutput);
    ProgramRun r = Shell(dir, c.line);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.rfind("velorin-cli: ", 0), 0u) << r.err;
    EXPECT_LT(r.err.size(), 4000u);  // the usage text at most, never the input
    if (r.status != 0) {
      EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ReadBytes(dir.File("in.sub")), kFilm);
    EXPECT_EQ(ReadBytes(dir.File("out.sub")), kOldOutput);
  }
  // Output equal to input is a plain save over it: the input is read whole first.
  ProgramRun same = Shell(dir, "CLI retime in.sub -o in.sub --offset 1 --scale 1");
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(ReadBytes(dir.File("in.sub")),
            "{3}{11}Ahoj\r\n{501}{}{y:i}a|b\r\n{1003}{1101}konec\r\n");
}

}  // namespace
}  // namespace velorin
