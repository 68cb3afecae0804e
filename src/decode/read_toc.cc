#include "decode/read_toc.h"

#include <algorithm>
#include <array>

#include "decode/text_conventions.h"
#include "form/hex_dump.h"
#include "util/bytes.h"
#include "util/cp932.h"
#include "util/strings.h"
#include "util/sub_q_crc.h"

namespace tamarack {

namespace {

constexpr std::uint32_t kAllocationLength = 40960;
constexpr std::size_t kDescriptorsStart = 4;

// The bytes descriptors may be read from: the data length's end (length + 2, as the length
// counts the bytes after its own two), never past the bytes returned.
std::size_t DataEnd(std::span<const std::uint8_t> reply) {
  return std::min<std::size_t>(reply.size(), std::size_t{ReadBe16(reply, 0)} + 2);
}

// Whole descriptors of `size` bytes from byte 4 within `end`.
std::size_t DescriptorCount(std::size_t end, std::size_t size) {
  return end < kDescriptorsStart ? 0 : (end - kDescriptorsStart) / size;
}

std::string Hex2(int v) { return StrFormat("%02xh", v); }

std::string HeaderLine(int format, std::span<const std::uint8_t> reply) {
  const int length = ReadBe16(reply, 0);
  const int first = ByteAt(reply, 2);
  const int last = ByteAt(reply, 3);
  switch (format) {
    case 0:
      return StrFormat("Data Length=%d(%04xh) First Track No.(Hex)=%d Last Track No.(Hex)=%d\r\n",
                       length, length, first, last);
    case 1:
    case 2:
      return StrFormat(
          "Data Length=%d(%04xh) First Session No.(Hex)=%d Last Session No.(Hex)=%d\r\n", length,
          length, first, last);
    case 3:
    case 4:
      return StrFormat("Data Length=%d(%04xh)\r\n", length, length);
    case 5:
      return StrFormat(
          "CD-TEXT Data Length=%d(%04xh) First Track/Session/Reserved Field(Hex)=%d Last "
          "Track/Session/Reserved Field(Hex)=%d\r\n",
          length, length, first, last);
    default:
      return "";
  }
}

// Formats 0 and 1: 8-byte descriptors.
void TrackRows(std::span<const std::uint8_t> reply, bool msf, std::vector<DecodedRow>& rows) {
  const std::size_t count = DescriptorCount(DataEnd(reply), 8);
  for (std::size_t r = 0; r < count; ++r) {
    const auto d = reply.subspan(kDescriptorsStart + 8 * r, 8);
    const int track = d[2];
    std::string address;
    if (msf) {
      address = StrFormat("%02d:%02d:%02d", d[5], d[6], d[7]);
    } else {
      const std::uint32_t lba = ReadBe32(d, 4);
      address = StrFormat("%08d(%06xh)", static_cast<int>(lba), lba);
    }
    rows.push_back(
        {{Hex2(d[1] >> 4), Hex2(d[1] & 0xF), Hex2(track), address, TrackComment(track)}, 0});
  }
}

// Formats 2 and 3: 11-byte descriptors; the PMA shows no session column.
void FullTocRows(std::span<const std::uint8_t> reply, bool with_session,
                 std::vector<DecodedRow>& rows) {
  const std::size_t count = DescriptorCount(DataEnd(reply), 11);
  for (std::size_t r = 0; r < count; ++r) {
    const auto d = reply.subspan(kDescriptorsStart + 11 * r, 11);
    DecodedRow row;
    if (with_session) row.cells.push_back(Hex2(d[0]));
    row.cells.push_back(Hex2(d[1] >> 4));
    row.cells.push_back(Hex2(d[1] & 0xF));
    row.cells.push_back(Hex2(d[2]));
    row.cells.push_back(Hex2(d[3]));
    row.cells.push_back(StrFormat("%02x %02x %02x %02x", d[4], d[5], d[6], d[7]));
    row.cells.push_back(StrFormat("%02x %02x %02x", d[8], d[9], d[10]));
    row.cells.emplace_back();
    rows.push_back(std::move(row));
  }
}

// Format 4: each group of fields only when the data length reaches its size, and a field
// only when its bytes were returned.
void AtipRows(std::span<const std::uint8_t> reply, std::vector<DecodedRow>& rows) {
  const int length = ReadBe16(reply, 0);
  const auto add = [&](const char* label, std::size_t last_byte, std::string value) {
    if (last_byte < reply.size()) rows.push_back({{label, std::move(value), ""}, 0});
  };
  const auto bits = [&](const char* label, std::size_t byte, int shift, int mask) {
    add(label, byte, StrFormat("%d", (ByteAt(reply, byte) >> shift) & mask));
  };
  const auto number = [&](const char* label, std::size_t byte) { bits(label, byte, 0, 0xFF); };
  const auto values = [&](const char* label, std::size_t first) {
    add(label, first + 2, StrFormat("%06xh", ReadBe24(reply, first)));
  };
  if (length >= 8) {
    bits("Indicative Target Writing Power", 4, 4, 7);
    bits("(DDCD)", 4, 3, 1);
    bits("Reference Speed", 4, 0, 7);
    bits("URU", 5, 6, 1);
    bits("Disc Type", 6, 6, 1);
    bits("Disc Sub-Type", 6, 3, 7);
    bits("A1 Valid", 6, 2, 1);
    bits("A2 Valid", 6, 1, 1);
    bits("A3 Valid", 6, 0, 1);
  }
  if (length >= 16) {
    number("ATIP Start Time of Lead-in (Min)", 8);
    number("ATIP Start Time of Lead-in (Sec)", 9);
    number("ATIP Start Time of Lead-in (Frame)", 10);
    number("ATIP Start Time of Lead-out (Min)", 12);
    number("ATIP Start Time of Lead-out (Sec)", 13);
    number("ATIP Start Time of Lead-out (Frame)", 14);
  }
  if (length >= 20) values("A1 Values", 16);
  if (length >= 24) values("A2 Values", 20);
  if (length >= 28) values("A3 Values", 24);
  if (length >= 32) values("S4 Values", 28);
}

// The text of a CD-TEXT pack as UTF-8: zero bytes as blanks, printable ASCII as itself,
// A0h-FFh as their ISO 8859-1 characters (the default character code of CD-TEXT), any other
// byte as ".".
std::string PackText(std::span<const std::uint8_t> text) {
  std::string out;
  for (std::uint8_t b : text) {
    if (b == 0) {
      out.push_back(' ');
    } else if (b >= 0x20 && b < 0x7F) {
      out.push_back(static_cast<char>(b));
    } else if (b >= 0xA0) {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    } else {
      out.push_back('.');
    }
  }
  return out;
}

// The text of a double-byte pack (DBCC) or of a block whose character code is MS-JIS: CP932,
// zero bytes as blanks, control characters as ".".
std::string JapanesePackText(std::span<const std::uint8_t> text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == 0) {
      out.push_back(' ');
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < text.size() && text[j] != 0) ++j;
    const std::string run =
        Cp932BytesToUtf8(std::string_view(reinterpret_cast<const char*>(text.data() + i), j - i));
    for (char c : run) out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '.' : c);
    i = j;
  }
  return out;
}

