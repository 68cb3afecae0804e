// The virtual drive id parser on any text.
#include <cstdlib>
#include <string>

#include "emu/virtual_drive_id.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string id(reinterpret_cast<const char*>(data), size);
  tamarack::emu::VirtualDriveConfig config;
  std::string error;
  const bool ok = tamarack::emu::ParseVirtualDriveId(id, &config, &error);
  // Every refusal says why; an accepted id is a virtual one.
  if (!ok && error.empty()) std::abort();
  if (ok && !tamarack::emu::IsVirtualDriveId(id)) std::abort();
  return 0;
}
