// Status and configuration commands of the virtual drive.
#include <algorithm>

#include "emu/configuration_reply.h"
#include "emu/drive_commands.h"
#include "emu/event_status.h"
#include "emu/inquiry_reply.h"
#include "util/bytes.h"

namespace tamarack::emu {

namespace {

// 01h data only, 02h audio only, 03h data and audio; 70h for no disc (door closed).
std::uint8_t MediumType(const DriveUnit& u) {
  const DiscLayout* layout = u.Layout();
  if (!layout) return 0x70;
  bool audio = false, data = false;
  for (const TrackInfo& t : layout->tracks) (t.mode == TrackMode::kAudio ? audio : data) = true;
  return audio && data ? 0x03 : audio ? 0x02 : 0x01;
}

}  // namespace

SenseCode TestUnitReady(CommandContext&) { return kNoSense; }

SenseCode RequestSense(CommandContext& c) {
  DriveUnit& u = c.unit;
  SenseCode code = u.last_sense;
  std::optional<std::uint32_t> information = u.last_information;
  if (u.unit_attention) {
    code = *u.unit_attention;
    information.reset();
    u.unit_attention.reset();
  }
  const SenseBytes sense = BuildFixedSense(code, information);
  c.reply.assign(sense.begin(), sense.begin() + kFixedSenseLength);
  u.last_sense = kNoSense;
  u.last_information.reset();
  return kNoSense;
}

SenseCode Inquiry(CommandContext& c) {
  const bool evpd = (c.cdb[1] & 0x01) != 0;
  const std::uint8_t page = c.cdb[2];
  if (!evpd) {
    if (page != 0) return kInvalidFieldInCdb;
    c.reply = BuildStandardInquiry();
    return kNoSense;
  }
  std::optional<std::vector<std::uint8_t>> vpd = BuildVpdPage(page, c.unit.serial);
  if (!vpd) return kInvalidFieldInCdb;
  c.reply = std::move(*vpd);
  return kNoSense;
}

namespace {

// Mode Sense(6) and (10) differ only in the header and where the allocation length lies.
SenseCode ModeSense(CommandContext& c, ModeHeader header) {
  DriveUnit& u = c.unit;
  const auto pc = static_cast<PageControl>(c.cdb[2] >> 6);
  const std::uint8_t page = c.cdb[2] & 0x3F;
  const std::uint8_t subpage = c.cdb[3];
  if (subpage != 0 && !(page == kAllPages && subpage == 0xFF)) return kInvalidFieldInCdb;
  u.mode_pages.SetCapabilityStatus(u.speed.MaxReadSpeedKbps(), u.speed.CurrentReadSpeedKbps(),
                                   u.prevented);
  // A current drive sends a block descriptor unless DBD asks it not to: density 0, the
  // number of blocks 0 (all of them), 2048-byte blocks.
  constexpr std::uint8_t kBlockDescriptor[] = {0, 0, 0, 0, 0, 0x00, 0x08, 0x00};
  const bool dbd = (c.cdb[1] & 0x08) != 0;
  const std::span<const std::uint8_t> descriptor =
      u.model == DriveModel::kModern && !dbd ? std::span<const std::uint8_t>(kBlockDescriptor)
                                             : std::span<const std::uint8_t>();
  c.reply = BuildModeSense(u.mode_pages, header, page, pc, MediumType(u), descriptor);
  return c.reply.empty() ? kInvalidFieldInCdb : kNoSense;
}

SenseCode ModeSelect(CommandContext& c, ModeHeader header) {
  const bool page_format = c.cdb[1] & 0x10;
  const bool save = c.cdb[1] & 0x01;
  if (c.data_out.empty()) return kNoSense;
  // Only pages in the MMC format are understood.
  if (!page_format) return kInvalidFieldInCdb;
  return c.unit.mode_pages.Select(c.data_out, header, save, c.unit.model == DriveModel::kModern);
}

}  // namespace

SenseCode ModeSense6(CommandContext& c) { return ModeSense(c, ModeHeader::k6); }
SenseCode ModeSense10(CommandContext& c) { return ModeSense(c, ModeHeader::k10); }
SenseCode ModeSelect6(CommandContext& c) { return ModeSelect(c, ModeHeader::k6); }
SenseCode ModeSelect10(CommandContext& c) { return ModeSelect(c, ModeHeader::k10); }

SenseCode GetConfiguration(CommandContext& c) {
  const int requested_type = c.cdb[1] & 0x03;
  if (requested_type == 3) return kInvalidFieldInCdb;
  c.reply =
      BuildConfiguration(requested_type, ReadBe16(c.cdb, 2), c.unit.MediumPresent(), c.unit.model);
  return kNoSense;
}

SenseCode GetEventStatusNotification(CommandContext& c) {
  // Polled operation only: asynchronous notification is not supported.
  if (!(c.cdb[1] & 0x01)) return kInvalidFieldInCdb;
  DriveUnit& u = c.unit;
  MechanismView view;
  view.medium_present = u.MediumPresent();
  view.tray_open = u.tray_open;
  view.persistent_prevent = u.persistent_prevent;
  c.reply = BuildEventStatus(u.events, c.cdb[4], view);
  return kNoSense;
}

SenseCode SendEvent(CommandContext& c) {
  const std::span<const std::uint8_t> d = c.data_out;
  if (d.empty()) return kNoSense;
  if (d.size() < 4) return kParameterListLengthError;
  if ((d[2] & 0x07) == kClassExternal) {
    if (d.size() < 8) return kParameterListLengthError;
    // The host's external request is held until Get Event/Status Notification reports it.
    c.unit.events.external_event = d[4] & 0x0F;
    c.unit.events.external_request = ReadBe16(d, 6);
  }
  return kNoSense;
}

SenseCode MechanismStatus(CommandContext& c) {
  DriveUnit& u = c.unit;
  std::vector<std::uint8_t>& r = c.reply;
  r.assign(12, 0);
  const bool active = u.audio.Active(c.now);
  std::uint8_t state = 0;  // idle
  if (active) state = u.audio.Scanning(c.now) ? 2 : 1;
  r[1] = static_cast<std::uint8_t>((state << 5) | (u.tray_open ? 0x10 : 0));
  const std::int32_t lba = active ? u.audio.Position(c.now) : u.head;
  WriteBe24(r, 2, static_cast<std::uint32_t>(std::max(0, lba)));
  r[5] = 1;  // one slot
  WriteBe16(r, 6, 4);
  r[8] = u.MediumPresent() ? 0x80 : 0x00;  // disc present
  return kNoSense;
}

}  // namespace tamarack::emu
