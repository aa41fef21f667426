// The two palette tables, the switch between them and the pens.
#include <gtest/gtest.h>

#include "display/palette.h"
#include "settings/analysis_settings.h"

namespace {

using canvas::PaletteEntry;

TEST(PaletteTest, ColourScaleCheckValues) {
  const auto table = ComputeColorScaleEntries();
  const std::pair<int, PaletteEntry> checks[] = {
      {0, {0, 255, 0}},      {1, {0, 255, 255}},    {2, {255, 255, 200}},  {3, {255, 140, 0}},
      {4, {255, 255, 200}},  {5, {0, 0, 0}},        {6, {0, 3, 252}},      {77, {0, 252, 252}},
      {78, {4, 252, 252}},   {100, {19, 252, 204}}, {113, {63, 252, 143}}, {155, {235, 252, 0}},
      {156, {252, 252, 0}},  {200, {252, 97, 0}},   {233, {252, 0, 0}},    {234, {252, 0, 0}},
      {235, {252, 0, 0}}};
  for (const auto& [index, colour] : checks) EXPECT_EQ(table[index], colour) << "entry " << index;
  // Within each band one component runs monotonically: no wrap-around from a bad truncation.
  for (int i = 7; i <= 77; ++i) EXPECT_GE(table[i].green, table[i - 1].green) << i;
  for (int i = 79; i <= 155; ++i) EXPECT_LE(table[i].blue, table[i - 1].blue) << i;
  for (int i = 157; i <= 233; ++i) EXPECT_LE(table[i].green, table[i - 1].green) << i;
}

TEST(PaletteTest, GrayScaleCheckValues) {
  const auto table = ComputeGrayScaleEntries();
  const std::pair<int, PaletteEntry> checks[] = {
      {0, {0, 120, 0}},   {1, {0, 0, 0}},       {2, {80, 80, 80}}, {3, {180, 60, 0}},
      {4, {0, 0, 0}},     {5, {255, 255, 255}}, {6, {214, 214, 214}}, {7, {213, 213, 213}},
      {219, {1, 1, 1}},   {220, {0, 0, 0}},     {235, {0, 0, 0}}};
  for (const auto& [index, colour] : checks) EXPECT_EQ(table[index], colour) << "entry " << index;
}

TEST(PaletteTest, BuildShowsColourAndASwitchChangesTheEntriesAndThePensButNotTheChoice) {
  ResetPaletteState();
  AnalysisSettings.PaletteChoice = ID_GRAY_SCALE;  // the palette starts in colour whatever the choice
  BuildPalette();
  AnalysisSettings = AnalysisSettingsRecord{};
  EXPECT_EQ(Palette.DisplayPalette, ComputeColorScaleEntries());
  EXPECT_EQ(PenColour(Palette.FramePen), (PaletteEntry{255, 255, 200}));
  SwitchPalette(ID_GRAY_SCALE);
  EXPECT_EQ(Palette.DisplayPalette, Palette.GrayScaleEntries);
  EXPECT_EQ(AnalysisSettings.PaletteChoice, ID_COLOR_SCALE);  // the recorded choice is the caller's
  EXPECT_EQ(PenColour(Palette.FramePen), (PaletteEntry{80, 80, 80}));
  EXPECT_EQ(PenColour(Palette.EraserPen), (PaletteEntry{255, 255, 255}));
  EXPECT_EQ(PenColour(Palette.ButtonShadowPen), kButtonShadowColour);  // system colours do not switch
  // What the window shows: the display entries, then the two window colours, then white.
  const auto entries = PresentationEntries();
  for (int i = 0; i < canvas::kPaletteSize; ++i) EXPECT_EQ(entries[i], Palette.GrayScaleEntries[i]) << i;
  EXPECT_TRUE(entries[236] == kButtonFaceColour && entries[237] == kButtonShadowColour);
  for (int i = 238; i < 256; ++i) EXPECT_EQ(entries[i], (PaletteEntry{255, 255, 255})) << i;
  SwitchPalette(ID_COLOR_SCALE);
  EXPECT_EQ(PenColour(Palette.EraserPen), (PaletteEntry{0, 0, 0}));
  ResetPaletteState();
}

}  // namespace
