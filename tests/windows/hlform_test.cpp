#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QtTest>

#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

class HlformTest : public QObject {
  Q_OBJECT

 private slots:
  void CommandLineFileLoadsAfterSettingsAndBecomesRecent() {
    QTemporaryDir d;
    QString file = d.path() + "/film.sub";
    WriteFileBytes(file, "[INFO]\r\n{100}{150}Ahoj|světe\r\n{250}{}x\r\nkonec\r\n");
    MainWindowFixture f(file);
    f.form->FormShow();
    QCOMPARE(f.Rows(), QStringList({"{100}{150}Ahoj|světe", "{250}{}x"}));
    QCOMPARE(f.form->E1->text(), QString("100"));
    QCOMPARE(f.form->E2->text(), QString("250"));
    QCOMPARE(f.form->ETarget->text(), d.path() + "/film2.sub");
    QCOMPARE(f.form->ESource->text(), file);
    QVERIFY(!f.form->Changed());
    QCOMPARE(f.form->recentFiles.value(0), file);
    QVERIFY(f.prompts.shown.empty());
  }

  void EightBitFilesShowCzechLetters() {
    MainWindowFixture f;
    QString file = f.Write("cz.sub", "{1}{2}\x9e\x6c\x75\x9d\x6f\x75\xe8\x6b\xfd\r\n");
    f.form->LoadSubtitleFile(file);
    QCOMPARE(f.Rows(), QStringList({QString::fromUtf8("{1}{2}žluťoučký")}));
    QCOMPARE(f.form->EncodeText(QString::fromUtf8("ž")), std::string("\x9e"));
  }

  void FailedLoadsEmptyTheFields() {
    MainWindowFixture f;
    f.form->E3->setText("5");
    f.form->ESync->setText("sync.sub");
    // Only header lines: the load fails and everything is emptied.
    f.form->LoadSubtitleFile(f.Write("h.sub", "[a]\r\n[b]\r\n"));
    QVERIFY(f.form->Doc().Empty());
    QVERIFY(f.form->ESource->text().isEmpty());
    QVERIFY(f.form->E3->text().isEmpty());
    QVERIFY(f.form->ESync->text().isEmpty());
    QVERIFY(f.form->ETarget->text().isEmpty());
    QVERIFY(f.prompts.shown.empty());
  }

  void VanishedFileShowsTheFileErrorAndKeepsTheRest() {
    MainWindowFixture f;
    QString file = f.Write("a.sub", "{1}{2}a\r\n");
    f.form->LoadSubtitleFile(file);
    f.form->SetChanged(false);
    QFile::remove(file);
    // A recent entry whose file has gone: the list is emptied, the error shown.
    f.form->recentFiles = QStringList{file};
    QVERIFY(!f.form->RunCommand([&] { f.form->RychClick(1); }));
    f.prompts.ExpectError();
    QCOMPARE(f.prompts.Kinds(), QStringList({"error"}));
    QVERIFY(f.prompts.shown[0].text.contains("File not found"));
    QVERIFY(f.form->Doc().Empty());
    QCOMPARE(f.form->ESource->text(), file);
    QCOMPARE(f.form->ETarget->text(), f.Path("a2.sub"));
  }

  void BinaryAndHugeLinesDoNotBreakTheWindow() {
    MainWindowFixture f;
    QByteArray huge = "{1}{2}" + QByteArray(100000, 'x') + "\r\n{9999999999}{1}y\r\n";
    // The 10-digit frame cannot be shown in E2: the invalid-number error ends
    // the load after the list is filled.
    QString big = f.Write("big.sub", huge);
    QVERIFY(!f.form->RunCommand([&] { f.form->LoadSubtitleFile(big); }));
    f.prompts.ExpectError();
    QCOMPARE(f.prompts.Texts(), QStringList({"'09999999999' is not a valid integer value"}));
    QCOMPARE(f.form->Doc().Count(), 2);
    QCOMPARE(f.form->E1->text(), QString("1"));
    // Not text at all: refused with a message, no conversion dialog.
    const QString bin = f.Write("bin.sub", QByteArray("\0\1\2{1}\n\0", 8));
    f.form->LoadSubtitleFile(bin);
    QVERIFY(f.form->Doc().Empty());
    QCOMPARE(f.prompts.Texts().last(),
             "Soubor " + bin + " není textový soubor s titulky, nelze ho převést.");
  }

