#include "cli/reply_commands.h"

#include <sstream>

#include "mmc/get_configuration.h"
#include "mmc/get_event_status.h"
#include "mmc/inquiry.h"
#include "mmc/mechanism_status.h"
#include "mmc/read_capacity.h"
#include "mmc/read_sub_channel.h"
#include "mmc/read_toc.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

struct EventClassName {
  const char* name;
  std::uint8_t bit;  // of the Notification Class Request field
};

constexpr EventClassName kEventClasses[] = {
    {"operational", 1}, {"power", 2},           {"external", 3},
    {"media", 4},       {"multi-initiator", 5}, {"busy", 6},
};

// "media,power" or "4,2" into the request field; false for an unknown class.
bool ParseEventClasses(const std::string& text, std::uint8_t* field) {
  *field = 0;
  std::istringstream in(text);
  std::string part;
  while (std::getline(in, part, ',')) {
    bool known = false;
    for (const EventClassName& c : kEventClasses) {
      if (part == c.name || part == std::to_string(c.bit)) {
        *field = static_cast<std::uint8_t>(*field | (1u << c.bit));
        known = true;
      }
    }
    if (!known) return false;
  }
  return *field != 0;
}

}  // namespace

void AddInquiryCdbOptions(CLI::App* command, InquiryCdbOptions& o) {
  command->add_option("--vpd", o.vpd,
                      "A vital product data page (EVPD) in hexadecimal: 00 supported pages, 80 "
                      "unit serial number, 83 device identification");
}

std::optional<Cdb> InquiryCdb(const InquiryCdbOptions& o, std::string* error) {
  if (o.vpd.empty()) return mmc::InquiryCdb();
  const auto page = ParseHexCode(o.vpd, 2, 0xFF);
  if (!page) {
    *error = "--vpd takes a page code in hexadecimal, 00 to ff (for example 80)";
    return std::nullopt;
  }
  return mmc::InquiryCdb({.evpd = true, .page = static_cast<std::uint8_t>(*page)});
}

void AddTocCdbOptions(CLI::App* command, TocCdbOptions& o) {
  command
      ->add_option("--format", o.format,
                   "0 TOC, 1 session info, 2 full TOC, 3 PMA, 4 ATIP, 5 CD-TEXT")
      ->check(CLI::Range(0, 5));
  command->add_flag("--msf", o.msf, "Addresses as MSF (the TIME bit)");
  command->add_option("--track", o.track, "Track/session number (CDB byte 6)")
      ->check(CLI::Range(0, 255));
}

Cdb TocCdb(const TocCdbOptions& o) {
  return mmc::ReadTocCdb({.format = static_cast<std::uint8_t>(o.format),
                          .msf = o.msf,
                          .track = static_cast<std::uint8_t>(o.track),
                          .length = 0xA000});
}

void AddConfigCdbOptions(CLI::App* command, ConfigCdbOptions& o) {
  command->add_option("--rt", o.rt, "Requested type: 0 all, 1 current only, 2 the starting feature")
      ->check(CLI::Range(0, 2));
  command->add_option("--start", o.start, "Starting feature number in hexadecimal (default 0)");
}

std::optional<Cdb> ConfigCdb(const ConfigCdbOptions& o, std::string* error) {
  // A feature code in hexadecimal: "1e", "001E", "0x1e" or "001eh"; at most FFFFh.
  const auto start = ParseHexCode(o.start, 16, 0xFFFF);
  if (!start) {
    *error = "--start takes a feature code in hexadecimal, 0 to ffff (for example 001e)";
    return std::nullopt;
  }
  return mmc::GetConfigurationCdb({.requested_type = static_cast<std::uint8_t>(o.rt),
                                   .start = static_cast<std::uint16_t>(*start),
                                   .length = 0xA000});
}

void AddEventCdbOptions(CLI::App* command, EventCdbOptions& o) {
  command->add_option("--class", o.classes,
                      "Classes asked for, comma-separated: operational, power, external, media, "
                      "multi-initiator, busy (or 1 to 6); default all");
  command->add_option("--length", o.length, "Allocation length (0 shows \"No Data\")")
      ->check(CLI::Range(0u, 65535u));
}

std::optional<Cdb> EventCdb(const EventCdbOptions& o, std::string* error) {
  std::uint8_t field = 0;
  if (!ParseEventClasses(o.classes, &field)) {
    *error =
        "--class takes operational, power, external, media, multi-initiator, busy or 1 to 6, "
        "separated by commas";
    return std::nullopt;
  }
  return mmc::GetEventStatusCdb({.classes = field, .length = static_cast<std::uint16_t>(o.length)});
}

void AddSubChannelCdbOptions(CLI::App* command, SubChannelCdbOptions& o) {
  command->add_option("--format", o.format, "Sub-channel data format: 1, 2 or 3")
      ->check(CLI::IsMember({1u, 2u, 3u}));
  command->add_option("--track", o.track, "Track number (format 3)")->check(CLI::Range(0u, 255u));
  command->add_flag("--msf", o.msf, "Addresses in MSF form (the TIME bit)");
}

Cdb SubChannelCdb(const SubChannelCdbOptions& o) {
  // SUBQ set, allocation length 40960 (bytes 7-8) as the Command tab's form sets it.
  return mmc::ReadSubChannelCdb({.msf = o.msf,
                                 .format = static_cast<std::uint8_t>(o.format),
                                 .track = static_cast<std::uint8_t>(o.track),
                                 .length = 0xA000});
}

Cdb MechanismCdb() { return mmc::MechanismStatusCdb(0xA000); }

Cdb CapacityCdb() { return mmc::ReadCapacityCdb(); }

}  // namespace tamarack::cli
