// Test helpers: a virtual drive reached the way the system reaches any drive, through a
// DriveDirectory and a DeviceSession, on a simulated clock.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/clock.h"
#include "device/device_session.h"
#include "device/drive_directory.h"
#include "device/sense_table.h"
#include "device/status_board.h"
#include "emu/built_in_discs.h"
#include "emu/image_disc.h"
#include "emu/synthetic_disc.h"
#include "emu/virtual_drive_provider.h"
#include "golden.h"
#include "mmc/block_read.h"
#include "temp_dir.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack::emu::testing {

// A small recordable data disc: one Mode 1 track of 1000 blocks and an ATIP, the only disc
// here with a PMA and an ATIP.
inline std::unique_ptr<Disc> MakeRecordableDisc() {
  DiscLayout layout;
  TrackInfo t;  // track 1, Mode 1
  t.pregap_start = -150;
  t.end = 1000;
  layout.tracks.push_back(t);
  layout.sessions.push_back(SessionInfo{1, 1, 1, 1000, 0x00});
  AtipInfo atip;
  for (std::size_t i = 0; i < atip.bytes.size(); ++i)
    atip.bytes[i] = static_cast<std::uint8_t>(i + 1);
  layout.atip = atip;
  return std::make_unique<SyntheticDisc>(
      "recordable", std::move(layout),
      [](const TrackInfo&, std::int32_t lba, std::span<std::uint8_t> user) {
        for (std::size_t i = 0; i < user.size(); ++i)
          user[i] = static_cast<std::uint8_t>(lba + static_cast<std::int32_t>(i));
      });
}

// The built-in discs plus "recordable".
inline std::unique_ptr<Disc> TestDiscFactory(const std::string& name, std::string* error) {
  if (name == "recordable") return MakeRecordableDisc();
  return MakeDiscByName(name, error);
}

struct Reply {
  CommandStatus status = CommandStatus::kNoDevice;
  std::uint32_t transferred = 0;
  std::vector<std::uint8_t> data;  // the whole buffer (filled with 5Ah before the command)
  std::string status_line;         // the session's status line after the command
  ScsiResult result;
  bool good() const { return status == CommandStatus::kGood; }
  std::uint8_t key() const { return result.sense[2] & 0x0F; }
  std::uint8_t asc() const { return result.sense[12]; }
  std::uint8_t ascq() const { return result.sense[13]; }
  // The reply bytes actually transferred.
  std::vector<std::uint8_t> bytes() const {
    return std::vector<std::uint8_t>(data.begin(), data.begin() + transferred);
  }
};

// The bytes of hex text ("12 00 ff"); text that is not such bytes throws, failing the test.
inline std::vector<std::uint8_t> HexWords(std::string_view text) {
  return ParseHexBytes(text, " ").value();
}

inline Cdb CdbOf(std::string_view text) {
  const std::vector<std::uint8_t> bytes = HexWords(text);
  Cdb c{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), c.size()), c.begin());
  return c;
}

class DriveHarness {
 public:
  explicit DriveHarness(const std::string& id = "emu:type13?speed=max") {
    drives.AddProvider(
        std::make_unique<VirtualDriveProvider>(clock, DefaultVirtualDriveIds(), TestDiscFactory));
    session.SetHost(&status);
    opened = session.Open(id);
  }

  // A data-in command with a buffer of `size` bytes.
  Reply In(std::initializer_list<std::uint8_t> cdb, std::size_t size) {
    return In(MakeCdb(cdb), size);
  }
  Reply In(const Cdb& cdb, std::size_t size) {
    return Send(cdb, std::vector<std::uint8_t>(size, 0x5A), false);
  }
  Reply NoData(std::initializer_list<std::uint8_t> cdb) { return In(cdb, 0); }

  // The buffer from `from` on, run by run: " 00*159 5a*257".
  static std::string Runs(const std::vector<std::uint8_t>& b, std::size_t from) {
    std::string out;
    for (std::size_t i = from, j; i < b.size(); i = j) {
      for (j = i; j < b.size() && b[j] == b[i]; ++j) {
      }
      out += StrFormat(" %02x*%zu", b[i], j - i);
    }
    return out;
  }

