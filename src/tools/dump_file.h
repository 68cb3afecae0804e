// Saved dump files: the save option dialog's texts, the default name, the file written in one
// piece in the chosen form ("txt", "dat" or "bin") and a saved text read back.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tools/control_data_view.h"
#include "util/message_catalogue.h"

namespace tamarack {

inline constexpr const char* kDumpSaveOptionTitle = TR_NOOP("保存オプション(ダンプデータ)");
inline constexpr const char* kDumpSaveOptionGroup = TR_NOOP("保存オプションを選択します");
// The option dialog's three choices, in the order of DumpSaveForm.
const char* DumpSaveFormLabel(DumpSaveForm form);

// Writes the file atomically: the text form writes `shown_text`, the other two the data.
// False with the system's error text when it cannot be written (an old file stays whole).
bool SaveDumpFile(const std::string& path, DumpSaveForm form, std::span<const std::uint8_t> data,
                  std::string_view shown_text, std::string* error);

// A saved dump as text (loaded dumps are text only); nothing, with the reason naming the file,
// when it cannot be read.
std::optional<std::string> LoadDumpText(const std::string& path, std::string* error);

}  // namespace tamarack
