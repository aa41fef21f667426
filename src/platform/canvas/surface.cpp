// Surfaces, rectangle copies between them and the conversion to packed RGB for presentation.
#include <algorithm>
#include <cstring>

#include "platform/canvas/canvas.h"
#include "platform/canvas/clip.h"

namespace canvas {
namespace {

// One table look-up per pixel, four per step: independent loads the processor can overlap.
void ConvertRun(const uint8_t* in, uint32_t* out, size_t width, const uint32_t* table) {
  size_t x = 0;
  for (; x + 4 <= width; x += 4) {
    const uint32_t a = table[in[x]], b = table[in[x + 1]], c = table[in[x + 2]], d = table[in[x + 3]];
    out[x] = a;
    out[x + 1] = b;
    out[x + 2] = c;
    out[x + 3] = d;
  }
  for (; x < width; ++x) out[x] = table[in[x]];
}

}  // namespace

Surface::Surface(int width, int height, uint8_t fill) { Resize(width, height, fill); }

uint8_t Surface::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void Surface::Resize(int width, int height, uint8_t fill) {
  if (width <= 0 || height <= 0) width = height = 0;
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
}

void CopyRect(Surface& dest, int x, int y, const Surface& source, int sx, int sy, int width, int height) {
  if (width <= 0 || height <= 0) return;
  // Work in 64 bits: callers may pass coordinates anywhere in the int range.
  int64_t dx0 = x, dy0 = y, sx0 = sx, sy0 = sy, w = width, h = height;
  // Clip against the source, moving the destination with it, then against the destination.
  auto clipAxis = [](int64_t& d, int64_t& s, int64_t& len, int64_t sourceLimit, int64_t destLimit) {
    if (s < 0) { d -= s; len += s; s = 0; }
    if (d < 0) { s -= d; len += d; d = 0; }
    len = std::min({len, sourceLimit - s, destLimit - d});
  };
  clipAxis(dx0, sx0, w, source.Width(), dest.Width());
  clipAxis(dy0, sy0, h, source.Height(), dest.Height());
  if (w <= 0 || h <= 0) return;
  const bool sameSurface = &dest == &source;
  // Rows copied bottom-up when moving down within one surface, so no source row is overwritten
  // before it is read; memmove handles the horizontal overlap.
  if (sameSurface && dy0 > sy0) {
    for (int64_t row = h - 1; row >= 0; --row)
      std::memmove(dest.Row(static_cast<int>(dy0 + row)) + dx0, source.Row(static_cast<int>(sy0 + row)) + sx0,
                   static_cast<size_t>(w));
  } else {
    for (int64_t row = 0; row < h; ++row)
      std::memmove(dest.Row(static_cast<int>(dy0 + row)) + dx0, source.Row(static_cast<int>(sy0 + row)) + sx0,
                   static_cast<size_t>(w));
  }
}

Surface CropSurface(const Surface& source, int sx, int sy, int width, int height, uint8_t fill) {
  Surface result(width, height, fill);
  CopyRect(result, 0, 0, source, sx, sy, width, height);
  return result;
}

RgbLookup MakeRgbLookup(const PaletteEntry* entries, int count) {
  RgbLookup lookup;
  lookup.fill(0xFF000000u);
  count = std::clamp(count, 0, 256);
  for (int i = 0; i < count; ++i)
    lookup[i] = 0xFF000000u | static_cast<uint32_t>(entries[i].red) << 16 |
                static_cast<uint32_t>(entries[i].green) << 8 | entries[i].blue;
  return lookup;
}

void SurfaceToRgb(const Surface& surface, const RgbLookup& lookup, Rect region, uint32_t* frame,
                  size_t frameStride) {
  const IntRect r = Intersect(ToIntRect(region), SurfaceBounds(surface));
  if (r.Empty()) return;
  const auto width = static_cast<size_t>(r.right - r.left);
  for (int64_t y = r.top; y < r.bottom; ++y)
    ConvertRun(surface.Row(static_cast<int>(y)) + r.left,
               frame + static_cast<size_t>(y) * frameStride + static_cast<size_t>(r.left), width, lookup.data());
}

std::vector<uint32_t> SurfaceToRgb(const Surface& surface, const PaletteTable& palette, Rect region) {
  const IntRect r = Intersect(ToIntRect(region), SurfaceBounds(surface));
  if (r.Empty()) return {};
  const auto width = static_cast<size_t>(r.right - r.left);
  const auto height = static_cast<size_t>(r.bottom - r.top);
  std::vector<uint32_t> pixels(width * height);
  const RgbLookup lookup = MakeRgbLookup(palette.data(), kPaletteSize);
  for (size_t row = 0; row < height; ++row)
    ConvertRun(surface.Row(static_cast<int>(r.top + static_cast<int64_t>(row))) + r.left, pixels.data() + row * width,
               width, lookup.data());
  return pixels;
}

std::vector<uint32_t> SurfaceToRgb(const Surface& surface, const PaletteTable& palette) {
  return SurfaceToRgb(surface, palette, Rect{0, 0, surface.Width(), surface.Height()});
}

}  // namespace canvas
