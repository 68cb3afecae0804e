#include "views/toc_view.h"

#include <algorithm>
#include <string_view>

#include "decode/read_toc.h"
#include "mmc/read_toc.h"
#include "util/bytes.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr std::size_t kDescriptorsStart = 4;

std::size_t DescriptorCount(std::span<const std::uint8_t> reply, std::size_t size) {
  const std::size_t end = std::min<std::size_t>(reply.size(), std::size_t{ReadBe16(reply, 0)} + 2);
  return end < kDescriptorsStart ? 0 : (end - kDescriptorsStart) / size;
}

// What the control nibble of a track says: data or audio, and whether copying is allowed.
std::string ControlText(int control) {
  std::string text;
  if (control & 0x4) {
    text = "Data:";
    text += (control & 0x1) ? "recorded incremental," : "recorded uninterrupted,";
  } else {
    text = "Audio:";
    if (control & 0x1) text += "with pre-emphasis,";
  }
  text += (control & 0x2) ? " digital copy permitted)" : " digital copy prohibited)";
  return text;
}

std::string TrackViewComment(int track, int control) {
  if (track >= 1 && track <= 99) return StrFormat(Tr("%d Trcak("), track) + ControlText(control);
  if (track == 0xAA) return "Lead Out";
  return "";
}

void TrackView(std::span<const std::uint8_t> lba, std::span<const std::uint8_t> msf,
               TocView& view) {
  const int length = ReadBe16(lba, 0);
  view.text = StrFormat("TOC Data Length=%d(%04xh)\r\nFirst Track No.=%d  Last Track No.=%d",
                        length, length, ByteAt(lba, 2), ByteAt(lba, 3));
  const std::size_t count = DescriptorCount(lba, 8);
  for (std::size_t r = 0; r < count; ++r) {
    const std::size_t at = kDescriptorsStart + 8 * r;
    const auto d = lba.subspan(at, 8);
    const int track = d[2];
    const int control = d[1] & 0xF;
    const std::uint32_t address = ReadBe32(d, 4);
    view.rows.push_back({{StrFormat("%d(%02xh)", track, track), StrFormat("%02xh", d[1] >> 4),
                          StrFormat("%02xh", control),
                          StrFormat("%02d:%02d:%02d", ByteAt(msf, at + 5), ByteAt(msf, at + 6),
                                    ByteAt(msf, at + 7)),
                          StrFormat("%08d(%06xh)", static_cast<int>(address), address),
                          TrackViewComment(track, control)},
                         0});
  }
}

std::string FullTocComment(int adr, int point, int pmin) {
  if (adr == 1) {
    if (point >= 1 && point <= 99) return StrFormat(Tr("%d Trcak"), point);
    if (point == 0xA0) {
      return StrFormat("%d(%02xh) First Track number in the program area", pmin, pmin);
    }
    if (point == 0xA1) {
      return StrFormat("%d(%02xh) Last Track number in the program area", pmin, pmin);
    }
    if (point == 0xA2) return "Start location of the Lead-out area";
  } else if (adr == 5) {
    if (point == 0xB0)
      return "Identify a Multi-session Disc,Start time of next possible program area";
    if (point == 0xB1) return "Number of skip interval pointers & Skip track assignments";
    if (point >= 0xB2 && point <= 0xB4) return "Skip Track Assignment Pointers";
    if (point == 0xC0) return "Start time of first Lead-in area of disc";
    if (point == 0xC1) return "Copy of information from additional area 1 in ATIP.";
    if (point == 0xCF) return "Stop position of Inner part Lead-out Area";
    if (point >= 0x01 && point <= 0x40) return "Skip Interval Pointers";
  }
  return "";
}

void FullTocView(std::span<const std::uint8_t> lba, TocView& view) {
  const int length = ReadBe16(lba, 0);
  view.text = StrFormat("TOC Data Length=%d(%04xh)\r\nFirst Session No.=%d  Last Session No.=%d",
                        length, length, ByteAt(lba, 2), ByteAt(lba, 3));
  const std::size_t count = DescriptorCount(lba, 11);
  for (std::size_t r = 0; r < count; ++r) {
    const auto d = lba.subspan(kDescriptorsStart + 11 * r, 11);
    const int adr = d[1] >> 4;
    view.rows.push_back(
        {{StrFormat("%d", d[0]), StrFormat("%02x", adr), StrFormat("%02x", d[1] & 0xF),
          StrFormat("%02x", d[2]), StrFormat("%02x", d[3]),
          StrFormat("%02x %02x %02x %02x", d[4], d[5], d[6], d[7]),
          StrFormat("%02x %02x %02x", d[8], d[9], d[10]), FullTocComment(adr, d[3], d[8])},
         0});
  }
}

