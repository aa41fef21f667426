// Where a fresh freeze puts the view and where the frozen view reads. (The copy of the ring into
// Sample A is pinned by the freezes after 3 and 10 s in live_run_test.)
#include "audio/frozen_view.h"

#include <gtest/gtest.h>

TEST(FreezeCopy, ViewPositionOfAFreshFreeze) {
  EXPECT_EQ(std::make_tuple(FreezeViewPosition(3000, 8), FreezeViewPosition(100, 8),
                            FreezeViewPosition(10000, 8), FreezeViewPosition(4000, 4)),
            std::make_tuple(2814, 0, 7800, 7628));
}

TEST(FrozenView, TheSegmentIsCentredOnTheViewAndClampedAtTheEnds) {
  LiveViewState flags;
  const int bytes = 176400 * 4;  // 8 s stereo
  FrozenSegment f = LocateFrozenSegment(4000, bytes, 4, 0, flags);
  ASSERT_TRUE(f.fits);
  EXPECT_EQ(std::make_tuple(f.segmentStart, f.audioStart), std::make_tuple(88200 - 1024, 88200 - 1024));
  EXPECT_FALSE(flags.ViewClampedAtEnd || flags.ViewClampedAtStart || flags.AudioClampedAtEnd ||
               flags.AudioClampedAtStart);

  f = LocateFrozenSegment(8000, bytes, 4, 0, flags);  // all 2048 frames inside the sample
  EXPECT_EQ(std::make_tuple(f.segmentStart, flags.ViewClampedAtEnd), std::make_tuple(176400 - 2048, true));
  f = LocateFrozenSegment(0, bytes, 4, 0, flags);
  EXPECT_EQ(std::make_tuple(f.segmentStart, flags.ViewClampedAtStart, flags.ViewClampedAtEnd),
            std::make_tuple(0, true, false));

  // The delay moves the audio segment later; it is clamped on its own.
  f = LocateFrozenSegment(7990, bytes, 4, 100, flags);
  EXPECT_EQ(std::make_tuple(f.audioStart, flags.AudioClampedAtEnd), std::make_tuple(176400 - 2048, true));
  f = LocateFrozenSegment(100, bytes, 4, -2000, flags);
  EXPECT_EQ(std::make_tuple(f.audioStart, flags.AudioClampedAtStart), std::make_tuple(0, true));
  EXPECT_FALSE(LocateFrozenSegment(100, 1000, 4, 0, flags).fits);
}
