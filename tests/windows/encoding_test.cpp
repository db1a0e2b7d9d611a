// How documents in the various 8-bit code pages are shown, overridden, added
// to and saved; adding and width fitting as single undo steps.
#include <QApplication>
#include <QMenu>
#include <QtTest>

#include "edit/pridavani.h"
#include "edit/upravy.h"
#include "layout/sire.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

QByteArray Cp(const char* utf8, TextEncoding encoding) {
  return QByteArray::fromStdString(EncodeText(utf8, encoding));
}

void Show(MainWindowFixture& f, const QString& path) {
  QVERIFY(f.Activate());
  if (!path.isEmpty()) f.form->LoadSubtitleFile(path);
  f.form->Timer1Timer();
  f.form->ListBox1->setFocus();
}

// Picks the entry of the status bar's encoding menu that starts with name.
void PickEncoding(MainWindowFixture& f, const QString& name) {
  bool picked = false;
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [&, timer] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    timer->stop();
    timer->deleteLater();
    for (QAction* a : menu->actions())
      if (a->text().startsWith(name + " ")) {
        menu->setActiveAction(a);
        QTest::keyClick(menu, Qt::Key_Return);
        picked = true;
      }
  });
  timer->start(5);
  QTest::mouseClick(f.form->EncodingButton, Qt::LeftButton);
  QTRY_VERIFY(picked);
}

// Opens "Přidat ze souboru" by its key and acts on the dialog.
void Add(MainWindowFixture& f, const QString& file, std::function<void(TForm6*)> act) {
  f.prompts.files.push_back(file);
  bool shown = false;
  WhenShown<TForm6>([&](TForm6* d) {
    shown = true;
    d->PrBut->click();
    d->Timer1Timer();  // the buttons follow the list
    act(d);
    if (d->isVisible()) d->StornoBut->click();
  });
  QVERIFY(f.Activate());
  f.form->ListBox1->setFocus();
  QTest::keyClick(f.form->ListBox1, Qt::Key_Insert);
  QVERIFY(shown);
}

}  // namespace

class EncodingTest : public QObject {
  Q_OBJECT
 private slots:
  void EightBitFilesAreShownInTheirCodePageAndSavedUnchanged() {
    struct Case {
      const char* name;
      QByteArray file;
      QString shown, firstRow;
      QString other, otherFirstRow;  // after choosing another encoding
    } cases[] = {
        {"French in Windows-1252",
         Cp("{1}{25}Où est la gare ?\r\n{30}{60}Je ne sais pas, c'est à droite.\r\n"
            "{70}{99}Ça va très bien, merci.\r\n",
            TextEncoding::Windows1252),
         "Windows-1252", QString::fromUtf8("{1}{25}Où est la gare ?"), "Windows-1250",
         QString::fromUtf8("{1}{25}Oů est la gare ?")},
        {"short Czech in Windows-1250", Cp("{1}{25}Ó ne!\r\n", TextEncoding::Windows1250),
         "Windows-1250", QString::fromUtf8("{1}{25}Ó ne!"), "Windows-1251",
         QString::fromUtf8("{1}{25}У ne!")},
        {"UTF-8", "{1}{25}\xC5\xA1\r\n", "UTF-8", QString::fromUtf8("{1}{25}š"), "Windows-1250",
         QString::fromUtf8("{1}{25}Ĺˇ")},
    };
    for (const Case& c : cases) {
      MainWindowFixture f;
      const QString path = f.Write("film.sub", c.file);
      Show(f, path);
      QCOMPARE(f.form->EncodingButton->text(), c.shown);
      QCOMPARE(f.Rows().front(), c.firstRow);
      PickEncoding(f, c.other);
      QCOMPARE(f.form->EncodingButton->text(), c.other);
      QCOMPARE(f.Rows().front(), c.otherFirstRow);
      QVERIFY2(!f.form->Changed(), c.name);
      QVERIFY(!f.form->History().CanUndo());
      // Saved whatever the encoding: not a byte changes.
      f.form->SetChanged(true);
      f.form->UlozBut->click();
      QCOMPARE(ReadFileBytes(f.form->ETarget->text()), c.file);
      QVERIFY(f.prompts.shown.empty());
    }
  }

