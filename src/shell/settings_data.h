// Everything the settings file "IniFile.txt" holds, as plain values with their defaults.
// The window moves values between this and the live objects; the file format lives in
// settings_format.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ageing/ageing_settings.h"

namespace tamarack {

// The catalogue's rows before the first user slot and its user slots (console_settings.cc
// checks both against the catalogue).
inline constexpr int kBuiltInCommandRows = 26;
inline constexpr int kUserSlots = 10;
inline constexpr int kModePageRowsRead = 20;  // at most this many page rows are read back
inline constexpr std::size_t kModePageBufferSize = 100;
inline constexpr int kLastComAgeingIndex = 7;  // the ageing command index in "LastCom="

// The largest receive length ("ControlBufLen=") and command time-out ("TimeoutCom=", seconds)
// the settings reader takes; larger values read as the default.
inline constexpr int kMaxReceiveLength = 16 * 1024 * 1024;
inline constexpr int kMaxCommandTimeout = 86400;

using CdbBytes = std::array<std::uint8_t, 12>;

struct UserSlotSettings {
  CdbBytes cdb{};
  int kind = 0;  // 0 no data, 1 data out, 2 data in
  std::uint32_t length = 0;
  std::vector<std::uint8_t> data;  // parameter bytes for kind 1
  std::string name;                // empty: the catalogue's name ("User%02d")
};

struct SettingsData {
  // "Size=": top, left, bottom, right in screen coordinates; absent until read or set.
  bool has_size = false;
  std::array<int, 4> size{};
  std::string dir;  // "Dir=": the selected drive id, kept whole
  int last_tab = 0;
  int tool_last_tab = 0;
  int control_buf_len = 40960;
  int dump_kind = 3;
  int dump_mode = 0;
  int lba = 0;
  int block = 1;
  int start_msf = 0;
  int end_msf = 0;
  int timeout_com = 7;
  int execute_on_selection = 0;  // "ExeImm=": a command runs as soon as it is selected
  int show_control_byte = 0;     // "CntApr=": forms show the Control Byte row
  int toc_kind = 0;              // "TocKind=": the Full TOC check box
  int toc_kind_upper = 0;        // "TOCKIND=": read, never written
  CdbBytes sector_com = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0};
  std::string font_face = "ＭＳ ゴシック";
  std::array<int, 4> font = {400, 0, 1, 14};  // weight, italic, character set, height
  int control_flag = 2;                       // bit 0 Hex Input, bit 1 disc indicator
  std::string directory;
  // Ageing: "LogFile=", "AgeDataFolder=", "AgeDataFile=", "Ageing=", "AgeCom%02d=". The log
  // path is set by the window to the program's folder + "Log.htm".
  AgeingSettings ageing;
  // "LastCom=": the eighth number is the ageing command index, written from and read into
  // `ageing.command_index`.
  std::array<int, 8> last_com = {0, 0, 0, 0, 0, 0, 0, 2};
  int com_list_kind = 0;
  std::array<CdbBytes, kBuiltInCommandRows> com{};
  std::array<std::uint8_t, 8> send_event_param{};
  // Mode page rows: the page buffer and the byte after it.
  using ModePageRow = std::array<std::uint8_t, kModePageBufferSize + 1>;
  std::vector<ModePageRow> mode_select = std::vector<ModePageRow>(9);
  std::vector<ModePageRow> mode_sense = std::vector<ModePageRow>(10);
  std::array<UserSlotSettings, kUserSlots> users{};
  int msr_block_length = 10;
  // Keys of our own, written after all others.
  int virtual_drives = 1;  // "VirtualDrives=": list the virtual drives in the drive box
  int trace_commands = 0;  // "TraceCommands=": record every command in the trace file
  std::string trace_file;  // "TraceFile=": where
  int language = 0;        // "Language=": a UiLanguage (0 automatic, 1 Japanese, 2 English)
};

}  // namespace tamarack
