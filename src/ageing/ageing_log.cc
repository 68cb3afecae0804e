#include "ageing/ageing_log.h"

#include <algorithm>

#include "form/hex_dump.h"
#include "util/display_text.h"
#include "util/html_page.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr std::size_t kFileBufferBytes = std::size_t{64} * 1024;
constexpr std::size_t kDumpLine = 32;
constexpr std::size_t kGroup = 4;
constexpr std::size_t kDataOkBytes = 24;
constexpr auto kFlushPeriod = std::chrono::seconds(1);

const char* WhatText(LogWhat w) {
  switch (w) {
    case LogWhat::kAll:
      return "All";
    case LogWhat::kFailedOnly:
      return "Failed Only";
    case LogWhat::kNothing:
      break;
  }
  return "None";
}

const char* DetailText(LogDetail d) {
  switch (d) {
    case LogDetail::kDetailed:
      return "(Detail)";
    case LogDetail::kMedium:
      return "(Medium)";
    case LogDetail::kSimple:
      break;
  }
  return "(Simple)";
}

const char* WhatHtml(LogWhat w) {
  switch (w) {
    case LogWhat::kAll:
      return Tr("全てのコマンド");
    case LogWhat::kFailedOnly:
      return Tr("失敗コマンドのみ");
    case LogWhat::kNothing:
      break;
  }
  return Tr("収集しない");
}

const char* DetailHtml(LogDetail d) {
  switch (d) {
    case LogDetail::kDetailed:
      return Tr(" / 詳細");
    case LogDetail::kMedium:
      return " / Medium";
    case LogDetail::kSimple:
      break;
  }
  return Tr(" / 簡略");
}

const char* StopOrGoOn(bool stop) { return stop ? Tr("エージング停止") : Tr("エージング継続"); }

// A row of the HTML log; `name` is looked up in the catalogue.
std::string Row(const char* name, std::string_view value) {
  return StrFormat("<TR><TD bgcolor=#add8e6>%s</TD><TD>", Tr(name)) + HtmlEscape(value) +
         "</TD></TR>\n";
}

void AppendCdbHex(const Cdb& cdb, std::string* out) {
  static const char kDigits[] = "0123456789abcdef";
  for (std::uint8_t b : cdb) {
    out->push_back(kDigits[b >> 4]);
    out->push_back(kDigits[b & 0x0F]);
  }
}

void AppendCharacters(std::span<const std::uint8_t> bytes, std::string* out) {
  for (std::uint8_t b : bytes) out->append(DumpCharacter(b));
}

}  // namespace

std::string TextSettingsSummary(const AgeingSettings& s, const LogHeader& h) {
  std::string out = h.method_text + "\n" + h.loop_text;
  if (s.data_check) {
    out += "\nData Check Available";
    if (s.data_check_type == DataCheckType::kOther) {
      out += "\nData Check File=" +
             (s.data_file.empty() ? std::string("None") : DisplayText(s.data_file));
    }
    if (s.mode.end_on_data_error()) out += "\nLoop while no data error";
  }
  if (s.mode.end_on_command_error()) out += "\nLoop while no cmd error";
  // Spelt as the text log always has; the English catalogue spells it right.
  if (s.display_received) out += std::string("\n") + Tr("Received data diaplay");
  const LogWhat what = s.log_options.what();
  out += "\r\nLog Option=";
  out += WhatText(what);
  if (what != LogWhat::kNothing) out += DetailText(s.log_options.detail());
  StrAppendFormat(&out,
                  "\nStart Lba=%d(%xh)\nEnd Lba=%d(%xh)\nTransfer Length=%d(%xh)\t\nRandom "
                  "Length=%d\nStep=%d(%xh)\nInterval Time=%d(%xh)msec\nRandom Time=%d",
                  s.start_lba, static_cast<unsigned>(s.start_lba), s.end_lba,
                  static_cast<unsigned>(s.end_lba), s.transfer_length,
                  static_cast<unsigned>(s.transfer_length), s.random_length ? 1 : 0, s.step,
                  static_cast<unsigned>(s.step), s.interval_ms,
                  static_cast<unsigned>(s.interval_ms), s.random_interval ? 1 : 0);
  out += "\nCommand=" + h.command_text;
  return out;
}

