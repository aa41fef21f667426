#pragma once
// Cycle measures of the glottogram by the criterion-level method, made on the trace as drawn
// (after auto-scaling and polarity): a horizontal criterion line across the EGG band, the trace's
// crossings of it found column by column, and from three successive crossings the closed quotient
// (the part of the cycle the trace spends above the line on screen), the period and F0.
#include <cstdint>
#include <string>

// How one auto-scaled trace maps a sample value to a screen row: y = origin + direction x
// (s - min) x scale, truncated. direction +1 draws larger values lower, -1 higher.
struct TraceMapping {
  double origin = 0;
  int direction = 1;
  int min = 0;
  double scale = 0;
  int Y(int sample) const { return static_cast<int>(origin + direction * (sample - min) * scale); }
};

// The crossings of one measurement. Columns are pixel columns from the panel's left edge; times
// are ms from the left edge of the segment (column x AudioSegment / width).
struct CycleCrossings {
  bool complete = false;  // armed, then T1, T2 and T3 all found in this call
  int column1 = 0, column2 = 0, column3 = 0;
  float T1 = 0, T2 = 0, T3 = 0;
};

// Columns left of this one can never arm, so a crossing there is never taken as the cycle start.
constexpr int kArmingColumn = 16;

// The criterion line's screen row: separatorY - band / 2 + trunc(band x offset). separatorY is
// the EGG band's lower separator, band its height in pixels, offset the criterion offset
// (-0.5..0.5, positive downward).
int CriterionLineY(int separatorY, int band, float offset);

// The criterion level shown to the user: 0.5 - offset (0 the band's bottom, 1 its top).
float CriterionLevel(float offset);

// One criterion offset moved by `step` (the arrow keys use -0.01 and +0.01), clamped to -0.5..0.5.
float StepCriterionOffset(float offset, float step);

// Scans `width` columns of an EGG block: column i reads P = start + i x samplesPerPixel and
// interpolates the screen rows of samples trunc(P) and trunc(P) + 1 (the latter limited to
// lastIndex, the last sample that may be read). Arms below the line (on screen) from column 16
// on, then takes T1 above it, T2 below, T3 above; at most one step per column. Only a row
// strictly on one side counts, so a trace that merely touches the line does not cross it.
CycleCrossings FindCycleCrossings(const int16_t* egg, int start, double samplesPerPixel, int width,
                                  int lastIndex, const TraceMapping& mapping, int lineY, double segmentMs);

// (T2 - T1) / (T3 - T1); 0 when T3 equals T1.
double ClosedQuotient(const CycleCrossings& c);

// The readouts as the title strips show them.
std::string FormatClosedQuotient(double cq, float level);  // "CQ 0.45, CL 0.50"
std::string FormatPeriod(const CycleCrossings& c);         // "Period 8.00 ms, F0 125 Hz"

// 1000 / period rounded half up; 0 for a period that is not positive.
unsigned F0FromPeriod(double periodMs);
