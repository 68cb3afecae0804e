#include "serve/serve_session.h"

#include <algorithm>

namespace tamarack::serve {

namespace {

// The backstore's size as the target core sees it. A pass-through backstore leaves Read
// Capacity to the drive, so this only has to be a believable disc's size (a DVD's).
constexpr std::uint64_t kBackstoreSize = 2295104ull * 2048;

// Seconds the kernel waits before it fails a command itself: past the longest hold, so that a
// held command reaches the initiator's own error handler first.
std::uint32_t KernelCommandTimeOut(const RingOptions& ring) {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::seconds>(ring.hold_limit).count() + 30);
}

// The drive behind a dead run's ring: every command fails at once (logical unit not
// supported), so the kernel lets go of the LUN without waiting.
class GoneDrive final : public Transport {
 public:
  ScsiResult Execute(const ScsiRequest&) override {
    ScsiResult r;
    r.status = TransportStatus::kCompleted;
    r.scsi_status = 0x02;
    const std::vector<std::uint8_t> sense = FixedSense(0x05, 0x25, 0x00);
    std::copy(sense.begin(), sense.end(), r.sense.begin());
    r.sense_length = static_cast<std::uint8_t>(sense.size());
    return r;
  }
  bool GetAddress(ScsiAddress*) override { return false; }
  std::string Id() const override { return "gone"; }
};

}  // namespace

ServeSession::ServeSession(ServeSetup setup)
    : setup_(std::move(setup)), gone_(std::make_unique<GoneDrive>()) {
  if (!setup_.start_worker) {
    setup_.start_worker = [this](const UioDevice& uio, Transport& transport, std::string* error) {
      return std::unique_ptr<DriveWorker>(
          UioWorker::Start(uio, transport, *setup_.clock, setup_.ring, setup_.report, error));
    };
  }
}

ServeSession::~ServeSession() { Stop(); }

std::string ServeSession::Start(const std::vector<DriveToServe>& drives,
                                const std::function<void(const ServedDrive&)>& served) {
  const StaleRingAnswer answer = [this](const UioDevice& uio) {
    std::string error;
    std::unique_ptr<DriveWorker> worker = setup_.start_worker(uio, *gone_, &error);
    if (!worker && setup_.report) setup_.report("cannot answer " + uio.path + ": " + error);
    return worker;
  };
  for (const std::string& note :
       RemoveStaleEntries(*setup_.fs, setup_.roots, setup_.alive, answer)) {
    if (setup_.report) setup_.report(note);
  }
  int index = static_cast<int>(served_.size());
  for (const DriveToServe& drive : drives) {
    Served& s = served_.emplace_back();
    s.id = drive.id;
    s.config = std::make_unique<TargetConfig>(*setup_.fs, setup_.roots,
                                              NamesFor(setup_.pid, index++, drive.id));
    UioDevice uio;
    std::string error =
        s.config->CreateBackstore(kBackstoreSize, KernelCommandTimeOut(setup_.ring), &uio);
    // The worker runs before the LUN exists: the kernel's scan asks at once.
    if (error.empty()) {
      s.worker = setup_.start_worker(uio, *drive.transport, &error);
      if (!s.worker && error.empty()) error = "the worker did not start";
    }
    ServedDrive done{drive.id, "", "", -1};
    if (setup_.fabric == Fabric::kLoopback) {
      if (error.empty()) error = s.config->CreateLoopback();
      if (error.empty()) {
        error = s.config->FindDevices(*setup_.clock, setup_.attach_limit, &done.sr, &done.sg);
      }
    }
    if (!error.empty()) return Failed(drive.id + ": " + error);
    if (served && setup_.fabric == Fabric::kLoopback) served(done);
  }
  if (setup_.fabric == Fabric::kIscsi) {
    std::vector<IscsiLun> luns;
    for (const Served& s : served_) {
      luns.push_back({s.config->BackstorePath(), s.config->Names().backstore});
    }
    iscsi_ = std::make_unique<IscsiTarget>(*setup_.fs, setup_.roots, setup_.iscsi);
    const std::string error = iscsi_->Create(luns);
    if (!error.empty()) return Failed(error);
    for (std::size_t i = 0; i < served_.size(); ++i) {
      if (served) served({served_[i].id, "", "", static_cast<int>(i)});
    }
  }
  return "";
}

std::string ServeSession::Failed(std::string error) {
  for (const std::string& l : Stop()) error += "; " + l;
  return error;
}

std::vector<std::string> ServeSession::Stop() {
  // Last made, first removed: the first drive's run made the directories the others share.
  std::vector<std::string> left;
  if (iscsi_) iscsi_->Remove(&left);
  iscsi_.reset();
  for (auto s = served_.rbegin(); s != served_.rend(); ++s) s->config->RemoveLoopback(&left);
  for (Served& s : served_) s.worker.reset();
  for (auto s = served_.rbegin(); s != served_.rend(); ++s) s->config->RemoveBackstore(&left);
  served_.clear();
  return left;
}

std::vector<std::string> ServeSession::WorkerErrors() const {
  std::vector<std::string> errors;
  for (const Served& s : served_) {
    if (s.worker && !s.worker->Error().empty()) errors.push_back(s.id + ": " + s.worker->Error());
  }
  return errors;
}

}  // namespace tamarack::serve
