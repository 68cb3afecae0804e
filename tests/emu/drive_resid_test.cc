// The four ways a path may deliver a data-in reply (resid=exact|none|zero|pad), observed as a
// caller sees them: the transferred count and what is left in the caller's 5Ah-filled buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "emu/drive_harness.h"
#include "emu/resid_modes.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack::emu::testing {
namespace {

// The buffer from `from` on, run by run: "00*159 5a*257".
std::string Runs(const std::vector<std::uint8_t>& b, std::size_t from) {
  std::string out;
  for (std::size_t i = from, j; i < b.size(); i = j) {
    for (j = i; j < b.size() && b[j] == b[i]; ++j) {
    }
    out += StrFormat(" %02x*%zu", b[i], j - i);
  }
  return out;
}

// Each reply on each path, in resid_paths.txt: the transferred count, whether the bytes the
// drive sent are those of the exact path, and the rest of the caller's 5Ah-filled buffer run
// by run. Inquiry (96 bytes of 255 allowed, in 512), Read(10) of one block into room for 2656
// bytes (no allocation length), Read TOC of a one-track disc (20 bytes of 804 allowed, in
// 1024): the exact path tells what was sent, none claims the whole buffer, zero claims and
// zeroes it, pad pads to the allocation length or the buffer. A read past the end sends
// nothing (only the libata-like paths claim the whole buffer); a command without data phase
// transfers nothing; data out is counted as sent.
TEST(VirtualDriveResid, EveryModeOverReplyShapes) {
  const struct {
    const char* name;
    std::initializer_list<std::uint8_t> cdb;  // an aggregate member: the list lives on
    std::size_t buffer;
  } commands[] = {{"Inquiry", {0x12, 0, 0, 0, 0xFF}, 512},
                  {"Read(10)", {0x28, 0, 0, 0, 0x03, 0xE8, 0, 0, 1}, 2656},
                  {"Read TOC", {0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24}, 1024},
                  {"Read(10) past the end", {0x28, 0, 0, 0x05, 0x15, 0x48, 0, 0, 1}, 2048},
                  {"Test Unit Ready", {0x00}, 0}};
  std::string t;
  DriveHarness exact("emu:type13?speed=max");
  for (const auto& c : commands) {
    const Reply want = exact.In(c.cdb, c.buffer);
    for (const std::string& mode : tamarack::testing::ResidModes()) {
      DriveHarness h("emu:type13?speed=max&resid=" + mode);
      const Reply r = h.In(c.cdb, c.buffer);
      const bool same = std::equal(
          want.data.begin(), want.data.begin() + static_cast<std::ptrdiff_t>(want.transferred),
          r.data.begin());
      t += StrFormat("%s resid=%s: %s, transferred %u, sent %s, rest", c.name, mode.c_str(),
                     r.good() ? "good"
                              : StrFormat("check %x/%02x/%02x", r.key(), r.asc(), r.ascq()).c_str(),
                     r.transferred, same ? "as exact" : "other") +
           Runs(r.data, want.transferred) + "\n";
    }
  }
  for (const std::string& mode : tamarack::testing::ResidModes()) {
    DriveHarness h("emu:type13?speed=max&resid=" + mode);
    t += "Mode Select of 8 bytes resid=" + mode +
         StrFormat(
             ": transferred %u\n",
             h.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 8}, std::vector<std::uint8_t>(8, 0)).transferred);
  }
  tamarack::testing::ExpectGoldenFile("resid_paths.txt", t, "emu");
}

}  // namespace
}  // namespace tamarack::emu::testing
