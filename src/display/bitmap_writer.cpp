// Writing and reading 8-bit uncompressed bitmap files.
#include "display/bitmap_writer.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

namespace {

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHolder = std::unique_ptr<std::FILE, FileClose>;

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}
uint32_t Get16(const std::vector<uint8_t>& in, size_t at) { return in[at] | static_cast<uint32_t>(in[at + 1]) << 8; }
uint32_t Get32(const std::vector<uint8_t>& in, size_t at) { return Get16(in, at) | Get16(in, at + 2) << 16; }

size_t PaddedRow(size_t width) { return (width + 3) / 4 * 4; }

}  // namespace

std::vector<uint8_t> EncodeBitmap8(const canvas::Surface& surface, const canvas::PaletteTable& palette,
                                   canvas::Rect region) {
  const int left = std::max(region.left, 0), top = std::max(region.top, 0);
  const int right = std::min(region.right, surface.Width()), bottom = std::min(region.bottom, surface.Height());
  if (right <= left || bottom <= top) return {};
  const auto width = static_cast<size_t>(right - left), height = static_cast<size_t>(bottom - top);
  const size_t stride = PaddedRow(width);
  const size_t imageBytes = stride * height;
  if (imageBytes > std::numeric_limits<uint32_t>::max() - kBitmapHeaderBytes) return {};  // no 32-bit size

  std::vector<uint8_t> file(kBitmapHeaderBytes + imageBytes, 0);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, static_cast<uint32_t>(file.size()));
  Put32(file, 10, kBitmapHeaderBytes);
  Put32(file, 14, 40);
  Put32(file, 18, static_cast<uint32_t>(width));
  Put32(file, 22, static_cast<uint32_t>(height));  // positive: rows bottom-up
  Put16(file, 26, 1);                              // planes
  Put16(file, 28, 8);                              // bits per pixel
  Put32(file, 34, static_cast<uint32_t>(imageBytes));
  Put32(file, 46, 256);  // colours used
  Put32(file, 50, 256);  // important colours
  for (int i = 0; i < canvas::kPaletteSize; ++i) {
    const size_t at = 54 + 4 * static_cast<size_t>(i);
    file[at] = palette[i].blue;
    file[at + 1] = palette[i].green;
    file[at + 2] = palette[i].red;
  }
  for (size_t row = 0; row < height; ++row) {
    const uint8_t* in = surface.Row(bottom - 1 - static_cast<int>(row)) + left;
    std::copy(in, in + width, file.begin() + static_cast<ptrdiff_t>(kBitmapHeaderBytes + row * stride));
  }
  return file;
}

bool WriteBitmap8(const std::string& path, const canvas::Surface& surface, const canvas::PaletteTable& palette,
                  canvas::Rect region) {
  const std::vector<uint8_t> bytes = EncodeBitmap8(surface, palette, region);
  if (bytes.empty()) return false;
  FileHolder file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
  // Closing flushes: a full disk shows up here.
  return std::fclose(file.release()) == 0;
}

bool WriteBitmap8(const std::string& path, const canvas::Surface& surface, const canvas::PaletteTable& palette) {
  return WriteBitmap8(path, surface, palette, canvas::Rect{0, 0, surface.Width(), surface.Height()});
}

std::optional<DecodedBitmap> DecodeBitmap8(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
  const uint32_t dataOffset = Get32(bytes, 10), headerSize = Get32(bytes, 14);
  const auto width = static_cast<int32_t>(Get32(bytes, 18)), rawHeight = static_cast<int32_t>(Get32(bytes, 22));
  if (headerSize < 40 || Get16(bytes, 28) != 8 || Get32(bytes, 30) != 0) return std::nullopt;
  if (width <= 0 || rawHeight == 0 || rawHeight == std::numeric_limits<int32_t>::min()) return std::nullopt;
  const int height = rawHeight < 0 ? -rawHeight : rawHeight;
  uint32_t colours = Get32(bytes, 46);
  if (colours == 0 || colours > 256) colours = 256;
  const size_t tableAt = 14 + static_cast<size_t>(headerSize);
  const size_t stride = PaddedRow(static_cast<size_t>(width));
  if (tableAt + 4 * size_t{colours} > bytes.size() || dataOffset > bytes.size() ||
      (bytes.size() - dataOffset) / stride < static_cast<size_t>(height))
    return std::nullopt;

  DecodedBitmap result;
  result.width = width;
  result.height = height;
  for (uint32_t i = 0; i < colours; ++i) {
    const size_t at = tableAt + 4 * size_t{i};
    result.colours[i] = {bytes[at + 2], bytes[at + 1], bytes[at]};
  }
  result.pixels = canvas::Surface(width, height);
  for (int row = 0; row < height; ++row) {
    const int y = rawHeight > 0 ? height - 1 - row : row;
    const uint8_t* in = bytes.data() + dataOffset + static_cast<size_t>(row) * stride;
    std::copy(in, in + width, result.pixels.Row(y));
  }
  return result;
}

std::optional<DecodedBitmap> ReadBitmap8(const std::string& path) {
  FileHolder file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  if (std::ferror(file.get())) return std::nullopt;
  return DecodeBitmap8(bytes);
}