constexpr std::uint8_t kSizeInformationPack = 0x8F;
constexpr std::uint8_t kMsJisCharacterCode = 0x80;

std::string PackKindComment(int id1, int id2) {
  switch (id1) {
    case 0x80:
      return id2 != 0 ? StrFormat("Track%d Titles", id2) : "Title of Album name";
    case 0x81:
      return "Name(s) of the performer(s)";
    case 0x82:
      return "Name(s) of the songwriter(s)";
    case 0x83:
      return "Name(s) of the composer(s)";
    case 0x84:
      return "Name(s) of the arranger(s)";
    case 0x85:
      return "Message(s) from content provider and/or artist";
    case 0x86:
      return "Disc Identification information";
    case 0x87:
      return "Genre Identification and Genre information";
    case 0x88:
      return "Table of Content information";
    case 0x89:
      return "Second Table of Content information";
    case 0x8D:
      return "Reserved for content provider only";
    case 0x8E:
      return "UPC/EAN code of the album and ISRC code of each track";
    case 0x8F:
      return "Size information of the Block";
    default:
      return "";
  }
}

bool PackCrcOk(std::span<const std::uint8_t> pack) {
  return SubChannelCrc(pack.first(16)) == ReadBe16(pack, 16);
}

// The texts the string packs carry, by their pack type.
constexpr struct {
  std::uint8_t type;
  const char* name;
} kTextKinds[] = {{0x80, "Title"},    {0x81, "Performer"},    {0x82, "Songwriter"},
                  {0x83, "Composer"}, {0x84, "Arranger"},     {0x85, "Message"},
                  {0x86, "Disc ID"},  {0x8E, "UPC/EAN, ISRC"}};

