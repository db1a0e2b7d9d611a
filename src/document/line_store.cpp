#include "document/line_store.h"

#include <algorithm>
#include <cstring>
#include <ostream>

namespace velorin {

namespace {

constexpr size_t kBlockSize = size_t{1} << 20;
// A line of at least this many bytes gets a block of its own, so that it does
// not leave most of the current block unused.
constexpr size_t kOwnBlock = kBlockSize / 4;
// Blocks no row uses any more are looked for each time this many bytes of
// replaced and deleted lines have gathered.
constexpr size_t kCompactFloor = size_t{4} << 20;
constexpr size_t kUnused = SIZE_MAX;

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
      rows_(std::move(other.rows_)),
      live_(std::exchange(other.live_, 0)),
      garbage_(std::exchange(other.garbage_, 0)),
      checkAt_(std::exchange(other.checkAt_, kCompactFloor)) {
  other.blocks_.clear();
  other.rows_.clear();
}

LineStore& LineStore::operator=(LineStore&& other) noexcept {
  if (this != &other) {
    blocks_ = std::move(other.blocks_);
    rows_ = std::move(other.rows_);
    live_ = std::exchange(other.live_, 0);
    garbage_ = std::exchange(other.garbage_, 0);
    checkAt_ = std::exchange(other.checkAt_, kCompactFloor);
    other.blocks_.clear();
    other.rows_.clear();
  }
  return *this;
}

std::vector<std::string> LineStore::ToVector() const {
  std::vector<std::string> out;
  out.reserve(rows_.size());
  for (std::string_view line : rows_) out.emplace_back(line);
  return out;
}

std::string_view LineStore::Keep(std::string_view bytes) {
  const size_t n = bytes.size();
  if (n == 0) return {};
  Block* target = nullptr;
  if (n >= kOwnBlock) {
    Block block{std::make_unique_for_overwrite<char[]>(n), n, 0};
    // Put before the current block, which stays the one filled next.
    target = blocks_.empty() ? &blocks_.emplace_back(std::move(block))
                             : &*blocks_.insert(blocks_.end() - 1, std::move(block));
  } else {
    if (blocks_.empty() || blocks_.back().size - blocks_.back().used < n)
      blocks_.push_back({std::make_unique_for_overwrite<char[]>(kBlockSize), kBlockSize, 0});
    target = &blocks_.back();
  }
  char* at = target->bytes.get() + target->used;
  std::memcpy(at, bytes.data(), n);
  target->used += n;
  live_ += n;
  return {at, n};
}

void LineStore::push_back(std::string_view line) { rows_.push_back(Keep(line)); }

void LineStore::Insert(size_t row, std::string_view line) {
  const std::string_view kept = Keep(line);
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(row), kept);
}

void LineStore::Replace(size_t row, std::string_view line) {
  // The new bytes are copied first: line may be a view of this store.
  const std::string_view kept = Keep(line);
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
  std::vector<std::string_view> out;
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
  std::vector<std::string_view> out(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) out[i] = rows_.at(order[i]);
  rows_ = std::move(out);
}

void LineStore::MaybeCompact() {
  if (garbage_ <= checkAt_) return;
  // Rows rewritten in order leave whole blocks unused: freeing them moves
  // nothing, so it is tried every few megabytes of garbage. The rows are
  // copied only when the garbage left exceeds what they hold.
  FreeDeadBlocks();
  if (garbage_ > std::max(kCompactFloor, live_)) Compact();
  checkAt_ = garbage_ + kCompactFloor;
}

std::vector<size_t> LineStore::LastRows() const {
  std::vector<std::pair<uintptr_t, size_t>> starts(blocks_.size());
  for (size_t b = 0; b < blocks_.size(); ++b)
    starts[b] = {reinterpret_cast<uintptr_t>(blocks_[b].bytes.get()), b};
  std::sort(starts.begin(), starts.end());
  std::vector<size_t> last(blocks_.size(), kUnused);
  // Rows mostly lie in the block of the row before: that one is tried first.
  uintptr_t begin = 0, end = 0;
  size_t block = 0;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].empty()) continue;
    const auto at = reinterpret_cast<uintptr_t>(rows_[i].data());
    if (at < begin || at >= end) {
      const auto it = std::upper_bound(starts.begin(), starts.end(), std::make_pair(at, SIZE_MAX));
      block = std::prev(it)->second;
      begin = std::prev(it)->first;
      end = begin + blocks_[block].size;
    }
    last[block] = i;
  }
  return last;
}

void LineStore::FreeDeadBlocks() {
  const std::vector<size_t> last = LastRows();
  size_t b = 0;
  std::erase_if(blocks_, [&](const Block&) { return last[b++] == kUnused; });
  size_t held = 0;
  for (const Block& block : blocks_) held += block.used;
  garbage_ = held - live_;
}

void LineStore::Compact() {
  // The last row each block holds: the block is freed once that row is copied,
  // so that the copy never holds much more than the rows' bytes.
  const std::vector<size_t> lastRow = LastRows();
  std::vector<Block> old = std::move(blocks_);
  blocks_.clear();
  std::vector<size_t> byLastRow;
  for (size_t b = 0; b < old.size(); ++b) {
    if (lastRow[b] == kUnused)
      old[b].bytes.reset();
    else
      byLastRow.push_back(b);
  }
  std::sort(byLastRow.begin(), byLastRow.end(),
            [&](size_t a, size_t b) { return lastRow[a] < lastRow[b]; });
  live_ = 0;
  size_t next = 0;
  size_t i = 0;
  try {
    for (; i < rows_.size(); ++i) {
      rows_[i] = Keep(rows_[i]);
      while (next < byLastRow.size() && lastRow[byLastRow[next]] == i)
        old[byLastRow[next++]].bytes.reset();
    }
  } catch (...) {
    // Out of memory: the rows not yet copied stay where they were.
    for (; i < rows_.size(); ++i) live_ += rows_[i].size();
    std::vector<Block> kept;
    for (Block& block : old)
      if (block.bytes) kept.push_back(std::move(block));
    blocks_.insert(blocks_.begin(), std::make_move_iterator(kept.begin()),
                   std::make_move_iterator(kept.end()));
    size_t held = 0;
    for (const Block& block : blocks_) held += block.used;
    garbage_ = held - live_;
    throw;
  }
  garbage_ = 0;
  checkAt_ = kCompactFloor;
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
