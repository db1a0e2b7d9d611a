#pragma once

// The recovery copy of a document with unsaved changes: its lines exactly as
// bytes and what it takes to bring the session back after a crash.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/file_io.h"
#include "document/line_store.h"

namespace velorin {

// One run of the program: its process id and the time the process started
// (in the system's clock ticks since boot), on one boot of the machine. A pid
// alone is not enough: after a crash or a reboot another process may have it.
struct InstanceId {
  uint64_t pid = 0;
  uint64_t started = 0;
  std::string boot;  // the boot's id, hex digits only

  bool operator==(const InstanceId&) const = default;
};

// Everything of the session besides the lines. Texts are the fields as the
// window shows them (UTF-8).
struct RecoverySession {
  InstanceId instance;  // the program that wrote the copy
  int64_t savedAt = 0;  // seconds since the epoch
  bool utf8 = false;    // the document's text encoding
  int64_t cursorRow = -1;
  std::string source, target, sync;
  std::array<std::string, 6> frames;  // E1 to E6
  std::string frameRate;

  bool operator==(const RecoverySession&) const = default;
};

struct RecoveryCopy {
  RecoverySession session;
  LineStore lines;
};

// The layout of the file; a copy written with another is not read.
inline constexpr uint32_t kRecoveryFormatVersion = 1;

// Writes the copy's bytes to sink in pieces of a few hundred KiB. Each row
// costs its bytes and one or two bytes of length (a saved file: two of CR LF).
// When cancel is set while it writes, it stops with Error("cancelled").
void EncodeRecovery(const RecoverySession& session, LineSpan lines, const ByteSink& sink,
                    const std::atomic<bool>* cancel = nullptr);

// Replaces path with the copy through the safe save of file_io.h. Throws Error.
void WriteRecoveryFile(const std::string& path, const RecoverySession& session, LineSpan lines,
                       const std::atomic<bool>* cancel = nullptr);

enum class RecoveryRead { Ok, Damaged, OtherVersion };

struct RecoveryReadResult {
  RecoveryRead status = RecoveryRead::Damaged;
  RecoveryCopy copy;  // when Ok
};

// Reads a copy from its bytes: anything cut short, changed or not a copy at
// all is Damaged; a copy in another layout is OtherVersion. Never throws on
// content.
RecoveryReadResult DecodeRecovery(std::string_view bytes);

// The same from a file; a file that cannot be read is Damaged.
RecoveryReadResult ReadRecoveryFile(const std::string& path);

}  // namespace velorin
