// The drawing context: lines, pixels, fills, text, block copies, scrolling and stretching, each
// clipped to the surface before a single pixel is touched.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/canvas/canvas.h"
#include "platform/canvas/clip.h"

namespace canvas {
namespace {

using Wide = __int128;  // products of two 33-bit coordinate differences

// Bresenham line from (x0, y0) towards (x1, y1) without its end point, restricted to the pixels
// inside `clip`. The pixels are exactly those of the unclipped line: the first visible step and
// the error term there are computed in closed form, so a line from far outside costs no more
// than the visible part. Step i of n = max(|dx|, |dy|) is offset round_half_up(i * minor / major)
// along the minor axis.
template <typename Visit>
void TraceLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, IntRect clip, Visit&& visit) {
  if (clip.Empty()) return;
  const int64_t dx = std::llabs(x1 - x0), dy = std::llabs(y1 - y0);
  const int64_t sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
  const bool xMajor = dx >= dy;
  const int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
  if (major == 0) return;  // a zero-length line paints nothing: its only point is the end point
  const int64_t majorStart = xMajor ? x0 : y0, minorStart = xMajor ? y0 : x0;
  const int64_t majorSign = xMajor ? sx : sy, minorSign = xMajor ? sy : sx;
  const int64_t majorLo = xMajor ? clip.left : clip.top, majorHi = xMajor ? clip.right - 1 : clip.bottom - 1;
  const int64_t minorLo = xMajor ? clip.top : clip.left, minorHi = xMajor ? clip.bottom - 1 : clip.right - 1;

  // Step range [first, last], minor offset and error term at `first`.
  int64_t first = 0, last = major - 1, offset = 0, error = major;
  const auto inside = [&](int64_t px, int64_t py) {
    return px >= clip.left && px < clip.right && py >= clip.top && py < clip.bottom;
  };
  // The usual case needs no clipping: every step lies between the two points.
  if (!inside(x0, y0) || !inside(x1, y1)) {
    // Steps whose major coordinate lies inside the clip.
    if (majorSign > 0) {
      first = std::max(first, majorLo - majorStart);
      last = std::min(last, majorHi - majorStart);
    } else {
      first = std::max(first, majorStart - majorHi);
      last = std::min(last, majorStart - majorLo);
    }
    if (first > last) return;

    // Minor offsets allowed by the clip; the offset never decreases with the step.
    const int64_t offsetLo = minorSign > 0 ? minorLo - minorStart : minorStart - minorHi;
    const int64_t offsetHi = minorSign > 0 ? minorHi - minorStart : minorStart - minorLo;
    auto offsetAt = [&](int64_t i) {
      return static_cast<int64_t>((Wide{2} * i * minor + major) / (Wide{2} * major));
    };
    if (offsetAt(last) < offsetLo || offsetAt(first) > offsetHi) return;
    {  // first step with offset >= offsetLo
      int64_t lo = first, hi = last;
      while (lo < hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (offsetAt(mid) >= offsetLo) hi = mid; else lo = mid + 1;
      }
      first = lo;
    }
    {  // last step with offset <= offsetHi
      int64_t lo = first, hi = last;
      while (lo < hi) {
        const int64_t mid = lo + (hi - lo + 1) / 2;
        if (offsetAt(mid) <= offsetHi) lo = mid; else hi = mid - 1;
      }
      last = lo;
    }
    const Wide numerator = Wide{2} * first * minor + major;
    offset = static_cast<int64_t>(numerator / (Wide{2} * major));
    error = static_cast<int64_t>(numerator % (Wide{2} * major));
  }

  const int64_t twoMajor = 2 * major, twoMinor = 2 * minor;
  int64_t majorPos = majorStart + majorSign * first;
  for (int64_t i = first; i <= last; ++i) {
    const int64_t minorPos = minorStart + minorSign * offset;
    if (xMajor) visit(majorPos, minorPos); else visit(minorPos, majorPos);
    majorPos += majorSign;
    error += twoMinor;
    if (error >= twoMajor) {
      error -= twoMajor;
      ++offset;
    }
  }
}

}  // namespace

void DrawContext::LineTo(int x, int y) {
  const int64_t x0 = x_, y0 = y_;
  x_ = x;
  y_ = y;
  if (!surface_ || surface_->Empty()) return;
  Surface& s = *surface_;
  const IntRect bounds = SurfaceBounds(s);
  const uint8_t index = pen_.index;
  if (pen_.width <= 1) {
    TraceLine(x0, y0, x, y, bounds, [&](int64_t px, int64_t py) {
      s.Row(static_cast<int>(py))[px] = index;
    });
    return;
  }
  // Wide pen: a width x width square on every pixel of the thin line; the line is traced over the
  // surface grown by the square's reach so that squares overlapping the edge still land.
  const int64_t before = pen_.width / 2, after = pen_.width - 1 - before;
  const IntRect reach{-after, -after, s.Width() + before, s.Height() + before};
  TraceLine(x0, y0, x, y, reach, [&](int64_t px, int64_t py) {
    FillClipped(s, Intersect(IntRect{px - before, py - before, px + after + 1, py + after + 1}, bounds), index);
  });
}

