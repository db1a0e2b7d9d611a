// How long the timeline takes to paint, at every zoom from the whole film to
// single frames, with a film's sound and 2,000 subtitles over it.
//
//   timeline_paint FILM
// Runs offscreen; reads the film's sound first (or takes it from the cache).
// Prints the mean and the longest of 30 paints at each zoom, in wall time and
// in the thread's CPU time (which a busy machine does not stretch).
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "film/casovaosa.h"
#include "film/fake_player.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: timeline_paint FILM\n");
    return 2;
  }
  MainWindowFixture f;
  auto fake = std::make_unique<FakePlayer>();
  FakePlayer* player = fake.get();
  f.form->SetPlayer(std::move(fake));
  player->Open(argv[1]);
  // 2,000 subtitles of 2 s with 1.5 s between them: 2 hours at 25 fps.
  QByteArray lines;
  for (int i = 0; i < 2000; ++i)
    lines += QByteArray("{") + QByteArray::number(i * 90 + 10) + "}{" +
             QByteArray::number(i * 90 + 60) + "}Titulek číslo " + QByteArray::number(i) +
             "|a jeho druhý řádek\r\n";
  f.form->LoadSubtitleFile(f.Write("long.sub", lines));
  player->lengthFrames = 2000 * 90 + 100;
  f.form->SelectRowOnly(1000);
  f.form->show();
  f.form->CasovaOsa1Click();
  TForm15& osa = *f.form->Form15;
  osa.resize(1280, 300);
  QTest::qWait(50);
  QElapsedTimer clock;
  clock.start();
  osa.WaitForSound();
  osa.Tick();
  std::printf("sound ready after %.2f s (state %d)\n", static_cast<double>(clock.elapsed()) / 1000.0,
              static_cast<int>(osa.State()));
  QImage image(osa.View->size(), QImage::Format_RGB32);
  const double whole = osa.Scale().framesPerPixel;
  for (double fpp : {whole, whole / 10, whole / 100, 1.0, 0.1, 1.0 / 64}) {
    player->position = 90000;
    osa.SetScale({90000 - fpp * 640, fpp, osa.View->width()});
    double total = 0, longest = 0, cpuTotal = 0, cpuLongest = 0;
    auto cpu = [] {
      timespec ts{};
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
      return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
    };
    for (int i = 0; i < 30; ++i) {
      QElapsedTimer t;
      t.start();
      const double c0 = cpu();
      osa.View->render(&image);
      const double c = cpu() - c0;
      const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
      total += ms;
      longest = std::max(longest, ms);
      cpuTotal += c;
      cpuLongest = std::max(cpuLongest, c);
    }
    std::printf(
        "%10.4f frames/pixel: paint mean %.2f ms, longest %.2f ms; cpu mean %.2f ms, "
        "longest %.2f ms\n",
        fpp, total / 30, longest, cpuTotal / 30, cpuLongest);
  }
  return 0;
}
