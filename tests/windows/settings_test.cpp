#include <QAction>
#include <QMenu>
#include <QStandardPaths>
#include <QtTest>

#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

// The separator above the recent entries.
QAction* RecentSeparator(TForm1& form) {
  const QList<QAction*> actions = form.Soubor1->actions();
  return actions[actions.indexOf(form.Rych[0]) - 1];
}

QStringList VisibleRecent(TForm1& form) {
  QStringList out;
  for (QAction* a : form.Rych)
    if (a->isVisible()) out << a->text();
  return out;
}

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void FirstStartWithoutSettingsFileShowsTheDefaults() {
    MainWindowFixture f;
    f.form->LoadSettings();
    f.form->RefreshRecentMenu();
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(f.form->subtitlesPath, docs + "/");
    QCOMPARE(f.form->filmsPath, docs);
    QCOMPARE(f.form->lastOpenDir, docs + "/");
    QCOMPARE(f.form->openDialogDir, docs + "/");
    QCOMPARE(f.form->defaultFormat.family(), QString("Arial"));
    QVERIFY(f.form->defaultFormat.bold());
    QVERIFY(!f.form->defaultFormat.italic());
    QCOMPARE(f.form->defaultFormat.pointSize(), 22);
    QCOMPARE(f.form->settings.subtitleFont, (SubtitleFont{"Arial", 1, 22}));
    QVERIFY(f.form->Maximalne1->isChecked());
    QVERIFY(f.form->Maximalne2->isChecked());
    QVERIFY(f.form->UkladatZmeny1->isChecked());
    QVERIFY(f.form->settings.chronologicke);
    QVERIFY(!f.form->settings.rucneUpravit);
    QVERIFY(VisibleRecent(*f.form).isEmpty());
    QVERIFY(!RecentSeparator(*f.form)->isVisible());
    QVERIFY(!QFile::exists(f.Path("Velorin.ini")));  // reading writes nothing
    QVERIFY(f.prompts.shown.empty());
  }

  void RecentEntriesOfGoneFilesAreDroppedAtStart() {
    MainWindowFixture f;
    const QString b = f.Write("b.sub", "{1}{2}b\r\n");
    const QString c = f.Write("c.sub", "{1}{2}c\r\n");
    f.Write("Velorin.ini",
            ("[OTEVRENO]\r\n1=" + f.Path("a.sub") + "\r\n2=" + b + "\r\n3=" + c + "\r\n4=\r\n")
                .toUtf8());
    f.form->FormShow();
    QCOMPARE(VisibleRecent(*f.form), QStringList({"1 b.sub", "2 c.sub"}));
    QVERIFY(RecentSeparator(*f.form)->isVisible());
    // Opening c.sub again keeps one entry of it, at the top.
    f.form->LoadSubtitleFile(c);
    QCOMPARE(VisibleRecent(*f.form), QStringList({"1 c.sub", "2 b.sub"}));
    // The recent menu loads its entry.
    f.form->Rych[1]->trigger();
    QCOMPARE(f.Rows(), QStringList({"{1}{2}b"}));
    QCOMPARE(f.form->recentFiles, QStringList({b, c}));
    // Closing writes all nine keys.
    f.form->SaveRecentFiles();
    QByteArray ini = ReadFileBytes(f.Path("Velorin.ini"));
    QVERIFY(
        ini.startsWith(("[OTEVRENO]\r\n1=" + b + "\r\n2=" + c + "\r\n3=\r\n4=\r\n5=").toUtf8()));
    QVERIFY(ini.endsWith("9=\r\n"));
  }

  void TenthFileDropsTheOldestAndLetterCaseMakesTwoEntries() {
    MainWindowFixture f;
    f.form->LoadSettings();
    for (int i = 1; i <= 10; ++i)
      f.form->AddRecentFile(f.Write(QString("f%1.sub").arg(i), "{1}{2}x\r\n"));
    QCOMPARE(f.form->recentFiles.size(), 9);
    QCOMPARE(f.form->recentFiles.first(), f.Path("f10.sub"));
    QCOMPARE(f.form->recentFiles.last(), f.Path("f2.sub"));
    QCOMPARE(f.form->Rych[8]->text(), QString("9 f2.sub"));
    f.form->AddRecentFile(f.Path("gone.sub"));
    QCOMPARE(f.form->recentFiles.first(), f.Path("f10.sub"));
    f.form->AddRecentFile(f.Write("A.SUB", "{1}{2}x\r\n"));
    f.form->AddRecentFile(f.Write("a.sub", "{1}{2}x\r\n"));
    QCOMPARE(f.form->recentFiles.mid(0, 2), QStringList({f.Path("a.sub"), f.Path("A.SUB")}));
    // An ampersand in a name is shown, not taken as a shortcut mark.
    f.form->AddRecentFile(f.Write("R&B.sub", "{1}{2}x\r\n"));
    QCOMPARE(f.form->Rych[0]->text(), QString("1 R&&B.sub"));
  }

  void RelativeNameIsListedAsAFullPath() {
    MainWindowFixture f;
    f.form->LoadSettings();
    const QString file = f.Write("rel.sub", "{1}{2}x\r\n");
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QFileInfo(file).absolutePath()));
    f.form->LoadSubtitleFile("./rel.sub");
    QDir::setCurrent(before);
    QCOMPARE(f.form->recentFiles, QStringList({QFileInfo(file).absoluteFilePath()}));
    QCOMPARE(f.Rows(), QStringList({"{1}{2}x"}));
  }

  void SaveSettingsChangesOnlyItsKeys() {
    MainWindowFixture f;
    const QByteArray before =
        "; moje nastaveni\r\n"
        "[cesta]\r\n"
        "  titulky = /stare/  \r\n"
        "\r\n"
        "[OTEVRENO]\r\n"
        "1=/x.sub\r\n"
        "[UPRAVA]\r\n"
        "Doba = 9\r\n"
        "[FORMATOVANI]\r\n"
        "Pismo=Liberation Serif\r\n"
        "Styl=3\r\n"
        "Velikost=30\r\n";
    f.Write("Velorin.ini", before);
    f.form->LoadSettings();
    QCOMPARE(f.form->subtitlesPath, QString("/stare/"));
    QVERIFY(f.form->defaultFormat.bold() && f.form->defaultFormat.italic());
    QCOMPARE(f.form->defaultFormat.pointSize(), 30);
    f.form->UkladatZmeny1->trigger();  // untick
    f.prompts.inputs = {QString("/nove/")};
    f.form->CestaTit1Click();
    f.form->UlozNas2->trigger();
    QVERIFY(f.prompts.Kinds() == QStringList({"input"}));
    const QByteArray after = ReadFileBytes(f.Path("Velorin.ini"));
    QVERIFY(after.startsWith("; moje nastaveni\r\n[cesta]\r\ntitulky=/nove/\r\n"));
    QVERIFY(
        after.contains("\r\n\r\n[OTEVRENO]\r\n1=/x.sub\r\n[UPRAVA]\r\nDoba = 9\r\n"
                       "[FORMATOVANI]\r\nPismo=Liberation Serif\r\nStyl=3\r\nVelikost=30\r\n"));
    QVERIFY(
        after.contains("[OSTATNI]\r\nMaximalne=1\r\nRucne upravit=0\r\n"
                       "Chronologicke razeni=1\r\nZmena=0\r\n"));
    QVERIFY(!after.contains("ASOCIACE"));

    // Read back by the next start.
    MainWindowFixture g;
    g.Write("Velorin.ini", after);
    g.form->LoadSettings();
    QCOMPARE(g.form->subtitlesPath, QString("/nove/"));
    QVERIFY(!g.form->UkladatZmeny1->isChecked());
  }

  void SavingKeepsUntouchedValuesByteForByte() {
    MainWindowFixture f;
    // Windows-1250 bytes (not text here), a style bit no font has, no size.
    const QByteArray old =
        "[CESTA]\r\nTitulky=/home/eva/\xC8"
        "esk\xE9/\r\nFilmy=/filmy/\xE8\r\n"
        "[FORMATOVANI]\r\nPismo=Tahoma \x9A\r\nStyl=17\r\nVelikost=0\r\n";
    f.Write("Velorin.ini", old);
    f.form->LoadSettings();
    f.form->UlozNas2Click();
    QByteArray after = ReadFileBytes(f.Path("Velorin.ini"));
    QVERIFY2(after.startsWith(old), after.constData());
    // What the user changes is written.
    f.prompts.inputs = {QString::fromUtf8("/nové/")};
    f.form->CestaFilm1Click();
    f.form->defaultFormat.setItalic(true);
    f.form->UlozNas2Click();
    after = ReadFileBytes(f.Path("Velorin.ini"));
    QVERIFY(
        after.contains("Titulky=/home/eva/\xC8"
                       "esk\xE9/\r\nFilmy=/nov\xC3\xA9/\r\n"));
    QVERIFY(after.contains("Styl=3\r\n"));
  }

  void PathCommandsTakeTheTextAsTyped() {
    MainWindowFixture f;
    f.form->LoadSettings();
    f.prompts.inputs = {QString(""), std::nullopt, QString("/filmy")};
    f.form->CestaTit1Click();
    QCOMPARE(f.prompts.shown[0].title, QString::fromUtf8("Nastavení cesty k titulkům"));
    QVERIFY(f.prompts.shown[0].text.startsWith(
        QString::fromUtf8("Zvolte adresář, ve kterém máte uloženy titulky:|")));
    QCOMPARE(f.form->subtitlesPath, QString(""));
    QCOMPARE(f.form->lastOpenDir, QString(""));
    QCOMPARE(f.form->openDialogDir, QString(""));
    f.form->CestaFilm1Click();  // cancelled
    const QString films = f.form->filmsPath;
    QCOMPARE(f.prompts.shown[1].title, QString::fromUtf8("Nastavení cesty k filmům"));
    QCOMPARE(f.prompts.shown[1].text,
             QString::fromUtf8("Zvolte adresář, ve kterém máte uloženy filmy:|") + films);
    f.form->CestaFilm1Click();
    QCOMPARE(f.form->filmsPath, QString("/filmy"));
    QVERIFY(!QFile::exists(f.Path("Velorin.ini")));
  }

  void FilmsPathCommandSetsWhereTheFilmDialogOpens() {
    MainWindowFixture f;
    f.form->LoadSettings();
    const QString films = f.form->filmsPath;
    // As after a film was chosen: the dialog would open in the subtitles' folder.
    f.form->filmDialogDir = f.Path("subtitles");
    // OK with the text unchanged still makes the films path the start folder.
    f.prompts.inputs = {films};
    f.form->CestaFilm1Click();
    f.prompts.files = {std::nullopt};
    f.form->Panel1Click();
    QCOMPARE(f.prompts.Kinds(), QStringList({"input", "open"}));
    QVERIFY(f.prompts.shown.back().text.endsWith("|" + films));
    // Cancel leaves the start folder alone.
    f.form->filmDialogDir = f.Path("subtitles");
    f.prompts.inputs = {std::nullopt};
    f.form->CestaFilm1Click();
    f.prompts.files = {std::nullopt};
    f.form->Panel1Click();
    QVERIFY(f.prompts.shown.back().text.endsWith("|" + f.Path("subtitles")));
  }

  void ShortcutsReachTheSettingsCommands() {
    MainWindowFixture f;
    f.form->LoadSettings();
    QVERIFY(f.Activate());
    f.prompts.inputs = {QString("/t/"), QString("/f")};
    QTest::keyClick(f.form->ESource, Qt::Key_F12);
    QTest::keyClick(f.form->ESource, Qt::Key_F12, Qt::ControlModifier);
    QCOMPARE(f.form->subtitlesPath, QString("/t/"));
    QCOMPARE(f.form->filmsPath, QString("/f"));
    QTest::keyClick(f.form->ESource, Qt::Key_F8);
    QVERIFY(
        ReadFileBytes(f.Path("Velorin.ini")).startsWith("[CESTA]\r\nTitulky=/t/\r\nFilmy=/f\r\n"));
  }

  void UnwritableSettingsFileIsReported() {
    MainWindowFixture f;
    f.form->settingsPath = f.Path("missing/folder/file/Velorin.ini");
    f.Write("missing", "a file where a folder should be");
    f.form->LoadSettings();
    QVERIFY(!f.form->RunCommand([&] { f.form->UlozNas2Click(); }));
    f.prompts.ExpectError();
    QCOMPARE(f.prompts.Texts(), QStringList({"Unable to write to " + f.form->settingsPath}));
    // Closing shows the same error for the recent list and still closes.
    f.form->show();
    QVERIFY(f.form->close());
    QCOMPARE(f.prompts.Texts().size(), 2);
    QCOMPARE(f.prompts.Texts().last(), "Unable to write to " + f.form->settingsPath);
  }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