void DrawContext::SetPixel(int x, int y, uint8_t index) {
  if (!surface_ || x < 0 || y < 0 || x >= surface_->Width() || y >= surface_->Height()) return;
  surface_->Row(y)[x] = index;
}

void DrawContext::FillRect(int left, int top, int right, int bottom, uint8_t index) {
  if (!surface_) return;
  FillClipped(*surface_, Intersect(IntRect{left, top, right, bottom}, SurfaceBounds(*surface_)), index);
}

void DrawContext::TextOut(int x, int y, std::string_view text) {
  if (textLog_) textLog_->push_back(DrawnText{x, y, std::string(text), textColour_});
  if (!surface_ || !font_) return;
  if (backgroundMode_ == BackgroundMode::Opaque) {
    const int64_t width = font_->TextWidth(text), height = font_->Height();
    FillClipped(*surface_, Intersect(IntRect{x, y, x + width, y + height}, SurfaceBounds(*surface_)),
                backgroundColour_);
  }
  font_->Draw(*surface_, x, y, text, textColour_);
}

TextExtent DrawContext::GetTextExtent(std::string_view text) const {
  if (!font_) return {};
  return TextExtent{font_->TextWidth(text), font_->Height()};
}

TextMetrics DrawContext::GetTextMetrics() const {
  if (!font_) return {};
  return TextMetrics{font_->Height(), font_->Ascent(), font_->AverageCharWidth()};
}

void DrawContext::BitBlt(int x, int y, int width, int height, const Surface& source, int sx, int sy) {
  if (!surface_) return;
  CopyRect(*surface_, x, y, source, sx, sy, width, height);
}

void DrawContext::ScrollRect(int left, int top, int right, int bottom, int dx, int dy) {
  if (!surface_) return;
  const IntRect area = Intersect(IntRect{left, top, right, bottom}, SurfaceBounds(*surface_));
  if (area.Empty()) return;
  // The part of the area that still shows area pixels after the move, and where they come from.
  const IntRect target = Intersect(area, IntRect{area.left + dx, area.top + dy, area.right + dx, area.bottom + dy});
  if (target.Empty()) return;
  CopyRect(*surface_, static_cast<int>(target.left), static_cast<int>(target.top), *surface_,
           static_cast<int>(target.left - dx), static_cast<int>(target.top - dy),
           static_cast<int>(target.right - target.left), static_cast<int>(target.bottom - target.top));
}

void DrawContext::StretchBlt(int x, int y, int width, int height, const Surface& source, int sx, int sy, int sw,
                             int sh) {
  if (!surface_ || width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return;
  Surface& dest = *surface_;
  const IntRect target = Intersect(IntRect{x, y, int64_t{x} + width, int64_t{y} + height}, SurfaceBounds(dest));
  if (target.Empty()) return;
  // Nearest pixel: destination pixel i samples the source at the centre of its span. Pixels whose
  // source lies outside the source surface keep their old value.
  auto sourceOf = [](int64_t i, int64_t start, int64_t destLen, int64_t srcLen) {
    return start + static_cast<int64_t>((Wide{2} * i + 1) * srcLen / (Wide{2} * destLen));
  };
  if (&source == &dest) {
    // Sampling from the picture being written would read pixels already replaced.
    const Surface copy = source;
    StretchBlt(x, y, width, height, copy, sx, sy, sw, sh);
    return;
  }
  std::vector<int64_t> columns(static_cast<size_t>(target.right - target.left));
  for (int64_t px = target.left; px < target.right; ++px)
    columns[static_cast<size_t>(px - target.left)] = sourceOf(px - x, sx, width, sw);
  for (int64_t py = target.top; py < target.bottom; ++py) {
    const int64_t srcY = sourceOf(py - y, sy, height, sh);
    if (srcY < 0 || srcY >= source.Height()) continue;
    const uint8_t* in = source.Row(static_cast<int>(srcY));
    uint8_t* out = dest.Row(static_cast<int>(py));
    for (int64_t px = target.left; px < target.right; ++px) {
      const int64_t srcX = columns[static_cast<size_t>(px - target.left)];
      if (srcX >= 0 && srcX < source.Width()) out[px] = in[srcX];
    }
  }
}

}  // namespace canvas
