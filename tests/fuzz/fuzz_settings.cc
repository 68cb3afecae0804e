// The settings file reader on any text, and the round trip: the file written from what was
// read reads back to the same settings (written again, the same text).
#include <cstdlib>
#include <string>

#include "shell/settings_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tamarack::SettingsData first;
  tamarack::ApplySettingsText(text, &first);
  const std::string written = tamarack::FormatSettings(first);
  tamarack::SettingsData second;
  tamarack::ApplySettingsText(written, &second);
  if (tamarack::FormatSettings(second) != written) std::abort();
  return 0;
}
