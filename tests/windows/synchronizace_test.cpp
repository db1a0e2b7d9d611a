// Advanced synchronization and the synchronization-frame dialog, driven by
// keys and clicks from the main window's Ctrl+Z.
#include "sync/synchronizace.h"

#include <QApplication>
#include <QClipboard>
#include <QtTest>
#include <functional>

#include "document/subtitle_file.h"
#include "document/subtitle_line.h"
#include "sync/novecislo.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

// 21 subtitles: first frames 100 at row 0, 1000 at 10, 1500 at 15, 2000 at 20.
QByteArray Document() {
  QByteArray b;
  for (int i = 0; i <= 20; ++i) {
    const int f = i <= 10 ? 100 + 90 * i : 1000 + 100 * (i - 10);
    b += "{" + QByteArray::number(f) + "}{" + QByteArray::number(f + 50) + "}t" +
         QByteArray::number(i) + "\r\n";
  }
  return b;
}

void ClickRow(QListView* view, int row, Qt::KeyboardModifiers mods = {}, bool twice = false) {
  const QModelIndex index = view->model()->index(row, 0);
  view->scrollTo(index);
  const QPoint at = view->visualRect(index).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, at);
  if (twice) QTest::mouseDClick(view->viewport(), Qt::LeftButton, mods, at);
}

// One step as a person takes it. "frame X" / "frame esc" answers the next
// frame dialog (noting what it showed in `asked`).
void Step(TForm11& d, MainWindowFixture& f, const QString& step, QStringList& asked) {
  const QString arg = step.section(' ', 1);
  const int n = arg.toInt();
  if (step.startsWith("doc ")) return ClickRow(d.ListBox1, n);
  if (step.startsWith("sync ")) return ClickRow(d.ListBox2, n);
  if (step.startsWith("unsync ")) return ClickRow(d.ListBox2, n, Qt::ControlModifier);
  if (step.startsWith("point ")) return ClickRow(d.ListBox3, n);
  if (step.startsWith("dbl ")) return ClickRow(d.ListBox3, n, {}, true);
  if (step == "Del") return QTest::keyClick(d.ListBox3, Qt::Key_Delete);
  if (step.startsWith("open ")) {
    f.prompts.files.push_back(f.Path(arg));
    return QTest::mouseClick(d.PrBut, Qt::LeftButton);
  }
  if (step.startsWith("frame ")) {
    return WhenShown<TForm14>([&asked, arg](TForm14* q) {
      asked << q->Edit1->text() + "|" + q->Edit2->text();
      if (arg == "esc") return QTest::keyClick(q, Qt::Key_Escape);
      QTest::keyClick(q->Edit1, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(q->Edit1, arg);
      QTest::keyClick(q->Edit1, Qt::Key_Return);
    });
  }
  for (QPushButton* b : d.findChildren<QPushButton*>())
    if (b->text().remove('&') == step) {
      if (!QTest::qWaitFor([b] { return b->isEnabled(); }, 500)) QFAIL(qPrintable(step));
      return QTest::mouseClick(b, Qt::LeftButton);
    }
  QFAIL(qPrintable("unknown step " + step));
}

}  // namespace

class SynchronizaceTest : public QObject {
  Q_OBJECT

