#include "ageing/ageing_command_table.h"

#include <string_view>
#include "decode/read_cd_form.h"
#include "decode/read_forms.h"

#include "mmc/opcodes.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

const CommandEntry kAgeingTable[] = {
    CatalogueRow(mmc::kRead10, "Read(10)", &kRead10Behaviour),
    CatalogueRow(mmc::kRead12, "Read(12)", &kRead12Behaviour),
    CatalogueRow(mmc::kReadCd, "Read CD", &kReadCdBehaviour),
    {kEndOpcode, 0, DataDirection::kNone, "End", nullptr},
};

constexpr const char* kStartLbaLabel = "Start LBA";

}  // namespace

std::span<const CommandEntry> AgeingCommandTable() { return kAgeingTable; }

const CommandEntry& AgeingCommand(int index) {
  return index >= 0 && index < kAgeingCommands ? kAgeingTable[index]
                                               : kAgeingTable[kAgeingCommands - 1];
}

Cdb AgeingCommandCdb(const AgeingSettings& settings) {
  const int index = settings.command_index >= 0 && settings.command_index < kAgeingCommands
                        ? settings.command_index
                        : kAgeingCommands - 1;
  Cdb cdb = settings.cdbs[static_cast<std::size_t>(index)];
  cdb[0] = static_cast<std::uint8_t>(kAgeingTable[index].opcode);
  return cdb;
}

void WriteAgeingAddress(Cdb& cdb, std::uint32_t lba, std::uint32_t length) {
  switch (cdb[0]) {
    case mmc::kRead10:
      WriteBe16(cdb, 7, length);
      break;
    case mmc::kRead12:
      WriteBe32(cdb, 6, length);
      break;
    case mmc::kReadCd:
      WriteBe24(cdb, 6, length);
      break;
    default:
      break;
  }
  WriteBe32(cdb, 2, lba);
}

std::vector<FieldDescriptor> AgeingFormFields(int index, bool show_control_byte) {
  const CommandEntry& e = AgeingCommand(index);
  std::vector<FieldDescriptor> fields =
      FormFields(*e.behaviour->form, ControlByteIndex(e), show_control_byte);
  // The address and the length come first: they are what an ageing run is set up by, and
  // the command's bits below them rarely change.
  std::vector<FieldDescriptor> first, rest;
  for (FieldDescriptor f : fields) {
    if (f.kind == FieldKind::kStartPosition) {
      f.kind = FieldKind::kNumber;
      f.label = kStartLbaLabel;
      f.size = NumberSize::kFour;
      f.fill_from = {};
      first.insert(first.begin(), f);
    } else if (f.kind == FieldKind::kNumber && std::string_view(f.label) == "Transfer Length") {
      first.push_back(f);
    } else {
      rest.push_back(f);
    }
  }
  first.insert(first.end(), rest.begin(), rest.end());
  return first;
}

void ReadAgeingForm(const FormData& collected, AgeingSettings* s) {
  const int index = s->command_index >= 0 && s->command_index < kAgeingCommands
                        ? s->command_index
                        : kAgeingCommands - 1;
  s->cdbs[static_cast<std::size_t>(index)] = collected.cdb;
  s->start_lba = static_cast<std::int32_t>(ReadBe32(collected.cdb, 2));
  s->transfer_length = collected.transfer_blocks;
}

FormData AgeingFormSource(const AgeingSettings& s) {
  FormData d;
  d.cdb = AgeingCommandCdb(s);
  WriteAgeingAddress(d.cdb, static_cast<std::uint32_t>(s.start_lba),
                     static_cast<std::uint32_t>(s.transfer_length));
  d.transfer_blocks = s.transfer_length;
  return d;
}

}  // namespace tamarack
