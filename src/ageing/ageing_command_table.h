// The ageing command table: Read(10), Read(12) and Read CD as rows of the catalogue's shape,
// each with the Command tab's parameter form but a CDB of its own (AgeingSettings::cdbs), and
// the two places where the run and the form meet the CDB: the address and length each command
// gets, and the fields the form hands to the settings.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ageing/ageing_settings.h"
#include "console/command_catalogue.h"
#include "form/form_data.h"
#include "form/form_layout.h"

namespace tamarack {

// The three rows and the end row ("End", opcode kEndOpcode).
std::span<const CommandEntry> AgeingCommandTable();

// The row of `index`, or Read CD (the default) for an index outside the table.
const CommandEntry& AgeingCommand(int index);

// The CDB the run starts from: the row's stored CDB with the row's opcode in byte 0.
Cdb AgeingCommandCdb(const AgeingSettings& settings);

// Writes the LBA (bytes 2-5, big-endian) and the length for the command's kind: Read(10) two
// bytes at 7-8, Read(12) four bytes at 6-9, Read CD the low three bytes at 6-8.
void WriteAgeingAddress(Cdb& cdb, std::uint32_t lba, std::uint32_t length);

// The form of the row as the Aging tab shows it: the Command tab's fields with the address
// box labelled "Start LBA" (a plain number box: the track quick-set belongs to the Command
// tab) and the Transfer Length first, the Control Byte row when the option is on.
std::vector<FieldDescriptor> AgeingFormFields(int index, bool show_control_byte);

// What the form hands to the settings whenever it is collected on the Aging tab: Start LBA
// from the address bytes, Transfer Length from the length field, and the CDB itself.
void ReadAgeingForm(const FormData& collected, AgeingSettings* settings);

// The form's source when the tab is built: the row's stored CDB with Start LBA and Transfer
// Length written in.
FormData AgeingFormSource(const AgeingSettings& settings);

}  // namespace tamarack
