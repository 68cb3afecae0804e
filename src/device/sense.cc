#include "device/sense.h"

#include <algorithm>

#include "device/asc_code_list.h"
#include "util/bytes.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

const char* OnOff(bool on) { return on ? "On" : "Off"; }

// Rows before the end row, and the end row itself (a table without one yields a static
// empty row, so a lookup never reads past the table).
std::span<const SenseRow> RowsBeforeEnd(std::span<const SenseRow> table, const SenseRow** end) {
  static constexpr SenseRow kEmptyEnd{kSenseTableEndKey, 0, 0, ""};
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].key == kSenseTableEndKey) {
      *end = &table[i];
      return table.first(i);
    }
  }
  *end = &kEmptyEnd;
  return table;
}

}  // namespace

SenseMatch MatchSense(std::span<const SenseRow> table, std::uint32_t key, std::uint32_t asc,
                      std::uint32_t ascq) {
  const SenseRow* end = nullptr;
  const std::span<const SenseRow> rows = RowsBeforeEnd(table, &end);
  const auto passes = {
      +[](const SenseRow& r, std::uint32_t k, std::uint32_t a, std::uint32_t q) {
        return r.key == k && r.asc == a && r.ascq == q;
      },
      +[](const SenseRow& r, std::uint32_t k, std::uint32_t a, std::uint32_t) {
        return r.key == k && r.asc == a;
      },
      +[](const SenseRow& r, std::uint32_t, std::uint32_t a, std::uint32_t q) {
        return r.asc == a && r.ascq == q;
      },
      +[](const SenseRow& r, std::uint32_t, std::uint32_t a, std::uint32_t) { return r.asc == a; },
  };
  int pass = 0;
  for (auto test : passes) {
    ++pass;
    for (const SenseRow& row : rows) {
      if (test(row, key, asc, ascq)) return {&row, pass, SenseSource::kTable};
    }
    if (pass == 1 && !table.empty()) {
      if (const SenseRow* listed = FindAscCode(asc, ascq)) {
        return {listed, 0, SenseSource::kCodeList};
      }
    }
  }
  return {end, 0, SenseSource::kNone};
}

const SenseRow& LookUpSense(std::span<const SenseRow> table, std::uint32_t key, std::uint32_t asc,
                            std::uint32_t ascq) {
  return *MatchSense(table, key, asc, ascq).row;
}

std::optional<std::uint32_t> SenseInformation(std::span<const std::uint8_t> sense) {
  const ParsedSense p = ParseSense(sense);
  if (p.format == SenseFormat::kFixed) {
    if ((sense[0] & 0x80) == 0 || p.length < 7) return std::nullopt;
    return ReadBe32(sense, 3);
  }
  if (p.format != SenseFormat::kDescriptor) return std::nullopt;
  // Descriptors follow the 8-byte header: type, additional length, then its bytes.
  for (std::size_t at = 8; at + 2 <= p.length; at += 2u + sense[at + 1]) {
    if (sense[at] != 0x00) continue;
    if (at + 12 > p.length || (sense[at + 2] & 0x80) == 0 || ReadBe32(sense, at + 4) != 0) {
      return std::nullopt;
    }
    return ReadBe32(sense, at + 8);
  }
  return std::nullopt;
}

ParsedSense ParseSense(std::span<const std::uint8_t> sense) {
  ParsedSense p;
  if (sense.empty()) return p;
  p.response_code = sense[0] & 0x7F;
  // Byte 7 is the additional sense length in both formats.
  p.length = std::min<std::size_t>(8u + ByteAt(sense, 7), sense.size());
  switch (p.response_code) {
    case 0x70:
    case 0x71:
    case 0x7F:
      p.format = SenseFormat::kFixed;
      p.key = ByteAt(sense, 2) & 0x0F;
      p.asc = ByteAt(sense, 12);
      p.ascq = ByteAt(sense, 13);
      break;
    case 0x72:
    case 0x73:
      p.format = SenseFormat::kDescriptor;
      p.key = ByteAt(sense, 1) & 0x0F;
      p.asc = ByteAt(sense, 2);
      p.ascq = ByteAt(sense, 3);
      break;
    default:
      p.length = 0;
      break;
  }
  return p;
}

std::string SenseKeyFieldText(std::uint8_t key, std::span<const std::uint8_t> field) {
  if (field.size() < 3 || (field[0] & 0x80) == 0) return {};
  const unsigned value = ReadBe16(field, 1);
  switch (key) {
    case 0x5: {
      // Illegal request: where in the CDB (C/D set) or in the parameter data the fault is.
      std::string t = StrFormat("FIELD POINTER:byte %u of the %s", value,
                                (field[0] & 0x40) ? "CDB" : "parameter data");
      if (field[0] & 0x08) StrAppendFormat(&t, ", bit %u", field[0] & 0x07u);
      return t;
    }
    case 0x0:
    case 0x2:
      return StrFormat("PROGRESS INDICATION:%u/65536 (%u%%)", value, value * 100u / 65536u);
    case 0x1:
    case 0x3:
    case 0x4:
      return StrFormat("ACTUAL RETRY COUNT:%u", value);
    default:
      return {};
  }
}

