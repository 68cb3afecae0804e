#include "shell/tab_file.h"

#include <filesystem>

#include "util/message_catalogue.h"
#include "util/strings.h"
#include "util/text_file.h"

namespace tamarack {

namespace fs = std::filesystem;

const char* CommandSaveOptionLabel(CommandFileContent content) {
  switch (content) {
    case CommandFileContent::kAll:
      return TR_NOOP("全てのコマンド（基本＋ユーザーコマンド）(&A)");
    case CommandFileContent::kBuiltIn:
      return TR_NOOP("基本コマンド(&B)");
    case CommandFileContent::kUser:
      return TR_NOOP("ユーザーコマンド(&U)");
  }
  return "";
}

const char* CommandSaveOptionName(CommandFileContent content) {
  switch (content) {
    case CommandFileContent::kAll:
      return "all";
    case CommandFileContent::kBuiltIn:
      return "bse";
    case CommandFileContent::kUser:
      return "user";
  }
  return "";
}

const std::string& EnsureDataFolder(std::string* directory, const std::string& documents) {
  if (directory->empty()) *directory = documents;
  return *directory;
}

std::string FolderOfFile(const std::string& path) {
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) return ".";
  std::string text = folder.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::string DefaultTabFilePath(FileKind kind, const std::string& folder, std::string_view variant,
                               const std::function<bool(const std::string&)>& exists) {
  const FileKindRow& row = RowOfKind(kind);
  return FirstFreeNumberedPath(
      folder, [&row, variant](int n) { return row.numbered_name(n, variant); }, exists);
}

bool SaveCommandFile(const std::string& path, const SettingsData& settings,
                     CommandFileContent content, std::string* error) {
  return WriteFileAtomically(path, FormatCommandLines(settings, content), error);
}

bool LoadSettingsLinesFile(const std::string& path, SettingsData* settings, std::string* error) {
  const auto text = ReadTextFile(path, error);
  if (!text) return false;
  ApplySettingsText(*text, settings);
  return true;
}

}  // namespace tamarack
