#include "decode/mode_page_fields.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "decode/mode_page_table.h"
#include "decode/text_conventions.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr FieldBuffer kPage = FieldBuffer::kParameter;

constexpr FieldBuilder PageCheck(const char* label, int byte, int bit) {
  return CheckField(label, Bit(byte, bit, kPage));
}
constexpr FieldBuilder PageNumber(const char* label, int byte, int bytes) {
  const NumberSize size = bytes == 1   ? NumberSize::kOne
                          : bytes == 2 ? NumberSize::kTwo
                                       : NumberSize::kFour;
  return NumberField(label, BigEndian(byte, bytes, kPage), size);
}
// A number over some bits of one byte (a one-byte box).
constexpr FieldBuilder PageBitsNumber(const char* label, int byte, int low_bit, int count) {
  return NumberField(label, Bits(byte, low_bit, count, kPage), NumberSize::kOne);
}

// Four-byte fields are read and written whole: a timer of FFFFFFFFh stays FFFFFFFFh.
template <int kOffset>
constexpr FieldBuilder PageNumber32(const char* label) {
  return PageNumber(label, kOffset, 4);
}

// Text fields: the page bytes up to the first zero, each byte one character (Latin-1), so
// that whatever a drive returned is written back unchanged.
std::string PageText(const FormData& d, std::size_t offset, std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint8_t b = ByteAt(d.parameter, offset + i);
    if (b == 0) break;
    if (b < 0x80) {
      text.push_back(static_cast<char>(b));
    } else {
      text.push_back(static_cast<char>(0xC0 | (b >> 6)));
      text.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return text;
}

// Clears `clear` bytes from `offset`, then stores at most `length` characters of the first
// line of `text`; a character beyond Latin-1 is stored as "?".
void SetPageText(FormData& d, std::string_view text, std::size_t offset, std::size_t length,
                 std::size_t clear) {
  for (std::size_t i = 0; i < clear; ++i) WriteByte(d.parameter, offset + i, 0);
  std::size_t stored = 0;
  for (std::size_t i = 0; i < text.size() && stored < length;) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead == '\r' || lead == '\n') break;  // the box is one line of text
    std::uint32_t value = lead;
    std::size_t len = 1;
    if (lead >= 0xC0 && lead < 0xE0 && i + 1 < text.size()) {
      value = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
      len = 2;
    } else if (lead >= 0xE0) {
      value = '?';
      len = lead >= 0xF0 ? 4 : 3;
    }
    WriteByte(d.parameter, offset + stored, value <= 0xFF ? value : '?');
    ++stored;
    i += len;
  }
}

std::string CatalogNumber(const FormData& d) { return PageText(d, 17, 13); }
void SetCatalogNumber(FormData& d, std::string_view t) { SetPageText(d, t, 17, 13, 14); }
std::string Isrc(const FormData& d) { return PageText(d, 33, 12); }
void SetIsrc(FormData& d, std::string_view t) { SetPageText(d, t, 33, 12, 13); }

// --- page 01h ---

const FieldDescriptor kErrorRecovery[] = {
    PageCheck("AWRE", 2, 7),
    PageCheck("ARRE", 2, 6),
    PageCheck("TB", 2, 5),
    PageCheck("RC", 2, 4),
    PageCheck("PER", 2, 2),
    PageCheck("DTE", 2, 1),
    PageCheck("DCR", 2, 0),
    PageNumber("Read Retry Count", 3, 1),
    PageNumber("Write Retry Count", 8, 1),
    PageNumber("Recovery Time Limit", 10, 2),
};

// --- page 05h ---

constexpr Choice kWriteTypes[] = {
    {"00h Packet/Incremental", 0},
    {"01h Track-at-once", 1},
    {"02h Session-at-once", 2},
    {"03h Raw", 3},
};
constexpr Choice kMultiSession[] = {
    {"00b No B0 pointer. Next Session not allowed", 0},
    {"01b For the CD media", 1},
    {"10b Reserved", 2},
    {"11b Next session allowed. B0 pointer = next possible program area.", 3},
};
const FieldDescriptor kWriteParameters1[] = {
    PageCheck("BUFE", 2, 6),
    PageCheck("LS_V", 2, 5),
    PageCheck("Test Write", 2, 4),
    PageCheck("FP", 3, 5),
    PageCheck("Copy", 3, 4),
    ChoiceField("Write Type Field", Bits(2, 0, 4, kPage), kWriteTypes),
    ChoiceField("Multi-session Field Definition", Bits(3, 6, 2, kPage), kMultiSession),
    PageBitsNumber("Track Mode", 3, 0, 4),
};

