// Inquiry (12h): the Inquiry list rows of a reply, the form, and the drive identity that
// each Inquiry decode saves for the ageing log.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "decode/text_conventions.h"
#include "form/command_behaviour.h"
#include "form/decoder.h"

namespace tamarack {

// Bytes of Inquiry data the list shows (0 to 56).
inline constexpr std::size_t kInquiryDecodedBytes = 57;

// The Inquiry list's columns: "Key" 200, "Value" 160, "Comment" 320.
std::vector<ListColumn> InquiryListColumns();

// The rows of the Inquiry list (cells Key, Value, Comment), every field at its fixed place:
// bytes the reply does not hold read as zero. Text fields end at their first zero byte and
// never run into the next field.
std::vector<DecodedRow> DecodeInquiry(std::span<const std::uint8_t> data);

// The rows of a vital product data page (Inquiry with EVPD): the header, then 00h the
// supported pages, 80h the serial number, 83h each designator with its type, code set and
// association; any other page as its bytes. Bytes the data do not hold are not shown.
std::vector<DecodedRow> DecodeVpdPage(std::span<const std::uint8_t> data);

// The saved Inquiry identity: bytes 8 to 31 (vendor and product identification) in a
// 100-byte zero-filled area.
struct InquiryIdentity {
  std::array<std::uint8_t, 100> bytes{};
  // The 24 characters of vendor and product, up to the first zero byte.
  std::string ModelName() const;
};
InquiryIdentity SaveInquiryIdentity(std::span<const std::uint8_t> data);

// The command's decoder: the Inquiry list rows of the data buffer, or with EVPD set in the
// CDB the rows of its page.
DecodeOutput DecodeInquiryReply(const DecodeInput& input);

// "No Parameter" form; building it sets the allocation length (CDB byte 4) to 255.
extern const CommandBehaviour kInquiryBehaviour;

}  // namespace tamarack
