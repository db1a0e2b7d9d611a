#include "document/recovery_file.h"

#include <zlib.h>

#include <cstring>
#include <limits>

#include "document/error.h"

namespace velorin {

// Layout: the magic text, the format version (4 bytes, little-endian), the
// session and the rows, then a CRC-32 of everything before it (4 bytes).
// Numbers in the session and every length are LEB128 varints; the session's
// texts are a length and bytes, the rows a count and then a length and bytes
// each.

namespace {

constexpr std::string_view kMagic = "Velorin recovery\n";
constexpr size_t kChunk = size_t{256} << 10;
// No field of the session comes near this; a longer one means damage.
constexpr uint64_t kMaxFieldBytes = uint64_t{1} << 20;

class Encoder {
 public:
  Encoder(const ByteSink& sink, const std::atomic<bool>* cancel) : sink_(sink), cancel_(cancel) {
    buffer_.reserve(kChunk + 16);
  }

  void Raw(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kChunk) Flush();
    if (bytes.size() > kChunk) {
      Emit(bytes);
      return;
    }
    buffer_.append(bytes);
  }
  void U32(uint32_t v) {
    char b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    Raw({b, 4});
  }
  void Varint(uint64_t v) {
    char b[10];
    size_t n = 0;
    for (; v >= 0x80; v >>= 7) b[n++] = static_cast<char>((v & 0x7F) | 0x80);
    b[n++] = static_cast<char>(v);
    Raw({b, n});
  }
  void Text(std::string_view s) {
    Varint(s.size());
    Raw(s);
  }
  void Finish() {
    Flush();
    char b[4];
    const auto crc = static_cast<uint32_t>(crc_);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
    sink_({b, 4});
  }

 private:
  void Flush() {
    if (buffer_.empty()) return;
    Emit(buffer_);
    buffer_.clear();
  }
  void Emit(std::string_view bytes) {
    if (cancel_ && cancel_->load(std::memory_order_relaxed)) throw Error("cancelled");
    // zlib's crc32 takes at most 4 GiB at a time.
    for (std::string_view rest = bytes; !rest.empty();) {
      const size_t n = std::min<size_t>(rest.size(), size_t{1} << 30);
      crc_ = crc32(crc_, reinterpret_cast<const Bytef*>(rest.data()), static_cast<uInt>(n));
      rest.remove_prefix(n);
    }
    sink_(bytes);
  }

  const ByteSink& sink_;
  const std::atomic<bool>* cancel_;
  std::string buffer_;
  uLong crc_ = crc32(0, nullptr, 0);
};

class Decoder {
 public:
  explicit Decoder(std::string_view bytes) : bytes_(bytes) {}

  bool Raw(size_t n, std::string_view& out) {
    if (bytes_.size() - at_ < n) return false;
    out = bytes_.substr(at_, n);
    at_ += n;
    return true;
  }
  bool U32(uint32_t& v) {
    std::string_view b;
    if (!Raw(4, b)) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{static_cast<unsigned char>(b[i])} << (8 * i);
    return true;
  }
  bool Varint(uint64_t& v) {
    v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (at_ >= bytes_.size()) return false;
      const auto b = static_cast<unsigned char>(bytes_[at_++]);
      if (shift == 63 && b > 1) return false;  // more than 64 bits
      v |= uint64_t{b & 0x7Fu} << shift;
      if (!(b & 0x80u)) return true;
    }
    return false;
  }
  bool Text(std::string_view& out, uint64_t limit) {
    uint64_t n = 0;
    return Varint(n) && n <= limit && Raw(static_cast<size_t>(n), out);
  }
  bool Text(std::string& out) {
    std::string_view v;
    if (!Text(v, kMaxFieldBytes)) return false;
    out.assign(v);
    return true;
  }
  size_t Left() const { return bytes_.size() - at_; }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

}  // namespace

