#include "decode/read_cd_form.h"

#include <limits>

#include "decode/read_cd_choices.h"
#include "decode/read_forms.h"
#include "form/form_layout.h"
#include "util/bytes.h"
#include "util/msf.h"

namespace tamarack {

namespace {

int FramesAt(const Cdb& cdb, std::size_t at) {
  return static_cast<int>(FramesOfMsf({ByteAt(cdb, at), ByteAt(cdb, at + 1), ByteAt(cdb, at + 2)}));
}

// Transfer Length: bytes 6-8; the value typed is also the number of blocks execution
// prepares its buffer for.
std::uint32_t GetTransferLength(const FormData& d) { return ReadBe24(d.cdb, 6); }
void SetTransferLength(FormData& d, std::uint32_t v) {
  WriteBe24(d.cdb, 6, v);
  d.transfer_blocks =
      v > static_cast<std::uint32_t>(std::numeric_limits<int>::max()) ? -1 : static_cast<int>(v);
}

// Read CD MSF has no length field: its block count follows from the MSF range. The expected
// sector type is collected after the two MSF fields, so its setter records the count of the
// range just written.
std::uint32_t GetMsfSectorType(const FormData& d) {
  return ByteAt(d.cdb, kReadCdTypeByte) & kExpectedSectorTypeMask;
}
void SetMsfSectorType(FormData& d, std::uint32_t v) {
  WriteByte(d.cdb, kReadCdTypeByte,
            (ByteAt(d.cdb, kReadCdTypeByte) & ~std::uint32_t{kExpectedSectorTypeMask}) |
                (v & kExpectedSectorTypeMask));
  d.transfer_blocks = ReadCdMsfBlocks(d.cdb);
}

// The fields both forms share, in the order of the CDB.
constexpr FieldDescriptor kRelAdr = CheckField("RelADR", Bit(1, 0));
constexpr FieldDescriptor kSync = CheckField("SYNC", Bit(9, 7));
constexpr FieldDescriptor kHeaderCodes =
    ChoiceField("Header Codes", Masked(9, kHeaderCodesMask), kHeaderCodeChoices);
constexpr FieldDescriptor kUserData = CheckField("User Data", Bit(9, 4));
constexpr FieldDescriptor kEdcEcc = CheckField("EDC & ECC", Bit(9, 3));
constexpr FieldDescriptor kErrorField =
    ChoiceField("Error Field", Masked(9, kErrorFieldMask), kErrorFieldChoices);
constexpr FieldDescriptor kSubChannel =
    ChoiceField("Sub-channel Selection Bits", Masked(10, kSubChannelMask), kSubChannelChoices);

const FieldDescriptor kReadCdFields[] = {
    ChoiceField("Expected Sector Type", Masked(1, kExpectedSectorTypeMask),
                kExpectedSectorTypeChoices),
    kRelAdr,
    kSync,
    kHeaderCodes,
    kUserData,
    kEdcEcc,
    kErrorField,
    kSubChannel,
    StartPositionField("Logical Block Address", BigEndian(2, 4)),
    NumberField("Transfer Length", Accessor(&GetTransferLength, &SetTransferLength),
                NumberSize::kFour),
};
const FormLayout kReadCdForm{kReadCdFields, false, false, nullptr};

const FieldDescriptor kReadCdMsfFields[] = {
    MsfField("Starting MSF", BigEndian(3, 1)),
    MsfField("Ending MSF", BigEndian(6, 1)),
    ChoiceField("Expected Sector Type", Accessor(&GetMsfSectorType, &SetMsfSectorType),
                kExpectedSectorTypeChoices),
    kRelAdr,
    kSync,
    kHeaderCodes,
    kUserData,
    kEdcEcc,
    kErrorField,
    kSubChannel,
};
const FormLayout kReadCdMsfForm{kReadCdMsfFields, false, false, nullptr};

}  // namespace

int ReadCdMsfBlocks(const Cdb& cdb) { return FramesAt(cdb, 6) - FramesAt(cdb, 3); }

const CommandBehaviour kReadCdBehaviour{&kReadCdForm, &DecodeReadBlocks, ResultView::kDump, false};
const CommandBehaviour kReadCdMsfBehaviour{&kReadCdMsfForm, &DecodeReadBlocks, ResultView::kDump,
                                           false};

}  // namespace tamarack
