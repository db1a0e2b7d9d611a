#include "test_support.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace velorin::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "velorin-test-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool IsRoot() { return ::geteuid() == 0; }

std::string CaseName(const std::string& name) {
  std::string out = name;
  for (char& c : out)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return out;
}

std::vector<std::string> SaveTemporariesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    if (name.find(".velorin-") != std::string::npos) names.push_back(name);
  }
  return names;
}

namespace {

// Sets or clears the immutable attribute; the error number or 0.
int SetImmutableFlag(const std::string& path, bool on) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  int flags = 0;
  int result = ::ioctl(fd, FS_IOC_GETFLAGS, &flags);
  if (result == 0) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    result = ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
  }
  int error = result == 0 ? 0 : errno;
  ::close(fd);
  return error;
}

}  // namespace

Immutable::Immutable(std::string path) : path_(std::move(path)) {
  if (int error = SetImmutableFlag(path_, true))
    reason_ = "cannot set the immutable attribute here: " + std::string(std::strerror(error));
}

Immutable::~Immutable() {
  if (Active()) SetImmutableFlag(path_, false);
}

ReadOnlyMount::ReadOnlyMount(std::string dir) : dir_(std::move(dir)) {
  // Once per process: the mounts below stay out of every other process's view.
  static const int namespaceError = [] {
    if (::unshare(CLONE_NEWNS) != 0) return errno;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return errno;
    return 0;
  }();
  if (namespaceError != 0) {
    reason_ = "no mount namespace of our own: " + std::string(std::strerror(namespaceError));
    return;
  }
  if (::mount(dir_.c_str(), dir_.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    reason_ = "cannot bind-mount: " + std::string(std::strerror(errno));
    return;
  }
  if (::mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    reason_ = "cannot make the mount read-only: " + std::string(std::strerror(errno));
    ::umount2(dir_.c_str(), MNT_DETACH);
  }
}

ReadOnlyMount::~ReadOnlyMount() {
  if (Active()) ::umount2(dir_.c_str(), MNT_DETACH);
}

}  // namespace velorin::test
