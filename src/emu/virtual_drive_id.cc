#include "emu/virtual_drive_id.h"

#include <charconv>
#include <optional>
#include <vector>

#include "util/strings.h"

namespace tamarack::emu {

namespace {

// Joins the parts of a message (GCC 12 misreads chains of string operator+).
std::string Join(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view p : parts) text.append(p);
  return text;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

template <typename T>
bool ParseNumber(std::string_view text, int base, T* value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *value, base);
  return ec == std::errc() && ptr == end;
}

// A decimal fraction in the C locale's form ("0.25", "1e-3").
bool ParseNumber(std::string_view text, double* value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && ptr == end;
}

bool ParseBlockList(std::string_view text, std::vector<BlockRange>* out, std::string* why) {
  if (text.empty()) {
    *why = "an empty block list";
    return false;
  }
  for (std::string_view item : Split(text, ',')) {
    BlockRange r;
    const std::size_t dash = item.find('-');
    const std::string_view first = item.substr(0, dash);
    const std::string_view last = dash == std::string_view::npos ? first : item.substr(dash + 1);
    if (!ParseNumber(first, 10, &r.first) || !ParseNumber(last, 10, &r.last) || r.first < 0) {
      *why = Join({"\"", item, "\" is not a block number or a range A-B"});
      return false;
    }
    if (r.last < r.first) {
      *why = Join({"the range \"", item, "\" ends before it starts"});
      return false;
    }
    out->push_back(r);
  }
  return true;
}

bool ParseOpcodes(std::string_view text, std::set<std::uint8_t>* out, std::string* why) {
  if (text.empty()) {
    *why = "an empty opcode list";
    return false;
  }
  for (std::string_view item : Split(text, ',')) {
    const std::optional<std::uint64_t> value = ParseHexCode(item, 2, 0xFF);
    if (!value) {
      *why = Join({"\"", item, "\" is not an opcode in hexadecimal (00 to ff)"});
      return false;
    }
    out->insert(static_cast<std::uint8_t>(*value));
  }
  return true;
}

bool ParseSpeed(std::string_view text, SpeedSetting* speed, std::string* why) {
  if (text == "max") {
    speed->mode = SpeedMode::kUnlimited;
    return true;
  }
  std::string_view digits;
  if (text.substr(0, 3) == "clv") {
    speed->mode = SpeedMode::kClv;
    digits = text.substr(3);
  } else if (text.substr(0, 3) == "cav") {
    speed->mode = SpeedMode::kCav;
    digits = text.substr(3);
  } else {
    *why = "speed must be max, clvN or cavN";
    return false;
  }
  int factor = 0;
  if (!ParseNumber(digits, 10, &factor) || factor < 1 || factor > kMaxSpeedFactor) {
    *why = Join({"the speed factor of \"", text, "\" must be 1 to 99"});
    return false;
  }
  speed->factor = factor;
  return true;
}

// flaky=LIST:P: the blocks of LIST fail with probability P.
bool ParseFlaky(std::string_view value, FaultPlan* faults, std::string* why) {
  const std::size_t colon = value.rfind(':');
  if (colon == std::string_view::npos) {
    *why = "flaky needs a probability: flaky=LIST:P";
    return false;
  }
  const std::string_view p_text = value.substr(colon + 1);
  // from_chars, not strtod: the window's Qt sets LC_NUMERIC, and "0.25" must not need a
  // comma on a German desktop.
  double p = 0.0;
  if (!ParseNumber(p_text, &p) || !(p > 0.0 && p <= 1.0)) {
    *why = Join({"the probability \"", p_text, "\" must be a number above 0 and at most 1"});
    return false;
  }
  std::vector<BlockRange> ranges;
  if (!ParseBlockList(value.substr(0, colon), &ranges, why)) return false;
  for (const BlockRange& r : ranges) faults->flaky.push_back({r, p});
  return true;
}

// c2=LIST:BITS: the blocks of LIST come with BITS C2 error bits each.
bool ParseC2(std::string_view value, FaultPlan* faults, std::string* why) {
  const std::size_t colon = value.rfind(':');
  if (colon == std::string_view::npos) {
    *why = "c2 needs a number of bits: c2=LIST:BITS";
    return false;
  }
  const std::string_view bits_text = value.substr(colon + 1);
  std::uint32_t bits = 0;
  if (!ParseNumber(bits_text, 10, &bits) || bits < 1 || bits > 2352) {
    *why = Join({"the C2 bits \"", bits_text, "\" must be 1 to 2352 (one a byte of the block)"});
    return false;
  }
  std::vector<BlockRange> ranges;
  if (!ParseBlockList(value.substr(0, colon), &ranges, why)) return false;
  for (const BlockRange& r : ranges) faults->c2.push_back({r, bits});
  return true;
}

// refuse=OPS or refuse=OPS:KIND: the opcodes refused, as a host or an OS error, or by the
// drive as unknown.
bool ParseRefusal(std::string_view value, FaultPlan* faults, std::string* why) {
  std::string_view list = value;
  const std::size_t colon = value.find(':');
  if (colon != std::string_view::npos) {
    const std::string_view kind = value.substr(colon + 1);
    list = value.substr(0, colon);
    if (kind == "host") {
      faults->refusal = RefusalKind::kHostError;
    } else if (kind == "os") {
      faults->refusal = RefusalKind::kOsError;
    } else if (kind == "drive") {
      faults->refusal = RefusalKind::kDrive;
    } else {
      *why = Join({"refuse=OPS:KIND takes the kind host, os or drive, not \"", kind, "\""});
      return false;
    }
  }
  return ParseOpcodes(list, &faults->refused_opcodes, why);
}

bool ParseOption(std::string_view option, VirtualDriveConfig* c, std::string* why) {
  const std::size_t eq = option.find('=');
  const std::string_view name = option.substr(0, eq);
  const bool has_value = eq != std::string_view::npos;
  const std::string_view value = has_value ? option.substr(eq + 1) : std::string_view{};
  auto needs_value = [&] {
    if (has_value) return true;
    *why = Join({"option \"", name, "\" needs a value (", name, "=...)"});
    return false;
  };
  auto no_value = [&] {
    if (!has_value) return true;
    *why = Join({"option \"", name, "\" takes no value"});
    return false;
  };
  if (name == "speed") return needs_value() && ParseSpeed(value, &c->speed, why);
  if (name == "bad") return needs_value() && ParseBlockList(value, &c->faults.bad, why);
  if (name == "corrupt") return needs_value() && ParseBlockList(value, &c->faults.corrupt, why);
  if (name == "short") return needs_value() && ParseBlockList(value, &c->faults.short_reads, why);
  if (name == "qcrc") return needs_value() && ParseBlockList(value, &c->faults.bad_q_crc, why);
  if (name == "formless") return needs_value() && ParseBlockList(value, &c->faults.formless, why);
  if (name == "slow") return needs_value() && ParseOpcodes(value, &c->faults.slow_opcodes, why);
  if (name == "flaky") return needs_value() && ParseFlaky(value, &c->faults, why);
  if (name == "c2") return needs_value() && ParseC2(value, &c->faults, why);
  if (name == "refuse") return needs_value() && ParseRefusal(value, &c->faults, why);
  if (name == "seed") {
    if (!needs_value()) return false;
    if (!ParseNumber(value, 10, &c->faults.seed)) {
      *why = "seed must be a whole number";
      return false;
    }
    return true;
  }
  if (name == "tray") {
    if (!needs_value()) return false;
    if (value != "open" && value != "closed") {
      *why = "tray must be open or closed";
      return false;
    }
    c->tray_open = value == "open";
    return true;
  }
  if (name == "resid") {
    if (!needs_value()) return false;
    if (!ParseResidMode(value, &c->resid)) {
      *why = "resid must be exact, none, zero, pad or under";
      return false;
    }
    return true;
  }
  if (name == "model") {
    if (!needs_value()) return false;
    if (value != "classic" && value != "modern" && value != "plain") {
      *why = "model must be classic, modern or plain";
      return false;
    }
    c->model = value == "modern"  ? DriveModel::kModern
               : value == "plain" ? DriveModel::kPlain
                                  : DriveModel::kClassic;
    return true;
  }
  if (name == "serial") {
    if (!needs_value()) return false;
    const bool fits = !value.empty() && value.size() <= 20 &&
                      value.find_first_not_of(
                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                          "0123456789._-") == std::string_view::npos;
    if (!fits) {
      *why = "serial must be 1 to 20 letters, digits, '.', '_' or '-'";
      return false;
    }
    c->serial = std::string(value);
    return true;
  }
  if (name == "nomedium") {
    c->no_medium = true;
    return no_value();
  }
  if (name == "poweron") {
    c->power_on_attention = true;
    return no_value();
  }
  *why =
      Join({"unknown option \"", name,
            "\" (known: speed, bad, flaky, corrupt, c2, short, qcrc, formless, refuse, slow, seed, "
            "tray, nomedium, "
            "poweron, resid, model, serial)"});
  return false;
}

}  // namespace

