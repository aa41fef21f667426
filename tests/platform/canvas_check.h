#pragma once
// Pixel checks shared by the canvas tests.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/canvas/canvas.h"

namespace canvas_check {

// Passes when every pixel of `s` equals want(x, y); names the first one that does not.
template <typename Want>
::testing::AssertionResult PixelsAre(const canvas::Surface& s, Want want) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (s.At(x, y) != want(x, y))
        return ::testing::AssertionFailure()
               << "pixel " << x << "," << y << " is " << int(s.At(x, y)) << ", expected " << int(want(x, y));
  return ::testing::AssertionSuccess();
}

inline int CountIndex(const canvas::Surface& s, uint8_t index) {
  return static_cast<int>(std::count(s.Pixels().begin(), s.Pixels().end(), index));
}

}  // namespace canvas_check
