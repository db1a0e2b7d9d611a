#include <turbojpeg.h>

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QtTest>
#include <functional>

#include "edit/adding.h"
#include "edit/infotit.h"
#include "edit/pridavani.h"
#include "edit/upravy.h"
#include "shell/about.h"
#include "shell/asociace.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

// Acts on the next modal dialog of type D as soon as it is shown and active
// (the test itself waits in exec()); closes it when act left it open.
template <typename D>
void OnNextDialog(std::function<void(D*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
    if (!d || !d->isActiveWindow()) return;
    timer->stop();
    timer->deleteLater();
    act(d);
    if (d->isVisible()) d->reject();
  });
  timer->start();
}

// The main window on screen with a document and its menus enabled, the list
// focused, so that keys reach the shortcuts as a person's keys do.
void ShowWith(MainWindowFixture& f, const QByteArray& doc) {
  QVERIFY(f.Activate());
  QTest::qWait(1);  // start-up: the settings are read
  if (!doc.isEmpty()) f.form->LoadSubtitleFile(f.Write("main.sub", doc));
  f.form->SetChanged(false);
  f.form->Timer1Timer();
  f.form->ListBox1->setFocus();
}

void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, mods,
                    list->visualItemRect(list->item(row)).center());
}

QStringList Items(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

QByteArray Jpeg(int width, int height, QRgb color) {
  QImage image(width, height, QImage::Format_RGBX8888);
  image.fill(color);
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  tjCompress2(tj, image.constBits(), width, static_cast<int>(image.bytesPerLine()), height,
              TJPF_RGBX, &out, &size, TJSAMP_444, 90, 0);
  QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
  tjFree(out);
  tjDestroy(tj);
  return bytes;
}

// A small JPEG whose header announces 20000 x 20000 pixels.
QByteArray HugeJpegHeader() {
  QByteArray bytes = Jpeg(8, 8, qRgb(1, 2, 3));
  const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
  for (int i : {5, 7}) {
    bytes[sof + i] = char(0x4E);  // 20000 = 0x4E20
    bytes[sof + i + 1] = char(0x20);
  }
  return bytes;
}

QString Bmp(MainWindowFixture& f, const QString& name, int size, QRgb color) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(color);
  image.save(f.Path(name), "BMP");
  return f.Path(name);
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

 private slots:
  void AddingFromAFile() {
    enum Action { All, Selected, DeleteThenAll, Storno };
    struct Case {
      const char* name;
      QByteArray file;
      QString offset;     // typed and applied with "Přičíst" when not empty
      QList<int> select;  // rows of the dialog's list clicked with Ctrl
      Action action;
      bool chrono;
      QStringList rows;  // the main list afterwards
    };
    const QString m = "{100}{200}m", n = "{300}{400}n";
    const Case cases[] = {
        {"only subtitle lines are added, then sorted",
         "[INFO]\r\n\r\n{500}{}b\r\nxyz\r\n{10}{20}a\r\n",
         "",
         {},
         All,
         true,
         {"{10}{20}a", m, n, "{500}{}b"}},
        {"shifted and left at the end",
         "{10}{20}a\r\n{500}{}b\r\n",
         "-15",
         {},
         All,
         false,
         {n, m, "{0}{5}a", "{485}{0}b"}},
        {"a lone minus shifts by 0", "{500}{}b\r\n", "-", {}, All, false, {n, m, "{500}{0}b"}},
        {"only the selected",
         "{10}{20}a\r\n{500}{}b\r\n",
         "",
         {1},
         Selected,
         true,
         {m, n, "{500}{}b"}},
        {"Delete takes lines out",
         "{10}{20}a\r\n{500}{}b\r\n",
         "",
         {0},
         DeleteThenAll,
         false,
         {n, m, "{500}{}b"}},
        {"Storno after shifting", "{10}{20}a\r\n", "100", {}, Storno, true, {n, m}},
    };
    for (const Case& c : cases) {
      MainWindowFixture f;
      // Out of order: a sort afterwards orders the whole document.
      ShowWith(f, "{300}{400}n\r\n{100}{200}m\r\n");
      const QString startDir = f.form->lastOpenDir;
      QDir().mkpath(f.Path("add"));
      f.prompts.files = {f.Write("add/x.sub", c.file)};
      bool shown = false;
      OnNextDialog<TForm6>([&](TForm6* d) {
        shown = true;
        QCOMPARE(d->windowTitle(), QString::fromUtf8("Přidání titulků ze souboru"));
        d->Timer1Timer();
        QVERIFY(!d->PridatBut->isEnabled());
        d->PrBut->click();
        QCOMPARE(d->PridSoub->text(), f.Path("add/x.sub"));
        d->Timer1Timer();
        QVERIFY(d->PridatBut->isEnabled());
        QVERIFY(!d->PridatVybBut->isEnabled());
        if (!c.offset.isEmpty()) {
          QTest::keyClicks(d->ESnimky, c.offset);
          d->PrictiBut->click();
        }
        if (d->Chrono->isChecked() != c.chrono) QTest::mouseClick(d->Label1, Qt::LeftButton);
        for (int row : c.select) ClickRow(d->ListBox1, row);
        d->Timer1Timer();
        QCOMPARE(d->PridatVybBut->isEnabled(), !c.select.isEmpty());
        switch (c.action) {
          case DeleteThenAll:
            QTest::keyClick(d->ListBox1, Qt::Key_Delete);
            [[fallthrough]];
          case All:
            QTest::keyClick(d, Qt::Key_P, Qt::AltModifier);
            break;
          case Selected:
            QTest::keyClick(d, Qt::Key_V, Qt::AltModifier);
            break;
          case Storno:
            d->StornoBut->click();
            break;
        }
        QTRY_VERIFY(!d->isVisible());  // a mnemonic clicks after a moment
      });
      QTest::keyClick(f.form->ListBox1, Qt::Key_Insert);
      QVERIFY2(shown, c.name);
      QCOMPARE(f.Rows(), c.rows);
      QCOMPARE(f.form->Changed(), c.action != Storno);
      QCOMPARE(f.form->settings.chronologicke, c.chrono);
      // The file dialog opened in the last open folder, which is now the file's.
      QCOMPARE(f.prompts.shown.front().text, "soubory s titulky (*.sub *.txt)|" + startDir);
      QCOMPARE(f.form->lastOpenDir, f.Path("add/"));
    }
  }

  void AddingRefusesWhatItCannotDoAndChangesNothing() {
    MainWindowFixture f;
    ShowWith(f, "{1}{2}m\r\n");
    f.prompts.files = {f.Write("x.sub", "{2147483600}{}a\r\n{5}{6}b\r\n"), f.Path("missing.sub")};
    OnNextDialog<TForm6>([&](TForm6* d) {
      d->PrBut->click();
      d->Timer1Timer();
      const QStringList listed = Items(d->ListBox1);
      d->PrBut->click();  // a file that cannot be read
      f.prompts.ExpectError();
      QVERIFY(f.prompts.shown.back().kind == "error");
      QVERIFY(f.prompts.shown.back().text.contains("File not found"));
      QCOMPARE(Items(d->ListBox1), listed);
      // Only digits and '-' are typed; Delete, Home and Tab work as usual.
      QTest::keyClicks(d->ESnimky, "1a0x-");
      QCOMPARE(d->ESnimky->text(), QString("10-"));
      QTest::keyClick(d->ESnimky, Qt::Key_Home);
      QTest::keyClick(d->ESnimky, Qt::Key_Delete);
      QCOMPARE(d->ESnimky->text(), QString("0-"));
      d->ESnimky->setText("99999999");
      d->PrictiBut->click();  // 2147483600 + 99999999 does not fit
      QCOMPARE(f.prompts.shown.back().text, QString::fromUtf8(kMsgShiftedFrameTooLarge.data()));
      QCOMPARE(Items(d->ListBox1), listed);
      d->ESnimky->setFocus();
      QTest::keyClick(d->ESnimky, Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(d->PrictiBut));
      QTest::keyClick(d, Qt::Key_Escape);
    });
    QTest::keyClick(f.form->ListBox1, Qt::Key_Insert);
    QCOMPARE(f.Rows(), QStringList({"{1}{2}m"}));
    QVERIFY(!f.form->Changed());
  }

  void StatisticsOfTheDocument() {
    struct Case {
      QByteArray doc;
      QStringList values;  // Label7 .. Label12, Label14; none: an error instead
    } cases[] = {
        {"{10}{20}a\r\n{30}{40}{Y:b}bb|ccc\r\n", {"10", "30", "2", "ano", "1", "2", "30"}},
        {"{5}{}abc\r\n{9}{}xyz|a|b|c|d|e|f\r\n{7}{}x\r\n", {"5", "7", "3", "ne", "0", "7", "5"}},
        {"{1}{2}a\r\n{99999999999}{}b\r\n{3}{4}c\r\n", {}},
    };
    for (const Case& c : cases) {
      MainWindowFixture f;
      ShowWith(f, c.doc);
      bool shown = false;
      if (!c.values.isEmpty()) {
        OnNextDialog<TForm8>([&](TForm8* d) {
          shown = true;
          QCOMPARE(d->windowTitle(), QString::fromUtf8("Informace o titulcích"));
          const QList<QLabel*> values = {d->Label7,  d->Label8,  d->Label9, d->Label10,
                                         d->Label11, d->Label12, d->Label14};
          for (int i = 0; i < values.size(); ++i) {
            QCOMPARE(values[i]->text(), c.values[i]);
            QVERIFY(values[i]->geometry().right() < d->width());  // nothing cut off
          }
          QVERIFY(qAbs(d->OKBut->geometry().center().x() - d->width() / 2) <= 1);
          QTest::keyClick(d, Qt::Key_O, Qt::AltModifier);
          QTRY_VERIFY(!d->isVisible());  // a mnemonic clicks after a moment
        });
      }
      QTest::keyClick(f.form->ListBox1, Qt::Key_I, Qt::ControlModifier);
      QCOMPARE(shown, !c.values.isEmpty());
      if (c.values.isEmpty()) {
        // Reported once, and no dialog was shown.
        f.prompts.ExpectError();
        QCOMPARE(f.prompts.Kinds(), QStringList({"error"}));
        QVERIFY(f.prompts.shown[0].text.contains("not a valid integer value"));
      }
    }
  }

  void AssociationsFollowTheDesktopAndTouchOnlyTheirOwnDefaults() {
    MainWindowFixture f;
    f.Write("Velorin.ini", "[ASOCIACE]\r\nTxt=1\r\n");
    QDir().mkpath(f.Path("xdg/config"));
    const QString mimeapps = f.Path("xdg/config/mimeapps.list");
    const QString subEntry = f.Path("xdg/data/applications/velorin-soubor-sub.desktop");
    f.Write("xdg/config/mimeapps.list", "[Default Applications]\ntext/plain=gedit.desktop;\n");
    ShowWith(f, "{1}{2}a\r\n");
    enum Button { Ok, Storno };
    struct Step {
      QList<bool> before;      // the boxes as the dialog opens: txt, sub, srt
      QList<int> labelClicks;  // 0 txt, 1 sub, 2 srt: clicks on the labels
      Button button;
      bool subEntryExists;
      QByteArray ini;
      QByteArray mimeappsAfter;
    } steps[] = {
        // The settings file says TXT, but the desktop has no entry: the box is clear.
        {{false, false, false},
         {1},
         Ok,
         true,
         "[ASOCIACE]\r\nTxt=0\r\nSub=1\r\nSrt=0\r\n",
         "[Default Applications]\ntext/plain=gedit.desktop;\n"
         "text/x-microdvd=velorin-soubor-sub.desktop;\n"
         "text/x-mpsub=velorin-soubor-sub.desktop;\n"
         "text/x-subviewer=velorin-soubor-sub.desktop;\n"},
        {{false, true, false},
         {1, 0, 0},
         Storno,
         true,
         "[ASOCIACE]\r\nTxt=0\r\nSub=1\r\nSrt=0\r\n",
         {}},
        {{false, true, false},
         {1},
         Ok,
         false,
         "[ASOCIACE]\r\nTxt=0\r\nSub=0\r\nSrt=0\r\n",
         "[Default Applications]\ntext/plain=gedit.desktop;\n"},
        // TXT: *.txt files alone, through a type of their own; text/plain stays.
        {{false, false, false},
         {0},
         Ok,
         false,
         "[ASOCIACE]\r\nTxt=1\r\nSub=0\r\nSrt=0\r\n",
         "[Default Applications]\ntext/plain=gedit.desktop;\n"
         "text/x-velorin-txt=velorin-soubor-txt.desktop;\n"},
    };
    for (const Step& s : steps) {
      const QByteArray before = ReadFileBytes(mimeapps);
      OnNextDialog<TForm10>([&](TForm10* d) {
        QCOMPARE(d->windowTitle(), QString::fromUtf8("Asociace titulků"));
        QList<QCheckBox*> boxes = {d->TxtCheck, d->SubCheck, d->SrtCheck};
        QList<QLabel*> labels = {d->Label1, d->Label2, d->Label3};
        for (int i = 0; i < 3; ++i) QCOMPARE(boxes[i]->isChecked(), s.before[i]);
        for (int i : s.labelClicks) QTest::mouseClick(labels[i], Qt::LeftButton);
        QTest::keyClick(d, s.button == Ok ? Qt::Key_O : Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!d->isVisible());  // a mnemonic clicks after a moment
      });
      f.form->AsociovatSoubory1->trigger();
      QCOMPARE(QFileInfo::exists(subEntry), s.subEntryExists);
      QCOMPARE(ReadFileBytes(f.Path("Velorin.ini")), s.ini);
      QCOMPARE(ReadFileBytes(mimeapps), s.mimeappsAfter.isEmpty() ? before : s.mimeappsAfter);
    }
    QVERIFY(QFileInfo::exists(f.Path("xdg/data/mime/packages/velorin-txt.xml")));
  }

  void BackgroundAtStartUp() {
    struct Case {
      const char* name;
      QString settingsPicture;  // POZADI/Cesta, a file of the program folder
      bool withDefault;         // pozadi.jpg is there (16 x 8)
      QSize size;               // the picture shown
      QString path;             // the background path afterwards
    } cases[] = {
        {"a PNG is not taken", "user.png", true, {16, 8}, "pozadi.jpg"},
        {"an upper-case JPG is", "user.JPG", true, {4, 4}, "user.JPG"},
        {"a broken picture gives way to the default", "broken.jpg", true, {16, 8}, "pozadi.jpg"},
        {"nothing to show: no picture, no message", "missing.jpg", false, {0, 0}, "pozadi.jpg"},
    };
    for (const Case& c : cases) {
      MainWindowFixture f;
      if (c.withDefault) f.Write("pozadi.jpg", Jpeg(16, 8, qRgb(200, 210, 220)));
      f.Write("user.JPG", Jpeg(4, 4, qRgb(1, 2, 3)));
      f.Write("user.png", "png");
      f.Write("broken.jpg", "not a picture");
      f.Write("Velorin.ini", "[POZADI]\r\nCesta=" + f.Path(c.settingsPicture).toUtf8() + "\r\n");
      ShowWith(f, {});
      QVERIFY2(f.prompts.shown.empty(), c.name);
      QCOMPARE(f.form->Background().size(), c.size);
      QCOMPARE(QString::fromStdString(f.form->settings.backgroundPath), f.Path(c.path));
    }
  }

  void BackgroundCommands() {
    MainWindowFixture f;
    f.Write("pozadi.jpg", Jpeg(16, 8, qRgb(200, 210, 220)));
    const QString bmp = Bmp(f, "user.bmp", 6, qRgb(250, 0, 0));
    ShowWith(f, {});
    struct Step {
      QAction* action;
      std::optional<QString> picked;  // the picture dialog's answer
      QString message;                // a part of the message shown; empty: none
      QSize size;
      QString path;
    } steps[] = {
        {f.form->VlastniPoz2,
         f.Write("broken.jpg", "text"),
         "nejde o obrázek JPEG",
         {16, 8},
         "pozadi.jpg"},
        {f.form->VlastniPoz2,
         f.Write("huge.jpg", HugeJpegHeader()),
         "příliš velký",
         {16, 8},
         "pozadi.jpg"},
        {f.form->VlastniPoz2,
         QStringLiteral("/dev/zero"),
         "soubor nelze otevřít",
         {16, 8},
         "pozadi.jpg"},
        {f.form->VlastniPoz2,
         f.Write("fake.bmp", "BMx"),
         "nejde o obrázek BMP",
         {16, 8},
         "pozadi.jpg"},
        {f.form->VlastniPoz2, bmp, "", {6, 6}, "user.bmp"},
        {f.form->VychoziPoz2, {}, "", {16, 8}, "pozadi.jpg"},
    };
    for (const Step& s : steps) {
      const qsizetype before = f.prompts.shown.size();
      if (s.action == f.form->VlastniPoz2) f.prompts.files = {s.picked};
      s.action->trigger();
      const QStringList texts = f.prompts.Texts().mid(before);
      if (s.message.isEmpty())
        QVERIFY(!texts.join("").contains("Obrázek"));
      else
        QVERIFY2(texts.last().contains(s.message), qPrintable(texts.join("\n")));
      QCOMPARE(f.form->Background().size(), s.size);
      QCOMPARE(QString::fromStdString(f.form->settings.backgroundPath), f.Path(s.path));
    }
    QCOMPARE(f.prompts.shown.front().title, QString::fromUtf8("Vyberte obrázek na pozadí"));
    // A picture chosen is what "Uložit nastavení" stores.
    f.prompts.files = {bmp};
    f.form->VlastniPoz2->trigger();
    QTest::keyClick(f.form->ListBox1, Qt::Key_F8);
    QVERIFY(ReadFileBytes(f.Path("Velorin.ini")).contains("[POZADI]\r\nCesta=" + bmp.toUtf8()));
  }

  void HelpPagesOpenOnTheDesktop() {
    MainWindowFixture f;
    for (const char* page : {"info.htm", "formatovani.htm", "ini.htm"}) f.Write(page, "<html>");
    ShowWith(f, "{1}{2}a\r\n");
    const std::function<void()> open[] = {
        [&] { QTest::keyClick(f.form->ListBox1, Qt::Key_F1); },
        [&] { f.form->NapBut->click(); },
        [&] { QTest::keyClick(f.form->ListBox1, Qt::Key_F1, Qt::ControlModifier); },
        [&] { QTest::keyClick(f.form->ListBox1, Qt::Key_F1, Qt::AltModifier); },
        [&] {
          // The edit dialog's help button.
          QTest::mouseClick(
              f.form->ListBox1->viewport(), Qt::LeftButton, {},
              f.form->ListBox1->visualRect(f.form->ListBox1->model()->index(0, 0)).center());
          OnNextDialog<TForm3>([](TForm3* d) { d->NapBut->click(); });
          QTest::keyClick(f.form->ListBox1, Qt::Key_U, Qt::ControlModifier);
        },
    };
    auto activate = [&] {
      f.form->activateWindow();  // again after a dialog
      return QTest::qWaitForWindowActive(f.form.get());
    };
    for (const auto& fn : open) {
      QVERIFY(activate());
      f.form->Timer1Timer();
      fn();
    }
    QVERIFY(activate());
    QList<QUrl> expected;
    for (const char* page :
         {"info.htm", "info.htm", "formatovani.htm", "ini.htm", "formatovani.htm"})
      expected << QUrl::fromLocalFile(f.Path(page));
    QCOMPARE(f.shell.opened, expected);
    QVERIFY(f.prompts.shown.empty());

    // A missing page and a desktop that cannot open one are both reported.
    QFile::remove(f.Path("ini.htm"));
    QTest::keyClick(f.form->ListBox1, Qt::Key_F1, Qt::AltModifier);
    f.shell.succeed = false;
    QTest::keyClick(f.form->ListBox1, Qt::Key_F1);
    QCOMPARE(f.prompts.Texts(),
             QStringList({"Soubor " + f.Path("ini.htm") + " nenalezen!",
                          "Soubor " + f.Path("info.htm") +
                              QString::fromUtf8(" se nepodařilo otevřít: v systému není "
                                                "nastaven program, který by ho zobrazil.")}));
    QCOMPARE(f.shell.opened.size(), expected.size() + 1);
  }

  void AboutBox() {
    MainWindowFixture f;
    f.Write("pozadi.jpg", Jpeg(8, 8, qRgb(0, 128, 0)));
    ShowWith(f, {});
    bool shown = false;
    OnNextDialog<TAboutBox>([&](TAboutBox* d) {
      shown = true;
      QCOMPARE(d->windowTitle(), QString("O aplikaci"));
      QVERIFY(d->Version->text().contains(QRegularExpression("\\d+\\.\\d+\\.\\d+")));
      // The background shows through.
      const QColor corner = d->grab().toImage().pixelColor(1, d->height() - 2);
      QVERIFY(qAbs(corner.green() - 128) < 8 && corner.red() < 8);
      for (QLabel* link : {d->EmailLabel, d->WebLabel}) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(link, &enter);
        QVERIFY(link->font().bold() && link->font().underline());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QVERIFY(!link->font().bold() && !link->font().underline());
        QTest::mouseClick(link, Qt::LeftButton);
      }
      QTest::keyClick(d, Qt::Key_Escape);
      QVERIFY(!d->isVisible());
    });
    QTest::keyClick(f.form->ListBox1, Qt::Key_F1, Qt::ShiftModifier);
    QVERIFY(shown);
    QCOMPARE(f.shell.opened, QList<QUrl>({QUrl("mailto:" + TAboutBox::MailAddress()),
                                          QUrl(TAboutBox::WebAddress())}));
  }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
