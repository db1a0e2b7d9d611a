#include "document/block_writer.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "document/subtitle_file.h"

namespace velorin {

namespace {

constexpr unsigned kMostWorkers = 4;

// Threads joined when they go out of scope, however it is left.
class JoinedThreads {
 public:
  JoinedThreads() = default;
  JoinedThreads(const JoinedThreads&) = delete;
  JoinedThreads& operator=(const JoinedThreads&) = delete;
  ~JoinedThreads() {
    for (std::thread& t : threads_) t.join();
  }
  template <typename Fn>
  void Start(Fn&& fn) {
    threads_.emplace_back(std::forward<Fn>(fn));
  }

 private:
  std::vector<std::thread> threads_;
};

// Where the block that starts at from ends: after the first LF at or past
// from + size, or where bytes end.
size_t BlockEnd(std::string_view bytes, size_t from, size_t size) {
  if (bytes.size() - from <= size) return bytes.size();
  const size_t at = from + size - 1;
  const void* lf = std::memchr(bytes.data() + at, '\n', bytes.size() - at);
  return lf ? static_cast<size_t>(static_cast<const char*>(lf) - bytes.data()) + 1 : bytes.size();
}

void WriteBlocksHere(std::string_view bytes, const BlockFn& make, const ByteSink& sink,
                     size_t blockBytes) {
  std::string out;
  for (size_t from = 0; from < bytes.size();) {
    const size_t end = BlockEnd(bytes, from, blockBytes);
    out.clear();
    make(bytes.substr(from, end - from), out);
    sink(out);
    from = end;
  }
}

// The blocks being made, claimed in order by the workers; each worker writes
// its own block's output when every block before it has been written, so an
// output is written from the cache of the processor that made it.
class BlockQueue {
 public:
  BlockQueue(std::string_view bytes, size_t blockBytes) : bytes_(bytes), blockBytes_(blockBytes) {}

  // A worker's loop: claims the next block, makes it, writes it in its turn.
  void Work(const BlockFn& make, const ByteSink& sink) {
    std::string out;
    for (;;) {
      std::unique_lock lock(mutex_);
      if (stop_ || next_ >= bytes_.size()) return;
      const size_t end = BlockEnd(bytes_, next_, blockBytes_);
      const std::string_view block = bytes_.substr(next_, end - next_);
      const size_t index = claimed_++;
      next_ = end;
      lock.unlock();
      out.clear();
      std::exception_ptr error;
      try {
        make(block, out);
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      turn_.wait(lock, [&] { return stop_ || written_ == index; });
      if (stop_) return;
      lock.unlock();
      if (!error) {
        try {
          sink(out);
        } catch (...) {
          error = std::current_exception();
        }
      }
      lock.lock();
      if (error) {
        error_ = error;
        stop_ = true;
      }
      ++written_;
      turn_.notify_all();
    }
  }

  void Stop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    turn_.notify_all();
  }

  // What stopped the writing, after the workers are joined.
  void RethrowFault() const {
    if (error_) std::rethrow_exception(error_);
  }

 private:
  const std::string_view bytes_;
  const size_t blockBytes_;
  std::mutex mutex_;
  std::condition_variable turn_;
  size_t next_ = 0;     // the first byte not yet claimed
  size_t claimed_ = 0;  // blocks claimed
  size_t written_ = 0;  // blocks written
  bool stop_ = false;
  std::exception_ptr error_;  // the first fault, in the order of the blocks
};

}  // namespace

unsigned DefaultBlockWorkers() {
  return std::clamp(std::thread::hardware_concurrency(), 1u, kMostWorkers);
}

void WriteBlocksInOrder(std::string_view bytes, const BlockFn& make, const ByteSink& sink,
                        unsigned workers, size_t blockBytes) {
  blockBytes = std::max<size_t>(blockBytes, 1);
  if (workers == 0) workers = DefaultBlockWorkers();
  if (workers <= 1 || bytes.size() < 2 * blockBytes) return WriteBlocksHere(bytes, make, sink, blockBytes);
  BlockQueue queue(bytes, blockBytes);
  {
    // This thread is one of the workers; the others are joined however its
    // own part ends, and stopped first when it ends by an exception.
    JoinedThreads threads;
    try {
      for (unsigned k = 1; k < workers; ++k) threads.Start([&] { queue.Work(make, sink); });
      queue.Work(make, sink);
    } catch (...) {
      queue.Stop();
      throw;
    }
  }
  queue.RethrowFault();
}

bool IsValidUtf8InParts(std::string_view bytes, unsigned workers) {
  constexpr size_t kLeast = size_t{1} << 20;  // below this a thread costs more than it saves
  if (workers == 0) workers = DefaultBlockWorkers();
  workers = static_cast<unsigned>(std::min<size_t>(workers, bytes.size() / kLeast + 1));
  if (workers <= 1) return IsValidUtf8(bytes);
  // Each part but the first begins at a byte that starts a character (or at
  // the fourth of a run of continuation bytes, which no valid text has): no
  // valid character then spans two parts, and the bytes are valid exactly
  // when every part is.
  std::vector<size_t> cuts{0};
  for (unsigned k = 1; k < workers; ++k) {
    size_t at = std::max(cuts.back(), bytes.size() / workers * k);
    for (int back = 0; back < 3 && at > cuts.back() && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80;
         ++back)
      --at;
    cuts.push_back(at);
  }
  cuts.push_back(bytes.size());
  std::vector<char> valid(workers, 0);
  {
    JoinedThreads threads;
    for (unsigned k = 1; k < workers; ++k)
      threads.Start([&, k] { valid[k] = IsValidUtf8(bytes.substr(cuts[k], cuts[k + 1] - cuts[k])); });
    valid[0] = IsValidUtf8(bytes.substr(0, cuts[1]));
  }
  return std::all_of(valid.begin(), valid.end(), [](char v) { return v != 0; });
}

}  // namespace velorin
