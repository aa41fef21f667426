#include "audio/spectrum_history.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

void PushHistory(int16_t* history, const int16_t* spectrum, int count, int points) {
  if (count > 1) std::memmove(history + points, history, sizeof(int16_t) * static_cast<size_t>(points) * (count - 1));
  std::memcpy(history, spectrum, sizeof(int16_t) * static_cast<size_t>(points));
}

void AverageHistory(const int16_t* history, int count, int points, bool clampNegative, int16_t* out) {
  if (count < 1) count = 1;
  points = std::min(points, kMaxPoints);
  // Spectrum by spectrum, so the inner loop runs along memory.
  std::array<int32_t, kMaxPoints> sum{};
  for (int j = 0; j < count; ++j) {
    const int16_t* spectrum = history + static_cast<size_t>(points) * j;
    for (int i = 0; i < points; ++i) sum[i] += spectrum[i];
  }
  for (int i = 0; i < points; ++i) {
    int mean = sum[i] / count;
    if (clampNegative && mean < 0) mean = 0;
    out[i] = static_cast<int16_t>(mean);
  }
}

int DifferenceSmoothingWidth(int bandwidthHz, int rate) {
  const double binHz = rate / 2048.0;
  const int w = static_cast<int>(std::trunc(bandwidthHz / binHz));
  return std::max(w, 2);
}

void SmoothDifference(const int16_t* diff, int points, int width, int16_t* out) {
  const int half = width / 2;
  for (int i = 0; i < points; ++i) {
    int sum = 0;
    for (int k = i - half; k <= i + half; ++k) sum += diff[std::clamp(k, 0, points - 1)];
    out[i] = static_cast<int16_t>(sum / width);
  }
}
