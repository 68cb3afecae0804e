#include "emu/mode_pages.h"

#include "util/bytes.h"

namespace tamarack::emu {

namespace {

// Page bytes from byte 2 on (code and length are filled in by Add).
std::vector<std::uint8_t> Body(std::size_t page_size,
                               std::initializer_list<std::pair<int, int>> set) {
  std::vector<std::uint8_t> p(page_size, 0);
  for (const auto& [index, value] : set)
    p[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(value);
  return p;
}

}  // namespace

ModePages::ModePages(bool c2_pointers) {
  // Read/Write Error Recovery: read retry count 16; TB, RC, PER, DTE, DCR and the read retry
  // count may be changed.
  Add(0x01, Body(12, {{3, 0x10}}), Body(12, {{2, 0x37}, {3, 0xFF}}), true);
  // Write Parameters: track-at-once, Mode 1 blocks, data track, 2 s audio pause.
  {
    std::vector<std::uint8_t> def = Body(52, {{2, 0x01}, {3, 0x04}, {4, 0x08}, {15, 0x96}});
    std::vector<std::uint8_t> chg(52, 0xFF);
    chg[2] = 0x7F;
    chg[4] = 0x0F;
    chg[6] = 0x00;
    chg[7] = 0x3F;
    chg[9] = 0x00;
    Add(0x05, std::move(def), std::move(chg), false);
  }
  // CD Device Parameters: 60 S units per M unit, 75 F units per S unit.
  Add(0x0D, Body(8, {{5, 60}, {7, 75}}), Body(8, {{3, 0x0F}}), true);
  // CD Audio Control: IMMED set, channel 0 to port 0, channel 1 to port 1, full volume.
  Add(0x0E, Body(16, {{2, 0x04}, {8, 0x01}, {9, 0xFF}, {10, 0x02}, {11, 0xFF}}),
      Body(16, {{2, 0x06},
                {8, 0x0F},
                {9, 0xFF},
                {10, 0x0F},
                {11, 0xFF},
                {12, 0x0F},
                {13, 0xFF},
                {14, 0x0F},
                {15, 0xFF}}),
      true);
  // Power Condition: standby after 300 s (in 100 ms units).
  Add(0x1A, Body(12, {{3, 0x01}, {10, 0x0B}, {11, 0xB8}}),
      Body(12, {{3, 0x03},
                {4, 0xFF},
                {5, 0xFF},
                {6, 0xFF},
                {7, 0xFF},
                {8, 0xFF},
                {9, 0xFF},
                {10, 0xFF},
                {11, 0xFF}}),
      true);
  // Fault/Failure Reporting: exceptions disabled.
  Add(0x1C, Body(12, {{2, 0x08}}),
      Body(12, {{2, 0x8D},
                {3, 0x0F},
                {4, 0xFF},
                {5, 0xFF},
                {6, 0xFF},
                {7, 0xFF},
                {8, 0xFF},
                {9, 0xFF},
                {10, 0xFF},
                {11, 0xFF}}),
      true);
  // Time-out and Protect: group 1 time-out 20 s, group 2 180 s.
  Add(0x1D, Body(10, {{7, 20}, {9, 180}}),
      Body(10, {{4, 0x07}, {6, 0xFF}, {7, 0xFF}, {8, 0xFF}, {9, 0xFF}}), true);
  // CD/DVD Capabilities and Mechanical Status: 30 bytes (page length 1Ch), nothing changeable.
  // Reads CD-R, CD-RW, DVD-ROM; multi-session, XA forms 1 and 2, audio play; UPC, ISRC, C2
  // pointers (unless the model keeps none), R-W, accurate CD-DA, Read CD on audio; tray with eject
  // and lock; separate channel mute and volume; 256 volume levels, 2 MB buffer.
  Add(kCapabilitiesPage,
      Body(30, {{2, 0x0F},
                {4, 0x71},
                {5, static_cast<std::uint8_t>(c2_pointers ? 0x7F : 0x6F)},
                {6, 0x29},
                {7, 0x03},
                {10, 0x01},
                {11, 0x00},
                {12, 0x08},
                {23, 0x01}}),
      std::vector<std::uint8_t>(30, 0), false);
  // MRW Mode: LBA space may be changed.
  Add(0x2C, Body(6, {}), Body(6, {{3, 0x01}}), true);
}

void ModePages::Add(std::uint8_t code, std::vector<std::uint8_t> defaults,
                    std::vector<std::uint8_t> changeable, bool saveable) {
  defaults[0] = code;
  defaults[1] = static_cast<std::uint8_t>(defaults.size() - 2);
  changeable[0] = code;
  changeable[1] = defaults[1];
  PageValues v;
  v.saveable = saveable;
  v.current = defaults;
  v.saved = defaults;
  v.changeable = std::move(changeable);
  v.defaults = std::move(defaults);
  pages_[code] = std::move(v);
}

std::vector<std::uint8_t> ModePages::Codes() const {
  std::vector<std::uint8_t> codes;
  for (const auto& [code, values] : pages_) codes.push_back(code);
  return codes;
}

std::vector<std::uint8_t> ModePages::Page(std::uint8_t code, PageControl pc) const {
  auto it = pages_.find(code);
  if (it == pages_.end()) return {};
  const PageValues& v = it->second;
  std::vector<std::uint8_t> page;
  switch (pc) {
    case PageControl::kCurrent:
      page = v.current;
      break;
    case PageControl::kChangeable:
      page = v.changeable;
      break;
    case PageControl::kDefault:
      page = v.defaults;
      break;
    case PageControl::kSaved:
      page = v.saved;
      break;
  }
  if (v.saveable) page[0] |= 0x80;  // PS: the page can be saved
  return page;
}

SenseCode ModePages::Select(std::span<const std::uint8_t> list, ModeHeader header, bool save,
                            bool check_reserved) {
  if (list.empty()) return kNoSense;
  const std::size_t header_size = ModeHeaderSize(header);
  if (list.size() < header_size) return kParameterListLengthError;
  const bool six = header == ModeHeader::k6;
  const std::size_t mode_data_length = six ? list[0] : ReadBe16(list, 0);
  if (check_reserved && mode_data_length != 0) return kInvalidFieldInParameterList;
  const std::size_t descriptor_length = six ? list[3] : ReadBe16(list, 6);
  if (descriptor_length != 0 && descriptor_length != 8) return kInvalidFieldInParameterList;
  std::size_t pos = header_size + descriptor_length;
  if (pos > list.size()) return kParameterListLengthError;
  // Check every page first, so that a bad list changes nothing.
  std::vector<std::pair<std::uint8_t, std::span<const std::uint8_t>>> accepted;
  while (pos < list.size()) {
    if (list.size() - pos < 2) return kParameterListLengthError;
    if (check_reserved && (list[pos] & 0x80) != 0) return kInvalidFieldInParameterList;
    const std::uint8_t code = list[pos] & 0x3F;
    const std::size_t size = std::size_t{list[pos + 1]} + 2;
    auto it = pages_.find(code);
    if (it == pages_.end() || size != it->second.current.size()) {
      return kInvalidFieldInParameterList;
    }
    if (list.size() - pos < size) return kParameterListLengthError;
    const std::span<const std::uint8_t> page = list.subspan(pos, size);
    const PageValues& v = it->second;
    for (std::size_t i = 2; i < size; ++i) {
      if ((page[i] ^ v.current[i]) & ~v.changeable[i]) return kInvalidFieldInParameterList;
    }
    if (save && !v.saveable) return kSavingNotSupported;
    accepted.emplace_back(code, page);
    pos += size;
  }
  for (const auto& [code, page] : accepted) {
    PageValues& v = pages_[code];
    for (std::size_t i = 2; i < page.size(); ++i) {
      v.current[i] = static_cast<std::uint8_t>((v.current[i] & ~v.changeable[i]) |
                                               (page[i] & v.changeable[i]));
    }
    if (save) v.saved = v.current;
  }
  return kNoSense;
}

void ModePages::SetCapabilityStatus(std::uint32_t max_read_kbps, std::uint32_t current_read_kbps,
                                    bool locked) {
  for (std::vector<std::uint8_t>* p :
       {&pages_[kCapabilitiesPage].current, &pages_[kCapabilitiesPage].defaults,
        &pages_[kCapabilitiesPage].saved}) {
    WriteBe16(*p, 8, max_read_kbps);
    WriteBe16(*p, 14, current_read_kbps);
  }
  std::uint8_t& mechanism = pages_[kCapabilitiesPage].current[6];
  mechanism = static_cast<std::uint8_t>(locked ? (mechanism | 0x02) : (mechanism & ~0x02));
}

std::vector<std::uint8_t> BuildModeSense(const ModePages& pages, ModeHeader header,
                                         std::uint8_t page_code, PageControl pc,
                                         std::uint8_t medium_type,
                                         std::span<const std::uint8_t> block_descriptor) {
  const bool six = header == ModeHeader::k6;
  // The mode data length counts the bytes after itself.
  const std::size_t length_size = six ? 1 : 2;
  constexpr std::size_t kMaxSixByteReply = 256;
  std::vector<std::uint8_t> reply(ModeHeaderSize(header), 0);
  if (six) {
    reply[3] = static_cast<std::uint8_t>(block_descriptor.size());
  } else {
    WriteBe16(reply, 6, static_cast<std::uint32_t>(block_descriptor.size()));
  }
  reply.insert(reply.end(), block_descriptor.begin(), block_descriptor.end());
  const std::vector<std::uint8_t> codes =
      page_code == kAllPages ? pages.Codes() : std::vector<std::uint8_t>{page_code};
  for (std::uint8_t code : codes) {
    const std::vector<std::uint8_t> page = pages.Page(code, pc);
    if (page.empty()) return {};
    if (six && reply.size() + page.size() > kMaxSixByteReply) break;
    reply.insert(reply.end(), page.begin(), page.end());
  }
  const auto length = static_cast<std::uint32_t>(reply.size() - length_size);
  if (six) {
    reply[0] = static_cast<std::uint8_t>(length);
  } else {
    WriteBe16(reply, 0, length);
  }
  reply[length_size] = medium_type;
  return reply;
}

}  // namespace tamarack::emu
