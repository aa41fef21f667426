#include "signals/egg_signals.h"

#include <algorithm>
#include <cmath>

namespace testsig {

namespace {

constexpr double kPi = 3.14159265358979323846;

int16_t Round16(double v) { return static_cast<int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0))); }

// Contact in -0.5 .. 0.5 (positive while the folds touch) at time t ms into a cycle that starts
// at its closing crossing.
double Contact(const EggShape& s, double t) {
  const double open = s.closedQuotient * s.periodMs;  // the opening crossing
  if (t < s.closingMs / 2) return t / s.closingMs;
  if (t < open - s.openingMs / 2) return 0.5;
  if (t < open + s.openingMs / 2) return (open - t) / s.openingMs;
  if (t < s.periodMs - s.closingMs / 2) return -0.5;
  return (t - s.periodMs) / s.closingMs;
}

double CycleTime(const EggShape& s, int n, int rate) {
  double t = std::fmod(n * 1000.0 / rate - s.phaseMs, s.periodMs);
  return t < 0 ? t + s.periodMs : t;
}

}  // namespace

std::vector<int16_t> EggCycles(const EggShape& shape, int rate, int count) {
  std::vector<int16_t> out(static_cast<size_t>(std::max(count, 0)));
  for (int n = 0; n < count; ++n)
    out[n] = Round16(-2 * Contact(shape, CycleTime(shape, n, rate)) * shape.amplitude);
  return out;
}

std::vector<int16_t> SungVowel(const EggShape& shape, double peak, int rate, int count) {
  const double f0 = 1000.0 / shape.periodMs;
  std::vector<double> v(static_cast<size_t>(std::max(count, 0)));
  double largest = 0;
  for (int n = 0; n < count; ++n) {
    const double phase = 2 * kPi * CycleTime(shape, n, rate) / shape.periodMs;
    double sum = 0;
    for (int k = 1; k * f0 < rate / 2.0 && k <= 40; ++k) {
      const double f = k * f0;
      const double gain = 1.0 / k + std::exp(-std::pow((f - 700) / 130, 2)) +
                          0.7 * std::exp(-std::pow((f - 1100) / 150, 2)) +
                          0.2 * std::exp(-std::pow((f - 2600) / 250, 2));
      sum += gain * std::sin(k * phase);
    }
    v[n] = sum;
    largest = std::max(largest, std::abs(sum));
  }
  std::vector<int16_t> out(v.size());
  for (size_t n = 0; n < v.size(); ++n) out[n] = Round16(largest > 0 ? v[n] / largest * peak : 0);
  return out;
}

}  // namespace testsig
