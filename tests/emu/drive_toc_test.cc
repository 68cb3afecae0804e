// Read TOC of the virtual drive: formats 0 to 5, TIME on and off, the number field.
#include <gtest/gtest.h>

#include "emu/drive_harness.h"

namespace tamarack::emu::testing {
namespace {

// Format 0 of one track (track 1 at 0, the lead-out at 333000 = 74:02:00 with TIME), from a
// track number on, from the lead-out on, past the last track; the older drives' format field
// in the last byte (full TOC: A0, A1, A2, five tracks). The full TOC from the second session
// (the whole of it: toc_multisession_full.hex), of one session without B0. PMA and ATIP only
// on recordables (toc_recordable_pma.hex and toc_recordable_atip.hex), no CD-TEXT on a disc
// without (the CD-TEXT reply is dumped whole in decode/audio_cd_text.txt). The allocation
// length cuts, the length field is whole. No medium.
TEST(VirtualDriveToc, FormatsAndTheirFields) {
  DriveHarness().ExpectTranscript(
      "toc_type13", {"43 00 00 00 00 00 00 20 00 / in 8192", "43 02 00 00 00 00 00 20 00 / in 8192",
                     "43 02 02 00 00 00 00 20 00 / in 8192 # full TOC, no B0",
                     "43 00 03 00 00 00 00 20 00 / in 8192", "43 00 04 00 00 00 00 20 00 / in 8192",
                     "43 00 05 00 00 00 00 20 00 / in 8192"});
  DriveHarness("emu:audio?speed=max")
      .ExpectTranscript(
          "toc_audio",
          {"43 00 00 00 00 00 aa 20 00 / in 8192", "43 00 00 00 00 00 06 20 00 / in 8192",
           "43 00 00 00 00 00 00 20 00 80 / in 8192", "43 00 00 00 00 00 00 00 0c / in 8192"});
  DriveHarness("emu:multisession?speed=max")
      .ExpectTranscript("toc_multisession", {"43 00 02 00 00 00 02 20 00 / in 8192",
                                             "43 00 02 00 00 00 03 20 00 / in 8192"});
  DriveHarness("emu:recordable?speed=max")
      .ExpectTranscript("toc_recordable", {"43 00 06 00 00 00 00 20 00 / in 8192"});
  DriveHarness("emu:audio?nomedium")
      .ExpectTranscript("toc_no_medium", {"43 00 00 00 00 00 00 20 00 / in 8192"});
}

}  // namespace
}  // namespace tamarack::emu::testing
