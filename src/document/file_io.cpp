#include "document/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

#include "document/error.h"

namespace velorin {

namespace {

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

InputFile::InputFile(std::string path) : path_(std::move(path)) {
  // Without O_NONBLOCK opening a FIFO would wait for a writer.
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) ThrowFileError(path_, errno);
  struct stat st {};
  int error = 0;
  if (::fstat(fd_, &st) != 0) {
    error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    error = EISDIR;
  } else if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > kMaxInputBytes) {
    error = EFBIG;
  } else if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) {
    ::close(fd_);
    throw Error("Not a regular file: " + path_);
  }
  if (error != 0) {
    ::close(fd_);
    ThrowFileError(path_, error);
  }
  if (S_ISREG(st.st_mode)) size_ = static_cast<uint64_t>(st.st_size);
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

InputFile::~InputFile() { ::close(fd_); }

size_t InputFile::Read(char* buffer, size_t size) {
  for (;;) {
    ssize_t n = ::read(fd_, buffer, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(path_, errno);
    }
    done_ += static_cast<uint64_t>(n);
    if (done_ > kMaxInputBytes) ThrowFileError(path_, EFBIG);
    return static_cast<size_t>(n);
  }
}

std::string ReadFileBytes(const std::string& path) {
  InputFile file(path);
  // Straight into the string: a regular file in one read of its size (and
  // one more to see its end), a pipe in growing steps.
  std::string out(std::max<size_t>(static_cast<size_t>(file.Size()) + 1, size_t{1} << 16), '\0');
  size_t have = 0;
  while (size_t n = file.Read(out.data() + have, out.size() - have)) {
    have += n;
    if (have == out.size()) out.resize(out.size() * 2);
  }
  out.resize(have);
  return out;
}

// --- Mapped input ----------------------------------------------------------

namespace {

// The mappings being read, as the SIGBUS handler sees them: a file cut short
// under its mapping faults on the pages past its new end.
struct MappedRange {
  std::atomic<char*> begin{nullptr};
  std::atomic<size_t> size{0};
  volatile sig_atomic_t cut = 0;
};
constexpr int kMappedSlots = 16;
MappedRange mappedRanges[kMappedSlots];
struct sigaction previousBus {};
std::atomic<bool> busHandlerInstalled{false};

void OnBusError(int signal, siginfo_t* info, void* context) {
  auto* const at = static_cast<char*>(info->si_addr);
  const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  for (MappedRange& r : mappedRanges) {
    char* const begin = r.begin.load();
    const size_t size = r.size.load();
    if (!begin || at < begin || at >= begin + size) continue;
    // Zeros in place of the missing pages, from the faulting one to the end;
    // the reader learns of it from Check().
    auto* const from = reinterpret_cast<char*>(reinterpret_cast<uintptr_t>(at) & ~(page - 1));
    const size_t rest = static_cast<size_t>(begin + size - from);
    if (::mmap(from, rest, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      r.cut = 1;
      return;
    }
  }
  // Not a mapping of ours: as the program would have handled it.
  if (previousBus.sa_flags & SA_SIGINFO) {
    previousBus.sa_sigaction(signal, info, context);
  } else if (previousBus.sa_handler != SIG_DFL && previousBus.sa_handler != SIG_IGN) {
    previousBus.sa_handler(signal);
  } else {
    // The faulting access runs again and ends the program as by default.
    ::signal(signal, SIG_DFL);
  }
}

void InstallBusHandler() {
  if (busHandlerInstalled.exchange(true)) return;
  struct sigaction ours {};
  ours.sa_sigaction = OnBusError;
  ours.sa_flags = SA_SIGINFO | SA_NODEFER;
  ::sigemptyset(&ours.sa_mask);
  ::sigaction(SIGBUS, &ours, &previousBus);
}

#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22
#endif

}  // namespace

FileBytes::FileBytes(Held held) : owned_(std::move(held.bytes)), view_(owned_) {}

FileBytes::FileBytes(InputFile& file, const std::string& path) : path_(path) { Map(file); }

FileBytes::FileBytes(const std::string& path) : path_(path) {
  InputFile file(path);
  Map(file);
  if (map_) return;
  // A pipe, a file of no stated size, or a file the system would not map.
  owned_.resize(std::max<size_t>(static_cast<size_t>(file.Size()) + 1, size_t{1} << 16));
  size_t have = 0;
  while (size_t n = file.Read(owned_.data() + have, owned_.size() - have)) {
    have += n;
    if (have == owned_.size()) owned_.resize(owned_.size() * 2);
  }
  owned_.resize(have);
  view_ = owned_;
}

void FileBytes::Map(InputFile& file) {
  const size_t size = static_cast<size_t>(file.Size());
  if (size == 0) return;
  InstallBusHandler();
  for (int i = 0; i < kMappedSlots && slot_ < 0; ++i) {
    char* expected = nullptr;
    // Claimed with a placeholder until the mapping exists.
    if (mappedRanges[i].begin.compare_exchange_strong(expected, reinterpret_cast<char*>(1)))
      slot_ = i;
  }
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.Descriptor(), 0);
  if (map == MAP_FAILED) {
    if (slot_ >= 0) mappedRanges[std::exchange(slot_, -1)].begin.store(nullptr);
    return;
  }
  map_ = map;
  mapSize_ = size;
  if (slot_ >= 0) {
    mappedRanges[slot_].cut = 0;
    mappedRanges[slot_].size.store(size);
    mappedRanges[slot_].begin.store(static_cast<char*>(map_));
  }
  // Read once from start to end: read ahead far, then bring every page in at
  // once instead of a fault each.
  ::madvise(map_, size, MADV_SEQUENTIAL);
  ::madvise(map_, size, MADV_POPULATE_READ);
  view_ = std::string_view(static_cast<const char*>(map_), size);
}

