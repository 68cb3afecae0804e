// The Toc tab: the table of contents read twice (addresses as LBA and as MSF) and shown as a
// commented track view, or as the raw full TOC with an explanation of the clicked row.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "form/decoder.h"

namespace tamarack {

// The list's columns: the track view ("Track No.", "ADR", "CTL", "MSF" and "LBA" padded with
// blanks, "Comment") or the "&Full TOC" view ("Sess", "ADR", "CTL", "TNO", "Point",
// "Min Sec Frm Zero", "PMn PSc PFm", "Comment"); "Comment" takes the rest of the width.
std::vector<ListColumn> TocViewColumns(bool full_toc);

// What the tab shows: the header for its text box, and the list.
struct TocView {
  std::string text;
  std::vector<ListColumn> columns;
  std::vector<DecodedRow> rows;
};

// The view from the two replies (format 0 for the track view, 2 for the full TOC), read with
// TIME off (`lba_reply`) and on (`msf_reply`), each holding the bytes returned. Pure.
// Descriptors are read only where they lie wholly within the data length and the bytes
// returned; the track view takes each track's MSF from the same descriptor of `msf_reply`.
TocView BuildTocView(std::span<const std::uint8_t> lba_reply,
                     std::span<const std::uint8_t> msf_reply, bool full_toc);

struct TocRead {
  TocView view;
  // The reply of the first read (TIME off), data length plus 2 bytes: the current command
  // data afterwards.
  std::vector<std::uint8_t> command_data;
};

// The Exec button on the Toc tab: Read TOC format 0 (2 for the full TOC), allocation length
// 40960, with TIME off and then on. Nothing when either read fails or reports a data length
// of 0 (the status line tells why); `failure`, when given, then gets the outcome of the read
// that failed (good for a data length of 0). Runs on the calling thread through the session.
std::optional<TocRead> ReadTocView(DeviceSession& session, bool full_toc,
                                   CommandOutcome* failure = nullptr);

// The explanation of one full-TOC row for the text box, from the row's cells as the full TOC
// view shows them (read back as hexadecimal numbers). Empty for a row it has nothing to say
// about or cells it cannot read.
std::string ExplainFullTocRow(std::span<const std::string> cells);

}  // namespace tamarack
