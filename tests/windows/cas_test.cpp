// The time dialog, frame-rate detection and film information, on a fake player.
#include "sync/cas.h"

#include <QApplication>
#include <QLineEdit>
#include <QtTest>
#include <functional>

#include "film/fake_player.h"
#include "film/infofilm.h"
#include "windows/window_test_support.h"

using namespace velorin;
using namespace velorin::test;

namespace {

struct Fixture : MainWindowFixture {
  FakePlayer* player;
  Fixture() {
    auto p = std::make_unique<FakePlayer>();
    player = p.get();
    form->SetPlayer(std::move(p));
  }
  QList<int> Spins(TForm2& d) const {
    return {d.SpinEdit1->value(), d.SpinEdit2->value(), d.SpinEdit3->value()};
  }
};

}  // namespace

class CasTest : public QObject {
  Q_OBJECT

 private slots:
  void OpensWithTheRatesAndTheLastConfirmedRate() {
    Fixture f;
    TForm2 d(*f.form);
    QStringList items;
    for (int i = 0; i < d.ESnimek->count(); ++i) items << d.ESnimek->itemText(i);
    QCOMPARE(items, QStringList({"23,976", "24,000", "25,000", "29,970", "30,000"}));
    QCOMPARE(d.ESnimek->currentText(), QString("25,000"));
    QVERIFY(!d.ESnimek->isEditable());
    QCOMPARE(d.Tag, 0);
    QCOMPARE(d.resultFrame, int64_t{0});
    QCOMPARE(d.SpinEdit1->maximum(), 24);
    QCOMPARE(d.SpinEdit2->maximum(), 60);
    QCOMPARE(d.SpinEdit3->maximum(), 60);
    f.form->frameRateText = "29,970";
    TForm2 d2(*f.form);
    QCOMPARE(d2.ESnimek->currentIndex(), 3);
    f.form->frameRateText = "25";  // not one of the texts: nothing selected
    TForm2 d3(*f.form);
    QCOMPARE(d3.ESnimek->currentIndex(), -1);
  }

  void PresetShowsTheFrameAsATime() {
    Fixture f;
    TForm2 d(*f.form);
    PresetTimeDialog(d, QString::fromUtf8("Poslední titulek"), 93075);
    QCOMPARE(d.windowTitle(), QString::fromUtf8("Poslední titulek"));
    QCOMPARE(f.Spins(d), QList<int>({1, 2, 3}));
    PresetTimeDialog(d, "x", 25.0 * 3600 * 25);  // 25 h
    QCOMPARE(f.Spins(d), QList<int>({24, 60, 0}));
  }

  void OkTurnsTheTimeIntoAFrame() {
    struct Case {
      QList<int> time;
      QString rate;
      int64_t frame;
    } cases[] = {{{1, 2, 3}, "25,000", 93075},
                 {{1, 2, 3}, "23,976", 89263},
                 {{24, 60, 60}, "30,000", 90060 * 30}};
    for (const auto& c : cases) {
      Fixture f;
      TForm2 d(*f.form);
      d.SpinEdit1->setValue(c.time[0]);
      d.SpinEdit2->setValue(c.time[1]);
      d.SpinEdit3->setValue(c.time[2]);
      d.ESnimek->setCurrentText(c.rate);
      d.OKButClick();
      QCOMPARE(d.Tag, 1);
      QCOMPARE(d.resultFrame, c.frame);
      QCOMPARE(f.form->frameRateText, c.rate);
      QCOMPARE(d.result(), int(QDialog::Accepted));
    }
  }

  void EmptySpinFieldCountsAsZero() {
    // Emptied by the user, then OK clicked or Enter pressed in the field.
    for (bool byEnter : {false, true}) {
      Fixture f;
      TForm2 d(*f.form);
      d.show();
      QVERIFY(QTest::qWaitForWindowExposed(&d));
      d.SpinEdit1->setValue(1);
      d.SpinEdit3->setValue(7);
      d.SpinEdit3->setFocus();
      d.SpinEdit3->selectAll();
      QTest::keyClick(d.SpinEdit3, Qt::Key_Backspace);
      if (byEnter)
        QTest::keyClick(d.SpinEdit3, Qt::Key_Return);
      else
        QTest::mouseClick(d.OKBut, Qt::LeftButton);
      QCOMPARE(d.Tag, 1);
      QCOMPARE(d.resultFrame, int64_t{3600 * 25});
    }
  }

  void OkWithoutARateWarnsAndConfirmsNothing() {
    Fixture f;
    TForm2 d(*f.form);
    d.ESnimek->setCurrentIndex(-1);
    d.OKButClick();
    QCOMPARE(f.prompts.Texts(),
             QStringList({QString::fromUtf8("Chybná hodnota u počtu snímku za vteřinu!")}));
    QCOMPARE(d.Tag, 0);
    QCOMPARE(f.form->frameRateText, QString("25,000"));
  }

