#include "persist/measurement_file.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "util/strings.h"

namespace tamarack {

namespace {

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

// A leading decimal number ("%d"); the rest of `s` follows it.
bool LeadingNumber(std::string_view* s, std::int64_t* value) {
  *s = TrimBlanks(*s);
  const char* begin = s->data();
  const char* end = begin + s->size();
  if (begin != end && *begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, *value);
  if (ec != std::errc()) return false;
  s->remove_prefix(static_cast<std::size_t>(ptr - s->data()));
  return true;
}

}  // namespace

std::string FormatMeasurementFile(const SpeedRecord& record) {
  std::string model = record.model;
  for (char& c : model) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::string text = StrFormat("%d %d Model=%s\n", record.block_size, record.scale, model.c_str());
  for (std::int32_t sample : record.samples) StrAppendFormat(&text, "%d\n", sample);
  return text;
}

bool ParseMeasurementFile(std::string_view text, SpeedRecord* record, std::string* error) {
  std::string_view line;
  std::int64_t block_size = 0;
  const bool has_line = NextLine(&text, &line);
  std::string_view rest = line;
  if (!has_line || !LeadingNumber(&rest, &block_size) || block_size <= 0 ||
      block_size > std::numeric_limits<std::int32_t>::max()) {
    *error = "the first line does not start with a block size above 0";
    return false;
  }
  SpeedRecord r;
  r.block_size = static_cast<std::int32_t>(block_size);
  std::int64_t scale = 0;
  if (LeadingNumber(&rest, &scale)) r.scale = scale != 0 ? 1 : 0;
  const std::size_t equals = line.find('=');
  if (equals != std::string_view::npos) r.model = std::string(line.substr(equals + 1));
  for (std::size_t number = 2; r.samples.size() < kMaxSpeedSamples && NextLine(&text, &line);
       ++number) {
    std::string_view digits = line;
    std::int64_t sample = 0;
    if (TrimBlanks(line).empty() && text.empty()) break;  // a last line end of its own
    if (!LeadingNumber(&digits, &sample) || !TrimBlanks(digits).empty() ||
        sample < std::numeric_limits<std::int32_t>::min() ||
        sample > std::numeric_limits<std::int32_t>::max()) {
      *error = StrFormat("line %zu is not a sample (a whole number)", number);
      return false;
    }
    r.samples.push_back(static_cast<std::int32_t>(sample));
  }
  *record = std::move(r);
  return true;
}

}  // namespace tamarack
