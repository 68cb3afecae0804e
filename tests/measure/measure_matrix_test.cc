// tamarack-cli measure against every fault the virtual drive plants, on every path a reply can
// take, with --save: the closing lines, the exit status and the .msr left behind.
#include <string>
#include <vector>

#include "cli/fault_matrix.h"

namespace tamarack::testing {
namespace {

// A measurement needs the drive to take time: the matrix's speed=max reads in no time at all,
// so each cell's drive reads at x8 instead (600 blocks a second).
MatrixRun MeasureRun(std::vector<std::string> extra) {
  return {[extra](const std::string& id, const TempDir& dir) {
            std::vector<std::string> args = {"measure", "--drive", id + "&speed=clv8", "--save",
                                             dir.File("m.msr")};
            args.insert(args.end(), extra.begin(), extra.end());
            return args;
          },
          // How often a reply ending in 5Ah was read again is the path's, not the verdict.
          [](const std::string& line) { return !line.starts_with("reads sent again"); }};
}

// Five seconds of emu:type13. A read error or a short reply ends the run with the failure as
// its last line and its exit status, after the summary of what it read (saved); a corrupted
// block is no failure of a measurement; a refused or timed-out first read measures nothing and
// leaves no file.
TEST(MeasureMatrix, Type13) {
  const std::vector<MatrixFault> faults = {
      {"no fault", ""},
      {"short block 1234", "short=1234", ShortHiddenByZeroTail()},
      {"bad block 1234", "bad=1234"},
      {"flaky blocks 1000-1100", "flaky=1000-1100:0.5"},
      {"corrupt block 1234", "corrupt=1234"},
      {"Read CD refused", "refuse=be"},
      {"Read CD times out", "slow=be"},
  };
  ExpectFaultMatrix("measure_type13.txt", "emu:type13", faults, MeasureRun({"--end", "2999"}));
}

// The whole of emu:type30, 23 tracks of Mode 1, Mode 2 form 1 and form 2 (2328 bytes of user
// data) and audio (2352): every track is read in its own size, so the bytes are 31500 x 2048 +
// 13500 x 2328 + 30600 x 2352 = 167911200. A short reply in the form 2 track 12 falls short of
// 26 blocks of that track's size.
TEST(MeasureMatrix, Type30AcrossItsTracks) {
  const std::vector<MatrixFault> faults = {
      {"no fault", ""},
      {"short block 33000 (track 12, form 2)", "short=33000", ShortHiddenByZeroTail()},
  };
  ExpectFaultMatrix("measure_type30.txt", "emu:type30", faults, MeasureRun({"--blocks", "26"}));
}

}  // namespace
}  // namespace tamarack::testing
