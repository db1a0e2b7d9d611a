#include <QtTest/qtestspontaneevent.h>

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QtTest>
#include <functional>

#include "app/find_dialog.h"
#include "document/subtitle_line.h"
#include "edit/upravy.h"
#include "layout/formatovani.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

void Load(MainWindowFixture& f, const QByteArray& bytes) {
  f.form->LoadSubtitleFile(f.Write("a.sub", bytes));
  f.form->SetChanged(false);
}

// The selected rows as the list view shows them.
QList<int> ViewSelection(TForm1& form) {
  QList<int> rows;
  for (const QModelIndex& i : form.ListBox1->selectionModel()->selectedIndexes()) rows << i.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

void SelectRows(TForm1& form, const QList<int>& rows, int cursor) {
  QItemSelectionModel* sm = form.ListBox1->selectionModel();
  sm->clearSelection();
  for (int r : rows) sm->select(form.ListBox1->model()->index(r, 0), QItemSelectionModel::Select);
  sm->setCurrentIndex(form.ListBox1->model()->index(cursor, 0), QItemSelectionModel::NoUpdate);
}

std::unique_ptr<TForm3> OpenEditor(TForm1& form, int row) {
  auto d = std::make_unique<TForm3>(form);
  SubtitleFields fields = ParseSubtitleLine(form.Doc().Line(row));
  d->editedRow = row;
  d->editedFirst = fields.first;
  d->editedSecond = fields.second;
  d->editedText = fields.text;
  d->FormShow();
  return d;
}

}  // namespace

class EditTest : public QObject {
  Q_OBJECT

 private slots:
  void EditorShowsTagsAndLinesAndWritesThemBackUnchanged() {
    MainWindowFixture f;
    Load(f, "{1}{2}a\r\n{100}{250}{Y:b}{y:i}Ahoj|{c:$FF0000}světe\r\n");
    auto d = OpenEditor(*f.form, 1);
    QCOMPARE(d->windowTitle(), QString::fromUtf8("Úprava titulku 2/2"));
    QCOMPARE(d->EFrame1->text(), QString("100"));
    QCOMPARE(d->EFrame2->text(), QString("250"));
    QCOMPARE(d->EF[0]->text(), QString("{Y:b}"));
    QCOMPARE(d->EF[1]->text(), QString("{y:i}"));
    QCOMPARE(d->E[0]->text(), QString("Ahoj"));
    QCOMPARE(d->EF[2]->text(), QString("{c:$FF0000}"));
    QCOMPARE(d->E[1]->text(), QString::fromUtf8("světe"));
    QVERIFY(!d->PouzitBut->isEnabled());

    QTest::keyClicks(d->E[0], "x");
    QTest::keyClick(d->E[0], Qt::Key_Backspace);
    QVERIFY(d->PouzitBut->isEnabled());
    d->OKButClick();
    QCOMPARE(f.Rows()[1], QString::fromUtf8("{100}{250}{Y:b}{y:i}Ahoj|{c:$FF0000}světe"));
    QVERIFY(f.form->Changed());
    QCOMPARE(f.form->E2->text(), QString("100"));  // last row: frame fields refreshed
  }

  void EditorClosesUpLinesAndPutsTagLettersInScope() {
    MainWindowFixture f;
    Load(f, "{10}{}1|2|3|4|5|6|7\r\n{20}{30}x\r\n");
    auto d = OpenEditor(*f.form, 0);
    QCOMPARE(d->EFrame2->text(), QString());
    QCOMPARE(d->E[4]->text(), QString("5"));
    d->PouzitButClick();
    QCOMPARE(f.Rows()[0], QString("{10}{}1|2|3|4|5"));

    d->E[1]->clear();
    d->E[3]->clear();
    d->EF[3]->setText("{Y:i}");
    d->EF[0]->setText("{y:b}");
    d->PouzitButClick();
    QCOMPARE(f.Rows()[0], QString("{10}{}{Y:b}1|{y:i}3|5"));

    for (QLineEdit* e : d->E) e->clear();
    d->EFrame1->setText("010");
    d->PouzitButClick();
    QCOMPARE(f.Rows()[0], QString("{010}{}"));
    QVERIFY(!d->PouzitBut->isEnabled());
  }

