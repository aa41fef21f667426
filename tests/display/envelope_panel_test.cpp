// The waveform envelope: the extent of a column and what it paints.
#include <vector>

#include "display/envelope_panel.h"
#include "display_fixture.h"

namespace {

TEST(EnvelopeExtent, FromTheMiddle512SamplesOnlyInStepsOf256) {
  struct Case {
    std::vector<std::pair<int, int16_t>> samples;  // index, value; the rest silent
    int top, low;
  };
  // A transient outside entries 256..767 does not count. Full scale: 127/256 of the plot above the
  // centre, the negative side capped at half the plot. Values under 256 in size count as nothing.
  const Case cases[] = {{{}, 0, 0},
                        {{{255, 32767}, {768, -32768}}, 0, 0},
                        {{{256, 32767}, {767, -32768}}, 127 * 200 / 256, -100},
                        {{{400, 255}, {401, -255}}, 0, 0}};
  for (const Case& c : cases) {
    std::vector<int16_t> block(2048, 0);
    for (auto [i, v] : c.samples) block[i] = v;
    const EnvelopeExtent e = ComputeEnvelopeExtent(block.data(), 200);
    EXPECT_EQ(e.top, c.top) << c.samples.size();
    EXPECT_EQ(e.low, c.low) << c.samples.size();
  }
}

using EnvelopePanelTest = DisplayTest;

// (How a column of a live voice is painted: the golden frames.)
TEST_F(EnvelopePanelTest, ScrollErasesTheNewColumnOverThePanelHeight) {
  AnalysisSettings.StoredSeconds = 1;  // 10 ms a column across 100 pixels
  const int x = 50, bottom = 300, width = 100, height = 100;
  std::vector<int16_t> loud(2048, 20000), silent(2048, 0);
  for (size_t i = 0; i < loud.size(); i += 2) loud[i] = -20000;
  for (int k = 0; k <= width; ++k)
    DrawEnvelopeA(Display.FrameDC, Palette.FramePen, (k + 1) * 10, loud.data(), x, bottom, width, height, 0);
  EXPECT_EQ(Display.FrameDC.At(x + width - 2, bottom - 60), kFrameIndex);  // the centre row
  // Column width + 1: scroll, erase its pixel column, draw nothing (silence).
  DrawEnvelopeA(Display.FrameDC, std::nullopt, (width + 2) * 10, silent.data(), x, bottom, width, height, 0);
  for (int y = bottom - height; y < bottom; ++y) EXPECT_EQ(Display.FrameDC.At(x + width - 2, y), kBackgroundIndex);
  ResetSettingsState();
}

}  // namespace
