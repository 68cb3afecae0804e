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
  std::vector<DecodedRow> rows;
  rows.push_back({{TR_NOOP("Peripheral qualifer"), FormatBits(b0 >> 5, 3), ""}, kIconNumber});
  rows.push_back({{"Peripheral device type", StrFormat("%02xh", b0 & 0x1F),
                   LookupDescription(kPeripheralDeviceTypeTable, b0 & 0x1F)},
                  kIconNumber});
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

DecodeOutput DecodeInquiryReply(const DecodeInput& input) {
  DecodeOutput out;
  out.columns = InquiryListColumns();
  // Bytes past the reply (the buffer's 0x5A fill) read as zero, not as data.
  const std::size_t additional = ByteAt(input.data, 4);
  out.rows = DecodeInquiry(input.data.first(ReplyLength(input, additional + 5)));
  return out;
}

const CommandBehaviour kInquiryBehaviour{&kInquiryForm, &DecodeInquiryReply,
                                         ResultView::kInquiryList, false};

}  // namespace tamarack
