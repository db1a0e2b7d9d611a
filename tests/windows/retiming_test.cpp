#include <QAction>
#include <QtTest>

#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

const QString kLastBeforeFirst =
    QString::fromUtf8("Číslo posledního snímku musí být větší než číslo prvního snímku!");

void SelectRows(TForm1& form, std::initializer_list<int> rows) {
  auto* sm = form.ListBox1->selectionModel();
  sm->clearSelection();
  for (int r : rows) sm->select(form.ListBox1->model()->index(r, 0), QItemSelectionModel::Select);
}

}  // namespace

class RetimingTest : public QObject {
  Q_OBJECT

 private slots:
  void EqualsThenRecalculateFollowsTheWorkedExamples() {
    struct Case {
      QByteArray file;
      QString e3, e4, offset, scale;
      QStringList rows;
      QString e1, e2;
    } cases[] = {
        {"{2}{10}a\r\n{1002}{1100}b\r\n",
         "5",
         "1255",
         "2,5",
         "1,25",
         {"{4}{14}a", "{1254}{1377}b"},
         "4",
         "1254"},
        {"{100}{}a\r\n{102}{106}b\r\n{1100}{}c\r\n",
         "200",
         "1450",
         "75",
         "1,25",
         {"{200}{}a", "{202}{208}b", "{1450}{}c"},
         "200",
         "1450"},
    };
    for (const Case& c : cases) {
      MainWindowFixture f;
      f.form->LoadSubtitleFile(f.Write("a.sub", c.file));
      f.form->E3->setText(c.e3);
      f.form->E4->setText(c.e4);
      f.form->Timer1Timer();
      QVERIFY(f.form->RovnaBut->isEnabled());
      f.form->RovnaBut->click();
      QCOMPARE(f.form->E5->text(), c.offset);
      QCOMPARE(f.form->E6->text(), c.scale);
      // Twice gives the same.
      f.form->RovnaBut->click();
      QCOMPARE(f.form->E5->text(), c.offset);
      f.form->Timer1Timer();
      QVERIFY(f.form->PrepocitejBut->isEnabled());
      f.form->PrepocVse1->trigger();
      QCOMPARE(f.Rows(), c.rows);
      QCOMPARE(f.form->E1->text(), c.e1);
      QCOMPARE(f.form->E2->text(), c.e2);
      QVERIFY(f.form->E5->text().isEmpty());
      QVERIFY(f.form->E6->text().isEmpty());
      QVERIFY(f.form->Changed());
      QVERIFY(f.prompts.shown.empty());
      // A second recalculation needs new values first.
      f.form->Timer1Timer();
      QVERIFY(!f.form->PrepocitejBut->isEnabled());
      QVERIFY(!f.form->PrepocVse1->isEnabled());
      // Saving writes the new frames.
      f.form->UlozButClick();
      QCOMPARE(ReadFileBytes(f.Path("a2.sub")), (c.rows.join("\r\n") + "\r\n").toUtf8());
    }
  }

  void EqualsWithPairsNotIncreasingClearsTheResult() {
    const QStringList fields[] = {{"5", "5", "1", "9"}, {"1", "9", "7", "7"}, {"9", "2", "1", "9"}};
    for (const QStringList& e : fields) {
      MainWindowFixture f;
      f.form->E1->setText(e[0]);
      f.form->E2->setText(e[1]);
      f.form->E3->setText(e[2]);
      f.form->E4->setText(e[3]);
      f.form->E5->setText("3");
      f.form->E6->setText("2");
      f.form->RovnaButClick();
      QVERIFY(f.form->E5->text().isEmpty());
      QVERIFY(f.form->E6->text().isEmpty());
      QCOMPARE(f.prompts.Texts(), QStringList({kLastBeforeFirst}));
    }
  }

  void EqualsWithAPastedNonNumberIsTheGeneralError() {
    MainWindowFixture f;
    f.form->E1->setText("1");
    f.form->E2->setText("9");
    f.form->E3->setText("1x");
    f.form->E4->setText("20");
    f.form->E5->setText("3");
    QVERIFY(!f.form->RunCommand([&] { f.form->RovnaButClick(); }));
    f.prompts.ExpectError();
    QCOMPARE(f.prompts.Kinds(), QStringList({"error"}));
    QCOMPARE(f.prompts.Texts(), QStringList({"'1x' is not a valid integer value"}));
    QCOMPARE(f.form->E5->text(), QString("3"));
  }

