// The film panel of the main window on a fake player.
#include <QAction>
#include <QApplication>
#include <QtTest>

#include "film/fake_player.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

const QString kNoFilm = QString::fromUtf8("Pro otevření filmu klikněte na tento panel.");

// A main window with a fake player, a subtitle list and, when asked, a film.
struct FilmFixture : MainWindowFixture {
  FakePlayer* player;
  explicit FilmFixture(const QByteArray& subtitles = "{10}{20}A\r\n{30}{40}B\r\n") {
    auto p = std::make_unique<FakePlayer>();
    player = p.get();
    form->SetPlayer(std::move(p));
    if (!subtitles.isEmpty()) form->LoadSubtitleFile(Write("film.sub", subtitles));
  }
  bool OpenFilm(const QString& name = "film.avi") {
    prompts.files.push_back(Path(name));
    return form->RunCommand([this] { form->Panel1Click(); });
  }
  // One state-refresh tick at a position of the playing film.
  void TickAt(int64_t position) {
    player->position = position;
    form->Timer1Timer();
  }
  bool Shows(const QString& caption) const {
    return !form->LTitulek->isHidden() && form->LTitulek->text() == caption;
  }
};

}  // namespace

class FilmWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void OpeningAFilmFillsThePanel() {
    FilmFixture f;
    f.form->filmsPath = f.Path("films");
    QVERIFY(f.OpenFilm());
    QCOMPARE(f.prompts.shown.back().title, QString("Vyberte film"));
    QVERIFY(f.prompts.shown.back().text.startsWith(
        "Video soubory (AVI, MPEG, WMV, ASF) (*.avi *.mpeg *.mpg *.wmv *.asf)"));
    QVERIFY(f.prompts.shown.back().text.endsWith("|" + f.Path("films")));
    QVERIFY(f.form->FilmOpen());
    QCOMPARE(f.player->FileName(), f.Path("film.avi").toStdString());
    QCOMPARE(f.player->Mode(), PlayerMode::Stopped);
    QCOMPARE(f.form->Panel1->text(), QString());
    QVERIFY(f.form->PlayBut->isEnabled() && f.form->StopBut->isEnabled());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // The picture inside the panel (368 by 230 at the smallest window size),
    // inset by 3 pixels, also after a resize that widens the panel.
    QCOMPARE(QList<int>(f.player->lastRect, f.player->lastRect + 4), QList<int>({3, 3, 362, 224}));
    f.form->show();  // a hidden window gets its resize only when shown
    f.form->resize(f.form->width() + 100, f.form->height());
    QTRY_COMPARE(f.player->lastRect[2], 462);
    f.form->Timer1Timer();
    for (QAction* a : {f.form->FilmZav, f.form->Start1, f.form->Pauza1, f.form->Stop1,
                       f.form->Zavrit1, f.form->InfoFilm1})
      QVERIFY(a->isEnabled());
    // The overlay cursor and the list are not touched, and nothing plays.
    QCOMPARE(f.form->overlayCursor, 0);
    QCOMPARE(f.form->Doc().Count(), 2);
  }

  void CancelledDialogChangesNothing() {
    FilmFixture f;
    f.prompts.files.push_back(std::nullopt);
    QVERIFY(f.form->RunCommand([&] { f.form->Panel1Click(); }));
    QVERIFY(!f.form->FilmOpen());
    QCOMPARE(f.form->Panel1->text(), kNoFilm);
  }

  void OnlyALeftClickOnThePanelOpensAFilm() {
    FilmFixture f;
    const QPoint middle = f.form->Panel1->rect().center();
    QTest::mouseClick(f.form->Panel1, Qt::RightButton, {}, middle);
    QTest::mouseClick(f.form->Panel1, Qt::MiddleButton, {}, middle);
    QVERIFY(f.prompts.shown.empty());
    f.prompts.files.push_back(f.Path("film.avi"));
    QTest::mouseClick(f.form->Panel1, Qt::LeftButton, {}, middle);
    QCOMPARE(f.prompts.Kinds(), QStringList({"open"}));
    QVERIFY(f.form->FilmOpen());
  }

  void FailedOpenLeavesTheWindowAsWithNoFilm() {
    FilmFixture f;
    QVERIFY(f.OpenFilm());
    f.form->Start1Click();
    f.TickAt(5);
    QCOMPARE(f.form->LSnimek->text(), QString::fromUtf8("snímek 5"));
    // Another film that cannot be played: its error, and no film at all.
    QVERIFY(!f.OpenFilm("broken.avi"));
    f.prompts.ExpectError();
    QCOMPARE(f.prompts.Kinds().last(), QString("error"));
    QVERIFY(f.prompts.Texts().last().contains("broken.avi"));
    QVERIFY(!f.form->FilmOpen());
    QVERIFY(f.player->FileName().empty());
    QCOMPARE(f.form->Panel1->text(), kNoFilm);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(f.form->LSnimek->text(), QString());
    QVERIFY(f.form->LTitulek->isHidden());
    QVERIFY(!f.form->PlayBut->isEnabled());
    f.form->Timer1Timer();
    for (QAction* a : {f.form->FilmZav, f.form->Start1, f.form->Pauza1, f.form->Stop1,
                       f.form->Zavrit1, f.form->InfoFilm1})
      QVERIFY(!a->isEnabled());
    // The commands do nothing without a film.
    f.form->Start1Click();
    f.form->Stop1Click();
    QCOMPARE(f.player->Mode(), PlayerMode::NotOpen);
    QCOMPARE(f.form->LSnimek->text(), QString());
  }

  void OverlayFollowsThePlayingFilm() {
    FilmFixture f("{10}{20}A\r\n{30}{40}B|druhý\r\n");
    QVERIFY(f.OpenFilm());
    f.form->Start1Click();
    f.TickAt(0);
    QCOMPARE(f.form->LSnimek->text(), QString::fromUtf8("snímek 0"));
    QVERIFY(f.form->LTitulek->isHidden());
    f.TickAt(10);
    QVERIFY(f.Shows("A"));
    // Centred in the panel, at its top near the bottom edge.
    QLabel* l = f.form->LTitulek;
    QVERIFY(qAbs(l->x() * 2 + l->width() - f.form->Panel1->width()) <= 1);
    QVERIFY(l->y() > f.form->Panel1->height() / 2 && l->y() < f.form->Panel1->height());
    const int top = l->y();
    f.form->resize(f.form->width() + 120, f.form->height());
    QVERIFY(qAbs(l->x() * 2 + l->width() - f.form->Panel1->width()) <= 1);
    QCOMPARE(l->y(), top);
    f.TickAt(20);
    QVERIFY(f.form->LTitulek->isHidden());
    f.TickAt(21);
    QCOMPARE(f.form->overlayCursor, 1);
    f.TickAt(30);
    QVERIFY(f.Shows("B..."));
    QCOMPARE(f.form->LSnimek->text(), QString::fromUtf8("snímek 30"));
    // Paused: the counter and the label stay as they are.
    f.form->Pauza1Click();
    f.TickAt(45);
    QCOMPARE(f.form->LSnimek->text(), QString::fromUtf8("snímek 30"));
    QVERIFY(f.Shows("B..."));
    f.form->Pauza1Click();
    f.TickAt(41);
    QCOMPARE(f.form->overlayCursor, 2);
    f.TickAt(42);
    QVERIFY(f.form->LTitulek->isHidden());
    QCOMPARE(f.form->LTitulek->text(), QString());
  }

  void StopKeepsTheCursorAndDoubleClickJumps() {
    FilmFixture f("{10}{20}A\r\n{30}{40}B\r\n{50}{60}C\r\n");
    QVERIFY(f.OpenFilm());
    f.form->Start1Click();
    for (int p : {0, 15, 25, 35}) f.TickAt(p);
    QVERIFY(f.Shows("B"));
    f.form->Stop1Click();
    QCOMPARE(f.form->LSnimek->text(), QString::fromUtf8("snímek 0"));
    QCOMPARE(f.player->position, int64_t{0});
    QCOMPARE(f.player->Mode(), PlayerMode::Stopped);
    f.form->Timer1Timer();
    QCOMPARE(f.form->overlayCursor, 1);
    // Played again from the start: A does not come back.
    f.form->Start1Click();
    f.TickAt(15);
    QVERIFY(!f.Shows("A"));
    // The stop button of the player does the same as Stop.
    f.TickAt(31);
    f.form->MediaPlayer1Click(f.form->StopBut);
    QCOMPARE(f.form->LSnimek->text(), QString::fromUtf8("snímek 0"));
    QCOMPARE(f.player->Mode(), PlayerMode::Stopped);
    QCOMPARE(f.player->position, int64_t{0});
    f.form->MediaPlayer1Click(f.form->PlayBut);
    QCOMPARE(f.player->Mode(), PlayerMode::Playing);
    f.form->MediaPlayer1Click(f.form->PauseBut);
    QCOMPARE(f.player->Mode(), PlayerMode::Paused);

    // A double click on the first row seeks to it and plays.
    f.form->ListBox1->setCurrentIndex(f.form->ListBox1->model()->index(0, 0));
    f.form->ListBox1DblClick();
    QCOMPARE(f.form->overlayCursor, 0);
    QCOMPARE(f.player->position, int64_t{10});
    QCOMPARE(f.player->Mode(), PlayerMode::Playing);
    f.form->Timer1Timer();
    QVERIFY(f.Shows("A"));
    f.form->ListBox1->setCurrentIndex(f.form->ListBox1->model()->index(2, 0));
    f.form->ListBox1DblClick();
    QCOMPARE(f.player->position, int64_t{50});
    f.form->Timer1Timer();
    QVERIFY(f.Shows("C"));
  }

  void DoubleClickWithoutFilmOnlyPreparesTheOverlay() {
    FilmFixture f;
    f.form->ListBox1->setCurrentIndex(f.form->ListBox1->model()->index(1, 0));
    f.form->ListBox1DblClick();
    QCOMPARE(f.form->overlayCursor, 1);
    QCOMPARE(f.form->shownFirst, 30);
    QCOMPARE(f.form->shownSecond, 40);
    QCOMPARE(f.form->LTitulek->text(), QString("B"));
    QVERIFY(f.form->LTitulek->isHidden());
    QCOMPARE(f.player->Mode(), PlayerMode::NotOpen);
  }

  void ListEmptiedOrShortenedWhilePlaying() {
    FilmFixture f("{10}{20}A\r\n{30}{40}B\r\n{50}{60}C\r\n");
    QVERIFY(f.OpenFilm());
    f.form->Start1Click();
    for (int p : {15, 25, 35}) f.TickAt(p);
    QVERIFY(f.Shows("B"));
    // The list closed under the playing film: the overlay runs past its end.
    f.form->ZdrojTitZav1Click();
    QCOMPARE(f.form->Doc().Count(), 0);
    for (int p : {41, 42, 55, 1000}) f.TickAt(p);
    QVERIFY(f.form->LTitulek->isHidden());
    QCOMPARE(f.form->LSnimek->text(), QString::fromUtf8("snímek 1000"));
    // A file loaded meanwhile is shown from the cursor on, which a load keeps.
    const int cursor = f.form->overlayCursor;
    QVERIFY(cursor >= 3);
    QByteArray lines;
    for (int i = 0; i <= cursor; ++i)
      lines += QString("{%1}{%2}T%3\r\n").arg(2000 + 10 * i).arg(2005 + 10 * i).arg(i).toUtf8();
    f.form->LoadSubtitleFile(f.Write("other.sub", lines));
    QCOMPARE(f.form->overlayCursor, cursor);
    QCOMPARE(f.form->LTitulek->text(), QString("T%1").arg(cursor));
    f.TickAt(2000 + 10 * cursor);
    QVERIFY(f.Shows(QString("T%1").arg(cursor)));
    // Rows removed below the cursor: nothing is shown, nothing fails, and a
    // double click brings the overlay back into the list.
    f.form->Doc().Assign({"{3000}{3010}X"});
    f.form->PushAll();
    for (int p : {2100 + 10 * cursor, 2101 + 10 * cursor}) f.TickAt(p);
    QVERIFY(f.form->LTitulek->isHidden());
    f.form->ListBox1->setCurrentIndex(f.form->ListBox1->model()->index(0, 0));
    f.form->ListBox1DblClick();
    QCOMPARE(f.form->overlayCursor, 0);
    QCOMPARE(f.player->position, int64_t{3000});
    f.form->Timer1Timer();
    QVERIFY(f.Shows("X"));
  }

  void OverlayShowsTheDocumentsOwnLettersAndTagsAsTyped() {
    // Windows-1250 "žluťoučký", a tag, and markup that must stay text.
    FilmFixture f(
        "{1}{5}{Y:i}\x9e\x6c\x75\x9d\x6f\x75\xe8\x6b\xfd|x\r\n{6}{9}<b>tu\xe8n\xe9</b>\r\n");
    QVERIFY(f.OpenFilm());
    f.form->Start1Click();
    f.TickAt(1);
    QVERIFY(f.Shows(QString::fromUtf8("{Y:i}žluťoučký...")));
    f.TickAt(6);
    f.TickAt(6);
    QVERIFY(f.Shows(QString::fromUtf8("<b>tučné</b>")));
    QCOMPARE(f.form->LTitulek->textFormat(), Qt::PlainText);
  }

  void ClosingTheFilm() {
    FilmFixture f;
    QVERIFY(f.OpenFilm());
    f.form->Start1Click();
    f.TickAt(12);
    QVERIFY(f.Shows("A"));
    f.form->FilmZavClick();
    QVERIFY(!f.form->FilmOpen());
    QCOMPARE(f.form->Panel1->text(), kNoFilm);
    QCOMPARE(f.form->LSnimek->text(), QString());
    QCOMPARE(f.form->LTitulek->text(), QString());
    QVERIFY(f.form->LTitulek->isHidden());
    // The emptied caption stays empty in the next film until the overlay
    // moves on; the cursor was kept.
    QVERIFY(f.OpenFilm());
    f.form->Start1Click();
    f.TickAt(15);
    QVERIFY(f.form->LTitulek->isHidden());
    f.TickAt(21);
    f.TickAt(30);
    QVERIFY(f.Shows("B"));
    // "Vymazat vše" closes it as well; closing twice is harmless.
    f.form->VymazButClick();
    QVERIFY(!f.form->FilmOpen());
    f.form->CloseFilm();
    QCOMPARE(f.form->Panel1->text(), kNoFilm);
  }

  void FilmDialogOpensBesideTheSubtitlesAfterTheFirstFilm() {
    FilmFixture f{QByteArray()};
    f.form->filmsPath = f.Path("films");
    QDir(f.dir.path()).mkdir("subs");
    f.form->LoadSubtitleFile(f.Write("subs/a.sub", "{1}{2}a\r\n"));
    QVERIFY(f.OpenFilm());
    QVERIFY(f.prompts.shown.back().text.endsWith("|" + f.Path("films")));
    QVERIFY(f.OpenFilm());
    QVERIFY(f.prompts.shown.back().text.endsWith("|" + f.Path("subs/")));
    // The path command takes the dialog back to the typed path, also when it
    // is the same as before; after the next film it opens beside the subtitles.
    for (const QString& typed : {f.Path("films"), f.Path("other")}) {
      f.prompts.inputs.push_back(typed);
      QVERIFY(f.form->RunCommand([&] { f.form->CestaFilm1Click(); }));
      QVERIFY(f.OpenFilm());
      QVERIFY(f.prompts.shown.back().text.endsWith("|" + typed));
      QVERIFY(f.OpenFilm());
      QVERIFY(f.prompts.shown.back().text.endsWith("|" + f.Path("subs/")));
    }
  }
};

QTEST_MAIN(FilmWindowTest)
#include "film_window_test.moc"
