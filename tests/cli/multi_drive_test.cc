// Several drives in one run: the names that stand for {drive}, the refusals, the worst exit
// status, drives that fail or vanish next to good ones, Ctrl-C, and a golden run of three
// virtual drives.
#include "cli/multi_drive_run.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <future>
#include <sstream>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"
#include "temp_dir.h"

namespace tamarack::cli {
namespace {

namespace fs = std::filesystem;

// Each id of drive_names.txt (in quotes) as the name that stands for {drive}: bytes of other
// scripts are no name's characters, a name of nothing but those is "drive".
TEST(MultiDriveRunTest, SafeNames) {
  tamarack::testing::ExpectEachInput("drive_names.txt", "cli", [](const std::string& quoted) {
    return SafeDriveName(quoted.substr(1, quoted.size() - 2));
  });
  EXPECT_EQ((DriveSlot{"/dev/sr1", "dev_sr1"}.File("out/{drive}/cap-{drive}.dat")),
            "out/dev_sr1/cap-dev_sr1.dat");
}

// The run's exit status of each list of drives' statuses in worst_exit_status.txt: of two
// failures the higher number; a drive refused at its start (1) hides none that ran and found a
// fault, but one left incomplete (13).
TEST(MultiDriveRunTest, WorstExitStatus) {
  tamarack::testing::ExpectEachInput("worst_exit_status.txt", "cli", [](const std::string& line) {
    std::istringstream words(line.substr(line.find(':') + 1));
    std::vector<int> statuses;
    for (int status; words >> status;) statuses.push_back(status);
    return "worst " + std::to_string(WorstExitStatus(statuses));
  });
}

// A drive hung past its time-out, a drive removed under the run (the system refuses its
// commands) and a drive gone before it opened end their own jobs; the good drive beside them
// reads its whole range: the verdicts in multi_drive_failing.txt.
TEST(MultiDriveRunTest, AFailingDriveEndsOnlyItsOwnJob) {
  testing::VirtualCli cli;
  const std::string good = "emu:type13?speed=max";
  std::vector<std::string> args = {
      "age",       "--start", "0",         "--end", "40",    "--loop", "once", "--stop-on-error",
      "--command", "read10",  "--timeout", "5",     "--json"};
  for (const std::string& d :
       {good, good + "&slow=28", good + "&refuse=28:os", std::string("emu:no-such-disc")}) {
    args.insert(args.end(), {"--drive", d});
  }
  const int status = cli.Run(args);
  tamarack::testing::ExpectGoldenFile(
      "multi_drive_failing.txt", cli.out.str() + "exit " + std::to_string(status) + "\n", "cli");
}

// Sixteen drives at once, as many as a small lab holds: every one runs its whole job.
TEST(MultiDriveRunTest, SixteenDrivesAtOnce) {
  testing::VirtualCli cli;
  std::vector<std::string> args = {"age", "--start", "0", "--end", "40", "--loop", "once"};
  for (int i = 1; i <= 16; ++i) {
    args.insert(args.end(), {"--drive", "emu:type13?speed=max&seed=" + std::to_string(i)});
  }
  EXPECT_EQ(cli.Run(args), kExitGood) << cli.err.str();
  const std::string out = cli.out.str();
  std::size_t good_rows = 0;
  for (std::size_t at = 0;
       (at = out.find("  good        0  commands 42,", at)) != std::string::npos; ++at) {
    ++good_rows;
  }
  EXPECT_EQ(good_rows, 16u) << out;
}

// Ctrl-C while four endless runs go on: every drive's job ends through its own cancel, each
// log ends with its "Canceled" record, and the run exits with the cancel's status. A drive
// whose commands failed before the cancel says so, with its counts: never a clean cancel.
TEST(MultiDriveRunTest, CtrlCCancelsEveryDrive) {
  tamarack::testing::TempDir dir;
  testing::VirtualCli cli;
  std::vector<std::string> args = {"age", "--loop", "endless", "--start", "0", "--end", "99"};
  args.insert(args.end(), {"--log", dir.File("age-{drive}.log"), "--json"});
  const std::vector<std::string> drives = {"emu:type13", "emu:type30", "emu:type13?bad=50",
                                           "emu:type13?flaky=1-9:0.5"};
  for (const std::string& d : drives) args.insert(args.end(), {"--drive", d});
  auto run = std::async(std::launch::async, [&] { return cli.Run(args); });
  // Each log is opened by its job, after the run took the signals over; the faulty drives'
  // logs are waited on until their first failed command is written, however slow the machine.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const std::string log = dir.File("age-" + SafeDriveName(drives[i]) + ".log");
    const std::string_view wanted = i >= 2 ? " Ng [" : "\n";
    while (std::chrono::steady_clock::now() < deadline) {
      const std::vector<std::uint8_t> text =
          fs::exists(log) ? dir.Read("age-" + SafeDriveName(drives[i]) + ".log")
                          : std::vector<std::uint8_t>{};
      if (std::string_view(reinterpret_cast<const char*>(text.data()), text.size()).find(wanted) !=
          std::string_view::npos) {
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  std::raise(SIGINT);
  ASSERT_EQ(run.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  EXPECT_EQ(run.get(), kExitOther);
  const std::vector<std::string> lines = testing::Lines(cli.out.str());
  ASSERT_EQ(lines.size(), drives.size()) << cli.out.str();
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const bool faulty = i >= 2;
    EXPECT_NE(lines[i].find(faulty ? R"("verdict": "cancelled, failed", "exit": 99)"
                                   : R"("verdict": "cancelled", "exit": 99)"),
              std::string::npos)
        << lines[i];
    EXPECT_NE(lines[i].find(R"("failures": )"), std::string::npos) << lines[i];
    EXPECT_EQ(lines[i].find(R"("failures": 0,)") != std::string::npos, !faulty) << lines[i];
    const std::vector<std::uint8_t> log = dir.Read("age-" + SafeDriveName(drives[i]) + ".log");
    EXPECT_NE(std::string(log.begin(), log.end()).find("Canceled"), std::string::npos) << drives[i];
  }
}

// Three virtual drives, one of them with an unreadable block, in tests/data/cli/multi_drive.txt:
// the captures (each drive's texts in the order of the drives, then the table), the checks of
// each drive's own file as JSON lines, and the refusals of files the drives would share (an
// --out without {drive}, two ids of one name) and of a drive named twice.
TEST(MultiDriveRunTest, ThreeDrivesGolden) {
  testing::WorkFolder dir;
  std::vector<std::uint8_t> image(300 * 2048);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i / 2048);
  dir.Write("disc.iso", image);
  const std::string a = "emu:disc.iso?speed=max", b = a + "&model=modern", c = a + "&bad=50";
  testing::SteadyCli cli;
  testing::ExpectGoldenRuns(
      cli, "multi_drive.txt",
      {{"capture", "--drive", a, "--drive", b, "--drive", c, "--out", "cap-{drive}.dat", "--yes"},
       {"check", "--drive", a, "--drive", c, "--file", "cap-{drive}.dat", "--json"},
       {"capture", "--drive", a, "--drive", b, "--out", "cap.dat"},
       {"capture", "--drive", c, "--drive", "emu:disc.iso?speed=max?bad=50", "--out",
        "cap-{drive}.dat"},
       {"tracktest", "type13", "--drive", a, "--drive", a}});
  EXPECT_EQ(dir.Read("cap-emu_disc.iso_speed_max.dat"), image);
  EXPECT_EQ(dir.Read("cap-emu_disc.iso_speed_max_model_modern.dat"), image);
  EXPECT_TRUE(fs::exists("cap-emu_disc.iso_speed_max_bad_50.dat"));
  EXPECT_FALSE(fs::exists("cap.dat"));
}

}  // namespace
}  // namespace tamarack::cli
