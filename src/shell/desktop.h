#pragma once

#include <QString>
#include <QUrl>

namespace velorin {

class MainForm;

// The desktop's way of opening a document or an address with its default
// program (a browser, a mail client). Tests put a recorder in its place, so
// that no browser starts.
class DesktopShell {
 public:
  virtual ~DesktopShell() = default;
  // False when the desktop could not open it.
  virtual bool OpenUrl(const QUrl& url) = 0;
};

// QDesktopServices::openUrl.
class QtDesktopShell : public DesktopShell {
 public:
  bool OpenUrl(const QUrl& url) override;
};

// Opens url through the main window's desktop shell; when the desktop cannot,
// says so in a message box naming what (a path or an address).
void OpenWithDesktop(MainForm& form, const QUrl& url, const QString& what);

// Opens the help page at path, or says "Soubor <path> nenalezen!" when there
// is no such file.
void ShowHelpPage(MainForm& form, const QString& path);

}  // namespace velorin
