#include "convert/prevod.h"

#include <QApplication>
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
void WhenActive(std::function<void(Dialog*)> act) {
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

// LF line ends: an export (CR LF) over it is seen.
const QByteArray kSrt =
    "1\n00:00:01,000 --> 00:00:03,000\nAhoj\nsvěte\n\n2\n00:00:04,000 --> 00:00:05,000\nKonec\n";

// UTF-16 little-endian with its mark, as Windows Notepad saves "Unicode".
QByteArray Utf16Le(const QString& text) {
  QByteArray out("\xFF\xFE", 2);
  for (QChar c : text) {
    out += static_cast<char>(c.unicode() & 0xFF);
    out += static_cast<char>(c.unicode() >> 8);
  }
  return out;
}

}  // namespace

class PrevodTest : public QObject {
  Q_OBJECT

 private slots:
  // A file that is not frame-based is opened, converted through the dialog
  // and written as SRT with Alt+F3.
  void ConvertAndExport() {
    auto press = [](Qt::Key key, Qt::KeyboardModifiers mod = {}) {
      return [=](QDialog* d) { QTest::keyClick(d, key, mod); };
    };
    auto lowestRate = [](TForm5* d) {
      QTest::keyClick(d->FrameBox, Qt::Key_Home);    // 23,976
      QTest::keyClick(d->FrameBox, Qt::Key_Return);  // the default button
    };
    auto rateAfterRefusal = [](TForm12* d) {
      d->UlozBut->click();
      QTest::keyClicks(d->ESnimek, "25");
      QTest::keyClick(d, Qt::Key_U, Qt::AltModifier);
    };
    // Rows and messages one a line; %1 in a message is the file's folder.
    struct Case {
      QString file;
      QByteArray bytes;
      bool commandLine;  // else typed into the source field and Enter
      std::function<void(TForm5*)> convert;
      QString rows = {};  // empty: nothing loaded
      QString shown = {};
      // The export: ETarget typed first, the main window's rate, the dialog's
      // handling (No to the question when the shown text ends in one); the SRT
      // file and what it then holds.
      QString target = {}, rate = {};
      std::function<void(TForm12*)> act = {};
      QString srt = {};
      QByteArray srtBytes = {};
    } cases[] = {
        // The export refused until a rate is chosen.
        {"film.srt", kSrt, false, lowestRate, "{23}{71}Ahoj|světe\n{95}{119}Konec",
         "Chybná hodnota u počtu snímku za vteřinu!\nTitulky byly uloženy do souboru "
         "%1/film2.srt.",
         "", "26,000", rateAfterRefusal, "film2.srt",
         "1\r\n00:00:00,920 --> 00:00:02,840\r\nAhoj\r\nsvěte\r\n\r\n"
         "2\r\n00:00:03,800 --> 00:00:04,760\r\nKonec\r\n\r\n"},
        {"casy.txt", "00:00:01.50,00:00:03.00\r\nAhoj\r\n00:01:02:Konec\r\n", true,
         press(Qt::Key_P, Qt::AltModifier), "{37}{75}Ahoj\n{1550}{}Konec"},
        // The SRT name is the source file's: asked, and No keeps it.
        {"film.srt", kSrt, false, press(Qt::Key_Return), "{25}{75}Ahoj|světe\n{100}{125}Konec",
         "Soubor %1/film.srt je zdrojovým souborem upravovaných titulků. Chcete ho přepsat?",
         "film.cz.sub", "25,000", press(Qt::Key_Return), "film.srt", kSrt},
        {"film.srt", kSrt, false, press(Qt::Key_Escape)},
        {"unicode.txt", Utf16Le(QString::fromUtf8(kSrt)), false, press(Qt::Key_Return),
         "{25}{75}Ahoj|světe\n{100}{125}Konec"},
        // Bare CR, no counters, a line of blanks inside a block, seven text lines.
        {"mac.srt",
         "00:00:01,000 --> 00:00:03,000\rAhoj\r \rza 2 dny\r\r00:00:04,000 --> 00:00:05,000\r"
         "1\r2\r3\r4\r5\r6\r7\r",
         false, press(Qt::Key_Return), "{25}{75}Ahoj||za 2 dny\n{100}{125}1|2|3|4|5|6|7"},
        // A frame too large for any later load: the error, nothing loaded.
        {"big.srt", kSrt + "\n3\n99999:00:00,000 --> 99999:00:01,000\nx\n", false,
         [](TForm5* d) { d->PrevodBut->click(); }, "", "'8999910000' is not a valid integer value"},
    };
    for (const Case& c : cases) {
      QTemporaryDir dir;
      const QString path = dir.path() + "/" + c.file;
      WriteFileBytes(path, c.bytes);
      MainWindowFixture f(c.commandLine ? path : QString());
      bool answered = false;
      WhenActive<TForm5>([&](TForm5* d) {
        QCOMPARE(d->windowTitle(), c.commandLine ? "Převod formátu" : "Převod formátu SRT");
        answered = true;
        c.convert(d);
      });
      f.form->show();  // start-up loads the command line's file
      if (!c.commandLine) {
        f.form->ESource->setText(path);
        QTest::keyClick(f.form->ESource, Qt::Key_Return);
      }
      QTRY_VERIFY(answered);
      QCOMPARE(f.Rows().join("\n"), c.rows);
      QCOMPARE(f.form->ESource->text(), c.rows.isEmpty() ? QString() : path);
      QVERIFY(!f.form->Changed());
      if (c.act) {
        if (!c.target.isEmpty()) f.form->ETarget->setText(dir.path() + "/" + c.target);
        f.form->frameRateText = c.rate;
        if (c.shown.endsWith('?')) f.prompts.yesNo = {false};
        f.form->Timer1Timer();
        QVERIFY(f.Activate());
        WhenActive<TForm12>(c.act);
        QTest::keyClick(f.form->ListBox1, Qt::Key_F3, Qt::AltModifier);
        QCOMPARE(ReadFileBytes(dir.path() + "/" + c.srt), c.srtBytes);
      }
      if (c.shown.endsWith("is not a valid integer value")) f.prompts.ExpectError();
      QCOMPARE(f.prompts.Texts().join("\n"), c.shown.arg(dir.path()));
      QCOMPARE(f.form->Doc().IsFromUtf16(), c.file == "unicode.txt");
    }
  }

