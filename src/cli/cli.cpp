#include "cli/cli.h"

#include <istream>
#include <iterator>
#include <optional>
#include <ostream>
#include <sstream>

#include "convert/srt_export.h"
#include "convert/srt_import.h"
#include "document/error.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "document/subtitle_list.h"
#include "sync/retiming.h"
#include "sync/time_frames.h"

namespace velorin {

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  velorin-cli retime IN -o OUT (--offset X --scale Y | --frames E1 E2 E3 E4 | --sync REF)\n"
    "                     [--rows A-B,...]\n"
    "  velorin-cli info IN\n"
    "  velorin-cli import IN -o OUT --fps RATE\n"
    "  velorin-cli export IN -o OUT --fps RATE\n"
    "  velorin-cli --help | --version\n"
    "\n"
    "retime   every frame becomes frame * scale + offset (the offset rounded to a whole\n"
    "         frame first), rounded half to even; X and Y take a decimal comma or point.\n"
    "         --frames: E1, E2 the first frame of the first and last subtitle now, E3, E4\n"
    "         where they should be; --sync: E3, E4 from a correctly timed subtitle file.\n"
    "         --rows: only these rows (1-based, inclusive ranges).\n"
    "info     first frame of the first and of the last subtitle, number of subtitles.\n"
    "import   an SRT file or a file of time-code lines to frame lines at RATE frames\n"
    "         per second, as the window converts and saves it.\n"
    "export   a frame-line file to SRT at RATE, as the window writes it.\n"
    "         RATE is one of 23,976  24  25  29,97  30, also written with three\n"
    "         decimals and a comma or point (\"25,000\", \"23.976\").\n"
    "IN, OUT and REF may be '-' for standard input or output.\n";

// A failure the command reports on stderr with its exit status.
struct Failure {
  std::string message;
  int status = 1;
};

[[noreturn]] void Fail(std::string message, int status = 1) {
  throw Failure{std::move(message), status};
}

std::string ReadAll(std::istream& in) {
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The subtitle lines of IN as the window would load them.
SubtitleList LoadDocument(const std::string& path, std::istream& in) {
  ReadOutcome read = path == "-" ? ParseSubtitleText(ReadAll(in)) : ReadSubtitleLines(path);
  if (read.kind == ReadKind::NotSubtitleFile)
    Fail(path +
         ": not a frame-based subtitle file (its first significant line does not begin "
         "with '{')");
  SubtitleList doc;
  doc.Assign(std::move(read.lines));
  doc.SetUtf8(read.utf8);
  return doc;
}

// "A-B,C,..." (1-based, inclusive) into selection flags.
void SelectRows(SubtitleList& doc, const std::string& ranges) {
  std::stringstream parts(ranges);
  std::string part;
  bool any = false;
  while (std::getline(parts, part, ',')) {
    auto dash = part.find('-');
    std::string a = part.substr(0, dash);
    std::string b = dash == std::string::npos ? a : part.substr(dash + 1);
    int32_t from = 0, to = 0;
    try {
      from = ToInt32(a);
      to = ToInt32(b);
    } catch (const Error&) {
      Fail("--rows: '" + part + "' is not a row or a range of rows", 2);
    }
    if (to < from) Fail("--rows: '" + part + "' is not a row or a range of rows", 2);
    if (from < 1 || to > doc.Count())
      Fail("--rows: '" + part + "' is outside rows 1-" + std::to_string(doc.Count()), 2);
    for (int32_t r = from; r <= to; ++r) doc.SetSelected(r - 1, true);
    any = true;
  }
  if (!any) Fail("--rows: no rows given", 2);
}

// Offset and scale texts from the two frame pairs, as "=" shows them.
std::pair<std::string, std::string> FromFramePairs(int32_t e1, int32_t e2, int32_t e3, int32_t e4) {
  RetimingValues v = ComputeRetiming(e1, e2, e3, e4);
  if (!v.success) Fail(std::string(kMsgLastBeforeFirst));
  return {FormatDecimal(v.offset), FormatDecimal(v.scale)};
}

// The command line takes a decimal point as well as the comma.
std::string WithComma(std::string text) {
  for (char& c : text)
    if (c == '.') c = ',';
  return text;
}

int Retime(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  std::optional<std::string> input, output, offset, scale, sync, rows;
  std::optional<std::vector<std::string>> frames;
  auto value = [&](size_t& i) -> std::string {
    if (i + 1 >= args.size()) Fail(args[i] + " needs a value", 2);
    return args[++i];
  };
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output") {
      output = value(i);
    } else if (a == "--offset") {
      offset = value(i);
    } else if (a == "--scale") {
      scale = value(i);
    } else if (a == "--sync") {
      sync = value(i);
    } else if (a == "--rows") {
      rows = value(i);
    } else if (a == "--frames") {
      if (i + 4 >= args.size()) Fail("--frames needs four frame numbers E1 E2 E3 E4", 2);
      frames = std::vector<std::string>(args.begin() + i + 1, args.begin() + i + 5);
      i += 4;
    } else if (!input && (a == "-" || a.empty() || a[0] != '-')) {
      input = a;
    } else {
      Fail("unexpected argument '" + a + "'", 2);
    }
  }
  if (!input) Fail("retime: no input file", 2);
  if (!output) Fail("retime: no output file (-o OUT)", 2);
  int ways = (offset || scale ? 1 : 0) + (frames ? 1 : 0) + (sync ? 1 : 0);
  if (ways != 1) Fail("retime: give either --offset and --scale, or --frames, or --sync", 2);
  if ((offset || scale) && !(offset && scale)) Fail("retime: --offset and --scale go together", 2);
  if (sync && *sync == "-" && *input == "-") Fail("retime: IN and REF cannot both be '-'", 2);

