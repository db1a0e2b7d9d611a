// "Kontrola pravopisu", the dictionary menu and the underlines of the edit
// dialog, against the installed Czech and English dictionaries.
#include <QMenu>
#include <QtTest>
#include <cstdlib>

#include "document/ini_file.h"
#include "document/text_encoding.h"
#include "edit/pravopis.h"
#include "edit/spell_underline.h"
#include "edit/upravy.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

// A window whose personal dictionary lives in its temporary folder.
struct SpellFixture : MainWindowFixture {
  SpellFixture() {
    qputenv("XDG_DATA_HOME", Path("data").toUtf8());
    qunsetenv("DICPATH");
    QVERIFY(Activate());
  }
  ~SpellFixture() { qunsetenv("DICPATH"); }
  void Load(const QByteArray& bytes) {
    form->LoadSubtitleFile(Write("a.sub", bytes));
    form->ListBox1->selectionModel()->clearSelection();
    form->ListBox1->setFocus();
  }
  QByteArray Bytes() const {
    QByteArray out;
    for (const auto& l : form->Doc().Lines()) out += QByteArray(l.data(), qsizetype(l.size())) + "|";
    return out;
  }
};

QByteArray Cp1250(const char* utf8) { return QByteArray::fromStdString(Utf8ToCp1250(utf8)); }

void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

}  // namespace

class SpellTest : public QObject {
  Q_OBJECT

