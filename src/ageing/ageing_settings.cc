#include "ageing/ageing_settings.h"

#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

std::array<Cdb, kAgeingCommands> AgeingSettings::DefaultAgeingCdbs() {
  std::array<Cdb, kAgeingCommands> cdbs{};
  cdbs[0][0] = 0x28;
  cdbs[1][0] = 0xA8;
  cdbs[2][0] = 0xBE;
  // Read CD returns nothing unless a field is selected: user data, as the sector dump's.
  cdbs[2][9] = 0x10;
  return cdbs;
}

const char* MethodEntryText(int index) {
  static const char* const kTexts[kMethodCount] = {
      TR_NOOP("2ﾎﾟｲﾝﾄ"), TR_NOOP("単純増減"), TR_NOOP("乱数"), TR_NOOP("乱数と単純増減(50回)")};
  return index >= 0 && index < kMethodCount ? Tr(kTexts[index]) : "";
}

std::string LoopEntryText(int index, int loop_count) {
  switch (index) {
    case 0:
      return Tr("1回");
    case 1:
      return Tr("無限ﾙｰﾌﾟ");
    case 2:
      return StrFormat(Tr("ﾙｰﾌﾟ回数 %d"), loop_count);
    case 3:
      return Tr("ﾙｰﾌﾟ回数設定...");
    default:
      return "";
  }
}

std::string LoopCountEntryAfterDialog(int loop_count) {
  return StrFormat("Loop Count %d", loop_count);
}

const char* DataCheckTypeText(DataCheckType type) {
  switch (type) {
    case DataCheckType::kType13:
      return "Type1.3";
    case DataCheckType::kType30:
      return "Type3.0";
    case DataCheckType::kOther:
      return "Other";
  }
  return "Other";
}

}  // namespace tamarack
