#include "mmc/read_cd.h"

#include "util/bytes.h"
#include "util/msf.h"

namespace tamarack {

// [[gnu::hot]]: on the path of every command of a long job (docs/architecture.md, Build).
[[gnu::hot]] Cdb ReadCdCdb(std::uint32_t lba, std::uint32_t blocks,
                           const ReadCdSelection& selection) {
  Cdb cdb = mmc::ReadCdAt(lba, blocks);
  cdb[1] = static_cast<std::uint8_t>((selection.expected_type & 0x07) << 2);
  cdb[9] = selection.main;
  cdb[10] = static_cast<std::uint8_t>(selection.sub & 0x07);
  return cdb;
}

}  // namespace tamarack

namespace tamarack::mmc {

namespace {

void PutMsf(Cdb& cdb, std::size_t at, std::uint32_t frames) {
  const Msf t = MsfOfFrames(frames);
  WriteByte(cdb, at, static_cast<std::uint32_t>(t.minutes));
  WriteByte(cdb, at + 1, static_cast<std::uint32_t>(t.seconds));
  WriteByte(cdb, at + 2, static_cast<std::uint32_t>(t.frames));
}

}  // namespace

[[gnu::hot]] Cdb ReadCdAt(std::uint32_t lba, std::uint32_t blocks) {
  Cdb cdb{kReadCd};
  WriteBe32(cdb, 2, lba);
  WriteBe24(cdb, 6, blocks);
  return cdb;
}

Cdb ReadCdMsfAt(std::uint32_t start_frames, std::uint32_t end_frames) {
  Cdb cdb{kReadCdMsf};
  PutMsf(cdb, 3, start_frames);
  PutMsf(cdb, 6, end_frames);
  return cdb;
}

}  // namespace tamarack::mmc
