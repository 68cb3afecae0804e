// The page editor's fields: for each mode page and screen, field descriptors over the page
// buffer (FieldBuffer::kParameter: byte 0 is the page code byte), filled and collected by the
// same machinery as the CDB forms.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "form/form_layout.h"

namespace tamarack {

// The fields of one screen (0-based) of a page. Page 2Ah's screen 5 (index 4) shows a pair
// of controls only while the page length byte (byte 1 of `page`) less 28 reaches its
// threshold: 4 for the write speed fields, 8, 12, 16 and 20 for "Block #1" to "Block #4".
// Page 3Fh, a page the editor does not know and a screen the page does not have give no
// fields. Four-byte fields are 32 bits. A choice whose stored value no entry names (page 1Ch's
// method of reporting 3) is offered as its number ("(03h)"), so it is shown and written back
// unchanged.
std::vector<FieldDescriptor> ModePageFields(std::uint32_t page_code, std::uint32_t screen,
                                            std::span<const std::uint8_t> page);

}  // namespace tamarack
