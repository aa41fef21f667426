#pragma once
// 8-bit Windows bitmap files of a surface: file header (14 bytes), info header (40 bytes), a
// 256-entry colour table (blue, green, red, 0) whose first 236 entries are the palette and the
// rest zero, then the palette indexes row by row from the bottom, each row padded to 4 bytes.
// A reader parses such files back (tests, inspection).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas/canvas.h"

constexpr int kBitmapHeaderBytes = 14 + 40 + 256 * 4;  // pixel data starts here (1078)

// The whole file for `region` of `surface` (clipped to the surface); empty when nothing of the
// region lies on the surface.
std::vector<uint8_t> EncodeBitmap8(const canvas::Surface& surface, const canvas::PaletteTable& palette,
                                   canvas::Rect region);

// Writes the file; false when the region is empty or the file cannot be created or fully written
// (a partly written file may remain).
bool WriteBitmap8(const std::string& path, const canvas::Surface& surface, const canvas::PaletteTable& palette,
                  canvas::Rect region);
bool WriteBitmap8(const std::string& path, const canvas::Surface& surface, const canvas::PaletteTable& palette);

struct DecodedBitmap {
  int width = 0, height = 0;
  std::array<canvas::PaletteEntry, 256> colours{};
  canvas::Surface pixels;  // top row first, as drawn
};

// Parses an uncompressed 8-bit bitmap (rows bottom-up or top-down); nothing for anything else or
// for a truncated file.
std::optional<DecodedBitmap> DecodeBitmap8(const std::vector<uint8_t>& bytes);
std::optional<DecodedBitmap> ReadBitmap8(const std::string& path);
