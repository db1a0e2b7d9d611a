#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/hlform.h"
#include "shell/associations.h"
#include "shell/desktop.h"
#include "windows/scripted_prompts.h"

namespace velorin::test {

// Records what the program asked the desktop to open; no browser starts.
class RecordingShell : public DesktopShell {
 public:
  QList<QUrl> opened;
  bool succeed = true;
  bool OpenUrl(const QUrl& url) override {
    opened << url;
    return succeed;
  }
};

// Which programs run, as a test says: this window's instance (each window
// of a test is another program, and the ones before it have ended) and the
// pids of other instances still running.
class FakeProcesses : public ProcessTable {
 public:
  InstanceId self{static_cast<uint64_t>(QCoreApplication::applicationPid()), NextStart(), "7e57"};
  QList<uint64_t> running;
  InstanceId Self() const override { return self; }
  bool Running(const InstanceId& i) const override { return i == self || running.contains(i.pid); }

 private:
  static uint64_t NextStart() {
    static uint64_t started = 0;
    return ++started;
  }
};

// Runs act on the next modal dialog of type Dialog once it is shown (the
// test itself waits in that dialog's exec()).
template <typename Dialog>
void WhenShown(std::function<void(Dialog*)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(d);
    }
  });
  timer->start(5);
}

// The same for whatever dialog comes next.
inline void OnNextDialog(std::function<void(QDialog*)> act) { WhenShown<QDialog>(std::move(act)); }

inline void WriteFileBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
}

inline QByteArray ReadFileBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

// A main window on scripted prompts with its program folder, settings and
// subtitles folder in a temporary folder; the state timer does not run, tests
// call Timer1Timer() themselves. Recovery copies go to the temporary folder's
// state/ (the window's instance is processes.self). The desktop is a recorder and the file
// associations live in XDG folders inside the temporary folder, so no test
// touches the user's own files.
struct MainWindowFixture {
  QTemporaryDir dir;
  ScriptedPrompts prompts;
  RecordingShell shell;
  FreedesktopAssociations associations{(dir.path() + "/xdg/data").toStdString(),
                                       (dir.path() + "/xdg/config").toStdString(),
                                       "/opt/Velorin/velorin"};
  FakeProcesses processes;
  std::unique_ptr<TForm1> form;

  explicit MainWindowFixture(const QString& fileArgument = {}, const QString& stateDir = {}) {
    TForm1::Options o;
    o.programDir = dir.path() + "/";
    o.settingsPath = dir.path() + "/Velorin.ini";
    o.fileArgument = fileArgument;
    o.startTimer = false;
    o.shell = &shell;
    o.associations = &associations;
    o.recoveryDir = stateDir.isEmpty() ? dir.path() + "/state" : stateDir;
    o.processes = &processes;
    form = std::make_unique<TForm1>(prompts, o);
    form->subtitlesPath = dir.path() + "/";
  }
  // Shows the main window and waits until it is active, so that keys reach
  // its shortcuts as a person's keys do. False when it never became active.
  [[nodiscard]] bool Activate() {
    form->show();
    form->activateWindow();
    return QTest::qWaitForWindowActive(form.get());
  }
  QString Path(const QString& name) const { return dir.path() + "/" + name; }
  QString Write(const QString& name, const QByteArray& bytes) const {
    WriteFileBytes(Path(name), bytes);
    return Path(name);
  }
  QStringList Rows() const {
    QStringList out;
    for (const auto& l : form->Doc().Lines()) out << form->DecodeLine(l);
    return out;
  }
};

}  // namespace velorin::test
