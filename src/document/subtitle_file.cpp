#include "document/subtitle_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "document/ascii.h"
#include "document/error.h"

namespace velorin {

namespace {

constexpr size_t kChunk = 1 << 20;

// Classifies lines as they arrive; shared by file and in-memory reading.
class LineSorter {
 public:
  // Returns false when reading should stop (the file must be converted).
  bool Take(std::string_view line) {
    if (utf8_ && !IsValidUtf8(line)) utf8_ = false;
    if (line.empty() || line.front() == '[') return true;
    if (line.front() == '{') {
      out_.lines.emplace_back(line);
      return true;
    }
    if (out_.lines.empty()) {
      out_.kind = ReadKind::NotSubtitleFile;
      return false;
    }
    return true;
  }
  ReadOutcome Finish() {
    if (out_.kind != ReadKind::NotSubtitleFile)
      out_.kind = out_.lines.empty() ? ReadKind::NoSubtitles : ReadKind::Loaded;
    out_.utf8 = utf8_;
    return std::move(out_);
  }

 private:
  ReadOutcome out_;
  bool utf8_ = true;
};

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

void WriteAll(int fd, const char* data, size_t size, const std::string& path) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(path, errno);
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
}

// Writes chunks produced by fill() into a temporary file beside path and
// renames it over path at the end. fill(append) calls append(bytes) any number
// of times.
template <typename Fill>
void ReplaceFile(const std::string& path, Fill&& fill) {
  struct stat target {};
  if (::stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode)) {
    // A device or a pipe (/dev/null, a FIFO) is written into: renaming over
    // it would put a plain file in its place. A pipe nobody reads fails at
    // once instead of waiting. A disk or a socket is no place for text.
    if (!S_ISCHR(target.st_mode) && !S_ISFIFO(target.st_mode)) ThrowFileError(path, EINVAL);
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) ThrowFileError(path, errno);
    FdCloser closer{fd};
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fill([&](std::string_view bytes) { WriteAll(fd, bytes.data(), bytes.size(), path); });
    closer.fd = -1;
    if (::close(fd) != 0) ThrowFileError(path, errno);
    return;
  }
  // Through a symbolic link the file it leads to is replaced; the link stays.
  std::string real = path;
  struct stat link {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      real = resolved;
      std::free(resolved);
    }
  }
  std::string dir = ".";
  std::string base = real;
  if (auto slash = real.rfind('/'); slash != std::string::npos) {
    dir = real.substr(0, slash == 0 ? 1 : slash);
    base = real.substr(slash + 1);
  }
  std::string tmpl = (dir == "/" ? "" : dir) + "/." + base + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) ThrowFileError(path, errno);
  std::string tmp(name.data());
  try {
    FdCloser closer{fd};
    // Keep the permissions of the file being replaced; a new file gets the
    // usual ones for the user's umask.
    struct stat st {};
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
      mode = st.st_mode & 07777;
    } else {
      mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    fill([&](std::string_view bytes) { WriteAll(fd, bytes.data(), bytes.size(), path); });
    if (::fsync(fd) != 0) ThrowFileError(path, errno);
    closer.fd = -1;
    if (::close(fd) != 0) ThrowFileError(path, errno);
    if (::rename(tmp.c_str(), real.c_str()) != 0) ThrowFileError(path, errno);
  } catch (...) {
    ::unlink(tmp.c_str());
    throw;
  }
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    // Fast path over ASCII, eight bytes at a time.
    while (end - p >= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      if (w & 0x8080808080808080ULL) break;
      p += 8;
    }
    if (p >= end) break;
    unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int len;
    uint32_t cp;
    if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (end - p < len) return false;
    for (int i = 1; i < len; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    p += len;
  }
  return true;
}

ReadOutcome ParseSubtitleText(std::string_view bytes) {
  LineSorter sorter;
  ForEachLine(SkipUtf8Bom(bytes), [&](std::string_view line) { return sorter.Take(line); });
  return sorter.Finish();
}

ReadOutcome ReadSubtitleLines(const std::string& path, const ProgressFn& progress) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowFileError(path, errno);
  FdCloser closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) ThrowFileError(path, errno);
  if (S_ISDIR(st.st_mode)) ThrowFileError(path, EISDIR);
  const size_t total = static_cast<size_t>(st.st_size);

  LineSorter sorter;
  std::string carry;  // an unfinished line from the previous chunk
  auto buf = std::make_unique<char[]>(kChunk);
  size_t done = 0;
  bool first = true;
  bool stopped = false;
  while (!stopped) {
    ssize_t n = ::read(fd, buf.get(), kChunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(path, errno);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
    std::string_view chunk(buf.get(), static_cast<size_t>(n));
    if (first) {
      // A byte-order mark split over chunks is not worth handling: chunks are 1 MiB.
      chunk = SkipUtf8Bom(chunk);
      first = false;
    }
    size_t lastNl = chunk.rfind('\n');
    if (lastNl == std::string_view::npos) {
      carry.append(chunk);
    } else {
      std::string_view head = chunk.substr(0, lastNl + 1);
      if (!carry.empty()) {
        size_t nl = head.find('\n');
        carry.append(head.substr(0, nl + 1));
        head.remove_prefix(nl + 1);
        std::string_view line(carry);
        line.remove_suffix(1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        stopped = !sorter.Take(line);
        carry.clear();
      }
      if (!stopped) {
        // head ends with '\n': ForEachLine sees every line it holds.
        stopped = !ForEachLine(head, [&](std::string_view line) { return sorter.Take(line); });
      }
      carry.assign(chunk.substr(lastNl + 1));
    }
    if (progress) progress(done, total);
  }
  if (!stopped && !carry.empty()) {
    std::string_view line(carry);
    if (line.back() == '\r') line.remove_suffix(1);
    sorter.Take(line);
  }
  return sorter.Finish();
}

std::string ReadFileBytes(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowFileError(path, errno);
  std::string out;
  struct stat st {};
  if (::fstat(fd, &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      ::close(fd);
      ThrowFileError(path, EISDIR);
    }
    out.reserve(static_cast<size_t>(st.st_size));
  }
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      ThrowFileError(path, e);
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return out;
}

std::string ComposeFileBytes(const std::vector<std::string>& lines,
                             const std::vector<char>* selection) {
  size_t size = 0;
  for (size_t i = 0; i < lines.size(); ++i)
    if (!selection || (*selection)[i]) size += lines[i].size() + 2;
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (selection && !(*selection)[i]) continue;
    out += lines[i];
    out += "\r\n";
  }
  return out;
}

void WriteSubtitleFile(const std::string& path, const std::vector<std::string>& lines,
                       const std::vector<char>* selection, const ProgressFn& progress) {
  ReplaceFile(path, [&](auto append) {
    std::string buf;
    buf.reserve(kChunk + 4096);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (selection && !(*selection)[i]) continue;
      buf += lines[i];
      buf += "\r\n";
      if (buf.size() >= kChunk) {
        append(buf);
        buf.clear();
      }
      if (progress && i % kProgressStride == 0) progress(i, lines.size());
    }
    append(buf);
    if (progress) progress(lines.size(), lines.size());
  });
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  ReplaceFile(path, [&](auto append) { append(bytes); });
}

void WriteFileStreamed(const std::string& path, const std::function<void(const ByteSink&)>& fill) {
  ReplaceFile(path, [&](auto append) { fill(ByteSink(append)); });
}

}  // namespace velorin
