// Building the Linux SG_IO request for one command and reading its outcome back. Pure
// functions, so the request can be checked without a device.
#pragma once

#include <scsi/sg.h>

#include "device/scsi.h"

namespace tamarack {

// Storage the request points into; must outlive the ioctl.
struct SgIoBuffers {
  Cdb cdb{};
  SenseBytes sense{};
};

// Fills an sg_io_hdr for `request`: 12-byte CDB, 24-byte sense area, the time-out in
// milliseconds. A data-in request without bytes goes as SG_DXFER_NONE, as the kernel wants.
sg_io_hdr_t BuildSgIoRequest(const ScsiRequest& request, SgIoBuffers* buffers);

// Classifies a finished request. `ioctl_errno` is 0 when the ioctl call itself succeeded.
// Host or driver errors without sense data are transport failures, not successes.
ScsiResult InterpretSgIoResult(const sg_io_hdr_t& hdr, const SgIoBuffers& buffers, int ioctl_errno);

// The operating system's text for an error number.
std::string OsErrorText(int error);

}  // namespace tamarack
