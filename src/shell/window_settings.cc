#include "shell/window_settings.h"

namespace tamarack {

namespace {

constexpr int kHexInputFlag = 1;
constexpr int kDiscIndicatorFlag = 2;

int WithFlag(int flags, int flag, bool on) { return (flags & ~flag) | (on ? flag : 0); }

}  // namespace

Options OptionsFromSettings(const SettingsData& s) {
  Options o;
  o.disc_indicator = (s.control_flag & kDiscIndicatorFlag) != 0;
  o.command_timeout = s.timeout_com > 0 ? static_cast<std::uint32_t>(s.timeout_com) : 7;
  o.execute_on_selection = s.execute_on_selection != 0;
  o.control_byte_row = s.show_control_byte != 0;
  o.receive_length = s.control_buf_len > 0 ? static_cast<std::uint32_t>(s.control_buf_len) : 40960;
  o.virtual_drives = s.virtual_drives != 0;
  o.trace_commands = s.trace_commands != 0;
  o.trace_file = s.trace_file;
  o.language = LanguageOf(s);
  return o;
}

std::string StartDriveOf(const SettingsData& data, const std::string& command_line_drive) {
  return command_line_drive.empty() ? data.dir : command_line_drive;
}

void OptionsToSettings(const Options& o, SettingsData* s) {
  s->timeout_com = static_cast<int>(o.command_timeout);
  s->control_flag = WithFlag(s->control_flag, kDiscIndicatorFlag, o.disc_indicator);
  s->virtual_drives = o.virtual_drives ? 1 : 0;
  s->trace_commands = o.trace_commands ? 1 : 0;
  s->trace_file = o.trace_file;
  s->language = static_cast<int>(o.language);
}

UiLanguage LanguageOf(const SettingsData& s) {
  switch (s.language) {
    case static_cast<int>(UiLanguage::kJapanese):
      return UiLanguage::kJapanese;
    case static_cast<int>(UiLanguage::kEnglish):
      return UiLanguage::kEnglish;
    default:
      return UiLanguage::kAutomatic;
  }
}

bool HexInputOf(const SettingsData& s) { return (s.control_flag & kHexInputFlag) != 0; }

void HexInputToSettings(bool on, SettingsData* s) {
  s->control_flag = WithFlag(s->control_flag, kHexInputFlag, on);
}

}  // namespace tamarack
