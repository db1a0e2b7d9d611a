#include "shell/asociace.h"

#include <QFile>
#include <QMouseEvent>
#include <QScreen>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "document/ini_file.h"
#include "shell/associations.h"
#include "shell/settings.h"

namespace velorin {

namespace {

constexpr const char* kExtensions[] = {"txt", "sub", "srt"};

}  // namespace

TForm10::TForm10(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QStringLiteral("Asociace titulků"));
  setFont(DesignFont(form1_));
  const DialogBuilder s(*this, form1_);
  const char* upper[] = {"TXT", "SUB", "SRT"};
  QCheckBox** checks[] = {&TxtCheck, &SubCheck, &SrtCheck};
  QLabel** labels[] = {&Label1, &Label2, &Label3};
  for (int i = 0; i < 3; ++i) {
    const QString hint = QStringLiteral("Přidružení titulků s příponou %1 k aplikaci Velorin.")
                             .arg(QLatin1String(upper[i]));
    QCheckBox* c = *checks[i] = new QCheckBox(this);
    c->setGeometry(s(24), s(20 + 30 * i), s(20), s(20));
    c->setToolTip(hint);
    QLabel* l = *labels[i] =
        new QLabel(QStringLiteral("soubory s příponou %1").arg(QLatin1String(upper[i])), this);
    l->move(s(48), s(21 + 30 * i));
    l->adjustSize();
    l->setToolTip(hint);
    l->installEventFilter(this);
  }
  OKBut = new QPushButton(QStringLiteral("&OK"), this);
  OKBut->setGeometry(s(24), s(116), s(100), s(31));
  OKBut->setDefault(true);
  OKBut->setToolTip(QStringLiteral("Potvrzení provedených změn a uzavření tohoto okna."));
  StornoBut = new QPushButton(QStringLiteral("&Storno"), this);
  StornoBut->setGeometry(s(140), s(116), s(100), s(31));
  StornoBut->setToolTip(QStringLiteral("Uzavření tohoto okna bez zaznamenání provedených změn."));
  setFixedSize(s(264), s(164));
  if (QScreen* screen = form1_.Window()->screen())
    move(screen->availableGeometry().center() - rect().center());

  connect(OKBut, &QPushButton::clicked, this,
          [this] { form1_.RunCommand([this] { OKButClick(); }); });
  connect(StornoBut, &QPushButton::clicked, this, &TForm10::StornoButClick);
  FormCreate();
}

std::array<bool*, 3> TForm10::Flags() {
  AppSettings& st = form1_.Settings();
  return {&st.assocTxt, &st.assocSub, &st.assocSrt};
}

void TForm10::FormCreate() {
  // The flags follow what the desktop holds now, not the settings file.
  const std::array<bool*, 3> flags = Flags();
  const std::array<QCheckBox*, 3> checks = Checks();
  for (size_t i = 0; i < 3; ++i) {
    *flags[i] = form1_.Associations().IsAssociated(kExtensions[i]);
    checks[i]->setChecked(*flags[i]);
  }
}

void TForm10::ApplyAssociationChanges() {
  const std::array<bool*, 3> flags = Flags();
  const std::array<QCheckBox*, 3> checks = Checks();
  for (size_t i = 0; i < 3; ++i) {
    if (checks[i]->isChecked() == *flags[i]) continue;
    // Failures are not reported: the boxes show the outcome next time.
    if (checks[i]->isChecked())
      form1_.Associations().Associate(kExtensions[i]);
    else
      form1_.Associations().Unassociate(kExtensions[i]);
  }
}

void TForm10::SaveAssociationFlags() {
  const AppSettings& st = form1_.Settings();
  IniFile ini(QFile::encodeName(form1_.SettingsFile()).toStdString());
  WriteAssociationFlags(ini, st.assocTxt, st.assocSub, st.assocSrt);
}

void TForm10::OKButClick() {
  ApplyAssociationChanges();
  const std::array<bool*, 3> flags = Flags();
  const std::array<QCheckBox*, 3> checks = Checks();
  for (size_t i = 0; i < 3; ++i) *flags[i] = checks[i]->isChecked();
  SaveAssociationFlags();
  accept();
}

void TForm10::StornoButClick() { reject(); }

void TForm10::Label1Click() { TxtCheck->toggle(); }
void TForm10::Label2Click() { SubCheck->toggle(); }
void TForm10::Label3Click() { SrtCheck->toggle(); }

bool TForm10::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == Label1) Label1Click();
    if (watched == Label2) Label2Click();
    if (watched == Label3) Label3Click();
    if (watched == Label1 || watched == Label2 || watched == Label3) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TForm10::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

}  // namespace velorin
