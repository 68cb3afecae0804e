#include "decode/status_commands.h"

#include <algorithm>
#include <vector>

#include "decode/reply_length.h"
#include "decode/text_conventions.h"
#include "form/hex_dump.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr std::uint32_t kReceiveBufferLength = 40960;

struct ValueText {
  std::uint32_t value;
  const char* text;
};

// The text of `value` in a list; empty for a value outside it.
std::string TextOf(std::span<const ValueText> list, std::uint32_t value) {
  for (const ValueText& v : list) {
    if (v.value == value) return v.text;
  }
  return "";
}

std::string OnOff(std::uint32_t byte, int bit) { return FormatBits(byte >> bit, 1); }

// One line: the label, the value's text from the list (nothing outside it), a line end.
void AppendListed(std::string& t, const char* label, std::span<const ValueText> list,
                  std::uint32_t value) {
  t += label;
  t += TextOf(list, value);
  t += "\r\n";
}

// --- Get Event/Status Notification ---

constexpr ValueText kEventClasses[] = {
    {1, "Operational Change Request/Notification"},
    {2, "Power Management"},
    {3, "External Request"},
    {4, "Media"},
    {5, "Multi-Initiator"},
    {6, "Device Busy"},
};
constexpr ValueText kOperationalEvents[] = {{0, "NoChg"},
                                            {1, "Operational Change Request"},
                                            {2, "Logical Unit has changed Operational state"}};
constexpr ValueText kOperationalStatus[] = {
    {0, "Available"}, {1, "Temporarily busy"}, {2, "Busy/Reserved"}};
constexpr ValueText kOperationalReports[] = {
    {0, "NoChg"}, {1, "Change"},           {2, "Add Change"},
    {3, "Reset"}, {4, "Firmware Changed"}, {5, "Inquiry change"}};
constexpr ValueText kPowerEvents[] = {{0, "NoChg"}, {1, "PwrChg-Successful"}, {2, "PwrChg-Fail"}};
constexpr ValueText kPowerStatus[] = {{1, "The Logical Unit is in Active state"},
                                      {2, "The Logical Unit is in Idle state"},
                                      {3, "The Logical Unit is in Standby state"},
                                      {4, "The Logical Unit is about to enter Sleep state"}};
constexpr ValueText kExternalEvents[] = {{0, "NoChg"},
                                         {1, "Logical Unit Key Down"},
                                         {2, "Logical Unit Key Up"},
                                         {3, "External Request Notification"}};
constexpr ValueText kMediaEvents[] = {
    {0, "NoChg"},        {1, "EjectRequest"},      {2, "NewMedia"},         {3, "MediaRemoval"},
    {4, "MediaChanged"}, {5, "BGformatCompleted"}, {6, "BGformatRestarted"}};
constexpr ValueText kInitiatorEvents[] = {
    {0, "NoChg"}, {1, "Control Request"}, {2, "Control Grant"}, {3, "Control Release"}};
constexpr ValueText kInitiatorPriorities[] = {
    {0, "No Request"}, {1, "Low"}, {2, "Medium"}, {3, "High"}};
constexpr ValueText kBusyEvents[] = {{0, "NoChg"}, {1, "Busy Event"}};
constexpr ValueText kBusyStatus[] = {
    {0, "No Event"}, {1, "Power"}, {2, "Immediate"}, {3, "Deferred"}};

// "Ready" for 0, "Other Prevent" for any other status.
const char* ReadyOrPrevent(std::uint32_t status) { return status == 0 ? "Ready" : "Other Prevent"; }

std::string ExternalRequestText(std::uint32_t request) {
  static constexpr ValueText kRequests[] = {
      {0x0000, "No Request"},   {0x0001, "Overrun"}, {0x0101, "Play"},     {0x0102, "Rewind/back"},
      {0x0103, "Fast Forward"}, {0x0104, "Pause"},   {0x0105, "Reserved"}, {0x0106, "Stop"}};
  if (request >= 0x0200 && request <= 0x02FF) return "ASCII Button";
  if (request >= 0xF000 && request <= 0xFFFF) return "Vendor Unique";
  return TextOf(kRequests, request);
}

