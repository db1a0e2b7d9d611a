#include "cli/cli.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <memory>
#include <istream>
#include <new>
#include <optional>
#include <ostream>
#include <sstream>

#include "cli/listen_loader.h"
#include "convert/srt_export.h"
#include "convert/srt_import.h"
#include "document/error.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "document/utf16.h"
#include "document/subtitle_list.h"
#include "edit/completion.h"
#include "edit/statistics.h"
#include "film/speech_detector.h"
#include "layout/line_breaking.h"
#include "sync/auto_sync.h"
#include "sync/retiming.h"
#include "sync/sync_points.h"
#include "sync/time_frames.h"

namespace velorin {

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  velorin-cli retime IN -o OUT (--offset X --scale Y | --frames E1 E2 E3 E4 | --sync REF)\n"
    "                     [--rows A-B,...]\n"
    "  velorin-cli sync IN -o OUT [--ref REF [--complete]] [--point ROW=FRAME]...\n"
    "  velorin-cli info IN\n"
    "  velorin-cli complete IN -o OUT [--table S1,S2,S3,S4,S5 | --time T [--step K | --no-step]]\n"
    "                       [--only-empty] [--rows A-B,...]\n"
    "  velorin-cli complete IN -o OUT --remove [--rows A-B,...]\n"
    "  velorin-cli lines IN -o OUT --count N [--max] [--rows A-B,...]\n"
    "  velorin-cli import IN -o OUT --fps RATE\n"
    "  velorin-cli export IN -o OUT --fps RATE\n"
    "  velorin-cli autosync IN -o OUT --film FILM [--fps RATE] [--points]\n"
    "  velorin-cli --help | --version\n"
    "\n"
    "retime   every frame becomes frame * scale + offset (the offset rounded to a whole\n"
    "         frame first), rounded half to even; X and Y take a decimal comma or point.\n"
    "         --frames: E1, E2 the first frame of the first and last subtitle now, E3, E4\n"
    "         where they should be; --sync: E3, E4 from a correctly timed subtitle file.\n"
    "         --rows: only these rows (1-based, inclusive ranges).\n"
    "sync     retimes piecewise between synchronization points, as 'Pokročilá\n"
    "         synchronizace' does: --point pairs the 1-based row ROW (its first frame\n"
    "         now) with FRAME, where it should be; points stay in the order given.\n"
    "         --complete pairs the first and last subtitle with REF's first and last\n"
    "         line (replacing a first or last point that shares a frame with them).\n"
    "info     first frame of the first and of the last subtitle, number of subtitles;\n"
    "         then as 'Souhrnné informace o titulcích': whether and how many subtitles\n"
    "         hold formatting, the most display lines, and the first frame of the\n"
    "         subtitle with the longest display line (tags not counted).\n"
    "complete gives each selected subtitle a second frame by its number of display lines:\n"
    "         the first frame + 25 frames a second, cut to one before the next subtitle.\n"
    "         --table: seconds for 1 to 5 lines (an entry of 0 counts as 1); or T-2K, T-K,\n"
    "         T, T+K, T+2K from the longest time T and the step K (the first three at\n"
    "         least 1), by default 7 and 2 (3,5,7,9,11); --no-step: T for every count.\n"
    "         Subtitles without a first frame or text are removed first, selected or not.\n"
    "         --only-empty: only subtitles without a second frame; --remove: empty the\n"
    "         second frame of the selected subtitles instead.\n"
    "lines    re-breaks the selected subtitles into N display lines (1 joins, 2 to 5\n"
    "         split), formatting tags kept; --max: subtitles with fewer lines stay.\n"
    "         For complete and lines --rows stands for the selection; without it every\n"
    "         row is selected.\n"
    "import   an SRT file or a file of time-code lines to frame lines at RATE frames\n"
    "         per second, as the window converts and saves it.\n"
    "export   a frame-line file to SRT at RATE, as the window writes it.\n"
    "         RATE is one of 23,976  24  25  29,97  30, also written with three\n"
    "         decimals and a comma or point (\"25,000\", \"23.976\").\n"
    "autosync listens to FILM's first audio stream and retimes the subtitles to where\n"
    "         people speak: offset and scale as 'Přepočítat' applies them, printed with\n"
    "         the confidence on stderr; nothing is written when the sound does not\n"
    "         decide. RATE: FILM's frames per second when its picture does not say.\n"
    "         --points: for a film cut differently, the synchronization points where\n"
    "         the offset changes, as ROW=FRAME lines for 'sync --point'.\n"
    "IN, OUT and REF may be '-' for standard input or output.\n";

// A failure the command reports on stderr with its exit status.
struct Failure {
  std::string message;
  int status = 1;
};

[[noreturn]] void Fail(std::string message, int status = 1) {
  throw Failure{std::move(message), status};
}

// A user's text in a message, cut short when long.
std::string Quote(std::string_view text) { return "'" + Excerpt(text) + "'"; }

// Looks at the first bytes of an input before the rest is read, and fails
// when they show the input is of no use.
using HeadCheck = std::function<void(std::string_view head)>;
constexpr size_t kHeadBytes = 1 << 16;

// A block of memory taken straight from the system, so that it goes back to
// it as soon as it is released.
class Block {
 public:
  static constexpr size_t kSize = size_t{4} << 20;
  Block() {
    void* p = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    data_ = static_cast<char*>(p);
  }
  ~Block() { ::munmap(data_, kSize); }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  char* Data() { return data_; }

