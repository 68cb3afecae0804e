// tamarack-cli measure on virtual drives with a simulated clock.
#include <gtest/gtest.h>
#ifdef TAMARACK_HAVE_PNG_PLOT
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/png_plot.h"
#include "cli/virtual_cli.h"
#include "temp_dir.h"

namespace tamarack::cli {
namespace {

using Cli = testing::VirtualCli;

// Run in a temporary folder with names relative to it, in tests/data/cli/measure_files.txt: a
// measure of 12000 blocks at 600 a second prints the model, the command, the range, the
// summary of 20 seconds and a few blocks late by the drive's rounding of each command's time
// to microseconds, in a 21st, the rotation, and the files; msr reads the saved file back to the
// same summary and graph; files that cannot be written (a folder in the way) are named with the
// reason (exit 15); a range read within a second measures nothing and writes nothing; a file
// that is not there, with a negative sample or without samples, and a plot of another kind
// are refused; a run ended by a read error saves what it read, marked, and msr of it says the
// run did not finish (exit 13). Then a range past the disc's end is cut to its last block; one that
// starts past it, and bad arguments, are refused before any block is read.
TEST(CliMeasure, WritesTheRecordAndItsPlotMsrReadsThemAndBadArgumentsAreRefused) {
  testing::WorkFolder dir;
  ASSERT_TRUE(dir.ok());
  dir.Write("two.msr", "2048 0 Model=KESTREL CDV\n75\n150\n");
  dir.Write("empty.msr", "2048 0 Model=x\n");
  dir.Write("negative.msr", "2048 0 Model=x\n75\n-3\n");
  std::filesystem::create_directory(dir.File("taken.msr"));
  std::filesystem::create_directory(dir.File("taken.svg"));
  Cli cli;
  const std::string clv24 = "emu:type13?speed=clv24";
  cli.ExpectGoldenRuns("measure_files.txt",
                       {{"measure", "--drive", "emu:type13?speed=clv8", "--end", "0x2edf", "--save",
                         "a.msr", "--plot", "a.svg"},
                        {"measure", "--drive", "emu:type13?speed=clv8", "--end", "1999", "--save",
                         "taken.msr", "--plot", "taken.svg"},
                        {"measure", "--drive", "emu:type13?speed=clv24", "--end", "599", "--save",
                         "c.msr", "--plot", "c.svg"},
                        {"msr", "a.msr", "--plot", "b.svg"},
                        {"msr", "two.msr", "--plot", "two.svg"},
                        {"msr", "missing.msr"},
                        {"msr", "negative.msr"},
                        {"msr", "empty.msr"},
                        {"msr", "two.msr", "--plot", "two.gif"},
                        {"measure", "--drive", "emu:type13?speed=clv24&bad=3000", "--end", "5999",
                         "--save", "bad.msr"},
                        {"msr", "bad.msr"},
                        {"measure", "--drive", clv24, "--start", "330000", "--end", "400000"},
                        {"measure", "--drive", clv24, "--start", "400000"},
                        {"measure", "--drive", clv24, "--start", "100", "--end", "99"},
                        {"measure", "--drive", clv24, "--end", "-4"},
                        {"measure", "--drive", clv24, "--start", "0x80000000"},
                        {"measure", "--drive", clv24, "--plot", "graph.gif"},
                        {"measure", "--drive", clv24, "--blocks", "0"},
                        {"measure", "--drive", clv24, "--blocks", "65536"},
                        {"measure", "--drive", clv24, "--blocks", "-5"},
                        {"measure", "--drive", "emu:nothing"}});
  EXPECT_FALSE(std::filesystem::exists(dir.File("c.msr")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("c.svg")));
  const std::vector<std::uint8_t> svg = dir.Read("a.svg");
  EXPECT_NE(std::string(svg.begin(), svg.end()).find("stroke=\"#7b68ee\""), std::string::npos);
  EXPECT_TRUE(dir.Read("b.svg") == svg) << "the saved record draws the same graph";
}

#ifdef TAMARACK_HAVE_PNG_PLOT
// "WIDTHxHEIGHT" from a PNG's header chunk; "" when `file` is not a PNG.
std::string PngSize(const std::vector<std::uint8_t>& file) {
  const std::string png(file.begin(), file.end());
  if (png.size() < 24 || png.substr(0, 8) != "\x89PNG\r\n\x1a\n" || png.substr(12, 4) != "IHDR") {
    return "";
  }
  const auto be32 = [&png](std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(png[at + i]);
    return std::to_string(v);
  };
  return be32(16) + "x" + be32(20);
}

// The PNG plugin is loaded from the first of the places where a file is: the real one (built
// beside tamarack-cli) draws the graph at the plot's size, also after a place without it; with
// none, a file that is no library or a library that is not the plugin, the run names what is
// missing or wrong, exits 15 (a file error) and leaves no file; a measurement's samples are
// still saved.
TEST(CliMeasure, PngPlotsNeedThePluginAndSayWhatIsWrongWithIt) {
  tamarack::testing::TempDir dir;
  ASSERT_TRUE(dir.ok());
  dir.Write("two.msr", "2048 0 Model=KESTREL CDV\n75\n150\n");
  std::filesystem::create_directory(dir.File("text"));
  dir.Write("text/libtamarack-png.so", "not a library\n");
  const std::string real = PngPluginPlaces(TAMARACK_PNG_PLUGIN_DIR).front();
  const std::string none = dir.File("none/libtamarack-png.so");
  const std::string text = dir.File("text/libtamarack-png.so");
  // A library that is there but not the plugin: the C library (found from one of its functions).
  const auto getpid_function = &::getpid;
  void* in_libc = nullptr;
  std::memcpy(&in_libc, &getpid_function, sizeof in_libc);
  Dl_info runtime{};
  ASSERT_NE(::dladdr(in_libc, &runtime), 0);
  ASSERT_NE(runtime.dli_fname, nullptr);
  struct Case {
    std::vector<std::string> places;
    std::string command;
    int status;
    std::string message;  // in stderr
  };
  const Case cases[] = {
      {{real}, "msr", kExitGood, ""},
      {{none, real}, "msr", kExitGood, ""},
      {{none, real}, "measure", kExitGood, ""},
      {{}, "msr", kExitCannotOpen, "PNG plots need libtamarack-png.so, which is not in any known"},
      {{none}, "msr", kExitCannotOpen, "libtamarack-png.so, which is not in " + none + ";"},
      {{none}, "measure", kExitCannotOpen, "which is not in " + none + ";"},
      {{text, real}, "msr", kExitCannotOpen, "the PNG plugin " + text + " cannot be loaded: "},
      {{runtime.dli_fname},
       "msr",
       kExitCannotOpen,
       std::string(runtime.dli_fname) + " is not the PNG plugin of tamarack-cli "},
  };
  Cli cli;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command + " with " + std::to_string(c.places.size()) + " places, " + c.message);
    const std::string png = dir.File("plot.png");
    const std::string msr = dir.File("taken.msr");
    std::filesystem::remove(png);
    std::filesystem::remove(msr);
    std::vector<std::string> args = {"msr", dir.File("two.msr"), "--plot", png};
    if (c.command == "measure") {
      args = {"measure", "--drive", "emu:type13?speed=clv8", "--end", "1999"};
      args.insert(args.end(), {"--save", msr, "--plot", png});
    }
    std::ostringstream out, err;
    EXPECT_EQ(testing::RunCapturing(cli.drives, args, out, err, &cli.clock, &c.places), c.status)
        << err.str();
    if (c.status == kExitGood) {
      EXPECT_EQ(PngSize(dir.Read("plot.png")), "800x500");
      EXPECT_EQ(err.str().find("tamarack-cli"), std::string::npos) << err.str();
    } else {
      EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
      EXPECT_FALSE(std::filesystem::exists(png));
    }
    EXPECT_EQ(std::filesystem::exists(msr), c.command == "measure");
  }
}
#endif

}  // namespace
}  // namespace tamarack::cli