  void FramesLongerThanTheTypingLimitAreShownAndWrittenWhole() {
    MainWindowFixture f;
    Load(f, "{123456789}{2147483647}a\r\n{5}{6}b\r\n");
    auto d = OpenEditor(*f.form, 0);
    QCOMPARE(d->EFrame1->text(), QString("123456789"));
    QCOMPARE(d->EFrame2->text(), QString("2147483647"));
    d->E[0]->setText("x");
    d->DalButClick();
    QCOMPARE(f.Rows()[0], QString("{123456789}{2147483647}x"));
    // The next row's short frames are typed with the usual limit.
    QCOMPARE(d->EFrame1->text(), QString("5"));
    d->EFrame1->selectAll();
    QTest::keyClicks(d->EFrame1, "123456789");
    QCOMPARE(d->EFrame1->text(), QString("1234567"));
  }

  void LongLinesAndFormatsAreWrittenBackWhole() {
    MainWindowFixture f;
    const QByteArray text(40000, 'a');
    const QByteArray tags = "{f:" + QByteArray(40000, 'F') + "}";
    Load(f, "{1}{2}" + text + "|" + tags + text + "\r\n");
    auto d = OpenEditor(*f.form, 0);
    d->EFrame1->setText("5");
    d->OKButClick();
    QCOMPARE(f.form->Doc().Line(0), ("{5}{2}" + text + "|" + tags + text).toStdString());
  }

  void TypedTextIsWrittenInTheDocumentsEncoding() {
    for (bool utf8 : {false, true}) {
      MainWindowFixture f;
      Load(f, utf8 ? QByteArray("{1}{2}\xc5\xbe\r\n") : QByteArray("{1}{2}\x9e\r\n"));
      auto d = OpenEditor(*f.form, 0);
      QCOMPARE(d->E[0]->text(), QString::fromUtf8("ž"));
      d->E[1]->setText(QString::fromUtf8("čau"));
      d->OKButClick();
      const std::string expected = utf8 ? "{1}{2}\xc5\xbe|\xc4\x8d"
                                          "au"
                                        : "{1}{2}\x9e|\xe8"
                                          "au";
      QCOMPARE(f.form->Doc().Line(0), expected);
      QCOMPARE(f.Rows()[0], QString::fromUtf8("{1}{2}ž|čau"));
    }
  }

  void SteppingAppliesPendingChangesAndStaysInTheList() {
    MainWindowFixture f;
    QByteArray bytes;
    for (int i = 0; i < 10; ++i)
      bytes += QByteArray("{") + QByteArray::number(i * 10 + 1) + "}{" +
               QByteArray::number(i * 10 + 5) + "}r" + QByteArray::number(i) + "\r\n";
    Load(f, bytes);
    auto d = OpenEditor(*f.form, 8);
    d->E[0]->setText("zmena");
    d->EPosun->setText("5");
    d->DalButClick();
    QCOMPARE(d->editedRow, 9);
    QCOMPARE(f.Rows()[8], QString("{81}{85}zmena"));
    QCOMPARE(d->E[0]->text(), QString("r9"));
    QCOMPARE(ViewSelection(*f.form), QList<int>({9}));
    QCOMPARE(f.form->ListBox1->currentIndex().row(), 9);
    d->Timer1Timer();
    QVERIFY(!d->DalBut->isEnabled());
    QVERIFY(d->PredBut->isEnabled());

    d->MoveToRow(3 - 9);
    d->PredButClick();
    QCOMPARE(d->editedRow, 0);
    QCOMPARE(d->windowTitle(), QString::fromUtf8("Úprava titulku 1/10"));
    d->Timer1Timer();
    QVERIFY(!d->PredBut->isEnabled());

    // An empty step cannot be converted: nothing moves.
    d->EPosun->clear();
    QTest::mouseClick(d->DalBut, Qt::LeftButton);
    QCOMPARE(d->editedRow, 0);
    f.prompts.ExpectError();
    QCOMPARE(f.prompts.Texts(), QStringList({"'' is not a valid integer value"}));
  }

