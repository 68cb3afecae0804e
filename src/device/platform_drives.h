// The real drives of this platform, as a provider for the drive directory.
#pragma once

#include <memory>

#include "device/drive_directory.h"

namespace tamarack {

// False when the environment variable TAMARACK_PLATFORM_DRIVES is "0": scripts and tests that
// must never touch the machine's own drives leave them out.
bool PlatformDrivesEnabled();

// Linux: SG_IO drives found in sysfs. Null on a platform without a pass-through of ours, and
// when PlatformDrivesEnabled() is false.
std::unique_ptr<DriveProvider> MakePlatformDriveProvider();

}  // namespace tamarack
