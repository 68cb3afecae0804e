// The command trace reader on any line; a line it accepts, written again by the trace writer,
// reads back to the same command.
#include <cstdlib>
#include <string>

#include "device/command_trace.h"
#include "device/trace_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  tamarack::TraceEntry e;
  std::string error;
  if (!tamarack::ParseTraceLine(line, &e, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  // Rebuild the request as the writer saw it: data out, or the reply in the buffer.
  std::vector<std::uint8_t> buffer =
      e.direction == tamarack::DataDirection::kOut ? e.data_out : e.reply;
  const tamarack::ScsiRequest request{e.cdb, buffer, e.direction};
  tamarack::ScsiResult result = e.result;
  // The writer shows the sense bytes up to the last one in use.
  result.sense_length = 0;
  if (e.direction == tamarack::DataDirection::kIn) {
    result.transferred = static_cast<std::uint32_t>(buffer.size());
  }
  tamarack::TraceEntry again;
  if (!tamarack::ParseTraceLine(tamarack::FormatTraceLine({}, e.drive, request, result), &again,
                                &error))
    std::abort();
  // Texts are left out: the writer turns bytes that are not UTF-8 into code points.
  if (again.cdb != e.cdb || again.direction != e.direction ||
      again.result.status != e.result.status || again.result.sense != e.result.sense ||
      again.result.os_error != e.result.os_error)
    std::abort();
  if (e.direction == tamarack::DataDirection::kOut && again.data_out != e.data_out) std::abort();
  if (e.direction == tamarack::DataDirection::kIn &&
      e.result.status == tamarack::TransportStatus::kCompleted && again.reply != e.reply)
    std::abort();
  return 0;
}
