// The waveform envelope: the extent of a column. (How columns are painted and scrolled: the golden
// frames and the live runs.)
#include "display/envelope_panel.h"

#include <gtest/gtest.h>

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

}  // namespace
