// What a command row does: its parameter form, its decoder and the result view it shows.
// The per-command behaviours are defined with their forms and decoders; the catalogue only
// points at them.
#pragma once

#include "form/decoder.h"
#include "form/form_layout.h"

namespace tamarack {

struct CommandBehaviour {
  const FormLayout* form = nullptr;
  Decoder decoder = nullptr;
  ResultView view = ResultView::kDecodedText;
  // The command's own form and decoder are not there yet: the form says so and the stored
  // CDB is sent as it is.
  bool placeholder = false;
};

}  // namespace tamarack
