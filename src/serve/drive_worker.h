// What serves one backstore's ring: its uio device, and the running worker on it.
#pragma once

#include <cstdint>
#include <string>

namespace tamarack::serve {

struct UioDevice {
  std::string path;  // /dev/uioM
  std::uint64_t map_size = 0;
};

// A running worker; its destructor stops it.
class DriveWorker {
 public:
  virtual ~DriveWorker() = default;
  // Why the worker stopped on its own ("" while it runs).
  virtual std::string Error() const = 0;
};

}  // namespace tamarack::serve
