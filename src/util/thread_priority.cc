#include "util/thread_priority.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace tamarack {

void LowerThisThreadPriority() {
#if defined(__linux__)
  // On Linux the nice value belongs to the thread, addressed by its thread id.
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  (void)::setpriority(PRIO_PROCESS, tid, 19);
#endif
}

}  // namespace tamarack