void AppendEventData(std::string& t, std::span<const std::uint8_t> d, std::uint32_t event_class) {
  const std::uint32_t b4 = ByteAt(d, 4);
  const std::uint32_t b5 = ByteAt(d, 5);
  const std::uint32_t b67 = ReadBe16(d, 6);
  switch (event_class) {
    case 1:
      AppendListed(t, "Operational Event: ", kOperationalEvents, b4 & 0x0F);
      StrAppendFormat(&t, "Persistent Prevented: %s\r\n", OnOff(b5, 7).c_str());
      AppendListed(t, "Operational Status: ", kOperationalStatus, b5 & 0x0F);
      AppendListed(t, "Operational Request/Report: ", kOperationalReports, b67);
      break;
    case 2:
      AppendListed(t, "Power Event: ", kPowerEvents, b4 & 0x0F);
      AppendListed(t, "Power Status: ", kPowerStatus, b5);
      break;
    case 3:
      AppendListed(t, "External Request Event: ", kExternalEvents, b4 & 0x0F);
      StrAppendFormat(&t, "Persistent Prevented: %s\r\n", OnOff(b5, 7).c_str());
      t += "External Request Status: ";
      t += ReadyOrPrevent(b5 & 0x0F);
      t += "\r\n";
      t += ExternalRequestText(b67);
      t += "\r\n";
      break;
    case 4:
      AppendListed(t, "Media Event: ", kMediaEvents, b4 & 0x0F);
      StrAppendFormat(&t, "Media Present: %s\r\n", OnOff(b5, 1).c_str());
      StrAppendFormat(&t, "Door or Tray open: %s\r\n", OnOff(b5, 0).c_str());
      StrAppendFormat(&t, "Start Slot: %d(%02xh)\r\n", ByteAt(d, 6), ByteAt(d, 6));
      StrAppendFormat(&t, "End Slot: %d(%02xh)\r\n", ByteAt(d, 7), ByteAt(d, 7));
      break;
    case 5:
      AppendListed(t, "Multiple Initiator Event: ", kInitiatorEvents, b4 & 0x0F);
      StrAppendFormat(&t, "Persistent Prevented: %s\r\n", OnOff(b5, 7).c_str());
      t += "Multiple Initiator Status: ";
      t += ReadyOrPrevent(b5 & 0x0F);
      t += "\r\n";
      AppendListed(t, "", kInitiatorPriorities, b67);
      break;
    case 6:
      AppendListed(t, "Device Busy Event: ", kBusyEvents, b4 & 0x0F);
      AppendListed(t, "Device Busy Status: ", kBusyStatus, b5);
      StrAppendFormat(&t, "Time(100ms): %d(%02xh)\r\n", b67, b67);
      break;
    default:
      break;
  }
}

// --- Mechanism Status ---

constexpr ValueText kChangerStates[] = {
    {0, "Ready"}, {1, "Load in Progress"}, {2, "Unload in Progress"}, {3, "Initializing"}};
constexpr ValueText kMechanismStates[] = {
    {0, "Idle"},
    {1, "Playing (Audio or Data)"},
    {2, "Scanning"},
    {3, "Active with Initiator, Composite or Other Ports in use"},
    {7, "No State Information Available"}};

// --- Read Sub-Channel ---

constexpr ValueText kAudioStatus[] = {{0x00, "Audio status byte not supported or not valid"},
                                      {0x11, "Audio play operation in progress"},
                                      {0x12, "Audio play operation paused"},
                                      {0x13, "Audio play operation successfully completed"},
                                      {0x14, "Audio play operation stopped due to error"},
                                      {0x15, "No current audio status to return"}};
constexpr ValueText kAdrTexts[] = {{0, "Q Sub-channel mode information not supplied"},
                                   {1, "Q Sub-channel encodes current position data"},
                                   {2, "Q Sub-channel encodes media catalog number"},
                                   {3, "Q Sub-channel encodes ISRC"}};
