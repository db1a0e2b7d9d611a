#include "convert/prevod.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QtTest>
#include <functional>

#include "convert/srtprevod.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

// Acts on the next modal dialog of type Dialog once it is shown and active
// (the test is blocked in its exec()).
template <typename Dialog>
void WhenShown(std::function<void(Dialog*)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    // Keys reach the dialog's mnemonics only once it is the active window.
    if (!d || !d->isActiveWindow()) return;
    timer->stop();
    timer->deleteLater();
    act(d);
    // A failed check left the dialog open: close it, so the test fails and
    // does not hang.
    if (QTest::currentTestFailed() && d->isVisible()) d->reject();
  });
  timer->start(5);
}

// LF line ends, so that the export (CR LF) is told apart from the source.
const QByteArray kSrt = QByteArray(
    "1\n00:00:01,000 --> 00:00:03,000\nAhoj\nsvěte\n\n2\n00:00:04,000 --> 00:00:05,000\nKonec\n\n");

}  // namespace

class PrevodTest : public QObject {
  Q_OBJECT

 private slots:
  void ForeignFilesAreConvertedThroughTheDialog() {
    struct Case {
      QString name;
      QByteArray bytes;
      bool commandLine;  // else typed into the source field and Enter
      std::function<void(TForm5*)> answer;
      QString caption;
      QStringList rows;
      QStringList shown;
    } cases[] = {
        // 23,976 chosen with the keyboard; Enter presses "Převést titulky".
        {"film.srt",
         "1\r\n00:00:10,000 --> 00:00:12,500\r\nAhoj\r\nsvěte\r\n",
         false,
         [](TForm5* d) {
           QTest::keyClick(d->FrameBox, Qt::Key_Home);
           QTest::keyClick(d->FrameBox, Qt::Key_Return);
         },
         "Převod formátu SRT",
         {"{239}{299}Ahoj|světe"},
         {}},
        {"film.txt",
         "00:00:01.50,00:00:03.00\r\nAhoj\r\n00:01:02:Konec\r\n",
         true,
         [](TForm5* d) { d->PrevodBut->click(); },
         "Převod formátu",
         {"{37}{75}Ahoj", "{1550}{}Konec"},
         {}},
        {"film.srt",
         kSrt,
         false,
         [](TForm5* d) { QTest::keyClick(d, Qt::Key_Escape); },
         "Převod formátu SRT",
         {},
         {}},
        // A frame too large for any later load: nothing converted, the error shown.
        {"big.srt",
         kSrt + "3\n99999:00:00,000 --> 99999:00:01,000\nx\n",
         false,
         [](TForm5* d) { QTest::keyClick(d, Qt::Key_P, Qt::AltModifier); },
         "Převod formátu SRT",
         {},
         {"error"}},
    };
    for (const Case& c : cases) {
      QTemporaryDir dir;
      const QString path = dir.path() + "/" + c.name;
      WriteFileBytes(path, c.bytes);
      MainWindowFixture f(c.commandLine ? path : QString());
      QString caption;
      WhenShown<TForm5>([&](TForm5* d) {
        caption = d->windowTitle();
        c.answer(d);
      });
      if (c.commandLine) {
        f.form->FormShow();
      } else {
        f.form->ESource->setText(path);
        QTest::keyClick(f.form->ESource, Qt::Key_Return);
      }
      QCOMPARE(caption, c.caption);
      QCOMPARE(f.Rows(), c.rows);
      QCOMPARE(f.prompts.Kinds(), c.shown);
      QCOMPARE(f.form->ESource->text(), c.rows.isEmpty() ? QString() : path);
      QCOMPARE(f.form->ETarget->text().isEmpty(), c.rows.isEmpty());
      QVERIFY(!f.form->Changed());
    }
  }

  void AltF3WritesTheListAsSrtBesideTheTarget() {
    const QByteArray exported = QByteArray(kSrt).replace("\n", "\r\n");
    struct Case {
      QString target;  // empty: the one the load named
      QString rate;    // the main window's frame rate text
      std::deque<bool> yesNo;
      std::function<void(TForm12*)> act;
      QString srt;
      QByteArray bytes;
      QStringList shown;
    } cases[] = {
        {"",
         "25,000",
         {},
         [](TForm12* d) { d->UlozBut->click(); },
         "film2.srt",
         exported,
         {"message"}},
        // No rate selected: refused until one is chosen.
        {"",
         "26,000",
         {},
         [](TForm12* d) {
           d->UlozBut->click();
           QVERIFY(d->isVisible());
           QTest::keyClicks(d->ESnimek, "25");
           QTest::keyClick(d, Qt::Key_U, Qt::AltModifier);
         },
         "film2.srt",
         exported,
         {"message", "message"}},
        // The SRT name is the source file's: asked first.
        {"film.cz.sub",
         "25,000",
         {false},
         [](TForm12* d) { d->UlozBut->click(); },
         "film.srt",
         kSrt,
         {"question"}},
        {"film.cz.sub",
         "25,000",
         {true},
         [](TForm12* d) { d->UlozBut->click(); },
         "film.srt",
         exported,
         {"question", "message"}},
        // Cannot be written: the error, the dialog stays open, nothing replaced.
        {"dir.sub",
         "25,000",
         {},
         [](TForm12* d) {
           d->UlozBut->click();
           QVERIFY(d->isVisible());
           d->StornoBut->click();
         },
         "dir.srt",
         {},
         {"error"}},
    };
    for (const Case& c : cases) {
      MainWindowFixture f;
      QDir(f.dir.path()).mkdir("dir.srt");
      WhenShown<TForm5>([](TForm5* d) { d->PrevodBut->click(); });
      f.form->LoadSubtitleFile(f.Write("film.srt", kSrt));
      if (!c.target.isEmpty()) f.form->ETarget->setText(f.Path(c.target));
      f.form->frameRateText = c.rate;
      f.prompts.yesNo = c.yesNo;
      f.form->show();
      f.form->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
      f.form->Timer1Timer();
      WhenShown<TForm12>([&](TForm12* d) {
        QCOMPARE(d->ESnimek->currentText(), c.rate == "25,000" ? c.rate : QString());
        c.act(d);
      });
      QTest::keyClick(f.form->ListBox1, Qt::Key_F3, Qt::AltModifier);
      QCOMPARE(f.prompts.Kinds(), c.shown);
      QCOMPARE(ReadFileBytes(f.Path(c.srt)), c.bytes);
      if (c.shown.last() == "message")
        QCOMPARE(f.prompts.shown.back().text,
                 "Titulky byly uloženy do souboru " + f.Path(c.srt) + ".");
      if (c.rate != "25,000")
        QCOMPARE(f.prompts.shown.front().text,
                 QString("Chybná hodnota u počtu snímku za vteřinu!"));
      QVERIFY(QFileInfo(f.Path("dir.srt")).isDir());
      QVERIFY(!f.form->Changed());
    }
  }
};

QTEST_MAIN(PrevodTest)
#include "prevod_test.moc"
