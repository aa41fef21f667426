#pragma once
// Rectangles in 64-bit coordinates for clipping inside the canvas: every coordinate the program
// passes (any int) and every sum of two of them fits without overflow.
#include <algorithm>
#include <cstdint>

#include "platform/canvas/canvas.h"

namespace canvas {

struct IntRect {
  int64_t left = 0, top = 0, right = 0, bottom = 0;  // [left, right) x [top, bottom)
  bool Empty() const { return right <= left || bottom <= top; }
};

inline IntRect ToIntRect(Rect r) { return {r.left, r.top, r.right, r.bottom}; }

inline IntRect SurfaceBounds(const Surface& s) { return {0, 0, s.Width(), s.Height()}; }

inline IntRect Intersect(IntRect a, IntRect b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

// Fills a rectangle already clipped to the surface.
inline void FillClipped(Surface& s, IntRect r, uint8_t index) {
  if (r.Empty()) return;
  for (int64_t y = r.top; y < r.bottom; ++y) {
    uint8_t* row = s.Row(static_cast<int>(y));
    std::fill(row + r.left, row + r.right, index);
  }
}

}  // namespace canvas