 private:
  char* data_;
};

// Standard input, whole. A stream that cannot be read (closed, a folder) is
// a failure, not an empty file, and so is one longer than any file is read:
// refused as soon as a byte beyond the limit arrives, without reading on.
// The bytes gather in blocks that are copied into the result one by one and
// freed, so that reading holds little more than what it keeps.
std::string ReadAll(std::istream& in, const HeadCheck& check = {}) {
  std::vector<std::unique_ptr<Block>> blocks;
  size_t total = 0, inLast = Block::kSize;
  bool checked = !check;
  // istream::read turns an exception of the stream buffer (a failing read
  // with unsynchronized standard streams) into badbit.
  for (;;) {
    if (inLast == Block::kSize) {
      blocks.push_back(std::make_unique<Block>());
      inLast = 0;
    }
    // One byte more than the limit tells a longer input.
    const size_t want =
        std::min({kHeadBytes, Block::kSize - inLast, size_t{kMaxInputBytes} + 1 - total});
    in.read(blocks.back()->Data() + inLast, static_cast<std::streamsize>(want));
    const auto got = static_cast<size_t>(in.gcount());
    inLast += got;
    total += got;
    if (total > kMaxInputBytes)
      Fail("standard input: more than " + std::to_string(kMaxInputBytes >> 30) +
           " GiB, no subtitle file is that large");
    if (!checked && (total >= kHeadBytes || !in)) {
      checked = true;
      if (in.bad()) Fail("cannot read standard input");
      check(std::string_view(blocks.front()->Data(), total));
    }
    if (!in) break;
  }
  if (in.bad()) Fail("cannot read standard input");
  std::string out;
  out.reserve(total);
  for (auto& block : blocks) {
    out.append(block->Data(), std::min(Block::kSize, total - out.size()));
    block.reset();
  }
  return out;
}

// A file, whole, its first bytes looked at first: a regular file much larger
// than any subtitle file (a sparse one) is refused without reading it all.
std::string ReadFile(const std::string& path, const HeadCheck& check = {}) {
  if (check) {
    InputFile file(path);
    if (file.Size() == 0) {
      // A pipe cannot be read twice: it is read as standard input is.
      std::string bytes;
      char buf[1 << 16];
      while (const size_t n = file.Read(buf, sizeof buf)) {
        bytes.append(buf, n);
        if (bytes.size() >= kHeadBytes) break;
      }
      check(bytes);
      while (const size_t n = file.Read(buf, sizeof buf)) bytes.append(buf, n);
      return bytes;
    }
    std::string head(kHeadBytes, '\0');
    size_t have = 0;
    while (have < head.size())
      if (const size_t n = file.Read(head.data() + have, head.size() - have))
        have += n;
      else
        break;
    head.resize(have);
    check(head);
  }
  return ReadFileBytes(path);
}

std::string ReadInput(const std::string& path, std::istream& in, const HeadCheck& check = {}) {
  return path == "-" ? ReadAll(in, check) : ReadFile(path, check);
}

// Standard output named as a file ("-o /dev/stdout", often a pipe) is
// written as '-' is.
bool IsStandardOutput(const std::string& output) {
  return output == "-" || output == "/dev/stdout" || output == "/dev/fd/1" ||
         output == "/proc/self/fd/1";
}

void FailNotSubtitleFile(const std::string& path) {
  Fail(path +
       ": not a frame-based subtitle file (its first significant line does not begin "
       "with '{')");
}

// Refuses what the start of a file shows is no frame-based subtitle file.
HeadCheck SubtitleHead(const std::string& path) {
  return [path](std::string_view head) {
    SubtitleLineReader reader;
    if (!reader.Feed(head)) FailNotSubtitleFile(path);
  };
}

// The subtitle lines of IN as the window would load them.
SubtitleList LoadDocument(const std::string& path, std::istream& in) {
  ReadOutcome read =
      path == "-" ? ParseSubtitleText(ReadAll(in, SubtitleHead(path))) : ReadSubtitleLines(path);
  if (read.kind == ReadKind::NotSubtitleFile) FailNotSubtitleFile(path);
  SubtitleList doc;
  doc.Assign(std::move(read.lines));
  doc.SetUtf8(read.utf8);
  return doc;
}

// Writes the document to OUT ('-' for standard output) as the window saves it.
void SaveDocument(const std::string& output, LineSpan lines, std::ostream& out) {
  if (IsStandardOutput(output)) {
    out << ComposeFileBytes(lines);
    out.flush();
    if (!out) Fail("cannot write to standard output");
  } else {
    WriteSubtitleFile(output, lines);
  }
}

// The same lines as views into the file's bytes, for commands that only
// write a new document from them.
SubtitleText IndexDocument(const std::string& path, std::istream& in) {
  SubtitleText text = IndexSubtitleText(ReadInput(path, in, SubtitleHead(path)));
  if (text.kind == ReadKind::NotSubtitleFile) FailNotSubtitleFile(path);
  return text;
}

// Writes to OUT ('-' for standard output) what fill gives, as the window
// saves. Nothing is written when fill returns false or throws: a file keeps
// its old content, and standard output gets all or nothing.
void SaveStreamed(const std::string& output, std::ostream& out,
                  const std::function<bool(const ByteSink&)>& fill) {
  struct Dropped {};
  if (IsStandardOutput(output)) {
    std::string bytes;
    if (!fill([&](std::string_view piece) { bytes.append(piece); })) return;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) Fail("cannot write to standard output");
    return;
  }
  try {
    WriteFileStreamed(output, [&](const ByteSink& append) {
      if (!fill(append)) throw Dropped{};
    });
  } catch (const Dropped&) {
  }
}

