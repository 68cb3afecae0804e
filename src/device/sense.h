// Reading sense data: the four-pass table lookup, fixed- and descriptor-format parsing, the
// decoded text of a Request Sense reply and what the sense dialog shows.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/sense_table.h"

namespace tamarack {

// Where a lookup's text came from.
enum class SenseSource {
  kNone,      // nothing matched: the end row's empty message
  kTable,     // a row of the error table, in pass 1 to 4
  kCodeList,  // the standard's text of the exact ASC and ASCQ (asc_code_list.h)
};

struct SenseMatch {
  // The matching row, the code list's row (key kAnySenseKey) or the table's end row.
  const SenseRow* row = nullptr;
  int pass = 0;  // 1..4 for the table's pass that matched, 0 otherwise
  SenseSource source = SenseSource::kNone;
};

// The error table's four passes over `table`, each from its first row up to the end row; the
// first row that passes wins and a later pass runs only when the earlier ones found nothing:
// 1 key, ASC and ASCQ equal; 2 key and ASC; 3 ASC and ASCQ (any key); 4 ASC (any key).
// Between pass 1 and pass 2 the standard's code list is asked for the exact ASC and ASCQ: a
// looser pass would name another code (or the code under another key's meaning, as 0/04/00
// "ENCLOSURE FAILURE" for 04h/00h), so the standard's own text wins. An empty table is no
// table: nothing matches. `table` must end with an end row. Pure: every lookup starts at the
// first row.
SenseMatch MatchSense(std::span<const SenseRow> table, std::uint32_t key, std::uint32_t asc,
                      std::uint32_t ascq);
const SenseRow& LookUpSense(std::span<const SenseRow> table, std::uint32_t key, std::uint32_t asc,
                            std::uint32_t ascq);

enum class SenseFormat { kNone, kFixed, kDescriptor };

// The parts of sense data the system reads.
struct ParsedSense {
  SenseFormat format = SenseFormat::kNone;  // kNone: no sense data present
  std::uint8_t response_code = 0;           // byte 0, bits 6-0
  std::uint8_t key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
  // Bytes of sense data the drive describes (8 + additional length), cut to the bytes held.
  std::size_t length = 0;
};

// Fixed format (70h, 71h, 7Fh) and descriptor format (72h, 73h) both count as sense data;
// any other response code means none. Reads only the bytes it is given.
ParsedSense ParseSense(std::span<const std::uint8_t> sense);

// The INFORMATION field when the drive marked it valid: fixed format with the VALID bit (bytes
// 3-6), or descriptor format with a valid information descriptor (type 00h) whose value fits
// 32 bits. For a read error it is the block that failed. Nothing otherwise.
std::optional<std::uint32_t> SenseInformation(std::span<const std::uint8_t> sense);

// What the sense-key specific field (SKSV byte and two value bytes) says for `key`: the field
// pointer of an illegal request, the progress of not ready, the retry count of a medium,
// hardware or recovered error. Empty without SKSV or for another key.
std::string SenseKeyFieldText(std::uint8_t key, std::span<const std::uint8_t> field);

// The decoded text of a Request Sense reply, "\r\n" line ends: the fixed format field by
// field, the descriptor format (72h, 73h) descriptor by descriptor.
std::string DecodeRequestSenseText(std::span<const std::uint8_t> reply);

// What the Request Sense dialog shows for a block of sense bytes.
struct RequestSenseView {
  std::string sense_line;  // bytes 0 .. 7+n, each "%02x "
  std::string key;         // "%02x"
  std::string asc;
  std::string ascq;
  std::string message;    // table message (leading blank kept) or "No Error Table"
  bool is_error = false;  // key != 0: warning icon; else information icon
  std::string heading;    // "ﾄﾞﾗｲﾌﾞからのｴﾗｰ情報" or "No Error Sense Data"
  // The information field when the drive marked it valid (for a read, the block that failed):
  // "%u (%08xh)", decimal first; empty without one.
  std::string information;
};

// `table` may be empty: the dialog then says "No Error Table".
RequestSenseView MakeRequestSenseView(std::span<const SenseRow> table,
                                      std::span<const std::uint8_t> sense);

// One row of the sense-code list: key, ASC, ASCQ as "%02x" and the message without its
// leading blank.
struct SenseCodeListRow {
  std::string key;
  std::string asc;
  std::string ascq;
  std::string message;
};

// Rows of keys 0 to 9, each key in turn, table order within a key.
std::vector<SenseCodeListRow> SenseCodeList(std::span<const SenseRow> table);

}  // namespace tamarack
