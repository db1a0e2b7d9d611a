// The completion dialog, the line-count items and the width-fitting dialog,
// driven through their menus, keys and buttons.
#include <QAction>
#include <QApplication>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>

#include "edit/doplneni.h"
#include "edit/upravy.h"
#include "layout/sire.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

// Acts on the next modal dialogs of type D as each is shown (the test itself
// is blocked in exec()) and has become the active window; every act must
// close its dialog.
template <typename D>
void OnDialogs(std::deque<std::function<void(D&)>> acts) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  auto queue = std::make_shared<std::deque<std::function<void(D&)>>>(std::move(acts));
  QObject::connect(timer, &QTimer::timeout, [timer, queue] {
    auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
    if (!d || !d->isActiveWindow()) return;  // keys go to the active window
    auto act = std::move(queue->front());
    queue->pop_front();
    if (queue->empty()) timer->deleteLater();
    act(*d);
  });
  timer->start();
}

// The file loaded, the window active with the focus in the list, rows selected.
void Open(MainWindowFixture& f, const char* utf8, std::initializer_list<int> rows) {
  f.form->LoadSubtitleFile(f.Write("a.sub", utf8));
  QVERIFY(f.Activate());
  f.form->ListBox1->setFocus();
  auto* sm = f.form->ListBox1->selectionModel();
  sm->clearSelection();
  for (int r : rows)
    sm->select(f.form->ListBox1->model()->index(r, 0), QItemSelectionModel::Select);
  f.form->Timer1Timer();
}

QString Table(const TForm13& d) {
  QStringList out;
  for (QLineEdit* e : d.Edit) out << e->text();
  return out.join(',');
}

}  // namespace

class LinesTest : public QObject {
  Q_OBJECT