 private slots:
  void ShiftF7WalksTheWordsAndEachReplacementIsOneStep() {
    SpellFixture f;
    const QByteArray original = Cp1250(
        "{1}{50}Tohle je chybba a tadi.\r\n{60}{90}Velorin|{y:i}tadi chybba\r\n"
        "{100}{200}Dobrý den, tadi.\r\n");
    f.Load(original);
    QStringList seen;
    WhenShown<SpellDialog>([&](SpellDialog* d) {
      const auto step = [&](QPushButton* button, const char* replacement = nullptr) {
        seen << d->RowLabel->text().section(' ', 1, 1) + " " +
                    QString::fromStdString(d->CurrentWord());
        if (replacement) d->ReplaceEdit->setText(QString::fromUtf8(replacement));
        Click(button);
      };
      QVERIFY(d->Suggestions->count() > 0);
      step(d->NahraditBut, "chyba");
      step(d->NahraditVseBut, "tady");
      step(d->PridatBut);
      step(d->PreskocitVseBut);
    });
    QTest::keyClick(f.form->ListBox1, Qt::Key_F7, Qt::ShiftModifier);
    QCOMPARE(seen, QStringList({"1 chybba", "1 tadi", "2 Velorin", "2 chybba"}));
    QCOMPARE(f.prompts.Texts(), QStringList({QString::fromUtf8("Kontrola pravopisu je dokončena.")}));
    const QByteArray replaced = Cp1250(
        "{1}{50}Tohle je chyba a tady.|{60}{90}Velorin|{y:i}tady chybba|"
        "{100}{200}Dobrý den, tady.|");
    QCOMPARE(f.Bytes(), replaced);
    QVERIFY(f.form->Changed());
    QCOMPARE(ReadFileBytes(f.Path("data/velorin/words-cs_CZ.txt")), QByteArray("Velorin\n"));

    // "Nahradit vše" is one step back, "Nahradit" another.
    QVERIFY(f.Activate());
    f.form->Timer1Timer();
    QCOMPARE(f.form->Zpet1->text(), QString::fromUtf8("Zpět: Kontrola pravopisu"));
    QTest::keyClick(f.form->ListBox1, Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(f.Bytes(), Cp1250("{1}{50}Tohle je chyba a tadi.|{60}{90}Velorin|{y:i}tadi chybba|"
                               "{100}{200}Dobrý den, tadi.|"));
    QTest::keyClick(f.form->ListBox1, Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(f.Bytes(), QByteArray(original).replace("\r\n", "|"));

    // The selected rows only; the added word is known from now on.
    f.prompts.shown.clear();
    f.form->SelectRowOnly(1);
    WhenShown<SpellDialog>([&](SpellDialog* d) {
      QCOMPARE(QString::fromStdString(d->CurrentWord()), QString("tadi"));
      Click(d->ZavritBut);
    });
    QTest::keyClick(f.form->ListBox1, Qt::Key_F7, Qt::ShiftModifier);
    QVERIFY(f.prompts.shown.empty());
  }

  void TheChosenDictionaryIsKept() {
    SpellFixture f;
    f.Load("{1}{2}Hello world\r\n");
    QList<QAction*> dictionaries = f.form->Slovnik2->actions();
    QAction* english = nullptr;
    for (QAction* a : dictionaries)
      if (a->text() == "en_US") english = a;
    QVERIFY(english);
    QVERIFY(!english->isChecked());
    english->trigger();
    QCOMPARE(IniFile(f.Path("Velorin.ini").toStdString()).ReadString("PRAVOPIS", "Slovnik", ""),
             std::string("en_US"));
    QTest::keyClick(f.form->ListBox1, Qt::Key_F7, Qt::ShiftModifier);
    QCOMPARE(f.prompts.Texts(),
             QStringList({QString::fromUtf8(
                 "Kontrola pravopisu je dokončena. Všechna slova jsou ve slovníku.")}));
  }

  void WithoutDictionariesTheCommandSaysSoAndEditingWorks() {
    SpellFixture f;
    qputenv("DICPATH", f.Path("none").toUtf8());
    f.Load("{1}{2}chybba\r\n");
    QTest::keyClick(f.form->ListBox1, Qt::Key_F7, Qt::ShiftModifier);
    QCOMPARE(f.prompts.shown.size(), size_t{1});
    QVERIFY(f.prompts.shown[0].text.startsWith(
        QString::fromUtf8("Není nainstalován žádný slovník pro kontrolu pravopisu.")));
    f.prompts.shown.clear();
    WhenShown<TForm3>([&](TForm3* d) {
      QVERIFY(d->Pravopis->UnknownRanges(d->E[0]).empty());
      QTest::keyClicks(d->E[0], "x");
      Click(d->OKBut);
    });
    f.form->UpravTit1->trigger();
    QCOMPARE(f.Rows(), QStringList({"{1}{2}chybbax"}));
  }

  void TheEditDialogUnderlinesUnknownWordsAsTheUserTypes() {
    SpellFixture f;
    f.Load("{1}{2}Dobrý den, chybba|druhý\r\n");
    using Ranges = std::vector<std::pair<int, int>>;
    WhenShown<TForm3>([&](TForm3* d) {
      QLineEdit* e = d->E[0];
      QCOMPARE(d->Pravopis->UnknownRanges(e), Ranges({{11, 6}}));
      e->end(false);
      QTest::keyClicks(e, " xyzq");
      QCOMPARE(d->Pravopis->UnknownRanges(e), Ranges({{11, 6}, {18, 4}}));
      // Right click on "chybba": suggestions first, then the two commands.
      std::unique_ptr<QMenu> menu(d->Pravopis->MakeMenu(e, 13));
      QStringList texts;
      for (QAction* a : menu->actions()) texts << a->text();
      QVERIFY2(texts.contains(QString::fromUtf8("Přidat do slovníku")), qPrintable(texts.join(",")));
      QVERIFY(texts.contains("Ignorovat"));
      QVERIFY(texts.contains("chyba"));
      menu->actions()[texts.indexOf("chyba")]->trigger();
      QCOMPARE(e->text(), QString::fromUtf8("Dobrý den, chyba xyzq"));
      QVERIFY(d->PouzitBut->isEnabled());
      menu.reset(d->Pravopis->MakeMenu(e, 19));
      for (QAction* a : menu->actions())
        if (a->text() == "Ignorovat") a->trigger();
      QCOMPARE(d->Pravopis->UnknownRanges(e), Ranges());
      Click(d->OKBut);
    });
    f.form->UpravTit1->trigger();
    QCOMPARE(f.Rows(), QStringList({QString::fromUtf8("{1}{2}Dobrý den, chyba xyzq|druhý")}));
  }
};

QTEST_MAIN(SpellTest)
#include "spell_test.moc"
