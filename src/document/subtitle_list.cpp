#include "document/subtitle_list.h"

#include <algorithm>

#include "document/change_journal.h"
#include "document/error.h"

namespace velorin {

void SubtitleList::CheckRow(int row) const {
  if (row < 0 || row >= Count()) ThrowIndexOutOfBounds(row);
}

std::string_view SubtitleList::Line(int row) const {
  CheckRow(row);
  return lines_[static_cast<size_t>(row)];
}

void SubtitleList::Replace(int row, std::string_view line) {
  CheckRow(row);
  ++revision_;
  const auto at = static_cast<size_t>(row);
  if (journal_) journal_->Replaced(row, lines_[at], line);
  lines_.Replace(at, line);
  selected_[at] = 0;
}

void SubtitleList::Insert(int row, std::string_view line) {
  if (row < 0 || row > Count()) ThrowIndexOutOfBounds(row);
  ++revision_;
  if (journal_) journal_->Inserted(row, line);
  lines_.Insert(static_cast<size_t>(row), line);
  selected_.insert(selected_.begin() + row, 0);
  if (cursor_ >= row) ++cursor_;
}

void SubtitleList::Delete(int row) {
  CheckRow(row);
  ++revision_;
  if (journal_) journal_->Deleted(row, lines_[static_cast<size_t>(row)]);
  lines_.Erase(static_cast<size_t>(row));
  selected_.erase(selected_.begin() + row);
  if (cursor_ >= Count()) cursor_ = Count() - 1;
}

void SubtitleList::SetEncoding(TextEncoding encoding) {
  if (encoding == encoding_) return;
  if (journal_) journal_->EncodingChanged(encoding_, encoding);
  encoding_ = encoding;
}

void SubtitleList::Add(std::string_view line) {
  ++revision_;
  if (journal_) journal_->Inserted(Count(), line);
  lines_.push_back(line);
  selected_.push_back(0);
}

void SubtitleList::Clear() {
  ++revision_;
  if (journal_ && !lines_.empty()) journal_->Reassigned(lines_, LineStore());
  lines_.Clear();
  selected_.clear();
  selected_.shrink_to_fit();
  cursor_ = -1;
}

void SubtitleList::Assign(std::vector<std::string> lines) {
  ++revision_;
  if (journal_) journal_->Reassigned(lines_, lines);
  lines_ = LineStore(lines);
  selected_.assign(lines_.size(), 0);
  cursor_ = -1;
}

void SubtitleList::Assign(LineStore&& lines) {
  ++revision_;
  if (journal_) journal_->Reassigned(lines_, lines);
  lines_ = std::move(lines);
  selected_.assign(lines_.size(), 0);
  cursor_ = -1;
}

std::vector<std::string> SubtitleList::TakeLines() {
  ++revision_;
  if (journal_ && !lines_.empty()) journal_->Reassigned(lines_, LineStore());
  std::vector<std::string> out = lines_.ToVector();
  lines_.Clear();
  selected_.clear();
  cursor_ = -1;
  return out;
}

bool SubtitleList::Selected(int row) const {
  CheckRow(row);
  return selected_[row] != 0;
}

void SubtitleList::SetSelected(int row, bool selected) {
  CheckRow(row);
  selected_[row] = selected ? 1 : 0;
}

void SubtitleList::SelectOnly(int row) {
  CheckRow(row);
  std::fill(selected_.begin(), selected_.end(), 0);
  selected_[row] = 1;
  cursor_ = row;
}

void SubtitleList::SelectAll() { std::fill(selected_.begin(), selected_.end(), 1); }

void SubtitleList::ClearSelection() { std::fill(selected_.begin(), selected_.end(), 0); }

int SubtitleList::SelectedCount() const {
  return static_cast<int>(std::count(selected_.begin(), selected_.end(), 1));
}

std::vector<int> SubtitleList::SelectedRows() const {
  std::vector<int> rows;
  for (int i = 0; i < Count(); ++i)
    if (selected_[i]) rows.push_back(i);
  return rows;
}

void SubtitleList::DeleteSelected() {
  DeleteRows(std::vector<char>(selected_));
  ClearSelection();
}

void SubtitleList::DeleteRows(const std::vector<char>& flags) {
  if (flags.size() != lines_.size()) ThrowIndexOutOfBounds(static_cast<long long>(flags.size()));
  ++revision_;
  if (journal_) {
    std::vector<int> rows;
    for (size_t i = 0; i < flags.size(); ++i)
      if (flags[i]) rows.push_back(static_cast<int>(i));
    if (!rows.empty()) journal_->DeletedRows(rows, lines_);
  }
  lines_.RemoveRows(flags);
  size_t out = 0;
  for (size_t i = 0; i < selected_.size(); ++i)
    if (!flags[i]) selected_[out++] = selected_[i];
  selected_.resize(out);
  if (cursor_ >= Count()) cursor_ = Count() - 1;
}

void SubtitleList::Permute(const std::vector<uint32_t>& order) {
  if (order.size() != lines_.size()) ThrowIndexOutOfBounds(static_cast<long long>(order.size()));
  ++revision_;
  if (journal_) journal_->Permuted(order);
  lines_.Permute(order);
  selected_.assign(lines_.size(), 0);
}

}  // namespace velorin