  void TimeButtonsFillTheFrameFields() {
    Fixture f;
    // E3 empty: 0:00:00, OK gives 0.
    WhenShown<TForm2>([&](TForm2* d) {
      QCOMPARE(d->windowTitle(), QString::fromUtf8("První titulek"));
      QCOMPARE(f.Spins(*d), QList<int>({0, 0, 0}));
      d->OKBut->click();
    });
    QVERIFY(f.form->RunCommand([&] { f.form->CasBut1Click(); }));
    QCOMPARE(f.form->E3->text(), QString("0"));

    // 93075 opens as 1:02:03; confirmed at 29,970.
    f.form->E3->setText("93075");
    WhenShown<TForm2>([&](TForm2* d) {
      QCOMPARE(f.Spins(*d), QList<int>({1, 2, 3}));
      QCOMPARE(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
      d->ESnimek->setCurrentText("29,970");
      d->OKBut->click();
    });
    f.form->CasBut1Click();
    QCOMPARE(f.form->E3->text(), QString("111578"));  // 3723 s x 29,97
    QCOMPARE(f.form->frameRateText, QString("29,970"));

    // E4 uses the rate confirmed last; Storno leaves the field.
    f.form->E4->setText("111578");
    WhenShown<TForm2>([&](TForm2* d) {
      QCOMPARE(d->windowTitle(), QString::fromUtf8("Poslední titulek"));
      QCOMPARE(d->ESnimek->currentText(), QString("29,970"));
      QCOMPARE(f.Spins(*d), QList<int>({1, 2, 3}));
      d->SpinEdit1->setValue(2);
      d->StornoBut->click();
    });
    f.form->CasBut2Click();
    QCOMPARE(f.form->E4->text(), QString("111578"));
  }

  void DetectionOnTheFakeFilm() {
    struct Case {
      int64_t ms, frames;
      QString expected;
    } cases[] = {{7200000, 172800, "24,000"},
                 {7200000, 179820, "25,000"},
                 {10000, 245, "24,000"},
                 {0, 250, "30,000"}};  // length 0 ms: the selection stays
    for (const auto& c : cases) {
      Fixture f;
      f.player->lengthMs = c.ms;
      f.player->lengthFrames = c.frames;
      TForm2 d(*f.form);
      d.ESnimek->setCurrentIndex(4);
      // No film yet: the detection opens one through the film command.
      f.prompts.files.push_back(f.Path("film.avi"));
      d.DetekujButClick();
      QVERIFY(f.form->FilmOpen());
      QCOMPARE(d.ESnimek->currentText(), c.expected);
      QVERIFY(d.OKBut->isEnabled() && d.ESnimek->isEnabled() && d.DetekujBut->isEnabled());
    }
  }

  void DetectionWithAFilmThatFailsToOpen() {
    Fixture f;
    TForm2 d(*f.form);
    f.prompts.files.push_back(f.Path("broken.avi"));
    d.DetekujButClick();
    f.prompts.ExpectError();
    QCOMPARE(f.prompts.Kinds(), QStringList({"open", "error"}));
    QVERIFY(!f.form->FilmOpen());
    QCOMPARE(d.ESnimek->currentText(), QString("25,000"));
    QVERIFY(d.OKBut->isEnabled() && d.SpinEdit1->isEnabled());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void FilmInformation() {
    struct Case {
      int64_t ms, frames;
      QString name, length;
    } cases[] = {{5405678, 135141, "Dlouhý film.avi", "01:30:05"},
                 {59999, 1500, "a.avi", "00:00:59"},
                 {5405678, 135141, "a.avi", "01:30:05"},
                 {3600000, 90000, "b.mpg", "01:00:00"}};
    for (const auto& c : cases) {
      Fixture f;
      f.player->lengthMs = c.ms;
      f.player->lengthFrames = c.frames;
      f.player->Open(f.Path(c.name).toStdString());
      TForm9 d(*f.form);
      QCOMPARE(d.windowTitle(), QString("Informace o filmu"));
      QCOMPARE(d.Label4->text(), c.name);
      QCOMPARE(d.Label5->text(), c.length);
      QCOMPARE(d.Label6->text(), QString::number(c.frames));
      for (auto [caption, value] :
           {std::pair{d.Label1, d.Label4}, {d.Label2, d.Label5}, {d.Label3, d.Label6}}) {
        QCOMPARE(value->x(), caption->x() + caption->width() + 5);
        QCOMPARE(value->y(), caption->y());
        QCOMPARE(value->width(), value->sizeHint().width());
      }
      // Fitted to the name row with equal margins, but never so narrow that
      // the length or the frame count is cut; OK centred, the remainder dropped.
      const int margin = d.Label1->x();
      int width = 0;
      for (QLabel* value : {d.Label4, d.Label5, d.Label6})
        width = std::max(width, value->x() + value->width() + margin);
      QCOMPARE(d.width(), width);
      if (c.name.size() > 10)
        QCOMPARE(width, 2 * margin + d.Label1->width() + 5 + d.Label4->width());
      QCOMPARE(d.OKBut->x(), (width - d.OKBut->width()) / 2);
    }
  }

  void FilmInformationFromTheMenu() {
    Fixture f;
    f.player->Open("/filmy/x.avi");
    WhenShown<TForm9>([&](TForm9* d) {
      QCOMPARE(d->Label4->text(), QString("x.avi"));
      d->OKBut->click();
    });
    QVERIFY(f.form->RunCommand([&] { f.form->InfoFilm1Click(); }));
  }
};

QTEST_MAIN(CasTest)
#include "cas_test.moc"
