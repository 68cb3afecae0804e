#include "emu/event_status.h"

#include "util/bytes.h"

namespace tamarack::emu {

namespace {

bool Pending(const EventState& e, int event_class) {
  switch (event_class) {
    case kClassOperational:
      return e.operational_event != 0;
    case kClassPower:
      return e.power_event != 0;
    case kClassExternal:
      return e.external_event != 0;
    case kClassMedia:
      return e.media_event != kMediaNoChange;
    case kClassBusy:
      return e.busy_event != 0;
    default:
      return false;
  }
}

// The four bytes of event data of `event_class`; clears its event.
void TakeEvent(EventState& e, int event_class, const MechanismView& view, std::uint8_t* d) {
  const std::uint8_t prevented = view.persistent_prevent ? 0x80 : 0x00;
  switch (event_class) {
    case kClassOperational:
      d[0] = e.operational_event;
      d[1] = prevented;  // operational status 0: available
      e.operational_event = 0;
      break;
    case kClassPower:
      d[0] = e.power_event;
      d[1] = e.power_status;
      e.power_event = 0;
      break;
    case kClassExternal:
      d[0] = e.external_event;
      d[1] = prevented;  // external request status 0: ready
      d[2] = static_cast<std::uint8_t>(e.external_request >> 8);
      d[3] = static_cast<std::uint8_t>(e.external_request);
      e.external_event = 0;
      e.external_request = 0;
      break;
    case kClassMedia:
      d[0] = e.media_event;
      d[1] =
          static_cast<std::uint8_t>((view.medium_present ? 0x02 : 0) | (view.tray_open ? 0x01 : 0));
      e.media_event = kMediaNoChange;
      break;
    case kClassBusy:
      d[0] = e.busy_event;
      e.busy_event = 0;
      break;
    default:
      break;
  }
}

}  // namespace

std::vector<std::uint8_t> BuildEventStatus(EventState& events, std::uint8_t class_request,
                                           const MechanismView& view) {
  const std::uint8_t requested = class_request & kSupportedEventClasses;
  std::vector<std::uint8_t> reply(8, 0);
  reply[3] = kSupportedEventClasses;
  if (requested == 0) {
    reply[2] = 0x80;  // NEA: none of the requested classes is supported
    WriteBe16(reply, 0, 2);
    reply.resize(4);
    return reply;
  }
  int chosen = 0;
  for (int c = 1; c < 8 && chosen == 0; ++c) {
    if ((requested >> c) & 1 && Pending(events, c)) chosen = c;
  }
  for (int c = 1; c < 8 && chosen == 0; ++c) {
    if ((requested >> c) & 1) chosen = c;
  }
  reply[2] = static_cast<std::uint8_t>(chosen);
  TakeEvent(events, chosen, view, reply.data() + 4);
  WriteBe16(reply, 0, 6);
  return reply;
}

}  // namespace tamarack::emu
