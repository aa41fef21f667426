// Where a fresh freeze puts the view and where the frozen view reads. (The copy of the ring into
// Sample A is pinned by the freezes after 3 and 10 s in live_run_test.)
#include <gtest/gtest.h>


#include "audio/frozen_view.h"

namespace {

TEST(FreezeCopy, ViewPositionOfAFreshFreeze) {
  EXPECT_EQ(FreezeViewPosition(3000, 8), 2814);
  EXPECT_EQ(FreezeViewPosition(100, 8), 0);
  EXPECT_EQ(FreezeViewPosition(10000, 8), 7800);
  EXPECT_EQ(FreezeViewPosition(4000, 4), 7628);
}

TEST(FrozenView, TheSegmentIsCentredOnTheViewAndClampedAtTheEnds) {
  LiveViewState flags;
  const int bytes = 176400 * 4;  // 8 s stereo
  FrozenSegment f = LocateFrozenSegment(4000, bytes, 4, 0, flags);
  ASSERT_TRUE(f.fits);
  EXPECT_EQ(f.segmentStart, 88200 - 1024);
  EXPECT_EQ(f.audioStart, f.segmentStart);
  EXPECT_FALSE(flags.ViewClampedAtEnd || flags.ViewClampedAtStart || flags.AudioClampedAtEnd || flags.AudioClampedAtStart);

  f = LocateFrozenSegment(8000, bytes, 4, 0, flags);
  EXPECT_EQ(f.segmentStart, 176400 - 2048);  // all 2048 frames inside the sample
  EXPECT_TRUE(flags.ViewClampedAtEnd);
  f = LocateFrozenSegment(0, bytes, 4, 0, flags);
  EXPECT_EQ(f.segmentStart, 0);
  EXPECT_TRUE(flags.ViewClampedAtStart);
  EXPECT_FALSE(flags.ViewClampedAtEnd);

  // The delay moves the audio segment later; it is clamped on its own.
  f = LocateFrozenSegment(7990, bytes, 4, 100, flags);
  EXPECT_EQ(f.audioStart, 176400 - 2048);
  EXPECT_TRUE(flags.AudioClampedAtEnd);
  f = LocateFrozenSegment(100, bytes, 4, -2000, flags);
  EXPECT_EQ(f.audioStart, 0);
  EXPECT_TRUE(flags.AudioClampedAtStart);
  EXPECT_FALSE(LocateFrozenSegment(100, 1000, 4, 0, flags).fits);
}

}  // namespace
