#pragma once
// The F0 estimate of the live loop: the first clear peak of the averaged F0 spectrum, then an
// outlier rule that holds back a sudden jump for up to four steps before accepting it.
#include <array>
#include <cstdint>

struct F0TrackerState {
  float F0Candidate = 0;                    // Hz, the peak of this step (or the last one found)
  float F0Smoothed = 0;                     // Hz, mean of the smoothing window
  std::array<float, 8> RawHistory{};        // newest candidate first, before the outlier rule
  std::array<float, 8> SmoothingWindow{};   // newest first, after it
  int F0OutlierCount = 0;                   // consecutive steps held back
};

// First bin k (neighbours k-2, k-4, k+2, k+4 clamped into 0..points-1) with v[k] more than 10 dB
// above v[k-2] and v[k+2] while v[k-4] < v[k-2] and v[k+4] < v[k+2]; then moved right while the
// next bin is at least as high, at most `maxMoveRight` bins. -1 when no bin qualifies. Bins 0..2
// can never qualify (their clamped neighbours fail the test).
int F0PeakBin(const int16_t* v, int points, int maxMoveRight);

// One step of the outlier rule and the smoothing with this step's candidate (Hz). Jumps of more
// than 5 Hz from the smoothed value are replaced by it for four steps; the fifth consecutive jump
// refills the window from the raw candidates. Returns F0 in whole Hz, rounded half up.
int UpdateF0(F0TrackerState& state, float candidate);
