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
  std::string check;
  std::int32_t start;
  std::int32_t fault;  // the block the faults are planted in
};

// A run of `start`..`end` by commands of `length` blocks (the step the same), once, logged;
// `check` is --check's value, "file" for a reference file captured in the cell's folder. The
// later tables keep `method` step and leave out the log's line (its size changes with nothing
// their cells are about).
MatrixRun AgeRun(std::int32_t start, std::int32_t end, std::int32_t length, std::string check,
                 bool later_tables = false) {
  MatrixRun run;
  run.args = [=](const std::string& id, const TempDir& dir) {
    const std::string n = std::to_string(length);
    std::vector<std::string> args = {"age", "--drive", id, "--start", std::to_string(start)};
    args.insert(args.end(), {"--end", std::to_string(end), "--step", n, "--length", n});
    if (later_tables) args.insert(args.end(), {"--method", "step"});
    args.insert(args.end(), {"--loop", "once", "--seed", "1", "--log", dir.File("log.txt")});
    if (check == "file") {
      testing::CaptureReference(dir.File("ref.dat"), start, end);
      args.insert(args.end(), {"--check", "file:" + dir.File("ref.dat")});
    } else if (!check.empty()) {
      args.insert(args.end(), {"--check", check});
    }
    return args;
  };
  if (later_tables) run.keep = [](const std::string& line) { return line.rfind("log:", 0) != 0; };
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
    testing::ExpectFaultMatrix(c.golden, c.disc, Faults(c.fault),
                               AgeRun(c.start, c.start + 9, 2, c.check));
  }
}

// Faults in the later blocks of a command, on every path: a real drive reads each block it is
// asked for, so a fault in block 9 of a 10-block command is the command's; each cell's
// "blocks:" line says which blocks failed. With --verify-edc the short block the zeroing and
// padding paths hide is told on them too (an EDC failure), a corrupted block is one whatever
// the data check, and Read(10) cannot have its EDC checked.
TEST(AgeFaultMatrix, FaultsInTheLaterBlocksOfACommand) {
  testing::ExpectFaultMatrix(
      "age_later_blocks.txt", "emu:type13",
      {{"no fault", ""},
       {"unreadable last block", "bad=19"},
       {"flaky last block failing every time", "flaky=19:1"},
       {"short last block", "short=19", testing::ShortHiddenByZeroTail()},
       {"corrupted last block", "corrupt=19"},
       {"no fault, EDC checked", "", {}, "", "", {"--verify-edc"}},
       {"short last block, EDC checked", "short=19", {}, "", "", {"--verify-edc"}},
       {"corrupted last block, EDC checked", "corrupt=19", {}, "", "", {"--verify-edc"}},
       {"Read(10) with the EDC check", "", {}, "", "", {"--verify-edc", "--command", "read10"}}},
      AgeRun(10, 29, 10, "type13", true));
}

// Ending on a command error, a failed read is sent again (--retries N, default 1); one that comes
// whole is recovered and the run goes on. Seed 4's flaky block fails three times, then reads:
// two retries stop the run, four recover it. Without the end on a command error no retry.
TEST(AgeFaultMatrix, StopOnErrorSendsAFailedReadAgain) {
  const auto stop = [](std::string name, std::string faults, std::vector<std::string> more = {}) {
    more.insert(more.begin(), "--stop-on-error");
    return MatrixFault{std::move(name), std::move(faults), {}, "", "", std::move(more)};
  };
  const std::string flaky = "flaky=15-19:0.3&seed=4";
  MatrixFault short_block = stop("short last block, stop on error", "short=19");
  short_block.untellable = testing::ShortHiddenByZeroTail();
  MatrixFault mixed = stop("unreadable data block of the mixed disc, stop on error", "bad=25");
  mixed.disc = "emu:type30";
  testing::ExpectFaultMatrix(
      "age_retries.txt", "emu:type13",
      {stop("unreadable last block, stop on error", "bad=19"),
       stop("unreadable last block, no second try", "bad=19", {"--retries", "0"}),
       short_block,
       stop("flaky block, two retries", flaky, {"--retries", "2"}),
       stop("flaky block, four retries", flaky, {"--retries", "4"}),
       stop("flaky block, four retries, EDC checked", flaky, {"--retries", "4", "--verify-edc"}),
       {"flaky block going on past errors", flaky},
       mixed},
      AgeRun(10, 29, 10, "type13", true));
}

// The log of the four-retry run: the recovery with its try after the read's last failure.
TEST(AgeFaultMatrix, TheLogNamesTheReadThatCameOnARetry) {
  TempDir dir("tamarack-age-");
  cli::testing::VirtualCli cli;
  auto args = AgeRun(10, 29, 10, "", true).args("emu:type13?speed=max&flaky=15-19:0.3&seed=4", dir);
  args.insert(args.end(), {"--stop-on-error", "--retries", "4"});
  EXPECT_EQ(cli.Run(args), 3);
  const std::vector<std::uint8_t> bytes = dir.Read("log.txt");
  const std::string log(bytes.begin(), bytes.end());
  const std::size_t note = log.find("Recovered! lba:00000010(0000000ah) blocks:10 retry:3");
  EXPECT_TRUE(note != std::string::npos && note > log.rfind("a00000a100000 Ng [")) << log;
}

// A command crossing from the data track 3 into the audio track 4 (LBA 13500) of type30 is sent
// as one read per track, each in its own block size: a clean drive is good, and a bad block on
// either side of the track start fails its own read.
TEST(AgeFaultMatrix, ACommandCrossingATrackOfAnotherSectorType) {
  testing::ExpectFaultMatrix(
      "age_track_crossing.txt", "emu:type30",
      {{"no fault", ""},
       {"unreadable audio block after the track start", "bad=13509"},
       {"unreadable data block before the track start", "bad=13495"},
       {"no fault, EDC checked: the audio track said once", "", {}, "", "", {"--verify-edc"}}},
      AgeRun(13470, 13530, 20, "", true));
}

// The first read's size probe fails (a flaky first block) where the path gives no size by
// itself (a zeroed or padded tail): a failed command, logged, and the size found at the next
// read, so that the short block and the corrupted ones are still seen.
TEST(AgeFaultMatrix, AFailedFirstProbe) {
  testing::ExpectFaultMatrix(
      "age_first_probe.txt", "emu:type13",
      {{"flaky first block, a short and a corrupted one", "flaky=0:0.5&seed=3&short=5&corrupt=55",
        testing::ShortHiddenByZeroTail()}},
      AgeRun(0, 200, 10, "type13", true));
}

}  // namespace
}  // namespace tamarack
