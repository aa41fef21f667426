#include "measures/signal_tools.h"

#include <fftw3.h>
#include <soxr.h>

#include <cmath>
#include <mutex>

namespace {
// Making and destroying FFTW plans is not thread-safe; executing them is.
std::mutex fftPlanMutex;
}  // namespace

RealFft::RealFft(int size) : size_(size) {
  std::lock_guard<std::mutex> lock(fftPlanMutex);
  real_ = fftw_alloc_real(static_cast<size_t>(size));
  auto* spectrum = fftw_alloc_complex(static_cast<size_t>(size / 2 + 1));
  spectrum_ = spectrum;
  forward_ = fftw_plan_dft_r2c_1d(size, real_, spectrum, FFTW_ESTIMATE);
  inverse_ = fftw_plan_dft_c2r_1d(size, spectrum, real_, FFTW_ESTIMATE);
}

RealFft::~RealFft() {
  std::lock_guard<std::mutex> lock(fftPlanMutex);
  fftw_destroy_plan(static_cast<fftw_plan>(forward_));
  fftw_destroy_plan(static_cast<fftw_plan>(inverse_));
  fftw_free(real_);
  fftw_free(spectrum_);
}

void RealFft::Forward(const double* in, std::complex<double>* out) {
  std::copy(in, in + size_, real_);
  fftw_execute(static_cast<fftw_plan>(forward_));
  const auto* s = static_cast<const fftw_complex*>(spectrum_);
  for (int k = 0; k <= size_ / 2; ++k) out[k] = {s[k][0], s[k][1]};
}

void RealFft::Inverse(const std::complex<double>* in, double* out) {
  auto* s = static_cast<fftw_complex*>(spectrum_);
  for (int k = 0; k <= size_ / 2; ++k) {
    s[k][0] = in[k].real();
    s[k][1] = in[k].imag();
  }
  // The c2r transform overwrites its input; ours is a copy.
  fftw_execute(static_cast<fftw_plan>(inverse_));
  std::copy(real_, real_ + size_, out);
}

int PowerOfTwoAtLeast(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

std::vector<float> ResampleChannel(std::span<const float> in, double fromRate, double toRate) {
  if (in.empty() || fromRate <= 0 || toRate <= 0) return {};
  if (fromRate == toRate) return {in.begin(), in.end()};
  const size_t outLength = static_cast<size_t>(std::floor(in.size() * toRate / fromRate));
  std::vector<float> out(outLength);
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  size_t done = 0;
  soxr_error_t error =
      soxr_oneshot(fromRate, toRate, 1, in.data(), in.size(), nullptr, out.data(), outLength, &done, &io,
                   &quality, nullptr);
  if (error) return {};
  out.resize(done);
  return out;
}

ParabolicPeak InterpolatePeak(double a, double b, double c) {
  const double denominator = a - 2 * b + c;
  if (denominator >= 0) return {0, b};  // flat or not a maximum
  double offset = 0.5 * (a - c) / denominator;
  offset = std::fmax(-0.5, std::fmin(0.5, offset));
  return {offset, b - 0.25 * (a - c) * offset};
}