FileBytes::~FileBytes() {
  if (!map_) return;
  if (slot_ >= 0) mappedRanges[slot_].begin.store(nullptr);
  ::munmap(map_, mapSize_);
}

void FileBytes::Release(size_t offset) {
  if (!map_) return;
  const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  const size_t upTo = std::min(offset, mapSize_) / page * page;
  if (upTo <= released_) return;
  ::madvise(static_cast<char*>(map_) + released_, upTo - released_, MADV_DONTNEED);
  released_ = upTo;
}

void FileBytes::Check() const {
  // Without a slot of its own (more mappings at once than there are slots) a
  // cut file ends the program by SIGBUS rather than going unnoticed.
  if (map_ && slot_ >= 0 && mappedRanges[slot_].cut)
    throw Error("The file changed while it was read: " + path_);
}

namespace {

// Temporary files are ".<target name>.velorin-XXXXXX": the marker keeps the
// clean-up of stale ones away from every other program's files.
constexpr std::string_view kTempMarker = ".velorin-";
constexpr size_t kTempRandom = 6;
// A target name is cut to this in the temporary name, which must stay within
// the 255 bytes a file name may have.
constexpr size_t kMaxTempBase = 200;
constexpr time_t kStaleSeconds = 3600;

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(path, errno);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// --- Removing the temporary file on a signal -------------------------------

// The temporary files being written, as the signal handler sees them: a
// save on the window's thread and the recovery copy's on a worker may run at
// once. A slot is free (0), being filled (1) or holds a file to remove (2).
// With every slot taken a save still works, only without the clean-up.
constexpr int kTempSlots = 4;
char tempPaths[kTempSlots][PATH_MAX];
std::atomic<int> tempState[kTempSlots];
static_assert(std::atomic<int>::is_always_lock_free, "used in a signal handler");
constexpr int kCleanupSignals[] = {SIGTERM, SIGINT, SIGHUP};

void RemoveTemporaryAndEnd(int signal) {
  for (int i = 0; i < kTempSlots; ++i)
    if (tempState[i].load() == 2) ::unlink(tempPaths[i]);
  // The signal stays blocked until the handler returns; then it ends the
  // program the way it would have without us.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t set;
    ::sigemptyset(&set);
    for (int s : kCleanupSignals) ::sigaddset(&set, s);
    ::pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
  SignalsBlocked(const SignalsBlocked&) = delete;
  SignalsBlocked& operator=(const SignalsBlocked&) = delete;

 private:
  sigset_t old_;
};

// Our handlers are in place while any temporary file exists, and only where
// the signal does what it does by default: a program that handles or ignores
// a signal itself keeps that.
class CleanupHandlers {
 public:
  static void Acquire() {
    std::lock_guard lock(mutex_);
    if (users_++ > 0) return;
    struct sigaction ours {};
    ours.sa_handler = RemoveTemporaryAndEnd;
    ::sigemptyset(&ours.sa_mask);
    for (size_t i = 0; i < std::size(kCleanupSignals); ++i) {
      installed_[i] = false;
      if (::sigaction(kCleanupSignals[i], nullptr, &old_[i]) != 0) continue;
      if ((old_[i].sa_flags & SA_SIGINFO) || old_[i].sa_handler != SIG_DFL) continue;
      installed_[i] = ::sigaction(kCleanupSignals[i], &ours, nullptr) == 0;
    }
  }
  static void Release() {
    std::lock_guard lock(mutex_);
    if (--users_ > 0) return;
    for (size_t i = 0; i < std::size(kCleanupSignals); ++i)
      if (installed_[i]) ::sigaction(kCleanupSignals[i], &old_[i], nullptr);
  }

