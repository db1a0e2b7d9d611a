#pragma once

// The folder of recovery copies: one copy per running program, named after
// its instance, and at most one copy that the user declined to restore, kept
// for one more start.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "document/recovery_file.h"

namespace velorin {

// Which programs run: the platform's process table behind an interface, so
// that tests can say which instances have ended.
class ProcessTable {
 public:
  virtual ~ProcessTable() = default;
  virtual InstanceId Self() const = 0;
  virtual bool Running(const InstanceId& instance) const = 0;
};

// Linux: /proc/<pid>/stat's start time and the boot id of
// /proc/sys/kernel/random/boot_id.
class LinuxProcessTable : public ProcessTable {
 public:
  LinuxProcessTable();
  InstanceId Self() const override { return self_; }
  bool Running(const InstanceId& instance) const override;

 private:
  InstanceId self_;
};

// $XDG_STATE_HOME/velorin, or ~/.local/state/velorin when the variable is
// unset or not an absolute path (as the XDG base directories say). Empty when
// neither it nor HOME is known.
std::string DefaultRecoveryFolder();

// Copies older than this are removed at start, whoever wrote them.
inline constexpr int64_t kRecoveryStaleSeconds = int64_t{30} * 24 * 3600;

// "copy-<boot>-<pid>-<started>.recovery" for a running program's copy, and
// the same with "kept-" for a copy set aside.
std::string RecoveryFileName(const InstanceId& instance, bool kept);
// The instance and kind of a file name; nothing for any other name.
struct RecoveryName {
  InstanceId instance;
  bool kept = false;
};
std::optional<RecoveryName> ParseRecoveryFileName(const std::string& name);

// A copy found at start that the user is asked about.
struct RecoveryOffer {
  std::string path;
  bool kept = false;     // set aside at an earlier start
  int64_t modified = 0;  // seconds since the epoch
};

// The copies of one folder for one program: its own copy, and at start the
// copies of programs that ended without cleaning up.
class RecoveryFolder {
 public:
  RecoveryFolder(std::string dir, const ProcessTable& processes);

  const std::string& Dir() const { return dir_; }
  // Where this program keeps its copy.
  std::string OwnPath() const;
  // Creates the folder (private to the user) when missing. Throws Error.
  void Prepare() const;
  void RemoveOwn() const;

  // At start: removes copies older than kRecoveryStaleSeconds (now in seconds
  // since the epoch) and returns the copies to offer, in the order to ask:
  // copies of programs no longer running, newest first, then the one kept
  // aside. Copies of running programs are left alone.
  std::vector<RecoveryOffer> BeginStartup(int64_t now);
  // The user's answers, and a copy that could not be used.
  // Restored: the copy becomes this program's own.
  void Adopt(const RecoveryOffer& offer);
  // Declined: a copy of an ended program is kept aside for one more start; a
  // copy kept aside before goes.
  void Decline(const RecoveryOffer& offer);
  void Discard(const RecoveryOffer& offer);
  // After the questions: copies kept aside at an earlier start have had their
  // start and go; of those set aside now, only the newest stays.
  void FinishStartup();

 private:
  std::string dir_;
  const ProcessTable& processes_;
  InstanceId self_;
  std::vector<std::string> keptBefore_;            // paths of copies kept aside earlier
  std::vector<std::pair<int64_t, std::string>> keptNow_;  // set aside at this start
};

}  // namespace velorin