  void NewSubtitleFollowsTheLastSecondFrame() {
    MainWindowFixture f;
    Load(f, "{10}{20}a\r\n{1000}{1100}x\r\n");
    auto d = OpenEditor(*f.form, 0);
    d->E[0]->setText("neulozeno");
    d->NovyButClick();
    QCOMPARE(f.Rows(), QStringList({"{10}{20}a", "{1000}{1100}x", "{1101}{1200}"}));
    QCOMPARE(d->editedRow, 2);
    QCOMPARE(d->EFrame1->text(), QString("1101"));
    QCOMPARE(d->E[0]->text(), QString());
    QCOMPARE(ViewSelection(*f.form), QList<int>({2}));
    QVERIFY(f.form->Changed());

    Load(f, "{1000}{}x\r\n");
    auto e = OpenEditor(*f.form, 0);
    e->NovyButClick();
    QCOMPARE(f.Rows()[1], QString("{1}{100}"));
  }

  void FormatButtonsGoThroughTheFontDialog() {
    MainWindowFixture f;
    Load(f, "{1}{2}{Y:b}{s:30}a\r\n");
    f.form->defaultFormat = QFont("Liberation Sans", 12);
    auto d = OpenEditor(*f.form, 0);
    QFont chosen("Liberation Serif", 22);
    chosen.setBold(true);
    chosen.setItalic(true);
    f.prompts.fonts.push_back(FontChoice{chosen, QColor(255, 255, 255)});
    d->PrButClick(1);
    QCOMPARE(d->EF[1]->text(), QString("{f:Liberation Serif}{s:22}{y:bi}{c:$FFFFFF}"));
    QVERIFY(d->PouzitBut->isEnabled());

    FontChoice start = d->FontFromTags(0);
    QCOMPARE(start.font.family(), QString("Liberation Sans"));
    QVERIFY(start.font.bold());
    QCOMPARE(start.font.pointSize(), 12);
    f.prompts.fonts.push_back(FontChoice{QFont("Liberation Mono", 9), QColor(255, 0, 0)});
    d->PrButClick(0);
    QCOMPARE(d->EF[0]->text(), QString("{F:Liberation Mono}{S:9}{C:$0000FF}"));

    // Cancel keeps the edit; a size without digits stops before the dialog.
    f.prompts.fonts.push_back(std::nullopt);
    d->PrButClick(1);
    QCOMPARE(d->EF[1]->text(), QString("{f:Liberation Serif}{s:22}{y:bi}{c:$FFFFFF}"));
    d->EF[2]->setText("{s:}");
    QTest::mouseClick(d->PrBut[2], Qt::LeftButton);
    f.prompts.ExpectError();
    QCOMPARE(f.prompts.Kinds(), QStringList({"font", "font", "font", "error"}));

    f.prompts.fonts.push_back(FontChoice{QFont("Liberation Serif", 30), QColor(0, 0, 255)});
    d->NastavitVychButClick();
    QCOMPARE(f.form->defaultFormat.pointSize(), 30);
    QCOMPARE(f.form->defaultFormatColor, QColor(0, 0, 255));
  }

  void OpenerFillsFormatsWhenTheFlagIsOff() {
    MainWindowFixture f;
    Load(f, "{1}{2}{Y:b}a\r\n");
    TForm3 d(*f.form);
    d.editedText = "{Y:b}a";
    d.formatFilling = false;
    d.EF[1]->setText("{y:u}");
    d.FormShow();
    QCOMPARE(d.EF[0]->text(), QString());
    QCOMPARE(d.EF[1]->text(), QString("{y:u}"));
    QCOMPARE(d.E[0]->text(), QString("a"));
  }