// "A-B,C,..." (1-based, inclusive) of count rows into selection flags.
std::vector<char> RowFlags(int count, const std::string& ranges) {
  std::vector<char> flags(static_cast<size_t>(count), 0);
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
      Fail("--rows: " + Quote(part) + " is not a row or a range of rows", 2);
    }
    if (to < from) Fail("--rows: " + Quote(part) + " is not a row or a range of rows", 2);
    if (from < 1 || to > count)
      Fail("--rows: " + Quote(part) + " is outside rows 1-" + std::to_string(count), 2);
    std::fill(flags.begin() + (from - 1), flags.begin() + to, 1);
    any = true;
  }
  if (!any) Fail("--rows: no rows given", 2);
  return flags;
}

void SelectRows(SubtitleList& doc, const std::string& ranges) {
  const std::vector<char> flags = RowFlags(doc.Count(), ranges);
  for (int r = 0; r < doc.Count(); ++r)
    if (flags[static_cast<size_t>(r)]) doc.SetSelected(r, true);
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
      Fail("unexpected argument " + Quote(a), 2);
    }
  }
  if (!input) Fail("retime: no input file", 2);
  if (!output) Fail("retime: no output file (-o OUT)", 2);
  int ways = (offset || scale ? 1 : 0) + (frames ? 1 : 0) + (sync ? 1 : 0);
  if (ways != 1) Fail("retime: give either --offset and --scale, or --frames, or --sync", 2);
  if ((offset || scale) && !(offset && scale)) Fail("retime: --offset and --scale go together", 2);
  if (sync && *sync == "-" && *input == "-") Fail("retime: IN and REF cannot both be '-'", 2);

  // The lines are read from the file's bytes as they are written: the
  // document is never held line by line.
  const SubtitleText doc = IndexDocument(*input, in);
  if (doc.count == 0) Fail(*input + ": the file holds no subtitle lines");

  std::string offsetText, scaleText;
  if (offset) {
    offsetText = WithComma(*offset);
    scaleText = WithComma(*scale);
  } else {
    int32_t e1 = ParseFirstFrame(doc.first);
    int32_t e2 = ParseFirstFrame(doc.last);
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

  std::vector<char> selection;
  if (rows) selection = RowFlags(static_cast<int>(doc.count), *rows);
  const LineSource lines = [&](const LineSink& sink) { doc.ForEachLine(sink); };
  const std::vector<char>* flags = rows ? &selection : nullptr;
  RecalcStatus status = RecalcStatus::Done;
  try {
    SaveStreamed(*output, out, [&](const ByteSink& append) {
      status = WriteRecalculatedLines(lines, flags, offsetText, scaleText, append);
      return status == RecalcStatus::Done;
    });
  } catch (const Error&) {
    // A fault of the lines or fields is what to report, as if they had all
    // been checked before OUT was touched; only then the output's own.
    status = CheckRecalculatedLines(lines, flags, offsetText, scaleText);
    if (status == RecalcStatus::Done) throw;
  }
  switch (status) {
    case RecalcStatus::BadOffset:
      Fail(std::string(kMsgBadOffset));
    case RecalcStatus::BadScale:
      Fail(std::string(kMsgBadScale));
    case RecalcStatus::TooLarge:
      Fail(std::string(kMsgFrameTooLarge));
    case RecalcStatus::Done:
      break;
  }
  return 0;
}

