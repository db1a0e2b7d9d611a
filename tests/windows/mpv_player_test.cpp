// Plays clips made by ffmpeg through libmpv without picture or sound.
#include "film/mpv_player.h"

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "app/frame_rate_detection.h"
#include "document/error.h"
#include "sync/time_frames.h"

namespace velorin {

class MpvPlayerTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString mp4_, avi_, mp4At24_;

  bool MakeClip(const QString& path, int rate) {
    QProcess ff;
    ff.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                        QString("testsrc=duration=10:size=320x240:rate=%1").arg(rate), "-c:v",
                        "mpeg4", "-q:v", "8", path});
    return ff.waitForFinished(60000) && ff.exitCode() == 0 && QFile::exists(path);
  }

  // Waits until the player reports a position that stays put for a quarter
  // of a second, longer than a frame lasts (a seek or a pause done); gives up
  // after ten seconds, which only a player that never settles needs.
  static int64_t SettledPosition(MpvPlayer& p) {
    QElapsedTimer deadline, still;
    deadline.start();
    still.start();
    int64_t last = p.Position();
    while (still.elapsed() < 250 && deadline.elapsed() < 10000) {
      QTest::qWait(10);
      if (const int64_t now = p.Position(); now != last) {
        last = now;
        still.restart();
      }
    }
    return last;
  }

 private slots:
  void initTestCase() {
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty()) QSKIP("ffmpeg is not installed");
    QVERIFY(dir_.isValid());
    mp4_ = dir_.filePath("clip.mp4");
    avi_ = dir_.filePath("clip.avi");
    mp4At24_ = dir_.filePath("clip24.mp4");
    QVERIFY(MakeClip(mp4_, 25));
    QVERIFY(MakeClip(avi_, 25));
    QVERIFY(MakeClip(mp4At24_, 24));
  }

  void lengthsAndRate_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QString>("rate");
    QTest::newRow("mp4 25") << "clip.mp4" << 250 << "25,000";
    QTest::newRow("avi 25") << "clip.avi" << 250 << "25,000";
    QTest::newRow("mp4 24") << "clip24.mp4" << 240 << "24,000";
  }
  void lengthsAndRate() {
    QFETCH(QString, file);
    QFETCH(int, frames);
    QFETCH(QString, rate);
    MpvPlayer player(nullptr);
    player.Open(dir_.filePath(file).toStdString());
    QCOMPARE(player.FileName(), dir_.filePath(file).toStdString());
    QCOMPARE(player.Mode(), PlayerMode::Stopped);
    QCOMPARE(player.Position(), int64_t{0});
    QCOMPARE(player.LengthMs(), int64_t{10000});
    QCOMPARE(player.LengthFrames(), int64_t{frames});

    // Detection on a rate list that starts on another rate.
    QDialog dialog;
    auto* rates = new QComboBox(&dialog);
    for (FrameRate r : kFrameRates) rates->addItem(QString::fromStdString(r.Text()));
    rates->setCurrentIndex(4);
    DetectFrameRate(&dialog, rates, player, [] { QFAIL("a film is open"); });
    QCOMPARE(rates->currentText(), rate);
  }

  void playPauseSeekStop() {
    MpvPlayer player(nullptr);
    player.Open(mp4_.toStdString());
    player.Play();
    QCOMPARE(player.Mode(), PlayerMode::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(player.Position() > 0, 10000);
    player.PauseOrResume();
    QCOMPARE(player.Mode(), PlayerMode::Paused);
    int64_t paused = SettledPosition(player);
    QVERIFY2(paused > 0 && paused < 250, qPrintable(QString::number(paused)));
    QTest::qWait(100);
    QCOMPARE(player.Position(), paused);

    for (int64_t frame : {100, 37, 249, 0, 100}) {
      player.Seek(frame);
      QCOMPARE(player.Position(), frame);
      QCOMPARE(SettledPosition(player), frame);
    }
    QCOMPARE(player.Mode(), PlayerMode::Paused);

    // Resume goes on from the sought frame.
    player.PauseOrResume();
    QCOMPARE(player.Mode(), PlayerMode::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(player.Position() > 100, 10000);

    player.Rewind();
    player.Stop();
    QCOMPARE(player.Mode(), PlayerMode::Stopped);
    QCOMPARE(SettledPosition(player), int64_t{0});
    player.PauseOrResume();  // nothing while stopped
    QCOMPARE(player.Mode(), PlayerMode::Stopped);
    player.Play();
    QCOMPARE(player.Mode(), PlayerMode::Playing);
  }

  void framesStepOneAtATime() {
    MpvPlayer player(nullptr);
    player.Open(mp4_.toStdString());
    player.Seek(100);
    QCOMPARE(SettledPosition(player), int64_t{100});
    // Forward and back, each step shown at once and then really there.
    const struct {
      bool forward;
      int64_t frame;
    } steps[] = {{true, 101}, {true, 102}, {true, 103}, {false, 102}, {false, 101}, {true, 102}};
    for (const auto& s : steps) {
      player.StepFrame(s.forward);
      QCOMPARE(player.Position(), s.frame);
      QCOMPARE(SettledPosition(player), s.frame);
      QCOMPARE(player.Mode(), PlayerMode::Paused);
    }
    QCOMPARE(player.FramesPerSecond(), 25.0);
  }

  void endOfFilmStops() {
    MpvPlayer player(nullptr);
    player.Open(avi_.toStdString());
    player.Seek(240);
    player.Play();
    QTRY_COMPARE_WITH_TIMEOUT(player.Mode(), PlayerMode::Stopped, 20000);
    QVERIFY(player.Position() >= 245);
    QVERIFY(!player.FileName().empty());
  }

  void failedOpenLeavesNoFilm_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::newRow("text") << QByteArray("Toto neni film.\r\n") << "text.avi";
    QTest::newRow("empty") << QByteArray() << "empty.mpg";
    QTest::newRow("playlist") << mp4_.toUtf8() + "\n"
                              << "list.m3u";
    QTest::newRow("missing") << QByteArray() << "";
  }
  void failedOpenLeavesNoFilm() {
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    QString path = dir_.filePath(name.isEmpty() ? "missing.avi" : name);
    if (!name.isEmpty()) {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(content);
    }
    MpvPlayer player(nullptr);
    player.Open(mp4_.toStdString());  // a film open before is closed
    QString message;
    try {
      player.Open(path.toStdString());
    } catch (const Error& e) {
      message = QString::fromUtf8(e.what());
    }
    QVERIFY2(message.startsWith("Film ") && message.contains("nelze otevřít"), qPrintable(message));
    QVERIFY(player.FileName().empty());
    QCOMPARE(player.Mode(), PlayerMode::NotOpen);
    QCOMPARE(player.Position(), int64_t{0});
    player.Play();
    QCOMPARE(player.Mode(), PlayerMode::NotOpen);
    // The player still works afterwards.
    player.Open(avi_.toStdString());
    QCOMPARE(player.LengthFrames(), int64_t{250});
  }

  void detectionOpensAFilmWhenNoneIsOpen() {
    MpvPlayer player(nullptr);
    QDialog dialog;
    auto* rates = new QComboBox(&dialog);
    auto* button = new QPushButton(&dialog);
    for (FrameRate r : kFrameRates) rates->addItem(QString::fromStdString(r.Text()));
    rates->setCurrentIndex(2);

    // Cancelled: the selection stays and the controls come back.
    bool disabledMeanwhile = false;
    DetectFrameRate(&dialog, rates, player, [&] { disabledMeanwhile = !button->isEnabled(); });
    QVERIFY(disabledMeanwhile);
    QCOMPARE(rates->currentIndex(), 2);
    QVERIFY(button->isEnabled() && rates->isEnabled());

    // Opening fails with an error: still enabled again.
    QVERIFY_THROWS_EXCEPTION(Error, DetectFrameRate(&dialog, rates, player, [&] {
                               player.Open(dir_.filePath("nothing.avi").toStdString());
                             }));
    QVERIFY(button->isEnabled() && rates->isEnabled());

    DetectFrameRate(&dialog, rates, player, [&] { player.Open(mp4At24_.toStdString()); });
    QCOMPARE(rates->currentText(), QString("24,000"));
  }
};

}  // namespace velorin

QTEST_MAIN(velorin::MpvPlayerTest)
#include "mpv_player_test.moc"
