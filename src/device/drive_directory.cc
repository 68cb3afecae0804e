#include "device/drive_directory.h"

#include "device/trace_transport.h"

namespace tamarack {

std::vector<std::string> DriveDirectory::ListDrives() const {
  std::vector<std::string> ids;
  for (const auto& p : providers_) {
    for (auto& id : p->ListDrives()) ids.push_back(std::move(id));
  }
  return ids;
}

OpenResult DriveDirectory::Open(std::string_view id) const {
  for (const auto& p : providers_) {
    if (!p->Handles(id)) continue;
    OpenResult r = p->Open(id);
    if (r.transport) r.transport = std::make_unique<TraceTransport>(std::move(r.transport), trace_);
    return r;
  }
  OpenResult r;
  r.error = "No such drive: " + std::string(id);
  return r;
}

int ChooseDriveIndex(const std::vector<std::string>& ids, std::string_view saved_id) {
  if (ids.empty()) return -1;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == saved_id) return static_cast<int>(i);
  }
  return 0;
}

}  // namespace tamarack
