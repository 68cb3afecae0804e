#include "serve/iscsi_target.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>
#include <utility>

#include "util/strings.h"

namespace tamarack::serve {

namespace {

constexpr std::size_t kMaxIscsiName = 223;

// The portal group's rules: CHAP for every login, and only the initiators with an ACL.
constexpr std::pair<const char*, const char*> kTpgRules[] = {
    {"authentication", "1"},
    {"generate_node_acls", "0"},
    {"cache_dynamic_acls", "0"},
    {"demo_mode_write_protect", "1"},
};

bool IsIscsiNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':';
}

bool IsIscsiName(std::string_view name) {
  return name.starts_with("iqn.") || name.starts_with("eui.") || name.starts_with("naa.");
}

void Note(const std::string& error, std::vector<std::string>* left) {
  if (!error.empty()) left->push_back(error);
}

std::string LunDir(std::size_t index) { return "lun_" + std::to_string(index); }

// Removes one target of the fabric whatever it holds, in the kernel's order; only links of
// ours are taken out of its LUNs (the rest of a LUN are the kernel's own groups).
void RemoveTargetTree(SysFiles& fs, const std::string& target, std::vector<std::string>* notes) {
  auto unlink_ours = [&](const std::string& dir) {
    for (const std::string& name : fs.List(dir)) {
      if (name.starts_with(kBackstorePrefix) || name == kLunLinkName) {
        Note(fs.Unlink(dir + "/" + name), notes);
      }
    }
  };
  for (const std::string& tpg_name : fs.List(target)) {
    if (!tpg_name.starts_with("tpgt_")) continue;
    const std::string tpg = target + "/" + tpg_name;
    if (fs.Exists(tpg + "/enable")) Note(fs.Write(tpg + "/enable", "0"), notes);
    for (const std::string& acl : fs.List(tpg + "/acls")) {
      const std::string acl_path = tpg + "/acls/" + acl;
      for (const std::string& mapped : fs.List(acl_path)) {
        if (!mapped.starts_with("lun_")) continue;
        unlink_ours(acl_path + "/" + mapped);
        Note(fs.RemoveDir(acl_path + "/" + mapped), notes);
      }
      Note(fs.RemoveDir(acl_path), notes);
    }
    for (const std::string& np : fs.List(tpg + "/np")) Note(fs.RemoveDir(tpg + "/np/" + np), notes);
    for (const std::string& lun : fs.List(tpg + "/lun")) {
      unlink_ours(tpg + "/lun/" + lun);
      Note(fs.RemoveDir(tpg + "/lun/" + lun), notes);
    }
    Note(fs.RemoveDir(tpg), notes);
  }
  Note(fs.RemoveDir(target), notes);
}

}  // namespace

std::string PortalName(std::string_view typed, std::string* error) {
  const std::string usage = "the portal \"" + std::string(typed) +
                            "\" is not ADDRESS:PORT (for example 192.168.1.20:3260 or "
                            "[fd00::20]:3260)";
  auto fail = [error](std::string why) {
    *error = std::move(why);
    return std::string();
  };
  std::string_view address, port;
  int family = AF_INET;
  if (typed.starts_with("[")) {
    const std::size_t close = typed.find("]:");
    if (close == std::string_view::npos) return fail(usage);
    address = typed.substr(1, close - 1);
    port = typed.substr(close + 2);
    family = AF_INET6;
  } else {
    const std::size_t colon = typed.rfind(':');
    if (colon == std::string_view::npos) return fail(usage);
    address = typed.substr(0, colon);
    port = typed.substr(colon + 1);
  }
  unsigned number = 0;
  const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (port.empty() || ec != std::errc() || end != port.data() + port.size() || number == 0 ||
      number > 65535) {
    return fail(usage + ": the port is a number from 1 to 65535");
  }
  unsigned char binary[16];
  const std::string address_text(address);
  char normal[INET6_ADDRSTRLEN] = {};
  if (::inet_pton(family, address_text.c_str(), binary) != 1 ||
      !::inet_ntop(family, binary, normal, sizeof normal)) {
    return fail(usage + ": \"" + address_text + "\" is not an IP address");
  }
  error->clear();
  return (family == AF_INET6 ? "[" + std::string(normal) + "]" : std::string(normal)) + ":" +
         std::to_string(number);
}