// The rest of the statistics dialog's figures, after first, last and count.
void WriteStatistics(std::ostream& text, const SubtitleStatistics& s) {
  text << "formatting: " << (s.formatted > 0 ? "yes" : "no") << "\n"
       << "formatted: " << s.formatted << "\n"
       << "max lines: " << s.maxLines << "\n"
       << "longest line: ";
  if (s.count > 0) text << s.longestLineFrame;
  text << "\n";
}

int Info(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  if (args.size() != 2) Fail("info: give one input file", 2);
  const std::string& path = args[1];
  // Counted while reading; nothing of the file is kept but its first and
  // last subtitle line. A line whose frames cannot be read is reported after
  // the first and last frame, as the whole document's figures are composed.
  StatisticsCounter counter;
  std::string first, last;
  int count = 0;
  std::exception_ptr fault;
  const LineSink take = [&](std::string_view line) {
    if (count++ == 0) first.assign(line);
    last.assign(line);
    if (fault) return;
    try {
      counter.Add(line);
    } catch (const Error&) {
      fault = std::current_exception();
    }
  };
  const ReadOutcome read =
      path == "-" ? ScanSubtitleText(ReadAll(in, SubtitleHead(path)), take)
                  : ScanSubtitleLines(path, take);
  if (read.kind == ReadKind::NotSubtitleFile) FailNotSubtitleFile(path);
  // Composed first: a frame that cannot be read leaves no half an answer.
  std::ostringstream text;
  if (count == 0) {
    text << "first: \nlast: \ncount: 0\n";
  } else {
    text << "first: " << ParseFirstFrame(first) << "\n"
         << "last: " << ParseFirstFrame(last) << "\n"
         << "count: " << count << "\n";
  }
  if (fault) std::rethrow_exception(fault);
  WriteStatistics(text, counter.Result(read.utf8));
  out << text.str();
  return 0;
}

