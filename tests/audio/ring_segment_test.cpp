// Reading the newest segment out of the two-buffer capture ring: where it lies for a device
// position, how it splits at a buffer boundary, and the guard against running past a buffer.
#include "audio/ring_segment.h"

#include <gtest/gtest.h>

#include <vector>

#include "signals/signals.h"

namespace {

constexpr int kRate = 22050;
constexpr int kBufferFrames = kRate * 4;
constexpr int kLatencyFrames = 75 * kRate / 1000;  // 1653

// The segment for a device `position` out of a ring whose buffers hold frames [first1, first1 +
// 88200) and [first2, ...), every frame carrying its own index (mod 32768) on each channel.
struct Read {
  RingSegment s;
  std::vector<int16_t> audio = std::vector<int16_t>(2048), trace = std::vector<int16_t>(2048, 7),
                       egg = std::vector<int16_t>(2048, -1), eggTrace = std::vector<int16_t>(2048, -1);
  Read(int channels, int first1, int first2, int64_t position, int delay = 0) {
    const auto b1 = testsig::IndexRamp(kBufferFrames, channels, first1);
    const auto b2 = testsig::IndexRamp(kBufferFrames, channels, first2);
    s = LocateByPosition(position, 75, kRate, kBufferFrames);
    if (s.usable)
      CopyRingSegment(reinterpret_cast<const uint8_t*>(b1.data()),
                      reinterpret_cast<const uint8_t*>(b2.data()), s, kBufferFrames, channels, delay,
                      audio.data(), trace.data(), egg.data(), eggTrace.data());
  }
};

int16_t Index(int64_t frame) { return static_cast<int16_t>(frame % 32768); }

TEST(RingSegment, SegmentsInsideABufferAndSplitAtItsBoundaryOrTheWrap) {
  // (Every step of a live run across the boundaries is checked in live_run_test; here the mono
  // ring and the channel copies.)
  struct Case {
    int first1, first2;
    int64_t position;
    int filling, previous;
    int64_t firstFrame;
  };
  const Case cases[] = {
      // Inside buffer 2: no split.
      {0, kBufferFrames, kBufferFrames + 10000, 1, 0, kBufferFrames + 10000 - kLatencyFrames - 2048},
      // Within the first 75 ms the position minus the latency is negative: from buffer 2's end
      // (silence at the start of a run).
      {0, kBufferFrames, 100, 0, 2048, 2 * kBufferFrames + 100 - kLatencyFrames - 2048},
      // 700 frames into buffer 2: the latency moves the segment back into buffer 1.
      {0, kBufferFrames, kBufferFrames + 700, 0, 0, kBufferFrames + 700 - kLatencyFrames - 2048},
      // 1000 frames into buffer 2 after the latency: 1048 frames from the end of buffer 1.
      {0, kBufferFrames, kBufferFrames + kLatencyFrames + 1000, 1, 1048, kBufferFrames - 1048},
      // The ring wrapped: buffer 1 is filled a second time and the segment starts in buffer 2.
      {2 * kBufferFrames, kBufferFrames, 2 * kBufferFrames + kLatencyFrames + 5, 0, 2043,
       2 * kBufferFrames - 2043},
  };
  for (int channels : {1, 2})
    for (const Case& c : cases) {
      Read r(channels, c.first1, c.first2, c.position);
      SCOPED_TRACE(testing::Message() << channels << " channels, position " << c.position);
      EXPECT_EQ(std::make_tuple(r.s.fillingSecond, r.s.previousCount, r.s.usable),
                std::make_tuple(c.filling, c.previous, true));
      for (int i = 0; i < 2048; ++i) {
        ASSERT_EQ(r.audio[i], Index(c.firstFrame + i)) << i;
        ASSERT_EQ(r.trace[i], r.audio[i]) << i;
        ASSERT_EQ(r.egg[i], channels == 2 ? r.audio[i] : -1) << i;
        ASSERT_EQ(r.eggTrace[i], r.egg[i]) << i;
      }
    }
  // The audio trace runs ahead by the delay; what lies past the segment is not written this step.
  Read delayed(2, 0, kBufferFrames, 30000, 5);
  for (int i = 0; i < 2043; ++i) ASSERT_EQ(delayed.trace[i], delayed.audio[i + 5]);
  EXPECT_EQ(std::vector<int16_t>(delayed.trace.begin() + 2043, delayed.trace.end()),
            std::vector<int16_t>(5, 7));
  EXPECT_EQ(delayed.eggTrace[0], delayed.audio[0]);
}

TEST(RingSegment, TheClockFallbackIsGuardedAgainstRunningPastTheBuffer) {
  // 1 s after the last buffer: inside buffer 2.
  RingSegment s = LocateByClock(1000.4, 75, kRate, kBufferFrames, 1);
  EXPECT_EQ(std::make_tuple(s.fillingSecond, s.offset, s.usable),
            std::make_tuple(1, (1000 - 75) * kRate / 1000 - 2048, true));
  // A buffer overdue by seconds would read past the end of the buffer: abandoned.
  for (double ms : {4100, 60000}) EXPECT_FALSE(LocateByClock(ms, 75, kRate, kBufferFrames, 0).usable) << ms;
  // The guard counts frames: the last start whose 2048 frames stay inside is still refused
  // when it touches the end, the one before it is taken.
  for (int before : {2048, 2049}) {
    RingSegment edge;
    edge.offset = kBufferFrames - before;
    SplitRingSegment(edge, kBufferFrames);
    EXPECT_EQ(edge.usable, before == 2049) << before;
  }
}

}  // namespace
