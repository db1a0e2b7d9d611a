// Film › "Automatická synchronizace podle zvuku" on films made here, the
// player a fake that only holds the film's name (the sound is read from the
// file itself).
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QTimer>
#include <QtTest>
#include <cmath>

#include "document/subtitle_line.h"
#include "film/fake_player.h"
#include "speech_film/speech_film.h"
#include "sync/auto_sync.h"
#include "sync/synchronizace.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

QByteArray Document(const std::vector<std::string>& lines, int32_t shift) {
  QByteArray out;
  for (const std::string& l : lines) {
    const SubtitleFields f = ParseSubtitleLine(l);
    out += QByteArray::fromStdString(
        ComposeSubtitleLine(f.first + shift, f.second + shift, f.text) + "\r\n");
  }
  return out;
}

}  // namespace

class AutoSyncTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  MadeFilm speech_;
  QString noAudio_, music_;

 private slots:
  void initTestCase() {
    QVERIFY(FilmToolsAvailable());
    const std::string d = dir_.path().toStdString();
    FilmPlan p;
    p.seconds = 120;
    p.seed = 31;
    speech_ = MakeSpeechFilm(d, "speech", p);
    p.seconds = 8;
    p.sound = FilmSound::None;
    noAudio_ = QString::fromStdString(MakeSpeechFilm(d, "noaudio", p).path);
    p.sound = FilmSound::Music;
    music_ = QString::fromStdString(MakeSpeechFilm(d, "music", p).path);
  }

  void EnabledWithAFilmAndSubtitles() {
    const struct {
      bool subtitles, film, enabled;
    } cases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
    for (const auto& c : cases) {
      MainWindowFixture f;
      auto player = std::make_unique<FakePlayer>();
      if (c.film) player->Open(speech_.path);
      f.form->SetPlayer(std::move(player));
      if (c.subtitles) f.form->LoadSubtitleFile(f.Write("a.sub", "{100}{150}a\r\n"));
      f.form->Timer1Timer();
      QCOMPARE(f.form->AutoSync1->isEnabled(), c.enabled);
      QCOMPARE(f.form->AutoSync1->shortcut(), QKeySequence(Qt::Key_F9));
      QCOMPARE(f.form->AutoSync1->text(),
               QString::fromUtf8("Automatická synchronizace podle zvuku"));
    }
  }

  // F9 fills E3 to E6; "=" shows the same values again, and "Přepočítat"
  // puts every subtitle within a frame of where its sentence starts.
  void FillsTheFieldsThatRetimeTheSubtitles() {
    MainWindowFixture f;
    auto player = std::make_unique<FakePlayer>();
    player->Open(speech_.path);
    f.form->SetPlayer(std::move(player));
    f.form->LoadSubtitleFile(f.Write("late.sub", Document(speech_.lines, 87)));
    QVERIFY(f.Activate());
    f.form->ListBox1->setFocus();
    f.form->Timer1Timer();
    QTest::keyClick(f.form->ListBox1, Qt::Key_F9);
    QVERIFY2(f.prompts.shown.empty(), qPrintable(f.prompts.Texts().join("; ")));
    const QString offset = f.form->E5->text(), scale = f.form->E6->text();
    QVERIFY(!offset.isEmpty() && !scale.isEmpty());
    QVERIFY(f.form->StatusText->text().contains(QString::fromUtf8("jistota")));

    f.form->Timer1Timer();
    f.form->RovnaBut->click();
    QCOMPARE(f.form->E5->text(), offset);
    QCOMPARE(f.form->E6->text(), scale);
    f.form->Timer1Timer();
    f.form->PrepocitejBut->click();
    const std::vector<std::string>& got = f.form->Doc().Lines();
    QCOMPARE(got.size(), speech_.lines.size());
    for (size_t i = 0; i < got.size(); ++i)
      QVERIFY2(std::abs(ParseFirstFrame(got[i]) - ParseFirstFrame(speech_.lines[i])) <= 1,
               got[i].c_str());
  }

  // The document has 12 s after its 12th subtitle that the film lacks: the
  // advanced synchronization opens with a stretch's points each, and running
  // them puts every subtitle within a frame of its sentence.
  void CutFilmOpensTheAdvancedSynchronization() {
    MainWindowFixture f;
    auto player = std::make_unique<FakePlayer>();
    player->Open(speech_.path);
    f.form->SetPlayer(std::move(player));
    const size_t cut = 12;
    std::vector<std::string> before(speech_.lines.begin(), speech_.lines.begin() + cut);
    std::vector<std::string> after(speech_.lines.begin() + cut, speech_.lines.end());
    f.form->LoadSubtitleFile(f.Write("cut.sub", Document(before, 0) + Document(after, 300)));
    f.form->Timer1Timer();
    int points = -1;
    WhenShown<TForm11>([&](TForm11* d) {
      points = d->ListBox3->count();
      d->SyncBut->click();
      d->ZavBut->click();
    });
    f.form->AutoSync1->trigger();
    QVERIFY2(f.prompts.shown.empty(), qPrintable(f.prompts.Texts().join("; ")));
    QCOMPARE(points, 4);
    const std::vector<std::string>& got = f.form->Doc().Lines();
    for (size_t i = 0; i < got.size(); ++i)
      QVERIFY2(std::abs(ParseFirstFrame(got[i]) - ParseFirstFrame(speech_.lines[i])) <= 1,
               got[i].c_str());
  }

  void FilmsThatCannotDecideChangeNothing() {
    const struct {
      QString film;
      std::string_view message;
    } cases[] = {{noAudio_, kMsgAutoNoAudio},
                 // Music alone rises out of its own bed like a voice: not
                 // "no speech", but nothing it decides.
                 {music_, kMsgAutoUnclear}};
    for (const auto& c : cases) {
      MainWindowFixture f;
      auto player = std::make_unique<FakePlayer>();
      player->Open(c.film.toStdString());
      f.form->SetPlayer(std::move(player));
      f.form->LoadSubtitleFile(f.Write("a.sub", Document(speech_.lines, 0)));
      f.form->Timer1Timer();
      f.form->AutoSync1->trigger();
      QCOMPARE(f.prompts.Kinds(), QStringList{"message"});
      QCOMPARE(f.prompts.shown.back().title, QString::fromUtf8("Upozornění"));
      QVERIFY2(f.prompts.shown.back().text.startsWith(
                   QString::fromUtf8(c.message.data(), static_cast<qsizetype>(c.message.size()))),
               qPrintable(f.prompts.shown.back().text));
      for (QLineEdit* e : {f.form->E3, f.form->E4, f.form->E5, f.form->E6})
        QVERIFY(e->text().isEmpty());
      QVERIFY(!f.form->Changed());
    }
  }

};

QTEST_MAIN(AutoSyncTest)
#include "autosync_test.moc"
