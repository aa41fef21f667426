#include "signals/signals.h"

#include "signals/egg_signals.h"

#include <algorithm>
#include <cmath>

namespace testsig {

namespace {
constexpr double kPi = 3.14159265358979323846;
int16_t Clamp16(double v) { return static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L)); }
}  // namespace

std::vector<int16_t> Sine(double frequencyHz, double amplitude, int rate, int count, double phase) {
  std::vector<int16_t> out(count);
  for (int n = 0; n < count; ++n) out[n] = Clamp16(amplitude * std::sin(2 * kPi * frequencyHz * n / rate + phase));
  return out;
}

std::vector<int16_t> HarmonicSeries(double f0Hz, int harmonics, double peak, int rate, int count) {
  std::vector<double> acc(count, 0.0);
  for (int k = 1; k <= harmonics && k * f0Hz < rate / 2.0; ++k)
    for (int n = 0; n < count; ++n) acc[n] += std::sin(2 * kPi * k * f0Hz * n / rate) / k;
  double maxAbs = 1e-9;
  for (double v : acc) maxAbs = std::max(maxAbs, std::abs(v));
  std::vector<int16_t> out(count);
  for (int n = 0; n < count; ++n) out[n] = Clamp16(acc[n] * peak / maxAbs);
  return out;
}

std::vector<int16_t> EggPulses(double periodMs, double closedQuotient, double amplitude, int rate, int count,
                               double edgeMs) {
  // The same trapezoid as EggCycles with a zero phase and equal edges, the other way up.
  std::vector<int16_t> out = EggCycles({periodMs, closedQuotient, amplitude, 0.0, edgeMs, edgeMs}, rate, count);
  for (auto& v : out) v = static_cast<int16_t>(-v);
  return out;
}

std::vector<int16_t> Interleave(const std::vector<int16_t>& left, const std::vector<int16_t>& right) {
  size_t n = std::min(left.size(), right.size());
  std::vector<int16_t> out(2 * n);
  for (size_t i = 0; i < n; ++i) {
    out[2 * i] = left[i];
    out[2 * i + 1] = right[i];
  }
  return out;
}

std::vector<int16_t> IndexRamp(int frames, int channels, int firstIndex) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c) out[static_cast<size_t>(f) * channels + c] = static_cast<int16_t>((firstIndex + f) % 32768);
  return out;
}

}  // namespace testsig
