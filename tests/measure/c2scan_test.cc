// tamarack-cli c2scan: the scan's summary, file and graph as goldens, and its fault matrix on
// every path a reply can take.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/fault_matrix.h"
#include "cli/virtual_cli.h"
#include "golden.h"
#include "temp_dir.h"

namespace tamarack::testing {
namespace {

// Run in a temporary folder, in tests/data/cli/c2scan_files.txt: 100 seconds of emu:type13
// with C2 errors planted in three places and an unreadable block (whose lead-in shows C2
// errors too) with --save, --plot and --json; the same disc on a drive that keeps no C2
// pointers, said at the start; a disc whose last block cannot be read; and bad arguments
// refused before any block is read. The saved
// counts and the drawing are goldens of their own.
TEST(C2Scan, SummaryFileAndGraphOfPlantedErrors) {
  cli::testing::WorkFolder dir;
  ASSERT_TRUE(dir.ok());
  cli::testing::VirtualCli cli;
  const std::string id = "emu:type13?speed=max&c2=100-104:20&c2=3000:150&c2=6000-6074:3&bad=4000";
  cli.ExpectGoldenRuns(
      "c2scan_files.txt",
      {{"c2scan", "--drive", id, "--end", "7499", "--max-c2", "100", "--save", "c2.txt", "--plot",
        "c2.svg"},
       {"c2scan", "--drive", id, "--start", "3990", "--end", "4009", "--json"},
       {"c2scan", "--drive", "emu:type13?speed=max&model=plain", "--save", "p.txt"},
       {"c2scan", "--drive", id, "--blocks", "0"},
       {"c2scan", "--drive", id, "--max-c2", "many"},
       {"c2scan", "--drive", id, "--start", "9", "--end", "8"},
       {"c2scan", "--drive", id, "--plot", "c2.gif"},
       {"c2scan", "--drive", "emu:type13?speed=max&refuse=25"}});
  const std::vector<std::uint8_t> saved = dir.Read("c2.txt");
  ExpectGoldenFile("c2scan_saved.txt", std::string(saved.begin(), saved.end()), "measure");
  const std::vector<std::uint8_t> svg = dir.Read("c2.svg");
  ExpectGoldenFile("c2scan_graph.svg", std::string(svg.begin(), svg.end()), "measure");
}

MatrixRun C2Run(std::vector<std::string> extra) {
  return {[extra](const std::string& id, const TempDir& dir) {
    std::vector<std::string> args = {"c2scan", "--drive", id, "--save", dir.File("c2.txt")};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }};
}

// 3000 blocks of emu:type13 (40 seconds) with a limit of 50 C2 errors a second. Planted C2
// errors pass below the limit and fail above it or at 100 bits a block; an unreadable block
// costs that block alone (and fails the seconds of its lead-in); a short reply is read again
// alone and fails there, or, where the path zeroes the unsent tail, fails its EDC; a corrupted
// block has its C2 bit and fails its EDC; a drive that refuses Read CD, times out or keeps no
// C2 pointers scans nothing and is not called clean.
TEST(C2ScanMatrix, Type13) {
  const std::vector<MatrixFault> faults = {
      {"no fault", ""},
      {"C2 errors below the limit", "c2=100-101:20"},
      {"C2 errors above the limit", "c2=100-104:20"},
      {"a bad block by the 100-bit rule", "c2=500:100"},
      {"unreadable block 1234", "bad=1234"},
      {"short block 1234", "short=1234"},
      {"corrupt block 1234", "corrupt=1234"},
      {"Read CD refused", "refuse=be"},
      {"Read CD times out", "slow=be"},
      {"no C2 pointers", "model=plain"},
  };
  ExpectFaultMatrix("c2scan_type13.txt", "emu:type13", faults,
                    C2Run({"--end", "2999", "--max-c2", "50"}));
}

// Across emu:type30's form 2 track 17 and into its audio track 18: audio blocks carry no EDC, their
// C2 errors and an unreadable audio block count as in data tracks.
TEST(C2ScanMatrix, Type30DataAndAudio) {
  const std::vector<MatrixFault> faults = {
      {"no fault", ""},
      {"C2 errors in form 2 and audio", "c2=55190-55199:10&c2=55210:200"},
      {"unreadable audio block", "bad=55220"},
      {"short audio block", "short=55220", ShortHiddenByZeroTail()},
  };
  ExpectFaultMatrix("c2scan_type30.txt", "emu:type30", faults,
                    C2Run({"--start", "55125", "--end", "55274"}));
}

}  // namespace
}  // namespace tamarack::testing
