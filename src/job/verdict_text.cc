#include "job/verdict_text.h"

#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

VerdictKind KindOf(const JobVerdict& v) {
  if (v.cancelled()) return VerdictKind::kCancelled;
  if (v.file_error()) return VerdictKind::kFileError;
  if (v.refused()) return VerdictKind::kRefused;
  if (v.ended_by()) return VerdictKind::kFailed;
  if (v.went_past()) return VerdictKind::kFailedWentOn;
  if (v.edc_failures() != 0) return VerdictKind::kEdcFailed;
  if (v.differences() != 0) return VerdictKind::kDifferences;
  if (v.incomplete()) return VerdictKind::kIncomplete;
  return VerdictKind::kGood;
}

const char* VerdictWord(VerdictKind kind) {
  switch (kind) {
    case VerdictKind::kCancelled:
      return "cancelled";
    case VerdictKind::kFileError:
      return "file error";
    case VerdictKind::kRefused:
      return "refused";
    case VerdictKind::kFailed:
      return "failed";
    case VerdictKind::kFailedWentOn:
      return "failed, went on";
    case VerdictKind::kEdcFailed:
      return "EDC failed";
    case VerdictKind::kDifferences:
      return "differences";
    case VerdictKind::kIncomplete:
      return "incomplete";
    case VerdictKind::kGood:
      return "good";
  }
  return "failed";
}

std::string VerdictWordOf(const JobVerdict& v) {
  const VerdictKind kind = KindOf(v);
  if (kind == VerdictKind::kCancelled) {
    if (v.failures() != 0) return "cancelled, failed";
    if (v.edc_failures() != 0) return "cancelled, EDC failed";
    if (v.differences() != 0) return "cancelled, differences";
  }
  return VerdictWord(kind);
}

MessageIcon VerdictIcon(VerdictKind kind) {
  switch (kind) {
    case VerdictKind::kGood:
      return MessageIcon::kInformation;
    case VerdictKind::kCancelled:
    case VerdictKind::kRefused:
    case VerdictKind::kIncomplete:
      return MessageIcon::kWarning;
    case VerdictKind::kFileError:
    case VerdictKind::kFailed:
    case VerdictKind::kFailedWentOn:
    case VerdictKind::kEdcFailed:
    case VerdictKind::kDifferences:
      break;
  }
  return MessageIcon::kError;
}

std::string VerdictLines(const JobVerdict& v) {
  std::string text = StrFormat(Tr("判定: %s"), VerdictWordOf(v).c_str());
  std::string counts;
  const auto add = [&counts](const std::string& part) {
    counts += (counts.empty() ? "" : ", ") + part;
  };
  if (v.failures() != 0)
    add(StrFormat(Tr("失敗したｺﾏﾝﾄﾞ %llu"), static_cast<unsigned long long>(v.failures())));
  if (v.edc_failures() != 0)
    add(StrFormat(Tr("EDC ｴﾗｰ %llu"), static_cast<unsigned long long>(v.edc_failures())));
  if (v.differences() != 0)
    add(StrFormat(Tr("相違 %llu"), static_cast<unsigned long long>(v.differences())));
  if (!counts.empty()) text += " (" + counts + ")";
  // A refusal says why: the run may have shown no message of its own.
  if (v.refused() && !v.refused()->empty()) text += "\r\n" + *v.refused();
  if (v.coverage().asked() != 0) text += "\r\n" + v.coverage().LocalText();
  return text;
}

}  // namespace tamarack
