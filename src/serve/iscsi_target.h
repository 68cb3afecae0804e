// Served drives as LUNs of one target of the kernel's iSCSI fabric, in configfs: one portal
// named by the user, CHAP always on, logins only from the initiators named (an ACL each, no
// generated ACLs, no demo mode). Also the names and the portal as the user types them, checked
// before anything is made, and the clean-up of the targets a dead run left behind.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "serve/sys_files.h"
#include "serve/target_config.h"

namespace tamarack::serve {

struct IscsiSettings {
  std::string portal;      // the network portal's configfs name, "A.B.C.D:PORT" or "[V6]:PORT"
  std::string target_iqn;  // the target's name
  std::vector<std::string> initiators;  // the only ones that may log in
  std::string chap_secret;              // each initiator's CHAP user name is its own name
};

// The portal as the kernel's configfs names it, from "ADDRESS:PORT" (IPv4, or IPv6 in
// brackets); "" and the reason in `error` when it is not one.
std::string PortalName(std::string_view typed, std::string* error);
// "" when `name` is an iSCSI name the kernel takes (iqn., eui. or naa. form, at most 223
// bytes, lower-case letters, digits, '.', '-', ':'), else why not. `what` names it.
std::string CheckIscsiName(std::string_view name, std::string_view what);
// The target name when none is given: the host's name, made an iSCSI name.
std::string DefaultTargetIqn(std::string_view host_name);

// One LUN of the target: the backstore it exports.
struct IscsiLun {
  std::string backstore_path;  // in core/user_N
  std::string backstore_name;  // names the link, so a later run knows whose it was
};

// The target, created step by step and removed in the reverse order; only what was created is
// removed, so a set-up that fails half-way cleans up after itself.
class IscsiTarget {
 public:
  IscsiTarget(SysFiles& fs, ServeRoots roots, IscsiSettings settings);

  // The target and its portal group with CHAP on and no generated ACLs, the LUNs (LUN i is
  // luns[i]), an ACL with CHAP and every LUN for each initiator, the portal, then the group
  // enabled: nothing listens before every rule is in place.
  std::string Create(const std::vector<IscsiLun>& luns);
  // The group disabled (sessions end), ACLs, LUNs, portal, group and target; what could not be
  // removed is added to `left`.
  void Remove(std::vector<std::string>* left);

 private:
  std::string Fabric() const;
  std::string Target() const;
  std::string Tpg() const;

  SysFiles& fs_;
  ServeRoots roots_;
  IscsiSettings settings_;
  bool made_fabric_dir_ = false, made_target_ = false, made_tpg_ = false;
  bool made_portal_ = false, enabled_ = false;
  std::vector<std::string> luns_made_, lun_links_made_;
  std::vector<std::string> acls_made_, mapped_made_, mapped_links_made_;
};

// Removes the iSCSI targets whose LUNs export a backstore of a dead run (`dead` tells by the
// process id in the backstore's name), answering those backstores' rings meanwhile. Notes what
// could not be removed.
void RemoveStaleIscsiTargets(SysFiles& fs, const ServeRoots& roots,
                             const std::function<bool(int pid)>& dead,
                             const StaleRingAnswer& answer, std::vector<std::string>* notes);

}  // namespace tamarack::serve
