#include "cli/cli.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <exception>
#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>

#include "cli/listen_loader.h"
#include "convert/srt_export.h"
#include "convert/srt_import.h"
#include "document/ascii.h"
#include "document/block_writer.h"
#include "document/error.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "document/utf16.h"
#include "document/subtitle_list.h"
#include "document/encoding_detection.h"
#include "edit/completion.h"
#include "edit/hunspell_checker.h"
#include "edit/spelling.h"
#include "edit/statistics.h"
#include "film/speech_detector.h"
#include "layout/line_breaking.h"
#include "sync/auto_sync.h"
#include "sync/frame_rate.h"
#include "sync/retiming.h"
#include "sync/sync_points.h"
#include "velorin_version.h"

namespace velorin {

namespace {

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

// One option of a subcommand, as the parser reads it and the help shows it.
// What an option is given with is kept under its long name.
struct Option {
  std::string_view name;                // "--offset"
  std::string_view alias = {};          // a short name: "-o"
  std::string_view value = {};          // the words after it, as the help names them; none: a switch
  size_t words = 1;                     // how many words the value is
  std::string_view needs = "a value";   // said when they are missing: "--rows needs a value"
  std::string_view required = {};       // for an option that must be given: what is missing
  bool repeats = false;                 // every occurrence is kept, not only the last
  std::string_view help = {};
};

// A subcommand's input file and options as given.
struct Arguments {
  std::string input;
  std::map<std::string_view, std::vector<std::string>> given;

