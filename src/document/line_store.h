#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velorin {

// Walks rows of anything whose operator[] gives a line's bytes.
template <typename Lines>
class RowIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = std::string_view;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = std::string_view;

  RowIterator() = default;
  RowIterator(const Lines* lines, size_t row) : lines_(lines), row_(row) {}
  std::string_view operator*() const { return (*lines_)[row_]; }
  RowIterator& operator++() {
    ++row_;
    return *this;
  }
  RowIterator operator++(int) {
    RowIterator old = *this;
    ++row_;
    return old;
  }
  bool operator==(const RowIterator& other) const { return row_ == other.row_; }

 private:
  const Lines* lines_ = nullptr;
  size_t row_ = 0;
};

// The lines of a document, their bytes packed into large blocks instead of a
// heap string each: a million-line file costs its bytes plus 9 bytes a row (a
// pointer and the length before the bytes), and loading it about a hundred
// allocations instead of a million.
//
// A row points into a block. Blocks never move, so changing one row leaves
// the views of the others valid. The bytes of replaced and deleted lines stay
// behind as garbage: a block none of whose bytes are used any more is freed at
// once, and when the garbage exceeds a quarter of the rows' bytes (and 4 MiB)
// the rows are copied into new blocks. A view taken from operator[] or an
// iterator is therefore valid until the store next changes.
class LineStore {
 public:
  using value_type = std::string_view;
  using const_iterator = RowIterator<LineStore>;
  using iterator = const_iterator;

  LineStore() = default;
  explicit LineStore(const std::vector<std::string>& lines);
  LineStore(const LineStore& other);
  LineStore& operator=(const LineStore& other);
  LineStore(LineStore&& other) noexcept;
  LineStore& operator=(LineStore&& other) noexcept;
  ~LineStore() = default;

  size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  std::string_view operator[](size_t row) const { return View(rows_[row]); }
  std::string_view front() const { return View(rows_.front()); }
  std::string_view back() const { return View(rows_.back()); }
  const char* const* data() const { return rows_.data(); }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, rows_.size()}; }

  // A copy as separate strings, for code that takes the lines out to rebuild
  // them. The conversion is implicit for tests that compare with a vector;
  // code that only reads the lines takes a LineSpan, which copies nothing.
  std::vector<std::string> ToVector() const;
  operator std::vector<std::string>() const { return ToVector(); }

  void reserve(size_t rows) { rows_.reserve(rows); }
  void push_back(std::string_view line);
  void Insert(size_t row, std::string_view line);
  void Replace(size_t row, std::string_view line);
  void Erase(size_t row);
  void Clear();
  // Removes the rows whose flag is set (flags has a flag for every row).
  void RemoveRows(const std::vector<char>& flags);
  // Puts lines in at the given rows, which count in the result and ascend.
  void InsertRows(const std::vector<std::pair<int, std::string_view>>& lines);
  // New row i becomes old row order[i]; order is a permutation of the rows.
  void Permute(const std::vector<uint32_t>& order);

  // Bytes the rows hold, and bytes of replaced and deleted lines not yet
  // reclaimed.
  size_t LiveBytes() const { return live_; }
  size_t GarbageBytes() const { return garbage_; }

 private:
  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    size_t used = 0;
    size_t written = 0;           // bytes of lines put in it (without their lengths)
    size_t live = 0;              // of them, bytes of rows that lie in it
    const char* start = nullptr;  // where it was, also once freed
  };
  using Blocks = std::vector<std::unique_ptr<Block>>;  // in the order of their addresses

  // A row: the line's length (seven bits a byte, the high bit set on all but
  // the last) followed by its bytes; null for an empty line.
  static std::string_view View(const char* row) {
    if (!row) return {};
    size_t n = 0;
    for (int shift = 0;; shift += 7) {
      const auto b = static_cast<unsigned char>(*row++);
      n |= size_t{b & 0x7Fu} << shift;
      if (!(b & 0x80u)) break;
    }
    return {row, n};
  }
  // Copies a line to the free end of the current block (or a new one).
  const char* Keep(std::string_view bytes);
  Block& AddBlock(size_t size);
  // Counts a row's bytes as garbage; a block no row uses any more is freed.
  void Discard(const char* row);
  static size_t Find(const Blocks& blocks, const char* at);
  void MaybeCompact();
  void Compact();

  Blocks blocks_;
  Block* current_ = nullptr;  // the block filled next
  std::vector<const char*> rows_;
  size_t live_ = 0;
  size_t garbage_ = 0;
};

bool operator==(const LineStore& a, const LineStore& b);
bool operator==(const LineStore& a, const std::vector<std::string>& b);
// One line per row, quoted (test failures print the lines).
std::ostream& operator<<(std::ostream& out, const LineStore& lines);

// The lines a function reads, whether a document's store or a vector of
// strings, without copying either: taken by value, valid while they are (a
// braced list of lines until the end of the call it is written in).
class LineSpan {
 public:
  LineSpan() = default;
  LineSpan(const std::initializer_list<std::string_view>& lines) : size_(lines.size()) {
    views_ = std::data(lines);
  }
  LineSpan(const LineStore& lines) : store_(&lines), size_(lines.size()) {}
  LineSpan(const std::vector<std::string>& lines) : strings_(lines.data()), size_(lines.size()) {}
  LineSpan(const std::vector<std::string_view>& lines)
      : views_(lines.data()), size_(lines.size()) {}

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::string_view operator[](size_t row) const {
    return store_ ? (*store_)[row] : strings_ ? std::string_view(strings_[row]) : views_[row];
  }
  std::string_view front() const { return (*this)[0]; }
  std::string_view back() const { return (*this)[size_ - 1]; }

  using const_iterator = RowIterator<LineSpan>;
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size_}; }

 private:
  const LineStore* store_ = nullptr;
  const std::string* strings_ = nullptr;
  const std::string_view* views_ = nullptr;
  size_t size_ = 0;
};

}  // namespace velorin
