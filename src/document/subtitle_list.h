#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/line_store.h"
#include "document/text_encoding.h"

namespace velorin {

class ChangeSet;

// Reports progress of a long loop over the list: rows done of total. Loops call
// it every few thousand rows; the window side decides how often to repaint.
using ProgressFn = std::function<void(size_t done, size_t total)>;

// How often core loops report progress, in rows.
inline constexpr size_t kProgressStride = 4096;

// The document: subtitle lines as raw bytes in file order, a selection flag per
// row and the cursor row (the focused row, -1 when there is none). Mirrors the
// main window's list box; the window pushes changes to its view at command
// boundaries.
//
// A line read from Line() or Lines() is a view of the list's bytes: valid until
// the list next changes.
class SubtitleList {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  bool Empty() const { return lines_.empty(); }

  std::string_view Line(int row) const;
  const LineStore& Lines() const { return lines_; }
  // Grows with every change of the lines (never with selection or cursor):
  // whoever keeps a copy of them can tell whether it is still current.
  uint64_t Revision() const { return revision_; }

  // Puts a new line at row and leaves that row unselected.
  void Replace(int row, std::string_view line);
  void Insert(int row, std::string_view line);
  void Delete(int row);
  void Add(std::string_view line);
  void Clear();
  // Replaces the whole content; nothing selected, no cursor.
  void Assign(std::vector<std::string> lines);
  void Assign(LineStore&& lines);
  // Takes the lines out, leaving the list empty.
  std::vector<std::string> TakeLines();

  bool Selected(int row) const;
  void SetSelected(int row, bool selected);
  void SelectOnly(int row);  // also moves the cursor row
  void SelectAll();
  void ClearSelection();
  int SelectedCount() const;
  std::vector<int> SelectedRows() const;
  const std::vector<char>& SelectionFlags() const { return selected_; }

  int CursorRow() const { return cursor_; }
  void SetCursorRow(int row) { cursor_ = row; }

  // Removes every selected row, keeping the order of the others.
  void DeleteSelected();
  // Removes the rows whose flag is set (a flag for every row); the others
  // keep their order and selection.
  void DeleteRows(const std::vector<char>& flags);
  // Reorders the rows: new row i is old row order[i]. Nothing selected after.
  void Permute(const std::vector<uint32_t>& order);

  // While a journal is set, every change of the lines is also written to it
  // (selection and cursor are not), so that it can be taken back.
  void SetJournal(ChangeSet* journal) { journal_ = journal; }
  ChangeSet* Journal() const { return journal_; }

  // The encoding of the document's text: how its bytes are shown and how
  // typed text is written back. Setting it converts nothing; it is written to
  // the journal, so that taking back a conversion also takes back its encoding.
  TextEncoding Encoding() const { return encoding_; }
  void SetEncoding(TextEncoding encoding);
  bool IsUtf8() const { return encoding_ == TextEncoding::Utf8; }
  // UTF-8, or the default 8-bit code page.
  void SetUtf8(bool utf8) { SetEncoding(utf8 ? TextEncoding::Utf8 : kDefaultEightBitEncoding); }
  // Whether the file was UTF-16: the lines hold its UTF-8, which is also what
  // a save writes (for the status bar to say so).
  bool IsFromUtf16() const { return fromUtf16_; }
  void SetFromUtf16(bool fromUtf16) { fromUtf16_ = fromUtf16; }

 private:
  friend class ChangeSet;
  void CheckRow(int row) const;

  LineStore lines_;
  uint64_t revision_ = 0;
  std::vector<char> selected_;
  int cursor_ = -1;
  TextEncoding encoding_ = kDefaultEightBitEncoding;
  bool fromUtf16_ = false;
  ChangeSet* journal_ = nullptr;
};

}  // namespace velorin