  bool Has(std::string_view name) const { return given.count(name) > 0; }
  // The value of an option given once (the last one counts).
  std::optional<std::string> Value(std::string_view name) const {
    auto it = given.find(name);
    if (it == given.end() || it->second.empty()) return std::nullopt;
    return it->second.back();
  }
  // The words of a multi-word or repeated option, in order.
  std::vector<std::string> Values(std::string_view name) const {
    auto it = given.find(name);
    return it == given.end() ? std::vector<std::string>{} : it->second;
  }
};

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// A subcommand: its options, what it does, and the function that does it.
// Adding one is a table of options and a function.
struct Subcommand {
  std::string_view name;
  std::span<const Option> options;
  std::string_view summary;
  int (*run)(const Arguments&, const Streams&);
  // When set, the one thing said for a missing or extra argument.
  std::string_view argumentsError = {};
};

const Option* FindOption(const Subcommand& command, std::string_view arg) {
  for (const Option& o : command.options)
    if (arg == o.name || (!o.alias.empty() && arg == o.alias)) return &o;
  return nullptr;
}

// The one positional argument, IN, and the options of the command's table.
// No value when help is asked for.
std::optional<Arguments> ParseArguments(const Subcommand& command,
                                        const std::vector<std::string>& args) {
  const std::string name(command.name);
  Arguments parsed;
  bool haveInput = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") return std::nullopt;
    if (const Option* o = FindOption(command, a)) {
      const size_t words = o->value.empty() ? 0 : o->words;
      if (args.size() - 1 - i < words) Fail(a + " needs " + std::string(o->needs), 2);
      std::vector<std::string>& values = parsed.given[o->name];
      if (!o->repeats) values.clear();
      values.insert(values.end(), args.begin() + static_cast<std::ptrdiff_t>(i + 1),
                    args.begin() + static_cast<std::ptrdiff_t>(i + 1 + words));
      i += words;
    } else if (!haveInput && (a == "-" || a.empty() || a[0] != '-')) {
      parsed.input = a;
      haveInput = true;
    } else if (!command.argumentsError.empty()) {
      Fail(name + ": " + std::string(command.argumentsError), 2);
    } else {
      Fail("unexpected argument " + Quote(a), 2);
    }
  }
  if (!haveInput)
    Fail(name + ": " +
             std::string(command.argumentsError.empty() ? "no input file"
                                                        : command.argumentsError),
         2);
  for (const Option& o : command.options)
    if (!o.required.empty() && !parsed.Has(o.name))
      Fail(name + ": " + std::string(o.required) + " (" +
               std::string(o.alias.empty() ? o.name : o.alias) + " " + std::string(o.value) + ")",
           2);
  return parsed;
}

// Words joined into lines of at most width columns, each after indent spaces;
// the first line continues what is already written (at column start).
std::string Wrap(std::string_view text, size_t start, size_t indent, size_t width = 79) {
  std::string out;
  size_t column = start;
  bool first = true;
  std::istringstream words{std::string(text)};
  std::string word;
  while (words >> word) {
    if (!first && column + 1 + word.size() > width) {
      out += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (!first) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    first = false;
  }
  return out;
}

// "velorin-cli retime IN -o OUT [--rows A-B,...]", wrapped at whole options
// under the first of them; indent spaces before each line.
std::string Synopsis(const Subcommand& command, size_t indent) {
  std::string out = std::string(indent, ' ') + "velorin-cli " + std::string(command.name) + " IN";
  const size_t hanging = out.size() + 1;
  size_t column = out.size();
  for (const Option& o : command.options) {
    std::string part(o.alias.empty() ? o.name : o.alias);
    if (!o.value.empty()) part += " " + std::string(o.value);
    if (o.required.empty()) part = "[" + part + "]";
    if (o.repeats) part += "...";
    if (column + 1 + part.size() > 79) {
      out += "\n" + std::string(hanging, ' ');
      column = hanging;
    } else {
      out += ' ';
      ++column;
    }
    out += part;
    column += part.size();
  }
  return out;
}

std::string OptionsHelp(const Subcommand& command) {
  constexpr size_t kHelpColumn = 26;
  std::string out;
  for (const Option& o : command.options) {
    std::string head = "  ";
    if (!o.alias.empty()) head += std::string(o.alias) + ", ";
    head += o.name;
    if (!o.value.empty()) head += " " + std::string(o.value);
    head += head.size() + 1 < kHelpColumn ? std::string(kHelpColumn - head.size(), ' ')
                                           : "\n" + std::string(kHelpColumn, ' ');
    out += head + Wrap(o.help, kHelpColumn, kHelpColumn) + "\n";
  }
  return out;
}

std::string CommandHelp(const Subcommand& command) {
  std::string out = "usage:\n" + Synopsis(command, 2) + "\n\n" +
                    Wrap(command.summary, 0, 0) + "\n";
  if (!command.options.empty()) out += "\n" + OptionsHelp(command);
  return out;
}

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

// Reads a stream whole with read(buffer, size), which gives the number of
// bytes read, fewer only at the end; tooLong fails when more than
// kMaxInputBytes arrive: as soon as the first byte beyond the limit does,
// without reading on. check sees the first kHeadBytes (or all there is)
// before the rest is read. The bytes gather in blocks that are copied into
// the result one by one and freed, so that reading holds little more than
// what it keeps.
std::string GatherBlocks(const std::function<size_t(char*, size_t)>& read,
                         const std::function<void()>& tooLong, const HeadCheck& check) {
  std::vector<std::unique_ptr<Block>> blocks;
  size_t total = 0, inLast = Block::kSize;
  bool checked = !check, more = true;
  while (more) {
    if (inLast == Block::kSize) {
      blocks.push_back(std::make_unique<Block>());
      inLast = 0;
    }
    // One byte more than the limit tells a longer input.
    const size_t want =
        std::min({kHeadBytes, Block::kSize - inLast, size_t{kMaxInputBytes} + 1 - total});
    const size_t got = read(blocks.back()->Data() + inLast, want);
    more = got == want;
    inLast += got;
    total += got;
    if (total > kMaxInputBytes) tooLong();
    if (!checked && (total >= kHeadBytes || !more)) {
      checked = true;
      check(std::string_view(blocks.front()->Data(), total));
    }
  }
  std::string out;
  out.reserve(total);
  for (auto& block : blocks) {
    out.append(block->Data(), std::min(Block::kSize, total - out.size()));
    block.reset();
  }
  return out;
}

// Standard input, whole. A stream that cannot be read (closed, a folder) is
// a failure, not an empty file, and so is one longer than any file is read.
std::string ReadAll(std::istream& in, const HeadCheck& check = {}) {
  return GatherBlocks(
      [&](char* buffer, size_t size) {
        // istream::read turns an exception of the stream buffer (a failing
        // read with unsynchronized standard streams) into badbit.
        in.read(buffer, static_cast<std::streamsize>(size));
        if (in.bad()) Fail("cannot read standard input");
        return static_cast<size_t>(in.gcount());
      },
      [] {
        Fail("standard input: more than " + std::to_string(kMaxInputBytes >> 30) +
             " GiB, no subtitle file is that large");
      },
      check);
}

// A file, whole, its first bytes looked at first: a regular file much larger
// than any subtitle file (a sparse one) is refused without reading it all.
std::string ReadFile(const std::string& path, const HeadCheck& check = {}) {
  if (!check) return ReadFileBytes(path);
  InputFile file(path);
  const auto read = [&](char* buffer, size_t size) {
    size_t have = 0;
    while (have < size)
      if (const size_t n = file.Read(buffer + have, size - have))
        have += n;
      else
        break;
    return have;
  };
  // A pipe cannot be read twice: it is read as standard input is.
  if (file.Size() == 0) return GatherBlocks(read, [&] { ThrowFileError(path, EFBIG); }, check);
  std::string head(kHeadBytes, '\0');
  head.resize(read(head.data(), head.size()));
  check(head);
  return ReadFileBytes(path);
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

// IN's bytes: a regular file mapped, standard input or a pipe read whole.
// check sees the first kHeadBytes before the rest is read.
std::unique_ptr<FileBytes> InputBytes(const std::string& path, std::istream& in,
                                      const HeadCheck& check = {}) {
  if (path == "-") return std::make_unique<FileBytes>(FileBytes::Held{ReadAll(in, check)});
  {
    InputFile file(path);
    auto mapped = std::make_unique<FileBytes>(file, path);
    if (mapped->Mapped()) {
      if (check) check(mapped->View().substr(0, kHeadBytes));
      return mapped;
    }
  }
  return std::make_unique<FileBytes>(FileBytes::Held{ReadFile(path, check)});
}

// The same lines as views into the file's bytes, for commands that only
// write a new document from them.
SubtitleText IndexDocument(const std::string& path, std::istream& in) {
  SubtitleText text = IndexSubtitleText(InputBytes(path, in, SubtitleHead(path)));
  if (text.kind == ReadKind::NotSubtitleFile) FailNotSubtitleFile(path);
  return text;
}

// IN for a command that reads its lines once as it writes: refused as
// LoadDocument refuses it, with nothing read beyond the first lines.
struct StreamedDocument {
  std::unique_ptr<FileBytes> bytes;
  ReadKind kind = ReadKind::NoSubtitles;
  // Hands every subtitle line to sink, in order.
  LineSource Lines() const {
    return [this](const LineSink& sink) { ForEachSubtitleLine(bytes->View(), sink); };
  }
  size_t Count() const {
    size_t count = 0;
    ForEachSubtitleLine(bytes->View(), [&](std::string_view) { ++count; });
    return count;
  }
};

StreamedDocument OpenDocument(const std::string& path, std::istream& in) {
  StreamedDocument doc{InputBytes(path, in, SubtitleHead(path))};
  // UTF-16 is read as its UTF-8 decoding.
  if (Utf16OrderOf(doc.bytes->View()) != Utf16Order::None)
    doc.bytes = std::make_unique<FileBytes>(FileBytes::Held{Utf16ToUtf8(doc.bytes->View())});
  doc.kind = PeekSubtitleKind(doc.bytes->View());
  if (doc.kind == ReadKind::NotSubtitleFile) FailNotSubtitleFile(path);
  return doc;
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

// Writes to OUT what produce gives, produce returning done when its lines
// hold no fault. A fault of the lines (an Error or another status) is what to
// report also when writing OUT failed first, as when the whole document was
// changed in memory before OUT was touched: produce then runs again into
// nothing, and its error or status wins.
template <typename Status>
Status SaveChecked(const std::string& output, std::ostream& out, const FileBytes& bytes,
                   const std::function<Status(const ByteSink&)>& produce, Status done) {
  Status status = done;
  try {
    SaveStreamed(output, out, [&](const ByteSink& append) {
      status = produce(append);
      bytes.Check();
      return status == done;
    });
  } catch (const Error&) {
    status = produce([](std::string_view) {});
    if (status == done) throw;
  }
  return status;
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

int Retime(const Arguments& args, const Streams& io) {
  std::istream& in = io.in;
  std::ostream& out = io.out;
  const std::optional<std::string> input = args.input, output = args.Value("--output"),
                                   offset = args.Value("--offset"), scale = args.Value("--scale"),
                                   sync = args.Value("--sync"), rows = args.Value("--rows");
  std::optional<std::vector<std::string>> frames;
  if (args.Has("--frames")) frames = args.Values("--frames");
  int ways = (offset || scale ? 1 : 0) + (frames ? 1 : 0) + (sync ? 1 : 0);
  if (ways != 1) Fail("retime: give either --offset and --scale, or --frames, or --sync", 2);
  if ((offset || scale) && !(offset && scale)) Fail("retime: --offset and --scale go together", 2);
  if (sync && *sync == "-" && *input == "-") Fail("retime: IN and REF cannot both be '-'", 2);

  // The usual case in one pass: the lines are retimed as they are read from
  // the file's bytes and written.
  if (offset && !rows) {
    const std::string offsetField = WithComma(*offset), scaleField = WithComma(*scale);
    if (ParseRecalcFields(offsetField, scaleField).status == RecalcStatus::Done) {
      const StreamedDocument doc = OpenDocument(*input, in);
      if (doc.kind == ReadKind::NoSubtitles) Fail(*input + ": the file holds no subtitle lines");
      const LineSource lines = doc.Lines();
      const RecalcStatus status = SaveChecked<RecalcStatus>(
          *output, out, *doc.bytes,
          [&](const ByteSink& append) {
            return WriteRecalculatedLines(lines, nullptr, offsetField, scaleField, append);
          },
          RecalcStatus::Done);
      if (status == RecalcStatus::TooLarge) Fail(std::string(kMsgFrameTooLarge));
      return 0;
    }
  }

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

int Info(const Arguments& args, const Streams& io) {
  std::istream& in = io.in;
  std::ostream& out = io.out;
  const std::string& path = args.input;
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
int Sync(const Arguments& args, const Streams& io) {
  std::istream& in = io.in;
  std::ostream& out = io.out;
  const std::optional<std::string> input = args.input, output = args.Value("--output"),
                                   ref = args.Value("--ref");
  const std::vector<std::string> pointArgs = args.Values("--point");
  const bool complete = args.Has("--complete");
  if (complete && !ref) Fail("sync: --complete needs --ref REF", 2);
  if (!complete && pointArgs.size() < 2)
    Fail("sync: give at least two --point, or --ref REF --complete", 2);
  if (ref && *ref == "-" && *input == "-") Fail("sync: IN and REF cannot both be '-'", 2);

  // The document is read twice and never held: once for its number of rows,
  // its first and last line and the lines of the points' rows, and once as it
  // is retimed and written.
  const StreamedDocument doc = OpenDocument(*input, in);
  std::vector<int> wanted;  // 0-based rows of the points, as far as they read
  for (const std::string& p : pointArgs) {
    try {
      const int32_t row = ToInt32(p.substr(0, p.find('=')));
      if (row >= 1) wanted.push_back(row - 1);
    } catch (const Error&) {
      // Reported in turn below.
    }
  }
  std::sort(wanted.begin(), wanted.end());
  std::vector<std::string_view> wantedLines(wanted.size());
  size_t count = 0, next = 0;
  std::string_view firstLine, lastLine;
  ForEachSubtitleLine(doc.bytes->View(), [&](std::string_view line) {
    if (count == 0) firstLine = line;
    lastLine = line;
    for (; next < wanted.size() && static_cast<size_t>(wanted[next]) == count; ++next)
      wantedLines[next] = line;
    ++count;
  });
  auto lineAt = [&](int row) {
    const auto at = std::lower_bound(wanted.begin(), wanted.end(), row);
    return wantedLines[static_cast<size_t>(at - wanted.begin())];
  };
  const int rowCount = static_cast<int>(count);

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
    if (row < 1 || row > rowCount)
      Fail("--point: row " + std::to_string(row) + " is outside rows 1-" +
               std::to_string(rowCount),
           2);
    const SyncPoint point{frame, ParseFirstFrame(lineAt(row - 1)), row - 1};
    SyncPointClash clash = PlaceSyncPoint(points, points.size(), point);
    if (clash.found) Fail(SyncClashMessage(clash.frame, SyncPlacement::Add));
  }
  if (complete) CompleteSyncPoints(points, firstLine, lastLine, count, syncLines);
  if (points.size() < 2) Fail("sync: fewer than two synchronization points");

  const LineSource lines = doc.Lines();
  const SyncStatus status = SaveChecked<SyncStatus>(
      *output, out, *doc.bytes,
      [&](const ByteSink& append) { return WriteSynchronizedLines(lines, count, points, append); },
      SyncStatus::Done);
  if (status != SyncStatus::Done) Fail(std::string(SyncStatusMessage(status)));
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

int Complete(const Arguments& args, const Streams& io) {
  std::istream& in = io.in;
  std::ostream& out = io.out;
  const std::optional<std::string> input = args.input, output = args.Value("--output"),
                                   table = args.Value("--table"), time = args.Value("--time"),
                                   step = args.Value("--step"), rows = args.Value("--rows");
  const bool noStep = args.Has("--no-step"), onlyEmpty = args.Has("--only-empty"),
             remove = args.Has("--remove");
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

  // Read and written in one pass (two with --rows, which needs the number of
  // rows first); the document is never held.
  const StreamedDocument doc = OpenDocument(*input, in);
  std::vector<char> selection;
  if (rows) selection = RowFlags(static_cast<int>(doc.Count()), *rows);
  const std::vector<char>* flags = rows ? &selection : nullptr;
  const LineSource lines = doc.Lines();
  const CompletionStatus status = SaveChecked<CompletionStatus>(
      *output, out, *doc.bytes,
      [&](const ByteSink& append) {
        if (!remove) return WriteCompletedLines(lines, flags, seconds, onlyEmpty, append);
        WriteWithoutSecondFrames(lines, flags, append);
        return CompletionStatus::Done;
      },
      CompletionStatus::Done);
  if (status == CompletionStatus::TooLarge) Fail(std::string(kMsgSecondFrameTooLarge));
  return 0;
}

int LineCount(const Arguments& args, const Streams& io) {
  std::istream& in = io.in;
  std::ostream& out = io.out;
  const std::optional<std::string> input = args.input, output = args.Value("--output"),
                                   count = args.Value("--count"), rows = args.Value("--rows");
  const bool maximum = args.Has("--max");
  if (count->size() != 1 || (*count)[0] < '1' || (*count)[0] > '5')
    Fail("--count: " + Quote(*count) + " is not a number of display lines from 1 to 5", 2);

  // Read and written in one pass after the UTF-8 check (with --rows one
  // more for the number of rows); the document is never held. Every row is
  // re-broken on all processors at once.
  const StreamedDocument doc = OpenDocument(*input, in);
  std::vector<char> selection;
  if (rows) selection = RowFlags(static_cast<int>(doc.Count()), *rows);
  const bool utf8 = IsValidUtf8InParts(SkipUtf8Bom(doc.bytes->View()));
  const int breaks = (*count)[0] - '1';
  const LineSource lines = doc.Lines();
  SaveChecked<bool>(
      *output, out, *doc.bytes,
      [&](const ByteSink& append) {
        if (rows)
          WriteLineCountChanged(lines, &selection, breaks, maximum, utf8, append);
        else
          WriteLineCountChangedInBlocks(FindFirstSubtitleLine(doc.bytes->View()).rest, breaks, maximum,
                                        utf8, append);
        return true;
      },
      true);
  return 0;
}

// IN, OUT and RATE of import and export.
struct ConvertArgs {
  std::string input, output;
  FrameRate rate = kFrameRates[2];
};

ConvertArgs ParseConvertArgs(const Arguments& args) {
  const std::optional<std::string> input = args.input, output = args.Value("--output"),
                                   fps = args.Value("--fps");
  // Only the rates the windows offer.
  const std::optional<FrameRate> rate = FrameRate::Parse(*fps);
  if (!rate || std::find(kFrameRates.begin(), kFrameRates.end(), *rate) == kFrameRates.end())
    Fail("--fps: " + Quote(*fps) + " is not one of the frame rates 23,976; 24; 25; 29,97; 30", 2);
  return {*input, *output, *rate};
}

// An SRT file or a file of time-code lines to frame lines, as the window's
// loader hands it to the conversion.
int Import(const Arguments& args, const Streams& io) {
  std::istream& in = io.in;
  std::ostream& out = io.out;
  ConvertArgs a = ParseConvertArgs(args);
  // A picture, a film or a zeroed file is refused from its first bytes.
  const std::unique_ptr<FileBytes> input = InputBytes(a.input, in, [&](std::string_view head) {
    if (LooksBinary(head))
      Fail(a.input + ": not a text file (NUL bytes among its first " +
           std::to_string(kTextProbeBytes) + "), nothing to convert");
  });
  const std::string_view bytes = input->View();
  switch (PeekSubtitleKind(bytes)) {
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
      LineWriter lines(append);
      const ConvertedLineFn emit = [&](std::string_view line) {
        ++count;
        lines.Line(line);
      };
      if (srt)
        ConvertSrtInto(bytes, a.rate, emit);
      else
        ConvertTimeCodeLinesInto(bytes, a.rate, emit);
      input->Check();
      lines.Flush();
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
int Export(const Arguments& args, const Streams& io) {
  std::istream& in = io.in;
  std::ostream& out = io.out;
  ConvertArgs a = ParseConvertArgs(args);
  // Each subtitle is written as it is read; the document is never held.
  const StreamedDocument doc = OpenDocument(a.input, in);
  if (doc.kind == ReadKind::NoSubtitles) Fail(a.input + ": the file holds no subtitle lines");
  const LineSource lines = doc.Lines();
  if (IsStandardOutput(a.output)) {
    std::string bytes;
    WriteSrtLines(lines, a.rate, [&](std::string_view piece) { bytes.append(piece); });
    doc.bytes->Check();
    out << bytes;
    out.flush();
    if (!out) Fail("cannot write to standard output");
  } else {
    WriteFileStreamed(a.output, [&](const ByteSink& append) {
      WriteSrtLines(lines, a.rate, append);
      doc.bytes->Check();
    });
  }
  return 0;
}

// Listens to the film and retimes the document to its speech, or writes the
// synchronization points of a piecewise fit.
int AutoSync(const Arguments& args, const Streams& io) {
  std::istream& in = io.in;
  std::ostream& out = io.out;
  const std::optional<std::string> input = args.input, output = args.Value("--output"),
                                   film = args.Value("--film"), fps = args.Value("--fps");
  const bool points = args.Has("--points");
  // The film's own rate is measured and need not be a whole number of
  // thousandths; one given here is.
  std::optional<double> rate;
  if (fps) {
    const std::optional<FrameRate> given = FrameRate::Parse(*fps);
    if (!given) Fail("--fps: " + Quote(*fps) + " is not a frame rate", 2);
    rate = given->PerSecond();
    if (!(*rate >= kMinAutoSyncRate && *rate <= kMaxAutoSyncRate))
      Fail("--fps: " + Quote(*fps) + " is not a frame rate from " +
               FormatDecimal(kMinAutoSyncRate) + " to " + FormatDecimal(kMaxAutoSyncRate),
           2);
  }

  SubtitleList doc = LoadDocument(*input, in);
  if (doc.Empty()) Fail(*input + ": the file holds no subtitle lines");
  const std::unique_ptr<SpeechDetector> detector = LoadSpeechDetector();
  SpeechTrack track;
  try {
    // A film that names no rate is refused before the listening, which
    // takes seconds on a long film.
    if (!rate) {
      const double own = detector->FrameRateOf(*film);
      if (!(own >= kMinAutoSyncRate && own <= kMaxAutoSyncRate))
        Fail(*film + ": the film names no frame rate; give --fps RATE", 2);
    }
    track = detector->Detect(*film, {});
  } catch (const SpeechDetectionError& e) {
    Fail(e.Failure() == SpeechFailure::NoAudio ? *film + ": " + std::string(kMsgAutoNoAudio)
                                               : e.what());
  }
  if (!rate) {
    if (!(track.frameRate >= kMinAutoSyncRate && track.frameRate <= kMaxAutoSyncRate))
      Fail(*film + ": the film names no frame rate; give --fps RATE", 2);
    rate = track.frameRate;
  }

  const AutoSyncResult r =
      AlignToSpeech(track.speech, doc.Lines(), *rate, points, AlignThreadsForCommand());
  if (r.status != AutoSyncStatus::Found)
    Fail(AutoSyncMessage(r) +
         (r.cut ? " The film seems cut differently from the subtitles: --points finds the stretches."
                : ""));
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
  io.err << report.str();
  return 0;
}

// The words of the subtitles' text that the dictionary does not know, one a
// line as ROW:COLUMN: WORD. Exit status 1 when there is any, as grep's
// opposite: a script stops a release on it; trouble (a file that cannot be
// read, a missing dictionary) is 2, so that it is never taken for typos.
int Spell(const Arguments& args, const Streams& io) {
  const std::string& path = args.input;
  const std::string name = args.Value("--dict").value_or(std::string(kDefaultDictionary));
  std::ostringstream text;
  bool any = false;
  try {
    const std::vector<std::string> folders = DictionaryFolders();
    const std::vector<std::string> installed = InstalledDictionaries(folders);
    if (installed.empty())
      Fail("no spelling dictionary is installed (hunspell-cs, hunspell-en-us and the like "
           "install them)");
    if (std::find(installed.begin(), installed.end(), name) == installed.end()) {
      std::string list;
      for (const std::string& d : installed) list += (list.empty() ? "" : ", ") + d;
      Fail("no spelling dictionary " + Quote(name) + " is installed (installed: " + list + ")");
    }
    ReadOutcome read = path == "-" ? ParseSubtitleText(ReadAll(io.in, SubtitleHead(path)))
                                   : ReadSubtitleLines(path);
    if (read.kind == ReadKind::NotSubtitleFile) FailNotSubtitleFile(path);
    const TextEncoding encoding = DetectEncoding(read.lines, read.utf8);
    HunspellChecker checker(name, folders, PersonalDictionaryPath(name));
    for (size_t row = 0; row < read.lines.size(); ++row) {
      const std::string line = DecodeText(read.lines[row], encoding);
      for (const TextWord& w : UnknownWords(line, checker)) {
        text << row + 1 << ':' << w.column + 1 << ": " << w.In(line) << '\n';
        any = true;
      }
    }
  } catch (const Failure& f) {
    Fail(f.message, 2);
  } catch (const Error& e) {
    Fail(e.what(), 2);
  }
  io.out << text.str();
  return any ? 1 : 0;
}

// The options of each subcommand.

constexpr Option kOutput{.name = "--output",
                         .alias = "-o",
                         .value = "OUT",
                         .required = "no output file",
                         .help = "where the result is written"};
constexpr Option kRows{.name = "--rows",
                       .value = "A-B,...",
                       .help = "only these rows (1-based, inclusive ranges), the selection of "
                               "complete and lines; without it every row"};

constexpr Option kRetimeOptions[] = {
    kOutput,
    {.name = "--offset", .value = "X", .help = "frames added; a decimal comma or point"},
    {.name = "--scale", .value = "Y", .help = "every frame multiplied; a decimal comma or point"},
    {.name = "--frames",
     .value = "E1 E2 E3 E4",
     .words = 4,
     .needs = "four frame numbers E1 E2 E3 E4",
     .help = "E1, E2 the first frame of the first and last subtitle now, E3, E4 where they "
             "should be"},
    {.name = "--sync", .value = "REF", .help = "E3, E4 from a correctly timed subtitle file"},
    kRows,
};

constexpr Option kSyncOptions[] = {
    kOutput,
    {.name = "--ref", .value = "REF", .help = "a correctly timed subtitle file"},
    {.name = "--complete",
     .value = {},
     .help = "pairs the first and last subtitle with REF's first and last line (replacing a "
             "first or last point that shares a frame with them)"},
    {.name = "--point",
     .value = "ROW=FRAME",
     .repeats = true,
     .help = "pairs the 1-based row ROW (its first frame now) with FRAME, where it should be; "
             "points stay in the order given"},
};

constexpr Option kCompleteOptions[] = {
    kOutput,
    {.name = "--table",
     .value = "S1,S2,S3,S4,S5",
     .help = "seconds for 1 to 5 display lines (an entry of 0 counts as 1)"},
    {.name = "--time",
     .value = "T",
     .help = "the longest time: T-2K, T-K, T, T+K, T+2K seconds (the first three at least 1), "
             "by default 7"},
    {.name = "--step", .value = "K", .help = "the step between the times, by default 2"},
    {.name = "--no-step", .value = {}, .help = "T for every number of lines"},
    {.name = "--only-empty", .value = {}, .help = "only subtitles without a second frame"},
    {.name = "--remove",
     .value = {},
     .help = "empties the second frame of the selected subtitles instead"},
    kRows,
};

constexpr Option kLinesOptions[] = {
    kOutput,
    {.name = "--count",
     .value = "N",
     .required = "give the number of display lines",
     .help = "1 joins the display lines, 2 to 5 split them"},
    {.name = "--max", .value = {}, .help = "subtitles with fewer lines stay as they are"},
    kRows,
};

constexpr Option kConvertOptions[] = {
    kOutput,
    {.name = "--fps",
     .value = "RATE",
     .required = "no frame rate",
     .help = "one of 23,976; 24; 25; 29,97; 30, also written with three decimals and a comma "
             "or point (\"25,000\", \"23.976\")"},
};

constexpr Option kSpellOptions[] = {
    {.name = "--dict",
     .value = "NAME",
     .help = "the hunspell dictionary (\"cs_CZ\", \"en_US\"), by default cs_CZ"},
};

constexpr Option kAutoSyncOptions[] = {
    kOutput,
    {.name = "--film",
     .value = "FILM",
     .required = "no film",
     .help = "the film whose first audio stream is listened to: a regular local file"},
    {.name = "--fps",
     .value = "RATE",
     .help = "FILM's frames per second when its picture does not say, from 1 to 300; a "
             "decimal comma or point, at most three decimals"},
    {.name = "--points",
     .value = {},
     .help = "for a film cut differently: the synchronization points where the offset changes, "
             "as ROW=FRAME lines for 'sync --point'"},
};

constexpr Subcommand kSubcommands[] = {
    {"retime", kRetimeOptions,
     "Every frame becomes frame * scale + offset (the offset rounded to a whole frame first), "
     "rounded half to even. Give either --offset and --scale, or --frames, or --sync.",
     Retime},
    {"sync", kSyncOptions,
     "Retimes piecewise between synchronization points, as 'Pokročilá synchronizace' does. "
     "Give at least two --point, or --ref REF --complete.",
     Sync},
    {"info", {},
     "First frame of the first and of the last subtitle, number of subtitles; then as "
     "'Souhrnné informace o titulcích': whether and how many subtitles hold formatting, the "
     "most display lines, and the first frame of the subtitle with the longest display line "
     "(tags not counted).",
     Info, "give one input file"},
    {"complete", kCompleteOptions,
     "Gives each selected subtitle a second frame by its number of display lines: the first "
     "frame + 25 frames a second, cut to one before the next subtitle. The seconds come from "
     "--table, or from --time and --step (3,5,7,9,11 by default). Subtitles without a first "
     "frame or text are removed first, selected or not.",
     Complete},
    {"lines", kLinesOptions,
     "Re-breaks the selected subtitles into N display lines, formatting tags kept.", LineCount},
    {"import", kConvertOptions,
     "An SRT file or a file of time-code lines to frame lines at RATE frames per second, as "
     "the window converts and saves it.",
     Import},
    {"export", kConvertOptions, "A frame-line file to SRT at RATE, as the window writes it.",
     Export},
    {"autosync", kAutoSyncOptions,
     "Listens to FILM's first audio stream and retimes the subtitles to where people speak: "
     "offset and scale as 'Přepočítat' applies them, printed with the confidence on stderr; "
     "nothing is written when the sound does not decide.",
     AutoSync},
    {"spell", kSpellOptions,
     "Prints each word of the subtitles' text that the dictionary (with the user's personal "
     "words) does not know, one a line as ROW:COLUMN: WORD, the column counted in characters "
     "of the line from 1; exit status 1 when there is any, 2 when the check cannot be made.",
     Spell, "give one input file"},
};

constexpr std::string_view kStreams = "IN, OUT and REF may be '-' for standard input or output.";

// Every subcommand's synopsis: what a mistyped command line is answered with.
std::string Usage() {
  std::string out = "usage:\n";
  for (const Subcommand& c : kSubcommands) out += Synopsis(c, 2) + "\n";
  out += "  velorin-cli SUBCOMMAND --help\n  velorin-cli --help | --version\n";
  return out;
}

// The synopses, then each subcommand with its options.
std::string Help() {
  std::string out = Usage();
  for (const Subcommand& c : kSubcommands) {
    out += "\n" + std::string(c.name) + ": " + Wrap(c.summary, c.name.size() + 2, 2) + "\n";
    out += OptionsHelp(c);
  }
  out += "\n" + std::string(kStreams) + "\n";
  return out;
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
    if (args.empty()) Fail("no command given\n" + Usage(), 2);
    const std::string& command = args[0];
    if (command == "--version") {
      out << "velorin-cli " VELORIN_VERSION "\n";
      return Flushed(out, 0);
    }
    if (command == "--help" || command == "-h") {
      out << Help();
      return Flushed(out, 0);
    }
    for (const Subcommand& c : kSubcommands) {
      if (command != c.name) continue;
      const std::optional<Arguments> parsed = ParseArguments(c, args);
      if (!parsed) {
        out << CommandHelp(c) << "\n" << kStreams << "\n";
        return Flushed(out, 0);
      }
      return Flushed(out, c.run(*parsed, Streams{in, out, err}));
    }
    Fail("unknown command " + Quote(command) + "\n" + Usage(), 2);
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
