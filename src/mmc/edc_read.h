// Reading user data with the EDC that guards it: Mode 1 and Mode 2 form 1 blocks are read
// whole (sync, headers, user data, EDC and ECC), each is checked on the host against its own
// EDC and header address, and the 2048 user data bytes are moved to where a read of the user
// data alone would have put them. A block whose EDC fails was returned wrong or not at all
// (a zeroed or padded tail that the path counted as sent), whatever the status said.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "device/read_cd_selection.h"
#include "mmc/block_read.h"

namespace tamarack {

// Read CD's main-channel selection of a whole block: sync, all headers, user data, EDC/ECC.
inline constexpr std::uint8_t kEdcReadSelection = 0xF8;
inline constexpr std::uint32_t kEdcReadBlockBytes = 2352;
// The user-data size of the blocks that carry an EDC over their user data (Mode 1, form 1).
inline constexpr std::uint32_t kEdcUserBytes = 2048;

// A track of this user-data block size is read with its EDC; blocks of other sizes carry none
// the host can check this way (CD-DA 2352, formless Mode 2 2336, form 2 2324).
inline bool EdcCheckable(std::uint32_t user_block_size) { return user_block_size == kEdcUserBytes; }

// The Read CD of `blocks` whole blocks at `lba`.
Cdb EdcReadCdb(std::uint32_t lba, std::uint32_t blocks);

// Checks the `blocks` whole blocks at the start of `bytes` (block i is LBA `lba` + i, at
// i x 2352) and moves each one's user data to i x 2048. `failed` gets one flag per block
// (resized): set where the block has no sync, is neither Mode 1 nor form 1, names another
// address or fails its EDC; that block's user data bytes are left as they came and must not
// be taken for data. Returns how many failed. `bytes` holds at least blocks x 2352.
std::uint32_t VerifyAndCompact(std::span<std::uint8_t> bytes, std::int64_t lba,
                               std::uint32_t blocks, std::vector<bool>* failed);

// Calls `fn(first, count)` for each run of set flags (indexes into `flags`).
template <typename Fn>
void ForEachFlaggedRun(const std::vector<bool>& flags, Fn&& fn) {
  for (std::size_t i = 0; i < flags.size();) {
    if (!flags[i]) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < flags.size() && flags[end]) ++end;
    fn(i, end - i);
    i = end;
  }
}

// The notes a job with the EDC check gives once (and one without it, where its path hides a
// short transfer).
inline constexpr const char* kNoEdcAudioText =
    "Audio blocks carry no EDC: their data cannot be checked this way (c2scan checks them) "
    "from LBA %lld";
inline constexpr const char* kNoEdcMode2Text =
    "Mode 2 form 2 and formless blocks carry no EDC over their data: not checked from LBA %lld";
inline constexpr const char* kHiddenShortText =
    "This path zeroes or pads what the drive does not send and counts it as sent: a short "
    "transfer cannot be told from data ending in zeros here (--verify-edc checks each data "
    "block's EDC)";

}  // namespace tamarack
