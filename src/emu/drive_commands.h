// The commands of the virtual drive: what a handler works with, the dispatch table of
// opcode → {handler, flags}, and the handlers themselves (one file per command group).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/clock.h"
#include "device/scsi.h"
#include "emu/drive_unit.h"
#include "emu/sense_codes.h"

namespace tamarack::emu {

// One command on its way through a handler. The dispatcher has already applied the gates
// (unit attention, medium present) and cuts `reply` to the allocation length and the buffer.
struct CommandContext {
  DriveUnit& unit;
  const Cdb& cdb;
  std::span<const std::uint8_t> data_out;    // the parameter list of a data-out command
  std::size_t capacity = 0;                  // bytes the caller's data-in buffer takes
  Clock::Duration now{0};                    // the clock when the command arrived
  std::vector<std::uint8_t> reply;           // data in, built by the handler
  Clock::Duration time{0};                   // how long the drive is busy with the command
  std::optional<std::uint32_t> information;  // the sense data's information field
  // The caller's data-in buffer and the command's time-out. A block read puts whole blocks
  // straight into the buffer while the reply so far is all there (`direct` bytes of it), saving
  // their copy out of `reply`; what it builds in `reply` follows them. Not after the time-out:
  // a command that outlasts it delivers nothing.
  std::span<std::uint8_t> in;
  Clock::Duration timeout{0};
  std::size_t direct = 0;
  // A block read had more bytes to send than the buffer takes: it read every block asked for
  // (a fault in any of them ends it as ever), and the rest is an overrun the host must see.
  bool overrun = false;
};

// Bytes of the reply so far: those put straight into the caller's buffer, then `reply`'s.
inline std::size_t ReplySize(const CommandContext& c) { return c.direct + c.reply.size(); }

// Returns kNoSense for good status, else the sense of the check condition (the reply may then
// hold the blocks read before the failing one).
using CommandHandler = SenseCode (*)(CommandContext&);

enum CommandFlag : std::uint32_t {
  kNeedsMedium = 1u << 0,
  // Runs with a unit attention pending and leaves it pending (Inquiry, Get Configuration,
  // Get Event/Status Notification; Request Sense reports it itself).
  kIgnoresAttention = 1u << 1,
  kAllocationLength = 1u << 2,  // the length field is the allocation length of data in
  kParameterLength = 1u << 3,   // the length field is the parameter list length of data out
  kBlockRead = 1u << 4,         // data in are blocks of the disc (the read commands)
};

struct CommandRow {
  std::uint8_t opcode;
  const char* name;
  CommandHandler handler;
  std::uint32_t flags;
  std::uint8_t length_offset;  // big-endian length field in the CDB (with a length flag)
  std::uint8_t length_size;
};

// The row of `opcode`, or null for an opcode the drive does not know.
const CommandRow* FindCommand(std::uint8_t opcode);
std::span<const CommandRow> CommandTable();

// Status and configuration (commands_status.cc).
SenseCode TestUnitReady(CommandContext& c);
SenseCode RequestSense(CommandContext& c);
SenseCode Inquiry(CommandContext& c);
SenseCode ModeSense6(CommandContext& c);
SenseCode ModeSense10(CommandContext& c);
SenseCode ModeSelect6(CommandContext& c);
SenseCode ModeSelect10(CommandContext& c);
SenseCode GetConfiguration(CommandContext& c);
SenseCode GetEventStatusNotification(CommandContext& c);
SenseCode SendEvent(CommandContext& c);
SenseCode MechanismStatus(CommandContext& c);

// Reading (commands_read.cc).
SenseCode ReadCapacity(CommandContext& c);
SenseCode Read10(CommandContext& c);
SenseCode Read12(CommandContext& c);
SenseCode ReadCd(CommandContext& c);
SenseCode ReadCdMsf(CommandContext& c);
SenseCode ReadToc(CommandContext& c);
SenseCode ReadSubChannel(CommandContext& c);
SenseCode ReadDiscInformation(CommandContext& c);
SenseCode ReadTrackInformation(CommandContext& c);
SenseCode ReadDvdStructure(CommandContext& c);
SenseCode Seek10(CommandContext& c);

// Tray, lock and speed (commands_mechanism.cc).
SenseCode StartStopUnit(CommandContext& c);
SenseCode PreventAllowMediumRemoval(CommandContext& c);
SenseCode LoadUnloadCd(CommandContext& c);
SenseCode SetCdSpeed(CommandContext& c);

// Audio (commands_audio.cc).
SenseCode PlayAudio10(CommandContext& c);
SenseCode PlayAudioMsf(CommandContext& c);
SenseCode PauseResume(CommandContext& c);
SenseCode StopPlayScan(CommandContext& c);
SenseCode Scan(CommandContext& c);

}  // namespace tamarack::emu
