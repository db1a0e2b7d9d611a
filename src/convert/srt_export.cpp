#include "convert/srt_export.h"

#include <sys/stat.h>

#include <charconv>

#include "document/error.h"
#include "document/file_names.h"
#include "document/progress.h"
#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "layout/tags.h"

namespace velorin {

namespace {

void CheckRate(FrameRate rate) {
  if (rate.Thousandths() <= 0)
    throw Error("Invalid frame rate: " + std::to_string(rate.Thousandths()) + " thousandths");
}

// value with at least `width` digits, zeros in front.
void AppendPadded(std::string& out, int64_t value, size_t width) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  for (size_t n = static_cast<size_t>(end - buf); n < width; ++n) out += '0';
  out.append(buf, end);
}

// frame is a 32-bit frame number widened, so neither -frame nor the product
// below can overflow.
void AppendSrtTime(std::string& out, int64_t frame, int32_t rate) {
  if (frame < 0) {
    out += '-';
    frame = -frame;
  }
  // Milliseconds = frame x 1,000,000 / rate, rounded to nearest, halves to even.
  const int64_t num = frame * 1000000;
  int64_t ms = num / rate;
  const int64_t rest = num % rate;
  if (2 * rest > rate || (2 * rest == rate && ms % 2 == 1)) ++ms;
  const int64_t whole = ms / 1000;
  AppendPadded(out, whole / 3600, 2);
  out += ':';
  AppendPadded(out, whole / 60 % 60, 2);
  out += ':';
  AppendPadded(out, whole % 60, 2);
  out += ',';
  AppendPadded(out, ms % 1000, 3);
}

// Calls sink with the SRT bytes in pieces of about a megabyte.
template <typename Sink>
void ProduceSrt(LineSpan lines, FrameRate rate, const ProgressFn& progress, Sink&& sink) {
  CheckRate(rate);
  constexpr size_t kChunk = 1 << 20;
  std::string buf;
  buf.reserve(kChunk + 4096);
  for (size_t i = 0; i < lines.size(); ++i) {
    AppendSrtBlock(buf, i + 1, lines[i], rate);
    if (buf.size() >= kChunk) {
      sink(std::string_view(buf));
      buf.clear();
    }
    ReportProgress(progress, i, lines.size());
  }
  sink(std::string_view(buf));
  if (progress) progress(lines.size(), lines.size());
}

}  // namespace

std::string FormatSrtTime(int32_t frame, FrameRate rate) {
  CheckRate(rate);
  std::string out;
  AppendSrtTime(out, int64_t{frame}, rate.Thousandths());
  return out;
}

std::string SrtFileName(std::string_view target) {
  std::string name = FileNamePart(target);
  if (auto dot = name.find('.'); dot != std::string::npos) name.resize(dot);
  return DirectoryPart(target) + name + ".srt";
}

void AppendSrtBlock(std::string& out, size_t number, std::string_view line, FrameRate rate) {
  const SubtitleLineView f(line);
  const int32_t first = f.First(), second = f.Second();
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, number);
  out.append(buf, end);
  out += "\r\n";
  AppendSrtTime(out, int64_t{first}, rate.Thousandths());
  out += " --> ";
  AppendSrtTime(out, int64_t{second}, rate.Thousandths());
  out += "\r\n";
  // The display lines as SplitIntoFiveLines cuts them: after a fifth '|'
  // nothing more is written.
  std::string_view text = f.Text();
  for (int slot = 0; slot < 5; ++slot) {
    const size_t bar = text.find('|');
    const std::string_view display = text.substr(0, bar);
    if (!display.empty()) {
      out += display;
      out += "\r\n";
    }
    if (bar == std::string_view::npos) break;
    text.remove_prefix(bar + 1);
  }
  out += "\r\n";
}

size_t WriteSrtLines(const LineSource& lines, FrameRate rate, const ByteSink& sink) {
  CheckRate(rate);
  constexpr size_t kChunk = size_t{256} << 10;  // stays in cache between flushes
  std::string buf;
  buf.reserve(kChunk + 4096);
  size_t count = 0;
  lines([&](std::string_view line) {
    AppendSrtBlock(buf, ++count, line, rate);
    if (buf.size() >= kChunk) {
      sink(std::string_view(buf));
      buf.clear();
    }
  });
  sink(std::string_view(buf));
  return count;
}

std::string ComposeSrtBytes(LineSpan lines, FrameRate rate) {
  std::string out;
  ProduceSrt(lines, rate, {}, [&](std::string_view bytes) { out.append(bytes); });
  return out;
}

void WriteSrtFile(const std::string& path, LineSpan lines, FrameRate rate,
                  const ProgressFn& progress) {
  CheckRate(rate);
  WriteFileStreamed(path, [&](const ByteSink& sink) { ProduceSrt(lines, rate, progress, sink); });
}

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return a == b;
}

}  // namespace velorin