  void InvalidOffsetOrScaleChangesNothing() {
    const struct {
      QString offset, scale, message;
    } cases[] = {
        {"-", "1", QString::fromUtf8("Hodnota posunu je chybná!")},
        {",", "1", QString::fromUtf8("Hodnota posunu je chybná!")},
        {"1,2,3", "1", QString::fromUtf8("Hodnota posunu je chybná!")},
        {"-,", "", QString::fromUtf8("Hodnota posunu je chybná!")},
        {"5", ",", QString::fromUtf8("Hodnota časového měřítka je chybná!")},
        {"5", "2.5", QString::fromUtf8("Hodnota časového měřítka je chybná!")},
        // A result that no later load could read: refused before any change.
        {"0", "3000000",
         QString::fromUtf8("Přepočítané číslo snímku by bylo větší než "
                           "2147483647, takové číslo už nelze uložit. Titulky "
                           "zůstaly beze změny; zkontrolujte výsledný posun a "
                           "časové měřítko.")},
    };
    for (const auto& c : cases) {
      MainWindowFixture f;
      f.form->LoadSubtitleFile(f.Write("a.sub", "{10}{20}a\r\n{1000}{1100}b\r\n"));
      SelectRows(*f.form, {1});
      f.form->E5->setText(c.offset);
      f.form->E6->setText(c.scale);
      f.form->PrepocitejButClick();
      QCOMPARE(f.prompts.Texts(), QStringList({c.message}));
      QCOMPARE(f.Rows(), QStringList({"{10}{20}a", "{1000}{1100}b"}));
      QVERIFY(!f.form->Changed());
      QCOMPARE(f.form->E5->text(), c.offset);
      QCOMPARE(f.form->E6->text(), c.scale);
      QCOMPARE(f.form->ListBox1->selectionModel()->selectedRows().size(), 1);
    }
  }