constexpr Choice kDataBlockTypes[] = {
    {"0  2352(Raw data)", 0},
    {"1  2368(Raw data with P and Q Sub-channel)", 1},
    {"2  2448(Raw data with P-W Sub-channe)", 2},
    {"3  2448(Raw data with raw P-W Sub-channel )", 3},
    {"7  NA  (Vendor Specific)", 7},
    {"8  2048(Mode 1)", 8},
    {"9  2336(Mode 2)", 9},
    {"10 2048(Mode 2 (CD-ROM XA, form 1))", 10},
    {"11 2056(Mode 2 (CD-ROM XA, form 1))", 11},
    {"12 2324(Mode 2 (CD-ROM XA, form 2))", 12},
    {"13 2332(Mode 2 (CD-ROM XA, form 1, form 2, or mixed form))", 13},
    {"15 NA  (Vendor Specific)", 15},
};
constexpr Choice kSessionFormats[] = {
    {"00h CD-DA, or CD-ROM or other data discs", 0x00},
    {"10h CD-I Disc", 0x10},
    {"20h CD-ROM XA Disc, DDCD Disc", 0x20},
};
const FieldDescriptor kWriteParameters2[] = {
    ChoiceField("Data Block Type", Bits(4, 0, 4, kPage), kDataBlockTypes),
    PageNumber("Link Size", 5, 1),
    PageBitsNumber("Initiator Application Code", 7, 0, 6),
    ChoiceField("Session Format", BigEndian(8, 1, kPage), kSessionFormats),
    PageNumber32<10>("Packet Size"),
    PageNumber("Audio Pause Length", 14, 2),
};

const FieldDescriptor kWriteParameters3[] = {
    PageCheck("MCVAL", 16, 7),
    TextField("Media Catalog Number", &CatalogNumber, &SetCatalogNumber),
    PageNumber("AFRAME", 31, 1),
    PageCheck("TCVAL", 32, 7),
    TextField("International Standard Recording Code", &Isrc, &SetIsrc),
    PageNumber("AFRAME", 46, 1),
    PageNumber("Sub-header Byte 0->3", 48, 1),
    PageNumber("", 49, 1).SameRow(),
    PageNumber("", 50, 1).SameRow(),
    PageNumber("", 51, 1).SameRow(),
};

// --- page 0Dh ---

constexpr Choice kInactivityTimes[] = {
    {"0h Vender-specific", 0x0},
    {"1h 125ms", 0x1},
    {"2h 250ms", 0x2},
    {"3h 500ms", 0x3},
    {"4h 1s", 0x4},
    {"5h 2s", 0x5},
    {"6h 4s", 0x6},
    {"7h 8s", 0x7},
    {"8h 16s", 0x8},
    {"9h 32s", 0x9},
    {"ah 1min", 0xA},
    {"bh 2min", 0xB},
    {"ch 4min", 0xC},
    {"dh 8min", 0xD},
    {"eh 16min", 0xE},
    {"fh 32min", 0xF},
};
const FieldDescriptor kCdDeviceParameters[] = {
    ChoiceField("Inactivity Timer Multiplier", Bits(3, 0, 4, kPage), kInactivityTimes),
    PageNumber("Number Of MSF - S Units Per MSF M Unit", 4, 2),
    PageNumber("Number Of MSF - F Units Per MSF S Unit", 6, 2),
};

// --- page 0Eh ---

constexpr Choice kChannelSelections[] = {
    {"0000b Output port muted", 0},
    {"0001b Connect audio channel 0 to this output port", 1},
    {"0010b Connect audio channel 1 to this output port", 2},
    {"0011b Connect audio channel 0 and audio channel 1 to this output port", 3},
    {"0100b Connect audio channel 2 to this output port", 4},
    {"1000b Connect audio channel 3 to this output port", 8},
};
const FieldDescriptor kCdAudioControl[] = {
    PageCheck("IMMED", 2, 2),
    PageCheck("SOTC", 2, 1),
    ChoiceField("Port 0", Bits(8, 0, 4, kPage), kChannelSelections),
    PageNumber("", 9, 1).SameRow(),
    ChoiceField("Port 1", Bits(10, 0, 4, kPage), kChannelSelections),
    PageNumber("", 11, 1).SameRow(),
    ChoiceField("Port 2", Bits(12, 0, 4, kPage), kChannelSelections),
    PageNumber("", 13, 1).SameRow(),
    ChoiceField("Port 3", Bits(14, 0, 4, kPage), kChannelSelections),
    PageNumber("", 15, 1).SameRow(),
};