namespace {

// The fixed format's lines, byte by byte.
void AppendFixedSense(std::span<const std::uint8_t> reply, std::string* t) {
  const unsigned n = ByteAt(reply, 7);
  StrAppendFormat(t, "VALID:%s\r\n", OnOff(ByteAt(reply, 0) & 0x80));
  StrAppendFormat(t, "FILEMARK:%s  ", OnOff(ByteAt(reply, 2) & 0x80));
  StrAppendFormat(t, "EOM:%s  ", OnOff(ByteAt(reply, 2) & 0x40));
  StrAppendFormat(t, "ILI:%s\r\n", OnOff(ByteAt(reply, 2) & 0x20));
  StrAppendFormat(t, "ADDITIONAL SENSE LENGTH:%u(%02xh)\r\n", n, n);
  const std::uint32_t info = ReadBe32(reply, 8);
  StrAppendFormat(t, "COMMAND-SPECIFIC INFORMATION:%d(%08xh)\r\n", static_cast<int>(info), info);
  const unsigned asc = ByteAt(reply, 12), ascq = ByteAt(reply, 13), fru = ByteAt(reply, 14);
  StrAppendFormat(t, "ADDITIONAL SENSE CODE:%u(%02xh)\r\n", asc, asc);
  StrAppendFormat(t, "ADDITIONAL SENSE CODE QUALIFIER:%u(%02xh)\r\n", ascq, ascq);
  StrAppendFormat(t, "FIELD REPLACEABLE UNIT CODE:%u(%02xh)\r\n", fru, fru);
  StrAppendFormat(t, "SKSV:%s\r\n", OnOff(ByteAt(reply, 15) & 0x80));
  // Bytes 15-17: SKSV and its flags in byte 15, the value in bytes 16-17.
  const unsigned key_info = ReadBe16(reply, 16);
  StrAppendFormat(t, "SENSE-KEY SPECIFIC:%u(%04xh)\r\n", key_info, key_info);
  const std::uint8_t sks[3] = {ByteAt(reply, 15), ByteAt(reply, 16), ByteAt(reply, 17)};
  const std::string meaning = SenseKeyFieldText(ByteAt(reply, 2) & 0x0F, sks);
  if (!meaning.empty()) *t += meaning + "\r\n";
  // Only the bytes that are really there are shown.
  const std::size_t total = std::min<std::size_t>(8u + n, reply.size());
  if (n > 10) {
    StrAppendFormat(t, "Additional sense bytes %u(%04x)\r\n", n - 10, n - 10);
    if (total > 18) *t += HexBytes(reply.subspan(18, total - 18));
    *t += "\r\n";
  }
}

// One descriptor of descriptor-format sense: its type, length and the fields of the types
// every drive may send; any other type as its bytes.
void AppendSenseDescriptor(std::uint8_t key, std::span<const std::uint8_t> d, std::string* t) {
  const unsigned type = d[0], length = d[1];
  const std::span<const std::uint8_t> body = d.subspan(2);
  auto be64 = [&](std::size_t at) {
    return (std::uint64_t{ReadBe32(d, at)} << 32) | ReadBe32(d, at + 4);
  };
  switch (type) {
    case 0x00:
      if (length < 10) break;
      StrAppendFormat(t, "Descriptor 00h INFORMATION  VALID:%s\r\n", OnOff(d[2] & 0x80));
      StrAppendFormat(t, "INFORMATION:%llu(%016llxh)\r\n", static_cast<unsigned long long>(be64(4)),
                      static_cast<unsigned long long>(be64(4)));
      return;
    case 0x01:
      if (length < 10) break;
      StrAppendFormat(t, "Descriptor 01h COMMAND-SPECIFIC INFORMATION\r\n");
      StrAppendFormat(t, "COMMAND-SPECIFIC INFORMATION:%llu(%016llxh)\r\n",
                      static_cast<unsigned long long>(be64(4)),
                      static_cast<unsigned long long>(be64(4)));
      return;
    case 0x02: {
      if (length < 6) break;
      StrAppendFormat(t, "Descriptor 02h SENSE-KEY SPECIFIC  SKSV:%s\r\n", OnOff(d[4] & 0x80));
      const unsigned value = ReadBe16(d, 5);
      StrAppendFormat(t, "SENSE-KEY SPECIFIC:%u(%04xh)\r\n", value, value);
      const std::string meaning = SenseKeyFieldText(key, d.subspan(4, 3));
      if (!meaning.empty()) *t += meaning + "\r\n";
      return;
    }
    case 0x03:
      if (length < 2) break;
      StrAppendFormat(t, "Descriptor 03h FIELD REPLACEABLE UNIT CODE:%u(%02xh)\r\n", d[3], d[3]);
      return;
    default:
      break;
  }
  StrAppendFormat(t, "Descriptor %02xh (%u bytes):", type, length);
  for (std::uint8_t b : body) StrAppendFormat(t, " %02x", b);
  *t += "\r\n";
}

// The descriptor format: key and codes from bytes 1-3, then each descriptor after byte 7.
void AppendDescriptorSense(std::span<const std::uint8_t> reply, std::string* t) {
  const unsigned n = ByteAt(reply, 7);
  const std::uint8_t key = ByteAt(reply, 1) & 0x0F;
  StrAppendFormat(t, "RESPONSE CODE:%02xh (descriptor format)\r\n", ByteAt(reply, 0) & 0x7Fu);
  StrAppendFormat(t, "SENSE KEY:%u(%02xh)\r\n", key, key);
  const unsigned asc = ByteAt(reply, 2), ascq = ByteAt(reply, 3);
  StrAppendFormat(t, "ADDITIONAL SENSE CODE:%u(%02xh)\r\n", asc, asc);
  StrAppendFormat(t, "ADDITIONAL SENSE CODE QUALIFIER:%u(%02xh)\r\n", ascq, ascq);
  StrAppendFormat(t, "ADDITIONAL SENSE LENGTH:%u(%02xh)\r\n", n, n);
  const std::size_t total = std::min<std::size_t>(8u + n, reply.size());
  std::size_t at = 8;
  while (at < total) {
    if (at + 2 > total) {
      StrAppendFormat(t, "Descriptor cut short at byte %zu\r\n", at);
      break;
    }
    const std::size_t size = 2u + reply[at + 1];
    if (at + size > total) {
      StrAppendFormat(t, "Descriptor %02xh cut short: %zu of %zu bytes at byte %zu\r\n", reply[at],
                      total - at, size, at);
      break;
    }
    AppendSenseDescriptor(key, reply.subspan(at, size), t);
    at += size;
  }
}

}  // namespace

