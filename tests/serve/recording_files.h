// A file tree in memory that records every change in order, and plays the kernel's part: the
// directories configfs makes by itself, the uio device of an enabled backstore, the SCSI
// devices of a linked LUN.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "serve/sys_files.h"

namespace tamarack::serve::testing {

class RecordingFiles : public SysFiles {
 public:
  std::vector<std::string> log;
  std::set<std::string> dirs, links;
  std::map<std::string, std::string> files;
  // The kernel's part; off to see a set-up fail at that step.
  bool kernel_makes_uio = true, kernel_attaches = true;
  std::string fail_write_to;  // a path whose writes fail
  std::string fail_mkdir;     // a directory that cannot be made (a portal already in use)

  void AddDirs(const std::string& path) {
    for (std::size_t at = 1; at != std::string::npos; at = path.find('/', at + 1)) {
      dirs.insert(path.substr(0, at));
    }
    dirs.insert(path);
  }

  bool Exists(const std::string& p) override {
    return dirs.count(p) || links.count(p) || files.count(p);
  }
  std::vector<std::string> List(const std::string& dir) override {
    std::set<std::string> names;
    for (const std::set<std::string>* s : {&dirs, &links}) {
      for (const std::string& p : *s) {
        if (p.size() > dir.size() + 1 && p.starts_with(dir + "/") &&
            p.find('/', dir.size() + 1) == std::string::npos) {
          names.insert(p.substr(dir.size() + 1));
        }
      }
    }
    return {names.begin(), names.end()};
  }
  std::string Read(const std::string& p, std::string* text) override {
    auto it = files.find(p);
    if (it == files.end()) return "cannot read " + p;
    *text = it->second;
    return "";
  }
  std::string Write(const std::string& p, const std::string& text) override {
    log.push_back("write " + p + " = " + text);
    if (p == fail_write_to || !dirs.count(p.substr(0, p.rfind('/')))) return "cannot write " + p;
    files[p] = text;
    if (p.ends_with("/control") && text.starts_with("dev_config=")) {
      configs_[p.substr(0, p.rfind('/'))] = text.substr(11);
    }
    if (p.ends_with("/enable") && kernel_makes_uio) MakeUio(p.substr(0, p.rfind('/')));
    return "";
  }
  std::string MakeDir(const std::string& p) override {
    log.push_back("mkdir " + p);
    if (Exists(p) || !dirs.count(p.substr(0, p.rfind('/'))) || p == fail_mkdir) {
      return "cannot create " + p;
    }
    dirs.insert(p);
    // configfs's own groups.
    if (p.find("/core/user_") != std::string::npos && p.rfind('/') > p.find("/user_")) {
      AddGroup(p + "/attrib");
      files[p + "/attrib/tmr_notification"] = "0";
    }
    if (p.find("/tpgt_") != std::string::npos && p.rfind('/') == p.find("/tpgt_")) {
      for (const char* group : {"/lun", "/np", "/acls", "/attrib"}) AddGroup(p + group);
    }
    if (p.find("/acls/") != std::string::npos && p.rfind('/') == p.find("/acls/") + 5) {
      for (const char* group : {"/auth", "/attrib"}) AddGroup(p + group);
    }
    if (p.ends_with("/target/iscsi")) AddGroup(p + "/discovery_auth");
    return "";
  }
  std::string RemoveDir(const std::string& p) override {
    log.push_back("rmdir " + p);
    if (!dirs.count(p)) return "cannot remove " + p;
    for (const std::string& child : List(p)) {
      if (!kKernelGroups.count(child)) return "cannot remove " + p + ": not empty";
    }
    for (auto it = dirs.begin(); it != dirs.end();) {
      it = it->starts_with(p + "/") || *it == p ? dirs.erase(it) : std::next(it);
    }
    return "";
  }
  std::string Symlink(const std::string& target, const std::string& link) override {
    log.push_back("symlink " + link + " -> " + target);
    if (!dirs.count(target)) return "cannot link " + link;
    links.insert(link);
    if (kernel_attaches && link.find("/loopback/") != std::string::npos) {
      Attach(link.substr(0, link.find("/lun/")));
    }
    return "";
  }
  std::string Unlink(const std::string& p) override {
    log.push_back("unlink " + p);
    return links.erase(p) ? "" : "cannot remove " + p;
  }

 private:
  // The groups configfs makes in a directory by itself; they go with it.
  inline static const std::set<std::string> kKernelGroups = {
      "attrib", "lun", "np", "statistics", "acls", "auth", "discovery_auth"};
  void AddGroup(const std::string& path) { dirs.insert(path); }
  void MakeUio(const std::string& backstore) {
    const std::string uio = "/sys/class/uio/uio" + std::to_string(next_uio_++);
    AddDirs(uio + "/maps/map0");
    // "tcm-user/HBA/NAME/CONFIG"
    const std::string hba_and_name = backstore.substr(backstore.find("/user_") + 6);
    files[uio + "/name"] = "tcm-user/" + hba_and_name + "/" + configs_[backstore] + "\n";
    files[uio + "/maps/map0/size"] = "0x0000000040800000\n";
  }
  void Attach(const std::string& tpg) {
    const int host = next_host_++;
    files[tpg + "/address"] = std::to_string(host) + ":0:1\n";
    const std::string dev = "/sys/bus/scsi/devices/" + std::to_string(host) + ":0:1:0";
    AddDirs(dev + "/block/sr" + std::to_string(host - 4));
    AddDirs(dev + "/scsi_generic/sg" + std::to_string(host - 3));
  }
  std::map<std::string, std::string> configs_;
  int next_uio_ = 3, next_host_ = 5;
};

}  // namespace tamarack::serve::testing