  SubtitleList doc = LoadDocument(*input, in);
  if (doc.Empty()) Fail(*input + ": the file holds no subtitle lines");

  std::string offsetText, scaleText;
  if (offset) {
    offsetText = WithComma(*offset);
    scaleText = WithComma(*scale);
  } else {
    int32_t e1 = ParseFirstFrame(doc.Line(0));
    int32_t e2 = ParseFirstFrame(doc.Line(doc.Count() - 1));
    if (frames) {
      std::tie(offsetText, scaleText) =
          FromFramePairs(ToInt32((*frames)[0]), ToInt32((*frames)[1]), ToInt32((*frames)[2]),
                         ToInt32((*frames)[3]));
    } else {
      SyncBounds b = *sync == "-" ? ScanSyncBounds(ReadAll(in)) : ReadSyncBounds(*sync);
      if (b.nonStandard) Fail(*sync + ": " + std::string(kMsgNonStandardSync));
      if (b.first.empty() || b.last.empty())
        Fail(*sync + ": no first and last subtitle frame found");
      std::tie(offsetText, scaleText) = FromFramePairs(e1, e2, ToInt32(b.first), ToInt32(b.last));
    }
  }

  if (rows) SelectRows(doc, *rows);
  switch (RecalculateFrames(doc, offsetText, scaleText, rows.has_value())) {
    case RecalcStatus::BadOffset:
      Fail(std::string(kMsgBadOffset));
    case RecalcStatus::BadScale:
      Fail(std::string(kMsgBadScale));
    case RecalcStatus::TooLarge:
      Fail(std::string(kMsgFrameTooLarge));
    case RecalcStatus::Done:
      break;
  }

  if (*output == "-") {
    out << ComposeFileBytes(doc.Lines());
    out.flush();
    if (!out) Fail("cannot write to standard output");
  } else {
    WriteSubtitleFile(*output, doc.Lines());
  }
  return 0;
}

int Info(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  if (args.size() != 2) Fail("info: give one input file", 2);
  SubtitleList doc = LoadDocument(args[1], in);
  // Composed first: a frame that cannot be read leaves no half an answer.
  std::ostringstream text;
  if (doc.Empty()) {
    text << "first: \nlast: \ncount: 0\n";
  } else {
    text << "first: " << ParseFirstFrame(doc.Line(0)) << "\n"
         << "last: " << ParseFirstFrame(doc.Line(doc.Count() - 1)) << "\n"
         << "count: " << doc.Count() << "\n";
  }
  out << text.str();
  return 0;
}

// IN, OUT and RATE of import and export.
struct ConvertArgs {
  std::string input, output;
  int32_t rate = 0;
};