std::string CheckIscsiName(std::string_view name, std::string_view what) {
  const std::string head = std::string(what) + " \"" + std::string(name) + "\" ";
  if (!IsIscsiName(name)) {
    return head +
           "is not an iSCSI name: it starts with \"iqn.\" (as in "
           "iqn.1991-05.com.microsoft:bench-pc), \"eui.\" or \"naa.\"";
  }
  if (name.size() > kMaxIscsiName) {
    return head + StrFormat("is longer than the %zu bytes of an iSCSI name", kMaxIscsiName);
  }
  if (name.size() == 4 || !std::all_of(name.begin(), name.end(), IsIscsiNameChar)) {
    return head +
           "is not an iSCSI name: after its prefix it holds only lower-case letters, digits, "
           "'.', '-' and ':'";
  }
  return "";
}

std::string DefaultTargetIqn(std::string_view host_name) {
  std::string host;
  for (char c : host_name) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    host += IsIscsiNameChar(lower) ? lower : '-';
  }
  if (host.empty()) host = "serve";
  return "iqn.2026-12.invalid.tamarack:" + host.substr(0, 160);
}

IscsiTarget::IscsiTarget(SysFiles& fs, ServeRoots roots, IscsiSettings settings)
    : fs_(fs), roots_(std::move(roots)), settings_(std::move(settings)) {}

std::string IscsiTarget::Fabric() const { return roots_.configfs + "/target/iscsi"; }
std::string IscsiTarget::Target() const { return Fabric() + "/" + settings_.target_iqn; }
std::string IscsiTarget::Tpg() const { return Target() + "/tpgt_1"; }

std::string IscsiTarget::Create(const std::vector<IscsiLun>& luns) {
  std::string error;
  // The fabric's directory appears on first use.
  if (!fs_.Exists(Fabric())) {
    if (!(error = fs_.MakeDir(Fabric())).empty()) return error;
    made_fabric_dir_ = true;
  }
  if (fs_.Exists(Target())) {
    return "the iSCSI target " + settings_.target_iqn +
           " exists already (another run or program serves it): name another with --iqn";
  }
  if (!(error = fs_.MakeDir(Target())).empty()) return error;
  made_target_ = true;
  if (!(error = fs_.MakeDir(Tpg())).empty()) return error;
  made_tpg_ = true;
  // One rule per write; none may be missing before the group is enabled.
  for (const auto& [name, value] : kTpgRules) {
    if (!(error = fs_.Write(Tpg() + "/attrib/" + name, value)).empty()) return error;
  }
  for (std::size_t i = 0; i < luns.size(); ++i) {
    const std::string lun = Tpg() + "/lun/" + LunDir(i);
    if (!(error = fs_.MakeDir(lun)).empty()) return error;
    luns_made_.push_back(lun);
    const std::string link = lun + "/" + luns[i].backstore_name;
    if (!(error = fs_.Symlink(luns[i].backstore_path, link)).empty()) return error;
    lun_links_made_.push_back(link);
  }
  for (const std::string& initiator : settings_.initiators) {
    const std::string acl = Tpg() + "/acls/" + initiator;
    if (!(error = fs_.MakeDir(acl)).empty()) return error;
    acls_made_.push_back(acl);
    // Written without a newline: it would become part of the name and the secret.
    if (!(error = fs_.Write(acl + "/auth/userid", initiator)).empty()) return error;
    if (!(error = fs_.Write(acl + "/auth/password", settings_.chap_secret)).empty()) return error;
    for (std::size_t i = 0; i < luns.size(); ++i) {
      const std::string mapped = acl + "/" + LunDir(i);
      if (!(error = fs_.MakeDir(mapped)).empty()) return error;
      mapped_made_.push_back(mapped);
      const std::string link = mapped + "/" + std::string(kLunLinkName);
      if (!(error = fs_.Symlink(Tpg() + "/lun/" + LunDir(i), link)).empty()) return error;
      mapped_links_made_.push_back(link);
    }
  }
  if (!(error = fs_.MakeDir(Tpg() + "/np/" + settings_.portal)).empty()) {
    return error + " (is the address one of this machine's, and the port free?)";
  }
  made_portal_ = true;
  if (!(error = fs_.Write(Tpg() + "/enable", "1")).empty()) return error;
  enabled_ = true;
  return "";
}

