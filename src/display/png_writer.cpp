// Palette-indexed PNG through libpng's simplified interface, which reports failures as return
// values (its error jumps stay inside libpng, never across our frames).
#include "display/png_writer.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHolder = std::unique_ptr<std::FILE, FileClose>;

struct PngImage {
  png_image image{};
  std::vector<uint8_t> pixels;    // the region's indexes, rows packed
  std::vector<uint8_t> colormap;  // 256 x (red, green, blue)
  ~PngImage() { png_image_free(&image); }
};

// Fills `out` for the clipped region; false when nothing of it lies on the surface.
bool Prepare(const canvas::Surface& surface, const canvas::PaletteTable& palette, canvas::Rect region,
             PngImage& out) {
  const int left = std::max(region.left, 0), top = std::max(region.top, 0);
  const int right = std::min(region.right, surface.Width()),
            bottom = std::min(region.bottom, surface.Height());
  if (right <= left || bottom <= top) return false;
  const auto width = static_cast<size_t>(right - left), height = static_cast<size_t>(bottom - top);
  out.pixels.resize(width * height);
  for (size_t row = 0; row < height; ++row) {
    const uint8_t* in = surface.Row(top + static_cast<int>(row)) + left;
    std::copy(in, in + width, out.pixels.begin() + static_cast<ptrdiff_t>(row * width));
  }
  out.colormap.assign(256 * 3, 0);
  for (int i = 0; i < canvas::kPaletteSize; ++i) {
    out.colormap[3 * i] = palette[i].red;
    out.colormap[3 * i + 1] = palette[i].green;
    out.colormap[3 * i + 2] = palette[i].blue;
  }
  out.image.version = PNG_IMAGE_VERSION;
  out.image.width = static_cast<png_uint_32>(width);
  out.image.height = static_cast<png_uint_32>(height);
  out.image.format = PNG_FORMAT_RGB_COLORMAP;
  out.image.colormap_entries = 256;
  return true;
}

}  // namespace

std::vector<uint8_t> EncodePng8(const canvas::Surface& surface, const canvas::PaletteTable& palette,
                                canvas::Rect region) {
  PngImage png;
  if (!Prepare(surface, palette, region, png)) return {};
  png_alloc_size_t size = 0;
  // A first call without a buffer measures the file.
  if (!png_image_write_to_memory(&png.image, nullptr, &size, 0, png.pixels.data(), 0, png.colormap.data()))
    return {};
  std::vector<uint8_t> bytes(size);
  if (!png_image_write_to_memory(&png.image, bytes.data(), &size, 0, png.pixels.data(), 0,
                                 png.colormap.data()))
    return {};
  bytes.resize(size);
  return bytes;
}

bool WritePng8(const std::string& path, const canvas::Surface& surface, const canvas::PaletteTable& palette,
               canvas::Rect region) {
  PngImage png;
  if (!Prepare(surface, palette, region, png)) return false;
  FileHolder file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  if (!png_image_write_to_stdio(&png.image, file.get(), 0, png.pixels.data(), 0, png.colormap.data()))
    return false;
  // Closing flushes: a full disk shows up here.
  return std::fclose(file.release()) == 0;
}

bool WritePng8(const std::string& path, const canvas::Surface& surface, const canvas::PaletteTable& palette) {
  return WritePng8(path, surface, palette, canvas::Rect{0, 0, surface.Width(), surface.Height()});
}