constexpr ValueText kControlTexts[] = {
    {0, "2 audio channels without pre-emphasis"},
    {1, "2 audio channels with pre-emphasis of 50/15 μs"},
    {8, "audio channels without pre-emphasis (reserved in CD-R/RW)"},
    {9, "audio channels with pre-emphasis of 50/15 μs (reserved in CD-R/RW)"},
    {4, "Data track, recorded uninterrupted"},
    {5, "Data track, recorded incremental"}};

void AppendAdrAndControl(std::string& t, std::uint32_t b5) {
  AppendListed(t, "ADR    : ", kAdrTexts, b5 >> 4);
  t += "CONTROL: ";
  t += TextOf(kControlTexts, b5 & 0x0D);  // bits 3, 2 and 0; bit 1 is the copy bit
  t += (b5 & 0x02) ? "  digital copy permitted" : "  digital copy prohibited";
  t += "\r\n";
}

// A text of `length` characters at `offset` in quotation marks, cut at a zero byte.
void AppendQuoted(std::string& t, const char* label, std::span<const std::uint8_t> d,
                  std::size_t offset, std::size_t length) {
  std::vector<std::uint8_t> field(length, 0);
  for (std::size_t i = 0; i < length; ++i) field[i] = ByteAt(d, offset + i);
  t += label;
  t += '"';
  t += FixedText(field);
  t += "\"\r\n";
}

void AppendAddress(std::string& t, const char* label, std::span<const std::uint8_t> d,
                   std::size_t offset) {
  t += label;
  for (std::size_t i = 0; i < 4; ++i) StrAppendFormat(&t, "%02x ", ByteAt(d, offset + i));
  t += "\r\n";
}

DecodeOutput TextWithDump(const std::string& text, std::span<const std::uint8_t> dumped,
                          int group) {
  DecodeOutput out;
  out.text = ShowHexDumpText(text, dumped, group);
  out.text_has_dump = true;
  return out;
}

// Decoders' forms: the allocation length that "is the buffer".
template <std::size_t kOffset>
void SetAllocationToBuffer(FormData& current, const FormData& /*source*/) {
  WriteBe16(current.cdb, kOffset, kReceiveBufferLength);
}

const FieldDescriptor kEventFields[] = {
    CheckField("IMMED", Bit(1, 0)),
    NumberField("Allocation Length", BigEndian(7, 2), NumberSize::kTwo),
    LabelField("Notification Class Request field"),
    CheckField("02h:Operational Change Request/Notification", Bit(4, 1)),
    CheckField("04h:Power Management", Bit(4, 2)),
    CheckField("08h:External Request", Bit(4, 3)),
    CheckField("10h:Media", Bit(4, 4)),
    CheckField("20h:Multi-Initiator", Bit(4, 5)),
    CheckField("40h:Device Busy", Bit(4, 6)),
};
const FormLayout kEventForm{kEventFields, false, false, nullptr};

const FormLayout kMechanismForm{{}, true, false, &SetAllocationToBuffer<8>};

constexpr Choice kSubChannelFormats[] = {
    {"01h CLV CD current position", 1},
    {"02h Media Catalog number (UPC/bar code)", 2},
    {"03h Track International standard recording code (ISRC)", 3},
};
const FieldDescriptor kSubChannelFields[] = {
    CheckField("TIME", Bit(1, 1)),
    CheckField("SUBQ", Bit(2, 6)),
    ChoiceField("Sub-channel parameter list codes", BigEndian(3, 1), kSubChannelFormats),
    NumberField("Track Number (Hex)", BigEndian(6, 1), NumberSize::kOne),
};
const FormLayout kSubChannelForm{kSubChannelFields, false, false, &SetAllocationToBuffer<7>};

}  // namespace

