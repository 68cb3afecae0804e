#include "decode/inquiry.h"

#include <algorithm>

#include "decode/reply_length.h"
#include "util/bytes.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

// A field of `length` bytes at `offset` copied into a zero-filled buffer: it shows up to its
// first zero byte and never more than its length.
std::string TextField(std::span<const std::uint8_t> data, std::size_t offset, std::size_t length) {
  std::vector<std::uint8_t> field(length, 0);
  for (std::size_t i = 0; i < length; ++i) field[i] = ByteAt(data, offset + i);
  return FixedText(field);
}

DecodedRow Flag(const char* key, std::uint32_t byte, int bit, const char* comment) {
  return {{key, FormatBits(byte >> bit, 1), comment}, kIconFlag};
}

// Byte 0 of standard data and of every VPD page: the peripheral qualifier and device type.
std::vector<DecodedRow> PeripheralRows(std::uint32_t b0) {
  return {{{TR_NOOP("Peripheral qualifer"), FormatBits(b0 >> 5, 3), ""}, kIconNumber},
          {{"Peripheral device type", StrFormat("%02xh", b0 & 0x1F),
            LookupDescription(kPeripheralDeviceTypeTable, b0 & 0x1F)},
           kIconNumber}};
}

const char* ClockingText(std::uint32_t value) {
  switch (value) {
    case 0:
      return "Indicates the device server supports only ST";
    case 1:
      return "Indicates the device server supports only DT";
    case 2:
      return "Reserved";
    default:
      return "Indicates the device server supports ST and DT";
  }
}

void SetAllocationLength255(FormData& current, const FormData& /*source*/) {
  current.cdb[4] = 0xFF;
}

const FormLayout kInquiryForm{{}, true, false, &SetAllocationLength255};

}  // namespace

std::vector<ListColumn> InquiryListColumns() {
  return {{"Key", 200}, {"Value", 160}, {"Comment", 320}};
}

std::vector<DecodedRow> DecodeInquiry(std::span<const std::uint8_t> d) {
  const std::uint32_t b0 = ByteAt(d, 0);
  const std::uint32_t b1 = ByteAt(d, 1);
  const std::uint32_t b3 = ByteAt(d, 3);
  const std::uint32_t b5 = ByteAt(d, 5);
  const std::uint32_t b6 = ByteAt(d, 6);
  const std::uint32_t b7 = ByteAt(d, 7);
  const std::uint32_t b56 = ByteAt(d, 56);
  std::vector<DecodedRow> rows = PeripheralRows(b0);
  rows.push_back(Flag("RMB", b1, 7, "Removable medium ?"));
  rows.push_back({{"Version", StrFormat("%02xh", ByteAt(d, 2)),
                   LookupDescription(kInquiryVersionTable, ByteAt(d, 2))},
                  kIconNumber});
  rows.push_back(Flag("AERC", b3, 7, TR_NOOP("Asyncronous event capability ?")));
  rows.push_back(Flag("NORMACA", b3, 5, "Normal ACA supported ?"));
  rows.push_back(Flag("HISUP", b3, 4, "Hierarchical supported ?"));
  rows.push_back({{"Response Data Format", StrFormat("%02xh", b3 & 0x0F), ""}, kIconNumber});
  rows.push_back({{"Additional Length", StrFormat("%02xh", ByteAt(d, 4)), ""}, kIconNumber});
  rows.push_back(Flag("SCCS", b5, 7, "SCC supported ?"));
  rows.push_back(Flag("BQUE", b6, 7, TR_NOOP("Basic quieng supported ?")));
  rows.push_back(Flag("EncServ", b6, 6, "Enclosure Service supported ?"));
  rows.push_back(Flag("MultiP", b6, 4, "Multi Port device ?"));
  rows.push_back(Flag("MChanger", b6, 3, "Medium Changer ?"));
  rows.push_back(Flag("RelAdr", b7, 7, "Relative Addressing Supported ?"));
  rows.push_back(Flag("LINKED", b7, 3, "Linked Commands supported ?"));
  rows.push_back(Flag("CmdQue", b7, 1, TR_NOOP("Command quieng supported ?")));
  rows.push_back({{TR_NOOP("Vender Identification"), TextField(d, 8, 8), ""}, kIconText});
  rows.push_back({{"Product Identification", TextField(d, 16, 16), ""}, kIconText});
  rows.push_back({{"Product Revision Level", TextField(d, 32, 4), ""}, kIconText});
  rows.push_back({{"Vendor Specific", TextField(d, 36, 20), ""}, kIconText});
  const std::uint32_t clocking = (b56 >> 2) & 3;
  rows.push_back({{"Clocking", FormatBits(clocking, 2), ClockingText(clocking)}, kIconFlag});
  rows.push_back(Flag("QAS", b56, 1, "Quick arbitratiom supported ?"));
  rows.push_back(Flag("ILS", b56, 0, "Information Unit supported ?"));
  return rows;
}

std::string InquiryIdentity::ModelName() const { return FixedText(bytes); }

InquiryIdentity SaveInquiryIdentity(std::span<const std::uint8_t> data) {
  InquiryIdentity id;
  for (std::size_t i = 0; i < 24; ++i) id.bytes[i] = ByteAt(data, 8 + i);
  return id;
}

