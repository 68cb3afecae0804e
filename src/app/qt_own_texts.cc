#include "app/qt_own_texts.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tamarack::app {

bool LoadQtOwnTexts(bool catalogue_in_use, QTranslator* translator) {
  if (catalogue_in_use) return false;
  return translator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace tamarack::app
