#pragma once

// When the recovery copy is written, and writing it away from the window's
// thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "document/line_store.h"

namespace velorin {

// How long a change may wait for the recovery copy.
inline constexpr int64_t kAutosaveIntervalMs = 30000;

// Decides, from what the window reports on each tick, whether to write the
// copy now, remove it, or wait. revision grows with every change of the lines
// or the session; needed says whether the document holds changes that no
// save or load has settled.
class AutosaveSchedule {
 public:
  enum class Action { None, Write, Remove };

  explicit AutosaveSchedule(int64_t intervalMs = kAutosaveIntervalMs) : interval_(intervalMs) {}

  // A change waits at most the interval after it was first seen; a copy
  // that is no longer needed goes. Nothing happens while busy (a write is
  // under way); the write returned is taken to have happened.
  Action Tick(uint64_t revision, bool needed, int64_t nowMs, bool busy);
  // Before something risky: write now if the copy is behind.
  Action Checkpoint(uint64_t revision, bool needed, bool busy);
  // A write failed: the revision is still to be written (at the next
  // interval).
  void WriteFailed(int64_t nowMs);
  // A copy of revision is on disk already (restored from it).
  void Adopt(uint64_t revision) {
    written_ = revision;
    hasCopy_ = true;
    changeSeen_.reset();
  }
  // Whether a copy is on disk (or being written).
  bool HasCopy() const { return hasCopy_; }

 private:
  Action Write(uint64_t revision);

  int64_t interval_;
  bool hasCopy_ = false;
  std::optional<uint64_t> written_;     // the revision of the copy
  std::optional<int64_t> changeSeen_;   // when a revision other than written_ was first seen
};

// Copies a document's lines a piece at a time, so that the window's thread
// never spends long on one piece; when the lines change between pieces (their
// revision differs) the copy starts over.
class IncrementalCopy {
 public:
  void Start(const LineStore& lines, uint64_t revision);
  // Copies up to rows more rows; true when the copy is complete.
  bool Step(const LineStore& lines, uint64_t revision, size_t rows);
  bool Active() const { return active_; }
  // The complete copy; the copy is inactive after.
  LineStore Take();
  void Stop();

 private:
  LineStore copy_;
  size_t next_ = 0;
  uint64_t revision_ = 0;
  bool active_ = false;
};

// Runs one job at a time on a worker thread; the window's thread only starts
// jobs and collects their outcome.
class BackgroundWriter {
 public:
  BackgroundWriter() = default;
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Starts job; a job already running is waited for first. The job gets a
  // flag it should look at now and then: set, it should stop.
  void Start(std::function<void(const std::atomic<bool>& cancel)> job);
  bool Busy() const { return busy_.load(std::memory_order_acquire); }
  // The error message of the last finished job that failed, once.
  std::optional<std::string> TakeError();
  // Asks the running job to stop.
  void Cancel() { cancel_.store(true, std::memory_order_relaxed); }
  // Waits until no job runs.
  void Wait();

 private:
  std::thread thread_;
  std::atomic<bool> busy_{false};
  std::atomic<bool> cancel_{false};
  std::mutex mutex_;
  std::optional<std::string> error_;
};

}  // namespace velorin
