// The texts a user types: the CDB box, the number boxes and a user slot's data. Each parser
// takes any text, and what it reads is what its own text of the value reads back as.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "console/cdb_text.h"
#include "console/user_slot.h"
#include "form/number_box.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int which = in.ConsumeIntegralInRange(0, 2);
  const bool hex = in.ConsumeBool();
  const auto length = in.ConsumeIntegralInRange<std::uint32_t>(0, 4096);
  const std::string text = in.ConsumeRemainingBytesAsString();
  switch (which) {
    case 0: {
      // A refused text says where it stopped, inside the text; a read one reads back whole.
      const tamarack::CdbBoxParse parsed = tamarack::ParseCdbBoxText(text);
      if (!parsed.cdb) {
        if (parsed.error.empty() || parsed.stop > text.size()) std::abort();
        break;
      }
      const tamarack::CdbBoxParse again = tamarack::ParseCdbBoxText(tamarack::CdbLine(*parsed.cdb));
      if (again.cdb != parsed.cdb) std::abort();
      break;
    }
    case 1: {
      const std::uint32_t v = tamarack::ParseNumberText(text, hex);
      if (tamarack::ParseNumberText(tamarack::FormatNumberText(v, hex), hex) != v) std::abort();
      break;
    }
    default: {
      const auto bytes = tamarack::ParseSlotData(text, length);
      if (bytes.size() != length) std::abort();
      if (tamarack::ParseSlotData(tamarack::SlotDataText(bytes), length) != bytes) std::abort();
      break;
    }
  }
  return 0;
}
