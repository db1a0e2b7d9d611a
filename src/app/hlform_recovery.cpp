// The recovery copy: while the list holds changes that no save settled, a
// copy of it and of the session lies in the user's state folder, written on a
// worker thread from a snapshot at most a while after each change and at once
// before anything risky. A program that ended without closing leaves its copy
// behind, and the next start offers it.
#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "app/hlform.h"
#include "app/hlform_recovery.h"
#include "app/subtitle_list_model.h"
#include "document/autosave.h"
#include "document/file_names.h"
#include "document/recovery_file.h"
#include "film/casovaosa.h"
#include "sync/frame_rate.h"

namespace velorin {


namespace {

int IntervalMs(int option) {
  if (option > 0) return option;
  if (const char* env = std::getenv("VELORIN_AUTOSAVE_INTERVAL_MS")) {
    const int ms = std::atoi(env);
    if (ms > 0) return ms;
  }
  return static_cast<int>(kAutosaveIntervalMs);
}

std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }
QString FromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

}  // namespace

TForm1::~TForm1() {
  // The timeline reads the document and the player: it goes while they exist.
  delete Form15;
}

void TForm1::StartAutosave(const Options& options) {
  recovery_ = std::make_unique<RecoveryState>();
  RecoveryState& r = *recovery_;
  ProcessTable* processes = options.processes;
  if (!processes) {
    r.ownProcesses = std::make_unique<LinuxProcessTable>();
    processes = r.ownProcesses.get();
  }
  const std::string dir = options.recoveryDir.isEmpty()
                              ? DefaultRecoveryFolder()
                              : QFile::encodeName(options.recoveryDir).toStdString();
  if (!dir.empty()) r.folder = std::make_unique<RecoveryFolder>(dir, *processes);
  const int interval = IntervalMs(options.autosaveIntervalMs);
  r.schedule = AutosaveSchedule(interval);
  r.sessionSeen.instance = processes->Self();
  r.clock.start();
  r.timer = new QTimer(this);
  // Often enough that a change waits hardly longer than the interval.
  r.timer->setInterval(std::clamp(interval / 10, 10, 1000));
  connect(r.timer, &QTimer::timeout, this, &TForm1::AutosaveTick);
  r.stepper = new QTimer(this);
  r.stepper->setInterval(0);
  connect(r.stepper, &QTimer::timeout, this, [this] { recovery_->SnapshotStep(*this); });
  if (r.folder) r.timer->start();
}

QString TForm1::RecoveryDir() const {
  return recovery_ && recovery_->folder ? QFile::decodeName(recovery_->folder->Dir().c_str())
                                        : QString();
}

bool TForm1::RecoveryIdle() const { return !recovery_ || !recovery_->Busy(); }

namespace {

// Notes a new revision when the lines or the session differ from what the
// last look saw.
RecoverySession CurrentSession(const TForm1& f, const SubtitleList& doc, const InstanceId& self) {
  RecoverySession s;
  s.instance = self;
  s.utf8 = doc.IsUtf8();
  const QModelIndex cur = f.ListBox1->currentIndex();
  s.cursorRow = cur.isValid() && cur.row() < doc.Count() ? cur.row() : doc.CursorRow();
  s.source = Utf8(f.ESource->text());
  s.target = Utf8(f.ETarget->text());
  s.sync = Utf8(f.ESync->text());
  const QLineEdit* frames[] = {f.E1, f.E2, f.E3, f.E4, f.E5, f.E6};
  for (size_t i = 0; i < 6; ++i) s.frames[i] = Utf8(frames[i]->text());
  s.frameRate = Utf8(f.frameRateText);
  return s;
}

}  // namespace

void TForm1::ObserveRecovery() {
  RecoveryState& r = *recovery_;
  RecoverySession session = CurrentSession(*this, doc_, r.sessionSeen.instance);
  if (doc_.Revision() != r.linesSeen || !(session == r.sessionSeen)) {
    r.linesSeen = doc_.Revision();
    r.sessionSeen = std::move(session);
    ++r.revision;
  }
}

