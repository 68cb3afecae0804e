// The reference data dialog's small drive jobs: the maximum-speed command, the volume label
// that names a new file, and the vendor and product texts of the drive box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/drive_directory.h"
#include "device/scsi.h"
#include "job/job.h"

namespace tamarack {

// Set CD Speed (BBh) with read and write speed FFFFh: the drive's fastest.
Cdb MaxSpeedCdb();
// "SetCDSpeed ｺﾏﾝﾄﾞが成功しました" or "SetCDSpeed ｺﾏﾝﾄﾞが失敗しました".
std::string MaxSpeedText(bool ok);

// Reads the volume label of the session's disc (decode/volume_descriptor.h).
class VolumeLabelJob final : public Job {
 public:
  void Run(JobContext& ctx) override;
  // Read after the host's Finished call; empty when the disc has none.
  const std::string& label() const { return label_; }

 private:
  std::string label_;
};

// Identifies each drive on a short-lived handle of its own (Inquiry), without the runner's
// session, so it may run on a runner of its own beside the drive's jobs. Stops between drives
// when asked to.
class DriveNamesJob final : public Job {
 public:
  // `drives` must outlive the job.
  DriveNamesJob(const DriveDirectory* drives, std::vector<std::string> ids)
      : drives_(drives), ids_(std::move(ids)), names_(ids_.size()) {}
  void Run(JobContext& ctx) override;
  const std::vector<std::string>& ids() const { return ids_; }
  // "VENDOR PRODUCT" per id (blanks at the ends dropped); empty for a drive that did not answer.
  const std::vector<std::string>& names() const { return names_; }

 private:
  const DriveDirectory* drives_;
  std::vector<std::string> ids_;
  std::vector<std::string> names_;
};

}  // namespace tamarack
