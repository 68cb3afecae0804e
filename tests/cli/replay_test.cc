// A run recorded with --trace and replayed through "emu:PATH.jsonl" prints what the drive
// printed.
#include <gtest/gtest.h>

#include "cli/virtual_cli.h"
#include "temp_dir.h"

namespace tamarack::cli {
namespace {

using tamarack::testing::TempDir;
using testing::VirtualCli;

TEST(CliReplay, ATraceReplaysToTheSameOutputInEveryResidMode) {
  TempDir dir("tamarack-cli-replay-");
  ASSERT_TRUE(dir.ok());
  const std::vector<std::vector<std::string>> runs = {
      {"inquiry"},
      {"toc", "--full"},
      {"config"},
      {"modesense", "--page", "2a"},
      {"capacity"},
      {"event"},
      {"mechanism"},
      {"properties", "--json"},
      {"subchannel"},
      {"dump", "--lba", "16", "--length", "2"},
      {"send", "--cdb", "28 00 00 00 00 10 00 00 01", "--in", "2048"},
      {"send", "--cdb", "ff"}};
  for (const char* drive : {"emu:type13?resid=exact", "emu:audio?resid=none",
                            "emu:type30?resid=zero", "emu:multisession?resid=pad"}) {
    for (const auto& run : runs) {
      VirtualCli live;
      const std::string trace = dir.File("t.jsonl");
      std::vector<std::string> args = {"--trace", trace};
      args.insert(args.end(), run.begin(), run.end());
      args.insert(args.end(), {"--drive", drive});
      const int status = live.Run(args);

      VirtualCli replay;
      args = run;
      args.insert(args.end(), {"--drive", "emu:" + trace});
      EXPECT_EQ(replay.Run(args), status) << drive << " " << run[0];
      EXPECT_EQ(replay.out.str(), live.out.str()) << drive << " " << run[0];
      EXPECT_EQ(replay.err.str(), live.err.str()) << drive << " " << run[0];
    }
  }
}

// Traces kept as fixtures decode as they did when they were recorded.
TEST(CliReplay, FixturesDecodeAsRecorded) {
  const auto trace = [](const std::string& name) {
    return "emu:" + tamarack::testing::GoldenPath(name + ".jsonl", "traces");
  };
  VirtualCli cli;
  // The drive of the trace lists the features the live drive lists on every disc.
  cli.ExpectGoldenOutput("config_audio.txt", {"config", "--drive", trace("emu_type13")});
  cli.ExpectGoldenOutput("replay_emu_type13_toc.txt", {"toc", "--drive", trace("emu_type13")});
  // The modern model: a Core of 8 bytes, features the table does not know, a block descriptor;
  // its trace prints what the live modern drive prints (the same golden files).
  cli.ExpectGoldenOutput("config_modern.txt", {"config", "--drive", trace("emu_modern")});
  cli.ExpectGoldenOutput("modesense_all_pages.txt",
                         {"modesense", "--page", "3f", "--drive", trace("emu_modern")});
  // QEMU's drives through the Linux kernel (tests/vm): libata and virtio-scsi both report the
  // whole buffer as transferred, zero-padded.
  for (const std::string bus : {"ahci", "scsi"}) {
    cli.ExpectGoldenOutput("replay_vm_" + bus + "_config.txt",
                           {"config", "--drive", trace("vm_" + bus + "_config")});
  }
  cli.ExpectGoldenOutput("replay_vm_scsi_inquiry.txt",
                         {"inquiry", "--drive", trace("vm_scsi_inquiry")});
}

}  // namespace
}  // namespace tamarack::cli
