#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <tuple>

#include "device/linux/command_permission.h"
#include "device/linux/sgio_request.h"
#include "device/linux/sgio_transport.h"
#include "device/platform_drives.h"
#include "device/read_buffer.h"
#include "device/scripted_transport.h"
#include "golden.h"
#include "temp_dir.h"
#include "util/strings.h"

namespace tamarack {
namespace {

// Each request of sgio_requests.txt (direction, size, its offset into a page-aligned ReadBuffer and
// the time-out in seconds) as
// its data phase and how it goes: the twelve-byte CDB, the direction, data in whole 512-byte
// units (a parameter list at its own length; a zero-length read or no direction: no data
// phase), the time-out in ms saturating, never wrapping; a page-aligned buffer whose size needs
// no rounding up goes to the kernel as it is, any other through the staging buffer (an odd
// start, a size short of whole units of data in, no data at all).
TEST(SgIoRequest, TheCdbTheDataPhaseItsBufferAndTheTimeout) {
  ReadBuffer aligned(8192);
  ASSERT_EQ(reinterpret_cast<std::uintptr_t>(aligned.data()) % PageSize(), 0u);
  std::vector<std::uint8_t> staging(8192);
  testing::ExpectEachInput("sgio_requests.txt", "device", [&](const std::string& line) {
    std::istringstream in(line);
    std::string direction;
    std::size_t offset = 0, size = 0;
    std::uint32_t timeout = 0;
    in >> direction >> size >> offset >> timeout;
    const ScsiRequest req{{0x28, 0, 0, 0, 0x10, 0, 0, 0, 1, 0, 0, 0},
                          aligned.span().subspan(offset, size),
                          direction == "in"    ? DataDirection::kIn
                          : direction == "out" ? DataDirection::kOut
                                               : DataDirection::kNone,
                          timeout};
    const bool direct = SgIoUsesCallersBuffer(req, PageSize());
    SgIoBuffers bufs;
    const sg_io_hdr_t h = BuildSgIoRequest(req, direct ? req.buffer : staging, &bufs);
    EXPECT_EQ(h.cmd_len, 12) << line;
    EXPECT_EQ(bufs.cdb, req.cdb) << line;
    const char* const kind = h.dxfer_direction == SG_DXFER_FROM_DEV ? "from the device"
                             : h.dxfer_direction == SG_DXFER_TO_DEV ? "to the device"
                             : h.dxfer_direction == SG_DXFER_NONE   ? "no data"
                                                                    : "?";
    const char* const through = h.dxferp == nullptr             ? "no buffer"
                                : h.dxferp == staging.data()    ? "the staging"
                                : h.dxferp == req.buffer.data() ? "the caller's buffer"
                                                                : "?";
    return StrFormat("%s, %u bytes through %s, time-out %u ms", kind, h.dxfer_len, through,
                     h.timeout);
  });
  // Made again at another size, the buffer is still aligned and zeroed; an empty one is still a
  // page (data() is never null).
  aligned.Resize(42496);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(aligned.data()) % PageSize(), 0u);
  EXPECT_EQ(std::count(aligned.span().begin(), aligned.span().end(), 0), 42496);
  const ReadBuffer empty(0);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(empty.data()) % PageSize(), 0u);
  EXPECT_NE(empty.data(), nullptr);
  EXPECT_EQ(SgIoStagingCapacity(0, 4096), 0u);
  EXPECT_EQ(SgIoStagingCapacity(512, 4096), 4096u);
  EXPECT_EQ(SgIoStagingCapacity(4096, 4096), 4096u);
  EXPECT_EQ(SgIoStagingCapacity(42496, 4096), 45056u);
  EXPECT_EQ(SgIoStagingCapacity(42496, 16384), 49152u);
}

// A finished SG_IO call, each of sgio_results.txt (errno, host and driver status in decimal,
// the sense bytes 70 00 02...): a refused ioctl keeps the requested count and the errno's text; a
// good one counts the residual within the caller's buffer (libata reports none: the whole
// rounded-up data phase); sense is the drive's word even with a host error; a host or driver
// error without sense is no success and carries no count.
TEST(SgIoResult, StatusCountAndReason) {
  testing::ExpectEachInput("sgio_results.txt", "device", [](const std::string& line) {
    std::istringstream in(line);
    std::map<std::string, long> v;
    for (std::string name; in >> name;) in >> v[name];
    sg_io_hdr_t h{};
    h.dxfer_len = static_cast<unsigned>(v["len"]);
    h.resid = static_cast<int>(v["resid"]);
    h.host_status = static_cast<unsigned short>(v["host"]);
    h.driver_status = static_cast<unsigned short>(v["driver"]);
    h.sb_len_wr = static_cast<unsigned char>(v["sense"]);
    SgIoBuffers bufs;
    bufs.sense[0] = 0x70;
    bufs.sense[2] = 0x02;
    return testing::ResultText(InterpretSgIoResult(h, bufs, static_cast<int>(v["errno"]),
                                                   static_cast<std::size_t>(v["requested"])));
  });
}