 private slots:
  void CompletionFillsItsTableCompletesRemembersAndRemoves() {
    MainWindowFixture f;
    Open(f, "{100}{}Ahoj\r\n{500}{600}X\r\n{600}{}Ahoj|světe\r\n{700}{800}X\r\n{}{}pryč\r\n",
         {0, 2});
    QStringList seen;
    OnDialogs<TForm13>({[&](TForm13& d) {
      seen << d.windowTitle() << Table(d);
      d.ECas->selectAll();
      QTest::keyClicks(d.ECas, "3a");  // the letter is not typed
      seen << Table(d);
      QTest::mouseClick(d.Label3, Qt::LeftButton);  // proportional off
      seen << Table(d) << (d.EPomerCas->isEnabled() ? "step on" : "step off");
      QTest::mouseClick(d.Label3, Qt::LeftButton);
      QTest::keyClicks(d.ECas, "7");  // "37": Home, Delete leave "7"
      QTest::keyClick(d.ECas, Qt::Key_Home);
      QTest::keyClick(d.ECas, Qt::Key_Delete);
      QTest::keyClick(d.ECas, Qt::Key_Tab);
      seen << Table(d) << (d.focusWidget() == d.Pomer ? "Pomer" : "?");
      d.Edit[4]->setText("20");
      QTest::mouseClick(d.Label4, Qt::LeftButton);  // only empty second frames
      d.OKBut->click();
    }});
    QTest::keyClick(f.form->ListBox1, Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(seen, QStringList({QString::fromUtf8("Úprava čísla druhého snímku"), "3,5,7,9,11",
                                "1,1,3,5,7", "3,3,3,3,3", "step off", "3,5,7,9,11", "Pomer"}));
    QCOMPARE(f.Rows(), QStringList({"{100}{175}Ahoj", "{500}{600}X",
                                    QString::fromUtf8("{600}{699}Ahoj|světe"), "{700}{800}X"}));
    QVERIFY(f.form->Changed());
    QVERIFY(ReadFileBytes(f.Path("Velorin.ini"))
                .contains("[UPRAVA]\r\nDoba=7\r\nPomerne=1\r\nPomerneCas=2\r\nPrazdne=1\r\n"
                          "Rad1=3\r\nRad2=5\r\nRad3=7\r\nRad4=9\r\nRad5=20\r\n"));

    // The popup twin opens it again with the stored table, not a recomputed one.
    OnDialogs<TForm13>({[&](TForm13& d) {
      seen = QStringList{Table(d), d.Prazdne->isChecked() ? "empty only" : "all"};
      d.StornoBut->click();
    }});
    f.form->Doplnit1->trigger();
    QCOMPARE(seen, QStringList({"3,5,7,9,20", "empty only"}));

    // Ctrl+Delete and its popup twin empty the second frames.
    Open(f, "{100}{150}{y:i}Ahoj\r\n{200}{250}b\r\n{300}{350}c\r\n", {0});
    QTest::keyClick(f.form->ListBox1, Qt::Key_Delete, Qt::ControlModifier);
    f.form->ListBox1->selectionModel()->select(f.form->ListBox1->model()->index(2, 0),
                                               QItemSelectionModel::Select);
    f.form->Odstranit1->trigger();
    QCOMPARE(f.Rows(), QStringList({"{100}{}{y:i}Ahoj", "{200}{250}b", "{300}{}c"}));
  }

  void CompletionThatCannotRunChangesNothingAndStaysOpen() {
    struct Case {
      const char* file;
      int emptied;  // the table entry cleared, -1 none
      QString kind, text;
    } cases[] = {
        {"{100}{}a\r\n", 2, "error", "'' is not a valid integer value"},
        {"{2147483600}{}a\r\n{}{}b\r\n", -1, "message",
         QString::fromUtf8("Číslo druhého snímku by bylo větší než 2147483647, takové číslo už "
                           "nelze uložit. Titulky zůstaly beze změny.")},
    };
    for (const Case& c : cases) {
      MainWindowFixture f;
      Open(f, c.file, {0});
      const QStringList before = f.Rows();
      bool stillOpen = false;
      OnDialogs<TForm13>({[&](TForm13& d) {
        if (c.emptied >= 0) d.Edit[c.emptied]->clear();
        d.OKBut->click();
        stillOpen = d.isVisible();
        d.StornoBut->click();
      }});
      f.form->Dopln2->trigger();
      QVERIFY(stillOpen);
      if (c.kind == "error") f.prompts.ExpectError();
      QCOMPARE(f.prompts.Kinds(), QStringList({c.kind}));
      QCOMPARE(f.prompts.Texts(), QStringList({c.text}));
      QCOMPARE(f.Rows(), before);
      QVERIFY(!f.form->Changed());
    }
  }

  void CountItemsReBreakAndMaximumStaysEqualAndIsSaved() {
    MainWindowFixture f;
    QAction* items[2][5] = {
        {f.form->Spojit1, f.form->Rozdelit2, f.form->Rozdelit3, f.form->Rozdelit4,
         f.form->Rozdelit5},
        {f.form->Radek1, f.form->Radek2, f.form->Radek3, f.form->Radek4, f.form->Radek5}};
    // With "Maximálně" ticked a one-line subtitle is not split; unticked (in
    // either menu, the other follows) every item gives its count of lines.
    for (bool maximum : {true, false}) {
      QCOMPARE(f.form->Maximalne2->isChecked(), maximum);
      for (auto& menu : items)
        for (int tag = 0; tag < 5; ++tag) {
          Open(f, "{1}{2}{Y:b}Dnes večer půjdeme spolu do kina\r\n", {0});
          menu[tag]->trigger();
          QVERIFY(f.Rows()[0].startsWith("{1}{2}{Y:b}Dnes"));
          QCOMPARE(int(f.Rows()[0].count('|')), maximum && tag > 0 ? 0 : tag);
        }
      f.form->Maximalne1->trigger();
    }
    f.form->Maximalne2->trigger();
    QVERIFY(!f.form->Maximalne1->isChecked());
    f.form->UlozNas2->trigger();
    QVERIFY(ReadFileBytes(f.Path("Velorin.ini")).contains("Maximalne=0\r\n"));
  }

  void WidthDialogCountsFitsAndAdjusts() {
    MainWindowFixture f;
    const char* file =
        "{10}{20}{Y:b}{y:i}Dnes večer půjdeme spolu do kina a potom na večeři k babičce\r\n"
        "{30}{40}Nejneobhospodařovávatelnějšímupřeneobhospodařovávatelnějšímu\r\n"
        "{50}{60}krátký\r\n";
    const QStringList split = {
        QString::fromUtf8(
            "{10}{20}{Y:b}{y:i}Dnes večer půjdeme spolu do|{y:i}kina a potom na večeři k babičce"),
        QString::fromUtf8("{30}{40}Nejneobhospodařovávatelnějšímupřeneobhospodařovávatelnějšímu"),
        QString::fromUtf8("{50}{60}krátký")};
    QCOMPARE(f.form->form4->subtitleFont, QFont("Arial", 22, QFont::Bold));
    // Each run opens the dialog, notes the width it shows, acts and leaves by Escape.
    QStringList seen;
    auto run = [&](std::function<void(TForm4&)> act) {
      OnDialogs<TForm4>({[&, act](TForm4& d) {
        seen << d.windowTitle() << d.SireBox1->currentText();
        d.SireBox1->setEditText("640");
        act(d);
        QTest::keyClick(&d, Qt::Key_Escape);
      }});
    };
    Open(f, file, {2});
    run([](TForm4& d) {
      d.Button5->click();
      d.Button2->click();
      d.SireBox1->setEditText("0");  // a screen of no width is no number
      d.Button5->click();
      d.Button3->click();
    });
    f.form->SireBut->click();
    QCOMPARE(seen, QStringList({QString::fromUtf8("Velikost písma titulků"),
                                QString::number(f.form->screen()->size().width())}));
    QCOMPARE(f.prompts.Texts()[0], QString::fromUtf8("Počet titulků, které se při velikosti "
                                                     "písma 22 nevejdnou na obrazovku je 2."));
    // The largest size is even and below the 22 at which two rows do not fit.
    QVERIFY(f.prompts.Texts()[1].contains(QRegularExpression(QString::fromUtf8(
        "^Všechny titulky se vejdou na obrazovku při velikosti písma 1?[02468]\\.$"))));
    QCOMPARE(f.prompts.Texts().mid(2), QStringList(2, "'0' is not a valid integer value"));
    QVERIFY(!f.form->Changed());

    // Automatic: the sentence is split, the word stays and is counted, the
    // fitting row keeps its selection.
    f.prompts.shown.clear();
    run([](TForm4& d) { d.Button3->click(); });
    QVERIFY(f.Activate());
    QTest::keyClick(f.form->ListBox1, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.Rows(), split);
    QCOMPARE(f.prompts.Texts(),
             QStringList({QString::fromUtf8("Počet titulků, které nešlo upravit je 1.")}));
    QCOMPARE(f.form->ListBox1->selectionModel()->selectedRows().size(), 1);
    QVERIFY(f.form->Changed());

    // Manual: each overflowing row in the edit dialog with its proposal, which
    // OK writes as shown; no message.
    Open(f, file, {});
    f.prompts.shown.clear();
    QStringList shown;
    run([&](TForm4& d) {
      QTest::mouseClick(d.Label2, Qt::LeftButton);
      OnDialogs<TForm3>({[&](TForm3& e) {
                           shown << e.E[0]->text() << e.E[1]->text() << e.EF[0]->text()
                                 << e.EF[1]->text() << e.EF[2]->text();
                           e.OKBut->click();
                         },
                         [&](TForm3& e) {
                           e.PredBut->click();  // a row stepped to shows its own formats
                           shown << e.EF[0]->text();
                           e.StornoBut->click();
                         }});
      d.Button3->click();
    });
    f.form->SireBut->click();
    QCOMPARE(shown, QStringList({QString::fromUtf8("Dnes večer půjdeme spolu do"),
                                 QString::fromUtf8("kina a potom na večeři k babičce"), "{Y:b}",
                                 "{y:i}", "{y:i}", "{Y:b}"}));
    QCOMPARE(f.Rows(), split);
    QVERIFY(f.prompts.shown.empty());

    // The font dialog: the face that draws Arial keeps the name Arial; another
    // face is taken with its size and style. The settings save them and Rucne.
    f.prompts.fonts = {FontChoice{QFont("Liberation Sans", 22, QFont::Bold), Qt::red},
                       FontChoice{QFont("Liberation Serif", 30, -1, true), Qt::red}};
    QString kept;
    run([&](TForm4& d) {
      d.Button1->click();
      kept = d.subtitleFont.family();
      d.Button1->click();
    });
    f.form->SireBut->click();
    f.form->UlozNas2->trigger();
    const QByteArray ini = ReadFileBytes(f.Path("Velorin.ini"));
    QVERIFY(ini.contains("[SIRE TITULKU]\r\nPismo=Liberation Serif\r\nStyl=2\r\nVelikost=30\r\n"));
    QVERIFY(ini.contains("Rucne upravit=1\r\n"));
    QCOMPARE(kept, QString("Arial"));
  }
};

QTEST_MAIN(LinesTest)
#include "lines_test.moc"