  void OpenDialogAsksAboutChangesFirst() {
    MainWindowFixture f;
    QString a = f.Write("a.sub", "{1}{2}a\r\n");
    QString b = f.Write("b.sub", "{3}{4}b\r\n");
    f.form->LoadSubtitleFile(a);
    f.form->SetChanged(true);
    f.prompts.yesNo = {false};
    f.prompts.files = {b};
    f.form->PrButClick();
    QCOMPARE(f.prompts.Kinds(), QStringList({"question", "open"}));
    QCOMPARE(f.prompts.shown[0].title, QString("Upozornění"));
    QCOMPARE(f.prompts.shown[0].text,
             QString("V upravovaném souboru s titulky byly provedeny změny, chcete tyto změny "
                     "uložit?"));
    QCOMPARE(f.prompts.shown[1].title, QString("Otevření zdrojového souboru s titulky"));
    QVERIFY(f.prompts.shown[1].text.endsWith("|" + f.dir.path() + "/"));
    QCOMPARE(f.Rows(), QStringList({"{3}{4}b"}));
    QVERIFY(!f.form->Changed());
    QVERIFY(!QFile::exists(f.Path("a2.sub")));  // declined: nothing saved
  }

  void YesSavesIntoTheTargetBeforeLoading() {
    MainWindowFixture f;
    QString a = f.Write("a.sub", "{1}{2}a\r\n");
    f.form->LoadSubtitleFile(a);
    f.form->SetChanged(true);
    f.prompts.yesNo = {true};
    f.prompts.files = {std::nullopt};  // then the user cancels the dialog
    f.form->PrButClick();
    QCOMPARE(ReadFileBytes(f.Path("a2.sub")), QByteArray("{1}{2}a\r\n"));
    QCOMPARE(f.Rows(), QStringList({"{1}{2}a"}));
  }

  void EnterInSourceFieldAsksAboutChangesAndLoads() {
    MainWindowFixture f;
    QString a = f.Write("a.sub", "{1}{2}a\r\n");
    QString b = f.Write("b.sub", "{3}{4}b\r\n");
    f.form->LoadSubtitleFile(a);
    f.form->SetChanged(true);
    f.form->ESource->setText(b);
    f.prompts.yesNo = {false};
    QTest::keyClick(f.form->ESource, Qt::Key_Return);
    QCOMPARE(f.prompts.Kinds(), QStringList({"question"}));
    QCOMPARE(f.Rows(), QStringList({"{3}{4}b"}));
    QCOMPARE(f.form->ESource->text(), b);  // Enter was swallowed
    // A name of no file: nothing happens.
    f.form->ESource->setText(f.Path("none.sub"));
    QTest::keyClick(f.form->ESource, Qt::Key_Return);
    QCOMPARE(f.Rows(), QStringList({"{3}{4}b"}));
  }