std::string EventStatusText(std::span<const std::uint8_t> d) {
  const std::uint32_t data_length = ReadBe16(d, 0);
  const std::uint32_t b2 = ByteAt(d, 2);
  const std::uint32_t event_class = b2 & 0x07;
  std::string t = EventHeaderBanner(data_length);
  StrAppendFormat(&t, "NEA %s\r\n", OnOff(b2, 7).c_str());
  AppendListed(t, "Notification Class Request field: ", kEventClasses, event_class);
  StrAppendFormat(&t, "Supported Event Classes: %02xh\r\n", ByteAt(d, 3));
  t += "\r\n----------------Event Data----------------\r\n";
  if (data_length < 3) {
    t += "\r\nNo Event\r\n";
  } else {
    AppendEventData(t, d, event_class);
  }
  t += "\r\n";
  t += kDataBanner;
  return t;
}

std::string MechanismStatusText(std::span<const std::uint8_t> d) {
  const std::uint32_t b0 = ByteAt(d, 0);
  const std::uint32_t b1 = ByteAt(d, 1);
  const std::uint32_t lba = ReadBe24(d, 2);
  const std::uint32_t slots = ByteAt(d, 5);
  const std::uint32_t table_length = ReadBe16(d, 6);
  std::string t = kMechanismStatusBanner;
  StrAppendFormat(&t, "Fault: %s\r\n", OnOff(b0, 7).c_str());
  AppendListed(t, "Changer State: ", kChangerStates, (b0 >> 5) & 3);
  StrAppendFormat(&t, "Current Slot(Low order 5 bits): %d(%02xh)\r\n", b0 & 0x1F, b0 & 0x1F);
  AppendListed(t, "Mechanism State: ", kMechanismStates, b1 >> 5);
  StrAppendFormat(&t, "Door open: %s\r\n", OnOff(b1, 4).c_str());
  StrAppendFormat(&t, "Current Slot(High order 3 bits): %d(%02xh)\r\n", b1 & 7, b1 & 7);
  StrAppendFormat(&t, "Current LBA: %d(%08xh)\r\n", lba, lba);
  StrAppendFormat(&t, "Number of Slots Available: %d(%02xh)\r\n", slots, slots);
  StrAppendFormat(&t, "Length of Slot Table(s): %d(%04xh)\r\n", table_length, table_length);
  if (table_length != 0) {
    t += kSlotTableBanner;
    // The walk follows the table length, but only over entries the reply really holds.
    const std::size_t held = d.size() > 8 ? (d.size() - 8) / 4 : 0;
    const std::size_t entries = std::min<std::size_t>(table_length / 4, held);
    for (std::size_t i = 0; i < entries; ++i) {
      const std::uint32_t e0 = d[8 + 4 * i];
      const std::uint32_t e1 = d[8 + 4 * i + 1];
      StrAppendFormat(&t, "Slot: %d\r\n", static_cast<int>(i));
      StrAppendFormat(&t, "  Disc Present: %s\r\n", OnOff(e0, 7).c_str());
      StrAppendFormat(&t, "  Change      : %s\r\n", OnOff(e0, 0).c_str());
      StrAppendFormat(&t, "  CWP_V       : %s\r\n", OnOff(e1, 1).c_str());
      StrAppendFormat(&t, "  CWP         : %s\r\n", OnOff(e1, 0).c_str());
    }
  }
  t += kDumpBanner;
  return t;
}

