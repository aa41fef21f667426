#pragma once
// Smoothed cepstral peak prominence (CPPS) after Hillenbrand and Houde (1996):
//  - the signal (already at 2 x maxFrequencyHz, 10 kHz in the report) is pre-emphasised from
//    preEmphasisHz (first-order, y[n] = x[n] - exp(-2 pi f / rate) x[n-1]);
//  - frames every stepS seconds, Gaussian-windowed, 3 periods of the pitch floor effective length
//    (the window spans twice that);
//  - per frame the power cepstrum in dB (the squared inverse transform of the dB power spectrum), a
//    least-squares line over quefrencies from tiltFromS to the end subtracted;
//  - smoothed by a moving average of the (detilted) power over timeSmoothS in time (5 frames) and
//    quefrencySmoothS in quefrency (11 bins at 10 kHz, centred), then back to dB;
//  - in each smoothed frame the highest peak between 1 / peakHighHz and 1 / peakLowHz seconds of
//    quefrency (interpolated), measured above the least-squares line of the smoothed frame;
//  - CPPS is the mean over the frames that are not digital silence.
#include <span>

struct CppsParameters {
  double pitchFloorHz = 60;
  double stepS = 0.002;
  double maxFrequencyHz = 5000;
  double preEmphasisHz = 50;
  double timeSmoothS = 0.01;
  double quefrencySmoothS = 0.001;
  double peakLowHz = 60;
  double peakHighHz = 330;
  double tiltFromS = 0.001;
};

// NaN when the signal is shorter than one window or wholly silent.
double SmoothedCepstralPeakProminence(std::span<const float> x, double rate, const CppsParameters& p = {});
