#include "document/autosave.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace velorin {

AutosaveSchedule::Action AutosaveSchedule::Tick(uint64_t revision, bool needed, int64_t nowMs,
                                                bool busy) {
  if (busy) return Action::None;
  if (!needed) {
    changeSeen_.reset();
    written_.reset();
    if (!hasCopy_) return Action::None;
    hasCopy_ = false;
    return Action::Remove;
  }
  if (written_ == revision) {
    changeSeen_.reset();
    return Action::None;
  }
  if (!changeSeen_) changeSeen_ = nowMs;
  if (nowMs - *changeSeen_ < interval_) return Action::None;
  return Write(revision);
}

AutosaveSchedule::Action AutosaveSchedule::Checkpoint(uint64_t revision, bool needed, bool busy) {
  if (busy || !needed || written_ == revision) return Action::None;
  return Write(revision);
}

void AutosaveSchedule::WriteFailed(int64_t nowMs) {
  written_.reset();
  changeSeen_ = nowMs;
}

AutosaveSchedule::Action AutosaveSchedule::Write(uint64_t revision) {
  written_ = revision;
  hasCopy_ = true;
  changeSeen_.reset();
  return Action::Write;
}

void IncrementalCopy::Start(const LineStore& lines, uint64_t revision) {
  copy_ = LineStore();
  copy_.reserve(lines.size());
  next_ = 0;
  revision_ = revision;
  active_ = true;
}

bool IncrementalCopy::Step(const LineStore& lines, uint64_t revision, size_t rows) {
  if (!active_ || revision != revision_) Start(lines, revision);
  const size_t end = std::min(lines.size(), next_ + rows);
  for (; next_ < end; ++next_) copy_.push_back(lines[next_]);
  return next_ == lines.size();
}

LineStore IncrementalCopy::Take() {
  active_ = false;
  return std::move(copy_);
}

void IncrementalCopy::Stop() {
  active_ = false;
  copy_ = LineStore();
}

BackgroundWriter::~BackgroundWriter() { Wait(); }

void BackgroundWriter::Start(std::function<void(const std::atomic<bool>& cancel)> job) {
  Wait();
  cancel_.store(false, std::memory_order_relaxed);
  busy_.store(true, std::memory_order_release);
  thread_ = std::thread([this, job = std::move(job)] {
    std::optional<std::string> error;
    try {
      job(cancel_);
    } catch (const std::exception& e) {
      error = e.what();
    } catch (...) {
      error = "unknown error";
    }
    {
      std::lock_guard lock(mutex_);
      error_ = std::move(error);
    }
    busy_.store(false, std::memory_order_release);
  });
}

std::optional<std::string> BackgroundWriter::TakeError() {
  std::lock_guard lock(mutex_);
  return std::exchange(error_, std::nullopt);
}

void BackgroundWriter::Wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace velorin
