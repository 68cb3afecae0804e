#include "decode/mode_sense.h"

#include <algorithm>

#include "decode/reply_length.h"
#include "decode/text_conventions.h"
#include "form/hex_dump.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

constexpr const char* kMediumTypes[] = {
    "Door closed / caddy inserted, medium type unknown",
    "120 mm CD-ROM data only, door closed or caddy inserted",
    "120 mm CD-DA audio only, door closed or caddy inserted",
    "120 mm CD-ROM data and audio combined, door closed or caddy inserted",
    "120 mm CD-ROM Hybrid disc (Photo CD), door closed or caddy inserted",
    "80 mm CD-ROM data only, door closed or caddy inserted",
    "80 mm CD-DA audio only, door closed or caddy inserted",
    "80 mm CD-ROM data and audio combined, door closed or caddy inserted",
    "80 mm CD-ROM Hybrid disc (Photo CD), door closed or caddy inserted",
};
constexpr const char* kRecordableMediumTypes[] = {
    "Door closed / caddy inserted, medium type (CD-R)size unknown",
    "120 mm CD-ROM (CD-R) data only, door closed or caddy inserted",
    "120 mm CD-DA (CD-R) audio only, door closed or caddy inserted",
    "120 mm CD-ROM (CD-R) data and audio combined, door closed or caddy inserted",
    "120 mm CD-ROM (CD-R) Hybrid disc (Photo CD), door closed or caddy inserted",
    "80 mm CD-ROM (CD-R) data only, door closed or caddy inserted",
    "80 mm CD-DA (CD-R) audio only, door closed or caddy inserted",
    "80 mm CD-ROM (CD-R) data and audio combined, door closed or caddy inserted",
};

constexpr Choice kPageControls[] = {
    {"00b Current values", 0x00},
    {"01b Changeable values", 0x40},
    {"10b Default values", 0x80},
    {"11b Saved values", 0xC0},
};

void BuildModeSense(FormData& current, const FormData& source) {
  current.cdb[2] = static_cast<std::uint8_t>(source.cdb[2] & 0x3F);
  WriteBe16(current.cdb, 7, kModeSenseAllocationLength);
}

const FieldDescriptor kModeSenseFields[] = {
    CheckField("LLBAA(Long LBA Accepted)", Bit(1, 4)),
    CheckField("DBD(Disable block descriptors)", Bit(1, 3)),
    LabelField("Page control field"),
    ChoiceField("", Masked(2, 0xC0), kPageControls),
};
const FormLayout kModeSenseForm{kModeSenseFields, false, false, &BuildModeSense};

}  // namespace

std::string DescribeMediumType(std::uint32_t code) {
  if (code < std::size(kMediumTypes)) return kMediumTypes[code];
  if (code < 0x10) return "Reserved";
  if (code - 0x10 < std::size(kRecordableMediumTypes)) return kRecordableMediumTypes[code - 0x10];
  return "";
}

std::vector<std::size_t> WalkModeSensePages(std::span<const std::uint8_t> reply,
                                            ModePageTable& table) {
  std::vector<std::size_t> found;
  // The reply as its header counts it, within the bytes returned; the pages follow the block
  // descriptors (a drive sends one when DBD is 0), which are no page.
  const std::size_t end = std::min<std::size_t>(std::size_t{ReadBe16(reply, 0)} + 2, reply.size());
  std::size_t pos = kModeParameterHeaderBytes + ReadBe16(reply, 6);
  for (int pages = 0; pages < kModeSenseMaxPages; ++pages) {
    // The page's own two bytes must have been returned.
    if (pos + 2 > end) break;
    const std::size_t size = std::size_t{reply[pos + 1]} + 2;
    if (reply[pos + 1] == 0) break;
    if (const auto row = table.Find(reply[pos])) {
      ModePageRow& r = table.row(*row);
      const std::size_t n = std::min({size, kModePageBufferBytes, end - pos});
      std::copy_n(reply.begin() + static_cast<std::ptrdiff_t>(pos), n, r.buffer.begin());
      found.push_back(*row);
    }
    pos += size;
  }
  return found;
}

std::span<const std::uint8_t> ModeSenseReturnedBytes(std::span<const std::uint8_t> data,
                                                     std::uint32_t received_length) {
  DecodeInput input;
  input.data = data;
  input.received_length = received_length;
  return data.first(ReplyLength(input, ReadBe16(data, 0) + 2u));
}

DecodeOutput DecodeModeSense(const DecodeInput& input) {
  const auto reply = ModeSenseReturnedBytes(input.data, input.received_length);
  std::string title = kMediumTypeTitle;
  title += DescribeMediumType(ByteAt(reply, 2));
  title += "\r\n\r\n";
  title += kDumpBanner;
  DecodeOutput out;
  out.text = ShowHexDumpText(title, reply, input.group_size);
  out.text_has_dump = true;
  return out;
}

const CommandBehaviour kModeSenseBehaviour{
    .form = &kModeSenseForm, .decoder = &DecodeModeSense, .page_editor = PageEditorUse::kModeSense};

}  // namespace tamarack
