#pragma once
// Small signal tools the measures share: a real FFT of one size, resampling of a whole channel,
// and peak interpolation.
#include <complex>
#include <span>
#include <vector>

// A forward real FFT and its inverse for one power-of-two size; each object owns its plans and
// buffers, so threads each use their own.
class RealFft {
 public:
  explicit RealFft(int size);
  ~RealFft();
  RealFft(const RealFft&) = delete;
  RealFft& operator=(const RealFft&) = delete;
  int size() const { return size_; }
  // in: size values; out: size / 2 + 1 bins (unscaled).
  void Forward(const double* in, std::complex<double>* out);
  // in: size / 2 + 1 bins; out: size values, scaled by size (the inverse of Forward times size).
  void Inverse(const std::complex<double>* in, double* out);

 private:
  int size_;
  double* real_ = nullptr;
  void* spectrum_ = nullptr;
  void* forward_ = nullptr;
  void* inverse_ = nullptr;
};

// The smallest power of two that is at least n.
int PowerOfTwoAtLeast(int n);

// The whole channel at another rate (high-quality band-limited resampling).
std::vector<float> ResampleChannel(std::span<const float> in, double fromRate, double toRate);

// The vertex of the parabola through (-1, a), (0, b), (1, c): its offset from the middle point
// (-0.5 .. 0.5 when b is the largest) and its height.
struct ParabolicPeak {
  double offset = 0;
  double value = 0;
};
ParabolicPeak InterpolatePeak(double a, double b, double c);