// --- page 1Ah ---

const FieldDescriptor kPowerCondition[] = {
    PageCheck("Idle", 3, 1),
    PageCheck("Standby", 3, 0),
    PageNumber32<4>("Idle Timer"),
    PageNumber32<8>("Standby Timer"),
};

// --- page 1Ch ---

constexpr Choice kReportingMethods[] = {
    {"0h No reporting of informational exception", 0},
    {"4h Unconditionally generate recovered error", 4},
};
const FieldDescriptor kFaultReporting[] = {
    PageCheck("Perf", 2, 7),
    PageCheck("DExcept", 2, 3),
    PageCheck("Test", 2, 2),
    PageCheck("LogErr (0)", 2, 0),
    ChoiceField("", Bits(3, 0, 4, kPage), kReportingMethods),
    PageNumber32<4>("Interval Timer"),
    PageNumber32<8>("Report Count"),
};

// --- page 1Dh ---

const FieldDescriptor kTimeoutProtect[] = {
    PageCheck("TMOE", 4, 2),
    PageCheck("DISP", 4, 1),
    PageCheck("SWPP", 4, 0),
    PageNumber("Group 1 Time-out (Sec)", 6, 2),
    PageNumber("Group 2 Time-out (Sec)", 8, 2),
};

// --- page 2Ah ---

const FieldDescriptor kCapabilities1[] = {
    PageNumber("Page Length", 1, 1),  PageCheck("DVD-RAM Read", 2, 5),
    PageCheck("DVD-R Read", 2, 4),    PageCheck("DVD-ROM Read", 2, 3),
    PageCheck("Method 2", 2, 2),      PageCheck("CD-RW Read", 2, 1),
    PageCheck("CD-R Read", 2, 0),     PageCheck("DVD-RAM Write", 3, 5),
    PageCheck("DVD-R Write", 3, 4),   PageCheck("Test Write", 3, 2),
    PageCheck("CD-R/RW Write", 3, 1), PageCheck("CD-R Write", 3, 0),
    PageCheck("BUF", 4, 7),           PageCheck("Multi Session", 4, 6),
    PageCheck("Mode 2 Form 2", 4, 5),
};

const FieldDescriptor kCapabilities2[] = {
    PageCheck("Mode 2 Form 1", 4, 4),
    PageCheck("Digital Port(2)", 4, 3),
    PageCheck("Digital Port(1)", 4, 2),
    PageCheck("Composite", 4, 1),
    PageCheck("Audio Play", 4, 0),
    PageCheck("Read Bar Code", 5, 7),
    PageCheck("UPC", 5, 6),
    PageCheck("ISRC", 5, 5),
    PageCheck("C2 Pointers supported", 5, 4),
    PageCheck("R-W Deinterleaved & corrected", 5, 3),
    PageCheck("R-W Supported", 5, 2),
    PageCheck("CD-DA Stream is Accurate", 5, 1),
    PageCheck("CD-DA Cmds Supported", 5, 0),
};

constexpr Choice kLoadingMechanisms[] = {
    {"000b Caddy type loading mechanism", 0x00},
    {"001b Tray type loading mechanism", 0x20},
    {"010b Popup type loading mechanism", 0x40},
    {"100b Changer with individually changeable discs", 0x80},
    {"101b Changer using a Magazine mechanism", 0xA0},
};
const FieldDescriptor kCapabilities3[] = {
    ChoiceField("Loading Mechanism Type", Masked(6, 0xE0, kPage), kLoadingMechanisms),
    PageCheck("Eject", 6, 3),
    PageCheck("Prevent Jumper", 6, 2),
    PageCheck("Lock State", 6, 1),
    PageCheck("Lock", 6, 0),
    PageCheck("R-W in Lead-In", 7, 5),
    PageCheck("Side Change Capable", 7, 4),
    PageCheck("S/W Slot Selection", 7, 3),
    PageCheck("Changer Supports", 7, 2),
    PageCheck("Separate Ch Mute", 7, 1),
    PageCheck("Separate vol levels", 7, 0),
};

