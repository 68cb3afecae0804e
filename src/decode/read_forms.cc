#include "decode/read_forms.h"

#include <algorithm>

#include "decode/status_commands.h"
#include "decode/text_conventions.h"
#include "form/form_layout.h"
#include "form/hex_dump.h"
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

}  // namespace

DecodeOutput DecodeReadBlocks(const DecodeInput& input) {
  DecodeOutput out;
  const std::size_t returned = std::min<std::size_t>(input.transferred, input.data.size());
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
