#include "device/platform_drives.h"

#include <cstdlib>
#include <string_view>

namespace tamarack {

bool PlatformDrivesEnabled() {
  const char* value = std::getenv("TAMARACK_PLATFORM_DRIVES");
  return !value || std::string_view(value) != "0";
}

}  // namespace tamarack
