// The criterion-level measures on their own: the line, the arming rule, strict crossings, F0.
#include "display/egg_measures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Rows as they are: sample value = screen row.
constexpr TraceMapping kIdentity{0, 1, 0, 1.0};

TEST(EggMeasures, CriterionLineAtBandCentreByDefaultAndMovesWithTheOffset) {
  EXPECT_EQ(CriterionLineY(300, 250, 0.0f), 175);
  EXPECT_EQ(CriterionLineY(300, 250, -0.5f), 50);  // the band's top row
  EXPECT_EQ(CriterionLineY(300, 250, 0.5f), 300);  // its separator
  EXPECT_FLOAT_EQ(CriterionLevel(0.0f), 0.5f);
  EXPECT_FLOAT_EQ(CriterionLevel(-0.5f), 1.0f);
  EXPECT_FLOAT_EQ(StepCriterionOffset(0.495f, 0.01f), 0.5f);
  EXPECT_FLOAT_EQ(StepCriterionOffset(-0.495f, -0.01f), -0.5f);
  EXPECT_FLOAT_EQ(StepCriterionOffset(0.0f, -0.01f), -0.01f);
}

// A square wave of rows: `high` rows (above the line on screen) for `up` columns, then `low` rows.
std::vector<int16_t> Rows(int count, int firstUp, int up, int period, int16_t high = 10, int16_t low = 90) {
  std::vector<int16_t> v(count);
  for (int i = 0; i < count; ++i) {
    const int t = ((i - firstUp) % period + period) % period;
    v[i] = t < up ? high : low;
  }
  return v;
}

TEST(EggMeasures, CrossingsOfAWholeCycleGiveQuotientAndPeriod) {
  // Above the line for 40 of every 100 columns, first from column 30.
  const auto rows = Rows(400, 30, 40, 100);
  const CycleCrossings c = FindCycleCrossings(rows.data(), 0, 1.0, 400, 399, kIdentity, 50, 40.0);
  ASSERT_TRUE(c.complete);
  EXPECT_EQ(c.column1, 30);
  EXPECT_EQ(c.column2, 70);
  EXPECT_EQ(c.column3, 130);
  EXPECT_DOUBLE_EQ(ClosedQuotient(c), 0.4);
  EXPECT_EQ(FormatClosedQuotient(ClosedQuotient(c), 0.5f), "CQ 0.40, CL 0.50");
  EXPECT_EQ(FormatPeriod(c), "Period 10.00 ms, F0 100 Hz");
}

TEST(EggMeasures, NoCycleStartsBeforeColumn16AndT1IsACrossingFromBelow) {
  // Above the line from column 5 to 44: that rise is left of column 16, and the trace starts
  // above the line, so the first T1 is the rise at 105.
  const auto rows = Rows(400, 5, 40, 100);
  const CycleCrossings c = FindCycleCrossings(rows.data(), 0, 1.0, 400, 399, kIdentity, 50, 40.0);
  ASSERT_TRUE(c.complete);
  EXPECT_EQ(c.column1, 105);
  EXPECT_EQ(c.column3, 205);
}

TEST(EggMeasures, LessThanACycleAfterTheArmingColumnIsIncomplete) {
  // Rise at 30, fall at 70; the next rise (130) lies past the segment's 120 columns.
  const auto rows = Rows(120, 30, 40, 100);
  EXPECT_FALSE(FindCycleCrossings(rows.data(), 0, 1.0, 120, 119, kIdentity, 50, 12.0).complete);
}

TEST(EggMeasures, ALineOnTheTracesFlatPeakIsNotCrossed) {
  const auto rows = Rows(400, 30, 40, 100);
  // The line on the upper plateau (row 10) or on the lower one (row 90): touched, never crossed.
  EXPECT_FALSE(FindCycleCrossings(rows.data(), 0, 1.0, 400, 399, kIdentity, 10, 40.0).complete);
  EXPECT_FALSE(FindCycleCrossings(rows.data(), 0, 1.0, 400, 399, kIdentity, 90, 40.0).complete);
}

TEST(EggMeasures, ColumnsStepBySamplesPerPixelAndNeverReadPastTheLastIndex) {
  // Two samples per column: a rise at sample 122 is found at column 61.
  std::vector<int16_t> rows(400, 90);
  for (int i = 122; i < 180; ++i) rows[i] = 10;
  for (int i = 322; i < 400; ++i) rows[i] = 10;
  for (int i = 180; i < 322; ++i) rows[i] = 90;
  const CycleCrossings c = FindCycleCrossings(rows.data(), 0, 2.0, 200, 399, kIdentity, 50, 20.0);
  ASSERT_TRUE(c.complete);
  EXPECT_EQ(c.column1, 61);
  EXPECT_EQ(c.column2, 90);
  EXPECT_EQ(c.column3, 161);
  // Half a sample per column over a block of two samples: the columns past its end read the last
  // sample (under the sanitizers a read past it would fail).
  const std::vector<int16_t> two = {0, 100};
  const TraceMapping m{0, 1, 0, 1.0};
  EXPECT_FALSE(FindCycleCrossings(two.data(), 0, 0.5, 40, 1, m, 50, 1.0).complete);
}

TEST(EggMeasures, F0IsRoundedHalfUp) {
  EXPECT_EQ(F0FromPeriod(8.0), 125u);
  EXPECT_EQ(F0FromPeriod(1000.0 / 124.5), 125u);
  EXPECT_EQ(F0FromPeriod(1000.0 / 124.49), 124u);
  EXPECT_EQ(F0FromPeriod(0.0), 0u);
}

}  // namespace
