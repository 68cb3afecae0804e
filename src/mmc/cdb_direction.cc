#include "mmc/cdb_direction.h"

#include "mmc/opcodes.h"

namespace tamarack {

std::optional<std::uint32_t> DataInLength(const Cdb& cdb) {
  const mmc::OpcodeInfo* row = mmc::FindOpcode(cdb[0]);
  if (row == nullptr || row->direction != DataDirection::kIn) return std::nullopt;
  if (row->reply_length != 0) return row->reply_length;
  return mmc::LengthField(cdb);
}

bool SendsDataToDrive(std::uint8_t opcode) {
  const mmc::OpcodeInfo* row = mmc::FindOpcode(opcode);
  return row != nullptr && row->direction == DataDirection::kOut;
}

DataDirection DirectionOfCommand(std::uint8_t opcode, std::uint64_t length) {
  if (length == 0) return DataDirection::kNone;
  return SendsDataToDrive(opcode) ? DataDirection::kOut : DataDirection::kIn;
}

}  // namespace tamarack
