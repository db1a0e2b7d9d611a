// Undo and redo from the keyboard, and files dropped on the main window.
#include <QMimeData>
#include <QtTest>
#include <algorithm>

#include "layout/formatovani.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

// Drops the file at path on the main window where widget is.
void Drop(TForm1& form, const QString& path, QWidget* widget) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  const QPointF at = widget->mapTo(&form, widget->rect().center());
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &drop);
  QTest::qWait(20);
}

// Rows the list view shows selected, and its current row.
QList<int> ViewSelection(const TForm1& form) {
  QList<int> rows;
  for (const QModelIndex& i : form.ListBox1->selectionModel()->selectedIndexes()) rows << i.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

// Clicks row (with modifiers) in the list.
void ClickRow(TForm1& form, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QListView* list = form.ListBox1;
  const QRect r = list->visualRect(list->model()->index(row, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, r.center());
}

std::vector<std::string> Lines(TForm1& form) {
  std::vector<std::string> out;
  for (std::string_view l : form.Doc().Lines()) out.emplace_back(l);
  return out;
}

}  // namespace

class UndoTest : public QObject {
  Q_OBJECT

 private slots:
  void KeysTakeStepsBackAndDoThemAgain() {
    MainWindowFixture f;
    QVERIFY(f.Activate());
    const QByteArray original = "{30}{40}b\r\n{10}{20}a\r\n";
    f.form->LoadSubtitleFile(f.Write("a.sub", original));
    const QStringList before = f.Rows();
    f.form->E5->setText("5");
    f.form->E6->setText("2");
    f.form->Timer1Timer();
    QWidget* list = f.form->ListBox1;
    list->setFocus();
    QTest::keyClick(list, Qt::Key_P, Qt::ControlModifier);  // Přepočítat vše
    QTest::keyClick(list, Qt::Key_R, Qt::ControlModifier);  // Seřadit chronologicky
    const QStringList after = f.Rows();
    QCOMPARE(after, QStringList({"{25}{45}a", "{65}{85}b"}));
    f.form->Timer1Timer();
    QCOMPARE(f.form->Zpet1->text(), QString::fromUtf8("Zpět: Seřadit chronologicky"));
    f.form->SetChanged(false);
    QTest::keyClick(list, Qt::Key_Backspace, Qt::AltModifier);
    QTest::keyClick(f.form->E5, Qt::Key_Backspace, Qt::AltModifier);  // also from a field
    QCOMPARE(f.Rows(), before);
    QVERIFY(f.form->Changed());
    QCOMPARE(f.form->E2->text(), QString("10"));
    f.form->Timer1Timer();
    QCOMPARE(f.form->Znovu1->text(), QString::fromUtf8("Znovu: Přepočítat vše"));
    QTest::keyClick(list, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f.Rows(), after);
    // Loading starts a new history.
    f.form->LoadSubtitleFile(f.Write("b.sub", original));
    f.form->Timer1Timer();
    QVERIFY(!f.form->Zpet1->isEnabled());
  }

  // Every command that rewrites the whole list (or its selected rows) is
  // taken back to the very bytes it found, in UTF-8 and in windows-1250; the
  // list view then shows the same rows selected and the same current row as
  // the document holds, and the command done again gives what it gave.
  void ListWideCommandsAreTakenBackToTheBytes() {
    struct Command {
      const char* name;
      bool selectAll;  // otherwise rows 1 and 2 are clicked
      std::function<void(TForm1&)> run;
    };
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers mods) {
      return [k, mods](TForm1& form) { QTest::keyClick(form.ListBox1, k, mods); };
    };
    const Command commands[] = {
        {"recalculate all", false, key(Qt::Key_P, Qt::ControlModifier)},
        {"recalculate selected", false, key(Qt::Key_P, Qt::AltModifier)},
        {"join into one line", true, [](TForm1& form) { form.Spojit1->trigger(); }},
        {"split into two lines", true,
         [](TForm1& form) {
           form.Maximalne1->trigger();  // one-line subtitles are split too
           form.Rozdelit2->trigger();
         }},
        {"remove all formatting", true, key(Qt::Key_A, Qt::AltModifier | Qt::ShiftModifier)},
        {"set font", false,
         [](TForm1& form) {
           WhenShown<TForm7>([](TForm7* d) { d->OKBut->click(); });
           QTest::keyClick(form.ListBox1, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
         }},
    };
    const QByteArray files[] = {
        "{10}{20}{Y:i}Ahoj|světe\r\n"
        "{30}{40}Dnes večer půjdeme spolu do kina a potom na večeři k babičce\r\n"
        "{050}{60}{C:$0000FF}tři|čtyři\r\n"
        "{70}{}pět\r\n",
        // windows-1250: "Žluťoučký kůň"
        "{10}{20}\x8Elu\x9Dou\xE8k\xFD|k\xF9\xF2\r\n"
        "{30}{40}{Y:b}Dnes ve\xE8" "er p\xF9jdeme spolu do kina a potom na ve\xE8" "e\xF8i k babi\xE8" "ce\r\n"
        "{50}{60}t\xF8i\r\n"};
    for (const QByteArray& file : files)
      for (const Command& c : commands) {
        MainWindowFixture f;
        QVERIFY(f.Activate());
        f.form->LoadSubtitleFile(f.Write("a.sub", file));
        const std::vector<std::string> original = Lines(*f.form);
        f.form->E5->setText("5");
        f.form->E6->setText("2");
        f.form->ListBox1->setFocus();
        if (c.selectAll) {
          QTest::keyClick(f.form->ListBox1, Qt::Key_A, Qt::ControlModifier);
        } else {
          ClickRow(*f.form, 1);
          ClickRow(*f.form, 2, Qt::ShiftModifier);
        }
        f.form->Timer1Timer();
        c.run(*f.form);
        const std::vector<std::string> done = Lines(*f.form);
        QVERIFY2(done != original, c.name);
        const auto viewAgrees = [&] {
          QList<int> selected;
          for (int row : f.form->Doc().SelectedRows()) selected << row;
          return ViewSelection(*f.form) == selected &&
                 f.form->ListBox1->currentIndex().row() == f.form->Doc().CursorRow();
        };
        QVERIFY2(viewAgrees(), c.name);
        // Back from a dialog: the keys go to the main window again.
        QVERIFY(f.Activate());
        f.form->Timer1Timer();
        QTest::keyClick(f.form->ListBox1, Qt::Key_Backspace, Qt::AltModifier);
        QVERIFY2(Lines(*f.form) == original, c.name);
        QVERIFY2(viewAgrees(), c.name);
        f.form->Timer1Timer();
        QTest::keyClick(f.form->ListBox1, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY2(Lines(*f.form) == done, c.name);
        QVERIFY2(viewAgrees(), c.name);
      }
  }

  // After a command has rewritten every row, Shift+Down selects from the
  // current row, not from where an earlier Shift selection began.
  void ShiftSelectionStartsAtTheCurrentRowAfterARewrite() {
    MainWindowFixture f;
    QVERIFY(f.Activate());
    f.form->LoadSubtitleFile(
        f.Write("a.sub", "{10}{20}a\r\n{30}{40}b\r\n{50}{60}c\r\n{70}{80}d\r\n{90}{99}e\r\n"));
    f.form->E5->setText("5");
    f.form->E6->setText("1");
    f.form->ListBox1->setFocus();
    ClickRow(*f.form, 0);
    QTest::keyClick(f.form->ListBox1, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(f.form->ListBox1, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(ViewSelection(*f.form), QList<int>({0, 1, 2}));
    f.form->Timer1Timer();
    QTest::keyClick(f.form->ListBox1, Qt::Key_P, Qt::AltModifier);  // Přepočítat vybrané
    QCOMPARE(f.Rows()[2], QString("{55}{65}c"));
    QCOMPARE(ViewSelection(*f.form), QList<int>());
    QCOMPARE(f.form->ListBox1->currentIndex().row(), 2);
    QTest::keyClick(f.form->ListBox1, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(ViewSelection(*f.form), QList<int>({2, 3}));
  }

  void DroppedFilesOpenWhereTheyFall() {
    MainWindowFixture f;
    QVERIFY(f.Activate());
    const QString subtitles = f.Write("a.sub", "{10}{20}a\r\n{30}{40}b\r\n");
    Drop(*f.form, subtitles, f.form->ListBox1);
    QTRY_COMPARE(f.form->ESource->text(), subtitles);
    QCOMPARE(f.form->E2->text(), QString("30"));
    const QString sync = f.Write("s.sub", "{100}{120}x\r\n{900}{950}y\r\n");
    Drop(*f.form, sync, f.form->ESync);
    QTRY_COMPARE(f.form->ESync->text(), sync);
    QCOMPARE(f.form->E4->text(), QString("900"));
    // A folder is not taken; a file gone before the drop gives the file error.
    Drop(*f.form, f.dir.path(), f.form->ListBox1);
    QCOMPARE(f.form->ESource->text(), subtitles);
    Drop(*f.form, f.Path("gone.sub"), f.form->ListBox1);
    f.prompts.ExpectError();
    QTRY_COMPARE(f.prompts.Kinds(), QStringList({"error"}));
  }
};

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
