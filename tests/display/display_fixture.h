#pragma once
// A display set up as an 800 x 600 window would have it (13-pixel panel font: text 15 pixels
// high, characters 6 wide), from the program's start values, for the panel and frame tests.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/program.h"
#include "app/window_state.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "display/panel_state.h"
#include "display/render_scene.h"
#include "display/sample_slots.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { SetUpDisplay(800, 600); }
  void TearDown() override { ResetProgramState(); }
  void SetUpDisplay(int w, int h) {
    DisplayTest::TearDown();
    ApplyVariantStartValues(1);
    Companions.VariantTitle = "Legend";
    RenderSurfaceSpec surfaces{w, h, ComputePanelAreaHeight(h, 20, 15, 16), PanelFontHeight(w, 96)};
    ASSERT_TRUE(SetUpRenderSurfaces(surfaces));
  }
  static int Count(const canvas::Surface& s, int left, int top, int right, int bottom, uint8_t index) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += s.At(x, y) == index;
    return n;
  }
  static bool HasText(const std::string& text) {
    return std::any_of(Display.FrameTexts.begin(), Display.FrameTexts.end(),
                       [&](const auto& t) { return t.text == text; });
  }
  // The first text of the last frame that starts with `prefix`.
  static std::optional<std::string> Text(const std::string& prefix) {
    for (const auto& t : Display.FrameTexts)
      if (t.text.rfind(prefix, 0) == 0) return t.text;
    return std::nullopt;
  }
  static void Clear() { std::fill(Display.FrameDC.Pixels().begin(), Display.FrameDC.Pixels().end(), kBackgroundIndex); }
};
