// Lines, pixels and fills of the drawing context: end points, Bresenham shape (the nearest row in
// every column, pinned by the full-range line), wide pens and clipping against the surface.
#include <climits>
#include <cmath>
#include <random>

#include "canvas_check.h"

namespace {

using canvas::DrawContext;
using canvas::Pen;
using canvas::Surface;
using canvas_check::CountIndex;
using canvas_check::PixelsAre;

void Line(DrawContext& dc, int x0, int y0, int x1, int y1) { dc.MoveTo(x0, y0), dc.LineTo(x1, y1); }

TEST(CanvasLines, EndPointIsNotPaintedAndCurrentPositionMoves) {
  Surface s(20, 20, 5);
  DrawContext dc(&s);
  dc.SelectPen(Pen{2, 1});
  Line(dc, 2, 3, 12, 3);
  EXPECT_EQ(std::make_pair(dc.CurrentX(), dc.CurrentY()), std::make_pair(12, 3));
  // A polyline continues from the last end point, which the next segment paints.
  dc.LineTo(12, 8);
  EXPECT_TRUE(PixelsAre(
      s, [](int x, int y) { return (y == 3 && x >= 2 && x <= 12) || (x == 12 && y < 8 && y > 3) ? 2 : 5; }));
  // Backwards and zero-length lines.
  s = Surface(20, 20, 5);
  Line(dc, 10, 15, 4, 15);
  Line(dc, 1, 1, 1, 1);
  EXPECT_TRUE(PixelsAre(s, [](int x, int y) { return y == 15 && x > 4 && x <= 10 ? 2 : 5; }));
}

TEST(CanvasLines, LinesCrossingTheEdgePaintExactlyTheInsidePart) {
  // Reference: the same line on a large surface, shifted so that it lies wholly inside.
  constexpr int kSize = 24, kMargin = 200;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-kMargin + 1, kSize + kMargin - 2);
  for (int width : {1, 2, 4, 5}) {
    for (int trial = 0; trial < 400; ++trial) {
      const int x0 = coordinate(random), y0 = coordinate(random), x1 = coordinate(random), y1 = coordinate(random);
      Surface small(kSize, kSize, 5), large(kSize + 2 * kMargin, kSize + 2 * kMargin, 5);
      DrawContext smallDc(&small), largeDc(&large);
      smallDc.SelectPen(Pen{0, width}), largeDc.SelectPen(Pen{0, width});
      Line(smallDc, x0, y0, x1, y1);
      Line(largeDc, x0 + kMargin, y0 + kMargin, x1 + kMargin, y1 + kMargin);
      ASSERT_TRUE(PixelsAre(small, [&](int x, int y) { return large.At(x + kMargin, y + kMargin); }))
          << "width " << width << " line (" << x0 << "," << y0 << ")-(" << x1 << "," << y1 << ")";
    }
  }
}

TEST(CanvasLines, HugeCoordinatesAreClippedWithoutOverflow) {
  Surface s(40, 30, 5);
  DrawContext dc(&s);
  dc.SelectPen(Pen{0, 1});
  // Wholly outside: nothing changes.
  Line(dc, INT_MIN, INT_MIN, INT_MAX, INT_MIN);
  Line(dc, INT_MAX, INT_MAX, INT_MAX, INT_MIN);
  Line(dc, -1000000, 100, 1000000, 2000000);
  dc.SelectPen(Pen{0, 7});
  Line(dc, INT_MIN, -4, INT_MAX, -4);
  EXPECT_EQ(CountIndex(s, 5), 40 * 30);
  dc.SelectPen(Pen{0, 1});

  // Across the whole int range: every column gets the row nearest the ideal line.
  const long long x0 = INT_MIN, y0 = -2000000013LL, x1 = INT_MAX, y1 = 2000000029LL;
  Line(dc, static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1));
  const long double slope = static_cast<long double>(y1 - y0) / static_cast<long double>(x1 - x0);
  EXPECT_TRUE(PixelsAre(s, [&](int x, int y) {
    return y == static_cast<long long>(std::floor(y0 + (x - x0) * slope + 0.5L)) ? 0 : 5;
  }));
}

TEST(CanvasLines, WidePenStampsASquare) {
  Surface s(20, 20, 5);
  DrawContext dc(&s);
  dc.SelectPen(Pen{3, 4});
  Line(dc, 5, 10, 15, 10);
  // Rows 8..11 (two above, one below the line's row), columns 3..15.
  EXPECT_TRUE(PixelsAre(s, [](int x, int y) { return (y >= 8 && y <= 11 && x >= 3 && x <= 15) ? 3 : 5; }));
}

TEST(CanvasLines, PixelsAndFillsStayOnTheSurface) {
  Surface s(10, 8, 5);
  DrawContext dc(&s);
  for (auto [x, y] : {std::pair{-1, 0}, {10, 0}, {0, 8}, {INT_MIN, INT_MAX}}) dc.SetPixel(x, y, 1);
  EXPECT_EQ(CountIndex(s, 1), 0);
  dc.SetPixel(9, 7, 1);
  dc.FillRect(INT_MIN, INT_MIN, INT_MAX, 2, 3);  // the top two rows
  dc.FillRect(8, 5, 4, 7, 4);                    // inverted: nothing
  dc.FillRect(INT_MAX - 1, 0, INT_MAX, 8, 4);    // right of the surface: nothing
  EXPECT_TRUE(PixelsAre(s, [](int x, int y) { return y < 2 ? 3 : (x == 9 && y == 7 ? 1 : 5); }));

  // Drawing with no surface does nothing and does not crash.
  DrawContext none;
  none.FillRect(0, 0, 10, 10, 1), none.SetPixel(1, 1, 1);
  Line(none, 0, 0, 5, 5);
  EXPECT_EQ(none.CurrentX(), 5);
}

}  // namespace
