#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"

namespace {

struct FftTables : ::testing::Test {
  void SetUp() override {
    ResetAnalysisState();
    ASSERT_EQ(FftSetup(11, -1, -1.0f), 0);
  }
  void TearDown() override { ResetAnalysisState(); }
};

// Index of the last non-zero element plus one.
int NonZeroPrefix(const std::vector<double>& w) {
  return static_cast<int>(w.rend() - std::find_if(w.rbegin(), w.rend(), [](double v) { return v != 0.0; }));
}

// The tables themselves are pinned by the transform matching a direct DFT (test_power_spectrum);
// the smaller orders, which no program spectrum uses, reverse over log2(N/2) bits.
TEST_F(FftTables, SmallerOrdersReverseOverFewerBits) {
  ASSERT_EQ(FftSetup(5, -1, -1.0f), 0);
  EXPECT_EQ(Analysis.BitReverseTable,
            (std::vector<int16_t>{0, 16, 8, 24, 4, 20, 12, 28, 2, 18, 10, 26, 6, 22, 14, 30}));
}

TEST_F(FftTables, BandwidthSetsTheWindowLength) {
  struct Case { int hz, rate, length, nonZero; };
  // 10 Hz: 2205 clamped to the block; 300 Hz: 73 samples, a 72-point window; 0 Hz, 30000 Hz and
  // negative bandwidths: length 1, all zero; 1 Hz at 44100 asks for more than the block.
  for (const Case& c : {Case{10, 22050, 2048, 2048}, Case{300, 22050, 73, 72}, Case{0, 22050, 1, 0},
                        Case{30000, 22050, 1, 0}, Case{100, 44100, 441, 440}, Case{1, 44100, 2048, 2048},
                        Case{-50, 22050, 1, 0}}) {
    SetBandwidth(c.hz, c.rate);
    EXPECT_EQ(std::make_tuple(Analysis.WindowLength, NonZeroPrefix(Analysis.BandWindow), Analysis.BandWindow.size()),
              std::make_tuple(c.length, c.nonZero, size_t{2048})) << c.hz;
  }
  SetBandwidth(300, 22050);
  const auto& w = Analysis.BandWindow;
  EXPECT_EQ(w[36], 1.0);  // the peak is at h = 36
  for (int j = 1; j < 36; ++j) EXPECT_EQ(w[36 + j], w[36 - j]) << j;
  for (double v : w) EXPECT_EQ(v, static_cast<double>(static_cast<float>(v)));  // single precision

  // From milliseconds at set-up: 20 ms at 22050 Hz is 441 samples; 1 s is clamped to the block.
  ASSERT_EQ(FftSetup(11, 22050, 20.0f), 0);
  EXPECT_EQ(std::make_tuple(Analysis.WindowLength, NonZeroPrefix(Analysis.BandWindow)), std::make_tuple(441, 440));
  ASSERT_EQ(FftSetup(11, 22050, 1000.0f), 0);
  EXPECT_EQ(Analysis.WindowLength, 2048);
}

TEST_F(FftTables, WithoutTablesTheTransformRefusesAndTheGuardRebuildsThem) {
  for (int16_t order : {int16_t{4}, int16_t{15}, int16_t{-1}}) {
    EXPECT_EQ(FftSetup(order, -1, -1.0f), -1) << order;
    EXPECT_TRUE(Analysis.FftSize == 0 && Analysis.FftWork.empty() && Analysis.TwiddleTable.empty() &&
                Analysis.BandWindow.empty());
  }
  std::vector<int16_t> block(2048, 1000);
  EXPECT_FALSE(PowerSpectrum(block.data(), 0));
  SetBandwidth(10, 22050);  // harmless without tables
  EXPECT_TRUE(block == std::vector<int16_t>(2048, 1000) && Analysis.BandWindow.empty());

  // Released tables: the guard notices and builds them again, then leaves them (and the
  // bandwidth window) alone.
  ASSERT_TRUE(EnsureFftTables());
  EXPECT_EQ(Analysis.FftReady, 1);
  FftRelease();
  EXPECT_TRUE(Analysis.FftWork.empty() && Analysis.BitReverseTable.empty() && Analysis.TwiddleTable.empty() &&
              Analysis.BandWindow.empty() && Analysis.BlockWindow.empty() && Analysis.Decibels.Base.empty());
  EXPECT_FALSE(PowerSpectrum(block.data(), 1));
  ASSERT_TRUE(EnsureFftTables());
  EXPECT_EQ(Analysis.FftSize, 2048);
  SetBandwidth(300, 22050);
  ASSERT_TRUE(EnsureFftTables());
  EXPECT_TRUE(Analysis.WindowLength == 73 && PowerSpectrum(block.data(), 1));
}

}  // namespace
