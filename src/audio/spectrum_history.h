#pragma once
// Averaging over the last spectra: each history block holds up to 256 spectra of `points` whole-dB
// values, newest first, shifted in place; only the first `count` spectra are used.
#include <cstdint>

// Moves the used part (count spectra) back by one spectrum and puts `spectrum` in front.
void PushHistory(int16_t* history, const int16_t* spectrum, int count, int points);

inline constexpr int kMaxPoints = 1024;  // the longest spectrum the averaging handles

// out[i] = (sum over j < count of history[i + points j]) / count, truncating; with
// `clampNegative` negative results become 0.
void AverageHistory(const int16_t* history, int count, int points, bool clampNegative, int16_t* out);

// Smoothing width of the difference spectrum in bins: the analysis bandwidth over the bin width,
// truncated, at least 2. bandwidthHz: BandwidthHz, or in %F0 mode F0Tens x 10 x percent / 100.
int DifferenceSmoothingWidth(int bandwidthHz, int rate);

// out[i] = (sum of diff[k], k from i - w/2 to i + w/2, each k clamped into 0..points-1) / w.
void SmoothDifference(const int16_t* diff, int points, int width, int16_t* out);
