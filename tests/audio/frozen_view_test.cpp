// The freeze copy (ring unrolled in time order, the newest seconds kept in Sample A, the view
// position) and where the frozen view reads.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/frozen_view.h"

namespace {

TEST(FreezeCopy, UnrollingPutsTheRingInTimeOrderEndingAtThePosition) {
  // Buffers of 8 bytes; buffer 2 is being filled, 3 bytes into it.
  const std::vector<uint8_t> b1 = {10, 11, 12, 13, 14, 15, 16, 17};
  const std::vector<uint8_t> b2 = {20, 21, 22, 23, 24, 25, 26, 27};
  std::vector<uint8_t> unrolled(16);
  UnrollRing(b1.data(), b2.data(), 8, 3, 1, unrolled);
  EXPECT_EQ(unrolled, (std::vector<uint8_t>{23, 24, 25, 26, 27, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21, 22}));
  UnrollRing(b1.data(), b2.data(), 8, 0, 0, unrolled);
  EXPECT_EQ(unrolled, (std::vector<uint8_t>{10, 11, 12, 13, 14, 15, 16, 17, 20, 21, 22, 23, 24, 25, 26, 27}));
}

TEST(FreezeCopy, AShortRunFillsOnlyTheStartOfTheSample) {
  // 8 s at 1000 frames/s, mono: a ring of 16000 bytes.
  std::vector<uint8_t> unrolled(16000);
  for (size_t i = 0; i < unrolled.size(); ++i) unrolled[i] = static_cast<uint8_t>(1 + i % 200);
  std::vector<uint8_t> sample(8000 * 2, 0xEE);
  const int copied = CopyNewestIntoSample(unrolled, 3000.9, 8, 1000, 2, sample);
  ASSERT_EQ(copied, 6000);  // 3000 frames x 2 bytes
  EXPECT_EQ(0, std::memcmp(sample.data(), unrolled.data() + 16000 - 6000, 6000));
  for (size_t i = 6000; i < sample.size(); ++i) ASSERT_EQ(sample[i], 0) << i;
  // Byte counts are rounded down to whole 4-byte units.
  EXPECT_EQ(CopyNewestIntoSample(unrolled, 3.0, 8, 1000, 2, sample), 4);
}

TEST(FreezeCopy, ALongRunKeepsTheNewestSampleLength) {
  std::vector<uint8_t> unrolled(16000);
  for (size_t i = 0; i < unrolled.size(); ++i) unrolled[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> sample(5000 * 2);  // a 5-second sample
  EXPECT_EQ(CopyNewestIntoSample(unrolled, 12000, 5, 1000, 2, sample), 10000);
  EXPECT_EQ(0, std::memcmp(sample.data(), unrolled.data() + 6000, 10000));
}

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
