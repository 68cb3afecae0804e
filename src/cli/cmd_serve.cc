// tamarack-cli serve --drive ID [--drive ID ...]: serves drives to the kernel as /dev/srN
// devices until SIGINT or SIGTERM (Linux: the user-space SCSI backstore and the loopback
// fabric).
#include <CLI/CLI.hpp>
#include <mutex>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"

#ifdef __linux__
#include <pthread.h>
#include <signal.h>

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
    "says what is missing and exits 15. Entries an earlier run left behind are removed first.\n";

#ifdef __linux__

void IgnoreSignal(int) {}

// Signals are taken by sigwait on this thread; the workers start with them blocked. A handler
// of its own is set first: a shell starts a background job with SIGINT ignored, and an ignored
// signal never reaches sigwait.
class BlockedStopSignals {
 public:
  BlockedStopSignals() {
    sigemptyset(&set_);
    struct sigaction action {};
    action.sa_handler = &IgnoreSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 2; ++i) {
      sigaddset(&set_, kSignals[i]);
      sigaction(kSignals[i], &action, &old_actions_[i]);
    }
    pthread_sigmask(SIG_BLOCK, &set_, &old_mask_);
  }
  ~BlockedStopSignals() {
    pthread_sigmask(SIG_SETMASK, &old_mask_, nullptr);
    for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &old_actions_[i], nullptr);
  }
  // Waits up to a second; true when a stop signal came.
  bool Wait() {
    const timespec second{1, 0};
    return sigtimedwait(&set_, nullptr, &second) > 0;
  }

 private:
  static constexpr int kSignals[2] = {SIGINT, SIGTERM};
  sigset_t set_, old_mask_;
  struct sigaction old_actions_[2];
};

int Serve(const std::vector<std::string>& ids, CliContext& context) {
  // First of all: a stop signal that comes while the drives open must not be lost.
  BlockedStopSignals signals;
  std::ostream& err = *context.err;
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
  const std::vector<std::string> missing = serve::MissingForServingHere();
  if (!missing.empty()) {
    err << "tamarack-cli serve: cannot serve drives to the kernel:\n";
    for (const std::string& m : missing) err << "  " << m << "\n";
    return kExitCannotOpen;
  }

  std::mutex print_mutex;
  serve::SystemServing system = serve::MakeSystemServing([&](const std::string& note) {
    std::lock_guard lock(print_mutex);
    err << "tamarack-cli serve: " << note << std::endl;
  });
  serve::ServeSession session(system.setup);
  const std::string error = session.Start(drives, [&](const serve::ServedDrive& d) {
    std::lock_guard lock(print_mutex);
    *context.out << "served " << d.id << " as " << d.sr << " " << d.sg << std::endl;
  });
  if (!error.empty()) {
    std::lock_guard lock(print_mutex);
    err << "tamarack-cli serve: " << error << "\n";
    return kExitCannotOpen;
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

int Serve(const std::vector<std::string>&, CliContext& context) {
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
  cmd->callback([&context, ids] { context.exit_code = Serve(*ids, context); });
}

}  // namespace tamarack::cli
