#include "document/change_journal.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "document/subtitle_list.h"

namespace velorin {

namespace {

// Reads the byte stream a ChangeSet writes.
class Reader {
 public:
  Reader(std::string_view bytes, size_t at) : bytes_(bytes), at_(at) {}
  size_t Pos() const { return at_; }
  uint64_t Get() {
    uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
      const auto b = static_cast<unsigned char>(bytes_[at_++]);
      v |= uint64_t{b & 0x7Fu} << shift;
      if (!(b & 0x80u)) return v;
    }
  }
  int Row() { return static_cast<int>(Get()); }
  std::string_view Bytes() { return Raw(static_cast<size_t>(Get())); }
  std::string_view Raw(size_t n) {
    std::string_view s = bytes_.substr(at_, n);
    at_ += n;
    return s;
  }
  LineStore Lines() {
    LineStore lines;
    const auto n = static_cast<size_t>(Get());
    lines.reserve(n);
    for (size_t i = 0; i < n; ++i) lines.push_back(Bytes());
    return lines;
  }
  void SkipLines() {
    for (uint64_t n = Get(); n > 0; --n) Bytes();
  }

 private:
  std::string_view bytes_;
  size_t at_;
};

// A replaced line: the common beginning and end, and the differing middles.
// A packed middle is unpacked into storage the reader gives; the views are
// valid while it and the change set are.
struct ReplaceOp {
  int row;
  size_t prefix, suffix;
  std::string_view before, after;
};

// Frame numbers are most of what a retiming changes: middles made only of
// these characters are kept two to a byte.
constexpr std::string_view kPackable = "0123456789{}-";

// Each byte's place in kPackable, or kNotPackable.
constexpr uint8_t kNotPackable = 0xFF;
constexpr std::array<uint8_t, 256> kPackCode = [] {
  std::array<uint8_t, 256> codes{};
  codes.fill(kNotPackable);
  for (size_t i = 0; i < kPackable.size(); ++i)
    codes[static_cast<unsigned char>(kPackable[i])] = static_cast<uint8_t>(i);
  return codes;
}();

uint8_t PackCode(char c) { return kPackCode[static_cast<unsigned char>(c)]; }

bool Packable(std::string_view s) {
  for (const char c : s)
    if (PackCode(c) == kNotPackable) return false;
  return true;
}

std::string_view Unpack(Reader& r, std::string& out) {
  const size_t n = static_cast<size_t>(r.Get());
  std::string_view packed = r.Raw((n + 1) / 2);
  out.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(packed[i / 2]);
    out[i] = kPackable[i % 2 == 0 ? b >> 4 : b & 0x0F];
  }
  return out;
}

// Reads a replacement; the middles are left unread when before and after
// are null (only skipped over).
ReplaceOp ReadReplace(Reader& r, bool packed, int& lastRow, std::string* before = nullptr,
                      std::string* after = nullptr) {
  ReplaceOp op;
  const uint64_t zigzag = r.Get();
  lastRow += static_cast<int>(zigzag & 1 ? ~(zigzag >> 1) : zigzag >> 1);
  op.row = lastRow;
  op.prefix = static_cast<size_t>(r.Get());
  op.suffix = static_cast<size_t>(r.Get());
  if (!packed) {
    op.before = r.Bytes();
    op.after = r.Bytes();
  } else if (before && after) {
    op.before = Unpack(r, *before);
    op.after = Unpack(r, *after);
  } else {
    for (int i = 0; i < 2; ++i) r.Raw((static_cast<size_t>(r.Get()) + 1) / 2);
  }
  return op;
}

// The line whose middle is now `from` with its middle made `to`, built in out.
std::string_view Swap(std::string_view line, size_t prefix, size_t suffix, std::string_view to,
                      std::string& out) {
  out.clear();
  out.append(line.substr(0, prefix));
  out.append(to);
  out.append(line.substr(line.size() - suffix));
  return out;
}

}  // namespace

