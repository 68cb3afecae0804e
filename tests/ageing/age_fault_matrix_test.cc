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

}  // namespace
}  // namespace tamarack
