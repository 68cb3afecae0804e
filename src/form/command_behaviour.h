// What a command row does: its parameter form, its decoder and the result view it shows.
// The per-command behaviours are defined with their forms and decoders; the catalogue only
// points at them.
#pragma once

#include <cstdint>

#include "form/decoder.h"
#include "form/form_layout.h"

namespace tamarack {

// The mode page editor a command's form shows below it.
enum class PageEditorUse : std::uint8_t { kNone, kModeSense, kModeSelect };

struct CommandBehaviour {
  const FormLayout* form = nullptr;
  Decoder decoder = nullptr;
  ResultView view = ResultView::kDecodedText;
  // The command's own form and decoder are not there yet: the form says so and the stored
  // CDB is sent as it is.
  bool placeholder = false;
  // Building the form already says "Command Successed!" in the decoded-text box (Seek: its
  // form holds nothing and its reply has nothing to decode).
  bool succeeds_when_built = false;
  PageEditorUse page_editor = PageEditorUse::kNone;
};

}  // namespace tamarack
