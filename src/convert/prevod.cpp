#include "convert/prevod.h"

#include <QFile>
#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "convert/srt_import.h"
#include "document/encoding_detection.h"
#include "document/subtitle_file.h"
#include "sync/cas.h"
#include "sync/time_frames.h"

namespace velorin {

namespace {

constexpr FrameRate kDefaultRate(25000);  // when the list's text is no rate

}  // namespace

TForm5::TForm5(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  const DialogBuilder s(*this, form1_);
  auto button = [&](const char* text, int left, int top, int width, const char* hint) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setGeometry(s(left), s(top), s(width), s(31));
    b->setToolTip(QString::fromUtf8(hint));
    return b;
  };

  Label1 = s.Label("S tímto formátem titulků nedokáže aplikace pracovat.", 0, 0);
  Label2 = s.Label("Pomocí tohoto okna, můžete provést převod do správného formátu.", 0, 0);
  Label3 = s.Label("Zadejte počet snímků na vteřinu záznamu:", 0, 0);
  Label3->move(s(16), s(70));
  Label3->adjustSize();
  FrameBox = new QComboBox(this);
  FrameBox->setEditable(false);
  FrameBox->setGeometry(s(16), s(94), s(120), s(26));
  FrameBox->setToolTip(
      QString::fromUtf8("Volba počtu snímků připadajících na jednu vteřinu filmu."));
  DetekujBut = button("&Detekovat z filmu", 150, 92, 170,
                      "Detekce počtu snímku na vteřinu záznamu přímo z filmu.");
  PrevodBut = button("&Převést titulky", 0, 140, 150,
                     "Odstartování převodu titulků do formátu, s kterým aplikace dokáže pracovat.");
  StornoBut = button("&Storno", 0, 140, 100, "Uzavření tohoto okna.");
  PrevodBut->setDefault(true);

  // As wide as the longer centred line needs; the buttons centred below.
  const int width = std::max(s(440), Label2->sizeHint().width() + s(64));
  for (auto [l, top] : {std::pair{Label1, 14}, {Label2, 36}}) {
    l->setAlignment(Qt::AlignHCenter);
    l->setGeometry(0, s(top), width, l->sizeHint().height());
  }
  const int gap = s(30);
  int left = (width - PrevodBut->width() - gap - StornoBut->width()) / 2;
  PrevodBut->move(left, PrevodBut->y());
  StornoBut->move(left + PrevodBut->width() + gap, StornoBut->y());
  setFixedSize(width, s(186));
  CentreOnScreen(*this, form1_);

  connect(DetekujBut, &QPushButton::clicked, this, &TForm5::DetekujButClick);
  connect(PrevodBut, &QPushButton::clicked, this,
          [this] { form1_.RunCommand([this] { PrevodButClick(); }); });
  connect(StornoBut, &QPushButton::clicked, this, &TForm5::StornoButClick);
  FormCreate();
}

void TForm5::FormCreate() {
  for (FrameRate rate : kFrameRates) FrameBox->addItem(QString::fromStdString(rate.Text()));
  FrameBox->setCurrentIndex(2);  // 25,000
  QString caption = QStringLiteral("Převod formátu");
  if (IsSrtFile(QFile::encodeName(form1_.SourceFileName()).toStdString()))
    caption += QStringLiteral(" SRT");
  setWindowTitle(caption);
  Tag = 0;
}

void TForm5::DetekujButClick() { velorin::DetekujButClick(form1_, this, FrameBox); }

void TForm5::PrevodButClick() {
  const FrameRate rate =
      FrameRate::Parse(FrameBox->currentText().toStdString()).value_or(kDefaultRate);
  const std::string path = QFile::encodeName(form1_.SourceFileName()).toStdString();
  SubtitleList& doc = form1_.Doc();
  // The loader cleared the list; the converted lines go straight into the
  // document's store, never held as separate strings.
  LineStore lines(doc.Lines());
  bool utf8 = true;
  bool fromUtf16 = false;
  {
    const std::string bytes = ReadFileBytes(path);
    fromUtf16 = Utf16OrderOf(bytes) != Utf16Order::None;
    const ConvertedLineFn keep = [&](std::string_view line) { lines.push_back(line); };
    try {
      utf8 = IsSrtFile(path) ? ConvertSrtInto(bytes, rate, keep, form1_.Progress())
                             : ConvertTimeCodeLinesInto(bytes, rate, keep, form1_.Progress());
    } catch (const ConversionError&) {
      // A number or frame too large: nothing of the file goes into the list,
      // the load fails, and the general error box says why.
      reject();
      throw;
    }
  }
  doc.SetEncoding(DetectEncoding(lines, utf8));
  doc.Assign(std::move(lines));
  doc.SetFromUtf16(fromUtf16);
  form1_.PushAll();
  Tag = 1;
  accept();
}

void TForm5::StornoButClick() { reject(); }

void TForm5::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

}  // namespace velorin
