#pragma once

// What the main window keeps for its recovery copy (hlform_recovery.cpp).

#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "app/hlform.h"
#include "document/autosave.h"
#include "document/recovery_store.h"

namespace velorin {

struct TForm1::RecoveryState {
  std::unique_ptr<ProcessTable> ownProcesses;
  std::unique_ptr<RecoveryFolder> folder;  // null: no state folder known
  AutosaveSchedule schedule;
  BackgroundWriter writer;
  QTimer* timer = nullptr;
  QElapsedTimer clock;
  // The lines' revision that a load, a whole save or a new file settled.
  uint64_t settled = 0;
  // What the copy is compared with: a count that grows whenever the lines
  // or the session seen at a tick differ from the last ones.
  uint64_t revision = 0;
  uint64_t linesSeen = 0;
  RecoverySession sessionSeen;
  // The lines are copied in pieces on the window's thread before the worker
  // writes them: a piece at each turn of the event loop.
  IncrementalCopy snapshot;
  QTimer* stepper = nullptr;
  void SnapshotStep(TForm1& f);
  bool Busy() const { return writer.Busy() || snapshot.Active(); }
  int paused = 0;
  bool failureShown = false;
  std::optional<std::string> failure;  // a failed write not yet reported
};

}  // namespace velorin
