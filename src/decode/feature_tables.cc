#include "decode/feature_tables.h"

#include <algorithm>

#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {

namespace {

// Rows of one feature's fields. Offsets are byte numbers within the descriptor; a field
// whose bytes the descriptor does not hold (cut short by the reply) is not shown.
class FieldRows {
 public:
  FieldRows(std::span<const std::uint8_t> descriptor, std::vector<DecodedRow>& rows)
      : d_(descriptor), rows_(rows) {}

  bool Has(std::size_t offset, std::size_t bytes) const { return offset + bytes <= d_.size(); }

  void Add(const char* key, std::size_t offset, std::string data, int icon) {
    rows_.push_back({{StrFormat("  %d", static_cast<int>(offset)), key, std::move(data)}, icon});
  }

  // One bit as On/Off.
  void Flag(const char* key, std::size_t byte, int bit) {
    if (!Has(byte, 1)) return;
    Add(key, byte, FormatBits(static_cast<std::uint32_t>(d_[byte] >> bit), 1), kIconFlag);
  }
  // Several flags of one byte, named from the highest listed bit down.
  void Flags(std::initializer_list<std::pair<const char*, int>> flags, std::size_t byte) {
    for (const auto& [key, bit] : flags) Flag(key, byte, bit);
  }
  // "%d(%02xh)" of a byte.
  void Byte(const char* key, std::size_t byte) {
    if (!Has(byte, 1)) return;
    Add(key, byte, StrFormat("%d(%02xh)", d_[byte], d_[byte]), kIconNumber);
  }
  // "%d(%04xh)" of two bytes.
  void Be16(const char* key, std::size_t offset) {
    if (!Has(offset, 2)) return;
    const int v = ReadBe16(d_, offset);
    Add(key, offset, StrFormat("%d(%04xh)", v, v), kIconNumber);
  }
  // "%d(%06xh)" of three bytes.
  void Be24(const char* key, std::size_t offset) {
    if (!Has(offset, 3)) return;
    const int v = static_cast<int>(ReadBe24(d_, offset));
    Add(key, offset, StrFormat("%d(%06xh)", v, v), kIconNumber);
  }
  // "%d(%08xh)" of four bytes.
  void Be32(const char* key, std::size_t offset) {
    if (!Has(offset, 4)) return;
    const std::uint32_t v = ReadBe32(d_, offset);
    Add(key, offset, StrFormat("%d(%08xh)", static_cast<int>(v), v), kIconNumber);
  }
  // Two bytes as sixteen binary digits and "b" (the data block types).
  void Bits16(const char* key, std::size_t offset) {
    if (!Has(offset, 2)) return;
    const std::uint16_t v = ReadBe16(d_, offset);
    std::string digits;
    for (int bit = 15; bit >= 0; --bit) digits.push_back((v >> bit) & 1 ? '1' : '0');
    digits.push_back('b');
    Add(key, offset, std::move(digits), kIconFlag);
  }

  std::span<const std::uint8_t> d() const { return d_; }

 private:
  std::span<const std::uint8_t> d_;
  std::vector<DecodedRow>& rows_;
};

void CoreFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  if (f.Has(4, 4)) {
    f.Add("  Physical Interface Standard", 4, PhysicalInterfaceName(ReadBe32(d, 4)), kIconNumber);
  }
}

void MorphingFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flag("  ASYNC", 4, 0);
}

void RemovableMediumFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  if (!f.Has(4, 1)) return;
  f.Add("  Loading Mechanism Type", 4, LoadingMechanismName(static_cast<std::uint32_t>(d[4] >> 5)),
        kIconNumber);
  f.Flags({{"  Eject", 3}, {"  Pvnt Jmpr", 2}, {"  Lock", 0}}, 4);
}

void WriteProtectFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flags({{"  SPWP", 1}, {"  SSWPP", 0}}, 4);
}

// Random Readable and Write Once.
void BlockSizeFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  f.Be32("  Logical Block Size", 4);
  f.Be16("  Blocking", 8);
  f.Flag("  PP", 10, 0);
}

void CdReadFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flags({{"  C2 Flags", 1}, {"  CD-Text", 0}}, 4);
}

void RandomWritableFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  f.Be32("  Last Logical Block Address", 4);
  f.Be32("  Logical Block Size", 8);
  f.Be16("   Blocking", 12);
  f.Flag("  PP", 14, 0);
}

void IncrementalStreamingFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  f.Bits16("  Data Block Types Supported", 4);
  f.Flag("  BUF", 6, 0);
  f.Byte("  Number of Link Sizes", 7);
  // The link sizes are consecutive bytes; the padding after them only rounds the descriptor
  // up to a multiple of 4.
  const int count = ByteAt(d, 7);
  for (int i = 0; i < count; ++i) {
    const auto at = 8 + static_cast<std::size_t>(i);
    if (!f.Has(at, 1)) break;  // the rest lies beyond the descriptor
    f.Byte("  Link Size", at);
  }
}

void DefectManagementFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flag("  SSA", 4, 7);
}

void MrwFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flag("  Write", 4, 0);
}

void DvdPlusRwFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  f.Flag("  Write", 4, 0);
  f.Flag("  Close Only", 5, 0);
}

void RigidRestrictedOverwriteFields(std::span<const std::uint8_t> d,
                                    std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flags({{"  DSDG", 3}, {"  DSDR", 2}, {"  Intermediate", 1}, {"  Blank", 0}},
                           4);
}

void TrackAtOnceFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  f.Flags({{"  BUF", 6},
           {"  R-W Raw", 4},
           {"  R-W Pack", 3},
           {"  Test Write", 2},
           {"  CD-RW", 1},
           {"  R-W Sub-code", 0}},
          4);
  f.Bits16("  Data Block Types Supported", 6);
}

void MasteringFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  f.Flags({{"  BUF", 6},
           {"  SAO", 5},
           {"  RAW MS", 4},
           {"  RAW", 3},
           {"  Test Write", 2},
           {"  CD-RW", 1},
           {"  R-W", 0}},
          4);
  f.Be24("  Maximum Cue Sheet Length", 5);
}

void DvdRRwWriteFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flags({{"  BUF", 6}, {"  Test Write", 2}, {"  DVD-RW", 1}}, 4);
}

void DdcdRWriteFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flag("  TestWR", 4, 2);
}

void DdcdRwWriteFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flags({{"  Intermediate", 1}, {"  Blank", 0}}, 4);
}

void SmartFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flag("  PP", 4, 0);
}

void EmbeddedChangerFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  f.Flags({{"  SCC", 4}, {"  SDP", 2}}, 4);
  f.Byte("  Highest Slot Number", 7);
}

void AudioExternalPlayFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  f.Flags({{"  Scan", 2}, {"  SCM", 1}, {"  SV", 0}}, 4);
  f.Be16("  Number of Volume Levels", 6);
}

void CssFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Byte("  CSS Version", 7);
}

void RealTimeStreamingFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Flags({{"  RBCB", 4}, {"  SCS", 3}, {"  MP2A", 2}, {"  WSPD", 1}, {"  SW", 0}},
                           4);
}

void DiscControlBlocksFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows f(d, rows);
  const int entries = ByteAt(d, 3) / 4;
  for (int i = 0; i < entries; ++i) {
    const auto at = 4 + 4 * static_cast<std::size_t>(i);
    if (!f.Has(at, 4)) break;
    const std::uint32_t v = ReadBe32(d, at);  // a 4-character id, all 32 bits
    f.Add("  Supported DCB entry", at, StrFormat("%u(%08xh)", v, v), kIconNumber);
  }
}

void CprmFields(std::span<const std::uint8_t> d, std::vector<DecodedRow>& rows) {
  FieldRows(d, rows).Byte("  CPRM Version", 7);
}

constexpr std::uint32_t kVariable = 0;

// The Profile List (0000h) is walked by the decoder itself: its rows depend on where it lies.
constexpr FeatureTableRow kFeatures[] = {
    {0x0000, 8, nullptr, "Profile List"},
    {0x0001, 8, &CoreFields, "Core"},
    {0x0002, 8, &MorphingFields, "Morphing"},
    {0x0003, 8, &RemovableMediumFields, "Removable Medium"},
    {0x0004, 8, &WriteProtectFields, "Write Protect"},
    {0x0010, 12, &BlockSizeFields, "Random Readable"},
    {0x001D, 4, nullptr, "Multi-Read"},
    {0x001E, 8, &CdReadFields, "CD-Read"},
    {0x001F, 4, nullptr, "DVD Read"},
    {0x0020, 16, &RandomWritableFields, "Random Writable"},
    {0x0021, kVariable, &IncrementalStreamingFields, "Incremental Streaming Writeable"},
    {0x0022, 4, nullptr, "Sector Erasable"},
    {0x0023, 4, nullptr, "Formattable"},
    {0x0024, 8, &DefectManagementFields, "Defect Management"},
    {0x0025, 12, &BlockSizeFields, "Write Once"},
    {0x0026, 4, nullptr, "Restricted Overwrite"},
    {0x0027, 8, nullptr, "CD-RW CAV Write"},
    {0x0028, 8, &MrwFields, "The MRW"},
    {0x002A, 8, &DvdPlusRwFields, "DVD+RW"},
    {0x002C, 8, &RigidRestrictedOverwriteFields, "Rigid Restricted Overwrite"},
    {0x002D, 8, &TrackAtOnceFields, "CD Track at Once"},
    {0x002E, 8, &MasteringFields, "CD Mastering"},
    {0x002F, 8, &DvdRRwWriteFields, "DVD-R/RW Write"},
    {0x0030, 4, nullptr, "Double Density CD Read"},
    {0x0031, 8, &DdcdRWriteFields, "Double Density CD-R Write"},
    {0x0032, 8, &DdcdRwWriteFields, "Double Density CD-RW Write"},
    {0x0100, 4, nullptr, "Power Management"},
    {0x0101, 8, &SmartFields, "S.M.A.R.T "},
    {0x0102, 8, &EmbeddedChangerFields, "Embeded Changer"},
    {0x0103, kVariable, &AudioExternalPlayFields, "CD Audio External Play"},
    {0x0104, 4, nullptr, "Microcode Upgrade"},
    {0x0105, 4, nullptr, "Time-Out Feature"},
    {0x0106, 8, &CssFields, "DVD CSS"},
    {0x0107, 8, &RealTimeStreamingFields, "Real Time Streaming"},
    {0x0108, kVariable, nullptr, "Logical Unit Serial Number"},
    {0x010A, kVariable, &DiscControlBlocksFields, "Disc Control Blocks"},
    {0x010B, 8, &CprmFields, "DVD CPRM"},
    {kFeatureTableEnd, 0, nullptr, "Undefine"},
};

