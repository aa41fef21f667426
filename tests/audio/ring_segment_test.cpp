// Reading the newest segment out of the two-buffer capture ring: where it lies for a device
// position, how it splits at a buffer boundary, and the guard against running past a buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/ring_segment.h"
#include "support/signals.h"

namespace {

constexpr int kRate = 22050;
constexpr int kBufferFrames = kRate * 4;
constexpr int kLatencyFrames = 75 * kRate / 1000;  // 1653

// A ring whose buffers hold the frames the device wrote last: buffer 1 frames [first1, first1 +
// 88200), buffer 2 [first2, ...). Every frame carries its own index (mod 32768) on each channel.
struct IndexRing {
  std::vector<uint8_t> b1, b2;
  IndexRing(int channels, int first1, int first2) {
    b1 = Bytes(testsig::IndexRamp(kBufferFrames, channels, first1));
    b2 = Bytes(testsig::IndexRamp(kBufferFrames, channels, first2));
  }
  static std::vector<uint8_t> Bytes(const std::vector<int16_t>& v) {
    std::vector<uint8_t> out(v.size() * 2);
    std::memcpy(out.data(), v.data(), out.size());
    return out;
  }
};

int16_t Index(int64_t frame) { return static_cast<int16_t>(frame % 32768); }

TEST(RingSegment, PositionInsideABufferNeedsNoSplit) {
  const RingSegment s = LocateByPosition(kBufferFrames + 10000, 75, kRate, kBufferFrames);
  EXPECT_EQ(s.fillingSecond, 1);
  EXPECT_EQ(s.offset, 10000 - kLatencyFrames - 2048);
  EXPECT_EQ(s.previousCount, 0);
  EXPECT_EQ(s.currentStart, s.offset);
  EXPECT_TRUE(s.usable);
}

TEST(RingSegment, TheSplitAtTheBoundaryTakesItsFirstFramesFromTheEndOfTheOtherBuffer) {
  for (int channels : {1, 2}) {
    SCOPED_TRACE(channels);
    // The device is 700 frames into buffer 2: the segment ends 1653 frames earlier, in buffer 1.
    {
      IndexRing ring(channels, 0, kBufferFrames);
      const int64_t position = kBufferFrames + 700;
      RingSegment s = LocateByPosition(position, 75, kRate, kBufferFrames);
      EXPECT_EQ(s.fillingSecond, 0);  // the latency moves the segment back into buffer 1
      ASSERT_TRUE(s.usable);
      std::vector<int16_t> audio(2048), trace(2048), egg(2048, -1), eggTrace(2048, -1);
      CopyRingSegment(ring.b1.data(), ring.b2.data(), s, kBufferFrames, channels, 0, audio.data(), trace.data(),
                      egg.data(), eggTrace.data());
      const int64_t first = position - kLatencyFrames - 2048;
      for (int i = 0; i < 2048; ++i) ASSERT_EQ(audio[i], Index(first + i)) << i;
    }
    // 1000 frames into buffer 2 after the latency: 1048 frames come from the end of buffer 1.
    {
      IndexRing ring(channels, 0, kBufferFrames);
      const int64_t position = kBufferFrames + kLatencyFrames + 1000;
      RingSegment s = LocateByPosition(position, 75, kRate, kBufferFrames);
      EXPECT_EQ(s.fillingSecond, 1);
      EXPECT_EQ(s.previousCount, 1048);
      EXPECT_EQ(s.currentStart, 0);
      ASSERT_TRUE(s.usable);
      std::vector<int16_t> audio(2048), trace(2048), egg(2048, -1), eggTrace(2048, -1);
      CopyRingSegment(ring.b1.data(), ring.b2.data(), s, kBufferFrames, channels, 0, audio.data(), trace.data(),
                      egg.data(), eggTrace.data());
      for (int i = 0; i < 2048; ++i) {
        ASSERT_EQ(audio[i], Index(kBufferFrames - 1048 + i)) << i;
        ASSERT_EQ(trace[i], audio[i]) << i;
        ASSERT_EQ(egg[i], channels == 2 ? audio[i] : -1) << i;
        ASSERT_EQ(eggTrace[i], channels == 2 ? audio[i] : -1) << i;
      }
    }
    // The ring wrapped: buffer 1 is being filled a second time and the segment starts in buffer 2.
    {
      IndexRing ring(channels, 2 * kBufferFrames, kBufferFrames);
      const int64_t position = 2 * kBufferFrames + kLatencyFrames + 5;
      RingSegment s = LocateByPosition(position, 75, kRate, kBufferFrames);
      EXPECT_EQ(s.fillingSecond, 0);
      EXPECT_EQ(s.previousCount, 2043);
      std::vector<int16_t> audio(2048), trace(2048), egg(2048), eggTrace(2048);
      CopyRingSegment(ring.b1.data(), ring.b2.data(), s, kBufferFrames, channels, 0, audio.data(), trace.data(),
                      egg.data(), eggTrace.data());
      for (int i = 0; i < 2048; ++i) ASSERT_EQ(audio[i], Index(2 * kBufferFrames - 2043 + i)) << i;
    }
  }
}

TEST(RingSegment, TheAudioTraceRunsAheadByTheDelay) {
  IndexRing ring(2, 0, kBufferFrames);
  RingSegment s = LocateByPosition(30000, 75, kRate, kBufferFrames);
  std::vector<int16_t> audio(2048), trace(2048, 7), egg(2048), eggTrace(2048);
  CopyRingSegment(ring.b1.data(), ring.b2.data(), s, kBufferFrames, 2, 5, audio.data(), trace.data(), egg.data(),
                  eggTrace.data());
  for (int i = 0; i < 2043; ++i) ASSERT_EQ(trace[i], audio[i + 5]);
  for (int i = 2043; i < 2048; ++i) EXPECT_EQ(trace[i], 7);  // not written this step
  EXPECT_EQ(eggTrace[0], audio[0]);
}

TEST(RingSegment, TheStartOfARunReadsSilenceFromTheEndOfBufferTwo) {
  // Within the first 75 ms the position minus the latency is negative.
  RingSegment s = LocateByPosition(100, 75, kRate, kBufferFrames);
  EXPECT_EQ(s.fillingSecond, 0);
  EXPECT_EQ(s.previousCount, 2048);
  EXPECT_TRUE(s.usable);
  EXPECT_EQ(kBufferFrames + s.offset, kBufferFrames + (100 - kLatencyFrames) - 2048);
}

TEST(RingSegment, TheClockFallbackIsGuardedAgainstRunningPastTheBuffer) {
  // 1 s after the last buffer: inside buffer 2.
  RingSegment s = LocateByClock(1000.4, 75, kRate, kBufferFrames, 1);
  EXPECT_EQ(s.fillingSecond, 1);
  EXPECT_EQ(s.offset, (1000 - 75) * kRate / 1000 - 2048);
  EXPECT_TRUE(s.usable);
  // A buffer overdue by seconds would read past the end of the buffer: abandoned.
  EXPECT_FALSE(LocateByClock(4100, 75, kRate, kBufferFrames, 0).usable);
  EXPECT_FALSE(LocateByClock(60000, 75, kRate, kBufferFrames, 0).usable);
  // The guard counts frames: the last start whose 2048 frames stay inside is still refused
  // when it touches the end, the one before it is taken.
  RingSegment edge;
  edge.offset = kBufferFrames - 2048;
  SplitRingSegment(edge, kBufferFrames);
  EXPECT_FALSE(edge.usable);
  edge.offset = kBufferFrames - 2049;
  SplitRingSegment(edge, kBufferFrames);
  EXPECT_TRUE(edge.usable);
}

}  // namespace
