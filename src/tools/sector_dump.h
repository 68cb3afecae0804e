// The Sector Dump tab as a model: the address mode and the fields as typed, `SectorCdb`, the
// grouping of the dump, and the checks and steps made on the window thread before a read.
// The read itself is SectorDumpJob's. Window-thread object.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/scsi.h"
#include "form/hex_dump.h"
#include "tools/sector_cdb.h"
#include "util/message_catalogue.h"

namespace tamarack {

// "&LBA", "M&SF", "ISO9660 &VDS".
enum class DumpAddressMode : std::uint8_t { kLba = 1, kMsf = 2, kVolumeDescriptor = 3 };

// How a read came about: the execute button, or the spin button beside the address.
enum class DumpStep : std::uint8_t { kNone, kNext, kPrevious };

inline constexpr std::uint32_t kMaxDumpBlocks = 10;

inline constexpr const char* kDumpLbaInvalidMessage =
    TR_NOOP("ﾊﾟﾗﾒｰﾀｴﾗｰを検出しました\nLBAが不正です");
inline constexpr const char* kDumpLengthInvalidMessage =
    TR_NOOP("ﾊﾟﾗﾒｰﾀｴﾗｰを検出しました\nLengthが不正です");
inline constexpr const char* kDumpLengthZeroMessage =
    TR_NOOP("ﾊﾟﾗﾒｰﾀｴﾗｰを検出しました\nLengthが0です");
inline constexpr const char* kDumpStartAfterEndMessage =
    TR_NOOP("ﾊﾟﾗﾒｰﾀｴﾗｰを検出しました\n開始>終了");
inline constexpr const char* kDumpLengthCutMessage =
    TR_NOOP("転送長が最大数(最大数は10)を超えたので最大数にしました");
inline constexpr const char* kDumpMsfLengthCutMessage =
    TR_NOOP("転送長が最大数(最大数は10)を超えたので最大数にしました.");
inline constexpr const char* kNowReadingText = "Now Reading!";

// The three boxes of an MSF address, as typed (two digits each).
using MsfText = std::array<std::string, 3>;

// One read, ready for the job.
struct DumpRequest {
  DumpAddressMode mode = DumpAddressMode::kLba;
  std::uint32_t lba = 0;           // LBA mode
  std::uint32_t blocks = 1;        // every mode
  std::uint32_t start_frames = 0;  // MSF mode, frames from 00:00:00
  std::uint32_t end_frames = 0;
  Cdb sector_cdb{};  // bytes 9 and 10 choose the fields
  int group_size = 4;

  // The Read CD or Read CD MSF command (LBA and MSF modes; the volume descriptor's needs the
  // LBA found first).
  Cdb CommandCdb() const;
};

// What the checks before a read decided.
struct DumpPreparation {
  // Information message boxes, in order. When `request` is empty the last of them is the
  // parameter error that ended the read.
  std::vector<std::string> messages;
  std::optional<DumpRequest> request;
};

// The settings file's keys of the Sector Dump tab ("DumpKind=", "DumpMode=", "LBA=",
// "BLOCK=", "STARTMSF=", "ENDMSF=", "SectorCom=").
struct SectorDumpKeys {
  int dump_kind = kDefaultGroupingIndex;
  int dump_mode = 0;  // 0 LBA, 1 MSF, 2 ISO 9660 volume descriptor
  int lba = 0;
  int block = 1;
  int start_msf = 0;  // minutes x 65536 + seconds x 256 + frames
  int end_msf = 0;
  Cdb sector_com = DefaultSectorCdb();
};

class SectorDump {
 public:
  SectorDump();

  DumpAddressMode mode = DumpAddressMode::kLba;
  std::string lba_text = "0";
  std::string length_text = "1";
  MsfText start{"00", "00", "00"};
  MsfText end{"00", "00", "00"};
  Cdb sector_cdb;  // `SectorCdb`: bytes 9 and 10 are the detail options
  int grouping_index = kDefaultGroupingIndex;

  // The checks and steps of a read on the window thread: parse the fields (rewriting them
  // where the read changes them: a length cut to 10, a step), and give the request or the
  // message that stops it. `hex` is the state of "He&x Input".
  DumpPreparation Prepare(DumpStep step, bool hex);

  // After a volume descriptor read: the LBA it read, for the radio button's caption
  // ("&VDS %d\n(%xh)") and for stepping on from it.
  void SetVolumeDescriptorLba(std::uint32_t lba) { vds_lba_ = lba; }
  std::optional<std::uint32_t> volume_descriptor_lba() const { return vds_lba_; }
  std::string VolumeDescriptorCaption() const;

  int group_size() const { return GroupSize(grouping_index); }

  // The settings keys, and the fields set from them (numbers shown in the current base).
  SectorDumpKeys Keys(bool hex) const;
  void ApplyKeys(const SectorDumpKeys& keys, bool hex);

 private:
  DumpPreparation PrepareLba(DumpStep step, bool hex);
  DumpPreparation PrepareMsf(DumpStep step);

  std::optional<std::uint32_t> vds_lba_;
};

// The dump display's text for the valid bytes of a read: the console's dump of every byte,
// or "No Data".
std::string FormatSectorDump(std::span<const std::uint8_t> valid, int group_size);

// An MSF box's value: its leading decimal number, at most 99 (the boxes hold two digits).
std::uint32_t MsfBoxValue(std::string_view text);
std::uint32_t FramesOfText(const MsfText& text);
MsfText TextOfFrames(std::uint32_t frames);

}  // namespace tamarack
