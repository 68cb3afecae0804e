#include "measure/measurement_file.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

#include "mmc/block_read.h"
#include "util/strings.h"
#include "util/text_file.h"

namespace tamarack {

namespace {

constexpr std::string_view kUnfinishedMark = "Unfinished:";

// The next line of `text` without its "\n" or "\r\n"; false at the end.
bool NextLine(std::string_view* text, std::string_view* line) {
  if (text->empty()) return false;
  const std::size_t end = text->find('\n');
  *line = text->substr(0, end);
  *text = end == std::string_view::npos ? std::string_view() : text->substr(end + 1);
  if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// How a leading decimal number ("%d") read.
enum class Number { kNone, kRead, kTooLarge };

// The text of a leading number (blanks before it skipped): a sign and the digits after it.
std::string_view NumberText(std::string_view s) {
  s = TrimBlanks(s);
  std::size_t n = s.empty() || (s[0] != '+' && s[0] != '-') ? 0 : 1;
  while (n < s.size() && s[n] >= '0' && s[n] <= '9') ++n;
  return s.substr(0, n);
}

// A leading decimal number; `s` keeps what follows it, `text` its own characters.
Number LeadingNumber(std::string_view* s, std::int64_t* value, std::string_view* text) {
  *text = NumberText(*s);
  const char* begin = text->data();
  const char* end = begin + text->size();
  if (begin != end && *begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, *value);
  if (ec == std::errc::invalid_argument || ptr != end) return Number::kNone;
  s->remove_prefix(static_cast<std::size_t>(end - s->data()));
  return ec == std::errc() ? Number::kRead : Number::kTooLarge;
}

// The word after kUnfinishedMark among the blanks between the scale flag and the model; a word
// of other characters than letters and '-' reads as "unknown", so that no byte of the file
// reaches a terminal as it stands.
std::string UnfinishedWord(std::string_view between) {
  for (std::size_t at = 0; at < between.size();) {
    const std::size_t end = std::min(between.find_first_of(" \t", at), between.size());
    const std::string_view word = between.substr(at, end - at);
    at = end + 1;
    if (!word.starts_with(kUnfinishedMark)) continue;
    std::string why(word.substr(kUnfinishedMark.size()));
    const bool plain = !why.empty() && std::all_of(why.begin(), why.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || c == '-';
    });
    return plain ? why : "unknown";
  }
  return {};
}

// The first line: block size, scale flag and model. Empty when it is good, else the reason.
std::string ReadFirstLine(std::string_view line, SpeedRecord* r) {
  std::string_view rest = line;
  std::string_view text;
  std::int64_t block_size = 0;
  const Number size = LeadingNumber(&rest, &block_size, &text);
  if (size == Number::kNone) return "line 1: no block size at its start";
  // No read returns more than a block's room; the summary and the graph count bytes in 64 bits.
  if (size == Number::kTooLarge || block_size < 1 || block_size > kBlockRoom) {
    return StrFormat("line 1: the block size %.*s is not 1 to %u bytes",
                     static_cast<int>(text.size()), text.data(), kBlockRoom);
  }
  r->block_size = static_cast<std::int32_t>(block_size);
  std::int64_t scale = 0;
  const Number flag = LeadingNumber(&rest, &scale, &text);
  if (flag == Number::kTooLarge || (flag == Number::kRead && scale < 0)) {
    return StrFormat("line 1: the scale flag %.*s is not 0 or 1", static_cast<int>(text.size()),
                     text.data());
  }
  r->scale = scale != 0 ? 1 : 0;
  const std::size_t equals = line.find('=');
  if (equals != std::string_view::npos) r->model = std::string(line.substr(equals + 1));
  r->unfinished = UnfinishedWord(rest.substr(0, rest.find('=')));
  return {};
}

// One sample line (`number` counts from 1). Empty when it is good, else the reason.
std::string ReadSample(std::string_view line, std::size_t number, std::int32_t* sample) {
  std::string_view rest = line;
  std::string_view text;
  std::int64_t value = 0;
  const Number read = LeadingNumber(&rest, &value, &text);
  if (read == Number::kNone || !TrimBlanks(rest).empty()) {
    return StrFormat("line %zu is not a sample (a whole number)", number);
  }
  if (read == Number::kTooLarge || value > std::numeric_limits<std::int32_t>::max()) {
    return StrFormat("line %zu: the sample %.*s is more than %d blocks", number,
                     static_cast<int>(text.size()), text.data(),
                     std::numeric_limits<std::int32_t>::max());
  }
  if (value < 0) {
    return StrFormat("line %zu: the sample %.*s is negative", number, static_cast<int>(text.size()),
                     text.data());
  }
  *sample = static_cast<std::int32_t>(value);
  return {};
}

}  // namespace

std::string FormatMeasurementFile(const SpeedRecord& record) {
  std::string model = record.model;
  for (char& c : model) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  // Appended, not formatted: every byte of the model is kept (a NUL included). The mark of a
  // run that did not finish stands where a reader of the old layout skips to the "=".
  std::string text = StrFormat("%d %d ", record.block_size, record.scale);
  if (!record.unfinished.empty()) text += std::string(kUnfinishedMark) + record.unfinished + " ";
  text += "Model=" + model + "\n";
  for (std::int32_t sample : record.samples) StrAppendFormat(&text, "%d\n", sample);
  return text;
}

bool ParseMeasurementFile(std::string_view text, SpeedRecord* record, std::string* error) {
  std::string_view line;
  SpeedRecord r;
  if (!NextLine(&text, &line)) {
    *error = "line 1: no block size at its start";
    return false;
  }
  if (std::string why = ReadFirstLine(line, &r); !why.empty()) {
    *error = std::move(why);
    return false;
  }
  for (std::size_t number = 2; r.samples.size() < kMaxSpeedSamples && NextLine(&text, &line);
       ++number) {
    if (TrimBlanks(line).empty() && text.empty()) break;  // a last line end of its own
    std::int32_t sample = 0;
    if (std::string why = ReadSample(line, number, &sample); !why.empty()) {
      *error = std::move(why);
      return false;
    }
    r.samples.push_back(sample);
  }
  *record = std::move(r);
  return true;
}

bool SaveMeasurementFile(const std::string& path, const SpeedRecord& record, std::string* error) {
  return WriteFileAtomically(path, FormatMeasurementFile(record), error);
}

bool LoadMeasurementFile(const std::string& path, SpeedRecord* record, std::string* error) {
  const auto text = ReadTextFile(path, error);
  if (!text) return false;
  std::string reason;
  if (!ParseMeasurementFile(*text, record, &reason)) {
    if (error) *error = path + ": " + reason;
    return false;
  }
  return true;
}

}  // namespace tamarack
