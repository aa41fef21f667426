#include <algorithm>
#include <fstream>

#include "display/bitmap_writer.h"
#include "platform/headless/headless_backend.h"
#include "scripting/dump.h"

// `save-frame`: the window picture as the user last saw it, as an 8-bit BMP. The display's
// encoder knows the 236 palette entries; the window also shows the system colours above them
// (button face, shadow, white background), so those entries of the colour table are filled in
// from the presented palette before the file is written.
bool SaveLastPicture(const HeadlessBackend& backend, const std::string& path, std::string* reason) {
  const canvas::Surface& picture = backend.LastPicture();
  const auto& presented = backend.LastPalette();
  if (picture.Empty() || presented.size() < 256) {
    *reason = "no picture was presented yet";
    return false;
  }
  canvas::PaletteTable table{};
  std::copy_n(presented.begin(), canvas::kPaletteSize, table.begin());
  std::vector<uint8_t> bytes = EncodeBitmap8(picture, table, {0, 0, picture.Width(), picture.Height()});
  if (bytes.size() < static_cast<size_t>(kBitmapHeaderBytes)) {
    *reason = "the picture could not be encoded";
    return false;
  }
  constexpr size_t kColourTable = 14 + 40;
  for (size_t i = canvas::kPaletteSize; i < 256; ++i) {
    bytes[kColourTable + 4 * i + 0] = presented[i].blue;
    bytes[kColourTable + 4 * i + 1] = presented[i].green;
    bytes[kColourTable + 4 * i + 2] = presented[i].red;
    bytes[kColourTable + 4 * i + 3] = 0;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    *reason = "cannot create " + path;
    return false;
  }
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    *reason = "cannot write " + path;
    return false;
  }
  return true;
}
