// The steps of a transcript: the "> " lines of tests/data/FOLDER/NAME.txt, which the run that
// checks the transcript writes again after each step.
#pragma once

#include <gtest/gtest.h>

#include <list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "golden.h"

namespace tamarack::testing {

// The steps themselves; the strings outlive the views handed to a transcript.
inline std::vector<std::string_view> StepsOf(const std::string& name,
                                             const std::string& folder = "decode") {
  static std::list<std::string> kept;
  std::istringstream in(ReadGoldenFile(name + ".txt", folder));
  std::vector<std::string_view> steps;
  for (std::string line; std::getline(in, line);) {
    if (!line.starts_with("> ")) continue;
    steps.emplace_back(kept.emplace_back(line.substr(2)));
  }
  EXPECT_FALSE(steps.empty()) << name << " holds no steps";
  return steps;
}

}  // namespace tamarack::testing
