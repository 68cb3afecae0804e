#include "serve/target_config.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

#include "serve/iscsi_target.h"
#include "util/strings.h"

namespace tamarack::serve {

namespace {

// The kernel reads the backstore's control file as "key=value" pairs split at commas and
// newlines; its uio name holds the config too.
std::string ConfigText(std::string_view id) {
  std::string s;
  for (char c : id.substr(0, 200)) {
    const bool keep = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' ||
                      c == '_' || c == ':' || c == '/';
    s += keep ? c : '_';
  }
  return s;
}

int PidOfTargetWwn(std::string_view name) {
  if (!name.starts_with(kTargetWwnPrefix) || name.size() < kTargetWwnPrefix.size() + 8) return -1;
  const std::string_view hex = name.substr(kTargetWwnPrefix.size(), 8);
  const auto pid = ParseDigits(hex, 16, 0xFFFFFFFFu);
  return pid ? static_cast<int>(*pid) : -1;
}

// The drive's index in a target name made by NamesFor, or -1.
int IndexOfTargetWwn(std::string_view name) {
  if (name.size() != kTargetWwnPrefix.size() + 12) return -1;
  const std::string_view hex = name.substr(kTargetWwnPrefix.size() + 8);
  const auto index = ParseDigits(hex, 16, 0xFFFFu);
  return index ? static_cast<int>(*index) : -1;
}

void Note(const std::string& error, std::vector<std::string>* left) {
  if (!error.empty()) left->push_back(error);
}

std::string Trimmed(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  return s;
}

}  // namespace

std::vector<std::string> MissingForServing(SysFiles& fs, const ServeRoots& roots, bool admin,
                                           Fabric fabric) {
  std::vector<std::string> missing;
  if (!admin) {
    missing.push_back(
        "serving needs root (or CAP_SYS_ADMIN) to write the kernel's target configuration: run "
        "it as root, for example with sudo");
  }
  const char* fabric_module = fabric == Fabric::kIscsi ? "iscsi_target_mod" : "tcm_loop";
  std::vector<std::string> modules;
  for (const char* m : {"target_core_user", fabric_module}) {
    if (!fs.Exists(roots.sysfs + "/module/" + m)) modules.push_back(m);
  }
  if (!modules.empty()) {
    const std::string names = modules.size() == 1 ? modules[0] : modules[0] + " and " + modules[1];
    missing.push_back(
        StrFormat("the kernel module%s %s %s not loaded: load %s as root with "
                  "\"modprobe -a target_core_user %s\"",
                  modules.size() == 1 ? "" : "s", names.c_str(), modules.size() == 1 ? "is" : "are",
                  modules.size() == 1 ? "it" : "them", fabric_module));
  }
  if (!fs.Exists(roots.configfs)) {
    missing.push_back("configfs is not mounted at " + roots.configfs +
                      ": mount it as root with \"mount -t configfs configfs " + roots.configfs +
                      "\"");
  } else if (modules.empty() && !fs.Exists(roots.configfs + "/target")) {
    missing.push_back("there is no target directory in " + roots.configfs +
                      ": is configfs mounted there? (\"mount -t configfs configfs " +
                      roots.configfs + "\" as root)");
  }
  return missing;
}

bool HasSysAdminCapability(std::string_view status) {
  constexpr int kCapSysAdmin = 21;
  std::istringstream in{std::string(status)};
  for (std::string line; std::getline(in, line);) {
    if (!line.starts_with("CapEff:")) continue;
    std::string_view hex = line;
    hex.remove_prefix(7);
    while (!hex.empty() && (hex.front() == ' ' || hex.front() == '\t')) hex.remove_prefix(1);
    const auto caps =
        ParseDigits(hex.substr(0, hex.find_first_not_of("0123456789abcdefABCDEF")), 16, UINT64_MAX);
    return caps && ((*caps >> kCapSysAdmin) & 1) != 0;
  }
  return false;
}

bool RunningWithAdminRights() {
  if (::geteuid() == 0) return true;
  std::ifstream in("/proc/self/status");
  std::stringstream text;
  text << in.rdbuf();
  return HasSysAdminCapability(text.str());
}

TargetNames NamesFor(int pid, int index, std::string_view drive_id) {
  TargetNames n;
  n.backstore = StrFormat("%.*s%d_%d", static_cast<int>(kBackstorePrefix.size()),
                          kBackstorePrefix.data(), pid, index);
  const std::string suffix =
      StrFormat("%08x%04x", static_cast<unsigned>(pid), static_cast<unsigned>(index) & 0xFFFFu);
  n.target_wwn = std::string(kTargetWwnPrefix) + suffix;
  n.initiator_wwn = std::string(kInitiatorWwnPrefix) + suffix;
  n.dev_config = "tamarack/" + ConfigText(drive_id);
  return n;
}

int PidOfBackstoreName(std::string_view name) {
  if (!name.starts_with(kBackstorePrefix)) return -1;
  name.remove_prefix(kBackstorePrefix.size());
  int pid = -1;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (ec != std::errc() || end == name.data() + name.size() || *end != '_') return -1;
  return pid;
}

TargetConfig::TargetConfig(SysFiles& fs, ServeRoots roots, TargetNames names)
    : fs_(fs), roots_(std::move(roots)), names_(std::move(names)) {}

std::string TargetConfig::Core() const {
  return roots_.configfs + "/target/core/user_" + std::to_string(kUserHbaIndex);
}
std::string TargetConfig::Backstore() const { return Core() + "/" + names_.backstore; }
std::string TargetConfig::Naa() const {
  return roots_.configfs + "/target/loopback/" + names_.target_wwn;
}
std::string TargetConfig::Tpg() const { return Naa() + "/tpgt_1"; }
std::string TargetConfig::Lun() const { return Tpg() + "/lun/lun_0"; }

std::string TargetConfig::CreateBackstore(std::uint64_t dev_size, std::uint32_t cmd_time_out,
                                          UioDevice* uio) {
  std::string error;
  if (!fs_.Exists(Core())) {
    if (!(error = fs_.MakeDir(Core())).empty()) return error;
    made_hba_dir_ = true;
  }
  if (!(error = fs_.MakeDir(Backstore())).empty()) return error;
  made_backstore_ = true;
  // One setting per write.
  const std::string control = Backstore() + "/control";
  for (const std::string& setting :
       {"dev_config=" + names_.dev_config, "dev_size=" + std::to_string(dev_size),
        std::string("hw_block_size=2048")}) {
    if (!(error = fs_.Write(control, setting)).empty()) return error;
  }
  const std::string attrib = Backstore() + "/attrib";
  if (!(error = fs_.Write(attrib + "/cmd_time_out", std::to_string(cmd_time_out))).empty()) {
    return error;
  }
  // Aborts reach the handler only when asked for (kernels before 5.11 have no such switch: a
  // held command is then answered when its hold runs out).
  if (fs_.Exists(attrib + "/tmr_notification")) {
    if (!(error = fs_.Write(attrib + "/tmr_notification", "1")).empty()) return error;
  }
  if (!(error = fs_.Write(Backstore() + "/enable", "1")).empty()) return error;

  return FindUio(fs_, roots_, names_.backstore, uio);
}

std::string TargetConfig::CreateLoopback() {
  std::string error;
  const std::string loopback = roots_.configfs + "/target/loopback";
  // The fabric's directory appears on first use.
  if (!fs_.Exists(loopback)) {
    if (!(error = fs_.MakeDir(loopback)).empty()) return error;
    made_loopback_dir_ = true;
  }
  if (!(error = fs_.MakeDir(Naa())).empty()) return error;
  made_naa_ = true;
  if (!(error = fs_.MakeDir(Tpg())).empty()) return error;
  made_tpg_ = true;
  if (!(error = fs_.Write(Tpg() + "/nexus", names_.initiator_wwn)).empty()) return error;
  if (!(error = fs_.MakeDir(Lun())).empty()) return error;
  made_lun_ = true;
  if (!(error = fs_.Symlink(Backstore(), Lun() + "/" + std::string(kLunLinkName))).empty()) {
    return error;
  }
  made_link_ = true;
  return "";
}

std::string TargetConfig::FindDevices(Clock& clock, Clock::Duration limit, std::string* sr,
                                      std::string* sg) {
  // The portal group's address is "HOST:CHANNEL:TARGET"; the LUN is 0.
  std::string address;
  std::string error = fs_.Read(Tpg() + "/address", &address);
  if (!error.empty()) return error;
  const std::string device = roots_.sysfs + "/bus/scsi/devices/" + Trimmed(address) + ":0";
  const Clock::Duration start = clock.Now();
  for (;;) {
    std::vector<std::string> block = fs_.List(device + "/block");
    std::vector<std::string> generic = fs_.List(device + "/scsi_generic");
    if (!block.empty() && !generic.empty()) {
      *sr = roots_.dev + "/" + block.front();
      *sg = roots_.dev + "/" + generic.front();
      return "";
    }
    if (clock.Now() - start >= limit) {
      return StrFormat(
          "the kernel attached no %s device to %s within %lld s (is the %s module loaded?)",
          block.empty() ? "block (sr)" : "generic (sg)", device.c_str(),
          static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(limit).count()),
          block.empty() ? "sr_mod" : "sg");
    }
    clock.Sleep(std::chrono::milliseconds(100));
  }
}

