// tamarack-cli capture and check against virtual drives: the files, the result texts and the
// exit statuses.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "cli/fault_matrix.h"
#include "cli/virtual_cli.h"
#include "temp_dir.h"

namespace tamarack::cli {
namespace {

namespace fs = std::filesystem;
using testing::NumberedImage;
using testing::SteadyCli;

// Run in a temporary folder, named relative to it, in tests/data/cli/reference.txt: a capture
// with its check; a difference with no one to ask ends the check with 14 (passed over with
// --yes, it is the check matrix's corrupted block); a short reply with no one to ask ends the
// check with 97 and says where it stopped; a read error with no one to ask ends the job with
// the medium error's status and leaves only the partial file, with --yes it is passed over,
// its blocks listed in d.dat.unread and skipped by the check of d.dat; then a list of unread
// blocks that cannot be read, a range or a number that is wrong, a missing file and no disc.
TEST(ReferenceCliTest, CaptureCheckAndTheirExitStatuses) {
  testing::WorkFolder dir;
  dir.Write("disc.iso", NumberedImage(500));
  std::vector<std::uint8_t> changed = NumberedImage(500);
  changed[300 * 2048] ^= 1;
  dir.Write("b.dat", changed);
  dir.Write("e.dat", NumberedImage(500));
  dir.Write("e.dat.unread", std::string("12-20\n30-x\n"));
  const std::string drive = "emu:disc.iso?speed=max", bad = "emu:disc.iso?speed=max&bad=50";
  SteadyCli cli;
  testing::ExpectGoldenRuns(
      cli, "reference.txt",
      {{"capture", "--drive", drive, "--out", "a.dat", "--check", "--max-speed"},
       {"check", "--drive", drive, "--file", "b.dat"},
       {"check", "--drive", drive + "&short=100", "--file", "a.dat"},
       {"capture", "--drive", bad, "--out", "c.dat"},
       {"capture", "--drive", bad, "--out", "d.dat", "--yes"},
       {"check", "--drive", drive, "--file", "d.dat"},
       {"check", "--drive", drive, "--file", "e.dat"},
       {"capture", "--drive", bad, "--out", "x.dat", "--start", "10", "--end", "5"},
       {"capture", "--drive", bad, "--out", "x.dat", "--start", "1O"},
       {"check", "--drive", bad, "--file", "none.dat"},
       {"check", "--drive", "emu:type13?nomedium", "--file", "a.dat"}});
  // The files' bytes are the jobs' (reference_job_test.cc): their checks here read them back.
  EXPECT_FALSE(fs::exists("c.dat"));
  EXPECT_TRUE(fs::exists("c.dat.partial"));
}

#ifndef _WIN32  // FIFOs and file-size limits are POSIX; symlinks need rights on Windows
// What a capture writes into. A FIFO (as any special file) is written where it is, a symlink's
// target gets the data; neither is replaced by a file, and no partial file is left beside them.
// A FIFO no process reads fails at once (it would block the open for good), and a list of
// unread blocks that is a FIFO is refused by capture and check alike before anything is read.
// A file size limit (EFBIG, SIGXFSZ ignored as the program does) ends the capture with the
// file's name and the system's reason, 15, and what reached the disk counted.
TEST(ReferenceCliTest, FifoSymlinkAndAFileSizeLimit) {
  tamarack::testing::TempDir dir;
  dir.Write("disc.iso", NumberedImage(300));
  const std::string drive = "emu:" + dir.File("disc.iso") + "?speed=max";
  testing::VirtualCli cli;

  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ(cli.Run({"capture", "--drive", drive, "--out", dir.File("fifo")}), 15);
  EXPECT_NE(cli.err.str().find(dir.File("fifo") + ": no process reads the FIFO"), std::string::npos)
      << cli.err.str();
  // Held open for reading (and writing, so that opening it never waits) before the capture.
  const int fifo = ::open(dir.File("fifo").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fifo, 0);
  std::vector<std::uint8_t> through_fifo(300 * 2048);
  std::thread reader([&] {
    for (std::size_t got = 0; got < through_fifo.size();) {
      const ssize_t n = ::read(fifo, through_fifo.data() + got, through_fifo.size() - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
  });
  EXPECT_EQ(cli.Run({"capture", "--drive", drive, "--out", dir.File("fifo")}), 0) << cli.err.str();
  reader.join();
  ::close(fifo);
  EXPECT_TRUE(through_fifo == NumberedImage(300));
  EXPECT_TRUE(fs::is_fifo(dir.File("fifo")));

  ASSERT_EQ(::mkfifo(dir.File("l.dat.unread").c_str(), 0600), 0);
  dir.Write("l.dat", NumberedImage(300));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"capture", "--drive", drive, "--out", dir.File("l.dat")},
        std::vector<std::string>{"check", "--drive", drive, "--file", dir.File("l.dat")}}) {
    EXPECT_EQ(cli.Run(args), 1) << args[0];
    EXPECT_NE(cli.err.str().find(dir.File("l.dat.unread") + ": not a regular file"),
              std::string::npos)
        << cli.err.str();
  }
  fs::remove(dir.File("l.dat"));
  fs::remove(dir.File("l.dat.unread"));

  dir.Write("real.dat", std::string("older data"));
  fs::create_symlink("real.dat", dir.File("link.dat"));
  EXPECT_EQ(cli.Run({"capture", "--drive", drive, "--out", dir.File("link.dat")}), 0)
      << cli.err.str();
  EXPECT_TRUE(fs::is_symlink(dir.File("link.dat")));
  EXPECT_TRUE(dir.Read("real.dat") == NumberedImage(300));
  EXPECT_EQ(tamarack::testing::FilesLeft(dir),
            "disc.iso 614400, fifo special, link.dat symlink, real.dat 614400");

  // A limit past the first 8 MiB, whose write-back the file starts while the capture goes on:
  // the partial file still holds exactly what the system took.
  const std::vector<std::uint8_t> large = NumberedImage(5000);
  dir.Write("large.iso", large);
  rlimit before{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = before;
  limit.rlim_cur = 4500 * 2048;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  const int status = cli.Run({"capture", "--drive", "emu:" + dir.File("large.iso") + "?speed=max",
                              "--out", dir.File("big.dat")});
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(status, 15);
  const std::string partial = dir.File("big.dat.partial");
  EXPECT_NE(cli.err.str().find("error: ﾌｧｲﾙの書き込みに失敗しました\n" + partial +
                               ": File too large\n途中までのﾃﾞｰﾀは " + partial + " にあります\n"),
            std::string::npos)
      << cli.err.str();
  EXPECT_NE(cli.out.str().find("read: 9216000 bytes"), std::string::npos) << cli.out.str();
  EXPECT_TRUE(dir.Read("big.dat.partial") ==
              std::vector<std::uint8_t>(large.begin(), large.begin() + 9216000));
  EXPECT_FALSE(fs::exists(dir.File("big.dat")));
}
#endif

}  // namespace
}  // namespace tamarack::cli
