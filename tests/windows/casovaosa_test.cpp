// The timeline window: the film's sound, dragging subtitles, zoom, seeking
// and stepping frames, driven with the mouse and keys.
#include "film/casovaosa.h"

#include <QDir>
#include <QProcess>
#include <QWheelEvent>
#include <QtTest>

#include "document/ini_file.h"
#include "edit/upravy.h"
#include "film/fake_player.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

// A 6-second film: a 440 Hz tone from 2 s to 3 s, silence around it; or no
// sound at all.
QString MakeFilm(const QString& dir, bool sound) {
  const QString path = dir + (sound ? "/tone.mkv" : "/mute.mkv");
  QStringList args = {"-hide_banner", "-loglevel", "error", "-y",
                      "-f",           "lavfi",     "-i",    "testsrc=size=64x48:rate=25:d=6"};
  if (sound)
    args << "-f"
         << "lavfi"
         << "-i"
         << "aevalsrc='if(between(t,2,3),0.8*sin(2*PI*440*t),0)':d=6:s=8000";
  args << "-c:v"
       << "mpeg4";
  if (sound)
    args << "-c:a"
         << "pcm_s16le";
  args << path;
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", args);
  if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) return {};
  return path;
}

struct Timeline {
  MainWindowFixture f;
  FakePlayer* player = nullptr;
  TForm15* osa = nullptr;

  explicit Timeline(
      const QByteArray& subtitles = "{25}{50}a\r\n{100}{}b\r\n{200}{250}c\r\n{1000}{1010}d\r\n") {
    // The sound's cache goes into the test's folder.
    qputenv("XDG_CACHE_HOME", (f.dir.path() + "/cache").toLocal8Bit());
    auto fake = std::make_unique<FakePlayer>();
    player = fake.get();
    f.form->SetPlayer(std::move(fake));
    f.form->show();
    f.form->activateWindow();
    f.form->LoadSubtitleFile(f.Write("a.sub", subtitles));
  }
  void Open(const QString& film) {
    player->Open(film.toStdString());
    player->lengthFrames = 150;
  }
  // F11 in the main window.
  void Show(bool wide = true) {
    QVERIFY(f.Activate());
    f.form->ListBox1->setFocus();
    QTest::keyClick(f.form->ListBox1, Qt::Key_F11);
    osa = f.form->Form15;
    QVERIFY(osa && osa->isVisible());
    if (wide) {
      osa->resize(1150, 300);
      QTest::qWait(20);
    }
  }
  // Four pixels a frame from frame 0.
  void FourPixelsAFrame() {
    osa->Tick();
    osa->SetScale({0, 0.25, osa->View->width()});
  }
  QPoint At(double frame, bool boxes = true) const {
    const int y = boxes ? osa->View->BoxesTop() + TimelineView::kBoxesHeight / 2 : 60;
    return QPoint(static_cast<int>(osa->Scale().PixelOf(frame)), y);
  }
  void Drag(double from, double to, Qt::KeyboardModifiers mods = {}) {
    QTest::mousePress(osa->View, Qt::LeftButton, mods, At(from));
    QTest::mouseMove(osa->View, At((from + to) / 2));
    QMouseEvent move(QEvent::MouseMove, At(to), osa->View->mapToGlobal(At(to)), Qt::NoButton,
                     Qt::LeftButton, mods);
    QApplication::sendEvent(osa->View, &move);
    QTest::mouseRelease(osa->View, Qt::LeftButton, mods, At(to));
  }
  QStringList Lines() const { return f.Rows(); }
};

void Wheel(QWidget* w, QPoint at, int delta, Qt::KeyboardModifiers mods) {
  QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &e);
}

}  // namespace

class CasovaOsaTest : public QObject {
  Q_OBJECT

