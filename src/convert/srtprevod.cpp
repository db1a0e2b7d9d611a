#include "convert/srtprevod.h"

#include <QFile>
#include <algorithm>
#include <optional>
#include <string>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "convert/srt_export.h"
#include "convert/srt_import.h"
#include "sync/cas.h"
#include "sync/time_frames.h"

namespace velorin {

namespace {

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

TForm12::TForm12(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  const DialogBuilder s(*this, form1_);
  auto button = [&](const char* text, int left, int top, int width, const char* hint) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setGeometry(s(left), s(top), s(width), s(31));
    b->setToolTip(QString::fromUtf8(hint));
    return b;
  };

  setWindowTitle(QString::fromUtf8("Uložení titulků ve formátu SRT"));
  Label1 = new QLabel(QString::fromUtf8("Zadejte počet snímků na vteřinu záznamu:"), this);
  Label1->move(s(16), s(14));
  Label1->adjustSize();
  ESnimek = new QComboBox(this);
  ESnimek->setEditable(false);
  ESnimek->setGeometry(s(16), s(38), s(120), s(26));
  ESnimek->setToolTip(QString::fromUtf8("Počet snímků připadajících na jednu vteřinu filmu."));
  DetekujBut = button("&Detekovat z filmu", 150, 36, 170,
                      "Detekce počtu snímku na vteřinu záznamu přímo z filmu.");
  UlozBut = button("&Uložit titulky", 50, 84, 130, "Uložení titulků ve formátu SRT.");
  StornoBut = button("&Storno", 200, 84, 100, "Uzavření tohoto okna.");
  UlozBut->setDefault(true);

  setFixedSize(std::max(s(350), Label1->x() + Label1->width() + s(16)), s(130));
  CentreOnScreen(*this, form1_);

  connect(DetekujBut, &QPushButton::clicked, this, &TForm12::DetekujButClick);
  connect(UlozBut, &QPushButton::clicked, this,
          [this] { form1_.RunCommand([this] { UlozButClick(); }); });
  connect(StornoBut, &QPushButton::clicked, this, &TForm12::StornoButClick);
  FormCreate();
}

void TForm12::FormCreate() {
  for (FrameRate rate : kFrameRates) ESnimek->addItem(QString::fromStdString(rate.Text()));
  // The main window's rate, or no entry when it is none of the five.
  ESnimek->setCurrentIndex(ESnimek->findText(form1_.FrameRateText(), Qt::MatchExactly));
}

void TForm12::DetekujButClick() { velorin::DetekujButClick(form1_, this, ESnimek); }

void TForm12::UlozButClick() {
  std::optional<FrameRate> rate;
  if (ESnimek->currentIndex() >= 0) rate = FrameRate::Parse(ESnimek->currentText().toStdString());
  if (!rate) {
    // Nothing is written until a rate is chosen.
    form1_.Ask().Message(QStringLiteral("Velorin"),
                         QString::fromUtf8("Chybná hodnota u počtu snímku za vteřinu!"));
    return;
  }
  const std::string srt = SrtFileName(LocalPath(form1_.TargetFileName()));
  const QString srtName = QFile::decodeName(QByteArray::fromStdString(srt));
  const QString title = QString::fromUtf8("Uložení ve formátu SRT");
  // The name is cut at the first '.', so a document opened from film.srt
  // with the target film.cz.sub would be written over its own source.
  if (IsSameFile(srt, LocalPath(form1_.SourceFileName())) &&
      !form1_.Ask().AskYesNo(title, QString::fromUtf8("Soubor ") + srtName +
                                        QString::fromUtf8(" je zdrojovým souborem upravovaných "
                                                          "titulků. Chcete ho přepsat?"))) {
    reject();
    return;
  }
  // A failed write shows the file error and leaves the dialog open and any
  // existing file as it was.
  WriteSrtFile(srt, form1_.Doc().Lines(), *rate, form1_.Progress());
  form1_.Ask().Message(
      title, QString::fromUtf8("Titulky byly uloženy do souboru ") + srtName + QStringLiteral("."));
  accept();
}

void TForm12::StornoButClick() { reject(); }

void TForm12::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

}  // namespace velorin
