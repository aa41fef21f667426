// The conversion for devices that lack the program's rate: a 1 kHz tone through a 48000 Hz device,
// captured (48000 -> 22050, pushed a callback at a time) and played (22050 -> 48000, pulled).
#include "platform/portaudio/rate_converter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kToneHz = 1000.0, kPeak = 12000.0;

std::vector<int16_t> StereoTone(double rate, size_t frames) {
  std::vector<int16_t> v(frames * 2);
  for (size_t f = 0; f < frames; ++f)
    v[2 * f] = v[2 * f + 1] =
        static_cast<int16_t>(std::lround(kPeak * std::sin(2 * std::numbers::pi * kToneHz * f / rate)));
  return v;
}

// Checks the frequency (from upward zero crossings, within 0.5 Hz) and the level (RMS, within
// 0.1 dB of the tone's) of the left channel, past the converter's start-up.
void ExpectTheTone(const std::vector<int16_t>& v, double rate) {
  const size_t first = static_cast<size_t>(rate / 10), frames = v.size() / 2;
  size_t up = 0, firstUp = 0, lastUp = 0;
  double sum = 0;
  for (size_t f = first + 1; f < frames; ++f) {
    sum += static_cast<double>(v[2 * f]) * v[2 * f];
    if (v[2 * f - 2] < 0 && v[2 * f] >= 0) {
      if (up == 0) firstUp = f;
      lastUp = f;
      ++up;
    }
  }
  EXPECT_NEAR((up - 1) * rate / static_cast<double>(lastUp - firstUp), kToneHz, 0.5) << rate;
  EXPECT_NEAR(10 * std::log10(sum / static_cast<double>(frames - first - 1) / (kPeak * kPeak / 2)), 0.0, 0.1) << rate;
}

struct Pulled {
  const std::vector<int16_t>* tone;
  size_t at = 0;
};

TEST(RateConverter, A1kHzToneKeepsItsFrequencyAndLevelBothWaysThroughA48kHzDevice) {
  constexpr size_t kBlock = 1024;  // frames of one device callback
  // Capture: the device's frames at 48000 Hz, pushed a callback at a time, arrive at 22050 Hz.
  const auto tone48 = StereoTone(48000, 48000 * 2);
  auto in = pa::RateConverter::Make(48000, 22050, 2, kBlock);
  ASSERT_NE(in, nullptr);
  std::vector<int16_t> captured, out(in->OutCapacity() * 2);
  for (size_t f = 0; f + kBlock <= tone48.size() / 2; f += kBlock) {
    const size_t n = in->Push(tone48.data() + 2 * f, kBlock, out.data());
    ASSERT_LE(n, in->OutCapacity());
    captured.insert(captured.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(2 * n));
  }
  EXPECT_NEAR(captured.size() / 2.0, 2 * 22050.0, 1200.0);  // all of it, less the filter's delay
  ExpectTheTone(captured, 22050);

  // Playback: the program's frames at 22050 Hz, pulled a callback at a time by a 48000 Hz device.
  const auto tone22 = StereoTone(22050, 22050 * 2);
  auto play = pa::RateConverter::Make(22050, 48000, 2, kBlock);
  ASSERT_NE(play, nullptr);
  Pulled source{&tone22};
  auto take = [](void* user, int16_t* to, size_t frames) -> size_t {
    auto* p = static_cast<Pulled*>(user);
    const size_t n = std::min(frames, p->tone->size() / 2 - p->at);
    std::copy_n(p->tone->data() + 2 * p->at, 2 * n, to);
    p->at += n;
    return n;
  };
  std::vector<int16_t> played(2 * 88 * kBlock);  // 1.9 s: the tone lasts 2 s
  for (size_t f = 0; f < played.size() / 2; f += kBlock)
    play->Pull(played.data() + 2 * f, kBlock, take, &source);
  ExpectTheTone(played, 48000);
}

}  // namespace