std::string LanguageName(int code) {
  switch (code) {
    case 0x00:
      return "Unknown";
    case 0x08:
      return "German";
    case 0x09:
      return "English";
    case 0x0A:
      return "Spanish";
    case 0x0F:
      return "French";
    case 0x15:
      return "Italian";
    case 0x1D:
      return "Dutch";
    case 0x65:
      return "Korean";
    case 0x69:
      return "Japanese";
    case 0x75:
      return "Chinese";
    default:
      return "Undefine";
  }
}

std::string CharacterCodeName(int code) {
  switch (code) {
    case 0x00:
      return "ISO 8859-1";
    case 0x01:
      return "ISO 646";
    case kMsJisCharacterCode:
      return "MS-JIS";
    case 0x81:
      return "Korean";
    case 0x82:
      return "Mandarin";
    default:
      return "Undefine";
  }
}

// The strings of the packs of one block and type in the order of the packs: each string ends
// in a zero (two in double-byte packs), the first belongs to the first pack's track and each
// next one to the next track; a string of one tab repeats the string before it. Empty
// strings are left out.
std::vector<std::pair<int, std::string>> AssembleStrings(
    const std::vector<std::span<const std::uint8_t>>& packs, bool japanese) {
  std::vector<std::pair<int, std::string>> out;
  std::string current, previous;
  int track = -1;
  for (const auto& d : packs) {
    if (track < 0) track = d[1] & 0x7F;
    const bool dbcc = (d[3] & 0x80) != 0;
    const std::size_t step = dbcc ? 2 : 1;
    for (std::size_t i = 4; i + step <= 16; i += step) {
      const bool end = d[i] == 0 && (!dbcc || d[i + 1] == 0);
      if (!end) {
        current.push_back(static_cast<char>(d[i]));
        if (dbcc) current.push_back(static_cast<char>(d[i + 1]));
        continue;
      }
      if (current == "\t" || current == "\t\t") current = previous;
      if (!current.empty()) {
        const auto bytes =
            std::span(reinterpret_cast<const std::uint8_t*>(current.data()), current.size());
        out.emplace_back(track, japanese || dbcc ? JapanesePackText(bytes) : PackText(bytes));
      }
      previous = current;
      current.clear();
      ++track;
    }
  }
  return out;
}

