#include "refdata/drive_jobs.h"

#include <span>

#include "decode/volume_descriptor.h"
#include "device/device_session.h"
#include "device/sense_table.h"
#include "mmc/inquiry.h"
#include "mmc/set_cd_speed.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

std::string Trimmed(const std::string& s) {
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

Cdb MaxSpeedCdb() { return mmc::SetCdSpeedCdb(mmc::kMaximumSpeed, mmc::kMaximumSpeed); }

std::string MaxSpeedText(bool ok) {
  return ok ? Tr("SetCDSpeed ｺﾏﾝﾄﾞが成功しました") : Tr("SetCDSpeed ｺﾏﾝﾄﾞが失敗しました");
}

void VolumeLabelJob::Run(JobContext& ctx) {
  ctx.host().SetBusy(true);
  label_ = ReadVolumeLabel(ctx.session());
  ctx.host().SetBusy(false);
}

void DriveNamesJob::Run(JobContext& ctx) {
  for (std::size_t i = 0; i < ids_.size() && !ctx.stop_requested(); ++i) {
    DeviceSession session(drives_, BuiltInSenseTable());
    if (!session.Open(ids_[i])) continue;
    const CdbReply inquiry = IssueCdb(session, mmc::InquiryCdb());
    if (!inquiry.good() || inquiry.transferred < 32) continue;
    const mmc::InquiryNames names = mmc::InquiryNamesOf(inquiry.bytes);
    names_[i] = Trimmed(Trimmed(names.vendor) + " " + Trimmed(names.product));
  }
}

}  // namespace tamarack
