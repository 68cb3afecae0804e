// The real drives of this platform, as a provider for the drive directory.
#pragma once

#include <memory>

#include "device/drive_directory.h"

namespace tamarack {

// Linux: SG_IO drives found in sysfs. Null on a platform without a pass-through of ours.
std::unique_ptr<DriveProvider> MakePlatformDriveProvider();

}  // namespace tamarack