  void SortRestoresLinesClearsSelectionAndRefreshesFrames() {
    MainWindowFixture f;
    Load(f, "{20}{30}b\r\n{3}{9}a\r\n{}{5}c\r\n");
    SelectRows(*f.form, {0, 2}, 1);
    QVERIFY(f.form->RunCommand([&] { f.form->Seradit1Click(); }));
    QCOMPARE(f.Rows(), QStringList({"{}{5}c", "{3}{9}a", "{20}{30}b"}));
    QVERIFY(ViewSelection(*f.form).isEmpty());
    QCOMPARE(f.form->ListBox1->currentIndex().row(), 1);
    QCOMPARE(f.form->E1->text(), QString("0"));
    QCOMPARE(f.form->E2->text(), QString("20"));
    QVERIFY(f.form->Changed());
  }

  void SortKeepsTheScrollPositionAndTheFindDialogItsText() {
    MainWindowFixture f;
    QByteArray bytes;
    for (int i = 500; i > 0; --i)
      bytes += "{" + QByteArray::number(i * 10) + "}{" + QByteArray::number(i * 10 + 5) + "}t\r\n";
    Load(f, bytes);
    f.form->show();
    QApplication::processEvents();
    f.form->ListBox1->verticalScrollBar()->setValue(200);
    f.form->RunCommand([&] { f.form->Seradit1Click(); });
    QApplication::processEvents();
    QCOMPARE(f.form->ListBox1->verticalScrollBar()->value(), 200);
    QCOMPARE(f.Rows().first(), QString("{10}{15}t"));

    f.form->Hledej1Click();
    FindDialog* first = f.form->FindDialog1;
    first->findEdit->setText("t");
    first->hide();
    f.form->Hledej1Click();
    QCOMPARE(f.form->FindDialog1, first);
    QCOMPARE(first->findEdit->text(), QString("t"));
  }

  void RepairAndRemoveSetTheChangeFlag() {
    MainWindowFixture f;
    Load(f, "{}{}Hello\r\n{100}{50}a\r\n{300}{400}b\r\n{500}{600}c\r\n");
    SelectRows(*f.form, {0, 1}, 0);
    f.form->RunCommand([&] { f.form->Opravatitulku1Click(); });
    QCOMPARE(f.Rows(), QStringList({"{100}{180}a", "{300}{400}b", "{500}{600}c"}));
    QCOMPARE(f.form->E1->text(), QString("0"));  // frame fields not refreshed by repair
    QVERIFY(f.form->Changed());

    f.form->SetChanged(false);
    SelectRows(*f.form, {2}, 2);
    QTest::keyClick(f.form->ListBox1, Qt::Key_Delete);
    QCOMPARE(f.Rows(), QStringList({"{100}{180}a", "{300}{400}b"}));
    QCOMPARE(f.form->E2->text(), QString("300"));
    QVERIFY(f.form->Changed());
    QVERIFY(ViewSelection(*f.form).isEmpty());
  }

  void InsertLeavesTheEmptySubtitleWhenTheEditorIsCancelled() {
    MainWindowFixture f;
    Load(f, "{50}{60}a\r\n{100}{150}Ahoj\r\n{200}{250}b\r\n");
    SelectRows(*f.form, {}, 0);
    QString title;
    OnNextDialog([&](QDialog* d) {
      title = d->windowTitle();
      d->reject();
    });
    f.form->RunCommand([&] { f.form->VlozTitulek1Click(); });
    QCOMPARE(title, QString::fromUtf8("Úprava titulku 1/4"));
    QCOMPARE(f.Rows()[0], QString("{1}{49}"));
    QVERIFY(f.form->Changed());

    SelectRows(*f.form, {}, 3);
    OnNextDialog([&](QDialog* d) {
      auto* editor = static_cast<TForm3*>(d);
      editor->E[0]->setText("nový");
      editor->OKButClick();
    });
    f.form->RunCommand([&] { f.form->VlozTitulek1Click(); });
    QCOMPARE(f.Rows()[3], QString::fromUtf8("{151}{199}nový"));
    QCOMPARE(f.Rows().size(), 5);
  }

