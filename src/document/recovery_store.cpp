#include "document/recovery_store.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "document/error.h"

namespace velorin {

namespace {

constexpr std::string_view kOwnPrefix = "copy-";
constexpr std::string_view kKeptPrefix = "kept-";
constexpr std::string_view kSuffix = ".recovery";

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The start time of a process (field 22 of /proc/<pid>/stat); 0 when the
// process does not exist. The command name in parentheses may hold blanks and
// parentheses itself, so the fields are counted after the last ')'.
uint64_t ProcessStartTime(const std::string& pid) {
  const std::string stat = ReadSmallFile("/proc/" + pid + "/stat");
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(stat.substr(close + 1));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i)
    if (i == 22) return std::strtoull(field.c_str(), nullptr, 10);
  return 0;
}

bool AllDigits(std::string_view s, size_t maxLength) {
  return !s.empty() && s.size() <= maxLength &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool AllHex(std::string_view s) {
  return !s.empty() && s.size() <= 64 && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
  });
}

int64_t Modified(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : 0;
}

}  // namespace

LinuxProcessTable::LinuxProcessTable() {
  self_.pid = static_cast<uint64_t>(::getpid());
  self_.started = ProcessStartTime("self");
  for (char c : ReadSmallFile("/proc/sys/kernel/random/boot_id"))
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) self_.boot += c;
  if (self_.boot.empty()) self_.boot = "0";
}

bool LinuxProcessTable::Running(const InstanceId& instance) const {
  if (instance == self_) return true;
  // Another boot: every program of it has ended.
  if (instance.boot != self_.boot) return false;
  const uint64_t started = ProcessStartTime(std::to_string(instance.pid));
  return started != 0 && started == instance.started;
}

std::string DefaultRecoveryFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/velorin";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state/velorin";
  return {};
}

std::string RecoveryFileName(const InstanceId& instance, bool kept) {
  return std::string(kept ? kKeptPrefix : kOwnPrefix) + instance.boot + "-" +
         std::to_string(instance.pid) + "-" + std::to_string(instance.started) +
         std::string(kSuffix);
}

std::optional<RecoveryName> ParseRecoveryFileName(const std::string& name) {
  std::string_view n = name;
  RecoveryName out;
  if (n.starts_with(kKeptPrefix))
    out.kept = true;
  else if (!n.starts_with(kOwnPrefix))
    return std::nullopt;
  if (!n.ends_with(kSuffix)) return std::nullopt;
  n = n.substr(kOwnPrefix.size(), n.size() - kOwnPrefix.size() - kSuffix.size());
  const size_t a = n.find('-');
  const size_t b = a == std::string_view::npos ? a : n.find('-', a + 1);
  if (b == std::string_view::npos) return std::nullopt;
  const std::string_view boot = n.substr(0, a), pid = n.substr(a + 1, b - a - 1),
                         started = n.substr(b + 1);
  if (!AllHex(boot) || !AllDigits(pid, 19) || !AllDigits(started, 19)) return std::nullopt;
  out.instance.boot = boot;
  out.instance.pid = std::strtoull(std::string(pid).c_str(), nullptr, 10);
  out.instance.started = std::strtoull(std::string(started).c_str(), nullptr, 10);
  return out;
}

RecoveryFolder::RecoveryFolder(std::string dir, const ProcessTable& processes)
    : dir_(std::move(dir)), processes_(processes), self_(processes.Self()) {}

std::string RecoveryFolder::OwnPath() const { return dir_ + "/" + RecoveryFileName(self_, false); }

void RecoveryFolder::Prepare() const {
  // Each missing folder of the path, the last one private: the copies hold
  // the user's text.
  for (size_t at = 1; at <= dir_.size(); ++at) {
    if (at < dir_.size() && dir_[at] != '/') continue;
    const std::string part = dir_.substr(0, at);
    if (::mkdir(part.c_str(), at == dir_.size() ? 0700 : 0755) != 0 && errno != EEXIST)
      ThrowFileError(dir_, errno);
  }
}

void RecoveryFolder::RemoveOwn() const { ::unlink(OwnPath().c_str()); }

std::vector<RecoveryOffer> RecoveryFolder::BeginStartup(int64_t now) {
  keptBefore_.clear();
  keptNow_.clear();
  std::vector<RecoveryOffer> ended, kept;
  DIR* d = ::opendir(dir_.c_str());
  if (!d) return {};
  while (const dirent* entry = ::readdir(d)) {
    const std::string name = entry->d_name;
    const std::optional<RecoveryName> parsed = ParseRecoveryFileName(name);
    if (!parsed) continue;
    const std::string path = dir_ + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const auto modified = static_cast<int64_t>(st.st_mtime);
    if (now - modified > kRecoveryStaleSeconds) {
      ::unlink(path.c_str());
      continue;
    }
    if (parsed->kept) {
      kept.push_back({path, true, modified});
      keptBefore_.push_back(path);
    } else if (!processes_.Running(parsed->instance)) {
      ended.push_back({path, false, modified});
    }
  }
  ::closedir(d);
  const auto newestFirst = [](const RecoveryOffer& a, const RecoveryOffer& b) {
    return a.modified != b.modified ? a.modified > b.modified : a.path < b.path;
  };
  std::sort(ended.begin(), ended.end(), newestFirst);
  std::sort(kept.begin(), kept.end(), newestFirst);
  ended.insert(ended.end(), kept.begin(), kept.end());
  return ended;
}

void RecoveryFolder::Adopt(const RecoveryOffer& offer) {
  if (::rename(offer.path.c_str(), OwnPath().c_str()) != 0) ThrowFileError(offer.path, errno);
  std::erase(keptBefore_, offer.path);
}

void RecoveryFolder::Decline(const RecoveryOffer& offer) {
  if (offer.kept) return Discard(offer);
  const size_t slash = offer.path.rfind('/');
  const std::optional<RecoveryName> parsed = ParseRecoveryFileName(offer.path.substr(slash + 1));
  if (!parsed) return;
  const std::string kept = dir_ + "/" + RecoveryFileName(parsed->instance, true);
  if (::rename(offer.path.c_str(), kept.c_str()) == 0)
    keptNow_.emplace_back(Modified(kept), kept);
}

void RecoveryFolder::Discard(const RecoveryOffer& offer) {
  ::unlink(offer.path.c_str());
  std::erase(keptBefore_, offer.path);
}

void RecoveryFolder::FinishStartup() {
  for (const std::string& path : keptBefore_) {
    // A copy set aside now may have taken the name of one from before.
    if (std::none_of(keptNow_.begin(), keptNow_.end(),
                     [&](const auto& k) { return k.second == path; }))
      ::unlink(path.c_str());
  }
  keptBefore_.clear();
  std::sort(keptNow_.begin(), keptNow_.end(), std::greater<>());
  for (size_t i = 1; i < keptNow_.size(); ++i) ::unlink(keptNow_[i].second.c_str());
  keptNow_.clear();
}

}  // namespace velorin
