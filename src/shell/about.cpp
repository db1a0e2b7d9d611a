#include "shell/about.h"

#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QUrl>

#include "app/dialog_support.h"
#include "app/main_form.h"
#include "shell/desktop.h"
#include "velorin_version.h"

namespace velorin {

QString TAboutBox::MailAddress() { return QStringLiteral("velorin@example.org"); }
QString TAboutBox::WebAddress() { return QStringLiteral("https://velorin.example.org/"); }

TAboutBox::TAboutBox(MainForm& form1) : QDialog(form1.Window()), form1_(form1) {
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QStringLiteral("O aplikaci"));
  setFont(DesignFont(form1_));
  const DialogBuilder s(*this, form1_);

  ProgramIcon = new QLabel(this);
  ProgramIcon->setGeometry(s(20), s(20), s(64), s(64));
  const QPixmap icon(form1_.ResourceDir() + QStringLiteral("velorin.png"));
  if (!icon.isNull())
    ProgramIcon->setPixmap(
        icon.scaled(ProgramIcon->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

  ProductName = s.Label(QStringLiteral("Velorin"), 104, 18);
  QFont big = ProductName->font();
  big.setBold(true);
  if (big.pixelSize() > 0)
    big.setPixelSize(big.pixelSize() * 2);
  else
    big.setPointSizeF(big.pointSizeF() * 2);
  ProductName->setFont(big);
  ProductName->adjustSize();
  Version = s.Label(QStringLiteral("Verze ") + QStringLiteral(VELORIN_VERSION), 106, 56);
  Comments = new QLabel(QStringLiteral("Komplexní nástroj pro synchronizaci a editaci filmových "
                                       "titulků: posun a změna časového měřítka, synchronizace "
                                       "podle více bodů, úpravy titulků, formátování a převody "
                                       "do formátu SRT a zpět."),
                        this);
  Comments->setWordWrap(true);
  Comments->setGeometry(s(20), s(100), s(340), s(70));
  Author = s.Label(QStringLiteral("Autoři: vývojáři projektu Velorin"), 20, 180);
  EmailLabel = s.Label(QStringLiteral("E-mail: ") + MailAddress(), 20, 204);
  WebLabel = s.Label(QStringLiteral("Web: ") + WebAddress(), 20, 228);
  for (QLabel* link : {EmailLabel, WebLabel}) {
    link->setStyleSheet(QStringLiteral("QLabel { color: blue; }"));
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
    // Room for the bold text the pointer brings.
    QFont bold = link->font();
    bold.setBold(true);
    link->resize(QFontMetrics(bold).horizontalAdvance(link->text()) + s(4), link->height());
  }
  EmailLabel->setToolTip(QStringLiteral("Napsat e-mail autorům aplikace."));
  WebLabel->setToolTip(QStringLiteral("Otevřít webové stránky aplikace."));

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setToolTip(QStringLiteral("Uzavření tohoto okna."));
  OKButton->setDefault(true);  // Esc closes the box as well
  OKButton->setGeometry(s(140), s(264), s(100), s(31));
  connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

  setFixedSize(s(380), s(312));
  if (QScreen* screen = form1_.Window()->screen())
    move(screen->availableGeometry().center() - rect().center());
}

void TAboutBox::EmailLabelClick() {
  OpenWithDesktop(form1_, QUrl(QStringLiteral("mailto:") + MailAddress()),
                  QStringLiteral("Adresu ") + MailAddress());
}

void TAboutBox::WebLabelClick() {
  OpenWithDesktop(form1_, QUrl(WebAddress()), QStringLiteral("Adresu ") + WebAddress());
}

void TAboutBox::OKButtonClick() { accept(); }

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  auto* link = qobject_cast<QLabel*>(watched);
  if (link == EmailLabel || link == WebLabel) {
    switch (event->type()) {
      case QEvent::Enter:
      case QEvent::Leave: {
        const bool inside = event->type() == QEvent::Enter;
        QFont f = link->font();
        f.setBold(inside);
        f.setUnderline(inside);
        link->setFont(f);
        break;
      }
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
          form1_.RunCommand([&] { link == EmailLabel ? EmailLabelClick() : WebLabelClick(); });
          return true;
        }
        break;
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TAboutBox::paintEvent(QPaintEvent*) { PaintDialogBackground(*this, form1_); }

}  // namespace velorin
