// Several drives in one run: the names that stand for {drive}, the refusals, the worst exit
// status, drives that fail or vanish next to good ones, Ctrl-C, and a golden run of three
// virtual drives.
#include "cli/multi_drive_run.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <future>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/virtual_cli.h"
#include "temp_dir.h"

namespace tamarack::cli {
namespace {

namespace fs = std::filesystem;

TEST(MultiDriveRunTest, SafeNames) {
  const struct {
    const char* id;
    const char* name;
  } rows[] = {
      {"emu:type13?bad=1000", "emu_type13_bad_1000"},
      {"/dev/sr0", "dev_sr0"},
      {"emu:type13?speed=max&flaky=5000-5100:0.25", "emu_type13_speed_max_flaky_5000-5100_0.25"},
      {"emu:/tmp/my disc.iso", "emu_tmp_my_disc.iso"},
      {"emu:ディスク", "emu"},  // bytes of other scripts are no name's characters
      {"..", "drive"},
      {"", "drive"},
      {"//", "drive"},
  };
  for (const auto& row : rows) EXPECT_EQ(SafeDriveName(row.id), row.name) << row.id;
  EXPECT_EQ((DriveSlot{"/dev/sr1", "dev_sr1"}.File("out/{drive}/cap-{drive}.dat")),
            "out/dev_sr1/cap-dev_sr1.dat");
}

// An --out without {drive} for several drives: multi_drive.txt.
TEST(MultiDriveRunTest, RefusesFilesTheDrivesWouldShare) {
  const struct {
    std::vector<std::string> drives;
    std::string out;
    const char* error;  // "" when the run may start
  } rows[] = {
      {{"emu:type13"}, "cap.dat", ""},  // one drive needs no {drive}
      {{"emu:type13", "emu:type30"}, "cap-{drive}.dat", ""},
      {{"emu:type13", "emu:type30"}, "", ""},  // no file named
      {{"emu:type13", "emu:type13"}, "cap-{drive}.dat", "--drive emu:type13 is named twice"},
      {{"emu:type13?bad=1", "emu:type13&bad=1"},
       "cap-{drive}.dat",
       "--drive emu:type13?bad=1 and --drive emu:type13&bad=1 would both write their files as "
       "{drive} = emu_type13_bad_1"},
  };
  for (const auto& row : rows) {
    std::vector<DriveSlot> slots;
    std::string error;
    const bool ok =
        PlanDrives({"capture", row.drives, {{"--out", row.out}}, false}, &slots, &error);
    EXPECT_EQ(ok, *row.error == '\0') << row.out;
    EXPECT_EQ(error, row.error);
    if (ok) {
      EXPECT_EQ(slots.size(), row.drives.size());
    }
  }
}

TEST(MultiDriveRunTest, WorstExitStatus) {
  const struct {
    std::vector<int> statuses;
    int worst;
  } rows[] = {
      {{}, kExitGood},
      {{kExitGood, kExitGood}, kExitGood},
      {{kExitGood, kExitMiscompare}, kExitMiscompare},
      {{kExitMiscompare, kExitMediumError, kExitGood}, kExitMediumError},
      {{kExitTimeout, kExitMediumError}, kExitTimeout},  // two failures: the higher number
      // a drive refused at its start hides none that ran and found a fault
      {{kExitMalformedReply, kExitBadArguments}, kExitMalformedReply},
      {{kExitBadArguments, kExitMediumError}, kExitMediumError},
      {{kExitBadArguments, kExitMiscompare}, kExitMiscompare},
      {{kExitIncomplete, kExitBadArguments}, kExitBadArguments},
      {{kExitCannotOpen, kExitBadArguments, kExitMediumError}, kExitCannotOpen},
      {{kExitGood, kExitOther, kExitCannotOpen}, kExitOther},
  };
  for (const auto& row : rows) EXPECT_EQ(WorstExitStatus(row.statuses), row.worst);
}

// A drive hung past its time-out, a drive removed under the run (the system refuses its
// commands) and a drive gone before it opened end their own jobs; the good drive beside them
// reads its whole range.
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
  EXPECT_EQ(
      testing::Lines(cli.out.str()),
      (std::vector<std::string>{
          R"({"drive": "emu:type13?speed=max", "name": "emu_type13_speed_max", "verdict": "good", "exit": 0, "counts": {"commands": 42, "failed": 0, "blocks_asked": 41, "blocks_read": 41, "blocks_failed": 0, "blocks_skipped": 0}, "coverage": {"asked": 41, "read": 41, "compared": 0, "failed": 0, "skipped": 0, "not_reached": 0, "failed_runs": [], "skipped_runs": []}})",
          R"({"drive": "emu:type13?speed=max&slow=28", "name": "emu_type13_speed_max_slow_28", "verdict": "failed", "exit": 33, "counts": {"commands": 2, "failed": 2, "blocks_asked": 1, "blocks_read": 0, "blocks_failed": 1, "blocks_skipped": 0}, "coverage": {"asked": 1, "read": 0, "compared": 0, "failed": 1, "skipped": 0, "not_reached": 0, "failed_runs": [{"first": 0, "count": 1}], "skipped_runs": []}})",
          R"({"drive": "emu:type13?speed=max&refuse=28:os", "name": "emu_type13_speed_max_refuse_28_os", "verdict": "failed", "exit": 99, "counts": {"commands": 2, "failed": 2, "blocks_asked": 1, "blocks_read": 0, "blocks_failed": 1, "blocks_skipped": 0}, "coverage": {"asked": 1, "read": 0, "compared": 0, "failed": 1, "skipped": 0, "not_reached": 0, "failed_runs": [{"first": 0, "count": 1}], "skipped_runs": []}})",
          R"({"drive": "emu:no-such-disc", "name": "emu_no-such-disc", "verdict": "cannot open", "exit": 15, "counts": {}})",
      }));
  EXPECT_EQ(status, kExitOther) << cli.err.str();
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
// each drive's own file as JSON lines, and the refusals of files the drives would share.
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
       {"tracktest", "type13", "--drive", a, "--drive", a}});
  EXPECT_EQ(dir.Read("cap-emu_disc.iso_speed_max.dat"), image);
  EXPECT_EQ(dir.Read("cap-emu_disc.iso_speed_max_model_modern.dat"), image);
  EXPECT_TRUE(fs::exists("cap-emu_disc.iso_speed_max_bad_50.dat"));
  EXPECT_FALSE(fs::exists("cap.dat"));
}

}  // namespace
}  // namespace tamarack::cli
