#include "shell/desktop.h"

#include <QDesktopServices>
#include <QFileInfo>

#include "app/main_form.h"

namespace velorin {

bool QtDesktopShell::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

void OpenWithDesktop(MainForm& form, const QUrl& url, const QString& what) {
  if (form.Shell().OpenUrl(url)) return;
  form.Ask().Message(QStringLiteral("Velorin"),
                     what + QStringLiteral(" se nepodařilo otevřít: v systému není nastaven "
                                           "program, který by ho zobrazil."));
}

void ShowHelpPage(MainForm& form, const QString& path) {
  if (!QFileInfo(path).isFile()) {
    form.Ask().Message(QStringLiteral("Velorin"),
                       QStringLiteral("Soubor ") + path + QStringLiteral(" nenalezen!"));
    return;
  }
  OpenWithDesktop(form, QUrl::fromLocalFile(path), QStringLiteral("Soubor ") + path);
}

}  // namespace velorin
