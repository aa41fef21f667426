// The F0 tracker's peak rule and outlier rule, and the spectrum averaging histories.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "audio/f0_tracker.h"
#include "audio/spectrum_history.h"

namespace {

TEST(F0Tracker, AJumpIsHeldBackFourStepsAndAcceptedOnTheFifth) {
  F0TrackerState s;
  int f0 = 0;
  for (int i = 0; i < 40; ++i) f0 = UpdateF0(s, 200.0f);
  ASSERT_EQ(f0, 200);
  for (int step = 1; step <= 4; ++step) {
    EXPECT_EQ(UpdateF0(s, 250.0f), 200) << "held back, step " << step;
    EXPECT_EQ(s.F0OutlierCount, step);
  }
  // Fifth: the window is refilled from the raw candidates (five at 250, three at 200) and the
  // new candidate shifted in: (6 x 250 + 2 x 200) / 8.
  EXPECT_EQ(UpdateF0(s, 250.0f), 238);
  EXPECT_EQ(s.F0OutlierCount, 0);
}

TEST(F0Tracker, SmallMovesAndInterruptedJumpsAreNotOutliers) {
  F0TrackerState s;
  for (int i = 0; i < 40; ++i) UpdateF0(s, 200.0f);
  EXPECT_EQ(UpdateF0(s, 204.0f), 201);  // within 5 Hz: taken at once ((7 x 200 + 204) / 8 = 200.5)
  EXPECT_EQ(s.F0OutlierCount, 0);
  for (int i = 0; i < 3; ++i) UpdateF0(s, 300.0f);
  EXPECT_EQ(s.F0OutlierCount, 3);
  UpdateF0(s, 201.0f);  // back near the smoothed value: the count starts again
  EXPECT_EQ(s.F0OutlierCount, 0);
  for (int i = 0; i < 4; ++i) EXPECT_LE(UpdateF0(s, 300.0f), 202);
}

TEST(F0Tracker, PeakSearchTakesTheFirstClearPeakAndMovesRightOnAFlatTop) {
  std::vector<int16_t> v(1024, 0);
  // A clear peak at 14 with an equally high bin 15, and a higher peak further up at 28.
  v[12] = 5;
  v[14] = 40;
  v[15] = 40;
  v[16] = 25;
  v[26] = 5;
  v[28] = 90;
  v[30] = 10;
  EXPECT_EQ(F0PeakBin(v.data(), 1024, 2), 15);
  EXPECT_EQ(F0PeakBin(v.data(), 1024, 0), 14);  // the file loop does not move the peak
  v[14] = 30;  // now 14 is not 10 dB above bin 16: the first clear peak is 28
  EXPECT_EQ(F0PeakBin(v.data(), 1024, 2), 28);
  std::fill(v.begin(), v.end(), 0);
  EXPECT_EQ(F0PeakBin(v.data(), 1024, 2), -1);
}

TEST(F0Tracker, BinsZeroToTwoCanNeverBeChosen) {
  for (int peak : {0, 1, 2}) {
    std::vector<int16_t> v(1024, 0);
    v[peak] = 100;
    EXPECT_EQ(F0PeakBin(v.data(), 1024, 2), -1) << peak;
  }
  std::vector<int16_t> v(1024, 0);
  v[3] = 100;
  v[0] = -5;  // v[k-4] clamps to bin 0 and must lie below v[k-2] (bin 1)
  v[5] = 1;   // and v[k+4] below v[k+2]
  EXPECT_EQ(F0PeakBin(v.data(), 1024, 2), 3);
}

TEST(SpectrumHistory, AveragesTheNewestSpectraAndClampsOnlyWhenAsked) {
  constexpr int kPoints = 4;
  std::vector<int16_t> history(kPoints * 256, 0);
  const std::array<std::array<int16_t, kPoints>, 3> spectra = {{{-9, 10, 3, 0}, {-9, 20, 4, 0}, {-10, 31, 5, 7}}};
  for (const auto& s : spectra) PushHistory(history.data(), s.data(), 3, kPoints);
  // Newest first.
  EXPECT_EQ(history[0], -10);
  EXPECT_EQ(history[kPoints + 1], 20);
  EXPECT_EQ(history[2 * kPoints + 1], 10);
  std::array<int16_t, kPoints> out{};
  AverageHistory(history.data(), 3, kPoints, false, out.data());
  EXPECT_EQ(out, (std::array<int16_t, kPoints>{-9, 20, 4, 2}));  // -28/3 truncates toward 0
  AverageHistory(history.data(), 3, kPoints, true, out.data());
  EXPECT_EQ(out, (std::array<int16_t, kPoints>{0, 20, 4, 2}));
  // A count of 1 is the newest spectrum itself.
  AverageHistory(history.data(), 1, kPoints, true, out.data());
  EXPECT_EQ(out, (std::array<int16_t, kPoints>{0, 31, 5, 7}));
  // Pushing with count 2 moves only the used part: the third spectrum stays where it was.
  const std::array<int16_t, kPoints> next{1, 1, 1, 1};
  PushHistory(history.data(), next.data(), 2, kPoints);
  EXPECT_EQ(history[kPoints + 1], 31);
  EXPECT_EQ(history[2 * kPoints + 1], 10);
}

TEST(SpectrumHistory, DifferenceSmoothing) {
  EXPECT_EQ(DifferenceSmoothingWidth(10, 22050), 2);   // below one bin: at least 2
  EXPECT_EQ(DifferenceSmoothingWidth(100, 22050), 9);  // 100 / 10.77
  std::vector<int16_t> diff(16, 0), out(16);
  diff[0] = 12;
  diff[8] = 30;
  SmoothDifference(diff.data(), 16, 3, out.data());  // k from i - 1 to i + 1, clamped, / 3
  EXPECT_EQ(out[0], (12 + 12 + 0) / 3);
  EXPECT_EQ(out[7], 10);
  EXPECT_EQ(out[8], 10);
  EXPECT_EQ(out[9], 10);
  EXPECT_EQ(out[10], 0);
  EXPECT_EQ(out[15], 0);
}

}  // namespace
