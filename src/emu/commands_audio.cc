// Audio play and scan commands of the virtual drive.
#include <algorithm>

#include "emu/cd_address.h"
#include "emu/drive_commands.h"
#include "util/bytes.h"

namespace tamarack::emu {

namespace {

constexpr std::uint32_t kCurrentPosition = 0xFFFFFFFF;

std::int32_t CurrentPosition(CommandContext& c) {
  return c.unit.audio.Active(c.now) ? c.unit.audio.Position(c.now) : c.unit.position;
}

// Blocks [start, end) must lie on the disc and in audio tracks.
SenseCode CheckAudioRange(const DiscLayout& layout, std::int64_t start, std::int64_t end) {
  if (start < 0 || end > layout.LeadoutStart() || start >= end) return kLbaOutOfRange;
  for (const TrackInfo& t : layout.tracks) {
    if (t.pregap_start < end && t.end > start && t.mode != TrackMode::kAudio) {
      return kIllegalModeForThisTrack;
    }
  }
  const TrackInfo* first = layout.TrackAt(static_cast<std::int32_t>(start));
  return first ? kNoSense : kLbaOutOfRange;
}

SenseCode StartPlay(CommandContext& c, std::int64_t start, std::int64_t end) {
  if (start == end) return kNoSense;  // nothing to play is no error
  if (start > end) return kInvalidFieldInCdb;
  const DiscLayout& layout = c.unit.MediumLayout();
  const SenseCode sense = CheckAudioRange(layout, start, end);
  if (!sense.ok()) return sense;
  DriveUnit& u = c.unit;
  const auto from = static_cast<std::int32_t>(start);
  if (u.spun_down) c.time += u.speed.SpinUpTime();
  u.spun_down = false;
  c.time += u.speed.SeekTime(u.head, from);
  u.head = u.position = from;
  u.audio.Play(from, static_cast<std::int32_t>(end), c.now + c.time);
  return kNoSense;
}

}  // namespace

SenseCode PlayAudio10(CommandContext& c) {
  if (c.cdb[1] & 0x01) return kInvalidFieldInCdb;  // relative addressing
  const std::uint32_t field = ReadBe32(c.cdb, 2);
  const std::int64_t start =
      field == kCurrentPosition ? CurrentPosition(c) : static_cast<std::int32_t>(field);
  return StartPlay(c, start, start + ReadBe16(c.cdb, 7));
}

SenseCode PlayAudioMsf(CommandContext& c) {
  const bool current = c.cdb[3] == 0xFF && c.cdb[4] == 0xFF && c.cdb[5] == 0xFF;
  const std::int64_t start =
      current ? CurrentPosition(c) : MsfToFrames({c.cdb[3], c.cdb[4], c.cdb[5]}) - kMsfOffset;
  const std::int64_t end = MsfToFrames({c.cdb[6], c.cdb[7], c.cdb[8]}) - kMsfOffset;
  return StartPlay(c, start, end);
}

SenseCode PauseResume(CommandContext& c) {
  const bool resume = c.cdb[8] & 0x01;
  const bool ok = resume ? c.unit.audio.Resume(c.now) : c.unit.audio.Pause(c.now);
  return ok ? kNoSense : kCommandSequenceError;
}

SenseCode StopPlayScan(CommandContext& c) {
  DriveUnit& u = c.unit;
  if (u.audio.Active(c.now)) u.position = u.audio.Position(c.now);
  u.audio.Stop(c.now);
  return kNoSense;
}

SenseCode Scan(CommandContext& c) {
  DriveUnit& u = c.unit;
  const DiscLayout& layout = u.MediumLayout();
  const bool reverse = c.cdb[1] & 0x10;
  if (c.cdb[1] & 0x01) return kInvalidFieldInCdb;  // relative addressing
  std::int64_t start = 0;
  switch (c.cdb[9] >> 6) {
    case 0:
      start = static_cast<std::int32_t>(ReadBe32(c.cdb, 2));
      break;
    case 1:
      start = MsfToFrames({c.cdb[3], c.cdb[4], c.cdb[5]}) - kMsfOffset;
      break;
    case 2: {
      const TrackInfo* track = nullptr;
      for (const TrackInfo& t : layout.tracks) {
        if (t.number == c.cdb[5]) track = &t;
      }
      if (!track) return kInvalidFieldInCdb;
      start = track->start;
      break;
    }
    default:
      return kInvalidFieldInCdb;
  }
  const SenseCode sense = CheckAudioRange(layout, start, start + 1);
  if (!sense.ok()) return sense;
  const auto from = static_cast<std::int32_t>(start);
  if (u.spun_down) c.time += u.speed.SpinUpTime();
  u.spun_down = false;
  c.time += u.speed.SeekTime(u.head, from);
  u.head = u.position = from;
  const TrackInfo* track = layout.TrackAt(from);
  // The scan runs over the audio tracks around the start, to the first data track or the
  // lead-out (forward) or to the first block (reverse).
  std::int32_t limit = reverse ? 0 : layout.LeadoutStart();
  for (const TrackInfo& t : layout.tracks) {
    if (t.mode == TrackMode::kAudio) continue;
    if (!reverse && t.pregap_start >= track->end) limit = std::min(limit, t.pregap_start);
    if (reverse && t.end <= track->pregap_start) limit = std::max(limit, t.end);
  }
  u.audio.Scan(from, limit, c.now + c.time);
  return kNoSense;
}

}  // namespace tamarack::emu
