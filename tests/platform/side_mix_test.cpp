// What a frame sounds like on each side at the volumes the program sets.
#include <gtest/gtest.h>

#include "platform/sound.h"

namespace {

TEST(SideMix, AChannelHeardAloneSoundsOnBothSides) {
  struct Case { uint32_t left, right; int16_t heardLeft, heardRight; };
  // Frame: Audio 1000 on the left, EGG -2000 on the right.
  const Case cases[] = {
      {0xFFFF, 0xFFFF, 1000, -2000},  // both heard, each on its side
      {0xFFFF, 0, 1000, 1000},        // Audio only: in both ears
      {0xF000, 0, 937, 937},          // ... at its own level
      {0, 0xFFFF, -2000, -2000},      // EGG only
      {0, 0, 0, 0},                   // nothing
      {0x8000, 0xFFFF, 500, -2000},   // both at their levels
  };
  for (const auto& c : cases) {
    int16_t l = 1, r = 1;
    SideMix(1000, -2000, c.left, c.right, &l, &r);
    EXPECT_EQ(std::make_pair(l, r), std::make_pair(c.heardLeft, c.heardRight)) << c.left << " " << c.right;
  }
}

}  // namespace
