#include "util/cp932.h"

#include "platform/env.h"

namespace tamarack {

std::string Cp932BytesToUtf8(std::string_view bytes) { return Env::Default().Cp932ToUtf8(bytes); }

}  // namespace tamarack
