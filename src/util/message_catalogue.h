// The user-visible texts in the user's language. The texts in the sources are the Japanese
// originals; the "tamarack" gettext catalogue (po/) maps them to other languages. Output meant
// for programs and files (JSON, traces, saved files, reference files) is never looked up.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Marks a text of a static table or a constant for the catalogue; it is looked up with Tr where
// shown. A macro, so that a format string stays a literal for the compilers' format checks.
#define TR_NOOP(text) text

namespace tamarack {

inline constexpr const char* kTextDomain = "tamarack";

// The language the user chose in the options; kAutomatic follows the locale (LANGUAGE,
// LC_ALL, LC_MESSAGES, LANG). The numbers are those the settings file stores.
enum class UiLanguage { kAutomatic = 0, kJapanese = 1, kEnglish = 2 };

// `source` in the chosen language, or `source` itself (no catalogue for the language, no
// entry for the text, or StartMessageCatalogue not called: the tests' case).
const char* Tr(const char* source) __attribute__((format_arg(1)));

// Binds the catalogue (CatalogueFolder) and sets the messages locale for `language`, once at
// start before any thread runs. Numbers never follow the locale: LC_NUMERIC is left alone.
void StartMessageCatalogue(UiLanguage language = UiLanguage::kAutomatic);

// True when StartMessageCatalogue found a catalogue for the language in use: the texts are
// shown translated, not in the sources' Japanese.
bool CatalogueInUse();

// The folder holding LANG/LC_MESSAGES/tamarack.mo: <program>/../share/locale when it exists
// (installed), else the build tree's compiled catalogues.
std::string CatalogueFolder(const std::string& program_folder);

// The locale the environment asks messages in: the first non-empty of LC_ALL, LC_MESSAGES and
// LANG ("" for none). `get` reads a variable (nullptr when unset).
std::string RequestedMessagesLocale(const std::function<const char*(const char*)>& get);

// The language part of a locale name for LANGUAGE: "en_US.UTF-8@euro" -> "en_US"; "" for
// "C", "POSIX", "C.UTF-8" and "".
std::string LanguageOfLocale(std::string_view locale);

}  // namespace tamarack
