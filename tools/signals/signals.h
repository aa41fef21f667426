#pragma once
// Synthetic test signals at a given sample rate: sines, vowel-like harmonic series and EGG-like
// pulse trains with a known closed quotient. All values are 16-bit samples.
#include <cstdint>
#include <vector>

namespace testsig {

// amplitude * sin(2 pi f n / rate + phase), rounded to nearest.
std::vector<int16_t> Sine(double frequencyHz, double amplitude, int rate, int count, double phase = 0.0);

// Sum of `harmonics` harmonics of f0 with amplitudes falling as 1/k, scaled to the given peak.
std::vector<int16_t> HarmonicSeries(double f0Hz, int harmonics, double peak, int rate, int count);

// EGG-like trapezoid pulses: period `periodMs`, the trace is above its half-amplitude line for
// `closedQuotient` of each cycle (rise and fall of `edgeMs` each, centred on the crossings).
std::vector<int16_t> EggPulses(double periodMs, double closedQuotient, double amplitude, int rate, int count,
                               double edgeMs = 0.5);

// Interleaves two channels (left = audio, right = EGG) into frames.
std::vector<int16_t> Interleave(const std::vector<int16_t>& left, const std::vector<int16_t>& right);

// Frames that carry their own index: sample value = index mod 32768 on every channel.
std::vector<int16_t> IndexRamp(int frames, int channels, int firstIndex = 0);

}  // namespace testsig