 private:
  static inline std::mutex mutex_;
  static inline int users_ = 0;
  static inline struct sigaction old_[std::size(kCleanupSignals)]{};
  static inline bool installed_[std::size(kCleanupSignals)] = {};
};

// A temporary file beside the target. It is removed when the object goes,
// and by the cleanup signals while it exists, unless Release() says that it
// has become the target.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& pattern) {
    if (pattern.size() >= PATH_MAX) {
      error_ = ENAMETOOLONG;
      return;
    }
    CleanupHandlers::Acquire();
    for (int i = 0; i < kTempSlots && slot_ < 0; ++i) {
      int expected = 0;
      if (tempState[i].compare_exchange_strong(expected, 1)) slot_ = i;
    }
    SignalsBlocked blocked;
    std::vector<char> own(pattern.begin(), pattern.end());
    own.push_back('\0');
    char* name = slot_ >= 0 ? tempPaths[slot_] : own.data();
    std::memcpy(name, pattern.c_str(), pattern.size() + 1);
    fd_ = ::mkostemp(name, O_CLOEXEC);
    if (fd_ < 0) {
      error_ = errno;
      if (slot_ >= 0) tempState[slot_].store(0);
      slot_ = -1;
    } else {
      name_ = name;
      if (slot_ >= 0) tempState[slot_].store(2);
    }
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    Remove();
    if (error_ != ENAMETOOLONG) CleanupHandlers::Release();
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int Fd() const { return fd_; }
  int Error() const { return error_; }
  const std::string& Name() const { return name_; }

  void Close(const std::string& path) {
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) ThrowFileError(path, errno);
  }
  void Remove() {
    SignalsBlocked blocked;
    if (name_.empty() || released_) return;
    ::unlink(name_.c_str());
    Release();
  }
  void Release() {
    SignalsBlocked blocked;
    released_ = true;
    if (slot_ >= 0) tempState[slot_].store(0);
    slot_ = -1;
  }

 private:
  int fd_ = -1;
  int error_ = 0;
  int slot_ = -1;
  bool released_ = false;
  std::string name_;
};

// --- Where the bytes go ----------------------------------------------------

// The path a save writes: through symbolic links to the file they lead to,
// also when that file does not exist yet.
std::string FollowLinks(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::vector<char> buf(PATH_MAX);
    ssize_t n = ::readlink(current.c_str(), buf.data(), buf.size());
    if (n < 0) ThrowFileError(path, errno);
    if (static_cast<size_t>(n) >= buf.size()) ThrowFileError(path, ENAMETOOLONG);
    std::string target(buf.data(), static_cast<size_t>(n));
    if (target.empty()) ThrowFileError(path, ENOENT);
    if (target.front() != '/') {
      const size_t slash = current.rfind('/');
      target.insert(0, slash == std::string::npos ? "" : current.substr(0, slash + 1));
    }
    current = std::move(target);
  }
  ThrowFileError(path, ELOOP);
}

// Folder and file name of a path.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {path.substr(0, slash == 0 ? 1 : slash), path.substr(slash + 1)};
}

// A save must not turn a read-only file into a new writable one (the rename
// needs only the folder's permission). Root may write anything, so for root a
// file without any write bit counts as read-only.
void CheckWritable(const std::string& real, const std::string& path, const struct stat& st) {
  if (::faccessat(AT_FDCWD, real.c_str(), W_OK, AT_EACCESS) != 0) ThrowFileError(path, errno);
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) ThrowFileError(path, EACCES);
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Gives the temporary file the target's owner and group; false when the user
// may not (another user's file, a group the user is not in).
bool KeepOwner(int fd, const struct stat& target) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  if (st.st_uid == target.st_uid && st.st_gid == target.st_gid) return true;
  return ::fchown(fd, target.st_uid, target.st_gid) == 0;
}

void RemoveStaleTemporaries(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  const time_t now = ::time(nullptr);
  const uid_t me = ::geteuid();
  while (const dirent* entry = ::readdir(d)) {
    if (!IsSaveTemporaryName(entry->d_name)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(d), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(st.st_mode) && st.st_uid == me && st.st_mtime + kStaleSeconds < now)
      ::unlinkat(::dirfd(d), entry->d_name, 0);
  }
  ::closedir(d);
}

// After the rename: the folder's new entry must reach the disk too.
void SyncFolder(const std::string& dir, const std::string& path) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // a folder that cannot be read cannot be synced either
  const int result = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  if (result != 0 && error != EINVAL && error != EROFS) ThrowFileError(path, error);
}

std::string Gather(const std::function<void(const ByteSink&)>& fill) {
  std::string data;
  fill([&](std::string_view bytes) { data.append(bytes); });
  return data;
}

