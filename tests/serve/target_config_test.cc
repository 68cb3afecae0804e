// The kernel's target configuration: the order of every step, the clean-up of a set-up that
// fails half-way and of an earlier run's entries, and the checks before serving.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "device/clock.h"
#include "emu/virtual_drive_provider.h"
#include "golden.h"
#include "recording_files.h"
#include "serve/serve_session.h"
#include "serve/target_config.h"
#include "util/strings.h"

namespace tamarack::serve {
namespace {

using testing::RecordingFiles;

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

// Entries of this program still in the configuration.
std::vector<std::string> Leftovers(const RecordingFiles& fs) {
  std::vector<std::string> left;
  for (const std::set<std::string>* s : {&fs.dirs, &fs.links}) {
    for (const std::string& p : *s) {
      if (p.find("tamarack") != std::string::npos || p.find("naa.5054616") != std::string::npos ||
          p.ends_with("user_8086") || p.find("/iscsi/") != std::string::npos) {
        left.push_back(p);
      }
    }
  }
  return left;
}

class FakeWorker final : public DriveWorker {
 public:
  FakeWorker(std::vector<std::string>& log, std::string path) : log_(log), path_(path) {}
  ~FakeWorker() override { log_.push_back("worker on " + path_ + " stops"); }
  std::string Error() const override { return ""; }

