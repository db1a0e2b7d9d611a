// The recovery copy on a large document, in the main window offscreen:
// autosave_bench FILE [WRITES]
//
// Opens FILE, then changes one row at a time and lets the recovery copy be
// written WRITES times (default 10) with a short interval, while a 1 ms timer
// measures how long the window's event loop goes without running: the pauses
// a user would feel. The same is measured with no copy written for
// comparison. Prints the longest and the 99th-percentile gap, the time the
// window's thread spends taking the snapshot and the copy's size against the
// saved file's. A program to read, not a test: nothing here judges the
// numbers.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "document/recovery_file.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

struct Gaps {
  double longest = 0, p99 = 0;
  int samples = 0;
};

// Runs the event loop for ms while a 1 ms timer notes the gaps between its
// ticks; each gap beyond 1 ms is time the loop did not run.
Gaps MeasureGaps(int ms, const std::function<void()>& everyTick = {}) {
  std::vector<double> gaps;
  QElapsedTimer clock;
  clock.start();
  qint64 last = clock.nsecsElapsed();
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    gaps.push_back(static_cast<double>(now - last) / 1e6);
    last = now;
    if (everyTick) everyTick();
  });
  timer.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  timer.stop();
  Gaps g;
  g.samples = static_cast<int>(gaps.size());
  if (gaps.empty()) return g;
  std::sort(gaps.begin(), gaps.end());
  g.longest = gaps.back();
  g.p99 = gaps[gaps.size() * 99 / 100];
  return g;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: autosave_bench FILE [WRITES]\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const int interval = 300;
  qputenv("VELORIN_AUTOSAVE_INTERVAL_MS", QByteArray::number(interval));
  QApplication app(argc, argv);
  const QString file = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
  const int writes = argc > 2 ? std::atoi(argv[2]) : 10;

  MainWindowFixture f;
  f.form->show();
  f.form->LoadSubtitleFile(file);
  const int rows = f.form->Doc().Count();
  if (rows == 0) {
    std::fprintf(stderr, "no subtitles in %s\n", argv[1]);
    return 1;
  }
  QCoreApplication::processEvents();
  const QString copy =
      f.form->RecoveryDir() + "/" + QString::fromStdString(RecoveryFileName(f.processes.self, false));

  // Without a copy: the list unchanged, nothing to write.
  const Gaps idle = MeasureGaps(writes * interval * 2);

  // One row changed after each write, so that every interval writes again.
  int row = 0;
  int written = 0;
  QDateTime lastWrite;
  auto edit = [&] {
    const QFileInfo info(copy);
    if (info.exists() && info.lastModified() != lastWrite && f.form->RecoveryIdle()) {
      lastWrite = info.lastModified();
      ++written;
      f.form->Doc().Replace(row, "{1}{2}bench " + std::to_string(row));
      ++row;
    }
  };
  f.form->Doc().Replace(row++, "{1}{2}bench");
  const Gaps busy = MeasureGaps(writes * interval * 2, edit);

  // What the snapshot would cost the window in one piece (it is taken in
  // pieces of a few milliseconds between the window's events).
  QElapsedTimer snap;
  snap.start();
  for (int i = 0; i < 5; ++i) {
    LineStore copyOfLines(f.form->Doc().Lines());
    (void)copyOfLines;
  }
  const double snapshotMs = static_cast<double>(snap.nsecsElapsed()) / 1e6 / 5;

  f.form->Doc().Replace(0, "{1}{2}last");
  QTest::qWait(interval * 3);
  while (!f.form->RecoveryIdle()) QTest::qWait(10);
  f.form->RecoveryCheckpoint();
  size_t saved = 0;
  for (std::string_view l : f.form->Doc().Lines()) saved += l.size() + 2;
  const qint64 copyBytes = QFileInfo(copy).size();

  std::printf("rows                      %d\n", rows);
  std::printf("copies written            %d\n", written);
  std::printf("loop gap, no copy         longest %.1f ms, 99%% %.1f ms (%d ticks)\n", idle.longest,
              idle.p99, idle.samples);
  std::printf("loop gap, copy every %d ms longest %.1f ms, 99%% %.1f ms (%d ticks)\n", interval,
              busy.longest, busy.p99, busy.samples);
  std::printf("snapshot in one piece      %.1f ms\n", snapshotMs);
  std::printf("saved file                %zu bytes\n", saved);
  std::printf("recovery copy             %lld bytes (%.3f of the file)\n",
              static_cast<long long>(copyBytes), double(copyBytes) / double(saved));
  return 0;
}