constexpr Choice kIec958Lengths[] = {
    {"00b 32", 0x00},
    {"01b 16", 0x10},
    {"10b 24", 0x20},
    {"11b 24 (I2S)", 0x30},
};
constexpr Choice kRotationControls[] = {
    {"00b Media default rotation", 0},
    {"01b CAV", 1},
};
const FieldDescriptor kCapabilities4[] = {
    PageNumber("Number of Volume Levels Supported", 10, 2),
    PageNumber("Buffer Size Supported", 12, 2),
    ChoiceField("Bit Length of IEC958 Words", Masked(17, 0x30, kPage), kIec958Lengths),
    PageCheck("LSBF", 17, 3),
    PageCheck("RCK", 17, 2),
    PageCheck("BCKF", 17, 1),
    PageNumber("Copy Management Revision Supported", 22, 2),
    ChoiceField("Write Rotation Control", Bits(27, 0, 2, kPage), kRotationControls),
};

// Screen 5: each entry with the page length less 28 it needs.
struct ThresholdField {
  int threshold;
  FieldDescriptor field;
};
const ThresholdField kCapabilities5[] = {
    {4, PageNumber("Current Write Speed Selected", 28, 2)},
    {4, PageNumber("Write Speed Performance Descriptor Tables", 30, 2)},
    {8, PageNumber32<32>("Block #1")},
    {12, PageNumber32<36>("Block #2")},
    {16, PageNumber32<40>("Block #3")},
    {20, PageNumber32<44>("Block #4")},
};

// --- page 2Ch ---

const FieldDescriptor kMrwMode[] = {
    PageCheck("LBA Space", 3, 0),
};

std::span<const FieldDescriptor> ScreenFields(std::uint32_t page_code, std::uint32_t screen) {
  if (page_code == 0x05) {
    switch (screen) {
      case 0:
        return kWriteParameters1;
      case 1:
        return kWriteParameters2;
      case 2:
        return kWriteParameters3;
      default:
        return {};
    }
  }
  if (page_code == kCapabilitiesPageCode) {
    switch (screen) {
      case 0:
        return kCapabilities1;
      case 1:
        return kCapabilities2;
      case 2:
        return kCapabilities3;
      case 3:
        return kCapabilities4;
      default:
        return {};  // screen 5 depends on the page length (below)
    }
  }
  if (screen != 0) return {};
  switch (page_code) {
    case 0x01:
      return kErrorRecovery;
    case 0x0D:
      return kCdDeviceParameters;
    case 0x0E:
      return kCdAudioControl;
    case 0x1A:
      return kPowerCondition;
    case 0x1C:
      return kFaultReporting;
    case 0x1D:
      return kTimeoutProtect;
    case 0x2C:
      return kMrwMode;
    default:
      return {};
  }
}

}  // namespace

namespace {

// A choice whose stored value no entry names (a method of reporting 3, a reserved write type)
// gets one more entry: the value as its number ("(03h)"), so that the box shows it and the page
// goes back as it came. The lists are made once per list and value and kept for the run.
std::span<const Choice> ChoicesHolding(const FieldDescriptor& field, std::uint32_t value) {
  for (const Choice& c : field.choices) {
    if (c.value == value) return field.choices;
  }
  struct Extended {
    std::string text;
    std::vector<Choice> choices;
  };
  static std::mutex mutex;
  static std::map<std::pair<const Choice*, std::uint32_t>, std::unique_ptr<Extended>> lists;
  std::lock_guard lock(mutex);
  auto& list = lists[{field.choices.data(), value}];
  if (!list) {
    list = std::make_unique<Extended>();
    list->text = StrFormat("(%02xh)", value);
    list->choices.assign(field.choices.begin(), field.choices.end());
    list->choices.push_back({list->text.c_str(), value});
  }
  return list->choices;
}

}  // namespace

std::vector<FieldDescriptor> ModePageFields(std::uint32_t page_code, std::uint32_t screen,
                                            std::span<const std::uint8_t> page) {
  const std::uint32_t code = page_code & 0x3Fu;
  if (code == kCapabilitiesPageCode && screen == 4) {
    const int room = static_cast<int>(ByteAt(page, 1)) - 28;
    std::vector<FieldDescriptor> fields;
    for (const ThresholdField& t : kCapabilities5) {
      if (room >= t.threshold) fields.push_back(t.field);
    }
    return fields;
  }
  const std::span<const FieldDescriptor> fields = ScreenFields(code, screen);
  std::vector<FieldDescriptor> result(fields.begin(), fields.end());
  FormData data;
  data.parameter.assign(page.begin(), page.end());
  for (FieldDescriptor& f : result) {
    if (f.kind == FieldKind::kChoice) f.choices = ChoicesHolding(f, ReadField(f.location, data));
  }
  return result;
}

}  // namespace tamarack
