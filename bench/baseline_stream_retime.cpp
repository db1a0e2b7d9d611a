// The limit for "velorin-cli retime": a streaming loop that reads the file in
// 1 MiB chunks, rewrites the two frame numbers of every {first}{second}text
// line (offset rounded first, then frame * scale + offset rounded half to
// even), writes the result in 1 MiB blocks to a temporary file, fsyncs it
// and renames it over OUT, as a safe save must. It stores no document.
// baseline_stream_retime IN OUT OFFSET SCALE
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr size_t kBlock = 1 << 20;

struct Output {
  int fd;
  std::string buffer;
  void Put(std::string_view s) {
    buffer.append(s);
    if (buffer.size() >= kBlock) Flush();
  }
  void Flush() {
    const char* p = buffer.data();
    size_t left = buffer.size();
    while (left > 0) {
      ssize_t n = ::write(fd, p, left);
      if (n <= 0) std::exit(1);
      p += n;
      left -= static_cast<size_t>(n);
    }
    buffer.clear();
  }
};

long Digits(const char* p, const char* end) {
  long v = 0;
  for (; p < end; ++p)
    if (*p >= '0' && *p <= '9') v = v * 10 + (*p - '0');
  return v;
}

void PutFrame(Output& out, long frame, double offset, double scale) {
  long v = std::lround(std::nearbyint(static_cast<long double>(frame) * scale + offset));
  if (v < 0) v = 0;
  char digits[24];
  char* p = digits + sizeof digits;
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v > 0);
  out.Put({p, static_cast<size_t>(digits + sizeof digits - p)});
}

void RetimeLine(Output& out, std::string_view line, double offset, double scale) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  long first = 0, second = 0;
  size_t close1, close2;
  if (line.size() < 4 || line[0] != '{' || (close1 = line.find('}')) == std::string_view::npos ||
      close1 + 1 >= line.size() || line[close1 + 1] != '{' ||
      (close2 = line.find('}', close1 + 2)) == std::string_view::npos) {
    out.Put(line);
    out.Put("\r\n");
    return;
  }
  first = Digits(line.data() + 1, line.data() + close1);
  second = Digits(line.data() + close1 + 2, line.data() + close2);
  out.Put("{");
  PutFrame(out, first, offset, scale);
  out.Put("}{");
  PutFrame(out, second, offset, scale);
  out.Put(line.substr(close2));
  out.Put("\r\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const double offset = std::nearbyint(std::atof(argv[3]));
  const double scale = std::atof(argv[4]);
  const int in = ::open(argv[1], O_RDONLY);
  const std::string temp = std::string(argv[2]) + ".tmp";
  Output out{::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), {}};
  if (in < 0 || out.fd < 0) return 1;
  out.buffer.reserve(kBlock + 4096);
  std::string chunk(kBlock, '\0');
  std::string carry;
  for (;;) {
    ssize_t n = ::read(in, chunk.data(), kBlock);
    if (n < 0) return 1;
    if (n == 0) break;
    std::string_view data(chunk.data(), static_cast<size_t>(n));
    size_t start = 0, end;
    while ((end = data.find('\n', start)) != std::string_view::npos) {
      if (carry.empty()) {
        RetimeLine(out, data.substr(start, end - start), offset, scale);
      } else {
        carry.append(data.substr(start, end - start));
        RetimeLine(out, carry, offset, scale);
        carry.clear();
      }
      start = end + 1;
    }
    carry.append(data.substr(start));
  }
  if (!carry.empty()) RetimeLine(out, carry, offset, scale);
  out.Flush();
  if (::fsync(out.fd) != 0 || ::close(out.fd) != 0) return 1;
  return std::rename(temp.c_str(), argv[2]) == 0 ? 0 : 1;
}