// The texts of a CD-TEXT reply put together, per block (language and character code from
// the size information) and track, and the count of packs whose CRC is wrong.
std::string CdTextSummary(std::span<const std::uint8_t> reply) {
  const std::size_t count = DescriptorCount(DataEnd(reply), 18);
  std::array<std::vector<std::span<const std::uint8_t>>, 8> blocks;
  std::array<std::uint8_t, 8> character_code{};
  std::array<std::uint8_t, 8> language{};
  bool have_languages = false;
  std::size_t bad_crc = 0;
  for (std::size_t p = 0; p < count; ++p) {
    const auto d = reply.subspan(kDescriptorsStart + 18 * p, 18);
    const std::size_t block = (d[3] >> 4) & 7;
    if (!PackCrcOk(d)) ++bad_crc;
    blocks[block].push_back(d);
    if (d[0] != kSizeInformationPack) continue;
    if (d[1] == 0) character_code[block] = d[4];
    if (d[1] == 2 && !have_languages) {
      std::copy_n(d.begin() + 8, 8, language.begin());
      have_languages = true;
    }
  }
  std::string out;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    if (blocks[b].empty()) continue;
    StrAppendFormat(&out, "CD-TEXT Block %zu: Language %02xh(%s) Character Code %02xh(%s)\r\n", b,
                    language[b], LanguageName(language[b]).c_str(), character_code[b],
                    CharacterCodeName(character_code[b]).c_str());
    for (const auto& kind : kTextKinds) {
      std::vector<std::span<const std::uint8_t>> packs;
      for (const auto& d : blocks[b]) {
        if (d[0] == kind.type) packs.push_back(d);
      }
      const bool japanese = character_code[b] == kMsJisCharacterCode;
      for (const auto& [track, text] : AssembleStrings(packs, japanese)) {
        const std::string where = track == 0 ? "Album" : StrFormat("Track%d", track);
        StrAppendFormat(&out, "  %-8s %s: %s\r\n", where.c_str(), kind.name, text.c_str());
      }
    }
  }
  if (bad_crc > 0) StrAppendFormat(&out, "CRC Error in %zu of %zu packs\r\n", bad_crc, count);
  return out;
}

// Format 5: 18-byte packs.
void CdTextRows(std::span<const std::uint8_t> reply, std::vector<DecodedRow>& rows) {
  const std::size_t count = DescriptorCount(DataEnd(reply), 18);
  // Each block's character code, from the first pack of its size information.
  std::array<std::uint8_t, 8> character_code{};
  for (std::size_t p = 0; p < count; ++p) {
    const auto d = reply.subspan(kDescriptorsStart + 18 * p, 18);
    if (d[0] == kSizeInformationPack && d[1] == 0) character_code[(d[3] >> 4) & 7] = d[4];
  }
  for (std::size_t p = 0; p < count; ++p) {
    const auto d = reply.subspan(kDescriptorsStart + 18 * p, 18);
    const auto text = d.subspan(4, 12);
    std::string shown;
    if (d[0] <= 0x8E) {
      const bool japanese =
          (d[3] & 0x80) != 0 || character_code[(d[3] >> 4) & 7] == kMsJisCharacterCode;
      shown = japanese ? JapanesePackText(text) : PackText(text);
    } else {
      for (std::uint8_t b : text) StrAppendFormat(&shown, "%02x ", b);
    }
    const int id4 = d[3];
    std::string crc = StrFormat("%04xh", ReadBe16(d, 16));
    if (!PackCrcOk(d)) crc += " CRC Error";
    rows.push_back(
        {{Hex2(d[0]), Hex2(d[1]), Hex2(d[2]), Hex2(d[3]), shown, crc, PackKindComment(d[0], d[1]),
          StrFormat("DBCC %s,Block Number %s,Character Position %d",
                    FormatBits(static_cast<std::uint32_t>(id4 >> 7), 1).c_str(),
                    FormatBits(static_cast<std::uint32_t>(id4 >> 4), 3).c_str(), id4 & 0xF)},
         0});
  }
}

void SetAllocationLength(FormData& current, const FormData& /*source*/) {
  WriteBe16(current.cdb, 7, kAllocationLength);
}