std::string DecodeRequestSenseText(std::span<const std::uint8_t> reply) {
  std::string t;
  if (ParseSense(reply).format == SenseFormat::kDescriptor) {
    AppendDescriptorSense(reply, &t);
  } else {
    AppendFixedSense(reply, &t);
  }
  const std::size_t total = std::min<std::size_t>(8u + ByteAt(reply, 7), reply.size());
  t += "Data:";
  t += HexBytes(reply.first(total), "");
  t += "\r\n";
  return t;
}

RequestSenseView MakeRequestSenseView(std::span<const SenseRow> table,
                                      std::span<const std::uint8_t> sense) {
  RequestSenseView v;
  const std::size_t total = std::min<std::size_t>(8u + ByteAt(sense, 7), sense.size());
  v.sense_line = HexBytes(sense.first(total));
  // Descriptor-format sense keeps its key and codes elsewhere; read them from there.
  const ParsedSense parsed = ParseSense(sense);
  std::uint8_t key = ByteAt(sense, 2) & 0x0F, asc = ByteAt(sense, 12), ascq = ByteAt(sense, 13);
  if (parsed.format == SenseFormat::kDescriptor) {
    key = parsed.key;
    asc = parsed.asc;
    ascq = parsed.ascq;
  }
  v.key = StrFormat("%02x", key);
  v.asc = StrFormat("%02x", asc);
  v.ascq = StrFormat("%02x", ascq);
  v.message = table.empty() ? "No Error Table" : LookUpSense(table, key, asc, ascq).message;
  v.is_error = key != 0;
  v.heading = v.is_error ? Tr("ﾄﾞﾗｲﾌﾞからのｴﾗｰ情報") : "No Error Sense Data";
  if (const std::optional<std::uint32_t> info = SenseInformation(sense)) {
    v.information = StrFormat("%u (%08xh)", *info, *info);
  }
  return v;
}

std::vector<SenseCodeListRow> SenseCodeList(std::span<const SenseRow> table) {
  const SenseRow* end = nullptr;
  const std::span<const SenseRow> rows = RowsBeforeEnd(table, &end);
  std::vector<SenseCodeListRow> list;
  for (std::uint32_t key = 0; key <= 9; ++key) {
    for (const SenseRow& r : rows) {
      if (r.key != key) continue;
      std::string_view msg = r.message;
      if (!msg.empty() && msg.front() == ' ') msg.remove_prefix(1);
      list.push_back({StrFormat("%02x", r.key), StrFormat("%02x", r.asc), StrFormat("%02x", r.ascq),
                      std::string(msg)});
    }
  }
  return list;
}

}  // namespace tamarack
