#include "tools/dump_file.h"

#include "util/message_catalogue.h"
#include "util/strings.h"
#include "util/text_file.h"

namespace tamarack {

const char* DumpSaveFormLabel(DumpSaveForm form) {
  switch (form) {
    case DumpSaveForm::kText:
      return TR_NOOP("表示形式のまま保存する(&D)");
    case DumpSaveForm::kHex:
      return TR_NOOP("アスキー変換して保存する(&A)");
    case DumpSaveForm::kBinary:
      return TR_NOOP("バイナリーデータとして保存する(&B)");
  }
  return "";
}

bool SaveDumpFile(const std::string& path, DumpSaveForm form, std::span<const std::uint8_t> data,
                  std::string_view shown_text, std::string* error) {
  return WriteFileAtomically(path, DumpSaveBytes(form, data, shown_text), error);
}

std::optional<std::string> LoadDumpText(const std::string& path, std::string* error) {
  return ReadTextFile(path, error);
}

}  // namespace tamarack
