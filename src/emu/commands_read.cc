// Reading commands of the virtual drive: capacity, blocks, Read CD, TOC, sub-channel, seek.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>

#include "emu/block_access.h"
#include "emu/cd_address.h"
#include "emu/disc_information.h"
#include "emu/disc_region.h"
#include "emu/drive_commands.h"
#include "emu/read_cd_fields.h"
#include "emu/toc_reply.h"
#include "util/bytes.h"

namespace tamarack::emu {

namespace {

constexpr std::size_t kBlockSize = 2048;

// Blocks whose bytes fit the caller's buffer (the last may fit in part); the rest are read
// past the buffer.
std::int64_t BlocksToBuild(const CommandContext& c, std::int64_t count, std::size_t block) {
  return std::min<std::int64_t>(count, static_cast<std::int64_t>((c.capacity + block - 1) / block));
}

// The reply so far holds more than the caller's buffer takes.
void NoteOverrun(CommandContext& c) {
  if (ReplySize(c) > c.capacity) c.overrun = true;
}

// After the blocks past the caller's buffer, `block` of `track` decided the same way as the
// rest of its track: no block of the disc can fail, and the track's blocks are all of its type
// (Mode 2 blocks are told apart by their own bytes). The read goes on at the track's end.
bool RestOfTrackAlike(const DriveUnit& u, const TrackInfo& track) {
  return !u.faults.HasBlockFaults() &&
         (track.mode == TrackMode::kAudio || track.mode == TrackMode::kMode1);
}

// Appends the 2048 user bytes of Mode 1 block `block` (no EDC or ECC to build). Returns the
// sense that ends the command there (a read error, or a transfer broken off half-way into the
// block with good status), or nothing to go on with the next block.
std::optional<SenseCode> AppendMode1UserData(CommandContext& c, std::int32_t block) {
  DriveUnit& u = c.unit;
  const std::size_t at = c.reply.size();
  c.reply.resize(at + kBlockSize);
  const SenseCode sense =
      ReadMode1Block(u, block, std::span<std::uint8_t, kBlockSize>(&c.reply[at], kBlockSize));
  if (!sense.ok()) {
    c.reply.resize(at);
    c.information = static_cast<std::uint32_t>(block);
    return sense;
  }
  if (u.faults.IsShort(block)) {
    c.reply.resize(at + kBlockSize / 2);
    return kNoSense;
  }
  return std::nullopt;
}

// The user data of Mode 1 blocks from `lba` of `track`, as many of the next `count` as the track
// and the caller's buffer hold, straight into the buffer in one read of the disc. Only while the
// whole reply so far is there, before the time-out, on a drive with no block faults planned (a
// drive with faults reads block by block into `reply`). Returns the blocks read: 0 when they go
// block by block.
std::int64_t ReadMode1Run(CommandContext& c, const TrackInfo& track, std::int32_t lba,
                          std::int64_t count) {
  DriveUnit& u = c.unit;
  if (!c.reply.empty() || c.time > c.timeout || u.faults.HasBlockFaults()) return 0;
  const auto room = static_cast<std::int64_t>((c.in.size() - c.direct) / kBlockSize);
  const std::int64_t n = std::min({count, std::int64_t{track.end} - lba, room});
  if (n <= 0) return 0;
  std::string error;
  const std::span<std::uint8_t> out =
      c.in.subspan(c.direct, static_cast<std::size_t>(n) * kBlockSize);
  // A disc that cannot be read here is read again block by block, which finds the failing one.
  if (!u.disc->ReadMode1Run(lba, static_cast<std::int32_t>(n), out, &error)) return 0;
  c.direct += out.size();
  return n;
}

// The blocks of a Read(10) or Read(12) that do not fit the caller's buffer. A real drive reads
// every block it was asked for and fails on a bad one, so each goes through the fault plan as
// the others do; its bytes overrun the buffer and are dropped.
SenseCode ReadUserDataPastBuffer(CommandContext& c, std::int64_t lba, std::int64_t count) {
  DriveUnit& u = c.unit;
  const DiscLayout& layout = u.MediumLayout();
  RawSector sector;
  std::array<std::uint8_t, kBlockSize> user{};
  for (std::int64_t i = 0; i < count; ++i) {
    const auto block = static_cast<std::int32_t>(lba + i);
    const TrackInfo* track = layout.TrackAt(block);
    SenseCode sense = kNoSense;
    if (!track) {
      sense = kLbaOutOfRange;
    } else if (track->mode == TrackMode::kAudio || track->mode == TrackMode::kMode2Formless ||
               track->mode == TrackMode::kMode2Form2) {
      sense = kIllegalModeForThisTrack;
    } else if (track->mode == TrackMode::kMode1) {
      sense = ReadMode1Block(u, block, user);
    } else {
      sense = ReadRawBlock(u, block, &sector);
      if (sense.ok() && BlockMode(track->mode, sector) != TrackMode::kMode2Form1) {
        sense = kIllegalModeForThisTrack;
      }
    }
    if (!sense.ok()) {
      c.information = static_cast<std::uint32_t>(block);
      return sense;
    }
    c.overrun = true;
    if (u.faults.IsShort(block)) return kNoSense;
    if (RestOfTrackAlike(u, *track)) i = std::max<std::int64_t>(i, track->end - 1 - lba);
  }
  return kNoSense;
}

// Read(10) and Read(12): 2048-byte user data of Mode 1 and XA form 1 blocks.
SenseCode ReadUserData(CommandContext& c, std::int64_t lba, std::int64_t count) {
  if (c.cdb[1] & 0x01) return kInvalidFieldInCdb;  // relative addressing
  if (count == 0) return kNoSense;
  DriveUnit& u = c.unit;
  const DiscLayout& layout = u.MediumLayout();
  SenseCode sense = CheckBlockRange(layout, lba, count);
  if (!sense.ok()) return sense;
  ChargeAccess(c, static_cast<std::int32_t>(lba), static_cast<std::int32_t>(count));
  const std::int64_t build = BlocksToBuild(c, count, kBlockSize);
  RawSector sector;
  for (std::int64_t i = 0; i < build; ++i) {
    const auto block = static_cast<std::int32_t>(lba + i);
    const TrackInfo* track = layout.TrackAt(block);
    if (!track) {
      sense = kLbaOutOfRange;  // between sessions
    } else if (track->mode == TrackMode::kAudio || track->mode == TrackMode::kMode2Formless ||
               track->mode == TrackMode::kMode2Form2) {
      sense = kIllegalModeForThisTrack;
    } else if (track->mode == TrackMode::kMode1) {
      if (const std::int64_t run = ReadMode1Run(c, *track, block, build - i); run > 0) {
        i += run - 1;
        continue;
      }
      if (const auto end = AppendMode1UserData(c, block)) return *end;
      continue;
    } else {
      sense = ReadRawBlock(u, block, &sector);
    }
    std::size_t offset = 16;
    if (sense.ok() && track->mode != TrackMode::kMode1) {
      if (BlockMode(track->mode, sector) != TrackMode::kMode2Form1) {
        sense = kIllegalModeForThisTrack;
      }
      offset = 24;
    }
    if (!sense.ok()) {
      c.information = static_cast<std::uint32_t>(block);
      return sense;
    }
    const std::size_t at = c.reply.size();
    c.reply.insert(c.reply.end(), sector.main.begin() + static_cast<std::ptrdiff_t>(offset),
                   sector.main.begin() + static_cast<std::ptrdiff_t>(offset + kBlockSize));
    if (u.faults.IsShort(block)) {
      // The transfer breaks off half-way into this block, with good status.
      c.reply.resize(at + kBlockSize / 2);
      NoteOverrun(c);
      return kNoSense;
    }
  }
  NoteOverrun(c);
  return ReadUserDataPastBuffer(c, lba + build, count - build);
}

// The blocks of a Read CD that do not fit the caller's buffer, read as the others are (see
// ReadUserDataPastBuffer): a fault there ends the command, their bytes overrun the buffer.
SenseCode ReadCdPastBuffer(CommandContext& c, const ReadCdSelection& sel, std::int64_t lba,
                           std::int64_t count) {
  DriveUnit& u = c.unit;
  const DiscLayout& layout = u.MediumLayout();
  RawSector sector;
  std::vector<std::uint8_t> block_bytes(kMaxReadCdBlock);
  for (std::int64_t i = 0; i < count; ++i) {
    const auto block = static_cast<std::int32_t>(lba + i);
    const TrackInfo* track = layout.TrackAt(block);
    SenseCode sense = track ? ReadRawBlock(u, block, &sector) : kLbaOutOfRange;
    std::size_t bytes = 0;
    if (sense.ok()) {
      const TrackMode mode = track->mode == TrackMode::kMode1 && u.faults.IsFormless(block)
                                 ? TrackMode::kMode2Formless
                                 : track->mode;
      const ReadCdStatus status = AssembleReadCdBlock(sel, mode, sector, block_bytes, &bytes);
      if (status == ReadCdStatus::kIllegalModeForTrack) sense = kIllegalModeForThisTrack;
      if (status == ReadCdStatus::kInvalidField) sense = kInvalidFieldInCdb;
    }
    if (!sense.ok()) {
      c.information = static_cast<std::uint32_t>(block);
      return sense;
    }
    if (bytes > 0) c.overrun = true;
    if (u.faults.IsShort(block)) return kNoSense;
    if (bytes == 0 || RestOfTrackAlike(u, *track)) {
      i = std::max<std::int64_t>(i, track->end - 1 - lba);
    }
  }
  return kNoSense;
}

SenseCode ReadCdBlocks(CommandContext& c, std::int64_t lba, std::int64_t count) {
  const ReadCdSelection sel = ReadCdSelection::FromCdb(c.cdb);
  DriveUnit& u = c.unit;
  if (CheckReadCdSelection(sel) != ReadCdStatus::kOk) return kInvalidFieldInCdb;
  if (ErrorFieldBytes(sel.main) > 0 && !ReportsC2(u.model)) return kInvalidFieldInCdb;
  if (count == 0) return kNoSense;
  const DiscLayout& layout = u.MediumLayout();
  SenseCode sense = CheckBlockRange(layout, lba, count);
  if (!sense.ok()) return sense;
  ChargeAccess(c, static_cast<std::int32_t>(lba), static_cast<std::int32_t>(count));
  // The user data alone of a Mode 1 block needs no EDC or ECC: taken as Read(10) takes it, so
  // that a capture of a data disc runs at the speed of the image file.
  const bool mode1_user_data =
      sel.main == 0x10 && sel.sub == 0 &&
      (sel.expected_type == kSectorTypeAny || sel.expected_type == kSectorTypeMode1);
  RawSector sector;
  std::int64_t i = 0;
  for (; i < count && ReplySize(c) < c.capacity; ++i) {
    const auto block = static_cast<std::int32_t>(lba + i);
    const TrackInfo* track = layout.TrackAt(block);
    const std::size_t at = c.reply.size();
    if (mode1_user_data && track && track->mode == TrackMode::kMode1 &&
        !u.faults.IsFormless(block)) {
      if (const std::int64_t run = ReadMode1Run(c, *track, block, count - i); run > 0) {
        i += run - 1;
        continue;
      }
      if (const auto end = AppendMode1UserData(c, block)) return *end;
      continue;
    }
    sense = track ? ReadRawBlock(u, block, &sector) : kLbaOutOfRange;
    std::size_t bytes = 0;
    if (sense.ok()) {
      // A drive that misjudges a Mode 1 block's sector type returns the fields of that type.
      const TrackMode mode = track->mode == TrackMode::kMode1 && u.faults.IsFormless(block)
                                 ? TrackMode::kMode2Formless
                                 : track->mode;
      c.reply.resize(at + kMaxReadCdBlock);
      const ReadCdStatus status = AssembleReadCdBlock(
          sel, mode, sector, std::span<std::uint8_t>(c.reply).subspan(at), &bytes);
      if (status == ReadCdStatus::kIllegalModeForTrack) sense = kIllegalModeForThisTrack;
      if (status == ReadCdStatus::kInvalidField) sense = kInvalidFieldInCdb;
    }
    c.reply.resize(sense.ok() ? at + bytes : at);
    if (!sense.ok()) {
      c.information = static_cast<std::uint32_t>(block);
      return sense;
    }
    if (u.faults.IsShort(block)) {
      c.reply.resize(at + bytes / 2);
      NoteOverrun(c);
      return kNoSense;
    }
    // The selection takes nothing from blocks of this track's type: the rest of the track
    // would return nothing too, so it is not built (the loop above stops only on a full
    // buffer, and a range of the whole disc must not cost the building of every block).
    if (bytes == 0) i = std::max<std::int64_t>(i, track->end - 1 - lba);
  }
  NoteOverrun(c);
  return ReadCdPastBuffer(c, sel, lba + i, count - i);
}

std::int32_t CdbMsfToLba(const Cdb& cdb, std::size_t at) {
  return MsfToFrames({cdb[at], cdb[at + 1], cdb[at + 2]}) - kMsfOffset;
}

void PutAddress(std::vector<std::uint8_t>& r, std::size_t at, std::int32_t lba, bool msf,
                bool relative) {
  if (!msf) {
    WriteBe32(r, at, static_cast<std::uint32_t>(lba));
    return;
  }
  const Msf m = relative ? FramesToMsf(lba < 0 ? -lba : lba) : LbaToMsf(lba);
  r[at + 1] = static_cast<std::uint8_t>(m.minutes);
  r[at + 2] = static_cast<std::uint8_t>(m.seconds);
  r[at + 3] = static_cast<std::uint8_t>(m.frames);
}

const TrackInfo* FindTrack(const DiscLayout& layout, int number) {
  for (const TrackInfo& t : layout.tracks) {
    if (t.number == number) return &t;
  }
  return nullptr;
}

}  // namespace

SenseCode ReadCapacity(CommandContext& c) {
  const bool pmi = c.cdb[8] & 0x01;
  if ((c.cdb[1] & 0x01) || (!pmi && ReadBe32(c.cdb, 2) != 0)) return kInvalidFieldInCdb;
  c.reply.assign(8, 0);
  WriteBe32(c.reply, 0, static_cast<std::uint32_t>(c.unit.MediumLayout().LeadoutStart() - 1));
  WriteBe32(c.reply, 4, kBlockSize);
  return kNoSense;
}

SenseCode Read10(CommandContext& c) {
  return ReadUserData(c, static_cast<std::int32_t>(ReadBe32(c.cdb, 2)), ReadBe16(c.cdb, 7));
}

SenseCode Read12(CommandContext& c) {
  return ReadUserData(c, static_cast<std::int32_t>(ReadBe32(c.cdb, 2)), ReadBe32(c.cdb, 6));
}

SenseCode ReadCd(CommandContext& c) {
  if (c.cdb[1] & 0x01) return kInvalidFieldInCdb;  // relative addressing
  return ReadCdBlocks(c, static_cast<std::int32_t>(ReadBe32(c.cdb, 2)), ReadBe24(c.cdb, 6));
}

SenseCode ReadCdMsf(CommandContext& c) {
  const std::int32_t start = CdbMsfToLba(c.cdb, 3);
  const std::int32_t end = CdbMsfToLba(c.cdb, 6);  // the first block not read
  if (start > end) return kInvalidFieldInCdb;
  return ReadCdBlocks(c, start, end - start);
}

SenseCode ReadToc(CommandContext& c) {
  const bool msf = c.cdb[1] & 0x02;
  int format = c.cdb[2] & 0x0F;
  // Older drives took the format from the top bits of the last byte.
  if (format == 0 && (c.cdb[9] >> 6) != 0) format = c.cdb[9] >> 6;
  SenseCode sense;
  c.reply = BuildToc(c.unit.MediumLayout(), format, msf, c.cdb[6], &sense);
  return sense;
}

SenseCode ReadSubChannel(CommandContext& c) {
  DriveUnit& u = c.unit;
  const DiscLayout& layout = u.MediumLayout();
  const bool msf = c.cdb[1] & 0x02;
  const bool subq = c.cdb[2] & 0x40;
  const std::uint8_t format = c.cdb[3];
  if (subq && (format < 1 || format > 3)) return kInvalidFieldInCdb;
  const TrackInfo* isrc_track = nullptr;
  if (subq && format == 3) {
    isrc_track = FindTrack(layout, c.cdb[6]);
    if (!isrc_track) return kInvalidFieldInCdb;
  }
  const bool playing = u.audio.Active(c.now);
  const std::int32_t position = playing ? u.audio.Position(c.now) : u.position;
  std::vector<std::uint8_t>& r = c.reply;
  r.assign(4, 0);
  r[1] = static_cast<std::uint8_t>(u.audio.TakeStatus(c.now));
  if (!subq) return kNoSense;
  const int aframe = static_cast<int>(LbaToMsf(position).frames);
  if (format == 1) {
    r.resize(16, 0);
    const BlockPosition where = LocateBlock(layout, position);
    const TrackInfo* track = where.track;
    std::int32_t relative = where.relative;
    int number = 0xAA, index = 1;
    std::uint8_t control = 0;
    if (track) {
      number = track->number;
      index = where.index;
      control = track->control;
    } else if (!layout.tracks.empty()) {
      control = layout.tracks.back().control;
    }
    r[5] = static_cast<std::uint8_t>(0x10 | (control & 0x0F));
    r[6] = static_cast<std::uint8_t>(number);
    r[7] = static_cast<std::uint8_t>(index);
    PutAddress(r, 8, position, msf, false);
    PutAddress(r, 12, relative, msf, true);
  } else if (format == 2) {
    r.resize(24, 0);
    if (layout.mcn.size() == 13) {
      r[8] = 0x80;
      std::memcpy(&r[9], layout.mcn.data(), 13);
      r[23] = static_cast<std::uint8_t>(aframe);
    }
  } else {
    r.resize(24, 0);
    r[5] = static_cast<std::uint8_t>(0x30 | (isrc_track->control & 0x0F));
    r[6] = static_cast<std::uint8_t>(isrc_track->number);
    if (isrc_track->isrc.size() == 12) {
      r[8] = 0x80;
      std::memcpy(&r[9], isrc_track->isrc.data(), 12);
      r[22] = static_cast<std::uint8_t>(aframe);
    }
  }
  r[4] = format;
  WriteBe16(r, 2, static_cast<std::uint32_t>(r.size() - 4));
  return kNoSense;
}

SenseCode ReadDiscInformation(CommandContext& c) {
  // Only the standard disc information (data type 000b).
  if ((c.cdb[1] & 0x07) != 0) return kInvalidFieldInCdb;
  c.reply = BuildDiscInformation(c.unit.MediumLayout());
  return kNoSense;
}

SenseCode ReadTrackInformation(CommandContext& c) {
  SenseCode sense;
  c.reply = BuildTrackInformation(c.unit.MediumLayout(), c.cdb[1] & 0x03, ReadBe32(c.cdb, 2),
                                  c.unit.model, &sense);
  return sense;
}

// The drive reads DVDs, but every disc it holds is a CD: there is no structure to read (as
// libcdio learns whether a disc is a DVD).
SenseCode ReadDvdStructure(CommandContext&) { return kIncompatibleMediumFormat; }

SenseCode Seek10(CommandContext& c) {
  DriveUnit& u = c.unit;
  const auto lba = static_cast<std::int32_t>(ReadBe32(c.cdb, 2));
  if (lba < 0 || lba >= u.MediumLayout().LeadoutStart()) return kLbaOutOfRange;
  ChargeAccess(c, lba, 0);
  u.position = lba;
  return kNoSense;
}

}  // namespace tamarack::emu