  void GoToSelectsTheSubtitleAtTheFrame() {
    MainWindowFixture f;
    Load(f, "{10}{20}a\r\n{30}{40}b\r\n{30}{45}c\r\n{50}{60}d\r\n");
    struct {
      std::optional<QString> answer;
      int row;
    } cases[] = {{"0", 0}, {"35", 2}, {"abc", 0}, {"100000", 3}, {std::nullopt, 3}};
    for (const auto& c : cases) {
      f.prompts.inputs.push_back(c.answer);
      f.form->RunCommand([&] { f.form->Prejit1Click(); });
      QCOMPARE(ViewSelection(*f.form), QList<int>({c.row}));
      QCOMPARE(f.form->ListBox1->currentIndex().row(), c.row);
    }
    QCOMPARE(f.prompts.shown[0].title, QString::fromUtf8("Vyhledávání"));
    QCOMPARE(f.prompts.shown[0].text,
             QString::fromUtf8("Zadejte číslo snímku hledaného titulku:|"));
    QVERIFY(!f.form->Changed());
  }

  void FindIgnoresTagsAndCaseOfPlainLetters() {
    MainWindowFixture f;
    Load(f, "{0}{1}x\r\n{1}{2}{y:i}Ahoj|svete\r\n{3}{4}\xc8\x61u\r\n");
    SelectRows(*f.form, {0}, 0);
    f.form->Hledej1Click();
    FindDialog* d = f.form->FindDialog1;
    QVERIFY(d->isVisible());
    QVERIFY(d->Down());
    d->findEdit->setText("AHOJ SVETE");
    QTest::mouseClick(d->findNext, Qt::LeftButton);
    QCOMPARE(ViewSelection(*f.form), QList<int>({1}));
    QVERIFY(d->isVisible());  // stays open for the next search

    QTest::mouseClick(d->findNext, Qt::LeftButton);  // nothing after row 1
    QCOMPARE(f.prompts.Texts(),
             QStringList({QString::fromUtf8("Výraz \"ahoj svete\" nebyl nalezen.")}));
    QCOMPARE(ViewSelection(*f.form), QList<int>({1}));

    d->findEdit->setText(QString::fromUtf8("ČAU"));
    d->Find();
    QCOMPARE(ViewSelection(*f.form), QList<int>({2}));  // Č is Windows-1250 byte C8
    d->up->setChecked(true);
    d->findEdit->clear();
    d->Find();
    QCOMPARE(f.prompts.Texts().last(), QString::fromUtf8("Výraz \"\" nebyl nalezen."));
    d->findEdit->setText("x");
    d->matchCase->setChecked(true);
    d->Find();
    QCOMPARE(ViewSelection(*f.form), QList<int>({0}));
    QVERIFY(!f.form->Changed());
  }

  void NewFileAsksAgainWhenTheNameIsTaken() {
    MainWindowFixture f;
    Load(f, "{1}{2}old\r\n");
    f.Write("film.sub", "{1}{2}x\r\n");
    f.prompts.inputs = {QString("C:\\x\\film.cz.txt"), QString("kino")};
    f.prompts.yesNo = {false};
    OnNextDialog([](QDialog* d) { d->reject(); });
    f.form->RunCommand([&] { f.form->Novy2Click(); });
    QCOMPARE(f.prompts.Kinds(), QStringList({"input", "question", "input"}));
    QCOMPARE(f.prompts.shown[0].title, QString::fromUtf8("Nový soubor s titulky"));
    QCOMPARE(f.prompts.shown[0].text,
             QString::fromUtf8("Zadejte název nového souboru s titulky:|novy"));
    QCOMPARE(f.prompts.shown[1].text,
             QString::fromUtf8("Soubor \"film.sub\" již existuje, chcete ho přepsat?"));
    QCOMPARE(f.form->ETarget->text(), f.Path("kino.sub"));
    QCOMPARE(f.Rows(), QStringList({"{1}{100}"}));
    QVERIFY(f.form->ESource->text().isEmpty());
    QVERIFY(f.form->Changed());

    // Cancelling the name leaves an empty list.
    f.form->SetChanged(false);
    f.prompts.inputs = {std::nullopt};
    f.form->RunCommand([&] { f.form->Novy2Click(); });
    QVERIFY(f.form->Doc().Empty());
  }

