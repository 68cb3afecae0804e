// Inquiry (12h): the standard reply or a vital product data page.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "device/scsi.h"
#include "mmc/opcodes.h"
#include "util/bytes.h"

namespace tamarack::mmc {

struct InquiryRequest {
  bool evpd = false;            // byte 1 bit 0: the page below instead of the standard reply
  std::uint8_t page = 0;        // byte 2
  std::uint16_t length = 0xFF;  // bytes 3-4
};

inline Cdb InquiryCdb(const InquiryRequest& r = {}) {
  Cdb cdb{kInquiry, static_cast<std::uint8_t>(r.evpd ? 0x01 : 0x00), r.page};
  WriteBe16(cdb, 3, r.length);
  return cdb;
}

// The standard reply's names (bytes 8-15, 16-31, 32-35), as the drive sent them (spaces
// kept); a short reply gives what it holds, a field it does not reach is empty.
struct InquiryNames {
  std::string vendor;
  std::string product;
  std::string revision;
};
InquiryNames InquiryNamesOf(std::span<const std::uint8_t> reply);

}  // namespace tamarack::mmc
