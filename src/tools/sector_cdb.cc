#include "tools/sector_cdb.h"

#include "decode/read_cd_choices.h"
#include "mmc/read_cd.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

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
  Cdb cdb = mmc::ReadCdAt(lba, blocks);
  PutSelection(cdb, sector_cdb);
  return cdb;
}

Cdb ReadCdMsfCdb(std::uint32_t start_frames, std::uint32_t end_frames, const Cdb& sector_cdb) {
  Cdb cdb = mmc::ReadCdMsfAt(start_frames, end_frames);
  PutSelection(cdb, sector_cdb);
  return cdb;
}

}  // namespace tamarack
