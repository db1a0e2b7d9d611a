// The recovery copy as the main window keeps it: written after edits, offered
// after a crash, restored exactly, and gone after a save, a new file or a
// clean exit.
#include <QDateTime>
#include <QDir>
#include <QtTest>

#include "document/recovery_file.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

QStringList CopiesIn(const QString& dir) {
  return QDir(dir).entryList({"*.recovery"}, QDir::Files, QDir::Name);
}

QString OwnCopy(const MainWindowFixture& f) {
  return f.form->RecoveryDir() + "/" +
         QString::fromStdString(RecoveryFileName(f.processes.self, false));
}

// The copy's lines, once it holds what the window holds.
bool CopyMatches(const MainWindowFixture& f) {
  if (!f.form->RecoveryIdle()) return false;
  const RecoveryReadResult read = ReadRecoveryFile(OwnCopy(f).toStdString());
  return read.status == RecoveryRead::Ok && read.copy.lines == f.form->Doc().Lines();
}

// A film's subtitles in Windows-1250, as most Czech files are.
const QByteArray kFilm =
    "{10}{50}Dobr\xfd ve\xe8\x65r.\r\n{60}{0}Kde je \xe8\x61j?\r\n{100}{150}|Tady.\r\n"
    "{200}{260}{Y:b}Konec\r\n";

}  // namespace

class RecoveryTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { qputenv("VELORIN_AUTOSAVE_INTERVAL_MS", "50"); }
  void cleanup() { qunsetenv("VELORIN_AUTOSAVE_INTERVAL_MS"); }

  void CrashedSessionIsOfferedAndRestoredExactly() {
    QTemporaryDir state, files;  // the files outlive the program that crashed
    const QString film = files.filePath("film.sub");
    WriteFileBytes(film, kFilm);
    std::vector<std::string> held;
    TextEncoding encoding = TextEncoding::Utf8;
    RecoveryCopy written;
    {
      MainWindowFixture crashed({}, state.path());
      QVERIFY(crashed.Activate());
      crashed.form->LoadSubtitleFile(film);
      QVERIFY(CopiesIn(state.path()).isEmpty());  // nothing unsaved yet
      crashed.form->ESync->setText(files.filePath("sync.sub"));
      crashed.form->E3->setText("12");
      crashed.form->E4->setText("270");
      crashed.form->frameRateText = "23,976";
      QWidget* list = crashed.form->ListBox1;
      list->setFocus();
      QTest::keyClick(list, Qt::Key_Down);
      QTest::keyClick(list, Qt::Key_Delete);                    // removes the second row
      QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);    // every row
      QTest::keyClick(list, Qt::Key_Delete, Qt::ControlModifier);  // second frames off
      QTest::keyClick(list, Qt::Key_End);
      QTRY_VERIFY(CopyMatches(crashed) &&
                  ReadRecoveryFile(OwnCopy(crashed).toStdString()).copy.session.cursorRow == 2);
      held = crashed.form->Doc().Lines();
      encoding = crashed.form->Doc().Encoding();
      QCOMPARE(held.size(), size_t{3});
      QCOMPARE(held[0], std::string("{10}{}Dobr\xfd ve\xe8\x65r."));
      written = ReadRecoveryFile(OwnCopy(crashed).toStdString()).copy;
      QCOMPARE(written.session.frameRate, std::string("23,976"));
      QCOMPARE(QString::fromStdString(written.session.source), film);
      // The window goes without closing, as a killed program does.
    }
    QCOMPARE(CopiesIn(state.path()).size(), 1);

    MainWindowFixture next({}, state.path());
    next.prompts.yesNo = {true};
    QVERIFY(next.Activate());
    QTRY_COMPARE(next.prompts.Kinds(), QStringList({"question"}));
    const QString when =
        QDateTime::fromSecsSinceEpoch(written.session.savedAt).toString("hh:mm");
    QCOMPARE(next.prompts.shown[0].text,
             QString::fromUtf8("Velorin nebyl řádně ukončen. Obnovit neuložené úpravy souboru "
                               "film.sub z ") +
                 when + "?");
    TForm1& f = *next.form;
    QCOMPARE(std::vector<std::string>(f.Doc().Lines()), held);
    QVERIFY(f.Changed());
    QCOMPARE(f.Doc().Encoding(), encoding);
    f.Timer1Timer();
    QVERIFY(!f.Zpet1->isEnabled());  // the history starts here
    QCOMPARE(f.ESource->text(), QString::fromStdString(written.session.source));
    QCOMPARE(f.ETarget->text(), QString::fromStdString(written.session.target));
    QCOMPARE(f.ESync->text(), QString::fromStdString(written.session.sync));
    QCOMPARE(f.E3->text(), QString("12"));
    QCOMPARE(f.E4->text(), QString("270"));
    QCOMPARE(f.frameRateText, QString("23,976"));
    QCOMPARE(f.ListBox1->currentIndex().row(), 2);
    QCOMPARE(next.Rows()[0], QString::fromUtf8("{10}{}Dobrý večer."));
    // The copy is now this program's own, until a save of every row.
    QCOMPARE(CopiesIn(state.path()),
             QStringList({QString::fromStdString(RecoveryFileName(next.processes.self, false))}));
    f.ListBox1->setFocus();
    QTest::keyClick(f.ListBox1, Qt::Key_F3);
    QTRY_VERIFY(CopiesIn(state.path()).isEmpty());
    QCOMPARE(next.prompts.Kinds(), QStringList({"question"}));
    QCOMPARE(ReadFileBytes(f.ETarget->text()),
             QByteArray("{10}{}Dobr\xfd ve\xe8\x65r.\r\n{100}{}|Tady.\r\n{200}{}{Y:b}Konec\r\n"));
  }

  void DeclinedCopyWaitsOneStartAndDamagedOnesAreReported() {
    QTemporaryDir state;
    RecoverySession s;
    s.instance = {999, 1, "7e57"};
    s.source = "/data/Pelíšky.sub";
    s.savedAt = QDateTime::currentSecsSinceEpoch();
    WriteRecoveryFile(state.filePath(QString::fromStdString(RecoveryFileName(s.instance, false)))
                          .toStdString(),
                      s, LineStore({"{1}{2}a"}));
    QTest::qWait(1100);  // the damaged one is newer, so asked about first
    WriteFileBytes(state.path() + "/" +
                       QString::fromStdString(RecoveryFileName({998, 1, "7e57"}, false)),
                   "{1}{2}not a copy\r\n");
    for (int start = 0; start < 3; ++start) {
      MainWindowFixture f({}, state.path());
      if (start < 2) f.prompts.yesNo = {false};
      QVERIFY(f.Activate());
      QTest::qWait(50);
      const QStringList expected = start == 0   ? QStringList({"message", "question"})
                                   : start == 1 ? QStringList({"question"})
                                                : QStringList();
      QTRY_COMPARE(f.prompts.Kinds(), expected);
      if (start == 0) QVERIFY(f.prompts.shown[0].text.contains(QString::fromUtf8("poškozená")));
      if (start < 2) QVERIFY(f.prompts.shown.back().text.contains(QString::fromUtf8("Pelíšky.sub")));
      QVERIFY(f.Rows().isEmpty());
      QCOMPARE(CopiesIn(state.path()).size(), start == 0 ? 1 : 0);
      if (start == 0) QVERIFY(CopiesIn(state.path())[0].startsWith("kept-"));
    }
  }

  void OnlySavingEveryRowNewFileOrClosingRemoveTheCopy() {
    MainWindowFixture f;
    QVERIFY(f.Activate());
    f.prompts.yesNo = {false, false};  // keep nothing on "Nový" and at the end
    f.form->LoadSubtitleFile(f.Write("film.sub", kFilm));
    QWidget* list = f.form->ListBox1;
    auto edit = [&] {
      list->setFocus();
      QTest::keyClick(list, Qt::Key_Home);
      QTest::keyClick(list, Qt::Key_Delete);
      QTRY_VERIFY(CopyMatches(f));
    };
    edit();
    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_F3, Qt::ControlModifier);  // the selected row only
    QTest::qWait(100);
    QVERIFY(QFile::exists(OwnCopy(f)));
    edit();
    QTest::keyClick(list, Qt::Key_F3);
    QTRY_VERIFY(!QFile::exists(OwnCopy(f)));
    edit();
    f.prompts.inputs = {QString("novy")};
    OnNextDialog([](QDialog* d) { d->reject(); });  // the new subtitle's dialog
    f.form->Novy2->trigger();
    QTRY_VERIFY(!QFile::exists(OwnCopy(f)));
    edit();
    f.form->close();
    QVERIFY(!QFile::exists(OwnCopy(f)));
    QCOMPARE(f.prompts.Kinds(), QStringList({"question", "input", "question"}));
  }
};

QTEST_MAIN(RecoveryTest)
#include "recovery_test.moc"
