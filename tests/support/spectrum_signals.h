#pragma once
// Test signals for spectra beyond signals.h: seeded noise, chirps, impulses and constants, and the
// independent spectrum reference (a direct DFT in long double).
#include <cstdint>
#include <vector>

namespace testsig {

// Uniform white noise in [-amplitude, amplitude], rounded; the same seed gives the same block.
std::vector<int16_t> Noise(uint32_t seed, double amplitude, int count);

// Linear chirp from f0 to f1 Hz over `count` samples.
std::vector<int16_t> Chirp(double f0Hz, double f1Hz, double amplitude, int rate, int count);

// `count` samples of `value`.
std::vector<int16_t> Constant(int16_t value, int count);

// Zeros with one sample of `value` at `position`.
std::vector<int16_t> Impulse(int position, int16_t value, int count);

// |X_k| for k = 0..count/2-1 of X_k = sum_n window[n] x[n] e^(-j 2 pi k n / count), in long double
// with exact angles (the index product is reduced mod count before the cosine is taken).
std::vector<long double> DftMagnitudes(const std::vector<int16_t>& block, const std::vector<double>& window);

}  // namespace testsig
