#include "tools/read_cd_detail.h"

#include "decode/read_cd_choices.h"
#include "mmc/read_cd.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {

ReadCdDetail DetailOfCdb(const Cdb& cdb) {
  const std::uint8_t main = ByteAt(cdb, kReadCdMainByte);
  const std::uint8_t sub = ByteAt(cdb, kReadCdSubByte);
  ReadCdDetail d;
  d.sync = (main & kSyncBit) != 0;
  d.header = (main & kHeaderOnly) != 0;
  d.sub_header = (main & kSubHeaderOnly) != 0;
  d.user_data = (main & kUserDataBit) != 0;
  d.edc_ecc = (main & kEdcEccBit) != 0;
  d.error_field = (main & kC2ErrorBits)           ? ErrorFieldOption::kC2Error
                  : (main & kC2AndBlockErrorBits) ? ErrorFieldOption::kC2AndBlock
                                                  : ErrorFieldOption::kNone;
  d.sub_channel = (sub & kSubChannelPw)    ? SubChannelOption::kPw
                  : (sub & kSubChannelQ)   ? SubChannelOption::kQ
                  : (sub & kSubChannelRaw) ? SubChannelOption::kRaw
                                           : SubChannelOption::kNone;
  return d;
}

std::uint8_t DetailMainByte(const ReadCdDetail& d) {
  std::uint32_t b = 0;
  if (d.sync) b |= kSyncBit;
  if (d.header) b |= kHeaderOnly;
  if (d.sub_header) b |= kSubHeaderOnly;
  if (d.user_data) b |= kUserDataBit;
  if (d.edc_ecc) b |= kEdcEccBit;
  switch (d.error_field) {
    case ErrorFieldOption::kNone:
      break;
    case ErrorFieldOption::kC2Error:
      b |= kC2ErrorBits;
      break;
    case ErrorFieldOption::kC2AndBlock:
      b |= kC2AndBlockErrorBits;
      break;
  }
  return static_cast<std::uint8_t>(b);
}

std::uint8_t DetailSubByte(const ReadCdDetail& d) {
  switch (d.sub_channel) {
    case SubChannelOption::kNone:
      return 0;
    case SubChannelOption::kRaw:
      return kSubChannelRaw;
    case SubChannelOption::kQ:
      return kSubChannelQ;
    case SubChannelOption::kPw:
      return kSubChannelPw;
  }
  return 0;
}

void ApplyDetail(const ReadCdDetail& detail, Cdb* cdb) {
  (*cdb)[kReadCdMainByte] = DetailMainByte(detail);
  (*cdb)[kReadCdSubByte] = DetailSubByte(detail);
}

std::string DetailCommandLine(const ReadCdDetail& detail) {
  Cdb cdb = mmc::ReadCdAt(0, 0);
  ApplyDetail(detail, &cdb);
  return HexBytes(cdb, " ");
}

}  // namespace tamarack
