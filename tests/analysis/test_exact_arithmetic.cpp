// The fast spectrum and its table-driven dB conversion against the plain, step-by-step arithmetic:
// every output value must be identical, over a large and varied corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <random>

#include "analysis/decibels.h"
#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"
#include "signals/signals.h"
#include "support/spectrum_signals.h"

namespace {

constexpr int kRate = 22050;

// The power spectrum written out step by step, the plain way: interleaved work array, bit-reversed
// indexing, divisions, log10 per bin. Slow and obvious; the program's fast PowerSpectrum must give
// the same numbers for every input.
void LiteralPowerSpectrum(int16_t* block, int16_t windowSelector) {
  const AnalysisState& a = Analysis;
  const int n = a.FftSize, m = n / 2;
  const std::vector<double>& window = windowSelector == 0 ? a.BandWindow : a.BlockWindow;
  const std::vector<int16_t>& rev = a.BitReverseTable;
  const std::vector<double>& tw = a.TwiddleTable;
  std::vector<double> w(2 * n, 0.0);
  for (int i = 0; i < n; ++i) w[i] = block[i] * window[i];

  for (int h = n / 4; h > 0; h /= 2) {
    for (int g = 0; 2 * g * h < m; ++g) {
      const double s = tw[2 * g], c = tw[2 * g + 1];
      for (int k = 0; k < h; ++k) {
        const int p = 2 * (2 * g * h + k), q = 2 * (2 * g * h + h + k);
        const double t1 = (w[q] * c + w[q + 1] * s) / 32768, t2 = (w[q] * s - w[q + 1] * c) / 32768;
        w[q] = (w[p] + t1) / 2;
        w[p] = w[q] - t1;
        w[q + 1] = (w[p + 1] - t2) / 2;
        w[p + 1] = w[q + 1] + t2;
      }
    }
  }
  for (int ia = 1, ib = m - 1; ia <= ib; ++ia, --ib) {
    const int p = rev[ia], q = rev[ib];
    const double A = tw[rev[ia]] / 32768, B = tw[rev[ia] + 1] / 32768;
    const double dr = w[p] - w[q], sr = dr + 2 * w[q], di = w[p + 1] - w[q + 1], si = di + 2 * w[q + 1];
    const double x = A * dr - B * si, y = B * dr + A * si;
    w[p] = (sr + x) / 2;
    w[q] = w[p] - x;
    w[p + 1] = (di + y) / 2;
    w[q + 1] = w[p + 1] - di;
  }
  w[0] = w[0] + w[1];
  w[1] = 0;
  for (int k = 0; k < m; ++k) {
    const double re = w[rev[k]], im = w[rev[k] + 1], power = re * re + im * im;
    block[k] = static_cast<int16_t>(std::clamp(power > 0 ? 10 * std::log10(power) : 0, -32768.0, 32767.0));
  }
  block[0] = static_cast<int16_t>(block[2] + 4);
  block[1] = static_cast<int16_t>(block[2] + 2);
  for (int i = 0; i < 10; ++i) block[i] = static_cast<int16_t>(block[i] - (10 - i));
}

double FromBits(uint64_t bits) { return std::bit_cast<double>(bits); }

struct ExactArithmetic : ::testing::Test {
  void SetUp() override {
    ResetAnalysisState();
    ASSERT_EQ(FftSetup(11, -1, -1.0f), 0);
    ASSERT_TRUE(Analysis.Decibels.Exact);
  }
  void TearDown() override { ResetAnalysisState(); }
};

TEST_F(ExactArithmetic, DecibelTableEqualsLog10AtEveryStepAndBucketEdge) {
  const DecibelTable& t = Analysis.Decibels;
  int64_t checked = 0;
  auto check = [&](double p) {
    ++checked;
    ASSERT_EQ(DecibelFromTable(t, p), DecibelOfPower(p)) << p;
  };
  const uint64_t first = DecibelTable::kFirstBits >> DecibelTable::kShift;
  const uint64_t end = DecibelTable::kEndBits >> DecibelTable::kShift;
  for (uint64_t bucket = first; bucket < end; ++bucket) {
    const uint64_t lo = bucket << DecibelTable::kShift, next = lo + (uint64_t{1} << DecibelTable::kShift);
    for (uint64_t d = 0; d < 4; ++d) {
      if (lo >= DecibelTable::kFirstBits + d) check(FromBits(lo - d));
      check(FromBits(lo + d));
      check(FromBits(next - 1 - d));
    }
    if (std::isfinite(t.Step[bucket])) {
      const uint64_t s = std::bit_cast<uint64_t>(t.Step[bucket]);
      for (uint64_t d = 0; d < 64; ++d) {
        check(FromBits(s - d));
        check(FromBits(s + d));
      }
      // The step is where the result changes.
      EXPECT_EQ(DecibelOfPower(FromBits(s)), DecibelOfPower(FromBits(s - 1)) + 1);
    }
  }
  EXPECT_GT(checked, 800000);
}

TEST_F(ExactArithmetic, DecibelTableEqualsLog10OnRandomAndSpecialPowers) {
  const DecibelTable& t = Analysis.Decibels;
  std::mt19937_64 gen(20240611);
  std::uniform_int_distribution<uint64_t> anyPositive(0, 0x7FEFFFFFFFFFFFFF);
  std::uniform_real_distribution<double> exponent(-40.0, 12.0);  // the powers spectra really have
  for (int i = 0; i < 1000000; ++i) {
    const double p = FromBits(anyPositive(gen));
    ASSERT_EQ(DecibelFromTable(t, p), DecibelOfPower(p)) << p;
    const double q = std::pow(10.0, exponent(gen));
    ASSERT_EQ(DecibelFromTable(t, q), DecibelOfPower(q)) << q;
  }
  // Whole-number powers (sums of squares of small integers) sit exactly on some dB boundaries.
  for (int i = 1; i < 200000; ++i) ASSERT_EQ(DecibelFromTable(t, i), DecibelOfPower(i)) << i;
  for (double p : {0.0, -0.0, -1.0, DBL_MIN, DBL_MIN / 2, DBL_TRUE_MIN, DBL_MAX, 1.0, 10.0, 0.1, std::pow(10.0, -0.1),
                   std::nextafter(std::pow(10.0, -0.1), 0.0), double{INFINITY}})
    EXPECT_EQ(DecibelFromTable(t, p), DecibelOfPower(p)) << p;
  // Truncated toward zero: -3.01, -0.46 and -13.01 dB.
  const std::pair<double, int> known[] = {{0.0, 0}, {1.0, 0}, {10.0, 10}, {0.5, -3}, {0.9, 0}, {0.05, -13}, {INFINITY, 32767}};
  for (auto [p, db] : known) EXPECT_EQ(DecibelOfPower(p), db) << p;
}

// Blocks of every kind the program meets: noise at many levels, sines, chirps, voices, EGG pulses,
// impulses, constants, clipping, and near-silence where the powers are tiny.
std::vector<std::vector<int16_t>> Corpus() {
  std::vector<std::vector<int16_t>> blocks;
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 60; ++i) blocks.push_back(testsig::Noise(100 + i, std::pow(10.0, unit(gen) * 4.6), 2048));
  for (int i = 0; i < 60; ++i)
    blocks.push_back(
        testsig::Sine(20 + unit(gen) * 11000, std::pow(10.0, unit(gen) * 4.5), kRate, 2048, unit(gen) * 6.3));
  for (int bin : {1, 2, 3, 10, 100, 511, 512, 1000, 1023})
    blocks.push_back(testsig::Sine(bin * double(kRate) / 2048, 32767, kRate, 2048));
  for (int i = 0; i < 30; ++i)
    blocks.push_back(testsig::Chirp(unit(gen) * 11000, unit(gen) * 11000, 100 + unit(gen) * 32000, kRate, 2048));
  for (int i = 0; i < 30; ++i)
    blocks.push_back(testsig::HarmonicSeries(80 + unit(gen) * 400, 1 + static_cast<int>(unit(gen) * 40),
                                             1000 + unit(gen) * 31000, kRate, 2048));
  for (int i = 0; i < 20; ++i)
    blocks.push_back(testsig::EggPulses(2 + unit(gen) * 10, 0.3 + unit(gen) * 0.4, 30000, kRate, 2048));
  for (int pos : {0, 1, 2, 1023, 1024, 2047}) blocks.push_back(testsig::Impulse(pos, 32767, 2048));
  for (int v : {0, 1, -1, 32767, -32768}) blocks.push_back(testsig::Constant(static_cast<int16_t>(v), 2048));
  for (int i = 0; i < 20; ++i) blocks.push_back(testsig::Noise(900 + i, 1.5, 2048));  // -1, 0, 1
  blocks.push_back(testsig::Sine(300, 90000, kRate, 2048));                           // clipped
  return blocks;
}

