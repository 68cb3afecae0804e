// Where drives come from: providers list drive ids and open them. Real drives (SG_IO) and
// virtual drives are providers of their own; the directory puts them behind one list.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/command_trace.h"
#include "device/transport.h"

namespace tamarack {

struct OpenResult {
  std::unique_ptr<Transport> transport;  // null when the open failed
  int os_error = 0;                      // errno of a failed open, 0 when not an OS error
  std::string error;                     // why the open failed, for the user
};

class DriveProvider {
 public:
  virtual ~DriveProvider() = default;
  // The ids of the drives this provider offers now, in a stable order.
  virtual std::vector<std::string> ListDrives() = 0;
  // True when `id` names a drive of this provider (whether or not it exists).
  virtual bool Handles(std::string_view id) const = 0;
  virtual OpenResult Open(std::string_view id) = 0;
};

// Providers in list order (real drives first, then virtual ones). Not thread-safe for
// AddProvider; ListDrives and Open may be called from any one thread at a time.
class DriveDirectory {
 public:
  void AddProvider(std::unique_ptr<DriveProvider> provider) {
    providers_.push_back(std::move(provider));
  }
  std::vector<std::string> ListDrives() const;
  // Opens `id`; the transport records into Trace() whenever the trace is started.
  OpenResult Open(std::string_view id) const;

  // The command trace of every drive opened here, already open ones included. Thread-safe,
  // so it may be started and stopped through a const directory.
  CommandTrace& Trace() const { return *trace_; }

 private:
  std::vector<std::unique_ptr<DriveProvider>> providers_;
  std::shared_ptr<CommandTrace> trace_ = std::make_shared<CommandTrace>();
};

// The drive box rule: the entry equal to the saved id, else the first; -1 for an empty list.
int ChooseDriveIndex(const std::vector<std::string>& ids, std::string_view saved_id);

}  // namespace tamarack