// Piecewise retiming through synchronization points, placed as the dialog's
// "Přidat" places them, then completed with REF's ends when asked.
int Sync(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  std::optional<std::string> input, output, ref;
  std::vector<std::string> pointArgs;
  bool complete = false;
  auto value = [&](size_t& i) -> std::string {
    if (i + 1 >= args.size()) Fail(args[i] + " needs a value", 2);
    return args[++i];
  };
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output") {
      output = value(i);
    } else if (a == "--ref") {
      ref = value(i);
    } else if (a == "--complete") {
      complete = true;
    } else if (a == "--point") {
      pointArgs.push_back(value(i));
    } else if (!input && (a == "-" || a.empty() || a[0] != '-')) {
      input = a;
    } else {
      Fail("unexpected argument " + Quote(a), 2);
    }
  }
  if (!input) Fail("sync: no input file", 2);
  if (!output) Fail("sync: no output file (-o OUT)", 2);
  if (complete && !ref) Fail("sync: --complete needs --ref REF", 2);
  if (!complete && pointArgs.size() < 2)
    Fail("sync: give at least two --point, or --ref REF --complete", 2);
  if (ref && *ref == "-" && *input == "-") Fail("sync: IN and REF cannot both be '-'", 2);

  SubtitleList doc = LoadDocument(*input, in);
  std::vector<std::string> syncLines;
  if (ref) {
    syncLines = *ref == "-" ? ScanSyncList(ReadAll(in)) : ReadSyncList(*ref);
    if (syncLines.empty()) Fail(*ref + ": " + std::string(kMsgSyncFileUnusable));
  }

  SyncPoints points;
  for (const std::string& p : pointArgs) {
    const size_t eq = p.find('=');
    int32_t row = 0, frame = 0;
    try {
      if (eq == std::string::npos) ThrowInvalidInteger(p);
      row = ToInt32(p.substr(0, eq));
      frame = ToInt32(p.substr(eq + 1));
      if (frame < 0) ThrowInvalidInteger(p);
    } catch (const Error&) {
      Fail("--point: " + Quote(p) + " is not ROW=FRAME", 2);
    }
    if (row < 1 || row > doc.Count())
      Fail("--point: row " + std::to_string(row) + " is outside rows 1-" +
               std::to_string(doc.Count()),
           2);
    SyncPointClash clash =
        PlaceSyncPoint(points, points.size(), MakeSyncPoint(doc.Lines(), row - 1, frame));
    if (clash.found) Fail(SyncClashMessage(clash.frame, SyncPlacement::Add));
  }
  if (complete) CompleteSyncPoints(points, doc.Lines(), syncLines);
  if (points.size() < 2) Fail("sync: fewer than two synchronization points");

  SyncStatus status = Synchronize(doc, points);
  if (status != SyncStatus::Done) Fail(std::string(SyncStatusMessage(status)));

  SaveDocument(*output, doc.Lines(), out);
  return 0;
}

