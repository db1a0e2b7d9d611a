// The main window driven as a person drives it: keys, clicks and menu
// shortcuts sent to the controls that have the focus.
#include <QMenuBar>
#include <QtTest>

#include "app/find_dialog.h"
#include "edit/upravy.h"
#include "film/infofilm.h"
#include "layout/formatovani.h"
#include "sync/cas.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

// A shown, active main window with a file loaded by typing its name into
// the source field and pressing Enter.
void OpenShown(MainWindowFixture& f, const QByteArray& bytes) {
  QVERIFY(f.Activate());
  const QString file = f.Write("a.sub", bytes);
  f.form->ESource->setFocus();
  QTest::keyClicks(f.form->ESource, file);
  QTest::keyClick(f.form->ESource, Qt::Key_Return);
  f.form->Timer1Timer();
}

QList<int> SelectedRows(const TForm1& form) {
  QList<int> rows;
  for (const QModelIndex& i : form.ListBox1->selectionModel()->selectedIndexes()) rows << i.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

QPoint RowCentre(const TForm1& form, int row) {
  return form.ListBox1->visualRect(form.ListBox1->model()->index(row, 0)).center();
}

}  // namespace

class PersonTest : public QObject {
  Q_OBJECT

 private slots:
  void EveryWayOfEndingClosesTheWindowAfterTheQuestion() {
    const struct {
      const char* name;
      std::function<void(TForm1&)> end;
    } ways[] = {
        {"F4", [](TForm1& w) { QTest::keyClick(w.ListBox1, Qt::Key_F4); }},
        {"Konec button", [](TForm1& w) { QTest::mouseClick(w.KonecBut, Qt::LeftButton); }},
        {"Konec menu item", [](TForm1& w) { w.Konec2->trigger(); }},
    };
    for (const auto& way : ways) {
      MainWindowFixture f;
      OpenShown(f, "{1}{2}a\r\n");
      f.form->SetChanged(true);
      f.prompts.yesNo.push_back(false);  // do not save
      way.end(*f.form);
      QVERIFY2(!f.form->isVisible(), way.name);
      QCOMPARE(f.prompts.Kinds(), QStringList({"question"}));
    }
  }

  void NumberFieldsPassTabDeleteAndEditingKeys() {
    MainWindowFixture f;
    OpenShown(f, "{1}{2}a\r\n");
    for (QLineEdit* field :
         {f.form->E1, f.form->E2, f.form->E3, f.form->E4, f.form->E5, f.form->E6}) {
      field->setText("123");
      field->setFocus();
      QTest::keyClick(field, Qt::Key_Home);
      QTest::keyClick(field, Qt::Key_Delete);
      QTest::keyClick(field, Qt::Key_End);
      QTest::keyClick(field, Qt::Key_Backspace);
      QTest::keyClicks(field, "x9");  // a letter is dropped, a digit taken
      QCOMPARE(field->text(), QString("29"));
      QTest::keyClick(field, Qt::Key_Tab);
      QVERIFY2(QApplication::focusWidget() != field, qPrintable(field->objectName()));
      field->setFocus();
      QTest::keyClick(field, Qt::Key_Backtab);
      QVERIFY(QApplication::focusWidget() != field);
    }
  }

  void MenuKeysWorkFromTextFields() {
    MainWindowFixture f;
    OpenShown(f, "{1}{2}a\r\n{3}{4}b\r\n{5}{6}c\r\n");
    // Ctrl+A is "Vybrat vše", also while the source field has the focus.
    f.form->ESource->setFocus();
    QTest::keyClick(f.form->ESource, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(SelectedRows(*f.form), QList<int>({0, 1, 2}));
    f.form->Timer1Timer();
    // Ctrl+D from a frame field removes the selected rows.
    f.form->E3->setFocus();
    QTest::keyClick(f.form->E3, Qt::Key_D, Qt::ControlModifier);
    QVERIFY(f.form->Doc().Empty());
  }

  void EditingWorksOnTheFirstRowRightAfterLoading() {
    MainWindowFixture f;
    OpenShown(f, "{1}{2}a\r\n{3}{4}b\r\n");
    QString title;
    OnNextDialog([&](QDialog* d) {
      title = d->windowTitle();
      d->reject();
    });
    QTest::keyClick(f.form->ESource, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(title, QString::fromUtf8("Úprava titulku 1/2"));
  }

  void NoTwoControlsOfAWindowShareAnAltKey() {
    MainWindowFixture f;
    TForm2 time(*f.form);
    TForm3 editor(*f.form);
    TForm7 formatting(*f.form);
    TForm9 film(*f.form);
    FindDialog find(f.form.get());
    for (QWidget* window :
         std::initializer_list<QWidget*>{f.form.get(), &time, &editor, &formatting, &film, &find}) {
      QList<QKeySequence> keys;
      for (auto* b : window->findChildren<QAbstractButton*>())
        if (b->window() == window) keys << b->shortcut();
      for (auto* l : window->findChildren<QLabel*>())
        if (l->buddy() && l->window() == window) keys << QKeySequence::mnemonic(l->text());
      for (auto* m : window->findChildren<QMenu*>())
        if (m->parentWidget() && qobject_cast<QMenuBar*>(m->parentWidget()))
          keys << QKeySequence::mnemonic(m->title());
      for (QAction* a : window->actions())
        if (a->shortcutContext() == Qt::WindowShortcut && !a->shortcut().isEmpty())
          keys << a->shortcut();
      keys.removeAll(QKeySequence());
      for (const QKeySequence& k : keys)
        QVERIFY2(keys.count(k) == 1, qPrintable(window->windowTitle() + ": " + k.toString()));
    }
  }

  void RightClickKeepsTheSelectionAndDoubleClickBelowTheRowsUsesTheCursor() {
    MainWindowFixture f;
    OpenShown(f, "{1}{2}a\r\n{3}{4}b\r\n{5}{6}c\r\n");
    QWidget* rows = f.form->ListBox1->viewport();
    QTest::mouseClick(rows, Qt::LeftButton, {}, RowCentre(*f.form, 0));
    QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, RowCentre(*f.form, 2));
    f.form->Timer1Timer();
    QTest::mouseClick(rows, Qt::RightButton, {}, RowCentre(*f.form, 1));
    f.form->PopupMenu1->hide();
    QCOMPARE(SelectedRows(*f.form), QList<int>({0, 2}));
    QTest::mouseDClick(rows, Qt::LeftButton, {}, QPoint(5, rows->height() - 5));
    QTRY_COMPARE(f.form->overlayCursor, 2);
  }

  void EnterPressesTheDefaultButtonOrTheFocusedOne() {
    MainWindowFixture f;
    OpenShown(f, "{10}{20}a\r\n");
    f.form->E5->setText("5");
    f.form->E6->setText("1");
    f.form->Timer1Timer();
    f.form->ListBox1->setFocus();
    QTest::keyClick(f.form->ListBox1, Qt::Key_Return);
    QCOMPARE(f.Rows(), QStringList({"{15}{25}a"}));
    f.form->UlozBut->setFocus();
    QTest::keyClick(f.form->UlozBut, Qt::Key_Return);
    QCOMPARE(ReadFileBytes(f.form->ETarget->text()), QByteArray("{15}{25}a\r\n"));
  }
};

QTEST_MAIN(PersonTest)
#include "person_test.moc"
