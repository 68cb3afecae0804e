#include "decode/read_forms.h"

#include <algorithm>

#include "decode/status_commands.h"
#include "decode/text_conventions.h"
#include "form/form_layout.h"
#include "form/hex_dump.h"
#include "mmc/block_size.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

// The address box is filled with the 28-bit reader and written back as 32 bits.
std::uint32_t GetLba28(const FormData& d) { return ReadBe28(d.cdb, 2); }

// Read(10): the box is filled from bytes 6-8 and written into bytes 7-8; the value typed is
// also the number of blocks execution prepares its buffer for.
std::uint32_t GetRead10Length(const FormData& d) { return ReadBe24(d.cdb, 6); }
void SetRead10Length(FormData& d, std::uint32_t v) {
  WriteBe16(d.cdb, 7, v);
  d.transfer_blocks = static_cast<int>(v);
}
// Read(12): filled with the 28-bit reader from bytes 6-9, written back as 32 bits.
std::uint32_t GetRead12Length(const FormData& d) { return ReadBe28(d.cdb, 6); }
void SetRead12Length(FormData& d, std::uint32_t v) {
  WriteBe32(d.cdb, 6, v);
  d.transfer_blocks = static_cast<int>(v);
}

constexpr FieldDescriptor kLbaField = StartPositionField("Logical Block Address", BigEndian(2, 4))
                                          .FilledFrom(Accessor(&GetLba28, nullptr));

const FieldDescriptor kRead10Fields[] = {
    CheckField("DPO (disable page out)", Bit(1, 4)),
    CheckField("FUA (force unit access)", Bit(1, 3)),
    CheckField("RELADR (relative address)", Bit(1, 0)),
    kLbaField,
    NumberField("Transfer Length", Accessor(&GetRead10Length, &SetRead10Length), NumberSize::kFour),
};
const FormLayout kRead10Form{kRead10Fields, false, false, nullptr};

const FieldDescriptor kRead12Fields[] = {
    CheckField("DPO (disable page out)", Bit(1, 4)),
    CheckField("FUA (force unit access)", Bit(1, 3)),
    CheckField("RELADR (relative address)", Bit(1, 0)),
    CheckField("Streaming", Bit(10, 7)),
    kLbaField,
    NumberField("Transfer Length", Accessor(&GetRead12Length, &SetRead12Length), NumberSize::kFour),
};
const FormLayout kRead12Form{kRead12Fields, false, false, nullptr};

const FieldDescriptor kCapacityFields[] = {
    CheckField("RELADR (relative address)", Bit(1, 0)),
    CheckField("PMI", Bit(8, 0)),
    kLbaField,
};
const FormLayout kCapacityForm{kCapacityFields, false, false, nullptr};

// The size a zero-filled tail implies (a bounced buffer, a padding path): as the fill does,
// the last block must have begun before the zeros. 0 when nothing fits.
std::uint32_t BlockSizeFromZeroTail(std::span<const std::uint8_t> reply, std::uint32_t blocks,
                                    std::span<const std::uint32_t> candidates) {
  std::size_t end = reply.size();
  while (end > 0 && reply[end - 1] == 0) --end;
  if (end == 0 || end == reply.size() || blocks == 0) return 0;
  for (const std::uint32_t s : candidates) {
    const std::uint64_t whole = std::uint64_t{blocks} * s;
    if (whole <= reply.size() && whole - s < end && end <= whole) return s;
  }
  return 0;
}

// The bytes of the blocks that were asked for: blocks x the size the reply implies (its fill,
// a believable residual, the one size the command can return, a zero tail), never more than
// was transferred. Without a size, the transferred count.
std::size_t ReturnedBlockBytes(const DecodeInput& input) {
  const std::size_t transferred = std::min<std::size_t>(input.transferred, input.data.size());
  const auto blocks = static_cast<std::uint32_t>(input.transfer_blocks);
  const auto requested = static_cast<std::uint32_t>(input.data.size());
  const std::vector<std::uint32_t> candidates = CandidateBlockSizes(input.cdb);
  std::uint32_t size = BlockSizeFromFill(input.data, requested, blocks, candidates);
  if (size == 0) size = BlockSizeFromResidual(input.transferred, requested, blocks, candidates);
  if (size == 0 && candidates.size() == 1) size = candidates.front();
  if (size == 0) size = BlockSizeFromZeroTail(input.data, blocks, candidates);
  if (size == 0) return transferred;
  return static_cast<std::size_t>(
      std::min<std::uint64_t>(std::uint64_t{blocks} * size, transferred));
}

}  // namespace

DecodeOutput DecodeReadBlocks(const DecodeInput& input) {
  DecodeOutput out;
  const std::size_t returned = ReturnedBlockBytes(input);
  if (returned == 0 || input.transfer_blocks == 0) {
    out.dump = kNoDataText;
    return out;
  }
  DumpHex(input.data.first(returned), &out.dump, true, input.group_size);
  out.dump_whole = true;
  return out;
}

const CommandBehaviour kRead10Behaviour{&kRead10Form, &DecodeReadBlocks, ResultView::kDump, false};
const CommandBehaviour kRead12Behaviour{&kRead12Form, &DecodeReadBlocks, ResultView::kDump, false};
const CommandBehaviour kReadCapacityBehaviour{&kCapacityForm, &DecodeCapacity,
                                              ResultView::kDecodedText, false};

}  // namespace tamarack