std::string HtmlSettingsRows(const AgeingSettings& s, const LogHeader& h) {
  std::string out;
  out += Row(TR_NOOP("LBA の変更方法"), h.method_text);
  out += Row(TR_NOOP("エージング終了条件"), h.loop_text);
  out += Row(TR_NOOP("データチェック"), s.data_check ? Tr("行う") : Tr("行わない"));
  if (s.data_check && s.data_check_type == DataCheckType::kOther) {
    out += Row(TR_NOOP("チェック用ファイル"),
               s.data_file.empty() ? Tr("指定なし") : DisplayText(s.data_file));
  }
  if (s.data_check)
    out += Row(TR_NOOP("データ不一致発生の場合"), StopOrGoOn(s.mode.end_on_data_error()));
  out += Row(TR_NOOP("コマンドエラー発生の場合"), StopOrGoOn(s.mode.end_on_command_error()));
  out += Row(TR_NOOP("読み込んだデータ"), s.display_received ? Tr("表示する") : Tr("表示しない"));
  const LogWhat what = s.log_options.what();
  std::string option = WhatHtml(what);
  if (what != LogWhat::kNothing) option += DetailHtml(s.log_options.detail());
  out += Row(TR_NOOP("ログ オプション"), option);
  const char* empty_cells = "    <TD bgcolor=#dddddd width=100>　</TD><TD width=100>　</TD></TR>\n";
  out += std::string("<TR><TD bgcolor=#add8e6>") + Tr("その他の環境") +
         "</TD><TD><TABLE border=1><TBODY>";
  StrAppendFormat(&out,
                  "<TR><TD bgcolor=#dddddd width=100>Start LBA</TD><TD width=100>%d(%xh)</TD>\n",
                  s.start_lba, static_cast<unsigned>(s.start_lba));
  StrAppendFormat(&out,
                  "    <TD bgcolor=#dddddd width=100>End LBA</TD><TD width=100>%d(%xh)</TD>\n",
                  s.end_lba, static_cast<unsigned>(s.end_lba));
  out += empty_cells;
  StrAppendFormat(
      &out, "<TR><TD bgcolor=#dddddd width=100>Transfer Length</TD><TD width=100>%d(%d)</TD>\n",
      s.transfer_length, s.transfer_length);
  StrAppendFormat(&out,
                  "    <TD bgcolor=#dddddd width=100>Random Length</TD><TD width=100>%s</TD>\n",
                  s.random_length ? "On" : "Off");
  StrAppendFormat(&out,
                  "    <TD bgcolor=#dddddd width=100>Steps</TD><TD width=100>%d(%xh)</TD></TR>\n",
                  s.step, static_cast<unsigned>(s.step));
  StrAppendFormat(&out,
                  "<TR><TD bgcolor=#dddddd width=100>Interval Time</TD><TD width=100>%d(%d)</TD>\n",
                  s.interval_ms, s.interval_ms);
  StrAppendFormat(&out,
                  "    <TD bgcolor=#dddddd width=100>Random Interval</TD><TD width=100>%s</TD>\n",
                  s.random_interval ? "On" : "Off");
  out += empty_cells;
  out += "</TBODY></TABLE></TD></TR>\n";
  out += Row(TR_NOOP("使用するコマンド"), h.command_text);
  return out;
}

std::string BlockDumpLines(std::span<const std::uint8_t> block,
                           std::span<const std::uint8_t> reference, bool compare) {
  std::string out;
  for (std::size_t at = 0; at < block.size(); at += kDumpLine) {
    const auto line = block.subspan(at, std::min(kDumpLine, block.size() - at));
    StrAppendFormat(&out, "%08zx ", at);
    bool differs = false;
    std::string marks = "^^^^^^^^ ";
    for (std::size_t j = 0; j < kDumpLine; ++j) {
      const bool group_start = j > 0 && j % kGroup == 0;
      if (j < line.size()) {
        StrAppendFormat(&out, group_start ? " %02x" : "%02x", line[j]);
        const std::size_t r = at + j;
        const bool bad = compare && (r >= reference.size() || reference[r] != line[j]);
        differs = differs || bad;
        marks += group_start ? (bad ? " ^^" : "   ") : (bad ? "^^" : "  ");
      } else {
        out += group_start ? "   " : "  ";
      }
    }
    out += " |";
    AppendCharacters(line, &out);
    out += "\n";
    if (differs) out += marks + "\n";
  }
  return out;
}

AgeingLog::AgeingLog(const AgeingSettings& settings, RunTime& time, Clock& clock)
    : settings_(settings), time_(time), clock_(clock) {}

AgeingLog::~AgeingLog() { Close(); }

void AgeingLog::Close() {
  if (!open_) return;
  open_ = false;
  std::string error;
  if (failure_.empty() && !out_.Commit(&error)) Fail(error);
  out_.Abandon(false);
}

