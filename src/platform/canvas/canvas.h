#pragma once
// Palette-indexed drawing. A Surface is an 8-bit picture whose pixels are indexes into the
// program's 236-entry palette; a DrawContext draws into one with the current position, pen, text
// colour, background colour and mode, and font. Every operation clips to the surface: nothing can
// write outside it. Lines do not paint their end point (1-pixel pens use Bresenham).
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace canvas {

struct PaletteEntry {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const PaletteEntry&) const = default;
};
constexpr int kPaletteSize = 236;
using PaletteTable = std::array<PaletteEntry, kPaletteSize>;

// The window picture is presented through 256 entries: 0..235 the display palette, 236 and up
// colours of the window itself (see the palette module). Unused entries present as black.
using PresentationPalette = std::array<PaletteEntry, 256>;

// A rectangle of pixels: [left, right) x [top, bottom).
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, uint8_t fill = 0);
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  uint8_t At(int x, int y) const;  // 0 outside the surface
  uint8_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  std::vector<uint8_t>& Pixels() { return pixels_; }
  const std::vector<uint8_t>& Pixels() const { return pixels_; }
  void Resize(int width, int height, uint8_t fill = 0);

 private:
  int width_ = 0, height_ = 0;
  std::vector<uint8_t> pixels_;
};

// Copies width x height pixels from (sx, sy) of `source` to (x, y) of `dest`, clipped to both
// surfaces. `source` and `dest` may be the same surface with overlapping rectangles.
void CopyRect(Surface& dest, int x, int y, const Surface& source, int sx, int sy, int width, int height);
// A new width x height surface holding the pixels of `source` from (sx, sy); pixels that fall
// outside `source` get `fill`.
Surface CropSurface(const Surface& source, int sx, int sy, int width, int height, uint8_t fill = 0);

// Presentation: palette index -> packed 0xFFRRGGBB.
using RgbLookup = std::array<uint32_t, 256>;
// Entries [0, count) come from `entries`; the rest are opaque black.
RgbLookup MakeRgbLookup(const PaletteEntry* entries, int count);
// Writes the pixels of `region` (clipped to the surface) as 0xFFRRGGBB into `frame`, an image of
// `frameStride` pixels per row with the surface's coordinates: pixel (x, y) goes to
// frame[y * frameStride + x]. Used for every presented frame, so it is one table look-up per pixel.
void SurfaceToRgb(const Surface& surface, const RgbLookup& lookup, Rect region, uint32_t* frame,
                  size_t frameStride);
// The pixels of `region` (clipped to the surface) as 0xFFRRGGBB, row-major, width x height of the
// clipped region; empty when nothing of the region lies on the surface.
std::vector<uint32_t> SurfaceToRgb(const Surface& surface, const PaletteTable& palette, Rect region);
std::vector<uint32_t> SurfaceToRgb(const Surface& surface, const PaletteTable& palette);

// A font of Liberation Sans (metrically compatible with Arial) rendered monochrome.
class Font {
 public:
  // height < 0: character height in pixels (em size); height > 0: cell height (ascent + descent);
  // 0: the default 12-pixel character height. weight >= 600 chooses the bold face. Returns null
  // when the font file cannot be loaded. Glyphs are cached inside the font as they are first drawn
  // (one thread only, like all drawing).
  static std::shared_ptr<Font> Create(int height, int weight = 400);
  virtual ~Font() = default;
  virtual int Height() const = 0;            // ascent + descent (the classic text-metric height)
  virtual int Ascent() const = 0;
  virtual int AverageCharWidth() const = 0;  // weighted average of 'a'..'z' and space
  virtual int TextWidth(std::string_view text) const = 0;
  // Draws text with its cell's top-left at (x, y): each pixel of a glyph is set to `index`.
  virtual void Draw(Surface& surface, int x, int y, std::string_view text, uint8_t index) const = 0;
};

// A solid pen. Width <= 1 draws one-pixel Bresenham lines; wider pens stamp a width x width square
// centred on each pixel of that line.
struct Pen {
  uint8_t index = 0;
  int width = 1;
  bool operator==(const Pen&) const = default;
};

enum class BackgroundMode { Transparent, Opaque };

struct TextMetrics {
  int height = 0;
  int ascent = 0;
  int averageCharWidth = 0;
};

struct TextExtent {
  int width = 0;
  int height = 0;
};

// One text drawn into a surface, kept when the surface's text log is on (for dumps and tests).
struct DrawnText {
  int x = 0, y = 0;
  std::string text;
  uint8_t colour = 0;
};

class DrawContext {
 public:
  explicit DrawContext(Surface* surface = nullptr) : surface_(surface) {}
  void SetSurface(Surface* surface) { surface_ = surface; }
  Surface* GetSurface() const { return surface_; }

  void SelectPen(Pen pen) { pen_ = pen; }
  Pen CurrentPen() const { return pen_; }
  void SetTextColour(uint8_t index) { textColour_ = index; }
  void SetBackgroundColour(uint8_t index) { backgroundColour_ = index; }
  void SetBackgroundMode(BackgroundMode mode) { backgroundMode_ = mode; }
  void SelectFont(std::shared_ptr<Font> font) { font_ = std::move(font); }
  const std::shared_ptr<Font>& CurrentFont() const { return font_; }

  void MoveTo(int x, int y) { x_ = x; y_ = y; }
  int CurrentX() const { return x_; }
  int CurrentY() const { return y_; }
  // Draws from the current position to (x, y) without painting (x, y); (x, y) becomes current.
  void LineTo(int x, int y);
  void SetPixel(int x, int y, uint8_t index);
  // Fills [left, right) x [top, bottom) with a palette index.
  void FillRect(int left, int top, int right, int bottom, uint8_t index);
  // Text with its cell's top-left at (x, y); opaque mode fills the cell with the background index.
  void TextOut(int x, int y, std::string_view text);
  TextExtent GetTextExtent(std::string_view text) const;
  TextMetrics GetTextMetrics() const;
  // Copies width x height pixels from (sx, sy) of source to (x, y) of this surface.
  void BitBlt(int x, int y, int width, int height, const Surface& source, int sx, int sy);
  // Moves the pixels of [left, right) x [top, bottom) by (dx, dy) within that rectangle; the
  // uncovered part keeps its old pixels.
  void ScrollRect(int left, int top, int right, int bottom, int dx, int dy);
  // Stretches a source rectangle onto a destination rectangle (nearest pixel).
  void StretchBlt(int x, int y, int width, int height, const Surface& source, int sx, int sy, int sw, int sh);

  // Text log: when on, every TextOut appends to the log.
  void SetTextLog(std::vector<DrawnText>* log) { textLog_ = log; }

 private:
  Surface* surface_ = nullptr;
  Pen pen_;
  uint8_t textColour_ = 0;
  uint8_t backgroundColour_ = 5;
  BackgroundMode backgroundMode_ = BackgroundMode::Opaque;
  std::shared_ptr<Font> font_;
  int x_ = 0, y_ = 0;
  std::vector<DrawnText>* textLog_ = nullptr;
};

}  // namespace canvas