  // Runs one script step, "CDB [/ in SIZE | / out DATA] [# NOTE]" in hex bytes, "wait
  // SECONDS" on the drive's clock or "timeout SECONDS" for the commands after it, and gives
  // back what it did: the time it took where it took any, "good" or the outcome with the sense
  // bytes, and for a buffer the transferred bytes (past 512 the first 64 and a hash) and the
  // rest of it: "5a" where it kept its fill, else run by run.
  std::string Step(std::string_view step) {
    if (step.starts_with("wait ")) {
      clock.Advance(std::chrono::seconds(std::stoi(std::string(step.substr(5)))));
      return "";
    }
    if (step.starts_with("timeout ")) {
      session.SetCommandTimeout(
          static_cast<std::uint32_t>(std::stoul(std::string(step.substr(8)))));
      return "";
    }
    const std::string_view command = step.substr(0, step.find('#'));
    const std::size_t slash = command.find('/');
    std::istringstream words{std::string(command.substr(slash == command.npos ? 0 : slash + 1))};
    std::string kind;
    if (slash != command.npos) words >> kind;
    std::size_t size = 0;
    std::string data;
    if (kind == "in") words >> size;
    std::getline(words, data);
    const Cdb c = CdbOf(command.substr(0, slash));
    const auto before = clock.Now();
    const Reply r = kind == "out" ? Send(c, HexWords(data), true) : In(c, size);
    // The clock moves by exactly the modelled duration, which the result reports.
    EXPECT_EQ(clock.Now() - before, r.result.duration) << step;
    std::string t =
        r.result.duration.count()
            ? StrFormat("took %lld us, ", static_cast<long long>(r.result.duration.count()))
            : "";
    if (r.good()) {
      t += "good";
    } else if (r.status == CommandStatus::kCheckCondition) {
      t +=
          StrFormat("check %x/%02x/%02x: ", r.key(), r.asc(), r.ascq()) + r.status_line +
          "\nsense " +
          HexBytes(std::span(r.result.sense)
                       .first(std::min<std::size_t>(r.result.sense.size(), r.result.sense_length)));
    } else {
      t += StrFormat("status %d transport %d os error %d: ", static_cast<int>(r.status),
                     static_cast<int>(r.result.status), r.result.os_error) +
           r.status_line;
    }
    if (!r.data.empty()) {
      t += StrFormat("\ntransferred %u", r.transferred);
      const std::size_t n = std::min<std::size_t>(r.transferred, r.data.size());
      for (std::size_t i = 0; i < n && (n <= 512 || i < 64); i += 32) {
        t += "\n  " + HexBytes(std::span(r.data).subspan(i, std::min<std::size_t>(32, n - i)));
      }
      if (n > 512) {
        std::uint32_t hash = 2166136261u;
        for (std::size_t i = 0; i < n; ++i) hash = (hash ^ r.data[i]) * 16777619u;
        t += StrFormat("\n  ... fnv1a %08x", hash);
      }
      const std::string rest = Runs(r.data, r.transferred);
      if (!rest.empty())
        t += "\nrest" + (rest.find(' ', 1) == rest.npos && rest.starts_with(" 5a") ? " 5a" : rest);
    }
    return t + "\n";
  }

  SimulatedClock clock;
  DriveDirectory drives;
  StatusBoard status;  // the session's host
  DeviceSession session{&drives, BuiltInSenseTable()};
  bool opened = false;

 private:
  Reply Send(const Cdb& cdb, std::vector<std::uint8_t> data, bool out) {
    Reply r;
    r.data = std::move(data);
    const CommandOutcome outcome =
        session.Run(cdb, r.data, {.direction = out ? DataDirection::kOut : DataDirection::kIn});
    r.status = outcome.status;
    r.result = outcome.result;
    r.transferred = outcome.result.transferred;
    r.status_line = status.status_line.Get();
    return r;
  }
};

