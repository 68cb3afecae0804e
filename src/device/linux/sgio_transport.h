// A real drive through the Linux SG_IO request on /dev/srN or /dev/sgN.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "device/drive_directory.h"
#include "device/transport.h"

namespace tamarack {

// Data go through a page-aligned buffer: the caller's own when it is one of whole 512-byte units
// (a ReadBuffer), else a staging buffer of the transport's own (kept and grown across commands)
// that the caller's bytes are copied into and out of. The kernel then maps it for the drive
// instead of bouncing it through a zeroed copy, so the bytes a drive does not send keep the
// caller's fill. Used by one thread at a time.
class SgioTransport final : public Transport {
 public:
  // Opens `path` for reading and writing, falling back to read-only; O_NONBLOCK so that a
  // drive without a disc opens. On failure the result holds the errno and its text.
  static OpenResult Open(const std::string& path);

  ~SgioTransport() override;
  SgioTransport(const SgioTransport&) = delete;
  SgioTransport& operator=(const SgioTransport&) = delete;

  ScsiResult Execute(const ScsiRequest& request) override;
  bool GetAddress(ScsiAddress* address) override;
  std::string Id() const override { return path_; }
  bool Writable() const override { return writable_; }

 private:
  SgioTransport(int fd, std::string path, bool writable);
  // Sends `request` with a data phase of `length` bytes, through the caller's buffer when
  // `direct`, else through the staging buffer (which holds `length` bytes).
  ScsiResult Send(const ScsiRequest& request, std::size_t length, bool direct);
  // Makes the staging buffer hold at least `length` bytes; false when memory is short.
  bool ReserveStaging(std::size_t length);

  struct FreeBytes {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  int fd_;
  std::string path_;
  bool writable_;
  std::size_t page_size_;
  std::unique_ptr<std::uint8_t, FreeBytes> staging_;
  std::size_t staging_capacity_ = 0;
};

// An optical drive found in sysfs.
struct FoundDrive {
  std::string device;  // "/dev/sr0"
  ScsiAddress address;
};

// Every SCSI device of type 5 (CD/DVD) under `sysfs_root` (normally "/sys") that has a block
// device, ordered by its srN number. A missing or unreadable tree yields no drives.
std::vector<FoundDrive> DiscoverOpticalDrives(const std::filesystem::path& sysfs_root);

// Real drives: ids are device paths ("/dev/sr0", also "/dev/sgN" when typed by hand).
class SgioDriveProvider final : public DriveProvider {
 public:
  explicit SgioDriveProvider(std::filesystem::path sysfs_root = "/sys")
      : sysfs_root_(std::move(sysfs_root)) {}
  std::vector<std::string> ListDrives() override;
  bool Handles(std::string_view id) const override;
  OpenResult Open(std::string_view id) override;

 private:
  std::filesystem::path sysfs_root_;
};

}  // namespace tamarack
