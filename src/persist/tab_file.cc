#include "persist/tab_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "persist/measurement_file.h"
#include "persist/text_file.h"
#include "util/strings.h"

namespace tamarack {

namespace fs = std::filesystem;

namespace {

std::string CannotRead(const std::string& path) {
  return StrFormat("%s: %s", path.c_str(), std::strerror(errno != 0 ? errno : ENOENT));
}

std::optional<std::string> ReadWithReason(const std::string& path, std::string* error) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    if (error) *error = StrFormat("%s: %s", path.c_str(), std::strerror(EISDIR));
    return std::nullopt;
  }
  errno = 0;
  auto text = ReadTextFile(path);
  if (!text && error) *error = CannotRead(path);
  return text;
}

}  // namespace

namespace {

// The dialog titles and the file extension of each kind of saved tab.
struct FileKindRow {
  FileKind kind;
  const char* save_title;
  const char* load_title;
  const char* extension;
};

constexpr FileKindRow kFileKinds[] = {
    {FileKind::kDump, "ﾀﾞﾝﾌﾟ情報の保存", "ﾀﾞﾝﾌﾟ情報の読み込み", "txt"},
    {FileKind::kCommands, "ｺﾏﾝﾄﾞの保存", "ｺﾏﾝﾄﾞの読み込み", "cmd"},
    {FileKind::kAgeing, "ｴｰｼﾞﾝｸﾞ環境の保存", "ｴｰｼﾞﾝｸﾞ環境の読み込み", "age"},
    {FileKind::kMeasurement, "計測ﾃﾞｰﾀの保存", "計測ﾃﾞｰﾀの読み込み", "msr"},
};

const FileKindRow& RowOf(FileKind kind) {
  for (const FileKindRow& row : kFileKinds) {
    if (row.kind == kind) return row;
  }
  return kFileKinds[0];
}

}  // namespace

const char* SaveTitleOf(FileKind kind) { return RowOf(kind).save_title; }
const char* LoadTitleOf(FileKind kind) { return RowOf(kind).load_title; }
const char* ExtensionOf(FileKind kind) { return RowOf(kind).extension; }

const char* CommandSaveOptionLabel(CommandFileContent content) {
  switch (content) {
    case CommandFileContent::kAll:
      return "全てのコマンド（基本＋ユーザーコマンド）(&A)";
    case CommandFileContent::kBuiltIn:
      return "基本コマンド(&B)";
    case CommandFileContent::kUser:
      return "ユーザーコマンド(&U)";
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

std::string DocumentsFolder() {
  for (const char* name : {"XDG_DOCUMENTS_DIR", "HOME"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return ".";
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
  const std::string v(variant);
  auto name_of = [&](int n) {
    switch (kind) {
      case FileKind::kDump:
        return StrFormat("Dmp%03d.%s", n, v.c_str());
      case FileKind::kCommands:
        return StrFormat("%s_%03d.cmd", v.c_str(), n);
      case FileKind::kAgeing:
        return StrFormat("Age%03d.age", n);
      case FileKind::kMeasurement:
        return StrFormat("msr%03d.msr", n);
    }
    return std::string();
  };
  auto path_of = [&](int n) {
    const std::string name = name_of(n);
    return folder.empty() ? name : (fs::path(folder) / name).string();
  };
  auto taken = [&](const std::string& p) {
    if (exists) return exists(p);
    std::error_code ec;
    return fs::exists(p, ec);
  };
  for (int n = 0; n < 999; ++n) {
    std::string p = path_of(n);
    if (!taken(p)) return p;
  }
  return path_of(999);
}

bool SaveCommandFile(const std::string& path, const SettingsData& settings,
                     CommandFileContent content, std::string* error) {
  return WriteFileAtomically(path, FormatCommandLines(settings, content), error);
}

bool SaveAgeingFile(const std::string& path, const AgeingSettings& ageing, std::string* error) {
  return WriteFileAtomically(path, FormatAgeingLines(ageing), error);
}

bool SaveMeasurementFile(const std::string& path, const SpeedRecord& record, std::string* error) {
  return WriteFileAtomically(path, FormatMeasurementFile(record), error);
}

bool LoadSettingsLinesFile(const std::string& path, SettingsData* settings, std::string* error) {
  const auto text = ReadWithReason(path, error);
  if (!text) return false;
  ApplySettingsText(*text, settings);
  return true;
}

bool LoadMeasurementFile(const std::string& path, SpeedRecord* record, std::string* error) {
  const auto text = ReadWithReason(path, error);
  if (!text) return false;
  std::string reason;
  if (!ParseMeasurementFile(*text, record, &reason)) {
    if (error) *error = path + ": " + reason;
    return false;
  }
  return true;
}

std::optional<std::string> LoadDumpText(const std::string& path, std::string* error) {
  return ReadWithReason(path, error);
}

}  // namespace tamarack