ConvertArgs ParseConvertArgs(const std::vector<std::string>& args) {
  const std::string& command = args[0];
  std::optional<std::string> input, output, fps;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output" || a == "--fps") {
      if (i + 1 >= args.size()) Fail(a + " needs a value", 2);
      (a == "--fps" ? fps : output) = args[++i];
    } else if (!input && (a == "-" || a.empty() || a[0] != '-')) {
      input = a;
    } else {
      Fail("unexpected argument '" + a + "'", 2);
    }
  }
  if (!input) Fail(command + ": no input file", 2);
  if (!output) Fail(command + ": no output file (-o OUT)", 2);
  if (!fps) Fail(command + ": no frame rate (--fps RATE)", 2);
  // Only the rates the windows offer.
  std::optional<int32_t> rate = RateThousandths(*fps);
  bool offered = false;
  for (std::string_view r : kFrameRates) offered = offered || (rate && rate == RateThousandths(r));
  if (!offered)
    Fail("--fps: '" + *fps + "' is not one of the frame rates 23,976; 24; 25; 29,97; 30", 2);
  return {*input, *output, *rate};
}

// Writes frame lines to OUT as the window saves them.
void WriteLines(const std::string& output, const std::vector<std::string>& lines,
                std::ostream& out) {
  if (output == "-") {
    out << ComposeFileBytes(lines);
    out.flush();
    if (!out) Fail("cannot write to standard output");
  } else {
    WriteSubtitleFile(output, lines);
  }
}

// An SRT file or a file of time-code lines to frame lines, as the window's
// loader hands it to the conversion.
int Import(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  ConvertArgs a = ParseConvertArgs(args);
  std::string bytes = a.input == "-" ? ReadAll(in) : ReadFileBytes(a.input);
  switch (ParseSubtitleText(bytes).kind) {
    case ReadKind::Loaded:
      Fail(a.input + ": already a frame-based subtitle file, nothing to convert");
    case ReadKind::NoSubtitles:
      Fail(a.input + ": the file holds nothing to convert");
    case ReadKind::NotSubtitleFile:
      break;
  }
  bool srt = a.input == "-" ? IsSrtText(bytes) : IsSrtFile(a.input);
  ConvertedDocument doc;
  try {
    doc = srt ? ConvertSrt(bytes, a.rate) : ConvertTimeCodeLines(bytes, a.rate);
  } catch (const ConversionError& e) {
    Fail(a.input + ":" + std::to_string(e.Line()) + ": " + e.what() +
         " (a number or frame above 2147483647); nothing converted");
  }
  bytes = std::string();  // the lines are all that is needed now
  WriteLines(a.output, doc.lines, out);
  return 0;
}

// A frame-line file to SRT, the bytes the window's SRT export writes.
int Export(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  ConvertArgs a = ParseConvertArgs(args);
  SubtitleList doc = LoadDocument(a.input, in);
  if (doc.Empty()) Fail(a.input + ": the file holds no subtitle lines");
  if (a.output == "-") {
    out << ComposeSrtBytes(doc.Lines(), a.rate);
    out.flush();
    if (!out) Fail("cannot write to standard output");
  } else {
    WriteSrtFile(a.output, doc.Lines(), a.rate);
  }
  return 0;
}

// A command's answer counts only when it reached the output.
int Flushed(std::ostream& out, int status) {
  out.flush();
  if (!out) Fail("cannot write to standard output");
  return status;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err) {
  try {
    if (args.empty()) Fail(std::string("no command given\n") + kUsage, 2);
    const std::string& command = args[0];
    if (command == "--version") {
      out << "velorin-cli 0.1.0\n";
      return Flushed(out, 0);
    }
    if (command == "--help" || command == "-h") {
      out << kUsage;
      return Flushed(out, 0);
    }
    if (command == "retime") return Flushed(out, Retime(args, in, out));
    if (command == "info") return Flushed(out, Info(args, in, out));
    if (command == "import") return Flushed(out, Import(args, in, out));
    if (command == "export") return Flushed(out, Export(args, in, out));
    Fail("unknown command '" + command + "'\n" + kUsage, 2);
  } catch (const Failure& f) {
    err << "velorin-cli: " << f.message << "\n";
    return f.status;
  } catch (const Error& e) {
    err << "velorin-cli: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace velorin
