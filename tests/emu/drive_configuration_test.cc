// Get Configuration of the virtual drive: transcripts in tests/data/emu (drive_harness.h).
#include <gtest/gtest.h>

#include "emu/drive_harness.h"

namespace tamarack::emu::testing {
namespace {

// The requested types from a starting feature (Write Protect is no feature of this drive);
// the allocation length cuts the reply, the length field is whole; without a medium nothing
// of the disc is current (the CD-ROM profile neither).
TEST(VirtualDriveConfiguration, RequestedTypesAndNoMedium) {
  DriveHarness().ExpectTranscript(
      "configuration_requested_types",
      {"46 01 00 10 00 00 00 04 00 / in 1024", "46 00 01 00 00 00 00 04 00 / in 1024",
       "46 02 00 1e 00 00 00 04 00 / in 1024", "46 02 00 04 00 00 00 04 00 / in 1024",
       "46 03 00 00 00 00 00 04 00 / in 1024", "46 00 00 00 00 00 00 00 14 / in 1024",
       "46 02 00 01 00 00 00 04 00 / in 1024 # the classic Core: 4 bytes, ATAPI"});
  DriveHarness("emu:type13?nomedium")
      .ExpectTranscript("configuration_no_medium", {"46 00 00 00 00 00 00 04 00 / in 1024",
                                                    "46 01 00 00 00 00 00 04 00 / in 1024"});
}

// DVD and CD profiles with CD-ROM current; a Core of 8 bytes of its own, version 2, Serial
// ATAPI; descriptors longer than the first versions' and later features.
TEST(VirtualDriveConfiguration, TheModernModelAnswersAsACurrentWriter) {
  DriveHarness("emu:type13?speed=max&model=modern")
      .ExpectTranscript("configuration_modern", {"46 00 00 00 00 00 00 04 00 / in 1024"});
}

}  // namespace
}  // namespace tamarack::emu::testing
