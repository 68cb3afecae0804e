// Saved measurements (".msr"): text with "\n" line ends, the first line "%d %d Model=%s" (block
// size, the graph's scale flag, the model line), then one line "%d" per sample. A run that did
// not finish writes "%d %d Unfinished:WHY Model=%s" (WHY "read-error" or "cancelled"): a reader
// of the old layout takes the numbers, skips to the "=" and reads the file as before.
#pragma once

#include <string>
#include <string_view>

#include "measure/speed_record.h"

namespace tamarack {

// The file's text for `record`. Line ends in the model are written as blanks, so that the
// file reads back as it was written; every other byte of it is kept, a NUL too.
std::string FormatMeasurementFile(const SpeedRecord& record);

// Reads a measurement file's text ("\r\n" line ends too). The first line gives the block size
// and the scale flag (a missing flag reads as 0, any other than 0 as 1) and, after its first
// "=", the model line (an "Unfinished:WHY" word before the "=" sets `unfinished`); every further
// line is a sample, up to kMaxSpeedSamples (the rest is ignored). False, with `record` untouched
// and the reason in `error` ("line N: ..."), when the first line gives no block size from 1 to
// kBlockRoom or a negative or overflowing scale flag, or a sample line is not a whole number from 0
// to 2147483647. A record without samples is a good read.
bool ParseMeasurementFile(std::string_view text, SpeedRecord* record, std::string* error);

// Writes the file atomically: false with the system's reason in `error` when it could not be
// written (an old file of that name stays whole).
bool SaveMeasurementFile(const std::string& path, const SpeedRecord& record, std::string* error);
// Reads a file; false with `record` untouched and the reason, naming the file, when it cannot
// be read or is not a measurement.
bool LoadMeasurementFile(const std::string& path, SpeedRecord* record, std::string* error);

}  // namespace tamarack