// Writes complete data into the file itself: the room is claimed first, so a
// full disk fails before a byte of the old content changes.
void WriteInPlace(const std::string& real, const std::string& path, std::string_view data) {
  const int fd = ::open(real.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) ThrowFileError(path, errno);
  FdCloser closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) ThrowFileError(path, errno);
  const off_t oldSize = st.st_size;
  const off_t newSize = static_cast<off_t>(data.size());
  if (newSize > oldSize && ::fallocate(fd, 0, oldSize, newSize - oldSize) != 0 &&
      errno != EOPNOTSUPP && errno != ENOSYS) {
    const int error = errno;
    if (::ftruncate(fd, oldSize) != 0) {
      // The old content is there all the same; only its size may have grown.
    }
    ThrowFileError(path, error);
  }
  off_t at = 0;
  while (at < newSize) {
    ssize_t n = ::pwrite(fd, data.data() + at, static_cast<size_t>(newSize - at), at);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(path, errno);
    }
    at += n;
  }
  if (::ftruncate(fd, newSize) != 0) ThrowFileError(path, errno);
  if (::fsync(fd) != 0) ThrowFileError(path, errno);
  closer.fd = -1;
  if (::close(fd) != 0) ThrowFileError(path, errno);
}

// A device or a FIFO (/dev/null, a pipe) is written into: renaming over it
// would put a plain file in its place. A FIFO nobody reads fails at once
// instead of waiting.
void WriteIntoDevice(const std::string& real, const std::string& path,
                     const std::function<void(const ByteSink&)>& fill) {
  const int fd = ::open(real.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) ThrowFileError(path, errno);
  FdCloser closer{fd};
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  fill([&](std::string_view bytes) { WriteAll(fd, bytes, path); });
  closer.fd = -1;
  if (::close(fd) != 0) ThrowFileError(path, errno);
}

void ReplaceFile(const std::string& path, const std::function<void(const ByteSink&)>& fill) {
  const std::string real = FollowLinks(path);
  const auto [dir, base] = SplitPath(real);
  if (base.empty()) ThrowFileError(path, EISDIR);
  struct stat target {};
  const bool exists = ::stat(real.c_str(), &target) == 0;
  if (!exists && errno != ENOENT) ThrowFileError(path, errno);
  if (exists) {
    if (S_ISDIR(target.st_mode)) ThrowFileError(path, EISDIR);
    if (S_ISCHR(target.st_mode) || S_ISFIFO(target.st_mode))
      return WriteIntoDevice(real, path, fill);
    if (!S_ISREG(target.st_mode)) ThrowFileError(path, EINVAL);  // a disk, a socket
    CheckWritable(real, path, target);
    // A new file would leave the other names with the old content.
    if (target.st_nlink > 1) return WriteInPlace(real, path, Gather(fill));
  }

  RemoveStaleTemporaries(dir);
  TemporaryFile temp((dir == "/" ? "" : dir) + "/." + base.substr(0, kMaxTempBase) +
                     std::string(kTempMarker) + "XXXXXX");
  if (temp.Fd() < 0) {
    const int error = temp.Error();
    // A writable file in a folder that takes no new file.
    if (exists && (error == EACCES || error == EPERM || error == EROFS))
      return WriteInPlace(real, path, Gather(fill));
    ThrowFileError(path, error);
  }
  if (exists && !KeepOwner(temp.Fd(), target)) {
    temp.Remove();
    return WriteInPlace(real, path, Gather(fill));
  }
  if (::fchmod(temp.Fd(), exists ? target.st_mode & 07777 : NewFileMode()) != 0)
    ThrowFileError(path, errno);
  fill([&](std::string_view bytes) { WriteAll(temp.Fd(), bytes, path); });
  if (::fsync(temp.Fd()) != 0) ThrowFileError(path, errno);
  temp.Close(path);
  if (::rename(temp.Name().c_str(), real.c_str()) != 0) ThrowFileError(path, errno);
  temp.Release();
  SyncFolder(dir, path);
}

}  // namespace

bool IsSaveTemporaryName(std::string_view name) {
  if (name.size() < 2 + kTempMarker.size() + kTempRandom || name.front() != '.') return false;
  const std::string_view tail = name.substr(name.size() - kTempRandom);
  for (char c : tail)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
  return name.substr(name.size() - kTempRandom - kTempMarker.size(), kTempMarker.size()) ==
         kTempMarker;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  ReplaceFile(path, [&](const ByteSink& sink) { sink(bytes); });
}

void WriteFileStreamed(const std::string& path, const std::function<void(const ByteSink&)>& fill) {
  ReplaceFile(path, fill);
}

}  // namespace velorin