void TargetConfig::RemoveLoopback(std::vector<std::string>* left) {
  if (made_link_) Note(fs_.Unlink(Lun() + "/" + std::string(kLunLinkName)), left);
  if (made_lun_) Note(fs_.RemoveDir(Lun()), left);
  if (made_tpg_) Note(fs_.RemoveDir(Tpg()), left);
  if (made_naa_) Note(fs_.RemoveDir(Naa()), left);
  made_link_ = made_lun_ = made_tpg_ = made_naa_ = false;
  // The fabric's directory, when this run made it and no other target lives in it, goes too:
  // stopping leaves the configuration as it found it.
  if (made_loopback_dir_) {
    const std::string loopback = roots_.configfs + "/target/loopback";
    bool other_target = false;
    for (const std::string& name : fs_.List(loopback)) other_target |= name.starts_with("naa.");
    if (!other_target) Note(fs_.RemoveDir(loopback), left);
  }
  made_loopback_dir_ = false;
}

void TargetConfig::RemoveBackstore(std::vector<std::string>* left) {
  if (made_backstore_) Note(fs_.RemoveDir(Backstore()), left);
  if ((made_backstore_ || made_hba_dir_) && fs_.Exists(Core()) && fs_.List(Core()).empty()) {
    Note(fs_.RemoveDir(Core()), left);
  }
  made_backstore_ = made_hba_dir_ = false;
}