  void EnterInAFieldPressesTheDefaultButton() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{10}{20}a\r\n{30}{40}b\r\n"));
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    // Disabled (no offset and scale yet): Enter does nothing.
    f.form->Timer1Timer();
    QTest::keyClick(f.form->E5, Qt::Key_Return);
    QCOMPARE(f.Rows(), QStringList({"{10}{20}a", "{30}{40}b"}));
    for (QLineEdit* field : {f.form->E6, f.form->E1, f.form->ETarget}) {
      f.form->E5->setText("5");
      f.form->E6->setText("1");
      f.form->Timer1Timer();
      const QString first = f.Rows().first();
      QTest::keyClick(field, Qt::Key_Enter);
      QVERIFY(f.Rows().first() != first);
      QVERIFY(f.form->E5->text().isEmpty());
    }
    QCOMPARE(f.Rows(), QStringList({"{25}{35}a", "{45}{55}b"}));
    QVERIFY(f.prompts.shown.empty());
  }

  void ShortcutsReachTheRetimingCommands() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{10}{20}a\r\n{30}{40}b\r\n"));
    QVERIFY(f.Activate());
    f.form->ListBox1->setFocus();
    SelectRows(*f.form, {1});
    f.form->E5->setText("1");
    f.form->E6->setText("1");
    f.form->Timer1Timer();
    // Alt+P is the menu's "Přepočítat vybrané", not taken by the button's underlined P.
    QTest::keyClick(f.form->ListBox1, Qt::Key_P, Qt::AltModifier);
    QCOMPARE(f.Rows(), QStringList({"{10}{20}a", "{31}{41}b"}));
    f.form->E5->setText("1");
    f.form->E6->setText("1");
    f.form->Timer1Timer();
    QTest::keyClick(f.form->ListBox1, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(f.Rows(), QStringList({"{11}{21}a", "{32}{42}b"}));
    // Again, now that the focus is elsewhere.
    f.form->E5->setFocus();
    SelectRows(*f.form, {0});
    f.form->E5->setText("1");
    f.form->E6->setText("1");
    f.form->Timer1Timer();
    QTest::keyClick(f.form->E5, Qt::Key_P, Qt::AltModifier);
    QCOMPARE(f.Rows(), QStringList({"{12}{22}a", "{32}{42}b"}));
    // Ctrl+F2 opens a synchronization file, Alt+F10 closes it.
    f.prompts.files = {f.Write("s.sub", "{5}{}a\r\n{50}{}b\r\n")};
    QTest::keyClick(f.form->ListBox1, Qt::Key_F2, Qt::ControlModifier);
    QCOMPARE(f.form->E3->text(), QString("5"));
    QCOMPARE(f.form->ESync->text(), f.Path("s.sub"));
    f.form->Timer1Timer();
    QTest::keyClick(f.form->ListBox1, Qt::Key_F10, Qt::AltModifier);
    QVERIFY(f.form->ESync->text().isEmpty());
  }

  void SelectedRecalculationDeselectsAndLeavesTheOthers() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{10}{20}a\r\n{30}{40}b\r\n{50}{60}c\r\n"));
    SelectRows(*f.form, {0, 2});
    f.form->E5->setText("100");
    f.form->E6->setText("2");
    f.form->Timer1Timer();
    QVERIFY(f.form->Prepocitat1->isEnabled());
    f.form->Prepocitat1->trigger();
    QCOMPARE(f.Rows(), QStringList({"{120}{140}a", "{30}{40}b", "{200}{220}c"}));
    QVERIFY(f.form->ListBox1->selectionModel()->selectedRows().isEmpty());
    QCOMPARE(f.form->E1->text(), QString("120"));
    QCOMPARE(f.form->E2->text(), QString("200"));
    QVERIFY(f.form->Changed());
  }

  void SelectedRecalculationWithNothingSelectedStillClearsAndFlags() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{10}{20}a\r\n{30}{40}b\r\n"));
    f.form->E5->setText("100");
    f.form->E6->setText("2");
    f.form->PrepocVyb1->trigger();
    QCOMPARE(f.Rows(), QStringList({"{10}{20}a", "{30}{40}b"}));
    QVERIFY(f.form->E5->text().isEmpty());
    QVERIFY(f.form->E6->text().isEmpty());
    QVERIFY(f.form->Changed());
  }

  void SynchronizationFileGivesTheNewFirstAndLastFrame() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{2}{10}a\r\n{1002}{1100}b\r\n"));
    QString sync = f.Write("sync.sub", "[INFO]\r\n\r\n{10}{20}a\r\nx\r\n{900}{950}b\r\n");
    f.prompts.files = {sync};
    f.form->PrBut2->click();
    QCOMPARE(f.prompts.shown[0].title,
             QString::fromUtf8("Otevření souboru s titulky pro synchronizaci"));
    QCOMPARE(f.form->E3->text(), QString("10"));
    QCOMPARE(f.form->E4->text(), QString("900"));
    QCOMPARE(f.form->ESync->text(), sync);
    // The four frames are there: "=" ran by itself.
    QCOMPARE(f.form->E6->text(), QString("0,89"));
    QCOMPARE(f.form->E5->text(), QString("8,22"));
    QCOMPARE(f.prompts.Kinds(), QStringList({"open"}));

    // The same file with "x" first: the message, nothing changes.
    QString bad = f.Write("bad.sub", "x\r\n[INFO]\r\n\r\n{10}{20}a\r\n{777}{950}b\r\n");
    f.prompts.files = {bad};
    f.form->SynTit1->trigger();
    QCOMPARE(f.prompts.Texts().last(), QString::fromUtf8("Nestandardní formát titulků!"));
    QCOMPARE(f.form->E3->text(), QString("10"));
    QCOMPARE(f.form->E4->text(), QString("900"));
    QCOMPARE(f.form->ESync->text(), sync);

    // Closing the synchronization file keeps E3 and E4.
    f.form->SynTitZav1Click();
    QVERIFY(f.form->ESync->text().isEmpty());
    QCOMPARE(f.form->E3->text(), QString("10"));

    // Loading another source while E3/E4 stand recomputes at once.
    f.form->LoadSubtitleFile(f.Write("b.sub", "{0}{5}a\r\n{445}{}b\r\n"));
    QCOMPARE(f.form->E6->text(), QString("2"));
    QCOMPARE(f.form->E5->text(), QString("10"));
  }

  void SynchronizationFileEndingInAnEmptyLineLeavesE4Empty() {
    MainWindowFixture f;
    f.form->LoadSubtitleFile(f.Write("a.sub", "{2}{10}a\r\n{1002}{1100}b\r\n"));
    f.form->E4->setText("5");
    QVERIFY(f.form->LoadSyncFileBounds(f.Write("s.sub", "{10}{20}a\r\n{900}{950}b\r\n\r\n")));
    QCOMPARE(f.form->E3->text(), QString("10"));
    QVERIFY(f.form->E4->text().isEmpty());
    QVERIFY(f.form->E5->text().isEmpty());
    QVERIFY(f.prompts.shown.empty());
    // No subtitle line at all: false, E3 emptied, ESync untouched by the caller.
    f.form->ESync->setText("old");
    f.prompts.files = {f.Write("h.sub", "[a]\r\n\r\n")};
    f.form->PrBut2Click();
    QVERIFY(f.form->E3->text().isEmpty());
    QCOMPARE(f.form->ESync->text(), QString("old"));
    // A missing file is the general file error.
    QVERIFY(!f.form->RunCommand([&] { f.form->LoadSyncFileBounds(f.Path("none.sub")); }));
    f.prompts.ExpectError();
    QVERIFY(f.prompts.Texts().last().contains("File not found"));
  }
};

QTEST_MAIN(RetimingTest)
#include "retiming_test.moc"
