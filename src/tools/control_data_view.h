// The window "ﾄﾞﾗｲﾌﾞから読み込んだ制御ﾃﾞｰﾀ": the data the last command of the Command tab
// received, listed 16 bytes a line, the CDB line under it, and the three forms it is saved in.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/scsi.h"
#include "util/message_catalogue.h"

namespace tamarack {

class CatalogueState;

inline constexpr const char* kControlDataTitle = TR_NOOP("ﾄﾞﾗｲﾌﾞから読み込んだ制御ﾃﾞｰﾀ");
inline constexpr const char* kControlDataCaption =
    "     |00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f : Ascii";
// The list shows at most this many bytes.
inline constexpr std::size_t kControlDataListBytes = 4096;

// The list: the first min(size, 4096) bytes, 16 a line, each line "+%03xh|", the bytes as
// "%02x ", then ":" and the bytes as characters (a short last line padded with three blanks
// per missing byte), "\r\n". "No Data" when there are none.
std::string ControlDataList(std::span<const std::uint8_t> data);

// The line under the list: the 12 CDB bytes as "%02x", then " %s ｺﾏﾝﾄﾞ" with the name of the
// catalogue command whose opcode is CDB byte 0 (when one is). Empty without a CDB.
std::string ControlDataCdbLine(const std::optional<Cdb>& cdb, const CatalogueState& catalogue);

// The save option dialog's forms and the extension of each.
enum class DumpSaveForm : std::uint8_t {
  kText,    // "表示形式のまま保存する(&D)": the text as shown, "txt"
  kHex,     // "アスキー変換して保存する(&A)": each byte as "%02x", "dat"
  kBinary,  // "バイナリーデータとして保存する(&B)": the bytes, "bin"
};
const char* DumpSaveExtension(DumpSaveForm form);

// The bytes of each form: `shown_text` for the text form, else the data.
std::string DumpSaveBytes(DumpSaveForm form, std::span<const std::uint8_t> data,
                          std::string_view shown_text);

}  // namespace tamarack
