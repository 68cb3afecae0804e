// tamarack-cli dump --drive ID (--lba N | --msf MM:SS:FF-MM:SS:FF | --vds) [--length L]
//                   [--fields sync,header,subheader,user,edc,c2,c2block,sub=raw|q|pw]
//                   [--group G] [--raw]
// and tamarack-cli decode read-cd --inhex FILE [--raw] with the same block options: a captured
// reply shown as dump shows the drive's.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <string_view>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/exit_codes.h"
#include "cli/hex_text.h"
#include "console/execute_command.h"
#include "decode/status_commands.h"
#include "device/device_session.h"
#include "form/hex_dump.h"
#include "tools/read_cd_detail.h"
#include "tools/sector_dump.h"
#include "tools/sector_dump_job.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

struct DumpOptions {
  std::string drive;
  std::string lba;
  std::string msf;
  bool vds = false;
  std::string length = "1";
  std::string fields = "user";
  std::uint32_t timeout = kDefaultCommandTimeout;
  int group = 4;
  bool raw = false;
};

// "sync,header,subheader,user,edc,c2|c2block,sub=raw|q|pw" as the detail options. False with
// the offending item in `bad`.
bool ParseFields(std::string_view list, ReadCdDetail* d, std::string* bad) {
  *d = ReadCdDetail{};
  d->user_data = false;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    if (item == "sync") {
      d->sync = true;
    } else if (item == "header") {
      d->header = true;
    } else if (item == "subheader") {
      d->sub_header = true;
    } else if (item == "user") {
      d->user_data = true;
    } else if (item == "edc") {
      d->edc_ecc = true;
    } else if (item == "c2" && d->error_field != ErrorFieldOption::kC2AndBlock) {
      d->error_field = ErrorFieldOption::kC2Error;
    } else if (item == "c2block" && d->error_field != ErrorFieldOption::kC2Error) {
      d->error_field = ErrorFieldOption::kC2AndBlock;
    } else if (item == "sub=raw") {
      d->sub_channel = SubChannelOption::kRaw;
    } else if (item == "sub=q") {
      d->sub_channel = SubChannelOption::kQ;
    } else if (item == "sub=pw") {
      d->sub_channel = SubChannelOption::kPw;
    } else if (!item.empty()) {
      *bad = std::string(item);
      return false;
    }
  }
  return true;
}

// "MM:SS:FF-MM:SS:FF", two-digit decimal parts.
bool ParseMsfRange(std::string_view text, MsfText* start, MsfText* end) {
  if (text.size() != 17 || text[8] != '-') return false;
  for (int half = 0; half < 2; ++half) {
    const std::string_view t = text.substr(static_cast<std::size_t>(half) * 9, 8);
    MsfText& out = half == 0 ? *start : *end;
    for (std::size_t p = 0; p < 3; ++p) {
      const std::string_view part = t.substr(p * 3, 2);
      if (p < 2 && t[p * 3 + 2] != ':') return false;
      for (char c : part) {
        if (c < '0' || c > '9') return false;
      }
      out[p] = std::string(part);
    }
  }
  return true;
}

// The read the options ask for; nothing after the refusals are printed, each after `name`.
std::optional<DumpRequest> PrepareDump(const DumpOptions& o, std::string_view name,
                                       std::ostream& err) {
  SectorDump dump;
  ReadCdDetail detail;
  std::string bad;
  if (!ParseFields(o.fields, &detail, &bad)) {
    err << "tamarack-cli " << name << ": unknown or conflicting field \"" << bad
        << "\" (sync, header, subheader, user, edc, c2 or c2block, sub=raw|q|pw)\n";
    return std::nullopt;
  }
  ApplyDetail(detail, &dump.sector_cdb);
  const int group = o.group == 0 ? 128 : o.group;
  dump.grouping_index = GroupingIndexOfSize(group);
  if (!o.msf.empty()) {
    dump.mode = DumpAddressMode::kMsf;
    if (!ParseMsfRange(o.msf, &dump.start, &dump.end)) {
      err << "tamarack-cli " << name
          << ": --msf takes MM:SS:FF-MM:SS:FF, for example 00:02:00-00:02:05\n";
      return std::nullopt;
    }
  } else if (o.vds) {
    dump.mode = DumpAddressMode::kVolumeDescriptor;
  } else {
    dump.lba_text = o.lba;
    dump.length_text = o.length;
  }
  const DumpPreparation prepared = dump.Prepare(DumpStep::kNone, false);
  for (const std::string& m : prepared.messages)
    err << "tamarack-cli " << name << ": " << m << "\n";
  return prepared.request;
}

