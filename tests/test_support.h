#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "utf16_bytes.h"

namespace velorin::test {

// A fresh folder under the system temp folder, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // path/name
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

bool IsRoot();

// A table case's name as a test name: letters and digits, the rest '_'.
std::string CaseName(const std::string& name);

// The names in a folder that a save uses for its temporary files.
std::vector<std::string> SaveTemporariesIn(const std::string& dir);

// Means to make a file or folder unwritable for root too. Each undoes itself
// when it goes; Active() is false (and Reason() says why) where the machine
// offers no such means, and the test then skips that case.
//
// The immutable attribute (chattr +i): an immutable folder takes no new file,
// while the files in it stay writable; an immutable file cannot be written.
class Immutable {
 public:
  explicit Immutable(std::string path);
  ~Immutable();
  Immutable(const Immutable&) = delete;
  Immutable& operator=(const Immutable&) = delete;
  bool Active() const { return reason_.empty(); }
  const std::string& Reason() const { return reason_; }

 private:
  std::string path_, reason_;
};

// A folder seen through a read-only bind mount, in a mount namespace of the
// test process's own (needs root).
class ReadOnlyMount {
 public:
  explicit ReadOnlyMount(std::string dir);
  ~ReadOnlyMount();
  ReadOnlyMount(const ReadOnlyMount&) = delete;
  ReadOnlyMount& operator=(const ReadOnlyMount&) = delete;
  bool Active() const { return reason_.empty(); }
  const std::string& Reason() const { return reason_; }

 private:
  std::string dir_, reason_;
};

}  // namespace velorin::test
