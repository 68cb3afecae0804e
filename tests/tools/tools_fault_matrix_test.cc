// The verdicts of tamarack-cli tracktest and subq-check against every fault the virtual drive
// plants that reaches them, on every path a reply can take: tests/data/verdicts/.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cli/fault_matrix.h"

namespace tamarack::testing {
namespace {

// The faults every reading tool meets: a short, a bad, a corrupted block and flaky ones, and
// Read CD refused or timing out.
std::vector<MatrixFault> ReadFaults(const std::string& short_block, const std::string& bad,
                                    const std::string& flaky, const std::string& corrupt) {
  return {{"no fault", ""},
          {"short block " + short_block, "short=" + short_block, ShortHiddenByZeroTail()},
          {"bad block " + bad, "bad=" + bad},
          {"flaky blocks", "flaky=" + flaky},
          {"corrupt block " + corrupt, "corrupt=" + corrupt},
          {"Read CD refused", "refuse=be"},
          {"Read CD slow", "slow=be"}};
}

// The lines that make a track test's verdict: all but the Ok lines.
bool NotAnOkLine(const std::string& line) {
  return line.rfind("Ok! ", 0) != 0 && line.rfind("Track ", 0) != 0;
}

MatrixRun CliRun(std::vector<std::string> command, std::function<bool(const std::string&)> keep) {
  return {[command](const std::string& id, const TempDir&) {
            std::vector<std::string> args = command;
            args.insert(args.end(), {"--drive", id});
            return args;
          },
          std::move(keep)};
}

// Type1.3 reads 2048 bytes of every 30th block and stops at the first failure; a block cut
// short is a failed read where the path shows it, and a checksum Ng where zeros hide it.
// Type3.0 measures lengths: a short reply is Ng with the length received; a failed read is
// listed and gone past, and decides the exit status over the Ng lines. Where the path hides a
// reply's length no length is measured: each such read is not checked, and the run is
// incomplete (13) unless a failure or an Ng line says more.
TEST(ToolsFaultMatrix, TrackTests) {
  ExpectFaultMatrix("tracktest_type13.txt", "emu:type13",
                    ReadFaults("300", "330", "0-99999:0.002", "3000"),
                    CliRun({"tracktest", "type13"}, NotAnOkLine));
  ExpectFaultMatrix("tracktest_type30.txt", "emu:type30",
                    ReadFaults("0", "4500", "0-75599:0.05", "0"),
                    CliRun({"tracktest", "type30"}, NotAnOkLine));
}

// The Sub-Q check of the mixed disc: its record size learnt again on every track, so that a
// fault-free disc has no CRC error; planted ones in Mode 1, audio and form 2 tracks counted
// exactly; a failed or short read ends it. The enhanced CD's gap between its sessions is
// passed over, not read: the fault-free drive is good, and a bad block in session 2 still
// fails it.
// (Two tests, two golden files: each is a whole disc read on every path, too long as one in a
// sanitizer build.)
TEST(ToolsFaultMatrix, SubQCheckOfTheReadFaults) {
  ExpectFaultMatrix("subq_check.txt", "emu:type30",
                    ReadFaults("0", "40000", "30000-30999:0.01", "1000"),
                    CliRun({"subq-check"}, nullptr));
}

TEST(ToolsFaultMatrix, SubQCheckOfQCrcErrorsTheLastBlockAndTwoSessions) {
  ExpectFaultMatrix("subq_check_sessions.txt", "emu:type30",
                    {{"short block 1000", "short=1000", ShortHiddenByZeroTail()},
                     {"bad last block", "bad=75599"},
                     {"Q CRC spoilt", "qcrc=1000,20000,33000"},
                     {"two sessions", "", {}, "emu:multisession"},
                     {"two sessions, bad block 25000", "bad=25000", {}, "emu:multisession"}},
                    CliRun({"subq-check"}, nullptr));
}

}  // namespace
}  // namespace tamarack::testing
