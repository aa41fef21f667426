#include "measures/egg_cycles.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "measures/signal_tools.h"

namespace {

constexpr double kHysteresis = 0.25;  // of the high-passed trace's RMS
constexpr double kLevels[] = {0.25, 0.35, 0.5};
constexpr double kHybridLevel = 3.0 / 7.0;

// x less its running mean over `width` samples.
std::vector<float> HighPass(std::span<const float> x, int width) {
  std::vector<float> out(x.size());
  const int n = static_cast<int>(x.size());
  std::vector<double> prefix(x.size() + 1, 0.0);
  for (int i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + x[i];
  for (int i = 0; i < n; ++i) {
    const int a = std::max(0, i - width / 2), b = std::min(n, i + width / 2 + 1);
    out[i] = static_cast<float>(x[i] - (prefix[b] - prefix[a]) / (b - a));
  }
  return out;
}

double Slope(std::span<const float> x, int i) { return 0.5 * (double(x[i + 1]) - x[i - 1]); }

// The interpolated position of the extreme of the derivative in [from, to] (sign +1 largest,
// -1 smallest).
double DerivativePeak(std::span<const float> x, int from, int to, double sign) {
  from = std::max(from, 2);
  to = std::min<int>(to, static_cast<int>(x.size()) - 3);
  if (to < from) return kNotMeasured;
  int best = from;
  for (int i = from; i <= to; ++i)
    if (sign * Slope(x, i) > sign * Slope(x, best)) best = i;
  const ParabolicPeak p =
      InterpolatePeak(sign * Slope(x, best - 1), sign * Slope(x, best), sign * Slope(x, best + 1));
  return best + p.offset;
}

// The first downward crossing of `level` after sample `from` (the trace first reaching the level),
// before `limit`; NaN when there is none.
double FallBelow(std::span<const float> x, int from, int limit, double level) {
  int n = std::max(from, 1);
  while (n < limit && x[n] < level) ++n;
  while (n < limit && x[n] >= level) ++n;
  if (n >= limit) return kNotMeasured;
  return n - 1 + (x[n - 1] - level) / (double(x[n - 1]) - x[n]);
}

// The upward crossing of `level` on the rise around `near`, searched back to `floor` and on to
// `limit`.
double RiseAbove(std::span<const float> x, int near, int floor, int limit, double level) {
  int n = near;
  if (x[n] >= level) {
    while (n > floor && x[n - 1] >= level) --n;
    if (n <= floor) return kNotMeasured;
  } else {
    while (n < limit && x[n] < level) ++n;
    if (n >= limit) return kNotMeasured;
  }
  return n - 1 + (level - x[n - 1]) / (double(x[n]) - x[n - 1]);
}

double PearsonCorrelation(const float* a, const float* b, int n) {
  double ma = 0, mb = 0;
  for (int i = 0; i < n; ++i) {
    ma += a[i];
    mb += b[i];
  }
  ma /= n;
  mb /= n;
  double ab = 0, aa = 0, bb = 0;
  for (int i = 0; i < n; ++i) {
    const double u = a[i] - ma, v = b[i] - mb;
    ab += u * v;
    aa += u * u;
    bb += v * v;
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

std::vector<double> ClosingInstants(std::span<const float> x, double rate, const VoiceMeasureOptions& options) {
  std::vector<double> closings;
  const auto h = HighPass(x, static_cast<int>(std::lround(rate / options.pitchFloorHz)));
  double energy = 0;
  for (float v : h) energy += double(v) * v;
  const double threshold = kHysteresis * std::sqrt(energy / std::max<size_t>(h.size(), 1));
  if (threshold <= 0) return closings;
  // Alternating falls and rises of the high-passed trace.
  std::vector<int> rises, falls;
  bool high = h.empty() ? false : h[0] > 0;
  int lastUp = 0, lastDown = 0;
  for (int i = 1; i < static_cast<int>(h.size()); ++i) {
    if (h[i - 1] <= 0 && h[i] > 0) lastUp = i;
    if (h[i - 1] >= 0 && h[i] < 0) lastDown = i;
    if (!high && h[i] > threshold) {
      high = true;
      rises.push_back(lastUp);
    } else if (high && h[i] < -threshold) {
      high = false;
      falls.push_back(lastDown);
    }
  }
  size_t f = 0;
  for (int rise : rises) {
    while (f < falls.size() && falls[f] < rise) ++f;
    const int before = f > 0 ? falls[f - 1] : 0;
    const int after = f < falls.size() ? falls[f] : static_cast<int>(x.size()) - 1;
    const double c = DerivativePeak(x, before, after, 1);
    if (!std::isnan(c)) closings.push_back(c);
  }
  return closings;
}

}  // namespace

EggReport MeasureEggCycles(std::span<const float> x, double rate, const VoiceMeasureOptions& options) {
  EggReport report;
  const auto closings = ClosingInstants(x, rate, options);
  const double shortest = rate / options.pitchCeilingHz, longest = rate / options.pitchFloorHz;
  const int size = static_cast<int>(x.size());
  std::vector<EggCycleRow> rows;
  double snrSum = 0;
  for (size_t k = 0; k + 1 < closings.size(); ++k) {
    const double c0 = closings[k], c1 = closings[k + 1], period = c1 - c0;
    if (period < shortest || period > longest) continue;
    EggCycleRow row;
    row.startS = c0 / rate;
    row.periodMs = 1000 * period / rate;
    row.f0Hz = rate / period;
    const int a = static_cast<int>(std::ceil(c0)), b = std::min(size - 1, static_cast<int>(std::floor(c1)));
    const auto [lo, hi] = std::minmax_element(x.begin() + a, x.begin() + b + 1);
    const double min = *lo, span = double(*hi) - *lo;
    const int previous = std::max(1, static_cast<int>(std::floor(c0 - period / 2)));
    const int near = std::clamp(static_cast<int>(std::lround(c0)), 1, size - 1);
    for (int m = 0; m < 3; ++m) {
      const double level = min + kLevels[m] * span;
      const double up = RiseAbove(x, near, previous, b, level);
      const double down = std::isnan(up) ? kNotMeasured : FallBelow(x, static_cast<int>(std::ceil(up)), b + 1, level);
      row.cq[m] = span > 0 ? (down - up) / period : kNotMeasured;
    }
    const double open37 = FallBelow(x, near, b + 1, min + kHybridLevel * span);
    row.cq[kCqHybrid37] = span > 0 ? (open37 - c0) / period : kNotMeasured;
    const double openDegg = DerivativePeak(x, a + 1, b - 1, -1);
    row.cq[kCqDegg] = span > 0 ? (openDegg - c0) / period : kNotMeasured;

    // Quality: this cycle against the period that follows it (or precedes it at the end).
    const int n = static_cast<int>(std::lround(period));
    const int lag = n;
    const int other = a + lag + n <= size ? a + lag : a - lag;
    double r = other >= 0 ? PearsonCorrelation(&x[a], &x[other], n) : 0;
    r = std::clamp(r, 1e-6, 1 - 1e-6);
    row.snrDb = 10 * std::log10(r / (1 - r));
    row.flagged = row.snrDb < kEggSnrFlagDb;
    snrSum += row.snrDb;
    rows.push_back(row);
  }
  report.cycles = static_cast<int>(rows.size());
  if (report.cycles > 0) report.snrDbMean = snrSum / report.cycles;
  std::vector<double> f0;
  std::array<std::vector<double>, kCqMethodCount> cq;
  for (const auto& row : rows) {
    if (row.flagged) {
      ++report.flagged;
      continue;
    }
    f0.push_back(row.f0Hz);
    for (int m = 0; m < kCqMethodCount; ++m)
      if (!std::isnan(row.cq[m])) cq[m].push_back(row.cq[m]);
  }
  report.f0Hz = Summarize(f0);
  for (int m = 0; m < kCqMethodCount; ++m) report.cq[m] = Summarize(cq[m]);
  if (options.keepRows) report.rows = std::move(rows);
  return report;
}
