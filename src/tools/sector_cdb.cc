#include "tools/sector_cdb.h"

#include "decode/read_cd_choices.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

constexpr std::uint32_t kFramesPerSecond = 75;
constexpr std::uint32_t kFramesPerMinute = 60 * kFramesPerSecond;

void PutMsf(Cdb& cdb, std::size_t at, std::uint32_t frames) {
  const MsfTime t = MsfOfFrames(frames);
  WriteByte(cdb, at, t.minutes);
  WriteByte(cdb, at + 1, t.seconds);
  WriteByte(cdb, at + 2, t.frames);
}

void PutSelection(Cdb& cdb, const Cdb& sector_cdb) {
  cdb[kReadCdMainByte] = sector_cdb[kReadCdMainByte];
  cdb[kReadCdSubByte] = sector_cdb[kReadCdSubByte];
}

}  // namespace

Cdb DefaultSectorCdb() {
  Cdb cdb{};
  cdb[kReadCdMainByte] = kUserDataBit;
  return cdb;
}

std::uint32_t FramesOfMsf(const MsfTime& t) {
  return (t.minutes * 60 + t.seconds) * kFramesPerSecond + t.frames;
}

MsfTime MsfOfFrames(std::uint32_t frames) {
  MsfTime t;
  t.minutes = frames / kFramesPerMinute;
  t.seconds = (frames - t.minutes * kFramesPerMinute) / kFramesPerSecond;
  t.frames = frames - t.minutes * kFramesPerMinute - t.seconds * kFramesPerSecond;
  return t;
}

Cdb ReadCdCdb(std::uint32_t lba, std::uint32_t blocks, const Cdb& sector_cdb) {
  Cdb cdb{};
  cdb[0] = kReadCdOpcode;
  WriteBe32(cdb, 2, lba);
  WriteBe24(cdb, 6, blocks);
  PutSelection(cdb, sector_cdb);
  return cdb;
}

Cdb ReadCdMsfCdb(std::uint32_t start_frames, std::uint32_t end_frames, const Cdb& sector_cdb) {
  Cdb cdb{};
  cdb[0] = kReadCdMsfOpcode;
  PutMsf(cdb, 3, start_frames);
  PutMsf(cdb, 6, end_frames);
  PutSelection(cdb, sector_cdb);
  return cdb;
}

}  // namespace tamarack
