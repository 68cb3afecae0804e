// Selecting a drive: open it, read its address, identify it, cache its TOC, fill the track
// box. What touches windows goes through SelectionHost.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/device_session.h"

namespace tamarack {

struct TrackBoxEntry {
  int number = 0;           // running entry number from 1
  std::uint32_t start = 0;  // track start address (LBA)
};

// What selection asks of the window. Defaults do nothing.
class SelectionHost {
 public:
  virtual ~SelectionHost() = default;
  // Step 1: empty the text outputs, the result lists and the per-disc lists.
  virtual void ClearResults() {}
  virtual void SetTitle(const std::string& /*title*/) {}
  // The window's status line (emptied once the drive answered Inquiry).
  virtual void ShowStatusLine(const std::string& /*text*/) {}
  virtual void SetDiscPresent(bool /*present*/) {}
  // Step 10 runs only while the Aging or Measure tab is shown.
  virtual bool WantsDiscExtent() { return false; }
  virtual void SetDiscExtent(std::uint32_t /*first_track_lba*/, std::uint32_t /*last_lba*/) {}
  // Step 11: the track box entries and the disc's end address (the lead-out start).
  virtual void SetTrackBox(const std::vector<TrackBoxEntry>& /*entries*/,
                           std::uint32_t /*end_address*/) {}
};

// What a selection learnt of the drive: zero and empty where it learnt nothing.
struct DriveFacts {
  ScsiAddress address;
  std::string vendor, product, revision;          // Inquiry's fields, trailing blanks kept
  std::array<std::uint8_t, kTocCacheSize> toc{};  // Read TOC format 0 from track AAh
};

struct SelectionResult {
  bool opened = false;
  bool identified = false;  // Inquiry succeeded
  bool toc_read = false;    // Read TOC succeeded (a disc is present)
  DriveFacts facts;
};

// (Re)establishes `session` on drive `id` (steps 1-11 of drive selection). A successful
// Inquiry empties the status line (the host's).
SelectionResult SelectDrive(DeviceSession& session, const std::string& id, SelectionHost& host);

// "%s 選択されているﾄﾞﾗｲﾌﾞ: %s %s(%s)" with the program name and the Inquiry fields.
std::string DriveTitle(const std::string& vendor, const std::string& product,
                       const std::string& revision);

// The track box entries from a TOC cache: one per track from the first to the last track
// number, bounded by the descriptors the cache holds. `end_address` receives the start of
// the descriptor after the last listed track.
std::vector<TrackBoxEntry> TrackEntriesFromToc(std::span<const std::uint8_t> toc,
                                               std::uint32_t* end_address);

// "ﾄﾗｯｸ%d (%s)" with the address as "%d", or "%x" with hex input.
std::string TrackBoxText(const TrackBoxEntry& entry, bool hex_input);

}  // namespace tamarack
