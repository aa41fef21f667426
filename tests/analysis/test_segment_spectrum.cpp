#include <gtest/gtest.h>

#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"
#include "analysis/segment_spectrum.h"
#include "support/signals.h"
#include "support/spectrum_signals.h"

namespace {

class SegmentSpectrumTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAnalysisState(); }
  void TearDown() override { ResetAnalysisState(); }
};

TEST_F(SegmentSpectrumTest, TakesChannelZeroAtTheRoundedFrame) {
  // Channel 0: silence, then from frame 11025 (0.5 s at 22050 Hz) a sine on bin 100; channel 1: noise.
  const int rate = 22050;
  std::vector<int16_t> left(20000, 0);
  const auto tone = testsig::Sine(100.0 * rate / 2048, 16384, rate, 2048);
  std::copy(tone.begin(), tone.end(), left.begin() + 11025);
  const auto stereo = testsig::Interleave(left, testsig::Noise(5, 30000, 20000));

  std::vector<int16_t> out;
  std::string error;
  SegmentSpectrumRequest request;
  request.atSeconds = 0.5;
  request.blockWindow = true;
  ASSERT_TRUE(SegmentSpectrum(stereo, 2, rate, request, &out, &error)) << error;
  ASSERT_EQ(out.size(), 1024u);
  EXPECT_EQ(out[100], 78);
  EXPECT_EQ(out[99], 72);

  // Same block through PowerSpectrum directly, with the bandwidth window at the default 10 Hz.
  request.blockWindow = false;
  ASSERT_TRUE(SegmentSpectrum(stereo, 2, rate, request, &out, &error)) << error;
  EXPECT_EQ(Analysis.WindowLength, 2048);
  std::vector<int16_t> direct = tone;
  PowerSpectrum(direct.data(), kBandWindowSelector);
  EXPECT_EQ(out, std::vector<int16_t>(direct.begin(), direct.begin() + 1024));

  // 0.49999 s rounds to the same frame 11025 only when it is within half a frame.
  request.atSeconds = 11024.6 / rate;
  ASSERT_TRUE(SegmentSpectrum(stereo, 2, rate, request, &out, &error));
  EXPECT_EQ(out, std::vector<int16_t>(direct.begin(), direct.begin() + 1024));

  request.bandwidthHz = 300;
  ASSERT_TRUE(SegmentSpectrum(stereo, 2, rate, request, &out, &error));
  EXPECT_EQ(Analysis.WindowLength, 73);
}

TEST_F(SegmentSpectrumTest, RefusesBlocksThatDoNotFit) {
  std::vector<int16_t> out{1, 2, 3};
  std::string error;
  SegmentSpectrumRequest request;
  EXPECT_FALSE(SegmentSpectrum(std::vector<int16_t>(2047, 0), 1, 22050, request, &out, &error));
  EXPECT_NE(error.find("too short"), std::string::npos) << error;
  EXPECT_EQ(out, (std::vector<int16_t>{1, 2, 3}));

  // 3000 frames of two channels: the last block starts at frame 952.
  const std::vector<int16_t> stereo(6000, 0);
  request.atSeconds = 952.0 / 22050;
  EXPECT_TRUE(SegmentSpectrum(stereo, 2, 22050, request, &out, &error)) << error;
  request.atSeconds = 953.0 / 22050;
  error.clear();
  EXPECT_FALSE(SegmentSpectrum(stereo, 2, 22050, request, &out, &error));
  EXPECT_NE(error.find("starts at"), std::string::npos) << error;
  request.atSeconds = -1;
  EXPECT_FALSE(SegmentSpectrum(stereo, 2, 22050, request, &out, &error));
  request.atSeconds = 0;
  request.bandwidthHz = 0;
  EXPECT_FALSE(SegmentSpectrum(stereo, 2, 22050, request, &out, &error));
  request.bandwidthHz = 10;
  EXPECT_FALSE(SegmentSpectrum(stereo, 0, 22050, request, &out, &error));
}

}  // namespace