void EncodeRecovery(const RecoverySession& session, LineSpan lines, const ByteSink& sink,
                    const std::atomic<bool>* cancel) {
  Encoder e(sink, cancel);
  e.Raw(kMagic);
  e.U32(kRecoveryFormatVersion);
  e.Varint(session.instance.pid);
  e.Varint(session.instance.started);
  e.Text(session.instance.boot);
  e.Varint(static_cast<uint64_t>(session.savedAt));
  e.Varint(session.utf8 ? 1 : 0);
  e.Varint(static_cast<uint64_t>(session.cursorRow + 1));
  e.Text(session.source);
  e.Text(session.target);
  e.Text(session.sync);
  for (const std::string& f : session.frames) e.Text(f);
  e.Text(session.frameRate);
  e.Varint(lines.size());
  for (std::string_view line : lines) e.Text(line);
  e.Finish();
}

void WriteRecoveryFile(const std::string& path, const RecoverySession& session, LineSpan lines,
                       const std::atomic<bool>* cancel) {
  WriteFileStreamed(path,
                    [&](const ByteSink& sink) { EncodeRecovery(session, lines, sink, cancel); });
}

RecoveryReadResult DecodeRecovery(std::string_view bytes) {
  RecoveryReadResult result;
  if (bytes.size() < kMagic.size() + 8 || bytes.substr(0, kMagic.size()) != kMagic) return result;
  uint32_t version = 0;
  for (int i = 0; i < 4; ++i)
    version |= uint32_t{static_cast<unsigned char>(bytes[kMagic.size() + i])} << (8 * i);
  if (version != kRecoveryFormatVersion) {
    result.status = RecoveryRead::OtherVersion;
    return result;
  }
  // The checksum first: nothing of a changed file is believed.
  const std::string_view body = bytes.substr(0, bytes.size() - 4);
  uint32_t stored = 0;
  for (int i = 0; i < 4; ++i)
    stored |= uint32_t{static_cast<unsigned char>(bytes[body.size() + i])} << (8 * i);
  uLong crc = crc32(0, nullptr, 0);
  for (std::string_view rest = body; !rest.empty();) {
    const size_t n = std::min<size_t>(rest.size(), size_t{1} << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(rest.data()), static_cast<uInt>(n));
    rest.remove_prefix(n);
  }
  if (static_cast<uint32_t>(crc) != stored) return result;

  Decoder d(body.substr(kMagic.size() + 4));
  RecoverySession& s = result.copy.session;
  uint64_t savedAt = 0, utf8 = 0, cursor = 0, rows = 0;
  if (!d.Varint(s.instance.pid) || !d.Varint(s.instance.started) || !d.Text(s.instance.boot) ||
      !d.Varint(savedAt) || !d.Varint(utf8) || utf8 > 1 || !d.Varint(cursor) ||
      !d.Text(s.source) || !d.Text(s.target) || !d.Text(s.sync))
    return result;
  for (std::string& f : s.frames)
    if (!d.Text(f)) return result;
  if (!d.Text(s.frameRate) || !d.Varint(rows)) return result;
  if (savedAt > uint64_t{std::numeric_limits<int64_t>::max()} ||
      cursor > uint64_t{std::numeric_limits<int64_t>::max()} || cursor > rows)
    return result;
  s.savedAt = static_cast<int64_t>(savedAt);
  s.utf8 = utf8 == 1;
  s.cursorRow = static_cast<int64_t>(cursor) - 1;
  // Every row takes at least its length byte.
  if (rows > d.Left()) return result;
  LineStore& lines = result.copy.lines;
  lines.reserve(static_cast<size_t>(rows));
  for (uint64_t i = 0; i < rows; ++i) {
    std::string_view line;
    if (!d.Text(line, d.Left())) return result;
    lines.push_back(line);
  }
  if (d.Left() != 0) return result;
  result.status = RecoveryRead::Ok;
  return result;
}

RecoveryReadResult ReadRecoveryFile(const std::string& path) {
  std::string bytes;
  try {
    bytes = ReadFileBytes(path);
  } catch (const Error&) {
    return {};
  }
  return DecodeRecovery(bytes);
}

}  // namespace velorin