std::string FindUio(SysFiles& fs, const ServeRoots& roots, const std::string& backstore,
                    UioDevice* uio) {
  // The kernel names the uio device "tcm-user/HBA/NAME/CONFIG".
  const std::string wanted = StrFormat("tcm-user/%d/%s/", kUserHbaIndex, backstore.c_str());
  const std::string uio_class = roots.sysfs + "/class/uio";
  for (const std::string& dev : fs.List(uio_class)) {
    std::string name;
    if (!fs.Read(uio_class + "/" + dev + "/name", &name).empty()) continue;
    if (!name.starts_with(wanted)) continue;
    std::string size_text;
    const std::string size_path = uio_class + "/" + dev + "/maps/map0/size";
    std::string error = fs.Read(size_path, &size_text);
    if (!error.empty()) return error;
    size_text = Trimmed(size_text);
    std::string_view hex = size_text;
    if (hex.starts_with("0x") || hex.starts_with("0X")) hex.remove_prefix(2);
    const std::uint64_t size = ParseDigits(hex, 16, UINT64_MAX).value_or(0);
    if (size == 0) {
      return size_path + " holds \"" + size_text + "\", not a map size";
    }
    uio->path = roots.dev + "/" + dev;
    uio->map_size = size;
    return "";
  }
  return "the kernel made no uio device for backstore " + backstore + " (none named \"" + wanted +
         "...\" in " + uio_class + ")";
}

std::vector<std::string> RemoveStaleEntries(SysFiles& fs, const ServeRoots& roots,
                                            const std::function<bool(int pid)>& alive,
                                            const StaleRingAnswer& answer) {
  std::vector<std::string> notes;
  std::vector<int> cleaned;
  auto dead = [&](int pid) {
    if (pid <= 0 || alive(pid)) return false;
    if (std::find(cleaned.begin(), cleaned.end(), pid) == cleaned.end()) cleaned.push_back(pid);
    return true;
  };
  RemoveStaleIscsiTargets(fs, roots, dead, answer, &notes);
  const std::string loopback = roots.configfs + "/target/loopback";
  for (const std::string& naa : fs.List(loopback)) {
    const int pid = PidOfTargetWwn(naa);
    if (!dead(pid)) continue;
    // The backstore linked here has the target's process id and index in its name.
    std::unique_ptr<DriveWorker> answering;
    UioDevice uio;
    const int index = IndexOfTargetWwn(naa);
    if (answer && index >= 0 &&
        FindUio(fs, roots, NamesFor(pid, index, "").backstore, &uio).empty()) {
      answering = answer(uio);
    }
    const std::string naa_path = loopback + "/" + naa;
    for (const std::string& tpg : fs.List(naa_path)) {
      if (!tpg.starts_with("tpgt_")) continue;
      const std::string tpg_path = naa_path + "/" + tpg;
      for (const std::string& lun : fs.List(tpg_path + "/lun")) {
        const std::string lun_path = tpg_path + "/lun/" + lun;
        const std::string link = lun_path + "/" + std::string(kLunLinkName);
        if (fs.Exists(link)) Note(fs.Unlink(link), &notes);
        Note(fs.RemoveDir(lun_path), &notes);
      }
      Note(fs.RemoveDir(tpg_path), &notes);
    }
    Note(fs.RemoveDir(naa_path), &notes);
    answering.reset();
  }
  const std::string core = roots.configfs + "/target/core";
  const std::string our_hba = "user_" + std::to_string(kUserHbaIndex);
  for (const std::string& hba : fs.List(core)) {
    if (!hba.starts_with("user_")) continue;
    bool removed = false;
    for (const std::string& backstore : fs.List(core + "/" + hba)) {
      if (!dead(PidOfBackstoreName(backstore))) continue;
      Note(fs.RemoveDir(core + "/" + hba + "/" + backstore), &notes);
      removed = true;
    }
    if ((removed || hba == our_hba) && fs.List(core + "/" + hba).empty()) {
      Note(fs.RemoveDir(core + "/" + hba), &notes);
    }
  }
  std::sort(cleaned.begin(), cleaned.end());
  for (int pid : cleaned) {
    notes.push_back(
        StrFormat("removed the entries of an earlier run (process %d) that ended "
                  "without removing them",
                  pid));
  }
  return notes;
}

}  // namespace tamarack::serve