  // A UTF-16 frame file opens as its text and is saved as UTF-8; a file of
  // NUL bytes is refused with a message instead of converted.
  void Utf16AndBinaryFiles() {
    QTemporaryDir dir;
    const QString sub = dir.path() + "/film.sub", zeros = dir.path() + "/zeros.sub";
    WriteFileBytes(sub, Utf16Le("{1}{2}Příliš žluťoučký\r\n{3}{4}kůň\r\n"));
    WriteFileBytes(zeros, QByteArray(100000, '\0'));
    MainWindowFixture f(sub);
    f.form->show();
    QTRY_COMPARE(f.Rows().join("\n"), "{1}{2}Příliš žluťoučký\n{3}{4}kůň");
    QVERIFY(f.form->Doc().IsFromUtf16());
    QCOMPARE(f.form->EncodingButton->text(), "UTF-8 (z UTF-16)");
    f.form->Timer1Timer();
    QTest::keyClick(f.form->ListBox1, Qt::Key_F3);
    QCOMPARE(ReadFileBytes(f.form->ETarget->text()),
             QByteArray("{1}{2}Příliš žluťoučký\r\n{3}{4}kůň\r\n"));

    f.form->ESource->setText(zeros);
    QTest::keyClick(f.form->ESource, Qt::Key_Return);
    QCOMPARE(f.prompts.Texts().join("\n"),
             "Soubor " + zeros + " není textový soubor s titulky, nelze ho převést.");
    QCOMPARE(f.Rows().join("\n"), QString());
    QVERIFY(!f.form->Doc().IsFromUtf16());
  }
};

QTEST_MAIN(PrevodTest)
#include "prevod_test.moc"
