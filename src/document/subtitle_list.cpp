#include "document/subtitle_list.h"

#include <algorithm>

#include "document/change_journal.h"
#include "document/error.h"

namespace velorin {

void SubtitleList::CheckRow(int row) const {
  if (row < 0 || row >= Count()) ThrowIndexOutOfBounds(row);
}

const std::string& SubtitleList::Line(int row) const {
  CheckRow(row);
  return lines_[row];
}

void SubtitleList::Replace(int row, std::string line) {
  CheckRow(row);
  if (journal_) journal_->Replaced(row, lines_[row], line);
  lines_[row] = std::move(line);
  selected_[row] = 0;
}

void SubtitleList::Insert(int row, std::string line) {
  if (row < 0 || row > Count()) ThrowIndexOutOfBounds(row);
  if (journal_) journal_->Inserted(row, line);
  lines_.insert(lines_.begin() + row, std::move(line));
  selected_.insert(selected_.begin() + row, 0);
  if (cursor_ >= row) ++cursor_;
}

void SubtitleList::Delete(int row) {
  CheckRow(row);
  if (journal_) journal_->Deleted(row, lines_[row]);
  lines_.erase(lines_.begin() + row);
  selected_.erase(selected_.begin() + row);
  if (cursor_ >= Count()) cursor_ = Count() - 1;
}

void SubtitleList::Add(std::string line) {
  if (journal_) journal_->Inserted(Count(), line);
  lines_.push_back(std::move(line));
  selected_.push_back(0);
}

void SubtitleList::Clear() {
  if (journal_ && !lines_.empty()) journal_->Reassigned(lines_, {});
  lines_.clear();
  lines_.shrink_to_fit();
  selected_.clear();
  selected_.shrink_to_fit();
  cursor_ = -1;
}

void SubtitleList::Assign(std::vector<std::string> lines) {
  if (journal_) journal_->Reassigned(lines_, lines);
  lines_ = std::move(lines);
  selected_.assign(lines_.size(), 0);
  cursor_ = -1;
}

std::vector<std::string> SubtitleList::TakeLines() {
  if (journal_ && !lines_.empty()) journal_->Reassigned(lines_, {});
  std::vector<std::string> out = std::move(lines_);
  lines_.clear();
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
  if (journal_) {
    std::vector<int> rows = SelectedRows();
    if (!rows.empty()) journal_->DeletedRows(rows, lines_);
  }
  size_t out = 0;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!selected_[i]) {
      if (out != i) lines_[out] = std::move(lines_[i]);
      ++out;
    }
  }
  lines_.resize(out);
  selected_.assign(out, 0);
  if (cursor_ >= Count()) cursor_ = Count() - 1;
}

void SubtitleList::Permute(const std::vector<uint32_t>& order) {
  if (order.size() != lines_.size()) ThrowIndexOutOfBounds(static_cast<long long>(order.size()));
  if (journal_) journal_->Permuted(order);
  std::vector<std::string> out(lines_.size());
  for (size_t i = 0; i < order.size(); ++i) out[i] = std::move(lines_.at(order[i]));
  lines_ = std::move(out);
  selected_.assign(lines_.size(), 0);
}

}  // namespace velorin