// A number as a dialog field of at most width digits holds it.
std::string FieldNumber(const std::string& option, const std::string& text, size_t width) {
  bool digits = !text.empty() && text.size() <= width &&
                text.find_first_not_of("0123456789") == std::string::npos;
  if (!digits)
    Fail(option + ": " + Quote(text) + " is not a whole number of at most " +
             std::to_string(width) + " digits",
         2);
  return text;
}

int Complete(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  std::optional<std::string> input, output, table, time, step, rows;
  bool noStep = false, onlyEmpty = false, remove = false;
  auto value = [&](size_t& i) -> std::string {
    if (i + 1 >= args.size()) Fail(args[i] + " needs a value", 2);
    return args[++i];
  };
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output") {
      output = value(i);
    } else if (a == "--table") {
      table = value(i);
    } else if (a == "--time") {
      time = value(i);
    } else if (a == "--step") {
      step = value(i);
    } else if (a == "--no-step") {
      noStep = true;
    } else if (a == "--only-empty") {
      onlyEmpty = true;
    } else if (a == "--remove") {
      remove = true;
    } else if (a == "--rows") {
      rows = value(i);
    } else if (!input && (a == "-" || a.empty() || a[0] != '-')) {
      input = a;
    } else {
      Fail("unexpected argument " + Quote(a), 2);
    }
  }
  if (!input) Fail("complete: no input file", 2);
  if (!output) Fail("complete: no output file (-o OUT)", 2);
  if (remove && (table || time || step || noStep || onlyEmpty))
    Fail("complete: --remove takes no table, time, step or --only-empty", 2);
  if (table && (time || step || noStep))
    Fail("complete: give either --table or --time with --step or --no-step", 2);
  if (step && noStep) Fail("complete: --step and --no-step exclude each other", 2);

  // The five entries as the dialog's fields would hold them.
  std::vector<std::string> entries;
  if (table) {
    std::stringstream parts(*table);
    std::string part;
    while (std::getline(parts, part, ',')) entries.push_back(FieldNumber("--table", part, 3));
    if (entries.size() != 5 || table->back() == ',')
      Fail("--table: give five numbers of seconds, for 1 to 5 display lines", 2);
  } else {
    int32_t t = ToInt32(time ? FieldNumber("--time", *time, 3) : "7");
    int32_t k = ToInt32(step ? FieldNumber("--step", *step, 2) : "2");
    for (int32_t seconds : CompletionTable(t, k, !noStep))
      entries.push_back(std::to_string(seconds));
  }
  CompletionSeconds seconds{};
  for (size_t i = 0; i < seconds.size() && !remove; ++i)
    seconds[i] = CompletionEntrySeconds(entries[i]);

  SubtitleList doc = LoadDocument(*input, in);
  if (rows)
    SelectRows(doc, *rows);
  else
    doc.SelectAll();
  if (remove) {
    RemoveSecondFrames(doc);
  } else if (CompleteSecondFrames(doc, seconds, onlyEmpty) == CompletionStatus::TooLarge) {
    Fail(std::string(kMsgSecondFrameTooLarge));
  }
  SaveDocument(*output, doc.Lines(), out);
  return 0;
}

int LineCount(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  std::optional<std::string> input, output, count, rows;
  bool maximum = false;
  auto value = [&](size_t& i) -> std::string {
    if (i + 1 >= args.size()) Fail(args[i] + " needs a value", 2);
    return args[++i];
  };
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output") {
      output = value(i);
    } else if (a == "--count") {
      count = value(i);
    } else if (a == "--max") {
      maximum = true;
    } else if (a == "--rows") {
      rows = value(i);
    } else if (!input && (a == "-" || a.empty() || a[0] != '-')) {
      input = a;
    } else {
      Fail("unexpected argument " + Quote(a), 2);
    }
  }
  if (!input) Fail("lines: no input file", 2);
  if (!output) Fail("lines: no output file (-o OUT)", 2);
  if (!count) Fail("lines: give the number of display lines (--count N)", 2);
  if (count->size() != 1 || (*count)[0] < '1' || (*count)[0] > '5')
    Fail("--count: " + Quote(*count) + " is not a number of display lines from 1 to 5", 2);

  SubtitleList doc = LoadDocument(*input, in);
  if (rows)
    SelectRows(doc, *rows);
  else
    doc.SelectAll();
  ChangeLineCount(doc, (*count)[0] - '1', maximum);
  SaveDocument(*output, doc.Lines(), out);
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
      Fail("unexpected argument " + Quote(a), 2);
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
    Fail("--fps: " + Quote(*fps) + " is not one of the frame rates 23,976; 24; 25; 29,97; 30", 2);
  return {*input, *output, *rate};
}

