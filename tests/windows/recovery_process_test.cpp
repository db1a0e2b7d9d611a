// A program killed with SIGKILL after edits: the next start restores the list
// it held at most one autosave interval before the kill, byte for byte.
//
// The program that is killed is this test started again with --child: the
// main window as build/velorin makes it (the system's process table, the
// state folder from XDG_STATE_HOME, the interval from
// VELORIN_AUTOSAVE_INTERVAL_MS), edited with keys. It prints the list it
// holds after each edit with the time, and the test kills it.
#include <signal.h>

#include <QProcess>
#include <QtTest>
#include <chrono>
#include <cstdio>

#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

constexpr int kIntervalMs = 400;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

QByteArray Saved(const LineStore& lines) {
  QByteArray out;
  for (std::string_view l : lines) out += QByteArray(l.data(), qsizetype(l.size())) + "\r\n";
  return out;
}

// The child: load, edit, report each list with its time, then wait to be killed.
int Child(const QString& file, const QString& outDir) {
  ScriptedPrompts prompts;
  TForm1::Options o;
  o.programDir = outDir + "/";
  o.settingsPath = outDir + "/Velorin.ini";
  o.fileArgument = file;
  TForm1 form(prompts, o);
  form.show();
  for (int i = 0; i < 500 && form.Doc().Count() == 0; ++i) QTest::qWait(10);
  int step = 0;
  auto report = [&] {
    ++step;
    WriteFileBytes(outDir + QString("/state%1").arg(step), Saved(form.Doc().Lines()));
    std::printf("state %d %lld\n", step, static_cast<long long>(NowMs()));
    std::fflush(stdout);
  };
  QWidget* list = form.ListBox1;
  list->setFocus();
  report();  // as loaded
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Delete);
  report();
  QTest::qWait(3 * kIntervalMs);
  QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(list, Qt::Key_Delete, Qt::ControlModifier);  // every second frame off
  report();
  QTest::keyClick(list, Qt::Key_Home);
  QTest::keyClick(list, Qt::Key_Delete);
  report();
  std::printf("done\n");
  std::fflush(stdout);
  for (;;) QTest::qWait(1000);
}

}  // namespace

class RecoveryProcessTest : public QObject {
  Q_OBJECT

 private slots:
  void KilledProgramIsRestoredAsItWasAnIntervalBefore_data() {
    QTest::addColumn<int>("waitBeforeKillMs");
    QTest::newRow("killed at once") << 0;
    QTest::newRow("killed later") << 3 * kIntervalMs;
  }

  void KilledProgramIsRestoredAsItWasAnIntervalBefore() {
    QFETCH(int, waitBeforeKillMs);
    QTemporaryDir dir;
    const QString film = dir.filePath("film.sub");
    WriteFileBytes(film,
                   "{10}{50}Dobr\xfd ve\xe8\x65r.\r\n{60}{0}Kde je \xe8\x61j?\r\n"
                   "{100}{150}|Tady.\r\n{200}{260}{Y:b}Konec\r\n");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_STATE_HOME", dir.filePath("state"));
    env.insert("VELORIN_AUTOSAVE_INTERVAL_MS", QString::number(kIntervalMs));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {"--child", film, dir.path()});
    QVERIFY(child.waitForStarted());
    QList<std::pair<int, int64_t>> states;  // step, time
    QByteArray out;
    while (!out.contains("done\n")) {
      QVERIFY2(child.waitForReadyRead(20000), "the child stopped reporting");
      out += child.readAllStandardOutput();
    }
    QTest::qWait(waitBeforeKillMs);
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    const int64_t killedAt = NowMs();
    QVERIFY(child.waitForFinished());
    for (const QByteArray& line : out.split('\n'))
      if (line.startsWith("state ")) states.append({line.split(' ')[1].toInt(), line.split(' ')[2].toLongLong()});
    QCOMPARE(states.size(), 4);

    // The lists the program held at some moment of the last interval.
    QList<QByteArray> allowed;
    for (int i = 0; i < states.size(); ++i) {
      const bool heldAtStart =
          states[i].second <= killedAt - kIntervalMs &&
          (i + 1 == states.size() || states[i + 1].second > killedAt - kIntervalMs);
      if (heldAtStart || states[i].second > killedAt - kIntervalMs)
        allowed << ReadFileBytes(dir.filePath(QString("state%1").arg(states[i].first)));
    }
    QVERIFY(!allowed.isEmpty());
    if (waitBeforeKillMs > 0) QCOMPARE(allowed.size(), 1);  // the last edit, long enough ago

    MainWindowFixture next({}, dir.filePath("state/velorin"));
    next.prompts.yesNo = {true};
    next.form->show();
    QTRY_COMPARE(next.prompts.Kinds(), QStringList({"question"}));
    QVERIFY(next.prompts.shown[0].text.contains("film.sub"));
    const QByteArray restored = Saved(next.form->Doc().Lines());
    QVERIFY2(allowed.contains(restored), restored.constData());
    QVERIFY(next.form->Changed());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc == 4 && QByteArray(argv[1]) == "--child") return Child(argv[2], argv[3]);
  RecoveryProcessTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "recovery_process_test.moc"
