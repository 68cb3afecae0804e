#include "util/thread_priority.h"

#include "platform/env.h"

namespace tamarack {

void LowerThisThreadPriority() { Env::Default().LowerThisThreadPriority(); }

}  // namespace tamarack