// An SRT file or a file of time-code lines to frame lines, as the window's
// loader hands it to the conversion.
int Import(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  ConvertArgs a = ParseConvertArgs(args);
  // A picture, a film or a zeroed file is refused from its first bytes.
  const std::string bytes = ReadInput(a.input, in, [&](std::string_view head) {
    if (LooksBinary(head))
      Fail(a.input + ": not a text file (NUL bytes among its first " +
           std::to_string(kTextProbeBytes) + "), nothing to convert");
  });
  switch (ParseSubtitleText(bytes).kind) {
    case ReadKind::Loaded:
      Fail(a.input + ": already a frame-based subtitle file, nothing to convert");
    case ReadKind::NoSubtitles:
      Fail(a.input + ": the file holds nothing to convert");
    case ReadKind::NotSubtitleFile:
      break;
  }
  // The bytes already read decide as IsSrtFile would: a pipe cannot be read twice.
  bool srt = (a.input != "-" && HasSrtExtension(a.input)) || IsSrtText(bytes);
  size_t count = 0;
  try {
    // Each line is written as it is converted; a failed conversion, or one
    // that finds nothing, leaves the old file as it was.
    SaveStreamed(a.output, out, [&](const ByteSink& append) {
      std::string buf;
      const ConvertedLineFn emit = [&](std::string_view line) {
        ++count;
        buf += line;
        buf += "\r\n";
        if (buf.size() >= (1 << 20)) {
          append(buf);
          buf.clear();
        }
      };
      if (srt)
        ConvertSrtInto(bytes, a.rate, emit);
      else
        ConvertTimeCodeLinesInto(bytes, a.rate, emit);
      append(buf);
      return count > 0;
    });
  } catch (const ConversionError& e) {
    Fail(a.input + ":" + std::to_string(e.Line()) + ": " + e.what() +
         " (a number or frame above 2147483647); nothing converted");
  }
  if (count == 0)
    Fail(a.input + ": no subtitle found (no " + (srt ? "SRT time line" : "time code") +
         " with a time or text), nothing converted");
  return 0;
}

// A frame-line file to SRT, the bytes the window's SRT export writes.
int Export(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  ConvertArgs a = ParseConvertArgs(args);
  SubtitleList doc = LoadDocument(a.input, in);
  if (doc.Empty()) Fail(a.input + ": the file holds no subtitle lines");
  if (IsStandardOutput(a.output)) {
    out << ComposeSrtBytes(doc.Lines(), a.rate);
    out.flush();
    if (!out) Fail("cannot write to standard output");
  } else {
    WriteSrtFile(a.output, doc.Lines(), a.rate);
  }
  return 0;
}

