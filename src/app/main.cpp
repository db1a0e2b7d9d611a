#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <cstring>

#include "app/hlform.h"
#include "app/qt_prompts.h"
#include "velorin_version.h"

int main(int argc, char** argv) {
  // Answered before any window or display is needed.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("velorin %s\n", VELORIN_VERSION);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "Použití: velorin [SOUBOR]\n"
        "Synchronizace a editace filmových titulků; SOUBOR se otevře jako zdrojový soubor.\n"
        "Operace bez okna nabízí velorin-cli (velorin-cli --help).\n");
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velorin"));
  // The standard dialogs speak the program's language.
  QTranslator qtCzech;
  if (qtCzech.load(QLocale(QLocale::Czech), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtCzech);
  // libmpv needs the C number format; Qt sets the locale's in QApplication.
  std::setlocale(LC_NUMERIC, "C");

  velorin::QtPrompts prompts;
  velorin::TForm1::Options options;
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) options.fileArgument = args[1];
  velorin::TForm1 form(prompts, options);
  prompts.SetParent(&form);
  form.show();
  return app.exec();
}