 private slots:
  void PointsAndSynchronizationFromTheMainWindow() {
    struct Case {
      const char* name;
      QStringList steps;
      QStringList points, messages, asked;
      QStringList rows;  // "row:line" after the dialog; none: nothing changed
    } cases[] = {
        {"add, insert before the selected point, cancel, remove",
         {"sync 0",    "doc 0",  "Přidat", "sync 2",   "doc 20",     "Přidat",  "point 1",
          "sync 1",    "doc 10", "Vložit", "unsync 1", "frame 1500", "doc 15",  "Vložit",
          "frame esc", "doc 5",  "Přidat", "point 2",  "Del",        "point 0", "Odebrat"},
         {"1000/1000@10", "2200/2000@20"},
         {},
         {"|1500", "|550"},
         {}},
        {"clashes name the frame found first",
         {"frame 500", "doc 2", "Přidat", "frame 600", "doc 3", "Přidat", "frame 500", "doc 4",
          "Přidat", "frame 600", "doc 2", "Přidat", "point 1", "frame 900", "doc 2", "Vložit"},
         {"500/280@2", "600/370@3"},
         {"Titulek s číslem snímku 500 se již v seznamu synchronizačních snímků vyskutuje!",
          "Titulek s číslem snímku 280 se již v seznamu synchronizačních snímků vyskutuje!",
          "Titulek s číslem snímku 280 se již v seznamu synchronizačních titulků vyskutuje!"},
         {"|280", "|370", "|460", "|280", "|280"},
         {}},
        {"Doplnit replaces the first point; segments 0-10 and 11-20",
         {"frame 90", "doc 0", "Přidat", "Doplnit", "point 1", "sync 1", "doc 10", "Vložit",
          "Synchronizovat"},
         {"100/100@0", "1000/1000@10", "2200/2000@20"},
         {},
         {"|100"},
         {"0:{100}{150}t0", "10:{1000}{1050}t10", "11:{1120}{1180}t11", "15:{1600}{1660}t15",
          "20:{2200}{2260}t20"}},
        {"disordered points change nothing, also after a double-click edit",
         {"frame 500", "doc 2", "Přidat", "frame 450", "doc 5", "Přidat", "Synchronizovat",
          "Odebrat vše", "frame 400", "doc 2", "Přidat", "frame 450", "doc 5", "Přidat",
          "frame 400", "dbl 1", "Synchronizovat"},
         {"400/280@2", "400/550@5"},
         {"U synchronizačních snímků musí být dodržena chronologie!",
          "U synchronizačních snímků musí být dodržena chronologie!"},
         {"|280", "|550", "|280", "|550", "450|550"},
         {}},
        {"another file drops the points; an unusable one is reported",
         {"doc 0", "sync 0", "Přidat", "open bad.sub", "open s.sub", "doc 0", "sync 2", "Přidat"},
         {"2200/100@0"},
         {"Synchronizační soubor obsahuje nestandardní formát titulků a nelze ho použít."},
         {},
         {}},
    };
    for (const Case& c : cases) {
      MainWindowFixture f;
      const QByteArray doc = Document();
      f.form->LoadSubtitleFile(f.Write("a.sub", doc));
      f.Write("bad.sub", "[x]\r\nabc\r\n");
      f.prompts.files = {f.Write("s.sub", "{100}{150}a\r\n{1000}{1050}b\r\n{2200}{2250}c\r\n")};
      QVERIFY(f.Activate());
      f.form->Timer1Timer();
      QTest::keyClick(f.form->ListBox1, Qt::Key_F2, Qt::ControlModifier);  // E3, E4, E5, E6
      QTest::keyClick(f.form->ListBox1, Qt::Key_A, Qt::ControlModifier);   // takes no part
      const QStringList fields = {f.form->E3->text(), f.form->E4->text(), f.form->E5->text(),
                                  f.form->E6->text()};

      QStringList asked, points, labels;
      // A frame dialog that no step answers is noted and closed, not waited on.
      QTimer unexpected;
      QObject::connect(&unexpected, &QTimer::timeout, [&asked] {
        if (auto* q = qobject_cast<TForm14*>(QApplication::activeModalWidget())) {
          asked << "unexpected";
          q->reject();
        }
      });
      unexpected.start(2000);
      WhenShown<TForm11>([&](TForm11* d) {
        labels << d->windowTitle() << d->Label5->text() << d->Label4->text();
        for (const QString& s : c.steps) Step(*d, f, s, asked);
        for (int i = 0; i < d->ListBox3->count(); ++i)
          points << d->ListBox3->item(i)->text() + "@" + d->ListBox4->item(i)->text();
        labels << d->Label7->text();
        QTest::keyClick(d, Qt::Key_Escape);
      });
      // The menu's key also from a field, which has its own Ctrl+Z.
      f.form->E3->setFocus();
      QTest::keyClick(f.form->E3, Qt::Key_Z, Qt::ControlModifier);

      QVERIFY2(points == c.points, c.name);
      QStringList messages;
      for (const auto& shown : f.prompts.shown)
        if (shown.kind != "open") messages << shown.text;
      QCOMPARE(messages, c.messages);
      QCOMPARE(asked, c.asked);
      QCOMPARE(labels.first(), QString::fromUtf8("Pokročilá synchronizace"));
      QCOMPARE(labels.mid(1, 2), QStringList({"(21)", "(3)"}));
      QCOMPARE(labels.last(), "(" + QString::number(c.points.size()) + ")");
      const bool changed = !c.rows.isEmpty();
      QCOMPARE(f.form->Changed(), changed);
      for (const QString& r : c.rows) {
        const int row = r.section(':', 0, 0).toInt();
        QCOMPARE(f.Rows()[row], r.section(':', 1));
        QCOMPARE(f.form->ListBox1->model()->index(row, 0).data().toString(), r.section(':', 1));
      }
      if (!changed) QCOMPARE(f.form->Doc().Lines(), ParseSubtitleText(doc.toStdString()).lines);
      const QStringList after = {f.form->E3->text(), f.form->E4->text(), f.form->E5->text(),
                                 f.form->E6->text()};
      QCOMPARE(after, changed ? QStringList({"", "", "", ""}) : fields);
      QCOMPARE(f.form->ListBox1->selectionModel()->hasSelection(), !changed);
      QCOMPARE(f.form->E2->text(), QString::number(ParseFirstFrame(f.form->Doc().Line(20))));
    }
  }

