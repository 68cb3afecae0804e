// Reads back the command trace that CommandTrace writes (JSON Lines, see docs/cli-guide.md), so
// that a recorded run can be replayed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/scsi.h"

namespace tamarack {

// One line of a trace: the request as it was sent and the answer it got.
struct TraceEntry {
  std::string drive;
  Cdb cdb{};
  DataDirection direction = DataDirection::kIn;
  std::uint32_t length = 0;
  std::vector<std::uint8_t> data_out;
  std::uint64_t data_out_omitted = 0;
  ScsiResult result;
  std::vector<std::uint8_t> reply;
  std::uint64_t reply_omitted = 0;
};

// Parses one trace line. Members the format does not name are ignored, missing ones keep
// their defaults except "cdb" and "outcome", which every line must hold. False with the
// reason in `error` for anything else that is not the format.
bool ParseTraceLine(std::string_view line, TraceEntry* entry, std::string* error);

// Every entry of a trace file in order (blank lines skipped). False with "PATH line N: why"
// (or why the file cannot be read) in `error`.
bool ReadTraceFile(const std::string& path, std::vector<TraceEntry>* entries, std::string* error);

}  // namespace tamarack
