#include "ageing/ageing_file.h"

#include <array>

#include "util/key_value_lines.h"
#include "util/strings.h"
#include "util/text_file.h"

namespace tamarack {

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
  } else if (starts("AgeVerifyEdc=")) {
    a->verify_edc = value_of("AgeVerifyEdc=") == "1";
  } else if (starts("AgeRetries=")) {
    // A value that is no number of retries leaves the setting as it was.
    const std::string_view v = value_of("AgeRetries=");
    if (!v.empty() && v.size() <= 2 &&
        v.find_first_not_of("0123456789") == std::string_view::npos) {
      const int n = v.size() == 1 ? v[0] - '0' : (v[0] - '0') * 10 + (v[1] - '0');
      if (n <= kMostRetries) a->retries = n;
    }
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
  // Only when on: files of the boxes' other settings stay as they always were.
  if (a.verify_edc) out += "AgeVerifyEdc=1\n";
  if (a.retries != kDefaultRetries) StrAppendFormat(&out, "AgeRetries=%d\n", a.retries);
  return out;
}

bool SaveAgeingFile(const std::string& path, const AgeingSettings& ageing, std::string* error) {
  return WriteFileAtomically(path, FormatAgeingLines(ageing), error);
}

}  // namespace tamarack
