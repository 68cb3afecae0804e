// Texts a parser must refuse: each with the error it gives, and the value it reads into left
// as it was.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>

namespace tamarack::testing {

struct RefusedText {
  const char* text;
  const char* error;
};

// `parse(text, &value, &error)` on a copy of `start` for each row; `view` picks what of the
// value must stay (the whole value by default).
template <typename T, typename Parse, typename View = std::identity>
void ExpectRefused(const T& start, std::initializer_list<RefusedText> rows, Parse parse,
                   View view = {}) {
  for (const RefusedText& row : rows) {
    T kept = start;
    std::string error;
    EXPECT_FALSE(parse(row.text, &kept, &error)) << row.text;
    EXPECT_EQ(error, row.error) << row.text;
    EXPECT_TRUE(view(kept) == view(start)) << row.text << ": a refused text changed the value";
  }
}

}  // namespace tamarack::testing