std::string SubChannelText(std::span<const std::uint8_t> d) {
  const std::uint32_t status = ByteAt(d, 1);
  const std::uint32_t data_length = ReadBe16(d, 2);
  std::string t = kHeaderBanner;
  StrAppendFormat(&t, "%d(%02xh) Audio Status (", status, status);
  t += TextOf(kAudioStatus, status);
  t += ")\r\n";
  StrAppendFormat(&t, "%d(%04xh) Sub-channel Data Length\r\n", data_length, data_length);
  if (data_length != 0) {
    t += kDataBanner;
    const std::uint32_t b5 = ByteAt(d, 5);
    switch (ByteAt(d, 4)) {
      case 0x01:
        t += "Sub-channel Data Format Code (01h)\r\n";
        AppendAdrAndControl(t, b5);
        StrAppendFormat(&t, "Track Number: %d(%02xh)\r\n", ByteAt(d, 6), ByteAt(d, 6));
        StrAppendFormat(&t, "Index Number: %d(%02xh)\r\n", ByteAt(d, 7), ByteAt(d, 7));
        AppendAddress(t, "Absolute CD Address      : ", d, 8);
        AppendAddress(t, "Track Relative CD Address: ", d, 12);
        break;
      case 0x02:
        t += "Sub-channel Data Format Code (02h)\r\n";
        StrAppendFormat(&t, "MCVAL: %s\r\n", OnOff(ByteAt(d, 8), 7).c_str());
        AppendQuoted(t, "Media Catalog Number(MCN): ", d, 9, 13);
        StrAppendFormat(&t, "Zero  : %02xh\r\n", ByteAt(d, 22));
        StrAppendFormat(&t, "AFRAME: %02xh\r\n", ByteAt(d, 23));
        break;
      case 0x03:
        t += "Sub-channel Data Format Code (03h)\r\n";
        AppendAdrAndControl(t, b5);
        StrAppendFormat(&t, "Track Number: %d(%02xh)\r\n", ByteAt(d, 6), ByteAt(d, 6));
        StrAppendFormat(&t, "TCVAL: %s\r\n", OnOff(ByteAt(d, 8), 7).c_str());
        AppendQuoted(t, "Country Code      : ", d, 9, 2);
        AppendQuoted(t, "Owner Code        : ", d, 11, 3);
        AppendQuoted(t, "Year of Recording : ", d, 14, 2);
        AppendQuoted(t, "Serial Number     : ", d, 16, 5);
        StrAppendFormat(&t, "Zero  : %02xh\r\n", ByteAt(d, 21));
        StrAppendFormat(&t, "AFRAME: %02xh\r\n", ByteAt(d, 22));
        break;
      default:
        break;
    }
    t += "\r\n";
  }
  t += kDumpBanner;
  return t;
}

std::string CapacityText(std::span<const std::uint8_t> d) {
  const std::uint32_t lba = ReadBe32(d, 0);
  const std::uint32_t block = ReadBe32(d, 4);
  // "%08d" of a 32-bit field reads it as a signed number, as the number boxes do.
  return StrFormat("%08d(%08xh) Logical Block Address\r\n", static_cast<std::int32_t>(lba), lba) +
         StrFormat("%08d(%08xh) Block Length in Bytes\r\n\r\n", static_cast<std::int32_t>(block),
                   block) +
         kDumpBanner;
}

DecodeOutput DecodeEventStatus(const DecodeInput& input) {
  if (ReadBe16(input.cdb, 7) == 0) {
    DecodeOutput out;
    out.text = kNoDataText;
    return out;
  }
  const auto reply = input.data.first(ReplyLength(input, ReadBe16(input.data, 0) + 2u));
  return TextWithDump(EventStatusText(reply), reply, input.group_size);
}

DecodeOutput DecodeMechanismStatus(const DecodeInput& input) {
  const auto reply = input.data.first(ReplyLength(input, ReadBe16(input.data, 6) + 8u));
  return TextWithDump(MechanismStatusText(reply), reply, input.group_size);
}

DecodeOutput DecodeSubChannel(const DecodeInput& input) {
  const auto reply = input.data.first(ReplyLength(input, ReadBe16(input.data, 2) + 4u));
  return TextWithDump(SubChannelText(reply), reply, input.group_size);
}

DecodeOutput DecodeCapacity(const DecodeInput& input) {
  const auto reply = input.data.first(ReplyLength(input, 8));
  return TextWithDump(CapacityText(reply), reply, input.group_size);
}

const CommandBehaviour kEventStatusBehaviour{&kEventForm, &DecodeEventStatus,
                                             ResultView::kDecodedText, false};
const CommandBehaviour kMechanismStatusBehaviour{&kMechanismForm, &DecodeMechanismStatus,
                                                 ResultView::kDecodedText, false};
const CommandBehaviour kSubChannelBehaviour{&kSubChannelForm, &DecodeSubChannel,
                                            ResultView::kDecodedText, false};

}  // namespace tamarack
