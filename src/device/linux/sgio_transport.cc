#include "device/linux/sgio_transport.h"

#include <fcntl.h>
#include <scsi/scsi.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <fstream>
#include <system_error>

#include "device/clock.h"
#include "device/linux/command_permission.h"
#include "device/linux/sgio_request.h"
#include "device/read_buffer.h"

namespace tamarack {

namespace fs = std::filesystem;

OpenResult SgioTransport::Open(const std::string& path) {
  OpenResult result;
  bool writable = true;
  int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    writable = false;
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  }
  if (fd < 0) {
    result.os_error = errno;
    result.error = path + ": " + OsErrorText(errno);
    if (errno == EACCES || errno == EPERM) {
      result.error += " (add your user to the group that owns the device, usually \"cdrom\")";
    }
    return result;
  }
  result.transport.reset(new SgioTransport(fd, path, writable));
  return result;
}

SgioTransport::SgioTransport(int fd, std::string path, bool writable)
    : fd_(fd), path_(std::move(path)), writable_(writable), page_size_(PageSize()) {}

SgioTransport::~SgioTransport() {
  if (fd_ >= 0) ::close(fd_);
}

bool SgioTransport::ReserveStaging(std::size_t length) {
  if (length <= staging_capacity_) return true;
  const std::size_t capacity = SgIoStagingCapacity(length, page_size_);
  void* p = std::aligned_alloc(page_size_, capacity);
  if (!p) return false;
  staging_.reset(static_cast<std::uint8_t*>(p));
  staging_capacity_ = capacity;
  return true;
}

namespace {

// A request refused before it reached the kernel (too long, or no memory to stage it).
ScsiResult RefusedHere(int error, std::size_t size) {
  ScsiResult r;
  r.status = TransportStatus::kRefused;
  r.os_error = error;
  r.reason = OsErrorText(error);
  r.transferred = static_cast<std::uint32_t>(std::min(size, kMaxSgIoTransfer));
  return r;
}

}  // namespace

[[gnu::hot]] ScsiResult SgioTransport::Execute(const ScsiRequest& request) {
  const std::size_t size = request.buffer.size();
  const std::size_t length = SgIoTransferLength(request);
  const bool direct = size <= kMaxSgIoTransfer && SgIoUsesCallersBuffer(request, page_size_);
  if (size > kMaxSgIoTransfer || (length > 0 && !direct && !ReserveStaging(length))) {
    return RefusedHere(size > kMaxSgIoTransfer ? EINVAL : ENOMEM, size);
  }
  return Send(request, length, direct);
}

// Every path returns the one named result, so that it is built in the caller's place: a
// function that also returns another value moves it there on every command.
[[gnu::hot]] ScsiResult SgioTransport::Send(const ScsiRequest& request, std::size_t length,
                                            bool direct) {
  const std::size_t size = request.buffer.size();
  const std::span<std::uint8_t> staging =
      direct ? request.buffer : std::span<std::uint8_t>(staging_.get(), length);
  // The caller's bytes go in for data in too: they are what an unsent tail keeps.
  const std::size_t moved = std::min(size, length);
  if (!direct && moved > 0) std::memcpy(staging.data(), request.buffer.data(), moved);
  SgIoBuffers buffers;
  sg_io_hdr_t hdr = BuildSgIoRequest(request, staging, &buffers);
  const Clock::Duration start = MonotonicNow();
  int rc;
  do {
    rc = ::ioctl(fd_, SG_IO, &hdr);
  } while (rc < 0 && errno == EINTR);
  const int err = rc < 0 ? errno : 0;
  const Clock::Duration end = MonotonicNow();
  if (!direct && request.direction == DataDirection::kIn && moved > 0) {
    std::memcpy(request.buffer.data(), staging.data(), moved);
  }
  ScsiResult r = InterpretSgIoResult(hdr, buffers, err, moved);
  if (err == EPERM || err == EACCES) r.advice = PermissionAdvice(request.cdb[0], writable_, path_);
  // The kernel's own duration counts in jiffies: time the call ourselves.
  r.duration = std::chrono::duration_cast<std::chrono::microseconds>(end - start);
  return r;
}

bool SgioTransport::GetAddress(ScsiAddress* address) {
  // dev_id packs id | lun << 8 | channel << 16 | host << 24.
  struct {
    int dev_id;
    int host_unique_id;
  } idlun{};
  if (::ioctl(fd_, SCSI_IOCTL_GET_IDLUN, &idlun) < 0) return false;
  const auto v = static_cast<std::uint32_t>(idlun.dev_id);
  address->target_id = static_cast<std::uint8_t>(v & 0xFF);
  address->lun = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  address->path_id = static_cast<std::uint8_t>((v >> 16) & 0xFF);
  address->port = static_cast<std::uint8_t>((v >> 24) & 0xFF);
  return true;
}

namespace {

std::string ReadFirstLine(const fs::path& p) {
  std::ifstream in(p);
  std::string line;
  std::getline(in, line);
  return line;
}

// "H:C:T:L" → address; false when it is not of that shape.
bool ParseHctl(std::string_view text, ScsiAddress* a) {
  unsigned parts[4] = {};
  const char* p = text.data();
  const char* const end = text.data() + text.size();
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (p == end || *p != ':') return false;
      ++p;
    }
    // Digits only: sscanf also took signs and spaces.
    if (p == end || *p < '0' || *p > '9') return false;
    const auto [next, ec] = std::from_chars(p, end, parts[i]);
    if (ec != std::errc()) return false;
    p = next;
  }
  if (p != end) return false;
  // The low byte of each, as SCSI_IOCTL_GET_IDLUN gives them (host numbers grow past 255
  // as USB drives come and go).
  a->port = static_cast<std::uint8_t>(parts[0] & 0xFF);
  a->path_id = static_cast<std::uint8_t>(parts[1] & 0xFF);
  a->target_id = static_cast<std::uint8_t>(parts[2] & 0xFF);
  a->lun = static_cast<std::uint8_t>(parts[3] & 0xFF);
  return true;
}

// The number in "sr12", or -1.
long SrNumber(const std::string& name) {
  if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return -1;
  long n = 0;
  for (std::size_t i = 2; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

}  // namespace

std::vector<FoundDrive> DiscoverOpticalDrives(const fs::path& sysfs_root) {
  std::vector<std::pair<long, FoundDrive>> found;
  std::error_code ec;
  const fs::path devices = sysfs_root / "class" / "scsi_device";
  for (fs::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path dev = it->path() / "device";
    if (ReadFirstLine(dev / "type") != "5") continue;
    FoundDrive drive;
    if (!ParseHctl(it->path().filename().string(), &drive.address)) continue;
    std::error_code ec2;
    for (fs::directory_iterator b(dev / "block", ec2), bend; !ec2 && b != bend; b.increment(ec2)) {
      const std::string name = b->path().filename().string();
      const long n = SrNumber(name);
      if (n < 0) continue;
      drive.device = "/dev/" + name;
      found.emplace_back(n, drive);
    }
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<FoundDrive> drives;
  drives.reserve(found.size());
  for (auto& f : found) drives.push_back(std::move(f.second));
  return drives;
}

std::vector<std::string> SgioDriveProvider::ListDrives() {
  std::vector<std::string> ids;
  for (const FoundDrive& d : DiscoverOpticalDrives(sysfs_root_)) ids.push_back(d.device);
  return ids;
}

bool SgioDriveProvider::Handles(std::string_view id) const { return id.starts_with("/dev/"); }

OpenResult SgioDriveProvider::Open(std::string_view id) {
  return SgioTransport::Open(std::string(id));
}

}  // namespace tamarack
