// tamarack-cli age against every fault the virtual drive plants in a read, on every path a reply
// takes, with each data check: the closing lines, the exit status and the files left, one
// golden table per check in tests/data/verdicts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ageing_bench.h"
#include "cli/fault_matrix.h"

namespace tamarack {
namespace {

using testing::MatrixFault;
using testing::MatrixRun;
using testing::TempDir;

struct CheckCase {
  std::string golden;
  std::string disc;
  std::string check;  // --check's value; "file" for a reference file captured in the cell's folder
  std::int32_t start;
  std::int32_t fault;  // the block the faults are planted in
};

// Ten blocks from `start`, two a command (the last one alone), once, logged.
MatrixRun AgeRun(const CheckCase& c) {
  MatrixRun run;
  run.args = [c](const std::string& id, const TempDir& dir) {
    const std::string start = std::to_string(c.start), end = std::to_string(c.start + 9);
    std::vector<std::string> args = {"age", "--drive", id, "--start", start, "--end", end};
    for (const char* more : {"--step", "2", "--length", "2", "--loop", "once", "--seed", "1"}) {
      args.push_back(more);
    }
    args.insert(args.end(), {"--log", dir.File("log.txt")});
    if (c.check == "file") {
      testing::CaptureReference(dir.File("ref.dat"), c.start, c.start + 9);
      args.insert(args.end(), {"--check", "file:" + dir.File("ref.dat")});
    } else if (!c.check.empty()) {
      args.insert(args.end(), {"--check", c.check});
    }
    return args;
  };
  return run;
}

std::vector<MatrixFault> Faults(std::int32_t block) {
  const std::string b = std::to_string(block);
  return {
      {"no fault", ""},
      {"short reply in the second command", "short=" + b, testing::ShortHiddenByZeroTail()},
      {"unreadable block", "bad=" + b},
      {"flaky blocks", "flaky=" + b + "-" + std::to_string(block + 4) + ":0.5&seed=3"},
      {"corrupted block", "corrupt=" + b},
      {"Read CD refused by the host", "refuse=be"},
      {"Read CD timing out", "slow=be"},
  };
}

// The test discs' own checks read their test sectors: type13's Mode 1 blocks, and type30's
// first XA form 2 track (2324 bytes a block); the reference file holds what a clean drive read.
TEST(AgeFaultMatrix, EveryFaultOnEveryPathWithEachCheck) {
  for (const CheckCase& c : {CheckCase{"age_no_check.txt", "emu:type13", "", 10, 13},
                             CheckCase{"age_type13.txt", "emu:type13", "type13", 10, 13},
                             CheckCase{"age_type30.txt", "emu:type30", "type30", 32560, 32563},
                             CheckCase{"age_file.txt", "emu:type13", "file", 10, 13}}) {
    SCOPED_TRACE(c.golden);
    testing::ExpectFaultMatrix(c.golden, c.disc, Faults(c.fault), AgeRun(c));
  }
}

// A run of its own range and command length, once, logged.
MatrixRun RangeRun(std::int32_t start, std::int32_t end, std::int32_t length, std::string check) {
  MatrixRun run;
  run.args = [=](const std::string& id, const TempDir& dir) {
    std::vector<std::string> args = {"age",
                                     "--drive",
                                     id,
                                     "--start",
                                     std::to_string(start),
                                     "--end",
                                     std::to_string(end),
                                     "--length",
                                     std::to_string(length),
                                     "--step",
                                     std::to_string(length),
                                     "--method",
                                     "step",
                                     "--loop",
                                     "once",
                                     "--seed",
                                     "1",
                                     "--log",
                                     dir.File("log.txt")};
    if (!check.empty()) args.insert(args.end(), {"--check", check});
    return args;
  };
  // The closing lines; the log's size changes with nothing the cell is about.
  run.keep = [](const std::string& line) { return line.rfind("log:", 0) != 0; };
  return run;
}

// Faults in the later blocks of a command, on every path: a real drive reads each block it is
// asked for, so a fault in block 9 of a 10-block command is the command's; each cell's
// "blocks:" line says which blocks failed.
TEST(AgeFaultMatrix, FaultsInTheLaterBlocksOfACommand) {
  testing::ExpectFaultMatrix("age_later_blocks.txt", "emu:type13",
                             {{"no fault", ""},
                              {"unreadable last block", "bad=19"},
                              {"flaky last block failing every time", "flaky=19:1"},
                              {"short last block", "short=19", testing::ShortHiddenByZeroTail()},
                              {"corrupted last block", "corrupt=19"}},
                             RangeRun(10, 29, 10, "type13"));
}

// A command crossing from the data track 3 into the audio track 4 (LBA 13500) of type30 is sent
// as one read per track, each in its own block size: a clean drive is good, and a bad block on
// either side of the track start fails its own read.
TEST(AgeFaultMatrix, ACommandCrossingATrackOfAnotherSectorType) {
  testing::ExpectFaultMatrix("age_track_crossing.txt", "emu:type30",
                             {{"no fault", ""},
                              {"unreadable audio block after the track start", "bad=13509"},
                              {"unreadable data block before the track start", "bad=13495"}},
                             RangeRun(13470, 13530, 20, ""));
}

// The first read's size probe fails (a flaky first block) where the path gives no size by
// itself (a zeroed or padded tail): a failed command, logged, and the size found at the next
// read, so that the short block and the corrupted ones are still seen.
TEST(AgeFaultMatrix, AFailedFirstProbe) {
  testing::ExpectFaultMatrix(
      "age_first_probe.txt", "emu:type13",
      {{"flaky first block, a short and a corrupted one", "flaky=0:0.5&seed=3&short=5&corrupt=55",
        testing::ShortHiddenByZeroTail()}},
      RangeRun(0, 200, 10, "type13"));
}

}  // namespace
}  // namespace tamarack