struct Named {
  std::uint32_t value;
  const char* name;
};

constexpr Named kProfiles[] = {
    {0x0000, "Profile List"},
    {0x0001, "Non-removable disk Re-writable disk"},
    {0x0002, "Removable disk Re-writable"},
    {0x0003, "MO Erasable Magneto-Optical disk with sector erase capability"},
    {0x0004, "MO Write Once Magneto-Optical write once "},
    {0x0005, "AS-MO Advance Storage . Magneto-Optical"},
    {0x0008, "CD-ROM Read only Compact Disc"},
    {0x0009, "CD-R Write once Compact"},
    {0x000A, "CD-RW Re-writable Compact Disc"},
    {0x0010, "DVD-ROM Read only DVD"},
    {0x0011, "DVD-R Sequential"},
    {0x0012, "DVD-RAM Re-writable DVD"},
    {0x0013, "DVD-RW Restricted"},
    {0x0014, "DVD-RW Sequential"},
    {0x001A, "DVD+RW DVD ReWritable"},
    {0x0020, "DDCD-ROM Read only DDCD "},
    {0x0021, "DDCD-R Write only DDCD"},
    {0x0022, "DDCD-RW Re-Write only DDCD"},
};

struct NamedRange {
  std::uint32_t first, last;
  const char* name;
};

constexpr NamedRange kPhysicalInterfaces[] = {
    {0, 0, "Unspecified"},
    {1, 1, "SCSI Family"},
    {2, 2, "ATAPI"},
    {3, 3, "IEEE 1394 - 1995"},
    {4, 4, "IEEE 1394A"},
    {5, 5, "Fibre Channel"},
    {7, 7, "Serial ATAPI"},
    {8, 8, "USB"},
    {0xFFFF, 0xFFFF, "Vendor Unique"},
    {0x10000, 0x1FFFF, "Defined by NCITS"},
    {0x20000, 0x2FFFF, "Defined by SFF"},
    {0x30000, 0x3FFFF, "Defined by IEEE"},
    {0x40000, 0x4FFFF, "Reserved"},
};

constexpr const char* kLoadingMechanisms[] = {
    "Caddy/Slot type loading mechanism",
    "Tray type loading mechanism",
    "Pop-up type loading mechanism",
    "Reserved",
    "Embedded changer with individually changeable discs",
    "Embedded changer using a magazine mechanism",
};

}  // namespace

std::span<const FeatureTableRow> FeatureTable() { return kFeatures; }

const FeatureTableRow& FindFeature(std::uint32_t code) {
  const auto* end = std::end(kFeatures) - 1;
  const auto* it = std::find_if(std::begin(kFeatures), end,
                                [code](const FeatureTableRow& r) { return r.code == code; });
  return *it;  // the end row when not found
}

std::string ProfileName(std::uint32_t profile) {
  for (const Named& p : kProfiles) {
    if (p.value == profile) return p.name;
  }
  return "Undefine";
}

std::string PhysicalInterfaceName(std::uint32_t standard) {
  for (const NamedRange& r : kPhysicalInterfaces) {
    if (standard >= r.first && standard <= r.last) return r.name;
  }
  return "UnDefined";
}

std::string LoadingMechanismName(std::uint32_t type) {
  if (type < std::size(kLoadingMechanisms)) return kLoadingMechanisms[type];
  return "Undefine";
}

}  // namespace tamarack
