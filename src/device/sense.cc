#include "device/sense.h"

#include <algorithm>

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
      if (test(row, key, asc, ascq)) return {&row, pass};
    }
  }
  return {end, 0};
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

std::string DecodeRequestSenseText(std::span<const std::uint8_t> reply) {
  const unsigned n = ByteAt(reply, 7);
  std::string t;
  StrAppendFormat(&t, "VALID:%s\r\n", OnOff(ByteAt(reply, 0) & 0x80));
  StrAppendFormat(&t, "FILEMARK:%s  ", OnOff(ByteAt(reply, 2) & 0x80));
  StrAppendFormat(&t, "EOM:%s  ", OnOff(ByteAt(reply, 2) & 0x40));
  StrAppendFormat(&t, "ILI:%s\r\n", OnOff(ByteAt(reply, 2) & 0x20));
  StrAppendFormat(&t, "ADDITIONAL SENSE LENGTH:%u(%02xh)\r\n", n, n);
  const std::uint32_t info = ReadBe32(reply, 8);
  StrAppendFormat(&t, "COMMAND-SPECIFIC INFORMATION:%d(%08xh)\r\n", static_cast<int>(info), info);
  const unsigned asc = ByteAt(reply, 12), ascq = ByteAt(reply, 13), fru = ByteAt(reply, 14);
  StrAppendFormat(&t, "ADDITIONAL SENSE CODE:%u(%02xh)\r\n", asc, asc);
  StrAppendFormat(&t, "ADDITIONAL SENSE CODE QUALIFIER:%u(%02xh)\r\n", ascq, ascq);
  StrAppendFormat(&t, "FIELD REPLACEABLE UNIT CODE:%u(%02xh)\r\n", fru, fru);
  StrAppendFormat(&t, "SKSV:%s\r\n", OnOff(ByteAt(reply, 15) & 0x80));
  const unsigned key_info = ReadBe16(reply, 15) & 0x7FFFu;
  StrAppendFormat(&t, "SENSE-KEY SPECIFIC:%u(%04xh)\r\n", key_info, key_info);
  // Only the bytes that are really there are shown.
  const std::size_t total = std::min<std::size_t>(8u + n, reply.size());
  if (n > 10) {
    StrAppendFormat(&t, "Additional sense bytes %u(%04x)\r\n", n - 10, n - 10);
    if (total > 18) t += HexBytes(reply.subspan(18, total - 18));
    t += "\r\n";
  }
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
