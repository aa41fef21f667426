// The averaging, the difference smoothing and the F0 peak search are shaped for vector units
// (blocks, prefix sums, the truncating division done in floating point, inner bins unclamped); they
// must give exactly the integers of the plain loops they replace, for every count, width, size and
// value range the program can meet. Then the F0 tracker's outlier rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "audio/f0_tracker.h"
#include "audio/spectrum_history.h"

namespace {

// The plain loops: sum each point over the used spectra, divide with the integer division.
std::vector<int16_t> PlainAverage(const std::vector<int16_t>& history, int count, int points,
                                  bool clampNegative) {
  count = std::max(count, 1);
  std::vector<int16_t> out(std::min(points, kMaxPoints));
  for (size_t i = 0; i < out.size(); ++i) {
    int sum = 0;
    for (int j = 0; j < count; ++j) sum += history[i + static_cast<size_t>(points) * j];
    out[i] = static_cast<int16_t>(clampNegative ? std::max(sum / count, 0) : sum / count);
  }
  return out;
}

std::vector<int16_t> PlainSmoothing(const std::vector<int16_t>& diff, int width) {
  const int points = static_cast<int>(diff.size());
  std::vector<int16_t> out(points);
  for (int i = 0; i < points; ++i) {
    int sum = 0;
    for (int k = i - width / 2; k <= i + width / 2; ++k) sum += diff[std::clamp(k, 0, points - 1)];
    out[i] = static_cast<int16_t>(sum / width);
  }
  return out;
}

// The plain peak scan: every bin with clamped neighbours, first match moved right on a rising top.
int PlainPeakBin(const std::vector<int16_t>& v, int maxMoveRight) {
  const int points = static_cast<int>(v.size());
  auto at = [&](int k) { return static_cast<int>(v[std::clamp(k, 0, points - 1)]); };
  for (int k = 0; k < points; ++k) {
    if (at(k) <= at(k - 2) + 10 || at(k) <= at(k + 2) + 10 || at(k - 4) >= at(k - 2) ||
        at(k + 4) >= at(k + 2))
      continue;
    for (int moved = 0; moved < maxMoveRight && k + 1 < points && v[k + 1] >= v[k]; ++moved) ++k;
    return k;
  }
  return -1;
}

std::vector<int16_t> Averaged(const std::vector<int16_t>& history, int count, int points,
                              bool clampNegative) {
  std::vector<int16_t> out(std::min(points, kMaxPoints), 0x5a5a);
  AverageHistory(history.data(), count, points, clampNegative, out.data());
  return out;
}

// Values of one of several kinds: full 16-bit range, dB-like (-120..20), the extremes only.
int16_t Value(std::mt19937& rng, int kind) {
  if (kind == 2) return rng() & 1 ? int16_t{32767} : int16_t{-32768};
  return static_cast<int16_t>(
      std::uniform_int_distribution<int>(kind == 0 ? -32768 : -120, kind == 0 ? 32767 : 20)(rng));
}

TEST(AnalysisStepEquivalence, AveragesMatchThePlainLoopForEveryCountAndValueRange) {
  std::mt19937 rng(20240611);
  for (int points : {1024, 1000, 17, 5}) {
    std::vector<int16_t> history(static_cast<size_t>(points) * 256);
    for (int kind = 0; kind < 3; ++kind) {
      for (auto& v : history) v = Value(rng, kind);
      for (int count = 0; count <= 256; count += points == 1024 ? 1 : 15) {
        for (bool clamp : {false, true})
          ASSERT_EQ(Averaged(history, count, points, clamp), PlainAverage(history, count, points, clamp))
              << "points " << points << " kind " << kind << " count " << count << " clamp " << clamp;
      }
    }
  }
  // More spectra than one history holds (not met in the program) still average correctly.
  std::vector<int16_t> history(40 * 600);
  for (auto& v : history) v = Value(rng, 0);
  for (int count : {257, 300, 600})
    EXPECT_EQ(Averaged(history, count, 40, true), PlainAverage(history, count, 40, true)) << count;
}

// Sums one below, at and one above every multiple of the count, across the whole range of means:
// where a floating-point quotient would first round onto the wrong side of a whole number.
TEST(AnalysisStepEquivalence, AveragesAtTheEdgesOfEveryQuotient) {
  constexpr int kPoints = 1024;
  for (int count : {2, 3, 7, 10, 25, 49, 100, 127, 255, 256}) {
    std::vector<int16_t> history(static_cast<size_t>(kPoints) * count);
    for (int first = 0; first < 3 * 65536; first += kPoints) {
      for (int i = 0; i < kPoints; ++i) {
        const int n = first + i;
        const int mean = -32768 + (n / 3) % 65536;  // every 16-bit mean
        const int offset = n % 3 - 1;               // sum = mean * count - 1, + 0, + 1
        // Every spectrum holds the mean; the first carries the offset where it stays in range.
        for (int j = 0; j < count; ++j)
          history[i + static_cast<size_t>(kPoints) * j] = static_cast<int16_t>(mean);
        const int adjusted = mean + offset;
        if (adjusted >= -32768 && adjusted <= 32767) history[i] = static_cast<int16_t>(adjusted);
      }
      ASSERT_EQ(Averaged(history, count, kPoints, false), PlainAverage(history, count, kPoints, false))
          << "count " << count << " first " << first;
    }
  }
}

TEST(AnalysisStepEquivalence, SmoothingMatchesThePlainLoopForEveryWidth) {
  std::mt19937 rng(99);
  for (int points : {1024, 999, 8, 1}) {
    std::vector<int16_t> diff(points);
    for (int kind = 0; kind < 3; ++kind) {
      for (auto& v : diff) v = Value(rng, kind);
      std::vector<int> widths = {511, 1023, 1024, 1025, 2047, 2048, 2049, 3000};
      for (int w = 1; w <= 300; ++w) widths.push_back(w);
      for (int w : widths) {
        std::vector<int16_t> out(points, 0x5a5a);
        SmoothDifference(diff.data(), points, w, out.data());
        ASSERT_EQ(out, PlainSmoothing(diff, w)) << "points " << points << " kind " << kind << " width " << w;
      }
    }
  }
  // The width is the smoothing band in bins, at least 2.
  EXPECT_EQ(std::make_tuple(DifferenceSmoothingWidth(10, 22050), DifferenceSmoothingWidth(100, 22050)),
            std::make_tuple(2, 9));  // 100 / 10.77
}

TEST(AnalysisStepEquivalence, PeakSearchFindsTheBinOfThePlainScan) {
  std::mt19937 rng(4242);
  int found = 0, none = 0;
  for (int points : {1024, 1023, 13, 9, 8, 5, 4, 3, 1}) {
    for (int trial = 0; trial < 400; ++trial) {
      // A floor (flat, noisy or at the 16-bit extremes) with zero to three peaks anywhere, the edges
      // and the first and last inner bins included.
      std::vector<int16_t> v(points);
      const int kind = trial % 4;
      for (auto& x : v)
        x = kind == 0 ? int16_t{-60} : kind == 3 ? Value(rng, 2) : static_cast<int16_t>(-70 + rng() % 12);
      for (int p = static_cast<int>(rng() % 4); p > 0; --p) {
        const int at = trial % 7 == 0 ? std::min(points - 1, static_cast<int>(rng() % 6))
                                      : static_cast<int>(rng() % points);
        // A peak, mostly on shoulders two bins out (the rule wants them above the bins four out).
        auto put = [&](int k, int value) {
          if (k >= 0 && k < points) v[k] = static_cast<int16_t>(std::clamp(value, -32768, 32767));
        };
        const int floor = v[at];
        if (rng() % 4) put(at - 2, floor + 3);
        if (rng() % 4) put(at + 2, floor + 3);
        put(at, floor + 10 + static_cast<int>(rng() % 30));
        if (rng() % 2) put(at + 1, v[at]);  // a flat top to move along
      }
      for (int move : {0, 2}) {
        const int expected = PlainPeakBin(v, move);
        ASSERT_EQ(F0PeakBin(v.data(), points, move), expected) << "points " << points << " trial " << trial;
        (expected < 0 ? none : found)++;
      }
    }
  }
  // Both outcomes were exercised.
  EXPECT_GT(found, 500);
  EXPECT_GT(none, 500);
}

// The outlier rule: a jump is held back four steps and taken on the fifth; small moves and a jump
// interrupted by a value near the smoothed one are no outliers.
TEST(F0Tracker, AJumpIsHeldBackFourStepsAndAcceptedOnTheFifthSmallMovesAtOnce) {
  F0TrackerState s;
  // The tracker's output and its outlier count after one more candidate.
  auto next = [&s](float hz) {
    const int f0 = UpdateF0(s, hz);
    return std::make_tuple(f0, s.F0OutlierCount);
  };
  for (int i = 0; i < 39; ++i) next(200.0f);
  ASSERT_EQ(next(200.0f), std::make_tuple(200, 0));
  for (int step = 1; step <= 4; ++step) EXPECT_EQ(next(250.0f), std::make_tuple(200, step)) << "held back";
  // Fifth: the window is refilled from the raw candidates (five at 250, three at 200) and the
  // new candidate shifted in: (6 x 250 + 2 x 200) / 8.
  EXPECT_EQ(next(250.0f), std::make_tuple(238, 0));

  s = F0TrackerState{};
  for (int i = 0; i < 40; ++i) next(200.0f);
  EXPECT_EQ(next(204.0f), std::make_tuple(201, 0));  // within 5 Hz: at once ((7 x 200 + 204) / 8 = 200.5)
  for (int i = 0; i < 3; ++i) next(300.0f);
  EXPECT_EQ(s.F0OutlierCount, 3);
  EXPECT_EQ(std::get<1>(next(201.0f)), 0);  // back near the smoothed value: the count starts again
  for (int i = 0; i < 4; ++i) EXPECT_LE(std::get<0>(next(300.0f)), 202);
}

}  // namespace
