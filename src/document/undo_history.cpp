#include "document/undo_history.h"

#include "document/subtitle_list.h"

namespace velorin {

bool UndoHistory::Commit(std::string name) {
  if (pending_.Empty()) return false;
  for (const Step& s : undone_) bytes_ -= s.changes.Bytes();
  undone_.clear();
  Step step{std::move(name), {}};
  step.changes.Append(std::move(pending_));
  bytes_ += step.changes.Bytes();
  done_.push_back(std::move(step));
  Trim();
  return true;
}

void UndoHistory::Clear() {
  pending_ = ChangeSet();
  done_.clear();
  undone_.clear();
  bytes_ = 0;
}

void UndoHistory::Trim() {
  while (done_.size() > 1 && (Steps() > maxSteps_ || bytes_ > budget_)) {
    bytes_ -= done_.front().changes.Bytes();
    done_.pop_front();
  }
}

std::vector<int> UndoHistory::Undo(SubtitleList& doc) {
  if (done_.empty()) return {};
  Step step = std::move(done_.back());
  done_.pop_back();
  std::vector<int> rows = step.changes.Undo(doc);
  undone_.push_back(std::move(step));
  return rows;
}

std::vector<int> UndoHistory::Redo(SubtitleList& doc) {
  if (undone_.empty()) return {};
  Step step = std::move(undone_.back());
  undone_.pop_back();
  std::vector<int> rows = step.changes.Redo(doc);
  done_.push_back(std::move(step));
  return rows;
}

}  // namespace velorin