// Blank-separated hexadecimal numbers of a cell; false when it holds fewer or something else.
bool ParseHexCell(const std::string& cell, std::span<int> values) {
  std::string_view rest = cell;
  for (int& v : values) {
    while (rest.starts_with(' ')) rest.remove_prefix(1);
    const std::string_view digits = rest.substr(0, rest.find(' '));
    const auto parsed = ParseDigits(digits, 16, 0xFF);
    if (!parsed) return false;
    v = static_cast<int>(*parsed);
    rest.remove_prefix(digits.size());
  }
  return true;
}

// One read through IssueCdb (its own zeroed bytes, no sense dialog), keeping the outcome for
// the caller.
std::optional<std::vector<std::uint8_t>> ReadToc(DeviceSession& session, int format, bool msf,
                                                 CommandOutcome* failure) {
  const Cdb cdb =
      mmc::ReadTocCdb({.format = static_cast<std::uint8_t>(format), .msf = msf, .length = 0xA000});
  CdbReply reply = IssueCdb(session, cdb);
  const std::size_t length = ReadBe16(reply.bytes, 0);
  if (!reply.good() || length == 0) {
    if (failure) *failure = std::move(reply.outcome);
    return std::nullopt;
  }
  const std::size_t n = std::min<std::size_t>(length + 2, reply.transferred);
  reply.bytes.resize(n);
  return std::move(reply.bytes);
}

}  // namespace

std::vector<ListColumn> TocViewColumns(bool full_toc) {
  if (full_toc) {
    return {{"Sess", 50},         {"ADR", 50},        {"CTL", 50},
            {"TNO", 50},          {"Point", 50},      {"Min Sec Frm Zero", 100},
            {"PMn PSc PFm", 100}, {"Comment", 0, 450}};
  }
  return {{"Track No.", 80},          {"ADR", 60},        {"CTL", 60}, {"MSF     ", 80},
          {"LBA              ", 150}, {"Comment", 0, 430}};
}

TocView BuildTocView(std::span<const std::uint8_t> lba_reply,
                     std::span<const std::uint8_t> msf_reply, bool full_toc) {
  TocView view;
  view.columns = TocViewColumns(full_toc);
  if (full_toc) {
    FullTocView(lba_reply, view);
  } else {
    TrackView(lba_reply, msf_reply, view);
  }
  return view;
}

std::optional<TocRead> ReadTocView(DeviceSession& session, bool full_toc, CommandOutcome* failure) {
  const int format = full_toc ? 2 : 0;
  auto lba = ReadToc(session, format, false, failure);
  if (!lba) return std::nullopt;
  auto msf = ReadToc(session, format, true, failure);
  if (!msf) return std::nullopt;
  TocRead read;
  read.view = BuildTocView(*lba, *msf, full_toc);
  read.command_data = std::move(*lba);
  return read;
}

std::string ExplainFullTocRow(std::span<const std::string> cells) {
  if (cells.size() < 7) return "";
  int adr = 0, point = 0;
  int msf[4] = {};
  int pmsf[3] = {};
  if (!ParseHexCell(cells[1], std::span(&adr, 1)) ||
      !ParseHexCell(cells[4], std::span(&point, 1)) || !ParseHexCell(cells[5], msf) ||
      !ParseHexCell(cells[6], pmsf)) {
    return "";
  }
  int control = 0;
  if (!ParseHexCell(cells[2], std::span(&control, 1))) return "";
  const int pmin = pmsf[0], psec = pmsf[1], pframe = pmsf[2];
  if (adr == 1 && point == 0xA0) {
    std::string text =
        StrFormat("%d(%02xh) First Track number in the program area\r\n", pmin, pmin);
    if (psec == 0x00) {
      text +=
          StrFormat("%d(%02xh) Disc Type CD-DA or CD Data with first track in Mode 1", psec, psec);
    } else if (psec == 0x10) {
      text += StrFormat("%d(%02xh) Disc Type CD-I disc", psec, psec);
    } else if (psec == 0x20) {
      text += StrFormat("%d(%02xh) Disc Type CD data XA disc with first track in Mode 2, DDCD disc",
                        psec, psec);
    }
    return text;
  }
  if (adr == 1 && point == 0xA1) {
    return StrFormat("%d(%02xh) Last Track number in the program area\r\n", pmin, pmin);
  }
  if (adr == 1 && point == 0xA2) {
    return StrFormat("%d:%d:%d(mm:ss:ff) Start location of the Lead-out area\r\n", pmin, psec,
                     pframe);
  }
  if (adr == 5 && point == 0xB0) {
    return StrFormat("%02d:%02d:%02d(mm:ss:ff) Start time of next possible program area\r\n",
                     msf[0], msf[1], msf[2]) +
           StrFormat("%02d:%02d:%02d(mm:ss:ff) Maximum start time of outer-most Lead-out area\r\n",
                     pmin, psec, pframe);
  }
  if (adr == 5) {
    const std::string comment = FullTocComment(adr, point, pmin);
    if (!comment.empty()) return comment + "\r\n";
  }
  if (point >= 1 && point <= 99) return StrFormat(Tr("%d Trcak\r\n"), point) + ControlText(control);
  return "";
}

}  // namespace tamarack