  void NoTargetAsksForANameInsideTheSubtitlesFolder() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{1}{2}a\r\n"));
    f.form->ETarget->clear();
    f.form->SetChanged(true);
    f.Write("film.sub", "old");
    f.prompts.yesNo = {true};
    f.prompts.inputs = {QString("C:\\texty\\film.cz.sub")};
    f.form->AskSaveChanges();
    QCOMPARE(f.prompts.Kinds(), QStringList({"question", "input", "message"}));
    QCOMPARE(f.prompts.shown[1].title, QString("Uložení změn"));
    QCOMPARE(f.prompts.shown[1].text, QString("Zadejte název souboru pro uložení změn:|novy"));
    QCOMPARE(f.form->ETarget->text(), f.Path("film2.sub"));
    QCOMPARE(f.prompts.shown[2].text,
             "Provedené změny byly uloženy do souboru " + f.Path("film2.sub") + ".");
    QCOMPARE(ReadFileBytes(f.Path("film2.sub")), QByteArray("{1}{2}a\r\n"));
    QCOMPARE(ReadFileBytes(f.Path("film.sub")), QByteArray("old"));
    QVERIFY(!f.form->Changed());
  }

  void UntickedOptionDiscardsWithoutAsking() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{1}{2}a\r\n"));
    f.form->SetChanged(true);
    f.form->UkladatZmeny1->trigger();
    QVERIFY(!f.form->UkladatZmeny1->isChecked());
    f.form->ZdrojTitZav1Click();
    QVERIFY(f.prompts.shown.empty());
    QVERIFY(!f.form->Changed());
    QVERIFY(f.form->Doc().Empty());
    QCOMPARE(f.form->ETarget->text(), f.Path("a2.sub"));  // kept by closing the source
  }

  void SavingWritesAllOrSelectedAndClearsTheFlag() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{1}{2}a\n{3}{4}b\n{5}{6}c"));
    f.form->SetChanged(true);
    f.form->UlozButClick();
    QCOMPARE(ReadFileBytes(f.Path("a2.sub")), QByteArray("{1}{2}a\r\n{3}{4}b\r\n{5}{6}c\r\n"));
    QVERIFY(!f.form->Changed());
    auto* sm = f.form->ListBox1->selectionModel();
    sm->select(f.form->ListBox1->model()->index(2, 0), QItemSelectionModel::Select);
    sm->select(f.form->ListBox1->model()->index(0, 0), QItemSelectionModel::Select);
    f.form->SetChanged(true);
    f.form->UlozVyb1Click();
    QCOMPARE(ReadFileBytes(f.Path("a2.sub")), QByteArray("{1}{2}a\r\n{5}{6}c\r\n"));
    QVERIFY(!f.form->Changed());
    QCOMPARE(sm->selectedIndexes().size(), 2);  // the selection stays
    QCOMPARE(f.form->ETarget->text(), f.Path("a2.sub"));
  }

  void SavingSelectedWithoutTargetAsksForAName() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{1}{2}a\r\n{3}{4}b\r\n"));
    f.form->ETarget->clear();
    f.form->ListBox1->selectionModel()->select(f.form->ListBox1->model()->index(1, 0),
                                               QItemSelectionModel::Select);
    f.prompts.inputs = {QString("vyber")};
    f.form->UlozVyb1Click();
    QCOMPARE(ReadFileBytes(f.Path("vyber.sub")), QByteArray("{3}{4}b\r\n"));
    QCOMPARE(f.form->ETarget->text(), f.Path("vyber.sub"));
    // Cancelled: nothing written, nothing changed.
    f.form->ETarget->clear();
    f.prompts.inputs = {std::nullopt};
    f.form->UlozVyb1Click();
    QVERIFY(f.form->ETarget->text().isEmpty());
  }

  void FailedSaveKeepsTheFlagAndTheOldFile() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{1}{2}a\r\n"));
    f.form->SetChanged(true);
    f.form->ETarget->setText(f.Path("missing/t.sub"));
    QVERIFY(!f.form->RunCommand([&] { f.form->UlozButClick(); }));
    f.prompts.ExpectError();
    QCOMPARE(f.prompts.Kinds(), QStringList({"error"}));
    QVERIFY(f.form->Changed());
    // A target that is a folder: the save fails and the folder is untouched.
    QDir(f.dir.path()).mkdir("dir.sub");
    f.form->ETarget->setText(f.Path("dir.sub"));
    QVERIFY(!f.form->RunCommand([&] { f.form->UlozButClick(); }));
    QVERIFY(QFileInfo(f.Path("dir.sub")).isDir());
    QVERIFY(f.form->Changed());
    // When the save asked for by closing fails, the window stays open.
    f.prompts.yesNo = {true};
    f.form->show();
    QVERIFY(!f.form->close());
    QVERIFY(f.form->isVisible());
    QVERIFY(f.form->Changed());
  }

  void ClosingAsksOnlyWithChanges() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{1}{2}a\r\n"));
    f.form->show();
    QVERIFY(f.form->close());
    QVERIFY(f.prompts.shown.empty());
  }

  void ClearEverythingEmptiesListAndFields() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{1}{2}a\r\n"));
    f.form->E3->setText("7");
    f.form->VymazButClick();
    QVERIFY(f.form->Doc().Empty());
    for (QLineEdit* e : {f.form->ESource, f.form->ETarget, f.form->E1, f.form->E3, f.form->ESync})
      QVERIFY(e->text().isEmpty());
  }

  void KeyFiltersLetThroughOnlyTheirCharacters() {
    MainWindowFixture f;
    QTest::keyClicks(f.form->E6, "1.5");
    QCOMPARE(f.form->E6->text(), QString("15"));
    QTest::keyClicks(f.form->E5, "-2,5");
    QCOMPARE(f.form->E5->text(), QString("-2,5"));
    QTest::keyClicks(f.form->E1, "-1a2 3");
    QCOMPARE(f.form->E1->text(), QString("123"));
    QTest::keyClick(f.form->E1, Qt::Key_Backspace);
    QCOMPARE(f.form->E1->text(), QString("12"));
    QTest::keyClicks(f.form->E2, "123456789");
    QCOMPARE(f.form->E2->text(), QString("1234567"));  // at most seven characters
    QTest::keyClicks(f.form->E6, "-");
    QCOMPARE(f.form->E6->text(), QString("15"));
    QTest::keyClicks(f.form->ETarget, "a.b-c");
    QCOMPARE(f.form->ETarget->text(), QString("a.b-c"));
  }

  void StateRefreshEnablesCommandsByTheRules() {
    MainWindowFixture f;
    f.form->Timer1Timer();
    QVERIFY(!f.form->Upravy1->menuAction()->isEnabled());
    QVERIFY(!f.form->Formatovani2->menuAction()->isEnabled());
    QVERIFY(!f.form->VymazVse1->isEnabled());  // its shortcut is off with its menu
    QVERIFY(f.form->VymazBut->isEnabled());
    QVERIFY(!f.form->RovnaBut->isEnabled());
    QVERIFY(!f.form->UlozBut->isEnabled());
    QVERIFY(!f.form->SireBut->isEnabled());
    QVERIFY(!f.form->ZdrojTitZav1->isEnabled());
    QCOMPARE(f.form->ListBox1->contextMenuPolicy(), Qt::NoContextMenu);

    f.form->LoadSubtitleFile(f.Write("a.sub", "{1}{2}a\r\n"));
    for (QLineEdit* e : {f.form->E3, f.form->E4}) e->setText("1");
    f.form->Timer1Timer();
    QVERIFY(f.form->Upravy1->menuAction()->isEnabled());
    QVERIFY(f.form->RovnaBut->isEnabled());
    QVERIFY(f.form->UlozBut->isEnabled());
    QVERIFY(f.form->UlozitVyb1->isEnabled());
    QVERIFY(f.form->ZdrojTitZav1->isEnabled());
    QVERIFY(!f.form->PrepocitejBut->isEnabled());
    QVERIFY(!f.form->PrepocVse1->isEnabled());
    f.form->E5->setText("1");
    f.form->E6->setText("1");
    f.form->Timer1Timer();
    QVERIFY(f.form->PrepocitejBut->isEnabled());
    QVERIFY(f.form->PrepocVse1->isEnabled());
    QVERIFY(f.form->Prepocitat1->isEnabled());
    // The source file must exist for recalculation.
    QFile::remove(f.Path("a.sub"));
    f.form->Timer1Timer();
    QVERIFY(!f.form->PrepocitejBut->isEnabled());
    // Rows selected: the popup menu is attached.
    f.form->Vybrat1Click();
    f.form->Timer1Timer();
    QCOMPARE(f.form->ListBox1->contextMenuPolicy(), Qt::CustomContextMenu);
    f.form->ETarget->clear();
    f.form->Timer1Timer();
    QVERIFY(!f.form->UlozBut->isEnabled());
    QVERIFY(!f.form->Ulozit1->menuAction()->isEnabled());
  }

  void HintOfTheControlUnderThePointerGoesToTheStatusBar() {
    MainWindowFixture f;
    QStatusTipEvent tip(f.form->RovnaBut->statusTip());
    QCoreApplication::sendEvent(f.form.get(), &tip);
    f.form->Timer1Timer();
    QCOMPARE(f.form->StatusText->text(),
             QString(" Automatické dopočítání výsledného posunu a časového měřítka."));
  }

  // The layout at 96 pixels per inch: the design's coordinates (laid out at
  // 120) times 0.8, the list and the panel stretched to the client size, the
  // button row below the list and centred.
  void WindowCannotShrinkBelowItsMinimumAndTheListFollows() {
    MainWindowFixture f;
    f.form->show();
    QCOMPARE(f.form->scaleFactor, 1.0);
    const QSize frame = f.form->size() - f.form->central->size();
    f.form->resize(200, 100);
    QCoreApplication::processEvents();
    QCOMPARE(f.form->central->size(), QSize(770, 480));
    struct Case {
      QSize client;
      QRect list;
      int panelWidth, playerLeft;
      QList<int> buttonLefts;
      int buttonTop;
    } cases[] = {
        {{770, 480}, {8, 299, 754, 131}, 368, 693, {102, 199, 295, 392, 488, 585}, 433},
        {{1000, 700}, {8, 299, 984, 351}, 598, 923, {218, 315, 411, 508, 604, 701}, 653},
    };
    for (const Case& c : cases) {
      f.form->resize(c.client + frame);
      QCoreApplication::processEvents();
      QCOMPARE(f.form->central->size(), c.client);
      QCOMPARE(f.form->ListBox1->geometry(), c.list);
      QCOMPARE(f.form->Panel1->geometry(), QRect(394, 39, c.panelWidth, 230));
      QCOMPARE(f.form->MediaPlayer1->x(), c.playerLeft);
      QCOMPARE(f.form->Label4->geometry().right(), c.list.right());
      QList<int> lefts;
      for (QPushButton* b : {f.form->PrepocitejBut, f.form->VymazBut, f.form->UlozBut,
                             f.form->SireBut, f.form->NapBut, f.form->KonecBut}) {
        lefts << b->x();
        QCOMPARE(b->y(), c.buttonTop);
      }
      QCOMPARE(lefts, c.buttonLefts);
      QCOMPARE(f.form->StatusBar1->geometry().bottom(), c.client.height() - 1);
      QCOMPARE(f.form->StatusBar1->width(), f.form->width());
    }
  }

  void MillionRowsLoadAndShow() {
    MainWindowFixture f;
    QByteArray bytes;
    bytes.reserve(30'000'000);
    for (int i = 1; i <= 1'000'000; ++i)
      bytes +=
          "{" + QByteArray::number(i * 10) + "}{" + QByteArray::number(i * 10 + 5) + "}Řádek\r\n";
    f.form->LoadSubtitleFile(f.Write("big.sub", bytes));
    QCOMPARE(f.form->ListBox1->model()->rowCount(), 1'000'000);
    QCOMPARE(f.form->E2->text(), QString("10000000"));
    f.form->Vybrat1Click();
    f.form->PullSelection();
    QCOMPARE(f.form->Doc().SelectedCount(), 1'000'000);
  }
};

QTEST_MAIN(HlformTest)
#include "hlform_test.moc"