// Listens to the film and retimes the document to its speech, or writes the
// synchronization points of a piecewise fit.
int AutoSync(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
             std::ostream& err) {
  std::optional<std::string> input, output, film, fps;
  bool points = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output" || a == "--film" || a == "--fps") {
      if (i + 1 >= args.size()) Fail(a + " needs a value", 2);
      (a == "--film" ? film : a == "--fps" ? fps : output) = args[++i];
    } else if (a == "--points") {
      points = true;
    } else if (!input && (a == "-" || a.empty() || a[0] != '-')) {
      input = a;
    } else {
      Fail("unexpected argument " + Quote(a), 2);
    }
  }
  if (!input) Fail("autosync: no input file", 2);
  if (!output) Fail("autosync: no output file (-o OUT)", 2);
  if (!film) Fail("autosync: no film (--film FILM)", 2);
  std::optional<double> rate;
  if (fps) {
    rate = ParseDecimal(WithComma(*fps));
    if (!rate || !(*rate > 0 && *rate < 1000))
      Fail("--fps: " + Quote(*fps) + " is not a frame rate", 2);
  }

  SubtitleList doc = LoadDocument(*input, in);
  if (doc.Empty()) Fail(*input + ": the file holds no subtitle lines");
  SpeechTrack track;
  try {
    track = LoadSpeechDetector()->Detect(*film, {});
  } catch (const SpeechDetectionError& e) {
    Fail(e.Failure() == SpeechFailure::NoAudio ? *film + ": " + std::string(kMsgAutoNoAudio)
                                               : e.what());
  }
  if (!rate) {
    if (!(track.frameRate > 0)) Fail(*film + ": the film names no frame rate; give --fps RATE", 2);
    rate = track.frameRate;
  }

  const AutoSyncResult r = AlignToSpeech(track.speech, doc.Lines(), *rate, points);
  if (r.status != AutoSyncStatus::Found) Fail(AutoSyncMessage(r));
  std::ostringstream report;
  report << "frame rate: " << WithComma(FormatDecimal(*rate)) << "\n";
  if (points) {
    for (const AutoSyncSegment& s : r.segments)
      report << "rows " << s.firstRow + 1 << "-" << s.lastRow + 1 << ": offset "
             << FormatDecimal(s.offset) << ", scale " << FormatDecimal(s.scale) << ", confidence "
             << std::lround(s.confidence * 100) << " %\n";
    std::string text;
    for (const SyncPoint& p : r.points)
      text += std::to_string(p.position + 1) + "=" + std::to_string(p.newFrame) + "\n";
    if (IsStandardOutput(*output)) {
      out << text;
    } else {
      WriteFileAtomically(*output, text);
    }
  } else {
    switch (RecalculateFrames(doc, r.offsetText, r.scaleText, false)) {
      case RecalcStatus::TooLarge:
        Fail(std::string(kMsgFrameTooLarge));
      case RecalcStatus::BadOffset:
      case RecalcStatus::BadScale:
      case RecalcStatus::Done:
        break;
    }
    report << "offset: " << r.offsetText << "\nscale: " << r.scaleText << "\n";
    SaveDocument(*output, doc.Lines(), out);
  }
  report << "confidence: " << std::lround(r.confidence * 100) << " %\n";
  err << report.str();
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
    if (command == "sync") return Flushed(out, Sync(args, in, out));
    if (command == "info") return Flushed(out, Info(args, in, out));
    if (command == "complete") return Flushed(out, Complete(args, in, out));
    if (command == "lines") return Flushed(out, LineCount(args, in, out));
    if (command == "import") return Flushed(out, Import(args, in, out));
    if (command == "export") return Flushed(out, Export(args, in, out));
    if (command == "autosync") return Flushed(out, AutoSync(args, in, out, err));
    Fail("unknown command " + Quote(command) + "\n" + kUsage, 2);
  } catch (const Failure& f) {
    err << "velorin-cli: " << f.message << "\n";
    return f.status;
  } catch (const Error& e) {
    err << "velorin-cli: " << e.what() << "\n";
    return 1;
  } catch (const std::bad_alloc&) {
    err << "velorin-cli: out of memory\n";
    return 1;
  } catch (const std::exception& e) {
    err << "velorin-cli: " << e.what() << "\n";
    return 1;
  } catch (...) {
    err << "velorin-cli: failed for an unknown reason\n";
    return 1;
  }
}

}  // namespace velorin
