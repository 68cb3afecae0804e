#include "device/trace_reader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>

#include "util/regular_file.h"
#include "util/strings.h"

namespace tamarack {

namespace {

// A JSON value of a trace line: the format holds only strings and non-negative integers.
struct Value {
  bool is_string = false;
  std::string text;
  std::uint64_t number = 0;
};

class LineParser {
 public:
  explicit LineParser(std::string_view line) : s_(line) {}

  bool ParseObject(std::map<std::string, Value, std::less<>>* members, std::string* error) {
    SkipBlanks();
    if (!Take('{')) return Fail("a line must be one JSON object", error);
    SkipBlanks();
    if (Take('}')) return AtEnd(error);
    for (;;) {
      SkipBlanks();
      std::string name;
      if (!ParseString(&name, error)) return false;
      SkipBlanks();
      if (!Take(':')) return Fail("\":\" expected after a member name", error);
      SkipBlanks();
      Value v;
      if (Peek() == '"') {
        v.is_string = true;
        if (!ParseString(&v.text, error)) return false;
      } else if (!ParseNumber(&v.number, error)) {
        return false;
      }
      (*members)[name] = std::move(v);
      SkipBlanks();
      if (Take('}')) return AtEnd(error);
      if (!Take(',')) return Fail("\",\" or \"}\" expected after a value", error);
    }
  }

 private:
  char Peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }
  bool Take(char c) {
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void SkipBlanks() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
      ++pos_;
  }
  bool Fail(const char* what, std::string* error) {
    *error = StrFormat("%s (at column %zu)", what, pos_ + 1);
    return false;
  }
  bool AtEnd(std::string* error) {
    SkipBlanks();
    return pos_ == s_.size() || Fail("text after the object", error);
  }

  bool ParseHex4(std::uint32_t* v) {
    if (s_.size() - pos_ < 4) return false;
    const auto parsed = ParseDigits(s_.substr(pos_, 4), 16, 0xFFFF);
    if (!parsed) return false;
    *v = static_cast<std::uint32_t>(*parsed);
    pos_ += 4;
    return true;
  }

  static void AppendUtf8(std::string* out, std::uint32_t cp) {
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  bool ParseString(std::string* out, std::string* error) {
    if (!Take('"')) return Fail("a string expected", error);
    for (;;) {
      if (pos_ >= s_.size()) return Fail("unterminated string", error);
      const char c = s_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in a string", error);
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (pos_ >= s_.size()) return Fail("unterminated string", error);
      const char e = s_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out->push_back(e);
          break;
        case 'b':
          out->push_back('\b');
          break;
        case 'f':
          out->push_back('\f');
          break;
        case 'n':
          out->push_back('\n');
          break;
        case 'r':
          out->push_back('\r');
          break;
        case 't':
          out->push_back('\t');
          break;
        case 'u': {
          std::uint32_t cp = 0;
          if (!ParseHex4(&cp)) return Fail("bad \\u escape", error);
          if (cp >= 0xD800 && cp < 0xDC00) {
            std::uint32_t low = 0;
            if (!Take('\\') || !Take('u') || !ParseHex4(&low) || low < 0xDC00 || low > 0xDFFF)
              return Fail("unpaired surrogate", error);
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          } else if (cp >= 0xDC00 && cp < 0xE000) {
            return Fail("unpaired surrogate", error);
          }
          AppendUtf8(out, cp);
          break;
        }
        default:
          return Fail("bad escape in a string", error);
      }
    }
  }