TEST_F(ExactArithmetic, FastSpectrumEqualsPlainArithmeticForEveryBin) {
  const auto corpus = Corpus();
  int64_t bins = 0;
  for (int bandwidth : {10, 23, 100, 300, 500, 0}) {
    SetBandwidth(bandwidth, kRate);
    for (int16_t selector = 0; selector <= (bandwidth == 10); ++selector) {  // the block window: once
      for (size_t b = 0; b < corpus.size(); ++b) {
        std::vector<int16_t> fast = corpus[b], plain = corpus[b];
        ASSERT_TRUE(PowerSpectrum(fast.data(), selector));
        LiteralPowerSpectrum(plain.data(), selector);
        ASSERT_EQ(fast, plain) << "block " << b << " bandwidth " << bandwidth << " selector " << selector;
        bins += 1024;
      }
    }
  }
  EXPECT_GT(bins, 1500000);
}

TEST_F(ExactArithmetic, FastSpectrumEqualsPlainArithmeticAtOtherOrders) {
  for (int16_t order : {int16_t{5}, int16_t{8}, int16_t{12}}) {
    ASSERT_EQ(FftSetup(order, -1, -1.0f), 0);
    const int n = 1 << order;
    SetBandwidth(200, kRate);
    for (uint32_t seed = 0; seed < 20; ++seed) {
      for (int16_t selector : {int16_t{0}, int16_t{1}}) {
        std::vector<int16_t> fast = testsig::Noise(seed, 20000, n), plain = fast;
        ASSERT_TRUE(PowerSpectrum(fast.data(), selector));
        LiteralPowerSpectrum(plain.data(), selector);
        ASSERT_EQ(fast, plain) << "order " << order << " seed " << seed;
      }
    }
  }
}

}  // namespace