  void FormattingDialogPutsItsTagOnSelectedRows() {
    MainWindowFixture f;
    Load(f, "{1}{2}{C:$FF0000}{y:i}Ahoj|světe\r\n{3}{4}{Y:bu}text\r\n{5}{6}{F:Arial}x\r\n");
    struct Case {
      int kind;
      std::function<void(TForm7&)> set;
      int row;
      QString result;
    } cases[] = {
        {2, [](TForm7& d) { d.ComboBox1->setCurrentIndex(9); }, 0,
         QString::fromUtf8("{1}{2}{C:$0000FF}{y:i}Ahoj|světe")},
        {1, [](TForm7& d) { QTest::keyClicks(d.EVel, "1x"); }, 0,
         QString::fromUtf8("{1}{2}{S:2}{C:$0000FF}{y:i}Ahoj|světe")},
        {0, [](TForm7& d) { QTest::mouseClick(d.L2, Qt::LeftButton); }, 1, "{3}{4}{Y:i}text"},
        {0, [](TForm7&) {}, 1, "{3}{4}text"},
        {3, [](TForm7& d) { d.ComboBox1->setCurrentText("Liberation Serif"); }, 2,
         "{5}{6}{F:Liberation Serif}x"},
    };
    for (const auto& c : cases) {
      f.form->SetChanged(false);
      SelectRows(*f.form, {c.row}, c.row);
      f.form->PullSelection();
      TForm7 d(*f.form);
      d.FormatKind = c.kind;
      d.FormShow();
      c.set(d);
      d.OKButClick();
      QCOMPARE(f.Rows()[c.row], c.result);
      QVERIFY(f.form->Changed());
      QVERIFY(ViewSelection(*f.form).isEmpty());
    }
    // The lists are filled for their kind.
    TForm7 colours(*f.form);
    colours.FormatKind = 2;
    colours.FormShow();
    QCOMPARE(colours.ComboBox1->count(), 16);
    QCOMPARE(colours.ComboBox1->currentText(), QString::fromUtf8("bílá"));
    QCOMPARE(colours.windowTitle(), QString::fromUtf8("Barva vybraných titulků"));
    // The list's drawing goes with it (the leak check of the sanitizer run
    // finds one that does not).
    QCOMPARE(colours.ComboBox1->itemDelegate()->parent(), colours.ComboBox1);
    // The window coming back from the task bar does not fill the list again.
    colours.ComboBox1->setCurrentIndex(9);
    QShowEvent restored;
    QSpontaneKeyEvent::setSpontaneous(&restored);
    static_cast<QObject&>(colours).event(&restored);  // sendEvent would clear the flag
    QCOMPARE(colours.ComboBox1->currentIndex(), 9);

    // OK with nothing selected still sets the change flag.
    f.form->SetChanged(false);
    SelectRows(*f.form, {}, 0);
    f.form->PullSelection();
    const QStringList before = f.Rows();
    TForm7 none(*f.form);
    none.FormatKind = 1;
    none.FormShow();
    none.OKButClick();
    QCOMPARE(f.Rows(), before);
    QVERIFY(f.form->Changed());
  }