void TForm1::StartRecoveryWrite() {
  RecoveryState& r = *recovery_;
  r.snapshot.Start(doc_.Lines(), doc_.Revision());
  r.SnapshotStep(*this);
  if (r.snapshot.Active()) r.stepper->start();
}

void TForm1::RecoveryState::SnapshotStep(TForm1& f) {
  if (paused) return;  // the list is half-way through a command
  if (!snapshot.Active()) {
    stepper->stop();
    return;
  }
  // A few milliseconds at a time, then the window gets its turn.
  QElapsedTimer spent;
  spent.start();
  bool done = false;
  while (!done && spent.elapsed() < 4)
    done = snapshot.Step(f.doc_.Lines(), f.doc_.Revision(), 4096);
  if (!done) return;
  stepper->stop();
  // The session as it is now goes with the lines; the worker only writes.
  RecoverySession s = CurrentSession(f, f.doc_, sessionSeen.instance);
  s.savedAt = static_cast<int64_t>(std::time(nullptr));
  auto lines = std::make_shared<const LineStore>(snapshot.Take());
  const RecoveryFolder* target = folder.get();
  writer.Start([target, s = std::move(s), lines](const std::atomic<bool>& cancel) {
    target->Prepare();
    WriteRecoveryFile(target->OwnPath(), s, *lines, &cancel);
  });
}

TForm1::RecoveryPause::RecoveryPause(TForm1& form) : f(form) {
  if (f.recovery_) ++f.recovery_->paused;
}
TForm1::RecoveryPause::~RecoveryPause() {
  if (f.recovery_) --f.recovery_->paused;
}

void TForm1::AutosaveTick() {
  if (!recovery_ || !recovery_->folder || recovery_->paused) return;
  RecoveryState& r = *recovery_;
  if (std::optional<std::string> error = r.writer.TakeError()) {
    r.schedule.WriteFailed(r.clock.elapsed());
    if (*error != "cancelled") r.failure = *error;
  }
  // Reported once, and not in the middle of a command or a dialog.
  if (r.failure && !r.failureShown && busy_ == 0 && !QApplication::activeModalWidget()) {
    r.failureShown = true;
    const QString text = QStringLiteral("Záložní kopii neuložených úprav nelze uložit do složky ") +
                         RecoveryDir() + QStringLiteral(": ") + FromUtf8(*r.failure);
    r.failure.reset();
    prompts_.Message(QStringLiteral("Upozornění"), text, Prompts::Icon::Warning);
  }
  ObserveRecovery();
  const bool needed = doc_.Revision() != r.settled;
  switch (r.schedule.Tick(r.revision, needed, r.clock.elapsed(), r.Busy())) {
    case AutosaveSchedule::Action::None:
      break;
    case AutosaveSchedule::Action::Remove:
      r.folder->RemoveOwn();
      break;
    case AutosaveSchedule::Action::Write:
      StartRecoveryWrite();
      break;
  }
}

void TForm1::WaitForRecoveryWrite() {
  while (recovery_ && recovery_->Busy()) {
    recovery_->SnapshotStep(*this);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    QThread::msleep(2);
  }
}

void TForm1::RecoveryCheckpoint() {
  if (!recovery_ || !recovery_->folder || recovery_->paused) return;
  RecoveryState& r = *recovery_;
  WaitForRecoveryWrite();
  AutosaveTick();
  WaitForRecoveryWrite();
  ObserveRecovery();
  if (r.schedule.Checkpoint(r.revision, doc_.Revision() != r.settled, false) ==
      AutosaveSchedule::Action::Write) {
    StartRecoveryWrite();
    WaitForRecoveryWrite();
  }
}

