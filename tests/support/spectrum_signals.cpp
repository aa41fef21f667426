#include "support/spectrum_signals.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace testsig {

namespace {
constexpr long double kPiL = 3.141592653589793238462643383279502884L;
int16_t Round16(double v) { return static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L)); }
}  // namespace

std::vector<int16_t> Noise(uint32_t seed, double amplitude, int count) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> dist(-amplitude, amplitude);
  std::vector<int16_t> out(count);
  for (auto& v : out) v = Round16(dist(gen));
  return out;
}

std::vector<int16_t> Chirp(double f0Hz, double f1Hz, double amplitude, int rate, int count) {
  std::vector<int16_t> out(count);
  const double duration = static_cast<double>(count) / rate;
  for (int n = 0; n < count; ++n) {
    const double t = static_cast<double>(n) / rate;
    const double phase = 2 * static_cast<double>(kPiL) * (f0Hz * t + (f1Hz - f0Hz) * t * t / (2 * duration));
    out[n] = Round16(amplitude * std::sin(phase));
  }
  return out;
}

std::vector<int16_t> Constant(int16_t value, int count) { return std::vector<int16_t>(count, value); }

std::vector<int16_t> Impulse(int position, int16_t value, int count) {
  std::vector<int16_t> out(count, 0);
  out[position] = value;
  return out;
}

std::vector<long double> DftMagnitudes(const std::vector<int16_t>& block, const std::vector<double>& window) {
  const int n = static_cast<int>(block.size());
  std::vector<long double> cosTable(n), sinTable(n), x(n);
  for (int i = 0; i < n; ++i) {
    cosTable[i] = std::cos(2 * kPiL * i / n);
    sinTable[i] = std::sin(2 * kPiL * i / n);
    x[i] = static_cast<long double>(block[i]) * static_cast<long double>(window[i]);
  }
  std::vector<long double> out(n / 2);
  for (int k = 0; k < n / 2; ++k) {
    long double re = 0, im = 0;
    for (int i = 0; i < n; ++i) {
      const int idx = static_cast<int>((static_cast<long long>(k) * i) % n);
      re += x[i] * cosTable[idx];
      im -= x[i] * sinTable[idx];
    }
    out[k] = std::sqrt(re * re + im * im);
  }
  return out;
}

}  // namespace testsig