void IscsiTarget::Remove(std::vector<std::string>* left) {
  if (enabled_) Note(fs_.Write(Tpg() + "/enable", "0"), left);
  for (auto it = mapped_links_made_.rbegin(); it != mapped_links_made_.rend(); ++it) {
    Note(fs_.Unlink(*it), left);
  }
  for (auto it = mapped_made_.rbegin(); it != mapped_made_.rend(); ++it) {
    Note(fs_.RemoveDir(*it), left);
  }
  for (auto it = acls_made_.rbegin(); it != acls_made_.rend(); ++it) Note(fs_.RemoveDir(*it), left);
  if (made_portal_) Note(fs_.RemoveDir(Tpg() + "/np/" + settings_.portal), left);
  for (auto it = lun_links_made_.rbegin(); it != lun_links_made_.rend(); ++it) {
    Note(fs_.Unlink(*it), left);
  }
  for (auto it = luns_made_.rbegin(); it != luns_made_.rend(); ++it) Note(fs_.RemoveDir(*it), left);
  if (made_tpg_) Note(fs_.RemoveDir(Tpg()), left);
  if (made_target_) Note(fs_.RemoveDir(Target()), left);
  // The fabric's directory, when this run made it and no other target lives in it.
  if (made_fabric_dir_) {
    const std::vector<std::string> names = fs_.List(Fabric());
    if (std::none_of(names.begin(), names.end(), IsIscsiName)) {
      Note(fs_.RemoveDir(Fabric()), left);
    }
  }
  enabled_ = made_portal_ = made_tpg_ = made_target_ = made_fabric_dir_ = false;
  mapped_links_made_.clear();
  mapped_made_.clear();
  acls_made_.clear();
  lun_links_made_.clear();
  luns_made_.clear();
}

void RemoveStaleIscsiTargets(SysFiles& fs, const ServeRoots& roots,
                             const std::function<bool(int pid)>& dead,
                             const StaleRingAnswer& answer, std::vector<std::string>* notes) {
  const std::string fabric = roots.configfs + "/target/iscsi";
  for (const std::string& name : fs.List(fabric)) {
    if (!IsIscsiName(name)) continue;
    const std::string target = fabric + "/" + name;
    // The backstores of dead runs that this target's LUNs export.
    std::vector<std::string> stale;
    for (const std::string& tpg : fs.List(target)) {
      if (!tpg.starts_with("tpgt_")) continue;
      for (const std::string& lun : fs.List(target + "/" + tpg + "/lun")) {
        for (const std::string& link : fs.List(target + "/" + tpg + "/lun/" + lun)) {
          const int pid = PidOfBackstoreName(link);
          if (pid > 0 && dead(pid)) stale.push_back(link);
        }
      }
    }
    if (stale.empty()) continue;
    std::vector<std::unique_ptr<DriveWorker>> answering;
    for (const std::string& backstore : stale) {
      UioDevice uio;
      if (answer && FindUio(fs, roots, backstore, &uio).empty()) answering.push_back(answer(uio));
    }
    RemoveTargetTree(fs, target, notes);
  }
}

}  // namespace tamarack::serve
