#include "util/message_catalogue.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/env.h"

namespace tamarack {

namespace {

// Set once at start, before any thread reads it.
std::atomic<bool> catalogue_bound{false};

// A messages locale that is always there, that is not "C" (under "C" gettext ignores
// LANGUAGE), and that holds no catalogue of its own.
bool SetNeutralMessagesLocale() {
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "en_US.utf8"}) {
    if (Env::Default().SetMessagesLocale(name)) return true;
  }
  return false;
}

std::string ProgramFolderOfThisProcess() { return Env::Default().ProgramFolder(); }

}  // namespace

const char* Tr(const char* source) {
  // gettext("") is the catalogue's header, not an empty text.
  if (!catalogue_bound.load(std::memory_order_relaxed) || !source || *source == '\0') {
    return source;
  }
  return Env::Default().LookUpMessage(kTextDomain, source);
}

bool CatalogueInUse() {
  // A catalogue found for the language answers the empty text with its header.
  return catalogue_bound.load(std::memory_order_relaxed) &&
         *Env::Default().LookUpMessage(kTextDomain, "") != '\0';
}

std::string CatalogueFolder(const std::string& program_folder) {
  if (!program_folder.empty()) {
    const auto installed = std::filesystem::path(program_folder) / ".." / "share" / "locale";
    std::error_code error;
    if (std::filesystem::is_directory(installed, error)) {
      return installed.lexically_normal().string();
    }
  }
  return TAMARACK_BUILD_LOCALE_DIR;
}

std::string RequestedMessagesLocale(const std::function<const char*(const char*)>& get) {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = get(name);
    if (value && *value) return value;
  }
  return "";
}

std::string LanguageOfLocale(std::string_view locale) {
  const std::string_view language = locale.substr(0, locale.find_first_of(".@"));
  if (language.empty() || language == "C" || language == "POSIX") return "";
  return std::string(language);
}

void StartMessageCatalogue(UiLanguage language) {
  if (language == UiLanguage::kJapanese) return;  // the sources' own texts
  const std::string folder = CatalogueFolder(ProgramFolderOfThisProcess());
  // The programs write UTF-8 whatever the locale's character set.
  if (!Env::Default().BindMessageCatalogue(kTextDomain, folder)) return;
  if (language == UiLanguage::kEnglish) {
    Env::Default().SetEnvironment("LANGUAGE", "en");
    if (!SetNeutralMessagesLocale()) return;
  } else if (!Env::Default().SetMessagesLocale("")) {
    // The locale asked for is not generated on this machine: its language is still the
    // user's wish, carried by LANGUAGE over a locale that exists.
    const std::string wanted = LanguageOfLocale(
        RequestedMessagesLocale([](const char* name) { return std::getenv(name); }));
    const char* listed = std::getenv("LANGUAGE");
    if (!wanted.empty() && !(listed && *listed)) Env::Default().SetEnvironment("LANGUAGE", wanted);
    if (!SetNeutralMessagesLocale()) return;
  }
  catalogue_bound.store(true, std::memory_order_relaxed);
}

}  // namespace tamarack