TEST(KernelCommandClass, FollowsTheKernelsFilter) {
  using enum KernelCommandClass;
  const std::pair<std::uint8_t, KernelCommandClass> cases[] = {
      {0x28, kRead},  {0xBE, kRead},  {0x1B, kRead},  {0x55, kWrite},
      {0xBB, kWrite}, {0xA6, kWrite}, {0xBD, kRawIo}, {0xF1, kRawIo}};
  for (const auto& [op, kind] : cases) EXPECT_EQ(ClassifyForKernel(op), kind) << int{op};
  EXPECT_NE(PermissionAdvice(0x55, false, "/dev/sr0").find("opened for writing"),
            std::string::npos);
  EXPECT_NE(PermissionAdvice(0xBD, true, "/dev/sr0").find("CAP_SYS_RAWIO"), std::string::npos);
  EXPECT_NE(PermissionAdvice(0x28, false, "/dev/sr0").find("cdrom"), std::string::npos);
}

// A sysfs tree of SCSI devices in a folder of its own.
TEST(Sysfs, FindsTypeFiveDevicesInSrOrderAndNoneWithoutATree) {
  const testing::TempDir root("tamarack-sysfs-");
  for (const auto& [hctl, type, block] : {std::tuple{"3:0:0:0", "5", "sr10"},
                                          {"1:0:1:2", "5", "sr2"},
                                          {"0:0:0:0", "0", "sda"}}) {  // the last a disk
    const std::string dev = std::string("class/scsi_device/") + hctl + "/device";
    std::filesystem::create_directories(root.File(dev + "/block/" + block));
    root.Write(dev + "/type", std::string(type) + "\n");
  }
  const auto drives = DiscoverOpticalDrives(root.path());
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].device, "/dev/sr2");
  EXPECT_EQ(drives[0].address, (ScsiAddress{1, 0, 1, 2}));
  EXPECT_EQ(drives[1].device, "/dev/sr10");
  EXPECT_TRUE(DiscoverOpticalDrives(root.File("missing")).empty());
}

TEST(PlatformDrives, TheEnvironmentCanLeaveThemOut) {
  ::setenv("TAMARACK_PLATFORM_DRIVES", "0", 1);
  EXPECT_FALSE(PlatformDrivesEnabled());
  EXPECT_EQ(MakePlatformDriveProvider(), nullptr);
  ::setenv("TAMARACK_PLATFORM_DRIVES", "1", 1);
  EXPECT_NE(MakePlatformDriveProvider(), nullptr);  // made, not asked for drives
  ::unsetenv("TAMARACK_PLATFORM_DRIVES");
  EXPECT_TRUE(PlatformDrivesEnabled());
}

TEST(SgioTransport, ANonSgDeviceRefusesAndLeavesTheCallersBytesAMissingOneSaysWhy) {
  // /dev/null opens like a device but knows no SG_IO: every path through the staging buffer
  // runs up to the ioctl.
  OpenResult r = SgioTransport::Open("/dev/null");
  ASSERT_NE(r.transport, nullptr) << r.error;
  // A ReadBuffer of 42496 bytes goes to the ioctl as it is, the others through the staging.
  for (std::size_t size : {std::size_t{2656}, std::size_t{0}, std::size_t{42496}}) {
    ReadBuffer buffer(size);
    std::fill(buffer.span().begin(), buffer.span().end(), 0x5A);
    const ScsiResult result =
        r.transport->Execute({{0x28, 0, 0, 0, 0, 0, 0, 0, 1}, buffer.span(), DataDirection::kIn});
    EXPECT_EQ(result.status, TransportStatus::kRefused) << size;
    EXPECT_EQ(result.os_error, ENOTTY);
    EXPECT_EQ(result.transferred, size);
    EXPECT_EQ(std::count(buffer.span().begin(), buffer.span().end(), 0x5A),
              static_cast<std::ptrdiff_t>(size));
  }
  const OpenResult missing = SgioTransport::Open("/dev/sr-does-not-exist");
  EXPECT_EQ(missing.transport, nullptr);
  EXPECT_EQ(missing.os_error, ENOENT);
  EXPECT_EQ(missing.error, "/dev/sr-does-not-exist: No such file or directory");
}

}  // namespace
}  // namespace tamarack
