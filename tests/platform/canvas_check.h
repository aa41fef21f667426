#pragma once
// Pixel checks shared by the canvas tests.
#include <gtest/gtest.h>

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
  int n = 0;
  for (uint8_t p : s.Pixels()) n += p == index;
  return n;
}

}  // namespace canvas_check
