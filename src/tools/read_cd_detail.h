// The sector dump's detail options: which parts of each raw sector Read CD returns, as the
// detail dialog "SectorDump Detail option" shows them (five check boxes under the parts of a
// CD-ROM block, the Error Field and Sub Channel radio groups), and the CDB bytes 9 and 10 they
// stand for.
#pragma once

#include <cstdint>
#include <string>

#include "device/scsi.h"

namespace tamarack {

enum class ErrorFieldOption : std::uint8_t { kNone, kC2Error, kC2AndBlock };
enum class SubChannelOption : std::uint8_t { kNone, kRaw, kQ, kPw };

struct ReadCdDetail {
  bool sync = false;
  bool header = false;
  bool sub_header = false;
  bool user_data = true;
  bool edc_ecc = false;
  ErrorFieldOption error_field = ErrorFieldOption::kNone;
  SubChannelOption sub_channel = SubChannelOption::kNone;

  bool operator==(const ReadCdDetail&) const = default;
};

// The options a CDB's bytes 9 and 10 show. Error Field: C2 Error when 02h is set, else C2 And
// Block when 04h is set, else None. Sub Channel: P-W when 4 is set, else Q when 2, else RAW
// when 1, else None.
ReadCdDetail DetailOfCdb(const Cdb& cdb);

// Byte 9 and byte 10 of the options (Header and Sub Header both on give header code 60h).
std::uint8_t DetailMainByte(const ReadCdDetail& detail);
std::uint8_t DetailSubByte(const ReadCdDetail& detail);

// Bytes 9 and 10 of `cdb` cleared and rebuilt from the options; the rest is kept.
void ApplyDetail(const ReadCdDetail& detail, Cdb* cdb);

// The dialog's "ReadCD Command" line: "be 00 00 00 00 00 00 00 00", byte 9, byte 10, "00",
// each byte as "%02x ".
std::string DetailCommandLine(const ReadCdDetail& detail);

}  // namespace tamarack
