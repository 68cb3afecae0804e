// tamarack-cli capture (with its check) and check against every fault the virtual drive plants,
// on every reply path: the closing texts, the coverage's counts, the exit status and the files
// left, in one table each.
#include <gtest/gtest.h>

#include "cli/fault_matrix.h"
#include "temp_dir.h"

namespace tamarack::testing {
namespace {

// 200 blocks: 12 commands of 16, then 8 blocks one by one.
std::vector<std::uint8_t> Image() { return cli::testing::NumberedImage(200); }

// The faults of both jobs: a short transfer in the first command and in a later one (`hidden`
// where a path hides it), a read error gone past (--yes), one in the blocks read one by one
// (in the check, a difference: never a match), a block that fails now and then, a
// block whose data the drive changes, Read CD refused and Read CD too slow; a failed command's
// blocks read again alone, with no second try and in a command's later blocks.
std::vector<MatrixFault> Faults(const std::map<std::string, std::string>& hidden) {
  return {
      {"no fault", ""},
      {"short first command", "short=5", hidden},
      {"short later command", "short=100", hidden},
      {"read error gone past", "bad=100"},
      {"read error in a command's last block", "bad=111"},
      {"read error in the single blocks", "bad=197"},
      {"flaky blocks", "flaky=60-140:0.3&seed=3"},
      {"corrupted block", "corrupt=100"},
      {"Read CD refused", "refuse=be"},
      {"Read CD an opcode the drive does not know", "refuse=be:drive"},
      {"Read CD too slow", "slow=be"},
      {"read error, no second try", "bad=100", {}, "", "", {"--retries", "0"}},
      {"two read errors in a command's later blocks", "bad=108,110"},
      {"read errors in two commands, one in the single blocks", "bad=20,150,196"},
      {.name = "flaky blocks read again up to four times",
       .options = "flaky=60-140:0.3&seed=3",
       .args = {"--retries", "4"}},
      {"short block in a command's later blocks", "short=109", hidden},
      // With each block's EDC checked, the short transfers a zeroing or padding path hides
      // are told on it too, and a block the drive changed is caught by itself.
      {"no fault, EDC checked", "", {}, "", "", {"--verify-edc"}},
      {"short first command, EDC checked", "short=5", {}, "", "", {"--verify-edc"}},
      {"short later command, EDC checked", "short=100", {}, "", "", {"--verify-edc"}},
      {"corrupted block, EDC checked", "corrupt=100", {}, "", "", {"--verify-edc"}},
      {.name = "read error beside a corrupted block, EDC checked",
       .options = "bad=100&corrupt=101",
       .args = {"--verify-edc"}},
  };
}

// The rates are timed by the wall clock (the files' sizes show what was read); the running
// count of differences ends in the closing lines.
bool Verdict(const std::string& line) {
  return !line.starts_with("read: ") && !line.starts_with("checked: ") &&
         !line.starts_with("ｴﾗｰ件数 ");
}

// The capture's command line of every row: the file checked after it.
MatrixRun CaptureRun() {
  return {[](const std::string& id, const TempDir& dir) {
            return std::vector<std::string>{"capture",         "--drive", id,     "--out",
                                            dir.File("a.dat"), "--check", "--yes"};
          },
          Verdict};
}

TEST(ReferenceFaultMatrixTest, CaptureWithItsCheck) {
  TempDir image("tamarack-image-");
  image.Write("disc.iso", Image());
  // The check reads the same zeros the capture wrote where a path zeroes an unsent tail.
  ExpectFaultMatrix("capture.txt", "emu:" + image.File("disc.iso"), Faults(ShortHiddenByZeroTail()),
                    CaptureRun());
}

// Whole mixed discs: each track's size found where it starts, the gap between the sessions
// neither read nor asked for, and every Mode 1 and form 1 block's EDC checked. Tests of their
// own: whole discs on every path are the matrix's longest runs.
TEST(ReferenceFaultMatrixTest, CaptureWithItsCheckOfMixedDiscs) {
  const std::vector<MatrixFault> faults = {
      {"whole disc of two sessions", "", {}, "emu:multisession"},
      {"whole mixed disc", "", {}, "emu:type30"},
  };
  ExpectFaultMatrix("capture_mixed.txt", "emu:type30", faults, CaptureRun());
}

TEST(ReferenceFaultMatrixTest, CaptureWithItsCheckOfAMixedDiscWithItsEdc) {
  const std::vector<MatrixFault> faults = {
      {"whole mixed disc, EDC checked", "", {}, "emu:type30", "", {"--verify-edc"}},
  };
  ExpectFaultMatrix("capture_mixed_edc.txt", "emu:type30", faults, CaptureRun());
}

// Around the mixed disc's track start at 13500 (a data track, then an audio track): an
// unreadable audio block, one where the track starts (its size cannot be found: the capture
// ends there), and faults in the later blocks of a command on both sides.
TEST(ReferenceFaultMatrixTest, CaptureWithItsCheckAroundATrackStart) {
  const std::vector<std::string> range = {"--start", "13000", "--end", "13999"};
  const std::vector<MatrixFault> faults = {
      {"read error in an audio track", "bad=13518", {}, "emu:type30", "", range},
      {"read error where a track starts", "bad=13500", {}, "emu:type30", "", range},
      {.name = "read errors in the later blocks of both tracks",
       .options = "bad=13490,13530",
       .disc = "emu:type30",
       .args = range},
  };
  ExpectFaultMatrix("capture_track_start.txt", "emu:type30", faults, CaptureRun());
}

TEST(ReferenceFaultMatrixTest, CheckOfTheDiscsOwnData) {
  TempDir image("tamarack-image-");
  image.Write("disc.iso", Image());
  // Zeros where a path hides a short transfer differ from the file: every path tells it.
  std::vector<MatrixFault> faults = Faults({});
  // References that do not fit the fault-free disc: each block left out is named.
  faults.push_back({"reference longer than the disc", "", {}, "", "reference of 300 blocks"});
  faults.push_back({"reference's last block partial", "", {}, "", "reference 1000 bytes short"});
  faults.push_back({"every block unread in the reference", "", {}, "", "FILE.unread 0-199"});
  ExpectFaultMatrix("check.txt", "emu:" + image.File("disc.iso"), faults,
                    {[](const std::string& id, const TempDir& dir) {
                       dir.Write("ref.dat", Image());
                       return std::vector<std::string>{"check",  "--drive",           id,
                                                       "--file", dir.File("ref.dat"), "--yes"};
                     },
                     Verdict,
                     [](const std::string& input, const TempDir& dir) {
                       std::vector<std::uint8_t> file = Image();
                       if (input == "reference of 300 blocks") {
                         file = cli::testing::NumberedImage(300);
                       } else if (input == "reference 1000 bytes short") {
                         file.resize(file.size() - 1000);
                       } else {
                         dir.Write("ref.dat.unread", std::string("0-199\n"));
                       }
                       dir.Write("ref.dat", file);
                     }});
}

}  // namespace
}  // namespace tamarack::testing
