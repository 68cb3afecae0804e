// Decoders: pure functions from a command's reply (and the CDB as executed) to what the
// Command tab shows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/scsi.h"
#include "util/message_catalogue.h"

namespace tamarack {

// Which result control a command shows after its form is built.
enum class ResultView : std::uint8_t {
  kDecodedText,  // the decoded-text box
  kDump,         // the dump box with its column header (block reads)
  kTocList,      // the TOC list (Read Toc)
  kFeatureList,  // the feature list (Get Configuration)
  kInquiryList,  // the Inquiry list (Inquiry)
};

// One row of a list decoder (Inquiry list, feature list, capability list, TOC list): the
// cells in column order and the row's icon number.
struct DecodedRow {
  std::vector<std::string> cells;
  int icon = 0;
};

// A data-in buffer is filled with this byte before the command runs, so that the bytes the
// drive did not write stay recognisable.
inline constexpr std::uint8_t kFillByte = 0x5A;

// The transferred count of a `request`-byte transfer: what the transport reported, never more
// than the request.
inline std::uint32_t TransferredCount(std::uint32_t reported, std::size_t request) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(reported, request));
}

// The received length a decoder gets: the transferred count, or 0 when it is the whole
// request (a drive that filled the buffer said nothing of the reply's own length).
inline std::uint32_t ReceivedLength(std::uint32_t reported, std::size_t request) {
  const std::uint32_t n = TransferredCount(reported, request);
  return n == request ? 0 : n;
}

struct DecodeInput {
  // The data buffer of the command: the bytes it requested, filled with kFillByte before it
  // ran.
  std::span<const std::uint8_t> data;
  // The transferred count as the decoder sees it (ReceivedLength): 0 when it equals the
  // request length, so that the decoder takes the length from the reply's own header.
  std::uint32_t received_length = 0;
  // The transferred count as the transport reported it, never more than data.size().
  std::uint32_t transferred = 0;
  Cdb cdb{};                // as executed
  int transfer_blocks = 0;  // blocks the buffer was prepared for (read commands)
  DataDirection direction = DataDirection::kNone;
  int group_size = 4;  // of the grouping box, for dumps
};

// One column of a list view whose columns a decoder rebuilds (the TOC list).
struct ListColumn {
  std::string title;
  int width = 0;       // pixels; 0 lets the view size it
  int rest_less = -1;  // 0 or more: the column takes the list's width less this many pixels
};

struct DecodeOutput {
  // The decoded-text box's new content ("\r\n" line ends). Empty leaves the box empty.
  // With the TOC list as the result view, the content of the TOC text box beside it.
  std::string text;
  // List decoders (TOC list, feature list): the rows, and the columns when the decoder
  // rebuilds them (empty keeps the view's own).
  std::vector<ListColumn> columns;
  std::vector<DecodedRow> rows;
  // The text ends in a dump of ShowHexDump: the column header goes above the box.
  bool text_has_dump = false;
  // The dump box's new content (block data), and whether it holds every byte.
  std::string dump;
  bool dump_whole = false;
  // Not empty: open the sense dialog on these bytes after the text is shown.
  std::vector<std::uint8_t> sense_dialog;
};

using Decoder = DecodeOutput (*)(const DecodeInput& input);

inline constexpr const char* kCommandSucceededText = TR_NOOP("Command Successed!");
inline constexpr const char* kCommandErrorText = "Command Error!?";
inline constexpr const char* kDataBanner = "----------------Data---------------------\r\n";

}  // namespace tamarack
