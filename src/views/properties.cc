#include "views/properties.h"

#include <algorithm>

#include "decode/configuration.h"
#include "mmc/get_configuration.h"
#include "mmc/inquiry.h"
#include "mmc/mode_sense.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

struct CapabilityBit {
  std::uint8_t byte;  // counted from the page code byte
  std::uint8_t bit;
  const char* name;
};

constexpr CapabilityBit kCapabilityBits[] = {
    {2, 5, "DVD-RAM Read"},
    {2, 4, "DVD-R Read"},
    {2, 3, "DVD-ROM Read"},
    {2, 2, "Method 2"},
    {2, 1, "CD-RW Read"},
    {2, 0, "CD-R Read"},
    {3, 5, "DVD-RAM Write"},
    {3, 4, "DVD-R Write"},
    {3, 2, "Test Write"},
    {3, 1, "CD-R/RW Write"},
    {3, 0, "CD-R Write"},
    {4, 7, "BUF"},
    {4, 6, "Multi Session"},
    {4, 5, "Mode 2 Form 2"},
    {4, 4, "Mode 2 Form 1"},
    {4, 3, "Digital Port(02)"},
    {4, 2, "Digital Port(01)"},
    {4, 1, "Composite"},
    {4, 0, "Audio Play"},
    {5, 7, "Read Bar Code"},
    {5, 6, "UPC"},
    {5, 5, "ISRC"},
    {5, 4, "C2 Pointers supported"},
    {5, 3, "R-W Deinterleaved & corrected"},
    {5, 2, "R-W Supported"},
    {5, 1, "CD-DA Stream is Accurate"},
    {5, 0, "CD-DA Cmds Supported"},
    {6, 3, "Eject"},
    {6, 2, "Prevent Jumper"},
    {6, 1, "Lock State"},
    {6, 0, "Lock"},
    {7, 5, "R-W in Lead-In"},
    {7, 4, "Side Change Capable"},
    {7, 3, "S/W Slot Selection"},
    {7, 2, "Changer Supports Disc Present"},
    {7, 1, "Separate Channel Mute"},
    {7, 0, "Separate volume levels"},
};

constexpr std::size_t kModeHeaderLength = 8;
constexpr std::size_t kBlockDescriptorLengthAt = 6;

PropertiesRequest Send(DeviceSession& session, const Cdb& cdb) {
  PropertiesRequest r;
  r.cdb = cdb;
  std::vector<std::uint8_t> buffer(kPropertiesRequestLength, 0);
  r.outcome = session.Run(cdb, buffer);
  const std::size_t moved = std::min<std::size_t>(r.outcome.result.transferred, buffer.size());
  if (r.outcome.status == CommandStatus::kGood) {
    r.reply.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(moved));
  }
  return r;
}

std::vector<DecodedRow> NotSupported(std::size_t column) {
  DecodedRow row{{}, kNoIcon};
  row.cells.assign(column + 1, "");
  row.cells[column] = kNotSupportedText;
  return {row};
}

}  // namespace

std::vector<ListColumn> CapabilityListColumns() { return {{"", 30}, {"Items", 200}}; }

std::vector<DecodedRow> CapabilityRows(std::span<const std::uint8_t> page) {
  std::vector<DecodedRow> rows;
  rows.reserve(std::size(kCapabilityBits));
  for (const CapabilityBit& c : kCapabilityBits) {
    const bool set = ((ByteAt(page, c.byte) >> c.bit) & 1) != 0;
    rows.push_back({{"", c.name}, set ? kIconPresent : kIconAbsent});
  }
  return rows;
}

PropertiesResult ReadDriveProperties(DeviceSession& session) {
  PropertiesResult result;
  if (!session.HasDevice()) return result;
  result.opened = true;

  // Inquiry. The fields it does not return read as zero.
  result.inquiry = Send(session, mmc::InquiryCdb());
  if (result.inquiry.Succeeded()) {
    result.inquiry_rows = DecodeInquiry(result.inquiry.reply);
    result.identity = SaveInquiryIdentity(result.inquiry.reply);
    const std::size_t n = std::min(result.inquiry.reply.size(), kPropertiesInquiryCopy);
    result.inquiry_data.assign(result.inquiry.reply.begin(),
                               result.inquiry.reply.begin() + static_cast<std::ptrdiff_t>(n));
  } else {
    result.inquiry_rows = NotSupported(0);
  }

  // Get Configuration: requested type 0, starting feature 0, allocation length 255.
  result.configuration = Send(session, mmc::GetConfigurationCdb({}));
  if (result.configuration.Succeeded()) {
    result.feature_rows = DecodeConfiguration(result.configuration.reply);
  } else {
    result.feature_rows = NotSupported(1);
  }

  // Mode Sense(10), page 2Ah, current values, allocation length 255.
  result.mode_sense = Send(session, mmc::ModeSense10Cdb({.page = mmc::kCapabilitiesPage}));
  if (!result.mode_sense.Succeeded()) {
    result.capability_rows = NotSupported(1);
  } else {
    // The page follows the block descriptors (a drive sends one, DBD being 0) and is known by
    // its code alone: a saveable page has its PS bit (bit 7) set.
    const std::span<const std::uint8_t> reply = result.mode_sense.reply;
    const std::size_t at =
        std::min(kModeHeaderLength + ReadBe16(reply, kBlockDescriptorLengthAt), reply.size());
    if ((ByteAt(reply, at) & 0x3Fu) == mmc::kCapabilitiesPage) {
      result.capability_rows = CapabilityRows(reply.subspan(at));
    }
  }
  return result;
}

}  // namespace tamarack
