// The parameter forms of Read CD (BEh) and Read CD MSF (B9h): the Read CD field choices, the
// start address (LBA with the start position row, or the MSF range) and, for Read CD, the
// transfer length. Both show the returned blocks as a dump, or "No Data".
#pragma once

#include "form/command_behaviour.h"

namespace tamarack {

extern const CommandBehaviour kReadCdBehaviour;
extern const CommandBehaviour kReadCdMsfBehaviour;

// Blocks a Read CD MSF CDB asks for: the end address (bytes 6-8, the first frame not read)
// less the start address (bytes 3-5); negative when the end lies before the start.
int ReadCdMsfBlocks(const Cdb& cdb);

}  // namespace tamarack
