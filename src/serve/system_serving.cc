#include "serve/system_serving.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "serve/target_config.h"

namespace tamarack::serve {

namespace {

ServeRoots RootsHere() {
  ServeRoots roots;
  if (const char* root = std::getenv("TAMARACK_CONFIGFS_ROOT")) roots.configfs = root;
  return roots;
}

}  // namespace

SystemServing MakeSystemServing(RingServer::Report report) {
  SystemServing s;
  s.fs = MakeRealSysFiles();
  s.setup.fs = s.fs.get();
  s.setup.roots = RootsHere();
  s.setup.clock = &RealClock();
  s.setup.pid = static_cast<int>(::getpid());
  // EPERM: the process exists but belongs to someone else; its entries are not stale.
  s.setup.alive = [](int pid) { return ::kill(pid, 0) == 0 || errno == EPERM; };
  s.setup.report = std::move(report);
  return s;
}

std::vector<std::string> MissingForServingHere(Fabric fabric) {
  std::unique_ptr<SysFiles> fs = MakeRealSysFiles();
  return MissingForServing(*fs, RootsHere(), RunningWithAdminRights(), fabric);
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

OneDriveServing::~OneDriveServing() { Stop(); }

std::string OneDriveServing::Start(const std::string& id, std::unique_ptr<Transport> transport,
                                   ServedDrive* served) {
  Stop();
  std::lock_guard lock(mutex_);
  system_ = MakeSystemServing(nullptr);
  auto session = std::make_unique<ServeSession>(system_.setup);
  std::string error = session->Start({DriveToServe{id, transport.get()}},
                                     [served](const ServedDrive& d) { *served = d; });
  if (!error.empty()) return error;
  transport_ = std::move(transport);
  session_ = std::move(session);
  return {};
}

std::vector<std::string> OneDriveServing::Stop() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> left;
  if (session_) left = session_->Stop();
  session_.reset();
  transport_.reset();
  return left;
}

bool OneDriveServing::Serving() const {
  std::lock_guard lock(mutex_);
  return session_ != nullptr;
}

}  // namespace tamarack::serve
