#include "persist/dump_file.h"

#include <filesystem>
#include <system_error>

#include "persist/text_file.h"
#include "util/strings.h"

namespace tamarack {

const char* DumpSaveFormLabel(DumpSaveForm form) {
  switch (form) {
    case DumpSaveForm::kText:
      return "表示形式のまま保存する(&D)";
    case DumpSaveForm::kHex:
      return "アスキー変換して保存する(&A)";
    case DumpSaveForm::kBinary:
      return "バイナリーデータとして保存する(&B)";
  }
  return "";
}

std::string DumpFileFilter(std::string_view extension) {
  const std::string e(extension);
  return StrFormat("%s file(*.%s)|*.%s|all files(*.*)|*.*||", e.c_str(), e.c_str(), e.c_str());
}

std::string DefaultDumpFilePath(const std::string& folder, std::string_view extension,
                                const std::function<bool(const std::string&)>& exists) {
  const std::string e(extension);
  auto path_of = [&](int n) {
    const std::string name = StrFormat("Dmp%03d.%s", n, e.c_str());
    return folder.empty() ? name : (std::filesystem::path(folder) / name).string();
  };
  auto taken = [&](const std::string& p) {
    if (exists) return exists(p);
    std::error_code ec;
    return std::filesystem::exists(p, ec);
  };
  for (int n = 0; n < 999; ++n) {
    const std::string p = path_of(n);
    if (!taken(p)) return p;
  }
  return path_of(999);
}

bool SaveDumpFile(const std::string& path, DumpSaveForm form, std::span<const std::uint8_t> data,
                  std::string_view shown_text, std::string* error) {
  return WriteFileAtomically(path, DumpSaveBytes(form, data, shown_text), error);
}

}  // namespace tamarack