namespace {

const char* VpdPageName(std::uint32_t page) {
  switch (page) {
    case 0x00:
      return "Supported VPD Pages";
    case 0x80:
      return "Unit Serial Number";
    case 0x83:
      return "Device Identification";
    default:
      return "";
  }
}

const char* DesignatorTypeName(std::uint32_t type) {
  constexpr const char* kNames[] = {"Vendor specific",
                                    "T10 vendor ID",
                                    "EUI-64",
                                    "NAA",
                                    "Relative target port",
                                    "Target port group",
                                    "Logical unit group",
                                    "MD5 logical unit",
                                    "SCSI name string",
                                    "Protocol specific port"};
  return type < std::size(kNames) ? kNames[type] : "Reserved";
}

const char* AssociationName(std::uint32_t association) {
  constexpr const char* kNames[] = {"logical unit", "target port", "target device", "reserved"};
  return kNames[association & 3];
}

// "00 20 ff": the bytes of a cell, without a trailing blank.
std::string HexCell(std::span<const std::uint8_t> bytes) {
  std::string t = HexBytes(bytes);
  if (!t.empty()) t.pop_back();
  return t;
}

// Text where every byte is printable ASCII, else the bytes in hexadecimal.
std::string DesignatorValue(std::span<const std::uint8_t> value, bool text) {
  if (text) {
    std::string t;
    for (std::uint8_t b : value) {
      if (b < 0x20 || b > 0x7E) return HexCell(value);
      t += static_cast<char>(b);
    }
    return t;
  }
  return HexCell(value);
}

// The designators of page 83h, each with its type, code set and association; one cut short by
// the page's end is said to be.
void AddDesignators(std::span<const std::uint8_t> body, std::vector<DecodedRow>* rows) {
  int number = 0;
  for (std::size_t at = 0; at < body.size();) {
    ++number;
    if (at + 4 > body.size() || at + 4 + body[at + 3] > body.size()) {
      rows->push_back({{StrFormat("Designator %d", number), "cut short",
                        StrFormat("%zu bytes left in the page", body.size() - at)},
                       kIconNumber});
      return;
    }
    const std::uint32_t code_set = body[at] & 0x0F, type = body[at + 1] & 0x0F;
    const std::uint32_t association = (body[at + 1] >> 4) & 3;
    const auto value = body.subspan(at + 4, body[at + 3]);
    // Code sets 2 (ASCII) and 3 (UTF-8) are text, 1 binary.
    rows->push_back({{StrFormat("Designator %d", number), DesignatorValue(value, code_set >= 2),
                      StrFormat("%s, code set %u, %s", DesignatorTypeName(type), code_set,
                                AssociationName(association))},
                     code_set >= 2 ? kIconText : kIconNumber});
    at += 4u + body[at + 3];
  }
}

}  // namespace

std::vector<DecodedRow> DecodeVpdPage(std::span<const std::uint8_t> d) {
  const std::uint32_t b0 = ByteAt(d, 0), page = ByteAt(d, 1);
  const std::size_t length = ReadBe16(d, 2);
  const auto body = d.subspan(std::min<std::size_t>(4, d.size()),
                              std::min<std::size_t>(length, d.size() > 4 ? d.size() - 4 : 0));
  std::vector<DecodedRow> rows = PeripheralRows(b0);
  rows.push_back({{"Page Code", StrFormat("%02xh", page), VpdPageName(page)}, kIconNumber});
  rows.push_back({{"Page Length", StrFormat("%zu(%04zxh)", length, length),
                   body.size() < length ? StrFormat("%zu bytes returned", body.size()) : ""},
                  kIconNumber});
  switch (page) {
    case 0x00:
      for (std::uint8_t p : body) {
        rows.push_back({{"Supported Page", StrFormat("%02xh", p), VpdPageName(p)}, kIconNumber});
      }
      break;
    case 0x80:
      rows.push_back({{"Product Serial Number", TextField(body, 0, body.size()), ""}, kIconText});
      break;
    case 0x83:
      AddDesignators(body, &rows);
      break;
    default:
      // A page this decoder does not know: its bytes, sixteen to a row.
      for (std::size_t at = 0; at < body.size(); at += 16) {
        const auto part = body.subspan(at, std::min<std::size_t>(16, body.size() - at));
        rows.push_back(
            {{StrFormat("Bytes %zu-%zu", at + 4, at + 3 + part.size()), HexCell(part), ""},
             kIconNumber});
      }
      break;
  }
  return rows;
}

DecodeOutput DecodeInquiryReply(const DecodeInput& input) {
  DecodeOutput out;
  out.columns = InquiryListColumns();
  if (input.cdb[1] & 0x01) {
    // EVPD: a vital product data page, 4 header bytes and its page length.
    out.rows = DecodeVpdPage(input.data.first(ReplyLength(input, ReadBe16(input.data, 2) + 4u)));
    return out;
  }
  // Bytes past the reply (the buffer's 0x5A fill) read as zero, not as data.
  const std::size_t additional = ByteAt(input.data, 4);
  out.rows = DecodeInquiry(input.data.first(ReplyLength(input, additional + 5)));
  return out;
}

const CommandBehaviour kInquiryBehaviour{&kInquiryForm, &DecodeInquiryReply,
                                         ResultView::kInquiryList, false};

}  // namespace tamarack