  bool ParseNumber(std::uint64_t* v, std::string* error) {
    if (Peek() < '0' || Peek() > '9')
      return Fail("a string or a non-negative integer expected", error);
    *v = 0;
    while (Peek() >= '0' && Peek() <= '9') {
      const auto d = static_cast<std::uint64_t>(s_[pos_++] - '0');
      if (*v > (std::numeric_limits<std::uint64_t>::max() - d) / 10)
        return Fail("number out of range", error);
      *v = *v * 10 + d;
    }
    if (Peek() == '.' || Peek() == 'e' || Peek() == 'E')
      return Fail("a non-negative integer expected", error);
    return true;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

}  // namespace

bool ParseTraceLine(std::string_view line, TraceEntry* entry, std::string* error) {
  std::map<std::string, Value, std::less<>> m;
  if (!LineParser(line).ParseObject(&m, error)) return false;
  *entry = TraceEntry{};
  auto text = [&](const char* name, std::string* out) {
    auto it = m.find(name);
    if (it == m.end()) return true;
    if (!it->second.is_string) {
      *error = StrFormat("\"%s\" must be a string", name);
      return false;
    }
    *out = it->second.text;
    return true;
  };
  auto number = [&](const char* name, std::uint64_t max, std::uint64_t* out) {
    auto it = m.find(name);
    if (it == m.end()) return true;
    if (it->second.is_string || it->second.number > max) {
      *error = StrFormat("\"%s\" must be a number from 0 to %llu", name,
                         static_cast<unsigned long long>(max));
      return false;
    }
    *out = it->second.number;
    return true;
  };
  auto bytes = [&](const char* name, std::size_t max, std::vector<std::uint8_t>* out) {
    std::string t;
    if (!text(name, &t)) return false;
    auto parsed = ParseHexBytes(t, " ");
    if (!parsed || parsed->size() > max) {
      *error = StrFormat("\"%s\" must be hex bytes separated by blanks", name);
      return false;
    }
    *out = std::move(*parsed);
    return true;
  };

  if (m.find("cdb") == m.end() || m.find("outcome") == m.end()) {
    *error = "a line must hold \"cdb\" and \"outcome\"";
    return false;
  }
  std::vector<std::uint8_t> cdb;
  if (!bytes("cdb", kCdbSize, &cdb)) return false;
  if (cdb.empty()) {
    *error = "\"cdb\" holds no bytes";
    return false;
  }
  std::copy(cdb.begin(), cdb.end(), entry->cdb.begin());

  std::string direction = "in", outcome;
  if (!text("drive", &entry->drive) || !text("direction", &direction) || !text("outcome", &outcome))
    return false;
  if (direction == "in") {
    entry->direction = DataDirection::kIn;
  } else if (direction == "out") {
    entry->direction = DataDirection::kOut;
  } else if (direction == "none") {
    entry->direction = DataDirection::kNone;
  } else {
    *error = "\"direction\" must be \"in\", \"out\" or \"none\"";
    return false;
  }
  ScsiResult& r = entry->result;
  if (outcome == "completed") {
    r.status = TransportStatus::kCompleted;
  } else if (outcome == "refused") {
    r.status = TransportStatus::kRefused;
  } else if (outcome == "timed out") {
    r.status = TransportStatus::kTimedOut;
  } else if (outcome == "transport error") {
    r.status = TransportStatus::kTransportError;
  } else {
    *error = "\"outcome\" must be \"completed\", \"refused\", \"timed out\" or \"transport error\"";
    return false;
  }

  constexpr auto kU32 = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t length = 0, os_error = 0, scsi_status = 0, sense_length = 0, transferred = 0,
                duration = 0;
  std::vector<std::uint8_t> sense;
  if (!number("length", kU32, &length) ||
      !number("os_error", static_cast<std::uint64_t>(std::numeric_limits<int>::max()), &os_error) ||
      !number("scsi_status", 255, &scsi_status) || !number("sense_length", 255, &sense_length) ||
      !number("transferred", kU32, &transferred) ||
      !number("duration_us", static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()),
              &duration) ||
      !number("data_out_omitted", kU32, &entry->data_out_omitted) ||
      !number("reply_omitted", kU32, &entry->reply_omitted) || !text("reason", &r.reason) ||
      !text("advice", &r.advice) || !bytes("sense", kSenseSize, &sense) ||
      !bytes("data_out", kU32, &entry->data_out) || !bytes("reply", kU32, &entry->reply))
    return false;
  entry->length = static_cast<std::uint32_t>(length);
  r.os_error = static_cast<int>(os_error);
  r.scsi_status = static_cast<std::uint8_t>(scsi_status);
  r.sense_length = static_cast<std::uint8_t>(sense_length);
  std::copy(sense.begin(), sense.end(), r.sense.begin());
  r.transferred = static_cast<std::uint32_t>(transferred);
  r.duration = std::chrono::microseconds(static_cast<std::int64_t>(duration));
  return true;
}

bool ReadTraceFile(const std::string& path, std::vector<TraceEntry>* entries, std::string* error) {
  // Only a regular file: a FIFO would block in open() (and is never a saved trace).
  std::string not_regular;
  if (!OpenRegularFile(path, &not_regular)) {
    *error = "cannot read the trace file " + not_regular;
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = StrFormat("cannot read the trace file %s: %s", path.c_str(), std::strerror(errno));
    return false;
  }
  entries->clear();
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    TraceEntry entry;
    std::string why;
    if (!ParseTraceLine(line, &entry, &why)) {
      *error = StrFormat("%s line %zu: %s", path.c_str(), number, why.c_str());
      return false;
    }
    entries->push_back(std::move(entry));
  }
  if (in.bad()) {
    *error = StrFormat("cannot read the trace file %s", path.c_str());
    return false;
  }
  return true;
}

}  // namespace tamarack
