#include "persist/settings_format.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>

#include "measure/speed_measurement_job.h"
#include "util/strings.h"

namespace tamarack {

namespace {

// A user slot's parameter block is never larger than its four hex digits allow.
constexpr std::uint32_t kMaxUserData = 0xFFFF;
// A user slot's name keeps the 30 characters the rename dialog takes.
constexpr std::size_t kMaxNameChars = 30;

bool IsLineBreakOrBlank(char c) { return c == ' ' || c == '\r' || c == '\n'; }

int HexCharValue(char c) {
  if (c == '*') return 0;
  if (c >= '0' && c <= '9') return c - '0';
  return (static_cast<unsigned char>(c) & 0x0F) + 9;
}

// "%d %d ..." scanning: as many numbers as there are, the rest of `fields` unchanged.
template <std::size_t N>
std::size_t ScanNumbers(std::string_view text, std::array<int, N>* fields) {
  std::size_t p = 0;
  for (std::size_t i = 0; i < N; ++i) {
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
    const std::size_t begin = p;
    if (p < text.size() && (text[p] == '-' || text[p] == '+')) ++p;
    const std::size_t digits = p;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') ++p;
    if (p == digits) return i;  // not a number: the scan stops here
    (*fields)[i] = DecimalValue(text.substr(begin, p - begin));
  }
  return N;
}

// The value after an indexed key ("Com07=..."): the index and the text after "=". False
// when the line has no two-digit index and "=" there.
bool IndexedValue(std::string_view line, std::size_t key_length, int* index,
                  std::string_view* value) {
  const std::string_view rest = line.substr(key_length);
  if (rest.size() < 3 || rest[2] != '=') return false;
  *index = DecimalValue(rest.substr(0, 2));
  *value = rest.substr(3);
  return true;
}

std::string HexText(std::span<const std::uint8_t> bytes) { return HexBytes(bytes, ""); }

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

// A text value (a path, a font, a slot name) without control characters: a NUL would cut
// the value where it is written and a line break would start a new key, so that a hand-edited
// file would not read back to itself.
std::string TextValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) out.push_back(c);
  }
  return out;
}

// Reads the lines one at a time; the user-slot data block consumes lines of its own.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool Next(std::string_view* line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view l = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    const std::size_t cut = l.find_first_of("\r\n");
    if (cut != std::string_view::npos) l = l.substr(0, cut);
    *line = l;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

void ReadUserData(LineReader& reader, UserSlotSettings* slot) {
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

std::size_t ReadHexBytes(std::string_view text, std::uint8_t* out, std::size_t max_bytes) {
  std::size_t n = 0, p = 0;
  while (n < max_bytes && p < text.size()) {
    const char first = text[p];
    const bool lone = p + 1 >= text.size() || IsLineBreakOrBlank(text[p + 1]);
    const int value =
        lone ? HexCharValue(first) : HexCharValue(first) * 16 + HexCharValue(text[p + 1]);
    out[n++] = static_cast<std::uint8_t>(value & 0xFF);
    p += 2;
  }
  return n;
}

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
      {"ExeImm=", &SettingsData::exe_imm},
      {"CntApr=", &SettingsData::cnt_apr},
      {"VirtualDrives=", &SettingsData::virtual_drives},
      {"TraceCommands=", &SettingsData::trace_commands},
  };

  LineReader reader(text);
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
      d->last_tab = t >= 0 && t <= 6 ? t : 0;
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
      if (IndexedValue(line, 10, &index, &v) && index >= 0 && index < kModePageRowsRead &&
          static_cast<std::size_t>(index) < rows.size()) {
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
        d->users[static_cast<std::size_t>(index)].name = CutCharacters(TextValue(v), kMaxNameChars);
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

namespace {

// The fifteen numbers of "Ageing=", in their order.
std::array<int, kAgeingNumbers> AgeingNumbers(const AgeingSettings& a) {
  return {a.transfer_length,
          a.step,
          a.start_lba,
          a.end_lba,
          a.interval_ms,
          a.mode.persisted(),
          a.data_check ? 1 : 0,
          static_cast<int>(a.data_check_type),
          static_cast<int>(a.log_options.value()),
          a.display_received ? 1 : 0,
          a.loop_count,
          a.random_length ? 1 : 0,
          a.random_interval ? 1 : 0,
          a.log_html ? 1 : 0,
          a.command_index};
}

void SetAgeingNumbers(const std::array<int, kAgeingNumbers>& n, AgeingSettings* a) {
  a->transfer_length = n[0];
  a->step = n[1];
  a->start_lba = n[2];
  a->end_lba = n[3];
  a->interval_ms = n[4];
  a->mode = AgeingModeWord::FromPersisted(n[5]);
  a->data_check = n[6] != 0;
  // The check compares with a file unless the type is one of the test disc types.
  a->data_check_type = n[7] == 0   ? DataCheckType::kType13
                       : n[7] == 1 ? DataCheckType::kType30
                                   : DataCheckType::kOther;
  a->log_options = LogOptionWord(static_cast<std::uint32_t>(n[8]));
  a->display_received = n[9] != 0;
  a->loop_count = n[10];
  a->random_length = n[11] != 0;
  a->random_interval = n[12] != 0;
  a->log_html = n[13] != 0;
  a->command_index = n[14];
}

}  // namespace

bool ApplyAgeingLine(std::string_view line, AgeingSettings* a) {
  auto starts = [&line](std::string_view key) { return line.starts_with(key); };
  auto value_of = [&line](std::string_view key) { return line.substr(key.size()); };
  if (starts("LogFile=")) {
    a->log_path = TextValue(value_of("LogFile="));
  } else if (starts("Ageing=")) {
    std::array<int, kAgeingNumbers> numbers = AgeingNumbers(*a);
    ScanNumbers(value_of("Ageing="), &numbers);
    SetAgeingNumbers(numbers, a);
  } else if (starts("AgeDataFolder=")) {
    a->data_folder = TextValue(value_of("AgeDataFolder="));
  } else if (starts("AgeDataFile=")) {
    a->data_file = TextValue(value_of("AgeDataFile="));
  } else if (starts("AgeCom")) {
    int index = 0;
    std::string_view hex;
    if (IndexedValue(line, 6, &index, &hex) && index >= 0 && index < kAgeingCommands) {
      ReadHexBytes(hex, a->cdbs[static_cast<std::size_t>(index)].data(), kCdbSize);
    }
  } else {
    return false;
  }
  return true;
}

std::string FormatAgeingLines(const AgeingSettings& a) {
  std::string out;
  StrAppendFormat(&out, "LogFile=%s\n", TextValue(a.log_path).c_str());
  StrAppendFormat(&out, "AgeDataFolder=%s\n", TextValue(a.data_folder).c_str());
  StrAppendFormat(&out, "AgeDataFile=%s\n", TextValue(a.data_file).c_str());
  out += "Ageing=";
  const std::array<int, kAgeingNumbers> numbers = AgeingNumbers(a);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    StrAppendFormat(&out, i == 0 ? "%d" : " %d", numbers[i]);
  }
  out += "\n";
  for (std::size_t i = 0; i < a.cdbs.size(); ++i) {
    StrAppendFormat(&out, "AgeCom%02zu=%s\n", i, HexText(a.cdbs[i]).c_str());
  }
  return out;
}

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
  StrAppendFormat(&o, "ExeImm=%d\n", d.exe_imm);
  StrAppendFormat(&o, "CntApr=%d\n", d.cnt_apr);
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
  return o;
}

}  // namespace tamarack