// Replays the script tests/data/emu/NAME.txt and compares it with what the drive does now.
// A script is a transcript: "# " lines say what it shows, "drive ID" opens a drive (again:
// the same unit answers; "$TRACES/NAME.jsonl" a recorded trace of tests/data/traces), "> STEP"
// sends a step (see Step) and the lines after it are what the drive did; TAMARACK_UPDATE_GOLDEN
// rewrites those from the steps.
inline void ExpectScript(const std::string& name) {
  std::istringstream script(tamarack::testing::ReadGoldenFile(name + ".txt", "emu"));
  std::unique_ptr<DriveHarness> h;
  std::string t;
  int steps = 0;
  for (std::string line; std::getline(script, line);) {
    if (line.starts_with("# ")) {
      t += line + "\n";
    } else if (line.starts_with("drive ")) {
      t += line + "\n";
      // "$TRACES/" stands for the folder of recorded traces, wherever the test data are.
      std::string id = line.substr(6);
      if (const std::size_t at = id.find("$TRACES/"); at != id.npos) {
        id.replace(at, 8, tamarack::testing::GoldenPath("", "traces"));
      }
      if (!h) {
        h = std::make_unique<DriveHarness>(id);
      } else {
        h->opened = h->session.Open(id);
      }
      if (!h->opened) t += "not opened: " + h->session.OpenError() + "\n";
    } else if (line.starts_with("> ")) {
      ASSERT_TRUE(h) << name << ": a step before any drive";
      t += line + "\n" + h->Step(std::string_view(line).substr(2));
      ++steps;
    }
  }
  EXPECT_GT(steps, 0) << name << " holds no steps";
  tamarack::testing::ExpectGoldenFile(name + ".txt", t, "emu");
}

// The cases of tests/data/emu/NAME after its "# " lines: each a line "== EXPECTED", then the
// text up to the next case.
inline std::vector<std::pair<std::string, std::string>> CasesOf(const std::string& name) {
  std::istringstream in(tamarack::testing::ReadGoldenFile(name, "emu"));
  std::vector<std::pair<std::string, std::string>> cases;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("== ")) {
      cases.emplace_back(line.substr(3), "");
    } else if (!cases.empty()) {
      cases.back().second += line + "\n";
    }
  }
  return cases;
}

// A disc's MCN, lead-out and last track, then each track: mode, control, pregap, start and end,
// ISRC and indexes.
inline std::string LayoutText(const DiscLayout& l) {
  std::string t = "mcn " + l.mcn + ", lead-out " + std::to_string(l.LeadoutStart()) +
                  ", last track " + std::to_string(l.sessions[0].last_track) + "\n";
  for (const TrackInfo& k : l.tracks) {
    t += StrFormat("track %d mode %d control %x: %d %d %d isrc \"%s\"", k.number,
                   static_cast<int>(k.mode), k.control, k.pregap_start, k.start, k.end,
                   k.isrc.c_str());
    for (const IndexPoint& i : k.indexes) t += StrFormat(" index %d at %d", i.number, i.lba);
    t += "\n";
  }
  return t;
}

// A test whose image files go in a folder of its own.
class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.ok()); }
  tamarack::testing::TempDir dir;
};

// The image at `path`, which must open (null, the failure reported, where it does not).
inline std::unique_ptr<Disc> Opened(const std::string& path) {
  std::string error;
  std::unique_ptr<Disc> disc = OpenImage(path, &error);
  EXPECT_NE(disc, nullptr) << error;
  return disc;
}

// Why the image at `path`, which must not open, is refused.
inline std::string RefusalOf(const std::string& path) {
  std::string error;
  EXPECT_EQ(OpenImage(path, &error), nullptr) << path;
  return error;
}

// Read(10); signed or unsigned, an address goes out as its 32 bits.
inline Cdb Read10Command(std::int64_t lba, std::uint32_t blocks) {
  Cdb c = MakeCdb({0x28});
  WriteBe32(c, 2, static_cast<std::uint32_t>(lba));
  WriteBe16(c, 7, blocks);
  return c;
}

// Read CD of `blocks` blocks from a block that may lie in the pregap before LBA 0.
inline Cdb ReadCdCommand(std::int32_t lba, std::uint32_t blocks, ReadCdSelection selection = {}) {
  return ReadCdCdb(static_cast<std::uint32_t>(lba), blocks, selection);
}

// Block `lba` of `disc` as the disc holds it.
inline RawSector ReadRaw(const Disc& disc, std::int32_t lba) {
  RawSector s;
  std::string error;
  EXPECT_TRUE(disc.ReadSector(lba, &s, &error)) << error;
  return s;
}

// `blocks` blocks of raw sectors of `disc` from `first` on.
inline std::vector<std::uint8_t> RawBlocks(const Disc& disc, std::int32_t first,
                                           std::int32_t blocks) {
  std::vector<std::uint8_t> out;
  for (std::int32_t i = 0; i < blocks; ++i) {
    const RawSector s = ReadRaw(disc, first + i);
    out.insert(out.end(), s.main.begin(), s.main.end());
  }
  return out;
}

}  // namespace tamarack::emu::testing