constexpr Choice kFormats[] = {
    {"0000b TOC", 0}, {"0001b Session Info", 1}, {"0010b Full TOC", 2},
    {"0011b PMA", 3}, {"0100b ATIP", 4},         {"0101b CD-TEXT", 5},
};

constexpr FieldDescriptor kFormFields[] = {
    CheckField("TIME(On:MSF,Off:Logical Block Addresses)", Bit(1, 1)),
    ChoiceField("Format", Bits(2, 0, 4), kFormats),
    NumberField("Track/Session Number", BigEndian(6, 1), NumberSize::kOne),
};

}  // namespace

std::string TrackComment(int track) {
  if (track >= 1 && track <= 99) return StrFormat("%d Trcak", track);
  if (track == 0xAA) return "Lead Out";
  return "";
}

std::vector<ListColumn> ReadTocColumns(int format) {
  switch (format) {
    case 0:
      return {{"ADR"}, {"Control"}, {"Track No."}, {"Track Start Address"}, {"Comment"}};
    case 1:
      return {{"ADR"},
              {"Control"},
              {"First Track No. in Last Complete Session"},
              {"Start Address of First Track in Last Session"},
              {"Comment"}};
    case 2:
      return {{"Session No."},
              {"ADR"},
              {"Control"},
              {"TNO"},
              {"POINT"},
              {"Min Sec Frame Zero(h)"},
              {"PMin PSec PFrame(h)"},
              {"Comment"}};
    case 3:
      return {{"ADR"},
              {"Control"},
              {"TNO"},
              {"POINT"},
              {"Min Sec Frame Zero(h)"},
              {"PMin PSec PFrame(h)"},
              {"Comment"}};
    case 4:
      return {{"ATIP Descriptor"}, {"Value"}, {"Comment"}};
    case 5:
      return {{"ID1"},       {"ID2"}, {"ID3"},      {"ID4"},
              {"Text Data"}, {"CRC"}, {"Comment1"}, {"Comment2"}};
    default:
      return {};
  }
}

DecodeOutput DecodeReadToc(std::span<const std::uint8_t> reply, std::uint32_t recorded_length,
                           int format, bool msf, int group_size) {
  DecodeOutput out;
  // The header's length, cut to a recorded length: a padded tail is not the drive's data.
  std::size_t dump_length = std::size_t{ReadBe16(reply, 0)} + 2;
  if (recorded_length != 0) dump_length = std::min<std::size_t>(dump_length, recorded_length);
  out.text = HeaderLine(format, reply);
  out.text += kDumpBanner;
  DumpHex(reply.first(std::min(dump_length, reply.size())), &out.text, false, group_size);
  if (format == 5) out.text += CdTextSummary(reply);
  out.columns = ReadTocColumns(format);
  switch (format) {
    case 0:
    case 1:
      TrackRows(reply, msf, out.rows);
      break;
    case 2:
      FullTocRows(reply, true, out.rows);
      break;
    case 3:
      FullTocRows(reply, false, out.rows);
      break;
    case 4:
      AtipRows(reply, out.rows);
      break;
    case 5:
      CdTextRows(reply, out.rows);
      break;
    default:
      break;
  }
  return out;
}

DecodeOutput DecodeReadTocReply(const DecodeInput& input) {
  // The header gives the length, within the allocation length; the transferred count bounds
  // it only as the received length (a path may report the whole buffer, or nothing).
  const std::size_t allocation = ReadBe16(input.cdb, 7);
  const std::size_t returned = std::min(allocation, input.data.size());
  return DecodeReadToc(input.data.first(returned), input.received_length, input.cdb[2] & 0x0F,
                       (input.cdb[1] & 0x02) != 0, input.group_size);
}

const FormLayout kReadTocForm{kFormFields, false, false, &SetAllocationLength};
const CommandBehaviour kReadTocBehaviour{&kReadTocForm, &DecodeReadTocReply, ResultView::kTocList,
                                         false};

}  // namespace tamarack
