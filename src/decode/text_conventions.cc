#include "decode/text_conventions.h"

#include "util/strings.h"

namespace tamarack {

namespace {

struct Description {
  std::uint32_t value;
  const char* text;
};

constexpr Description kPeripheralDeviceTypes[] = {
    {0x00, "Direct-access device"},
    {0x01, "Sequential-access device"},
    {0x02, "Printer device"},
    {0x03, "Processor device"},
    {0x04, "Write-once device"},
    {0x05, "CD-ROM device"},
    {0x06, "Scanner device"},
    {0x07, "Optical memory device"},
    {0x08, "Medium changer device"},
    {0x09, "Communication device"},
    {0x0C, "Storage array controller device"},
    {0x0D, "Enclosure service device"},
    {0x0E, "Simplified direct-access device"},
    {0x0F, "Optical card reader/writer device"},
    {0x11, "Object-based Storage device"},
};

constexpr Description kInquiryVersions[] = {
    {0x00, "The device does not claim conformance to any standard."},
    {0x02, "The device complies to ANSI X3.131:1994."},
    {0x03, "The device complies to ANSI X3.301:1997."},
    {0x04, "The device complies to this standard."},
    {0x05, "The device complies to ANSI INCITS 408-2005 (SPC-3)."},
    {0x06, "The device complies to ANSI INCITS 513-2015 (SPC-4)."},
    {0x07, "The device complies to ANSI INCITS 502-2019 (SPC-5)."},
    {0x80, "The device complies to ISO/IEC 9316:1995."},
    {0x82, "The device complies to ISO/IEC 9316:1995 and to ANSI X3.131:1994."},
    {0x83, "The device complies to ISO/IEC 9316:1995 and to ANSI X3.301:1997."},
    {0x84, "The device complies to ISO/IEC 9316:1995 and to this standard."},
};

struct DescriptionTable {
  std::uint32_t number;
  std::span<const Description> entries;
};

constexpr DescriptionTable kTables[] = {
    {kPeripheralDeviceTypeTable, kPeripheralDeviceTypes},
    {kInquiryVersionTable, kInquiryVersions},
};

}  // namespace

std::string FormatBits(std::uint32_t value, int width) {
  if (width <= 1) return (value & 1) ? "On" : "Off";
  if (width > 8) width = 8;
  std::string out;
  for (int bit = width - 1; bit >= 0; --bit) out.push_back((value >> bit) & 1 ? '1' : '0');
  out.push_back('b');
  return out;
}

std::string LookupDescription(std::uint32_t table, std::uint32_t value) {
  for (const DescriptionTable& t : kTables) {
    if (t.number != table) continue;
    for (const Description& d : t.entries) {
      if (d.value == value) return d.text;
    }
  }
  return "Undefine";
}

std::string FormatTwoDigits(int value) { return StrFormat("%02d", value); }

std::string EventHeaderBanner(std::uint32_t data_length) {
  return StrFormat("----------------Header----------------\r\nData Length %u(%04xh) \r\n",
                   data_length, data_length);
}

}  // namespace tamarack
