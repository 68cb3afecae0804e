#include "tools/sector_cdb.h"

#include "decode/read_cd_choices.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

void PutMsf(Cdb& cdb, std::size_t at, std::uint32_t frames) {
  const Msf t = MsfOfFrames(frames);
  WriteByte(cdb, at, static_cast<std::uint32_t>(t.minutes));
  WriteByte(cdb, at + 1, static_cast<std::uint32_t>(t.seconds));
  WriteByte(cdb, at + 2, static_cast<std::uint32_t>(t.frames));
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
