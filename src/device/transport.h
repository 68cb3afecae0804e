// The one narrow interface between the system and a drive.
#pragma once

#include <string>

#include "device/scsi.h"

namespace tamarack {

// Carries one CDB to a drive and brings its answer back. Implementations: SgioTransport
// (Linux SG_IO), VirtualDrive (a drive in software) and decorators that wrap either.
// A Transport is used by one thread at a time; the caller serialises access.
class Transport {
 public:
  virtual ~Transport() = default;

  // Sends one command and waits for its end (or its time-out). Never throws.
  virtual ScsiResult Execute(const ScsiRequest& request) = 0;

  // The drive's address on its bus; false when the platform cannot tell it.
  virtual bool GetAddress(ScsiAddress* address) = 0;

  // The drive id this transport was opened on ("/dev/sr0", "emu:type13", ...).
  virtual std::string Id() const = 0;

  // True when the device was opened for writing. Write-class commands (Mode Select, Set CD
  // Speed, Load/Unload, ...) need it on Linux. Virtual drives are always writable.
  virtual bool Writable() const { return true; }

  // The disc's volume label as the platform's file system reads it (Windows:
  // GetVolumeInformationA, which knows Joliet and UDF too); "" where the platform tells none,
  // and the disc's own volume descriptor is read instead.
  virtual std::string SystemVolumeLabel() const { return {}; }
};

}  // namespace tamarack
