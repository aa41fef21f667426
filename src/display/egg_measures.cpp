#include "display/egg_measures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "settings/analysis_settings.h"

int CriterionLineY(int separatorY, int band, float offset) {
  return separatorY - band / 2 + static_cast<int>(band * static_cast<double>(offset));
}

float CriterionLevel(float offset) { return 0.5f - offset; }

float StepCriterionOffset(float offset, float step) { return std::clamp(offset + step, -0.5f, 0.5f); }

CycleCrossings FindCycleCrossings(const int16_t* egg, int start, double samplesPerPixel, int width,
                                  int lastIndex, const TraceMapping& mapping, int lineY, double segmentMs) {
  CycleCrossings c;
  if (width <= 0 || lastIndex < 0) return c;
  // A side of the line counts only when the trace is strictly on it: a trace whose flat peak lies
  // on the line (the line moved to the band's top or bottom) touches it without crossing, and
  // taking those touches as crossings would read a cycle of a column or two.
  bool armed = false, t1 = false, t2 = false, t3 = false;
  for (int i = 0; i < width; ++i) {
    const double p = start + i * samplesPerPixel;
    const int k = std::min(static_cast<int>(p), lastIndex);
    const int k1 = std::min(k + 1, lastIndex);
    const int yk = mapping.Y(egg[k]);
    const int yk1 = mapping.Y(egg[k1]);
    const double y = yk + (p - k) * (yk1 - yk);
    const float t = static_cast<float>(i * segmentMs / width);
    if (!armed) {
      if (y > lineY && i >= kArmingColumn) armed = true;
    } else if (!t1) {
      if (y < lineY) {
        t1 = true;
        c.T1 = t;
        c.column1 = i;
      }
    } else if (!t2) {
      if (y > lineY) {
        t2 = true;
        c.T2 = t;
        c.column2 = i;
      }
    } else if (!t3) {
      if (y < lineY) {
        t3 = true;
        c.T3 = t;
        c.column3 = i;
        break;  // nothing later changes the measurement
      }
    }
  }
  c.complete = t3;
  return c;
}

double ClosedQuotient(const CycleCrossings& c) {
  if (c.T3 == c.T1) return 0;
  return (static_cast<double>(c.T2) - c.T1) / (static_cast<double>(c.T3) - c.T1);
}

std::string FormatClosedQuotient(double cq, float level) {
  char text[64];
  std::snprintf(text, sizeof text, "CQ %-2.2f, CL %-2.2f", cq, static_cast<double>(level));
  return text;
}

unsigned F0FromPeriod(double periodMs) {
  if (!(periodMs > 0)) return 0;
  return static_cast<unsigned>(RoundHalfUp(1000.0 / periodMs));
}

std::string FormatPeriod(const CycleCrossings& c) {
  const double period = static_cast<double>(c.T3) - c.T1;
  char text[64];
  std::snprintf(text, sizeof text, "Period %-2.2f ms, F0 %-2u Hz", period, F0FromPeriod(period));
  return text;
}