void ChangeSet::Put(uint64_t v) {
  while (v >= 0x80) {
    bytes_.push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  bytes_.push_back(static_cast<char>(v));
}

void ChangeSet::PutBytes(std::string_view s) {
  Put(s.size());
  bytes_.append(s);
}

namespace {

uint64_t Word(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

constexpr bool kLittle = std::endian::native == std::endian::little;

// How many bytes a and b share at their start, at most limit; eight bytes
// compared at a time (a command rewrites a million rows).
size_t CommonPrefix(std::string_view a, std::string_view b, size_t limit) {
  size_t n = 0;
  if constexpr (kLittle) {
    for (; n + 8 <= limit; n += 8)
      if (const uint64_t diff = Word(a.data() + n) ^ Word(b.data() + n))
        return n + static_cast<size_t>(std::countr_zero(diff)) / 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// The same at their end.
size_t CommonSuffix(std::string_view a, std::string_view b, size_t limit) {
  size_t n = 0;
  if constexpr (kLittle) {
    for (; n + 8 <= limit; n += 8)
      if (const uint64_t diff =
              Word(a.data() + a.size() - n - 8) ^ Word(b.data() + b.size() - n - 8))
        return n + static_cast<size_t>(std::countl_zero(diff)) / 8;
  }
  while (n < limit && a[a.size() - 1 - n] == b[b.size() - 1 - n]) ++n;
  return n;
}

}  // namespace

void ChangeSet::Replaced(int row, std::string_view before, std::string_view after) {
  const size_t shorter = std::min(before.size(), after.size());
  const size_t prefix = CommonPrefix(before, after, shorter);
  const size_t suffix = CommonSuffix(before, after, shorter - prefix);
  before = before.substr(prefix, before.size() - prefix - suffix);
  after = after.substr(prefix, after.size() - prefix - suffix);
  const bool packed = Packable(before) && Packable(after);
  // Rows as the difference from the last replaced one: one byte for a command
  // that walks the list.
  const int64_t delta = int64_t{row} - lastRow_;
  const uint64_t zigzag = delta < 0 ? (static_cast<uint64_t>(-(delta + 1)) << 1) | 1
                                    : static_cast<uint64_t>(delta) << 1;
  lastRow_ = row;
  ++ops_;
  // The op is written straight into room made for it at once: a byte at a
  // time to the stream cost more than the rest of it.
  const size_t middles = packed ? (before.size() + 1) / 2 + (after.size() + 1) / 2
                                : before.size() + after.size();
  const size_t start = bytes_.size();
  bytes_.resize(start + 1 + 5 * 10 + middles);  // the kind, five numbers of at most ten bytes, the middles
  char* p = bytes_.data() + start;
  const auto put = [&p](uint64_t v) {
    for (; v >= 0x80; v >>= 7) *p++ = static_cast<char>((v & 0x7F) | 0x80);
    *p++ = static_cast<char>(v);
  };
  *p++ = static_cast<char>(packed ? kReplacePacked : kReplace);
  put(zigzag);
  put(prefix);
  put(suffix);
  for (std::string_view middle : {before, after}) {
    put(middle.size());
    if (!packed) {
      std::memcpy(p, middle.data(), middle.size());
      p += middle.size();
      continue;
    }
    for (size_t i = 0; i < middle.size(); i += 2) {
      const unsigned hi = PackCode(middle[i]);
      const unsigned lo = i + 1 < middle.size() ? PackCode(middle[i + 1]) : 0;
      *p++ = static_cast<char>(hi << 4 | lo);
    }
  }
  bytes_.resize(static_cast<size_t>(p - bytes_.data()));
}

void ChangeSet::Inserted(int row, std::string_view line) {
  bytes_.push_back(static_cast<char>(kInsert));
  Put(static_cast<uint64_t>(row));
  PutBytes(line);
  ++ops_;
}

void ChangeSet::Deleted(int row, std::string_view line) {
  bytes_.push_back(static_cast<char>(kDelete));
  Put(static_cast<uint64_t>(row));
  PutBytes(line);
  ++ops_;
}

void ChangeSet::DeletedRows(const std::vector<int>& rows, LineSpan lines) {
  bytes_.push_back(static_cast<char>(kDeleteRows));
  Put(rows.size());
  for (int row : rows) {
    Put(static_cast<uint64_t>(row));
    PutBytes(lines[static_cast<size_t>(row)]);
  }
  ++ops_;
}

void ChangeSet::Permuted(const std::vector<uint32_t>& order) {
  bytes_.push_back(static_cast<char>(kPermute));
  Put(order.size());
  for (uint32_t from : order) Put(from);
  ++ops_;
}

void ChangeSet::Reassigned(LineSpan before, LineSpan after) {
  // Room for both lists at once: a million lines appended one by one would
  // copy the growing stream again and again.
  // Exactly, so that the step keeps no spare room to give back later.
  auto varint = [](uint64_t v) {
    size_t n = 1;
    for (; v >= 0x80; v >>= 7) ++n;
    return n;
  };
  size_t needed = 1;
  for (LineSpan lines : {before, after}) {
    needed += varint(lines.size());
    for (std::string_view l : lines) needed += varint(l.size()) + l.size();
  }
  if (bytes_.capacity() - bytes_.size() < needed)
    bytes_.reserve(std::max(bytes_.size() + needed, bytes_.capacity() + bytes_.capacity() / 2));
  bytes_.push_back(static_cast<char>(kReassign));
  for (LineSpan lines : {before, after}) {
    Put(lines.size());
    for (std::string_view l : lines) PutBytes(l);
  }
  ++ops_;
}

void ChangeSet::EncodingChanged(TextEncoding before, TextEncoding after) {
  bytes_.push_back(static_cast<char>(kEncoding));
  Put(static_cast<uint64_t>(before));
  Put(static_cast<uint64_t>(after));
  ++ops_;
}

void ChangeSet::Append(ChangeSet&& other) {
  if (bytes_.empty()) {
    bytes_ = std::move(other.bytes_);
    bytes_.shrink_to_fit();  // a kept step holds no spare room
  } else {
    // Replaced rows count from 0 again where the other's changes begin.
    bytes_.push_back(static_cast<char>(kRowsFromZero));
    bytes_.append(other.bytes_);
  }
  ops_ += other.ops_;
  lastRow_ = other.lastRow_;
  other = ChangeSet();
}

std::vector<ChangeSet::OpAt> ChangeSet::Ops() const {
  std::vector<OpAt> ops;
  ops.reserve(ops_);
  size_t at = 0;
  int lastRow = 0;
  while (at < bytes_.size()) {
    const auto kind = static_cast<Kind>(bytes_[at]);
    Reader r(bytes_, at + 1);
    if (kind == kRowsFromZero) {
      lastRow = 0;
      at = r.Pos();
      continue;
    }
    ops.push_back({at, lastRow});
    switch (kind) {
      case kReplace:
      case kReplacePacked:
        ReadReplace(r, kind == kReplacePacked, lastRow);
        break;
      case kInsert:
      case kDelete:
        r.Row();
        r.Bytes();
        break;
      case kDeleteRows:
        for (uint64_t n = r.Get(); n > 0; --n) {
          r.Row();
          r.Bytes();
        }
        break;
      case kPermute:
        for (uint64_t n = r.Get(); n > 0; --n) r.Get();
        break;
      case kReassign:
        r.SkipLines();
        r.SkipLines();
        break;
      case kEncoding:
        r.Get();
        r.Get();
        break;
      case kRowsFromZero:
      case kWholeList:
        break;
    }
    at = r.Pos();
  }
  return ops;
}

void ChangeSet::Apply(SubtitleList& list, OpAt op, bool undo, std::vector<int>& touched) const {
  const size_t start = op.start;
  ++list.revision_;
  LineStore& lines = list.lines_;
  std::vector<char>& flags = list.selected_;
  Reader r(bytes_, start + 1);
  switch (static_cast<Kind>(bytes_[start])) {
    case kReplace:
    case kReplacePacked: {
      // Reused from row to row: a list-wide step takes back a million rows.
      thread_local std::string before, after, line;
      int row = op.rowBefore;
      const ReplaceOp replace =
          ReadReplace(r, bytes_[start] == kReplacePacked, row, &before, &after);
      const auto at = static_cast<size_t>(replace.row);
      if (at >= lines.size()) throw std::out_of_range("no row to take back a change in");
      lines.Replace(at, Swap(lines[at], replace.prefix, replace.suffix,
                             undo ? replace.before : replace.after, line));
      touched.push_back(replace.row);
      break;
    }
    case kRowsFromZero:
      break;
    case kInsert:
    case kDelete: {
      const bool insert = (static_cast<Kind>(bytes_[start]) == kInsert) != undo;
      const int row = r.Row();
      const std::string_view line = r.Bytes();
      if (insert) {
        lines.Insert(static_cast<size_t>(row), line);
        flags.insert(flags.begin() + row, 0);
        touched.push_back(row);
      } else {
        lines.Erase(static_cast<size_t>(row));
        flags.erase(flags.begin() + row);
      }
      break;
    }
    case kDeleteRows: {
      std::vector<std::pair<int, std::string_view>> removed(static_cast<size_t>(r.Get()));
      for (auto& [row, line] : removed) {
        row = r.Row();
        line = r.Bytes();
      }
      if (undo) {
        // Puts every removed row back at its old index.
        lines.InsertRows(removed);
        for (const auto& entry : removed) touched.push_back(entry.first);
      } else {
        std::vector<char> gone(lines.size());
        for (const auto& entry : removed) gone.at(static_cast<size_t>(entry.first)) = 1;
        lines.RemoveRows(gone);
      }
      flags.assign(lines.size(), 0);
      break;
    }
    case kPermute: {
      std::vector<uint32_t> order(static_cast<size_t>(r.Get()));
      for (uint32_t& from : order) from = static_cast<uint32_t>(r.Get());
      if (undo) {
        // Old row order[i] is now row i.
        std::vector<uint32_t> back(order.size());
        for (size_t i = 0; i < order.size(); ++i) back.at(order[i]) = static_cast<uint32_t>(i);
        order = std::move(back);
      }
      lines.Permute(order);
      flags.assign(lines.size(), 0);
      break;
    }
    case kReassign: {
      if (undo) {
        lines = r.Lines();
      } else {
        r.SkipLines();
        lines = r.Lines();
      }
      flags.assign(lines.size(), 0);
      break;
    }
    case kEncoding: {
      const auto before = static_cast<TextEncoding>(r.Get());
      const auto after = static_cast<TextEncoding>(r.Get());
      list.encoding_ = undo ? before : after;
      break;
    }
    case kWholeList:
      break;
  }
}

template <typename It>
void ChangeSet::ApplyAll(SubtitleList& list, It first, It last, bool undo,
                         std::vector<int>& touched) const {
  std::optional<size_t> wholeFrom;  // touched rows before the open marker
  for (It it = first; it != last; ++it) {
    if (static_cast<Kind>(bytes_[it->start]) != kWholeList) {
      Apply(list, *it, undo, touched);
    } else if (!wholeFrom) {
      wholeFrom = touched.size();
    } else {
      touched.resize(*wholeFrom);
      wholeFrom.reset();
    }
  }
}

std::vector<int> ChangeSet::Undo(SubtitleList& list) const {
  std::vector<int> touched;
  const std::vector<OpAt> ops = Ops();
  ApplyAll(list, ops.rbegin(), ops.rend(), true, touched);
  return Finish(list, std::move(touched));
}

std::vector<int> ChangeSet::Redo(SubtitleList& list) const {
  std::vector<int> touched;
  const std::vector<OpAt> ops = Ops();
  ApplyAll(list, ops.begin(), ops.end(), false, touched);
  return Finish(list, std::move(touched));
}

std::vector<int> ChangeSet::Finish(SubtitleList& list, std::vector<int> touched) {
  std::sort(touched.begin(), touched.end());
  touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
  touched.erase(std::remove_if(touched.begin(), touched.end(),
                               [&](int row) { return row < 0 || row >= list.Count(); }),
                touched.end());
  list.ClearSelection();
  for (int row : touched) list.SetSelected(row, true);
  if (list.Count() > 0)
    list.SetCursorRow(touched.empty() ? std::clamp(list.CursorRow(), 0, list.Count() - 1)
                                      : touched.front());
  else
    list.SetCursorRow(-1);
  return touched;
}

}  // namespace velorin
