// The read command forms: Read(10) (28h), Read(12) (A8h) and Read CD-ROM Capacity (25h),
// each with the start position row, and the decoders of the two reads (the returned blocks
// as a dump, or "No Data").
#pragma once

#include "form/command_behaviour.h"
#include "form/decoder.h"

namespace tamarack {

// The dump of the blocks asked for (blocks x the block size the reply implies: where its 5Ah
// fill begins, a residual of whole blocks, the one size the command can return, or where a
// zeroed tail begins; every byte transferred when nothing tells), or "No Data" when the
// command returned nothing or was sent with transfer length 0.
DecodeOutput DecodeReadBlocks(const DecodeInput& input);

extern const CommandBehaviour kRead10Behaviour;
extern const CommandBehaviour kRead12Behaviour;
extern const CommandBehaviour kReadCapacityBehaviour;

}  // namespace tamarack