 private:
  std::vector<std::string>& log_;
  std::string path_;
};

struct Session {
  Session() : provider(clock, {}) {
    fs.AddDirs("/cfg/target/core");
    fs.AddDirs("/sys/class/uio");
    setup.fs = &fs;
    setup.roots = {"/cfg", "/sys", "/dev"};
    setup.clock = &clock;
    setup.pid = 100;
    setup.alive = [](int) { return true; };
    setup.start_worker = [this](const UioDevice& uio, Transport&, std::string* error) {
      fs.log.push_back("worker on " + uio.path + " starts, map of " + std::to_string(uio.map_size) +
                       " bytes");
      if (fail_worker) {
        *error = "cannot open " + uio.path;
        return std::unique_ptr<DriveWorker>();
      }
      return std::unique_ptr<DriveWorker>(std::make_unique<FakeWorker>(fs.log, uio.path));
    };
  }
  std::string Start(const std::vector<std::string>& ids) {
    std::vector<DriveToServe> drives;
    for (const std::string& id : ids) {
      transports.push_back(provider.Open(id).transport);
      drives.push_back({id, transports.back().get()});
    }
    session = std::make_unique<ServeSession>(setup);
    return session->Start(drives, [this](const ServedDrive& d) {
      fs.log.push_back(d.lun >= 0 ? "served " + d.id + " as LUN " + std::to_string(d.lun)
                                  : "served " + d.id + " as " + d.sr + " " + d.sg);
    });
  }
  SimulatedClock clock;
  emu::VirtualDriveProvider provider;
  std::vector<std::unique_ptr<Transport>> transports;
  RecordingFiles fs;
  ServeSetup setup;
  bool fail_worker = false;
  std::unique_ptr<ServeSession> session;
};

void ServeOverIscsi(Session& s) {
  s.setup.fabric = Fabric::kIscsi;
  s.setup.iscsi = {"127.0.0.1:3260",
                   "iqn.2026-12.test:lab",
                   {"iqn.1991-05.test:pc1", "iqn.1991-05.test:pc2"},
                   "secret-secret"};
}

// Over iSCSI nothing listens before CHAP, the ACLs and the LUNs are in place; removal in reverse.
TEST(ServeSession, SetsUpAndRemovesInTheKernelsOrder) {
  for (const bool iscsi : {false, true}) {
    Session s;
    if (iscsi) ServeOverIscsi(s);
    ASSERT_EQ(s.Start({"emu:type13", iscsi ? "emu:audio" : "emu:audio?bad=5,7&speed=max"}), "");
    EXPECT_TRUE(s.session->Stop().empty());
    tamarack::testing::ExpectGoldenFile(iscsi ? "iscsi_session_steps.txt" : "session_steps.txt",
                                        Lines(s.fs.log), "serve");
    EXPECT_EQ(Leftovers(s.fs), std::vector<std::string>{});
    EXPECT_FALSE(s.fs.Exists("/cfg/target/iscsi"));
  }
}

// Whatever step fails, on the loopback or over iSCSI, the error names it and the configuration
// is left as it was (an iSCSI target of another run kept): each case of set_up_failures.txt, the
// fabric, the fault planted (the kernel makes no uio device, the worker cannot start, the kernel
// attaches nothing, a write or a mkdir fails, a directory is there before) and its path ($LAB the
// iSCSI target's), then the error.
TEST(ServeSetUpFailure, RemovesWhatWasMade) {
  tamarack::testing::ExpectEachInput("set_up_failures.txt", "serve", [](const std::string& line) {
    std::istringstream in(line);
    std::string fabric, fault, path;
    in >> fabric >> fault >> path;
    if (path.starts_with("$LAB")) path.replace(0, 4, "/cfg/target/iscsi/iqn.2026-12.test:lab");
    Session s;
    if (fabric == "iscsi") ServeOverIscsi(s);
    s.fs.kernel_makes_uio = fault != "no-uio";
    s.fail_worker = fault == "no-worker";
    s.fs.kernel_attaches = fault != "no-attach";
    if (fault == "write") s.fs.fail_write_to = path;
    if (fault == "mkdir") s.fs.fail_mkdir = path;
    if (fault == "there") s.fs.AddDirs(path);
    const std::vector<std::string> before = Leftovers(s.fs);
    const std::string error = fabric == "iscsi" ? s.Start({"emu:type13", "emu:audio"})
                                                : s.Start({"emu:type13", "emu:type13?speed=max"});
    EXPECT_FALSE(error.empty()) << line;
    EXPECT_EQ(Leftovers(s.fs), before) << Lines(s.fs.log);
    return error;
  });
}

// The tree an earlier run left, in stale_tree.txt.
TEST(StaleEntries, OnlyThoseOfDeadRunsAreRemoved) {
  RecordingFiles fs;
  std::istringstream tree(tamarack::testing::ReadGoldenFile("stale_tree.txt", "serve"));
  for (std::string line; std::getline(tree, line);) {
    std::istringstream words(line);
    std::string kind, path, text;
    words >> kind >> path >> text;
    if (kind == "dir") fs.AddDirs(path);
    if (kind == "link") fs.links.insert(path);
    if (kind == "file") fs.files[path] = text;
  }
  std::vector<std::string> notes = RemoveStaleEntries(
      fs, {"/cfg", "/sys", "/dev"}, [](int pid) { return pid == 77; },
      [&fs](const UioDevice& uio) {
        fs.log.push_back("answering " + uio.path + " (" + std::to_string(uio.map_size) + ")");
        return std::make_unique<FakeWorker>(fs.log, uio.path);
      });
  fs.log.insert(fs.log.end(), notes.begin(), notes.end());
  tamarack::testing::ExpectGoldenFile("stale_entries.txt", Lines(fs.log), "serve");
}

// What is missing, and how to get it, for each way a machine may stand: with or without the
// rights, the modules, configfs and its target directory.
TEST(ServePrerequisites, SayWhatIsMissingAndHowToGetIt) {
  std::string text;
  for (int bits = 0; bits < 16; ++bits) {
    const bool admin = bits & 1, modules = bits & 2, configfs = bits & 4, target = bits & 8;
    RecordingFiles fs;
    if (modules) fs.AddDirs("/sys/module/target_core_user"), fs.AddDirs("/sys/module/tcm_loop");
    if (configfs) fs.AddDirs("/cfg");
    if (target) fs.AddDirs("/cfg/target");
    text += StrFormat("== admin %d modules %d configfs %d target %d\n", admin, modules, configfs,
                      target) +
            Lines(MissingForServing(fs, {"/cfg", "/sys", "/dev"}, admin));
  }
  // Serving over iSCSI needs its target module instead of the loopback's.
  for (const char* loaded : {"tcm_loop", "iscsi_target_mod"}) {
    RecordingFiles fs;
    fs.AddDirs("/cfg/target");
    fs.AddDirs("/sys/module/target_core_user");
    fs.AddDirs(std::string("/sys/module/") + loaded);
    text += StrFormat("== iSCSI, %s loaded\n", loaded) +
            Lines(MissingForServing(fs, {"/cfg", "/sys", "/dev"}, true, Fabric::kIscsi));
  }
  tamarack::testing::ExpectGoldenFile("prerequisites.txt", text, "serve");
}

TEST(ServePrerequisites, SysAdminCapabilityFromTheStatusFile) {
  EXPECT_TRUE(HasSysAdminCapability("Name:\tx\nCapEff:\t000001ffffffffff\n"));
  EXPECT_TRUE(HasSysAdminCapability("CapEff:\t0000000000200000\n"));
  EXPECT_FALSE(HasSysAdminCapability("CapEff:\t00000000001fffff\nCapBnd:\t000001ffffffffff\n"));
  EXPECT_FALSE(HasSysAdminCapability("CapEff:\tzz\n"));
  EXPECT_FALSE(HasSysAdminCapability(""));
}

}  // namespace
}  // namespace tamarack::serve
