#include <gtest/gtest.h>

#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"
#include "analysis/segment_spectrum.h"
#include "signals/signals.h"
#include "support/spectrum_signals.h"

namespace {

struct SegmentSpectrumTest : ::testing::Test {
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
  SegmentSpectrumRequest request{.atSeconds = 0.5, .blockWindow = true};
  ASSERT_TRUE(SegmentSpectrum(stereo, 2, rate, request, &out, &error)) << error;
  ASSERT_EQ(out.size(), 1024u);
  EXPECT_EQ(std::make_pair(out[99], out[100]), std::make_pair(int16_t{72}, int16_t{78}));

  // The band window at the default 10 Hz, from a time within half a frame of frame 11025: the same
  // block as PowerSpectrum gets directly.
  std::vector<int16_t> direct = tone;
  PowerSpectrum(direct.data(), kBandWindowSelector);
  direct.resize(1024);
  request.blockWindow = false;
  request.atSeconds = 11024.6 / rate;
  ASSERT_TRUE(SegmentSpectrum(stereo, 2, rate, request, &out, &error)) << error;
  EXPECT_EQ(Analysis.WindowLength, 2048);
  EXPECT_EQ(out, direct);

  request.bandwidthHz = 300;
  ASSERT_TRUE(SegmentSpectrum(stereo, 2, rate, request, &out, &error));
  EXPECT_EQ(Analysis.WindowLength, 73);
}

TEST_F(SegmentSpectrumTest, RefusesBlocksThatDoNotFitAndBadArguments) {
  struct Case { size_t samples; int channels; double at; int bandwidthHz; const char* error; };  // nullptr: accepted
  // 3000 stereo frames: the last block starts at frame 952.
  for (const Case& c : {Case{2047, 1, 0, 10, "too short"}, Case{6000, 2, 952.0 / 22050, 10, nullptr},
                        Case{6000, 2, 953.0 / 22050, 10, "starts at"}, Case{6000, 2, -1, 10, ""},
                        Case{6000, 2, 0, 0, ""}, Case{6000, 0, 0, 10, ""}}) {
    std::vector<int16_t> out{1, 2, 3};
    std::string error;
    const bool ok = SegmentSpectrum(std::vector<int16_t>(c.samples, 0), c.channels, 22050,
                                    {.atSeconds = c.at, .bandwidthHz = c.bandwidthHz}, &out, &error);
    EXPECT_EQ(ok, c.error == nullptr) << c.samples << " " << c.at;
    // Refused: a message that says why, and the output left as it was.
    EXPECT_TRUE(!c.error || (!error.empty() && error.find(c.error) != std::string::npos &&
                             out == std::vector<int16_t>({1, 2, 3}))) << error;
  }
}

}  // namespace