  void LinesTheDocumentCannotHoldAreNeverTurnedIntoQuestionMarks() {
    MainWindowFixture f;
    const QByteArray doc = Cp("{1}{25}Šťastnou cestu.\r\n", TextEncoding::Windows1250);
    Show(f, f.Write("film.sub", doc));
    const QString added = f.Write("add.sub", "{30}{40}ñandú\r\n{50}{60}日本\r\n");
    // No: nothing is added and the dialog stays for the line to be removed.
    f.prompts.yesNo = {false};
    Add(f, added, [&](TForm6* d) {
      d->PridatBut->click();
      QVERIFY(d->isVisible());
    });
    QCOMPARE(f.prompts.shown.back().text,
             QString::fromUtf8("Řádek \"{30}{40}ñandú\" obsahuje znaky, které kódování titulků "
                               "(Windows-1250) nedokáže zapsat.\n\nPřevést titulky do UTF-8, aby "
                               "se přidávané řádky zachovaly beze změny? Při odpovědi Ne se nic "
                               "nepřidá."));
    QCOMPARE(f.Rows().size(), 1);
    QVERIFY(!f.form->Changed());

    // Yes: the document becomes UTF-8 and takes every line as it is; one
    // step takes it all back, bytes and encoding.
    f.prompts.yesNo = {true};
    Add(f, added, [&](TForm6* d) { d->PridatBut->click(); });
    const QStringList all = {QString::fromUtf8("{1}{25}Šťastnou cestu."),
                             QString::fromUtf8("{30}{40}ñandú"), QString::fromUtf8("{50}{60}日本")};
    QCOMPARE(f.Rows(), all);
    f.form->Timer1Timer();
    QCOMPARE(f.form->EncodingButton->text(), QString("UTF-8"));
    QCOMPARE(f.form->History().Steps(), size_t{1});
    f.form->Timer1Timer();
    f.form->Zpet1->trigger();
    QCOMPARE(f.form->Doc().Encoding(), TextEncoding::Windows1250);
    QCOMPARE(QByteArray::fromStdString(std::string(f.form->Doc().Line(0))), doc.chopped(2));
    QCOMPARE(f.Rows(), all.mid(0, 1));
  }

  void AddingWithTheSortIsOneUndoStep() {
    MainWindowFixture f;
    Show(f, f.Write("film.sub", "{300}{400}n\r\n{100}{200}m\r\n"));
    Add(f, f.Write("add.sub", "{50}{60}a\r\n"), [&](TForm6* d) {
      if (!d->Chrono->isChecked()) d->Chrono->click();
      d->PridatBut->click();
    });
    QCOMPARE(f.Rows(), QStringList({"{50}{60}a", "{100}{200}m", "{300}{400}n"}));
    QCOMPARE(f.form->History().Steps(), size_t{1});
    f.form->Timer1Timer();
    QCOMPARE(f.form->Zpet1->text(), QString::fromUtf8("Zpět: Přidat ze souboru"));
    f.form->Zpet1->trigger();
    QCOMPARE(f.Rows(), QStringList({"{300}{400}n", "{100}{200}m"}));
  }

  void ManualWidthFittingIsOneUndoStep() {
    MainWindowFixture f;
    const char* wide = "Dnes večer půjdeme spolu do kina a potom na večeři k babičce domů";
    Show(f, f.Write("film.sub", QByteArray("{10}{20}") + wide + "\r\n{30}{40}" + wide + "\r\n"));
    // Two watchers: a timer is not run again while its own handler waits in
    // a dialog, so the edit dialogs need one of their own.
    int edited = 0;
    QTimer edits, fitting;
    QObject::connect(&edits, &QTimer::timeout, [&] {
      if (auto* e = qobject_cast<TForm3*>(QApplication::activeModalWidget())) {
        ++edited;
        e->OKBut->click();
      }
    });
    QObject::connect(&fitting, &QTimer::timeout, [&] {
      if (auto* d = qobject_cast<TForm4*>(QApplication::activeModalWidget())) {
        fitting.stop();
        d->SireBox1->setEditText("640");
        if (!d->Rucne->isChecked()) d->Rucne->click();
        d->Button3->click();
        d->Button4->click();
      }
    });
    edits.start(5);
    fitting.start(5);
    f.form->SireBut->click();
    QCOMPARE(edited, 2);
    QCOMPARE(f.form->History().Steps(), size_t{1});
    f.form->Timer1Timer();
    f.form->Zpet1->trigger();
    QCOMPARE(f.Rows(), QStringList({QString::fromUtf8("{10}{20}") + QString::fromUtf8(wide),
                                    QString::fromUtf8("{30}{40}") + QString::fromUtf8(wide)}));
  }
};

QTEST_MAIN(EncodingTest)
#include "encoding_test.moc"