bool AgeingLog::Open() {
  if (!logging()) return true;
  html_ = settings_.log_html;
  if (settings_.log_path.empty()) {
    open_error_ = "no log file named";
    return false;
  }
  open_ = out_.OpenInPlace(settings_.log_path, &open_error_, kFileBufferBytes);
  if (!open_) return false;
  last_flush_ = clock_.Now();
  return true;
}

void AgeingLog::Fail(const std::string& error) {
  if (!failure_.empty()) return;
  failure_ = StrFormat(Tr(kLogWriteFailedText), error.c_str());
  if (on_failure) on_failure(failure_);
}

void AgeingLog::Put(std::string_view text) {
  if (!open_ || !failure_.empty()) return;
  std::string error;
  if (!out_.Append(text, &error)) Fail(error);
}

void AgeingLog::PutEvent(std::string_view text) {
  if (html_) {
    Put(HtmlEscape(text));
  } else {
    Put(text);
  }
}

void AgeingLog::Flush(Clock::Duration ahead) {
  if (!open_ || !failure_.empty()) return;
  const Clock::Duration t = clock_.Now();
  if (t + ahead - last_flush_ < kFlushPeriod) return;
  last_flush_ = t;
  std::string error;
  if (!out_.Flush(&error)) Fail(error);
}

void AgeingLog::Start(const LogHeader& h) {
  if (!open_) return;
  const CivilTime t = time_.Now();
  const std::string model = DisplayText(h.model_name);
  const std::string label = DisplayText(h.volume_label);
  std::string out;
  if (!html_) {
    out = "Start Time=" + SpacedTimeLine(t);
    out += "Model Name=" + model + "\n";
    if (!label.empty()) out += "CD Volume Name=" + label + "\n";
    out += TextSettingsSummary(settings_, h);
    out += "\n==============Ageing Start==============\n";
  } else {
    out = HtmlPageHead(std::string(Tr("エージングログ")) + " " + TimeLine(t));
    out += "</CENTER><H3>" + std::string(Tr("エージングログ")) + "  >>>>>" + Tr("ファイル") + "[" +
           HtmlEscape(DisplayText(settings_.log_path)) + "]<<<<</H3>\n";
    out += "<TABLE border=0><TBODY>\n";
    out += std::string("<TR><TD bgcolor=#add8e6 width=170>") + Tr("開始時刻") +
           "</TD><TD width=300>" + TimeLine(t) + "</TD></TR>\n";
    out += Row(TR_NOOP("ドライブモデル名"), model);
    out += Row(TR_NOOP("ディスクボリューム名"), label);
    out += HtmlSettingsRows(settings_, h);
    out += "</TBODY></TABLE>\n";
    out += "<TEXTAREA rows=30 cols=118 name=\"Logs\">";
  }
  Put(out);
  Flush(kFlushPeriod);
}

bool AgeingLog::Wanted(bool failed) const {
  switch (settings_.log_options.what()) {
    case LogWhat::kAll:
      return true;
    case LogWhat::kFailedOnly:
      return failed;
    case LogWhat::kNothing:
      break;
  }
  return false;
}

void AgeingLog::Command(bool ok, const Cdb& cdb, std::string_view error_text, std::int64_t ms,
                        char marker) {
  ++counts_.commands;
  if (!ok) ++counts_.failed_commands;
  if (!open_ || !Wanted(!ok)) return;
  line_ = "Comm:";
  AppendCdbHex(cdb, &line_);
  if (ok) {
    line_ += " Ok";
  } else {
    line_ += " Ng [";
    line_ += error_text;
    line_ += "]";
  }
  StrAppendFormat(&line_, " %lldmsec", static_cast<long long>(ms));
  line_ += EventStamp(time_.Now());
  StrAppendFormat(&line_, " %c\n", marker);
  PutEvent(line_);
}

void AgeingLog::DataCheck(bool ok, const Cdb& cdb, std::string_view message, char marker) {
  if (ok) {
    ++counts_.data_ok;
  } else {
    ++counts_.data_ng;
  }
  if (!open_ || !Wanted(!ok)) return;
  line_ = "Comm:";
  AppendCdbHex(cdb, &line_);
  line_ += " ";
  line_ += message;
  StrAppendFormat(&line_, " %c\n", marker);
  PutEvent(line_);
}

void AgeingLog::Interval(int ms) {
  if (!open_ || settings_.log_options.what() != LogWhat::kAll) return;
  PutEvent(StrFormat("Interval %dmsec\n", ms));
}

