// The two palette tables, the display palette and its pens.
#include "display/palette.h"

#include <algorithm>
#include <cmath>

#include "settings/analysis_settings.h"

PaletteState Palette;

namespace {

// The tables were always computed with this value of pi; the truncated components depend on it.
constexpr double kPi = 3.14159265359;

constexpr canvas::PaletteEntry kColorFixed[6] = {
    {0, 255, 0}, {0, 255, 255}, {255, 255, 200}, {255, 140, 0}, {255, 255, 200}, {0, 0, 0}};
constexpr canvas::PaletteEntry kGrayFixed[6] = {
    {0, 120, 0}, {0, 0, 0}, {80, 80, 80}, {180, 60, 0}, {0, 0, 0}, {255, 255, 255}};

uint8_t Truncated(double value) { return static_cast<uint8_t>(static_cast<int>(value)); }

void MakePens() {
  // Pens are palette indexes: re-making them resolves them against the entries now in the palette.
  const PaletteState fresh;
  Palette.CursorPen = fresh.CursorPen;
  Palette.SampleBPen = fresh.SampleBPen;
  Palette.FramePen = fresh.FramePen;
  Palette.MarkerPen = fresh.MarkerPen;
  Palette.EraserPen = fresh.EraserPen;
  Palette.CursorEdgePen = fresh.CursorEdgePen;
  Palette.ButtonFacePen = fresh.ButtonFacePen;
  Palette.ButtonShadowPen = fresh.ButtonShadowPen;
}

}  // namespace

void ResetPaletteState() { Palette = PaletteState{}; }

canvas::PaletteTable ComputeColorScaleEntries() {
  canvas::PaletteTable table{};
  std::copy(std::begin(kColorFixed), std::end(kColorFixed), table.begin());
  for (int i = 6; i <= 77; ++i) table[i] = {0, Truncated((1 - std::cos(i * kPi / 77)) * 126), 252};
  for (int i = 78; i <= 155; ++i)
    table[i] = {Truncated((1 - std::cos((i - 85) * kPi / 84)) * 126), 252,
                Truncated((1 + std::cos((i - 78) * kPi / 77)) * 126)};
  for (int i = 156; i <= 233; ++i) table[i] = {252, Truncated((1 + std::cos((i - 156) * kPi / 77)) * 126), 0};
  table[234] = table[235] = {252, 0, 0};
  return table;
}

canvas::PaletteTable ComputeGrayScaleEntries() {
  canvas::PaletteTable table{};
  std::copy(std::begin(kGrayFixed), std::end(kGrayFixed), table.begin());
  for (int i = 6; i < canvas::kPaletteSize; ++i) {
    const auto level = static_cast<uint8_t>(std::max(0, 220 - i));
    table[i] = {level, level, level};
  }
  return table;
}

void BuildPalette() {
  Palette.ColorScaleEntries = ComputeColorScaleEntries();
  Palette.GrayScaleEntries = ComputeGrayScaleEntries();
  Palette.DisplayPalette = Palette.ColorScaleEntries;
  Palette.PaletteBuilt = 1;
  MakePens();
}

void SwitchPalette(int choice) {
  if (!Palette.PaletteBuilt) BuildPalette();  // a switch before creation still finds both tables
  Palette.DisplayPalette = choice == ID_GRAY_SCALE ? Palette.GrayScaleEntries : Palette.ColorScaleEntries;
  MakePens();
}

canvas::PaletteEntry PenColour(canvas::Pen pen) {
  if (pen.index < canvas::kPaletteSize) return Palette.DisplayPalette[pen.index];
  return PresentationEntries()[pen.index];
}

canvas::PresentationPalette PresentationEntries() {
  canvas::PresentationPalette entries{};
  std::copy(Palette.DisplayPalette.begin(), Palette.DisplayPalette.end(), entries.begin());
  entries[kButtonFaceIndex] = kButtonFaceColour;
  entries[kButtonShadowIndex] = kButtonShadowColour;
  for (int i = kWindowBackgroundIndex; i < 256; ++i) entries[i] = kWindowBackgroundColour;
  return entries;
}
