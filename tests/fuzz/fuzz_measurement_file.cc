// The measurement file reader on any text, what a loaded record is used for (its summary, its
// graph), and the round trip: a record that was read saves to a file that reads back to the
// same record, its model whole (line ends in it written as blanks).
#include <cstdlib>
#include <string>

#include "measure/graph_view.h"
#include "measure/measurement_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tamarack::SpeedRecord first;
  std::string error;
  if (!tamarack::ParseMeasurementFile(text, &first, &error)) return 0;
  (void)tamarack::RecordSummaryText(first);
  (void)tamarack::DrawSpeedGraph(first, tamarack::Box{0, 0, 800, 500});
  tamarack::SpeedRecord second;
  if (!tamarack::ParseMeasurementFile(tamarack::FormatMeasurementFile(first), &second, &error)) {
    std::abort();
  }
  if (second.block_size != first.block_size || second.scale != first.scale ||
      second.samples != first.samples || second.model.size() != first.model.size()) {
    std::abort();
  }
  return 0;
}
