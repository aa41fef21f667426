#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"
#include "signals/signals.h"
#include "support/spectrum_signals.h"

namespace {

constexpr int kN = 2048;
constexpr int kRate = 22050;

struct PowerSpectrumTest : ::testing::Test {
  void SetUp() override {
    ResetAnalysisState();
    ASSERT_EQ(FftSetup(11, -1, -1.0f), 0);
    SetBandwidth(10, kRate);
  }
  void TearDown() override { ResetAnalysisState(); }

  static std::vector<int16_t> Spectrum(std::vector<int16_t> block, int16_t selector) {
    EXPECT_TRUE(PowerSpectrum(block.data(), selector));
    block.resize(kN / 2);
    return block;
  }
};

TEST_F(PowerSpectrumTest, SinesAndDcOnTheProgramsScale) {
  // 100 periods in the block (1076.66 Hz) at half scale: bin 100 shows 20 log10(16384 / 2) = 78.3,
  // its neighbours 6 dB less; bins 98 and 102 are the Hann window's zeros.
  auto out = Spectrum(testsig::Sine(100.0 * kRate / kN, 16384, kRate, kN), kBlockWindowSelector);
  EXPECT_EQ(std::make_tuple(out[99], out[100], out[101], *std::max_element(out.begin(), out.end())),
            std::make_tuple(72, 78, 72, 78));
  EXPECT_TRUE(out[98] < -100 && out[102] < -100) << out[98] << " " << out[102];
  for (int bin : {50, 200, 777})
    EXPECT_EQ(Spectrum(testsig::Sine(bin * double(kRate) / kN, 32767, kRate, kN), kBlockWindowSelector)[bin], 84);

  // DC: bins 0 and 1 come from bin 2 (a zero of the window), not from the DC power (about 84 dB).
  out = Spectrum(testsig::Constant(32767, kN), kBlockWindowSelector);
  EXPECT_EQ(std::make_pair(out[0] - out[2], out[1] - out[2]), std::make_pair(2, 1));
  EXPECT_LT(out[0], 0);
}

// At the default bandwidth the band window is the whole-block Hann window rounded to single precision.
TEST_F(PowerSpectrumTest, BandAndBlockWindowsAgreeAtTheDefaultBandwidth) {
  for (int i = 0; i < kN; ++i)
    EXPECT_NEAR(Analysis.BandWindow[i], Analysis.BlockWindow[i], 6e-8 * Analysis.BlockWindow[i]) << i;
}

// The transform against a direct DFT in long double of the same windowed block. The program's
// bin is truncate(20 log10(2 |X_k| / N)); its only error is the 16-bit twiddle table (each factor
// off by up to 0.5/32768), which adds noise about 90 dB under the block's strongest bins. A bin 60 dB
// or less under the strongest one therefore moves by far less than 1 dB, but any move can carry it
// across a whole dB, so such bins agree within 1 dB and almost always exactly.
TEST_F(PowerSpectrumTest, MatchesDirectDftWithinOneDb) {
  struct Input { std::vector<int16_t> block; int16_t selector; int bandwidthHz; };
  const std::vector<Input> inputs{
      {testsig::Noise(11, 30000, kN), 0, 10},        {testsig::Noise(12, 300, kN), 1, 10},
      {testsig::Noise(13, 12000, kN), 0, 100},       {testsig::Chirp(50, 10000, 25000, kRate, kN), 1, 10},
      {testsig::Chirp(3000, 200, 8000, kRate, kN), 0, 300}, {testsig::Sine(1234.5, 20000, kRate, kN), 1, 10},
      {testsig::Sine(97.3, 500, kRate, kN, 0.7), 0, 10}, {testsig::HarmonicSeries(220, 30, 30000, kRate, kN), 0, 50},
  };
  int compared = 0, exact = 0;
  for (const Input& in : inputs) {
    SetBandwidth(in.bandwidthHz, kRate);
    const auto out = Spectrum(in.block, in.selector);
    const auto& window = in.selector == 0 ? Analysis.BandWindow : Analysis.BlockWindow;
    const auto mags = testsig::DftMagnitudes(in.block, window);
    long double strongest = 0;
    for (int k = 2; k < kN / 2; ++k) strongest = std::max(strongest, mags[k]);
    for (int k = 2; k < kN / 2; ++k) {
      if (!(mags[k] > strongest * 1e-3L)) continue;  // 60 dB under the strongest bin
      const long double db = 20 * std::log10(2 * mags[k] / kN);
      const int expected = static_cast<int>(std::trunc(db)), shown = out[k] + (k < 10 ? (k == 2 ? 8 : 10 - k) : 0);
      EXPECT_LE(std::abs(shown - expected), 1) << "bin " << k << " dft " << static_cast<double>(db);
      ++compared, exact += shown == expected;
    }
  }
  EXPECT_TRUE(compared > 2000 && exact > compared * 99 / 100) << exact << " of " << compared;
}

}  // namespace
