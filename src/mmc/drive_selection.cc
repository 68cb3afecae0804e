#include "mmc/drive_selection.h"

#include <algorithm>

#include "mmc/disc_extent.h"
#include "mmc/inquiry.h"
#include "mmc/read_toc.h"
#include "util/bytes.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

std::string DriveTitle(const std::string& vendor, const std::string& product,
                       const std::string& revision) {
  return StrFormat(Tr("%s 選択されているﾄﾞﾗｲﾌﾞ: %s %s(%s)"), "Tamarack", vendor.c_str(),
                   product.c_str(), revision.c_str());
}

std::vector<TrackBoxEntry> TrackEntriesFromToc(std::span<const std::uint8_t> toc,
                                               std::uint32_t* end_address) {
  std::vector<TrackBoxEntry> entries;
  const int first = ByteAt(toc, 2);
  const int last = ByteAt(toc, 3);
  if (end_address) *end_address = 0;
  if (first == 0 && last == 0) return entries;  // no TOC
  // Descriptors are 8 bytes from byte 4; only those wholly inside the cache count.
  const std::size_t held = toc.size() < 4 ? 0 : (toc.size() - 4) / 8;
  int number = 1;
  for (int track = first; track <= last; ++track, ++number) {
    const auto index = static_cast<std::size_t>(number - 1);
    if (index >= held) break;
    entries.push_back({number, ReadBe32(toc, 4 + 8 * index + 4)});
  }
  const auto after = entries.size();
  if (end_address && after < held) *end_address = ReadBe32(toc, 4 + 8 * after + 4);
  return entries;
}

std::string TrackBoxText(const TrackBoxEntry& entry, bool hex_input) {
  const std::string address =
      hex_input ? StrFormat("%x", entry.start) : StrFormat("%d", static_cast<int>(entry.start));
  return StrFormat(Tr("ﾄﾗｯｸ%d (%s)"), entry.number, address.c_str());
}

SelectionResult SelectDrive(DeviceSession& session, const std::string& id, SelectionHost& host) {
  SelectionResult result;
  DriveFacts& facts = result.facts;
  host.ClearResults();
  if (!session.Open(id)) return result;  // closes the old device first
  result.opened = true;
  session.WithTransport([&](Transport& t) {
    ScsiAddress a;
    if (t.GetAddress(&a)) facts.address = a;
  });

  const CdbReply inquiry = IssueCdb(session, mmc::InquiryCdb());
  if (inquiry.good()) {
    result.identified = true;
    mmc::InquiryNames names = mmc::InquiryNamesOf(inquiry.bytes);
    facts.vendor = std::move(names.vendor);
    facts.product = std::move(names.product);
    facts.revision = std::move(names.revision);
    host.SetTitle(DriveTitle(facts.vendor, facts.product, facts.revision));
    host.ShowStatusLine(std::string());

    const CdbReply toc = IssueCdb(session, mmc::ReadTocCdb({.length = 0xA000}));
    result.toc_read = toc.good();
    if (result.toc_read) std::copy_n(toc.bytes.begin(), kTocCacheSize, facts.toc.begin());
    host.SetDiscPresent(result.toc_read);

    if (host.WantsDiscExtent()) {
      const mmc::DiscExtent extent = mmc::ReadDiscExtent(session, {.toc_length = 0xFF});
      host.SetDiscExtent(extent.first_start.value_or(0), extent.last_lba.value_or(0));
    }
  }
  std::uint32_t end_address = 0;
  const auto entries = TrackEntriesFromToc(facts.toc, &end_address);
  host.SetTrackBox(entries, end_address);
  return result;
}

}  // namespace tamarack
