#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "document/change_journal.h"

namespace velorin {

class SubtitleList;

// The steps a user can take back and do again. The document writes its
// changes into Pending() while a command runs; the command's end makes them
// one step named after it. The oldest steps go when there are more than
// maxSteps or they take more than budgetBytes (the newest step stays).
class UndoHistory {
 public:
  explicit UndoHistory(size_t budgetBytes = size_t{256} << 20, size_t maxSteps = 100)
      : budget_(budgetBytes), maxSteps_(maxSteps) {}

  ChangeSet& Pending() { return pending_; }
  // Makes the pending changes a step; false when there were none. A new step
  // drops the steps that were undone.
  bool Commit(std::string name);
  // Forgets everything, pending changes included (a new document).
  void Clear();

  bool CanUndo() const { return !done_.empty(); }
  bool CanRedo() const { return !undone_.empty(); }
  const std::string& UndoName() const { return done_.back().name; }
  const std::string& RedoName() const { return undone_.back().name; }
  // Takes the newest step back, or does the newest undone step again, on doc;
  // returns the rows it touched (selected in doc).
  std::vector<int> Undo(SubtitleList& doc);
  std::vector<int> Redo(SubtitleList& doc);

  size_t Steps() const { return done_.size() + undone_.size(); }
  size_t Bytes() const { return bytes_; }

 private:
  struct Step {
    std::string name;
    ChangeSet changes;
  };
  void Trim();

  ChangeSet pending_;
  std::deque<Step> done_;
  std::vector<Step> undone_;
  size_t bytes_ = 0;
  size_t budget_;
  size_t maxSteps_;
};

}  // namespace velorin
