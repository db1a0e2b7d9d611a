#include "document/line_store.h"

#include <algorithm>
#include <cstring>
#include <ostream>

namespace velorin {

namespace {

// Blocks grow with the document from the first to the full size, so that a
// short document takes little and a long one few allocations.
constexpr size_t kFirstBlockSize = size_t{64} << 10;
constexpr size_t kBlockSize = size_t{1} << 20;
// A line of at least this many bytes gets a block of its own, so that it does
// not leave most of the current block unused.
constexpr size_t kOwnBlock = kBlockSize / 4;
// The rows are copied into new blocks once the garbage exceeds both this floor
// and a quarter of the rows' bytes: a command that rewrites rows here and
// there then holds at most a quarter more than the document (one that
// rewrites whole blocks frees each as its last row goes), and the copying
// costs at most four bytes for each byte replaced.
constexpr size_t kCompactFloor = size_t{4} << 20;
constexpr size_t kGarbageShare = 4;

}  // namespace

LineStore::LineStore(const std::vector<std::string>& lines) {
  rows_.reserve(lines.size());
  for (const std::string& line : lines) push_back(line);
}

LineStore::LineStore(const LineStore& other) {
  rows_.reserve(other.size());
  for (std::string_view line : other) push_back(line);
}

LineStore& LineStore::operator=(const LineStore& other) {
  if (this != &other) *this = LineStore(other);
  return *this;
}

LineStore::LineStore(LineStore&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      current_(std::exchange(other.current_, nullptr)),
      rows_(std::move(other.rows_)),
      live_(std::exchange(other.live_, 0)),
      garbage_(std::exchange(other.garbage_, 0)) {
  other.blocks_.clear();
  other.rows_.clear();
}

LineStore& LineStore::operator=(LineStore&& other) noexcept {
  if (this != &other) {
    blocks_ = std::move(other.blocks_);
    current_ = std::exchange(other.current_, nullptr);
    rows_ = std::move(other.rows_);
    live_ = std::exchange(other.live_, 0);
    garbage_ = std::exchange(other.garbage_, 0);
    other.blocks_.clear();
    other.rows_.clear();
  }
  return *this;
}

std::vector<std::string> LineStore::ToVector() const {
  std::vector<std::string> out;
  out.reserve(rows_.size());
  for (const char* row : rows_) out.emplace_back(View(row));
  return out;
}

LineStore::Block& LineStore::AddBlock(size_t size) {
  auto block = std::make_unique<Block>();
  block->bytes = std::make_unique_for_overwrite<char[]>(size);
  block->size = size;
  block->start = block->bytes.get();
  const char* at = block->start;
  const auto it = std::upper_bound(
      blocks_.begin(), blocks_.end(), at,
      [](const char* p, const std::unique_ptr<Block>& b) { return std::less<>()(p, b->start); });
  return **blocks_.insert(it, std::move(block));
}

size_t LineStore::Find(const Blocks& blocks, const char* at) {
  const auto it = std::upper_bound(
      blocks.begin(), blocks.end(), at,
      [](const char* p, const std::unique_ptr<Block>& b) { return std::less<>()(p, b->start); });
  return static_cast<size_t>(it - blocks.begin()) - 1;
}

const char* LineStore::Keep(std::string_view bytes) {
  const size_t n = bytes.size();
  if (n == 0) return nullptr;
  size_t total = n + 1;
  for (size_t rest = n >> 7; rest > 0; rest >>= 7) ++total;
  Block* target = current_;
  if (!target || target->size - target->used < total) {
    if (total >= kOwnBlock) {
      target = &AddBlock(total);  // the current block stays the one filled next
    } else {
      current_ = &AddBlock(std::max(total, std::clamp(live_, kFirstBlockSize, kBlockSize)));
      target = current_;
    }
  }
  char* const row = target->bytes.get() + target->used;
  char* at = row;
  size_t rest = n;
  for (; rest >= 0x80; rest >>= 7) *at++ = static_cast<char>((rest & 0x7F) | 0x80);
  *at++ = static_cast<char>(rest);
  std::memcpy(at, bytes.data(), n);
  target->used += total;
  target->written += n;
  target->live += n;
  live_ += n;
  return row;
}

void LineStore::Discard(const char* row) {
  if (!row) return;
  const size_t n = View(row).size();
  const size_t b = Find(blocks_, row);
  Block& block = *blocks_[b];
  block.live -= n;
  live_ -= n;
  garbage_ += n;
  if (block.live > 0) return;
  // Nothing in the block is used any more: the current block is filled
  // again from its start, any other freed.
  garbage_ -= block.written;
  if (&block == current_) {
    block.used = 0;
    block.written = 0;
  } else {
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
  }
}

void LineStore::push_back(std::string_view line) { rows_.push_back(Keep(line)); }

void LineStore::Insert(size_t row, std::string_view line) {
  const char* const kept = Keep(line);
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(row), kept);
}

void LineStore::Replace(size_t row, std::string_view line) {
  // The new bytes are copied first: line may be a view of this store.
  const char* const kept = Keep(line);
  Discard(rows_[row]);
  rows_[row] = kept;
  MaybeCompact();
}

void LineStore::Erase(size_t row) {
  Discard(rows_[row]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
  MaybeCompact();
}

void LineStore::Clear() { *this = LineStore(); }

void LineStore::RemoveRows(const std::vector<char>& flags) {
  size_t out = 0;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (flags[i])
      Discard(rows_[i]);
    else
      rows_[out++] = rows_[i];
  }
  rows_.resize(out);
  MaybeCompact();
}

void LineStore::InsertRows(const std::vector<std::pair<int, std::string_view>>& lines) {
  std::vector<const char*> out;
  out.reserve(rows_.size() + lines.size());
  size_t next = 0, from = 0;
  const size_t total = rows_.size() + lines.size();
  for (size_t row = 0; row < total; ++row) {
    if (next < lines.size() && static_cast<size_t>(lines[next].first) == row)
      out.push_back(Keep(lines[next++].second));
    else
      out.push_back(rows_[from++]);
  }
  rows_ = std::move(out);
}

void LineStore::Permute(const std::vector<uint32_t>& order) {
  std::vector<const char*> out(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) out[i] = rows_.at(order[i]);
  rows_ = std::move(out);
}

void LineStore::MaybeCompact() {
  if (garbage_ > std::max(kCompactFloor, live_ / kGarbageShare)) Compact();
}

void LineStore::Compact() {
  // The rows are copied in order and each old block freed as soon as its
  // last row is out, so that the copy never holds much more than the rows.
  Blocks old = std::move(blocks_);
  blocks_.clear();
  current_ = nullptr;
  size_t i = 0;
  try {
    for (; i < rows_.size(); ++i) {
      if (!rows_[i]) continue;
      const std::string_view line = View(rows_[i]);
      Block& from = *old[Find(old, rows_[i])];
      rows_[i] = Keep(line);
      live_ -= line.size();  // counted again by Keep
      from.live -= line.size();
      if (from.live == 0) from.bytes.reset();
    }
  } catch (...) {
    // Out of memory: the rows not yet copied stay where they are.
    for (auto& block : old)
      if (block->bytes) blocks_.push_back(std::move(block));
    std::sort(blocks_.begin(), blocks_.end(),
              [](const auto& a, const auto& b) { return std::less<>()(a->start, b->start); });
    size_t held = 0;
    for (const auto& block : blocks_) held += block->written;
    garbage_ = held - live_;
    throw;
  }
  garbage_ = 0;
}

bool operator==(const LineStore& a, const LineStore& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

bool operator==(const LineStore& a, const std::vector<std::string>& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](std::string_view x, const std::string& y) { return x == y; });
}

std::ostream& operator<<(std::ostream& out, const LineStore& lines) {
  out << "{";
  for (size_t i = 0; i < lines.size(); ++i) out << (i ? ", \"" : " \"") << lines[i] << '"';
  return out << " }";
}

}  // namespace velorin