 private slots:
  void DraggingMovesSubtitlesOneUndoStepEach() {
    Timeline t;
    t.Show();
    t.FourPixelsAFrame();
    const QStringList before = t.Lines();
    t.f.form->SetChanged(false);
    // The body of the first box, ten frames to the right: both frames move.
    t.Drag(37, 47);
    QCOMPARE(t.Lines(), QStringList({"{35}{60}a", "{100}{}b", "{200}{250}c", "{1000}{1010}d"}));
    QVERIFY(t.f.form->Changed());
    QCOMPARE(t.f.form->ListBox1->currentIndex().row(), 0);
    QCOMPARE(t.f.form->ListBox1->model()->index(0, 0).data().toString(), QString("{35}{60}a"));
    t.f.form->Timer1Timer();
    QCOMPARE(t.f.form->Zpet1->text(), QString::fromUtf8("Zpět: Posun titulku"));
    // The start edge of the last one five frames earlier; the open one gets
    // a second frame from its end (drawn at the next start, 200).
    t.Drag(200, 195);
    t.Drag(194.25, 179.25);
    QCOMPARE(t.Lines(), QStringList({"{35}{60}a", "{100}{180}b", "{195}{250}c", "{1000}{1010}d"}));
    // A press and release without moving changes nothing and adds no step.
    QTest::mouseClick(t.osa->View, Qt::LeftButton, {}, t.At(225));
    QCOMPARE(t.f.form->History().Steps(), size_t{3});
    // Three steps back with Alt+Backspace, in the timeline as in the main
    // window: the bytes are those before.
    for (int i = 0; i < 3; ++i) QTest::keyClick(t.osa->View, Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(t.Lines(), before);
    QVERIFY(t.f.prompts.shown.empty());
  }

  void ZoomFromTheWholeFilmToFramesAndScroll() {
    Timeline t;
    t.Show();
    t.osa->Tick();
    const TimelineScale whole = t.osa->Scale();
    QCOMPARE(whole.firstFrame, 0.0);
    QVERIFY(whole.framesPerPixel * whole.width >= 250);
    // Ctrl+wheel at pixel 200: closer, the frame there stays there.
    const double frame = whole.FrameAt(200);
    Wheel(t.osa->View, QPoint(200, 50), 120 * 3, Qt::ControlModifier);
    QCOMPARE(t.osa->Scale().framesPerPixel, whole.framesPerPixel / (1.25 * 1.25 * 1.25));
    QVERIFY(std::abs(t.osa->Scale().FrameAt(200) - frame) < 1e-6);
    // + all the way in: a frame is 64 pixels; − back out to the whole film.
    for (int i = 0; i < 40; ++i) QTest::keyClick(t.osa->View, Qt::Key_Plus);
    QCOMPARE(t.osa->Scale().framesPerPixel, 1.0 / 64);
    const double first = t.osa->Scale().firstFrame;
    Wheel(t.osa->View, QPoint(200, 50), -120, {});  // scrolls right
    QVERIFY(t.osa->Scale().firstFrame > first);
    QCOMPARE(t.osa->ScrollBar1->value(), static_cast<int>(std::llround(t.osa->Scale().firstFrame)));
    for (int i = 0; i < 40; ++i) QTest::keyClick(t.osa->View, Qt::Key_Minus);
    QCOMPARE(t.osa->Scale().framesPerPixel, whole.framesPerPixel);
    QCOMPARE(t.osa->Scale().firstFrame, 0.0);
  }

  void ClickSeeksAndArrowsStepFrames() {
    Timeline t;
    t.Open(t.f.Path("none.mkv"));  // the player's film; its sound cannot be read
    t.Show();
    t.FourPixelsAFrame();
    // A click above the boxes takes the film to the frame there.
    QTest::mouseClick(t.osa->View, Qt::LeftButton, {}, t.At(30.5, false));
    QCOMPARE(t.player->position, int64_t{30});
    t.osa->View->setFocus();
    QTest::keyClick(t.osa->View, Qt::Key_Right);
    QTest::keyClick(t.osa->View, Qt::Key_Right);
    QTest::keyClick(t.osa->View, Qt::Key_Left, Qt::ShiftModifier);  // a second back, to 7
    QCOMPARE(t.player->position, int64_t{7});
    QCOMPARE(t.f.form->LSnimek->text(), QString::fromUtf8("snímek 7"));
    QVERIFY(t.osa->LStav->text().startsWith(QString::fromUtf8("snímek 7")));
    // In the film panel too; while the film plays the arrows do nothing.
    t.f.form->Panel1->setFocus();
    QTest::keyClick(t.f.form->Panel1, Qt::Key_Right);
    QCOMPARE(t.player->position, int64_t{8});
    t.player->Play();
    QTest::keyClick(t.f.form->Panel1, Qt::Key_Right);
    QTest::keyClick(t.osa->View, Qt::Key_Left);
    QCOMPARE(t.player->position, int64_t{8});
    // The timeline follows the playing film a page at a time.
    t.player->position = 140;
    t.osa->Tick();
    QVERIFY(t.osa->Scale().PixelOf(140) >= 0 && t.osa->Scale().PixelOf(140) < t.osa->Scale().width);
    QVERIFY(t.f.prompts.shown.empty());
  }

  void DoubleClickEditsTheRow() {
    Timeline t;
    t.Show();
    t.FourPixelsAFrame();
    int row = -1;
    WhenShown<TForm3>([&row](TForm3* d) {
      row = d->editedRow;
      d->reject();
    });
    QTest::mouseDClick(t.osa->View, Qt::LeftButton, {}, t.At(225));
    QTRY_COMPARE(row, 2);
    QCOMPARE(t.f.form->ListBox1->currentIndex().row(), 2);
  }

  void TheSoundIsReadOnceAndKept() {
    Timeline t;
    const QString film = MakeFilm(t.f.dir.path(), true);
    if (film.isEmpty()) QSKIP("ffmpeg cannot make the test film");
    t.Open(film);
    t.Show();
    t.osa->WaitForSound();
    t.osa->Tick();
    QCOMPARE(t.osa->State(), TForm15::SoundState::Ready);
    const SoundSummary& sound = t.osa->Sound();
    QVERIFY(std::abs(sound.Seconds() - 6) < 0.05);
    QVERIFY(sound.Peak(2.05, 2.95) > 150);
    QCOMPARE(int(sound.Peak(0.1, 1.9)), 0);
    QCOMPARE(int(sound.Peak(3.1, 5.9)), 0);
    QVERIFY(sound.HasSpeech());
    const QStringList cached =
        QDir(t.f.dir.path() + "/cache/velorin").entryList({"*.wave"}, QDir::Files);
    QCOMPARE(cached.size(), 1);

    // Another run finds it there at once.
    Timeline again;
    qputenv("XDG_CACHE_HOME", (t.f.dir.path() + "/cache").toLocal8Bit());
    again.Open(film);
    again.Show();
    QCOMPARE(again.osa->State(), TForm15::SoundState::Ready);
    QCOMPARE(again.osa->Sound().Peak(2.05, 2.95), sound.Peak(2.05, 2.95));
  }

  void AFilmWithoutSoundShowsSubtitlesAndSaysSo() {
    Timeline t;
    const QString film = MakeFilm(t.f.dir.path(), false);
    if (film.isEmpty()) QSKIP("ffmpeg cannot make the test film");
    t.Open(film);
    t.Show();
    t.osa->WaitForSound();
    t.osa->Tick();
    QCOMPARE(t.osa->State(), TForm15::SoundState::NoSound);
    QVERIFY(t.osa->LStav->text().contains(QString::fromUtf8("Film nemá zvukovou stopu.")));
    t.FourPixelsAFrame();
    t.Drag(37, 41);
    QCOMPARE(t.Lines().first(), QString("{29}{54}a"));
  }

  void RemembersItsPlace() {
    Timeline t;
    t.Show(false);
    t.osa->resize(700, 260);
    t.osa->close();
    IniFile ini(t.f.form->SettingsFile().toStdString());
    QCOMPARE(ini.ReadInteger("CASOVA OSA", "Sirka", 0), 700);
    QCOMPARE(ini.ReadInteger("CASOVA OSA", "Vyska", 0), 260);
    t.osa->resize(400, 200);
    t.Show(false);
    QCOMPARE(t.osa->size(), QSize(700, 260));
  }
};

QTEST_MAIN(CasovaOsaTest)
#include "casovaosa_test.moc"
