// How often the long jobs send a failed read again (capture and check block by block, ageing
// the same command): by default once; 0 is the strict policy, no second try; more than
// kMostRetries is refused where it is typed.
#pragma once

namespace tamarack {

inline constexpr int kDefaultRetries = 1;
inline constexpr int kMostRetries = 16;

}  // namespace tamarack