  void CommandsStoppedByAnUnreadableLineKeepFlagAndViewRight() {
    const QByteArray bytes = "{10}{20}{Y:b}a\r\n{99999999999}{1}{Y:b}x\r\n{30}{40}{Y:b}c\r\n";
    struct Case {
      const char* name;
      std::function<void(TForm1&)> run;
      QStringList rows;
      QList<int> selected;
    } cases[] = {
        {"style removal",
         [](TForm1& f) { f.OdStyl1Click(); },
         {"{10}{20}a", "{99999999999}{1}{Y:b}x", "{30}{40}{Y:b}c"},
         {1, 2}},
        {"all formatting",
         [](TForm1& f) { f.OdstranFor1Click(); },
         {"{10}{20}a", "{99999999999}{1}{Y:b}x", "{30}{40}{Y:b}c"},
         {1, 2}},
        // Stopped while reading the row after the first one.
        {"repair",
         [](TForm1& f) { f.Opravatitulku1Click(); },
         {"{10}{20}{Y:b}a", "{99999999999}{1}{Y:b}x", "{30}{40}{Y:b}c"},
         {0, 1, 2}},
    };
    for (const auto& c : cases) {
      MainWindowFixture f;
      Load(f, bytes);
      SelectRows(*f.form, {0, 1, 2}, 0);
      QVERIFY2(!f.form->RunCommand([&] { c.run(*f.form); }), c.name);
      f.prompts.ExpectError();
      QCOMPARE(f.prompts.Kinds(), QStringList({"error"}));
      QCOMPARE(f.Rows(), c.rows);
      QVERIFY2(f.form->Changed(), c.name);
      QCOMPARE(ViewSelection(*f.form), c.selected);
    }

    {
      MainWindowFixture f;
      Load(f, bytes);
      SelectRows(*f.form, {0, 1, 2}, 0);
      f.form->PullSelection();
      TForm7 d(*f.form);
      d.FormatKind = 1;
      d.FormShow();
      QTest::keyClicks(d.EVel, "30");
      d.OKButClick();
      f.prompts.ExpectError();
      QCOMPARE(f.prompts.Kinds(), QStringList({"error"}));
      QCOMPARE(f.Rows()[0], QString("{10}{20}{S:30}{Y:b}a"));
      QCOMPARE(ViewSelection(*f.form), QList<int>({1, 2}));
      QVERIFY(f.form->Changed());
    }

    // Repair removes a row before the unreadable one: the view follows.
    MainWindowFixture f;
    Load(f, "{}{}gone\r\n" + bytes);
    SelectRows(*f.form, {0, 2}, 0);
    QVERIFY(!f.form->RunCommand([&] { f.form->Opravatitulku1Click(); }));
    f.prompts.ExpectError();
    QCOMPARE(f.form->Doc().Count(), 3);
    QCOMPARE(ViewSelection(*f.form), QList<int>({1}));
    QVERIFY(f.form->Changed());
  }

  void RemovalCommandsSetTheFlagOnlyWhenATextChanged() {
    MainWindowFixture f;
    Load(f, "{10}{20}{Y:b}Ahoj\r\n{10}{}x\r\n{1}{2}{C:$0000FF}a|{c:$00FF00}b\r\n");
    SelectRows(*f.form, {1}, 1);
    QVERIFY(f.form->RunCommand([&] { f.form->OdstranFor1Click(); }));
    QVERIFY(!f.form->Changed());
    QCOMPARE(f.Rows()[1], QString("{10}{}x"));
    SelectRows(*f.form, {0, 2}, 0);
    QVERIFY(f.form->RunCommand([&] { f.form->OdBar1Click(); }));
    QCOMPARE(f.Rows()[2], QString("{1}{2}a|b"));
    QCOMPARE(f.Rows()[0], QString("{10}{20}{Y:b}Ahoj"));
    QVERIFY(f.form->Changed());
    QCOMPARE(ViewSelection(*f.form), QList<int>());
    f.form->SetChanged(false);
    SelectRows(*f.form, {0}, 0);
    f.form->OdVse2->trigger();
    QCOMPARE(f.Rows()[0], QString("{10}{20}Ahoj"));
    QVERIFY(f.form->Changed());
  }
};

QTEST_MAIN(EditTest)
#include "edit_test.moc"