// The read's lines after "cdb:" (and the volume descriptor's LBA): its status, its counts and
// the dump.
void PrintDumpedBlocks(std::ostream& out, const DumpResult& r, int group_size) {
  const auto valid = r.buffer.valid();
  out << "status: " << (r.success ? std::string("good") : FailureTextsOf(r.outcome).status_line)
      << "\n";
  out << StrFormat("transferred: %u\nbytes: %zu\n", r.transferred, valid.size());
  if (!valid.empty()) out << DumpColumnHeader(group_size) << "\n";
  out << PlainLines(r.text);
  if (valid.empty()) out << "\n";
}

int Dump(const DumpOptions& o, CliContext& context) {
  std::ostream& out = *context.out;
  std::ostream& err = *context.err;
  const std::optional<DumpRequest> request = PrepareDump(o, "dump", err);
  if (!request) return kExitBadArguments;

  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, o.drive, "dump", o.timeout);
  if (!session) return kExitCannotOpen;
  JobHost host;  // one command: nothing to report while it runs
  const DumpResult r = ReadSectorDump(*session, *request, DumpBuffer{}, host, SenseDialog::kQuiet);
  const auto valid = r.buffer.valid();
  if (o.raw) {
    if (r.success) {
      out.write(reinterpret_cast<const char*>(valid.data()),
                static_cast<std::streamsize>(valid.size()));
    } else {
      err << FailureTextsOf(r.outcome).status_line << "\n";
    }
    return ExitCodeFor(r.outcome);
  }
  out << "cdb: " << HexBytes(r.cdb) << "\n";
  if (r.vds_lba) out << StrFormat("volume descriptor: LBA %u (%xh)\n", *r.vds_lba, *r.vds_lba);
  if (!r.message.empty()) {
    err << "tamarack-cli dump: " << r.message << "\n";
    return kExitOther;
  }
  PrintDumpedBlocks(out, r, request->group_size);
  return ExitCodeFor(r.outcome);
}

struct DumpDecodeOptions {
  DumpOptions dump;
  std::string file;
  bool raw = false;
};

// decode read-cd: the captured bytes in the buffer the live read would have had, as far as it
// holds them, printed as dump prints the drive's.
int DecodeDump(const DumpDecodeOptions& o, CliContext& context) {
  std::ostream& err = *context.err;
  const std::optional<DumpRequest> request = PrepareDump(o.dump, "decode read-cd", err);
  if (!request) return kExitBadArguments;
  std::string error;
  const auto bytes = ReadReplyFile(o.file, o.raw, &error);
  if (!bytes) {
    err << "tamarack-cli decode read-cd: " << error << "\n";
    return kExitBadArguments;
  }
  DumpResult r;
  r.cdb = request->CommandCdb();
  if (!r.buffer.Prepare(request->blocks)) {
    err << "tamarack-cli decode read-cd: " << Tr(kOutOfMemoryMessage) << "\n";
    return kExitOther;
  }
  const std::size_t room = r.buffer.request().size();
  if (bytes->size() > room) {
    err << StrFormat(
        "tamarack-cli decode read-cd: the file holds %zu bytes, more than the %zu the read of "
        "%u blocks has room for; the bytes past them are left out\n",
        bytes->size(), room, request->blocks);
  }
  const std::size_t n = std::min(bytes->size(), room);
  std::copy_n(bytes->begin(), n, r.buffer.request().begin());
  r.success = true;
  r.outcome.status = CommandStatus::kGood;
  r.transferred = static_cast<std::uint32_t>(n);
  r.text = kNoDataText;
  if (n != 0) {
    r.buffer.SetValid(r.transferred);
    r.text = FormatSectorDump(r.buffer.valid(), request->group_size);
  }
  *context.out << "cdb: " << HexBytes(r.cdb) << "\n";
  PrintDumpedBlocks(*context.out, r, request->group_size);
  return kExitGood;
}

}  // namespace

void AddDumpCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("dump", "Read sectors with Read CD and show them as a dump");
  auto o = std::make_shared<DumpOptions>();
  cmd->add_option("--drive", o->drive, "Drive id (/dev/sr0, emu:type13, ...)")->required();
  auto* lba = cmd->add_option("--lba", o->lba, "Start LBA (decimal, or hex with 0x)");
  auto* msf = cmd->add_option("--msf", o->msf, "MSF range MM:SS:FF-MM:SS:FF (end not read)");
  auto* vds = cmd->add_flag("--vds", o->vds, "The ISO 9660 volume descriptor of the last session");
  lba->excludes(msf)->excludes(vds);
  msf->excludes(vds);
  cmd->add_option("--length", o->length, "Blocks to read with --lba, 1 to 10")->needs(lba);
  cmd->add_option("--fields", o->fields,
                  "Parts of each sector: sync,header,subheader,user,edc,c2|c2block,"
                  "sub=raw|q|pw (default user)");
  cmd->add_option("--timeout", o->timeout, "Time-out in seconds")->check(CLI::Range(1u, 86400u));
  cmd->add_option("--group", o->group, "Bytes per group in the dump: 0 (none), 1, 2, 4, 8 or 16")
      ->check(CLI::IsMember({0, 1, 2, 4, 8, 16, 128}));
  cmd->add_flag("--raw", o->raw, "Write the sector bytes alone to standard output");
  cmd->callback([&context, o, lba, msf, vds] {
    if (lba->count() + msf->count() + vds->count() != 1) {
      *context.err << "tamarack-cli dump: give one of --lba, --msf or --vds\n";
      context.exit_code = kExitBadArguments;
      return;
    }
    context.exit_code = Dump(*o, context);
  });
}

void AddReadCdDecoder(CLI::App* decode, CliContext& context) {
  auto* cmd = decode->add_subcommand(
      "read-cd",
      "Read CD data: the blocks of --lba/--length or --msf with --fields, as dump shows them");
  auto o = std::make_shared<DumpDecodeOptions>();
  o->dump.lba = "0";
  cmd->add_option("--inhex", o->file, "The captured reply: hex text ('#' comments) or bytes")
      ->required();
  cmd->add_flag("--raw", o->raw, "FILE holds the reply's bytes themselves, not hex text");
  auto* lba = cmd->add_option("--lba", o->dump.lba, "Start LBA the reply was read at (default 0)");
  auto* msf = cmd->add_option("--msf", o->dump.msf, "MSF range MM:SS:FF-MM:SS:FF it was read with");
  lba->excludes(msf);
  cmd->add_option("--length", o->dump.length, "Blocks it was read with at --lba, 1 to 10")
      ->excludes(msf);
  cmd->add_option("--fields", o->dump.fields,
                  "Parts of each sector it was read with: sync,header,subheader,user,edc,"
                  "c2|c2block,sub=raw|q|pw (default user)");
  cmd->add_option("--group", o->dump.group,
                  "Bytes per group in the dump: 0 (none), 1, 2, 4, 8 or 16")
      ->check(CLI::IsMember({0, 1, 2, 4, 8, 16, 128}));
  cmd->callback([&context, o] { context.exit_code = DecodeDump(*o, context); });
}

}  // namespace tamarack::cli
