#include "audio/f0_tracker.h"

#include <algorithm>

#include "settings/analysis_settings.h"

// Without a clear peak (silence, noise) every bin is tested, so the inner bins, whose neighbours
// need no clamping, are tested without it; the rule and the order of the bins are the same.
int F0PeakBin(const int16_t* v, int points, int maxMoveRight) {
  auto at = [&](int k) { return static_cast<int>(v[std::clamp(k, 0, points - 1)]); };
  auto clamped = [&](int k) {
    return at(k) > at(k - 2) + 10 && at(k) > at(k + 2) + 10 && at(k - 4) < at(k - 2) && at(k + 4) < at(k + 2);
  };
  auto inner = [&](int k) {
    const int x = v[k], left = v[k - 2], right = v[k + 2];
    return x > left + 10 && x > right + 10 && v[k - 4] < left && v[k + 4] < right;
  };
  int k = 0;
  for (; k < 4 && k < points && !clamped(k); ++k) {
  }
  if (k == 4)
    for (; k < points - 4 && !inner(k); ++k) {
    }
  for (; k < points && !clamped(k); ++k) {
  }
  if (k == points) return -1;
  for (int moved = 0; moved < maxMoveRight && k + 1 < points && v[k + 1] >= v[k]; ++moved) ++k;
  return k;
}

namespace {
template <size_t N>
void ShiftIn(std::array<float, N>& slots, float value) {
  std::copy_backward(slots.begin(), slots.end() - 1, slots.end());
  slots[0] = value;
}
}  // namespace

int UpdateF0(F0TrackerState& s, float candidate) {
  s.F0Candidate = candidate;
  ShiftIn(s.RawHistory, s.F0Candidate);
  if (s.F0Candidate > s.F0Smoothed + 5.0f || s.F0Candidate < s.F0Smoothed - 5.0f) {
    if (s.F0OutlierCount < 4) {
      s.F0Candidate = s.F0Smoothed;
      ++s.F0OutlierCount;
    } else {
      // A jump that lasted five steps is real: forget the old window.
      s.SmoothingWindow = s.RawHistory;
      s.F0OutlierCount = 0;
    }
  } else {
    s.F0OutlierCount = 0;
  }
  ShiftIn(s.SmoothingWindow, s.F0Candidate);
  float sum = 0;
  for (float x : s.SmoothingWindow) sum += x;
  s.F0Smoothed = sum / 8.0f;
  return RoundHalfUp(s.F0Smoothed);
}
