#pragma once
// Palette-indexed PNG files of a surface: each pixel keeps its palette index (8 bits, lossless),
// and the PNG palette holds 256 entries, the 236 of the palette and black for the rest, as the
// bitmap files' colour table does. The same sizes as the bitmap writer; only the container differs.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas/canvas.h"

// The whole file for `region` of `surface` (clipped to the surface); empty when nothing of the
// region lies on the surface or the encoder fails.
std::vector<uint8_t> EncodePng8(const canvas::Surface& surface, const canvas::PaletteTable& palette,
                                canvas::Rect region);

// Writes the file; false when the region is empty or the file cannot be created or fully written
// (a partly written file may remain).
bool WritePng8(const std::string& path, const canvas::Surface& surface, const canvas::PaletteTable& palette,
               canvas::Rect region);
bool WritePng8(const std::string& path, const canvas::Surface& surface, const canvas::PaletteTable& palette);
