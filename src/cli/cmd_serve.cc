// tamarack-cli serve --drive ID [--drive ID ...]: serves drives to the kernel as /dev/srN
// devices until SIGINT or SIGTERM (Linux: the user-space SCSI backstore and the loopback
// fabric); with --iscsi, to the initiators named by --allow as the LUNs of one iSCSI target.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <mutex>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"

#ifdef __linux__
#include "serve/blocked_stop_signals.h"
#include "serve/chap_secret.h"
#include "serve/system_serving.h"
#endif

namespace tamarack::cli {

namespace {

constexpr const char* kServeHelp =
    "Serves each drive to the kernel as a SCSI CD/DVD device (/dev/srN and /dev/sgN), so that\n"
    "any program can use it, until Ctrl-C or SIGTERM. A drive is any id tamarack-cli opens: a\n"
    "built-in disc, an image, a replayed trace, with options and faults. Prints\n"
    "\"served ID as /dev/srN /dev/sgN\" for each drive once the kernel attached it, and at the\n"
    "end \"stopped, nothing left behind\" (or, on standard error, what is left; exit 99).\n"
    "Needs root (or CAP_SYS_ADMIN), configfs at /sys/kernel/config and the kernel modules\n"
    "target_core_user and tcm_loop (\"modprobe -a target_core_user tcm_loop\"); without them it\n"
    "says what is missing and exits 15. Entries an earlier run left behind are removed first.\n"
    "\n"
    "--iscsi serves the drives to other machines instead, as the LUNs (0, 1, ... in the order\n"
    "of --drive) of one iSCSI target of the kernel (module iscsi_target_mod instead of\n"
    "tcm_loop), and prints \"served ID as LUN N of IQN\". It listens only on the --portal\n"
    "named (ADDRESS:PORT, the iSCSI port is 3260) and lets only the initiators named by --allow\n"
    "log in, each with CHAP: the user name is the initiator's own name, the secret the one line\n"
    "of --chap-file (default ~/.config/tamarack/iscsi-chap-secret), a file only its owner may\n"
    "read. When that file does not exist a secret is made, saved there (mode 0600) and shown\n"
    "once. --iqn names the target (default iqn.2026-12.invalid.tamarack:HOSTNAME).\n";

// What --iscsi and its options ask for.
struct IscsiOptions {
  bool on = false;
  std::string portal, iqn, chap_file;
  std::vector<std::string> allow;
};

#ifdef __linux__

// The target's settings from the options, checked; "" or why they cannot be used.
std::string IscsiSettingsOf(const IscsiOptions& options, serve::IscsiSettings* settings) {
  if (!options.on) {
    const bool named = !options.portal.empty() || !options.iqn.empty() ||
                       !options.chap_file.empty() || !options.allow.empty();
    return named ? "--portal, --iqn, --allow and --chap-file go with --iscsi" : "";
  }
  if (options.portal.empty()) {
    return "--iscsi needs --portal ADDRESS:PORT: the address to listen on is never chosen for you";
  }
  if (options.allow.empty()) {
    return "--iscsi needs --allow INITIATOR-IQN: only the initiators named may log in";
  }
  std::string error;
  settings->portal = serve::PortalName(options.portal, &error);
  if (!error.empty()) return error;
  settings->target_iqn =
      options.iqn.empty() ? serve::DefaultTargetIqn(serve::HostName()) : options.iqn;
  if (!(error = serve::CheckIscsiName(settings->target_iqn, "the target name")).empty()) {
    return error;
  }
  settings->initiators.clear();
  for (const std::string& initiator : options.allow) {
    if (!(error = serve::CheckIscsiName(initiator, "the initiator name")).empty()) return error;
    if (std::find(settings->initiators.begin(), settings->initiators.end(), initiator) ==
        settings->initiators.end()) {
      settings->initiators.push_back(initiator);
    }
  }
  return "";
}

int Serve(const std::vector<std::string>& ids, const IscsiOptions& iscsi, CliContext& context) {
  // First of all: a stop signal that comes while the drives open must not be lost.
  serve::BlockedStopSignals signals;
  std::ostream& err = *context.err;
  serve::IscsiSettings iscsi_settings;
  if (const std::string error = IscsiSettingsOf(iscsi, &iscsi_settings); !error.empty()) {
    err << "tamarack-cli serve: " << error << "\n";
    return kExitBadArguments;
  }
  const serve::Fabric fabric = iscsi.on ? serve::Fabric::kIscsi : serve::Fabric::kLoopback;
  std::vector<std::unique_ptr<Transport>> transports;
  std::vector<serve::DriveToServe> drives;
  for (const std::string& id : ids) {
    OpenResult opened = context.drives->Open(id);
    if (!opened.transport) {
      err << "tamarack-cli serve: " << opened.error << "\n";
      return kExitCannotOpen;
    }
    drives.push_back({id, opened.transport.get()});
    transports.push_back(std::move(opened.transport));
  }
  // The ids first: a mistyped one is worth knowing before the machine is set up.
  const std::vector<std::string> missing = serve::MissingForServingHere(fabric);
  if (!missing.empty()) {
    err << "tamarack-cli serve: cannot serve drives to the kernel:\n";
    for (const std::string& m : missing) err << "  " << m << "\n";
    return kExitCannotOpen;
  }
  if (iscsi.on) {
    const std::string path =
        iscsi.chap_file.empty() ? serve::DefaultChapSecretPath() : iscsi.chap_file;
    serve::ChapSecret chap;
    if (const std::string error = serve::LoadOrMakeChapSecret(path, &chap); !error.empty()) {
      err << "tamarack-cli serve: " << error << "\n";
      return kExitCannotOpen;
    }
    iscsi_settings.chap_secret = chap.secret;
    if (chap.made) {
      *context.out << "made a CHAP secret and saved it in " << path
                   << " (only its owner can read it); shown this once: " << chap.secret
                   << std::endl;
    }
  }

  std::mutex print_mutex;
  serve::SystemServing system = serve::MakeSystemServing([&](const std::string& note) {
    std::lock_guard lock(print_mutex);
    err << "tamarack-cli serve: " << note << std::endl;
  });
  system.setup.fabric = fabric;
  system.setup.iscsi = iscsi_settings;
  serve::ServeSession session(system.setup);
  const std::string error = session.Start(drives, [&](const serve::ServedDrive& d) {
    std::lock_guard lock(print_mutex);
    if (d.lun >= 0) {
      *context.out << "served " << d.id << " as LUN " << d.lun << " of "
                   << iscsi_settings.target_iqn << std::endl;
    } else {
      *context.out << "served " << d.id << " as " << d.sr << " " << d.sg << std::endl;
    }
  });
  if (!error.empty()) {
    std::lock_guard lock(print_mutex);
    err << "tamarack-cli serve: " << error << "\n";
    return kExitCannotOpen;
  }
  if (iscsi.on) {
    std::lock_guard lock(print_mutex);
    *context.out << "listening on " << iscsi_settings.portal << " for";
    for (const std::string& initiator : iscsi_settings.initiators) {
      *context.out << " " << initiator;
    }
    *context.out << " (CHAP, each with its own name as user name)" << std::endl;
  }
  std::size_t reported = 0;
  while (!signals.Wait()) {
    const std::vector<std::string> failed = session.WorkerErrors();
    std::lock_guard lock(print_mutex);
    for (; reported < failed.size(); ++reported) {
      err << "tamarack-cli serve: stopped serving " << failed[reported] << std::endl;
    }
  }
  const std::vector<std::string> left = session.Stop();
  std::lock_guard lock(print_mutex);
  if (!left.empty()) {
    for (const std::string& l : left) err << "tamarack-cli serve: left behind: " << l << "\n";
    return kExitOther;
  }
  *context.out << "stopped, nothing left behind" << std::endl;
  return kExitGood;
}

#else

int Serve(const std::vector<std::string>&, const IscsiOptions&, CliContext& context) {
  *context.err << "tamarack-cli serve: serving drives to the kernel needs Linux\n";
  return kExitCannotOpen;
}

#endif

}  // namespace

void AddServeCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("serve", "Serve drives to the kernel as /dev/srN devices");
  cmd->footer(kServeHelp);
  auto ids = std::make_shared<std::vector<std::string>>();
  cmd->add_option("--drive", *ids, "Drive id to serve (repeat for several)")
      ->required()
      ->take_all();
  auto iscsi = std::make_shared<IscsiOptions>();
  cmd->add_flag("--iscsi", iscsi->on, "Serve to other machines as the LUNs of an iSCSI target");
  cmd->add_option("--portal", iscsi->portal, "ADDRESS:PORT the iSCSI target listens on");
  cmd->add_option("--iqn", iscsi->iqn, "The iSCSI target's name");
  cmd->add_option("--allow", iscsi->allow, "Initiator name that may log in (repeat for several)")
      ->take_all();
  cmd->add_option("--chap-file", iscsi->chap_file, "File holding the CHAP secret (mode 0600)");
  cmd->callback([&context, ids, iscsi] { context.exit_code = Serve(*ids, *iscsi, context); });
}

}  // namespace tamarack::cli
