// The Windows pass-through request and its outcome, and the drive letters, over plain values:
// checked on every platform, without a drive or the system's calls.
#include "device/windows/spti_request.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "device/scripted_transport.h"
#include "golden.h"

namespace tamarack {
namespace {

// Each request of sptd_requests.txt (direction, size and time-out in seconds): the twelve-byte
// CDB, the whole sense area, the direction, the data at the caller's length (a zero-length
// buffer or no direction: no data phase) and the time-out in seconds, never 0.
TEST(SptdRequest, CarriesTheCdbTheDirectionTheLengthAndTheTimeout) {
  testing::ExpectEachInput("sptd_requests.txt", "device", [](const std::string& line) {
    std::istringstream in(line);
    std::string direction;
    std::size_t size = 0;
    ScsiRequest request;
    in >> direction >> size >> request.timeout_seconds;
    std::vector<std::uint8_t> bytes(size);
    request.cdb = {0xBE, 0, 0, 0, 0x10, 0, 0, 0, 3, 0xF8, 0, 0};
    request.buffer = bytes;
    request.direction = direction == "in"    ? DataDirection::kIn
                        : direction == "out" ? DataDirection::kOut
                                             : DataDirection::kNone;
    const SptdFields f = BuildSptdRequest(request, bytes);
    EXPECT_EQ(f.cdb, request.cdb);
    EXPECT_EQ(f.cdb_length, 12);
    EXPECT_EQ(f.sense_info_length, kSenseSize);
    const char* const kind = f.data_in == kSptdDataIn    ? "data in"
                             : f.data_in == kSptdDataOut ? "data out"
                             : f.data_in == kSptdNoData  ? "no data"
                                                         : "?";
    return std::string(kind) + ", " + std::to_string(f.data_transfer_length) + " bytes" +
           (f.data == nullptr        ? ", no buffer"
            : f.data == bytes.data() ? ""
                                     : ", another buffer") +
           ", time-out " + std::to_string(f.timeout_seconds) + " s";
  });
}

// The adapter's mask + 1, a power of two, at least a pointer's; a buffer off it is staged.
TEST(SptdRequest, TheAdaptersAlignmentDecidesWhetherTheCallersBufferIsUsed) {
  EXPECT_EQ(SptdAlignment(0), sizeof(void*));
  EXPECT_EQ(SptdAlignment(1), sizeof(void*));
  EXPECT_EQ(SptdAlignment(0x1FF), 512u);
  EXPECT_EQ(SptdAlignment(0x5), 8u);  // not one less than a power of two: the next one up
  alignas(512) std::uint8_t bytes[1024] = {};
  ScsiRequest request;
  request.direction = DataDirection::kIn;
  for (const auto& [offset, mask, direct] : {std::tuple{0, 0x1FFu, true},
                                             {8, 0x1FFu, false},
                                             {8, 0x7u, true},
                                             {4, 0x3u, false},
                                             {1, 0u, false}}) {
    request.buffer = std::span<std::uint8_t>(bytes + offset, 256);
    EXPECT_EQ(SptdUsesCallersBuffer(request, mask), direct) << offset << " " << mask;
  }
  request.buffer = std::span<std::uint8_t>(bytes, 0);
  EXPECT_FALSE(SptdUsesCallersBuffer(request, 0));  // no data phase: nothing to carry
}

// The ladder of the Linux path, each reply of sptd_results.txt (what it is, then whether the
// ioctl succeeded, the Win32 error or the SCSI status, the sense length, the count moved, the
// count requested and the error's text; the sense bytes 70 00 05 ... 21): the system's refusal
// with the requested count, a time-out, a device error as a transport failure, the drive's word
// with its sense whatever the count; the count capped at the caller's bytes.
TEST(SptdResult, ClassifiesTheOutcomeAsTheLinuxPathDoes) {
  testing::ExpectEachInput("sptd_results.txt", "device", [](const std::string& line) {
    std::istringstream in(line.substr(line.find(':') + 1));
    std::string ioctl, text;
    unsigned code = 0, sense_length = 0, moved = 0, requested = 0;
    in >> ioctl >> code >> sense_length >> moved >> requested >> std::ws;
    std::getline(in, text);
    SptdReply reply{ioctl == "done", ioctl == "done" ? 0 : code, text};
    if (reply.ioctl_succeeded) {
      reply.scsi_status = static_cast<std::uint8_t>(code);
      reply.sense_info_length = static_cast<std::uint8_t>(sense_length);
      if (code != 0) reply.sense[0] = 0x70, reply.sense[2] = 0x05, reply.sense[12] = 0x21;
    }
    reply.data_transfer_length = moved;
    return testing::ResultText(InterpretSptdResult(reply, requested));
  });
}

// A fake of GetLogicalDrives and GetDriveTypeA: the letters with their types.
class FakeDriveLetters final : public DriveLetterCalls {
 public:
  explicit FakeDriveLetters(std::map<char, unsigned> types) : types_(std::move(types)) {}
  std::uint32_t LogicalDrives() override {
    std::uint32_t mask = 0;
    for (const auto& [letter, type] : types_) mask |= std::uint32_t{1} << (letter - 'A');
    return mask;
  }
  unsigned DriveType(const std::string& root) override {
    asked.push_back(root);
    return types_.at(root[0]);
  }
  std::vector<std::string> asked;

 private:
  std::map<char, unsigned> types_;
};

TEST(DriveLetters, OnlyCdDriveLettersInOrder) {
  // 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk.
  FakeDriveLetters calls({{'C', 3}, {'D', 5}, {'E', 2}, {'G', 5}, {'Z', 5}, {'X', 4}, {'R', 6}});
  EXPECT_EQ(OpticalDriveLetters(calls), (std::vector<std::string>{"D:", "G:", "Z:"}));
  EXPECT_EQ(calls.asked,
            (std::vector<std::string>{"C:\\", "D:\\", "E:\\", "G:\\", "R:\\", "X:\\", "Z:\\"}));
  FakeDriveLetters none({{'C', 3}});
  EXPECT_TRUE(OpticalDriveLetters(none).empty());
}

// Each id of drive_letters.txt with the letter it names, in quotes ("" for none).
TEST(DriveLetters, IdsNameALetterAndOpenAsTheDevicePath) {
  testing::ExpectEachInput("drive_letters.txt", "device",
                           [](const std::string& id) { return "\"" + DriveLetterOf(id) + "\""; });
  EXPECT_EQ(DevicePathOfLetter("D:"), "\\\\.\\D:");
}

}  // namespace
}  // namespace tamarack
