// Read CD (BEh) and Read CD MSF (B9h).
#pragma once

#include <cstdint>

#include "device/read_cd_selection.h"
#include "device/scsi.h"
#include "mmc/opcodes.h"

namespace tamarack {

// Read CD of `blocks` blocks at `lba` with `selection` (expected sector type, main and
// sub-channel selection); user data of any sector type by default.
Cdb ReadCdCdb(std::uint32_t lba, std::uint32_t blocks, const ReadCdSelection& selection = {});

}  // namespace tamarack

namespace tamarack::mmc {

// Read CD at `lba` for `blocks` blocks, bytes 1, 9 and 10 (the selection) left zero.
Cdb ReadCdAt(std::uint32_t lba, std::uint32_t blocks);

// Read CD MSF from `start_frames` up to (not including) `end_frames`, the selection left zero.
Cdb ReadCdMsfAt(std::uint32_t start_frames, std::uint32_t end_frames);

}  // namespace tamarack::mmc