std::string DriveSerialOfId(std::string_view id) {
  // 32-bit FNV-1a: stable across runs and machines.
  std::uint32_t hash = 2166136261u;
  for (char ch : id) {
    hash ^= static_cast<unsigned char>(ch);
    hash *= 16777619u;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string serial = "KV";
  for (int shift = 28; shift >= 0; shift -= 4) serial.push_back(kHex[(hash >> shift) & 0x0F]);
  return serial;
}

bool IsVirtualDriveId(std::string_view id) { return id.substr(0, 4) == kVirtualDrivePrefix; }

bool ParseVirtualDriveId(std::string_view id, VirtualDriveConfig* config, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = Join({"Bad virtual drive id \"", id, "\": ", why});
    return false;
  };
  if (!IsVirtualDriveId(id)) return fail("it does not start with \"emu:\"");
  const std::string_view rest = id.substr(kVirtualDrivePrefix.size());
  const std::size_t q = rest.find('?');
  VirtualDriveConfig c;
  c.disc = std::string(rest.substr(0, q));
  if (c.disc.empty()) return fail("no disc name or image path after \"emu:\"");
  if (q != std::string_view::npos) {
    for (std::string_view option : Split(rest.substr(q + 1), '&')) {
      if (option.empty()) return fail("an empty option");
      std::string why;
      if (!ParseOption(option, &c, &why)) return fail(why);
    }
  }
  *config = std::move(c);
  return true;
}

}  // namespace tamarack::emu
