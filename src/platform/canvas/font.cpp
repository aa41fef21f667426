// Fonts: Liberation Sans through FreeType, rendered monochrome so that every text pixel is exactly
// the text colour index. Metrics follow the classic text-metric rules (cell height from the
// font's Windows ascent and descent, average width weighted over the lowercase letters and space).
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/canvas/canvas.h"
#include "platform/canvas/clip.h"

#ifndef TX_FONT_DIR
#define TX_FONT_DIR "/usr/share/fonts/truetype/liberation"
#endif

namespace canvas {
namespace {

struct LibraryRelease {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceRelease {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryHolder = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryRelease>;
using FaceHolder = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceRelease>;

constexpr int kDefaultEmPixels = 12;

// Weights (per thousand) of the lowercase letters and the space in the classic average width.
constexpr int kLetterWeights[26] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20,
                                    56, 56, 17, 4,  49, 56, 71, 31, 10, 18, 3, 18, 2};
constexpr int kSpaceWeight = 166;

int ScaleRounded(long units, long pixels, long unitsPerEm) {
  return static_cast<int>((units * pixels + unitsPerEm / 2) / unitsPerEm);
}

// Next code point of UTF-8 text; a byte that does not start a valid sequence stands for itself
// (Latin-1), so 8-bit texts still show their characters.
char32_t NextCodePoint(std::string_view text, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  int length = 0;
  char32_t cp = 0;
  if (lead >= 0xC2 && lead <= 0xDF) { length = 2; cp = lead & 0x1F; }
  else if (lead >= 0xE0 && lead <= 0xEF) { length = 3; cp = lead & 0x0F; }
  else if (lead >= 0xF0 && lead <= 0xF4) { length = 4; cp = lead & 0x07; }
  if (length == 0 || pos + length > text.size()) {
    ++pos;
    return lead;
  }
  for (int i = 1; i < length; ++i) {
    const unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return lead;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  pos += length;
  return cp;
}

class FreeTypeFont final : public Font {
 public:
  FreeTypeFont(LibraryHolder library, FaceHolder face, int emPixels)
      : library_(std::move(library)), face_(std::move(face)) {
    const FT_Face f = face_.get();
    const long unitsPerEm = f->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    const long winAscent = os2 ? os2->usWinAscent : f->ascender;
    const long winDescent = os2 ? os2->usWinDescent : -f->descender;
    ascent_ = ScaleRounded(winAscent, emPixels, unitsPerEm);
    descent_ = ScaleRounded(winDescent, emPixels, unitsPerEm);
    long weighted = 0;
    for (int i = 0; i < 26; ++i) weighted += kLetterWeights[i] * AdvanceUnits(U'a' + i);
    weighted += kSpaceWeight * AdvanceUnits(U' ');
    averageCharWidth_ = ScaleRounded(weighted, emPixels, unitsPerEm * 1000);
  }

  int Height() const override { return ascent_ + descent_; }
  int Ascent() const override { return ascent_; }
  int AverageCharWidth() const override { return averageCharWidth_; }

  int TextWidth(std::string_view text) const override {
    int width = 0;
    for (size_t pos = 0; pos < text.size();) width += GlyphFor(NextCodePoint(text, pos)).advance;
    return width;
  }

  void Draw(Surface& surface, int x, int y, std::string_view text, uint8_t index) const override {
    if (surface.Empty()) return;
    const IntRect bounds = SurfaceBounds(surface);
    const int64_t baseline = int64_t{y} + ascent_;
    int64_t penX = x;
    for (size_t pos = 0; pos < text.size();) {
      const Glyph& g = GlyphFor(NextCodePoint(text, pos));
      const int64_t left = penX + g.left, top = baseline - g.top;
      penX += g.advance;
      const IntRect box = Intersect(IntRect{left, top, left + g.width, top + g.rows}, bounds);
      for (int64_t py = box.top; py < box.bottom && box.left < box.right; ++py) {
        const uint8_t* mask = g.mask.data() + (py - top) * g.width;
        uint8_t* row = surface.Row(static_cast<int>(py));
        for (int64_t px = box.left; px < box.right; ++px)
          if (mask[px - left]) row[px] = index;
      }
      // Glyphs reach at most a few pixels left of their pen position: the rest of the text lies
      // beyond the surface.
      if (penX - 64 > bounds.right) break;
    }
  }

 private:
  struct Glyph {
    int left = 0, top = 0;  // bitmap origin relative to the pen position on the baseline (up is +)
    int width = 0, rows = 0;
    int advance = 0;            // whole pixels
    std::vector<uint8_t> mask;  // width x rows, 1 where the glyph is inked
  };

  long AdvanceUnits(char32_t cp) const {
    FT_Fixed advance = 0;
    if (FT_Get_Advance(face_.get(), FT_Get_Char_Index(face_.get(), cp), FT_LOAD_NO_SCALE, &advance) != 0) return 0;
    return advance;
  }

  const Glyph& GlyphFor(char32_t cp) const {
    auto found = glyphs_.find(cp);
    if (found != glyphs_.end()) return found->second;
    return glyphs_.emplace(cp, Render(cp)).first->second;
  }

  Glyph Render(char32_t cp) const {
    Glyph glyph;
    const FT_Face f = face_.get();
    if (FT_Load_Glyph(f, FT_Get_Char_Index(f, cp), FT_LOAD_TARGET_MONO) != 0) return glyph;
    FT_GlyphSlot slot = f->glyph;
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return glyph;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.rows = static_cast<int>(bitmap.rows);
    glyph.mask.resize(static_cast<size_t>(glyph.width) * glyph.rows);
    for (int r = 0; r < glyph.rows; ++r) {
      const unsigned char* bits = bitmap.buffer + static_cast<ptrdiff_t>(r) * bitmap.pitch;
      for (int c = 0; c < glyph.width; ++c)
        glyph.mask[static_cast<size_t>(r) * glyph.width + c] = (bits[c >> 3] >> (7 - (c & 7))) & 1;
    }
    return glyph;
  }

  LibraryHolder library_;  // declared first: the face is released before its library
  FaceHolder face_;
  int ascent_ = 0, descent_ = 0, averageCharWidth_ = 0;
  mutable std::unordered_map<char32_t, Glyph> glyphs_;  // filled as characters are first used
};

}  // namespace

std::shared_ptr<Font> Font::Create(int height, int weight) {
  FT_Library rawLibrary = nullptr;
  if (FT_Init_FreeType(&rawLibrary) != 0) return nullptr;
  LibraryHolder library(rawLibrary);
  const std::string path =
      std::string(TX_FONT_DIR) + (weight >= 600 ? "/LiberationSans-Bold.ttf" : "/LiberationSans-Regular.ttf");
  FT_Face rawFace = nullptr;
  if (FT_New_Face(library.get(), path.c_str(), 0, &rawFace) != 0) return nullptr;
  FaceHolder face(rawFace);
  if (!FT_IS_SCALABLE(rawFace) || rawFace->units_per_EM == 0) return nullptr;

  int emPixels = kDefaultEmPixels;
  if (height < 0) {
    emPixels = -static_cast<long>(height) > 4096 ? 4096 : -height;
  } else if (height > 0) {
    // Cell height asked for: the character height whose ascent + descent comes nearest.
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(rawFace, FT_SFNT_OS2));
    const long cellUnits = os2 ? os2->usWinAscent + os2->usWinDescent : rawFace->height;
    emPixels = ScaleRounded(std::min(height, 4096), rawFace->units_per_EM, std::max(cellUnits, 1L));
  }
  emPixels = std::max(emPixels, 1);
  if (FT_Set_Pixel_Sizes(rawFace, 0, static_cast<FT_UInt>(emPixels)) != 0) return nullptr;
  return std::make_shared<FreeTypeFont>(std::move(library), std::move(face), emPixels);
}

}  // namespace canvas
