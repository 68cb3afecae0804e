// The four ways a path delivers data-in replies (the virtual drive's resid= option): every
// decoder test on the virtual drive runs on each, as a parameterised GoogleTest suite.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamarack::testing {

inline const std::vector<std::string>& ResidModes() {
  static const std::vector<std::string> kModes = {"exact", "none", "zero", "pad"};
  return kModes;
}

// `id` with its replies delivered as `resid` says.
inline std::string WithResid(const std::string& id, const std::string& resid) {
  return id + (id.find('?') == std::string::npos ? "?" : "&") + "resid=" + resid;
}

// A test run once per resid mode; Id() gives a drive id on the mode under test.
class ResidModeTest : public ::testing::TestWithParam<std::string> {
 protected:
  std::string Id(const std::string& id) const { return WithResid(id, GetParam()); }
};

inline std::string ResidModeName(const ::testing::TestParamInfo<std::string>& mode) {
  return mode.param;
}

}  // namespace tamarack::testing

// Instantiates a ResidModeTest suite for every mode, each named by its mode.
#define TAMARACK_ON_EVERY_RESID_MODE(suite)                                                      \
  INSTANTIATE_TEST_SUITE_P(Paths, suite, ::testing::ValuesIn(::tamarack::testing::ResidModes()), \
                           &::tamarack::testing::ResidModeName)
