// A real drive through the Windows SCSI pass-through (SPTI) on "\\.\D:".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/drive_directory.h"
#include "device/transport.h"

namespace tamarack {

// Data go through the caller's buffer when it lies on the adapter's alignment, else through
// an aligned staging buffer of the transport's own that the caller's bytes are copied into and
// out of, so that bytes the drive does not send keep the caller's fill. Used by one thread at
// a time.
class SptiTransport final : public Transport {
 public:
  // Opens drive letter `letter` ("D:") for reading and writing, shared, falling back to
  // read-only when writing is refused. On failure the result holds the error and its text.
  static OpenResult Open(const std::string& letter);

  ~SptiTransport() override;
  SptiTransport(const SptiTransport&) = delete;
  SptiTransport& operator=(const SptiTransport&) = delete;

  ScsiResult Execute(const ScsiRequest& request) override;
  bool GetAddress(ScsiAddress* address) override;
  std::string Id() const override { return letter_; }
  bool Writable() const override { return writable_; }
  std::string SystemVolumeLabel() const override;

 private:
  SptiTransport(void* handle, std::string letter, bool writable, std::uint32_t alignment_mask);
  bool ReserveStaging(std::size_t length);

  void* handle_;
  std::string letter_;
  bool writable_;
  std::uint32_t alignment_mask_;
  std::uint8_t* staging_ = nullptr;
  std::size_t staging_capacity_ = 0;
};

// Real drives: ids are drive letters ("D:").
class SptiDriveProvider final : public DriveProvider {
 public:
  std::vector<std::string> ListDrives() override;
  bool Handles(std::string_view id) const override;
  OpenResult Open(std::string_view id) override;
};

}  // namespace tamarack
