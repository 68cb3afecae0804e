#include "shell/file_kinds.h"

#include <cctype>

#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

std::string DumpName(int n, std::string_view extension) {
  return StrFormat("Dmp%03d.%s", n, std::string(extension).c_str());
}
std::string CommandsName(int n, std::string_view content) {
  return StrFormat("%s_%03d.cmd", std::string(content).c_str(), n);
}
std::string AgeingName(int n, std::string_view) { return StrFormat("Age%03d.age", n); }
std::string MeasurementName(int n, std::string_view) { return StrFormat("msr%03d.msr", n); }

constexpr FileKindRow kFileKinds[] = {
    {FileKind::kDump, "txt", kTabSectorDump, TR_NOOP("ﾀﾞﾝﾌﾟ情報の保存"),
     TR_NOOP("ﾀﾞﾝﾌﾟ情報の読み込み"), DumpName},
    {FileKind::kCommands, "cmd", kTabCommand, TR_NOOP("ｺﾏﾝﾄﾞの保存"), TR_NOOP("ｺﾏﾝﾄﾞの読み込み"),
     CommandsName},
    {FileKind::kAgeing, "age", kTabAgeing, TR_NOOP("ｴｰｼﾞﾝｸﾞ環境の保存"),
     TR_NOOP("ｴｰｼﾞﾝｸﾞ環境の読み込み"), AgeingName},
    {FileKind::kMeasurement, "msr", kTabMeasure, TR_NOOP("計測ﾃﾞｰﾀの保存"),
     TR_NOOP("計測ﾃﾞｰﾀの読み込み"), MeasurementName},
};

}  // namespace

const FileKindRow& RowOfKind(FileKind kind) {
  for (const FileKindRow& row : kFileKinds) {
    if (row.kind == kind) return row;
  }
  return kFileKinds[0];
}

std::optional<FileKind> KindOfExtension(std::string_view extension) {
  std::string lower;
  for (char c : extension) {
    lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  for (const FileKindRow& row : kFileKinds) {
    if (lower == row.extension) return row.kind;
  }
  return std::nullopt;
}

std::optional<FileKind> KindOfTab(int tab) {
  for (const FileKindRow& row : kFileKinds) {
    if (row.tab == tab) return row.kind;
  }
  return std::nullopt;
}

std::string FileDialogFilter(std::string_view extension) {
  const std::string e(extension);
  return StrFormat("%s file(*.%s)|*.%s|all files(*.*)|*.*||", e.c_str(), e.c_str(), e.c_str());
}

}  // namespace tamarack
