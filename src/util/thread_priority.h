// Long jobs run below the window's priority, so the window stays responsive while they read.
#pragma once

namespace tamarack {

// Lowers the calling thread's scheduling priority as far as the platform allows. Best effort:
// failure changes nothing.
void LowerThisThreadPriority();

}  // namespace tamarack