  void FrameDialogAnswersOnlyDigitsConfirmedWithOk() {
    auto enter = [](TForm14& d) { QTest::keyClick(d.Edit1, Qt::Key_Return); };
    struct Case {
      QString typed, shown;
      std::function<void(TForm14&)> close;
      QString answer;
    } cases[] = {
        {"12a-,34", "1234", [](TForm14& d) { d.close(); }, "-1"},
        {"1234", "1234", [](TForm14& d) { QTest::mouseClick(d.StornoBut, Qt::LeftButton); }, "-1"},
        {"1234", "1234", [](TForm14& d) { QTest::keyClick(&d, Qt::Key_Escape); }, "-1"},
        {"123456789", "12345678", enter, "12345678"},
        {"00", "00", [](TForm14& d) { QTest::mouseClick(d.OKBut, Qt::LeftButton); }, "00"},
        // Backspace then Enter at once: OK is already off.
        {"5", "5",
         [&](TForm14& d) {
           QTest::keyClick(d.Edit1, Qt::Key_Backspace);
           enter(d);
         },
         ""},
    };
    for (const Case& c : cases) {
      MainWindowFixture f;
      TForm14 d(*f.form);
      d.SetPresentFrame(4321);
      d.show();
      QVERIFY(QTest::qWaitForWindowExposed(&d));
      QCOMPARE(d.Edit2->text(), QString("4321"));
      QVERIFY(!d.Edit2->isEnabled());
      QVERIFY(!d.OKBut->isEnabled());
      QTest::keyClicks(d.Edit1, c.typed);
      QCOMPARE(d.Edit1->text(), c.shown);
      c.close(d);
      QCOMPARE(d.Edit1->text(), c.answer);
      QCOMPARE(d.isVisible(), c.answer.isEmpty());
    }
    // A paste cannot bring letters in; Delete and Home edit; a longer start
    // value is shown whole.
    MainWindowFixture f;
    TForm14 d(*f.form);
    d.show();
    for (const char* pasted : {"12ab", "78"}) {
      QApplication::clipboard()->setText(pasted);
      QTest::keyClick(d.Edit1, Qt::Key_V, Qt::ControlModifier);
    }
    QTest::keyClick(d.Edit1, Qt::Key_Home);
    QTest::keyClick(d.Edit1, Qt::Key_Delete);
    QCOMPARE(d.Edit1->text(), QString("8"));
    d.SetStartText("123456789");
    QCOMPARE(d.Edit1->text(), QString("123456789"));
  }
};

QTEST_MAIN(SynchronizaceTest)
#include "synchronizace_test.moc"
