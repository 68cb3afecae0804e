// Running one decoding command from the command line as the Command tab runs it (a
// 40960-byte buffer filled with 5Ah, the transferred count recorded unless it is the whole
// request), and printing the result as text or as JSON.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_app.h"
#include "device/device_session.h"
#include "form/decoder.h"

namespace tamarack::cli {

inline constexpr std::uint32_t kCliReceiveLength = 40960;

struct DecodedCommand {
  Cdb cdb{};
  CommandOutcome outcome;
  std::string status_text;  // the status line after the command ("" when good)
  // The bytes the decoder read: the transferred count, never more than the buffer.
  std::vector<std::uint8_t> reply;
  bool decoded = false;  // the command succeeded and `output` holds the decoder's result
  DecodeOutput output;   // list decoders give their rows with their columns
};

// Sends `cdb` (data in) and decodes a good reply with `decoder`.
DecodedCommand RunDecodedCommand(DeviceSession& session, const Cdb& cdb, Decoder decoder,
                                 int group_size = 4);

// A captured reply decoded as the live command decodes it: the same CDB and buffer, the
// reply's bytes at its start and counted as transferred (cut to what the CDB asks for).
DecodedCommand DecodeCapturedReply(const Cdb& cdb, std::span<const std::uint8_t> reply,
                                   Decoder decoder, int group_size = 4);

// The decoded text (or rows, one per line, cells joined by " | " under a header of the
// column titles), else the status text.
void PrintDecoded(std::ostream& out, const DecodedCommand& command);
// Rows alone, as PrintDecoded prints them.
void PrintRows(std::ostream& out, const std::vector<DecodedRow>& rows,
               const std::vector<ListColumn>& columns);

// The JSON of one command: the CDB, the outcome ("good", "refused", "check condition" or
// "no device"), the status text, the sense key, ASC, ASCQ and the error table's message of a
// check condition, the transferred count, the duration in microseconds, the reply as hex and
// the decoded result ({"text": ...} or {"columns": [...], "rows": [...]}, null on failure).
std::string CommandJson(const DecodedCommand& command);

// The decoded result alone as JSON (null when there is none).
std::string DecodedJson(const DecodeOutput& output, bool decoded);

// Rows of a list decoder as JSON objects: each cell under its column's title (an untitled
// column is left out), and "icon".
std::string RowsJson(const std::vector<DecodedRow>& rows, const std::vector<ListColumn>& columns);

// The sense and outcome members shared by CommandJson and the send subcommand.
std::vector<std::pair<std::string, std::string>> OutcomeJsonMembers(
    const Cdb& cdb, const CommandOutcome& outcome, const std::string& status_text,
    std::span<const std::uint8_t> reply);

// The options every decoding subcommand takes: --drive ID (required), --json, --timeout S.
struct DecodingOptions {
  std::string drive;
  bool json = false;
  std::uint32_t timeout = kDefaultCommandTimeout;
};
void AddDecodingOptions(CLI::App* command, DecodingOptions& options);

// Opens the drive, runs `cdb` with `decoder` and prints the result; returns the exit status.
int RunDecodingSubcommand(const DecodingOptions& options, CliContext& context, const Cdb& cdb,
                          Decoder decoder);
// The same for a CDB built from options that may be wrong: no CDB is refused with `error`
// ("tamarack-cli NAME: ...", exit status 1).
int RunDecodingSubcommand(const DecodingOptions& options, CliContext& context,
                          std::string_view name, const std::optional<Cdb>& cdb,
                          const std::string& error, Decoder decoder);

}  // namespace tamarack::cli
