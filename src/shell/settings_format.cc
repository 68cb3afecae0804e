#include "shell/settings_format.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>

#include "ageing/ageing_file.h"
#include "console/command_catalogue.h"
#include "measure/speed_measurement_job.h"
#include "shell/file_kinds.h"
#include "util/key_value_lines.h"
#include "util/strings.h"

namespace tamarack {

namespace {

// A user slot's parameter block is never larger than its four hex digits allow.
constexpr std::uint32_t kMaxUserData = 0xFFFF;

// Cuts `text` to at most `max_chars` UTF-8 characters, never inside a character.
std::string CutCharacters(std::string_view text, std::size_t max_chars) {
  std::size_t chars = 0, p = 0;
  while (p < text.size() && chars < max_chars) {
    const auto lead = static_cast<unsigned char>(text[p]);
    std::size_t width = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    p = std::min(text.size(), p + width);
    ++chars;
  }
  return std::string(text.substr(0, p));
}

void ReadUserData(KeyValueLineReader& reader, UserSlotSettings* slot) {
  slot->data.assign(slot->length, 0);
  std::size_t filled = 0;
  std::string_view line;
  while (reader.Next(&line)) {
    if (!line.empty() && line[0] == '-') return;
    if (filled < slot->data.size()) {
      filled += ReadHexBytes(line, slot->data.data() + filled, slot->data.size() - filled);
    }
  }
}

}  // namespace

void ApplySettingsText(std::string_view text, SettingsData* d) {
  using Int = int SettingsData::*;
  // Plain numeric keys, in the reader's prefix order among the others below.
  struct IntKey {
    const char* key;
    Int field;
    // Sizes the program allocates or waits by: a value outside [min, max] keeps the default,
    // so that a hand-edited file cannot make every command allocate gigabytes.
    int min = INT_MIN;
    int max = INT_MAX;
  };
  static const IntKey kIntKeys[] = {
      {"MsrBlockLength=", &SettingsData::msr_block_length, 1, kMaxMeasureBlockCount},
      {"ControlBufLen=", &SettingsData::control_buf_len, 1, kMaxReceiveLength},
      {"LBA=", &SettingsData::lba},
      {"BLOCK=", &SettingsData::block},
      {"STARTMSF=", &SettingsData::start_msf},
      {"ENDMSF=", &SettingsData::end_msf},
      {"TOCKIND=", &SettingsData::toc_kind_upper},
      {"TocKind=", &SettingsData::toc_kind},
      {"DumpKind=", &SettingsData::dump_kind},
      {"DumpMode=", &SettingsData::dump_mode},
      {"ComListKind=", &SettingsData::com_list_kind},
      {"ControlFlag=", &SettingsData::control_flag},
      {"TimeoutCom=", &SettingsData::timeout_com, 1, kMaxCommandTimeout},
      {"ExeImm=", &SettingsData::execute_on_selection},
      {"CntApr=", &SettingsData::show_control_byte},
      {"VirtualDrives=", &SettingsData::virtual_drives},
      {"TraceCommands=", &SettingsData::trace_commands},
      {"Language=", &SettingsData::language, 0, 2},
  };

  KeyValueLineReader reader(text);
  std::string_view line;
  while (reader.Next(&line)) {
    auto starts = [&line](std::string_view key) { return line.starts_with(key); };
    auto value_of = [&line](std::string_view key) { return line.substr(key.size()); };

    bool done = false;
    for (const IntKey& k : kIntKeys) {
      if (starts(k.key)) {
        const int value = DecimalValue(value_of(k.key));
        static const SettingsData kDefaults;
        d->*k.field = value >= k.min && value <= k.max ? value : kDefaults.*k.field;
        done = true;
        break;
      }
    }
    if (done) continue;

    int index = 0;
    std::string_view v;
    if (starts("Dir=")) {
      d->dir = TextValue(value_of("Dir="));
    } else if (starts("SectorCom=")) {
      ReadHexBytes(value_of("SectorCom="), d->sector_com.data(), d->sector_com.size());
    } else if (starts("fonto=")) {
      ScanNumbers(value_of("fonto="), &d->font);
    } else if (starts("fontof=")) {
      d->font_face = TextValue(value_of("fontof="));
    } else if (starts("LastTab=")) {
      const int t = DecimalValue(value_of("LastTab="));
      d->last_tab = t >= 0 && t < kTabCount ? t : 0;
    } else if (starts("ToolLastTab=")) {
      const int t = DecimalValue(value_of("ToolLastTab="));
      d->tool_last_tab = t >= 0 && t <= 3 ? t : 0;
    } else if (starts("Size=")) {
      ScanNumbers(value_of("Size="), &d->size);
      d->has_size = true;
    } else if (starts("Directory=")) {
      d->directory = TextValue(value_of("Directory="));
    } else if (starts("LastCom=")) {
      if (ScanNumbers(value_of("LastCom="), &d->last_com) == d->last_com.size()) {
        d->ageing.command_index = d->last_com[kLastComAgeingIndex];
      }
    } else if (starts("TraceFile=")) {
      d->trace_file = TextValue(value_of("TraceFile="));
    } else if (ApplyAgeingLine(line, &d->ageing)) {
    } else if (starts("Com")) {
      if (IndexedValue(line, 3, &index, &v) && index >= 0 && index < kBuiltInCommandRows) {
        ReadHexBytes(v, d->com[static_cast<std::size_t>(index)].data(), 12);
      }
    } else if (starts("SendEventParam=")) {
      ReadHexBytes(value_of("SendEventParam="), d->send_event_param.data(), 8);
    } else if (starts("ModeSelect") || starts("ModeSenset")) {
      auto& rows = starts("ModeSelect") ? d->mode_select : d->mode_sense;
      // Rows past today's tables are kept too: each is placed by its page code on load.
      if (IndexedValue(line, 10, &index, &v) && index >= 0 && index < kModePageRowsRead) {
        if (static_cast<std::size_t>(index) >= rows.size()) {
          rows.resize(static_cast<std::size_t>(index) + 1);
        }
        auto& row = rows[static_cast<std::size_t>(index)];
        ReadHexBytes(v, row.data(), row.size());
      }
    } else if (starts("User")) {
      if (IndexedValue(line, 4, &index, &v) && index >= 0 && index < kUserSlots) {
        UserSlotSettings& slot = d->users[static_cast<std::size_t>(index)];
        std::uint8_t bytes[15] = {};
        ReadHexBytes(v, bytes, sizeof bytes);
        std::copy_n(bytes, 12, slot.cdb.begin());
        slot.kind = bytes[12];
        slot.length = (slot.length & ~0xFFu) | bytes[14];
      }
    } else if (starts("UName")) {
      if (IndexedValue(line, 5, &index, &v) && index >= 0 && index < kUserSlots) {
        d->users[static_cast<std::size_t>(index)].name = CutCharacters(TextValue(v), kUserNameMax);
      }
    } else if (starts("SendUserParamLen")) {
      if (IndexedValue(line, 16, &index, &v) && index >= 0 && index < kUserSlots) {
        UserSlotSettings& slot = d->users[static_cast<std::size_t>(index)];
        const int length = DecimalValue(v);
        slot.length = static_cast<std::uint32_t>(std::clamp<int>(length, 0, kMaxUserData));
        if (slot.kind == 1 && slot.length != 0) ReadUserData(reader, &slot);
      }
    }
  }
}

namespace {

void AppendCommandLines(const SettingsData& d, CommandFileContent content, std::string* out) {
  if (content != CommandFileContent::kUser) {
    for (std::size_t i = 0; i < d.com.size(); ++i) {
      StrAppendFormat(out, "Com%02zu=%s\n", i, HexText(d.com[i]).c_str());
    }
    StrAppendFormat(out, "SendEventParam=%s\n", HexText(d.send_event_param).c_str());
    for (std::size_t i = 0; i < d.mode_select.size(); ++i) {
      StrAppendFormat(out, "ModeSelect%02zu=%s\n", i, HexText(d.mode_select[i]).c_str());
    }
    for (std::size_t i = 0; i < d.mode_sense.size(); ++i) {
      StrAppendFormat(out, "ModeSenset%02zu=%s\n", i, HexText(d.mode_sense[i]).c_str());
    }
  }
  if (content == CommandFileContent::kBuiltIn) return;
  for (std::size_t i = 0; i < d.users.size(); ++i) {
    const UserSlotSettings& u = d.users[i];
    const std::uint32_t length = u.kind == 0 ? 0 : std::min(u.length, kMaxUserData);
    StrAppendFormat(out, "User%02zu=%s%02x%04x\n", i, HexText(u.cdb).c_str(),
                    static_cast<unsigned>(u.kind & 0xFF), length);
    StrAppendFormat(out, "SendUserParamLen%02zu=%u\n", i, length);
    if (u.kind == 1 && length != 0) {
      // Sixteen bytes a line, the last line shorter, then the end line.
      std::vector<std::uint8_t> data(length, 0);
      std::copy_n(u.data.begin(), std::min<std::size_t>(u.data.size(), length), data.begin());
      for (std::size_t p = 0; p < data.size(); p += 16) {
        const std::size_t n = std::min<std::size_t>(16, data.size() - p);
        *out += HexText(std::span<const std::uint8_t>(data).subspan(p, n));
        *out += '\n';
      }
      *out += "-\n";
    }
    const std::string name =
        TextValue(u.name).empty() ? StrFormat("User%02zu", i + 1) : TextValue(u.name);
    StrAppendFormat(out, "UName%02zu=%s\n", i, name.c_str());
  }
}

}  // namespace

std::string FormatCommandLines(const SettingsData& d, CommandFileContent content) {
  std::string out;
  AppendCommandLines(d, content, &out);
  return out;
}

std::string FormatSettings(const SettingsData& d) {
  std::string o;
  if (d.has_size) {
    StrAppendFormat(&o, "Size=%d %d %d %d\n", d.size[0], d.size[1], d.size[2], d.size[3]);
  }
  StrAppendFormat(&o, "Dir=%s\n", TextValue(d.dir).c_str());
  StrAppendFormat(&o, "LastTab=%d\n", d.last_tab);
  StrAppendFormat(&o, "ToolLastTab=%d\n", d.tool_last_tab);
  StrAppendFormat(&o, "ControlBufLen=%d\n", d.control_buf_len);
  StrAppendFormat(&o, "DumpKind=%d\n", d.dump_kind);
  StrAppendFormat(&o, "DumpMode=%d\n", d.dump_mode);
  StrAppendFormat(&o, "LBA=%d\n", d.lba);
  StrAppendFormat(&o, "BLOCK=%d\n", d.block);
  StrAppendFormat(&o, "STARTMSF=%d\n", d.start_msf);
  StrAppendFormat(&o, "ENDMSF=%d\n", d.end_msf);
  StrAppendFormat(&o, "TimeoutCom=%d\n", d.timeout_com);
  StrAppendFormat(&o, "ExeImm=%d\n", d.execute_on_selection);
  StrAppendFormat(&o, "CntApr=%d\n", d.show_control_byte);
  StrAppendFormat(&o, "TocKind=%d\n", d.toc_kind);
  StrAppendFormat(&o, "SectorCom=%s\n", HexText(d.sector_com).c_str());
  StrAppendFormat(&o, "fontof=%s\n", TextValue(d.font_face).c_str());
  StrAppendFormat(&o, "fonto=%d %d %d %d\n", d.font[0], d.font[1], d.font[2], d.font[3]);
  StrAppendFormat(&o, "ControlFlag=%d\n", d.control_flag);
  StrAppendFormat(&o, "Directory=%s\n", TextValue(d.directory).c_str());
  o += FormatAgeingLines(d.ageing);
  StrAppendFormat(&o, "LastCom=%d %d %d %d %d %d %d %d\n", d.last_com[0], d.last_com[1],
                  d.last_com[2], d.last_com[3], d.last_com[4], d.last_com[5], d.last_com[6],
                  d.ageing.command_index);
  StrAppendFormat(&o, "ComListKind=%d\n", d.com_list_kind);
  AppendCommandLines(d, CommandFileContent::kAll, &o);
  StrAppendFormat(&o, "MsrBlockLength=%d\n", d.msr_block_length);
  StrAppendFormat(&o, "VirtualDrives=%d\n", d.virtual_drives);
  StrAppendFormat(&o, "TraceCommands=%d\n", d.trace_commands);
  StrAppendFormat(&o, "TraceFile=%s\n", TextValue(d.trace_file).c_str());
  StrAppendFormat(&o, "Language=%d\n", d.language);
  return o;
}

}  // namespace tamarack
