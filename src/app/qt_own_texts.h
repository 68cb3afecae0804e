// Qt's own texts (the file and font dialogs, the standard buttons) in the window's language.
#pragma once

class QTranslator;

namespace tamarack::app {

// Loads Qt's Japanese translations into `translator` when the window speaks Japanese (no
// message catalogue in use, `catalogue_in_use` false); Qt's own English needs none. False
// when nothing was loaded: English, or Qt's translations not installed (qt6-translations-l10n),
// where Qt's dialogs stay in English.
bool LoadQtOwnTexts(bool catalogue_in_use, QTranslator* translator);

}  // namespace tamarack::app
