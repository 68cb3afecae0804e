#include "device/platform_drives.h"

#include "device/linux/sgio_transport.h"

namespace tamarack {

std::unique_ptr<DriveProvider> MakePlatformDriveProvider() {
  if (!PlatformDrivesEnabled()) return nullptr;
  return std::make_unique<SgioDriveProvider>();
}

}  // namespace tamarack
