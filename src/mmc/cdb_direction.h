// Which way a command's data go, from its opcode alone (opcodes.h holds the facts). A
// pass-through path that is handed a CDB and a buffer without the direction (a served drive's ring)
// needs it.
#pragma once

#include <cstdint>
#include <optional>

#include "device/scsi.h"

namespace tamarack {

// True for the MMC and SPC commands whose data go to the drive (Mode Select, Write, Send Key,
// Send Cue Sheet, ...).
bool SendsDataToDrive(std::uint8_t opcode);

// The direction of a command that moves `length` bytes: none without data, else out for the
// data-out commands and in for every other.
DataDirection DirectionOfCommand(std::uint8_t opcode, std::uint64_t length);

// The most bytes a data-in command may return, read from its CDB: its allocation length
// field (Inquiry, Request Sense, Mode Sense, Read TOC, Get Configuration, ...) or Read
// Capacity's fixed 8. Nothing for a command this table does not know. A buffer of this size is
// what the drive is asked to fill, so a path that reports no residual cannot claim more.
std::optional<std::uint32_t> DataInLength(const Cdb& cdb);

}  // namespace tamarack
