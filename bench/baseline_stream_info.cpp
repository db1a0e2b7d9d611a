// The limit for "velorin-cli info": a streaming loop that reads the file in
// 1 MiB chunks and keeps only the first frame of the first and last line
// that begins with '{' and their count. It stores no document.
// baseline_stream_info IN
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int in = ::open(argv[1], O_RDONLY);
  if (in < 0) return 1;
  std::string chunk(1 << 20, '\0');
  std::string carry;
  long first = 0, last = 0, count = 0;
  auto line = [&](std::string_view l) {
    if (l.empty() || l[0] != '{') return;
    long frame = 0;
    std::from_chars(l.data() + 1, l.data() + l.size(), frame);
    if (count++ == 0) first = frame;
    last = frame;
  };
  for (;;) {
    ssize_t n = ::read(in, chunk.data(), chunk.size());
    if (n < 0) return 1;
    if (n == 0) break;
    std::string_view data(chunk.data(), static_cast<size_t>(n));
    size_t start = 0, end;
    while ((end = data.find('\n', start)) != std::string_view::npos) {
      if (carry.empty()) {
        line(data.substr(start, end - start));
      } else {
        carry.append(data.substr(start, end - start));
        line(carry);
        carry.clear();
      }
      start = end + 1;
    }
    carry.append(data.substr(start));
  }
  if (!carry.empty()) line(carry);
  std::printf("first: %ld\nlast: %ld\ncount: %ld\n", first, last, count);
  return 0;
}