void TForm1::DocumentSettled() {
  if (!recovery_) return;
  RecoveryState& r = *recovery_;
  r.settled = doc_.Revision();
  // A write under way would put the copy back after it was removed.
  r.snapshot.Stop();
  r.stepper->stop();
  r.writer.Cancel();
  r.writer.Wait();
  r.writer.TakeError();
  AutosaveTick();
}

void TForm1::EndAutosave() {
  if (!recovery_) return;
  RecoveryState& r = *recovery_;
  r.timer->stop();
  r.stepper->stop();
  r.snapshot.Stop();
  r.writer.Cancel();
  r.writer.Wait();
  if (r.folder) r.folder->RemoveOwn();
}

bool TForm1::OfferRecovery() {
  if (!recovery_ || !recovery_->folder) return false;
  RecoveryFolder& folder = *recovery_->folder;
  bool restored = false;
  for (const RecoveryOffer& offer : folder.BeginStartup(std::time(nullptr))) {
    RecoveryReadResult read = ReadRecoveryFile(offer.path);
    const QString path = QFile::decodeName(offer.path.c_str());
    if (read.status != RecoveryRead::Ok) {
      prompts_.Message(
          QStringLiteral("Upozornění"),
          (read.status == RecoveryRead::OtherVersion
               ? QStringLiteral("Záložní kopie neuložených úprav pochází z jiné verze programu "
                                "Velorin a nebude použita: ")
               : QStringLiteral("Záložní kopie neuložených úprav je poškozená a nebude použita: ")) +
              path,
          Prompts::Icon::Warning);
      folder.Discard(offer);
      continue;
    }
    const RecoverySession& s = read.copy.session;
    std::string name = FileNamePart(s.source);
    if (name.empty()) name = FileNamePart(s.target);
    const QString when = QDateTime::fromSecsSinceEpoch(s.savedAt).toString(QStringLiteral("hh:mm"));
    if (!prompts_.AskYesNo(QStringLiteral("Upozornění"),
                           QStringLiteral("Velorin nebyl řádně ukončen. Obnovit neuložené úpravy "
                                          "souboru ") +
                               FromUtf8(name) + QStringLiteral(" z ") + when + QStringLiteral("?"))) {
      folder.Decline(offer);
      continue;
    }
    folder.Adopt(offer);
    RestoreSession(std::move(read.copy));
    restored = true;
    break;
  }
  folder.FinishStartup();
  return restored;
}

void TForm1::RestoreSession(RecoveryCopy copy) {
  const RecoverySession& s = copy.session;
  {
    NewHistory fresh(*this);
    doc_.SetUtf8(s.utf8);
    doc_.Assign(std::move(copy.lines));
  }
  ESource->setText(FromUtf8(s.source));
  ETarget->setText(FromUtf8(s.target));
  ESync->setText(FromUtf8(s.sync));
  QLineEdit* frames[] = {E1, E2, E3, E4, E5, E6};
  for (size_t i = 0; i < 6; ++i) frames[i]->setText(FromUtf8(s.frames[i]));
  // A rate that is not one is left as it was.
  if (std::optional<FrameRate> rate = FrameRate::Parse(s.frameRate))
    frameRateText = QString::fromStdString(rate->Text());
  if (s.cursorRow >= 0 && s.cursorRow < doc_.Count()) doc_.SetCursorRow(static_cast<int>(s.cursorRow));
  PushAll();
  if (doc_.CursorRow() >= 0) ListBox1->scrollTo(model_->index(doc_.CursorRow()));
  ShowSubtitleAt(overlayCursor);
  changed_ = true;
  // The adopted copy is this state: nothing to write until the next change.
  RecoveryState& r = *recovery_;
  r.linesSeen = doc_.Revision();
  r.sessionSeen = CurrentSession(*this, doc_, r.sessionSeen.instance);
  ++r.revision;
  r.schedule.Adopt(r.revision);
}

}  // namespace velorin
