// Undo and redo from the keyboard, and files dropped on the main window.
#include <QMimeData>
#include <QtTest>

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
