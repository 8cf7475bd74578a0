#include "ui/qt/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace ui::qt {

bool InstallToolkitTranslations() {
  static QTranslator translator;
  static const bool loaded =
      translator.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  static QCoreApplication* installedIn = nullptr;
  QCoreApplication* app = QCoreApplication::instance();
  if (!loaded || !app) return false;
  if (installedIn != app) {
    QCoreApplication::installTranslator(&translator);
    installedIn = app;
  }
  return true;
}

}  // namespace ui::qt
