// The CDBs of the subcommands whose reply has a decoder, built from their options: the live
// subcommand sends the CDB, `decode` decodes a captured reply as if that CDB had brought it.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "device/device_session.h"
#include "device/scsi.h"
#include "form/decoder.h"

namespace tamarack::cli {

struct InquiryCdbOptions {
  std::string vpd;  // a VPD page code in hexadecimal; empty: the standard data
};
void AddInquiryCdbOptions(CLI::App* command, InquiryCdbOptions& o);
std::optional<Cdb> InquiryCdb(const InquiryCdbOptions& o, std::string* error);

struct TocCdbOptions {
  int format = 0;
  bool msf = false;
  int track = 0;
};
void AddTocCdbOptions(CLI::App* command, TocCdbOptions& o);
Cdb TocCdb(const TocCdbOptions& o);

struct ConfigCdbOptions {
  int rt = 0;
  std::string start = "0";
};
void AddConfigCdbOptions(CLI::App* command, ConfigCdbOptions& o);
std::optional<Cdb> ConfigCdb(const ConfigCdbOptions& o, std::string* error);

struct EventCdbOptions {
  std::string classes = "operational,power,external,media,multi-initiator,busy";
  std::uint32_t length = 8;
};
void AddEventCdbOptions(CLI::App* command, EventCdbOptions& o);
std::optional<Cdb> EventCdb(const EventCdbOptions& o, std::string* error);

struct SubChannelCdbOptions {
  unsigned format = 1;
  unsigned track = 0;
  bool msf = false;
};
void AddSubChannelCdbOptions(CLI::App* command, SubChannelCdbOptions& o);
Cdb SubChannelCdb(const SubChannelCdbOptions& o);

// Allocation length 40960 (bytes 8-9), as the Command tab's form sets it.
Cdb MechanismCdb();
Cdb CapacityCdb();

// The sense subcommand's lookup lines for a key, ASC and ASCQ: the status text and which
// table and pass gave it (cmd_sense.cc).
void PrintSenseLookUp(std::ostream& out, std::uint32_t key, std::uint32_t asc, std::uint32_t ascq);
// Sense bytes decoded as Request Sense's reply, then the lookup lines and the Information
// field; a refusal on `err` (exit status 1) for bytes that are no sense data.
int DecodeSenseBytes(std::ostream& out, std::ostream& err, std::span<const std::uint8_t> sense);

}  // namespace tamarack::cli
