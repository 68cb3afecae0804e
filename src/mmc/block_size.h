// How many bytes per block a read returned, for a job that does not know it yet.
//
// The job reads its first blocks through ReadBlocks (block_read.h) into a buffer with room for
// the largest block, so the exact received count of a good reply gives the size when it is a
// whole number of plausible blocks. When the path told nothing (a zeroed or padded tail, the
// whole request reported), one block is read again with Read CD for each expected sector type
// in turn: the type the drive accepts gives the size from Read CD's own table. The finder never
// rounds: a short reply is no size, and the job that then learns the size from the probe sees
// the reply fall short of it.
//
// Plausible sizes are those the read itself can return (CandidateBlockSizes).
//
// A Read(10) or Read(12) whose reply and probe told nothing (a path that counts nothing of a
// read into more room than its blocks, a drive that refuses Read CD) takes the block length
// Read Capacity reports, when it is one those reads return. That size is not proven: the job
// then reads exactly that much, and a reply of other blocks falls short or overruns.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "device/read_cd_selection.h"
#include "device/scsi.h"
#include "mmc/block_read.h"

namespace tamarack {

class DeviceSession;

enum class BlockSizeWay {
  kNotFound,
  kFill,        // where the reply's 5Ah fill begins (settled by the second fill if need be)
  kResidual,    // the transferred count the transport reported
  kSectorType,  // the expected sector type a Read CD of one block was accepted with
  kCapacity,    // the block length of Read Capacity (Read(10) and Read(12) only)
};

// What the caller knows of the read that finds the size.
struct ReadEvidence {
  Cdb command{};                // the read as sent: its opcode and Read CD selection
  std::uint32_t blocks = 0;     // blocks the read asked for
  std::uint32_t requested = 0;  // bytes asked for (the buffer ReadBlocks filled)
  std::int32_t lba = 0;         // the read's first block: where a probe reads
  BlockReply reply;             // what ReadBlocks brought back
};

struct BlockSizeFinding {
  std::uint32_t bytes = 0;  // bytes per block; 0 when not found
  BlockSizeWay way = BlockSizeWay::kNotFound;
  std::uint8_t sector_type = kSectorTypeAny;  // for kSectorType: the type the drive accepted
  // Not found because a probe failed for another reason than its sector type (a read error, a
  // time-out, a refusal): the probe is a failed command of the job, and the size may still be
  // found by a later read. Empty when every type was refused as not the block's.
  std::optional<CommandOutcome> failed_probe;
  Cdb failed_probe_cdb{};

  // For a job's status line: "block size 2048 (from the reply's fill)", "block size 2352 (from
  // the transferred count)", "block size 2328 (from the sector type Mode 2 form 2)", "block
  // size 2048 (from Read Capacity's block length)", "block size not found".
  std::string Text() const;
};

// The bytes per block `command` can return, ascending: for Read CD and Read CD MSF, the table's
// sizes for its selection over the sector types it accepts; for Read(10) and Read(12), the
// block lengths a CD drive can be set to (2048, 2056, 2324, 2332, 2336, 2340, 2352). Empty for
// any other command and for a selection the drive refuses: then any size from 1 to
// kMaxReadCdBlock is plausible.
std::vector<std::uint32_t> CandidateBlockSizes(const Cdb& command);

// The size shown by the fill: the reply ends at the last byte that is not 5Ah, which must lie
// inside the first `requested` bytes (no 5Ah tail, no answer: the tail may be zeros). With
// candidates, the smallest size s with blocks x s within the request and (blocks - 1) x s <
// end <= blocks x s: the last block began, and bytes of 5Ah at the end of genuine data are
// counted back in. Without candidates the end must divide into `blocks` exactly. 0 when the
// fill tells nothing (also for 0 blocks).
std::uint32_t BlockSizeFromFill(std::span<const std::uint8_t> reply, std::uint32_t requested,
                                std::uint32_t blocks, std::span<const std::uint32_t> candidates);

// The size shown by a residual: a count above 0 and below the request that is exactly `blocks`
// blocks of a candidate size (of any size up to kMaxReadCdBlock without candidates). A count
// of the whole request is no residual at all (libata reports none). 0 otherwise.
std::uint32_t BlockSizeFromResidual(std::uint32_t transferred, std::uint32_t requested,
                                    std::uint32_t blocks,
                                    std::span<const std::uint32_t> candidates);

// Reads block `lba` with Read CD (one block, data in, the session's time-out) with the expected
// sector types Mode 1, Mode 2 form 1, Mode 2 form 2, Mode 2 formless and CD-DA in turn (only
// the one `command` expects, if it is a Read CD naming one) and the main and sub-channel
// selection of `command` (user data for any other command). The first type accepted gives the
// table's size for it. The probes are silent: the types refused on the way are not the job's
// errors; when none is accepted, the last refusal is told to the session's host (`report`
// kTell) as the job's. Stops at the first probe refused by the transport. Runs on the
// caller's thread.
BlockSizeFinding ProbeBlockSize(DeviceSession& session, const Cdb& command, std::int32_t lba,
                                HostReport report = HostReport::kTell);

// The size a good reply shows by itself: its received count, short of the request (the path
// said where it ended), divided into `blocks` blocks of a plausible size. 0 otherwise.
std::uint32_t BlockSizeFromReply(const ReadEvidence& evidence);

// The reply's own size, else the probe at evidence.lba, else (a Read(10) or Read(12) whose
// probe refused every type) Read Capacity's block length. The probe's last refusal is told to
// the host (`report` kTell) only when no size was found.
BlockSizeFinding FindBlockSize(DeviceSession& session, const ReadEvidence& evidence,
                               HostReport report = HostReport::kTell);

}  // namespace tamarack
