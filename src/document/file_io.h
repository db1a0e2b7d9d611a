#pragma once

// Reading files with a bound, and replacing them so that a failed save never
// damages the file it was to replace.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velorin {

// No subtitle, SRT or settings file comes near this size. Reading stops here
// with "File too large", so that an endless pipe cannot exhaust memory.
inline constexpr uint64_t kMaxInputBytes = uint64_t{2} << 30;

// A file open for reading: a regular file or a pipe (a FIFO, a shell's
// process substitution). A folder ("Is a directory") or anything else, such as
// /dev/zero ("Not a regular file"), is refused before a byte is read, and so
// is a file above kMaxInputBytes; reading a pipe past it throws. Opening never
// waits for a FIFO's writer: without one the FIFO reads as empty. Throws Error.
class InputFile {
 public:
  explicit InputFile(std::string path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Reads up to size bytes into buffer; 0 at the end.
  size_t Read(char* buffer, size_t size);
  // The size of a regular file when it was opened; 0 for a pipe.
  uint64_t Size() const { return size_; }
  int Descriptor() const { return fd_; }

 private:
  std::string path_;
  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t done_ = 0;
};

// The whole content of a file, read as InputFile reads. Throws Error.
std::string ReadFileBytes(const std::string& path);

// A file's bytes for reading them through: a regular file is mapped
// read-only, its pages brought in with the mapping and nothing copied; a pipe
// (or a file that says it is empty, such as those of /proc) is read whole as
// ReadFileBytes reads it. The mapping is private, but another program writing
// the file still shows through it; a file cut short on disk while it is
// mapped reads as zeros past its new end, and Check() then throws, so that a
// command never writes what such a read produced. Throws Error.
class FileBytes {
 public:
  explicit FileBytes(const std::string& path);
  // Maps an open regular file; when it is not one (or cannot be mapped)
  // nothing is read and Mapped() is false, for the caller to read the file.
  FileBytes(InputFile& file, const std::string& path);
  // Bytes already in memory (standard input, tests).
  struct Held {
    std::string bytes;
  };
  explicit FileBytes(Held held);
  ~FileBytes();
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  std::string_view View() const { return view_; }
  bool Mapped() const { return map_ != nullptr; }
  // The bytes before offset are not read again: their pages leave the
  // process's memory (a mapped file's stay in the page cache).
  void Release(size_t offset);
  // Throws Error when the file was cut short while it was mapped.
  void Check() const;

 private:
  std::string path_;
  std::string owned_;
  std::string_view view_;
  void* map_ = nullptr;
  size_t mapSize_ = 0;
  size_t released_ = 0;
  int slot_ = -1;

  void Map(InputFile& file);
};

// Safe replacement of a file's content. The bytes go to a temporary file in
// the target's folder (".name.velorin-XXXXXX") with the owner, group and mode
// of the file it replaces; only when every byte is on disk does it take the
// target's name, and then the folder is synced too, so a failed save leaves
// the old file as it was and a finished one survives a power loss.
//
// Where a new file would not be the same file to its user, the bytes are
// gathered in memory first and then written into the file itself: when the
// file has further hard links, when its owner or group cannot be given to a
// new file, and when the folder does not let a file be created in it (a
// writable file in a read-only folder stays writable).
//
// A symbolic link stays a link and the file it leads to is written, created
// when it is missing. A character device or a FIFO (/dev/null, a pipe) is
// written into; a FIFO without a reader fails at once. A target without write
// permission stops the save with "Permission denied", also for root when the
// file has no write bit at all.
//
// While a temporary file exists, SIGTERM, SIGINT and SIGHUP remove it before
// the program ends as the signal says (unless the program set the signal's
// handling itself); a temporary file that a killed save left behind is
// removed by the next save into that folder once it is an hour old. Saves
// may run on several threads at once (the recovery copy is written on a
// worker), into different files.
using ByteSink = std::function<void(std::string_view bytes)>;

// Replaces path's content with bytes. Throws Error.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The same for content produced piece by piece: fill calls the sink with the
// bytes in order, any number of times. When fill throws, the old file stays.
void WriteFileStreamed(const std::string& path, const std::function<void(const ByteSink&)>& fill);

// Whether a file name is that of a save's temporary file.
bool IsSaveTemporaryName(std::string_view name);

}  // namespace velorin
