#include "emu/inquiry_reply.h"

#include <algorithm>

#include "util/bytes.h"

namespace tamarack::emu {

namespace {

// The drive's identity: a CD/DVD-ROM reader of our own invention.
constexpr std::string_view kVendor = "KESTREL ";
constexpr std::string_view kProduct = "CDV-4800 Virtual";
constexpr std::string_view kRevision = "1.04";
constexpr std::string_view kVendorOwnText = "software drive      ";
constexpr std::size_t kInquirySize = 96;
constexpr std::uint8_t kCdDvdDevice = 0x05;

constexpr std::uint8_t kSupportedPages = 0x00;
constexpr std::uint8_t kUnitSerialNumber = 0x80;
constexpr std::uint8_t kDeviceIdentification = 0x83;

void Put(std::vector<std::uint8_t>& out, std::size_t at, std::string_view text) {
  std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

// A page's 4-byte header (device type, page code, two-byte page length) and `body`.
std::vector<std::uint8_t> VpdPage(std::uint8_t page, const std::vector<std::uint8_t>& body) {
  std::vector<std::uint8_t> out(4 + body.size(), 0);
  out[0] = kCdDvdDevice;
  out[1] = page;
  WriteBe16(out, 2, static_cast<std::uint32_t>(body.size()));
  std::copy(body.begin(), body.end(), out.begin() + 4);
  return out;
}

}  // namespace

std::vector<std::uint8_t> BuildStandardInquiry() {
  std::vector<std::uint8_t> r(kInquirySize, 0);
  r[0] = kCdDvdDevice;
  r[1] = 0x80;  // removable medium
  r[2] = 0x00;  // ATAPI drives claim no SCSI version
  r[3] = 0x02;  // response data format
  r[4] = static_cast<std::uint8_t>(kInquirySize - 5);
  Put(r, 8, kVendor);
  Put(r, 16, kProduct);
  Put(r, 32, kRevision);
  Put(r, 36, kVendorOwnText);
  return r;
}

std::optional<std::vector<std::uint8_t>> BuildVpdPage(std::uint8_t page, std::string_view serial) {
  switch (page) {
    case kSupportedPages:
      return VpdPage(page, {kSupportedPages, kUnitSerialNumber, kDeviceIdentification});
    case kUnitSerialNumber:
      return VpdPage(page, std::vector<std::uint8_t>(serial.begin(), serial.end()));
    case kDeviceIdentification: {
      // One designator of the logical unit: T10 vendor ID, ASCII, the vendor followed by the
      // product and the serial number (unique as long as the serial is).
      const std::size_t length = kVendor.size() + kProduct.size() + serial.size();
      std::vector<std::uint8_t> body(4 + length, 0);
      body[0] = 0x02;  // protocol identifier 0, code set 2: ASCII
      body[1] = 0x01;  // association 0 (the logical unit), designator type 1: T10 vendor ID
      body[3] = static_cast<std::uint8_t>(length);
      Put(body, 4, kVendor);
      Put(body, 4 + kVendor.size(), kProduct);
      Put(body, 4 + kVendor.size() + kProduct.size(), serial);
      return VpdPage(page, body);
    }
    default:
      return std::nullopt;
  }
}

}  // namespace tamarack::emu