void AgeingLog::Cancel(std::string_view cause_suffix) {
  if (!open_) return;
  PutEvent("Canceled" + std::string(cause_suffix) + "\n");
}

void AgeingLog::Note(const Cdb& cdb, std::string_view text) {
  if (!open_) return;
  line_ = "Comm:";
  AppendCdbHex(cdb, &line_);
  line_ += " ";
  line_ += text;
  line_ += "\n";
  PutEvent(line_);
}

void AgeingLog::DataOk(std::span<const std::uint8_t> buffer) {
  if (!open_ || settings_.log_options.what() != LogWhat::kAll ||
      settings_.log_options.detail() != LogDetail::kDetailed) {
    return;
  }
  const auto head = buffer.first(std::min(kDataOkBytes, buffer.size()));
  line_ = "Data:";
  line_ += HexBytes(head, "");
  line_ += "...|";
  AppendCharacters(head, &line_);
  line_ += "\n";
  PutEvent(line_);
}

void AgeingLog::DataNg(std::uint32_t transferred, std::int32_t blocks, std::int32_t lba,
                       std::span<const std::uint8_t> buffer, const AgeingDataCheck& check,
                       std::uint32_t block_size) {
  if (!open_ || settings_.log_options.detail() != LogDetail::kDetailed) return;
  std::string out = StrFormat("Error Data(read len=%u,req blk=%d)\n", transferred, blocks);
  const std::size_t bs = block_size;
  const bool compare =
      settings_.data_check_type == DataCheckType::kOther &&
      check.ReadReference(lba, static_cast<std::uint32_t>(bs), blocks, &reference_);
  for (std::int32_t b = 0; b < blocks; ++b) {
    const bool ng = check.marked(static_cast<std::size_t>(b));
    StrAppendFormat(&out, "%s (+%d)\n", ng ? "NG" : "OK", b);
    if (!ng) continue;
    const std::size_t at = static_cast<std::size_t>(b) * bs;
    const auto block = at < buffer.size() ? buffer.subspan(at, std::min(bs, buffer.size() - at))
                                          : std::span<const std::uint8_t>();
    const auto ref = compare && at < reference_.size()
                         ? std::span<const std::uint8_t>(reference_)
                               .subspan(at, std::min(bs, reference_.size() - at))
                         : std::span<const std::uint8_t>();
    out += BlockDumpLines(block, ref, compare);
  }
  PutEvent(out);
}

void AgeingLog::End(std::string_view status_text) {
  if (!open_) return;
  const CivilTime t = time_.Now();
  const bool data = settings_.data_check;
  std::string out;
  if (!html_) {
    out = "==============Ageing End================\nEnd Time=" + SpacedTimeLine(t);
    StrAppendFormat(&out, "Total Command %lld , Failed Command %lld\n",
                    static_cast<long long>(counts_.commands),
                    static_cast<long long>(counts_.failed_commands));
    if (data) {
      StrAppendFormat(&out, "Data Check Ok %lld , Data Check Ng  %lld\n",
                      static_cast<long long>(counts_.data_ok),
                      static_cast<long long>(counts_.data_ng));
    }
    out += std::string(status_text) + "\n";
  } else {
    out = "</TEXTAREA>\n<TABLE border=0><TBODY>\n";
    out += std::string("<TR><TD bgcolor=#add8e6 width=150>") + Tr("終了時刻") +
           "</TD><TD width=300>" + TimeLine(t) + "</TD></TR>\n";
    StrAppendFormat(&out, "<TR><TD bgcolor=#add8e6>%s</TD><TD>%lld</TD></TR>\n",
                    Tr("全コマンド発行回数"), static_cast<long long>(counts_.commands));
    StrAppendFormat(&out, "<TR><TD bgcolor=#add8e6>%s</TD><TD>%lld</TD></TR>\n",
                    Tr("コマンドエラー回数"), static_cast<long long>(counts_.failed_commands));
    if (data) {
      StrAppendFormat(&out, "<TR><TD bgcolor=#add8e6>%s</TD><TD>%lld</TD></TR>\n",
                      Tr("データチェックOK回数"), static_cast<long long>(counts_.data_ok));
      StrAppendFormat(&out, "<TR><TD bgcolor=#add8e6>%s</TD><TD>%lld</TD></TR>\n",
                      Tr("データチェックNG回数"), static_cast<long long>(counts_.data_ng));
    }
    out += "</TBODY></TABLE>\n";
    out += HtmlPageEnd();
  }
  Put(out);
  Close();
}

}  // namespace tamarack
