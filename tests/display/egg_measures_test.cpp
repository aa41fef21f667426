// The criterion-level measures on their own: the arming rule, strict crossings, F0. (Where the line
// lies and how it moves is pinned through the signal panels and the keys.)
#include "display/egg_measures.h"

#include <gtest/gtest.h>

namespace {

// Rows as they are: sample value = screen row.
constexpr TraceMapping kIdentity{0, 1, 0, 1.0};

// A square wave of rows: `high` rows (above the line on screen) for `up` columns, then `low` rows.
std::vector<int16_t> Rows(int count, int firstUp, int up, int period, int16_t high = 10, int16_t low = 90) {
  std::vector<int16_t> v(count);
  for (int i = 0; i < count; ++i) {
    const int t = ((i - firstUp) % period + period) % period;
    v[i] = t < up ? high : low;
  }
  return v;
}

TEST(EggMeasures, CrossingsOfAWholeCycleAfterTheArmingColumn) {
  struct Case {
    const char* what;
    int count, firstUp, lineRow;
    double segmentMs;
    int column1, column3;  // -1: incomplete
  };
  // Rows above the line (10) for 40 of every 100 columns, below it (90) for the rest.
  const Case cases[] = {
      {"rise at 30", 400, 30, 50, 40.0, 30, 130},
      // The rise at 5 is left of column 16 and the trace starts above the line: T1 is the rise at 105.
      {"rise at 5", 400, 5, 50, 40.0, 105, 205},
      {"next rise past the segment", 120, 30, 50, 12.0, -1, -1},
      // The line on either plateau is touched, never crossed.
      {"line on the upper plateau", 400, 30, 10, 40.0, -1, -1},
      {"line on the lower plateau", 400, 30, 90, 40.0, -1, -1},
  };
  for (const Case& c : cases) {
    const auto rows = Rows(c.count, c.firstUp, 40, 100);
    const CycleCrossings x =
        FindCycleCrossings(rows.data(), 0, 1.0, c.count, c.count - 1, kIdentity, c.lineRow, c.segmentMs);
    ASSERT_EQ(x.complete, c.column1 >= 0) << c.what;
    if (x.complete) {
      EXPECT_EQ(std::tuple(x.column1, x.column2, x.column3), std::tuple(c.column1, c.column1 + 40, c.column3))
          << c.what;
    }
  }
  const auto rows = Rows(400, 30, 40, 100);
  const CycleCrossings c = FindCycleCrossings(rows.data(), 0, 1.0, 400, 399, kIdentity, 50, 40.0);
  EXPECT_DOUBLE_EQ(ClosedQuotient(c), 0.4);
  EXPECT_EQ(FormatClosedQuotient(ClosedQuotient(c), 0.5f), "CQ 0.40, CL 0.50");
  EXPECT_EQ(FormatPeriod(c), "Period 10.00 ms, F0 100 Hz");
}

TEST(EggMeasures, ColumnsStepBySamplesPerPixelAndNeverReadPastTheLastIndex) {
  // Two samples per column: a rise at sample 122 is found at column 61.
  std::vector<int16_t> rows(400, 90);
  for (int i = 0; i < 400; ++i) rows[i] = (i >= 122 && i < 180) || i >= 322 ? 10 : 90;
  const CycleCrossings c = FindCycleCrossings(rows.data(), 0, 2.0, 200, 399, kIdentity, 50, 20.0);
  EXPECT_EQ(std::tuple(c.complete, c.column1, c.column2, c.column3), std::tuple(true, 61, 90, 161));
  // Half a sample per column over a block of two samples: the columns past its end read the last
  // sample (under the sanitizers a read past it would fail).
  const std::vector<int16_t> two = {0, 100};
  EXPECT_FALSE(FindCycleCrossings(two.data(), 0, 0.5, 40, 1, kIdentity, 50, 1.0).complete);
}

TEST(EggMeasures, F0IsRoundedHalfUp) {
  const std::vector<unsigned> f0 = {F0FromPeriod(8.0), F0FromPeriod(1000.0 / 124.5), F0FromPeriod(1000.0 / 124.49),
                                    F0FromPeriod(0.0)};
  EXPECT_EQ(f0, std::vector<unsigned>({125, 125, 124, 0}));
}

}  // namespace
